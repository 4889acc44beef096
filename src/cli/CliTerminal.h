// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What dataclave-cli shows instead of windows: message boxes as lines on
// standard error, confirmations asked on a terminal, the console echo and
// USB status lines, and writing to standard output.
#include <QByteArray>
#include <QString>

class QObject;

namespace cli {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2, Interrupted = 130 };

// Installs the message-box answerer. Yes/No boxes are asked on a terminal;
// elsewhere they are answered Yes with `assumeYes`, otherwise No.
void InstallMessageBoxes(bool assumeYes);
// A Yes/No box was answered No because nobody could be asked.
bool ConfirmationNeeded();

// The Yes/No question of a destructive command (No is the default).
bool Confirm(const QString &prompt, const QString &title);
// The delete question of the list windows ("Delete Records?").
bool ConfirmDelete();
// Says that nothing was changed; the exit status for a refused confirmation.
int Declined();

// Ctrl+C, termination and a closed terminal (SIGHUP) end the program with
// status 130 at once, except while `whileSaving` is set: then, at the next
// pass of the message loop, a running operation is cancelled (the caller
// ends with status 130 once it has stopped); with none running the partial
// file is dropped and the program ends. A target that is no regular file (a
// FIFO, a device) may block for good, so it ends at once even then. Either
// way no temporary file is left behind.
void HandleInterrupts(QObject *context);
void SetSaving(bool whileSaving, bool blockingTarget = false);
// While the meter is being changed: a signal stops the running operation
// after its step (the command under way) and never ends the program by
// itself; the caller asks WasInterrupted() after each operation, says what
// was done and ends with status 130. Setting it clears WasInterrupted(); clearing it keeps it.
void SetChanging(bool whileChanging);
bool WasInterrupted();
// The folder where a download to standard output is put together, and its
// one file: both are removed however the program ends (an empty text: none).
void SetScratch(const QString &folder, const QString &file);

// Prints the console echo and the USB status lines on standard error.
void EchoConsole(QObject *context);

bool StdinIsTerminal();
bool StdoutIsTerminal();
bool StderrIsTerminal();

// Text for a terminal: control characters other than tab and the line ends
// (LF, CR LF) become visible escapes such as "\x1B", so text from the meter
// or a scenario cannot move the cursor, retitle the window or worse.
QString VisibleControls(const QString &text);

// On a terminal both show control characters as escapes; to a file or pipe
// the meter's bytes go out exactly. After a failed write nothing more is
// written there; a closed pipe ends the program quietly, as SIGPIPE does (the
// folder of SetScratch removed first).
void WriteOut(const QByteArray &bytes); // the meter's single-byte text
void WriteOut(const QString &text);     // in the terminal's encoding
// Flushes standard output; false after a write to it failed.
bool FlushOut();
// Flushes standard output; when any write to it failed, says why on
// standard error and returns false.
bool FinishOut();
void WriteErr(const QString &text);
// A line on standard error that is redrawn in place (the progress bar).
// Anything else written to standard error first clears it.
void ShowStatus(const QString &line);
void ClearStatus();
// "dataclave-cli: " + text, on standard error.
void Complain(const QString &text);

// "NAME is the CSV file itself; nothing was written": the refusal of an
// output that is the input.
QString SameFileText(const QString &output);

} // namespace cli
