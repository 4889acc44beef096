#include "TestSupport.h"
#include "app/globals.h"
#include "protocol/clsDevice.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

namespace {

class Link : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        QObject::connect(gUsbHid, &clsUsbHid::Connect, [this] { ++connects; });
        QObject::connect(gUsbHid, &clsUsbHid::Disconnect, [this] { ++disconnects; });
    }
    // One raw exchange through the framing, as the console does it.
    QString Exchange(const QString &command)
    {
        gDevice->AddString(command);
        gDevice->ReportOut();
        QString reply;
        do {
            gDevice->ReportIn();
            if (!gUsbHid->fDeviceConnected())
                return reply;
            reply += gDevice->PacketIn.szString();
        } while (!gDevice->PacketIn.fComplete);
        return reply;
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
    gFsm->DataFields = 31;
    Unplug(m);
    EXPECT_EQ(state(), "0 1 1");
    EXPECT_EQ(gFsm->DataFields, 0); // the record layout and the version go with the meter
    EXPECT_EQ(gFsm->Version->value(), 0);
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
    auto first = std::make_unique<DemoMeter>();
    first->firmware = QStringLiteral("2.2.15");
    DemoMeter *a = AddMeter(std::move(first));
    DemoMeter *b = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    EXPECT_EQ(Exchange(QStringLiteral("A")), QStringLiteral("2.2.15"));
    EXPECT_TRUE(b->commands.filter(QStringLiteral("A")).isEmpty());
    EXPECT_FALSE(a->commands.isEmpty());
    EXPECT_EQ(gUsbHid->HidAttributes.productId, 0x0BBA);
}

TEST_F(Link, NoMeterNoEvents)
{
    platform.AddForeignDevice(0x1234, 0x5678);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_FALSE(gUsbHid->fDeviceConnected());
    EXPECT_EQ(connects + disconnects, 0);
    gUsbHid->Shutdown(); // while closed: nothing
    gUsbHid->setfDeviceConnected(false);
    EXPECT_EQ(disconnects, 0);
    EXPECT_TRUE(gUsbHid->ConnectionLost(false));
    EXPECT_FALSE(gUsbHid->IsDeviceConnected(false));
    EXPECT_TRUE(boxes.isEmpty());
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
        (c.stall ? m->stallAfterReports : m->unplugAfterReports) = m->inputReportsSent + c.afterReports;
        const int before = disconnects;
        Exchange(QStringLiteral("D,0,1"));
        Exchange(QStringLiteral("D,0,1")); // a write after the shutdown
        EXPECT_FALSE(gUsbHid->fDeviceConnected());
        EXPECT_EQ(disconnects - before, 1);
        EXPECT_FALSE(gUsbHid->WriteReport(QByteArray(65, '\0')));
        EXPECT_EQ(disconnects - before, 1);
        EXPECT_TRUE(boxes.isEmpty()); // the link itself says nothing
        platform.Plug(m, false); // the platform outlives SetUp: keep the next case on its own meter
    }
}

} // namespace
