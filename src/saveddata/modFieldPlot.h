// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Field strength against distance: the series of a log-log plot, one per
// call sign, pattern and radial, built from saved records. Widget-free, so the
// command-line tool and the window draw the same thing.
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// The fields of one saved record the plot reads, as text.
struct FieldPlotRecord
{
    QString callSign;
    QString radial;
    QString frequency;     // kHz, measured
    QString distance;      // km
    QString fieldStrength; // mV/m
    QString pattern;       // "ND", "DA-N", ...
    QString pointNumber;
    QString azimuth;       // degrees from the transmitter
};

struct FieldPlotSeries
{
    QString callSign;
    QString pattern;
    QString radial;
    QString name;             // "KDCV DA-N radial 1" (see SurveySeriesName)
    QList<QPointF> points;    // (km, mV/m), in order of distance
    QList<QPointF> reference; // E·d constant: through the nearest point, or E1/d of the fit
    QList<int> records;       // each point's record: its place in the list plotted
    QList<QPointF> curve;     // the fitted ground-wave curve; empty when not fitted
    QList<QPointF> twoSegment; // the two-segment fit's curve, where one is offered
    QList<bool> leftOut;      // points left out of the fit, drawn hollow; empty: none
    bool faded = false;       // left out of the analysis
    bool highlighted = false; // chosen in the window's table
};

struct FieldPlot
{
    QString title;
    QList<FieldPlotSeries> series;
    // Whole decades that hold every point and reference line.
    double minKm = 1, maxKm = 10, minMvm = 1, maxMvm = 10;
    int skipped = 0;     // no numeric distance or field strength
    int notPositive = 0; // zero or less: no place on a logarithmic axis
};

struct SurveyCsv;

struct SurveyRecord;

// The records of a saved-data CSV file.
QList<FieldPlotRecord> FieldPlotRecords(const SurveyCsv &csv);
QList<FieldPlotRecord> FieldPlotRecords(const QVector<SurveyRecord> &records);

// A record from the meter's record line (every layout has the fields the
// plot reads at the same places); fields the line lacks read as empty.
FieldPlotRecord FieldPlotRecordFromLine(const QString &line);

// The call signs measured under more than one pattern: their series names
// say the pattern even where it is ND.
QSet<QString> FieldPlotMixedPatternCalls(const QList<FieldPlotRecord> &records);

FieldPlot BuildFieldPlot(const QList<FieldPlotRecord> &records);
// Sets the plot's decades anew to hold its points, curves and references;
// the references without a fit run from the nearest point to the right edge.
void FieldPlotRanges(FieldPlot *plot);

// The survey series a record line belongs to: the call sign, pattern and
// radial it was measured for.
struct FieldPlotSeriesKey
{
    QString callSign, pattern, radial;
    bool operator==(const FieldPlotSeriesKey &o) const
    {
        return callSign == o.callSign && pattern == o.pattern && radial == o.radial;
    }
};
FieldPlotSeriesKey FieldPlotSeriesOf(const QString &line);
// "KDCV, pattern ND, radial 2", leaving out what the records lack.
QString FieldPlotSeriesText(const FieldPlotSeriesKey &key);

// The lines for standard error about the records left out; empty when none.
QString FieldPlotSkippedText(const FieldPlot &plot);

// The smallest range of whole decades [*low, *high] (powers of ten, at least
// one decade apart) that holds the positive values `min` to `max`.
void DecadeRange(double min, double max, double *low, double *high);

// The labels of the decades from `low` to `high` (powers of ten), all in one
// form: plain decimals while each is short ("0.0001" to "100000"), else
// powers of ten ("10⁻⁵") for every one.
QStringList DecadeLabels(double low, double high);

enum class PlotFormat { Png = 0, Svg = 1, Pdf = 2, Unknown = 3 };
// The format a file name asks for, by its ending (case ignored).
PlotFormat PlotFormatOf(const QString &fileName);

