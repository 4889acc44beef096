// SPDX-License-Identifier: GPL-3.0-or-later
// The two list windows against the demo meter: what reaches the meter when
// rows are deleted, stopping a delete walk, the keys, the columns, the
// saved-data window's menu and button states, and closing on unplug.
#include "TestSupportGui.h"
#include "app/modDownload.h"
#include "app/modListWindowsGui.h"
#include "common/clsOperation.h"
#include "listview/modLVSort.h"

#include <QtWidgets>

namespace {

// A 31-field saved record measured on day `day` of November.
QString Line(const QString &recId, int day)
{
    const QString utc = QString("%1-Nov-2026 08:30:00").arg(day, 2, 10, QChar('0'));
    return "1," + recId + ",3,1,\"KDCV\",1230,1230,2,\"ND\",\"JS\",\"R2 P3\",3," + utc + "," + utc +
           ",1,\"Loop\",TRUE,45.512345,-118.201234,356,61.2,\"dBuV\",1.148,\"mV/m\",1.148,61.20,2.50,23.0,4.5,TRUE,\"AM\"";
}
// Records with Rec IDs 1..n, listed by date in that order.
QStringList ByDate(int n)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << Line(QString::number(i), i);
    return lines;
}

// Both windows over what their delete walks are tried on: six saved records
// (rows 1, 2, 4 and 6 deleted as F,6 F,4 F,2 F,1) or five Tx entries (BIG,
// K12 and K5 deleted as V,5 V,12 V,12345).
template <class Form>
class ListWindows : public ListWindowTest<Form>
{
protected:
    static constexpr bool kTx = ListWindowTest<Form>::kTx;
    void OpenWalk() { kTx ? this->Open(kFiveTx) : this->Open("saved-capacity 100", ByDate(6)); }
    const QList<int> walkRows = kTx ? QList<int>{0, 2, 4} : QList<int>{0, 1, 3, 5};
    const QStringList walkIds = kTx ? QStringList{"12345", "12", "5"} : QStringList{"1", "2", "4", "6"};
    const QStringList walkSent = kTx ? QStringList{"V,5", "V,12", "V,12345"} : QStringList{"F,6", "F,4", "F,2", "F,1"};
    const char *deletes = kTx ? "^V," : "^F,";
    const int freeBefore = kTx ? 95 : 94;
};
using Forms = ::testing::Types<frmDeleteData, frmTx>;
TYPED_TEST_SUITE(ListWindows, Forms);

using SavedDataTest = ListWindowTest<frmDeleteData>;
const QString kDeleteTitle = "ZT 6200 Delete Problem";

} // namespace

// What each column shows and how it sorts: heading, alignment (heading and
// cells), comparison kind and the direction of the first click on it.
TYPED_TEST(ListWindows, Columns)
{
    const int L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight, asc = 0, desc = 1;
    const QList<ColumnWant> saved = {
        {"Date", L, lvsort::Date, asc}, // sorted so by the first showing
        {"Time", C, lvsort::Time, desc},
        {"Point Number", C, lvsort::Number, desc},
        {"Latitude", R, lvsort::Number, desc},
        {"Longitude", R, lvsort::Number, desc},
        {"Latitude DMS", R, lvsort::PaddedText, desc},
        {"Longitude DMS", R, lvsort::PaddedText, desc},
        {"Tx Distance (km)", R, lvsort::Number, desc},
        {"Azimuth", R, lvsort::Number, desc},
        {"mV/m", R, lvsort::Number, desc},
        {"dBuV", R, lvsort::Number, desc},
        {"Measurement Frequency (kHz)", R, lvsort::Number, desc},
        {"Pattern", L, lvsort::Text, desc},
        {"Initials", L, lvsort::Text, desc},
        {"Note", L, lvsort::Text, desc},
    };
    const QList<ColumnWant> tx = {
        {"Call Sign", L, lvsort::Text, desc},
        {"Frequency", R, lvsort::Number, desc}, // sorted so by the first showing (firmware 2.3: with the modulation)
        {"Latitude", R, lvsort::Number, asc},
        {"Longitude", R, lvsort::Number, desc},
        {"Variation", R, lvsort::Number, desc},
        {"Latitude DMS", R, lvsort::PaddedText, desc},
        {"Longitude DMS", R, lvsort::PaddedText, desc},
        {"Modulation", L, lvsort::Text, desc},
    };
    this->OpenWalk();
    EXPECT_EQ(SelectedRows(this->List()), QList<int>{0});
    EXPECT_EQ(Named<QLabel>(this->form, "lblRecords")->text(), this->Remaining(this->freeBefore));
    const int sortedBy = this->kTx ? 1 : 0;
    EXPECT_EQ(this->Rows().SortColumn() * 10 + this->Rows().SortOrder(), this->kTx ? 10 + desc : asc);
    ExpectColumns(this->Rows(), this->List()->header(), this->kTx ? tx : saved, sortedBy);
}

// Delete as the "Delete" button (with its question), Escape as "Cancel":
// it closes the window once nothing is being deleted (while rows are being
// deleted it stops the deleting: the walk below).
TYPED_TEST(ListWindows, DeleteAndEscapeKeys)
{
    this->OpenWalk();
    this->Select({1});
    this->answers = {vb::No, vb::Yes};
    // With the text X gives the key, which the list alone would take for a search.
    QTest::sendKeyEvent(QTest::Click, this->List(), Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    EXPECT_EQ(Titles(this->boxes), QStringList{"Delete Records?"});
    EXPECT_TRUE(this->Sent(this->deletes).isEmpty());
    QTest::keyClick(this->Button("cmdSelectAll"), Qt::Key_Delete);
    Settle();
    EXPECT_EQ(this->Sent(this->deletes).size(), 1);
    EXPECT_TRUE(this->form->isVisible());
    QTest::keyClick(this->List(), Qt::Key_Escape);
    EXPECT_FALSE(this->form->isVisible());
}

// A delete walk goes bottom up, each row by its full id. Stopped mid-walk
// at the k-th delete: the list still matches the meter, the rows not
// deleted stay selected, and no error box. The meter unplugged while the
// question is open: nothing is sent, and the window closes.
TYPED_TEST(ListWindows, DeleteWalkAndStoppingItMidWay)
{
    enum Way { CancelButton, EscapeKey, CloseBox, Unplugged, UnpluggedWhileAsking };
    const int n = int(this->walkRows.size());
    struct Case { const char *name; Way way; int at; int deletes; bool open; QStringList titles; } cases[] = {
        {"not stopped", CancelButton, n + 1, n, true, {}},
        {"Cancel at delete 1", CancelButton, 1, 1, true, {}},
        {"Escape at delete 1", EscapeKey, 1, 1, true, {}},
        {"Cancel at the one before the last", CancelButton, n - 1, n - 1, true, {}},
        {"Cancel at the last delete: the walk had ended", CancelButton, n, n, true, {}},
        {"close box at delete 2", CloseBox, 2, 2, false, {}},
        {"meter gone at delete 2, before it deleted", Unplugged, 2, 1, false, {"ZT 6200 Communication Problem"}},
        {"meter gone while asking", UnpluggedWhileAsking, 0, 0, false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        this->OpenWalk();
        this->Select(this->walkRows);
        const qsizetype held = this->Store().size();
        int deletes = 0;
        bool shownWhileDeleting = true;
        this->meter->Scenario().replyOverride = [&](const QString &cmd, QList<QByteArray> &reports) {
            if (!QRegularExpression(this->deletes).match(cmd).hasMatch() || ++deletes != c.at)
                return false;
            if (c.way == CancelButton)
                AsTheUser([&] { this->Button("cmdCancel")->click(); });
            else if (c.way == EscapeKey) // in the list, and on a button
                AsTheUser([&] { QTest::keyClick(this->List(), Qt::Key_Escape), QTest::keyClick(this->Button("cmdSelectAll"), Qt::Key_Escape); });
            else if (c.way == CloseBox) // shown until the delete under way ends
                AsTheUser([&] { this->form->close(), shownWhileDeleting = this->form->isVisible(); });
            else
                this->platform.Plug(this->meter, false), reports.clear();
            return c.way == Unplugged;
        };
        // A window message run inside the window's handling of a step (not
        // between steps) would show as a timer firing before the step's
        // Progress reached the test.
        int progress = 0, removals = 0;
        bool nested = false;
        QObject::connect(&this->Rows(), &QAbstractItemModel::rowsAboutToBeRemoved, this->form, [&] {
            const int at = ++removals;
            QTimer::singleShot(0, this->form, [&, at] { nested = nested || progress < at; });
        });
        if (c.way == UnpluggedWhileAsking)
            this->whileBoxOpen = [this] { this->Unplug(this->meter), this->form->timDisconnect_Timer(); };
        this->answers = {vb::Yes};
        this->Button("cmdDelete")->click();
        ASSERT_EQ(this->form->Running() != nullptr, c.at > 0);
        if (c.at > 0) {
            QObject::connect(this->form->Running(), &clsOperation::Progress, [&](int done) { progress = done; });
            EXPECT_TRUE(this->Button("cmdCancel")->isEnabled() && !this->Button("cmdDelete")->isEnabled() &&
                        !this->Button(this->kTx ? "cmdEditTx" : "cmdSelectAll")->isEnabled());
        }
        Settle();
        this->meter->Scenario().replyOverride = nullptr;
        QTest::qWait(20);

        EXPECT_FALSE(nested);
        EXPECT_TRUE(shownWhileDeleting);
        EXPECT_EQ(this->Sent(c.at ? this->deletes : ""), this->walkSent.mid(0, c.at));
        const auto [listed, now] = this->ListedAndHeld();
        EXPECT_EQ(listed, now);
        EXPECT_EQ(now.size(), held - c.deletes);
        EXPECT_EQ(Titles(this->boxes), QStringList{"Delete Records?"} + c.titles);
        EXPECT_EQ(this->form->isVisible(), c.open);
        if (!c.open)
            continue;
        EXPECT_EQ(this->SelectedIds(), this->walkIds.mid(0, n - c.deletes));
        EXPECT_TRUE(this->Button("cmdCancel")->isEnabled() && this->Button("cmdDelete")->isEnabled());
        EXPECT_EQ(Named<QLabel>(this->form, "lblRecords")->text(), this->Remaining(this->freeBefore + c.deletes));
    }
}

TEST_F(SavedDataTest, DeletesWhatIsSelectedByItsFullRecId)
{
    QStringList six; // listed by date as Rec IDs 2,4,1,6,5,3
    for (auto [id, day] : {std::pair{1, 3}, {2, 1}, {3, 6}, {4, 2}, {5, 5}, {6, 4}})
        six << Line(QString::number(id), day);
    const QStringList three = ByDate(3);
    const QList<int> all = {-1};
    struct Case {
        const char *name;
        QStringList lines;
        QList<int> select;        // rows in list order; {-1}: "Select All"
        int answer, refuseErases; // the question's answer; "E" commands the meter refuses
        QStringList deletes;      // "F" commands, in order
        int erases;               // "E" commands; -1: retried, but only a few times
        QString left;             // Rec IDs still listed (none kept: blank)
        QStringList titles;       // boxes after the question
        const char *lost = "";    // a command the meter carries out, its reply lost
    } cases[] = {
        {"rows 2 and 5 of 6, last first", six, {1, 4}, vb::Yes, 0, {"F,5", "F,4"}, 0, "2,1,6,3", {}},
        {"answered No", six, {1, 4}, vb::No, 0, {}, 0, "2,4,1,6,5,3", {}},
        {"Rec ID 7", {Line("7", 1), Line("8", 2)}, {0}, vb::Yes, 0, {"F,7"}, 0, "8", {}},
        {"Rec ID beyond four digits", {Line("2345", 1), Line("12345", 2)}, {1}, vb::Yes, 0, {"F,12345"}, 0, "2345", {}},
        {"every row: one erase", three, all, vb::Yes, 0, {}, 1, "", {}},
        {"erase accepted when tried again", three, all, vb::Yes, 4, {}, 5, "", {}},
        {"erase refused: rows kept", three, all, vb::Yes, 1000, {}, -1, "1,2,3", {kDeleteTitle}},
        // Carried out, but not confirmed: the list is read again and shows what the meter holds.
        {"delete without its reply", six, {1, 4}, vb::Yes, 0, {"F,5", "F,5", "F,5", "F,5"}, 0, "2,4,1,6,3", {kDeleteTitle}, "F,5"},
        {"erase without its reply", three, all, vb::Yes, 0, {}, -1, "", {kDeleteTitle}, "E"},
        {"a record too short to list: no erase", {Line("1", 1), Line("2", 2), "1,9,3"}, all, vb::Yes, 0,
         {"F,2", "F,1"}, 0, "", {}},
        {"Rec ID not a number: refused", {Line("x7", 1), Line("5", 2), Line("6", 3)}, {0, 1}, vb::Yes, 0, {"F,5"}, 0,
         ",6", {kDeleteTitle}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Open("saved-capacity 100", c.lines);
        int refuse = c.refuseErases;
        DemoMeter *const m = meter;
        meter->Scenario().replyOverride = [&refuse, &c, m](const QString &cmd, QList<QByteArray> &reports) {
            reports = DemoMeter::FrameReply("ERROR\n", 65);
            if (cmd == QLatin1String(c.lost))
                return m->Execute(cmd), true;
            return cmd == "E" && refuse-- > 0;
        };
        c.select == all ? Button("cmdSelectAll")->click() : SelectRows(List(), c.select);
        answers = {c.answer};
        Button("cmdDelete")->click();
        Settle(20000);
        meter->Scenario().replyOverride = nullptr;

        ASSERT_FALSE(boxes.isEmpty());
        const qsizetype going = c.select == all ? c.lines.size() - c.lines.filter(QRegularExpression("^1,9,")).size() : c.select.size();
        EXPECT_EQ(BoxTexts().value(0), "Delete Records?|Are you sure that you want to delete these records? \r\n(No undo possible)\r\n\r\n" +
                                           (going == 1 ? QString("1 record will be deleted.") : QString("%1 records will be deleted.").arg(going)));
        EXPECT_EQ(boxes[0].buttons, vb::YesNo | vb::Exclamation | vb::DefaultButton2);
        EXPECT_EQ(Titles(boxes).mid(1), c.titles);
        EXPECT_EQ(Sent("^F"), c.deletes);
        const qsizetype erases = Sent("^E$").size();
        EXPECT_TRUE(c.erases >= 0 ? erases == c.erases : erases > 1 && erases <= 12) << erases;
        EXPECT_EQ(ListedIds(Rows()).join(','), c.left);
        EXPECT_EQ(Named<QLabel>(form, "lblRecords")->text(), Remaining(100 - int(meter->Scenario().saved.size())));
        EXPECT_TRUE(Button("cmdCancel")->isEnabled());
        EXPECT_EQ(Button("cmdDelete")->isEnabled(), !meter->Scenario().saved.isEmpty());
    }
}

TEST_F(SavedDataTest, MenuAndButtonStates)
{
    Open("saved-capacity 100", ByDate(3));
    EXPECT_EQ(SelectedRows(List()), QList<int>{0});
    QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(List()).size(), 3);
    const QPoint row2 = List()->visualRect(Rows().index(1, 0)).center();
    const QPoint below(5, List()->visualRect(Rows().index(2, 0)).bottom() + 20);
    struct Case { const char *name; Qt::MouseButton button; QPoint at; int row; bool menu; } cases[] = {
        {"right button on row 2", Qt::RightButton, row2, 2, true},
        {"right button below the last row", Qt::RightButton, below, 0, true},
        {"left button on row 2", Qt::LeftButton, row2, 2, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(List()->viewport(), c.button, {}, c.at);
        EXPECT_EQ(Named<QMenu>(form, "mnuSavedData")->isVisible(), c.menu);
        EXPECT_EQ(form->wMouseRow(), c.row);
        EXPECT_EQ(form->wPendingButton(), 0);
        EXPECT_EQ(Named<QAction>(form, "mnuSavedDataDelete")->isEnabled(), c.row != 0); // "Delete Data" only over a row
        EXPECT_TRUE(Named<QAction>(form, "mnuSavedDataSelectAll")->isEnabled());
        Named<QMenu>(form, "mnuSavedData")->hide();
    }

    Open("saved-capacity 100"); // nothing to select or delete
    EXPECT_FALSE(Button("cmdSelectAll")->isEnabled() || Button("cmdDelete")->isEnabled());
    form->DeleteSelected();
    EXPECT_TRUE(boxes.isEmpty());
}

// Rows that compare equal keep the order the meter sent them in, also in
// runs longer than a sort does by simple insertion (16).
TEST_F(SavedDataTest, EqualRowsKeepTheirOrder)
{
    QStringList lines, day1, day2;
    for (int id = 1; id <= 30; ++id) {
        lines << Line(QString::number(id), id % 5 == 0 ? 2 : 1);
        (id % 5 == 0 ? day2 : day1) << QString::number(id);
    }
    Open("saved-capacity 100", lines);
    EXPECT_EQ(ListedIds(Rows()), day1 + day2); // by date, ascending
    emit List()->header()->sectionClicked(1); // every time equal: as it was
    EXPECT_EQ(ListedIds(Rows()), day1 + day2);
    emit List()->header()->sectionClicked(0);
    emit List()->header()->sectionClicked(0); // by date, the other way round
    EXPECT_EQ(ListedIds(Rows()), day2 + day1);
}

// A cell too narrow for its text shows all of it as a tooltip.
TEST_F(SavedDataTest, CutCellsShowTheirTextAsTooltip)
{
    const QString note = "Behind the church, 20 m from the road";
    Open("saved-capacity 100", {Line("1", 1).replace("\"R2 P3\"", '"' + note + '"')});
    const QModelIndex cut = Rows().index(0, 14);
    EXPECT_EQ(CutCellText(List(), cut), note);
    EXPECT_EQ(CutCellText(List(), Rows().index(0, 13)), QString());
    const QPoint at = List()->visualRect(cut).center();
    QHelpEvent hover(QEvent::ToolTip, at, List()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(List()->viewport(), &hover);
    EXPECT_TRUE(QToolTip::text().contains(note));
    List()->setColumnWidth(14, 1000); // widened: nothing cut, no tooltip
    EXPECT_EQ(CutCellText(List(), cut), QString());
    QToolTip::hideText();
}

// Through the download: the window is shown modally and closes by itself
// once the meter is unplugged.
TEST_F(SavedDataTest, ClosesWhenTheMeterIsUnplugged)
{
    RegisterListWindows();
    meter = ReplaceMeter(DemoMeter::BuiltIn());
    QPointer<frmDeleteData> shown;
    int rows = 0;
    QElapsedTimer unplugged;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto *f = qobject_cast<frmDeleteData *>(QApplication::activeModalWidget());
        if (f && !shown) {
            shown = f, rows = f->Rows()->Count();
            Unplug(meter);
            unplugged.start();
        } else if (shown && unplugged.elapsed() > 5000) {
            shown->close(); // never hang the test run
        }
    });
    user.start(10);
    bool save = false, fill = true;
    DownloadUi ui;
    GetAllData(ui, 0, save, fill);
    EXPECT_EQ(rows, 36);
    EXPECT_LT(unplugged.elapsed(), 1500);
    EXPECT_TRUE(shown.isNull()); // gone with the download
}

// The count of free records the list reads when it opens waits on the link
// thread: a meter silent there (a 1 s time-out) leaves the window answering.
TEST_F(SavedDataTest, OpensWhileTheCountIsNotAnswered)
{
    meter = ReplaceMeter("saved-capacity 100");
    meter->Scenario().timeScale = 0.25;
    meter->Scenario().stallAfterReports = meter->InputReportsSent();
    sent = meter->Commands().size();
    WindowPace pace;
    pace.Start();
    form = new frmDeleteData(main);
    form->show();
    EXPECT_TRUE(OperationRunning()) << "the count is read";
    EXPECT_FALSE(Button("cmdSelectAll")->isEnabled());
    Settle();
    EXPECT_LT(pace.Stop(), 100) << "ms the window thread was busy at once while the count was not answered";
    EXPECT_EQ(Sent(), QStringList{"C"});
}
