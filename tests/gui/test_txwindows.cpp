// SPDX-License-Identifier: GPL-3.0-or-later
// The Tx list window and the Tx editor against the demo meter: what is sent
// for deletes, adds and edits, the refusals, and closing when the meter goes.
#include "TestSupportGui.h"
#include "common/modFileDialog.h"
#include "listview/modLVSort.h"
#include "usb/clsUsbHid.h"
#include "tx/frmTxEdit.h"

#include <QtWidgets>
#include <functional>
#include <optional>
#include <tuple>

namespace {

const QString kCallSiteBox =
    QStringLiteral("Call-Site Text Too Long|The Call-Site text is invalid.\r\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013");

// The Tx editor's controls, by their object names.
QLineEdit *Box(const frmTxEdit &e, const char *name) { return Named<QLineEdit>(&e, name); }
QPushButton *Save(const frmTxEdit &e) { return Named<QPushButton>(&e, "cmdButton_0"); }
QPushButton *Cancel(const frmTxEdit &e) { return Named<QPushButton>(&e, "cmdButton_1"); }
QToolButton *Arrow(const frmTxEdit &e, const char *upDown, const char *arrow) { return Named<QToolButton>(Named<QWidget>(&e, upDown), arrow); }

class TxWindowTest : public ListWindowTest<frmTx>
{
protected:
    // Runs `f` on the (modal) editor once it is open.
    void OnEditor(std::function<void(frmTxEdit &)> f)
    {
        editorSeen = false;
        QTimer::singleShot(0, form, [this, f] {
            if ((editorSeen = form->Editor() != nullptr))
                f(*form->Editor());
        });
    }
    // Opens the editor on a new entry (`add`) or the selected one, runs `f`
    // in it, and waits for the change to end.
    void InEditor(bool add, std::function<void(frmTxEdit &)> f)
    {
        OnEditor(std::move(f));
        add ? form->AddNewTx() : form->EditSelectedTx();
        Settle();
        EXPECT_TRUE(editorSeen) << "the editor did not open";
    }
    static void Activate(QWidget &w) { w.activateWindow(), QApplication::setActiveWindow(&w), QTest::qWait(20); }

    bool editorSeen = false;
};

} // namespace

// What the window refuses: one message each (none where the command is not
// offered at all), and nothing sent.
TEST_F(TxWindowTest, Refusals)
{
    const QString title = "Can't Delete Last Tx|";
    // Action: 'd' delete the selected row, 'a' delete every row, 'n' new, 'e' edit.
    struct Case { const char *scenario; char action; int buttons; QString box; };
    const Case cases[] = {
        {"generate-tx 1", 'd', vb::Information, title + "There must be at least one record."},
        {"generate-tx 3", 'a', vb::Information,
         title + "There must be at least one Tx remaining in the list.\r\nPlease unselect at least one Tx."},
        {"tx-capacity 2\ngenerate-tx 2", 'n', vb::OKOnly, "ZT6200 Dataclave|No more Tx slots available"},
        {"firmware\ngenerate-tx 3", 'n', 0, ""}, // the meter gives no version: view and delete only
        {"firmware\ngenerate-tx 3", 'e', 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.scenario << ' ' << c.action);
        Open(c.scenario);
        EXPECT_EQ(Button("cmdDelete")->isEnabled(), Rows().Count() > 1);
        const bool offersNew = (Button("cmdNewTx")->isVisible() && Button("cmdNewTx")->isEnabled())
                               || (Named<QAction>(form, "mnuTxNew")->isVisible() && Named<QAction>(form, "mnuTxNew")->isEnabled());
        EXPECT_EQ(offersNew, c.action == 'd' || c.action == 'a');
        EXPECT_EQ(Button("cmdEditTx")->isVisible(), !c.box.isEmpty());
        // Reached anyway: through the menu, or a double-click off the rows.
        if (c.action == 'a')
            SelectAllItems(List());
        c.action == 'n' ? form->AddNewTx() : c.action == 'e' ? form->EditSelectedTx() : form->DeleteSelected();
        Settle();
        EXPECT_EQ(BoxTexts(), c.box.isEmpty() ? QStringList() : QStringList{c.box});
        EXPECT_EQ(boxes.value(0).buttons, c.buttons);
        EXPECT_EQ(std::make_tuple(form->Editor(), Sent(), Rows().Count()), std::make_tuple(nullptr, QStringList(), meter->Scenario().tx.size()));
    }
}

// A delete the meter refuses, the meter still there: the walk stops at
// once, with a message; the rows not deleted stay.
TEST_F(TxWindowTest, RefusedDeleteStopsTheWalk)
{
    Open(kFiveTx);
    // The meter deletes it, but its reply is lost: the list is read again.
    meter->Scenario().replyOverride = [this](const QString &command, QList<QByteArray> &reports) {
        reports = DemoMeter::FrameReply("ERROR\n", 65);
        if (command == "V,12")
            meter->Execute(command);
        return command == "V,12";
    };
    Select({0, 2, 4}); // BIG, K12, K5
    answers = {vb::Yes};
    form->DeleteSelected();
    Settle();
    meter->Scenario().replyOverride = nullptr;
    const QStringList deletes = Sent("^V");
    EXPECT_EQ(deletes.mid(0, 2), (QStringList{"V,5", "V,12"}));
    EXPECT_FALSE(deletes.contains("V,12345")); // the exchange's own retries only
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[1].prompt.startsWith("The Tx with station ID 12 may have been deleted")) << qPrintable(boxes[1].prompt);
    EXPECT_EQ(ListedIds(Rows()), (QStringList{"12345", "-3", "4"}));
    EXPECT_TRUE(gUsbHid->fDeviceConnected() && form->isVisible() && Button("cmdCancel")->isEnabled() && Button("cmdDelete")->isEnabled());
}

// Enter in the list opens the selected entry; in the editor Enter moves on,
// with a focus mark on the buttons; however the editor closes, the list is
// the active window again, even after a box took the activation.
TEST_F(TxWindowTest, KeyboardRoundTripBackToTheList)
{
    enum Way { Saved, CancelYes, EscapeYes, CloseBoxYes };
    struct Case { Qt::Key open; Qt::KeyboardModifiers keypad; Way way; };
    const Case cases[] = {{Qt::Key_Return, Qt::NoModifier, Saved}, {Qt::Key_Enter, Qt::KeypadModifier, CancelYes},
                          {Qt::Key_Return, Qt::NoModifier, EscapeYes}, {Qt::Key_Enter, Qt::KeypadModifier, CloseBoxYes}};
    QWidget boxStandIn; // the message box, as the window manager sees it
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "way " << c.way);
        Open("generate-tx 3");
        Activate(*form);
        QImage marked, unmarked;
        OnEditor([&](frmTxEdit &e) {
            Activate(e);
            ASSERT_EQ(QApplication::focusWidget(), Box(e, "txtCallSite"));
            for (int i = 0; i < 20 && QApplication::focusWidget() != Save(e); ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            ASSERT_EQ(QApplication::focusWidget(), Save(e));
            marked = Save(e)->grab().toImage();
            QTest::keyClick(Save(e), Qt::Key_Enter, Qt::KeypadModifier); // moves on, presses nothing
            ASSERT_TRUE(e.isVisible());
            ASSERT_EQ(QApplication::focusWidget(), Cancel(e));
            unmarked = Save(e)->grab().toImage();
            if (c.way == Saved)
                return Save(e)->click();
            Box(e, "txtFreq")->setText("990");
            answers = {vb::Yes};
            whileBoxOpen = [&] { boxStandIn.show(), Activate(boxStandIn), boxStandIn.hide(); };
            c.way == CancelYes ? Cancel(e)->click() : c.way == EscapeYes ? QTest::keyClick(&e, Qt::Key_Escape) : void(e.close());
        });
        QTest::keyClick(List(), c.open, c.keypad);
        Settle();
        QTest::qWait(20);
        whileBoxOpen = nullptr;
        EXPECT_TRUE(editorSeen);
        EXPECT_NE(marked, unmarked); // the focus shows
        EXPECT_EQ(form->Editor(), nullptr);
        // A window manager activates in its own time.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.data(); }, 3000));
        EXPECT_EQ(QApplication::focusWidget(), List());
        EXPECT_TRUE(Sent().isEmpty());
    }
}

// An add and an edit under each firmware; the older one's run under German
// settings, where the editor takes the regional decimal comma and still sends
// the meter's decimals (the list's cells: the CLI's cases).
TEST_F(TxWindowTest, AddAndEditSendTheFirmwaresLines)
{
    struct Case { const char *firmware; int fields; const char *seconds; };
    for (const Case c : {Case{"2.2.15", 7, "15,5"}, Case{"2.3.1", 8, "15.5"}}) {
        SCOPED_TRACE(c.firmware);
        std::optional<GermanNumbers> german;
        if (c.fields == 7)
            german.emplace();
        Open(QStringLiteral("firmware %1\ngenerate-tx 3").arg(c.firmware));
        const QString mod = c.fields == 8 ? ",\"DRM5\"" : "";
        EXPECT_EQ(Rows().columnCount(), c.fields);
        EXPECT_EQ(Rows().SortOrder(), 1);

        // Add: a new entry at 12 30' S, 880 kHz.
        InEditor(true, [&](frmTxEdit &e) {
            EXPECT_EQ(Named<QComboBox>(&e, "cboModulation")->isVisible(), !mod.isEmpty());
            EXPECT_EQ(Box(e, "txtCallSite")->text(), "--------");
            Box(e, "txtCallSite")->setText("NEW1"), Box(e, "txtFreq")->setText("880");
            Box(e, "txtLatitude0")->setText("12"), Box(e, "txtLatitude1")->setText("30");
            Arrow(e, "updLatitude", "cmdUp")->click(); // S, though a zero latitude still reads N
            EXPECT_EQ(Box(e, "txtLatitude3")->text(), "N");
            Named<QComboBox>(&e, "cboModulation")->setCurrentIndex(2);
            Save(e)->click();
        });
        EXPECT_EQ(Sent().value(0), "U,0,0,\"NEW1\",880,-12.500000,0.00000,0.00000" + mod);
        // Read back: the new row carries the id the meter gave it, and is selected.
        EXPECT_TRUE(Sent().contains("T,3,1"));
        ASSERT_EQ(Rows().Count(), 4);
        EXPECT_EQ(Rows().Text(RowOf(4), 0), "NEW1");
        EXPECT_EQ(SelectedRows(List()), QList<int>{RowOf(4)});
        EXPECT_EQ(Rows().SortOrder(), 0); // back from the editor: frequency, the other way round
        EXPECT_EQ(Named<QLabel>(form, "lblRecords")->text(), "Remaining free records:\n96 out of 100");

        // Edit: "Tx Edit" is for exactly one selected row; station 2 to 990 kHz
        // and 15.5 seconds more.
        for (const QList<int> &rows : {QList<int>{1, 3}, QList<int>{}, QList<int>{RowOf(2)}}) {
            Select(rows);
            EXPECT_EQ(Button("cmdEditTx")->isEnabled() + Named<QAction>(form, "mnuTxEdit")->isEnabled(), 2 * (rows.size() == 1));
        }
        sent = meter->Commands().size();
        InEditor(false, [&](frmTxEdit &e) {
            EXPECT_EQ(Box(e, "txtFreq")->text() + ' ' + Box(e, "txtLatitude2")->text(), "550 0.0");
            Box(e, "txtFreq")->setText("990"), Box(e, "txtLatitude2")->setText(c.seconds), Save(e)->click();
        });
        EXPECT_EQ(Sent(), QStringList{"X,2,2,\"TX0002\",990,30.204306,-70.20000,-8.00000" + mod});
        EXPECT_EQ(Rows().Text(0, 1), "  990"); // sorted anew, still selected
        EXPECT_EQ(SelectedRows(List()) << RowOf(2), (QList<int>{0, 0}));

        // Nothing changed: nothing sent.
        sent = meter->Commands().size();
        InEditor(false, [](frmTxEdit &e) { Save(e)->click(); });
        InEditor(true, [](frmTxEdit &e) { Cancel(e)->click(); });
        EXPECT_TRUE(Sent().isEmpty() && boxes.isEmpty()) << qPrintable(Sent().join(' ') + '|' + BoxTexts().join('|'));
    }
}

// Changes the meter does not take, or that do not fit one command: the user
// is told, and the list and the meter stay as they were. A change the meter
// makes but answers wrongly: the user hears that it may have been made, and
// the list is read again to show what the meter holds.
TEST_F(TxWindowTest, ChangesNotTakenOrNotUnderstood)
{
    const QString seven = "tx 5,1234,\"ABCDEFG\",1230,45.504306,-118.25000,-14.50000,\"DRM4.5\"\ngenerate-tx 2",
                  again = "\r\nThe list is read again from the ZT 6200.";
    struct Case { QString scenario; const char *title; QString inPrompt; bool add; qint32 station; int sends; int held; };
    const Case cases[] = {
        // The meter filled up after the list was read. An add is sent once.
        {seven, "Tx Not Added", "did not accept the new Tx.\r\nIt was not added.", true, 0, 1, 3},
        // The meter answers the replace with an error.
        {seven, "Tx Not Changed", "did not accept the changes to the Tx.\r\nThe Tx keeps its earlier values.", false, 2, 4, 3},
        // One more character makes this line 62 long.
        {seven, "Tx Line Too Long", "its line is 62 characters long, and at most 61 fit.", false, 1234, 0, 3},
        {"generate-tx 2\nchange-reply OK", "Tx Add Problem", "The new Tx may have been added: the ZT 6200's reply was not understood." + again,
         true, 2, 1, 3}, // never twice
        {"generate-tx 2\nchange-reply OK", "Tx Change Problem",
         "The Tx with station ID 2 may have been changed: the ZT 6200's reply was not understood." + again, false, 2, 4, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        Open(c.scenario);
        if (c.scenario == seven) { // full after the list was read; changes answered with an error
            meter->Scenario().txCapacity = 3;
            meter->Scenario().replyOverride = [](const QString &command, QList<QByteArray> &reports) {
                reports = DemoMeter::FrameReply("ERROR\n", 65);
                return command.startsWith("X,");
            };
        }
        auto cells = [this] { // sorted: returning from the editor sorts the list anew
            QStringList all;
            for (int i = 0; i < Rows().Count(); ++i)
                all << Rows().Row(i).cells.join('|');
            return all.sort(), all;
        };
        const QStringList before = cells();
        Select({RowOf(c.station)});
        const bool tooLong = c.sends == 0, understood = !c.inPrompt.endsWith(again);
        InEditor(c.add, [&](frmTxEdit &e) {
            Box(e, "txtCallSite")->setText("ABCDEFGH"), Save(e)->click();
            if (!tooLong)
                return;
            // Still open with what the user typed, in the call sign to shorten it.
            EXPECT_EQ(std::make_tuple(e.isVisible(), Box(e, "txtCallSite")->text(), e.focusWidget() == Box(e, "txtCallSite")),
                      std::make_tuple(true, QString("ABCDEFGH"), true));
            answers = {vb::Yes};
            Cancel(e)->click(); // "Tx Has Changed": Yes
        });
        ASSERT_EQ(boxes.size(), tooLong ? 2 : 1);
        EXPECT_EQ(boxes[0].title, c.title);
        EXPECT_TRUE(understood ? boxes[0].prompt.contains(c.inPrompt) : boxes[0].prompt == c.inPrompt) << qPrintable(boxes[0].prompt);
        EXPECT_EQ(std::make_pair(Sent("^[UX],").size(), meter->Scenario().tx.size()), std::make_pair(qsizetype(c.sends), qsizetype(c.held)));
        ASSERT_TRUE(form->isVisible());
        if (understood)
            EXPECT_EQ(cells(), before);
        else
            EXPECT_TRUE(cells().join('\n').contains("ABCDEFGH")) << qPrintable(cells().join(' '));
        EXPECT_EQ(ListedAndHeld().first, ListedAndHeld().second);
    }
}

TEST_F(TxWindowTest, EditorChecksOnLeavingAField)
{
    Open("generate-tx 2");
    Select({0});
    QList<QWidget *> focusDuringBox;
    InEditor(false, [&](frmTxEdit &e) {
        Activate(e);
        Box(e, "txtFreq")->setFocus();
        QTest::qWait(10);
        ASSERT_EQ(QApplication::focusWidget(), Box(e, "txtFreq"));

        // Leaving a bad field: one message, the focus back in the field with
        // its text selected. The box takes the focus while it is open, as a
        // real one does; that must not run the check again.
        whileBoxOpen = [&] {
            QLineEdit other;
            other.show(), Activate(other), other.setFocus(), QTest::qWait(10);
            focusDuringBox << QApplication::focusWidget();
        };
        Box(e, "txtFreq")->setText(" 12.5 ");
        Box(e, "txtLatitude0")->setFocus();
        QTest::qWait(50);
        EXPECT_EQ(BoxTexts(), QStringList{"Illegal Value|Frequency cannot have decimal points or commas."});
        Activate(e);
        EXPECT_EQ(std::make_tuple(QApplication::focusWidget() == Box(e, "txtFreq"), Box(e, "txtFreq")->text(), Box(e, "txtFreq")->selectedText()),
                  std::make_tuple(true, QString("12.5"), QString("12.5")));
        whileBoxOpen = nullptr;

        // Enter moves on like Tab, when the value passes; a bad box gives
        // its message, and the focus stays.
        struct Step { QLineEdit *box; const char *typed; QLineEdit *next; qsizetype boxes; };
        for (const Step &s : {Step{Box(e, "txtFreq"), "1230", Box(e, "txtLatitude0"), 1}, Step{Box(e, "txtLatitude0"), "91", Box(e, "txtLatitude0"), 2},
                              Step{Box(e, "txtLatitude0"), "45", Box(e, "txtLatitude1"), 2}, Step{Box(e, "txtCallSite"), "ab.c", Box(e, "txtCallSite"), 3},
                              Step{Box(e, "txtCallSite"), "AB-1", Box(e, "txtFreq"), 3}}) {
            s.box->setFocus(), s.box->setText(s.typed);
            QTest::keyClick(s.box, Qt::Key_Return);
            QTest::qWait(20);
            // A real box gives the window back from the event loop.
            (void)QTest::qWaitFor([&] { return QApplication::focusWidget() == s.next; }, 1000);
            EXPECT_EQ(QApplication::focusWidget(), s.next) << s.typed;
            EXPECT_EQ(boxes.size(), s.boxes) << s.typed;
        }
        EXPECT_EQ(BoxTexts().mid(1, 2), (QStringList{"Illegal Value|Degrees must be between 0 and 90", kCallSiteBox}));

        // The up-down wraps around between the two letters.
        QString letters = Box(e, "txtLongitude3")->text();
        for (QToolButton *b : {Arrow(e, "updLongitude", "cmdUp"), Arrow(e, "updLongitude", "cmdUp"), Arrow(e, "updLongitude", "cmdDown")})
            b->click(), letters += Box(e, "txtLongitude3")->text();
        EXPECT_EQ(letters, "WEWE");

        answers = {vb::Yes}; // "Tx Has Changed"
        Cancel(e)->click();
    });
    EXPECT_FALSE(focusDuringBox.contains(nullptr));
    EXPECT_EQ(boxes.size(), 4);
    EXPECT_TRUE(Sent().isEmpty());
}

// The meter unplugged while the list, the editor or a message box is open:
// everything closes, nothing is sent, nothing acts on a closed window.
TEST_F(TxWindowTest, UnpluggedWhileOpen)
{
    // With the editor open on station -3 or a new entry, or the list alone.
    struct Case { const char *what; bool add; std::function<void(frmTxEdit &)> inEditor; QStringList boxes; };
    const Case cases[] = {
        {"list", false, nullptr, {}},
        {"editor", false, [this](frmTxEdit &e) { // InEditor returns once a timer has closed it
             Box(e, "txtFreq")->setText("990"), Arrow(e, "updLatitude", "cmdUp")->click(); // already in the entry
             Unplug(meter);
         }, {}},
        {"save before the timers noticed", true, [this](frmTxEdit &e) { Box(e, "txtFreq")->setText("990"), Unplug(meter), Save(e)->click(); },
         {"ZT 6200 Communication Problem|" + kAbsent}},
        {"editor message", false, [this](frmTxEdit &e) {
             whileBoxOpen = [this] { Unplug(meter), QTest::qWait(700); }; // past the 500 ms timers
             Box(e, "txtFreq")->setFocus(), Box(e, "txtFreq")->setText("abc");
             Save(e)->click(); // checks the box with the focus: its message comes next
         }, {"Illegal Value|Frequency cannot have letters."}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Open(kFiveTx);
        Select({1});
        if (c.inEditor) {
            InEditor(c.add, c.inEditor);
        } else {
            QTest::qWait(600);
            EXPECT_TRUE(form->isVisible()); // the timer runs, but the meter is there
            Unplug(meter);
        }
        QTest::qWait(700);
        EXPECT_EQ(std::make_tuple(form->Editor(), form->fClosing(), form->isVisible(), Rows().Count()), std::make_tuple(nullptr, true, false, 5));
        EXPECT_EQ(BoxTexts(), c.boxes);
        EXPECT_TRUE(Sent().isEmpty());
    }
}

// "Cancel" and the close box leave a field without its check, and "No"
// keeps its text: "Save" then gives that field's message, with the focus in
// it, and sends nothing until the field passes.
TEST_F(TxWindowTest, SaveChecksWhatCancelSkipped)
{
    enum Way { Mouse, Keys, Escape, CloseBox };
    struct Case { const char *field; const char *typed; const char *good; Way cancel; Way save; QString box; };
    const QString illegal = QStringLiteral("Illegal Value|");
    const Case cases[] = {
        {"txtCallSite", "ab.c", "AB-C", Keys, Keys, kCallSiteBox}, {"txtCallSite", "", "X", Mouse, Mouse, kCallSiteBox},
        {"txtFreq", "10000", "999", Mouse, Mouse, illegal + "Frequency must be less than or equal to 9999 kHz."},
        {"txtFreq", "-5", "0", Mouse, Keys, illegal + "Frequency must be greater than or equal to 0 kHz."},
        {"txtFreq", "12a", "12", CloseBox, Mouse, illegal + "Frequency cannot have letters."},
        {"txtLatitude0", "91", "45", Mouse, Mouse, illegal + "Degrees must be between 0 and 90"},
        {"txtLatitude1", "60", "59", Escape, Mouse, illegal + "Minutes must be between 0 and 59"},
        {"txtLatitude2", "59.95", "59.9", Mouse, Keys, illegal + "Seconds must be between 0 and 59.9"},
        {"txtLatitude3", "X", "S", Mouse, Mouse, illegal + "The hemisphere must be either N or S"},
        {"txtLongitude0", "181", "179", Mouse, Mouse, illegal + "Degrees must be between 0 and 180"},
        {"txtLatitude0", "90", "89", Mouse, Mouse, illegal + "Degrees must be between 0 and 90"}, // 90° 06': past the pole
        {"txtVariation0", "181", "2", CloseBox, Mouse, illegal + "Degrees must be between 0 and 180"},
        {"txtVariation3", "N", "E", Mouse, Mouse, illegal + "The hemisphere must be either E or W"},
    };
    const QString changed = QStringLiteral("Tx Has Changed|The Tx information has changed.\r\nAre you sure you want to lose these changes?");
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " '" << c.typed << "' cancel " << c.cancel << " save " << c.save);
        Open("generate-tx 2");
        Select({0});
        InEditor(false, [&](frmTxEdit &e) {
            Activate(e);
            QLineEdit *field = Box(e, c.field);
            QPushButton *save = Save(e), *cancel = Cancel(e);
            // By the keys: back with Shift+Tab from `from` (the first field, or
            // "Cancel") to the button, and Space.
            auto press = [&](QPushButton *button, QWidget *from, Way way) {
                if (way == Keys) {
                    QTest::keyClick(from, Qt::Key_Tab, Qt::ShiftModifier);
                    ASSERT_EQ(QApplication::focusWidget(), button);
                    QTest::keyClick(button, Qt::Key_Space);
                } else if (way == Mouse) {
                    QTest::mouseClick(button, Qt::LeftButton);
                } else {
                    way == Escape ? QTest::keyClick(from, Qt::Key_Escape) : void(e.close());
                }
            };
            field->setFocus();
            QTest::qWait(10);
            field->setText(QString::fromUtf8(c.typed));
            Named<QComboBox>(&e, "cboModulation")->setCurrentIndex(3); // a change that passes, so "Cancel" asks
            answers = {vb::No};
            press(cancel, field, c.cancel);
            QTest::qWait(20);
            ASSERT_TRUE(e.isVisible());
            ASSERT_EQ(BoxTexts(), QStringList{changed});
            EXPECT_EQ(boxes[0].buttons, vb::YesNo | vb::DefaultButton2);
            press(save, cancel, c.save);
            QTest::qWait(50);
            EXPECT_TRUE(e.isVisible() && Sent().isEmpty());
            EXPECT_EQ(BoxTexts(), (QStringList{changed, c.box}));
            Activate(e);
            EXPECT_EQ(QApplication::focusWidget(), field);
            EXPECT_EQ(field->selectedText(), field->text());
            // Put right, the field passes and the entry goes out once.
            field->setText(QLatin1String(c.good));
            QTest::mouseClick(save, Qt::LeftButton);
        });
        EXPECT_EQ(boxes.size(), 2);
        EXPECT_EQ(Sent().filter(QRegularExpression("^[UXV],")).size(), 1) << qPrintable(Sent().join(' '));
    }
}

// "Import Tx from .csv File…": asked first with what it would do, then
// the entries the meter lacked are added and the list shows the meter's table.
TEST_F(TxWindowTest, ImportAsksThenAddsWhatTheMeterLacks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tx.csv"));
    ASSERT_TRUE(WriteFile(path, "\"Dir ID\",\"Station ID\",\"Call Sign\",\"Frequency (kHz)\",\"Latitude\",\"Longitude\",\"Variation\",\"Modulation\"\r\n"
                                "1,12,\"K12\",700,1.000000,2.00000,3.00000,\"AM\"\r\n"
                                "2,7,\"KNEW\",1010,45.5,-118.25,-14.5,\"DRM5\"\r\n"
                                "3,8,\"BAD!\",1010,45.5,-118.25,-14.5,\"AM\"\r\n"));
    const FileDialogHandler old = SetFileDialogHandler([&](const FileDialogRequest &r) {
        EXPECT_FALSE(r.save);
        return FileDialogAnswer{path, r.filters.value(0)};
    });
    const QString differs = QString(kFiveTx).replace("\"K12\",700,1,2,3", "\"K12\",700,1,2,4");
    struct Case { const char *name; QString scenario; QList<int> answers; QStringList sent; QStringList titles; QString after; };
    const Case cases[] = {
        {"declined by default", kFiveTx, {}, {}, {"Import Tx?"}, ""},
        {"accepted", kFiveTx, {vb::Yes}, {"U,0,0,\"KNEW\",1010,45.500000,-118.25000,-14.50000,\"DRM5\""},
         {"Import Tx?", "Import Tx"}, "added 1, already present 1, refused 1, not added for lack of room 0"},
        {"no room", kFiveTx + "tx-capacity 5\n", {}, {}, {"Import Tx"}, "refused 1, not added for lack of room 1"},
        // K12 held with another variation: kept unless the user asks for the file's values.
        {"differs, kept", differs, {vb::No, vb::Yes}, {"U,0,0,\"KNEW\",1010,45.500000,-118.25000,-14.50000,\"DRM5\""},
         {"Tx Differs", "Import Tx?", "Import Tx"}, "differing 1"},
        {"differs, replaced", differs, {vb::Yes, vb::Yes},
         {"X,1,12,\"K12\",700,1.000000,2.00000,3.00000,\"AM\"", "U,0,0,\"KNEW\",1010,45.500000,-118.25000,-14.50000,\"DRM5\""},
         {"Tx Differs", "Import Tx?", "Import Tx"}, "replaced 1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.scenario);
        const QStringList before = ListedIds(Rows());
        answers = c.answers;
        form->ImportTx();
        Settle();
        QTest::qWait(10);
        Settle();
        EXPECT_EQ(Titles(boxes), c.titles);
        EXPECT_EQ(Sent().filter(QRegularExpression("^[UXVEF],")), c.sent);
        if (!c.titles.isEmpty())
            EXPECT_TRUE(boxes.constLast().prompt.contains(c.after)) << qPrintable(boxes.constLast().prompt);
        if (c.titles.value(0) == "Tx Differs")
            EXPECT_TRUE(boxes.constFirst().prompt.contains("Line 2: differs: K12 variation 4.0 in the meter, 3.0 in the file"))
                << qPrintable(boxes.constFirst().prompt);
        if (c.sent.isEmpty())
            EXPECT_EQ(ListedIds(Rows()), before);
        else // read back from the meter: the new row with the ids it gave it, selected
            EXPECT_TRUE(Rows().Count() == before.size() + 1 && SelectedIds().size() == 1 && !before.contains(SelectedIds().at(0)))
                << qPrintable(SelectedIds().join(' '));
    }
    SetFileDialogHandler(old);
}
