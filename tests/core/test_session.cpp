// SPDX-License-Identifier: GPL-3.0-or-later
// A session owns the program's objects, wires them to each other and binds
// the accessors while it is current.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConnect.h"
#include "protocol/clsDevice.h"
#include "records/clsFsm.h"
#include "records/clsMeter.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

namespace {

// A demo meter on a platform of its own, and a session whose link found it.
struct Rig
{
    DemoHidPlatform platform;
    DemoMeter *meter = nullptr;
    std::unique_ptr<clsSession> session;

    explicit Rig(bool current)
    {
        meter = platform.AddMeter(std::make_unique<DemoMeter>());
        meter->Scenario().timeScale = kTestTimeScale;
        SetHidPlatform(&platform);
        session = std::make_unique<clsSession>();
        Link().HelperForm()->tmrPeriodic().stop();
        if (current)
            EXPECT_TRUE(session->MakeCurrent());
        for (int i = 0; i < 3 && !Link().fDeviceConnected(); ++i) {
            Link().HelperForm()->Tick();
            WaitForConnectionFollowUp();
        }
        EXPECT_TRUE(Link().fDeviceConnected());
    }
    ~Rig()
    {
        session.reset();
        SetHidPlatform(nullptr);
    }
    clsUsbHid &Link() const { return session->Link(); }
};

// Each accessor beside the object of the session it should reach.
struct Accessor { const char *name; const void *(*bound)(); const void *(*own)(clsSession &); };
const Accessor kAccessors[] = {
    {"gApp", [] { return (const void *)gApp; }, [](clsSession &s) { return (const void *)&s.App(); }},
    {"gAppBase", [] { return (const void *)gAppBase; }, [](clsSession &s) { return (const void *)static_cast<clsAppBase *>(&s.App()); }},
    {"gMeter", [] { return (const void *)gMeter; }, [](clsSession &s) { return (const void *)&s.Meter(); }},
    {"gUsbHid", [] { return (const void *)gUsbHid; }, [](clsSession &s) { return (const void *)&s.Link(); }},
    {"gFsm", [] { return (const void *)gFsm; }, [](clsSession &s) { return (const void *)&s.Fsm(); }},
    {"gDevice", [] { return (const void *)gDevice; }, [](clsSession &s) { return (const void *)&s.Device(); }},
    {"gTx", [] { return (const void *)gTx.get(); }, [](clsSession &s) { return (const void *)s.TxEntries().Current.get(); }},
    {"gTxArray", [] { return (const void *)BoundTxEntries(); }, [](clsSession &s) { return (const void *)&s.TxEntries(); }},
    {"current", [] { return (const void *)clsSession::Current(); }, [](clsSession &s) { return (const void *)&s; }},
};

// Every accessor reaches the objects of `session` (none when null).
void ExpectBoundTo(clsSession *session)
{
    for (const Accessor &a : kAccessors)
        EXPECT_EQ(a.bound(), session ? a.own(*session) : nullptr) << a.name;
}

} // namespace

TEST(Session, SessionsOneAfterAnotherEachReachTheirOwnMeter)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Rig rig(true);
        ExpectBoundTo(rig.session.get());
        // The connection follow-up asked this meter for its version.
        EXPECT_EQ(rig.meter->Commands(), QStringList{QStringLiteral("A")});
        EXPECT_NE(gFsm->Version()->value(), 0);
        gTx->setwStationId(7);
        gTx.Reset();
        EXPECT_EQ(gTx->wStationId(), 0);
        EXPECT_EQ(gTx.get(), rig.session->TxEntries().Current.get());
        gTxArray.push_back(std::make_unique<clsTx>());
        EXPECT_EQ(rig.session->TxEntries().Array.size(), 1u); // a new session starts empty
    }
    ExpectBoundTo(nullptr); // nothing left behind
}

TEST(Session, ObjectsOfASessionThatIsNotCurrentUseItsOwnLink)
{
    Rig current(true);
    Rig other(false);
    // The other link's connection runs no follow-up on the current objects.
    EXPECT_EQ(current.meter->Commands(), QStringList{QStringLiteral("A")});
    EXPECT_TRUE(other.meter->Commands().isEmpty());

    other.session->Device().AddString(QStringLiteral("V"));
    other.session->Device().ReportOut();
    EXPECT_EQ(other.meter->Commands(), QStringList{QStringLiteral("V")});
    EXPECT_EQ(current.meter->Commands().size(), 1);

    // A loss of the other link clears only the other record object's version.
    other.session->Fsm().Version()->setszVersion(QStringLiteral("2.3.1"));
    other.platform.Plug(other.meter, false);
    other.Link().HelperForm()->Tick();
    EXPECT_FALSE(other.Link().fDeviceConnected());
    EXPECT_EQ(other.session->Fsm().Version()->szVersion() + '|' + current.session->Fsm().Version()->szVersion(), "|2.3.1");
    ExpectBoundTo(current.session.get());
}

TEST(Session, OnlyOneSessionIsCurrent)
{
    auto first = std::make_unique<clsSession>();
    clsSession second;
    ASSERT_TRUE(first->MakeCurrent());
    EXPECT_TRUE(first->MakeCurrent()); // again: nothing changes
#ifdef QT_NO_DEBUG
    EXPECT_FALSE(second.MakeCurrent());
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(second.MakeCurrent(), "another session is current");
#endif
    ExpectBoundTo(first.get());
    first.reset();
    EXPECT_TRUE(second.MakeCurrent());
    ExpectBoundTo(&second);
}
