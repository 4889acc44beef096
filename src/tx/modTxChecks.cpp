// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxChecks.h"
#include "common/modConvert.h"
#include "tx/clsCoordinate.h"

#include <cmath>

const QString kCallSiteTitle = QStringLiteral("Call-Site Text Too Long");
const QString kIllegalValue = QStringLiteral("Illegal Value");

QString CheckCallSign(QString &szText)
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
    if (ok)
        return QString();
    // The message shows an en dash; only the hyphen-minus is accepted.
    return QStringLiteral("The Call-Site text is invalid.\r\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013");
}

QString CheckFrequency(QString &szText, qint16 *wValue, NumberForm form)
{
    szText = szText.trimmed();
    QString message;
    if (szText.contains(QLatin1Char('.')) || szText.contains(QLatin1Char(',')))
        message = QStringLiteral("Frequency cannot have decimal points or commas.");
    // The plain form has no separators, yet "1,000" has no letters either:
    // the comma is named by the first test.
    QString number = szText;
    if (form == NumberForm::Plain)
        number.remove(QLatin1Char(','));
    qint16 w = 0;
    const bool fits = ToInt16(number, &w, form);
    if (!fits)
        message = QStringLiteral("Frequency cannot have letters.");
    // A number beyond 16 bits is still a number: say which end it is past.
    double d = 0;
    const bool isNumber = fits ? (d = w, true) : ToDouble(number, &d, form);
    if (isNumber && d > 9999)
        message = QStringLiteral("Frequency must be less than or equal to 9999 kHz.");
    if (isNumber && d < 0)
        message = QStringLiteral("Frequency must be greater than or equal to 0 kHz.");
    if (message.isEmpty()) {
        szText = IntText(w);
        if (wValue)
            *wValue = w;
    }
    return message;
}

static QString RangeMessage(const QString &szName, const QString &szLimit)
{
    return szName + QStringLiteral(" must be between 0 and ") + szLimit;
}

// Each box may be within its range while the whole is not (90° 30' N):
// then the whole is refused as the degrees box refuses a number past its limit.
static bool BeyondLimit(const clsCoordinate &co) { return std::fabs(co.value()) > co.DegreesMax() + 1e-9; }

QString ValidateDMS(clsCoordinate &co, int wBox, QString &szText, qint32 *wHemisphere, NumberForm form)
{
    szText = szText.trimmed();
    const QString beyond = RangeMessage(QStringLiteral("Degrees"), IntText(co.DegreesMax()));
    switch (wBox) {
    case 0:
    case 1: {
        const qint16 max = wBox == 0 ? co.DegreesMax() : qint16(59);
        qint16 w = 0;
        if (!ToInt16(szText, &w, form) || w < 0 || w > max)
            return RangeMessage(wBox == 0 ? QStringLiteral("Degrees") : QStringLiteral("Minutes"), IntText(max));
        const qint16 old = wBox == 0 ? co.Degrees() : co.Minutes();
        wBox == 0 ? co.setDegrees(w) : co.setMinutes(w);
        if (BeyondLimit(co)) {
            wBox == 0 ? co.setDegrees(old) : co.setMinutes(old);
            return beyond;
        }
        szText = IntText(wBox == 0 ? co.Degrees() : co.Minutes());
        return QString();
    }
    case 2: {
        // The limit is single precision: a typed 59.9 lies just below it.
        const double max = double(co.SecondsMax());
        double d = 0;
        if (!ToDouble(szText, &d, form) || d < 0 || d > max)
            return RangeMessage(QStringLiteral("Seconds"), QString::number(max, 'g', 7));
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
        return QString();
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
            return QStringLiteral("The hemisphere must be either ") + letter0 + QStringLiteral(" or ") + letter1;
        if (wHemisphere)
            *wHemisphere = index;
        co.setHemisphere(index);
        szText = co.szHemisphere();
        return QString();
    }
    default:
        return QString();
    }
}

QStringList TxModulations()
{
    return {QStringLiteral("AM"),    QStringLiteral("DRM4.5"), QStringLiteral("DRM5"),  QStringLiteral("DRM9"),
            QStringLiteral("DRM10"), QStringLiteral("DRM18"),  QStringLiteral("DRM20")};
}
