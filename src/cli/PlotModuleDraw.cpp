// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing half of `dataclave-cli plot`, a module the tool loads only for
// that command (see CliPlot.h).
#include "cli/CliPlot.h"
#include "saveddata/modFieldPlotDraw.h"

#include <QGuiApplication>
#include <cstdio>
#include <iterator>

namespace {

// Qt's own warnings (a missing XDG_RUNTIME_DIR, a font substituted) are no
// business of the user's: standard error carries only the tool's words,
// and why Qt gave up, should it.
void Quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "dataclave-cli: %s\n", qPrintable(message));
}

} // namespace

extern "C" Q_DECL_EXPORT bool dataclave_render_field_plot(int *argc, char **argv, const void *plot, int width, int height,
                                                          int format, void *bytes)
{
    const QtMessageHandler previous = qInstallMessageHandler(Quiet);
    // Only the program's name: Qt would take file names such as "-reverse"
    // or "-platform" as its own options.
    Q_UNUSED(argc);
    char platform[] = "-platform", offscreen[] = "offscreen";
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Only pictures are made: no display is opened, whatever the
    // environment names (the offscreen platform comes with QtGui).
    char *name[] = {argv[0], platform, offscreen, nullptr};
#elif defined(Q_OS_WIN)
    // The one platform Windows has, whatever QT_QPA_PLATFORM names: another
    // would end the program with a box nobody may be there to close.
    Q_UNUSED(offscreen);
    char windows[] = "windows";
    char *name[] = {argv[0], platform, windows, nullptr};
#else
    Q_UNUSED(platform);
    Q_UNUSED(offscreen);
    char *name[] = {argv[0], nullptr};
#endif
    int count = int(std::size(name)) - 1;
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
