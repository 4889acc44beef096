// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modOpenDialog.h"

static OpenDialogHandler &OpenHandler()
{
    static OpenDialogHandler handler;
    return handler;
}

OpenDialogHandler SetOpenDialogHandler(OpenDialogHandler handler)
{
    OpenDialogHandler old = OpenHandler();
    OpenHandler() = std::move(handler);
    return old;
}

bool HasOpenDialogHandler() { return bool(OpenHandler()); }

QString AskOpenFileName(const QString &szTitle, const QStringList &filters)
{
    OpenDialogHandler h = OpenHandler(); // a copy: the answerer may replace itself
    return h ? h(szTitle, filters) : QString();
}
