// SPDX-License-Identifier: GPL-3.0-or-later
// The ground-wave model and the radial analysis, on one core:
// 1. one model evaluation (a new frequency and ground, then one distance),
//    close in (the flat-earth form) and far out (the residue series);
// 2. the analysis of 8 radials of 20 points each, 1 to 80 km.
//
// bench_groundwave [REPEATS] (default 5)
#include "saveddata/modGroundWave.h"
#include "saveddata/modFieldPlot.h"
#include "saveddata/modRadialFit.h"
#include "saveddata/modSurveyCsv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>

namespace {

// Microseconds per model made and evaluated once at `km`, over a spread of
// grounds and frequencies.
double PerEvaluation(double km, int repeats)
{
    QElapsedTimer t;
    t.start();
    int n = 0;
    double sink = 0;
    for (int r = 0; r < repeats; ++r)
        for (double khz = 530; khz <= 1710; khz += 118)
            for (double msm = 0.5; msm <= 5000; msm *= 2.5) {
                const GroundWave model({khz, msm, 15});
                sink += model.attenuation(km);
                ++n;
            }
    if (!(sink > 0))
        std::printf("no field?\n");
    return t.nsecsElapsed() / 1e3 / n;
}

QVector<SurveyRecord> Radials(double khz)
{
    QVector<SurveyRecord> out;
    for (int radial = 1; radial <= 8; ++radial) {
        const double msm = std::pow(10.0, 0.3 * radial - 0.5);
        const GroundWave model({khz, msm, 15});
        for (int i = 0; i < 20; ++i) {
            const double km = std::pow(80.0, i / 19.0);
            SurveyRecord r;
            r.callSign = QStringLiteral("KDCV");
            r.pattern = QStringLiteral("ND");
            r.radial = QString::number(radial);
            r.pointNumber = QString::number(i + 1);
            r.measFrequency = {QString::number(khz), khz, true, false};
            r.distance = {QString::number(km), km, true, false};
            const double mvm = model.field(300, km) * (1 + 0.05 * std::sin(7.0 * i + radial));
            r.mvm = {QString::number(mvm), mvm, true, false};
            r.azimuth = {QString::number(45 * radial), 45.0 * radial, true, false};
            out << r;
        }
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    std::printf("Ground-wave model, one evaluation with a new ground:\n");
    for (double km : {1.0, 30.0, 80.0, 300.0, 1000.0})
        std::printf("  at %6.0f km  %8.1f us\n", km, PerEvaluation(km, repeats));
    std::printf("Radial analysis, 8 radials x 20 points (1 to 80 km), fastest of %d:\n", repeats);
    for (double khz : {540.0, 1000.0, 1700.0}) {
        const QVector<SurveyRecord> records = Radials(khz);
        qint64 best = -1;
        for (int r = 0; r < repeats; ++r) {
            QElapsedTimer t;
            t.start();
            const RadialAnalysis a = AnalyzeRadials(records, RadialFitSettings());
            const qint64 ns = t.nsecsElapsed();
            best = best < 0 ? ns : std::min(best, ns);
            if (a.radials.size() != 8)
                std::printf("  %d radials?\n", int(a.radials.size()));
        }
        std::printf("  %6.0f kHz  %8.1f ms\n", khz, best / 1e6);
    }
    // What the plot window does on a click: one radial refitted without the
    // point, the effective field and every curve anew. Then the same with
    // the radial turned land-to-sea, so that its two-segment fit is tried.
    std::printf("A click in the plot window, 8 radials x 20 points, 1000 kHz, fastest of %d:\n", repeats);
    for (bool mixed : {false, true}) {
        QVector<SurveyRecord> records = Radials(1000);
        if (mixed)
            for (SurveyRecord &r : records)
                if (r.radial == QLatin1String("4")) {
                    const double km = r.distance.value;
                    r.mvm.value *= std::pow(10.0, (MixedPathDb(1000, 15, 2, 5000, 15, km)
                                                   - 20 * std::log10(GroundWave({1000, 8, 15}).attenuation(km))) / 20);
                    r.mvm.text = QString::number(r.mvm.value);
                }
        const QList<FieldPlotRecord> plotted = FieldPlotRecords(records);
        const QList<RadialSeries> series = GroupRadials(plotted);
        QList<RadialFit> fits;
        for (const RadialSeries &x : series)
            fits << FitSeries(x, RadialFitSettings());
        FieldPlot plot = BuildFieldPlot(plotted);
        qint64 best = -1;
        for (int r = 0; r < repeats; ++r) {
            QElapsedTimer t;
            t.start();
            const QSet<int> leftOut{series[3].points[5].record};
            fits[3] = FitSeries(series[3], RadialFitSettings(), leftOut);
            const QList<EffectiveField> e = EffectiveFields(fits);
            ApplyRadialFits(&plot, fits, leftOut);
            const qint64 ns = t.nsecsElapsed();
            best = best < 0 ? ns : std::min(best, ns);
            if (e.isEmpty() || (mixed && !fits[3].twoSegment))
                std::printf("  not as meant\n");
        }
        std::printf("  %-22s %8.1f ms\n", mixed ? "land-to-sea radial" : "one-ground radial", best / 1e6);
    }
    return 0;
}
