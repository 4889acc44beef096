// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliTerminal.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/clsOperation.h"
#include "common/modAnsi.h"
#include "common/modConsole.h"
#include "common/modMsgBox.h"
#include "storage/clsFile.h"

#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <io.h>
#define STDIN_FILENO 0
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#else
#include <pthread.h>
#include <thread>
#include <unistd.h>
#endif

namespace cli {

namespace {

bool gConfirmationNeeded = false;
int gStatusLength = 0; // characters of the status line on screen
int gOutErrno = 0;     // why the first write to standard output failed

// Set before a signal may need them: the handler can only call the system.
char gScratchFolder[4096] = {};
char gScratchFile[4096] = {};

void RemoveScratch()
{
#ifndef _WIN32
    if (gScratchFile[0])
        unlink(gScratchFile);
    if (gScratchFolder[0])
        rmdir(gScratchFolder);
#endif
}

void OutFailed(int err)
{
#ifndef _WIN32
    if (err == EPIPE) {
        // The reader has gone (`| head`): end as a program killed by SIGPIPE
        // does, without a word, and leave nothing behind.
        if (gApp && gApp->File())
            gApp->File()->DiscardFile();
        RemoveScratch();
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
        _exit(128 + SIGPIPE);
    }
#endif
    if (gOutErrno == 0)
        gOutErrno = err ? err : EIO;
}

// Windows consoles show text written as UTF-16 whatever their code page;
// false where `stream` is not a console.
bool WriteConsoleText(FILE *stream, const QString &text)
{
#ifdef _WIN32
    const HANDLE h = HANDLE(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode))
        return false;
    std::fflush(stream);
    const auto *chars = reinterpret_cast<const wchar_t *>(text.utf16());
    for (qsizetype done = 0; done < text.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(h, chars + done, DWORD(qMin<qsizetype>(text.size() - done, 8192)), &written, nullptr) || written == 0)
            break;
        done += written;
    }
    return true;
#else
    Q_UNUSED(stream);
    Q_UNUSED(text);
    return false;
#endif
}

// Text for a file or pipe: UTF-8 on Windows too, where the local 8-bit
// encoding is an ANSI code page that cannot hold every character.
QByteArray Encoded(const QString &text)
{
#ifdef _WIN32
    return text.toUtf8();
#else
    return text.toLocal8Bit();
#endif
}

void PutErr(const QString &text)
{
    // Standard output may be a file being written: keep the two apart.
    FlushOut();
    if (WriteConsoleText(stderr, text))
        return;
    const QByteArray bytes = Encoded(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString Lines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool AskOnTerminal(const QString &question)
{
    WriteErr(question + QStringLiteral(" [y/N] "));
    char line[256];
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int Answer(const QString &prompt, int buttons, const QString &title, bool assumeYes)
{
    const QString text = title + QStringLiteral(": ") + Lines(prompt);
    if ((buttons & 7) != vb::YesNo) {
        WriteErr(text + QLatin1Char('\n'));
        return DefaultAnswer(buttons);
    }
    if (assumeYes)
        return vb::Yes;
    if (StdinIsTerminal())
        return AskOnTerminal(text) ? vb::Yes : vb::No;
    gConfirmationNeeded = true;
    WriteErr(text + QLatin1Char('\n'));
    return vb::No;
}

constexpr int kInterruptedStatus = Interrupted;
volatile std::sig_atomic_t gSaving = 0;
volatile std::sig_atomic_t gChanging = 0;
volatile std::sig_atomic_t gBlockingTarget = 0;
volatile std::sig_atomic_t gInterrupted = 0;
#ifndef _WIN32
int gSignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    gInterrupted = 1;
    // A FIFO or device may block a write (or the open) for good, where no
    // step ends and the loop never sees the signal: written in place, it
    // leaves nothing to tidy up.
    if ((!gSaving && !gChanging) || (gSaving && gBlockingTarget)) {
        RemoveScratch();
        _exit(kInterruptedStatus);
    }
    clsOperation::CancelSoon(); // the running operation stops after its step
    const char c = 1;
    const ssize_t ignored = write(gSignalPipe[1], &c, 1);
    (void)ignored;
}
#endif

} // namespace

void HandleInterrupts(QObject *context)
{
#ifndef _WIN32
    if (pipe(gSignalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char drained[16];
        const ssize_t ignored = read(gSignalPipe[0], drained, sizeof drained);
        (void)ignored;
        // The operation stops after its step and tidies up itself.
        if (clsOperation *op = clsOperation::Current()) {
            op->Cancel();
            return;
        }
        if (gChanging)
            return; // the command says what was done and ends
        if (gApp && gApp->File())
            gApp->File()->DiscardFile();
        RemoveScratch();
        ClearStatus();
        std::_Exit(kInterruptedStatus);
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal); // the terminal closed
    // Taken by a thread of their own: a signal caught on this thread would
    // cut short the read of a reply (poll gives EINTR), and the meter's
    // answer to the command under way would be lost. The handlers above
    // stay for any thread that does not block them.
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, sig);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0) {
        std::thread([set] {
            for (;;) {
                int sig = 0;
                if (sigwait(&set, &sig) == 0)
                    OnSignal(sig);
            }
        }).detach();
    }
    // A closed pipe shows as EPIPE on the write, which then ends the program.
    std::signal(SIGPIPE, SIG_IGN);
#else
    Q_UNUSED(context);
#endif
}

void SetSaving(bool whileSaving, bool blockingTarget)
{
    gBlockingTarget = blockingTarget ? 1 : 0;
    gSaving = whileSaving ? 1 : 0;
}

void SetChanging(bool whileChanging)
{
    if (whileChanging) {
        gInterrupted = 0;
        clsOperation::ClearCancelSoon();
    }
    gChanging = whileChanging ? 1 : 0;
}

bool WasInterrupted() { return gInterrupted != 0; }

void SetScratch(const QString &folder, const QString &file)
{
    const QByteArray dir = QFile::encodeName(folder), name = QFile::encodeName(file);
    const bool fits = size_t(dir.size()) < sizeof gScratchFolder && size_t(name.size()) < sizeof gScratchFile;
    std::fill(std::begin(gScratchFolder), std::end(gScratchFolder), '\0');
    std::fill(std::begin(gScratchFile), std::end(gScratchFile), '\0');
    if (!fits)
        return;
    std::copy(name.begin(), name.end(), gScratchFile);
    std::copy(dir.begin(), dir.end(), gScratchFolder);
}

void InstallMessageBoxes(bool assumeYes)
{
    SetMsgBoxHandler([assumeYes](const QString &prompt, int buttons, const QString &title) {
        return Answer(prompt, buttons, title, assumeYes);
    });
}

bool ConfirmationNeeded() { return gConfirmationNeeded; }

bool Confirm(const QString &prompt, const QString &title)
{
    return MsgBox(prompt, vb::YesNo | vb::Exclamation | vb::DefaultButton2, title) == vb::Yes;
}

bool ConfirmDelete()
{
    return Confirm(QStringLiteral("Are you sure that you want to delete these records? \r\n(No undo possible)"),
                   QStringLiteral("Delete Records?"));
}

int Declined()
{
    if (ConfirmationNeeded()) {
        Complain(QStringLiteral("nothing was changed: confirm with --yes when not running on a terminal"));
        return UsageError;
    }
    Complain(QStringLiteral("nothing was changed"));
    return Failure;
}

void EchoConsole(QObject *context)
{
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, context,
                     [](const QString &text) { WriteErr(Lines(text)); });
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::UsbStatus, context,
                     [](const QString &line) { WriteErr(line + QLatin1Char('\n')); });
}

namespace {

bool IsTerminal(int fd)
{
#ifdef _WIN32
    // _isatty is true for any character device, NUL too (and returns 64,
    // not 1): a console is what answers GetConsoleMode.
    DWORD mode = 0;
    const HANDLE h = HANDLE(_get_osfhandle(fd));
    return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
#else
    return isatty(fd) == 1;
#endif
}

} // namespace

bool StdinIsTerminal() { return IsTerminal(STDIN_FILENO); }
bool StdoutIsTerminal() { return IsTerminal(STDOUT_FILENO); }
bool StderrIsTerminal() { return IsTerminal(STDERR_FILENO); }

QString VisibleControls(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const bool lineEnd = ch == QLatin1Char('\n') || (ch == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'));
        // C0, DEL and the C1 range (the undefined Windows-1252 bytes land there)
        if (ch.category() != QChar::Other_Control || ch == QLatin1Char('\t') || lineEnd)
            shown += ch;
        else
            shown += QStringLiteral("\\x") + QString::number(ch.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return shown;
}

static void RawOut(const QByteArray &bytes)
{
    if (gOutErrno != 0 || bytes.isEmpty())
        return;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        OutFailed(errno);
}

void WriteOut(const QByteArray &bytes)
{
    if (StdoutIsTerminal()) {
        WriteOut(AnsiToString(bytes));
        return;
    }
    RawOut(bytes);
}

bool FlushOut()
{
    if (gOutErrno == 0 && std::fflush(stdout) != 0)
        OutFailed(errno);
    return gOutErrno == 0;
}

bool FinishOut()
{
    if (FlushOut())
        return true;
    Complain(QStringLiteral("cannot write to standard output: ") + ErrnoText(gOutErrno));
    return false;
}

void WriteOut(const QString &text)
{
    if (!StdoutIsTerminal()) {
        RawOut(Encoded(text));
        return;
    }
    const QString shown = VisibleControls(text);
    if (gOutErrno == 0 && !WriteConsoleText(stdout, shown))
        RawOut(Encoded(shown));
}

void WriteErr(const QString &text)
{
    ClearStatus();
    PutErr(StderrIsTerminal() ? VisibleControls(text) : text);
}

void ShowStatus(const QString &line)
{
    // Blanks over whatever a longer previous line left behind.
    const int pad = qMax(0, gStatusLength - int(line.size()));
    PutErr(QLatin1Char('\r') + line + QString(pad, QLatin1Char(' ')));
    gStatusLength = int(line.size());
}

void ClearStatus()
{
    if (gStatusLength == 0)
        return;
    PutErr(QLatin1Char('\r') + QString(gStatusLength, QLatin1Char(' ')) + QLatin1Char('\r'));
    gStatusLength = 0;
}

void Complain(const QString &text) { WriteErr(QStringLiteral("dataclave-cli: ") + text + QLatin1Char('\n')); }

QString SameFileText(const QString &output)
{
    return QStringLiteral("%1 is the CSV file itself; nothing was written").arg(output);
}

} // namespace cli
