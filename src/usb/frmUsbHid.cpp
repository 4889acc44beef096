// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/frmUsbHid.h"
#include "usb/clsUsbHid.h"
#include "common/clsOperation.h"
#include "common/modMsgBox.h"

static LinkNotifier *gLinkNotifier = nullptr;

LinkNotifier *SetLinkNotifier(LinkNotifier *notifier)
{
    LinkNotifier *old = gLinkNotifier;
    gLinkNotifier = notifier;
    return old;
}

void TellLinkUser(LinkEvent event, const QString &reason)
{
    // From a step on the link thread: told on the window thread afterwards.
    if (OnLinkThread())
        return WindowThreadDo([=] { TellLinkUser(event, reason); });
    if (gLinkNotifier)
        gLinkNotifier->Tell(event, reason);
}

frmUsbHid::frmUsbHid(clsUsbHid *link) : m_link(link)
{
    setObjectName(QStringLiteral("USB HID Helper Form"));
    // The link is still being created here, so the event link stays empty
    // until the first tick.
    connect(&m_tmrPeriodic, &QTimer::timeout, this, &frmUsbHid::Tick);
}

void frmUsbHid::Tick()
{
    if (!mUsbHid && m_link) {
        mUsbHid = m_link;
        // Direct: a loss inside a step on the link thread resets the record
        // object there, within the step, as the exchanges expect.
        connect(mUsbHid, &clsUsbHid::Connect, this, &frmUsbHid::mUsbHid_Connect, Qt::DirectConnection);
        connect(mUsbHid, &clsUsbHid::Disconnect, this, &frmUsbHid::mUsbHid_Disconnect, Qt::DirectConnection);
    }
    // A step on the link thread is using the meter: the next tick looks.
    if (LinkStepUnderWay())
        return;
    if (m_link)
        m_link->CheckDisconnect();
    if (m_fConnectPending) {
        // Never start the follow-up between the steps of an operation (it
        // resets gFsm under the work); a later tick takes it.
        if (Notifier() && Notifier()->LinkBusy())
            return;
        // Cleared before running: the follow-up may open a message box, and
        // ticks keep running under it.
        m_fConnectPending = false;
        if (m_link && m_link->fDeviceConnected() && Notifier())
            Notifier()->Connected();
    }
}

// The notifier acts on the program's own objects, so only the link of the
// current session reports to it.
LinkNotifier *frmUsbHid::Notifier() const { return m_link && m_link == gUsbHid ? gLinkNotifier : nullptr; }

void frmUsbHid::mUsbHid_Connect() { m_fConnectPending = true; }

void frmUsbHid::mUsbHid_Disconnect()
{
    if (Notifier())
        Notifier()->Disconnected();
}
