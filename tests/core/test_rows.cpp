#include "listview/clsListModel.h"
#include "saveddata/modSavedRows.h"
#include "tx/clsTx.h"
#include "tx/modTxRows.h"

#include <gtest/gtest.h>

namespace {
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

TEST(SavedRows, Cells)
{
    const QStringList full = {"04-Nov-2026", "08:32:17", "    3", " 45.504306", "-118.250000", "45° 30' 15.5\"N",
                              "118° 15' 00.0\"W", "  2.40", "  23.0", " 10.589", "  80.50", " 1230", "ND", "JS", "R1 P3"};
    EXPECT_EQ(Cells(QString::fromUtf8(kRecord)), full);

    // 18 fields: the longitude and everything after it are missing.
    QStringList short18 = full;
    for (int i : {4, 6, 7, 8, 9, 10})
        short18[i].clear();
    EXPECT_EQ(Cells(Cut(18)), short18);
    EXPECT_EQ(Cells(Cut(17)), QStringList{QStringLiteral("<no row>")});

    // Masked fields (quoted dashes) and over-long fields.
    QString masked = QString::fromUtf8(kRecord);
    masked.replace(QStringLiteral("45.504306,-118.250000"), QStringLiteral("\"---------\",\"-----------\""));
    masked.replace(QStringLiteral("04-Nov-2026 08:32:17,"), QStringLiteral("\"--------------------\","));
    masked.replace(QStringLiteral(",3,1,"), QStringLiteral(",1234567,1,"));
    const QStringList m = Cells(masked);
    EXPECT_EQ(m.mid(0, 7), (QStringList{"-----------", "--------", "1234567", " ---------", "-----------", "---------",
                                        "-----------"}));
}

// The row's value is the record number the deletion sends, exactly or not at all.
TEST(SavedRows, RecordNumber)
{
    struct Case { const char *recId; bool valid; int number; };
    const Case cases[] = {
        {"7", true, 7}, {"0", true, 0}, {"12345", true, 12345}, {"-3", true, -3},
        {"7.5", false, 0}, // never rounded into another record's number
        {"x", false, 0},
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

TEST(TxRows, CellsAndKey)
{
    clsTx tx;
    ASSERT_EQ(tx.UsbReceive(QStringLiteral("5,12,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), 0);
    const QStringList eight = {"KDCV", " 1230", "45.504306", "-118.25000", "-14.50000", "45° 30' 15.5\"N",
                               "118° 15' 00.0\"W", "DRM10"};
    EXPECT_EQ(TxRowCells(tx, 8), eight);
    EXPECT_EQ(TxRowCells(tx, 7), eight.mid(0, 7));
    tx.wFrequency = -5;
    EXPECT_EQ(TxRowCells(tx, 7).at(1), QStringLiteral("   -5"));

    // The entry knows its row; the row's value is the station id.
    for (qint16 station : {12, 0, 12345, -7}) {
        tx.wStationId = station;
        const ListRow row = TxRow(tx, 7);
        EXPECT_EQ(tx.szListKey, row.key);
        EXPECT_EQ(row.user.toInt(), station);
    }
}
