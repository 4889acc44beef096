// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open dialog, as a seam like the message box's: the windows install a
// file-dialog answerer, tests a scripted one. Arguments: the title and the
// name filters ("CSV files (*.csv)"); result: the chosen path, or an empty
// text when cancelled. Without an answerer nothing is chosen.
#include <QString>
#include <QStringList>
#include <functional>

using OpenDialogHandler = std::function<QString(const QString &szTitle, const QStringList &filters)>;
// Installs the answerer and returns the previous one.
OpenDialogHandler SetOpenDialogHandler(OpenDialogHandler handler);
bool HasOpenDialogHandler();
QString AskOpenFileName(const QString &szTitle, const QStringList &filters);
