#include "TestSupport.h"
#include "app/globals.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"

#include <gtest/gtest.h>
#include <functional>

namespace {
QString Line(const clsTx &tx, int fields = 8)
{
    QString s;
    tx.UsbSend(s, qint16(fields));
    return s;
}
} // namespace

TEST(Tx, UsbReceive)
{
    // Each line goes into an entry holding the line `before`; the entry
    // afterwards is shown as the 8-field line it would send.
    const QString before = QStringLiteral("9,9,\"OLD\",900,1.000000,2.00000,3.00000,\"DRM10\"");
    struct Case { const char *line; int result; const char *after; };
    const Case cases[] = {
        {"5,12,\"KDCV\",1230,45.504306,-118.25,-14.5", 0, "5,12,\"KDCV\",1230,45.504306,-118.25000,-14.50000,\"DRM10\""},
        {"5,12,\"KDCV\",1230,1,2,3,\"DRM4.5\"", 0, "5,12,\"KDCV\",1230,1.000000,2.00000,3.00000,\"DRM4.5\""},
        {"1, 2 ,\"K,XY 9\",1000,1.5,2.5,3.5", 0, "1,2,\"K,XY 9\",1000,1.500000,2.50000,3.50000,\"DRM10\""},
        // Too few fields: nothing changes.
        {"5,12,\"KDCV\",1230,45.504306,-118.25000", 1, nullptr},
        {"", 1, nullptr},
        // A bad field stops the reading; the fields before it are set.
        {"1,2,\"A\",abc,5,6,7,\"AM\"", 2, "1,2,\"A\",900,1.000000,2.00000,3.00000,\"DRM10\""},
        {"1,40000,\"A\",100,5,6,7", 2, "1,9,\"OLD\",900,1.000000,2.00000,3.00000,\"DRM10\""},
        {"1,2,\"A\",100,5,x,7", 2, "1,2,\"A\",100,5.000000,2.00000,3.00000,\"DRM10\""},
        {"1,2,\"A\",100,5,6,40000", 2, "1,2,\"A\",100,5.000000,6.00000,3.00000,\"DRM10\""},
    };
    for (const Case &c : cases) {
        clsTx tx;
        ASSERT_EQ(tx.UsbReceive(before), 0);
        EXPECT_EQ(tx.UsbReceive(QString::fromUtf8(c.line)), c.result) << c.line;
        EXPECT_EQ(Line(tx), c.after ? QString::fromUtf8(c.after) : before) << c.line;
    }
    clsTx fresh;
    EXPECT_EQ(fresh.UsbReceive(QStringLiteral("1,2,\"A\",100,5,6,7")), 0);
    EXPECT_EQ(fresh.szModulation, QStringLiteral("AM"));
}

TEST(Tx, UsbSend)
{
    struct Case { const char *entry; int fields; const char *line; };
    const Case cases[] = {
        {nullptr, 7, "0,0,\"--------\",500,0.000000,0.00000,0.00000"}, // a fresh entry
        {nullptr, 8, "0,0,\"--------\",500,0.000000,0.00000,0.00000,\"AM\""},
        {"3,17,\"K,X\",1230,-33.5,151.2,-14.5,\"DRM9\"", 7, "3,17,\"K,X\",1230,-33.500000,151.20000,-14.50000"},
        {"-1,-2,\"\",-5,45.5043058,-118.250004,-0.000004", 8, "-1,-2,\"\",-5,45.504306,-118.25000,0.00000,\"AM\""},
        // 62 characters: too long for one command.
        {"5,1234,\"ABCDEFGH\",1230,45.504306,-118.25,-14.5,\"DRM4.5\"", 8,
         "5,1234,\"ABCDEFGH\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\""},
    };
    for (const Case &c : cases) {
        clsTx tx;
        if (c.entry)
            ASSERT_EQ(tx.UsbReceive(QString::fromUtf8(c.entry)), 0);
        EXPECT_EQ(Line(tx, c.fields), QString::fromUtf8(c.line));
    }
    EXPECT_EQ(QString::fromUtf8(cases[4].line).size(), 62);
}

using TxFieldsTest = MeterTest;

TEST_F(TxFieldsTest, FollowsTheMeter)
{
    for (auto [version, line] : {std::pair{3, ",0.00000"}, {4, ",0.00000,\"AM\""}}) {
        gFsm->Version->setvalue(qint16(version));
        QString sent;
        clsTx().UsbSend(sent);
        EXPECT_TRUE(sent.endsWith(QLatin1String(line))) << qPrintable(sent);
    }
}

TEST(Tx, Dirty)
{
    clsTx tx;
    EXPECT_TRUE(tx.fDirty()); // defaults differ from the empty snapshot

    struct Change { const char *what; std::function<void(clsTx &)> apply; bool dirty; };
    const Change changes[] = {
        {"station id", [](clsTx &t) { t.wStationId = 77; }, false},
        {"list key", [](clsTx &t) { t.szListKey = QStringLiteral("x"); }, false},
        {"latitude by a tenth of a second", [](clsTx &t) { t.Latitude.setvalue(1.0 / 36000); }, true},
        {"same call sign", [](clsTx &t) { t.szCallSign = QStringLiteral("KDCV"); }, false},
        {"call sign case", [](clsTx &t) { t.szCallSign = QStringLiteral("kdcv"); }, true},
        {"modulation", [](clsTx &t) { t.szModulation = QStringLiteral("DRM5"); }, true},
        {"variation hemisphere", [](clsTx &t) { t.Variation.setvalue(1); }, true},
    };
    for (const Change &c : changes) {
        clsTx t;
        t.szCallSign = QStringLiteral("KDCV");
        t.setfDirty(false);
        c.apply(t);
        EXPECT_EQ(t.fDirty(), c.dirty) << c.what;
        t.setfDirty(true); // does nothing
        EXPECT_EQ(t.fDirty(), c.dirty) << c.what;
    }
}

TEST(Tx, Copy)
{
    clsTx a, b, c;
    ASSERT_EQ(a.UsbReceive(QStringLiteral("5,12,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), 0);
    a.szListKey = QStringLiteral("RecId-0.123450012");
    ASSERT_EQ(b.UsbReceive(QStringLiteral("1,1,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), 0);
    b.setfDirty(false); // its snapshot already holds the copied values
    c.setfDirty(false);
    ASSERT_TRUE(a.Copy(b));
    ASSERT_TRUE(a.Copy(c));
    EXPECT_FALSE(b.fDirty());
    EXPECT_TRUE(c.fDirty());
    EXPECT_TRUE(b.szListKey.isEmpty());
    EXPECT_EQ(Line(a), Line(b)); // ids included
}
