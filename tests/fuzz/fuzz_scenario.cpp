// The demo meter's scenario parser on arbitrary text.
#include "FuzzSupport.h"
#include "sim/DemoMeter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0; // generate lines could ask for 32 767 records each
    QString error;
    auto m = DemoMeter::FromScenario(FuzzText(data, size), &error);
    if (!m && error.isEmpty())
        __builtin_trap();
    return 0;
}
