#include "TestSupport.h"
#include "sim/DemoMeter.h"

#include <gtest/gtest.h>

static int Fields(const QString &line)
{
    // The meter writes no commas inside its generated quoted texts.
    return int(line.split(QLatin1Char(',')).size());
}

TEST(DemoScenario, Settings)
{
    QString error;
    auto m = DemoMeter::FromScenario(QStringLiteral("# comment\n\nfirmware 2.2.15\nsaved-capacity 40\ntx-capacity 7\n"
                                                    "saved 1,2,3\ntx 1,12,\"KABC, X\",1230,1,2,3\n"
                                                    "report-latency-us 5\nunplug-after-reports 7\nstall-after-reports 9\n"),
                                     &error);
    ASSERT_TRUE(m) << qPrintable(error);
    EXPECT_EQ(m->firmware, QStringLiteral("2.2.15"));
    EXPECT_EQ(m->savedCapacity, 40);
    EXPECT_EQ(m->txCapacity, 7);
    EXPECT_EQ(m->saved, QStringList{QStringLiteral("1,2,3")});
    EXPECT_EQ(m->tx, QStringList{QStringLiteral("1,12,\"KABC, X\",1230,1,2,3")});
    EXPECT_EQ(m->reportLatencyUs, 5);
    EXPECT_EQ(m->unplugAfterReports, 7);
    EXPECT_EQ(m->stallAfterReports, 9);
    EXPECT_EQ(m->Execute(QStringLiteral("C")), QStringLiteral("1,40"));
    EXPECT_EQ(m->Execute(QStringLiteral("S")), QStringLiteral("1,7"));

    auto empty = DemoMeter::FromScenario(QStringLiteral("firmware\n"), &error);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Execute(QStringLiteral("A")), QString());
}

TEST(DemoScenario, BadLinesAreNamed)
{
    const char *bad[] = {"frobnicate 3", "saved-capacity lots", "generate-saved -1", "saved-capacity 40000"};
    for (const char *line : bad) {
        QString error;
        auto m = DemoMeter::FromScenario(QStringLiteral("firmware 2.3.1\n") + QLatin1String(line) + QLatin1Char('\n'), &error);
        EXPECT_FALSE(m) << line;
        EXPECT_TRUE(error.contains(QStringLiteral("line 2"))) << qPrintable(error);
        EXPECT_TRUE(error.contains(QLatin1String(line))) << qPrintable(error);
    }
}

TEST(DemoScenario, GeneratedRecordsMatchTheFirmware)
{
    struct Case { const char *firmware; int saved; int tx; } cases[] = {
        {"2.3.1", 31, 8}, {"2.2.15", 30, 7}, {"2.1.9", 29, 7}};
    for (const Case &c : cases) {
        QString error;
        auto m = DemoMeter::FromScenario(QStringLiteral("firmware %1\ngenerate-saved 600\ngenerate-tx 3\n").arg(QLatin1String(c.firmware)), &error);
        ASSERT_TRUE(m) << qPrintable(error);
        ASSERT_EQ(m->saved.size(), 600);
        EXPECT_GE(m->savedCapacity, 600);
        for (const QString &l : m->saved)
            ASSERT_EQ(Fields(l), c.saved) << qPrintable(l);
        for (const QString &l : m->tx)
            ASSERT_EQ(Fields(l), c.tx) << qPrintable(l);
    }
}

TEST(DemoMeterCommands, Table)
{
    auto m = DemoMeter::BuiltIn();
    const int saved = int(m->saved.size());
    const int tx = int(m->tx.size());
    ASSERT_GE(saved, 24);
    ASSERT_GE(tx, 3);
    EXPECT_TRUE(m->firmware.startsWith(QStringLiteral("2.3.")));
    EXPECT_EQ(m->Execute(QStringLiteral("D,0,1")), m->saved.at(0));
    EXPECT_EQ(m->Execute(QStringLiteral("T,1,1")), m->tx.at(1));
    EXPECT_EQ(m->Execute(QStringLiteral("D,%1,1").arg(saved)), QStringLiteral("ERROR"));
    EXPECT_EQ(m->Execute(QStringLiteral("Q")), QStringLiteral("ERROR"));
    EXPECT_EQ(m->Execute(QStringLiteral("F,7")), QString());
    EXPECT_EQ(m->saved.size(), saved - 1);
    EXPECT_EQ(m->Execute(QStringLiteral("F,7")), QStringLiteral("ERROR"));
    EXPECT_EQ(m->Execute(QStringLiteral("U,0,0,\"NEW\",700,1.000000,2.00000,3.00000,\"AM\"")), QString());
    EXPECT_TRUE(m->tx.last().startsWith(QStringLiteral("%1,%1,\"NEW\"").arg(tx + 1)));
    EXPECT_EQ(m->Execute(QStringLiteral("X,%1,%1,\"NEW2\",700,1.000000,2.00000,3.00000,\"AM\"").arg(tx + 1)), QString());
    EXPECT_TRUE(m->tx.last().contains(QStringLiteral("NEW2")));
    EXPECT_EQ(m->Execute(QStringLiteral("V,%1").arg(tx + 1)), QString());
    EXPECT_EQ(m->tx.size(), tx);
    m->txCapacity = tx;
    EXPECT_EQ(m->Execute(QStringLiteral("U,0,0,\"FULL\",700,1.0,2.0,3.0")), QStringLiteral("ERROR"));
    EXPECT_EQ(m->Execute(QStringLiteral("E")), QString());
    EXPECT_TRUE(m->saved.isEmpty());
}

TEST(DemoMeterCommands, RepliesAreFramedIn63BytePayloads)
{
    const QByteArray text(100, 'x');
    const QList<QByteArray> r = DemoMeter::FrameReply(text, 65);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(quint8(r[0][1]), 63);
    EXPECT_EQ(quint8(r[1][1]), 0x80 | 37);
    const QList<QByteArray> e = DemoMeter::FrameReply(QByteArray(), 65);
    ASSERT_EQ(e.size(), 1);
    EXPECT_EQ(quint8(e[0][1]), 0x80);
}
