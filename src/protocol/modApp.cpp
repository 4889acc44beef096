// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modApp.h"

namespace {

// One pass over the text in the splitter's own rules; calls add(first, last,
// span) for each field found, the field being text[first, last). Nothing is
// copied here: counting fields needs no strings.
template <typename Add> void ScanFields(const QString &text, Add add)
{
    // A plain loop: fields are short, so a library search per field would
    // cost more in calls than it saves.
    const char16_t *d = reinterpret_cast<const char16_t *>(text.constData());
    const int size = int(text.size());
    auto find = [d](char16_t c, int from, int to) {
        for (int i = from; i < to; ++i)
            if (d[i] == c)
                return i;
        return to;
    };

    // Only spaces count as blanks; trailing ones are dropped once for all.
    int end = size;
    while (end > 0 && d[end - 1] == u' ')
        --end;
    int begin = 0; // raw start of the field: just after the last separator
    int pos = 0;
    while (true) {
        while (pos < end && d[pos] == u' ')
            ++pos;
        if (pos >= end)
            break;
        int first, last; // the field's characters
        int sep;         // where the separator after the field is (end when none)
        if (d[pos] == u'"') {
            const int close = find(u'"', pos + 1, end);
            first = pos + 1, last = close; // no closing quote: the rest of the text is the field
            // Whatever single character follows the closing quote is taken
            // as the separator.
            sep = qMin(close + 1, end);
        } else {
            sep = find(u',', pos, end);
            first = pos, last = sep;
        }
        add(first, last, FieldSpan{begin, sep < end ? sep : size, first, last});
        pos = sep + 1;
        begin = pos;
    }
}

} // namespace

qint16 SplitFields(const QString &text, QStringList &fields)
{
    fields.clear();
    ScanFields(text, [&](int first, int last, const FieldSpan &) { fields << text.mid(first, last - first); });
    const qint16 count = qint16(qMin<qsizetype>(fields.size(), 32767));
    if (fields.isEmpty())
        fields << QString();
    return count;
}

qint16 CountFields(const QString &text)
{
    int count = 0;
    ScanFields(text, [&](int, int, const FieldSpan &) { ++count; });
    return qint16(qMin(count, 32767));
}

FieldSpanList FieldSpans(const QString &text)
{
    FieldSpanList spans;
    ScanFields(text, [&](int, int, const FieldSpan &span) { spans.append(span); });
    return spans;
}
