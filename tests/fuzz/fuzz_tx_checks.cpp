// SPDX-License-Identifier: GPL-3.0-or-later
// The Tx editor's field checks (shared with the command-line tool) on any
// typed text. The first byte picks the field: call sign, frequency, or one
// box of a latitude, longitude or variation row. Text a check accepts, it
// accepts again unchanged.
#include "FuzzSupport.h"
#include "tx/clsCoordinate.h"
#include "tx/modTxChecks.h"

FUZZ_TARGET
{
    const uint8_t options = FuzzTakeByte(data, size);
    QString text = FuzzText(data, size);
    QString again;
    switch (options & 3) {
    case 0:
        if (CheckCallSign(text).ok()) {
            FuzzAssert(!text.isEmpty() && text.size() <= 8);
            again = text;
            FuzzAssert(CheckCallSign(again).ok() && again == text);
        }
        break;
    case 1: {
        qint16 w = -1;
        if (CheckFrequency(text, &w).ok()) {
            FuzzAssert(w >= 0 && w <= 9999 && text == QString::number(w));
            again = text;
            FuzzAssert(CheckFrequency(again).ok() && again == text);
        }
        break;
    }
    default: {
        clsCoordinate co;
        co.setTypeId(1 + ((options >> 2) & 3) % 3);
        const int box = (options >> 4) % 4;
        if (ValidateDMS(co, box, text).ok()) {
            const double value = co.value();
            again = text;
            FuzzAssert(ValidateDMS(co, box, again).ok() && again == text && co.value() == value);
        }
        break;
    }
    }
}
