// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware version texts as the meter might send them.
#include "FuzzSupport.h"
#include "records/clsVersion.h"

FUZZ_TARGET
{
    clsVersion v;
    v.setszVersion(FuzzText(data, size));
    const int code = v.value();
    FuzzAssert(code == -1 || code == 0 || code == 3 || code == 4);
}
