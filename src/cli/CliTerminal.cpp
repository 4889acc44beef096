#include "cli/CliTerminal.h"
#include "app/modConsole.h"
#include "app/modMsgBox.h"

#include <QObject>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDIN_FILENO 0
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace cli {

namespace {

bool gConfirmationNeeded = false;

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

} // namespace

void InstallMessageBoxes(bool assumeYes)
{
    SetMsgBoxHandler([assumeYes](const QString &prompt, int buttons, const QString &title) {
        return Answer(prompt, buttons, title, assumeYes);
    });
}

bool ConfirmationNeeded() { return gConfirmationNeeded; }

void EchoConsole(QObject *context)
{
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, context,
                     [](const QString &text) { WriteErr(Lines(text)); });
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::UsbStatus, context,
                     [](const QString &line) { WriteErr(line + QLatin1Char('\n')); });
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }
bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void WriteOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void WriteOut(const QString &text) { WriteOut(text.toLocal8Bit()); }

void WriteErr(const QString &text)
{
    // Standard output may be a file being written: keep the two apart.
    std::fflush(stdout);
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void Complain(const QString &text) { WriteErr(QStringLiteral("dataclave-cli: ") + text + QLatin1Char('\n')); }

} // namespace cli
