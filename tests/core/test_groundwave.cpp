// SPDX-License-Identifier: GPL-3.0-or-later
// The ground-wave model against published values and itself, the fit of
// synthetic radials (the groundwave and analyze commands: tests/cases).
#include "TestSupport.h"
#include "saveddata/modFieldPlot.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modRadialFit.h"
#include "saveddata/modSurveyCsv.h"

#include <QtCore>
#include <cmath>

namespace {

using cplx = std::complex<double>;

double Db(double ratio) { return 20 * std::log10(ratio); }

// A radial as a meter would record it: `n` points spread evenly in log
// distance over [fromKm, toKm], with up to `noiseDb` of noise.
QVector<SurveyRecord> SyntheticRadial(const char *call, const char *pattern, int radial, double khz, double msm,
                                      double e1, double fromKm, double toKm, int n, double noiseDb, double bearing,
                                      quint32 seed)
{
    const GroundWave model({khz, msm, 15});
    auto noise = [&seed] { // deterministic, uniform in [-1, 1)
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / double(1u << 23) - 1;
    };
    auto number = [](double v) { return SurveyNumber{QString::number(v), v, true, false}; };
    QVector<SurveyRecord> out;
    for (int i = 0; i < n; ++i) {
        const double km = fromKm * std::pow(toKm / fromKm, n == 1 ? 0 : double(i) / (n - 1));
        SurveyRecord r;
        r.callSign = QString::fromLatin1(call);
        r.pattern = QString::fromLatin1(pattern);
        r.radial = QString::number(radial);
        r.pointNumber = QString::number(i + 1);
        r.measFrequency = number(khz);
        r.distance = number(km);
        r.mvm = number(model.field(e1, km) * std::pow(10.0, noiseDb * noise() / 20));
        r.azimuth = number(bearing);
        out << r;
    }
    return out;
}

} // namespace

TEST(GroundWave, SpecialFunctionsMatchPublishedTables)
{
    // Airy function: Abramowitz & Stegun Table 10.11 and DLMF Table 9.9.1
    // (zeros a1, a2 of Ai and a'1, a'2 of Ai'). Arguments beyond 7 take the
    // asymptotic branch.
    // ai or aip NaN: not checked
    const struct { double z, ai, aip; } airy[] = {
        {0, 0.355028053887817, -0.258819403792807},
        {1, 0.135292416312881, -0.159147441296793},
        {-1, 0.535560883292352, -0.010160567116645},
        {2, 0.034924130423274, NAN},
        {10, 1.104753255289869e-10, NAN},
        {-2.338107410459767, 0, NAN},
        {-4.087949444130970, 0, NAN},
        {-1.018792971647471, NAN, 0},
        {-3.248197582179837, NAN, 0},
        {-11.93601556323626, 0, NAN},  // a9
        {-12.38478837184574, NAN, 0},  // a'10
    };
    for (const auto &c : airy) {
        SCOPED_TRACE(c.z);
        cplx ai, aip;
        GroundWaveMath::Airy(c.z, &ai, &aip);
        if (!std::isnan(c.ai))
            EXPECT_NEAR(ai.real(), c.ai, 1e-9 * std::max(1.0, std::fabs(c.ai) * 1e3));
        if (!std::isnan(c.aip))
            EXPECT_NEAR(aip.real(), c.aip, 1e-9);
        EXPECT_NEAR(ai.imag(), 0, 1e-12);
    }
    // Off the real axis, where the roots lie: Ai(z) + w Ai(wz) + w^2 Ai(w^2 z) = 0
    // with w = exp(2 pi i / 3) (DLMF 9.2.12), across both branches.
    const cplx w = std::polar(1.0, 2 * M_PI / 3);
    auto ai = [](cplx z) { cplx a, d; GroundWaveMath::Airy(z, &a, &d); return a; };
    for (cplx z : {cplx(3, 4), cplx(-6.5, -1), cplx(-20, -30), cplx(8, 0.5), cplx(-40, 10)}) {
        SCOPED_TRACE(std::abs(z));
        const cplx a0 = ai(z), a1 = ai(w * z), a2 = ai(w * w * z);
        EXPECT_LT(std::abs(a0 + w * a1 + w * w * a2), 1e-9 * (std::abs(a0) + std::abs(a1) + std::abs(a2)));
    }
    // Faddeeva function: w(x) = exp(-x^2) + 2i/sqrt(pi) F(x) with Dawson's
    // integral F (A&S Table 7.5), and w(iy) = erfcx(y) (A&S Table 7.1).
    const struct { cplx z, w; } faddeeva[] = {
        {1, {0.367879441171442, 2 / std::sqrt(M_PI) * 0.538079506912768}},
        {2, {0.018315638888734, 2 / std::sqrt(M_PI) * 0.301340388923788}},
        {5, {1.388794386496402e-11, 2 / std::sqrt(M_PI) * 0.102134074424276}},
        {{0, 1}, {0.427583576155807, 0}},
        {{0, 5}, {0.110704637733069, 0}},
    };
    for (const auto &c : faddeeva) {
        SCOPED_TRACE(std::abs(c.z));
        EXPECT_LT(std::abs(GroundWaveMath::Faddeeva(c.z) - c.w), 1e-9);
    }
}

TEST(GroundWave, KnownFields)
{
    // 20 log10 of E / (E1/d), expected within `tol` dB.
    const struct { double khz, msm, eps, km, db, tol; } cases[] = {
        // 47 CFR 73.184(b): over a perfectly conducting earth the field is
        // the inverse-distance field; sea water at short range comes close.
        {540, 5000, 80, 1, 0, 0.02},
        {1700, 5000, 80, 0.1, 0, 0.02},
        // Norton's approximation of the plane-earth attenuation for a small
        // phase angle b, A = (2 + 0.3p) / (2 + p + 0.6p^2) with numerical
        // distance p = pi d / (lambda x), x = sigma / (omega eps0), good to
        // a few per cent: at 2 MHz over 5 mS/m (x = 44.9, b = 2.5 deg) the
        // curvature is still small at 10 km.
        {2000, 5, 1, 0.5, Db(0.9136), 0.5},  // p = 0.233
        {2000, 5, 1, 2, Db(0.6599), 0.5},    // p = 0.933
        {2000, 5, 1, 5, Db(0.3555), 0.5},    // p = 2.33
        {2000, 5, 1, 10, Db(0.1724), 0.5},   // p = 4.66
        // Published reference values of the ITU-R P.368 method: NTIA/ITS
        // LFMF, tests/data/ValidationPolarizationVertical.csv (vertical
        // polarization, antennas at ground level, 1 kW, N_s = 315, so an
        // earth radius 3 per cent above 4/3), E in dB(uV/m); the rows'
        // reading here is E - 109.54 + 20 log10(d), 109.54 dB(uV/m) being
        // 300 mV/m, the unattenuated field of 1 kW at 1 km.
        // Land, 10 mS/m, permittivity 30:
        {500, 10, 30, 10, 88.7328 - 109.5424 + 20, 0.3},   // E 88.7328 at 0.5 MHz, 10 km
        {500, 10, 30, 100, 63.1474 - 109.5424 + 40, 0.3},  // E 63.1474
        {1000, 10, 30, 1, 109.0142 - 109.5424, 0.3},       // E 109.0142 at 1 MHz, 1 km
        {1000, 10, 30, 10, 86.5090 - 109.5424 + 20, 0.3},  // E 86.5090
        {1000, 10, 30, 50, 64.1624 - 109.5424 + 33.9794, 0.3},  // E 64.1624
        {1000, 10, 30, 100, 50.5077 - 109.5424 + 40, 0.3}, // E 50.5077
        {1500, 10, 30, 20, 72.7968 - 109.5424 + 26.0206, 0.3},  // E 72.7968 at 1.5 MHz, 20 km
        {2000, 10, 30, 5, 89.4719 - 109.5424 + 13.9794, 0.3},   // E 89.4719 at 2 MHz, 5 km
        {2000, 10, 30, 200, 18.5996 - 109.5424 + 46.0206, 0.3}, // E 18.5996 at 2 MHz, 200 km
        // Sea, 1000 mS/m, permittivity 80:
        {500, 1000, 80, 100, 68.7875 - 109.5424 + 40, 0.3},   // E 68.7875 at 0.5 MHz, 100 km
        {1000, 1000, 80, 200, 60.4608 - 109.5424 + 46.0206, 0.3}, // E 60.4608 at 1 MHz, 200 km
        {2000, 1000, 80, 50, 74.6400 - 109.5424 + 33.9794, 0.3},  // E 74.6400 at 2 MHz, 50 km
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.km);
        const GroundWave model({c.khz, c.msm, c.eps});
        EXPECT_NEAR(Db(model.attenuation(c.km)), c.db, c.tol);
    }
}

// The flat-earth form with its curvature terms and the residue series are
// two independent solutions: where the model switches, they must agree.
TEST(GroundWave, NoStepAtTheSwitch)
{
    for (double khz : {100.0, 530.0, 1000.0, 1710.0, 2000.0})
        for (double msm : {0.1, 1.0, 8.0, 100.0, 5000.0})
            for (double eps : {1.0, 15.0, 80.0}) {
                SCOPED_TRACE(QStringLiteral("%1 kHz %2 mS/m eps %3").arg(khz).arg(msm).arg(eps).toStdString());
                const GroundWave model({khz, msm, eps});
                const double km = model.switchKm();
                EXPECT_LT(std::fabs(Db(std::abs(model.flatEarthForm(km)) / std::abs(model.residueForm(km)))), 0.1);
                EXPECT_LT(std::fabs(Db(model.attenuation(km * (1 - 1e-9)) / model.attenuation(km * (1 + 1e-9)))), 0.1);
                // Finite and falling everywhere in range.
                double last = 1e300;
                for (double d = kGroundMinKm; d <= kGroundMaxKm; d *= 1.2) {
                    const double e = model.field(100, d);
                    ASSERT_TRUE(std::isfinite(e) && e > 0 && e < last) << d << " km";
                    last = e;
                }
            }
}

TEST(GroundWave, RefusesWhatLiesOutsideItsRange)
{
    // reason empty: accepted
    const struct { GroundParameters ground; double km; const char *reason; } cases[] = {
        {{100, 0.1, 1}, 0.1, ""},
        {{2000, 5000, 80}, 1000, ""},
        {{99.9, 5, 15}, 1, "frequency 99.9 kHz is outside 100 to 2000 kHz"},
        {{2001, 5, 15}, 1, "frequency"},
        {{1000, 0.09, 15}, 1, "conductivity 0.09 mS/m is outside 0.1 to 5000 mS/m"},
        {{1000, 5001, 15}, 1, "conductivity"},
        {{1000, 5, 0.5}, 1, "permittivity 0.5 is outside 1 to 80"},
        {{1000, 5, 81}, 1, "permittivity"},
        {{NAN, 5, 15}, 1, "frequency nan"},
        {{1000, INFINITY, 15}, 1, "conductivity inf"},
        {{1000, 5, 15}, 0.09, "distance 0.09 km is outside 0.1 to 1000 km"},
        {{1000, 5, 15}, 1000.5, "distance"},
        {{1000, 5, 15}, NAN, "distance"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reason);
        QString error = GroundParametersError(c.ground);
        if (error.isEmpty())
            error = GroundDistanceError(c.km);
        EXPECT_TRUE(*c.reason ? error.startsWith(QLatin1String(c.reason)) : error.isEmpty()) << error.toStdString();
    }
}

TEST(RadialFit, RecoversConductivityAndFieldFromNoisyRadials)
{
    // poor: the conductivity is expected to be called poorly determined
    const struct { double khz, msm, e1, fromKm, toKm; int n; bool poor; } cases[] = {
        {540, 1, 250, 0.6, 60, 20, false},
        {1000, 8, 320, 0.3, 80, 20, false},
        {1230, 4, 180, 0.3, 70, 24, false},
        {1600, 30, 400, 0.2, 60, 20, false},
        {1700, 5000, 300, 0.2, 60, 20, true}, // sea water: any good ground fits
        {1000, 10, 300, 0.3, 2, 12, true},    // close in only
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 kHz %2 mS/m").arg(c.khz).arg(c.msm).toStdString());
        const auto records = SyntheticRadial("KDCV", "ND", 1, c.khz, c.msm, c.e1, c.fromKm, c.toKm, c.n, 0.5, 45, 7);
        const RadialAnalysis a = AnalyzeRadials(records, RadialFitSettings());
        ASSERT_TRUE(a.radials.size() == 1 && a.radials.first().fitted);
        const RadialFit &f = a.radials.first();
        EXPECT_EQ(f.points + f.outside, c.n);
        EXPECT_TRUE(f.conductivityLow <= c.msm * 1.0001 && f.conductivityHigh >= c.msm * 0.9999) << f.conductivityLow << " to " << f.conductivityHigh;
        EXPECT_NEAR(Db(f.fieldAt1km / c.e1), 0, 0.5);
        EXPECT_LT(f.rmsDb, 0.5);
        EXPECT_LE(std::fabs(f.worstDb), 0.5 + 0.3);
        if (!c.poor)
            EXPECT_LT(std::fabs(std::log10(f.conductivity / c.msm)), 0.3);
        EXPECT_EQ(f.notes.filter(QStringLiteral("poorly determined")).size() == 1, c.poor) << f.notes.join(QLatin1String("; ")).toStdString();
        EXPECT_NEAR(f.bearing, 45, 1e-9);
    }
}

TEST(RadialFit, WindowCountsAndWarnings)
{
    // notes: each found among the notes
    const struct { double khz, fromKm, toKm; int n; RadialFitSettings settings; QStringList notes; } cases[] = {
        // default window: one wavelength to 80 / cbrt(f in MHz) km
        {1000, 0.1, 200, 30, {}, {"outside 0.3 to 80 km, not fitted"}},
        {1600, 0.1, 200, 30, {}, {"outside 0.187 to 68.4 km, not fitted"}},
        {540, 0.1, 200, 30, {}, {"outside 0.555 to 98.2 km, not fitted"}},
        {1000, 1, 50, 20, {15, 2, 20}, {"only 2 points within 3 km (7 or more usual)", "outside 2 to 20 km"}},
        {1000, 0.5, 60, 10, {}, {"only 10 points (15 or more usual)"}},
        {1000, 1, 60, 2, {}, {"too few points to fit (2; 3 at least, 15 usual)"}},
        {2500, 1, 60, 20, {}, {"the frequency 2500 kHz is outside the model's 100 to 2000 kHz: not fitted"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.notes.join(QLatin1Char('|')).toStdString());
        const auto records = SyntheticRadial("KDCV", "ND", 1, qMin(c.khz, 2000.0), 8, 300, c.fromKm, c.toKm, c.n, 0.2, 10, 3);
        QVector<SurveyRecord> atFrequency = records;
        for (SurveyRecord &r : atFrequency)
            r.measFrequency = {QString::number(c.khz), c.khz, true, false};
        const RadialFit f = AnalyzeRadials(atFrequency, c.settings).radials.value(0);
        EXPECT_EQ(f.fitted, c.n >= 3 && c.khz <= 2000);
        for (const QString &note : c.notes)
            EXPECT_EQ(f.notes.filter(note).size(), 1) << f.notes.join(QLatin1String("; ")).toStdString();
        if (c.khz > 2000)
            continue;
        const int outside = int(std::count_if(records.begin(), records.end(),
                                              [&](const SurveyRecord &r) { return r.distance.value < f.minKm || r.distance.value > f.maxKm; }));
        EXPECT_EQ(std::pair(f.outside, f.points), std::pair(outside, c.n - outside));
    }
}

// Series keyed by call sign, pattern and radial, and an effective field
// for each station and pattern: tests/cases/h30b-analyze-per-station-and-pattern.

TEST(RadialFit, EffectiveFieldWeightsEachRadialByItsAngle)
{
    // a bearing NaN: none; a field 0: not fitted
    const struct { QList<double> bearings; QList<double> fields; double rms; } cases[] = {
        {{0, 90, 180, 270}, {100, 100, 100, 200}, std::sqrt(70000.0 / 4)},
        // 0 stands for 95 degrees, 10 for 10, 20 for 85, 180 for 170
        {{0, 10, 20, 180}, {100, 100, 100, 200}, std::sqrt((190 * 1e4 + 170 * 4e4) / 360)},
        {{350, 0, 10, 180}, {100, 100, 100, 200}, std::sqrt((190 * 1e4 + 170 * 4e4) / 360)},
        {{0, 10, NAN, 180}, {100, 100, 100, 200}, std::sqrt(70000.0 / 4)},
        // an unfitted radial's angle goes to its neighbours: 0 and 180 stand
        // for 135 degrees each, 270 for 90
        {{0, 90, 180, 270}, {100, 0, 100, 200}, std::sqrt((270 * 1e4 + 90 * 4e4) / 360)},
        {{30, 30}, {100, 200}, std::sqrt(50000.0 / 2)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rms);
        QList<RadialFit> radials;
        for (int i = 0; i < c.bearings.size(); ++i) {
            RadialFit r;
            r.hasBearing = !std::isnan(c.bearings[i]);
            r.bearing = r.hasBearing ? c.bearings[i] : 0;
            r.fitted = c.fields[i] > 0;
            r.fieldAt1km = c.fields[i];
            r.callSign = QStringLiteral("K");
            radials << r;
        }
        EXPECT_NEAR(EffectiveFieldOf(radials), c.rms, 1e-9);
        // A radial left out by the user counts as not fitted.
        radials.last().leftOut = true;
        const QList<EffectiveField> e = EffectiveFields(radials);
        ASSERT_EQ(e.size(), 1);
        EXPECT_NEAR(e[0].mvm, EffectiveFieldOf(radials.mid(0, radials.size() - 1)), 1e-9);
    }
}

TEST(RadialFit, TwoSegmentsWhereOneConductivityLeavesMoreThan1Point5Db)
{
    // near/farDecades: how closely each is determined
    const struct { double khz, nearMsm, farMsm, breakKm; bool offered; double nearDecades, farDecades; } cases[] = {
        {1000, 2, 5000, 15, true, 0.15, 1.0}, // land, then sea: anything very good fits beyond
        {700, 30, 1, 8, true, 0.5, 0.15},     // good ground close in (barely attenuated), then a dry valley
        {1400, 8, 8, 10, false, 0, 0},        // one ground: one conductivity fits
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 to %2 mS/m").arg(c.nearMsm).arg(c.farMsm).toStdString());
        QVector<SurveyRecord> records = SyntheticRadial("KDCV", "ND", 1, c.khz, 8, 300, 0.5, 60, 24, 0.2, 90, 11);
        for (SurveyRecord &r : records) {
            const double mvm = r.mvm.value / GroundWave({c.khz, 8, 15}).attenuation(r.distance.value)
                               * std::pow(10.0, MixedPathDb(c.khz, 15, c.nearMsm, c.farMsm, c.breakKm, r.distance.value) / 20);
            r.mvm = {QString::number(mvm), mvm, true, false};
        }
        const RadialFit f = AnalyzeRadials(records, RadialFitSettings()).radials.value(0);
        ASSERT_TRUE(f.fitted);
        FieldPlot plot = BuildFieldPlot(FieldPlotRecords(records));
        ApplyRadialFits(&plot, {f}, {});
        // Offered: fitted, noted, in the table's last columns and drawn beside the single fit.
        EXPECT_EQ(std::tuple(f.twoSegment, f.rmsDb > kTwoSegmentAboveDb, f.notes.filter(QStringLiteral("RMS error above")).size(),
                             !RadialTableRow(f).mid(11).join(QString()).isEmpty(), !plot.series.value(0).twoSegment.isEmpty()),
                  std::tuple(c.offered, c.offered, qsizetype(c.offered), c.offered, c.offered)) << f.rmsDb;
        if (!c.offered)
            continue;
        EXPECT_LT(f.twoRmsDb, 0.3) << f.breakKm << " " << f.conductivityNear << " " << f.conductivityFar;
        EXPECT_NEAR(std::log10(f.breakKm / c.breakKm), 0, std::log10(1.3));
        EXPECT_NEAR(std::log10(f.conductivityNear / c.nearMsm), 0, c.nearDecades);
        EXPECT_NEAR(std::log10(f.conductivityFar / c.farMsm), 0, c.farDecades);
        EXPECT_NEAR(Db(f.twoFieldAt1km / 300), 0, 0.3);
        EXPECT_EQ(f.notes.filter(QStringLiteral("two segments fit with")).size(), 1) << f.notes.join(QLatin1String("; ")).toStdString();
    }
    // Millington's sums: the forward and the backward path agree on a path
    // of one ground, and reversing a mixed path keeps its field (reciprocity).
    EXPECT_NEAR(MixedPathDb(1000, 15, 8, 8, 10, 40), Db(GroundWave({1000, 8, 15}).attenuation(40)), 1e-9);
    EXPECT_NEAR(MixedPathDb(1000, 15, 5, 5000, 10, 40), MixedPathDb(1000, 15, 5000, 5, 30, 40), 1e-9);
}
