#include "TestSupport.h"
#include "sim/DemoMeter.h"

#include <gtest/gtest.h>

static int Fields(const QString &line)
{
    // The meter writes no commas inside its generated quoted texts.
    return int(line.split(QLatin1Char(',')).size());
}

// The settings the other tests do not lean on; the rest they use throughout.
TEST(DemoScenario, Settings)
{
    QString error;
    auto m = DemoMeter::FromScenario(QStringLiteral("# comment\n\nfirmware 2.2.15\nsaved-capacity 40\ntx-capacity 7\n"
                                                    "saved 1,2,3\ntx 1,12,\"KABC, X\",1230,1,2,3\n"), &error);
    ASSERT_TRUE(m) << qPrintable(error);
    EXPECT_EQ(m->Execute("A") + '|' + m->Execute("C") + '|' + m->Execute("S") + '|' + m->Execute("T,0,1"),
              "2.2.15|1,40|1,7|1,12,\"KABC, X\",1230,1,2,3");
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
