// SPDX-License-Identifier: GPL-3.0-or-later
// Degrees/minutes/seconds text for arbitrary values: text fields from
// records, and raw doubles (NaN, infinities, huge values). The first byte
// is the option bits.
#include "FuzzSupport.h"
#include "tx/modCoordinates.h"

#include <cstring>

static void CheckLetter(const QString &s) { FuzzAssert(!s.isEmpty() && QStringLiteral("NSEW").contains(s.back())); }

FUZZ_TARGET
{
    const qint32 options = FuzzTakeByte(data, size);

    const QString text = FuzzText(data, size);
    const QString fromText = FormatDMS(text, options);
    if (fromText != text)
        CheckLetter(fromText); // converted, so it ends with a hemisphere letter

    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        qint16 d, m;
        float s;
        const QString fromValue = FormatDMS(v, options);
        if (SplitDMS(v, &d, &m, &s)) {
            FuzzAssert(d >= 0 && m >= 0 && m <= 59 && s >= 0 && s < 60.0f);
            CheckLetter(fromValue);
        }
    }
}
