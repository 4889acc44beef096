// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

// Splits comma-separated fields; a field in double quotes may hold commas.
// Returns the number of fields; `fields` holds them (one empty entry when
// there are none).
qint16 SplitFields(const QString &text, QStringList &fields);
// The number SplitFields would return, without building the fields.
qint16 CountFields(const QString &text);

// Where each field of SplitFields lies in the raw text: [begin, end) from
// just after the separator before it up to the separator after it (quotes
// and blanks included); the field's own text is [first, last). Both
// routines read the text the same way.
struct FieldSpan
{
    int begin;
    int end;
    int first = 0;
    int last = 0;
};
// Kept on the stack for up to 32 fields (a saved record has at most 31).
using FieldSpanList = QVarLengthArray<FieldSpan, 32>;
FieldSpanList FieldSpans(const QString &text);
