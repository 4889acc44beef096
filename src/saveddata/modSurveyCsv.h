// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a saved-data CSV file as the program writes it (a header of quoted
// column names, then one record line each, in Windows-1252) or as a
// spreadsheet saves it again: any line ends, doubled quotes, UTF-8 with or
// without a byte-order mark, other time forms. The header's names decide
// which column is which, so files of 29, 30 and 31 columns (or columns in
// another order) all read. A field masked with dashes reads as empty and
// marked masked.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// A number field: its text as written (trimmed; empty when masked) and its
// value when the text is a number in the meter's plain form.
struct SurveyNumber
{
    QString text;
    double value = 0;
    bool numeric = false;
    bool masked = false;
};

struct SurveyRecord
{
    int line = 0; // line in the file the record starts on, the header being line 1

    QString callSign;
    QString radial;
    QString pointNumber;
    QString pattern;
    QString initials;
    QString note;
    QString utcTime;   // as written, e.g. "07-Nov-2026 14:03:22"; empty when masked
    QString localTime; // likewise

    SurveyNumber measFrequency; // kHz
    SurveyNumber mvm;           // mV/m
    SurveyNumber dbuv;
    SurveyNumber distance; // km
    SurveyNumber azimuth;  // degrees
    SurveyNumber elevation;
    SurveyNumber latitude;
    SurveyNumber longitude;
    bool gpsValid = false; // "GPS Valid" reads TRUE (any case) or 1

    // "GPS Valid" true, latitude and longitude unmasked numbers within
    // +-90 and +-180.
    bool positionValid = false;
    // The coordinates in the record's own digits when they are plain
    // decimals, otherwise the value written out in full; empty when the
    // position is not valid. Elevation likewise, empty when not numeric.
    QString latitudeText;
    QString longitudeText;
    QString elevationText;
};

// Moved by their bytes when the list grows: a full meter's file keeps no
// second copy of its records while they are read.
Q_DECLARE_TYPEINFO(SurveyNumber, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(SurveyRecord, Q_RELOCATABLE_TYPE);

struct SurveyCsv
{
    QStringList columns; // the header's names
    QVector<SurveyRecord> records;
};

// Parses the file's bytes. On failure returns false, sets *error to a text
// naming the line ("line 7: 12 fields where the header names 29") and
// *badLine to that line number (0 when no line is at fault).
bool ParseSurveyCsv(const QByteArray &bytes, SurveyCsv *csv, QString *error, int *badLine = nullptr);

// The largest file read; a bigger one is refused with a reason.
constexpr qint64 kSurveyCsvMaxBytes = qint64(256) << 20;

// Reads and parses a file (any name the system has, see modFileName); an
// unreadable file gives the system's reason.
bool ReadSurveyCsv(const QString &path, SurveyCsv *csv, QString *error, int *badLine = nullptr);

// A time as the meter writes it ("07-Nov-2026 14:03:22") or a spreadsheet
// again ("11/7/2026 2:03 PM", "2026-11-07T14:03:22Z", "2026-11-07 14:03:22",
// "07.11.2026 14:03") in ISO 8601 ("2026-11-07T14:03:22", with "Z" appended
// when utc); empty when the text is no such time.
QString SurveyIsoTime(const QString &text, bool utc = true);

// A series is one call sign, antenna pattern and radial, named e.g.
// "KDCV DA-N radial 1": the map's folders and tracks, the plot's series and
// the radial analysis are grouped and named so. A non-directional pattern
// ("ND", or none) stays out of the name unless the call sign has records of
// another pattern; `mixedCalls` holds those call signs.
QString SurveySeriesName(const QString &callSign, const QString &pattern, const QString &radial,
                         const QSet<QString> &mixedCalls = {});
QString SurveySeriesName(const SurveyRecord &record, const QSet<QString> &mixedCalls = {});
// The call signs whose records carry more than one pattern.
QSet<QString> SurveyMixedPatternCalls(const QVector<SurveyRecord> &records);

// "1 record" or "N records", for the messages that count them.
QString RecordsText(int n);

// True when every character of the trimmed text is a dash (and there is one).
bool IsMaskedField(const QString &text);
