// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>

#include "common/clsOperation.h"

// Where the "FSM Communications" echo and the USB status lines go. The main
// window shows them; the command-line tool prints them with --verbose.
class ConsoleSink : public QObject
{
    Q_OBJECT
public:
    static ConsoleSink *instance();
    // Whether anyone shows the echo; when nobody does, lines need not be built.
    bool ConsoleShown() const;
signals:
    void ConsoleText(const QString &text); // appended to "FSM Communications"
    void UsbStatus(const QString &line);   // one line for "USB Status Messages"
};

// From a step on the link thread each is shown once the slice has returned.
inline void AppendConsole(const QString &text)
{
    WindowThreadDo([text] { emit ConsoleSink::instance()->ConsoleText(text); });
}
// Appends line and CR LF.
inline void AppendConsoleLine(const QString &line)
{
    WindowThreadDo([line] {
        ConsoleSink *sink = ConsoleSink::instance();
        if (sink->ConsoleShown())
            emit sink->ConsoleText(line + QStringLiteral("\r\n"));
    });
}
inline void AppendUsbStatus(const QString &line)
{
    WindowThreadDo([line] { emit ConsoleSink::instance()->UsbStatus(line); });
}
