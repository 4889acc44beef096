// SPDX-License-Identifier: GPL-3.0-or-later
// Every operation a user starts from the windows, with the meter pulled out
// or falling silent part-way through, under real modal boxes (each runs its
// own event loop while the operation ends and its windows go): the user
// hears the right messages in order, the windows end as they should, no file
// is lost or left behind, and the next download works.
#include "TestSupportGui.h"
#include "app/frmMain.h"
#include "app/modListWindowsGui.h"
#include "common/modFileDialog.h"
#include "listview/ListWindowGui.h"

namespace {

const QString kDeleteAsk = "Are you sure that you want to delete these records? \r\n(No undo possible)\r\n\r\n2 records will be deleted.";

struct Op
{
    const char *name;
    qint32 type;         // 0 saved data, 1 Tx
    bool save;           // to a file (faults count from the save dialog), or into the list window
    // What the user does in the list window once it shows (nothing: the load
    // alone is under test); the meter's faults count from there.
    std::function<void(ListWindow &)> act;
    QStringList asked;   // the questions before the meter is told anything
    // Where what is told depends on where the loss came: all of it, joined
    // by "|" with the link's message as "LOST", for a loss and for a "Cancel".
    const char *told = nullptr, *toldStopped = nullptr;
    // The faults tried: unplug, stall, then "Cancel" (Escape) and bad counts
    // (every Tx count reply unreadable).
    QString kinds = "us";
};

// The counts of an import's summary ("added 1, ...").
int SummaryCount(const QStringList &prompts, const char *what)
{
    const QRegularExpressionMatch m = QRegularExpression(QString("\\b%1 (\\d+)").arg(what)).match(prompts.filter("Imported from").value(0));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

int RowCount(ListWindow &l) { return Named<QTreeView>(&l, "lsvData")->model()->rowCount(); }

class ModalFaultTest : public FaultMatrixTest
{
protected:
    // Always real boxes; by default open long enough for the operation to
    // end and its windows to go while they are.
    ModalFaultTest() { modalMs = ModalBoxDelay() < 0 ? 50 : ModalBoxDelay(); }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        clicksMain = false; // the progress window stays in front, under the boxes
        RegisterListWindows();
        Connect("firmware 2.3.1\ngenerate-saved 6\ngenerate-tx 4");
        whileDialogOpen = [this] { Arm(); };
        // Boxes come one after the other: one opened over another would be
        // read in the wrong order.
        shower = gShowModalBox;
        gShowModalBox = [this](const ShownBox &b, int answer, int ms, const std::function<void()> &whileOpen) {
            nested += open++ > 0;
            const int r = shower(b, answer, ms, whileOpen);
            --open;
            return r;
        };
        QObject::connect(&user, &QTimer::timeout, main, [this] { ActInList(); });
        user.start(2);
    }
    void TearDown() override
    {
        user.stop();
        gShowModalBox = shower;
        MainWindowTest::TearDown();
    }

    // The fault (0 none, 1 unplug, 2 stall, 3 "Cancel" by Escape in the
    // list, 4 bad counts) after `k` more reports from now.
    void Arm()
    {
        armedAt = meter->InputReportsSent();
        if (fault == 4) {
            meter->Scenario().replyOverride = [this](const QString &command, QList<QByteArray> &reports) {
                if (command != "S" || meter->InputReportsSent() < armedAt + k)
                    return false;
                reports = DemoMeter::FrameReply("4\n", meter->Scenario().inputReportLength);
                return true;
            };
        } else if (fault == 3) {
            meter->Scenario().replyOverride = [this](const QString &, QList<QByteArray> &) {
                if (meter->InputReportsSent() >= armedAt + k && std::exchange(escapeDue, false))
                    QMetaObject::invokeMethod(main, [] {
                        if (auto *list = qobject_cast<ListWindow *>(QApplication::activeModalWidget()))
                            QTest::keyClick(list, Qt::Key_Escape);
                    });
                return false;
            };
            escapeDue = true;
        } else if (fault == 1 && k == 0)
            platform.Plug(meter, false); // gone before the first command: the link finds out when it sends
        else if (fault)
            (fault == 2 ? meter->Scenario().stallAfterReports : meter->Scenario().unplugAfterReports) = armedAt + k;
    }

    // The user in the list window: acts once it shows, then, once all is
    // quiet, lets it check the link and closes it if it is still open.
    void ActInList()
    {
        // A box answered but not yet returned from: the code after it has not run.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w))
                return;
        auto *list = qobject_cast<ListWindow *>(QApplication::activeModalWidget());
        if (!list || !list->isVisible())
            return;
        if (!acted) {
            acted = true, listRows = RowCount(*list);
            if (op->act)
                Arm(), op->act(*list);
            return;
        }
        if (auto *tx = qobject_cast<frmTx *>(list); OperationRunning() || (tx && tx->Editor()))
            return;
        QMetaObject::invokeMethod(list, "timDisconnect_Timer");
        if (list->isVisible())
            openAfter = true, listRowsAfter = RowCount(*list), list->close();
    }

    // One run of `o` with fault `f`, the meter back as it was; returns the
    // reports it took.
    int Run(const Op &o, int f)
    {
        MeterReturns();
        boxes.clear(), nested = 0;
        op = &o, fault = f;
        acted = openAfter = false;
        listRows = listRowsAfter = -1;
        EXPECT_TRUE(WriteFile(saveAs, "earlier"));
        if (!o.save && !o.act)
            Arm();
        Download(o.type, o.save);
        return meter->InputReportsSent() - armedAt;
    }

    QTimer user;
    const Op *op = nullptr;
    int fault = 0, k = 0, armedAt = 0;
    bool acted = false, openAfter = false, escapeDue = false;
    int listRows = -1, listRowsAfter = -1;
    ModalBoxShower shower;
    int open = 0, nested = 0;
};

TEST_F(ModalFaultTest, UnplugOrStallPartWay)
{
    auto selectSome = [](ListWindow &l) { SelectRows(Named<QTreeView>(&l, "lsvData"), {0, 2}); };
    auto deleteYes = [&](ListWindow &l) {
        answers = {vb::Yes};
        auto *saved = dynamic_cast<frmDeleteData *>(&l);
        saved ? saved->DeleteSelected() : static_cast<frmTx &>(l).DeleteSelected();
    };
    // Two entries the meter lacks, from a file the open dialog answers.
    QTemporaryDir files;
    const QString importFile = files.filePath("tx.csv");
    ASSERT_TRUE(WriteFile(importFile, "1,1,\"KNEW1\",1010,45.5,-118.25,-14.5,\"AM\"\r\n"
                                      "2,2,\"KNEW2\",1020,45.5,-118.25,-14.5,\"AM\"\r\n"));
    const FileDialogHandler oldDialog = SetFileDialogHandler([&](const FileDialogRequest &) {
        return FileDialogAnswer{importFile, QString()};
    });
    const Op ops[] = {
        {"download saved data", 0, true}, {"download Tx data", 1, true},
        {"load the saved-data list", 0, false}, {"load the Tx list", 1, false},
        {"delete saved records", 0, false, [&](ListWindow &l) { selectSome(l), deleteYes(l); }, {kDeleteAsk}},
        {"erase saved records", 0, false, [&](ListWindow &l) { Named<QPushButton>(&l, "cmdSelectAll")->click(), deleteYes(l); },
         {QString(kDeleteAsk).replace("2 records", "6 records")}},
        {"delete Tx entries", 1, false, [&](ListWindow &l) { selectSome(l), deleteYes(l); }, {kDeleteAsk}},
        {"add a Tx", 1, false, [](ListWindow &l) { EditTx(static_cast<frmTx &>(l), "NEW1", true); }, {}, nullptr, nullptr, "usb"},
        {"edit a Tx", 1, false, [](ListWindow &l) { EditTx(static_cast<frmTx &>(l), "EDIT", false); }},
        {"import Tx entries", 1, false, [&](ListWindow &l) { answers = {vb::Yes}, static_cast<frmTx &>(l).ImportTx(); }, {},
         // Lost before the question, or after it: then what was done is told.
         "^(LOST|Importing tx\\.csv would give:[^|]*\\|LOST\\|Imported from tx\\.csv:[^|]*)$",
         "^(|Importing tx\\.csv would give:[^|]*\\|Imported from tx\\.csv:[^|]*)$", "uscb"},
    };
    int cases = 0;
    for (const Op &o : ops) {
        SCOPED_TRACE(o.name);
        const int total = Run(o, 0);
        const int rows = o.type == 0 ? 6 : 4;
        EXPECT_EQ(listRows, o.save ? -1 : rows);
        EXPECT_EQ(openAfter, !o.save) << "refreshed and still open after a change that went through";
        ASSERT_GT(total, 0);
        for (const QChar kind : o.kinds) {
            const int f = int(QString(" uscb").indexOf(kind));
            // A change in a list window meets the loss after each of its
            // reports; the rest after a sample of them.
            const int step = o.act && !o.told && f <= 2 ? 1 : qMax(1, total / (f >= 3 ? 3 : 7));
            for (k = 0; k < total; k += step) {
                SCOPED_TRACE(QString("%1 after %2 of %3 reports").arg(QStringList{"", "unplug", "stall", "Cancel", "bad counts"}.at(f)).arg(k).arg(total).toStdString());
                ++cases;
                Run(o, f);
                EXPECT_EQ(nested, 0) << "a box opened over another";
                QStringList p = Prompts();
                const QString all = p.join('|').replace(kLost, "LOST");
                if (o.told) {
                    // Told truly: the meter holds what the summary says was added.
                    const int added = int(meter->Scenario().tx.size()) - 4;
                    EXPECT_GE(added, SummaryCount(p, "added"));
                    EXPECT_LE(added, SummaryCount(p, "added") + SummaryCount(p, "changed"));
                    if (f <= 3)
                        EXPECT_TRUE(all.contains(QRegularExpression(f == 3 ? o.toldStopped : o.told))) << qPrintable(all);
                }
                if (f == 3) {
                    EXPECT_TRUE(openAfter) << "the list stays after a \"Cancel\"";
                    EXPECT_EQ(listRowsAfter, int(meter->Scenario().tx.size())) << "and shows what the meter holds";
                } else if (f == 4) {
                    // One count that cannot be read: told once, by whoever can say what it means.
                    EXPECT_LE(p.filter("could not be read").size(), 1) << qPrintable(all);
                    EXPECT_FALSE(all.contains("LOST")) << qPrintable(all);
                    EXPECT_TRUE(!openAfter || listRowsAfter == int(meter->Scenario().tx.size())) << "closed, or showing what the meter holds";
                }
                // The question asked before anything was sent, then the loss, once.
                EXPECT_EQ(p.mid(0, o.asked.size()), o.asked);
                p = p.mid(o.asked.size());
                EXPECT_EQ(p.count(kLost), f <= 2 ? 1 : 0) << qPrintable(Prompts().join(" | "));
                if (f <= 2 && o.act) {
                    EXPECT_FALSE(openAfter) << "the list no longer matches the meter";
                    EXPECT_EQ(listRows, rows);
                } else if (f <= 2) {
                    // Silent from the first command on, the meter is not asked again.
                    // (Which record failed is the download tests' concern.)
                    p.replaceInStrings(QRegularExpression("\r\nRecord \\d+ of \\d+ could not be read\\.$"), QString());
                    EXPECT_EQ(p, QStringList{kLost} + (k == 0 && !o.save ? QStringList() : QStringList{kReadFailure}));
                    EXPECT_EQ(listRows, -1) << "a list that was not read in full";
                }
                EXPECT_FALSE(gUsbHid->fDeviceConnected() && f == 1);
                EXPECT_EQ(ReadFile(saveAs), QByteArray("earlier"));
                EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
                EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
                // Still usable: the next download works.
                static const Op again = {"again", 0, true};
                Run(again, 0);
                EXPECT_EQ(Prompts(), QStringList());
                EXPECT_EQ(ReadFile(saveAs).count("\r\n"), 7);
            }
        }
    }
    SetFileDialogHandler(oldDialog);
    std::printf("%d fault cases\n", cases);
}

} // namespace
