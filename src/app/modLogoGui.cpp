// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modLogoGui.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

// A lattice mast with its feet at `base`, `height` tall.
static void DrawMast(QPainter &p, QPointF base, qreal height, qreal halfWidth, const QColor &color, qreal pen)
{
    const QPointF top(base.x(), base.y() - height);
    const QPointF l(base.x() - halfWidth, base.y()), r(base.x() + halfWidth, base.y());
    p.setPen(QPen(color, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(l, top);
    p.drawLine(r, top);
    // Cross bracing, narrowing towards the top.
    const int levels = 5;
    for (int i = 0; i < levels; ++i) {
        const qreal f0 = qreal(i) / levels, f1 = qreal(i + 1) / levels;
        const QPointF a(l.x() + (top.x() - l.x()) * f0, base.y() - height * f0);
        const QPointF b(r.x() + (top.x() - r.x()) * f0, base.y() - height * f0);
        const QPointF c(l.x() + (top.x() - l.x()) * f1, base.y() - height * f1);
        const QPointF d(r.x() + (top.x() - r.x()) * f1, base.y() - height * f1);
        p.drawLine(a, d);
        p.drawLine(b, c);
        p.drawLine(c, d);
    }
    p.setBrush(color);
    p.drawEllipse(top, pen * 1.6, pen * 1.6);
}

// Concentric wave arcs around `centre`, opening to both sides.
static void DrawWaves(QPainter &p, QPointF centre, qreal first, qreal step, int count, const QColor &color, qreal pen)
{
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        QColor c = color;
        c.setAlphaF(1.0 - 0.22 * i);
        p.setPen(QPen(c, pen, Qt::SolidLine, Qt::RoundCap));
        const qreal r = first + step * i;
        const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        p.drawArc(box, -40 * 16, 80 * 16);
        p.drawArc(box, 140 * 16, 80 * 16);
    }
}

void PaintLogo(QPainter &p, const QRectF &target)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(target.topLeft(), target.bottomLeft());
    sky.setColorAt(0.0, QColor(0x12, 0x3a, 0x66));
    sky.setColorAt(1.0, QColor(0x08, 0x1c, 0x36));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRect(target);

    // The picture keeps its proportions, centred in whatever box it gets.
    const qreal scale = qMin(target.width() / kLogoWidth, target.height() / kLogoHeight);
    p.translate(target.center());
    p.scale(scale, scale);
    p.translate(-kLogoWidth / 2.0, -kLogoHeight / 2.0);
    p.setClipRect(QRectF(-target.width() / scale, 0, kLogoWidth + 2 * target.width() / scale, kLogoHeight));
    // A faint glow behind the mast.
    const QPointF tip(112, 86);
    QRadialGradient glow(tip, 150);
    glow.setColorAt(0.0, QColor(0x3d, 0x8b, 0xd6, 110));
    glow.setColorAt(1.0, QColor(0x3d, 0x8b, 0xd6, 0));
    p.setBrush(glow);
    p.drawRect(QRectF(-kLogoWidth, 0, 3 * kLogoWidth, kLogoHeight));

    // Ground line with a field-strength trace rising towards the mast.
    p.setPen(QPen(QColor(0x2d, 0x5f, 0x92), 2));
    p.drawLine(QPointF(24, 232), QPointF(kLogoWidth - 24, 232));
    QPainterPath trace;
    for (int x = 24; x <= kLogoWidth - 24; x += 4) {
        const qreal d = qAbs(x - tip.x()) + 30;
        const QPointF point(x, 230 - 60.0 * 40.0 / d - 3.0 * qSin(x * 0.21));
        if (x == 24)
            trace.moveTo(point);
        else
            trace.lineTo(point);
    }
    p.setPen(QPen(QColor(0x5f, 0xd3, 0x8f), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);

    DrawWaves(p, tip, 26, 22, 4, QColor(0xff, 0xc1, 0x4d), 4);
    DrawMast(p, QPointF(tip.x(), 232), 232 - tip.y(), 24, QColor(0xe8, 0xee, 0xf5), 3);

    // The name.
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setStyleHint(QFont::SansSerif);
    big.setPixelSize(64);
    big.setBold(true);
    p.setFont(big);
    p.setPen(Qt::white);
    p.drawText(QRectF(215, 48, 320, 80), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZT 6200"));

    QFont name = big;
    name.setPixelSize(46);
    name.setBold(false);
    p.setFont(name);
    p.setPen(QColor(0x8f, 0xd0, 0xff));
    p.drawText(QRectF(217, 118, 320, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dataclave"));

    QFont small = big;
    small.setPixelSize(17);
    small.setBold(false);
    small.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(small);
    p.setPen(QColor(0xc9, 0xd6, 0xe4));
    p.drawText(QRectF(219, 176, 320, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Field strength data capture"));
    p.restore();
}

static void InitIconResource() { Q_INIT_RESOURCE(dataclave); }

QIcon DataclaveIcon()
{
    // The resource lives in a static library: register it explicitly.
    InitIconResource();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/dataclave-%1.png").arg(size), QSize(size, size));
    return icon;
}
