// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sort image in the heading of a list's sort column.
class QAbstractItemView;
class QHeaderView;

// The column headings of a tree or table view (nullptr for other views).
QHeaderView *ListHeader(QAbstractItemView *L);

// Shows the sort direction on the heading of the list's sort column only
// (the model's SortColumn/SortOrder); the headings keep their alignment.
void ShowColumnSortIcons(QAbstractItemView *L);
