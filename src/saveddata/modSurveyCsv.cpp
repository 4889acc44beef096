// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSurveyCsv.h"
#include "common/modAnsi.h"
#include "common/modConvert.h"
#include "common/modFileName.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryFile>
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

namespace {

// A file's records as RFC 4180 reads them: fields split at commas, a field
// in double quotes may hold commas, line breaks and doubled quotes; CR, LF
// and CR LF all end a line. Blanks outside quotes are dropped. Text after
// a closing quote (`"6" antenna"`) is kept as written rather than taken for
// a broken file. The bytes are read as they come, so the file is never held
// whole; each field is converted from UTF-8 or Windows-1252 on its own.
class CsvRecords
{
public:
    CsvRecords(QIODevice *in, bool utf8) : m_in(in), m_utf8(utf8) {}

    // The next record's fields and the line it starts on; false at the end
    // of the file, or when a quote is never closed or the file cannot be
    // read (then *error says so).
    bool Next(QStringList &fields, int *line, QString *error)
    {
        fields.clear();
        if (Peek() < 0) {
            Ended(error);
            return false;
        }
        *line = m_line;
        QByteArray field;
        for (;;) {
            field.clear();
            while (Peek() == ' ')
                ++m_pos;
            qsizetype kept = 0; // the quoted part keeps its blanks
            if (Peek() == '"') {
                const int opened = m_line;
                ++m_pos;
                for (;;) {
                    const int c = Get();
                    if (c < 0) {
                        if (!Ended(error))
                            return false;
                        *error = QStringLiteral("line %1: a quoted field is not closed").arg(opened);
                        *line = opened;
                        return false;
                    }
                    if (c == '"') {
                        if (Peek() != '"')
                            break;
                        ++m_pos;
                    } else if (c == '\n' || (c == '\r' && Peek() != '\n')) {
                        ++m_line;
                    }
                    field += char(c);
                }
                kept = field.size();
            }
            // Unquoted text, or what follows a closing quote, up to the separator.
            int c;
            while ((c = Get()) >= 0 && c != ',' && c != '\r' && c != '\n')
                field += char(c);
            while (field.size() > kept && field.endsWith(' '))
                field.chop(1);
            fields << Text(field);
            if (c == ',')
                continue;
            if (c < 0)
                return Ended(error);
            if (c == '\r' && Peek() == '\n')
                ++m_pos;
            ++m_line;
            return true;
        }
    }

private:
    int Peek()
    {
        if (m_pos >= m_b.size()) {
            m_b.resize(65536);
            const qint64 n = m_failed ? -1 : m_in->read(m_b.data(), m_b.size());
            m_failed = n < 0;
            m_b.resize(qMax<qint64>(n, 0));
            m_pos = 0;
            if (n <= 0)
                return -1;
        }
        return uchar(m_b.at(m_pos));
    }
    int Get()
    {
        const int c = Peek();
        if (c >= 0)
            ++m_pos;
        return c;
    }
    // True at the true end; false after a read error, which *error then names.
    bool Ended(QString *error) const
    {
        if (m_failed)
            *error = m_in->errorString();
        return !m_failed;
    }
    QString Text(const QByteArray &bytes) const
    {
        for (char c : bytes)
            if (uchar(c) >= 0x80)
                return m_utf8 ? QString::fromUtf8(bytes) : AnsiToString(bytes);
        return QString::fromLatin1(bytes);
    }

    QIODevice *m_in;
    QByteArray m_b;
    qsizetype m_pos = 0;
    int m_line = 1;
    bool m_utf8 = false;
    bool m_failed = false;
};

// A byte-order mark is skipped; true when there was one.
bool SkipUtf8Mark(QIODevice *in)
{
    char mark[3];
    if (in->peek(mark, 3) == 3 && QByteArrayView(mark, 3) == QByteArrayView("\xEF\xBB\xBF", 3)) {
        in->skip(3);
        return true;
    }
    return false;
}

// Whether the rest of the device is UTF-8 throughout, read a piece at a time.
bool IsUtf8(QIODevice *in)
{
    QByteArray carry;
    char chunk[65536];
    for (qint64 n; (n = in->read(chunk, sizeof chunk)) > 0;) {
        const QByteArray b = carry + QByteArray::fromRawData(chunk, n);
        // A character cut by the piece's end waits for the next piece.
        qsizetype cut = b.size();
        for (qsizetype i = b.size() - 1; i >= 0 && i >= b.size() - 4; --i) {
            const uchar c = uchar(b.at(i));
            if ((c & 0xC0) != 0x80) {
                const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                if (i + length > b.size())
                    cut = i;
                break;
            }
        }
        if (!QByteArrayView(b.constData(), cut).isValidUtf8())
            return false;
        carry = b.mid(cut);
    }
    return carry.isEmpty();
}

bool ParseSurveyRecords(QIODevice *in, bool utf8, SurveyCsv *csv, QString *error, int *badLine);

// A file that can be read again: is it UTF-8, then the records, each a
// piece at a time.
bool ParseSeekable(QIODevice *in, SurveyCsv *csv, QString *error, int *badLine)
{
    const bool utf8 = in->seek(0) && (SkipUtf8Mark(in) || IsUtf8(in));
    if (!in->seek(0)) {
        *csv = SurveyCsv();
        *error = in->errorString();
        return false;
    }
    SkipUtf8Mark(in);
    return ParseSurveyRecords(in, utf8, csv, error, badLine);
}

// "GPS Valid" as the meter writes it, or as a spreadsheet saves it again.
bool IsTrue(const QString &text)
{
    const QString t = text.trimmed();
    return t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1");
}

} // namespace

namespace {

// Where each column the records are read from stands in the header.
Columns FindColumns(const QStringList &columns)
{
    auto column = [&](const char *name) { return int(columns.indexOf(QLatin1String(name))); };
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
    return c;
}

SurveyRecord RecordOf(const QStringList &fields, const Columns &c, int line)
{
    auto text = [&](int col) {
        if (col < 0)
            return QString();
        const QString &f = fields.at(col);
        return IsMaskedField(f) ? QString() : f.trimmed();
    };
    auto number = [&](int col) { return col < 0 ? SurveyNumber() : NumberField(fields.at(col)); };

    SurveyRecord r;
    r.line = line;
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
    r.gpsValid = IsTrue(fields.at(c.gps));
    r.positionValid = r.gpsValid && r.latitude.numeric && r.longitude.numeric &&
                      std::fabs(r.latitude.value) <= 90.0 && std::fabs(r.longitude.value) <= 180.0;
    if (r.positionValid) {
        r.latitudeText = CoordinateText(r.latitude);
        r.longitudeText = CoordinateText(r.longitude);
    }
    if (r.elevation.numeric)
        r.elevationText = CoordinateText(r.elevation);
    return r;
}

// Reads the records from `in`, its text in UTF-8 or Windows-1252.
bool ParseSurveyRecords(QIODevice *in, bool utf8, SurveyCsv *csv, QString *error, int *badLine)
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
    auto blank = [](const QStringList &fields) { return fields.size() == 1 && fields.at(0).trimmed().isEmpty(); };

    CsvRecords reader(in, utf8);
    QStringList fields;
    int line = 0;
    QString unclosed;
    while (reader.Next(fields, &line, &unclosed) && blank(fields)) {
    }
    if (!unclosed.isEmpty()) {
        *error = unclosed;
        if (badLine)
            *badLine = unclosed.startsWith(QLatin1String("line ")) ? line : 0;
        return false;
    }
    if (fields.isEmpty())
        return fail(0, QStringLiteral("the file is empty"));
    const int nColumns = int(fields.size());
    csv->columns = fields;
    for (QString &c : csv->columns)
        c = c.trimmed();
    auto column = [&](const char *name) { return int(csv->columns.indexOf(QLatin1String(name))); };
    for (const char *name : kRequired)
        if (column(name) < 0)
            return fail(line, QStringLiteral("no column \"%1\"; not a saved-data file").arg(QLatin1String(name)));

    const Columns c = FindColumns(csv->columns);

    // A value equal to the one above shares its text: call signs, radials,
    // patterns and frequencies repeat over thousands of records.
    QStringList above;
    while (reader.Next(fields, &line, &unclosed)) {
        if (blank(fields))
            continue;
        const int n = int(fields.size());
        if (n != nColumns)
            return fail(line, (n == 1 ? QStringLiteral("1 field") : QStringLiteral("%1 fields").arg(n)) +
                                  QStringLiteral(" where the header names %1").arg(nColumns));
        for (int i = 0; i < n && above.size() == n; ++i)
            if (fields.at(i) == above.at(i))
                fields[i] = above.at(i);
        above = fields;
        csv->records << RecordOf(fields, c, line);
    }
    if (!unclosed.isEmpty()) {
        *error = unclosed;
        if (badLine)
            *badLine = unclosed.startsWith(QLatin1String("line ")) ? line : 0;
        csv->records.clear();
        return false;
    }
    return true;
}

} // namespace

bool ParseSurveyCsv(const QByteArray &bytes, SurveyCsv *csv, QString *error, int *badLine)
{
    QByteArray data = bytes;
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    return ParseSeekable(&in, csv, error, badLine);
}

bool ReadSurveyCsv(const QString &path, SurveyCsv *csv, QString *error, int *badLine)
{
    *csv = SurveyCsv();
    if (badLine)
        *badLine = 0;
    QFile file;
    if (!OpenForReading(file, path, error))
        return false;
    // Bigger than any meter's file by far: a wrong file, /dev/zero or a
    // pipe that never ends is refused, not read until memory runs out.
    const QString tooBig = QStringLiteral("the file is larger than %1 MiB, more than any saved-data file")
                               .arg(kSurveyCsvMaxBytes >> 20);
    if (!file.isSequential() && file.size() > kSurveyCsvMaxBytes) {
        *error = tooBig;
        return false;
    }
    if (!file.isSequential())
        return ParseSeekable(&file, csv, error, badLine);
    // A pipe is copied to a temporary file, up to the limit, and read from there.
    QTemporaryFile copy;
    if (!copy.open()) {
        *error = QStringLiteral("no room for a copy of it: ") + copy.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    QFile::remove(copy.fileName()); // open still, and gone however the program ends
#endif
    qint64 total = 0;
    for (;;) {
        char chunk[65536];
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            *error = file.errorString();
            return false;
        }
        if (n == 0)
            break;
        total += n;
        if (total > kSurveyCsvMaxBytes) {
            *error = tooBig;
            return false;
        }
        if (copy.write(chunk, n) != n) {
            *error = QStringLiteral("no room for a copy of it: ") + copy.errorString();
            return false;
        }
    }
    file.close();
    return ParseSeekable(&copy, csv, error, badLine);
}

QString RecordsText(int n)
{
    return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n);
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

QString SurveyIsoTime(const QString &text, bool utc)
{
    // The meter's form, then the forms a spreadsheet saves it in again:
    // ISO 8601 (with a T or a blank, seconds and "Z" optional), month first
    // with slashes as US spreadsheets write it, day first with dots.
    static const QRegularExpression meter(
        QStringLiteral("^([0-9]{1,2})-([A-Za-z]{3})-([0-9]{4}) +([0-9]{1,2}):([0-9]{2}):([0-9]{2})$"));
    static const QRegularExpression iso(
        QStringLiteral("^([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})[T ]([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(?:\\.[0-9]+)?)?Z?$"));
    static const QRegularExpression us(QStringLiteral(
        "^([0-9]{1,2})/([0-9]{1,2})/([0-9]{4}) +([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?(?: *([AaPp])[Mm])?$"));
    static const QRegularExpression dots(
        QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4}) +([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?$"));
    static const char *const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString t = text.trimmed();
    int year = 0, month = 0, day = 0, hour = 0;
    bool twelveHours = false;
    QRegularExpressionMatch m;
    if ((m = meter.match(t)).hasMatch()) {
        for (int i = 0; i < 12; ++i)
            if (m.captured(2).toLower() == QLatin1String(months[i]))
                month = i + 1;
        year = m.captured(3).toInt(), day = m.captured(1).toInt();
    } else if ((m = iso.match(t)).hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if ((m = us.match(t)).hasMatch()) {
        year = m.captured(3).toInt(), month = m.captured(1).toInt(), day = m.captured(2).toInt();
        twelveHours = !m.captured(7).isEmpty();
    } else if ((m = dots.match(t)).hasMatch()) {
        year = m.captured(3).toInt(), month = m.captured(2).toInt(), day = m.captured(1).toInt();
    } else {
        return QString();
    }
    hour = m.captured(4).toInt();
    if (twelveHours) {
        if (hour < 1 || hour > 12)
            return QString();
        hour = hour % 12 + (m.captured(7).compare(QLatin1String("p"), Qt::CaseInsensitive) == 0 ? 12 : 0);
    }
    const QDate date(year, month, day);
    const QTime time(hour, m.captured(5).toInt(), m.captured(6).toInt());
    if (month == 0 || !date.isValid() || !time.isValid())
        return QString();
    // Written by hand: the ISO form must not follow the user's locale.
    QString out = QStringLiteral("%1-%2-%3T%4:%5:%6")
                      .arg(date.year(), 4, 10, QLatin1Char('0'))
                      .arg(date.month(), 2, 10, QLatin1Char('0'))
                      .arg(date.day(), 2, 10, QLatin1Char('0'))
                      .arg(time.hour(), 2, 10, QLatin1Char('0'))
                      .arg(time.minute(), 2, 10, QLatin1Char('0'))
                      .arg(time.second(), 2, 10, QLatin1Char('0'));
    if (utc)
        out += QLatin1Char('Z');
    return out;
}
