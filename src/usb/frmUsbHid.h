// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QTimer>

class clsUsbHid;

// What the link's timer tells the layers above it; the application installs one.
class LinkNotifier
{
public:
    virtual ~LinkNotifier() = default;
    // An operation is running: the follow-up waits.
    virtual bool LinkBusy() = 0;
    // A new connection, once, outside any exchange.
    virtual void Connected() = 0;
    // The meter went away.
    virtual void Disconnected() = 0;
    // A message of the link for the user ("ZT 6200 was disconnected..."). It
    // may come from inside a step of an operation, where no box may open:
    // the windows show it from the event loop afterwards. By default it is
    // shown at once.
    virtual void Tell(const QString &prompt, const QString &title);
};

// Tells the user through the installed notifier (at once when there is none).
void TellLinkUser(const QString &prompt, const QString &title);

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
