// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes MsgBox show real message boxes and Beep sound the system beep.
void InstallGuiMsgBox();

#include <functional>

class QMessageBox;
class QString;
// The box MsgBox shows, modal; `onShow` is handed the box just before it
// runs its event loop (tests answer it from there).
int ShowMessageBox(const QString &prompt, int buttons, const QString &title,
                   const std::function<void(QMessageBox &)> &onShow = {});
// The width a message box needs so that the window manager shows its whole title.
int MessageBoxTitleWidth(const QString &title);
