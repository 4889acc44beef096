#include "app/modConvert.h"

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

bool ToDouble(const QString &text, double *value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    // Looked up once: QLocale::system() is costly and lists convert every cell.
    static const QLocale regional = [] {
        QLocale l = QLocale::system();
        l.setNumberOptions(QLocale::DefaultNumberOptions); // accept group separators
        return l;
    }();
    static const QLocale plain = [] {
        QLocale l = QLocale::c();
        l.setNumberOptions(QLocale::DefaultNumberOptions);
        return l;
    }();
    double v = 0;
    if (ParseWith(regional, t, &v) || ParseWith(plain, t, &v)) {
        if (value)
            *value = v;
        return true;
    }
    return false;
}

template <typename T> static bool ToInteger(const QString &text, T *value)
{
    double d = 0;
    if (!ToDouble(text, &d))
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

bool ToInt16(const QString &text, qint16 *value) { return ToInteger(text, value); }
bool ToInt32(const QString &text, qint32 *value) { return ToInteger(text, value); }

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
