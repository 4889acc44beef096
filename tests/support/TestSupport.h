// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared test fixture: the demo meter platform, a fresh session for each
// test, and message boxes answered from a script.
#include "app/clsSession.h"
#include "common/clsOperation.h"
#include "common/modMsgBox.h"
#include "sim/DemoMeter.h"
#include "storage/clsFile.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class QTreeView;
class clsListModel;
class QHeaderView;
class frmMain;

// A window's control (widget or menu item) by its object name; the test
// fails when there is none.
template <class T>
T *Named(const QObject *window, const QString &name)
{
    T *child = window ? window->findChild<T *>(name) : nullptr;
    if (!child)
        ADD_FAILURE() << "no control named " << name.toStdString();
    return child;
}

// German regional settings (decimal comma, "." grouping) as the default
// locale while it lives, the settings under which a user's numbers and the
// meter's differ.
class GermanNumbers
{
public:
    GermanNumbers() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanNumbers() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

// Runs `check` under the current settings, then under German ones.
inline void UnderEachSettings(const std::function<void()> &check)
{
    check();
    SCOPED_TRACE("under German regional settings");
    const GermanNumbers german;
    check();
}

// Readable QStrings in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

struct ShownBox
{
    QString prompt;
    int buttons;
    QString title;
};

// Window tests may show each box as the real modal box, running its own
// event loop (timers, queued calls and operations go on meanwhile), and
// answer it this many ms after it opened. From DATACLAVE_TEST_MODAL_MS; -1
// (unset): boxes are answered at once and nothing opens.
int ModalBoxDelay();
// Shows `box` modally and answers `answer` once `delayMs` have passed, after
// running `whileOpen`. Installed by the window part of the fixture.
using ModalBoxShower = std::function<int(const ShownBox &box, int answer, int delayMs, const std::function<void()> &whileOpen)>;
extern ModalBoxShower gShowModalBox;
void InstallModalBoxes();

// The demo meters of tests wait this many times as long as a real one: the
// link's 4000 ms read time-out passes in 40 ms.
constexpr double kTestTimeScale = 0.01;

// Real modal boxes opened so far (building and first painting one is the
// window's own work, which WindowPace leaves out).
extern int gModalBoxesOpened;

// How long the window thread was busy at once: the longest gap between
// beats of a 10 ms timer, less the time the thread stood ready but had no
// core (a loaded machine, not the program) and leaving out the gaps in
// which a real modal box was opened; a wait on the meter still counts.
class WindowPace
{
public:
    WindowPace()
    {
        m_beat.setInterval(10);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { Beat(); });
    }
    void Start() { m_longest = 0, m_queued = QueuedNs(), m_boxes = gModalBoxesOpened, m_since.start(), m_beat.start(); }
    qint64 Stop() { m_beat.stop(); return m_longest; } // ms

private:
    void Beat()
    {
        const qint64 queued = QueuedNs(), gap = m_since.restart() - (queued - m_queued) / 1000000;
        if (m_boxes == gModalBoxesOpened)
            m_longest = qMax(m_longest, gap);
        m_queued = queued, m_boxes = gModalBoxesOpened;
    }
    // The calling thread's time ready to run but not running (Linux; 0 elsewhere).
    static qint64 QueuedNs();

    QTimer m_beat;
    QElapsedTimer m_since;
    qint64 m_longest = 0, m_queued = 0;
    int m_boxes = 0;
};

class MeterTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a meter (an empty one with firmware 2.3.1 when none is given).
    DemoMeter *AddMeter(std::unique_ptr<DemoMeter> meter = nullptr);
    DemoMeter *AddMeter(const QString &scenario);
    // One tick of the link's timer (watch step and connection follow-up).
    void Tick();
    // Ticks until the meter is connected and its version was asked.
    bool ConnectMeter();
    // Unplugs every meter (and lets the link notice), then adds this one and connects it.
    DemoMeter *ReplaceMeter(const QString &scenario);
    DemoMeter *ReplaceMeter(std::unique_ptr<DemoMeter> meter);
    // Unplugs the meter and lets the link notice.
    void Unplug(DemoMeter *meter);
    // "title|prompt" of every box shown.
    QStringList BoxTexts() const;
    QStringList Prompts() const;

    DemoHidPlatform platform;
    std::unique_ptr<clsSession> session; // the program's objects, from SetUp to TearDown
    QList<ShownBox> boxes; // every message box shown, in order
    QList<int> answers;    // answers for the next boxes; the default button after them
    // Runs inside each message box (e.g. DoEvents, to let ticks run as under a real box).
    std::function<void()> whileBoxOpen;
    // Real modal boxes answered after this many ms, or -1: answered at once.
    // Set before SetUp to choose for a whole fixture.
    int modalMs = ModalBoxDelay();

private:
    MsgBoxHandler m_oldHandler;
};

// A main window whose downloads run as the user runs them: the save dialog
// answers `saveAs` (after `whileDialogOpen`), and "OK" is pressed as soon as
// the progress window offers it.
class MainWindowTest : public MeterTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    // One download (save) or view (fill) of store `type`, checked for what
    // every way out must leave; returns the save flag as the download left it.
    bool Download(qint32 type, bool save);

    frmMain *main = nullptr;
    QString saveAs;                        // the save dialog's answer; empty: cancelled
    std::function<void()> whileDialogOpen;
    QStringList dialogs;                   // titles of the save dialogs shown
    QString caption, finished;             // the progress window's title, and its text when "OK" was offered
    bool clicksMain = true;                // the user clicks the disabled main window during downloads
    OpStatus lastStatus = OpStatus::Ok;    // how the last Download ended

private:
    SaveDialogHandler m_oldDialog;
    QTimer m_user;
    QElapsedTimer m_ended; // since "OK" was offered
    bool m_mainEnabledDuring = false;
    bool m_okActive = false;
};

// The reason the program gives when the system refuses a file with the C
// library's error `err`; Windows words the same cases with its own errors
// (a missing folder is ERROR_PATH_NOT_FOUND there).
QString FileErrorText(int err);

// Runs `fn` on the window thread and returns once it has run: for what a
// meter's hook (called from a step on the link thread) does as the user.
void AsTheUser(const std::function<void()> &fn);

// The demo meter of a scenario (the test fails when it does not parse).
std::unique_ptr<DemoMeter> Scenario(const QString &text);
// Runs a program of this build; returns its exit code, and fills stdout/stderr.
int RunProgram(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
               const QByteArray &input = QByteArray(), int timeoutMs = 20000);
QString BuiltProgram(const QString &name);
// dataclave-cli of this build, run with `args`, `input` on its standard
// input, under LC_ALL and LANG `locale` (when given), in `workDir`.
struct CliRun
{
    int code = -1;
    QByteArray out, err;
};
CliRun RunCli(const QStringList &args, const QByteArray &input = QByteArray(), const char *locale = nullptr,
              const QString &workDir = QString());

// The heading line of a saved-data file with its first `fields` columns (29
// to 31), as written: Windows-1252, without the line end.
QByteArray SavedHeader(int fields = 31);

// A file's bytes (empty when it cannot be read); writing returns success.
QByteArray ReadFile(const QString &path);
bool WriteFile(const QString &path, const QByteArray &bytes);
// Removes what the folder holds, names that are not valid text included
// (which QDir cannot name), so the folder itself can go.
void EmptyFolder(const QString &folder);
#ifndef _WIN32
// A character device like /dev/full (minor 7) or /dev/null (3) made in
// `folder` where the system lets a test make one, else the system's own,
// which a test may only write to.
QString CharDevice(const QString &folder, const char *name, int minor);
// A file's type, device and inode: the same after a write into it, other
// after the file was replaced.
QString NodeOf(const QString &path);
#endif
// Exactly these rows selected, the last one current.
void SelectRows(QTreeView *list, const QList<int> &rows);
// Every row's value (record number or station id) as text, in list order.
QStringList ListedIds(const clsListModel &rows);

// What a list column shows and how it sorts: heading, alignment (heading and
// cells), comparison kind and the direction of the first click on it.
struct ColumnWant { const char *heading; int align; int kind; int first; };
// Checks every column of `rows` against `columns`, clicking each heading on
// `header` but the one the list is first sorted by.
void ExpectColumns(const clsListModel &rows, QHeaderView *header, const QList<ColumnWant> &columns, int sortedBy);
// The second field (record number or station id) of each meter line.
QStringList LineIds(const QStringList &lines);
