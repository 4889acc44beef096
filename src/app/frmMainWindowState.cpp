// SPDX-License-Identifier: GPL-3.0-or-later
// The window's placement in twips, for the remembered position.
#include "app/frmMain.h"
#include "common/modWin.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

double frmMain::Left() const { return PixelsToTwips(pos().x(), 0); }
double frmMain::Top() const { return PixelsToTwips(pos().y(), 1); }
double frmMain::Width() const { return PixelsToTwips(frameGeometry().width(), 0); }
double frmMain::Height() const { return PixelsToTwips(frameGeometry().height(), 1); }

qint16 frmMain::WindowState() const
{
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 2;
    return 0;
}

void frmMain::SetWindowState(qint16 state)
{
    // The window has a fixed size, so a stored "maximised" opens it normally.
    setWindowState(state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
}

void frmMain::Move(qint32 left, qint32 top) { move(TwipsToPixels(left, 0), TwipsToPixels(top, 1)); }
double frmMain::ScreenWidth() const { return ScreenTwips(nullptr).width; }
double frmMain::ScreenHeight() const { return ScreenTwips(nullptr).height; }

QVector<QRectF> frmMain::AvailableAreas() const
{
    QVector<QRectF> areas;
    const QScreen *primary = QGuiApplication::primaryScreen();
    QList<QScreen *> screens = QGuiApplication::screens();
    std::stable_partition(screens.begin(), screens.end(), [primary](const QScreen *s) { return s == primary; });
    for (const QScreen *s : std::as_const(screens)) {
        const QRect r = s->availableGeometry();
        areas << QRectF(PixelsToTwips(r.x(), 0), PixelsToTwips(r.y(), 1), PixelsToTwips(r.width(), 0),
                        PixelsToTwips(r.height(), 1));
    }
    return areas;
}

QSizeF frmMain::TitleBarPart() const { return QSizeF(PixelsToTwips(100, 0), PixelsToTwips(30, 1)); }
