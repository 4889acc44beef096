// SPDX-License-Identifier: GPL-3.0-or-later
// Fault matrix: downloads and views of ten saved records from the demo meter
// while the meter vanishes or falls silent after every possible report, sends
// odd replies, or the disk refuses the file. Ticks of the link's timer run
// under every message box and the save dialog, as they do in the program.
#include "TestSupportGui.h"
#include "app/modDownload.h"

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

const QString kFileError = "There is a problem writing to the file.\r\n";

class FaultTest : public FaultMatrixTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        whileBoxOpen = whileDialogOpen = [this] { Tick(); };
        oldFactory = SetDownloadTargetFactory(0, [this] { return std::make_unique<List>(this); });
        QObject::connect(gUsbHid, &clsUsbHid::Disconnect, gUsbHid, [this] { ++disconnects; }, Qt::DirectConnection);
        Connect("firmware 2.3.1\ngenerate-saved 10\ngenerate-tx 5");
    }
    void TearDown() override
    {
        SetDownloadTargetFactory(0, oldFactory);
        MainWindowTest::TearDown();
    }

    // One download (save) or view (fill) of the saved data over an earlier file.
    void Run(bool save)
    {
        ASSERT_TRUE(WriteFile(saveAs, "earlier"));
        rows = shown = disconnects = 0;
        reportsBefore = meter->InputReportsSent();
        Download(0, save);
        EXPECT_EQ(QDir(QFileInfo(saveAs).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
    }
    // A failed run: the earlier file stands, no list was shown, and besides
    // the messages the link gives, only `extra`.
    void ExpectFailed(const QStringList &extra, int linkMessages)
    {
        QStringList p = Prompts();
        for (QString &s : p) // which record failed is checked where it is known
            s.remove(QRegularExpression("\r\nRecord \\d+ of 10 could not be read\\.$"));
        EXPECT_EQ(p.count(kLost) + p.count(kAbsent), linkMessages) << qPrintable(p.join(" | "));
        p.removeAll(kLost), p.removeAll(kAbsent);
        EXPECT_EQ(p, extra);
        EXPECT_EQ(ReadFile(saveAs), QByteArray("earlier"));
        EXPECT_EQ(shown, 0);
    }
    void ExpectSucceeded(bool save)
    {
        EXPECT_EQ(Prompts(), QStringList());
        EXPECT_EQ(save ? int(ReadFile(saveAs).count("\r\n")) : shown, save ? 11 : 10) << "the lines saved, or the records listed";
    }
    // The saved-data window as the download sees it.
    struct List : DownloadTarget {
        explicit List(FaultTest *t) : t(t) {}
        FaultTest *t;
        void lsvDataAdd(const QString &) override { ++t->rows; }
        void ShowModal() override { t->shown = t->rows; }
    };
    DownloadTargetFactory oldFactory;
    int rows = 0, shown = 0, disconnects = 0, reportsBefore = 0;
};

TEST_F(FaultTest, UnplugOrStallAfterEveryReport)
{
    for (bool save : {true, false}) {
        MeterReturns();
        Run(save);
        ExpectSucceeded(save);
        const int total = meter->InputReportsSent() - reportsBefore;
        ASSERT_GT(total, 30);
        for (bool stall : {false, true}) {
            for (int k = 1; k <= total; ++k) {
                SCOPED_TRACE(QString("%1, %2 after %3 of %4 reports").arg(save ? "save" : "view", stall ? "stall" : "unplug").arg(k).arg(total).toStdString());
                (stall ? meter->Scenario().stallAfterReports : meter->Scenario().unplugAfterReports) = meter->InputReportsSent() + k;
                Run(save);
                if (k < total) {
                    // Unplugged while the save dialog was open, the meter is
                    // missed before anything is read: one message, nothing else.
                    ExpectFailed(Prompts().contains(kAbsent) ? QStringList() : QStringList{kReadFailure}, 1);
                    EXPECT_GE(disconnects, 1);
                    EXPECT_FALSE(!stall && gUsbHid->fDeviceConnected()) << "an unplugged meter is gone";
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
    // A reply whose reports all lack the last-report mark.
    auto unmarked = [](const QByteArray &text) {
        QList<QByteArray> r = DemoMeter::FrameReply(text, 65);
        for (QByteArray &b : r)
            b[1] = char(b[1] & 0x3F);
        return r;
    };
    const QString badCount = "The number of saved records in the FSM could not be read.\r\nIts reply was: " + QString(63, QChar(0xFF));
    // The commands answered oddly, their reply, what is told and how many link messages.
    struct Case { const char *what, *command; QList<QByteArray> reports; QString told; int linkMessages; } cases[] = {
        {"no last-report mark, then silence", "^D,", unmarked(QByteArray(150, 'x')), kReadFailure, 1},
        {"no last-report mark, endless", "^D,", unmarked(QByteArray(63 * 80, 'x')), kReadFailure, 0},
        {"wrong field count on every record", "^D,", DemoMeter::FrameReply("1,2,3,4,5\n", 65), kReadFailure, 0},
        {"wrong field count on record 4", "^D,3,1$", DemoMeter::FrameReply("1,2,3,4,5\n", 65), kReadFailure, 0},
        {"count query garbled after the file was chosen", "^C$", {QByteArray(65, '\xFF')}, badCount, 0},
        {"garbage reports", "^D,", {QByteArray(65, '\x3F'), QByteArray(1, '\0'), QByteArray(), QByteArray(65, '\xC1')}, kReadFailure, 0},
        {"empty replies", "^D,", {QByteArray(65, '\0')}, kReadFailure, 0},
    };
    for (const Case &c : cases) {
        for (bool save : {true, false}) {
            SCOPED_TRACE(QString("%1, %2").arg(c.what, save ? "save" : "view").toStdString());
            int counts = 0;
            meter->Scenario().replyOverride = [&](const QString &command, QList<QByteArray> &out) {
                // The first count query (before the save dialog) is answered properly.
                if (!QRegularExpression(c.command).match(command).hasMatch() || (command == "C" && ++counts == 1))
                    return false;
                return out = c.reports, true;
            };
            Run(save);
            ExpectFailed({c.told}, c.linkMessages);
            MeterReturns();
        }
    }
}

#ifndef _WIN32 // file size limits and user ids
TEST_F(FaultTest, DiskRefusesFile)
{
    // The message says why, as the system does.
    struct Case { const char *what; int records; rlim_t limit; bool readOnly; int reason; } cases[] = {
        {"disk full when the file is finished", 10, 1000, false, EFBIG},
        {"disk full half-way", 300, 40000, false, EFBIG},
        {"write-protected folder", 10, RLIM_INFINITY, true, EACCES},
    };
    const QString ro = dir.filePath("ro");
    ASSERT_TRUE(QDir().mkpath(ro));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        meter->Scenario().saved = Scenario(QString("firmware 2.3.1\ngenerate-saved %1").arg(c.records))->Scenario().saved;
        saveAs = (c.readOnly ? ro : dir.path()) + "/out.csv";
        std::function<void()> protect, unprotect;
        if (c.readOnly) {
            // Permission bits do not stop root: write as nobody then. The
            // earlier file itself stays writable: it must not be written in place.
            ASSERT_TRUE(WriteFile(saveAs, ""));
            QFile::setPermissions(saveAs, QFileDevice::Permissions(0x6666));
            QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755));
            QFile::setPermissions(ro, QFileDevice::Permissions(0x5555));
            protect = [] { if (getuid() == 0) ASSERT_EQ(seteuid(65534), 0); };
            unprotect = [] { if (getuid() == 0) ASSERT_EQ(seteuid(0), 0); };
        } else {
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            const rlimit lim{c.limit, old.rlim_max};
            protect = [=] { std::signal(SIGXFSZ, SIG_IGN), setrlimit(RLIMIT_FSIZE, &lim); };
            unprotect = [=] { setrlimit(RLIMIT_FSIZE, &old), std::signal(SIGXFSZ, SIG_DFL); };
        }
        whileDialogOpen = protect;
        Run(true);
        unprotect();
        ExpectFailed({kFileError + qt_error_string(c.reason)}, 0);
        EXPECT_TRUE(gUsbHid->fDeviceConnected());
    }
}
#endif

} // namespace
