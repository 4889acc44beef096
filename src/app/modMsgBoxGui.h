#pragma once
// Makes MsgBox show real message boxes and Beep sound the system beep.
void InstallGuiMsgBox();
