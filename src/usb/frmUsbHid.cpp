// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/frmUsbHid.h"
#include "usb/clsUsbHid.h"

static LinkNotifier *gLinkNotifier = nullptr;

LinkNotifier *SetLinkNotifier(LinkNotifier *notifier)
{
    LinkNotifier *old = gLinkNotifier;
    gLinkNotifier = notifier;
    return old;
}

frmUsbHid::frmUsbHid()
{
    setObjectName(QStringLiteral("USB HID Helper Form"));
    // gUsbHid is still being created here, so the event link stays empty
    // until the first tick.
    mUsbHid = gUsbHid;
    fConnectPending = false;
    connect(&tmrPeriodic, &QTimer::timeout, this, &frmUsbHid::Tick);
}

void frmUsbHid::Tick()
{
    if (!mUsbHid && gUsbHid) {
        mUsbHid = gUsbHid;
        connect(mUsbHid, &clsUsbHid::Connect, this, &frmUsbHid::mUsbHid_Connect);
        connect(mUsbHid, &clsUsbHid::Disconnect, this, &frmUsbHid::mUsbHid_Disconnect);
    }
    if (UsbLink)
        UsbLink->CheckDisconnect();
    if (fConnectPending) {
        // Never start the follow-up inside another exchange (this tick may run
        // while one lets window messages run) or a series of them; a later
        // tick takes it.
        if (gLinkNotifier && gLinkNotifier->LinkBusy())
            return;
        // Cleared before running: the follow-up may open a message box, and
        // ticks keep running under it.
        fConnectPending = false;
        if (UsbLink && UsbLink->fDeviceConnected() && gLinkNotifier)
            gLinkNotifier->Connected();
    }
}

void frmUsbHid::mUsbHid_Connect() { fConnectPending = true; }

void frmUsbHid::mUsbHid_Disconnect()
{
    if (gLinkNotifier)
        gLinkNotifier->Disconnected();
}
