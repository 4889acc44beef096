// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing half of `dataclave-cli plot`, a module the tool loads only for
// that command (see CliPlot.h).
#include "cli/CliPlot.h"
#include "saveddata/modFieldPlotGui.h"

#include <QApplication>
#include <cstdlib>

extern "C" Q_DECL_EXPORT bool dataclave_render_field_plot(int *argc, char **argv, const void *plot, int width, int height,
                                                          int format, void *bytes)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Off-screen where there is no display to open (a server, a script).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Only the program's name: Qt would take file names such as "-reverse"
    // or "-platform" as its own options.
    Q_UNUSED(argc);
    int count = 1;
    char *name[] = {argv[0], nullptr};
    QApplication app(count, name);
    QByteArray &out = *static_cast<QByteArray *>(bytes);
    out = RenderFieldPlot(*static_cast<const FieldPlot *>(plot), QSize(width, height), PlotFormat(format));
    return !out.isEmpty();
}
