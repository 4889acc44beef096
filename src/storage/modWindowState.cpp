#include "storage/modWindowState.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConvert.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <cmath>
#include <memory>

qint32 gWindowLeft = 0;
qint32 gWindowTop = 0;
qint16 gWindowState = 0;

static const QString kStateKey = QStringLiteral("Main/WindowState");
static const QString kWindowKey = QStringLiteral("Main/Window");

QString SettingsAppName()
{
    const QString path = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(path).completeBaseName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

static std::unique_ptr<QSettings> UserStore()
{
    return std::make_unique<QSettings>(QSettings::UserScope, clsApp::AppTitle(), SettingsAppName());
}

static PlacementWindow *MainPlacement()
{
    return gApp ? dynamic_cast<PlacementWindow *>(gApp->MainForm) : nullptr;
}

static qint32 HalfEven(double v) { return qint32(std::nearbyint(v)); }

// "left top": the text up to the first blank, then the next word. Anything
// else (no blank, not numbers) counts as damaged.
static bool ParseWindow(const QString &w, qint32 *left, qint32 *top)
{
    const int p = w.indexOf(QLatin1Char(' '));
    if (p < 0)
        return false;
    QString rest = w.mid(p);
    while (rest.startsWith(QLatin1Char(' ')))
        rest.remove(0, 1);
    const int q = rest.indexOf(QLatin1Char(' '));
    const QString topText = q >= 0 ? rest.left(q + 1) : rest;
    return ToInt32(w.left(p + 1), left) && ToInt32(topText, top);
}

void RestoreWindowState(PlacementWindow &window, QSettings &store)
{
    // A stored state that is not one of the three is treated as missing, so
    // a damaged value can neither stop the start nor hide the window oddly.
    qint16 state = 0;
    const QString s = store.value(kStateKey).toString();
    if (!ToInt16(s, &state) || state < 0 || state > 2) {
        state = 0;
        store.setValue(kStateKey, QStringLiteral("0"));
    }
    gWindowState = state;
    window.SetWindowState(state);

    QString w = store.value(kWindowKey).toString();
    qint32 left = 0, top = 0;
    if (!ParseWindow(w, &left, &top)) {
        gWindowLeft = HalfEven((window.ScreenWidth() - window.Width()) / 2);
        gWindowTop = HalfEven((window.ScreenHeight() - window.Height()) / 2);
        w = IntText(gWindowLeft) + QLatin1Char(' ') + IntText(gWindowTop);
        store.setValue(kWindowKey, w);
        ParseWindow(w, &left, &top);
    }
    // A negative coordinate is not applied; one beyond the screen puts the
    // edge at 0.
    if (left >= 0)
        gWindowLeft = left;
    if (left > window.ScreenWidth())
        gWindowLeft = 0;
    if (top >= 0)
        gWindowTop = top;
    if (top > window.ScreenHeight())
        gWindowTop = 0;
    window.Move(gWindowLeft, gWindowTop);
}

void SaveWindowState(const PlacementWindow &window, QSettings &store)
{
    bool changed = false;
    const qint16 state = window.WindowState();
    if (state == 0) {
        if (window.Top() != gWindowTop) {
            gWindowTop = HalfEven(window.Top());
            changed = true;
        }
        if (window.Left() != gWindowLeft) {
            gWindowLeft = HalfEven(window.Left());
            changed = true;
        }
    }
    // A minimised window keeps the last normal placement.
    if (state != gWindowState && state != 1) {
        gWindowState = state;
        changed = true;
    }
    if (changed)
        WriteWindowState(store);
}

void WriteWindowState(QSettings &store)
{
    store.setValue(kWindowKey, IntText(gWindowLeft) + QLatin1Char(' ') + IntText(gWindowTop));
    store.setValue(kStateKey, IntText(gWindowState));
}

void RestoreWindowState()
{
    if (PlacementWindow *window = MainPlacement()) {
        RestoreWindowState(*window, *UserStore());
    }
}

void SaveWindowState()
{
    if (PlacementWindow *window = MainPlacement()) {
        SaveWindowState(*window, *UserStore());
    }
}

void WriteWindowState()
{
    WriteWindowState(*UserStore());
}
