// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QTimer>

class clsUsbHid;

// What the link's timer tells the layers above it; the application installs one.
class LinkNotifier
{
public:
    virtual ~LinkNotifier() = default;
    // An exchange or a series of them is running: the follow-up waits.
    virtual bool LinkBusy() = 0;
    // A new connection, once, outside any exchange.
    virtual void Connected() = 0;
    // The meter went away.
    virtual void Disconnected() = 0;
};

// Installs the notifier (null: none) and returns the previous one.
LinkNotifier *SetLinkNotifier(LinkNotifier *notifier);

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

private:
    LinkNotifier *Notifier() const;

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
};
