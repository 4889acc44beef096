// SPDX-License-Identifier: GPL-3.0-or-later
// The demo meter: generated records of the firmware's field counts, its
// scenario files, its device as hidraw's, and the uhid meter. (A scenario's
// bad lines are named in the command-line tool's problem-scenario-line-*
// cases.)
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <thread>
#include <vector>

TEST(DemoScenario, GeneratedRecordsMatchTheFirmware)
{
    struct Case { const char *firmware; int saved; int tx; } cases[] = {
        {"2.3.1", 31, 8}, {"2.2.15", 30, 7}, {"2.1.9", 29, 7}};
    for (const Case &c : cases) {
        auto m = Scenario(QStringLiteral("firmware %1\ngenerate-saved 600\ngenerate-tx 3\n").arg(QLatin1String(c.firmware)));
        ASSERT_TRUE(m);
        ASSERT_EQ(m->Scenario().saved.size(), 600);
        EXPECT_GE(m->Scenario().savedCapacity, 600);
        // The meter writes no commas inside its generated quoted texts.
        for (const QString &l : m->Scenario().saved)
            ASSERT_EQ(l.count(','), c.saved - 1) << qPrintable(l);
        for (const QString &l : m->Scenario().tx)
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
    struct Case { const char *what; QString path; bool taken; };
    std::vector<Case> cases = {
        {"at the limit", file("full.txt", limit), true},
        {"one byte more", file("over.txt", limit + 1), false},
    };
    std::vector<std::unique_ptr<QProcess>> writers;
#ifndef _WIN32
    // A named pipe fed by a shell command ('%1' names the pipe).
    auto pipe = [&](const char *name, const char *writer) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromLatin1(writer).arg(path)});
        return path;
    };
    cases.push_back({"a device without end", QStringLiteral("/dev/zero"), false});
    cases.push_back({"a pipe that ends", pipe("short", "printf 'firmware 2.2.15\\n' > '%1'"), true});
    cases.push_back({"a pipe that never ends", pipe("endless", "exec yes > '%1'"), false});
#endif
    for (const Case &c : cases) {
        QString error;
        const auto m = DemoMeter::FromScenarioFile(c.path, &error);
        EXPECT_EQ(bool(m), c.taken) << c.what << ": " << qPrintable(error);
        EXPECT_TRUE(m ? m->Scenario().firmware == QLatin1String("2.2.15") : error.contains(QLatin1String("at most 16 MiB"))) << c.what;
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
        // the reply to "A" again once "C" is in, then C's own
        {"late-duplicate-reply", {4000, 4000, 4000}, {"86 65 2.3.1\n", "86 65 2.3.1\n", "86 65 0,500\n"}},
    };
    DemoHidPlatform platform;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.scenario);
        auto m = Scenario(QLatin1String(c.scenario));
        ASSERT_TRUE(m);
        m->Scenario().timeScale = 0.01; // 4000 ms pass in 40
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

// The in-process demo brings an unplugged meter back once, after the delay.
TEST(DemoScenario, ReplugComesBackOnce)
{
    DemoHidPlatform platform;
    DemoMeter *m = platform.AddMeter(Scenario(QStringLiteral("unplug-after-reports 1\nreplug-after-ms 300\nproduct-id 0bbb\n")));
    ASSERT_TRUE(m);
    QByteArray report;
    m->ReceiveOutputReport(DemoMeter::FrameReply("A", 65).first());
    ASSERT_EQ(m->SendInputReport(report), DemoMeter::ReadOutcome::Ok);
    QElapsedTimer since;
    since.start();
    EXPECT_TRUE(platform.Enumerate().isEmpty());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (since.elapsed() < 250) // a loaded machine may sleep longer
        EXPECT_TRUE(platform.Enumerate().isEmpty());
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    ASSERT_EQ(platform.Enumerate().size(), 1);
    EXPECT_EQ(platform.Enumerate().first().productId, 0x0BBB);
    for (int i = 0; i < 3; ++i) { // and stays
        m->ReceiveOutputReport(DemoMeter::FrameReply("A", 65).first());
        EXPECT_EQ(m->SendInputReport(report), DemoMeter::ReadOutcome::Ok);
    }
    EXPECT_EQ(platform.Enumerate().size(), 1);
}

#if defined(__linux__)
#include "sim/UhidMeter.h"
#include "usb/HidReportDescriptor.h"

#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// The uhid meter against a packet socket standing in for /dev/uhid: the
// events it writes are the kernel's view of the device.
class UhidWire
{
public:
    explicit UhidWire(const QString &scenario)
    {
        socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds);
        uhid = std::make_unique<UhidMeter>(fds[1], Scenario(scenario));
        uhid->setFindNode([](const QByteArray &) { return QString(); });
        uhid->setStarted([this](const QString &) { ++starts; });
        server = std::thread([this] { served = uhid->Serve(stop, nullptr); });
    }
    ~UhidWire()
    {
        stop = true;
        server.join();
        close(fds[0]);
        close(fds[1]);
    }
    // The next event the meter wrote, or type 0 after `ms` without one.
    uhid_event Next(int ms = 2000)
    {
        uhid_event ev{};
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, ms) == 1)
            EXPECT_EQ(read(fds[0], &ev, sizeof ev), ssize_t(sizeof ev));
        return ev;
    }
    void Send(uhid_event ev) { ASSERT_EQ(write(fds[0], &ev, sizeof ev), ssize_t(sizeof ev)); }
    void Command(const char *text)
    {
        const QByteArray report = DemoMeter::FrameReply(text, 65).first(); // report-ID byte 0 in front
        uhid_event ev{};
        ev.type = UHID_OUTPUT;
        ev.u.output.rtype = UHID_OUTPUT_REPORT;
        ev.u.output.size = __u16(report.size());
        memcpy(ev.u.output.data, report.constData(), size_t(report.size()));
        Send(ev);
    }
    // The text of the input reports up to the one marked last.
    QByteArray Reply()
    {
        QByteArray text;
        for (;;) {
            const uhid_event ev = Next();
            EXPECT_EQ(QString::asprintf("%u %u", ev.type, ev.u.input2.size), QString::asprintf("%u 64", unsigned(UHID_INPUT2)));
            if (ev.type != UHID_INPUT2)
                return text;
            text.append(reinterpret_cast<const char *>(ev.u.input2.data) + 1, ev.u.input2.data[0] & 0x3F);
            if (ev.u.input2.data[0] & 0x80)
                return text;
        }
    }

    int fds[2];
    std::unique_ptr<UhidMeter> uhid;
    std::atomic<bool> stop{false};
    std::atomic<int> starts{0};
    bool served = false;
    std::thread server;
};

TEST(UhidMeter, CreatesAMeterTheHostCanRead)
{
    UhidWire w(QStringLiteral("firmware 2.2.7\n"));
    const uhid_event create = w.Next();
    ASSERT_EQ(create.type, __u32(UHID_CREATE2));
    const HidReportDescriptorInfo rd = ParseReportDescriptor(
        QByteArray(reinterpret_cast<const char *>(create.u.create2.rd_data), create.u.create2.rd_size));
    // vendor, product, bus (USB); input and output report lengths, report IDs, well formed
    EXPECT_EQ(QString::asprintf("%x %x %d; %d %d %d %d", create.u.create2.vendor, create.u.create2.product, create.u.create2.bus,
                                rd.caps.InputReportByteLength, rd.caps.OutputReportByteLength, rd.usesReportIds, rd.wellFormed),
              "1c40 bba 3; 65 65 0 1");

    w.Send(uhid_event{UHID_START, {}});
    w.Command("A");
    EXPECT_EQ(w.Reply(), QByteArray("2.2.7\n"));
    EXPECT_EQ(w.starts, 1);
    EXPECT_EQ(w.uhid->Meter().Commands(), QStringList{QStringLiteral("A")});

    uhid_event get{};
    get.type = UHID_GET_REPORT;
    get.u.get_report.id = 77;
    w.Send(get); // refused at once, or the kernel waits for it
    const uhid_event reply = w.Next();
    EXPECT_EQ(QString::asprintf("%u %u %d", reply.type, reply.u.get_report_reply.id, reply.u.get_report_reply.err != 0),
              QString::asprintf("%u 77 1", unsigned(UHID_GET_REPORT_REPLY)));

    w.stop = true;
    EXPECT_EQ(w.Next().type, __u32(UHID_DESTROY));
}

TEST(UhidMeter, UnplugsReplugsAndStalls)
{
    const QString record = QStringLiteral("1,2,3,4,5,6,7,8,9,") + QStringLiteral("xyz,").repeated(50) + QStringLiteral("end");
    UhidWire w(QStringLiteral("saved ") + record + QStringLiteral("\n"
                              "unplug-after-reports 3\nreplug-after-ms 300\n"));
    ASSERT_EQ(w.Next().type, __u32(UHID_CREATE2));
    w.Command("A");
    w.Reply();
    w.Command("D,0,1"); // four reports: the unplug comes after the second
    for (const __u32 type : {UHID_INPUT2, UHID_INPUT2, UHID_DESTROY})
        EXPECT_EQ(w.Next().type, type);
    const auto gone = std::chrono::steady_clock::now();
    w.Command("A"); // to a device that is gone: no reply
    EXPECT_EQ(w.Next(150).type, 0u);
    EXPECT_EQ(w.Next(2000).type, __u32(UHID_CREATE2));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gone).count();
    EXPECT_GE(ms, 280);
    EXPECT_LT(ms, 1000);
    w.Command("D,0,1"); // back for good
    EXPECT_EQ(w.Reply(), record.toLatin1() + "\n");
    EXPECT_EQ(w.uhid->DevicesCreated(), 2);

    UhidWire stalled(QStringLiteral("stall-after-reports 1\n"));
    ASSERT_EQ(stalled.Next().type, __u32(UHID_CREATE2));
    stalled.Command("A");
    stalled.Reply();
    stalled.Command("A");
    EXPECT_EQ(stalled.Next(300).type, 0u);
}
#endif
