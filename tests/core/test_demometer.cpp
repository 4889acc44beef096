// The demo meter's scenarios: faults named by line; generated records of
// the firmware's field counts.
#include "sim/DemoMeter.h"

#include <QElapsedTimer>
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

// The demo meter's HID device behaves as a hidraw node does: reads wait up to
// the time-out they are given, and reports nobody read stay queued.
class DemoDevice : public ::testing::Test
{
protected:
    void Use(std::unique_ptr<DemoMeter> m)
    {
        m->timeScale = 0.01; // 4000 ms pass in 40
        meter = platform.AddMeter(std::move(m));
        dev = platform.Open(platform.Enumerate().last().path);
        ASSERT_TRUE(dev);
    }
    void Command(const QByteArray &text)
    {
        QByteArray r(65, '\0');
        r[1] = char(text.size() | 0x80);
        ASSERT_TRUE(dev->WriteReport(r.replace(2, text.size(), text)));
    }
    // The text of the next report, "timeout" when none came in timeoutMs.
    QByteArray Read(int timeoutMs = 4000)
    {
        QByteArray r;
        if (dev->ReadReport(r, timeoutMs) != HidDevice::ReadOk)
            return "timeout";
        return r.mid(2, quint8(r.at(1)) & 0x3F);
    }
    DemoHidPlatform platform;
    DemoMeter *meter = nullptr;
    std::unique_ptr<HidDevice> dev;
};

TEST_F(DemoDevice, UnreadReportsStayQueuedUntilDrained)
{
    Use(std::make_unique<DemoMeter>());
    Command("A");
    Command("C");
    EXPECT_EQ(Read(), "2.3.1\n"); // the first command's reply is still there
    EXPECT_EQ(Read(), "0,500\n");
    Command("A");
    Command("S");
    EXPECT_EQ(dev->DrainInput(), 2);
    EXPECT_EQ(dev->DrainInput(), 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(Read(), "timeout");
    EXPECT_GE(t.elapsed(), 39); // the whole (scaled) time-out
    EXPECT_EQ(meter->lastReadTimeoutMs, 4000);
}

TEST_F(DemoDevice, FramingFaults)
{
    QString error;
    // Reads with these time-outs after "A"; the first report's byte 1 and size.
    struct Case { const char *scenario; QList<int> timeouts; QList<QByteArray> reads; int b1, size; } cases[] = {
        // 2000 ms late: not there within 1000, but queued for the next read
        {"reply-late-ms 2000", {1000, 4000, 4000}, {"timeout", "2.3.1\n", "timeout"}, 0x86, 65},
        {"reply-no-end-mark", {4000, 4000}, {"2.3.1\n", "timeout"}, 0x06, 65},
        {"short-reports", {4000}, {"2.3.1\n"}, 0x86, 8},
        {"extra-reports 2", {4000, 4000, 4000, 4000}, {"2.3.1\n", "2.3.1\n", "2.3.1\n", "timeout"}, 0x86, 65},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        auto m = DemoMeter::FromScenario(QLatin1String(c.scenario), &error);
        ASSERT_TRUE(m) << qPrintable(error);
        Use(std::move(m));
        Command("A");
        QList<QByteArray> got;
        QByteArray first;
        for (int timeoutMs : c.timeouts) {
            QByteArray r;
            const bool ok = dev->ReadReport(r, timeoutMs) == HidDevice::ReadOk;
            got << (ok ? r.mid(2, quint8(r.at(1)) & 0x3F) : QByteArray("timeout"));
            if (ok && first.isEmpty())
                first = r;
        }
        EXPECT_EQ(got, c.reads);
        EXPECT_EQ(quint8(first.at(1)), c.b1);
        EXPECT_EQ(first.size(), c.size);
        platform.Plug(meter, false);
    }
}
