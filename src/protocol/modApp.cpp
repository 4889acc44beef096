#include "protocol/modApp.h"

namespace {

// One pass over the text in the splitter's own rules; calls add(field, span)
// for each field found.
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
        QString field;
        int sep; // where the separator after the field is (end when none)
        if (text.at(pos) == quote) {
            const int close = int(text.indexOf(quote, pos + 1));
            if (close < 0 || close >= end) {
                // No closing quote: the rest of the text is the field.
                field = text.mid(pos + 1, end - pos - 1);
                sep = end;
            } else {
                field = text.mid(pos + 1, close - pos - 1);
                // Whatever single character follows the closing quote is
                // taken as the separator.
                sep = qMin(close + 1, end);
            }
        } else {
            const int c = int(text.indexOf(comma, pos));
            sep = (c < 0 || c >= end) ? end : c;
            field = text.mid(pos, sep - pos);
        }
        add(field, FieldSpan{begin, sep < end ? sep : int(text.size())});
        pos = sep + 1;
        begin = pos;
    }
}

} // namespace

qint16 SplitFields(const QString &text, QStringList &fields)
{
    fields.clear();
    ScanFields(text, [&](const QString &field, const FieldSpan &) { fields << field; });
    const qint16 count = qint16(qMin<qsizetype>(fields.size(), 32767));
    if (fields.isEmpty())
        fields << QString();
    return count;
}

QList<FieldSpan> FieldSpans(const QString &text)
{
    QList<FieldSpan> spans;
    ScanFields(text, [&](const QString &, const FieldSpan &span) { spans << span; });
    return spans;
}
