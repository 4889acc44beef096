// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modFieldPlotDraw.h"

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

namespace {

// Twelve colours told apart on screen and on paper (no two closer than
// 27 in CIELAB), none pale on white.
const QColor kPalette[kSeriesColours] = {
    QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
    QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b), QColor(0xe3, 0x77, 0xc2), QColor(0x50, 0x50, 0x50),
    QColor(0xa6, 0xa6, 0x00), QColor(0x17, 0xbe, 0xcf), QColor(0x20, 0x2a, 0x80), QColor(0x00, 0x69, 0x5c)};
const QColor kInk(0x20, 0x20, 0x20), kMajorGrid(0xc4, 0xc4, 0xc4), kMinorGrid(0xe8, 0xe8, 0xe8), kMore(0x70, 0x70, 0x70);

// A radial left out: its colour, mostly white.
QColor Faded(const QColor &c)
{
    return QColor::fromRgbF(float(c.redF() * 0.3 + 0.7), float(c.greenF() * 0.3 + 0.7), float(c.blueF() * 0.3 + 0.7));
}

ChartStep MarkerStep(const QPolygonF &points, const QColor &color, double radius, int shape, bool hollow)
{
    ChartStep s;
    s.kind = ChartStep::Markers;
    s.points = points;
    s.color = color;
    s.width = radius;
    s.shape = shape;
    s.hollow = hollow;
    return s;
}
constexpr double kDash = 6, kDashGap = 4; // pixels, in every format
constexpr double kDot = 2, kDotGap = 3;

QFont Font(const QString &family, int px, bool bold)
{
    QFont font(family);
    font.setPixelSize(px);
    font.setBold(bold);
    return font;
}

ChartStep TextStep(const QString &text, QPointF at, int px, Qt::Alignment align, const QColor &color = kInk)
{
    ChartStep s;
    s.kind = ChartStep::Text;
    s.text = text;
    s.points = {at};
    s.fontPx = px;
    s.align = align;
    s.color = color;
    return s;
}

ChartStep Step(ChartStep::Kind kind, const QPolygonF &points, const QColor &color, double width, bool dashed = false)
{
    ChartStep s;
    s.kind = kind;
    s.points = points;
    s.color = color;
    s.width = width;
    s.dashed = dashed;
    return s;
}

// Where `v` falls between `low` and `high` on a log scale running from `a` to `b`.
double Place(double v, double low, double high, double a, double b)
{
    return a + (std::log10(v) - std::log10(low)) / (std::log10(high) - std::log10(low)) * (b - a);
}

// The middle of a pixel: one-pixel lines stay sharp.
double Crisp(double v) { return std::floor(v) + 0.5; }

// Words in at most `lines` lines no wider than `width`; what does not fit
// is elided on the last.
QStringList Wrap(const QString &text, const QFontMetricsF &fm, double width, int lines)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList out;
    QString line;
    qsizetype i = 0;
    while (i < words.size() && out.size() < lines - 1) {
        const QString candidate = line.isEmpty() ? words.at(i) : line + QLatin1Char(' ') + words.at(i);
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            out << fm.elidedText(line, Qt::ElideRight, width);
            line.clear();
            continue;
        }
        line = candidate;
        ++i;
    }
    QString rest = (QStringList(line) + words.mid(i)).join(QLatin1Char(' ')).trimmed();
    // No line holds more than this: the elision need not measure the rest.
    if (rest.size() > 4000)
        rest = rest.left(4000) + QChar(0x2026);
    if (!rest.isEmpty())
        out << fm.elidedText(rest, Qt::ElideRight, width);
    return out;
}

QPen StepPen(const ChartStep &s)
{
    QPen pen(s.color, s.width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    if (s.dashed)
        pen.setDashPattern({kDash / s.width, kDashGap / s.width}); // in pen widths
    else if (s.dotted)
        pen.setDashPattern({kDot / s.width, kDotGap / s.width});
    return pen;
}

// How far the text starts before its point, along its line.
double AlignOffset(const ChartStep &s, double advance)
{
    if (s.align & Qt::AlignHCenter)
        return -advance / 2;
    if (s.align & Qt::AlignRight)
        return -advance;
    return 0;
}

QString Num(double v)
{
    QString s = QString::number(v, 'f', 2);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

} // namespace

QColor SeriesColor(qsizetype series) { return kPalette[series % kSeriesColours]; }

// After each twelve series the shapes move on by one, so colour and shape
// repeat together only after 72.
int SeriesShape(qsizetype series) { return int((series + series / kSeriesColours) % kMarkerShapes); }

QPolygonF MarkerOutline(int shape, double r)
{
    switch (shape) {
    case Square:
        return QRectF(-0.85 * r, -0.85 * r, 1.7 * r, 1.7 * r);
    case Triangle:
        return QPolygonF({QPointF(0, -1.25 * r), QPointF(1.1 * r, 0.7 * r), QPointF(-1.1 * r, 0.7 * r)});
    case TriangleDown:
        return QPolygonF({QPointF(0, 1.25 * r), QPointF(-1.1 * r, -0.7 * r), QPointF(1.1 * r, -0.7 * r)});
    case Diamond:
        return QPolygonF({QPointF(0, -1.25 * r), QPointF(1.25 * r, 0), QPointF(0, 1.25 * r), QPointF(-1.25 * r, 0)});
    case Cross: {
        const double a = 0.4 * r, b = 1.15 * r;
        return QPolygonF({QPointF(-a, -b), QPointF(a, -b), QPointF(a, -a), QPointF(b, -a), QPointF(b, a), QPointF(a, a),
                          QPointF(a, b), QPointF(-a, b), QPointF(-a, a), QPointF(-b, a), QPointF(-b, -a), QPointF(-a, -a)});
    }
    default:
        return QPolygonF();
    }
}

QRectF ChartTextRect(const ChartStep &s, const QString &fontFamily)
{
    const QFontMetricsF fm(Font(fontFamily, s.fontPx, s.bold));
    const double w = fm.horizontalAdvance(s.text), a = AlignOffset(s, w);
    const QPointF p = s.points.value(0);
    if (s.vertical)
        return QRectF(p.x() - fm.ascent(), p.y() - a - w, fm.ascent() + fm.descent(), w);
    return QRectF(p.x() + a, p.y() - fm.ascent(), w, fm.ascent() + fm.descent());
}

namespace {

// Lays out and draws one field plot, step by step: the title, the room the
// legend needs, the grid, the axes, the series, the legend.
class FieldPlotLayout
{
public:
    FieldPlotLayout(const FieldPlot &plot, QSize size, const QString &fontFamily)
        : plot(plot), W(size.width()), H(size.height()),
          // Readable at the smallest size, not shouting at the largest.
          px(qBound(11, qRound(qMin(W / 70, H / 46)), 16)), titlePx(qRound(px * 1.25)),
          fm(Font(fontFamily, px, false)), tm(Font(fontFamily, titlePx, true)),
          margin(px), gap(px * 0.6), tick(px * 0.4), lineH(fm.height()),
          textMiddle((fm.ascent() - fm.descent()) / 2) // baseline below a centre line
    {
        d.size = size;
        d.title = plot.title;
        d.fontFamily = fontFamily;
    }

    ChartDrawing Draw()
    {
        ChartStep background;
        background.kind = ChartStep::Fill;
        background.rect = QRectF(0, 0, W, H);
        background.color = Qt::white;
        d.steps << background;

        const double titleBottom = AddTitle();
        MeasureLabels();
        top = titleBottom + gap + lineH / 2; // the top label reaches half a line above
        bottom = qMax(top + 1, H - margin - lineH - gap / 2 - lineH - tick);
        left = margin + lineH + gap + yLabelWidth + tick + 2;
        PlanLegend();
        const double legendWidth = legend ? swatch + gap + textWidth : 0;
        right = qMax(left + 1, W - margin - (legend ? legendWidth + 2 * gap : 0) - xLabelWidth / 2);
        d.plotArea = QRectF(QPointF(left, top), QPointF(right, bottom));

        QList<double> xAt, yAt;
        AddGrid(&xAt, &yAt);
        AddAxes(xAt, yAt);
        AddSeries();
        if (legend)
            AddLegend();
        return d;
    }

private:
    // The title, in up to two lines; returns where it ends.
    double AddTitle()
    {
        double y = margin;
        for (const QString &line : Wrap(plot.title, tm, W - 2 * margin, 2)) {
            ChartStep t = TextStep(line, QPointF(W / 2, y + tm.ascent()), titlePx, Qt::AlignHCenter);
            t.bold = true;
            d.steps << t;
            y += tm.height();
        }
        return y;
    }

    void MeasureLabels()
    {
        d.xLabels = DecadeLabels(plot.minKm, plot.maxKm);
        d.yLabels = DecadeLabels(plot.minMvm, plot.maxMvm);
        for (const QString &l : std::as_const(d.xLabels))
            xLabelWidth = qMax(xLabelWidth, fm.horizontalAdvance(l));
        for (const QString &l : std::as_const(d.yLabels))
            yLabelWidth = qMax(yLabelWidth, fm.horizontalAdvance(l));
    }

    // Legend: as many series as there are rows, then how many more, then
    // what the dashed lines are.
    void PlanLegend()
    {
        rowH = lineH * 1.25;
        swatch = px * 2.4;
        const int rows = int((bottom - top) / rowH);
        // With a fit the dashed lines are the unattenuated fields E1/d.
        const bool fitted = std::any_of(plot.series.begin(), plot.series.end(), [](const FieldPlotSeries &s) { return !s.curve.isEmpty(); });
        referenceName = fitted ? QStringLiteral("Unattenuated, E\u2081/d") : QStringLiteral("E \u00B7 d constant");
        twoSegments =
            std::any_of(plot.series.begin(), plot.series.end(), [](const FieldPlotSeries &s) { return !s.twoSegment.isEmpty(); });
        const int trailing = twoSegments ? 2 : 1; // rows after the series
        shown = plot.series.size();
        if (shown + trailing > rows) {
            shown = qMax(0, rows - 1 - trailing);
            more = QStringLiteral("and %1 more").arg(plot.series.size() - shown);
        }
        for (qsizetype i = 0; i < shown; ++i)
            entries << plot.series.at(i).name;
        for (const QString &e : std::as_const(entries))
            textWidth = qMax(textWidth, fm.horizontalAdvance(e));
        textWidth = std::max({textWidth, fm.horizontalAdvance(more), fm.horizontalAdvance(referenceName),
                              twoSegments ? fm.horizontalAdvance(twoSegmentName) : 0.0});
        textWidth = qMin(textWidth, W * 0.3 - swatch - gap);
        legend = rows >= 2 && textWidth >= 3 * px;
    }

    // Grid: every decade, and 2 to 9 within it where there is room.
    void AddGrid(QList<double> *xAt, QList<double> *yAt)
    {
        const auto grid = [&](double low, double high, bool horizontal, QPolygonF *major, QPolygonF *minor, QList<double> *decades) {
            const int count = qRound(std::log10(high / low));
            const double a = horizontal ? left : bottom, b = horizontal ? right : top;
            const bool fine = std::abs(b - a) / count >= 50;
            for (int i = 0; i <= count; ++i) {
                const double decade = low * std::pow(10.0, i);
                *decades << Place(decade, low, high, a, b);
                for (int k = 1; k <= (i < count && fine ? 9 : 1); ++k) {
                    const double c = Crisp(Place(decade * k, low, high, a, b));
                    QPolygonF &to = k == 1 ? *major : *minor;
                    if (horizontal)
                        to << QPointF(c, top) << QPointF(c, bottom);
                    else
                        to << QPointF(left, c) << QPointF(right, c);
                }
            }
        };
        QPolygonF major, minor;
        grid(plot.minKm, plot.maxKm, true, &major, &minor, xAt);
        grid(plot.minMvm, plot.maxMvm, false, &major, &minor, yAt);
        d.steps << Step(ChartStep::Lines, minor, kMinorGrid, 1) << Step(ChartStep::Lines, major, kMajorGrid, 1);
        ChartStep frame = Step(ChartStep::Frame, {}, kInk, 1);
        frame.rect = QRectF(QPointF(Crisp(left), Crisp(top)), QPointF(Crisp(right), Crisp(bottom)));
        d.steps << frame;
    }

    // Ticks and labels; where decades crowd, every second (third...) label.
    void AddAxes(const QList<double> &xAt, const QList<double> &yAt)
    {
        QPolygonF ticks;
        const int xEvery = qMax(1, int(std::ceil((xLabelWidth + px) / qMax(1.0, (right - left) / qMax(1, int(xAt.size()) - 1)))));
        const int yEvery = qMax(1, int(std::ceil(lineH * 1.1 / qMax(1.0, (bottom - top) / qMax(1, int(yAt.size()) - 1)))));
        for (int i = 0; i < xAt.size(); ++i) {
            ticks << QPointF(Crisp(xAt.at(i)), bottom) << QPointF(Crisp(xAt.at(i)), bottom + tick);
            if (i % xEvery == 0)
                d.steps << TextStep(d.xLabels.at(i), QPointF(xAt.at(i), bottom + tick + 2 + fm.ascent()), px, Qt::AlignHCenter);
        }
        for (int i = 0; i < yAt.size(); ++i) {
            ticks << QPointF(left - tick, Crisp(yAt.at(i))) << QPointF(left, Crisp(yAt.at(i)));
            if (i % yEvery == 0)
                d.steps << TextStep(d.yLabels.at(i), QPointF(left - tick - 3, yAt.at(i) + textMiddle), px, Qt::AlignRight);
        }
        d.steps << Step(ChartStep::Lines, ticks, kInk, 1);
        d.steps << TextStep(fm.elidedText(QStringLiteral("Distance (km)"), Qt::ElideRight, right - left),
                            QPointF((left + right) / 2, H - margin - fm.descent()), px, Qt::AlignHCenter);
        ChartStep yTitle = TextStep(fm.elidedText(QStringLiteral("Field Strength (mV/m)"), Qt::ElideRight, bottom - top),
                                    QPointF(margin + fm.ascent(), (top + bottom) / 2), px, Qt::AlignHCenter);
        yTitle.vertical = true;
        d.steps << yTitle;
    }

    QPolygonF ToPixels(const QList<QPointF> &points) const
    {
        QPolygonF out;
        out.reserve(points.size());
        for (const QPointF &p : points)
            out << QPointF(Place(p.x(), plot.minKm, plot.maxKm, left, right), Place(p.y(), plot.minMvm, plot.maxMvm, bottom, top));
        return out;
    }

    QColor Colour(qsizetype i) const { return plot.series.at(i).faded ? Faded(SeriesColor(i)) : SeriesColor(i); }

    // References under the measured lines; each series in its colour.
    void AddSeries()
    {
        d.markerRadius = dot;
        // The chosen series last, on top of the others.
        QList<qsizetype> order;
        for (qsizetype i = 0; i < plot.series.size(); ++i)
            if (!plot.series.at(i).highlighted)
                order << i;
        for (qsizetype i = 0; i < plot.series.size(); ++i)
            if (plot.series.at(i).highlighted)
                order << i;
        for (qsizetype i : std::as_const(order))
            d.steps << Step(ChartStep::Polyline, ToPixels(plot.series.at(i).reference), Colour(i), plot.series.at(i).highlighted ? 2.5 : 1.5,
                            true);
        for (const FieldPlotSeries &s : plot.series)
            d.markers << ToPixels(s.points);
        for (qsizetype i : std::as_const(order)) {
            const FieldPlotSeries &s = plot.series.at(i);
            const double wide = s.highlighted ? 2 : 1;
            const QPolygonF &points = d.markers.at(i);
            if (!s.curve.isEmpty())
                d.steps << Step(ChartStep::Polyline, ToPixels(s.curve), Colour(i), lineWidth * wide);
            else if (points.size() > 1)
                d.steps << Step(ChartStep::Polyline, points, Colour(i), lineWidth * wide);
            if (!s.twoSegment.isEmpty()) {
                ChartStep two = Step(ChartStep::Polyline, ToPixels(s.twoSegment), Colour(i), lineWidth * wide);
                two.dotted = true;
                d.steps << two;
            }
            QPolygonF filled, hollow;
            for (qsizetype k = 0; k < points.size(); ++k)
                (s.leftOut.value(k) ? hollow : filled) << points.at(k);
            if (!filled.isEmpty())
                d.steps << MarkerStep(filled, Colour(i), dot * (s.highlighted ? 1.4 : 1), SeriesShape(i), false);
            if (!hollow.isEmpty())
                d.steps << MarkerStep(hollow, Colour(i), dot * (s.highlighted ? 1.4 : 1), SeriesShape(i), true);
        }
    }

    void AddLegend()
    {
        const double x = right + xLabelWidth / 2 + 2 * gap, textX = x + swatch + gap;
        auto row = [&](int r) { return top + rowH * (r + 0.5); };
        auto text = [&](int r, const QString &t, const QColor &c = kInk) {
            d.legend << fm.elidedText(t, Qt::ElideRight, textWidth);
            d.steps << TextStep(d.legend.last(), QPointF(textX, row(r) + textMiddle), px, Qt::AlignLeft, c);
        };
        int r = 0;
        for (; r < shown; ++r) {
            const QPolygonF line{QPointF(x, row(r)), QPointF(x + swatch, row(r))};
            d.steps << Step(ChartStep::Polyline, line, Colour(r), lineWidth)
                    << MarkerStep({QPointF(x + swatch / 2, row(r))}, Colour(r), dot, SeriesShape(r), false);
            text(r, entries.at(r));
        }
        if (!more.isEmpty())
            text(r++, more, kMore);
        if (twoSegments) {
            ChartStep two = Step(ChartStep::Polyline, {QPointF(x, row(r)), QPointF(x + swatch, row(r))}, kInk, lineWidth);
            two.dotted = true;
            d.steps << two;
            text(r++, twoSegmentName);
        }
        d.steps << Step(ChartStep::Polyline, {QPointF(x, row(r)), QPointF(x + swatch, row(r))}, kInk, 1.5, true);
        text(r, referenceName);
    }

    const FieldPlot &plot;
    ChartDrawing d;
    const double W, H;
    const int px, titlePx;
    const QFontMetricsF fm, tm;
    const double margin, gap, tick, lineH, textMiddle;
    double xLabelWidth = 0, yLabelWidth = 0;
    double top = 0, bottom = 0, left = 0, right = 0;
    // The legend's plan.
    double rowH = 0, swatch = 0, textWidth = 0;
    bool legend = false, twoSegments = false;
    QString referenceName, more;
    const QString twoSegmentName = QStringLiteral("Two segments");
    qsizetype shown = 0;
    QStringList entries;
    const double lineWidth = qMax(1.5, px / 8.0), dot = qMax(2.5, px / 4.0);
};

} // namespace

ChartDrawing DrawFieldPlot(const FieldPlot &plot, QSize size)
{
    return FieldPlotLayout(plot, size, QFontInfo(QGuiApplication::font()).family()).Draw();
}

void PaintChart(QPainter *painter, const ChartDrawing &d)
{
    for (const ChartStep &s : d.steps) {
        switch (s.kind) {
        case ChartStep::Fill:
            painter->fillRect(s.rect, s.color);
            break;
        case ChartStep::Frame:
            painter->setPen(StepPen(s));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(s.rect);
            break;
        case ChartStep::Lines:
            painter->setPen(StepPen(s));
            painter->drawLines(s.points.constData(), int(s.points.size() / 2));
            break;
        case ChartStep::Polyline:
            painter->setPen(StepPen(s));
            painter->drawPolyline(s.points);
            break;
        case ChartStep::Dots:
            // Points of a round pen: far quicker than ellipses, the same dots.
            painter->setPen(QPen(s.color, 2 * s.width, Qt::SolidLine, Qt::RoundCap));
            painter->drawPoints(s.points);
            break;
        case ChartStep::Markers: {
            const QPolygonF outline = MarkerOutline(s.shape, s.width);
            if (outline.isEmpty() && !s.hollow) {
                // Points of a round pen: far quicker than ellipses, the same dots.
                painter->setPen(QPen(s.color, 2 * s.width, Qt::SolidLine, Qt::RoundCap));
                painter->drawPoints(s.points);
                break;
            }
            QPainterPath path;
            path.setFillRule(Qt::WindingFill);
            for (const QPointF &p : s.points) {
                if (outline.isEmpty())
                    path.addEllipse(p, s.width, s.width);
                else
                    path.addPolygon(outline.translated(p));
                path.closeSubpath();
            }
            painter->setPen(s.hollow ? QPen(s.color, 1.5) : Qt::NoPen);
            painter->setBrush(s.hollow ? QBrush(Qt::white) : QBrush(s.color));
            painter->drawPath(path);
            painter->setBrush(Qt::NoBrush);
            break;
        }
        case ChartStep::Text: {
            const QFont font = Font(d.fontFamily, s.fontPx, s.bold);
            const double a = AlignOffset(s, QFontMetricsF(font).horizontalAdvance(s.text));
            painter->setFont(font);
            painter->setPen(s.color);
            painter->save();
            painter->translate(s.points.value(0));
            if (s.vertical)
                painter->rotate(-90);
            painter->drawText(QPointF(a, 0), s.text);
            painter->restore();
            break;
        }
        }
    }
}

namespace {

QString SvgStroke(const ChartStep &s)
{
    QString a = QStringLiteral(" fill=\"none\" stroke=\"%1\" stroke-width=\"%2\"").arg(s.color.name(), Num(s.width));
    if (s.dashed)
        a += QStringLiteral(" stroke-dasharray=\"%1,%2\"").arg(Num(kDash), Num(kDashGap));
    else if (s.dotted)
        a += QStringLiteral(" stroke-dasharray=\"%1,%2\"").arg(Num(kDot), Num(kDotGap));
    return a;
}

QString SvgMarkers(const ChartStep &s)
{
    QString out;
    const QPolygonF outline = MarkerOutline(s.shape, s.width);
    out += s.hollow ? QStringLiteral("<g fill=\"#ffffff\" stroke=\"%1\" stroke-width=\"1.5\">").arg(s.color.name())
                    : QStringLiteral("<g fill=\"%1\">").arg(s.color.name());
    for (const QPointF &p : s.points) {
        if (outline.isEmpty()) {
            out += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\"/>").arg(Num(p.x()), Num(p.y()), Num(s.width));
            continue;
        }
        QStringList corners;
        for (const QPointF &c : outline.translated(p))
            corners << Num(c.x()) + QLatin1Char(',') + Num(c.y());
        out += QStringLiteral("<polygon points=\"%1\"/>").arg(corners.join(QLatin1Char(' ')));
    }
    out += QStringLiteral("</g>\n");
    return out;
}

QString SvgText(const ChartStep &s)
{
    const QPointF p = s.points.value(0);
    QString out = QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" fill=\"%4\"")
                      .arg(Num(p.x()), Num(p.y()), QString::number(s.fontPx), s.color.name());
    if (s.bold)
        out += QStringLiteral(" font-weight=\"bold\"");
    if (s.align & Qt::AlignHCenter)
        out += QStringLiteral(" text-anchor=\"middle\"");
    else if (s.align & Qt::AlignRight)
        out += QStringLiteral(" text-anchor=\"end\"");
    if (s.vertical)
        out += QStringLiteral(" transform=\"rotate(-90 %1 %2)\"").arg(Num(p.x()), Num(p.y()));
    out += QStringLiteral(">%1</text>\n").arg(s.text.toHtmlEscaped());
    return out;
}

// One step as SVG elements.
QString SvgStep(const ChartStep &s)
{
    switch (s.kind) {
    case ChartStep::Fill:
    case ChartStep::Frame:
        return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
                   .arg(Num(s.rect.x()), Num(s.rect.y()), Num(s.rect.width()), Num(s.rect.height()))
               + (s.kind == ChartStep::Fill ? QStringLiteral(" fill=\"%1\"").arg(s.color.name()) : SvgStroke(s)) + QStringLiteral("/>\n");
    case ChartStep::Lines: {
        if (s.points.isEmpty())
            return QString();
        QString path;
        for (qsizetype i = 0; i + 1 < s.points.size(); i += 2)
            path += QStringLiteral("M%1 %2L%3 %4").arg(Num(s.points[i].x()), Num(s.points[i].y()), Num(s.points[i + 1].x()),
                                                       Num(s.points[i + 1].y()));
        return QStringLiteral("<path d=\"%1\"%2/>\n").arg(path, SvgStroke(s));
    }
    case ChartStep::Polyline: {
        QStringList points;
        for (const QPointF &p : s.points)
            points << Num(p.x()) + QLatin1Char(',') + Num(p.y());
        return QStringLiteral("<polyline points=\"%1\"%2 stroke-linejoin=\"round\"/>\n").arg(points.join(QLatin1Char(' ')), SvgStroke(s));
    }
    case ChartStep::Dots: {
        QString out = QStringLiteral("<g fill=\"%1\">").arg(s.color.name());
        for (const QPointF &p : s.points)
            out += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\"/>").arg(Num(p.x()), Num(p.y()), Num(s.width));
        return out + QStringLiteral("</g>\n");
    }
    case ChartStep::Markers:
        return SvgMarkers(s);
    case ChartStep::Text:
        return SvgText(s);
    }
    return QString();
}

} // namespace

QByteArray ChartSvg(const ChartDrawing &d)
{
    const QString w = QString::number(d.size.width()), h = QString::number(d.size.height());
    QString out;
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                          "width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" font-family=\"%3, sans-serif\">\n<title>%4</title>\n")
               .arg(w, h, d.fontFamily.toHtmlEscaped(), d.title.toHtmlEscaped());
    for (const ChartStep &s : d.steps)
        out += SvgStep(s);
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}

QByteArray RenderFieldPlot(const FieldPlot &plot, QSize size, PlotFormat format)
{
    if (size.isEmpty() || format == PlotFormat::Unknown)
        return QByteArray();
    const ChartDrawing drawing = DrawFieldPlot(plot, size);
    if (format == PlotFormat::Svg)
        return ChartSvg(drawing);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == PlotFormat::Pdf) {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("ZT6200 Dataclave"));
        pdf.setTitle(plot.title);
        // One page the picture's size at 96 pixels to the inch, as SVG reckons.
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf))
            return QByteArray();
        painter.scale(pdf.width() / double(size.width()), pdf.height() / double(size.height()));
        painter.setRenderHint(QPainter::Antialiasing);
        PaintChart(&painter, drawing);
        if (!painter.end())
            return QByteArray();
        return bytes;
    }
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return QByteArray(); // too large to hold
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintChart(&painter, drawing);
    }
    if (!image.save(&buffer, "PNG"))
        return QByteArray();
    return bytes;
}
