// The stored main-window placement ("Main/WindowState", "Main/Window") as
// any text the settings store may hold, split at the first line feed. The
// restored state must be one of the three and the position on the screen,
// and what was written back must restore to the same placement.
#include "FuzzSupport.h"
#include "storage/modWindowState.h"

#include <QSettings>
#include <QTemporaryDir>

namespace {

struct FakeWindow : PlacementWindow
{
    double left = 0, top = 0;
    qint16 state = 0;
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return 10485; }
    double Height() const override { return 4500; }
    qint16 WindowState() const override { return state; }
    void SetWindowState(qint16 s) override { state = s; }
    void Move(qint32 l, qint32 t) override { left = l, top = t; }
    double ScreenWidth() const override { return 19200; }
    double ScreenHeight() const override { return 14400; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEnsureApp();
    static QTemporaryDir dir;
    // Never written out: no event loop runs and the object lives to the end.
    static QSettings store(dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
    const QString text = FuzzText(data, size);
    const int cut = int(text.indexOf(QLatin1Char('\n')));
    store.setValue(QStringLiteral("Main/WindowState"), cut < 0 ? text : text.left(cut));
    store.setValue(QStringLiteral("Main/Window"), cut < 0 ? QString() : text.mid(cut + 1));

    FakeWindow w;
    RestoreWindowState(w, store);
    if (w.state < 0 || w.state > 2 || w.left < 0 || w.left > w.ScreenWidth() || w.top < 0 || w.top > w.ScreenHeight())
        __builtin_trap();
    FakeWindow again;
    RestoreWindowState(again, store);
    if (again.state != w.state || again.left != w.left || again.top != w.top)
        __builtin_trap();
    return 0;
}
