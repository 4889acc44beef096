// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli: the meter from scripts, on the same core as the windows.
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliPlot.h"
#include "cli/CliTerminal.h"
#include "common/modFileName.h"

#include <QCoreApplication>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#else
#include <csignal>
#endif

int main(int argc, char *argv[])
{
#ifdef _WIN32
    // CSV files keep their CR LF exactly; no newline translation. Messages
    // too end their lines as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#else
    // A file size limit shows as EFBIG on the write, which the writer
    // reports and tidies up after, instead of a core dump and a left file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    RememberNativeArguments(argc, argv);
    // Drawing needs a QGuiApplication of its own, made by the plot module.
    CliOptions plot;
    if (PlotRequested(argc, argv, &plot)) {
        const int rc = RunPlot(plot, argc, argv);
        return cli::FinishOut() ? rc : cli::Failure;
    }
    QCoreApplication app(argc, argv);
    KeepRawArguments(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dataclave-cli"));
    QCoreApplication::setOrganizationName(QStringLiteral("dataclave"));

    CliOptions options;
    const QString problem = ParseCommandLine(QCoreApplication::arguments().mid(1), &options);
    if (options.help) {
        cli::WriteOut(UsageText());
        return cli::FinishOut() ? cli::Success : cli::Failure;
    }
    if (options.version) {
        cli::WriteOut(VersionNotice());
        return cli::Success;
    }
    if (!problem.isEmpty()) {
        cli::Complain(problem);
        cli::WriteErr(QStringLiteral("Try 'dataclave-cli --help'.\n"));
        return cli::UsageError;
    }
    const int rc = RunCommand(options);
    // A result that never reached its reader is a failure.
    if (!cli::FinishOut())
        return rc == cli::Success ? cli::Failure : rc;
    return rc;
}
