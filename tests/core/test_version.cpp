#include "TestSupport.h"
#include "app/clsVersion.h"
#include "app/globals.h"
#include "app/modMsgBox.h"
#include "records/clsFsm.h"
#include "usb/clsUsbHid.h"

namespace {

// Records the events as a string: C = VersionChanged, U = VersionUnknown.
struct EventLog
{
    explicit EventLog(clsVersion &v)
    {
        QObject::connect(&v, &clsVersion::VersionChanged, &ctx, [this] { events += QLatin1Char('C'); });
        QObject::connect(&v, &clsVersion::VersionUnknown, &ctx, [this] { events += QLatin1Char('U'); });
    }
    QObject ctx;
    QString events;
};

} // namespace

TEST(Version, Texts)
{
    struct Case { QString text; qint16 value; qint32 flags; QString events; } cases[] = {
        {"2.2.15", 3, 3, "CC"},  {"2.3.1", 4, 3, "CC"},    {"2.3.x", 4, 3, "CC"}, // build not a number: 0
        {"2.1.9", -1, 0, "CU"},  {"3.0.0", -1, 0, "CU"},   {"2.2", -1, 0, "CU"},  // 2.2 reads as 2.0.2
        {"", 0, 0, ""},          {"Unknown", 0, 0, ""},    {"abc.def", 0, 0, ""},
        {"2.x.3", -1, 0, "CU"},  {" 2 . 3 . 7 ", 4, 3, "CC"}, {"99999.2.2", -1, 0, "CU"},
    };
    for (const Case &c : cases) {
        clsVersion v;
        EventLog log(v);
        v.setszVersion(c.text);
        EXPECT_EQ(v.value(), c.value) << qPrintable(c.text);
        EXPECT_EQ(v.flags, c.flags) << qPrintable(c.text);
        EXPECT_EQ(v.szVersion(), c.text);
        EXPECT_EQ(log.events, c.events) << qPrintable(c.text);
    }
}

TEST(Version, Values)
{
    struct Case { qint16 value; QString text; qint32 flags; QString events; } cases[] = {
        {0, "Unknown", 0, ""}, {1, "Version 01", 0, "C"}, {2, "Version 02", 1, "C"},
        {3, "Unknown", 3, "C"}, {4, "Unknown", 3, "C"}, {-1, "Unknown", 0, "C"},
    };
    for (const Case &c : cases) {
        clsVersion v;
        EXPECT_EQ(v.szVersion(), QStringLiteral("Unknown"));
        EventLog log(v);
        v.setvalue(c.value);
        EXPECT_EQ(v.value(), c.value); // a code named as text keeps its code
        EXPECT_EQ(v.szVersion(), c.text);
        EXPECT_EQ(v.flags, c.flags);
        EXPECT_EQ(log.events, c.events);
    }
    clsVersion v;
    v.setszVersion(QStringLiteral("2.2.1"));
    EventLog log(v);
    v.setszVersion(QString());
    v.setszVersion(QString());
    EXPECT_EQ(log.events, QStringLiteral("C")); // the second empty text changes nothing
}

class VersionCheck : public MeterTest
{
protected:
    // Shows the message the main window shows for unsupported firmware.
    void WarnLikeMainWindow()
    {
        QObject::connect(gFsm->Version, &clsVersion::VersionUnknown, &ctx, [] {
            MsgBox(QStringLiteral("ZT 6200 firmware (") + gFsm->Version->szVersion() + QStringLiteral(")"),
                   vb::Exclamation, QStringLiteral("Update Software"));
        });
    }
    QObject ctx;
};

TEST_F(VersionCheck, FollowUpAfterConnecting)
{
    struct Case { QString firmware; qint16 value; int queries; } cases[] = {
        {"2.3.12", 4, 1}, {"2.2.0", 3, 1}, {"", 0, 4}, // an empty reply has no field: asked four times
    };
    DemoMeter *m = nullptr;
    for (const Case &c : cases) {
        platform.Plug(m, false);
        Tick();
        m = AddMeter(QStringLiteral("firmware ") + c.firmware);
        EventLog log(*gFsm->Version);
        ASSERT_TRUE(ConnectMeter());
        EXPECT_EQ(gFsm->Version->value(), c.value);
        EXPECT_EQ(gFsm->Version->szVersion(), c.firmware.isEmpty() ? QStringLiteral("Unknown") : c.firmware);
        EXPECT_FALSE(log.events.contains(QLatin1Char('U')));
        EXPECT_EQ(m->commands, QStringList(c.queries, QStringLiteral("A")));
        EXPECT_TRUE(boxes.isEmpty());
    }
}

TEST_F(VersionCheck, UnsupportedFirmwareStaysRefused)
{
    DemoMeter *m = AddMeter(QStringLiteral("firmware 2.4.0"));
    WarnLikeMainWindow();
    whileBoxOpen = [this] { Tick(); Tick(); }; // the link's ticks keep running under the box
    ASSERT_TRUE(ConnectMeter());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.at(0).prompt, QStringLiteral("ZT 6200 firmware (2.4.0)"));
    EXPECT_EQ(m->commands, QStringList{QStringLiteral("A")}); // the follow-up ran once
    EXPECT_EQ(gFsm->Version->value(), -1);
}

TEST_F(VersionCheck, UnplugUnderTheWarningClearsTheVersion)
{
    DemoMeter *m = AddMeter(QStringLiteral("firmware 3.1.0"));
    WarnLikeMainWindow();
    whileBoxOpen = [&] { platform.Plug(m, false); Tick(); };
    Tick(); // finds the meter, asks its version, warns
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_FALSE(gUsbHid->fDeviceConnected());
    EXPECT_EQ(gFsm->Version->value(), 0);
    EXPECT_NE(gFsm->Version->szVersion(), QStringLiteral("3.1.0"));
}
