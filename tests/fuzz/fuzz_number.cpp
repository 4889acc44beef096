// SPDX-License-Identifier: GPL-3.0-or-later
// The lenient text-to-number conversion on arbitrary text, in both forms.
#include "FuzzSupport.h"
#include "common/modConvert.h"

FUZZ_TARGET
{
    const QString s = FuzzText(data, size);
    double plain = 0, typed = 0;
    qint16 i16 = 0;
    qint32 i32 = 0, whole = 0;
    const bool isPlain = ToDouble(s, &plain);
    FuzzAssert(!isPlain || std::isfinite(plain));
    FuzzAssert(!ToDouble(s, &typed, NumberForm::Typed) || std::isfinite(typed));
    // What the meter could have written reads the same when typed.
    FuzzAssert(!isPlain || (ToDouble(s, &typed, NumberForm::Typed) && typed == plain));
    ToInt16(s, &i16);
    ToInt16(s, &i16, NumberForm::Typed);
    // Digits only are a whole number in every reading.
    FuzzAssert(!ToWholeNumber(s, &whole) || (ToInt32(s, &i32) && i32 == whole && plain == whole));
}
