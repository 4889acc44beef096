// SPDX-License-Identifier: GPL-3.0-or-later
#include "listview/clsListModel.h"
#include "listview/modLVSort.h"

#include <algorithm>
#include <numeric>

clsListModel::clsListModel(QObject *parent) : QAbstractTableModel(parent) {}

void clsListModel::SetColumns(const QVector<ListColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

qint32 clsListModel::Tag(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns[column].tag : 0;
}

int clsListModel::AddRow(ListRow row)
{
    const int at = Count();
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
    return at;
}

void clsListModel::AddRows(std::vector<ListRow> rows)
{
    if (rows.empty())
        return;
    const int at = Count();
    beginInsertRows(QModelIndex(), at, at + int(rows.size()) - 1);
    m_rows.reserve(m_rows.size() + rows.size());
    for (ListRow &r : rows)
        m_rows.push_back(std::move(r));
    endInsertRows();
}

void clsListModel::SetRow(int row, ListRow value)
{
    if (row < 0 || row >= Count())
        return;
    m_rows[size_t(row)] = std::move(value);
    emit dataChanged(index(row, 0), index(row, qMax(0, columnCount() - 1)));
}

void clsListModel::RemoveRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void clsListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString clsListModel::Text(int row, int column) const
{
    if (row < 0 || row >= Count())
        return QString();
    return Row(row).cells.value(column);
}

int clsListModel::FindKey(const QString &key) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_rows[size_t(i)].key == key)
            return i;
    return -1;
}

void clsListModel::Sort(int column, int order) { Sort(column, order, Tag(column)); }

void clsListModel::Sort(int column, int order, qint32 kind)
{
    if (column < 0 || column >= m_columns.size())
        return;
    gSortType = kind;
    gSortOrder = order;
    gSortColumn = qint16(column + 1);

    // One key per row, then an index sort: O(n log n) comparisons of keys.
    const size_t n = m_rows.size();
    std::vector<SortKey> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = MakeSortKey(m_rows[i].cells.value(column), kind);
    std::vector<int> perm(n);
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        const int c = CompareSortKeys(keys[size_t(a)], keys[size_t(b)], kind);
        return order == 1 ? c > 0 : c < 0;
    });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<ListRow> sorted;
    sorted.reserve(n);
    std::vector<int> newRow(n);
    for (size_t i = 0; i < n; ++i) {
        newRow[size_t(perm[i])] = int(i);
        sorted.push_back(std::move(m_rows[size_t(perm[i])]));
    }
    m_rows.swap(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from)
        to.append(index(newRow[size_t(i.row())], i.column()));
    changePersistentIndexList(from, to);
    SetSortState(column, order);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void clsListModel::SetSortState(int column, int order)
{
    m_sortColumn = column;
    m_sortOrder = order;
}

int clsListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : Count(); }

int clsListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QVariant clsListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || index.column() >= m_columns.size())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return Row(index.row()).cells.value(index.column());
    case Qt::TextAlignmentRole:
        return int(m_columns[index.column()].align | Qt::AlignVCenter);
    case KeyRole:
        return Row(index.row()).key;
    case UserValueRole:
        return Row(index.row()).user;
    default:
        return QVariant();
    }
}

QVariant clsListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[section].heading;
    case Qt::TextAlignmentRole:
        return int(m_columns[section].align | Qt::AlignVCenter);
    case TagRole:
        return m_columns[section].tag;
    default:
        return QVariant();
    }
}

Qt::ItemFlags clsListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void clsListModel::sort(int column, Qt::SortOrder order)
{
    Sort(column, order == Qt::DescendingOrder ? 1 : 0);
}
