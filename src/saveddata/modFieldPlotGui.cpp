// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modFieldPlotGui.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QChart>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <memory>

namespace {

QLogValueAxis *NewDecadeAxis(const QString &title, double low, double high)
{
    auto *axis = new QLogValueAxis;
    axis->setBase(10);
    axis->setLabelFormat(QStringLiteral("%g"));
    axis->setTitleText(title);
    axis->setMinorTickCount(8); // 2 to 9 times each decade
    // A hair wider than the decades: the axis finds its first label by a
    // rounded logarithm and would leave out the lowest decade's.
    axis->setRange(low * (1 - 1e-9), high * (1 + 1e-9));
    return axis;
}

} // namespace

QChart *NewFieldPlotChart(const FieldPlot &plot)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(plot.title);
    QFont font = chart->titleFont();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    chart->setTitleFont(font);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries); // dashed lines show as such

    QLogValueAxis *x = NewDecadeAxis(QStringLiteral("Distance (km)"), plot.minKm, plot.maxKm);
    QLogValueAxis *y = NewDecadeAxis(QStringLiteral("Field Strength (mV/m)"), plot.minMvm, plot.maxMvm);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    QList<QLineSeries *> measured;
    for (const FieldPlotSeries &s : plot.series) {
        auto *line = new QLineSeries;
        line->setName(s.name);
        line->append(s.points);
        line->setPointsVisible(true);
        chart->addSeries(line);
        // Drawn as one path, not segment by segment (a solid pen's fast
        // way), so that the SVG holds each series as one line.
        QPen pen = line->pen();
        pen.setDashPattern({1, 0});
        line->setPen(pen);
        line->attachAxis(x);
        line->attachAxis(y);
        measured << line;
    }
    // After all the measured series, so each keeps the theme's colour; the
    // reference takes its series' colour, dashed.
    for (qsizetype i = 0; i < plot.series.size(); ++i) {
        auto *ref = new QLineSeries;
        ref->setName(QStringLiteral("E \u00B7 d constant"));
        ref->append(plot.series.at(i).reference);
        QPen pen(measured.at(i)->color());
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        chart->addSeries(ref);
        ref->setPen(pen);
        ref->attachAxis(x);
        ref->attachAxis(y);
        // One legend entry says what the dashed lines are.
        if (i > 0)
            for (QLegendMarker *m : chart->legend()->markers(ref))
                m->setVisible(false);
    }
    return chart;
}

QByteArray RenderFieldPlot(const FieldPlot &plot, QSize size, PlotFormat format)
{
    if (size.isEmpty() || format == PlotFormat::Unknown)
        return QByteArray();
    QGraphicsScene scene;
    QChart *chart = NewFieldPlotChart(plot);
    scene.addItem(chart); // the scene owns it
    const QRectF area(QPointF(0, 0), QSizeF(size));
    chart->setGeometry(area);
    scene.setSceneRect(area);
    if (chart->layout())
        chart->layout()->activate();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == PlotFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(plot.title);
        QPainter painter;
        if (!painter.begin(&svg))
            return QByteArray();
        painter.fillRect(area, Qt::white);
        scene.render(&painter, area, area);
        painter.end();
        return bytes;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QByteArray(); // too large to hold
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, area, area);
    }
    if (!image.save(&buffer, "PNG"))
        return QByteArray();
    return bytes;
}
