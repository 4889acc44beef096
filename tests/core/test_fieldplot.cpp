// SPDX-License-Identifier: GPL-3.0-or-later
// The field strength plot's series, skip counts, reference lines and
// decade ranges.
#include "TestSupport.h"
#include "saveddata/modFieldPlot.h"

#include <QtCore>
#include <cmath>

namespace {

FieldPlotRecord R(const char *call, const char *radial, const char *km, const char *mvm, const char *freq = "1230",
                  const char *pattern = "ND")
{
    return {QString::fromLatin1(call), QString::fromLatin1(radial), QString::fromLatin1(freq), QString::fromLatin1(km),
            QString::fromLatin1(mvm), QString::fromLatin1(pattern)};
}

TEST(FieldPlot, SeriesPerCallSignAndRadialInOrderOfDistance)
{
    // series: in legend order, each with its points in order of distance
    const struct { QList<FieldPlotRecord> records; QStringList series; int skipped, notPositive; } cases[] = {
        {{R("KDCV", "1", "5", "2"), R("KDCV", "1", "1.5", "9"), R("KDCV", "1", "3", "4")}, {"KDCV radial 1: 1.5:9 3:4 5:2"}, 0, 0},
        // radials by number, call signs by name; equal distances keep file order
        {{R("KWAL", "1", "2", "1"), R("KDCV", "10", "2", "1"), R("KDCV", "2", "2", "3"), R("KDCV", "2", "2", "1")},
         {"KDCV radial 2: 2:3 2:1", "KDCV radial 10: 2:1", "KWAL radial 1: 2:1"}, 0, 0},
        // masked, empty, text, infinite: skipped; zero or less: counted apart
        {{R("KDCV", "1", "----", "2"), R("KDCV", "1", "3", ""), R("KDCV", "1", "x", "2"), R("KDCV", "1", "inf", "2"),
          R("KDCV", "1", "0", "2"), R("KDCV", "1", "2", "-1"), R("KDCV", "1", "4", "0.5")},
         {"KDCV radial 1: 4:0.5"}, 4, 2},
        {{R("", "", "1", "1"), R("KDCV", "", "2", "2")}, {"radial: 1:1", "KDCV radial: 2:2"}, 0, 0},
        // a directional station's patterns are series of their own; ND is
        // named only beside another pattern of the same call sign
        {{R("KDCV", "1", "1", "9", "1230", "DA-N"), R("KDCV", "1", "2", "5"), R("KDCV", "1", "3", "2", "1230", "DA-N"),
          R("KWAL", "1", "1", "1", "1230", "DA-D"), R("KXYZ", "1", "1", "1", "1230", "")},
         {"KDCV DA-N radial 1: 1:9 3:2", "KDCV ND radial 1: 2:5", "KWAL DA-D radial 1: 1:1", "KXYZ radial 1: 1:1"}, 0, 0},
        {{}, {}, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.series.join(QLatin1Char('|')).toStdString());
        UnderEachSettings([&] {
            const FieldPlot plot = BuildFieldPlot(c.records);
            QStringList series;
            for (const FieldPlotSeries &s : plot.series) {
                series << s.name + QLatin1Char(':');
                for (const QPointF &p : s.points)
                    series.last() += QStringLiteral(" %1:%2").arg(p.x()).arg(p.y());
            }
            EXPECT_EQ(series, c.series);
            EXPECT_EQ(std::pair(plot.skipped, plot.notPositive), std::pair(c.skipped, c.notPositive));
        });
    }
}

TEST(FieldPlot, ReferenceKeepsFieldTimesDistanceFromTheNearestPoint)
{
    const FieldPlot plot = BuildFieldPlot({R("KDCV", "1", "8", "1.5"), R("KDCV", "1", "2.5", "12"), R("KDCV", "1", "40", "1.2"),
                                           R("KWAL", "3", "0.3", "150", "1400")});
    ASSERT_EQ(plot.series.size(), 2);
    // E·d of the nearest point, from there to the right edge.
    EXPECT_EQ(plot.series.at(0).reference, QList<QPointF>({{2.5, 12}, {100, 0.3}}));
    EXPECT_EQ(plot.series.at(1).reference, QList<QPointF>({{0.3, 150}, {100, 0.45}}));
    // Whole decades around every point and reference end.
    // 0.1 mV/m below: 0.3 mV/m where KDCV's reference leaves at 100 km.
    EXPECT_EQ(QList<double>({plot.minKm, plot.maxKm, plot.minMvm, plot.maxMvm}), QList<double>({0.1, 100, 0.1, 1000}));
    EXPECT_EQ(plot.title, QStringLiteral("Field Strength against Distance: KDCV 1230 kHz, KWAL 1400 kHz"));
}

TEST(FieldPlot, DecadeRangesAndTheirLabelsInOneForm)
{
    const struct { double min, max, low, high; const char *labels; } cases[] = {
        {1.5, 45, 1, 100, "1 10 100"},
        {10, 100, 10, 100, "10 100"},
        {0.02, 0.05, 0.01, 0.1, "0.01 0.1"},
        {1, 1, 1, 10, "1 10"},
        {3, 3, 1, 10, "1 10"},
        {0.001, 1000, 0.001, 1000, "0.001 0.01 0.1 1 10 100 1000"},
        {999, 1001, 100, 10000, "100 1000 10000"},
        {0.0001, 99999, 0.0001, 100000, "0.0001 0.001 0.01 0.1 1 10 100 1000 10000 100000"},
        // one label too long for decimals: powers of ten for all
        {0.00002, 0.5, 0.00001, 1, "10\u207B\u2075 10\u207B\u2074 10\u207B\u00B3 10\u207B\u00B2 10\u207B\u00B9 10\u2070"},
        {2e5, 3e6, 1e5, 1e7, "10\u2075 10\u2076 10\u2077"},
        {0.5, 2e10, 0.1, 1e11, "10\u207B\u00B9 10\u2070 10\u00B9 10\u00B2 10\u00B3 10\u2074 10\u2075 10\u2076 10\u2077 10\u2078 10\u2079 10\u00B9\u2070 10\u00B9\u00B9"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.labels);
        double low = 0, high = 0;
        DecadeRange(c.min, c.max, &low, &high);
        EXPECT_EQ(QPointF(low, high), QPointF(c.low, c.high)) << low << " " << high;
        EXPECT_EQ(DecadeLabels(low, high).join(QLatin1Char(' ')), QString::fromUtf8(c.labels));
    }
}

TEST(FieldPlot, RecordLineAndSkippedText)
{
    const FieldPlotRecord r = FieldPlotRecordFromLine(QStringLiteral(
        "1,3,5,1,\"KDCV\",1230,1240,7,\"ND\",\"JS\",\"a\",1,05-Nov-2026 08:32:17,05-Nov-2026 00:32:17,1,\"Loop\",TRUE,"
        "45.5,-118.2,350,60.1,\"dBuV\",1.0,\"mV/m\",1.25,60.0,12.5,20.0,4.1"));
    EXPECT_EQ(QStringList({r.callSign, r.radial, r.frequency, r.distance, r.fieldStrength, r.pattern, r.pointNumber, r.azimuth}),
              QStringList({"KDCV", "7", "1240", "12.5", "1.25", "ND", "5", "20.0"}));
    EXPECT_TRUE(FieldPlotRecordFromLine(QStringLiteral("1,2,3")).distance.isEmpty());
    // Nothing skipped, nothing said (the words: tests/cases/h30b-plot-nothing-above-zero).
    EXPECT_EQ(FieldPlotSkippedText(FieldPlot()), QString());
}

} // namespace
