// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modEvents.h"

#include <QCoreApplication>
#include <functional>

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Set by the windows library to QApplication::beep; a terminal gets BEL.
std::function<void()> gBeepHook;

void Beep()
{
    if (gBeepHook)
        gBeepHook();
}
