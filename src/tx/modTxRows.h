// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Tx list's columns and rows, built from Tx entries, so that every view
// of the Tx table shows the same cells.
#include "listview/clsListModel.h"

#include <QStringList>
#include <QVector>

class clsTx;

// The columns: 7, or 8 with "Modulation" (meters that take 8 fields).
QVector<ListColumn> TxListColumns(int columns);

// The cells of one entry (7 or 8 of them).
QStringList TxRowCells(const clsTx &mTx, int columns);

// The row key: "RecId", a random "-0.00000" and the station id with at
// least four digits. Only ids of 0 to 9999 survive in the last four
// characters; the row's value keeps the full id.
QString TxRowKey(qint16 wStationId);

// A row for the entry with a fresh key, which is also stored in its
// szListKey; the row's value is the station id.
ListRow TxRow(clsTx &mTx, int columns);
