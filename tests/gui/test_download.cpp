// SPDX-License-Identifier: GPL-3.0-or-later
// Bulk download end to end: demo meter -> frmMain::GetAllData -> CSV file,
// with the save dialog, the message boxes and the user's "OK" scripted.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "common/modAnsi.h"
#include "common/modConsole.h"
#include "app/modDownload.h"
#include "common/modEvents.h"
#include "storage/modFile.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QTest>
#include <QtWidgets>

namespace {

const QString kTx8 = "\"Dir ID\",\"Station ID\",\"Call Sign\",\"Frequency (kHz)\",\"Latitude\",\"Longitude\",\"Variation\",\"Modulation\"";
const QString kSaved31 = QString::fromLatin1(SavedHeader(31));
const QString kTx7 = kTx8.left(kTx8.lastIndexOf(','));
const QString kReadFailure = "Reading Problem|There is a problem with reading the data\r\n(either USB connection or data problems)";
const QString kFileError = "ZT 6200 File Error|There is a problem writing to the file.\r\n";

// A saved record as the meter sends it after "1,<Rec ID>,", all of it valid:
// written as it is (what is masked: tests/cases/download-saved-*).
const QString kRecord = "3,1,\"KDCV\",1230,1230,2,\"ND\",\"JS\",\"R2 P3\",3,04-Nov-2026 08:30:00,04-Nov-2026 00:30:00,1,\"Loop\","
                        "TRUE,45.512345,-118.201234,356,61.2,\"dBuV\",1.148,\"mV/m\",1.148,61.20,2.50,23.0,4.5,TRUE,\"AM\"";

class DownloadTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        gBeepHook = [this] { ++beeps; };
        QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, main, [this](const QString &t) { console += t; });
        // As with real windows, each box opens a window: it must wait until
        // the download's steps have ended.
        const MsgBoxHandler fixture = SetMsgBoxHandler(nullptr);
        SetMsgBoxHandler([fixture](const QString &prompt, int buttons, const QString &title) {
            EXPECT_FALSE(clsOperation::Current() && clsOperation::Current()->IsRunning()) << "shown during the download: " << title.toStdString();
            return fixture(prompt, buttons, title);
        }, true);
        SetDownloadTargetFactory(1, [this] { return std::make_unique<Recorder>(this); });
    }
    void TearDown() override
    {
        SetDownloadTargetFactory(1, nullptr);
        gBeepHook = nullptr;
        MainWindowTest::TearDown();
    }
    // The Tx window as the download sees it: what it is given, and "shown"
    // when it is shown (over an enabled main window, the progress window gone).
    struct Recorder : DownloadTarget {
        explicit Recorder(DownloadTest *t) : t(t) {}
        DownloadTest *t;
        void lsvDataAdd(const QString &s) override { t->listed << s; }
        void ShowModal() override { t->listed << (t->main->isEnabled() && !t->Progress() ? "shown" : "bad"); }
    };
    // A fresh meter, an earlier file, and a download (a view unless `save`);
    // returns the save flag as the download left it.
    bool Run(const QString &scenario, qint32 type, bool save, const char *target = "out.csv")
    {
        meter = ReplaceMeter(scenario);
        if (beforeDownload)
            beforeDownload();
        EXPECT_TRUE(WriteFile(dir.filePath("out.csv"), "earlier"));
        console.clear(), beeps = 0;
        saveAs = target ? dir.filePath(target) : QString();
        sent = meter->Commands().size();
        return Download(type, save);
    }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    qsizetype RecordReads() const { return meter->Commands().mid(sent).filter(QRegularExpression("^[DT],")).size(); }

    frmMessage *Progress() const { return main->findChild<frmMessage *>(); }

    DemoMeter *meter = nullptr;
    std::function<void()> beforeDownload;
    QTemporaryDir dir;
    QString console;
    QStringList listed; // by the Tx window
    int beeps = 0;
    qsizetype sent = 0;
};

} // namespace

TEST(DownloadMessages, RateAndTimeLeftOnceASecondHasPassed)
{
    struct Case { int value, maximum; qint64 ms; const char *second; } cases[] = {
        {3, 20, 999, nullptr},
        {10, 100, 2000, "5.0 records per second, 18 s left"},
        {100, 10000, 1000, "100 records per second, 1 min 39 s left"},
        {10, 610, 1000, "10 records per second, 1 min 0 s left"},
        {20, 20, 4000, "5.0 records per second, 0 s left"},
        {7, 10, 3000, "2.3 records per second, 2 s left"}, // 3 left at 2.33 a second: rounded up
        {1, 101, 64000, "0.02 records per second, 106 min 40 s left"},
    };
    UnderEachSettings([&] {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.value << " of " << c.maximum << " after " << c.ms << " ms");
            const QString first = QString("Reading Data %1 of %2").arg(c.value).arg(c.maximum);
            EXPECT_EQ(DownloadUi::StepMessage(c.value, c.maximum, c.ms), c.second ? first + "\r\n" + c.second : first);
        }
    });
}

TEST_F(DownloadTest, SavesExactFiles)
{
    struct Case { const char *firmware; qint32 type; QString header; QStringList lines; const char *target = "out.csv"; } cases[] = {
        {"2.3.1", 0, kSaved31, {"1,7," + kRecord, "1,8," + kRecord}},
        {"2.3.1", 1, kTx8, {"1,1,\"KDCV\",1230,45.504306,-118.25000,-14.50000,\"AM\""}},
        // a name outside any ANSI code page of Windows
        {"2.2.3", 1, kTx7, {"1,1,\"K\u00C9V\",1230,45.5,-118.2,-14.5", "2,9,\"B\",530,1,2,3"}, "\u03A9\u6771\u00B0.csv"},
    };
    for (const Case &c : cases) {
        const QString kind = c.type ? "\ntx " : "\nsaved ";
        const QString scenario = QString("firmware ") + c.firmware + kind + c.lines.join(kind);
        SCOPED_TRACE(scenario.toStdString());
        EXPECT_FALSE(Run(scenario, c.type, true, c.target));
        EXPECT_EQ(ReadFile(dir.filePath(c.target)), StringToAnsi(c.header + "\r\n" + c.lines.join("\r\n") + "\r\n"));
        EXPECT_EQ(Entries(), QStringList({"out.csv", c.target}).mid(0, qstrcmp(c.target, "out.csv") ? 2 : 1));
        EXPECT_EQ(dialogs, QStringList{c.type ? "Save Downloaded Tx As" : "Save Downloaded Data As"});
        EXPECT_EQ(caption, "Reading Data...");
        EXPECT_EQ(finished, QString("Finished!\r\nDownloaded %1 %2.").arg(c.lines.size()).arg(c.lines.size() == 1 ? "record" : "records"));
        for (const QString &line : c.lines)
            EXPECT_TRUE(console.contains(line + "\r\n")) << qPrintable(line);
        EXPECT_EQ(BoxTexts(), QStringList());
        EXPECT_EQ(beeps, 1);
    }
}

// The save dialog proposes the folder of the last save and the name last
// chosen for the same kind of data, also in a later run.
TEST_F(DownloadTest, SaveDialogProposesTheNameOfTheSameKind)
{
    UserSettings()->remove("Files");
    QStringList proposed; // folder|name
    const SaveDialogHandler fixture = SetSaveDialogHandler([&](const QString &t, const QString &folder, const QString &name) {
        return proposed << QDir(folder).path() + '|' + name, fixture(t, folder, name);
    });
    QTemporaryDir other;
    const QString d = QDir(dir.path()).path(), o = QDir(other.path()).path();
    struct Case { qint32 type; QString saveAs; bool newRun; QString want; } cases[] = {
        {0, dir.filePath("survey.csv"), false, ""},
        {1, dir.filePath("table.csv"), false, d + "|"}, // never the survey's name
        {0, other.filePath("s2.csv"), false, d + "|survey.csv"},
        {1, dir.filePath("t2.csv"), true, o + "|table.csv"},
        {0, QString(), true, d + "|s2.csv"}, // cancelled: nothing changes
        {1, QString(), true, d + "|t2.csv"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << ' ' << qPrintable(c.saveAs));
        if (c.newRun)
            gApp->File()->setCompleteFileName("./x"); // what a new run knows without its settings
        proposed.clear();
        meter = ReplaceMeter("generate-saved 1\ngenerate-tx 1");
        saveAs = c.saveAs;
        Download(c.type, true);
        ASSERT_EQ(proposed.size(), 1);
        if (!c.want.isEmpty())
            EXPECT_EQ(proposed.at(0), c.want);
    }
    SetSaveDialogHandler(fixture);
}

TEST_F(DownloadTest, FailuresKeepEarlierFile)
{
    const QString noRecords = "ZT 6200 Reading Problem|The FSM has no saved records.";
    // What the meter's odd replies tell: tests/cases/replies-*.
    enum During { Nothing, Empty, Unplug };
    struct Case { const char *what, *scenario; qint32 type; bool save; const char *target; During during; QStringList prompts; qsizetype reads; } cases[] = {
        {"no saved records", "", 0, true, "out.csv", Nothing, {noRecords}, 0},
        {"no Tx, viewing", "", 1, false, "out.csv", Nothing, {noRecords}, 0},
        {"cancelled", "generate-saved 3", 0, true, nullptr, Nothing, {}, 0},
        {"emptied meanwhile", "generate-saved 3", 0, true, "out.csv", Empty, {noRecords + " Nothing was saved to the disk file."}, 0},
        {"unplugged on record 5 of 10", "generate-saved 10", 0, true, "out.csv", Unplug,
         {"ZT 6200 Communication Problem|ZT 6200 was disconnected. Please reconnect it.",
          kReadFailure + "\r\nRecord 5 of 10 could not be read."}, 6},
        {"folder is a file", "generate-saved 10", 0, true, "out.csv/x.csv", Nothing, {kFileError + FileErrorText(ENOTDIR)}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        whileDialogOpen = [this, &c] {
            if (c.during == Empty)
                meter->Scenario().saved.clear();
            if (c.during == Unplug)
                meter->Scenario().replyOverride = [this](const QString &cmd, QList<QByteArray> &) {
                    return cmd == "D,4,1" && (platform.Plug(meter, false), true);
                };
        };
        Run(QString("firmware 2.3.1\n") + c.scenario, c.type, c.save, c.target);
        EXPECT_EQ(BoxTexts(), c.prompts);
        EXPECT_EQ(RecordReads(), c.reads);
        EXPECT_EQ(ReadFile(dir.filePath("out.csv")), QByteArray("earlier"));
        EXPECT_EQ(Entries(), QStringList{"out.csv"});
    }
}

TEST_F(DownloadTest, FillsListWindow)
{
    Run("firmware 2.3.1\ngenerate-tx 3\ngenerate-saved 2", 1, false);
    EXPECT_EQ(listed.mid(3), QStringList{"shown"}) << "the three entries, then shown";
    EXPECT_TRUE(dialogs.isEmpty());
    EXPECT_TRUE(finished.isEmpty()); // the progress window closed by itself
    Run("firmware 2.3.1\ngenerate-saved 2", 0, false); // no saved-data window: nothing shown
    EXPECT_EQ(RecordReads(), 3);
}

TEST_F(DownloadTest, CancelStopsAfterTheRecordUnderWay)
{
    // How: 'c' the "Cancel" button, 'e' Escape, 'x' the close box; each the same, nothing asked.
    struct Case { bool save; int k; char how; } cases[] = {{true, 1, 'c'}, {true, 3, 'e'}, {false, 1, 'x'}, {false, 4, 'c'}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.save ? "save" : "view") << ", cancelled at record " << c.k << " of 5 by " << c.how);
        listed.clear();
        bool offered = false;
        beforeDownload = [&] {
            meter->Scenario().replyOverride = [&](const QString &cmd, QList<QByteArray> &) {
                if (cmd == QString("T,%1,1").arg(c.k - 1))
                    AsTheUser([&] {
                        if (frmMessage *m = Progress()) {
                            QPushButton *cancel = Named<QPushButton>(m, "cmdCancel");
                            offered = cancel->isVisible() && cancel->isEnabled();
                            c.how == 'e' ? QTest::keyClick(m, Qt::Key_Escape) : c.how == 'x' ? void(m->close()) : cancel->click();
                        }
                    });
                return false;
            };
        };
        Run("firmware 2.3.1\ngenerate-tx 5", 1, c.save);
        EXPECT_TRUE(offered);
        EXPECT_EQ(lastStatus, OpStatus::Cancelled);
        EXPECT_EQ(finished, QString("Download cancelled after %1 of 5 records.").arg(c.k));
        EXPECT_EQ(RecordReads(), c.k);
        EXPECT_EQ(ReadFile(dir.filePath("out.csv")), QByteArray("earlier"));
        EXPECT_EQ(Entries(), QStringList{"out.csv"});
        EXPECT_EQ(BoxTexts(), QStringList());
        EXPECT_EQ(beeps, 0);
        EXPECT_EQ(listed.size(), c.save ? 0 : c.k); // read, never shown
    }
}

// The window thread is never held up by the meter: a 10 ms timer on it
// keeps its pace through a download whose meter falls silent half-way (its
// whole 4 s time-out) or before it (the count), and while a silent meter is
// plugged in (the link's watch and its version query).
TEST_F(DownloadTest, TheWindowKeepsItsPaceWhileTheMeterIsSilent)
{
    WindowPace pace;
    // Silent from now on, with a 1 s time-out; the pace is taken from here.
    const auto silence = [&] { meter->Scenario().timeScale = 0.25, meter->Scenario().stallAfterReports = meter->InputReportsSent(), pace.Start(); };
    const auto kept = [&](const char *during) { EXPECT_LT(pace.Stop(), 100) << "ms the window thread was busy at once " << during; };

    // Counted from the save dialog on (making a file dialog is not the meter's doing).
    beforeDownload = [&] { meter->Scenario().timeScale = 1.0; };
    whileDialogOpen = [&] { pace.Start(); };
    Run("firmware 2.3.1\ngenerate-saved 40\nstall-after-reports 25", 0, true);
    kept("during a download with a 4 s stall");
    EXPECT_EQ(lastStatus, OpStatus::LinkLost);
    EXPECT_EQ(meter->LastReadTimeoutMs(), 4000);

    // Silent from the count before the save dialog on, or from the one after
    // it (a 1 s time-out).
    for (const bool underDialog : {false, true}) {
        SCOPED_TRACE(underDialog ? "the count after the save dialog" : "the count before it");
        beforeDownload = underDialog ? std::function<void()>() : silence;
        whileDialogOpen = underDialog ? silence : std::function<void()>();
        Run("firmware 2.3.1\ngenerate-saved 4", 0, true);
        kept("while the count was not answered");
        EXPECT_EQ(meter->Commands().mid(sent), (underDialog ? QStringList{"C", "C"} : QStringList{"C"}));
        EXPECT_EQ(dialogs.size(), underDialog ? 1 : 0);
    }

    // A command typed in the console to a meter that falls silent (a 1 s time-out).
    meter = ReplaceMeter("firmware 2.3.1");
    silence();
    QTest::keyClicks(Named<QPlainTextEdit>(main, "txtConsole"), "S\r");
    EXPECT_TRUE(QTest::qWaitFor([] { return !OperationRunning(); }, 5000));
    kept("while a typed command was not answered");
    EXPECT_EQ(meter->Commands().last(), "S");

    Unplug(meter);
    DemoMeter *silent = AddMeter("stall-after-reports 0");
    silent->Scenario().timeScale = 0.25; // a 1 s time-out
    frmUsbHid *watch = gUsbHid->HelperForm();
    watch->tmrPeriodic().start();
    pace.Start();
    QTest::qWait(1500);
    kept("with a silent meter plugged in");
    watch->tmrPeriodic().stop();
    EXPECT_TRUE(silent->Commands().contains("A")) << "the version query was sent";
}

TEST_F(DownloadTest, OneAtATimeAndNothingRunsInsideAStep)
{
    // Each report takes a millisecond, so window messages run between the records.
    bool inside = false, ranInside = false;
    int ticks = 0;
    QObject::connect(ConsoleSink::instance(), &ConsoleSink::ConsoleText, main,
                     [&](const QString &t) { inside = t.trimmed().split("\r\n").constLast().startsWith("D,"); }); // a record's command, until its line
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ranInside |= inside, ++ticks; });
    tick.start(0);
    whileDialogOpen = [&] {
        QTimer::singleShot(0, main, [&] {
            EXPECT_TRUE(OperationRunning());
            main->GetAllData(1, true, false); // a second one, clicked meanwhile
        });
    };
    Run("firmware 2.3.1\ngenerate-saved 4\nreport-latency-us 1000", 0, true);
    EXPECT_EQ(lastStatus, OpStatus::Ok);
    EXPECT_EQ(dialogs.size(), 1);
    EXPECT_EQ(meter->Commands().mid(sent).filter(QRegularExpression("^T")).size(), 0);
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(ranInside);
}

TEST(SaveDialog, OffersFolderNameAndFiltersAndRefusesAMissingFolder)
{
    QTemporaryDir dir;
    QStringList shown;
    int answer = vb::OK;
    const MsgBoxHandler old = SetMsgBoxHandler([&shown, &answer](const QString &prompt, int, const QString &title) {
        return shown << title + '|' + prompt, answer;
    });
#ifdef Q_OS_WIN
    const QString all = "All (*.*)";
    // Windows' own dialog takes no typing from Qt's API: Qt's dialog there,
    // as where no platform dialog exists.
    const bool native = !QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
#else
    const QString all = "All (*)"; // files without a dot are listed too
#endif
    // What the user types, then: chosen, and whether the dialog refused it and stayed open.
    // An existing file is asked about in our own box (answered from `replace`):
    // the whole title shows, and No keeps the dialog open.
    ASSERT_TRUE(WriteFile(dir.filePath("old.csv"), "earlier"));
    const QString replace = "Save Downloaded Tx As|old.csv already exists.\r\nDo you want to replace it?",
                  refused = "Save Downloaded Tx As|The folder does not exist:\r\n" + QDir::toNativeSeparators(dir.filePath("nosuch")) +
                            "\r\nPlease choose an existing folder.";
    struct Case { QString typed; bool chosen, refused; int replace = 0; };
    const Case cases[] = {{"b", true, false}, {"", false, false}, {"nosuch/c.csv", false, true},
                          {"old", true, false, vb::Yes}, {"old.csv", false, false, vb::No}};
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.typed));
        shown.clear();
        answer = c.replace;
        QString seen;
        bool open = false;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            seen = QStringList{d->windowTitle(), d->defaultSuffix(), d->nameFilters().join(';'), d->selectedNameFilter(),
                               d->directory().absolutePath(), QFileInfo(d->selectedFiles().value(0)).fileName()}.join('|');
            // Qt's own overwrite question, should it come, is closed and told.
            QTimer::singleShot(200, [&] {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                        shown << "Qt's own box: " + box->windowTitle(), box->reject();
            });
            if (!c.typed.isEmpty())
                d->selectFile(c.typed), QMetaObject::invokeMethod(d, "accept");
            open = d->isVisible();
            if (open)
                d->reject();
        });
        const auto choice = ShowSaveDialog("a.csv", dir.path(), "Save Downloaded Tx As");
        EXPECT_EQ(seen, "Save Downloaded Tx As|csv|Data (*.csv);" + all + "|Data (*.csv)|" + dir.path() + "|a.csv");
        EXPECT_EQ(choice->fFileSelected(), c.chosen);
        EXPECT_EQ(choice->CompleteFileName(), c.chosen ? dir.filePath(c.replace ? "old.csv" : "b.csv") : QString());
        EXPECT_EQ(open, c.typed.isEmpty() || c.refused || c.replace == vb::No);
        EXPECT_EQ(shown, c.refused ? QStringList{refused} : c.replace ? QStringList{replace} : QStringList());
    }
    SetMsgBoxHandler(old);
#ifdef Q_OS_WIN
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, !native);
#endif
}
