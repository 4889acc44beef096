// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/modLV.h"
#include "listview/clsListModel.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>
#include <cmath>

namespace {

// Cells are as narrow as their headings: the Note column shows only the
// start of a note. Hovering shows the rest.
class CutTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = CutCellText(view, index);
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            // Plain text, blanks kept: a note may hold anything.
            QToolTip::showText(event->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped()), view,
                               view->visualRect(index));
        }
        return true;
    }
};

} // namespace

QString CutCellText(const QAbstractItemView *L, const QModelIndex &index)
{
    auto *delegate = L ? qobject_cast<QStyledItemDelegate *>(L->itemDelegateForIndex(index)) : nullptr;
    if (!delegate || !index.isValid())
        return QString();
    const QString text = index.data(Qt::DisplayRole).toString();
    QStyleOptionViewItem option;
    option.initFrom(L->viewport());
    option.font = L->font();
    option.rect = L->visualRect(index);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    if (text.trimmed().isEmpty() || option.rect.isEmpty())
        return QString();
    return delegate->sizeHint(option, index).width() > option.rect.width() ? text.trimmed() : QString();
}

void SetupListView(QTreeView *L, clsListModel *model)
{
    L->setItemDelegate(new CutTextDelegate(L));
    L->setModel(model);
    L->setRootIsDecorated(false);
    L->setItemsExpandable(false);
    L->setUniformRowHeights(true); // keeps tens of thousands of rows fast
    L->setAllColumnsShowFocus(true);
    L->setSelectionBehavior(QAbstractItemView::SelectRows);
    L->setSelectionMode(QAbstractItemView::ExtendedSelection);
    L->setEditTriggers(QAbstractItemView::NoEditTriggers);
    L->setSortingEnabled(false); // sorting goes through ColumnClick only
    QHeaderView *h = L->header();
    h->setSectionsMovable(false);
    h->setSectionsClickable(true);
    h->setSortIndicatorShown(true);
    h->setSortIndicator(-1, Qt::AscendingOrder);
    h->setStretchLastSection(false);
    QPalette p = L->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    L->setPalette(p);
}

int ColumnWidthForText(const QTreeView *L, const QString &text, double factor, int twips)
{
    const double dpi = L->logicalDpiX() > 0 ? L->logicalDpiX() : 96;
    return int(std::lround(L->fontMetrics().horizontalAdvance(text) * factor + twips * dpi / 1440.0));
}

void SizeColumnsToHeadings(QTreeView *L, int twips)
{
    auto *model = qobject_cast<clsListModel *>(L->model());
    if (!model)
        return;
    for (int c = 0; c < model->Columns().size(); ++c)
        L->setColumnWidth(c, ColumnWidthForText(L, model->Columns()[c].heading, 1.0, twips));
}

void ColumnClick(QAbstractItemView *L, QVector<qint16> &SortOrders, int column)
{
    auto *model = L ? qobject_cast<clsListModel *>(L->model()) : nullptr;
    if (!model || column < 0 || column >= model->columnCount())
        return;
    if (SortOrders.size() < model->columnCount())
        SortOrders.resize(model->columnCount(), 1);
    if (column == model->SortColumn())
        SortOrders[column] = SortOrders[column] ? 0 : 1;
    // Up to row 1 afterwards, but not back to the left: the column just
    // sorted stays in view, and a second click sorts it again.
    QScrollBar *across = L->horizontalScrollBar();
    const int at = across ? across->value() : 0;
    model->Sort(column, SortOrders[column]); // also records column and order
    L->viewport()->update();
    ShowColumnSortIcons(L);
    SelectNoItems(L);
    SelectFirstRow(L);
    if (across)
        across->setValue(at);
}

void ConnectColumnClick(QTreeView *L, QVector<qint16> *SortOrders)
{
    QObject::connect(L->header(), &QHeaderView::sectionClicked, L,
                     [L, SortOrders](int column) { ColumnClick(L, *SortOrders, column); });
}

void SetAllSelected(QAbstractItemView *L, bool f)
{
    QItemSelectionModel *sel = L ? L->selectionModel() : nullptr;
    if (!sel)
        return;
    QAbstractItemModel *model = L->model();
    const int rows = model->rowCount();
    sel->clearCurrentIndex();
    if (f && rows > 0) {
        // One range for all rows: selecting row by row is far too slow for
        // big lists. The last row ends up as the current one, without
        // moving the view there.
        QScrollBar *bar = L->verticalScrollBar();
        const int at = bar ? bar->value() : 0;
        sel->select(QItemSelection(model->index(0, 0), model->index(rows - 1, 0)),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        sel->setCurrentIndex(model->index(rows - 1, 0), QItemSelectionModel::NoUpdate);
        if (bar)
            bar->setValue(at);
    } else {
        sel->clearSelection();
    }
    L->setFocus();
    L->viewport()->update();
}

void SelectAllItems(QAbstractItemView *L) { SetAllSelected(L, true); }

void SelectNoItems(QAbstractItemView *L) { SetAllSelected(L, false); }

void SelectFirstRow(QAbstractItemView *L)
{
    QItemSelectionModel *sel = L ? L->selectionModel() : nullptr;
    if (!sel || L->model()->rowCount() == 0)
        return;
    const QModelIndex first = L->model()->index(0, 0);
    sel->select(first, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    sel->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    // Up to row 1, staying scrolled across where the list is.
    QScrollBar *across = L->horizontalScrollBar();
    const int at = across ? across->value() : 0;
    L->scrollTo(first);
    if (across)
        across->setValue(at);
}

QList<int> SelectedRows(const QAbstractItemView *L)
{
    QList<int> rows;
    const QItemSelectionModel *sel = L ? L->selectionModel() : nullptr;
    if (!sel)
        return rows;
    for (const QItemSelectionRange &r : sel->selection())
        for (int i = r.top(); i <= r.bottom(); ++i)
            rows.append(i);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool IsRowSelected(const QAbstractItemView *L, int row)
{
    const QItemSelectionModel *sel = L ? L->selectionModel() : nullptr;
    return sel && L->model() && sel->isRowSelected(row, QModelIndex());
}
