// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modConsole.h"

#include <QMetaMethod>
#include <QStringList>
#include <memory>

ConsoleSink *ConsoleSink::instance()
{
    static ConsoleSink sink;
    return &sink;
}

// Counted here (Qt may call these with its own lock held, so they ask
// nothing back); a disconnection of everything at once is not counted.
void ConsoleSink::connectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&ConsoleSink::ConsoleText))
        ++m_shown;
}

void ConsoleSink::disconnectNotify(const QMetaMethod &signal)
{
    if (signal == QMetaMethod::fromSignal(&ConsoleSink::ConsoleText))
        --m_shown;
}

namespace {
void ShowConsoleLines(const QStringList &lines)
{
    ConsoleSink *sink = ConsoleSink::instance();
    if (sink->ConsoleShown())
        emit sink->ConsoleText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

// The link thread's lines not yet handed over; only the link thread adds.
struct PendingLines
{
    std::shared_ptr<QStringList> lines;
    quint64 asked = 0;
};
thread_local PendingLines tPending;
} // namespace

void AppendConsoleLine(const QString &line)
{
    if (!ConsoleSink::instance()->ConsoleShown())
        return;
    if (!OnLinkThread())
        return ShowConsoleLines({line});
    // Still the last thing asked of the window thread: add to it.
    if (tPending.lines && tPending.asked == WindowThreadAsked())
        return void(*tPending.lines << line);
    tPending.lines = std::make_shared<QStringList>(QStringList{line});
    WindowThreadDo([lines = tPending.lines] { ShowConsoleLines(*lines); });
    tPending.asked = WindowThreadAsked();
}
