// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modFieldPlot.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"
#include "saveddata/modSurveyCsv.h"

#include <algorithm>
#include <cmath>

namespace {

// Fields of a record line (0-based), the same in every layout.
enum Field { CallSign = 4, MeasFrequency = 6, Radial = 7, Pattern = 8, MilliVolts = 24, Distance = 26 };

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
    return {field(CallSign), field(Radial), field(MeasFrequency), field(Distance), field(MilliVolts), field(Pattern)};
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

QList<FieldPlotRecord> FieldPlotRecords(const SurveyCsv &csv)
{
    QList<FieldPlotRecord> records;
    records.reserve(csv.records.size());
    for (const SurveyRecord &r : csv.records)
        records << FieldPlotRecord{r.callSign, r.radial, r.measFrequency.text, r.distance.text, r.mvm.text, r.pattern};
    return records;
}

PlotFormat PlotFormatOf(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return PlotFormat::Png;
    if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return PlotFormat::Svg;
    return PlotFormat::Unknown;
}

void DecadeRange(double min, double max, double *low, double *high)
{
    *low = std::pow(10.0, std::floor(std::log10(min)));
    *high = std::pow(10.0, std::ceil(std::log10(max)));
    if (*high <= *low)
        *high = *low * 10;
}

FieldPlot BuildFieldPlot(const QList<FieldPlotRecord> &records)
{
    FieldPlot plot;
    QVector<SurveyRecord> named; // call sign and pattern, for the series' names
    named.reserve(records.size());
    for (const FieldPlotRecord &r : records) {
        named.append(SurveyRecord());
        named.last().callSign = r.callSign;
        named.last().pattern = r.pattern;
    }
    const QSet<QString> mixed = SurveyMixedPatternCalls(named);
    QStringList calls;                 // in order of first appearance
    QList<QStringList> callFrequencies; // per call sign
    for (const FieldPlotRecord &r : records) {
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
        auto s = std::find_if(plot.series.begin(), plot.series.end(), [&](const FieldPlotSeries &x) {
            return x.callSign == r.callSign && x.pattern == r.pattern && x.radial == r.radial;
        });
        if (s == plot.series.end()) {
            FieldPlotSeries n;
            n.callSign = r.callSign;
            n.pattern = r.pattern;
            n.radial = r.radial;
            n.name = SurveySeriesName(r.callSign, r.pattern, r.radial, mixed);
            plot.series << n;
            s = plot.series.end() - 1;
        }
        s->points << QPointF(km, mvm);
        if (!r.callSign.isEmpty()) {
            qsizetype c = calls.indexOf(r.callSign);
            if (c < 0) {
                calls << r.callSign;
                callFrequencies << QStringList();
                c = calls.size() - 1;
            }
            double f = 0;
            if (ToDouble(r.frequency, &f) && !callFrequencies[c].contains(r.frequency))
                callFrequencies[c] << r.frequency;
        }
    }
    std::stable_sort(plot.series.begin(), plot.series.end(), [](const FieldPlotSeries &a, const FieldPlotSeries &b) {
        if (a.callSign != b.callSign)
            return a.callSign < b.callSign;
        return a.pattern != b.pattern ? a.pattern < b.pattern : RadialBefore(a.radial, b.radial);
    });

    double minKm = 0, maxKm = 0, minMvm = 0, maxMvm = 0;
    bool any = false;
    auto take = [&](const QPointF &p) {
        minKm = any ? qMin(minKm, p.x()) : p.x();
        maxKm = any ? qMax(maxKm, p.x()) : p.x();
        minMvm = any ? qMin(minMvm, p.y()) : p.y();
        maxMvm = any ? qMax(maxMvm, p.y()) : p.y();
        any = true;
    };
    for (FieldPlotSeries &s : plot.series) {
        // Equal distances keep the order of the records.
        std::stable_sort(s.points.begin(), s.points.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
        for (const QPointF &p : s.points)
            take(p);
    }
    if (any)
        DecadeRange(minKm, maxKm, &plot.minKm, &plot.maxKm);
    // The unattenuated field falls as 1/d: from the nearest point to the
    // right edge of the plot.
    for (FieldPlotSeries &s : plot.series) {
        const QPointF near = s.points.first();
        const double product = near.x() * near.y();
        s.reference = {near, QPointF(plot.maxKm, product / plot.maxKm)};
        take(s.reference.last());
    }
    if (any)
        DecadeRange(minMvm, maxMvm, &plot.minMvm, &plot.maxMvm);

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
