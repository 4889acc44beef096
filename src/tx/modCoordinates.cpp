// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modCoordinates.h"
#include "common/modConvert.h"

#include <cmath>

namespace {

// A whole number with at least `digits` digits (leading zeros), sign first.
QString Padded(qint64 n, int digits)
{
    const QString body = QString::number(n < 0 ? -n : n).rightJustified(digits, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + body : body;
}

// Fixed point with at least two integer digits, e.g. "05.3".
QString PaddedFixed(double v, int decimals)
{
    QString t = FixedText(v, decimals);
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative)
        t.remove(0, 1);
    const int point = decimals > 0 ? int(t.indexOf(QLatin1Char('.'))) : int(t.size());
    if (point < 2)
        t.prepend(QString(2 - point, QLatin1Char('0')));
    return negative ? QLatin1Char('-') + t : t;
}

} // namespace

bool SplitDMS(double value, qint16 *degrees, qint16 *minutes, float *seconds)
{
    if (!std::isfinite(value))
        return false;
    const double scaled = std::floor(std::fabs(value) * 36000.0 + 0.5);
    if (scaled >= 32768.0 * 36000.0) // whole degrees would not fit 16 bits
        return false;
    const qint32 n = qint32(scaled);
    const qint32 m = n / 600;
    *seconds = float(double(n % 600) / 10.0);
    *minutes = qint16(m % 60);
    *degrees = qint16(m / 60);
    return true;
}

QString DMSText(qint16 degrees, qint16 minutes, float seconds, int degreeWidth, qint32 options,
                const QString &letter)
{
    if (options & (dms::WholeSeconds | dms::TenthSeconds))
        options |= dms::Minutes;

    QString s;
    if (degreeWidth <= 0)
        s = QString::number(degrees);
    else
        s = Padded(degrees, (options & dms::LeadingZeros) ? degreeWidth : 1) + QChar(0x00B0);

    if (options & dms::Minutes)
        s += QLatin1Char(' ') + Padded(minutes, 2) + QLatin1Char('\'');
    else
        s += QString::number(minutes);

    if (options & dms::TenthSeconds) {
        s += QLatin1Char(' ') + PaddedFixed(double(seconds), 1) + QLatin1Char('"');
    } else if (options & dms::WholeSeconds) {
        s += QLatin1Char(' ') + PaddedFixed(double(seconds), 0) + QLatin1Char('"');
    } else {
        // Whole seconds without sign or leading zero; nothing when zero.
        const QString whole = FixedText(std::fabs(double(seconds)), 0);
        if (whole != QLatin1String("0"))
            s += whole;
    }
    return s + letter;
}

QString FormatDMS(double value, qint32 options)
{
    qint16 d = 0, m = 0;
    float sec = 0;
    if (!SplitDMS(value, &d, &m, &sec))
        return QString::number(value, 'g', 15);
    const bool latitude = options & dms::Latitude;
    // Zero on the grid takes the zero letter; anything shown as more keeps its side.
    QString letter;
    if (d == 0 && m == 0 && sec == 0.0f)
        letter = latitude ? QStringLiteral("N") : QStringLiteral("W");
    else if (value > 0)
        letter = latitude ? QStringLiteral("N") : QStringLiteral("E");
    else
        letter = latitude ? QStringLiteral("S") : QStringLiteral("W");
    return DMSText(d, m, sec, latitude ? 2 : 3, options, letter);
}

QString FormatDMS(const QString &value, qint32 options)
{
    double v = 0;
    qint16 d = 0, m = 0;
    float sec = 0;
    if (!ToDouble(value, &v) || !SplitDMS(v, &d, &m, &sec))
        return value;
    return FormatDMS(v, options);
}
