// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing half of `dataclave-cli plot`, a module the tool loads only for
// that command (see CliPlot.h).
#include "cli/CliPlot.h"
#include "saveddata/modFieldPlotDraw.h"

#include <QGuiApplication>

namespace {

// Qt's own warnings (a missing XDG_RUNTIME_DIR, a font substituted) are no
// business of the user's: standard error carries only the tool's words.
void Quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" Q_DECL_EXPORT bool dataclave_render_field_plot(int *argc, char **argv, const void *plot, int width, int height,
                                                          int format, void *bytes)
{
    const QtMessageHandler previous = qInstallMessageHandler(Quiet);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Only pictures are made: no display is opened, even where there is one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Only the program's name: Qt would take file names such as "-reverse"
    // or "-platform" as its own options.
    Q_UNUSED(argc);
    int count = 1;
    char *name[] = {argv[0], nullptr};
    bool drawn = false;
    {
        QGuiApplication app(count, name);
        QByteArray &out = *static_cast<QByteArray *>(bytes);
        out = RenderFieldPlot(*static_cast<const FieldPlot *>(plot), QSize(width, height), PlotFormat(format));
        drawn = !out.isEmpty();
    }
    qInstallMessageHandler(previous);
    return drawn;
}
