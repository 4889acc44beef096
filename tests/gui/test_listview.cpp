#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"
#include "saveddata/modSavedRows.h"
#include "sim/DemoMeter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeView>
#include <gtest/gtest.h>
#include <iostream>

namespace {
struct List
{
    clsListModel model;
    QTreeView view;
    QVector<qint16> SortOrders;
    List()
    {
        model.SetColumns({{"Call Sign", Qt::AlignLeft, 0}, {"Frequency", Qt::AlignRight, 4}, {"Note", Qt::AlignHCenter, 0}});
        SetupListView(&view, &model);
        ConnectColumnClick(&view, &SortOrders);
        SortOrders = {1, 1, 0};
    }
    QString Column0() const
    {
        QString s;
        for (int r = 0; r < model.Count(); ++r)
            s += model.Text(r, 0);
        return s;
    }
};
} // namespace

TEST(ListView, ColumnClickFlipsOnlyTheSortColumn)
{
    List l;
    for (auto [name, freq] : {std::pair{"b", " 900"}, {"a", "1230"}, {"c", "  90"}})
        l.model.AddRow({{name, freq, ""}, name, 0});
    l.view.show();
    QHeaderView *h = l.view.header();

    struct Step { int click; const char *order; int sortOrder; };
    const Step steps[] = {
        {1, "abc", 1}, // first click on a new column: its remembered direction (descending)
        {1, "cba", 0}, // again: reversed
        {1, "abc", 1},
        {0, "cba", 1}, // another column: no flip
        {0, "abc", 0},
        {2, "abc", 0}, // equal cells keep their order
    };
    for (const Step &s : steps) {
        emit h->sectionClicked(s.click);
        EXPECT_EQ(l.Column0(), QLatin1String(s.order)) << s.click;
        EXPECT_EQ(l.model.SortColumn(), s.click);
        EXPECT_EQ(l.model.SortOrder(), s.sortOrder);
        EXPECT_EQ(h->sortIndicatorSection(), s.click); // the image moves with the sort column
        EXPECT_EQ(h->sortIndicatorOrder(), s.sortOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
        EXPECT_EQ(SelectedRows(&l.view), QList<int>{0}); // only row 1, current and visible
        EXPECT_EQ(l.view.currentIndex().row(), 0);
    }
    // Headings keep their alignment.
    EXPECT_EQ(l.model.headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
              int(Qt::AlignHCenter));

    SelectAllItems(&l.view);
    EXPECT_EQ(SelectedRows(&l.view), (QList<int>{0, 1, 2}));
    EXPECT_EQ(l.view.currentIndex().row(), 2);
    SelectNoItems(&l.view);
    EXPECT_TRUE(SelectedRows(&l.view).isEmpty());
    EXPECT_FALSE(l.view.currentIndex().isValid());

    List empty; // a click on an empty list sorts nothing and selects nothing
    emit empty.view.header()->sectionClicked(1);
    EXPECT_TRUE(SelectedRows(&empty.view).isEmpty());
}

TEST(ListView, FullMeterWithView)
{
    QString error;
    auto meter = DemoMeter::FromScenario(QStringLiteral("generate-saved 32767"), &error);
    ASSERT_TRUE(meter);
    clsListModel model;
    model.SetColumns(SavedListColumns({}));
    QTreeView view;
    SetupListView(&view, &model);
    QVector<qint16> SortOrders(15, 1);
    view.resize(900, 600);
    view.show();

    QElapsedTimer t;
    t.start();
    for (const QString &line : std::as_const(meter->saved)) {
        ListRow row;
        if (SavedRowFromLine(line, &row))
            model.AddRow(std::move(row));
    }
    ColumnClick(&view, SortOrders, 0);
    QApplication::processEvents();
    const qint64 first = t.elapsed();
    t.restart();
    ColumnClick(&view, SortOrders, 11);
    QApplication::processEvents();
    const qint64 resort = t.elapsed();
    t.restart();
    SelectAllItems(&view);
    QApplication::processEvents();
    const qint64 selectAll = t.elapsed();
    std::cout << "[ timing ] 32767 rows in a view: fill + first sort " << first << " ms, re-sort " << resort
              << " ms, select all " << selectAll << " ms" << std::endl;
    EXPECT_EQ(SelectedRows(&view).size(), 32767);
    EXPECT_LT(first, 10000);
    EXPECT_LT(resort, 5000);
}
