// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's placement between runs: section "Main" of the per-user
// settings store, keys "Window" ("left top" in twips) and "WindowState".
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>
#include <QtGlobal>
#include <memory>
#include <optional>

class QSettings;

// The main window as the placement rules see it. Lengths in twips; states
// 0 normal, 1 minimised, 2 maximised.
class PlacementWindow
{
public:
    virtual ~PlacementWindow() = default;
    virtual double Left() const = 0;
    virtual double Top() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    virtual qint16 WindowState() const = 0;
    virtual void SetWindowState(qint16 state) = 0;
    virtual void Move(qint32 left, qint32 top) = 0;
    virtual double ScreenWidth() const = 0;
    virtual double ScreenHeight() const = 0;
    // The available area of every screen (without task bars), the primary
    // screen first; by default the primary screen alone.
    virtual QVector<QRectF> AvailableAreas() const { return {QRectF(0, 0, ScreenWidth(), ScreenHeight())}; }
    // The least part of the title bar's middle that must be on a screen for the user to
    // reach the window: 100 x 30 pixels.
    virtual QSizeF TitleBarPart() const { return {1500, 450}; }
};

// The remembered placement.
extern qint32 gWindowLeft;
extern qint32 gWindowTop;
extern qint16 gWindowState;
// Where RestoreWindowState put the window (in whole pixels, so not always
// the remembered place); unset before it ran.
extern std::optional<QPointF> gWindowPlaced;

// The store's application name: the executable's name without extension.
QString SettingsAppName();
// The user's settings store, under that name.
std::unique_ptr<QSettings> UserSettings();

// On the main window (gAppBase->MainForm(), which must be a PlacementWindow) and the user's store.
void RestoreWindowState(); // at start-up, before the window is shown
void SaveWindowState();    // when the main window is about to close
void WriteWindowState();

// The same rules on a given window and store.
void RestoreWindowState(PlacementWindow &window, QSettings &store);
void SaveWindowState(const PlacementWindow &window, QSettings &store);
void WriteWindowState(QSettings &store);
