// The main window: commands by firmware, hidden items, debug mode, the
// console, the Edit menu, shut-down and the remembered placement.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "app/globals.h"
#include "app/modEvents.h"
#include "app/modMsgBoxGui.h"
#include "app/modWin.h"
#include "protocol/clsDevice.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "storage/modWindowState.h"
#include "usb/clsUsbHid.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

// Readable QStrings in failure messages.
void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

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
        gWindowLeft = gWindowTop = 0;
        gWindowState = 0;
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
        for (QPushButton *b : w->cmdCommand)
            if (!b->isHidden())
                list << b->text();
        return list;
    }
    static void Key(QWidget *target, QEvent::Type type, int key, const QString &text = QString())
    {
        QKeyEvent e(type, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &e);
    }
    static void Type(QWidget *target, const QString &text)
    {
        for (QChar c : text) {
            const int key = c == QLatin1Char('\r') ? int(Qt::Key_Return) : c.toUpper().unicode();
            Key(target, QEvent::KeyPress, key, QString(c));
            Key(target, QEvent::KeyRelease, key, QString(c));
        }
    }
    QString Console() const { return w->txtConsole->toPlainText(); }
    static std::unique_ptr<QSettings> Store()
    {
        return std::make_unique<QSettings>(QSettings::UserScope, clsApp::AppTitle(), SettingsAppName());
    }

    QTemporaryDir settingsDir;
    int beeps = 0;
    std::unique_ptr<frmMain> w;
};

TEST_F(MainWinTest, StartsWithoutMeter)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ZT6200 Dataclave - ZT 6200 Not Connected"));
    EXPECT_EQ(VisibleButtons(), (QStringList{QStringLiteral("Download Saved Data to .csv File"),
                                             QStringLiteral("Download Tx Data to .csv File"),
                                             QStringLiteral("View/Delete Saved Data in ZT 6200"), kViewTx}));
    EXPECT_EQ(Visible(w->mnuActions),
              (QStringList{QStringLiteral("Download Saved Data to .csv File"),
                           QStringLiteral("View/Delete Saved Data in ZT 6200"), QStringLiteral("-"),
                           QStringLiteral("Download Tx Data to .csv File"), kViewTx}));
    EXPECT_EQ(Visible(w->mnuFile), QStringList{QStringLiteral("E&xit")});
    EXPECT_EQ(Visible(w->mnuEdit), (QStringList{QStringLiteral("Copy"), QStringLiteral("Cut"), QStringLiteral("Select All")}));
    EXPECT_EQ(w->mnuSelectAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_TRUE(w->txtConsole->isHidden());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_FALSE(w->windowIcon().availableSizes().isEmpty());
}

TEST_F(MainWinTest, FirmwareFromTheDemoMeter)
{
    struct Case { QString firmware; QString button3; int buttons; bool message; };
    const Case cases[] = {
        {QStringLiteral("2.3.12"), kEditTx, 4, false},
        {QStringLiteral("2.2.15"), kEditTx, 4, false},
        {QStringLiteral("2.4.0"), QString(), 0, true},
        {QString(), kViewTx, 4, false}, // empty reply: no version known
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.firmware));
        boxes.clear();
        auto meter = std::make_unique<DemoMeter>();
        meter->firmware = c.firmware;
        DemoMeter *m = AddMeter(std::move(meter));
        ASSERT_TRUE(ConnectMeter());
        EXPECT_EQ(VisibleButtons().size(), c.buttons);
        EXPECT_EQ(w->cmdCommand[3]->text(), c.button3);
        EXPECT_TRUE(w->cmdCommand[4]->isHidden());
        EXPECT_FALSE(w->mnuActionsUploadTx->isVisible());
        EXPECT_EQ(w->mnuActionsDeleteTx->isVisible(), c.buttons > 0);
        EXPECT_EQ(boxes.size(), c.message ? 1 : 0);
        if (c.message)
            EXPECT_EQ(boxes[0].prompt, QStringLiteral("ZT 6200 firmware (2.4.0)\r\n"
                                                      "requires a newer version of the Dataclave program."));
        platform.Plug(m, false);
        Tick();
    }
}

TEST_F(MainWinTest, CaptionFollowsTheLink)
{
    DemoMeter *meter = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ZT6200 Dataclave - ZT 6200 Connected"));
    gFsm->Version->setszVersion(QStringLiteral("2.4.0"));
    platform.Plug(meter, false);
    Tick();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ZT6200 Dataclave - ZT 6200 Not Connected"));
    EXPECT_EQ(gFsm->Version->value(), 0);
    EXPECT_EQ(VisibleButtons().size(), 4); // the unsupported meter's refusal ends with it
}

TEST_F(MainWinTest, ShiftRevealsHiddenItems)
{
    auto shown = [this] {
        return w->mnuSepChar2->isVisible() && w->mnuActionsDebug->isVisible() && w->mnuActionsSoftwareVersion->isVisible();
    };
    auto hidden = [this] {
        return !w->mnuSepChar2->isVisible() && !w->mnuActionsDebug->isVisible()
               && !w->mnuActionsSoftwareVersion->isVisible() && !fShiftKey;
    };
    auto move = [](QWidget *over, Qt::KeyboardModifiers mods) {
        QMouseEvent e(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, mods);
        QApplication::sendEvent(over, &e);
    };
    auto shift = [this] { Key(w->cmdCommand[0], QEvent::KeyPress, Qt::Key_Shift); };

    QEvent activate(QEvent::WindowActivate);
    // Each way the items go again; Shift held while crossing a picture keeps them.
    const std::function<void()> hides[] = {
        [&] { Key(w->cmdCommand[0], QEvent::KeyRelease, Qt::Key_Shift); },
        [&] { move(w->picHalvern, Qt::NoModifier); },
        [&] { move(w->picToolBar, Qt::NoModifier); },
        [&] { QApplication::sendEvent(w.get(), &activate); },
    };
    for (const auto &hide : hides) {
        shift();
        move(w->picHalvern, Qt::ShiftModifier);
        EXPECT_TRUE(shown() && fShiftKey);
        hide();
        EXPECT_TRUE(hidden());
    }

    shift();
    w->mnuActionsSoftwareVersion->trigger();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("Software Version Unknown"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("ZT 6200 Software Version Number"));
    EXPECT_EQ(boxes[0].buttons, vb::Information);
    EXPECT_FALSE(fShiftKey);
}

TEST_F(MainWinTest, DebugModeGrowsAndShrinks)
{
    const int menu = w->height() - TwipsToPixels(4035, 1);
    EXPECT_NEAR(menu, w->menuBar()->sizeHint().height(), 1);
    const int normal = w->height();
    EXPECT_NEAR(w->width(), TwipsToPixels(2175 + 8310), 1);

    for (bool on : {true, false}) {
        Key(w->cmdCommand[0], QEvent::KeyPress, Qt::Key_Shift);
        emit w->mnuActions->aboutToShow();
        EXPECT_EQ(w->mnuActionsDebug->text(), on ? QStringLiteral("Debugging On") : QStringLiteral("Debugging Off"));
        w->mnuActionsDebug->trigger();
        EXPECT_EQ(gApp->fDebug, on);
        EXPECT_FALSE(fShiftKey);
        EXPECT_FALSE(w->mnuActionsDebug->isVisible());
        EXPECT_EQ(w->mnuActionsSoftwareVersion->isVisible(), on);
        EXPECT_EQ(!w->txtConsole->isHidden() && !w->txtResults->isHidden() && !w->lblConsole->isHidden(), on);
        if (on)
            EXPECT_NEAR(w->height(), TwipsToPixels(8040 + 1335 + 200, 1) + menu, 1);
        else
            EXPECT_EQ(w->height(), normal);
    }
}

TEST_F(MainWinTest, UsbStatusOnlyWhileDebugging)
{
    AddMeter();
    ASSERT_TRUE(ConnectMeter());
    EXPECT_TRUE(w->txtResults->toPlainText().isEmpty());
    gApp->fDebug = true;
    gUsbHid->FindTheHid(); // searches again and logs what it finds
    EXPECT_TRUE(w->txtResults->toPlainText().contains(QStringLiteral("  My device detected\n")));
}

TEST_F(MainWinTest, ConsoleSendsTypedCommandAndShowsReply)
{
    DemoMeter *meter = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    meter->commands.clear();
    const QString before = Console();
    Type(w->txtConsole, QStringLiteral("A\r"));
    EXPECT_EQ(meter->commands, QStringList{QStringLiteral("A")});
    EXPECT_EQ(Console().mid(before.size()), QStringLiteral("A\n2.3.1\n"));
    EXPECT_EQ(gDevice->PacketOut.Length, 0);

    // A reply with CR LF inside and at its end: each CR and each LF breaks the line.
    meter->replyOverride = [](const QString &, QList<QByteArray> &reports) {
        reports = DemoMeter::FrameReply(QByteArray("a\r\nb\r\n"), 65);
        return true;
    };
    const QString mid = Console();
    Type(w->txtConsole, QStringLiteral("B\r"));
    EXPECT_EQ(Console().mid(mid.size()), QStringLiteral("B\na\n\nb\n\n"));
}

TEST_F(MainWinTest, ConsoleWaitsForARunningExchange)
{
    DemoMeter *meter = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    meter->commands.clear();
    bool busy = false;
    meter->replyOverride = [&](const QString &, QList<QByteArray> &) {
        busy = ExchangeInProgress();
        Type(w->txtConsole, QStringLiteral("E\r")); // as if typed while the reply is awaited
        return false;
    };
    const QString before = Console();
    QString reply;
    EXPECT_EQ(SendCommand(QStringLiteral("C"), reply, 2, true), 0);
    EXPECT_TRUE(busy);
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(meter->commands, QStringList{QStringLiteral("C")});
    EXPECT_EQ(Console().mid(before.size()), QStringLiteral("C\n"));
    EXPECT_EQ(gDevice->PacketOut.Length, 0);
}

TEST_F(MainWinTest, ConsoleLineStopsAtThePacketSize)
{
    DemoMeter *meter = AddMeter();
    ASSERT_TRUE(ConnectMeter());
    meter->commands.clear();
    const QString before = Console();
    Type(w->txtConsole, QString(70, QLatin1Char('x')));
    EXPECT_EQ(beeps, 7);
    EXPECT_EQ(Console().mid(before.size()), QString(63, QLatin1Char('x')));
    Type(w->txtConsole, QStringLiteral("\r"));
    EXPECT_EQ(meter->commands, QStringList{QString(63, QLatin1Char('x'))});
}

TEST_F(MainWinTest, ConsoleTypingWithoutMeterIsOrdinaryText)
{
    Type(w->txtConsole, QStringLiteral("AB\r"));
    EXPECT_EQ(Console(), QStringLiteral("AB\n"));
    EXPECT_EQ(gDevice->PacketOut.Length, 0);
    EXPECT_EQ(beeps, 0);
}

TEST_F(MainWinTest, EditMenuWorksOnTheFocusedControl)
{
    gApp->fDebug = true;
    w->DebugHelp();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->txtConsole->setPlainText(QStringLiteral("hello world"));
    w->txtConsole->setFocus();
    DoEvents();
    ASSERT_EQ(QApplication::focusWidget(), w->txtConsole);

    QTextCursor c = w->txtConsole->textCursor();
    c.setPosition(6);
    c.setPosition(11, QTextCursor::KeepAnchor);
    w->txtConsole->setTextCursor(c);
    w->mnuCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("world"));
    w->mnuCut->trigger();
    EXPECT_EQ(Console(), QStringLiteral("hello "));
    w->mnuSelectAll->trigger();
    EXPECT_EQ(w->txtConsole->textCursor().selectedText(), QStringLiteral("hello "));

    w->cmdCommand[0]->setFocus(); // no text: nothing happens
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    w->mnuCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(MainWinTest, ExitAndCloseBoxSavePlacementAndShutDown)
{
    AddMeter();
    for (bool viaMenu : {true, false}) {
        SCOPED_TRACE(viaMenu ? "File > Exit" : "close box");
        w = std::make_unique<frmMain>();
        ASSERT_TRUE(ConnectMeter());
        gWindowLeft = gWindowTop = 0;
        Store()->clear();
        w->Move(1500, 900);
        if (viaMenu)
            w->mnuFileExit->trigger();
        else
            w->close();
        EXPECT_FALSE(gUsbHid->fDeviceConnected());
        EXPECT_EQ(Store()->value(QStringLiteral("Main/Window")).toString(),
                  QStringLiteral("%1 %2").arg(PixelsToTwips(TwipsToPixels(1500, 0), 0)).arg(PixelsToTwips(TwipsToPixels(900, 1), 1)));
    }
}

TEST_F(MainWinTest, PlacementRoundTripsThroughTheStore)
{
    RestoreWindowState(); // first run: centred and written back
    EXPECT_EQ(Store()->value(QStringLiteral("Main/WindowState")).toString(), QStringLiteral("0"));
    EXPECT_EQ(Store()->value(QStringLiteral("Main/Window")).toString(),
              QStringLiteral("%1 %2").arg(gWindowLeft).arg(gWindowTop));
    EXPECT_NEAR(gWindowLeft, (w->ScreenWidth() - w->Width()) / 2, 1);

    w->Move(3000, 1500);
    SaveWindowState();
    const QString moved = Store()->value(QStringLiteral("Main/Window")).toString();
    EXPECT_EQ(moved, QStringLiteral("%1 %2").arg(w->Left()).arg(w->Top()));

    w = std::make_unique<frmMain>();
    RestoreWindowState();
    EXPECT_EQ(w->Left(), PixelsToTwips(TwipsToPixels(3000, 0), 0));
    EXPECT_EQ(w->Top(), PixelsToTwips(TwipsToPixels(1500, 1), 1));
}

TEST_F(MainWinTest, MessageBoxesHaveTheirIconAndDefault)
{
    InstallGuiMsgBox();
    gBeepHook = nullptr;
    struct Case { int buttons; QMessageBox::Icon icon; int answer; };
    const Case cases[] = {
        {vb::Exclamation, QMessageBox::Warning, vb::OK},
        {vb::Information, QMessageBox::Information, vb::OK},
        {vb::YesNo | vb::Question, QMessageBox::Question, vb::Yes},
        {vb::YesNo | vb::Exclamation | vb::DefaultButton2, QMessageBox::Warning, vb::No},
    };
    for (const Case &c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString text;
        QTimer::singleShot(0, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(top); box && box->isVisible()) {
                    icon = box->icon();
                    text = box->text();
                    box->defaultButton()->click(); // what Enter does
                }
        });
        EXPECT_EQ(MsgBox(QStringLiteral("one\r\ntwo"), c.buttons, QStringLiteral("Title")), c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(text, QStringLiteral("one\ntwo"));
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
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.width, 4000);
    }
}

TEST_F(MainWinTest, AboutBoxShowsTitleAndVersion)
{
    frmAbout about(w.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About ZT6200 Dataclave"));
    EXPECT_EQ(about.lblTitle->text(), QStringLiteral("ZT6200 Dataclave \u00A9"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 1.2.5"));
    EXPECT_TRUE(about.lblDescription->text().startsWith(QStringLiteral("Data Capture\n\n")));
}

} // namespace
