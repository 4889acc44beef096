// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The field strength chart, drawn by the program itself on QtGui alone: laid
// out once for a size as a list of steps, which a QPainter paints (window,
// PNG, PDF) or the SVG writer writes, so every format shows one picture.
#include "saveddata/modFieldPlot.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

struct ChartStep
{
    enum Kind {
        Fill,     // `rect` in `color`
        Frame,    // `rect`'s outline
        Lines,    // `points` in pairs, each pair a segment
        Polyline, // `points` joined
        Dots,     // a dot of radius `width` at each of `points`
        Text,     // `text` with its baseline at points[0]
        Markers,  // a `shape` of radius `width` at each of `points`, `hollow` or filled
    } kind = Polyline;
    QRectF rect;
    QPolygonF points;
    QColor color;
    double width = 1; // pen width; a dot's radius
    bool dashed = false;
    bool dotted = false;
    QString text;
    int fontPx = 12;
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft; // of the text about its point
    bool vertical = false;               // reads upwards
    int shape = 0;                       // MarkerShape
    bool hollow = false;
};

// Series are told apart by colour and marker: twelve colours, six shapes,
// so the first 72 series each have their own pair.
enum MarkerShape { Circle, Square, Triangle, Diamond, TriangleDown, Cross, kMarkerShapes };
constexpr int kSeriesColours = 12;
QColor SeriesColor(qsizetype series);
int SeriesShape(qsizetype series);
// The outline of a marker of radius `r` about the origin; empty for a circle.
QPolygonF MarkerOutline(int shape, double r);

// What a text step covers, in the picture's pixels.
QRectF ChartTextRect(const ChartStep &text, const QString &fontFamily);

struct ChartDrawing
{
    QSize size;
    QString title; // whole, for the files' own title
    QString fontFamily;
    QList<ChartStep> steps;
    // Where things went, for the window and its tests.
    QRectF plotArea;
    QStringList xLabels, yLabels, legend;
    QList<QPolygonF> markers; // each series' points, in pixels
    double markerRadius = 0;
};

// Lays the plot out for `size` pixels: title (wrapped, then elided), log
// decade axes with grid, each series marked and drawn as its fitted curve
// (joined point to point when not fitted), its 1/d reference dashed in its
// colour, and a legend. Needs a QGuiApplication (fonts).
ChartDrawing DrawFieldPlot(const FieldPlot &plot, QSize size);

void PaintChart(QPainter *painter, const ChartDrawing &drawing);

// The drawing as an SVG document, with the same pixel sizes as the PNG.
QByteArray ChartSvg(const ChartDrawing &drawing);

// The picture of the plot at `size` pixels, as the file's bytes; empty on
// failure. Needs a QGuiApplication.
QByteArray RenderFieldPlot(const FieldPlot &plot, QSize size, PlotFormat format);
