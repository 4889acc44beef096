#include "TestSupport.h"
#include "app/globals.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

#include <map>

namespace {

// Raw fields of a saved record: equal frequencies, valid fix and Tx position.
QStringList RawRecord(int fields, const std::map<int, QString> &set = {})
{
    QStringList f;
    for (int i = 0; i < fields; ++i)
        f << QString::number(100 + i);
    f[5] = f[6] = QStringLiteral("1230");
    f[16] = QStringLiteral("TRUE");
    if (fields > 29)
        f[29] = QStringLiteral("TRUE");
    for (const auto &[i, v] : set)
        f[i] = v;
    return f;
}

QString Masked(QStringList raw, const QList<int> &masked)
{
    for (int i : masked)
        if (!raw[i].isEmpty())
            raw[i] = QLatin1Char('"') + QString(raw[i].size(), QLatin1Char('-')) + QLatin1Char('"');
    return raw.join(QLatin1Char(','));
}

const QList<int> kGps = {12, 13, 17, 18, 19, 26, 27};
const QList<int> kDistance = {26, 27};

} // namespace

class Records : public MeterTest
{
};

TEST_F(Records, Masking)
{
    struct Case { const char *name; qint16 version; std::map<int, QString> set; QList<int> masked; } cases[] = {
        {"gps invalid", 0, {{16, "FALSE"}}, kGps},
        {"all valid", 0, {}, {}},
        {"all valid, v1", 1, {}, {}},
        {"1000 vs 1000.0", 0, {{5, "1000.0"}, {6, "1000"}}, kDistance},
        {"tx position invalid", 3, {{29, "FALSE"}}, kDistance},
        {"tx position ignored without flag", 0, {{29, "FALSE"}}, {}},
        {"empty field stays empty", 0, {{16, "FALSE"}, {26, ""}}, kGps},
        {"quoted comma before", 0, {{16, "FALSE"}, {10, "\"a, b\""}, {15, "\"x,y,z\""}}, kGps},
        {"quoted gps text", 0, {{16, "\"FALSE\""}}, kGps},
        {"lower-case false", 0, {{16, "false"}}, {}},
    };
    for (const Case &c : cases) {
        const QStringList raw = RawRecord(30, c.set);
        gFsm->Reset();
        gFsm->Version->setvalue(c.version);
        gFsm->szRecord = raw.join(QLatin1Char(','));
        gFsm->ProcessRecord();
        EXPECT_EQ(gFsm->szRecord, Masked(raw, c.masked)) << c.name;
    }
    // Transmitter lines are never masked.
    gFsm->DataType = 1;
    gFsm->szRecord = RawRecord(30, {{16, "FALSE"}}).join(QLatin1Char(','));
    const QString before = gFsm->szRecord;
    gFsm->ProcessRecord();
    EXPECT_EQ(gFsm->szRecord, before);
    // A short or empty text must not upset it.
    gFsm->DataType = 0;
    for (const QString &t : {QString(), QStringLiteral("1,2,3")}) {
        gFsm->szRecord = t;
        gFsm->ProcessRecord();
    }
}

TEST_F(Records, LearningRead)
{
    struct Case {
        QString firmware; int fields; qint16 result; int firstSends; qint16 dataFields, value; int headerSize;
    } cases[] = {
        {"2.2.15", 30, 0, 2, 30, 3, 30},
        {"", 30, 0, 2, 30, 2, 30},        // learnt code 2 sticks: the next record is read once
        {"2.2.15", 29, 0, 2, 29, 1, 29},
        {"2.2.15", 31, 0, 2, 31, 3, 31},  // header follows the records, not the code
        {"2.3.1", 30, 0, 2, 30, 4, 30},
        {"2.3.1", 12, 1, 5, 0, 4, 31},    // unknown layout: the strict read refuses it four times
    };
    DemoMeter *m = nullptr;
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.firmware + QStringLiteral(" / %1").arg(c.fields)));
        platform.Plug(m, false);
        Tick();
        const QString line = RawRecord(qMax(c.fields, 30)).mid(0, c.fields).join(QLatin1Char(','));
        m = AddMeter(QStringLiteral("firmware %1\nsaved %2\nsaved %2\n").arg(c.firmware, line));
        ASSERT_TRUE(ConnectMeter());
        m->commands.clear();
        ASSERT_EQ(ReadDirectory(0), 0);
        EXPECT_EQ(gFsm->GetRecord(0), c.result);
        EXPECT_EQ(gFsm->szRecord, c.result == 0 ? line : QString());
        EXPECT_EQ(m->commands.size(), 1 + c.firstSends);
        EXPECT_EQ(m->commands.count(QStringLiteral("D,0,1")), c.firstSends);
        EXPECT_EQ(gFsm->DataFields, c.dataFields);
        EXPECT_EQ(gFsm->Version->value(), c.value);
        EXPECT_EQ(gFsm->DataHeader().size(), c.headerSize);
        if (c.result == 0) {
            EXPECT_EQ(gFsm->GetRecord(1), 0);
            EXPECT_EQ(m->commands.count(QStringLiteral("D,1,1")), 1);
        }
    }
}

TEST_F(Records, LinkLostWhileLearningToldOnce)
{
    DemoMeter *m = AddMeter(QStringLiteral("firmware 2.2.15\nsaved ") + RawRecord(30).join(QLatin1Char(',')));
    ASSERT_TRUE(ConnectMeter());
    m->commands.clear();
    m->unplugAfterReports = m->inputReportsSent + 1; // the record spans several reports
    EXPECT_EQ(gFsm->GetRecord(0), 1);
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(m->commands, QStringList{QStringLiteral("D,0,1")});
}

TEST_F(Records, TxRecordsAndNames)
{
    DemoMeter *m = AddMeter(QStringLiteral("firmware 2.3.1\ntx 1,1,\"KDCV\",1230,45.5,-118.25,-14.5,\"AM\""));
    ASSERT_TRUE(ConnectMeter());
    ASSERT_EQ(ReadDirectory(1), 0);
    EXPECT_EQ(gFsm->NumRecords(), 1);
    EXPECT_EQ(gFsm->MaxRecords(), 100);
    EXPECT_EQ(gFsm->GetRecord(0), 0);
    EXPECT_EQ(m->commands.last(), QStringLiteral("T,0,1"));
    EXPECT_EQ(gFsm->DataHeader().last(), QStringLiteral("Modulation"));
    gFsm->DataType = 0;
    EXPECT_EQ(gFsm->NumRecords(), 0); // each store keeps its own counts

    struct Case { qint32 type; qint16 value; int header; QString name; qint16 txFields; } cases[] = {
        {0, 0, 29, "Data", 7}, {0, 3, 30, "Data", 7}, {0, 4, 31, "Data", 8}, {0, -1, 29, "Data", 7},
        {1, 3, 7, "Tx", 7},    {1, 4, 8, "Tx", 8},    {2, 4, 0, "", 8},
    };
    for (const Case &c : cases) {
        gFsm->Reset();
        gFsm->DataType = c.type;
        gFsm->Version->setvalue(c.value);
        EXPECT_EQ(gFsm->DataHeader().size(), c.header);
        EXPECT_EQ(gFsm->DataName(), c.name);
        EXPECT_EQ(gFsm->TxFields(), c.txFields);
    }
    gFsm->DataType = 0;
    EXPECT_EQ(gFsm->DataHeader().at(28), QString::fromUtf8("Temperature (\xC2\xB0""C)"));

    platform.Plug(m, false);
    gFsm->szRecord = QStringLiteral("x");
    Tick(); // the link notices and gFsm forgets the meter
    EXPECT_EQ(gFsm->Version->value(), 0);
    EXPECT_TRUE(gFsm->szRecord.isEmpty());
}
