// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSurveyCsv.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace {

// The columns a record needs; the rest may be missing and then read empty.
const char *const kRequired[] = {"Call Sign", "Radial", "Point Number", "GPS Valid", "Latitude", "Longitude"};

struct Columns
{
    int call = -1, radial = -1, point = -1, pattern = -1, initials = -1, note = -1, utc = -1, local = -1;
    int freq = -1, mvm = -1, dbuv = -1, distance = -1, azimuth = -1, elevation = -1, lat = -1, lon = -1, gps = -1;
};

// A plain decimal: the record's own digits may go into a map file as they are.
bool IsPlainDecimal(const QString &t)
{
    static const QRegularExpression re(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return re.match(t).hasMatch();
}

QString FullText(double v) { return QString::number(v, 'f', QLocale::FloatingPointShortest); }

// The number text for a map file: the record's digits when plain, else the value in full.
QString CoordinateText(const SurveyNumber &n)
{
    return IsPlainDecimal(n.text) ? n.text : FullText(n.value);
}

} // namespace

bool IsMaskedField(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (QChar c : t)
        if (c != QLatin1Char('-'))
            return false;
    return true;
}

static SurveyNumber NumberField(const QString &raw)
{
    SurveyNumber n;
    if (IsMaskedField(raw)) {
        n.masked = true;
        return n;
    }
    n.text = raw.trimmed();
    n.numeric = ToDouble(n.text, &n.value);
    return n;
}

// Records split by the program's own splitter, so that quotes (and commas
// inside them) read exactly as the meter wrote them. The splitter drops a
// trailing empty field; it is counted here all the same.
static int Split(const QString &line, QStringList &fields)
{
    int count = SplitFields(line, fields);
    QString t = line;
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    if (count > 0 && t.endsWith(QLatin1Char(','))) {
        fields << QString();
        ++count;
    }
    return count;
}

bool ParseSurveyCsv(const QByteArray &bytes, SurveyCsv *csv, QString *error, int *badLine)
{
    *csv = SurveyCsv();
    error->clear();
    if (badLine)
        *badLine = 0;
    auto fail = [&](int line, const QString &why) {
        *error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(why) : why;
        if (badLine)
            *badLine = line;
        csv->records.clear();
        return false;
    };

    QStringList lines = AnsiToString(bytes).split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    // The last line ends with a line break; what follows it is no line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return fail(0, QStringLiteral("the file is empty"));

    QStringList fields;
    const int nColumns = Split(lines.at(0), fields);
    csv->columns = fields.mid(0, nColumns);
    for (QString &c : csv->columns)
        c = c.trimmed();
    auto column = [&](const char *name) { return int(csv->columns.indexOf(QLatin1String(name))); };
    for (const char *name : kRequired)
        if (column(name) < 0)
            return fail(1, QStringLiteral("no column \"%1\"; not a saved-data file").arg(QLatin1String(name)));

    Columns c;
    c.call = column("Call Sign");
    c.radial = column("Radial");
    c.point = column("Point Number");
    c.pattern = column("Pattern");
    c.initials = column("Initials");
    c.note = column("Note");
    c.utc = column("UTC Time");
    c.local = column("Local Time");
    c.freq = column("Measurement Frequency (kHz)");
    c.mvm = column("mV/m");
    c.dbuv = column("dBuV");
    c.distance = column("Tx Distance (km)");
    c.azimuth = column("Azimuth");
    c.elevation = column("Elevation (m)");
    c.lat = column("Latitude");
    c.lon = column("Longitude");
    c.gps = column("GPS Valid");

    for (int i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.trimmed().isEmpty())
            continue;
        const int n = Split(line, fields);
        if (n != nColumns)
            return fail(i + 1, QStringLiteral("%1 fields where the header names %2").arg(n).arg(nColumns));
        auto text = [&](int col) {
            if (col < 0)
                return QString();
            const QString &f = fields.at(col);
            return IsMaskedField(f) ? QString() : f.trimmed();
        };
        auto number = [&](int col) { return col < 0 ? SurveyNumber() : NumberField(fields.at(col)); };

        SurveyRecord r;
        r.line = i + 1;
        r.callSign = text(c.call);
        r.radial = text(c.radial);
        r.pointNumber = text(c.point);
        r.pattern = text(c.pattern);
        r.initials = text(c.initials);
        r.note = text(c.note);
        r.utcTime = text(c.utc);
        r.localTime = text(c.local);
        r.measFrequency = number(c.freq);
        r.mvm = number(c.mvm);
        r.dbuv = number(c.dbuv);
        r.distance = number(c.distance);
        r.azimuth = number(c.azimuth);
        r.elevation = number(c.elevation);
        r.latitude = number(c.lat);
        r.longitude = number(c.lon);
        r.gpsValid = fields.at(c.gps).trimmed() == QLatin1String("TRUE");
        r.positionValid = r.gpsValid && r.latitude.numeric && r.longitude.numeric &&
                          std::fabs(r.latitude.value) <= 90.0 && std::fabs(r.longitude.value) <= 180.0;
        if (r.positionValid) {
            r.latitudeText = CoordinateText(r.latitude);
            r.longitudeText = CoordinateText(r.longitude);
        }
        if (r.elevation.numeric)
            r.elevationText = CoordinateText(r.elevation);
        csv->records << r;
    }
    return true;
}

bool ReadSurveyCsv(const QString &path, SurveyCsv *csv, QString *error, int *badLine)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *csv = SurveyCsv();
        if (badLine)
            *badLine = 0;
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *csv = SurveyCsv();
        if (badLine)
            *badLine = 0;
        *error = file.errorString();
        return false;
    }
    return ParseSurveyCsv(bytes, csv, error, badLine);
}

QString SurveySeriesName(const QString &callSign, const QString &pattern, const QString &radial,
                         const QSet<QString> &mixedCalls)
{
    const bool nd = pattern.isEmpty() || pattern.compare(QLatin1String("ND"), Qt::CaseInsensitive) == 0;
    const QString shown = nd && !mixedCalls.contains(callSign) ? QString() : pattern + QLatin1Char(' ');
    return (callSign + QLatin1Char(' ') + shown + QStringLiteral("radial ") + radial).trimmed();
}

QString SurveySeriesName(const SurveyRecord &record, const QSet<QString> &mixedCalls)
{
    return SurveySeriesName(record.callSign, record.pattern, record.radial, mixedCalls);
}

QSet<QString> SurveyMixedPatternCalls(const QVector<SurveyRecord> &records)
{
    QHash<QString, QString> first; // call sign -> its first pattern
    QSet<QString> mixed;
    for (const SurveyRecord &r : records) {
        const auto it = first.constFind(r.callSign);
        if (it == first.constEnd())
            first.insert(r.callSign, r.pattern);
        else if (it->compare(r.pattern, Qt::CaseInsensitive) != 0)
            mixed.insert(r.callSign);
    }
    return mixed;
}

QString SurveyIsoTime(const QString &meterTime, bool utc)
{
    static const QRegularExpression re(
        QStringLiteral("^([0-9]{1,2})-([A-Za-z]{3})-([0-9]{4}) +([0-9]{1,2}):([0-9]{2}):([0-9]{2})$"));
    static const char *const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QRegularExpressionMatch m = re.match(meterTime.trimmed());
    if (!m.hasMatch())
        return QString();
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (m.captured(2).toLower() == QLatin1String(months[i]))
            month = i + 1;
    const QDate date(m.captured(3).toInt(), month, m.captured(1).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (month == 0 || !date.isValid() || !time.isValid())
        return QString();
    // Written by hand: the ISO form must not follow the user's locale.
    QString iso = QStringLiteral("%1-%2-%3T%4:%5:%6")
                      .arg(date.year(), 4, 10, QLatin1Char('0'))
                      .arg(date.month(), 2, 10, QLatin1Char('0'))
                      .arg(date.day(), 2, 10, QLatin1Char('0'))
                      .arg(time.hour(), 2, 10, QLatin1Char('0'))
                      .arg(time.minute(), 2, 10, QLatin1Char('0'))
                      .arg(time.second(), 2, 10, QLatin1Char('0'));
    if (utc)
        iso += QLatin1Char('Z');
    return iso;
}
