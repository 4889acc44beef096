#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Splits comma-separated fields; a field in double quotes may hold commas.
// Returns the number of fields; `fields` holds them (one empty entry when
// there are none).
qint16 SplitFields(const QString &text, QStringList &fields);

// Where each field of SplitFields lies in the raw text: [begin, end) from
// just after the separator before it up to the separator after it (quotes
// and blanks included). Both routines read the text the same way.
struct FieldSpan
{
    int begin;
    int end;
};
QList<FieldSpan> FieldSpans(const QString &text);
