// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modRadialFit.h"
#include "common/modConvert.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modSurveyCsv.h"

#include <algorithm>
#include <cmath>

namespace {

// Usual minimum of a radial: so many points, so many of them within 3 km.
constexpr int kUsualPoints = 15;
constexpr int kUsualClose = 7;
constexpr double kCloseKm = 3;
// Coarse scan of the conductivity, in steps of a tenth of a decade.
constexpr double kScanStep = 0.1;
// A conductivity range wider than this factor is called poorly determined.
constexpr double kPoorFactor = 3;
constexpr double kValleyDb = 0.5;

double Median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median of angles, taken around their mean direction so that 359 and
// 1 give 0, not 180.
double MedianBearing(const QVector<double> &deg)
{
    double x = 0, y = 0;
    for (double a : deg) {
        x += std::cos(a * M_PI / 180);
        y += std::sin(a * M_PI / 180);
    }
    const double mean = std::atan2(y, x) * 180 / M_PI;
    QVector<double> rel;
    for (double a : deg)
        rel << std::remainder(a - mean, 360.0);
    const double m = std::fmod(mean + Median(rel) + 720, 360.0);
    return m >= 359.9999999 ? 0 : m;
}

bool RadialBefore(const QString &a, const QString &b)
{
    double x = 0, y = 0;
    if (ToDouble(a, &x) && ToDouble(b, &y) && x != y)
        return x < y;
    return a < b;
}

struct Trial
{
    double logSigma = 0;
    double rms = 0;
    double e1Db = 0; // 20 log10 of the field at 1 km
};

// The best field at 1 km for one conductivity is the mean of the points'
// offsets from the curve; the RMS is what is left.
Trial Evaluate(const QList<RadialPoint> &pts, double frequency, double permittivity, double logSigma,
               QVector<double> *residuals = nullptr)
{
    const GroundWave model({frequency, std::pow(10.0, logSigma), permittivity});
    QVector<double> y;
    y.reserve(pts.size());
    double sum = 0;
    for (const RadialPoint &p : pts) {
        const double v = 20 * std::log10(p.mvm * p.km / model.attenuation(p.km));
        y << v;
        sum += v;
    }
    Trial t;
    t.logSigma = logSigma;
    t.e1Db = sum / y.size();
    double ss = 0;
    for (double &v : y) {
        v -= t.e1Db;
        ss += v * v;
    }
    t.rms = std::sqrt(ss / y.size());
    if (residuals)
        *residuals = y;
    return t;
}

QString Number(double v, int significant = 4) { return SignificantText(v, significant); }
// Short numbers for the notes: "0.3", "80", "5000", never an exponent.
QString Short(double v, int significant = 3)
{
    QString t = SignificantText(v, significant);
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
    }
    return t;
}

} // namespace

QString RadialFitSettingsError(const RadialFitSettings &s)
{
    if (!(s.permittivity >= kGroundMinPermittivity && s.permittivity <= kGroundMaxPermittivity))
        return QStringLiteral("permittivity %1 is outside %2 to %3")
            .arg(Short(s.permittivity, 6)).arg(kGroundMinPermittivity).arg(kGroundMaxPermittivity);
    for (double km : {s.minKm, s.maxKm})
        if (km != 0 && !GroundDistanceError(km).isEmpty())
            return GroundDistanceError(km);
    if (s.minKm > 0 && s.maxKm > 0 && s.minKm >= s.maxKm)
        return QStringLiteral("the distance window %1 to %2 km is empty").arg(Short(s.minKm, 6), Short(s.maxKm, 6));
    return QString();
}

void FitRadial(const QList<RadialPoint> &all, const RadialFitSettings &s, RadialFit *fit)
{
    const double f = fit->frequencyKhz;
    fit->fitted = false;
    if (f <= 0) {
        fit->notes << QStringLiteral("no measurement frequency: not fitted");
        fit->invalid += int(all.size());
        return;
    }
    if (!GroundParametersError({f, 1, s.permittivity}).isEmpty()) {
        fit->notes << QStringLiteral("the frequency %1 kHz is outside the model's %2 to %3 kHz: not fitted")
                          .arg(Short(f, 7)).arg(kGroundMinKhz).arg(kGroundMaxKhz);
        fit->outside += int(all.size());
        return;
    }
    // One wavelength out to 80 / cbrt(f in MHz) km, unless set.
    fit->minKm = s.minKm > 0 ? s.minKm : std::max(kGroundMinKm, 299.792458 / f);
    fit->maxKm = s.maxKm > 0 ? s.maxKm : std::min(kGroundMaxKm, 80 / std::cbrt(f / 1000));
    QList<RadialPoint> pts;
    for (const RadialPoint &p : all) {
        if (p.km < fit->minKm || p.km > fit->maxKm) {
            ++fit->outside;
            continue;
        }
        pts << p;
        if (p.km <= kCloseKm)
            ++fit->within3km;
    }
    fit->points = int(pts.size());
    if (fit->outside > 0)
        fit->notes << QStringLiteral("%1 outside %2 to %3 km, not fitted")
                          .arg(fit->outside == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(fit->outside),
                               Short(fit->minKm), Short(fit->maxKm));
    if (fit->invalid > 0)
        fit->notes << QStringLiteral("%1 without a valid distance or field strength, left out")
                          .arg(fit->invalid == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(fit->invalid));
    if (fit->points < 3) {
        fit->notes << QStringLiteral("too few points to fit (%1; 3 at least, %2 usual)").arg(fit->points).arg(kUsualPoints);
        return;
    }
    if (fit->points < kUsualPoints)
        fit->notes << QStringLiteral("only %1 points (%2 or more usual)").arg(fit->points).arg(kUsualPoints);
    if (fit->within3km < kUsualClose)
        fit->notes << QStringLiteral("only %1 within %2 km (%3 or more usual)")
                          .arg(fit->within3km == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(fit->within3km))
                          .arg(kCloseKm)
                          .arg(kUsualClose);

    // Coarse scan over the whole range, so that the refinement starts in the
    // global minimum's valley.
    const double lo = std::log10(kGroundMinMsm), hi = std::log10(kGroundMaxMsm);
    QVector<Trial> scan;
    for (double x = lo;; x += kScanStep) {
        scan << Evaluate(pts, f, s.permittivity, std::min(x, hi));
        if (x >= hi)
            break;
    }
    qsizetype best = 0;
    for (qsizetype i = 1; i < scan.size(); ++i)
        if (scan[i].rms < scan[best].rms)
            best = i;
    // Golden section between the neighbours of the best grid point.
    double a = scan[std::max<qsizetype>(best - 1, 0)].logSigma, b = scan[std::min(best + 1, scan.size() - 1)].logSigma;
    const double g = (std::sqrt(5.0) - 1) / 2;
    Trial c = Evaluate(pts, f, s.permittivity, b - g * (b - a)), d = Evaluate(pts, f, s.permittivity, a + g * (b - a));
    while (b - a > 1e-4) {
        if (c.rms < d.rms) {
            b = d.logSigma;
            d = c;
            c = Evaluate(pts, f, s.permittivity, b - g * (b - a));
        } else {
            a = c.logSigma;
            c = d;
            d = Evaluate(pts, f, s.permittivity, a + g * (b - a));
        }
    }
    Trial top = c.rms < d.rms ? c : d;
    if (scan[best].rms < top.rms)
        top = scan[best];
    QVector<double> residuals;
    top = Evaluate(pts, f, s.permittivity, top.logSigma, &residuals);
    fit->fitted = true;
    fit->conductivity = std::pow(10.0, top.logSigma);
    fit->fieldAt1km = std::pow(10.0, top.e1Db / 20);
    fit->rmsDb = top.rms;
    qsizetype worst = 0;
    for (qsizetype i = 1; i < residuals.size(); ++i)
        if (std::fabs(residuals[i]) > std::fabs(residuals[worst]))
            worst = i;
    fit->worstDb = residuals[worst];
    fit->worstPoint = pts[worst].point;

    // The valley: where the RMS stays within 0.5 dB of the best, its edges
    // found by bisection between grid points.
    const double limit = top.rms + kValleyDb;
    auto edge = [&](qsizetype from, int dir) -> double {
        qsizetype i = from;
        while (i + dir >= 0 && i + dir < scan.size() && scan[i + dir].rms <= limit)
            i += dir;
        if (i + dir < 0 || i + dir >= scan.size())
            return scan[i].logSigma; // the range's end
        double in = scan[i].logSigma, out = scan[i + dir].logSigma;
        if (scan[i].rms > limit) // the best lies between grid points
            in = top.logSigma;
        for (int k = 0; k < 12; ++k) {
            const double mid = (in + out) / 2;
            (Evaluate(pts, f, s.permittivity, mid).rms <= limit ? in : out) = mid;
        }
        return in;
    };
    const double lowLog = edge(best, -1), highLog = edge(best, +1);
    fit->conductivityLow = std::pow(10.0, std::min(lowLog, top.logSigma));
    fit->conductivityHigh = std::pow(10.0, std::max(highLog, top.logSigma));
    const bool lowOpen = lowLog <= lo + 1e-9, highOpen = highLog >= hi - 1e-9;
    const QString low = Short(fit->conductivityLow, 2), high = Short(fit->conductivityHigh, 2);
    const QString range = lowOpen && highOpen ? QStringLiteral("any conductivity from %1 to %2 mS/m").arg(low, high)
                          : lowOpen           ? QStringLiteral("%1 mS/m or less").arg(high)
                          : highOpen          ? QStringLiteral("%1 mS/m or more").arg(low)
                                              : QStringLiteral("%1 to %2 mS/m").arg(low, high);
    if (top.logSigma <= lo + kScanStep / 2 || top.logSigma >= hi - kScanStep / 2)
        fit->notes << QStringLiteral("the best conductivity lies at the edge of the %1 to %2 mS/m the model covers: "
                                     "the ground may be %3 than that")
                          .arg(kGroundMinMsm)
                          .arg(kGroundMaxMsm)
                          .arg(top.logSigma < (lo + hi) / 2 ? QStringLiteral("poorer") : QStringLiteral("better"));
    if (lowOpen || highOpen || fit->conductivityHigh > kPoorFactor * fit->conductivityLow)
        fit->notes << QStringLiteral("conductivity poorly determined: %1 fits within %2 dB of the best").arg(range).arg(kValleyDb);
    else
        fit->notes << QStringLiteral("conductivity %1 within %2 dB of the best").arg(range).arg(kValleyDb);
}

double EffectiveFieldOf(const QList<RadialFit> &radials)
{
    QList<const RadialFit *> r;
    bool bearings = true;
    for (const RadialFit &x : radials)
        if (x.fitted) {
            r << &x;
            bearings = bearings && x.hasBearing;
        }
    if (r.isEmpty())
        return 0;
    QVector<double> weight(r.size(), 1.0);
    if (bearings && r.size() > 1) {
        std::sort(r.begin(), r.end(), [](const RadialFit *a, const RadialFit *b) { return a->bearing < b->bearing; });
        for (qsizetype i = 0; i < r.size(); ++i) {
            const double prev = r[(i + r.size() - 1) % r.size()]->bearing, next = r[(i + 1) % r.size()]->bearing;
            const double before = std::fmod(r[i]->bearing - prev + 360, 360.0), after = std::fmod(next - r[i]->bearing + 360, 360.0);
            weight[i] = (before + after) / 2;
        }
        // All on one bearing: no angle to share out.
        if (std::all_of(weight.begin(), weight.end(), [](double w) { return w == 0; }))
            weight.fill(1.0);
    }
    double sw = 0, s = 0;
    for (qsizetype i = 0; i < r.size(); ++i) {
        sw += weight[i];
        s += weight[i] * r[i]->fieldAt1km * r[i]->fieldAt1km;
    }
    return std::sqrt(s / sw);
}

RadialAnalysis AnalyzeRadials(const QVector<SurveyRecord> &records, const RadialFitSettings &s)
{
    struct Series
    {
        RadialFit fit;
        QList<RadialPoint> points;
        QVector<double> frequencies, azimuths;
    };
    QList<Series> series;
    const QSet<QString> mixed = SurveyMixedPatternCalls(records);
    for (const SurveyRecord &r : records) {
        const QString name = SurveySeriesName(r, mixed);
        auto it = std::find_if(series.begin(), series.end(), [&](const Series &x) { return x.fit.name == name; });
        if (it == series.end()) {
            Series n;
            n.fit.callSign = r.callSign;
            n.fit.pattern = r.pattern;
            n.fit.radial = r.radial;
            n.fit.name = name;
            series << n;
            it = series.end() - 1;
        }
        if (r.measFrequency.numeric && r.measFrequency.value > 0)
            it->frequencies << r.measFrequency.value;
        if (r.azimuth.numeric && std::isfinite(r.azimuth.value))
            it->azimuths << r.azimuth.value;
        if (r.distance.numeric && r.mvm.numeric && r.distance.value > 0 && r.mvm.value > 0 && std::isfinite(r.distance.value)
            && std::isfinite(r.mvm.value))
            it->points << RadialPoint{r.distance.value, r.mvm.value, r.pointNumber};
        else
            ++it->fit.invalid;
    }
    std::stable_sort(series.begin(), series.end(), [](const Series &a, const Series &b) {
        if (a.fit.callSign != b.fit.callSign)
            return a.fit.callSign < b.fit.callSign;
        return a.fit.pattern != b.fit.pattern ? a.fit.pattern < b.fit.pattern : RadialBefore(a.fit.radial, b.fit.radial);
    });
    RadialAnalysis out;
    for (Series &x : series) {
        x.fit.frequencyKhz = x.frequencies.isEmpty() ? 0 : Median(x.frequencies);
        x.fit.hasBearing = !x.azimuths.isEmpty();
        x.fit.bearing = x.fit.hasBearing ? MedianBearing(x.azimuths) : 0;
        FitRadial(x.points, s, &x.fit);
        out.radials << x.fit;
    }
    for (qsizetype i = 0; i < out.radials.size();) {
        qsizetype j = i;
        QList<RadialFit> group;
        while (j < out.radials.size() && out.radials[j].callSign == out.radials[i].callSign
               && out.radials[j].pattern == out.radials[i].pattern)
            group << out.radials[j++];
        EffectiveField e;
        e.callSign = out.radials[i].callSign;
        e.pattern = out.radials[i].pattern;
        e.radials = int(std::count_if(group.begin(), group.end(), [](const RadialFit &r) { return r.fitted; }));
        e.mvm = EffectiveFieldOf(group);
        if (e.radials > 0)
            out.effective << e;
        i = j;
    }
    return out;
}

QStringList RadialTableColumns()
{
    return {QStringLiteral("Call Sign"),           QStringLiteral("Pattern"),        QStringLiteral("Radial"),
            QStringLiteral("Frequency (kHz)"),     QStringLiteral("Bearing (deg)"),  QStringLiteral("Points"),
            QStringLiteral("Conductivity (mS/m)"), QStringLiteral("Field at 1 km (mV/m)"),
            QStringLiteral("RMS Error (dB)"),      QStringLiteral("Worst Point"),    QStringLiteral("Worst Residual (dB)")};
}

QList<QStringList> RadialTableRows(const RadialAnalysis &analysis)
{
    QList<QStringList> rows;
    for (const RadialFit &r : analysis.radials) {
        QStringList row{r.callSign, r.pattern, r.radial, r.frequencyKhz > 0 ? Short(r.frequencyKhz, 7) : QString(),
                        r.hasBearing ? FixedText(r.bearing, 1) : QString(), IntText(r.points)};
        if (r.fitted)
            row << Number(r.conductivity, 3) << Number(r.fieldAt1km, 4) << FixedText(r.rmsDb, 2) << r.worstPoint
                << FixedText(r.worstDb, 2);
        else
            row << QString() << QString() << QString() << QString() << QString();
        rows << row;
    }
    return rows;
}

QString EffectiveFieldText(const EffectiveField &e)
{
    const QString who = (e.callSign + QLatin1Char(' ') + e.pattern).trimmed();
    return QStringLiteral("Effective field at 1 km of %1: %2 mV/m (RMS of %3)")
        .arg(who, Number(e.mvm, 4), e.radials == 1 ? QStringLiteral("1 radial") : QStringLiteral("%1 radials").arg(e.radials));
}
