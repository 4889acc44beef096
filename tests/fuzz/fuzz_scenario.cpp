// SPDX-License-Identifier: GPL-3.0-or-later
// The demo meter's scenario parser on arbitrary text.
#include "FuzzSupport.h"
#include "sim/DemoMeter.h"

FUZZ_TARGET
{
    if (size > 4096)
        return; // generate lines could ask for 32 767 records each
    QString error;
    auto m = DemoMeter::FromScenario(FuzzText(data, size), &error);
    FuzzAssert(m || !error.isEmpty());
}
