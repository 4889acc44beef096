// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "listview/clsListModel.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

QHeaderView *ListHeader(QAbstractItemView *L)
{
    if (auto *tree = qobject_cast<QTreeView *>(L))
        return tree->header();
    if (auto *table = qobject_cast<QTableView *>(L))
        return table->horizontalHeader();
    return nullptr;
}

void ShowColumnSortIcons(QAbstractItemView *L)
{
    QHeaderView *header = ListHeader(L);
    auto *model = L ? qobject_cast<clsListModel *>(L->model()) : nullptr;
    if (!header || !model)
        return;
    // The view never sorts by itself (sorting stays off), so moving the
    // indicator only changes the image. Alignment comes from the model.
    const QSignalBlocker quiet(header);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(model->SortColumn(),
                             model->SortOrder() == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
    header->viewport()->update();
}
