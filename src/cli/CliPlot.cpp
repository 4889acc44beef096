// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliPlot.h"
#include "cli/CliTerminal.h"
#include "common/modFileName.h"
#include "saveddata/modFieldPlot.h"
#include "saveddata/modRadialFit.h"
#include "saveddata/modSurveyCsv.h"
#include "storage/clsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <iterator>
#if defined(Q_OS_WIN)
#include <windows.h>
#include <shellapi.h>
#elif defined(Q_OS_MACOS)
#include <mach-o/dyld.h>
#endif

using namespace cli;

namespace {

// Where the module is: beside the program (the build tree, Windows), then
// in the installed library folder.
QStringList ModuleCandidates(const char *argv0)
{
    // No QCoreApplication yet to ask: the system says where the program is.
#if defined(Q_OS_LINUX)
    Q_UNUSED(argv0);
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#elif defined(Q_OS_WIN)
    Q_UNUSED(argv0);
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    const QString exe = QString::fromWCharArray(path, int(n));
#elif defined(Q_OS_MACOS)
    Q_UNUSED(argv0);
    char path[4096];
    uint32_t size = sizeof path;
    const QString exe = _NSGetExecutablePath(path, &size) == 0 ? QFile::decodeName(path) : QString();
#else
    const QString exe = QFileInfo(QFile::decodeName(argv0)).absoluteFilePath();
#endif
    const QDir dir = QFileInfo(exe).absoluteDir();
    QStringList names{dir.filePath(QStringLiteral("dataclave-plot"))};
#ifdef DATACLAVE_PLOT_MODULE_RELATIVE
    names << QDir::cleanPath(dir.filePath(QStringLiteral(DATACLAVE_PLOT_MODULE_RELATIVE "/dataclave-plot")));
#endif
    return names;
}

} // namespace

bool PlotRequested(int argc, char **argv, CliOptions *options)
{
    QStringList args;
#ifdef Q_OS_WIN
    // argv holds the arguments in the ANSI code page, which loses every
    // character outside it: the wide command line, as Qt reads it.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    int count = 0;
    if (wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
#endif
    CliOptions o;
    if (!ParseCommandLine(args, &o).isEmpty() || o.help || o.version || o.words.value(0) != QLatin1String("plot"))
        return false;
    *options = o;
    return true;
}

int RunPlot(const CliOptions &o, int argc, char **argv)
{
    const QString csvPath = o.words.at(1), target = o.words.at(2);
    int width = kDefaultPlotWidth, height = kDefaultPlotHeight;
    if (o.sizeGiven)
        ParseSize(o.size, &width, &height); // checked already

    // Drawing over the survey itself would lose it.
    if (IsSameFile(csvPath, target)) {
        Complain(SameFileText(target));
        return Failure;
    }
    FieldPlot plot;
    {
        SurveyCsv csv; // gone before the drawing starts
        QString error;
        if (!ReadSurveyCsv(csvPath, &csv, &error)) {
            Complain(QStringLiteral("cannot read %1: %2").arg(csvPath, error));
            return Failure;
        }
        const QList<FieldPlotRecord> records = FieldPlotRecords(csv);
        plot = BuildFieldPlot(records);
        // Each radial's fitted curve, as the window draws it.
        ApplyRadialFits(&plot, AnalyzeRadials(records, RadialFitSettings()).radials, {});
    }
    WriteErr(FieldPlotSkippedText(plot));
    if (plot.series.isEmpty()) {
        Complain(QStringLiteral("%1 has no record to plot").arg(csvPath));
        return Failure;
    }

    QLibrary module;
    RenderPlotEntry render = nullptr;
    for (const QString &name : ModuleCandidates(argv[0])) {
        module.setFileName(name);
        render = reinterpret_cast<RenderPlotEntry>(module.resolve(DATACLAVE_RENDER_PLOT_ENTRY));
        if (render)
            break;
    }
    if (!render) {
        Complain(QStringLiteral("cannot load the plot module: ") + module.errorString());
        return Failure;
    }
    QByteArray bytes;
    const int format = int(PlotFormatOf(target));
    if (!render(&argc, argv, &plot, width, height, format, &bytes)) {
        Complain(QStringLiteral("the plot could not be drawn"));
        return Failure;
    }
    clsFile file;
    file.setCompleteFileName(target);
    if (!file.WriteBytes(bytes) || !file.CloseFile()) {
        const QString reason = file.LastError();
        file.DiscardFile();
        Complain(QStringLiteral("cannot write %1: %2")
                     .arg(target, reason.isEmpty() ? QStringLiteral("another program may hold it") : reason));
        return Failure;
    }
    return Success;
}
