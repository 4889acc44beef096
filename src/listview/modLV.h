#pragma once
// Report-list helpers shared by the list windows: set-up, the column-click
// sort with per-window directions, and selecting all or no rows.
#include <QList>
#include <QString>
#include <QVector>

class QAbstractItemView;
class QTreeView;
class clsListModel;

// Report view over `model`: full-row, multiple selection, no in-place
// editing, fixed column order, clickable headings, selection kept visible
// without the focus, and no sorting by the view itself.
void SetupListView(QTreeView *L, clsListModel *model);

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
