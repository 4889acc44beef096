// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of a report list: cell texts, a row key and a value the owner
// keeps with each row (e.g. the full record number). Sorting by a column
// uses the column's tag as comparison kind (see modLVSort.h); the list's
// sort column and order describe the last sort, for the heading image.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <vector>

struct ListColumn
{
    QString heading;
    Qt::Alignment align = Qt::AlignLeft;
    qint32 tag = 0; // comparison kind
};

struct ListRow
{
    QStringList cells; // one per column; missing cells read as empty
    QString key;
    QVariant user;
};

class clsListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Roles { KeyRole = Qt::UserRole + 1, UserValueRole, TagRole };

    explicit clsListModel(QObject *parent = nullptr);

    void SetColumns(const QVector<ListColumn> &columns);
    const QVector<ListColumn> &Columns() const { return m_columns; }
    qint32 Tag(int column) const;

    // Adds at the end; returns the new row's index.
    int AddRow(ListRow row);
    void AddRows(std::vector<ListRow> rows);
    // Replaces the cells, key and value of an existing row.
    void SetRow(int row, ListRow value);
    void RemoveRow(int row);
    void Clear();

    int Count() const { return int(m_rows.size()); }
    const ListRow &Row(int row) const { return m_rows[size_t(row)]; }
    QString Text(int row, int column) const;
    QString Key(int row) const { return Row(row).key; }
    QVariant UserValue(int row) const { return Row(row).user; }
    // First row with this key, -1 when none.
    int FindKey(const QString &key) const;

    // Stable sort by one column, ascending (order 0) or descending (1),
    // with the column's own kind or the given one; records the sort column
    // and order.
    void Sort(int column, int order);
    void Sort(int column, int order, qint32 kind);
    int SortColumn() const { return m_sortColumn; }
    int SortOrder() const { return m_sortOrder; }
    void SetSortState(int column, int order);

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    QVector<ListColumn> m_columns;
    std::vector<ListRow> m_rows;
    int m_sortColumn = 0;
    int m_sortOrder = 0;
};
