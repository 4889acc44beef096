// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveddata/modSavedRows.h"
#include "common/modConvert.h"
#include "listview/modLVSort.h"
#include "protocol/modApp.h"
#include "tx/modCoordinates.h"

#include <QRandomGenerator>

namespace {

// Record fields shown in the list (0-based), and the names they carry in
// every record layout.
enum Field {
    RecId = 1, PointNumber = 2, MeasFrequency = 6, Pattern = 8, Initials = 9, Note = 10, UtcTime = 12,
    Lat = 17, Lon = 18, MilliVolts = 24, DbMicroVolts = 25, Distance = 26, Azimuth = 27,
};

QString DefaultName(int field)
{
    switch (field) {
    case PointNumber: return QStringLiteral("Point Number");
    case MeasFrequency: return QStringLiteral("Measurement Frequency (kHz)");
    case Pattern: return QStringLiteral("Pattern");
    case Initials: return QStringLiteral("Initials");
    case Note: return QStringLiteral("Note");
    case Lat: return QStringLiteral("Latitude");
    case Lon: return QStringLiteral("Longitude");
    case MilliVolts: return QStringLiteral("mV/m");
    case DbMicroVolts: return QStringLiteral("dBuV");
    case Distance: return QStringLiteral("Tx Distance (km)");
    case Azimuth: return QStringLiteral("Azimuth");
    default: return QString();
    }
}

// Blanks in front, then the last `width` characters. A field longer than
// that stays whole: cutting its front off would show (and sort) another
// value, e.g. 1094.569 mV/m as 094.569.
QString RightJustified(const QString &field, int blanks, int width)
{
    if (field.size() > width)
        return field;
    return (QString(blanks, QLatin1Char(' ')) + field).right(width);
}

// A whole number with at least four digits ("0000"); other text as it is.
QString FourDigits(const QString &text)
{
    qint32 n = 0;
    if (!ToWholeNumber(text, &n))
        return text;
    const QString digits = QString::number(qAbs(qint64(n))).rightJustified(4, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

QVector<ListColumn> SavedListColumns(const QStringList &names)
{
    auto name = [&](int field) { return field < names.size() ? names.at(field) : DefaultName(field); };
    const Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;
    return {
        {QStringLiteral("Date"), L, lvsort::Date},
        {QStringLiteral("Time"), C, lvsort::Time},
        {name(PointNumber), C, lvsort::Number},
        {name(Lat), R, lvsort::Number},
        {name(Lon), R, lvsort::Number},
        {name(Lat) + QStringLiteral(" DMS"), R, lvsort::PaddedText},
        {name(Lon) + QStringLiteral(" DMS"), R, lvsort::PaddedText},
        {name(Distance), R, lvsort::Number},
        {name(Azimuth), R, lvsort::Number},
        {name(MilliVolts), R, lvsort::Number},
        {name(DbMicroVolts), R, lvsort::Number},
        {name(MeasFrequency), R, lvsort::Number},
        {name(Pattern), L, lvsort::Text},
        {name(Initials), L, lvsort::Text},
        {name(Note), L, lvsort::Text},
    };
}

QStringList SavedRowCells(const QStringList &fields, int count)
{
    const int n = qMin(count, int(fields.size()));
    auto has = [&](int i) { return i < n; };
    auto field = [&](int i) { return has(i) ? fields.at(i) : QString(); };
    auto justified = [&](int i, int blanks, int width) { return has(i) ? RightJustified(fields.at(i), blanks, width) : QString(); };

    const QString utc = field(UtcTime);
    return {
        utc.left(11),
        utc.right(8),
        justified(PointNumber, 5, 5),
        justified(Lat, 5, 10),
        justified(Lon, 5, 11),
        has(Lat) ? FormatDMS(fields.at(Lat), dms::Latitude | dms::TenthSeconds) : QString(),
        has(Lon) ? FormatDMS(fields.at(Lon), dms::TenthSeconds) : QString(),
        justified(Distance, 5, 6),
        justified(Azimuth, 5, 6),
        justified(MilliVolts, 7, 7),
        justified(DbMicroVolts, 6, 7),
        justified(MeasFrequency, 4, 5),
        field(Pattern),
        field(Initials),
        field(Note),
    };
}

QString SavedRowKey(const QString &recId)
{
    const double r = QRandomGenerator::global()->generateDouble();
    return QStringLiteral("RecId-") + FixedText(r, 5) + QLatin1Char('-') + FourDigits(recId);
}

bool SavedRowFromLine(const QString &line, ListRow *row)
{
    QStringList fields;
    const int count = SplitFields(line, fields);
    if (count < kSavedRowMinFields)
        return false;
    row->cells = SavedRowCells(fields, count);
    row->key = SavedRowKey(fields.at(RecId));
    qint32 id = 0;
    row->user = ToWholeNumber(fields.at(RecId), &id) ? QVariant(id) : QVariant();
    return true;
}
