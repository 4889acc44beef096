// The lenient text-to-number conversion on arbitrary text.
#include "FuzzSupport.h"
#include "app/modConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString s = FuzzText(data, size);
    double d = 0;
    qint16 i16 = 0;
    qint32 i32 = 0;
    if (ToDouble(s, &d) && !std::isfinite(d))
        __builtin_trap();
    ToInt16(s, &i16);
    ToInt32(s, &i32);
    return 0;
}
