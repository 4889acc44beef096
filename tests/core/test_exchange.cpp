#include "TestSupport.h"
#include "app/globals.h"
#include "app/modConsole.h"
#include "protocol/clsDevice.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QThread>
#include <QTimer>

static QByteArray Report(const QByteArray &payload, bool last)
{
    QByteArray r(65, '\0');
    r[1] = char(payload.size() | (last ? 0x80 : 0));
    return r.replace(2, payload.size(), payload);
}

class Exchange : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        meter = AddMeter();
        ASSERT_TRUE(ConnectMeter());
        meter->commands.clear();
        QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, &ctx, [this](const QString &t) { echo += t; });
    }
    void Answer(const QList<QByteArray> &reports) // every command, however often sent
    {
        meter->replyOverride = [reports](const QString &, QList<QByteArray> &out) { out = reports; return true; };
    }
    DemoMeter *meter = nullptr;
    QObject ctx;
    QString echo;
};

TEST_F(Exchange, RepliesJoinedOverReports)
{
    const QByteArray a(63, 'a'), b(37, 'b');
    const QByteArray aLf = a.left(62) + '\n';
    struct Case { QList<QByteArray> reports; QByteArray reply; } cases[] = {
        {{Report(a, false), Report(b, true)}, a + b},
        {{Report(aLf, false), Report(b, true)}, a.left(62) + b}, // a line feed ending a report is lost
        {{Report(a, false), Report(a, false), Report(b + "\n\n", true)}, a + a + b},
        {{Report("1,2", false), Report("", false)}, "1,2"},       // an empty report ends the reply
    };
    for (const Case &c : cases) {
        Answer(c.reports);
        QString reply;
        EXPECT_EQ(SendCommand(QStringLiteral("Q"), reply, 0, false), c.reply.count(',') + 1);
        EXPECT_EQ(reply, QString::fromLatin1(c.reply));
    }
}

TEST_F(Exchange, StrictAndLenientCounts)
{
    struct Case { QByteArray answer; qint16 expected; bool check; qint16 result; QString reply; int sends; } cases[] = {
        {"12,500", 2, true, 0, "12,500", 1}, {"12", 2, true, 1, "", 4}, {"\n", 0, true, 0, "", 1},
        {"a,b,c", 0, false, 3, "a,b,c", 1},  {QByteArray(5000, 'z'), 1, true, 1, "", 4}, // over the reply cap
        {QByteArray(5000, '\n'), 1, false, 1, "", 4},
    };
    for (const Case &c : cases) {
        Answer(DemoMeter::FrameReply(c.answer, 65));
        meter->commands.clear();
        echo.clear();
        QString reply = QStringLiteral("stale");
        EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, c.expected, c.check), c.result) << c.answer.left(10).data();
        EXPECT_EQ(reply, c.reply);
        EXPECT_EQ(meter->commands, QStringList(c.sends, QStringLiteral("C")));
        EXPECT_EQ(echo, QStringLiteral("C\r\n").repeated(c.sends));
    }
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(Exchange, LinkLostMidReplyTellsOnce)
{
    Answer({Report(QByteArray(63, 'x'), false), Report("y", true)});
    meter->unplugAfterReports = meter->inputReportsSent + 1;
    whileBoxOpen = [this] { Tick(); };
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("D,0,1"), reply, 0, false), 1);
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(BoxTexts(), QStringList{"ZT 6200 Communication Problem|ZT 6200 was disconnected. Please reconnect it."});
    EXPECT_FALSE(gUsbHid->fDeviceConnected());
}

TEST_F(Exchange, RefusedWithoutSending)
{
    QString reply;
    EXPECT_EQ(SendCommand(QString(64, QLatin1Char('U')), reply, 0, true), 1); // too long for one report
    EXPECT_TRUE(meter->commands.isEmpty() && echo.isEmpty());

    // A second exchange, or the connection follow-up, inside the first one.
    Answer({Report("1", false), Report(",2", false), Report("", true)});
    qint16 inner = -1;
    gUsbHid->HelperForm()->fConnectPending = true;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(ExchangeInProgress());
        Tick();
        inner = SendCommand(QStringLiteral("S"), reply, 2, true);
    });
    gDevice->AddChar('x'); // the console is typing
    QThread::msleep(3);    // window messages run once 2 ms have passed since they last did
    EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, 2, true), 0);
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(meter->commands, QStringList{QStringLiteral("C")});
    EXPECT_EQ(gDevice->PacketOut.Length, 1); // the typing is kept for the console
    meter->replyOverride = nullptr;
    Tick(); // the follow-up comes now
    EXPECT_EQ(meter->commands, (QStringList{"C", "A"}));
}

TEST_F(Exchange, DirectoryAndDelete)
{
    // Lenient: blanks, halves to even; not numbers: unchanged; a failure: 0,0.
    struct Case { QByteArray answer; QString read; } cases[] = {
        {"12,500", "0 12 500"}, {" 7 , 999.5 ", "0 7 1000"}, {"abc,40000", "0 7 1000"}, {"12", "1 0 0"}};
    for (const Case &c : cases) {
        Answer(DemoMeter::FrameReply(c.answer, 65));
        const qint16 result = ReadDirectory(0);
        EXPECT_EQ(QString("%1 %2 %3").arg(result).arg(gFsm->NumRecords()).arg(gFsm->MaxRecords()), c.read) << c.answer.data();
    }
    Answer(DemoMeter::FrameReply("\n", 65));
    meter->commands.clear();
    EXPECT_EQ(DeleteRecord(40000), 0);
    EXPECT_EQ(EraseRecords(), 0);
    gFsm->DataType = 1;
    EXPECT_EQ(DeleteRecord(-3), 0);
    EXPECT_EQ(EraseRecords(), 1);
    EXPECT_EQ(meter->commands, (QStringList{"F,40000", "E", "V,-3"}));
}
