// SPDX-License-Identifier: GPL-3.0-or-later
// The remembered main-window placement, on a window and screen of known
// size and a temporary store.
#include "FakePlacementWindow.h"
#include "TestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

namespace {

class WindowStateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<QSettings>(dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
        gWindowLeft = gWindowTop = gWindowState = 0;
        gWindowPlaced.reset();
    }
    QString Stored(const char *key) const { return store->value(QLatin1String(key)).toString(); }

    QTemporaryDir dir;
    std::unique_ptr<QSettings> store;
};

TEST_F(WindowStateTest, RestoreAppliesOrRepairsTheStoredValues)
{
    const char *centred = "4358 4950"; // (19200-10485)/2 = 4357.5, halves to even
    const QRectF primary(0, 0, 19200, 14400), right(19200, 0, 19200, 14400), left(-19200, 2000, 19200, 14400);
    const QRectF underTopBar(0, 450, 19200, 13950);
    // Stored state and place (null: missing); the screens' available areas;
    // the state applied, remembered and stored, and the place applied; the
    // place stored afterwards (null: as it was).
    struct Case { const char *state, *window; QVector<QRectF> areas; qint16 wantState; double wantLeft, wantTop; const char *storedWindow = nullptr; };
    const Case cases[] = {
        {nullptr, nullptr, {primary}, 0, 4358, 4950, centred},
        {"0", "1440 960", {primary}, 0, 1440, 960}, {"0", "1440   960 7", {primary}, 0, 1440, 960},
        {"1", "1440 960", {primary}, 1, 1440, 960}, {"2", "1440 960", {primary}, 2, 1440, 960},
        // The middle half of the title bar (5242.5 x 450 twips here) must be
        // on one screen, or the window opens centred on the primary one; the
        // store keeps its value.
        {"0", "11336 13950", {primary}, 0, 11336, 13950}, {"0", "11337 960", {primary}, 0, 4358, 4950},
        {"0", "17701 960", {primary}, 0, 4358, 4950}, {"0", "1440 13951", {primary}, 0, 4358, 4950},
        {"0", "19200 14400", {primary}, 0, 4358, 4950}, // a sliver at the corner
        {"0", "30000 960", {primary}, 0, 4358, 4950}, {"0", "1440 20000", {primary}, 0, 4358, 4950},
        {"0", "-500 -20", {primary}, 0, 4358, 4950},
        {"0", "-2621 960", {primary}, 0, -2621, 960}, {"0", "-2622 960", {primary}, 0, 4358, 4950}, // a quarter off the screen
        {"0", "-4000 2000", {primary}, 0, 4358, 4950}, // its buttons would be off the screen
        {"0", "-8900 960", {primary}, 0, 4358, 4950},
        {"0", "-4000 2000", {primary, left}, 0, 4358, 4950}, // the middle across two screens
        {"0", "1440 0", {underTopBar}, 0, 4358, 5175},  // under a panel
        // A second screen, right or left of the primary one, and the screen gone.
        {"0", "30000 960", {primary, right}, 0, 30000, 960}, {"0", "-15000 3000", {primary, left}, 0, -15000, 3000},
        {"0", "-15000 1000", {primary, left}, 0, 4358, 4950},
        // Damaged values count as missing.
        {"max", "1440 960", {primary}, 0, 1440, 960}, {"7", "1440 960", {primary}, 0, 1440, 960},
        {"3", "1440 960", {primary}, 0, 1440, 960}, {"-1", "1440 960", {primary}, 0, 1440, 960},
        {"0", "1440", {primary}, 0, 4358, 4950, centred}, {"0", "1440 top", {primary}, 0, 4358, 4950, centred},
        {"0", "", {primary}, 0, 4358, 4950, centred},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.state ? c.state : "-") << '|' << (c.window ? c.window : "-"));
        store->clear();
        for (auto [key, value] : {std::pair{"Main/WindowState", c.state}, {"Main/Window", c.window}})
            if (value)
                store->setValue(key, value);
        gWindowLeft = gWindowTop = 0;
        FakePlacementWindow w;
        w.areas = c.areas;
        RestoreWindowState(w, *store);
        // The state (the window's and the one remembered), moves and place; what is stored.
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5").arg(w.state).arg(gWindowState).arg(w.moves).arg(w.left).arg(w.top),
                  QStringLiteral("%1 %1 1 %2 %3").arg(c.wantState).arg(c.wantLeft).arg(c.wantTop));
        const QString stored = QString::fromLatin1(c.storedWindow ? c.storedWindow : c.window);
        EXPECT_EQ(Stored("Main/WindowState") + '|' + Stored("Main/Window"), QString::number(c.wantState) + '|' + stored);
        // Closed where it opened: the stored place stays as it was.
        SaveWindowState(w, *store);
        EXPECT_EQ(Stored("Main/Window"), stored);
    }
}

TEST_F(WindowStateTest, SaveWritesOnlyRealChanges)
{
    // The window's state and place; whether written; what is remembered afterwards.
    struct Case { qint16 state; double left, top; bool written; qint32 wantLeft, wantTop; qint16 wantState; };
    // Remembered before each case: 1440 960, state 0.
    const Case cases[] = {
        {0, 1440, 960, false, 1440, 960, 0}, {0, 3000, 960, true, 3000, 960, 0}, // nothing moved; moved
        {0, 1440, 960.5, true, 1440, 960, 0},  // rounded, halves to even
        {1, 3000, 2000, false, 1440, 960, 0}, {2, 0, 0, true, 1440, 960, 2}, // minimised: never stored; maximised keeps the normal place
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.left << " " << c.top);
        store->clear();
        gWindowLeft = 1440, gWindowTop = 960, gWindowState = 0;
        FakePlacementWindow w;
        w.state = c.state, w.left = c.left, w.top = c.top;
        SaveWindowState(w, *store);
        const QString remembered = QStringLiteral("%1 %2|%3").arg(c.wantLeft).arg(c.wantTop).arg(c.wantState);
        EXPECT_EQ(QStringLiteral("%1 %2|%3").arg(gWindowLeft).arg(gWindowTop).arg(gWindowState), remembered);
        EXPECT_EQ(Stored("Main/Window") + '|' + Stored("Main/WindowState"), c.written ? remembered : QStringLiteral("|"));
    }
}

} // namespace
