// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modConsole.h"

#include <QMetaMethod>

ConsoleSink *ConsoleSink::instance()
{
    static ConsoleSink sink;
    return &sink;
}

bool ConsoleSink::ConsoleShown() const
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&ConsoleSink::ConsoleText);
    return isSignalConnected(signal);
}
