// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/modWindowState.h"
#include "common/clsAppBase.h"
#include "common/modConvert.h"

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

std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::UserScope, clsAppBase::AppTitle(), SettingsAppName());
}

static PlacementWindow *MainPlacement()
{
    return gAppBase ? dynamic_cast<PlacementWindow *>(gAppBase->MainForm()) : nullptr;
}

std::optional<QPointF> gWindowPlaced;

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

// Whether the middle of the title bar lies wholly on one screen with the
// window's top-left corner at (left, top): its middle half, at least
// TitleBarPart() wide. A window with only an end of its title bar on a
// screen would have its buttons off it.
static bool TitleBarReachable(const PlacementWindow &window, double left, double top)
{
    const QSizeF part = window.TitleBarPart();
    const double width = qMin(window.Width(), qMax(part.width(), window.Width() / 2));
    const QRectF middle(left + (window.Width() - width) / 2, top, width, part.height());
    for (const QRectF &area : window.AvailableAreas()) {
        if (area.contains(middle))
            return true;
    }
    return false;
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
    // The stored place is used only where the user can reach the window's
    // title bar (on any screen, a second one too); anything else, such as a
    // place on a screen no longer there, opens centred on the primary one.
    // The remembered place stays the stored one until the user moves the window.
    gWindowLeft = left;
    gWindowTop = top;
    if (!TitleBarReachable(window, left, top)) {
        const QRectF area = window.AvailableAreas().value(0, QRectF(0, 0, window.ScreenWidth(), window.ScreenHeight()));
        left = HalfEven(area.left() + qMax(0.0, (area.width() - window.Width()) / 2));
        top = HalfEven(area.top() + qMax(0.0, (area.height() - window.Height()) / 2));
    }
    window.Move(left, top);
    // Where the window really is (whole pixels): "moved" is measured from here.
    gWindowPlaced = QPointF(window.Left(), window.Top());
}

void SaveWindowState(const PlacementWindow &window, QSettings &store)
{
    bool changed = false;
    const qint16 state = window.WindowState();
    if (state == 0) {
        // A window the user did not move keeps the stored place, exactly.
        const QPointF from = gWindowPlaced.value_or(QPointF(gWindowLeft, gWindowTop));
        if (window.Top() != from.y()) {
            gWindowTop = HalfEven(window.Top());
            changed = true;
        }
        if (window.Left() != from.x()) {
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
        RestoreWindowState(*window, *UserSettings());
    }
}

void SaveWindowState()
{
    if (PlacementWindow *window = MainPlacement()) {
        SaveWindowState(*window, *UserSettings());
    }
}

void WriteWindowState()
{
    WriteWindowState(*UserSettings());
}
