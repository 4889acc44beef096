// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "records/clsVersion.h"
#include "app/globals.h"
#include "records/clsFsm.h"

#include <iterator>

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
        EXPECT_EQ(QStringLiteral("%1 %2 %3|%4").arg(v.value()).arg(v.flags()).arg(events, v.szVersion()),
                  QStringLiteral("%1 %2 %3|%4").arg(c.value).arg(c.flags).arg(c.events, c.text));
    }

    // Each code as the program has always read it: its text (a code named as
    // text keeps its code; the others keep the text there was), feature
    // bits, the saved and Tx headers before any record was read, the Tx line,
    // the editor's modulation, whether it is supported and offers Tx changes,
    // and whether readings learn the record layout.
    struct Code { qint16 value; QString text; qint32 flags; int saved, tx, txFields; bool modulation, supported, changes, learn; }
    codes[] = {
        {-1, "Unknown", 0, 29, 7, 7, true, false, false, false},    {0, "Unknown", 0, 29, 7, 7, false, true, false, true},
        {1, "Version 01", 0, 29, 7, 7, false, true, false, false}, {2, "Version 02", 1, 29, 7, 7, false, true, false, false},
        {3, "Unknown", 3, 30, 7, 7, false, true, true, false},     {4, "Unknown", 3, 31, 8, 8, true, true, true, false},
    };
    ASSERT_EQ(FirmwareProfiles().size(), std::size(codes)); // every code of the table is checked
    for (const Code &c : codes) {
        SCOPED_TRACE(c.value);
        clsFsm fsm;
        fsm.Version()->setvalue(c.value);
        const FirmwareProfile &p = fsm.Version()->Profile();
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8%9%10%11").arg(p.value).arg(fsm.Version()->value())
                      .arg(fsm.Version()->szVersion()).arg(fsm.Version()->flags()).arg(fsm.DataHeader(0).size())
                      .arg(fsm.DataHeader(1).size()).arg(fsm.TxFields()).arg(int(p.fModulation)).arg(int(p.fSupported))
                      .arg(int((p.flags & kTxChanges) != 0)).arg(int(p.fLearnLayout)),
                  QStringLiteral("%1 %1 %2 %3 %4 %5 %6 %7%8%9%10").arg(c.value).arg(c.text).arg(c.flags).arg(c.saved).arg(c.tx)
                      .arg(c.txFields).arg(int(c.modulation)).arg(int(c.supported)).arg(int(c.changes)).arg(int(c.learn)));
    }
    EXPECT_EQ(ProfileOf(7).value, -1); // a code not listed is unsupported
}

using VersionCheck = MeterTest;

TEST_F(VersionCheck, UnsupportedFirmwareAskedOnceAndStaysRefused)
{
    struct Case { bool unplugUnderBox; qint16 value; } cases[] = {{false, -1}, {true, 0}};
    for (const Case &c : cases) {
        DemoMeter *m = AddMeter(QStringLiteral("firmware 2.4.0"));
        QObject ctx; // warn as the main window does
        QObject::connect(gFsm->Version(), &clsVersion::VersionUnknown, &ctx,
                         [] { MsgBox(gFsm->Version()->szVersion(), vb::Exclamation, QStringLiteral("Update Software")); });
        boxes.clear();
        whileBoxOpen = [&] { platform.Plug(m, !c.unplugUnderBox); Tick(); Tick(); }; // ticks run under the box
        Tick();
        EXPECT_EQ(Prompts(), QStringList{QStringLiteral("2.4.0")});
        EXPECT_EQ(m->Commands(), QStringList{QStringLiteral("A")});
        EXPECT_EQ(gFsm->Version()->value(), c.value);
        if (c.unplugUnderBox) // the disconnection under the box still clears the text
            EXPECT_NE(gFsm->Version()->szVersion(), QStringLiteral("2.4.0"));
        whileBoxOpen = nullptr;
        Unplug(m);
    }
}
