// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: commands by firmware, hidden items, debug mode, the
// console, the Edit menu, shut-down and the remembered placement.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/frmMain.h"
#include "app/globals.h"
#include "common/modConsole.h"
#include "common/modEvents.h"
#include "app/modMsgBoxGui.h"
#include "common/modWin.h"
#include "protocol/clsDevice.h"
#include "records/clsFsm.h"
#include "storage/modWindowState.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"
#include "common/clsOperation.h"

#include <QTest>
#include <QtWidgets>

namespace {

const QString kEditTx = QStringLiteral("View/Delete/Edit/Add Tx Data in ZT 6200");
const QString kViewTx = QStringLiteral("View/Delete Tx Data in ZT 6200");

class MainWinTest : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        ASSERT_TRUE(settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        gWindowLeft = gWindowTop = 0, gWindowState = 0;
        gWindowPlaced.reset();
        gBeepHook = [this] { ++beeps; };
        w = std::make_unique<frmMain>();
    }
    void TearDown() override
    {
        w.reset();
        gBeepHook = nullptr;
        MeterTest::TearDown();
    }

    static QStringList Visible(QMenu *menu)
    {
        QStringList list;
        for (QAction *a : menu->actions())
            if (a->isVisible())
                list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    }
    QStringList VisibleButtons() const
    {
        QStringList list;
        for (int i = 0; i < frmMain::kCommands; ++i)
            if (!Command(i)->isHidden())
                list << Command(i)->text();
        return list;
    }
    QPushButton *Command(int i) const { return Named<QPushButton>(w.get(), QStringLiteral("cmdCommand_%1").arg(i)); }
    QPlainTextEdit *Box(const char *name) const { return Named<QPlainTextEdit>(w.get(), name); }
    QAction *Item(const char *name) const { return Named<QAction>(w.get(), name); }
    QString Console() const { return w->FlushConsole(), Box("txtConsole")->toPlainText(); }
    static std::unique_ptr<QSettings> Store() { return std::make_unique<QSettings>(QSettings::UserScope, clsApp::AppTitle(), SettingsAppName()); }

    QTemporaryDir settingsDir;
    int beeps = 0;
    std::unique_ptr<frmMain> w;
};

TEST_F(MainWinTest, CommandsFollowTheMeterAndItsFirmware)
{
    const QStringList none = {"Download Saved Data to .csv File", "Download Tx Data to .csv File",
                              "View/Delete Saved Data in ZT 6200", kViewTx};
    auto noMeter = [&] {
        EXPECT_EQ(w->windowTitle(), "ZT6200 Dataclave - ZT 6200 Not Connected");
        EXPECT_EQ(VisibleButtons(), none);
        EXPECT_EQ(Visible(Named<QMenu>(w.get(), "mnuActions")), (QStringList{none[0], none[2], "-", none[1], kViewTx}));
        EXPECT_EQ(gFsm->Version()->value(), 0);
    };
    noMeter();
    EXPECT_TRUE(Box("txtConsole")->isHidden());
    struct Case { QString firmware; QString button3; int buttons; QStringList boxes; };
    const Case cases[] = {
        {"2.3.12", kEditTx, 4, {}}, {"2.2.15", kEditTx, 4, {}},
        {"2.4.0", QString(), 0, {"Update Software|ZT 6200 firmware (2.4.0)\r\nrequires a newer version of the Dataclave program."}},
        {QString(), kViewTx, 4, {}}, // empty reply: no version known
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.firmware));
        boxes.clear();
        DemoMeter *m = ReplaceMeter("firmware " + c.firmware);
        EXPECT_EQ(w->windowTitle(), "ZT6200 Dataclave - ZT 6200 Connected");
        EXPECT_EQ(VisibleButtons().size(), c.buttons);
        EXPECT_EQ(Command(3)->text(), c.button3);
        EXPECT_TRUE(Command(4)->isHidden());
        EXPECT_FALSE(Item("mnuActionsUploadTx")->isVisible());
        EXPECT_EQ(Item("mnuActionsDeleteTx")->isVisible(), c.buttons > 0);
        EXPECT_EQ(BoxTexts(), c.boxes);
        Unplug(m);
        noMeter(); // an unsupported meter's refusal ends with it
    }
}

TEST_F(MainWinTest, ShiftRevealsHiddenItems)
{
    auto shown = [this] {
        return QString("%1%2%3%4").arg(Item("mnuSepChar2")->isVisible()).arg(Item("mnuActionsDebug")->isVisible())
            .arg(Item("mnuActionsSoftwareVersion")->isVisible()).arg(fShiftKey);
    };
    auto move = [](QWidget *over, Qt::KeyboardModifiers mods) {
        QMouseEvent e(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, mods);
        QApplication::sendEvent(over, &e);
    };
    auto shift = [this] { QTest::keyPress(Command(0), Qt::Key_Shift); };

    QEvent activate(QEvent::WindowActivate);
    // Each way the items go again; Shift held while crossing a picture keeps them.
    const std::function<void()> hides[] = {
        [&] { QTest::keyRelease(Command(0), Qt::Key_Shift); },
        [&] { move(Named<QWidget>(w.get(), "picHalvern"), Qt::NoModifier); },
        [&] { move(Named<QWidget>(w.get(), "picToolBar"), Qt::NoModifier); },
        [&] { QApplication::sendEvent(w.get(), &activate); },
    };
    for (const auto &hide : hides) {
        shift();
        move(Named<QWidget>(w.get(), "picHalvern"), Qt::ShiftModifier);
        EXPECT_EQ(shown(), "1111");
        hide();
        EXPECT_EQ(shown(), "0000");
    }

    shift();
    Item("mnuActionsSoftwareVersion")->trigger();
    EXPECT_EQ(BoxTexts(), QStringList{"ZT 6200 Software Version Number|Software Version Unknown"});
    EXPECT_FALSE(fShiftKey);
}

// Opened as the user opens it, by a click on its title in the menu bar. A
// menu with nothing (or only a separator) to show pops up as a 0x0 window,
// which the X server never maps again: the menu would stay shut for good.
TEST_F(MainWinTest, ActionsMenuNeverOpensEmpty)
{
    w->show();
    QApplication::setActiveWindow(w.get());
    ReplaceMeter("firmware 3.0"); // refused: no command to offer
    ASSERT_EQ(boxes.size(), 1); // "Update Software", answered OK
    QMenuBar *bar = w->menuBar();
    QMenu *menu = Named<QMenu>(w.get(), "mnuActions");
    auto clickTitle = [&] {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        DoEvents();
        return menu->isVisible() ? menu->size() : QSize();
    };
    for (int i = 0; i < 2; ++i) {
        const QSize shut = clickTitle();
        EXPECT_FALSE(shut.isValid()) << shut.width() << "x" << shut.height();
        menu->hide();
    }
    // Shift held: the hidden items, in a menu that really opens.
    QTest::keyPress(w.get(), Qt::Key_Shift);
    const QSize open = clickTitle();
    EXPECT_TRUE(open.width() > 0 && open.height() > 0);
    EXPECT_EQ(Visible(menu), (QStringList{"-", "Get ZT 6200 software version number", "Debugging On"}));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Item("mnuActionsSoftwareVersion")).center());
    DoEvents();
    EXPECT_EQ(BoxTexts().value(1), "ZT 6200 Software Version Number|Software Version 3.0");
}

TEST_F(MainWinTest, DebugModeGrowsAndShrinksAndLogsTheUsb)
{
    AddMeter();
    ASSERT_TRUE(ConnectMeter());
    EXPECT_TRUE(Box("txtResults")->toPlainText().isEmpty());
    // The echo of the version query waits while the console is hidden.
    EXPECT_TRUE(Box("txtConsole")->toPlainText().isEmpty());
    const int menu = w->height() - TwipsToPixels(4035, 1);
    EXPECT_NEAR(menu, w->menuBar()->sizeHint().height(), 1);
    const int normal = w->height();
    EXPECT_NEAR(w->width(), TwipsToPixels(2175 + 8310), 1);

    for (bool on : {true, false}) {
        QTest::keyPress(Command(0), Qt::Key_Shift);
        emit Named<QMenu>(w.get(), "mnuActions")->aboutToShow();
        EXPECT_EQ(Item("mnuActionsDebug")->text(), on ? QStringLiteral("Debugging On") : QStringLiteral("Debugging Off"));
        Item("mnuActionsDebug")->trigger();
        EXPECT_EQ(gApp->fDebug(), on);
        EXPECT_FALSE(fShiftKey);
        EXPECT_FALSE(Item("mnuActionsDebug")->isVisible());
        EXPECT_EQ(Item("mnuActionsSoftwareVersion")->isVisible(), on);
        EXPECT_EQ(!Box("txtConsole")->isHidden() && !Box("txtResults")->isHidden() && !Named<QLabel>(w.get(), "lblConsole")->isHidden(), on);
        EXPECT_NEAR(w->height(), on ? TwipsToPixels(8040 + 1335 + 200, 1) + menu : normal, 1);
        if (on) {
            EXPECT_EQ(Box("txtConsole")->toPlainText(), QStringLiteral("A\n"));
            gUsbHid->FindTheHid(); // searches again and logs what it finds
            EXPECT_TRUE(Box("txtResults")->toPlainText().contains("  My device detected\n"));
        }
    }
}

// Long sessions: each box keeps its newest lines, and the hidden console
// holds back no more than it would show.
TEST_F(MainWinTest, ConsoleBoxesKeepABoundedHistory)
{
    struct Case { const char *what; bool debug; QPlainTextEdit *box; std::function<void(const QString &)> add; } cases[] = {
        {"console, hidden", false, Box("txtConsole"), AppendConsoleLine},
        {"console, shown", true, Box("txtConsole"), AppendConsoleLine},
        {"usb status", true, Box("txtResults"), AppendUsbStatus},
    };
    w->SetConsoleHistory(5);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.box->clear();
        gApp->setfDebug(c.debug);
        w->DebugHelp();
        for (int i = 1; i <= 50; ++i)
            c.add(QStringLiteral("line %1").arg(i));
        EXPECT_LE(w->HeldBackLines(), 5);
        gApp->setfDebug(true);
        w->DebugHelp();
        EXPECT_EQ(c.box->toPlainText(), QStringLiteral("line 47\nline 48\nline 49\nline 50\n"));
    }
}

// Typed into the console: the line is sent on Enter and the reply shown;
// typed while an operation runs, it is refused with a beep per key.
TEST_F(MainWinTest, ConsoleSendsTypedLines)
{
    struct Idle : clsOperation { void Step() override { Finish(OpStatus::Ok); } };
    const QString x63(63, 'x');
    struct Case { bool meter; QString typed; QByteArray reply; QStringList sent; QString shown; int beeps; bool busy = false; } cases[] = {
        {false, "AB\r", "", {}, "AB\n", 0}, // no meter: ordinary text
        {true, "A\r", "", {"A"}, "A\n2.3.1\n", 0},
        {true, "B\r", "a\r\nb\r\n", {"B"}, "B\na\n\nb\n\n", 0}, // each CR and each LF breaks the line
        {true, QString(70, 'x') + "\r", "", {x63}, x63 + "\nERROR\n", 7}, // a line stops at the packet size
        {true, "A\r\x1b", "", {}, "A\n", 0}, // Escape stops the command before it went out
        {true, "E\r", "", {}, "", 2, true}, // typed between the steps of an operation
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.typed));
        DemoMeter *m = c.meter ? ReplaceMeter(std::make_unique<DemoMeter>()) : nullptr;
        if (m) {
            m->ClearCommands();
            if (!c.reply.isEmpty())
                m->Scenario().replyOverride = [&c](const QString &, QList<QByteArray> &r) { return r = DemoMeter::FrameReply(c.reply, 65), true; };
        }
        beeps = 0;
        const QString before = Console();
        Idle op;
        ASSERT_TRUE(!c.busy || op.Start());
        QTest::keyClicks(Box("txtConsole"), c.typed);
        EXPECT_TRUE(QTest::qWaitFor([] { return !OperationRunning(); })); // the reply is read on the link thread
        EXPECT_EQ(m ? m->Commands() : QStringList(), c.sent);
        EXPECT_EQ(Console().mid(before.size()), c.shown);
        EXPECT_EQ(beeps, c.beeps);
        EXPECT_EQ(gDevice->PacketOut().Length(), 0);
    }
}

TEST_F(MainWinTest, EditMenuWorksOnTheFocusedControl)
{
    gApp->setfDebug(true);
    w->DebugHelp(), w->show();
    QApplication::setActiveWindow(w.get());
    Box("txtConsole")->setPlainText(QStringLiteral("hello world"));
    Box("txtConsole")->setFocus();
    DoEvents();
    ASSERT_EQ(QApplication::focusWidget(), Box("txtConsole"));

    QTextCursor c = Box("txtConsole")->textCursor();
    c.setPosition(6), c.setPosition(11, QTextCursor::KeepAnchor);
    Box("txtConsole")->setTextCursor(c);
    Item("mnuCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("world"));
    Item("mnuCut")->trigger();
    EXPECT_EQ(Console(), QStringLiteral("hello "));
    Item("mnuSelectAll")->trigger();
    EXPECT_EQ(Box("txtConsole")->textCursor().selectedText(), QStringLiteral("hello "));

    Command(0)->setFocus(); // no text: nothing happens
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    Item("mnuCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

// The place is stored on the way out, and the next start puts the window there.
TEST_F(MainWinTest, ExitAndCloseBoxSavePlacementAndShutDown)
{
    AddMeter();
    const int left = PixelsToTwips(TwipsToPixels(1500, 0), 0), top = PixelsToTwips(TwipsToPixels(900, 1), 1);
    for (bool viaMenu : {true, false}) {
        SCOPED_TRACE(viaMenu ? "File > Exit" : "close box");
        w = std::make_unique<frmMain>();
        ASSERT_TRUE(ConnectMeter());
        gWindowLeft = gWindowTop = 0, gWindowPlaced.reset(); // as the last round left them
        Store()->clear();
        w->Move(1500, 900);
        viaMenu ? Item("mnuFileExit")->trigger() : void(w->close());
        EXPECT_FALSE(gUsbHid->fDeviceConnected());
        EXPECT_EQ(Store()->value("Main/Window").toString(), QString("%1 %2").arg(left).arg(top));
        w = std::make_unique<frmMain>();
        RestoreWindowState();
        EXPECT_EQ(QPointF(w->Left(), w->Top()), QPointF(left, top));
    }
}

TEST_F(MainWinTest, MessageBoxesHaveTheirIconDefaultAndWholeTitle)
{
    InstallGuiMsgBox();
    gBeepHook = nullptr;
    // The window manager's title: bold, with the window icon and its buttons beside it.
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    struct Case { int buttons; QMessageBox::Icon icon; int answer; QString title; };
    const Case cases[] = {
        {vb::Information, QMessageBox::Information, vb::OK, "ZT 6200 Software Version Number"},
        {vb::YesNo | vb::Question, QMessageBox::Question, vb::Yes, "Title"},
        {vb::YesNo | vb::Exclamation | vb::DefaultButton2, QMessageBox::Warning, vb::No, // Enter must not delete
         "ZT 6200 Communication Problem"},
        {vb::OKOnly, QMessageBox::NoIcon, vb::OK, "ZT6200 Dataclave"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.title));
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString text;
        int width = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible())
                    icon = box->icon(), text = box->text(), width = box->width(),
                    box->defaultButton()->click(); // what Enter does
        });
        EXPECT_EQ(MsgBox(QStringLiteral("one\r\ntwo"), c.buttons, c.title), c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(text, QStringLiteral("one\ntwo"));
        EXPECT_GE(width, QFontMetrics(titleFont).horizontalAdvance(c.title) + 3 * QFontMetrics(titleFont).height() + 40);
    }
}

TEST(CenterForm, StaysOnTheScreen)
{
    const TwipRect screen{0, 0, 19200, 14400};
    struct Case { TwipRect parent; double left, top; };
    const Case cases[] = {
        {{3000, 3000, 6000, 4000}, 4000, 4000},      // room enough: centred
        {{16000, 3000, 6000, 4000}, 15200, 4000},    // right edge
        {{-4000, 3000, 4000, 4000}, 0, 4000},        // left of the screen
        {{3000, 13000, 6000, 4000}, 4000, 12400},    // bottom edge
        {{3000, -3000, 6000, 2000}, 4000, 0},        // above the screen
    };
    for (const Case &c : cases) {
        const TwipRect r = CenteredRect({0, 0, 4000, 2000}, c.parent, screen);
        EXPECT_EQ(QRectF(r.left, r.top, r.width, r.height), QRectF(c.left, c.top, 4000, 2000));
    }
}

// Closed while a silent meter's version query waits on the link thread: the
// link is closed once that read has returned, never under it.
TEST_F(MainWindowTest, ClosedWhileASilentMeterIsAsked)
{
    DemoMeter *silent = AddMeter("stall-after-reports 0");
    silent->Scenario().timeScale = 0.1; // a 400 ms time-out
    main->show();
    gUsbHid->HelperForm()->tmrPeriodic().start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LinkStepUnderWay() && silent->Commands().contains("A"); }, 5000));
    gUsbHid->HelperForm()->tmrPeriodic().stop();
    main->close(); // the demo meter aborts the program when its device is closed under a read
    EXPECT_TRUE(QTest::qWaitFor([] { return !OperationRunning(); }, 5000));
}

} // namespace
