#include "TestSupport.h"
#include "app/globals.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"

#include <gtest/gtest.h>
#include <functional>

TEST(Tx, UsbReceive)
{
    struct Case {
        const char *line;
        int result;
        int dir, station;
        const char *call;
        int freq;
        double lat, lon, var;
        const char *modulation;
    };
    // Each line goes into an entry that last held modulation "DRM10".
    const Case cases[] = {
        {"5,12,\"KDCV\",1230,45.504306,-118.25000,-14.50000", 0, 5, 12, "KDCV", 1230, 45.504306, -118.25, -14.5, "DRM10"},
        {"5,12,\"KDCV\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\"", 0, 5, 12, "KDCV", 1230, 45.504306, -118.25, -14.5, "DRM4.5"},
        {"1, 2 ,\"K,XY 9\",1000,1.5,2.5,3.5", 0, 1, 2, "K,XY 9", 1000, 1.5, 2.5, 3.5, "DRM10"},
        // Too few fields: nothing changes.
        {"5,12,\"KDCV\",1230,45.504306,-118.25000", 1, 9, 9, "OLD", 900, 1, 2, 3, "DRM10"},
        {"", 1, 9, 9, "OLD", 900, 1, 2, 3, "DRM10"},
        // A bad field stops the reading; the fields before it are set.
        {"1,2,\"A\",abc,5,6,7,\"AM\"", 2, 1, 2, "A", 900, 1, 2, 3, "DRM10"},
        {"1,40000,\"A\",100,5,6,7", 2, 1, 9, "OLD", 900, 1, 2, 3, "DRM10"},
        {"1,2,\"A\",100,5,x,7", 2, 1, 2, "A", 100, 5, 2, 3, "DRM10"},
        {"1,2,\"A\",100,5,6,40000", 2, 1, 2, "A", 100, 5, 6, 3, "DRM10"},
    };
    for (const Case &c : cases) {
        clsTx tx;
        tx.wDirId = 9;
        tx.wStationId = 9;
        tx.szCallSign = QStringLiteral("OLD");
        tx.wFrequency = 900;
        tx.Latitude.setvalue(1);
        tx.Longitude.setvalue(2);
        tx.Variation.setvalue(3);
        tx.szModulation = QStringLiteral("DRM10");
        EXPECT_EQ(tx.UsbReceive(QString::fromUtf8(c.line)), c.result) << c.line;
        EXPECT_EQ(tx.wDirId, c.dir) << c.line;
        EXPECT_EQ(tx.wStationId, c.station) << c.line;
        EXPECT_EQ(tx.szCallSign, QString::fromUtf8(c.call)) << c.line;
        EXPECT_EQ(tx.wFrequency, c.freq) << c.line;
        EXPECT_DOUBLE_EQ(tx.Latitude.value(), c.lat) << c.line;
        EXPECT_DOUBLE_EQ(tx.Longitude.value(), c.lon) << c.line;
        EXPECT_DOUBLE_EQ(tx.Variation.value(), c.var) << c.line;
        EXPECT_EQ(tx.szModulation, QString::fromUtf8(c.modulation)) << c.line;
    }
    clsTx fresh;
    EXPECT_EQ(fresh.UsbReceive(QStringLiteral("1,2,\"A\",100,5,6,7")), 0);
    EXPECT_EQ(fresh.szModulation, QStringLiteral("AM"));
}

TEST(Tx, UsbSend)
{
    struct Case { int dir, station; const char *call; int freq; double lat, lon, var; const char *mod; int fields; const char *line; };
    const Case cases[] = {
        {0, 0, "--------", 500, 0, 0, 0, "AM", 7, "0,0,\"--------\",500,0.000000,0.00000,0.00000"},
        {0, 0, "--------", 500, 0, 0, 0, "AM", 8, "0,0,\"--------\",500,0.000000,0.00000,0.00000,\"AM\""},
        {3, 17, "K,X\"Y", 1230, -33.5, 151.2, -14.5, "DRM9", 7, "3,17,\"K,X\"Y\",1230,-33.500000,151.20000,-14.50000"},
        {-1, -2, "", -5, 45.504306, -118.25, 0.000004, "DRM9", 8, "-1,-2,\"\",-5,45.504306,-118.25000,0.00000,\"DRM9\""},
        {5, 1234, "ABCDEFGH", 1230, 45.504306, -118.25, -14.5, "DRM4.5", 8,
         "5,1234,\"ABCDEFGH\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\""}, // 62 characters: too long for one command
    };
    for (const Case &c : cases) {
        clsTx tx;
        tx.wDirId = qint16(c.dir);
        tx.wStationId = qint16(c.station);
        tx.szCallSign = QString::fromUtf8(c.call);
        tx.wFrequency = qint16(c.freq);
        tx.Latitude.setvalue(c.lat);
        tx.Longitude.setvalue(c.lon);
        tx.Variation.setvalue(c.var);
        tx.szModulation = QString::fromUtf8(c.mod);
        QString line;
        EXPECT_EQ(tx.UsbSend(line, qint16(c.fields)), 0);
        EXPECT_EQ(line, QString::fromUtf8(c.line));
    }
    QString line;
    clsTx tx;
    tx.wStationId = 1234;
    tx.szCallSign = QStringLiteral("ABCDEFGH");
    tx.wDirId = 5;
    tx.wFrequency = 1230;
    tx.Latitude.setvalue(45.504306);
    tx.Longitude.setvalue(-118.25);
    tx.Variation.setvalue(-14.5);
    tx.szModulation = QStringLiteral("DRM4.5");
    tx.UsbSend(line, 8);
    EXPECT_EQ(line.size(), 62);

    // What goes out comes back the same.
    clsTx back;
    ASSERT_EQ(back.UsbReceive(line), 0);
    QString again;
    back.UsbSend(again, 8);
    EXPECT_EQ(again, line);
}

class TxFieldsTest : public MeterTest {};

TEST_F(TxFieldsTest, FollowsTheMeter)
{
    clsTx tx;
    QString line;
    gFsm->Version->setvalue(3);
    tx.UsbSend(line);
    EXPECT_EQ(line.count(QLatin1Char(',')), 6);
    gFsm->Version->setvalue(4);
    tx.UsbSend(line);
    EXPECT_TRUE(line.endsWith(QLatin1String(",\"AM\"")));
}

TEST(Tx, Dirty)
{
    clsTx tx;
    EXPECT_TRUE(tx.fDirty()); // defaults differ from the empty snapshot
    tx.setfDirty(false);
    EXPECT_FALSE(tx.fDirty());

    struct Change { const char *what; std::function<void(clsTx &)> apply; bool dirty; };
    const Change changes[] = {
        {"station id", [](clsTx &t) { t.wStationId = 77; }, false},
        {"dir id", [](clsTx &t) { t.wDirId = 77; }, false},
        {"list key", [](clsTx &t) { t.szListKey = QStringLiteral("x"); }, false},
        {"latitude by a tenth of a second", [](clsTx &t) { t.Latitude.setvalue(1.0 / 36000); }, true},
        {"same call sign", [](clsTx &t) { t.szCallSign = QStringLiteral("KDCV"); }, false},
        {"call sign case", [](clsTx &t) { t.szCallSign = QStringLiteral("kdcv"); }, true},
        {"frequency", [](clsTx &t) { t.wFrequency = 501; }, true},
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
    clsTx a;
    ASSERT_EQ(a.UsbReceive(QStringLiteral("5,12,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), 0);
    a.szListKey = QStringLiteral("RecId-0.123450012");

    clsTx b; // snapshot taken of the same values first: stays clean
    ASSERT_EQ(b.UsbReceive(QStringLiteral("1,1,\"KDCV\",1230,45.504306,-118.25,-14.5,\"DRM10\"")), 0);
    b.setfDirty(false);
    ASSERT_TRUE(a.Copy(b));
    EXPECT_FALSE(b.fDirty());
    EXPECT_EQ(b.wDirId, 5);
    EXPECT_EQ(b.wStationId, 12);
    EXPECT_TRUE(b.szListKey.isEmpty());

    clsTx c;
    c.setfDirty(false);
    a.Copy(c);
    EXPECT_TRUE(c.fDirty());
    QString la, lc;
    a.UsbSend(la, 8);
    c.UsbSend(lc, 8);
    EXPECT_EQ(la, lc);
}
