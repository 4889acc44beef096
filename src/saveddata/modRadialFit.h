// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis of a survey's radials: for each series (call sign, pattern,
// radial) the ground conductivity and the unattenuated field at 1 km whose
// ground-wave curve fits the measured points best (least squares in dB),
// and per call sign and pattern the effective field at 1 km.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

struct SurveyRecord;

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
    QString point; // the record's point number
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

// Fits one radial's points; `fit` brings the names, frequency and counts
// and gets the rest.
void FitRadial(const QList<RadialPoint> &points, const RadialFitSettings &settings, RadialFit *fit);

// Groups the records into series and fits each.
RadialAnalysis AnalyzeRadials(const QVector<SurveyRecord> &records, const RadialFitSettings &settings);

// The RMS of the fields at 1 km, each weighted by the angle its radial
// stands for (half the gaps to its neighbours); radials without a bearing
// make it the plain RMS.
double EffectiveFieldOf(const QList<RadialFit> &radials);

// The table's column names and rows, numbers in the plain form.
QStringList RadialTableColumns();
QList<QStringList> RadialTableRows(const RadialAnalysis &analysis);
// "Effective field at 1 km of KDCV DA-N: 1234.5 mV/m (RMS of 8 radials)"
QString EffectiveFieldText(const EffectiveField &field);
