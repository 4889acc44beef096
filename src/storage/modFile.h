// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The save dialog of the windows.
#include <QString>
#include <QStringList>
#include <memory>

class clsFile;

// Shows the save dialog on the given folder and name; the result says what
// the user chose (fFileSelected false when cancelled).
std::unique_ptr<clsFile> ShowSaveDialog(const QString &szName, const QString &szFolder, const QString &szTitle);

// The dialog's filters: the .csv files first, then every file.
QStringList SaveDialogFilters();

// Makes ShowSaveDialog the program's save-dialog answerer, unless another one
// (a test's, the command-line tool's) is already in place.
void InstallSaveDialog();

// Makes a QFileDialog the answerer of AskFileDialog, unless another one is
// already in place.
void InstallFileDialog();
