// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the meter: report framing, command exchanges, and finding,
// watching and losing the meter.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/modConnect.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "common/modConsole.h"
#include "protocol/clsDevice.h"
#include "protocol/modConsoleSend.h"
#include "protocol/modFSMComm.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QTest>
#include <QThread>

// An input report of these first bytes, zeros after them.
static QByteArray Raw(std::initializer_list<int> bytes, int size = 65)
{
    QByteArray r(size, '\0');
    int i = 0;
    for (int b : bytes)
        r[i++] = char(b);
    return r;
}

// An input report carrying `payload`, marked as a reply's last or not.
static QByteArray Report(const QByteArray &payload, bool last)
{
    return Raw({0, int(payload.size()) | (last ? 0x80 : 0)}).replace(2, payload.size(), payload);
}

// One raw exchange through the framing, as the console does it.
static QString RawExchange(const QString &command)
{
    gDevice->AddString(command);
    gDevice->ReportOut();
    QString reply;
    do {
        gDevice->ReportIn();
        if (!gUsbHid->fDeviceConnected())
            return reply;
        reply += gDevice->PacketIn().szString();
    } while (!gDevice->PacketIn().fComplete());
    return reply;
}

TEST(Framing, OutputReports)
{
    struct Case { QString text; QByteArray head; } cases[] = {
        {QStringLiteral("V"), Raw({0, 0x81, 0x56}, 3)}, {QString(), Raw({0, 0x80}, 2)},
        {QStringLiteral("D,12,1"), QByteArray("\x00\x86" "D,12,1", 8)},
    };
    for (const Case &c : cases) {
        clsDevice d;
        ASSERT_TRUE(d.AddString(c.text));
        EXPECT_EQ(clsDevice::BuildOutputReport(d.PacketOut(), 65), c.head + QByteArray(65 - c.head.size(), '\0')) << qPrintable(c.text);
    }
}

TEST(Framing, InputReports)
{
    struct Case { QByteArray report; int length; bool complete; QString text; } cases[] = {
        {Raw({0, 0x85, 0x31, 0x2E, 0x32, 0x33, 0x0A}), 5, true, QStringLiteral("1.23")}, {Raw({0, 0x00}), 0, true, QString()},
        {Raw({0, 0x4A, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}), 10, false, QStringLiteral("abcdefghij")},
        {Raw({0, 0x84, 'x', '\r', '\n', '\n'}), 4, true, QStringLiteral("x\r")},
        // length bits beyond what the report carries: only the bytes present
        {Raw({0, 0xBF, 'a', 'b', 'c'}, 5), 3, true, QStringLiteral("abc")},
        {Raw({0}, 1), 0, true, QString()}, {Raw({0, 0x82, 0xB0, 0x80}), 2, true, QString::fromUtf8("\xC2\xB0\xE2\x82\xAC")},
    };
    for (const Case &c : cases) {
        clsPacket p;
        clsDevice::ParseInputReport(c.report, p);
        EXPECT_EQ(QStringLiteral("%1 %2 %3 ").arg(p.Length()).arg(int(p.fComplete())).arg(int(p.fNew())) + p.szString(),
                  QStringLiteral("%1 %2 1 ").arg(c.length).arg(int(c.complete)) + c.text);
    }
}

TEST(Framing, PayloadNeverOverflows)
{
    clsPacket p;
    for (int i = 0; i < 63; ++i)
        ASSERT_TRUE(p.AddChar('a'));
    // Full: no char, no byte, length 63; the end mark needs no room; no place past the end.
    EXPECT_EQ(QStringLiteral("%1%2 %3 %4%5 %6%7").arg(p.AddChar('b')).arg(p.AddByte('b')).arg(p.Length()).arg(p.AddChar(13))
                  .arg(p.fComplete()).arg(p.SetBuffer(63, 1)).arg(p.SetBuffer(-1, 1)),
              "00 63 11 00");
    clsDevice d, d2;
    EXPECT_TRUE(d.AddString(QString(63, QLatin1Char('x'))));
    EXPECT_FALSE(d2.AddString(QString(64, QLatin1Char('x'))));
    EXPECT_EQ(d2.PacketOut().Length(), 0);
}

class Exchange : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        meter = AddMeter();
        ASSERT_TRUE(ConnectMeter());
        meter->ClearCommands();
        QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, &ctx, [this](const QString &t) { echo += t; });
    }
    void Answer(const QList<QByteArray> &reports) // every command, however often sent
    {
        meter->Scenario().replyOverride = [reports](const QString &, QList<QByteArray> &out) { out = reports; return true; };
    }
    // Reads store `type`'s directory: "ok 12 500", as status, count, capacity.
    static QString Directory(qint32 type)
    {
        return QString("%1 %2 %3").arg(StatusName(gMeter->ReadDirectory(type))).arg(gFsm->NumRecords(type)).arg(gFsm->MaxRecords(type));
    }
    DemoMeter *meter = nullptr;
    QObject ctx;
    QString echo;
};

// An operation that only waits: its steps do nothing until finished.
class Idle : public clsOperation
{
public:
    void End() { Finish(OpStatus::Ok); }

protected:
    void Step() override {}
};

// Each case both as SendCommand runs it (the caller waits) and as an
// operation stepped from the event loop: each has its own attempt loop.
TEST_F(Exchange, OutcomesWaitedForAndAsAnOperation)
{
    const QByteArray a(63, 'a'), b(37, 'b'), big(63, 'x');
    const OpStatus ok = OpStatus::Ok, tooLong = OpStatus::TooLong;
    auto framed = [](const QByteArray &answer) { return DemoMeter::FrameReply(answer, 65); };
    struct Case { const char *what; QList<QByteArray> reports; qint16 expected; bool check; OpStatus status;
                  QByteArray reply; qsizetype sent; QString command = QStringLiteral("C"); } cases[] = {
        {"joined over reports", {Report(a, false), Report(b, true)}, 0, false, ok, a + b, 1},
        {"a line feed ending a report is lost", {Report(a.left(62) + '\n', false), Report(b, true)}, 0, false, ok, a.left(62) + b, 1},
        {"three reports", {Report(a, false), Report(a, false), Report(b + "\n\n", true)}, 0, false, ok, a + a + b, 1},
        {"an empty report ends the reply", {Report("1,2", false), Report("", false)}, 0, false, ok, "1,2", 1},
        {"strict", framed("12,500"), 2, true, ok, "12,500", 1},
        {"wrong count each time", framed("12"), 2, true, OpStatus::BadReply, "", 4},
        {"no fields", framed("\n"), 0, true, ok, "", 1}, {"lenient", framed("a,b,c"), 0, false, ok, "a,b,c", 1},
        {"over the reply cap", framed(QByteArray(5000, 'z')), 1, true, tooLong, "", 4},
        {"line feeds over the cap", framed(QByteArray(5000, '\n')), 1, false, tooLong, "", 4},
        {"never ends", QList<QByteArray>(70, Report(big, false)), 2, true, tooLong, "", 4},
        {"the longest reply, 4096 bytes", QList<QByteArray>(65, Report(big, false)) << Report("x", true), 0, false, ok,
         QByteArray(4096, 'x'), 1},
        {"unplugged", {}, 2, true, OpStatus::LinkLost, "", 1}, {"silent", {}, 2, true, OpStatus::Timeout, "", 1},
        {"does not fit a report", {Report("1,2", true)}, 0, true, OpStatus::Failed, "", 0, QString(64, 'U')},
    };
    for (const Case &c : cases) {
        for (const bool asOperation : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (asOperation ? ", as an operation" : ", waited for"));
            if (!gUsbHid->fDeviceConnected())
                meter = ReplaceMeter(QStringLiteral("firmware 2.3.1"));
            meter->ClearCommands();
            echo.clear();
            boxes.clear();
            Answer(c.reports);
            if (c.reports.isEmpty()) // no reply: unplugged, or silent
                meter->Scenario().replyOverride = [this, silent = c.status == OpStatus::Timeout](const QString &, QList<QByteArray> &) {
                    return silent || (platform.Plug(meter, false), true);
                };
            QString reply = QStringLiteral("stale");
            clsExchange x(*gDevice, c.command, c.expected, c.check);
            EXPECT_EQ(asOperation ? RunToEnd(x) : SendCommand(*gDevice, c.command, reply, c.expected, c.check), c.status);
            EXPECT_EQ(asOperation ? x.Reply() : reply, QString::fromLatin1(c.reply));
            EXPECT_EQ(meter->Commands(), QStringList(c.sent, c.command));
            EXPECT_EQ(echo, (c.command + QStringLiteral("\r\n")).repeated(c.sent));
            if (gUsbHid->fDeviceConnected())
                EXPECT_TRUE(boxes.isEmpty());
        }
    }
}

TEST_F(Exchange, NoEventLoopRunsInsideAnExchange)
{
    meter->Scenario().replyOverride = [](const QString &, QList<QByteArray> &out) {
        QThread::msleep(3); // long enough for any pass of the event loop to be due
        out = {Report("1", false), Report(",2", false), Report("", true)};
        return true;
    };
    bool inside = false, ranInside = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ranInside |= inside; });
    tick.start(0);
    gDevice->AddChar('x'); // the console is typing
    QString reply;
    inside = true;
    EXPECT_EQ(SendCommand(*gDevice, QStringLiteral("C"), reply, 2, true), OpStatus::Ok);
    inside = false;
    EXPECT_FALSE(ranInside);
    EXPECT_EQ(gDevice->PacketOut().Length(), 1); // the typing is kept for the console
    QCoreApplication::processEvents();

    // The connection follow-up and the console wait while an operation runs.
    Idle op;
    ASSERT_TRUE(op.Start());
    gUsbHid->HelperForm()->setfConnectPending(true);
    Tick();
    clsConsoleSend typed(*gDevice, clsPacket());
    EXPECT_EQ(RunToEnd(typed), OpStatus::Busy);
    op.End();
    QCoreApplication::processEvents(); // its end is told from the event loop
    EXPECT_EQ(meter->Commands(), QStringList{QStringLiteral("C")});
    meter->Scenario().replyOverride = nullptr;
    Tick(); // the follow-up comes now
    EXPECT_EQ(meter->Commands(), (QStringList{"C", "A"}));
}

TEST_F(Exchange, DirectoryAndDelete)
{
    // Lenient: blanks, halves to even. No count (asked four times): 0,0 and
    // told why, never the previous value.
    const QString unread = "The number of saved records in the FSM could not be read.\r\nIts reply was: ";
    struct Case { QByteArray answer; QString read; QString told; } cases[] = {
        {"12,500", "ok 12 500", ""}, {" 7 , 999.5 ", "ok 7 1000", ""}, {"abc,40000", "bad reply 0 0", unread + "abc,40000"},
        {"12", "bad reply 0 0", unread + "12"}, {"-1,500", "bad reply 0 0", "The FSM reports -1 saved records; this program can read from 0 to 32767."},
        {"32767,32767", "ok 32767 32767", ""}, {"32767,x", "bad reply 0 0", unread + "32767,x"}, // the most there can be
        {"32768,32767", "bad reply 0 0", "The FSM reports 32768 saved records; this program can read from 0 to 32767."},
    };
    for (const Case &c : cases) {
        Answer(DemoMeter::FrameReply(c.answer, 65));
        boxes.clear();
        meter->ClearCommands();
        EXPECT_EQ(Directory(0), c.read) << c.answer.data();
        EXPECT_EQ(Prompts(), c.told.isEmpty() ? QStringList() : QStringList{c.told});
        EXPECT_EQ(meter->Commands().size(), c.told.isEmpty() ? 1 : 4);
    }
    Answer(DemoMeter::FrameReply("\n", 65));
    meter->ClearCommands();
    EXPECT_EQ(gMeter->DeleteRecord(0, 40000), OpStatus::Ok);
    EXPECT_EQ(gMeter->EraseRecords(), OpStatus::Ok);
    EXPECT_EQ(gMeter->DeleteRecord(1, -3), OpStatus::Ok);
    EXPECT_EQ(gMeter->DeleteRecord(2, 1), OpStatus::Failed); // no such store
    EXPECT_EQ(meter->Commands(), (QStringList{"F,40000", "E", "V,-3"}));
}

// Reports nobody read stay queued (hidraw keeps them); a command must never
// take an earlier one's reply as its own.
TEST_F(Exchange, StaleRepliesAreDropped)
{
    gApp->setfDebug(true);
    QStringList status;
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::UsbStatus, &ctx, [&](const QString &l) { status << l; });
    meter->Scenario().extraReports = 2;
    EXPECT_EQ(Directory(0) + ", " + Directory(1), "ok 0 500, ok 0 100");
    EXPECT_TRUE(status.contains(QStringLiteral("  Input reports dropped unread: 2")));
    meter->Scenario().extraReports = 0;
    // The previous reply again after the command: read, dropped, asked again.
    meter->Scenario().lateDuplicateReply = true;
    meter->ClearCommands();
    EXPECT_EQ(QueryVersion(*gDevice), "2.3.1");
    EXPECT_EQ(Directory(0), "ok 0 500");
    EXPECT_EQ(meter->Commands(), (QStringList{"A", "C", "C"}));
    EXPECT_TRUE(status.contains(QStringLiteral("  Reply dropped, it does not answer C: 1 fields")));
    meter->Scenario().lateDuplicateReply = false;
    meter->Scenario().replyLateMs = 3000; // in time: each read waits 4000 ms
    EXPECT_EQ(Directory(1), "ok 0 100");
    EXPECT_EQ(meter->LastReadTimeoutMs(), 4000);

    // Too late: the link gives up; the reply comes while the meter is found again.
    meter->Scenario().replyLateMs = 8000;
    EXPECT_EQ(Directory(1), "timeout 0 0");
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("ZT 6200 was disconnected. Please reconnect it.")});
    meter->Scenario().replyLateMs = 0;
    meter->ClearCommands();
    QThread::msleep(50);
    for (int i = 0; i < 5 && !gUsbHid->fDeviceConnected(); ++i)
        Tick();
    EXPECT_EQ(Directory(0), "ok 0 500");
    EXPECT_EQ(meter->Commands(), (QStringList{"A", "C"})); // each had its own reply at once
}

TEST_F(Exchange, FailedReadKeepsPreviousPacket)
{
    EXPECT_EQ(RawExchange(QStringLiteral("A")), QStringLiteral("2.3.1"));
    gDevice->ReportIn(); // nothing pending: time-out closes the link
    EXPECT_FALSE(gUsbHid->fDeviceConnected());
    EXPECT_EQ(gDevice->PacketIn().szString(), QStringLiteral("2.3.1"));
    EXPECT_TRUE(gDevice->PacketIn().fComplete());
}

TEST_F(Exchange, ConsoleStopsOnAReplyThatNeverEnds)
{
    meter->Scenario().replyOverride = [](const QString &, QList<QByteArray> &reports) {
        for (int i = 0; i < 5000; ++i)
            reports << Raw({0, i % 2 ? 0x3F : 0x01, 'x'}); // never the last-report mark
        return true;
    };
    clsPacket command;
    command.AddChar('A'), command.AddChar(13);
    clsConsoleSend typed(*gDevice, command);
    int packets = 0;
    QObject::connect(&typed, &clsConsoleSend::Packet, [&](const clsPacket &) { ++packets; });
    EXPECT_EQ(RunToEnd(typed), OpStatus::TooLong);
    EXPECT_LE(packets * clsPacket::kCapacity, kMaxConsoleReply + clsPacket::kCapacity);
    EXPECT_TRUE(gUsbHid->fDeviceConnected());
}

class Link : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        QObject::connect(gUsbHid, &clsUsbHid::Connect, gUsbHid, [this] { ++connects; }, Qt::DirectConnection);
        QObject::connect(gUsbHid, &clsUsbHid::Disconnect, gUsbHid, [this] { ++disconnects; }, Qt::DirectConnection);
    }
    int connects = 0;
    int disconnects = 0;
};

// Each tick after plugging or unplugging: connected, connects, disconnects.
TEST_F(Link, FoundOnFirstTickThenFollowsPlugging)
{
    DemoMeter *m = AddMeter();
    EXPECT_FALSE(gUsbHid->fDeviceConnected()); // nothing searches before the first tick
    auto state = [this] { return QString("%1 %2 %3").arg(gUsbHid->fDeviceConnected()).arg(connects).arg(disconnects); };
    Tick();
    EXPECT_EQ(state(), "1 1 0");
    EXPECT_EQ(gUsbHid->ReportLengthInput() + gUsbHid->ReportLengthOutput(), 130);
    Tick(); // still there: a poll, no event
    EXPECT_EQ(state(), "1 1 0");
    gFsm->setDataFields(31);
    Unplug(m);
    EXPECT_EQ(state(), "0 1 1");
    EXPECT_EQ(QStringLiteral("%1 %2").arg(gFsm->DataFields()).arg(gFsm->Version()->value()), "0 0"); // the record layout and the version go with the meter
    Tick(); // searching, still absent
    EXPECT_EQ(state(), "0 1 1");
    platform.Plug(m, true);
    Tick();
    EXPECT_EQ(state(), "1 2 1");
}

TEST_F(Link, MatchingByIdsFirstMeterWins)
{
    platform.AddForeignDevice(0x1C40, 0x0BBB);         // same vendor, another product
    platform.AddForeignDevice(0x046D, 0xC077, false);  // cannot be opened
    AddMeter(QStringLiteral("firmware 2.2.15\n"));
    DemoMeter *second = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    EXPECT_EQ(RawExchange(QStringLiteral("A")), QStringLiteral("2.2.15")); // the first one answers
    EXPECT_TRUE(second->Commands().filter(QStringLiteral("A")).isEmpty());
    EXPECT_EQ(gUsbHid->HidAttributes().productId, 0x0BBA);
    EXPECT_EQ(platform.ForeignOpens(), 0); // other devices are never opened
}

TEST_F(Link, NoMeterNoEvents)
{
    platform.AddForeignDevice(0x1234, 0x5678);
    for (int i = 0; i < 3; ++i)
        Tick();
    gUsbHid->Shutdown(); // while closed: nothing
    gUsbHid->setfDeviceConnected(false);
    // connected, events, foreign devices opened
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(gUsbHid->fDeviceConnected()).arg(connects + disconnects).arg(platform.ForeignOpens()), "0 0 0");
    EXPECT_TRUE(gUsbHid->ConnectionLost(false)); // asked quietly: no box (the two below are all)
    EXPECT_FALSE(gUsbHid->IsDeviceConnected(false));
    EXPECT_FALSE(gUsbHid->IsDeviceConnected(true));
    EXPECT_TRUE(gUsbHid->ConnectionLost(true));
    EXPECT_EQ(BoxTexts(), (QStringList{"ZT 6200 Communication Problem|ZT 6200 is not connected. Please connect it with the USB cable",
                                       "ZT 6200 Communication Problem|ZT 6200 was disconnected. Please reconnect it."}));
}

// Transfer failures close the link once, whatever the fault.
TEST_F(Link, TransferFailuresCloseTheLinkOnce)
{
    // Faults are armed once connected: connecting itself asks the version.
    struct Case { const char *name; bool stall; int afterReports; } cases[] = {
        {"stall", true, 0}, {"unplug mid-reply", false, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        DemoMeter *m = AddMeter(QStringLiteral("generate-saved 3\n"));
        ASSERT_TRUE(ConnectMeter());
        (c.stall ? m->Scenario().stallAfterReports : m->Scenario().unplugAfterReports) = m->InputReportsSent() + c.afterReports;
        const int before = disconnects;
        RawExchange(QStringLiteral("D,0,1"));
        RawExchange(QStringLiteral("D,0,1")); // a write after the shutdown
        EXPECT_FALSE(gUsbHid->WriteReport(QByteArray(65, '\0')));
        // connected, disconnections, boxes (the link itself says nothing)
        EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(gUsbHid->fDeviceConnected()).arg(disconnects - before).arg(boxes.size()), "0 1 0");
        platform.Plug(m, false); // the platform outlives SetUp: keep the next case on its own meter
    }
}

TEST_F(Link, TimerFollowsPluggingWithinASecond)
{
    gUsbHid->HelperForm()->tmrPeriodic().start();
    DemoMeter *m = AddMeter();
    EXPECT_TRUE(QTest::qWaitFor([] { return gUsbHid->fDeviceConnected(); }, 1000));
    platform.Plug(m, false);
    EXPECT_TRUE(QTest::qWaitFor([] { return !gUsbHid->fDeviceConnected(); }, 1000));
}

TEST_F(Link, MeterThatCannotBeOpenedIsToldOncePerPlugIn)
{
    gApp->setfDebug(true);
    QStringList status;
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::UsbStatus, gUsbHid, [&](const QString &l) { status << l; });
    DemoMeter *m = AddMeter();
    m->Scenario().openError = QStringLiteral("Permission denied");
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_FALSE(gUsbHid->IsDeviceConnected(true)); // a command asks: the reason again, not "please connect"
    Unplug(m);
    platform.Plug(m, true); // a new plug-in
    Tick();
    Tick();
    const QString told = BoxTexts().value(0);
    EXPECT_EQ(BoxTexts(), QStringList(3, told));
    EXPECT_TRUE(told.startsWith(QStringLiteral("ZT 6200 Communication Problem|ZT 6200 was found but cannot be opened: Permission denied.")));
#if defined(__linux__)
    EXPECT_TRUE(told.contains(QStringLiteral("README"))) << qPrintable(told);
#endif
    EXPECT_TRUE(status.contains(QStringLiteral("  Cannot open the device: Permission denied")));
    EXPECT_EQ(gUsbHid->OpenProblem(), QStringLiteral("Permission denied"));
    m->Scenario().openError.clear();
    Tick();
    EXPECT_TRUE(gUsbHid->fDeviceConnected() && !gUsbHid->OpenFailed());
    // A system that gives no reason.
    EXPECT_TRUE(LinkEventText(LinkEvent::CannotOpen, QString()).startsWith(QStringLiteral("ZT 6200 was found but cannot be opened: unknown reason.")));
}

// A meter that is plugged in but never answers: told once, then tried again
// after 0.5, 1, 2, 4 and at most 5 s, until it answers or leaves.
TEST_F(Link, SilentMeterToldOnceThenTriedLessOften)
{
    DemoMeter *m = AddMeter(QStringLiteral("stall-after-reports 0\n"));
    QList<int> tries;
    for (int tick = 1; tick <= 60; ++tick) {
        const qsizetype before = m->Commands().size();
        Tick();
        if (m->Commands().size() > before)
            tries << tick;
    }
    EXPECT_EQ(tries, (QList<int>{1, 3, 7, 15, 31, 51}));
    EXPECT_EQ(Prompts(), QStringList{QStringLiteral("ZT 6200 was disconnected. Please reconnect it.")});
    m->Scenario().stallAfterReports = -1; // it answers at the next try
    for (int i = 0; i < 20; ++i)
        Tick();
    EXPECT_EQ(gFsm->Version()->value(), 4);
    Unplug(m);
    m->Scenario().stallAfterReports = m->InputReportsSent();
    platform.Plug(m, true); // plugged in again: news again
    Tick();
    EXPECT_EQ(boxes.size(), 2);
}
