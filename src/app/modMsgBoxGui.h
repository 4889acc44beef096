// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes MsgBox show real message boxes and Beep sound the system beep.
void InstallGuiMsgBox();

class QString;
// The width a message box needs so that the window manager shows its whole title.
int MessageBoxTitleWidth(const QString &title);
