// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Open and save dialogs with the caller's own filters, as a seam like the
// save dialog's: the windows install a QFileDialog answerer, tests a
// scripted one. Without an answerer nothing is chosen.
struct FileDialogRequest
{
    bool save = false; // a save dialog (it asks before overwriting); an open dialog otherwise
    QString title;
    QString folder;
    QStringList filters; // e.g. "KML files (*.kml)"; the first one is selected
    QString name;        // the file name to offer (save dialogs)
};
struct FileDialogAnswer
{
    QString file;   // the full path; empty when the user cancelled
    QString filter; // the filter selected when the user chose
};
using FileDialogHandler = std::function<FileDialogAnswer(const FileDialogRequest &request)>;
// Installs the answerer and returns the previous one.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
bool HasFileDialogHandler();
FileDialogAnswer AskFileDialog(const FileDialogRequest &request);
