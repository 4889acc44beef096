// Fault matrix: downloads and views of ten saved records from the demo meter
// while the meter vanishes or falls silent after every possible report, sends
// odd replies, or the disk refuses the file. Ticks of the link's timer run
// under every message box and the save dialog, as they do in the program.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/globals.h"
#include "app/modDownload.h"
#include "listview/modLV.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "saveddata/frmDeleteData.h"
#include "storage/clsFile.h"
#include "tx/frmTx.h"
#include "tx/frmTxEdit.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString kLost = "ZT 6200 was disconnected. Please reconnect it.";
const QString kAbsent = "ZT 6200 is not connected. Please connect it with the USB cable";
const QString kReadFailure = "There is a problem with reading the data\r\n(either USB connection or data problems)";
const QString kFileError = "There is a problem writing to the file.\r\nIs it already open in another application?";

class FaultTest : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        gApp->MainForm = main = new frmMain;
        whileBoxOpen = [this] { Tick(); };
        oldDialog = SetSaveDialogHandler([this](const QString &, const QString &, const QString &) {
            Tick();
            return target;
        });
        oldFactory = SetDownloadTargetFactory(0, [this] {
            struct List : DownloadTarget {
                FaultTest *t;
                void lsvDataAdd(const QString &) override { ++t->rows; }
                void ShowModal() override { t->shown = t->rows; }
            };
            auto l = std::make_unique<List>();
            l->t = this;
            return l;
        });
        // The user presses "OK" once the progress window offers it.
        QObject::connect(&user, &QTimer::timeout, main, [this] {
            for (frmMessage *m : main->findChildren<frmMessage *>())
                if (m->cmdOk->isEnabled())
                    m->cmdOk->click();
        });
        user.start(1);
        QObject::connect(gUsbHid, &clsUsbHid::Disconnect, [this] { ++disconnects; });
        target = dir.filePath("out.csv");
        meter = AddMeter("firmware 2.3.1\ngenerate-saved 10");
        ASSERT_TRUE(ConnectMeter());
    }
    void TearDown() override
    {
        SetDownloadTargetFactory(0, oldFactory);
        SetSaveDialogHandler(oldDialog);
        gApp->MainForm = nullptr;
        delete main;
        MeterTest::TearDown();
    }

    // One download (save) or view (fill) over an earlier file; checks what
    // every way out must leave behind.
    void Run(bool save)
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("earlier") == 7);
        f.close();
        boxes.clear();
        rows = shown = disconnects = 0;
        reportsBefore = meter->inputReportsSent;
        bool fSave = save, fFill = !save;
        main->GetAllData(0, fSave, fFill);
        EXPECT_TRUE(main->isEnabled());
        EXPECT_TRUE(main->findChildren<frmMessage *>().isEmpty());
        EXPECT_FALSE(gApp->File->IsOpen());
        EXPECT_EQ(QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
    }
    QByteArray File() const
    {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList Prompts() const
    {
        QStringList p;
        for (const ShownBox &b : boxes)
            p << b.prompt;
        return p;
    }
    // A failed run: the earlier file stands, no list was shown, and besides
    // the messages the link gives, only `extra`.
    void ExpectFailed(const QStringList &extra, int linkMessages)
    {
        QStringList p = Prompts();
        EXPECT_EQ(p.count(kLost) + p.count(kAbsent), linkMessages) << qPrintable(p.join(" | "));
        p.removeAll(kLost), p.removeAll(kAbsent);
        EXPECT_EQ(p, extra);
        EXPECT_EQ(File(), QByteArray("earlier"));
        EXPECT_EQ(shown, 0);
    }
    void ExpectSucceeded(bool save)
    {
        EXPECT_EQ(Prompts(), QStringList());
        if (save)
            EXPECT_EQ(File().count("\r\n"), 11);
        else
            EXPECT_EQ(shown, 10);
    }
    // The meter comes back (faults cleared, plugged in afresh): the link
    // finds it and asks for its version.
    void MeterReturns()
    {
        meter->unplugAfterReports = meter->stallAfterReports = -1;
        meter->replyOverride = nullptr;
        platform.Plug(meter, false);
        Tick();
        platform.Plug(meter, true);
        Tick();
        EXPECT_TRUE(gUsbHid->fDeviceConnected());
        EXPECT_EQ(gFsm->Version->value(), 4);
    }

    frmMain *main = nullptr;
    DemoMeter *meter = nullptr;
    QTemporaryDir dir;
    QString target;
    SaveDialogHandler oldDialog;
    DownloadTargetFactory oldFactory;
    QTimer user;
    int rows = 0, shown = 0, disconnects = 0, reportsBefore = 0;
};

TEST_F(FaultTest, UnplugOrStallAfterEveryReport)
{
    for (bool save : {true, false}) {
        MeterReturns();
        Run(save);
        ExpectSucceeded(save);
        const int total = meter->inputReportsSent - reportsBefore;
        ASSERT_GT(total, 30);
        for (bool stall : {false, true}) {
            for (int k = 1; k <= total; ++k) {
                SCOPED_TRACE(QString("%1, %2 after %3 of %4 reports").arg(save ? "save" : "view", stall ? "stall" : "unplug").arg(k).arg(total).toStdString());
                (stall ? meter->stallAfterReports : meter->unplugAfterReports) = meter->inputReportsSent + k;
                Run(save);
                if (k < total) {
                    // Unplugged while the save dialog was open, the meter is
                    // missed before anything is read: one message, nothing else.
                    const bool missed = Prompts().contains(kAbsent);
                    ExpectFailed(missed ? QStringList() : QStringList{kReadFailure}, 1);
                    EXPECT_GE(disconnects, 1);
                    if (!stall)
                        EXPECT_FALSE(gUsbHid->fDeviceConnected());
                } else {
                    ExpectSucceeded(save);
                    Tick();
                    EXPECT_EQ(gUsbHid->fDeviceConnected(), stall); // a stalled meter is still there
                }
                MeterReturns();
            }
        }
    }
}

TEST_F(FaultTest, OddReplies)
{
    auto frame = [](QByteArray text, bool mark) {
        QList<QByteArray> r = DemoMeter::FrameReply(text, 65);
        if (!mark)
            for (QByteArray &b : r)
                b[1] = char(b[1] & 0x3F);
        return r;
    };
    const QByteArray fiveFields = "1,2,3,4,5\n";
    struct Case {
        const char *what;
        QRegularExpression command; // the commands answered oddly
        std::function<QList<QByteArray>()> reports;
        QStringList prompts;
        int linkMessages;
    } cases[] = {
        {"no last-report mark, then silence", QRegularExpression("^D,"),
         [&] { return frame(QByteArray(150, 'x'), false); }, {kReadFailure}, 1},
        {"no last-report mark, endless", QRegularExpression("^D,"),
         [&] { return frame(QByteArray(63 * 80, 'x'), false); }, {kReadFailure}, 0},
        {"wrong field count on every record", QRegularExpression("^D,"),
         [&] { return frame(fiveFields, true); }, {kReadFailure}, 0},
        {"wrong field count on record 4", QRegularExpression("^D,3,1$"),
         [&] { return frame(fiveFields, true); }, {kReadFailure}, 0},
        {"count query garbled after the file was chosen", QRegularExpression("^C$"),
         [&] { return QList<QByteArray>{QByteArray(65, '\xFF')}; }, {kReadFailure}, 0},
        {"garbage reports", QRegularExpression("^D,"),
         [&] { return QList<QByteArray>{QByteArray(65, '\x3F'), QByteArray(1, '\0'), QByteArray(), QByteArray(65, '\xC1')}; },
         {kReadFailure}, 0},
        {"empty replies", QRegularExpression("^D,"),
         [&] { return QList<QByteArray>{QByteArray(65, '\0')}; }, {kReadFailure}, 0},
    };
    for (const Case &c : cases) {
        for (bool save : {true, false}) {
            SCOPED_TRACE(QString("%1, %2").arg(c.what, save ? "save" : "view").toStdString());
            int counts = 0;
            meter->replyOverride = [&](const QString &command, QList<QByteArray> &out) {
                // The first count query (before the save dialog) is answered properly.
                if (!c.command.match(command).hasMatch() || (command == "C" && ++counts == 1))
                    return false;
                out = c.reports();
                return true;
            };
            Run(save);
            ExpectFailed(c.prompts, c.linkMessages);
            MeterReturns();
        }
    }
}

TEST_F(FaultTest, DiskRefusesFile)
{
    struct Case { const char *what; int records; rlim_t limit; bool readOnly; } cases[] = {
        {"disk full when the file is finished", 10, 1000, false},
        {"disk full half-way", 300, 40000, false},
        {"write-protected folder", 10, RLIM_INFINITY, true},
    };
    const QString ro = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkpath(ro));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        meter->saved = DemoMeter::FromScenario(QString("firmware 2.3.1\ngenerate-saved %1").arg(c.records), nullptr)->saved;
        target = (c.readOnly ? ro : dir.path()) + "/out.csv";
        std::function<void()> protect, unprotect;
        if (c.readOnly) {
            // Permission bits do not stop root: write as nobody then. The
            // earlier file itself stays writable: it must not be written in place.
            QFile(target).open(QIODevice::WriteOnly);
            QFile::setPermissions(target, QFileDevice::Permissions(0x6666));
            QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
            QFile::setPermissions(ro, QFileDevice::Permissions(0x5555));
            protect = [] { if (getuid() == 0) ASSERT_EQ(seteuid(65534), 0); };
            unprotect = [] { if (getuid() == 0) ASSERT_EQ(seteuid(0), 0); };
        } else {
            rlimit old{}, lim{};
            getrlimit(RLIMIT_FSIZE, &old);
            lim = old;
            lim.rlim_cur = c.limit;
            protect = [=] { std::signal(SIGXFSZ, SIG_IGN), setrlimit(RLIMIT_FSIZE, &lim); };
            unprotect = [=] { setrlimit(RLIMIT_FSIZE, &old), std::signal(SIGXFSZ, SIG_DFL); };
        }
        SetSaveDialogHandler([&](const QString &, const QString &, const QString &) { protect(); return target; });
        Run(true);
        unprotect();
        ExpectFailed({kFileError}, 0);
        EXPECT_TRUE(gUsbHid->fDeviceConnected());
    }
}

// The saved-data window's delete walks (some rows: one "F" each; every row:
// "E") while the meter vanishes or falls silent after every report.
TEST_F(FaultTest, DeleteWalks)
{
    const QStringList ten = meter->saved;
    QStringList listed, kept;
    std::unique_ptr<frmDeleteData> form;
    // One walk; the fault (0 none, 1 unplug, 2 stall) after k reports.
    // Returns the number of reports it took.
    auto walk = [&](bool every, int fault, int k) {
        MeterReturns();
        meter->saved = ten;
        EXPECT_EQ(ReadDirectory(0), 0);
        form = std::make_unique<frmDeleteData>();
        for (const QString &line : ten)
            form->lsvDataAdd(line);
        form->show();
        SelectNoItems(form->lsvData);
        if (every)
            form->cmdSelectAll->click();
        else
            for (int r : {1, 3, 4, 8})
                form->lsvData->selectionModel()->select(form->Rows()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const int before = meter->inputReportsSent;
        if (fault)
            (fault == 2 ? meter->stallAfterReports : meter->unplugAfterReports) = before + k;
        boxes.clear();
        answers = {vb::Yes};
        disconnects = 0;
        form->DeleteSelected();
        form->timDisconnect_Timer(); // the window's own check of the link
        listed.clear(), kept.clear();
        for (int r = 0; r < form->Rows()->Count(); ++r)
            listed << form->Rows()->UserValue(r).toString();
        for (const QString &line : std::as_const(meter->saved))
            kept << line.section(',', 1, 1);
        return meter->inputReportsSent - before;
    };
    for (bool every : {false, true}) {
        const int total = walk(every, 0, 0);
        EXPECT_EQ(Prompts().mid(1), QStringList());
        EXPECT_EQ(kept.size(), every ? 0 : 6);
        EXPECT_EQ(listed, kept);
        for (int fault : {1, 2}) {
            for (int k = 1; k < total; ++k) {
                SCOPED_TRACE(QString("%1, %2 after %3 of %4 reports").arg(every ? "erase" : "delete 4 of 10", fault == 2 ? "stall" : "unplug").arg(k).arg(total).toStdString());
                walk(every, fault, k);
                const QStringList p = Prompts().mid(1); // after the question
                EXPECT_EQ(p, QStringList{kLost});
                EXPECT_GE(disconnects, 1);
                EXPECT_TRUE(form->isHidden()); // closed: its list can no longer be trusted
                for (const QString &id : std::as_const(kept)) // nothing unlisted that the meter still holds
                    EXPECT_TRUE(listed.contains(id)) << qPrintable(id);
            }
        }
    }
    form.reset();
}

// The Tx list window's changes (deleting two of five entries, adding one,
// which reads the table back) while the meter vanishes or falls silent
// after every report.
TEST_F(FaultTest, TxChanges)
{
    const QStringList five = DemoMeter::FromScenario("firmware 2.3.1\ngenerate-tx 5", nullptr)->tx;
    QPointer<frmTx> form;
    auto stations = [](const QStringList &lines) {
        QStringList ids;
        for (const QString &line : lines)
            ids << line.section(',', 1, 1);
        ids.sort();
        return ids;
    };
    // One change; the fault (0 none, 1 unplug, 2 stall) after k reports.
    // Returns the number of reports it took.
    auto change = [&](bool add, int fault, int k) {
        MeterReturns();
        meter->tx = five;
        QStringList lines;
        EXPECT_EQ(ReadTxLines(lines), 0);
        delete form.data();
        form = new frmTx(main);
        for (const QString &line : std::as_const(lines))
            form->lsvDataAdd(line);
        form->show();
        const int before = meter->inputReportsSent;
        if (fault)
            (fault == 2 ? meter->stallAfterReports : meter->unplugAfterReports) = before + k;
        boxes.clear();
        disconnects = 0;
        if (add) {
            QTimer::singleShot(0, form, [&] {
                if (frmTxEdit *e = form->Editor())
                    e->txtCallSite->setText("NEW1"), e->txtFreq->setText("880"), e->cmdButton[0]->click();
            });
            form->AddNewTx();
        } else {
            SelectNoItems(form->lsvData);
            for (int r : {1, 3})
                form->lsvData->selectionModel()->select(form->Rows()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            answers = {vb::Yes};
            form->DeleteSelected();
        }
        if (form)
            form->timDisconnect_Timer(); // the window's own check of the link
        return meter->inputReportsSent - before;
    };
    for (bool add : {false, true}) {
        const int total = change(add, 0, 0);
        EXPECT_EQ(Prompts().mid(add ? 0 : 1), QStringList());
        EXPECT_EQ(meter->tx.size(), add ? 6 : 3);
        for (int fault : {1, 2}) {
            for (int k = 1; k < total; ++k) {
                SCOPED_TRACE(QString("%1, %2 after %3 of %4 reports").arg(add ? "add" : "delete 2 of 5", fault == 2 ? "stall" : "unplug").arg(k).arg(total).toStdString());
                change(add, fault, k);
                EXPECT_EQ(Prompts().mid(add ? 0 : 1), QStringList{kLost});
                EXPECT_GE(disconnects, 1);
                EXPECT_TRUE(!form || form->isHidden()); // closed: its list can no longer be trusted
                if (form && !add) { // nothing unlisted that the meter still holds
                    QStringList listed;
                    for (int r = 0; r < form->Rows()->Count(); ++r)
                        listed << form->Rows()->UserValue(r).toString();
                    for (const QString &id : stations(meter->tx))
                        EXPECT_TRUE(listed.contains(id)) << qPrintable(id);
                }
            }
        }
    }
    delete form.data();
}

} // namespace
