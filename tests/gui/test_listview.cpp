// SPDX-License-Identifier: GPL-3.0-or-later
// The report lists: rows from saved records, comparisons by kind,
// the model's sort, and heading clicks in the view.
#include "TestSupport.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modLVSort.h"
#include "saveddata/modSavedRows.h"

#include <QDate>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QScrollBar>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {
int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
const char *kRecord =
    "1,7,3,1,\"KDCV\",1230,1230,2,\"ND\",\"JS\",\"R1 P3\",3,04-Nov-2026 08:32:17,04-Nov-2026 00:32:17,1,\"Loop\",TRUE,"
    "45.504306,-118.250000,356,80.5,\"dBuV\",10.589,\"mV/m\",10.589,80.50,2.40,23.0,4.5";

QStringList Cells(const QString &line)
{
    ListRow row;
    return SavedRowFromLine(line, &row) ? row.cells : QStringList{QStringLiteral("<no row>")};
}

// The record with fields [from, ...) cut off.
QString Cut(int from) { return QString::fromUtf8(kRecord).split(QLatin1Char(',')).mid(0, from).join(QLatin1Char(',')); }
} // namespace

// The cells of whole and masked records: the CLI's case list-saved-as-listed.
TEST(SavedRows, CellsOfAShortRecord)
{
    // 18 fields: the longitude and everything after it are missing.
    const QStringList short18 = {"04-Nov-2026", "08:32:17", "    3", " 45.504306", "", "45° 30' 15.5\"N", "", "", "", "", "",
                                 " 1230", "ND", "JS", "R1 P3"};
    EXPECT_EQ(Cells(Cut(18)), short18);
    EXPECT_EQ(Cells(Cut(17)), QStringList{QStringLiteral("<no row>")});
}

// The row's value is the record number the deletion sends, exactly or not at all.
TEST(SavedRows, RecordNumber)
{
    struct Case { const char *recId; bool valid; int number; };
    const Case cases[] = {
        {"7", true, 7}, {"0", true, 0}, {"12345", true, 12345}, {"-3", true, -3},
        {"7.5", false, 0}, // never rounded into another record's number
        {"1.0000000000000001", false, 0}, {"\"1,000\"", false, 0}, {"1e3", false, 0}, {"x", false, 0},
    };
    for (const Case &c : cases) {
        QString line = QString::fromUtf8(kRecord);
        line.replace(0, 4, QStringLiteral("1,%1,").arg(QLatin1String(c.recId)));
        ListRow row;
        ASSERT_TRUE(SavedRowFromLine(line, &row));
        EXPECT_EQ(row.user.isValid(), c.valid) << c.recId;
        EXPECT_EQ(row.user.toInt(), c.number) << c.recId;
    }
}

TEST(SavedRows, HeadingsFollowTheColumnNames)
{
    QStringList names;
    for (int i = 0; i < 31; ++i)
        names << QStringLiteral("N%1").arg(i);
    const auto columns = SavedListColumns(names);
    EXPECT_EQ(columns[2].heading + columns[6].heading + columns[11].heading, QStringLiteral("N2N18 DMSN6"));
    EXPECT_EQ(SavedListColumns({})[6].heading, QStringLiteral("Longitude DMS")); // built-in names
}

TEST(ListSort, CompareKinds)
{
    const QString a31(31, QLatin1Char('a'));
    struct Case { int kind; QString a, b; int sign; };
    const Case cases[] = {
        {lvsort::Number, "9", "10", -1}, {lvsort::Text, "10", "9", -1},
        {lvsort::Number, "-----", "0", 0},       // not a number counts as 0
        {lvsort::Number, "abc", "-1", 1},
        {lvsort::Number, "983.471", "1000", -1}, {lvsort::Number, " 10.589", "  9.5", 1}, // the meter's decimals
        {lvsort::Number, "1,000", "999", -1},    // not the meter's form: 0
        {lvsort::Time, "--------", "00:00:00", 0}, // masked time
        {lvsort::Time, "--------", "00:00:01", -1},
        {lvsort::Time, "9:00:00", "10:00:00", -1},
        {lvsort::Date, "30-Oct-2026", "04-Nov-2026", -1},
        {lvsort::Date, "-----------", "1/1/1900", 0}, // not a date: 1 January 1900
        {lvsort::Date, "garbage", "02-Jan-1900", -1},
        {lvsort::Date, "31-Dec-1899", "", -1},
        {lvsort::Date, "04-Nov-2026 08:00:00", "04-Nov-2026 09:00:00", -1},
        {lvsort::PaddedText, "5° 30' 00.0\"N", "45° 30' 00.0\"N", -1},
        {lvsort::PaddedText, "118° 15' 00.0\"W", "45° 30' 15.5\"N", 1},
        {lvsort::Text, "B", "a", -1},            // by character code, case-sensitive
        {lvsort::Text, a31 + "b", a31 + "c", 0}, // only 31 characters count
        {lvsort::Text, a31.left(30) + "b", a31.left(30) + "c", -1},
        {lvsort::Number, "1" + QString(30, '0') + "5", "1" + QString(30, '0') + "9", 0},
        {7, "10", "9", -1},                      // unknown kinds compare as text
    };
    UnderEachSettings([&] {
        for (const Case &c : cases) {
            gSortType = c.kind;
            gSortOrder = 0;
            EXPECT_EQ(Sign(CompareListItems(c.a, c.b)), c.sign) << c.kind << " " << qPrintable(c.a) << " | " << qPrintable(c.b);
            gSortOrder = 1;
            EXPECT_EQ(Sign(CompareListItems(c.a, c.b)), -c.sign) << c.kind << " " << qPrintable(c.a);
        }
    });
    gSortOrder = 0;
    gSortType = 0;
}

TEST(ListSort, ToDate)
{
    const QDate zero(1899, 12, 30);
    struct Case { const char *text; bool ok; QDate date; int seconds; };
    const Case cases[] = {
        {"04-Nov-2026", true, QDate(2026, 11, 4), 0},
        {"04-Nov-2026 08:32:17", true, QDate(2026, 11, 4), 8 * 3600 + 32 * 60 + 17},
        {"08:32:17", true, zero, 8 * 3600 + 32 * 60 + 17},
        {"8:32 PM", true, zero, 20 * 3600 + 32 * 60},
        {"12:05 AM", true, zero, 5 * 60}, {"12:05 PM", true, zero, 12 * 3600 + 5 * 60}, // midnight and noon
        {"31/12/26", true, QDate(2026, 12, 31), 0}, {"31/12/30", true, QDate(1930, 12, 31), 0}, // two-digit years
        {"1/1/1900", true, QDate(1900, 1, 1), 0},
        {"2026-11-04", true, QDate(2026, 11, 4), 0},
        {"4 November 2026", true, QDate(2026, 11, 4), 0},
        {"Nov 4, 2026", true, QDate(2026, 11, 4), 0},
        {"31/12/2026", true, QDate(2026, 12, 31), 0},   // only one order makes a date
        {"12/31/2026", true, QDate(2026, 12, 31), 0},
        {"", false, {}, 0}, {"-----------", false, {}, 0}, {"31-Feb-2026", false, {}, 0},
        {"25:00:00", false, {}, 0}, {"12.5", false, {}, 0}, {"04-Xyz-2026", false, {}, 0},
        {"1:2:3:4", false, {}, 0},
    };
    for (const Case &c : cases) {
        double v = -1;
        EXPECT_EQ(ToDate(QString::fromLatin1(c.text), &v), c.ok) << c.text;
        if (c.ok)
            EXPECT_DOUBLE_EQ(v, double(zero.daysTo(c.date)) + c.seconds / 86400.0) << c.text;
    }
}

TEST(ListView, ColumnClickSortsAndFlipsOnlyTheSortColumn)
{
    clsListModel model;
    model.SetColumns({{"Call Sign", Qt::AlignLeft, 0}, {"Frequency", Qt::AlignRight, 4}, {"Note", Qt::AlignHCenter, 0}});
    int value = 0;
    for (auto [name, freq] : {std::pair{"b", " 900"}, {"a", "1230"}, {"c", "  90"}})
        model.AddRow({{name, freq, ""}, name, value++});
    QPersistentModelIndex tracked(model.index(0, 0)); // "b"
    QTreeView view;
    QVector<qint16> SortOrders = {1, 1, 0};
    SetupListView(&view, &model);
    ConnectColumnClick(&view, &SortOrders);
    view.resize(160, 200); // narrower than its columns: scrolled across to the clicked one
    for (int c = 0; c < 3; ++c)
        view.setColumnWidth(c, 150);
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
        {2, "abc", 0}, // equal cells keep their order, either way
        {2, "abc", 1},
    };
    QScrollBar *across = view.horizontalScrollBar();
    for (const Step &s : steps) {
        across->setValue(across->maximum() - s.click);
        const int scrolled = across->value();
        ASSERT_GT(scrolled, 0);
        emit h->sectionClicked(s.click);
        EXPECT_EQ(across->value(), scrolled); // the sorted column stays in view
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

    // Key, value and persistent indexes follow their row.
    const int at = model.FindKey(QStringLiteral("b"));
    EXPECT_EQ(model.Text(at, 0) + model.UserValue(at).toString(), QStringLiteral("b0"));
    EXPECT_EQ(tracked.row(), at);
    model.RemoveRow(at);
    EXPECT_EQ(model.FindKey(QStringLiteral("b")), -1);
    model.SetRow(0, {{"z"}, QStringLiteral("kz"), 42});
    EXPECT_EQ(model.Text(0, 1), QString()); // a missing cell reads empty
}
