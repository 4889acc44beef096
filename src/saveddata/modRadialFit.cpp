// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modRadialFit.h"
#include "common/modConvert.h"
#include "saveddata/modFieldPlot.h"
#include "saveddata/modGroundWave.h"
#include "saveddata/modSurveyCsv.h"
#include "storage/clsFile.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <numeric>

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

// The attenuation in dB at `km`; below the model's shortest distance it
// falls linearly to 0 dB at the antenna (Millington's backward sum needs
// the short remainders beyond a break).
double AttenuationDb(const GroundWave &model, double km)
{
    if (km >= kGroundMinKm)
        return 20 * std::log10(model.attenuation(km));
    return km <= 0 ? 0 : 20 * std::log10(model.attenuation(kGroundMinKm)) * km / kGroundMinKm;
}

// Millington: the mean of the forward and the backward sums of the two
// homogeneous paths' attenuations, in dB.
double Millington(double nearAtBreak, double farAtBreak, double farAtD, double farRest, double nearRest, double nearAtD)
{
    return (nearAtBreak - farAtBreak + farAtD + farRest - nearRest + nearAtD) / 2;
}

// At least so many points on each side of a break.
constexpr int kSideMinimum = 3;

// Breaks between neighbouring points, midway on the log scale the plot
// shows, with at least kSideMinimum points on each side.
QVector<double> BreaksBetween(const QVector<double> &km)
{
    QVector<qsizetype> order(km.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return km[a] < km[b]; });
    QVector<double> breaks;
    for (qsizetype i = kSideMinimum; i + kSideMinimum <= order.size(); ++i) {
        const double a = km[order[i - 1]], b = km[order[i]];
        if (b > a)
            breaks << std::sqrt(a * b);
    }
    return breaks;
}

// The points of a two-segment fit and the sums over them.
class TwoSegments
{
public:
    // Per conductivity, the attenuations the sums need: at the points, at
    // each break, and over each point's distance beyond each break.
    struct Tabled
    {
        double logSigma;
        QVector<double> atPoint, atBreak, beyond; // beyond[j * n + i]
    };

    TwoSegments(const QVector<double> &km, const QVector<double> &y, const QVector<double> &breaks, double f, double eps)
        : km(km), y(y), breaks(breaks), f(f), eps(eps), n(km.size()), m(breaks.size())
    {
    }

    Tabled Table(double logSigma) const
    {
        const GroundWave model({f, std::pow(10.0, logSigma), eps});
        Tabled t;
        t.logSigma = logSigma;
        for (double d : km)
            t.atPoint << AttenuationDb(model, d);
        t.beyond.resize(m * n);
        for (qsizetype j = 0; j < m; ++j) {
            t.atBreak << AttenuationDb(model, breaks[j]);
            for (qsizetype i = 0; i < n; ++i)
                t.beyond[j * n + i] = km[i] > breaks[j] ? AttenuationDb(model, km[i] - breaks[j]) : 0;
        }
        return t;
    }

    // RMS after the best field at 1 km; *e1Db gets that field.
    double Rms(const Tabled &near, const Tabled &far, qsizetype j, double *e1Db) const
    {
        double sum = 0, ss = 0;
        QVector<double> r(n);
        for (qsizetype i = 0; i < n; ++i) {
            const double a = km[i] <= breaks[j] ? near.atPoint[i]
                                                : Millington(near.atBreak[j], far.atBreak[j], far.atPoint[i], far.beyond[j * n + i],
                                                             near.beyond[j * n + i], near.atPoint[i]);
            r[i] = y[i] - a;
            sum += r[i];
        }
        const double mean = sum / n;
        for (double v : r)
            ss += (v - mean) * (v - mean);
        if (e1Db)
            *e1Db = mean;
        return std::sqrt(ss / n);
    }

    // The best break and pair of grid conductivities; returns its RMS.
    double Scan(const QVector<Tabled> &grid, qsizetype *bestJ, qsizetype *bestA, qsizetype *bestB) const
    {
        double best = HUGE_VAL;
        for (qsizetype j = 0; j < m; ++j)
            for (qsizetype a = 0; a < grid.size(); ++a)
                for (qsizetype b = 0; b < grid.size(); ++b) {
                    const double e = Rms(grid[a], grid[b], j, nullptr);
                    if (e < best)
                        best = e, *bestJ = j, *bestA = a, *bestB = b;
                }
        return best;
    }

    // Each conductivity in turn by golden section between its neighbours
    // on the grid, the other held; best is the RMS to beat and is lowered.
    void Refine(const QVector<Tabled> &grid, qsizetype bestJ, qsizetype bestA, qsizetype bestB, Tabled &near, Tabled &far,
                double &best) const
    {
        const double g = (std::sqrt(5.0) - 1) / 2;
        for (int round = 0; round < 2; ++round)
            for (Tabled *which : {&near, &far}) {
                const qsizetype at = which == &near ? bestA : bestB;
                double a = grid[std::max<qsizetype>(at - 1, 0)].logSigma, b = grid[std::min(at + 1, grid.size() - 1)].logSigma;
                const Tabled keep = *which;
                auto value = [&](double x) {
                    *which = Table(x);
                    return Rms(near, far, bestJ, nullptr);
                };
                double c = b - g * (b - a), d = a + g * (b - a), fc = value(c), fd = value(d);
                while (b - a > 1e-3) {
                    if (fc < fd)
                        b = d, d = c, fd = fc, c = b - g * (b - a), fc = value(c);
                    else
                        a = c, c = d, fc = fd, d = a + g * (b - a), fd = value(d);
                }
                const double x = fc < fd ? c : d;
                *which = Table(x);
                if (Rms(near, far, bestJ, nullptr) > best)
                    *which = keep;
                else
                    best = Rms(near, far, bestJ, nullptr);
            }
    }

private:
    const QVector<double> &km, &y, &breaks;
    const double f, eps;
    const qsizetype n, m;
};

// The two-segment fit over a scan of breaks (between neighbouring points)
// and conductivity pairs, then a refinement of both conductivities; false
// when the points allow no break.
bool FitTwoSegments(const QList<RadialPoint> &pts, double f, double eps, RadialFit *fit)
{
    QVector<double> km, y; // y: 20 log10(E d)
    for (const RadialPoint &p : pts)
        km << p.km, y << 20 * std::log10(p.mvm * p.km);
    const QVector<double> breaks = BreaksBetween(km);
    if (breaks.isEmpty())
        return false;
    const TwoSegments two(km, y, breaks, f, eps);
    const double lo = std::log10(kGroundMinMsm), hi = std::log10(kGroundMaxMsm);
    QVector<TwoSegments::Tabled> grid;
    for (double x = lo;; x += kScanStep) {
        grid << two.Table(std::min(x, hi));
        if (x >= hi)
            break;
    }
    qsizetype bestJ = 0, bestA = 0, bestB = 0;
    double best = two.Scan(grid, &bestJ, &bestA, &bestB);
    TwoSegments::Tabled near = grid[bestA], far = grid[bestB];
    two.Refine(grid, bestJ, bestA, bestB, near, far, best);
    double e1Db = 0;
    best = two.Rms(near, far, bestJ, &e1Db);
    if (!(best < fit->rmsDb))
        return true;
    fit->twoSegment = true;
    fit->breakKm = breaks[bestJ];
    fit->conductivityNear = std::pow(10.0, near.logSigma);
    fit->conductivityFar = std::pow(10.0, far.logSigma);
    fit->twoFieldAt1km = std::pow(10.0, e1Db / 20);
    fit->twoRmsDb = best;
    return true;
}

} // namespace

double MixedPathDb(double f, double eps, double nearMsm, double farMsm, double breakKm, double km)
{
    const GroundWave near({f, nearMsm, eps});
    if (km <= breakKm)
        return AttenuationDb(near, km);
    const GroundWave far({f, farMsm, eps});
    return Millington(AttenuationDb(near, breakKm), AttenuationDb(far, breakKm), AttenuationDb(far, km),
                      AttenuationDb(far, km - breakKm), AttenuationDb(near, km - breakKm), AttenuationDb(near, km));
}

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

namespace {

// The points within the fit's distance window, with the notes on what was
// left out and on too few points; false when there is nothing to fit.
bool SelectPoints(const QList<RadialPoint> &all, const RadialFitSettings &s, RadialFit *fit, QList<RadialPoint> *selected)
{
    const double f = fit->frequencyKhz;
    if (f <= 0) {
        fit->notes << QStringLiteral("no measurement frequency: not fitted");
        fit->invalid += int(all.size());
        return false;
    }
    if (!GroundParametersError({f, 1, s.permittivity}).isEmpty()) {
        fit->notes << QStringLiteral("the frequency %1 kHz is outside the model's %2 to %3 kHz: not fitted")
                          .arg(Short(f, 7)).arg(kGroundMinKhz).arg(kGroundMaxKhz);
        fit->outside += int(all.size());
        return false;
    }
    // One wavelength out to 80 / cbrt(f in MHz) km, unless set.
    fit->minKm = s.minKm > 0 ? s.minKm : std::max(kGroundMinKm, 299.792458 / f);
    fit->maxKm = s.maxKm > 0 ? s.maxKm : std::min(kGroundMaxKm, 80 / std::cbrt(f / 1000));
    QList<RadialPoint> &pts = *selected;
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
    if (fit->leftOutPoints > 0)
        fit->notes << QStringLiteral("%1 left out of the fit by hand")
                          .arg(fit->leftOutPoints == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(fit->leftOutPoints));
    if (fit->invalid > 0)
        fit->notes << QStringLiteral("%1 without a valid distance or field strength, left out")
                          .arg(fit->invalid == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(fit->invalid));
    if (fit->points < 3) {
        fit->notes << QStringLiteral("too few points to fit (%1; 3 at least, %2 usual)").arg(fit->points).arg(kUsualPoints);
        return false;
    }
    if (fit->points < kUsualPoints)
        fit->notes << QStringLiteral("only %1 points (%2 or more usual)").arg(fit->points).arg(kUsualPoints);
    if (fit->within3km < kUsualClose)
        fit->notes << QStringLiteral("only %1 within %2 km (%3 or more usual)")
                          .arg(fit->within3km == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(fit->within3km))
                          .arg(kCloseKm)
                          .arg(kUsualClose);
    return true;
}

// The single conductivity of least RMS: a coarse scan over the whole range
// (into *scan, its best at *best), so that the refinement starts in the
// global minimum's valley, then a golden section.
Trial BestConductivity(const QList<RadialPoint> &pts, double f, double eps, QVector<Trial> *scan, qsizetype *best)
{
    const double lo = std::log10(kGroundMinMsm), hi = std::log10(kGroundMaxMsm);
    for (double x = lo;; x += kScanStep) {
        *scan << Evaluate(pts, f, eps, std::min(x, hi));
        if (x >= hi)
            break;
    }
    *best = 0;
    for (qsizetype i = 1; i < scan->size(); ++i)
        if ((*scan)[i].rms < (*scan)[*best].rms)
            *best = i;
    // Golden section between the neighbours of the best grid point.
    double a = (*scan)[std::max<qsizetype>(*best - 1, 0)].logSigma, b = (*scan)[std::min(*best + 1, scan->size() - 1)].logSigma;
    const double g = (std::sqrt(5.0) - 1) / 2;
    Trial c = Evaluate(pts, f, eps, b - g * (b - a)), d = Evaluate(pts, f, eps, a + g * (b - a));
    while (b - a > 1e-4) {
        if (c.rms < d.rms) {
            b = d.logSigma;
            d = c;
            c = Evaluate(pts, f, eps, b - g * (b - a));
        } else {
            a = c.logSigma;
            c = d;
            d = Evaluate(pts, f, eps, a + g * (b - a));
        }
    }
    Trial top = c.rms < d.rms ? c : d;
    if ((*scan)[*best].rms < top.rms)
        top = (*scan)[*best];
    return top;
}

// The valley: where the RMS stays within 0.5 dB of the best, its edges
// found by bisection between grid points; noted with how well it pins the
// conductivity down.
void NoteValley(const QList<RadialPoint> &pts, double f, double eps, const QVector<Trial> &scan, qsizetype best, const Trial &top,
                RadialFit *fit)
{
    const double lo = std::log10(kGroundMinMsm), hi = std::log10(kGroundMaxMsm);
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
            (Evaluate(pts, f, eps, mid).rms <= limit ? in : out) = mid;
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

void NoteTwoSegments(const QList<RadialPoint> &pts, double f, double eps, RadialFit *fit)
{
    const bool tried = FitTwoSegments(pts, f, eps, fit);
    fit->notes << (fit->twoSegment
                       ? QStringLiteral("RMS error above %1 dB: two segments fit with %2 dB, %3 mS/m to %4 km and %5 mS/m beyond")
                             .arg(kTwoSegmentAboveDb)
                             .arg(FixedText(fit->twoRmsDb, 2), Short(fit->conductivityNear), Short(fit->breakKm),
                                  Short(fit->conductivityFar))
                   : tried ? QStringLiteral("RMS error above %1 dB; two segments fit no better").arg(kTwoSegmentAboveDb)
                           : QStringLiteral("RMS error above %1 dB; too few points for a two-segment fit (%2 on each side of a break)")
                                 .arg(kTwoSegmentAboveDb)
                                 .arg(kSideMinimum));
}

} // namespace

void FitRadial(const QList<RadialPoint> &all, const RadialFitSettings &s, RadialFit *fit)
{
    const double f = fit->frequencyKhz;
    fit->fitted = false;
    fit->permittivity = s.permittivity;
    QList<RadialPoint> pts;
    if (!SelectPoints(all, s, fit, &pts))
        return;
    QVector<Trial> scan;
    qsizetype best = 0;
    Trial top = BestConductivity(pts, f, s.permittivity, &scan, &best);
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
    NoteValley(pts, f, s.permittivity, scan, best, top, fit);
    if (fit->rmsDb > kTwoSegmentAboveDb)
        NoteTwoSegments(pts, f, s.permittivity, fit);
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

QList<RadialSeries> GroupRadials(const QList<FieldPlotRecord> &records)
{
    struct Series
    {
        RadialSeries radial;
        QVector<double> frequencies, azimuths;
    };
    QList<Series> series;
    QHash<QString, qsizetype> at;
    const QSet<QString> mixed = FieldPlotMixedPatternCalls(records);
    for (qsizetype index = 0; index < records.size(); ++index) {
        const FieldPlotRecord &r = records.at(index);
        const QString key = r.callSign + QChar(0x1F) + r.pattern + QChar(0x1F) + r.radial;
        auto it = at.constFind(key);
        if (it == at.constEnd()) {
            Series n;
            n.radial.fit.callSign = r.callSign;
            n.radial.fit.pattern = r.pattern;
            n.radial.fit.radial = r.radial;
            n.radial.fit.name = SurveySeriesName(r.callSign, r.pattern, r.radial, mixed);
            series << n;
            it = at.insert(key, series.size() - 1);
        }
        Series &x = series[*it];
        double f = 0, azimuth = 0, km = 0, mvm = 0;
        if (ToDouble(r.frequency, &f) && f > 0)
            x.frequencies << f;
        if (ToDouble(r.azimuth, &azimuth) && std::isfinite(azimuth))
            x.azimuths << azimuth;
        if (ToDouble(r.distance, &km) && ToDouble(r.fieldStrength, &mvm) && km > 0 && mvm > 0 && std::isfinite(km)
            && std::isfinite(mvm))
            x.radial.points << RadialPoint{km, mvm, r.pointNumber, int(index)};
        else
            ++x.radial.fit.invalid;
    }
    std::stable_sort(series.begin(), series.end(), [](const Series &a, const Series &b) {
        const RadialFit &x = a.radial.fit, &y = b.radial.fit;
        if (x.callSign != y.callSign)
            return x.callSign < y.callSign;
        return x.pattern != y.pattern ? x.pattern < y.pattern : RadialBefore(x.radial, y.radial);
    });
    QList<RadialSeries> out;
    for (Series &x : series) {
        x.radial.fit.frequencyKhz = x.frequencies.isEmpty() ? 0 : Median(x.frequencies);
        x.radial.fit.hasBearing = !x.azimuths.isEmpty();
        x.radial.fit.bearing = x.radial.fit.hasBearing ? MedianBearing(x.azimuths) : 0;
        out << x.radial;
    }
    return out;
}

RadialFit FitSeries(const RadialSeries &series, const RadialFitSettings &s, const QSet<int> &leftOutRecords)
{
    RadialFit fit = series.fit;
    QList<RadialPoint> points;
    for (const RadialPoint &p : series.points)
        if (leftOutRecords.contains(p.record))
            ++fit.leftOutPoints;
        else
            points << p;
    FitRadial(points, s, &fit);
    return fit;
}

QList<EffectiveField> EffectiveFields(const QList<RadialFit> &radials)
{
    QList<EffectiveField> out;
    for (qsizetype i = 0; i < radials.size();) {
        qsizetype j = i;
        QList<RadialFit> group;
        while (j < radials.size() && radials[j].callSign == radials[i].callSign && radials[j].pattern == radials[i].pattern) {
            if (!radials[j].leftOut)
                group << radials[j];
            ++j;
        }
        EffectiveField e;
        e.callSign = radials[i].callSign;
        e.pattern = radials[i].pattern;
        e.radials = int(std::count_if(group.begin(), group.end(), [](const RadialFit &r) { return r.fitted; }));
        e.mvm = EffectiveFieldOf(group);
        if (e.radials > 0)
            out << e;
        i = j;
    }
    return out;
}

RadialAnalysis AnalyzeRadials(const QList<FieldPlotRecord> &records, const RadialFitSettings &s)
{
    RadialAnalysis out;
    for (const RadialSeries &series : GroupRadials(records))
        out.radials << FitSeries(series, s);
    out.effective = EffectiveFields(out.radials);
    return out;
}

RadialAnalysis AnalyzeRadials(const QVector<SurveyRecord> &records, const RadialFitSettings &s)
{
    return AnalyzeRadials(FieldPlotRecords(records), s);
}

void ApplyRadialFits(FieldPlot *plot, const QList<RadialFit> &fits, const QSet<int> &leftOutRecords)
{
    // Enough vertices that the curve looks smooth at any size.
    constexpr int kCurveSteps = 48;
    QHash<QString, const RadialFit *> byKey;
    for (const RadialFit &f : fits)
        byKey.insert(f.callSign + QChar(0x1F) + f.pattern + QChar(0x1F) + f.radial, &f);
    for (FieldPlotSeries &s : plot->series) {
        const RadialFit *f = byKey.value(s.callSign + QChar(0x1F) + s.pattern + QChar(0x1F) + s.radial);
        s.curve.clear();
        s.twoSegment.clear();
        s.reference.clear();
        s.leftOut.clear();
        s.faded = f && f->leftOut;
        for (int record : std::as_const(s.records))
            s.leftOut << leftOutRecords.contains(record);
        if (!f || !f->fitted)
            continue;
        const double from = qMax(s.points.first().x(), kGroundMinKm), to = qMin(s.points.last().x(), kGroundMaxKm);
        if (!(to > from))
            continue;
        const GroundWave model({f->frequencyKhz, f->conductivity, f->permittivity});
        for (int i = 0; i <= kCurveSteps; ++i) {
            const double km = from * std::pow(to / from, double(i) / kCurveSteps);
            s.curve << QPointF(km, model.field(f->fieldAt1km, km));
            if (f->twoSegment)
                s.twoSegment << QPointF(km, f->twoFieldAt1km / km
                                                * std::pow(10.0, MixedPathDb(f->frequencyKhz, f->permittivity, f->conductivityNear,
                                                                             f->conductivityFar, f->breakKm, km)
                                                                     / 20));
        }
        s.reference = {QPointF(from, f->fieldAt1km / from)};
    }
    FieldPlotRanges(plot);
}

QStringList RadialTableColumns()
{
    return {QStringLiteral("Call Sign"),
            QStringLiteral("Pattern"),
            QStringLiteral("Radial"),
            QStringLiteral("Frequency (kHz)"),
            QStringLiteral("Bearing (deg)"),
            QStringLiteral("Points"),
            QStringLiteral("Conductivity (mS/m)"),
            QStringLiteral("Field at 1 km (mV/m)"),
            QStringLiteral("RMS Error (dB)"),
            QStringLiteral("Worst Point"),
            QStringLiteral("Worst Residual (dB)"),
            QStringLiteral("Break (km)"),
            QStringLiteral("Conductivity to Break (mS/m)"),
            QStringLiteral("Conductivity beyond Break (mS/m)"),
            QStringLiteral("Two-Segment Field at 1 km (mV/m)"),
            QStringLiteral("Two-Segment RMS Error (dB)")};
}

QStringList RadialTableRow(const RadialFit &r)
{
    QStringList row{r.callSign, r.pattern, r.radial, r.frequencyKhz > 0 ? Short(r.frequencyKhz, 7) : QString(),
                    r.hasBearing ? FixedText(r.bearing, 1) : QString(), IntText(r.points)};
    if (r.fitted)
        row << Number(r.conductivity, 3) << Number(r.fieldAt1km, 4) << FixedText(r.rmsDb, 2) << r.worstPoint
            << FixedText(r.worstDb, 2);
    else
        row << QString() << QString() << QString() << QString() << QString();
    if (r.fitted && r.twoSegment)
        row << Number(r.breakKm, 3) << Number(r.conductivityNear, 3) << Number(r.conductivityFar, 3) << Number(r.twoFieldAt1km, 4)
            << FixedText(r.twoRmsDb, 2);
    else
        row << QString() << QString() << QString() << QString() << QString();
    return row;
}

QList<QStringList> RadialTableRows(const RadialAnalysis &analysis)
{
    QList<QStringList> rows;
    for (const RadialFit &r : analysis.radials)
        if (!r.leftOut)
            rows << RadialTableRow(r);
    return rows;
}

bool WriteRadialCsv(const QString &path, const RadialAnalysis &analysis)
{
    clsFile file;
    file.setCompleteFileName(path);
    if (!file.WriteHeader(RadialTableColumns()))
        return false; // told already
    bool ok = true;
    for (const QStringList &row : RadialTableRows(analysis)) {
        QStringList fields;
        for (int c = 0; c < row.size(); ++c) {
            // Names quoted, numbers as they are.
            QString t = row.at(c);
            fields << (c <= 2 || c == 9 ? QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"') : t);
        }
        ok = ok && file.WriteLine(fields.join(QLatin1Char(',')));
    }
    if (ok && file.CloseFile())
        return true;
    const QString reason = file.LastError();
    file.DiscardFile();
    TellWriteError(reason);
    return false;
}

QString EffectiveFieldText(const EffectiveField &e)
{
    const QString who = (e.callSign + QLatin1Char(' ') + e.pattern).trimmed();
    return QStringLiteral("Effective field at 1 km of %1: %2 mV/m (RMS of %3)")
        .arg(who, Number(e.mvm, 4), e.radials == 1 ? QStringLiteral("1 radial") : QStringLiteral("%1 radials").arg(e.radials));
}
