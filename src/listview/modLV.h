// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Report-list helpers shared by the list windows: set-up, the column-click
// sort with per-window directions, and selecting all or no rows.
#include <QList>
#include <QString>
#include <QVector>

class QAbstractItemView;
class QModelIndex;
class QTreeView;
class clsListModel;

// Report view over `model`: full-row, multiple selection, no in-place
// editing, fixed column order, clickable headings, selection kept visible
// without the focus, no sorting by the view itself, and a cut-off cell's
// whole text as its tooltip.
void SetupListView(QTreeView *L, clsListModel *model);

// The whole text of a cell that the list shows cut off, for its tooltip;
// empty when the cell shows all of it.
QString CutCellText(const QAbstractItemView *L, const QModelIndex &index);

// Width in pixels of `text` in the list's font times `factor`, plus `twips`.
int ColumnWidthForText(const QTreeView *L, const QString &text, double factor, int twips);
// Every column as wide as its heading plus `twips`.
void SizeColumnsToHeadings(QTreeView *L, int twips);

// A click on the heading of `column` (0-based). Flips that column's
// direction in SortOrders only when it is already the sort column, sorts,
// records the sort column and order, shows the heading image, then selects
// only row 1 and scrolls to it.
void ColumnClick(QAbstractItemView *L, QVector<qint16> &SortOrders, int column);
// Runs ColumnClick for every heading click of L.
void ConnectColumnClick(QTreeView *L, QVector<qint16> *SortOrders);

void SetAllSelected(QAbstractItemView *L, bool f);
void SelectAllItems(QAbstractItemView *L);
void SelectNoItems(QAbstractItemView *L);
// Selects row 1 (adding it to the selection), makes it current and scrolls to it.
void SelectFirstRow(QAbstractItemView *L);

// Selected rows, ascending.
QList<int> SelectedRows(const QAbstractItemView *L);
bool IsRowSelected(const QAbstractItemView *L, int row);
