// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis of a survey's radials: for each series (call sign, pattern,
// radial) the ground conductivity and the unattenuated field at 1 km whose
// ground-wave curve fits the measured points best (least squares in dB),
// and per call sign and pattern the effective field at 1 km.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

struct SurveyRecord;
struct FieldPlotRecord;
struct FieldPlot;

struct RadialFitSettings
{
    double permittivity = 15;
    double minKm = 0; // 0: one wavelength
    double maxKm = 0; // 0: 80 / cbrt(f in MHz)
};

// Empty when the settings can be used, else the reason.
QString RadialFitSettingsError(const RadialFitSettings &settings);

struct RadialPoint
{
    double km = 0;
    double mvm = 0;
    QString point;   // the record's point number
    int record = -1; // its place in the list of records analysed
};

struct RadialFit
{
    QString callSign, pattern, radial, name;
    double frequencyKhz = 0; // median of the records' measurement frequency; 0: none
    bool hasBearing = false;
    double bearing = 0;      // median azimuth, degrees
    double minKm = 0, maxKm = 0; // the distance window
    int points = 0;          // fitted
    int outside = 0;         // valid, but outside the window
    int invalid = 0;         // no valid distance or field strength
    int within3km = 0;       // fitted points within 3 km

    bool fitted = false;
    double conductivity = 0; // mS/m
    double fieldAt1km = 0;   // mV/m
    double rmsDb = 0;
    QString worstPoint;
    double worstDb = 0;      // measured minus fitted
    // The conductivities whose best RMS error lies within 0.5 dB of the best.
    double conductivityLow = 0, conductivityHigh = 0;
    double permittivity = 15; // the one fitted with
    int leftOutPoints = 0;    // left out of the fit by the user
    bool leftOut = false;     // left out of the effective field by the user

    // Where one conductivity leaves more than 1.5 dB RMS error: the best
    // two-segment path (one conductivity to the break, another beyond,
    // joined by Millington's method), offered beside the single fit.
    bool twoSegment = false;
    double breakKm = 0;
    double conductivityNear = 0, conductivityFar = 0; // mS/m
    double twoFieldAt1km = 0;                          // mV/m
    double twoRmsDb = 0;

    // What a user should know before trusting the numbers, in words.
    QStringList notes;
};

struct EffectiveField
{
    QString callSign, pattern;
    double mvm = 0;
    int radials = 0;
};

struct RadialAnalysis
{
    QList<RadialFit> radials;
    QList<EffectiveField> effective;
};

// Above this RMS error (dB) a two-segment fit is tried.
constexpr double kTwoSegmentAboveDb = 1.5;

// Fits one radial's points; `fit` brings the names, frequency and counts
// and gets the rest.
void FitRadial(const QList<RadialPoint> &points, const RadialFitSettings &settings, RadialFit *fit);

// One series of records, grouped and ready to fit: the names, frequency,
// bearing and count of invalid records in `fit`.
struct RadialSeries
{
    RadialFit fit;
    QList<RadialPoint> points; // valid ones, in the records' order
};

// The records grouped into series (call sign, pattern, radial), sorted as
// the table lists them.
QList<RadialSeries> GroupRadials(const QList<FieldPlotRecord> &records);
// The fit of one series, the points of the records in `leftOutRecords`
// left out (and counted).
RadialFit FitSeries(const RadialSeries &series, const RadialFitSettings &settings, const QSet<int> &leftOutRecords = {});
// Per call sign and pattern, the effective field of the radials fitted and
// not left out.
QList<EffectiveField> EffectiveFields(const QList<RadialFit> &radials);

// Groups the records into series and fits each.
RadialAnalysis AnalyzeRadials(const QVector<SurveyRecord> &records, const RadialFitSettings &settings);
RadialAnalysis AnalyzeRadials(const QList<FieldPlotRecord> &records, const RadialFitSettings &settings);

// The two-segment field's attenuation in dB at `km` by Millington's
// method: `nearMsm` out to `breakKm`, `farMsm` beyond.
double MixedPathDb(double frequencyKhz, double permittivity, double nearMsm, double farMsm, double breakKm, double km);

// Puts the fits into the plot: each fitted series gets its ground-wave
// curve over the span of its points and its unattenuated line E1/d; the
// points of `leftOutRecords` are marked, radials left out faded.
void ApplyRadialFits(FieldPlot *plot, const QList<RadialFit> &fits, const QSet<int> &leftOutRecords);

// The RMS of the fields at 1 km, each weighted by the angle its radial
// stands for (half the gaps to its neighbours); radials without a bearing
// make it the plain RMS.
double EffectiveFieldOf(const QList<RadialFit> &radials);

// The table's column names and rows, numbers in the plain form: the eleven
// columns of the single fit, then those of the two-segment fit. Radials
// left out by the user have no row.
QStringList RadialTableColumns();
QStringList RadialTableRow(const RadialFit &fit);
QList<QStringList> RadialTableRows(const RadialAnalysis &analysis);
// Writes the table as a CSV file (names quoted, numbers as they are)
// through the atomic file writer; false after telling why not
// (TellWriteError). The earlier file stays unless it was written.
bool WriteRadialCsv(const QString &path, const RadialAnalysis &analysis);
// "Effective field at 1 km of KDCV DA-N: 1234.5 mV/m (RMS of 8 radials)"
QString EffectiveFieldText(const EffectiveField &field);
