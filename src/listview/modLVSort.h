// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How list cells compare when a list is sorted by a column. Each column's
// kind is the tag given when the column is created.
#include <QString>
#include <QtGlobal>

namespace lvsort {
enum Kind {
    Text = 0,       // character code by character code, case-sensitive
    Date = 2,       // date and time; cells that are not dates count as 1/1/1900
    Time = 3,       // as Date, but cells that are not dates count as 00:00:00 of day zero
    Number = 4,     // by value; cells that are not numbers count as 0
    PaddedText = 5, // "00000" + text, last 15 characters, then as Text
};
}

// State of the sort in progress: order (0 ascending, 1 descending), kind,
// and 1-based column. Set by each sort before it compares.
extern qint32 gSortOrder;
extern qint32 gSortType;
extern qint16 gSortColumn;

// The part of a cell that takes part in the comparison: its first 31 characters.
QString GetListItemText(const QString &cell);

// A cell's comparison key, computed once per row and sort.
struct SortKey
{
    double number = 0; // kinds Date, Time, Number
    QString text;      // kinds Text, PaddedText (and any unknown kind)
};
SortKey MakeSortKey(const QString &cell, qint32 kind);
// Negative, zero or positive: ascending order of two keys of one kind.
int CompareSortKeys(const SortKey &a, const SortKey &b, qint32 kind);

// Compares two cells by gSortType and gSortOrder; negative when the first
// row sorts before the second.
qint32 CompareListItems(const QString &cell1, const QString &cell2);

// Reads a date, a time or both under the user's regional formats and the
// meter's own forms ("04-Nov-2026", "08:32:17", "04-Nov-2026 08:32:17").
// The value is in days from 30 Dec 1899 (day zero), the time as a fraction.
bool ToDate(const QString &text, double *value);
