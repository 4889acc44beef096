// The demo meter's scenarios: faults named by line; generated records of
// the firmware's field counts.
#include "sim/DemoMeter.h"

#include <gtest/gtest.h>

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
        // The meter writes no commas inside its generated quoted texts.
        for (const QString &l : m->saved)
            ASSERT_EQ(l.count(','), c.saved - 1) << qPrintable(l);
        for (const QString &l : m->tx)
            ASSERT_EQ(l.count(','), c.tx - 1) << qPrintable(l);
    }
}
