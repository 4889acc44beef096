// Firmware version texts as the meter might send them.
#include "FuzzSupport.h"
#include "app/clsVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    clsVersion v;
    v.setszVersion(FuzzText(data, size));
    const int code = v.value();
    if (code != -1 && code != 0 && code != 3 && code != 4)
        __builtin_trap();
    return 0;
}
