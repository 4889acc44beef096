// SPDX-License-Identifier: GPL-3.0-or-later
// The field splitter on arbitrary reply text: field count, field list and
// raw spans must agree, and spans must lie in order inside the text.
#include "FuzzSupport.h"
#include "protocol/modApp.h"

FUZZ_TARGET
{
    const QString text = FuzzText(data, size);
    QStringList fields;
    const qint16 count = SplitFields(text, fields);
    const FieldSpanList spans = FieldSpans(text);
    FuzzAssert(count >= 0 && !fields.isEmpty() && (count == 0 || fields.size() == count) && spans.size() == count
               && CountFields(text) == count);
    int last = 0;
    for (const FieldSpan &s : spans) {
        FuzzAssert(s.begin >= last && s.end >= s.begin && s.end <= text.size());
        last = s.end;
    }
}
