#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modLVSort.h"
#include "listview/modShowListViewColumnHeaderSortIcon.h"

#include <QHeaderView>
#include <QTreeView>
#include <gtest/gtest.h>

TEST(ListView, ColumnClickFlipsOnlyTheSortColumn)
{
    clsListModel model;
    model.SetColumns({{"Call Sign", Qt::AlignLeft, 0}, {"Frequency", Qt::AlignRight, 4}, {"Note", Qt::AlignHCenter, 0}});
    for (auto [name, freq] : {std::pair{"b", " 900"}, {"a", "1230"}, {"c", "  90"}})
        model.AddRow({{name, freq, ""}, name, 0});
    QTreeView view;
    QVector<qint16> SortOrders = {1, 1, 0};
    SetupListView(&view, &model);
    ConnectColumnClick(&view, &SortOrders);
    view.show();
    QHeaderView *h = view.header();
    auto names = [&] { return model.Text(0, 0) + model.Text(1, 0) + model.Text(2, 0); };

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
        EXPECT_EQ(names(), QLatin1String(s.order)) << s.click;
        EXPECT_EQ(model.SortColumn(), s.click);
        EXPECT_EQ(model.SortOrder(), s.sortOrder);
        EXPECT_EQ(h->sortIndicatorSection(), s.click); // the image moves with the sort column
        EXPECT_EQ(h->sortIndicatorOrder(), s.sortOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
        EXPECT_EQ(SelectedRows(&view), QList<int>{0}); // only row 1, current and visible
        EXPECT_EQ(view.currentIndex().row(), 0);
    }

    SelectAllItems(&view);
    EXPECT_EQ(SelectedRows(&view), (QList<int>{0, 1, 2}));
    EXPECT_EQ(view.currentIndex().row(), 2);
    SelectNoItems(&view);
    EXPECT_TRUE(SelectedRows(&view).isEmpty());
    EXPECT_FALSE(view.currentIndex().isValid());
}
