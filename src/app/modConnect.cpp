// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modConnect.h"
#include "common/clsOperation.h"
#include "common/modMsgBox.h"
#include "records/clsMeter.h"
#include "records/clsVersion.h"
#include "usb/frmUsbHid.h"

void OnConnected()
{
    gMeter->Reset();
    const QString reply = gMeter->QueryVersion();
    if (!reply.isEmpty())
        gFsm->Version->setszVersion(reply);
}

void ShowUpdateSoftware()
{
    MsgBox(QStringLiteral("ZT 6200 firmware (") + gFsm->Version->szVersion() + QStringLiteral(")\r\n")
               + QStringLiteral("requires a newer version of the Dataclave program."),
           vb::Exclamation, QStringLiteral("Update Software"));
}

namespace {

class AppLinkNotifier : public LinkNotifier
{
public:
    bool LinkBusy() override { return OperationRunning(); }
    void Connected() override { OnConnected(); }
    void Disconnected() override
    {
        if (gMeter)
            gMeter->Reset(); // once the exchange that lost the link has returned
    }
    // Told from inside the link's work (a step): the box waits for the event loop.
    void Tell(const QString &prompt, const QString &title) override { MsgBoxLater(prompt, vb::Exclamation, title); }
};

} // namespace

void InstallLinkNotifier()
{
    static AppLinkNotifier notifier;
    SetLinkNotifier(&notifier);
}
