// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QTimer>

class clsUsbHid;

// The link's hidden timer: every 250 ms one watch step, then the connection
// follow-up when a Connect is pending.
class frmUsbHid : public QObject
{
    Q_OBJECT
public:
    frmUsbHid();

    clsUsbHid *mUsbHid = nullptr;
    clsUsbHid *UsbLink = nullptr;
    bool fConnectPending = false;
    QTimer tmrPeriodic;

    // One tick; public so that tests and the command-line tool can drive it.
    void Tick();

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
};
