// The field splitter on arbitrary reply text: field count, field list and
// raw spans must agree, and spans must lie in order inside the text.
#include "FuzzSupport.h"
#include "protocol/modApp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    QStringList fields;
    const qint16 count = SplitFields(text, fields);
    const FieldSpanList spans = FieldSpans(text);
    if (count < 0 || fields.isEmpty() || (count > 0 && fields.size() != count) || spans.size() != count
        || CountFields(text) != count)
        __builtin_trap();
    int last = 0;
    for (const FieldSpan &s : spans) {
        if (s.begin < last || s.end < s.begin || s.end > text.size())
            __builtin_trap();
        last = s.end;
    }
    return 0;
}
