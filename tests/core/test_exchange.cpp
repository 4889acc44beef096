#include "TestSupport.h"
#include "app/globals.h"
#include "app/modConsole.h"
#include "protocol/clsDevice.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QTimer>

namespace {

QByteArray Report(const QByteArray &payload, bool last)
{
    QByteArray r(65, '\0');
    r[1] = char(payload.size() | (last ? 0x80 : 0));
    r.replace(2, payload.size(), payload);
    return r;
}

const QString kLost = QStringLiteral("ZT 6200 was disconnected. Please reconnect it.");

} // namespace

class Exchange : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        meter = AddMeter();
        ASSERT_TRUE(ConnectMeter());
        meter->commands.clear();
        QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, &receiver,
                         [this](const QString &t) { echo += t; });
    }
    // Every command answered by these reports, however often it is sent.
    void Answer(const QList<QByteArray> &reports)
    {
        meter->replyOverride = [reports](const QString &, QList<QByteArray> &out) {
            out = reports;
            return true;
        };
    }
    DemoMeter *meter = nullptr;
    QObject receiver;
    QString echo;
};

TEST_F(Exchange, RepliesJoinedOverReports)
{
    const QByteArray a(63, 'a'), b(37, 'b');
    QByteArray aLf = a;
    aLf[62] = '\n';
    struct Case { QList<QByteArray> reports; QString reply; } cases[] = {
        {{Report(a, false), Report(b, true)}, QString::fromLatin1(a + b)},
        // a line feed ending an earlier report is lost with it
        {{Report(aLf, false), Report(b, true)}, QString::fromLatin1(a.left(62) + b)},
        {{Report(a, false), Report(a, false), Report(b + "\n\n", true)}, QString::fromLatin1(a + a + b)},
        {{Report("1,2", false), Report("", false)}, QStringLiteral("1,2")}, // an empty report ends the reply
    };
    for (const Case &c : cases) {
        Answer(c.reports);
        QString reply;
        EXPECT_EQ(SendCommand(QStringLiteral("Q"), reply, 0, false), c.reply.count(QLatin1Char(',')) + 1);
        EXPECT_EQ(reply, c.reply);
    }
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(Exchange, StrictAndLenientCounts)
{
    struct Case { QString answer; qint16 expected; bool check; qint16 result; QString reply; int sends; } cases[] = {
        {QStringLiteral("12,500"), 2, true, 0, QStringLiteral("12,500"), 1},
        {QStringLiteral("12"), 2, true, 1, QString(), 4},
        {QString(), 0, true, 0, QString(), 1}, // an empty line has no fields
        {QStringLiteral("a,b,c"), 0, false, 3, QStringLiteral("a,b,c"), 1},
        {QStringLiteral("x"), 5, false, 1, QStringLiteral("x"), 1},
    };
    for (const Case &c : cases) {
        Answer(DemoMeter::FrameReply(c.answer.toLatin1() + '\n', 65));
        meter->commands.clear();
        echo.clear();
        QString reply = QStringLiteral("stale");
        EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, c.expected, c.check), c.result) << qPrintable(c.answer);
        EXPECT_EQ(reply, c.reply);
        EXPECT_EQ(meter->commands, QStringList(c.sends, QStringLiteral("C")));
        EXPECT_EQ(echo, QStringLiteral("C\r\n").repeated(c.sends)); // every attempt is echoed
    }
}

TEST_F(Exchange, RightCountOnALaterAttempt)
{
    int n = 0;
    meter->replyOverride = [&n](const QString &, QList<QByteArray> &out) {
        out = DemoMeter::FrameReply(++n < 3 ? "7" : "7,9", 65);
        return true;
    };
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("S"), reply, 2, true), 0);
    EXPECT_EQ(reply, QStringLiteral("7,9"));
    EXPECT_EQ(meter->commands.size(), 3);
}

TEST_F(Exchange, LinkLostMidReplyTellsOnce)
{
    for (bool stall : {false, true}) {
        SCOPED_TRACE(stall ? "stall" : "unplug");
        Answer({Report(QByteArray(63, 'x'), false), Report("y", true)});
        (stall ? meter->stallAfterReports : meter->unplugAfterReports) = meter->inputReportsSent + 1;
        whileBoxOpen = [this] { Tick(); };
        boxes.clear();
        QString reply;
        EXPECT_EQ(SendCommand(QStringLiteral("D,0,1"), reply, 0, false), 1);
        EXPECT_TRUE(reply.isEmpty());
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes.at(0).prompt, kLost);
        EXPECT_EQ(boxes.at(0).title, QStringLiteral("ZT 6200 Communication Problem"));
        // A stalled meter is still plugged in, so the ticks under the box find it again.
        EXPECT_EQ(gUsbHid->fDeviceConnected(), stall);
        // Reconnect for the next case.
        meter->stallAfterReports = meter->unplugAfterReports = -1;
        whileBoxOpen = nullptr;
        platform.Plug(meter, true);
        ASSERT_TRUE(ConnectMeter());
    }
}

TEST_F(Exchange, EndlessReplyIsCapped)
{
    // 200 full reports without the last-report mark: far beyond any real reply.
    Answer(QList<QByteArray>(200, Report(QByteArray(63, 'z'), false)));
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, 2, true), 1);
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(meter->commands.size(), 4);
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(gUsbHid->fDeviceConnected());

    // Line feeds only: the joined text never grows, the count of bytes does.
    Answer(QList<QByteArray>(200, Report(QByteArray(63, '\n'), false)));
    EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, 0, false), 1);
}

TEST_F(Exchange, LongCommandRefusedBeforeSending)
{
    QString reply;
    EXPECT_EQ(SendCommand(QString(64, QLatin1Char('U')), reply, 0, true), 1);
    EXPECT_TRUE(meter->commands.isEmpty());
    EXPECT_TRUE(echo.isEmpty());
    const QString longest = QStringLiteral("U,") + QString(61, QLatin1Char('9'));
    SendCommand(longest, reply, 0, true);
    EXPECT_EQ(meter->commands.value(0), longest);
}

TEST_F(Exchange, KeepsConsoleTypingOutOfTheCommand)
{
    gDevice->AddChar('x');
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("A"), reply, 1, true), 0);
    EXPECT_EQ(meter->commands, QStringList{QStringLiteral("A")});
    EXPECT_EQ(gDevice->PacketOut.Length, 1);
    EXPECT_EQ(gDevice->PacketOut.Buffer(0), 'x');
}

TEST_F(Exchange, NoSecondExchangeInsideTheFirst)
{
    Answer({Report("1", false), Report(",2", false), Report("", true)});
    qint16 inner = -1;
    bool busySeen = false;
    gUsbHid->HelperForm()->fConnectPending = true; // a follow-up waiting for its tick
    QTimer::singleShot(0, [&] {
        busySeen = ExchangeInProgress();
        Tick(); // the follow-up must wait
        QString r;
        inner = SendCommand(QStringLiteral("S"), r, 2, true);
    });
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, 2, true), 0);
    EXPECT_TRUE(busySeen);
    EXPECT_EQ(inner, 1);
    EXPECT_FALSE(ExchangeInProgress());
    EXPECT_EQ(meter->commands, QStringList{QStringLiteral("C")});
    meter->replyOverride = nullptr;
    Tick(); // now the follow-up runs
    EXPECT_EQ(meter->commands, (QStringList{QStringLiteral("C"), QStringLiteral("A")}));
}

TEST_F(Exchange, DirectoryAndDeleteCommands)
{
    struct Case { QString answer; qint16 result, num, max; } cases[] = {
        {QStringLiteral("12,500"), 0, 12, 500},
        {QStringLiteral(" 7 , 999.5 "), 0, 7, 1000},   // lenient: blanks, halves to even
        {QStringLiteral("abc,40000"), 0, 7, 1000},     // not numbers: both unchanged
        {QStringLiteral("12"), 1, 0, 0},               // four wrong replies read as 0,0
    };
    for (const Case &c : cases) {
        Answer(DemoMeter::FrameReply(c.answer.toLatin1(), 65));
        EXPECT_EQ(ReadDirectory(0), c.result) << qPrintable(c.answer);
        EXPECT_EQ(gFsm->NumRecords(), c.num);
        EXPECT_EQ(gFsm->MaxRecords(), c.max);
    }
    Answer(DemoMeter::FrameReply("\n", 65));
    meter->commands.clear();
    gFsm->DataType = 0;
    EXPECT_EQ(DeleteRecord(40000), 0);
    EXPECT_EQ(EraseRecords(), 0);
    gFsm->DataType = 1;
    EXPECT_EQ(DeleteRecord(-3), 0);
    EXPECT_EQ(EraseRecords(), 1);
    EXPECT_EQ(meter->commands, (QStringList{"F,40000", "E", "V,-3"}));
}
