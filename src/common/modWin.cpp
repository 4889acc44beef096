// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modWin.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

static double ScreenDpi(int direction)
{
    // Qt lays windows out in device-independent pixels, so the logical dpi
    // is the one that makes twips come out the same size at any scaling.
    const QScreen *screen = QGuiApplication::primaryScreen();
    double dpi = 0;
    if (screen)
        dpi = direction == 0 ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0; // no screen: the usual desktop value
}

qint32 PixelsToTwips(qint32 pixels, int direction)
{
    return qint32(std::nearbyint(double(pixels) * 1440.0 / ScreenDpi(direction)));
}

qint32 TwipsToPixels(double twips, int direction)
{
    return qint32(std::nearbyint(twips * ScreenDpi(direction) / 1440.0));
}

TwipRect CenteredRect(const TwipRect &child, const TwipRect &parent, const TwipRect &screen)
{
    // Single precision, as the windows always did it.
    TwipRect r = child;
    r.left = float((float(parent.width) - float(child.width)) / 2 + float(parent.left));
    r.top = float((float(parent.height) - float(child.height)) / 2 + float(parent.top));
    const double right = screen.left + screen.width;
    const double bottom = screen.top + screen.height;
    if (r.left + r.width > right)
        r.left = right - r.width;
    else if (r.left < screen.left)
        r.left = screen.left;
    if (r.top + r.height > bottom)
        r.top = bottom - r.height;
    else if (r.top < screen.top)
        r.top = screen.top;
    return r;
}

TwipRect FrameTwips(const QWidget &w)
{
    const QRect f = w.frameGeometry();
    return {double(PixelsToTwips(f.x(), 0)), double(PixelsToTwips(f.y(), 1)), double(PixelsToTwips(f.width(), 0)),
            double(PixelsToTwips(f.height(), 1))};
}

TwipRect ScreenTwips(const QWidget *w)
{
    const QScreen *screen = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    const QRect g = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    return {double(PixelsToTwips(g.x(), 0)), double(PixelsToTwips(g.y(), 1)), double(PixelsToTwips(g.width(), 0)),
            double(PixelsToTwips(g.height(), 1))};
}

void CenterForm(QWidget &child, QWidget &parent)
{
    const TwipRect r = CenteredRect(FrameTwips(child), FrameTwips(parent), ScreenTwips(&parent));
    child.move(TwipsToPixels(r.left, 0), TwipsToPixels(r.top, 1));
}
