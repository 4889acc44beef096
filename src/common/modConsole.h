// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <atomic>

#include "common/clsOperation.h"

// Where the "FSM Communications" echo and the USB status lines go. The main
// window shows them; the command-line tool prints them with --verbose.
class ConsoleSink : public QObject
{
    Q_OBJECT
public:
    static ConsoleSink *instance();
    // Whether anyone shows the echo; when nobody does, lines need not be
    // built or kept. Safe from the link thread.
    bool ConsoleShown() const { return m_shown > 0; }
signals:
    void ConsoleText(const QString &text); // appended to "FSM Communications"
    void UsbStatus(const QString &line);   // one line for "USB Status Messages"

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    std::atomic<int> m_shown{0}; // receivers of ConsoleText
};

// From a step on the link thread each is shown once the slice has returned.
inline void AppendConsole(const QString &text)
{
    WindowThreadDo([text] { emit ConsoleSink::instance()->ConsoleText(text); });
}
// Appends line and CR LF. From the link thread, lines said one after the
// other (the echo of each command, each record) are handed over in one piece.
void AppendConsoleLine(const QString &line);
inline void AppendUsbStatus(const QString &line)
{
    WindowThreadDo([line] { emit ConsoleSink::instance()->UsbStatus(line); });
}
