// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modFieldPlot.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"
#include "saveddata/modSurveyCsv.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <numeric>
#include <cmath>

namespace {

// Fields of a record line (0-based), the same in every layout.
enum Field { PointNumber = 2, CallSign = 4, MeasFrequency = 6, Radial = 7, Pattern = 8, MilliVolts = 24, Distance = 26, Azimuth = 27 };

bool PositiveOrNot(const QString &text, double *value, bool *numeric)
{
    *numeric = ToDouble(text, value);
    return *numeric && *value > 0;
}

// Radials by number where both are numbers ("2" before "10"), else by text.
bool RadialBefore(const QString &a, const QString &b)
{
    double x = 0, y = 0;
    if (ToDouble(a, &x) && ToDouble(b, &y) && x != y)
        return x < y;
    return a < b;
}

} // namespace

FieldPlotRecord FieldPlotRecordFromLine(const QString &line)
{
    QStringList fields;
    SplitFields(line, fields);
    auto field = [&](int i) { return fields.value(i).trimmed(); };
    return {field(CallSign),   field(Radial),  field(MeasFrequency), field(Distance),
            field(MilliVolts), field(Pattern), field(PointNumber),   field(Azimuth)};
}

FieldPlotSeriesKey FieldPlotSeriesOf(const QString &line)
{
    QStringList fields;
    SplitFields(line, fields);
    auto field = [&](int i) { return fields.value(i).trimmed(); };
    return {field(CallSign), field(Pattern), field(Radial)};
}

QString FieldPlotSeriesText(const FieldPlotSeriesKey &key)
{
    QStringList parts;
    if (!key.callSign.isEmpty())
        parts << key.callSign;
    if (!key.pattern.isEmpty())
        parts << QStringLiteral("pattern ") + key.pattern;
    if (!key.radial.isEmpty())
        parts << QStringLiteral("radial ") + key.radial;
    return parts.join(QStringLiteral(", "));
}

QList<FieldPlotRecord> FieldPlotRecords(const QVector<SurveyRecord> &from)
{
    QList<FieldPlotRecord> records;
    records.reserve(from.size());
    for (const SurveyRecord &r : from)
        records << FieldPlotRecord{r.callSign, r.radial,  r.measFrequency.text, r.distance.text,
                                   r.mvm.text, r.pattern, r.pointNumber,        r.azimuth.text};
    return records;
}

QList<FieldPlotRecord> FieldPlotRecords(const SurveyCsv &csv) { return FieldPlotRecords(csv.records); }

PlotFormat PlotFormatOf(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return PlotFormat::Png;
    if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return PlotFormat::Svg;
    if (fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return PlotFormat::Pdf;
    return PlotFormat::Unknown;
}

void DecadeRange(double min, double max, double *low, double *high)
{
    *low = std::pow(10.0, std::floor(std::log10(min)));
    *high = std::pow(10.0, std::ceil(std::log10(max)));
    if (*high <= *low)
        *high = *low * 10;
}

QStringList DecadeLabels(double low, double high)
{
    const int first = qRound(std::log10(low)), last = qRound(std::log10(high));
    const bool plain = first >= -4 && last <= 5;
    QStringList labels;
    for (int e = first; e <= last; ++e) {
        if (plain) {
            labels << (e >= 0 ? QStringLiteral("1") + QString(e, QLatin1Char('0'))
                              : QStringLiteral("0.") + QString(-e - 1, QLatin1Char('0')) + QLatin1Char('1'));
            continue;
        }
        static const QString digits = QStringLiteral("\u2070\u00B9\u00B2\u00B3\u2074\u2075\u2076\u2077\u2078\u2079");
        QString power;
        for (const QChar d : QString::number(std::abs(e)))
            power += digits.at(d.digitValue());
        labels << QStringLiteral("10") + (e < 0 ? QStringLiteral("\u207B") : QString()) + power;
    }
    return labels;
}

QSet<QString> FieldPlotMixedPatternCalls(const QList<FieldPlotRecord> &records)
{
    QVector<SurveyRecord> named; // call sign and pattern, for the series' names
    named.reserve(records.size());
    for (const FieldPlotRecord &r : records) {
        named.append(SurveyRecord());
        named.last().callSign = r.callSign;
        named.last().pattern = r.pattern;
    }
    return SurveyMixedPatternCalls(named);
}

namespace {

// The series' points (and their records) by distance; equal distances keep
// the order of the records.
void SortByDistance(FieldPlotSeries &s)
{
    QList<qsizetype> order(s.points.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return s.points[a].x() < s.points[b].x(); });
    QList<QPointF> points;
    QList<int> indices;
    points.reserve(order.size());
    indices.reserve(order.size());
    for (qsizetype i : order)
        points << s.points[i], indices << s.records[i];
    s.points = points;
    s.records = indices;
}

} // namespace

FieldPlot BuildFieldPlot(const QList<FieldPlotRecord> &records)
{
    FieldPlot plot;
    const QSet<QString> mixed = FieldPlotMixedPatternCalls(records);
    // Looked up by key, not searched: thousands of series stay quick.
    QHash<QString, qsizetype> seriesAt; // call sign, pattern and radial
    QStringList calls;                  // in order of first appearance
    QHash<QString, qsizetype> callAt;
    QList<QStringList> callFrequencies; // per call sign
    QSet<QPair<qsizetype, QString>> frequencySeen;
    for (qsizetype index = 0; index < records.size(); ++index) {
        const FieldPlotRecord &r = records.at(index);
        double km = 0, mvm = 0;
        bool kmNumeric = false, mvmNumeric = false;
        const bool kmOk = PositiveOrNot(r.distance, &km, &kmNumeric);
        const bool mvmOk = PositiveOrNot(r.fieldStrength, &mvm, &mvmNumeric);
        if (!kmNumeric || !mvmNumeric) {
            ++plot.skipped;
            continue;
        }
        if (!kmOk || !mvmOk) {
            ++plot.notPositive;
            continue;
        }
        const QString key = r.callSign + QChar(0x1F) + r.pattern + QChar(0x1F) + r.radial;
        auto at = seriesAt.constFind(key);
        if (at == seriesAt.constEnd()) {
            FieldPlotSeries n;
            n.callSign = r.callSign;
            n.pattern = r.pattern;
            n.radial = r.radial;
            n.name = SurveySeriesName(r.callSign, r.pattern, r.radial, mixed);
            plot.series << n;
            at = seriesAt.insert(key, plot.series.size() - 1);
        }
        plot.series[*at].points << QPointF(km, mvm);
        plot.series[*at].records << int(index);
        if (!r.callSign.isEmpty()) {
            qsizetype c = callAt.value(r.callSign, -1);
            if (c < 0) {
                c = calls.size();
                calls << r.callSign;
                callAt.insert(r.callSign, c);
                callFrequencies << QStringList();
            }
            double f = 0;
            if (ToDouble(r.frequency, &f) && !frequencySeen.contains(qMakePair(c, r.frequency))) {
                frequencySeen.insert(qMakePair(c, r.frequency));
                callFrequencies[c] << r.frequency;
            }
        }
    }
    std::stable_sort(plot.series.begin(), plot.series.end(), [](const FieldPlotSeries &a, const FieldPlotSeries &b) {
        if (a.callSign != b.callSign)
            return a.callSign < b.callSign;
        return a.pattern != b.pattern ? a.pattern < b.pattern : RadialBefore(a.radial, b.radial);
    });

    for (FieldPlotSeries &s : plot.series)
        SortByDistance(s);
    FieldPlotRanges(&plot);

    QStringList parts;
    for (qsizetype c = 0; c < calls.size(); ++c)
        parts << (callFrequencies.at(c).isEmpty() ? calls.at(c)
                                                  : calls.at(c) + QLatin1Char(' ') + callFrequencies.at(c).join(QLatin1Char('/')) +
                                                        QStringLiteral(" kHz"));
    plot.title = QStringLiteral("Field Strength against Distance");
    if (!parts.isEmpty())
        plot.title += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    return plot;
}

void FieldPlotRanges(FieldPlot *plot)
{
    double minKm = 0, maxKm = 0, minMvm = 0, maxMvm = 0;
    bool any = false;
    auto take = [&](const QPointF &p) {
        minKm = any ? qMin(minKm, p.x()) : p.x();
        maxKm = any ? qMax(maxKm, p.x()) : p.x();
        minMvm = any ? qMin(minMvm, p.y()) : p.y();
        maxMvm = any ? qMax(maxMvm, p.y()) : p.y();
        any = true;
    };
    for (const FieldPlotSeries &s : std::as_const(plot->series))
        for (const QPointF &p : s.points)
            take(p);
    if (!any)
        return;
    DecadeRange(minKm, maxKm, &plot->minKm, &plot->maxKm);
    // The unattenuated field falls as 1/d: the fit's E1/d, or else E·d
    // constant through the nearest point, from there to the right edge.
    for (FieldPlotSeries &s : plot->series) {
        const QPointF near = s.points.first();
        const double product = !s.curve.isEmpty() && !s.reference.isEmpty() ? s.reference.first().x() * s.reference.first().y()
                                                                            : near.x() * near.y();
        s.reference = {QPointF(near.x(), product / near.x()), QPointF(plot->maxKm, product / plot->maxKm)};
        take(s.reference.first());
        take(s.reference.last());
        for (const QPointF &p : s.curve + s.twoSegment)
            take(p);
    }
    DecadeRange(minMvm, maxMvm, &plot->minMvm, &plot->maxMvm);
}

QString FieldPlotSkippedText(const FieldPlot &plot)
{
    QString text;
    if (plot.skipped > 0)
        text += RecordsText(plot.skipped) + QStringLiteral(" without a numeric distance or field strength ") +
                (plot.skipped == 1 ? QStringLiteral("was") : QStringLiteral("were")) + QStringLiteral(" skipped.\n");
    if (plot.notPositive > 0)
        text += RecordsText(plot.notPositive) + QStringLiteral(" with a distance or field strength of zero or less ") +
                (plot.notPositive == 1 ? QStringLiteral("was") : QStringLiteral("were")) + QStringLiteral(" skipped.\n");
    return text;
}
