// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The saved-data list's columns and rows, built from record lines, so that
// every view of the saved records shows the same cells.
#include "listview/clsListModel.h"

#include <QStringList>
#include <QVector>

// Fewest fields a record line needs to make a row.
constexpr int kSavedRowMinFields = 18;

// The 15 columns: headings (from the record column names `names`; names
// missing from it fall back to the built-in ones), alignments and sort kinds.
QVector<ListColumn> SavedListColumns(const QStringList &names);

// The 15 cells of a record already split into `count` fields. Cells of
// fields the record does not have are empty.
QStringList SavedRowCells(const QStringList &fields, int count);

// The row key: "RecId", a random "-0.00000-" and the Rec ID with at least
// four digits. Only Rec IDs of 0 to 9999 survive in the key's last four
// characters; the row's value keeps the full number.
QString SavedRowKey(const QString &recId);

// A row from a record line; false (and no row) for a line of fewer than 18
// fields. The row's value is the Rec ID as a number, or invalid when the
// field does not hold one.
bool SavedRowFromLine(const QString &line, ListRow *row);
