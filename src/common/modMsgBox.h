// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one routine through which every message box of the program goes.
// Windows install a QMessageBox answerer, the command-line tool a terminal
// answerer, tests a scripted one.
#include <QString>
#include <functional>

namespace vb {
enum Buttons {
    OKOnly = 0,
    OKCancel = 1,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    DefaultButton2 = 256,
};
enum Answer { OK = 1, Cancel = 2, Yes = 6, No = 7 };
} // namespace vb

using MsgBoxHandler = std::function<int(const QString &prompt, int buttons, const QString &title)>;

// Shows a message box; returns vb::OK, vb::Yes, vb::No or vb::Cancel.
// An empty title means the application title.
int MsgBox(const QString &prompt, int buttons = vb::OKOnly, const QString &title = QString());

// Installs the answerer and returns the previous one. `opensWindows`: it
// opens a modal box (which runs the event loop), so MsgBoxLater defers.
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler, bool opensWindows = false);

// A box that must not open where it is asked (inside a step of an
// operation): with an answerer that opens windows it is shown from the event
// loop once the work under way has returned, after those asked before it and
// one at a time; otherwise (terminal, tests) at once.
void MsgBoxLater(const QString &prompt, int buttons = vb::OKOnly, const QString &title = QString());

// The answer a box gives when nobody can be asked: its default button.
int DefaultAnswer(int buttons);
