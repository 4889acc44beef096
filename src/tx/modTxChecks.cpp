// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxChecks.h"
#include "common/modConvert.h"
#include "tx/clsCoordinate.h"

#include <cmath>

namespace {

TxFieldCheck OutOfRange(int box, double limit) { return {TxFieldCheck::Range, box, limit, {}}; }

} // namespace

TxFieldCheck CheckCallSign(QString &szText)
{
    int end = int(szText.size());
    while (end > 0 && szText.at(end - 1) == QLatin1Char(' '))
        --end;
    szText = szText.left(end).toUpper();

    bool ok = !szText.isEmpty() && szText.size() <= 8;
    for (const QChar c : std::as_const(szText)) {
        const char16_t u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' ' || u == '_' || u == '-'))
            ok = false;
    }
    return {ok ? TxFieldCheck::Accepted : TxFieldCheck::CallSign, 0, 0, {}};
}

TxFieldCheck CheckFrequency(QString &szText, qint16 *wValue, NumberForm form)
{
    szText = szText.trimmed();
    TxFieldCheck found;
    if (szText.contains(QLatin1Char('.')) || szText.contains(QLatin1Char(',')))
        found.problem = TxFieldCheck::FrequencyPoint;
    // The plain form has no separators, yet "1,000" has no letters either:
    // the comma is named by the first test.
    QString number = szText;
    if (form == NumberForm::Plain)
        number.remove(QLatin1Char(','));
    qint16 w = 0;
    const bool fits = ToInt16(number, &w, form);
    if (!fits)
        found.problem = TxFieldCheck::FrequencyLetters;
    // A number beyond 16 bits is still a number: say which end it is past.
    double d = 0;
    const bool isNumber = fits ? (d = w, true) : ToDouble(number, &d, form);
    if (isNumber && d > 9999)
        found.problem = TxFieldCheck::FrequencyHigh;
    if (isNumber && d < 0)
        found.problem = TxFieldCheck::FrequencyLow;
    if (found.ok()) {
        szText = IntText(w);
        if (wValue)
            *wValue = w;
    }
    return found;
}

// Each box may be within its range while the whole is not (90° 30' N):
// then the whole is refused as the degrees box refuses a number past its limit.
static bool BeyondLimit(const clsCoordinate &co) { return std::fabs(co.value()) > co.DegreesMax() + 1e-9; }

TxFieldCheck ValidateDMS(clsCoordinate &co, int wBox, QString &szText, qint32 *wHemisphere, NumberForm form)
{
    szText = szText.trimmed();
    const TxFieldCheck beyond = OutOfRange(0, co.DegreesMax());
    switch (wBox) {
    case 0:
    case 1: {
        const qint16 max = wBox == 0 ? co.DegreesMax() : qint16(59);
        qint16 w = 0;
        if (!ToInt16(szText, &w, form) || w < 0 || w > max)
            return OutOfRange(wBox, max);
        const qint16 old = wBox == 0 ? co.Degrees() : co.Minutes();
        wBox == 0 ? co.setDegrees(w) : co.setMinutes(w);
        if (BeyondLimit(co)) {
            wBox == 0 ? co.setDegrees(old) : co.setMinutes(old);
            return beyond;
        }
        szText = IntText(wBox == 0 ? co.Degrees() : co.Minutes());
        return {};
    }
    case 2: {
        // The limit is single precision: a typed 59.9 lies just below it.
        const double max = double(co.SecondsMax());
        double d = 0;
        if (!ToDouble(szText, &d, form) || d < 0 || d > max)
            return OutOfRange(2, max);
        const float old = co.Seconds();
        co.setSeconds(float(d));
        if (BeyondLimit(co)) {
            co.setSeconds(old);
            return beyond;
        }
        szText = co.szSeconds(2);
        // The coordinate holds what the box shows (tenths), as it will once
        // the editor saves; the command-line tool saves it as it is now.
        if (ToDouble(szText, &d)) // written in the plain form
            co.setSeconds(float(d));
        return {};
    }
    case 3: {
        szText = szText.toUpper();
        const QString letter0 = co.szHemispheres(0), letter1 = co.szHemispheres(1);
        qint32 index = -1;
        if (szText.size() == 1 && szText == letter0)
            index = 0;
        else if (szText.size() == 1 && szText == letter1)
            index = 1;
        if (index < 0)
            return {TxFieldCheck::Hemisphere, 3, 0, {letter0, letter1}};
        if (wHemisphere)
            *wHemisphere = index;
        co.setHemisphere(index);
        szText = co.szHemisphere();
        return {};
    }
    default:
        return {};
    }
}

QStringList TxModulations()
{
    return {QStringLiteral("AM"),    QStringLiteral("DRM4.5"), QStringLiteral("DRM5"),  QStringLiteral("DRM9"),
            QStringLiteral("DRM10"), QStringLiteral("DRM18"),  QStringLiteral("DRM20")};
}
