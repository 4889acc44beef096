// The demo meter's scenarios: faults named by line; generated records of
// the firmware's field counts.
#include "sim/DemoMeter.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
