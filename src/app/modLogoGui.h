#pragma once
// The program's own artwork, drawn in code: the main window's logo and the
// window icon.
#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

// The logo, kLogoWidth x kLogoHeight device-independent pixels, drawn at
// `devicePixelRatio` for a sharp picture on scaled screens.
constexpr int kLogoWidth = 550;
constexpr int kLogoHeight = 275;
QPixmap DataclaveLogo(qreal devicePixelRatio = 1.0);
// Draws the logo to fill `target`: its background everywhere, the picture
// scaled to fit and centred.
void PaintLogo(QPainter &p, const QRectF &target);

QIcon DataclaveIcon();
