// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "records/clsFsm.h"

TEST(Version, TextsAndEvents)
{
    struct Case { QString text; qint16 value; qint32 flags; QString events; } cases[] = {
        {"2.2.15", 3, 3, "CC"}, {"2.3.1", 4, 3, "CC"}, {"2.3.x", 4, 3, "CC"}, {" 2 . 3 . 7 ", 4, 3, "CC"},
        {"2.1.9", -1, 0, "CU"}, {"3.0.0", -1, 0, "CU"}, {"2.2", -1, 0, "CU"}, {"2.x.3", -1, 0, "CU"},
        {"", 0, 0, ""},         {"Unknown", 0, 0, ""},  {"abc.def", 0, 0, ""},
    };
    for (const Case &c : cases) {
        clsVersion v;
        QString events;
        QObject::connect(&v, &clsVersion::VersionChanged, [&] { events += QLatin1Char('C'); });
        QObject::connect(&v, &clsVersion::VersionUnknown, [&] { events += QLatin1Char('U'); });
        v.setszVersion(c.text);
        EXPECT_EQ(v.value(), c.value) << qPrintable(c.text);
        EXPECT_EQ(v.flags, c.flags) << qPrintable(c.text);
        EXPECT_EQ(v.szVersion(), c.text);
        EXPECT_EQ(events, c.events) << qPrintable(c.text);
    }
    clsVersion v;
    v.setvalue(2); // a code named as text keeps its code
    EXPECT_EQ(v.value(), 2);
    EXPECT_EQ(v.szVersion(), QStringLiteral("Version 02"));
    EXPECT_EQ(v.flags, 1);
}

using VersionCheck = MeterTest;

TEST_F(VersionCheck, UnsupportedFirmwareAskedOnceAndStaysRefused)
{
    struct Case { bool unplugUnderBox; qint16 value; } cases[] = {{false, -1}, {true, 0}};
    for (const Case &c : cases) {
        DemoMeter *m = AddMeter(QStringLiteral("firmware 2.4.0"));
        QObject ctx; // warn as the main window does
        QObject::connect(gFsm->Version, &clsVersion::VersionUnknown, &ctx,
                         [] { MsgBox(gFsm->Version->szVersion(), vb::Exclamation, QStringLiteral("Update Software")); });
        boxes.clear();
        whileBoxOpen = [&] { platform.Plug(m, !c.unplugUnderBox); Tick(); Tick(); }; // ticks run under the box
        Tick();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].prompt, QStringLiteral("2.4.0"));
        EXPECT_EQ(m->commands, QStringList{QStringLiteral("A")});
        EXPECT_EQ(gFsm->Version->value(), c.value);
        if (c.unplugUnderBox) // the disconnection under the box still clears the text
            EXPECT_NE(gFsm->Version->szVersion(), QStringLiteral("2.4.0"));
        whileBoxOpen = nullptr;
        platform.Plug(m, false);
        Tick();
    }
}
