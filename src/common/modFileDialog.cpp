// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modFileDialog.h"

static FileDialogHandler &FileHandler()
{
    static FileDialogHandler handler;
    return handler;
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    FileDialogHandler old = FileHandler();
    FileHandler() = std::move(handler);
    return old;
}

bool HasFileDialogHandler() { return bool(FileHandler()); }

FileDialogAnswer AskFileDialog(const FileDialogRequest &request)
{
    FileDialogHandler h = FileHandler(); // a copy: the answerer may replace itself
    return h ? h(request) : FileDialogAnswer();
}
