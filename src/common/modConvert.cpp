// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modConvert.h"

#include <QLocale>
#include <cfenv>
#include <cmath>
#include <limits>

static bool ParseWith(const QLocale &locale, const QString &text, double *value)
{
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (ok && std::isfinite(v)) {
        *value = v;
        return true;
    }
    return false;
}

bool ToDouble(const QString &text, double *value, NumberForm form)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    // Built once: lists convert every cell of every row they sort.
    static const QLocale plain = [] {
        QLocale l = QLocale::c();
        l.setNumberOptions(QLocale::RejectGroupSeparator);
        return l;
    }();
    double v = 0;
    bool ok = ParseWith(plain, t, &v);
    if (!ok && form == NumberForm::Typed) {
        // The default locale, so that a program (or a test) may set another.
        QLocale regional;
        regional.setNumberOptions(QLocale::DefaultNumberOptions); // accept group separators
        ok = ParseWith(regional, t, &v);
    }
    if (ok && value)
        *value = v;
    return ok;
}

template <typename T> static bool ToInteger(const QString &text, T *value, NumberForm form)
{
    double d = 0;
    if (!ToDouble(text, &d, form))
        return false;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(d); // halves to even
    std::fesetround(oldMode);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        return false;
    if (value)
        *value = T(r);
    return true;
}

bool ToInt16(const QString &text, qint16 *value, NumberForm form) { return ToInteger(text, value, form); }
bool ToInt32(const QString &text, qint32 *value, NumberForm form) { return ToInteger(text, value, form); }

bool ToWholeNumber(const QString &text, qint32 *value)
{
    const QString t = text.trimmed();
    const int start = t.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (t.size() <= start)
        return false;
    for (int i = start; i < t.size(); ++i)
        if (t.at(i) < QLatin1Char('0') || t.at(i) > QLatin1Char('9'))
            return false;
    return ToInt32(t, value);
}

QString IntText(qint64 value) { return QString::number(value); }

QString FixedText(double value, int decimals)
{
    // QString::number rounds the binary value; format from the rounded
    // decimal so that e.g. 0.0000005 with 6 decimals reads 0.000001.
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale) / scale;
    if (r == 0)
        r = 0; // no "-0.000000"
    return QString::number(r, 'f', decimals);
}

QString SignificantText(double value, int digits)
{
    if (value == 0 || !std::isfinite(value))
        return FixedText(value == 0 ? 0 : value, digits - 1);
    // The exponent after rounding: 99.9996 to 5 digits is 100.00.
    int exponent = int(std::floor(std::log10(std::fabs(value))));
    const double rounded = std::round(value / std::pow(10.0, exponent - digits + 1)) * std::pow(10.0, exponent - digits + 1);
    exponent = int(std::floor(std::log10(std::fabs(rounded))));
    if (exponent - digits + 1 >= 0)
        return QString::number(rounded, 'f', 0);
    return FixedText(rounded, digits - 1 - exponent);
}
