// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window helpers shared by every window: twips (1440 an inch) and pixels,
// and centring a window over another.
#include <QtGlobal>

class QWidget;

// Pixels to twips with the screen's dots per inch; direction 0 horizontal,
// any other value vertical. Rounded to the nearest whole number, halves to even.
qint32 PixelsToTwips(qint32 pixels, int direction = 0);
// The inverse, for laying out controls whose geometry is given in twips.
qint32 TwipsToPixels(double twips, int direction = 0);

// A window rectangle in twips.
struct TwipRect
{
    double left = 0, top = 0, width = 0, height = 0;
};

// Where `child` goes when centred over `parent`, pushed back inside `screen`
// at its right/bottom edge, otherwise at its left/top edge.
TwipRect CenteredRect(const TwipRect &child, const TwipRect &parent, const TwipRect &screen);

// Centres `child` over `parent` (outer frames), kept on the parent's screen.
void CenterForm(QWidget &child, QWidget &parent);

// A widget's outer frame and its screen in twips.
TwipRect FrameTwips(const QWidget &w);
TwipRect ScreenTwips(const QWidget *w);
