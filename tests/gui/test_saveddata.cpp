// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-data window against the demo meter: what reaches the meter when
// rows are deleted, the menu and button states, and closing on unplug.
#include "TestSupport.h"
#include "app/modDownload.h"
#include "app/modListWindowsGui.h"
#include "common/clsOperation.h"
#include "listview/clsListModel.h"
#include "listview/modLV.h"
#include "listview/modLVSort.h"
#include "saveddata/frmDeleteData.h"

#include <QTest>
#include <QtWidgets>

namespace {

// A 31-field saved record measured on day `day` of November.
QString Line(const QString &recId, int day)
{
    const QString utc = QString("%1-Nov-2026 08:30:00").arg(day, 2, 10, QChar('0'));
    return "1," + recId + ",3,1,\"KDCV\",1230,1230,2,\"ND\",\"JS\",\"R2 P3\",3," + utc + "," + utc +
           ",1,\"Loop\",TRUE,45.512345,-118.201234,356,61.2,\"dBuV\",1.148,\"mV/m\",1.148,61.20,2.50,23.0,4.5,TRUE,\"AM\"";
}

class SavedDataTest : public MeterTest
{
protected:
    // A meter of capacity 100 holding `lines`, and the window shown with them.
    void Open(const QStringList &lines)
    {
        form.reset();
        meter = ReplaceMeter("saved-capacity 100");
        meter->Scenario().saved = lines;
        form = std::make_unique<frmDeleteData>();
        for (const QString &line : lines)
            form->lsvDataAdd(line);
        form->show();
        Settle(); // the count
        boxes.clear();
        sent = meter->Commands().size();
    }
    // Runs the message loop until the window's delete walk has ended.
    static void Settle() { EXPECT_TRUE(QTest::qWaitFor([] { return !OperationRunning(); }, 20000)); }
    QStringList Sent(const char *pattern) const { return meter->Commands().mid(sent).filter(QRegularExpression(pattern)); }
    QStringList Titles() const
    {
        QStringList t;
        for (const ShownBox &b : boxes)
            t << b.title;
        return t;
    }

    DemoMeter *meter = nullptr;
    std::unique_ptr<frmDeleteData> form;
    qsizetype sent = 0;
};

const QString kDeleteTitle = "ZT 6200 Delete Problem";

} // namespace

TEST_F(SavedDataTest, DeletesWhatIsSelectedByItsFullRecId)
{
    QStringList six; // listed by date as Rec IDs 2,4,1,6,5,3
    for (auto [id, day] : {std::pair{1, 3}, {2, 1}, {3, 6}, {4, 2}, {5, 5}, {6, 4}})
        six << Line(QString::number(id), day);
    const QStringList three = {Line("1", 1), Line("2", 2), Line("3", 3)};
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
        Open(c.lines);
        int refuse = c.refuseErases;
        DemoMeter *const m = meter;
        meter->Scenario().replyOverride = [&refuse, &c, m](const QString &cmd, QList<QByteArray> &reports) {
            reports = DemoMeter::FrameReply("ERROR\n", 65);
            if (cmd == QLatin1String(c.lost))
                return m->Execute(cmd), true;
            return cmd == "E" && refuse-- > 0;
        };
        c.select == all ? Named<QPushButton>(form.get(), "cmdSelectAll")->click() : SelectRows(Named<QTreeView>(form.get(), "lsvData"), c.select);
        answers = {c.answer};
        Named<QPushButton>(form.get(), "cmdDelete")->click();
        Settle();
        meter->Scenario().replyOverride = nullptr;

        ASSERT_FALSE(boxes.isEmpty());
        const qsizetype going = c.select == all ? c.lines.size() - c.lines.filter(QRegularExpression("^1,9,")).size() : c.select.size();
        EXPECT_EQ(boxes[0].title + '|' + boxes[0].prompt,
                  "Delete Records?|Are you sure that you want to delete these records? \r\n(No undo possible)\r\n\r\n" +
                      (going == 1 ? QString("1 record will be deleted.") : QString("%1 records will be deleted.").arg(going)));
        EXPECT_EQ(boxes[0].buttons, vb::YesNo | vb::Exclamation | vb::DefaultButton2);
        EXPECT_EQ(Titles().mid(1), c.titles);
        EXPECT_EQ(Sent("^F"), c.deletes);
        const qsizetype erases = Sent("^E$").size();
        EXPECT_TRUE(c.erases >= 0 ? erases == c.erases : erases > 1 && erases <= 12) << erases;
        EXPECT_EQ(ListedIds(*form->Rows()).join(','), c.left);
        EXPECT_EQ(Named<QLabel>(form.get(), "lblRecords")->text(), QString("Remaining free records:\r\n%1 out of 100").arg(100 - meter->Scenario().saved.size()));
        EXPECT_TRUE(Named<QPushButton>(form.get(), "cmdCancel")->isEnabled());
        EXPECT_EQ(Named<QPushButton>(form.get(), "cmdDelete")->isEnabled(), !meter->Scenario().saved.isEmpty());
    }
}

TEST_F(SavedDataTest, MenuAndButtonStates)
{
    Open({Line("1", 1), Line("2", 2), Line("3", 3)});
    EXPECT_EQ(SelectedRows(Named<QTreeView>(form.get(), "lsvData")), QList<int>{0});
    QTest::keyClick(Named<QTreeView>(form.get(), "lsvData"), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(Named<QTreeView>(form.get(), "lsvData")).size(), 3);
    QWidget *viewport = Named<QTreeView>(form.get(), "lsvData")->viewport();
    const QPoint row2 = Named<QTreeView>(form.get(), "lsvData")->visualRect(form->Rows()->index(1, 0)).center();
    const QPoint below(5, Named<QTreeView>(form.get(), "lsvData")->visualRect(form->Rows()->index(2, 0)).bottom() + 20);
    struct Case { const char *name; Qt::MouseButton button; QPoint at; int row; bool menu; } cases[] = {
        {"right button on row 2", Qt::RightButton, row2, 2, true},
        {"right button below the last row", Qt::RightButton, below, 0, true},
        {"left button on row 2", Qt::LeftButton, row2, 2, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(viewport, c.button, {}, c.at);
        EXPECT_EQ(Named<QMenu>(form.get(), "mnuSavedData")->isVisible(), c.menu);
        EXPECT_EQ(form->wMouseRow(), c.row);
        EXPECT_EQ(form->wPendingButton(), 0);
        EXPECT_EQ(Named<QAction>(form.get(), "mnuSavedDataDelete")->isEnabled(), c.row != 0); // "Delete Data" only over a row
        EXPECT_TRUE(Named<QAction>(form.get(), "mnuSavedDataSelectAll")->isEnabled());
        Named<QMenu>(form.get(), "mnuSavedData")->hide();
    }

    Open({}); // nothing to select or delete
    EXPECT_FALSE(Named<QPushButton>(form.get(), "cmdSelectAll")->isEnabled() || Named<QPushButton>(form.get(), "cmdDelete")->isEnabled());
    form->DeleteSelected();
    EXPECT_TRUE(boxes.isEmpty());
}

// What each column shows and how it sorts: heading, alignment (heading and
// cells), comparison kind and the direction of the first click on it.
TEST_F(SavedDataTest, Columns)
{
    Open({Line("1", 1), Line("2", 2)});
    const clsListModel &m = *form->Rows();
    const int L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight, asc = 0, desc = 1;
    const QList<ColumnWant> columns = {
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
    EXPECT_EQ(m.SortColumn() * 10 + m.SortOrder(), asc);
    ExpectColumns(m, Named<QTreeView>(form.get(), "lsvData")->header(), columns, 0);
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
    Open(lines);
    EXPECT_EQ(ListedIds(*form->Rows()), day1 + day2); // by date, ascending
    emit Named<QTreeView>(form.get(), "lsvData")->header()->sectionClicked(1);   // every time equal: as it was
    EXPECT_EQ(ListedIds(*form->Rows()), day1 + day2);
    emit Named<QTreeView>(form.get(), "lsvData")->header()->sectionClicked(0);
    emit Named<QTreeView>(form.get(), "lsvData")->header()->sectionClicked(0);   // by date, the other way round
    EXPECT_EQ(ListedIds(*form->Rows()), day2 + day1);
}

// The keys of a desktop list: Delete as the "Delete Data" button (with its
// question), Escape as "Cancel": while rows are being deleted it stops the
// deleting, and closes the window only once nothing is being deleted.
TEST_F(SavedDataTest, DeleteAndEscapeKeys)
{
    QStringList four;
    for (int i = 1; i <= 4; ++i)
        four << Line(QString::number(i), i);
    Open(four);
    SelectRows(Named<QTreeView>(form.get(), "lsvData"), {1});
    answers = {vb::No};
    // With the text X gives the key, which the list alone would take for a search.
    QTest::sendKeyEvent(QTest::Click, Named<QTreeView>(form.get(), "lsvData"), Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    EXPECT_EQ(Titles(), QStringList{"Delete Records?"});
    EXPECT_TRUE(Sent("^F").isEmpty());

    SelectRows(Named<QTreeView>(form.get(), "lsvData"), {0, 1, 2});
    answers = {vb::Yes};
    int escapes = 0;
    meter->Scenario().replyOverride = [&](const QString &, QList<QByteArray> &) {
        QTest::keyClick(Named<QTreeView>(form.get(), "lsvData"), Qt::Key_Escape); // pressed while the meter deletes
        QTest::keyClick(Named<QPushButton>(form.get(), "cmdSelectAll"), Qt::Key_Escape);
        ++escapes;
        return false;
    };
    QTest::keyClick(Named<QPushButton>(form.get(), "cmdSelectAll"), Qt::Key_Delete);
    Settle();
    meter->Scenario().replyOverride = nullptr;
    EXPECT_GE(escapes, 1);
    EXPECT_EQ(Sent("^F"), (QStringList{"F,3"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ListedIds(*form->Rows()), (QStringList{"1", "2", "4"}));
    EXPECT_EQ(Titles(), (QStringList{"Delete Records?", "Delete Records?"})); // no other box
    QTest::keyClick(Named<QTreeView>(form.get(), "lsvData"), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

// A cell too narrow for its text shows all of it as a tooltip.
TEST_F(SavedDataTest, CutCellsShowTheirTextAsTooltip)
{
    QString line = Line("1", 1);
    line.replace("\"R2 P3\"", "\"Behind the church, 20 m from the road\"");
    Open({line});
    const QModelIndex note = form->Rows()->index(0, 14), initials = form->Rows()->index(0, 13);
    EXPECT_EQ(CutCellText(Named<QTreeView>(form.get(), "lsvData"), note), "Behind the church, 20 m from the road");
    EXPECT_EQ(CutCellText(Named<QTreeView>(form.get(), "lsvData"), initials), QString());
    const QRect cell = Named<QTreeView>(form.get(), "lsvData")->visualRect(note);
    QHelpEvent hover(QEvent::ToolTip, cell.center(), Named<QTreeView>(form.get(), "lsvData")->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(Named<QTreeView>(form.get(), "lsvData")->viewport(), &hover);
    EXPECT_TRUE(QToolTip::text().contains("Behind the church, 20 m from the road"));
    Named<QTreeView>(form.get(), "lsvData")->setColumnWidth(14, 1000); // widened: nothing cut, no tooltip
    EXPECT_EQ(CutCellText(Named<QTreeView>(form.get(), "lsvData"), note), QString());
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
    form = std::make_unique<frmDeleteData>();
    form->show();
    EXPECT_TRUE(OperationRunning()) << "the count is read";
    EXPECT_FALSE(Named<QPushButton>(form.get(), "cmdSelectAll")->isEnabled());
    Settle();
    EXPECT_LT(pace.Stop(), 100) << "ms the window thread was busy at once while the count was not answered";
    EXPECT_EQ(meter->Commands().mid(sent), QStringList{"C"});
}

TEST_F(SavedDataTest, UnpluggedWhileAskingSendsNothing)
{
    Open({Line("1", 1), Line("2", 2), Line("3", 3)});
    SelectRows(Named<QTreeView>(form.get(), "lsvData"), {0, 2});
    frmDeleteData *f = form.get();
    whileBoxOpen = [&] { Unplug(meter), f->timDisconnect_Timer(); };
    answers = {vb::Yes};
    f->DeleteSelected();
    EXPECT_FALSE(OperationRunning());
    EXPECT_TRUE(f->fClosing() && !f->isVisible());
    EXPECT_TRUE(Sent(".").isEmpty());
    EXPECT_EQ(Titles(), QStringList{"Delete Records?"});
}

// Stopped mid-walk at the k-th "F" (listed by date as Rec IDs 1..6; rows
// 1, 2, 4 and 6 selected, deleted as F,6 F,4 F,2 F,1): the list still
// matches the meter, the rows not deleted stay selected, and no error box.
TEST_F(SavedDataTest, StoppedMidWalkTheListMatchesTheMeter)
{
    enum Way { CancelButton, CloseBox, Unplugged };
    const QString lost = "ZT 6200 Communication Problem";
    struct Case { const char *name; Way way; int at; int deletes; bool open; QStringList titles; } cases[] = {
        {"Cancel at delete 1 of 4", CancelButton, 1, 1, true, {}},
        {"Cancel at delete 3 of 4", CancelButton, 3, 3, true, {}},
        {"Cancel at the last delete: the walk had ended", CancelButton, 4, 4, true, {}},
        {"close box at delete 2", CloseBox, 2, 2, false, {}},
        {"meter gone at delete 2, before it deleted", Unplugged, 2, 1, false, {lost}},
    };
    QStringList six;
    for (int i = 1; i <= 6; ++i)
        six << Line(QString::number(i), i);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Open(six);
        SelectRows(Named<QTreeView>(form.get(), "lsvData"), {0, 1, 3, 5});
        int deletes = 0;
        meter->Scenario().replyOverride = [&](const QString &cmd, QList<QByteArray> &reports) {
            if (!cmd.startsWith("F,") || ++deletes != c.at)
                return false;
            if (c.way == CancelButton)
                AsTheUser([&] { Named<QPushButton>(form.get(), "cmdCancel")->click(); });
            else if (c.way == CloseBox)
                AsTheUser([&] { form->close(); });
            else
                platform.Plug(meter, false), reports.clear();
            return c.way == Unplugged;
        };
        // A window message run inside the window's handling of a step (not
        // between steps) would show as a timer firing before the step's
        // Progress reached the test.
        int progress = 0, removals = 0;
        bool nested = false;
        QObject::connect(form->Rows(), &QAbstractItemModel::rowsAboutToBeRemoved, form.get(), [&] {
            const int at = ++removals;
            QTimer::singleShot(0, form.get(), [&, at] { nested = nested || progress < at; });
        });
        answers = {vb::Yes};
        Named<QPushButton>(form.get(), "cmdDelete")->click();
        ASSERT_NE(form->Running(), nullptr);
        QObject::connect(form->Running(), &clsOperation::Progress, [&](int done) { progress = done; });
        EXPECT_TRUE(Named<QPushButton>(form.get(), "cmdCancel")->isEnabled() && !Named<QPushButton>(form.get(), "cmdDelete")->isEnabled() && !Named<QPushButton>(form.get(), "cmdSelectAll")->isEnabled());
        Settle();
        meter->Scenario().replyOverride = nullptr;
        QTest::qWait(20);

        EXPECT_FALSE(nested);
        EXPECT_EQ(Sent("^F").size(), qMin(c.at, 4));
        QStringList listed = ListedIds(*form->Rows()), held = LineIds(meter->Scenario().saved);
        listed.sort(), held.sort();
        EXPECT_EQ(listed, held);
        EXPECT_EQ(held.size(), 6 - c.deletes);
        EXPECT_EQ(Titles().mid(1), c.titles);
        EXPECT_EQ(form->isVisible(), c.open);
        if (!c.open)
            continue;
        QStringList selected; // the selected rows not yet deleted
        for (int row : SelectedRows(Named<QTreeView>(form.get(), "lsvData")))
            selected << ListedIds(*form->Rows()).at(row);
        EXPECT_EQ(selected, QStringList({"1", "2", "4", "6"}).mid(0, 4 - c.deletes));
        EXPECT_TRUE(Named<QPushButton>(form.get(), "cmdCancel")->isEnabled() && Named<QPushButton>(form.get(), "cmdDelete")->isEnabled());
        EXPECT_EQ(Named<QLabel>(form.get(), "lblRecords")->text(), QString("Remaining free records:\r\n%1 out of 100").arg(94 + c.deletes));
    }
}

// gcc says __SANITIZE_ADDRESS__, clang answers __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DATACLAVE_TEST_ASAN 1
#endif
#endif
