// SPDX-License-Identifier: GPL-3.0-or-later
// Saved-data list rows from arbitrary record lines, and the sort keys of
// their cells: every comparison kind must order consistently (a comparison
// that contradicts itself can break the sort).
#include "FuzzSupport.h"
#include "listview/modLVSort.h"
#include "saveddata/modSavedRows.h"

static int Sign(int v) { return (v > 0) - (v < 0); }

FUZZ_TARGET
{
    const QString text = FuzzText(data, size);

    ListRow row;
    FuzzAssert(!SavedRowFromLine(text, &row) || row.cells.size() == 15);

    // Two cells, split at the first line feed, compared by every kind.
    const int cut = int(text.indexOf(QLatin1Char('\n')));
    const QString a = cut < 0 ? text : text.left(cut);
    const QString b = cut < 0 ? QString() : text.mid(cut + 1);
    for (qint32 kind : {lvsort::Text, lvsort::Date, lvsort::Time, lvsort::Number, lvsort::PaddedText}) {
        const SortKey ka = MakeSortKey(a, kind), kb = MakeSortKey(b, kind);
        FuzzAssert(CompareSortKeys(ka, ka, kind) == 0 && Sign(CompareSortKeys(ka, kb, kind)) == -Sign(CompareSortKeys(kb, ka, kind)));
    }
}
