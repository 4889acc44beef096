// SPDX-License-Identifier: GPL-3.0-or-later
// The whole read path on arbitrary meter replies: input reports from the
// demo meter's transport through ReportIn, the exchange with its attempts,
// the record reader, masking and the directory. The first byte picks the
// request and the version code; the rest is cut into 65-byte input reports
// that answer it (the same reports on every attempt).
#include "FuzzSupport.h"
#include "app/clsSession.h"
#include "app/globals.h"
#include "common/modMsgBox.h"
#include "protocol/modApp.h"
#include "protocol/modFSMComm.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "sim/DemoMeter.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

namespace {

struct Rig
{
    DemoHidPlatform platform;
    DemoMeter *meter = nullptr;
    QList<QByteArray> reports;
    std::unique_ptr<clsSession> session;

    Rig()
    {
        SetMsgBoxHandler([](const QString &, int buttons, const QString &) { return DefaultAnswer(buttons); });
        SetHidPlatform(&platform);
        session = std::make_unique<clsSession>();
        session->MakeCurrent();
        gUsbHid->HelperForm()->tmrPeriodic().stop(); // ticks are driven here
        meter = platform.AddMeter(std::make_unique<DemoMeter>());
        meter->Scenario().timeScale = 0; // a reply without its end mark times out at once
        meter->Scenario().replyOverride = [this](const QString &command, QList<QByteArray> &out) {
            if (command == QLatin1String("A"))
                return false; // the connection follow-up gets the meter's own answer
            out = reports;
            return true;
        };
    }
};

} // namespace

FUZZ_TARGET
{
    static Rig rig;
    const uint8_t options = FuzzTakeByte(data, size);

    rig.reports.clear();
    for (size_t pos = 0; pos < size; pos += 64) {
        QByteArray r(65, '\0');
        const size_t n = qMin<size_t>(64, size - pos);
        memcpy(r.data() + 1, data + pos, n);
        rig.reports << r;
    }

    if (!gUsbHid->fDeviceConnected()) {
        // Replugged, so that it is found at once, not after a silent meter's wait.
        rig.platform.Plug(rig.meter, false);
        gUsbHid->HelperForm()->Tick();
        rig.platform.Plug(rig.meter, true);
        gUsbHid->HelperForm()->Tick(); // finds it and asks for the version
    }
    FuzzAssert(gUsbHid->fDeviceConnected());

    const qint32 type = (options >> 3) & 1;
    gFsm->Version()->setvalue(qint16(options % 5));
    gFsm->setDataFields(0);
    switch ((options >> 4) & 3) {
    case 0:
    case 1: {
        const int r = ResultCode(gFsm->GetRecord(type, qint16(options >> 6)));
        FuzzAssert(r == 0 || r == 1);
        if (r == 0) {
            gFsm->ProcessRecord(type);
            QStringList f;
            FuzzAssert(SplitFields(gFsm->szRecord(), f) == (type == 0 ? gFsm->DataFields() : gFsm->TxFields()));
        }
        break;
    }
    case 2: {
        const int r = ResultCode(gMeter->ReadDirectory(type));
        FuzzAssert(r == 0 || r == 1);
        break;
    }
    default: {
        QString reply;
        const OpStatus s = SendCommand(*gDevice, QStringLiteral("C"), reply, 0, (options & 0x40) != 0);
        FuzzAssert(s != OpStatus::Busy && s != OpStatus::Cancelled && s != OpStatus::IoError);
        break;
    }
    }
}
