#include "protocol/modApp.h"

namespace {

// One pass over the text in the splitter's own rules; calls add(first, last,
// span) for each field found, the field being text[first, last). Nothing is
// copied here: counting fields needs no strings.
template <typename Add> void ScanFields(const QString &text, Add add)
{
    const QChar space(QLatin1Char(' '));
    const QChar quote(QLatin1Char('"'));
    const QChar comma(QLatin1Char(','));

    // Only spaces count as blanks; trailing ones are dropped once for all.
    int end = int(text.size());
    while (end > 0 && text.at(end - 1) == space)
        --end;
    int begin = 0; // raw start of the field: just after the last separator
    int pos = 0;
    while (true) {
        while (pos < end && text.at(pos) == space)
            ++pos;
        if (pos >= end)
            break;
        int first, last; // the field's characters
        int sep;         // where the separator after the field is (end when none)
        if (text.at(pos) == quote) {
            const int close = int(text.indexOf(quote, pos + 1));
            if (close < 0 || close >= end) {
                // No closing quote: the rest of the text is the field.
                first = pos + 1, last = end;
                sep = end;
            } else {
                first = pos + 1, last = close;
                // Whatever single character follows the closing quote is
                // taken as the separator.
                sep = qMin(close + 1, end);
            }
        } else {
            const int c = int(text.indexOf(comma, pos));
            sep = (c < 0 || c >= end) ? end : c;
            first = pos, last = sep;
        }
        add(first, last, FieldSpan{begin, sep < end ? sep : int(text.size()), first, last});
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

QList<FieldSpan> FieldSpans(const QString &text)
{
    QList<FieldSpan> spans;
    ScanFields(text, [&](int, int, const FieldSpan &span) { spans << span; });
    return spans;
}
