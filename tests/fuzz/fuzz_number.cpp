// The lenient text-to-number conversion on arbitrary text.
#include "FuzzSupport.h"
#include "app/modConvert.h"

FUZZ_TARGET
{
    const QString s = FuzzText(data, size);
    double d = 0;
    qint16 i16 = 0;
    qint32 i32 = 0;
    FuzzAssert(!ToDouble(s, &d) || std::isfinite(d));
    ToInt16(s, &i16);
    ToInt32(s, &i32);
}
