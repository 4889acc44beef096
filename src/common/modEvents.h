// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

// The one routine that lets pending window messages run (timer ticks, input,
// repaints) in the middle of long work on the GUI thread.
void DoEvents();

// Sounds the system's default beep through gBeepHook (the windows set it to
// QApplication::beep; without it nothing sounds).
void Beep();
extern std::function<void()> gBeepHook;
