// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own artwork: the main window's logo, drawn in code, and the
// window icon (the icon of the desktop packages).
#include <QIcon>
#include <QRectF>

class QPainter;

// The logo is designed at kLogoWidth x kLogoHeight pixels.
constexpr int kLogoWidth = 550;
constexpr int kLogoHeight = 275;
// Draws the logo to fill `target`: its background everywhere, the picture
// scaled to fit and centred.
void PaintLogo(QPainter &p, const QRectF &target);

QIcon DataclaveIcon();
