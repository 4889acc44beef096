// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QTimer>

class clsUsbHid;

// What the link's timer tells the layers above it; the application installs one.
// What the link has to tell the user: no meter where one was asked for, a
// meter found that cannot be opened (with the system's reason), a meter
// gone. The words are the notifier's.
enum class LinkEvent { NotConnected, CannotOpen, Disconnected };

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
    // An event of the link for the user (a meter disconnected...), and for
    // CannotOpen the system's reason (empty when it gave none). It may come
    // from inside a step of an operation, where no box may open: the windows
    // show it from the event loop afterwards.
    virtual void Tell(LinkEvent event, const QString &reason) = 0;
};

// Tells the user through the installed notifier (nothing when there is none).
void TellLinkUser(LinkEvent event, const QString &reason = QString());

// Installs the notifier (null: none) and returns the previous one.
LinkNotifier *SetLinkNotifier(LinkNotifier *notifier);

// The link's hidden timer: every 250 ms one watch step, then the connection
// follow-up when a Connect is pending.
class frmUsbHid : public QObject
{
    Q_OBJECT
public:
    // The timer of `link` (which is still being made: the first tick joins
    // its events).
    explicit frmUsbHid(clsUsbHid *link);

    // Started and stopped by the link, and by who drives the ticks itself.
    QTimer &tmrPeriodic() { return m_tmrPeriodic; }
    // One tick; public so that tests and the command-line tool can drive it.
    void Tick();
    // A Connect waits for its follow-up.
    void setfConnectPending(bool fValue) { m_fConnectPending = fValue; }

private:
    clsUsbHid *mUsbHid = nullptr;
    clsUsbHid *m_link = nullptr;
    bool m_fConnectPending = false;
    QTimer m_tmrPeriodic;

    LinkNotifier *Notifier() const;

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
};
