#include "TestSupport.h"
#include "app/globals.h"
#include "protocol/clsDevice.h"
#include "usb/clsUsbHid.h"

static QByteArray Report(std::initializer_list<int> bytes, int size = 65)
{
    QByteArray r(size, '\0');
    int i = 0;
    for (int b : bytes)
        r[i++] = char(b);
    return r;
}

TEST(Framing, OutputReports)
{
    struct Case { QString text; QByteArray head; } cases[] = {
        {QStringLiteral("V"), Report({0, 0x81, 0x56}, 3)},
        {QString(), Report({0, 0x80}, 2)},
        {QStringLiteral("D,12,1"), QByteArray("\x00\x86" "D,12,1", 8)},
    };
    for (const Case &c : cases) {
        clsDevice d;
        ASSERT_TRUE(d.AddString(c.text));
        const QByteArray r = clsDevice::BuildOutputReport(d.PacketOut, 65);
        ASSERT_EQ(r.size(), 65);
        EXPECT_EQ(r.left(c.head.size()), c.head) << qPrintable(c.text);
        EXPECT_EQ(r.mid(c.head.size()), QByteArray(65 - c.head.size(), '\0')) << qPrintable(c.text);
    }
}

TEST(Framing, InputReports)
{
    struct Case { QByteArray report; int length; bool complete; QString text; } cases[] = {
        {Report({0, 0x85, 0x31, 0x2E, 0x32, 0x33, 0x0A}), 5, true, QStringLiteral("1.23")},
        {Report({0, 0x00}), 0, true, QString()},
        {Report({0, 0x4A, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}), 10, false, QStringLiteral("abcdefghij")},
        {Report({0, 0x84, 'x', '\r', '\n', '\n'}), 4, true, QStringLiteral("x\r")},
        // length bits beyond what the report carries: only the bytes present
        {Report({0, 0xBF, 'a', 'b', 'c'}, 5), 3, true, QStringLiteral("abc")},
        {Report({0}, 1), 0, true, QString()},
        {Report({0, 0x82, 0xB0, 0x80}), 2, true, QString::fromUtf8("\xC2\xB0\xE2\x82\xAC")},
    };
    for (const Case &c : cases) {
        clsPacket p;
        clsDevice::ParseInputReport(c.report, p);
        EXPECT_EQ(p.Length, c.length);
        EXPECT_EQ(p.fComplete, c.complete);
        EXPECT_TRUE(p.fNew);
        EXPECT_EQ(p.szString(), c.text);
    }
}

TEST(Framing, PayloadNeverOverflows)
{
    clsPacket p;
    for (int i = 0; i < 63; ++i)
        ASSERT_TRUE(p.AddChar('a'));
    EXPECT_FALSE(p.AddChar('b'));
    EXPECT_FALSE(p.AddByte('b'));
    EXPECT_EQ(p.Length, 63);
    EXPECT_TRUE(p.AddChar(13)); // the end mark needs no room
    EXPECT_TRUE(p.fComplete);
    EXPECT_FALSE(p.SetBuffer(63, 1));
    EXPECT_FALSE(p.SetBuffer(-1, 1));

    clsDevice d;
    EXPECT_TRUE(d.AddString(QString(63, QLatin1Char('x'))));
    clsDevice d2;
    EXPECT_FALSE(d2.AddString(QString(64, QLatin1Char('x'))));
    EXPECT_EQ(d2.PacketOut.Length, 0);
}

using FramingLink = MeterTest;

TEST_F(FramingLink, FailedReadKeepsPreviousPacket)
{
    AddMeter();
    ASSERT_TRUE(ConnectMeter());
    gDevice->AddString(QStringLiteral("A"));
    gDevice->ReportOut();
    gDevice->ReportIn();
    EXPECT_EQ(gDevice->PacketIn.szString(), QStringLiteral("2.3.1"));
    gDevice->ReportIn(); // nothing pending: time-out closes the link
    EXPECT_FALSE(gUsbHid->fDeviceConnected());
    EXPECT_EQ(gDevice->PacketIn.szString(), QStringLiteral("2.3.1"));
    EXPECT_TRUE(gDevice->PacketIn.fComplete);
}

#include "protocol/modConsoleSend.h"

TEST_F(FramingLink, ConsoleStopsOnAReplyThatNeverEnds)
{
    DemoMeter *m = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    m->replyOverride = [](const QString &, QList<QByteArray> &reports) {
        for (int i = 0; i < 5000; ++i)
            reports << Report({0, i % 2 ? 0x3F : 0x01, 'x'}); // never the last-report mark
        return true;
    };
    gDevice->AddString(QStringLiteral("A"));
    int packets = 0;
    EXPECT_EQ(ConsoleSend([&](const clsPacket &) { ++packets; }), ConsoleSendResult::Unfinished);
    EXPECT_LE(packets * clsPacket::kCapacity, kMaxConsoleReply + clsPacket::kCapacity);
    EXPECT_TRUE(gUsbHid->fDeviceConnected());
}
