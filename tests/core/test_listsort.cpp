#include "listview/clsListModel.h"
#include "listview/modLVSort.h"

#include <QDate>
#include <QPersistentModelIndex>
#include <gtest/gtest.h>

namespace {
int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
} // namespace

TEST(ListSort, CompareKinds)
{
    const QString a31(31, QLatin1Char('a'));
    struct Case { int kind; QString a, b; int sign; };
    const Case cases[] = {
        {lvsort::Number, "9", "10", -1}, {lvsort::Text, "10", "9", -1},
        {lvsort::Number, "-----", "0", 0},       // not a number counts as 0
        {lvsort::Number, "abc", "-1", 1}, {lvsort::Number, "1,000", "999", 1},
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
    for (const Case &c : cases) {
        gSortType = c.kind;
        gSortOrder = 0;
        EXPECT_EQ(Sign(CompareListItems(c.a, c.b)), c.sign) << c.kind << " " << qPrintable(c.a) << " | " << qPrintable(c.b);
        gSortOrder = 1;
        EXPECT_EQ(Sign(CompareListItems(c.a, c.b)), -c.sign) << c.kind << " " << qPrintable(c.a);
    }
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

TEST(ListModel, SortIsStableAndKeepsRowsTogether)
{
    clsListModel m;
    m.SetColumns({{"Name", Qt::AlignLeft, lvsort::Text}, {"Freq", Qt::AlignRight, lvsort::Number}});
    const char *rows[][2] = {{"d", " 10"}, {"a", "  9"}, {"c", " 10"}, {"b", "100"}, {"e", "---"}};
    for (int i = 0; i < 5; ++i)
        m.AddRow({{rows[i][0], rows[i][1]}, QStringLiteral("k%1").arg(i), i});
    QPersistentModelIndex tracked(m.index(2, 0)); // "c"
    auto names = [&] {
        QString s;
        for (int r = 0; r < m.Count(); ++r)
            s += m.Text(r, 0);
        return s;
    };
    struct Step { int order, kind; const char *names; };
    const Step steps[] = {
        {0, -1, "eadcb"}, // as numbers; equal tens keep their order
        {1, -1, "bdcae"},
        {0, lvsort::Text, "adceb"}, // as text: "  9" < " 10" < "---" < "100"
    };
    for (const Step &s : steps) {
        s.kind < 0 ? m.Sort(1, s.order) : m.Sort(1, s.order, s.kind);
        EXPECT_EQ(names(), QLatin1String(s.names));
        EXPECT_EQ(m.SortColumn() * 10 + m.SortOrder(), 10 + s.order);
    }
    // Key, value and persistent indexes follow their row.
    const int at = m.FindKey(QStringLiteral("k2"));
    EXPECT_EQ(m.Text(at, 0) + m.UserValue(at).toString(), QStringLiteral("c2"));
    EXPECT_EQ(tracked.row(), at);
    m.RemoveRow(at);
    EXPECT_EQ(m.FindKey(QStringLiteral("k2")), -1);
    m.SetRow(0, {{"z"}, QStringLiteral("kz"), 42});
    EXPECT_EQ(m.Text(0, 1), QString()); // a missing cell reads empty
}
