// The demo meter's scenarios: faults named by line; generated records of
// the firmware's field counts.
#include "sim/DemoMeter.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

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

// A scenario is read whole, so a file too big to be one is refused once
// 16 MiB have come, whatever it is: not read until memory runs out.
TEST(DemoScenario, OversizedFilesAreRefused)
{
    QTemporaryDir dir;
    const qint64 limit = qint64(16) << 20;
    // A firmware line, then one comment line up to `size` bytes.
    auto file = [&](const char *name, qint64 size) {
        QFile f(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("firmware 2.2.15\n#") > 0 && f.resize(size));
        return f.fileName();
    };
    // A named pipe fed by a shell command ('%1' names the pipe).
    std::vector<std::unique_ptr<QProcess>> writers;
    auto pipe = [&](const char *name, const char *writer) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromLatin1(writer).arg(path)});
        return path;
    };
    struct Case { const char *what; QString path; bool taken; } cases[] = {
        {"at the limit", file("full.txt", limit), true},
        {"one byte more", file("over.txt", limit + 1), false},
        {"a device without end", QStringLiteral("/dev/zero"), false},
        {"a pipe that ends", pipe("short", "printf 'firmware 2.2.15\\n' > '%1'"), true},
        {"a pipe that never ends", pipe("endless", "exec yes > '%1'"), false},
    };
    for (const Case &c : cases) {
        QString error;
        const auto m = DemoMeter::FromScenarioFile(c.path, &error);
        EXPECT_EQ(bool(m), c.taken) << c.what << ": " << qPrintable(error);
        EXPECT_TRUE(m ? m->firmware == QLatin1String("2.2.15") : error.contains(QLatin1String("at most 16 MiB"))) << c.what;
    }
    for (auto &w : writers)
        EXPECT_TRUE(w->waitForFinished(10000)); // the endless one ends with its reader
}

// The demo meter's HID device behaves as a hidraw node does: reads wait up to
// the time-out they are given, and reports nobody read stay queued.
TEST(DemoDevice, ReadsAsHidrawDoes)
{
    // "A" and "C" written, nothing read; then reads with these time-outs:
    // byte 1, size and text of each report.
    struct Case { const char *scenario; QList<int> timeouts; QStringList reads; } cases[] = {
        {"", {4000, 4000}, {"86 65 2.3.1\n", "86 65 0,500\n"}},
        {"reply-late-ms 2000", {1000, 4000, 4000}, {"timeout", "86 65 2.3.1\n", "86 65 0,500\n"}},
        {"reply-no-end-mark", {4000, 4000}, {"6 65 2.3.1\n", "6 65 0,500\n"}},
        {"short-reports", {4000, 4000}, {"86 8 2.3.1\n", "86 8 0,500\n"}},
        {"extra-reports 1", {4000, 4000, 4000, 4000}, {"86 65 2.3.1\n", "86 65 2.3.1\n", "86 65 0,500\n", "86 65 0,500\n"}},
    };
    DemoHidPlatform platform;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        QString error;
        auto m = DemoMeter::FromScenario(QLatin1String(c.scenario), &error);
        ASSERT_TRUE(m) << qPrintable(error);
        m->timeScale = 0.01; // 4000 ms pass in 40
        DemoMeter *meter = platform.AddMeter(std::move(m));
        std::unique_ptr<HidDevice> dev = platform.Open(platform.Enumerate().last().path);
        ASSERT_TRUE(dev);
        for (const char *command : {"\x81" "A", "\x81" "C"})
            ASSERT_TRUE(dev->WriteReport(QByteArray(1, '\0') + command + QByteArray(62, '\0')));
        QStringList got;
        for (int timeoutMs : c.timeouts) {
            QByteArray r;
            got << (dev->ReadReport(r, timeoutMs) != HidDevice::ReadOk
                        ? QStringLiteral("timeout")
                        : QStringLiteral("%1 %2 ").arg(quint8(r.at(1)), 0, 16).arg(r.size()) + r.mid(2, r.at(1) & 0x3F));
        }
        EXPECT_EQ(got, c.reads);
        QElapsedTimer t;
        t.start();
        QByteArray r;
        EXPECT_EQ(dev->ReadReport(r, 4000), HidDevice::ReadTimeout);
        EXPECT_GE(t.elapsed(), 39); // the whole (scaled) time-out
        platform.Plug(meter, false);
    }
}
