// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli, run as a program against the demo meter.
#include "TestSupport.h"
#include "app/clsApp.h"

#include <QtCore>
#include <cerrno>
#include <clocale>
#include <csignal>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Result = CliRun;

// The demo meter of the golden cases (tests/cases/scenario): two saved
// records, 5 measured first and off the Tx frequency, and two Tx entries.
const QByteArray kScenarioText = ReadFile(QStringLiteral(DATACLAVE_TEST_CASES "/scenario"));
const char *const kScenario = kScenarioText.constData();

class CliTest : public ::testing::Test
{
protected:
    void TearDown() override { EmptyFolder(dir.path()); }
    QString Scenario(const QString &text = QString::fromLatin1(kScenario))
    {
        const QString path = dir.filePath(QStringLiteral("meter%1.txt").arg(++files));
        EXPECT_TRUE(WriteFile(path, text.toLatin1()));
        return path;
    }
    // The demo meter with the scenario, then the arguments.
    Result Demo(const QStringList &args, const QString &scenario = QString::fromLatin1(kScenario))
    {
        return RunCli(QStringList{QStringLiteral("--demo=") + Scenario(scenario)} + args);
    }
    // The commands the meter received, from the --verbose echo.
    static QStringList Sent(const Result &r)
    {
        QStringList sent;
        static const QRegularExpression command(QStringLiteral("^[A-Z](,.*)?$"));
        for (const QByteArray &line : r.err.split('\n'))
            if (command.match(QString::fromLatin1(line)).hasMatch())
                sent << QString::fromLatin1(line);
        return sent;
    }
    QTemporaryDir dir;
    int files = 0;
};

// The golden cases: each folder of tests/cases holds `args` (one argument a
// line; "--demo=SCENARIO" runs its own `scenario`, or the shared one) and
// `stdout` ("@VERSION@" there: the program's version), and may hold `exit`
// (0 when absent), `stderr` (without the device details --verbose prints)
// and `locale` (the LC_ALL to run under), all exact. It runs in a folder of its own holding the files of tests/cases
// and of its folder; there each `expect.NAME` of its folder must be NAME
// afterwards, and no other file may be left. A usage error (exit 2) comes at
// once: no meter is looked for (that takes 3 s). Under German regional
// settings (the de-* cases) the meter's numbers are listed and sent back as
// they are, and the options read the plain "." form.
class CliCase : public ::testing::TestWithParam<QString>
{
public:
    static std::vector<QString> Names()
    {
        const QStringList names = QDir(QStringLiteral(DATACLAVE_TEST_CASES)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return {names.begin(), names.end()};
    }
};

TEST_P(CliCase, GivesWhatItsFolderSays)
{
    const QDir cases(QStringLiteral(DATACLAVE_TEST_CASES)), c(cases.filePath(GetParam()));
    const QByteArray locale = ReadFile(c.filePath(QStringLiteral("locale"))).trimmed();
    if (!locale.isEmpty()) {
        // Without the locale the programs would run under "C" and prove nothing.
#ifdef Q_OS_WIN
        GTEST_SKIP() << "Windows takes the number form from the user's region, not from LC_ALL";
#endif
        const std::string current = std::setlocale(LC_ALL, nullptr);
        const bool installed = std::setlocale(LC_ALL, locale.constData()) != nullptr;
        std::setlocale(LC_ALL, current.c_str());
        if (!installed && !qEnvironmentVariableIsEmpty("CI"))
            FAIL() << "the " << locale.constData() << " locale is not installed";
        if (!installed)
            GTEST_SKIP() << "the " << locale.constData() << " locale is not installed";
    }
    QTemporaryDir work;
    for (const QDir &from : {cases, c})
        for (const QString &file : from.entryList(QDir::Files))
            ASSERT_TRUE(WriteFile(QDir(work.path()).filePath(file), ReadFile(from.filePath(file))));
    QStringList left = QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QStringList expected = c.entryList({QStringLiteral("expect.*")}, QDir::Files);
    for (const QString &file : expected)
        left << file.mid(7);
    left.removeDuplicates();
    left.sort();
    QStringList args = QString::fromUtf8(ReadFile(c.filePath(QStringLiteral("args")))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    args.replaceInStrings(QRegularExpression(QStringLiteral("^--demo=SCENARIO$")), QStringLiteral("--demo=scenario"));
    QElapsedTimer t;
    t.start();
    Result r = RunCli(args, {}, locale.isEmpty() ? nullptr : locale.constData(), work.path());
    // The device details differ from run to run (a handle).
    if (args.contains(QStringLiteral("--verbose")))
        r.err = QString::fromUtf8(r.err).remove(QRegularExpression(QStringLiteral("(?m)^  .*\n"))).toUtf8();
    const QByteArray exit = ReadFile(c.filePath(QStringLiteral("exit"))).trimmed();
    EXPECT_EQ(r.code, exit.isEmpty() ? 0 : exit.toInt()) << r.err.constData();
    EXPECT_EQ(r.out, ReadFile(c.filePath(QStringLiteral("stdout"))).replace("@VERSION@", clsApp::VersionText().toLatin1()));
    if (c.exists(QStringLiteral("stderr")))
        EXPECT_EQ(r.err, ReadFile(c.filePath(QStringLiteral("stderr"))));
    QStringList after = QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    after.sort();
    EXPECT_EQ(after, left);
    for (const QString &file : expected)
        EXPECT_EQ(ReadFile(QDir(work.path()).filePath(file.mid(7))), ReadFile(c.filePath(file))) << qPrintable(file);
    if (r.code == 2)
        EXPECT_LT(t.elapsed(), 2500);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliCase, ::testing::ValuesIn(CliCase::Names()), [](const auto &info) {
    return QString(info.param).replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_")).toStdString();
});

TEST_F(CliTest, WaitsForTheMeterAsLongAsAsked)
{
    QElapsedTimer t;
    t.start();
    const Result r = RunCli({"--wait", "0.6", "version"});
    EXPECT_EQ(r.code, 1);
    EXPECT_GE(t.elapsed(), 600);
    EXPECT_LT(t.elapsed(), 3000); // not the 3 s default
}

// A target that is no regular file is written into, never replaced; one
// that cannot be written leaves nothing and gives the system's reason (the
// meter's faults: tests/cases/download-*).
TEST_F(CliTest, FailedWritesLeaveNoFile)
{
    const QString meter = Scenario(), survey = QStringLiteral(DATACLAVE_TEST_CASES "/survey.csv");
    const QStringList tx{"--demo=" + meter, "download", "tx"}, kml{"export", "kml", survey}, gpx{"export", "gpx", survey};
    // reason 0: written
    struct Case { QStringList command; QString target; int reason; };
    QList<Case> cases = {
        {tx, dir.filePath("missing/out.csv"), ENOENT}, {tx, dir.path(), EISDIR}, {tx, dir.filePath(QString(300, 'n')), ENAMETOOLONG},
        {gpx, dir.filePath("none/a.gpx"), ENOENT},
    };
#ifndef _WIN32
    const QString null = CharDevice(dir.path(), "null", 3), full = CharDevice(dir.path(), "full", 7);
    const QStringList nodes{NodeOf(null), NodeOf(full)};
    cases += {{tx, null, 0}, {tx, full, ENOSPC}, {kml, full, ENOSPC}};
#endif
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const Case &c : cases) {
        SCOPED_TRACE((c.command.mid(1).join(' ') + ' ' + c.target.left(60)).toStdString());
        const Result r = RunCli(c.command + QStringList{c.target});
        EXPECT_EQ(r.code, c.reason ? 1 : 0);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err, c.reason ? "ZT 6200 File Error: There is a problem writing to the file.\n" + FileErrorText(c.reason).toUtf8() + "\n"
                                  : QByteArray());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
#ifndef _WIN32
    EXPECT_EQ(QStringList({NodeOf(null), NodeOf(full)}), nodes);
#endif
}

#ifndef _WIN32 // through a POSIX shell, its pipes, devices and signals
// On a terminal (through script(1), where present): the progress bar and a
// confirmation answered by the user.
TEST_F(CliTest, OnATerminal)
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    auto onTerminal = [&](const QStringList &args, const QByteArray &typed, const QString &scenario = QString::fromLatin1(kScenario)) {
        QStringList quoted;
        for (const QString &a : QStringList{BuiltProgram(QStringLiteral("dataclave-cli")), QStringLiteral("--demo=") + Scenario(scenario)} + args)
            quoted << QLatin1Char('\'') + a + QLatin1Char('\'');
        Result r;
        r.code = RunProgram(script, {"-qec", quoted.join(' '), "/dev/null"}, &r.out, &r.err, typed);
        return r;
    };
    const Result download = onTerminal({"download", "saved", dir.filePath("t.csv")}, "");
    EXPECT_EQ(download.code, 0);
    EXPECT_TRUE(download.out.contains("\rReading Data 2 of 2 [##############################] 100%"));
    EXPECT_TRUE(download.out.contains("Finished! Downloaded 2 records.\r\n"));

    struct Case { QByteArray typed; int code; bool erased; } cases[] = {{"y\n", 0, true}, {"\n", 1, false}, {"no\n", 1, false}, {"yesterday\n", 1, false}};
    for (const Case &c : cases) {
        const Result r = onTerminal({"--verbose", "erase", "saved"}, c.typed);
        EXPECT_EQ(r.code, c.code) << c.typed.constData();
        EXPECT_TRUE(r.out.contains("(No undo possible) [y/N] "));
        // The echo of the erase command, after the prompt or on a line of its own.
        EXPECT_EQ(QString::fromLatin1(r.out).contains(QRegularExpression(QStringLiteral("(^|\\s)E\r\n"))), c.erased)
            << c.typed.constData();
    }

    // Meter text with terminal controls (a title change, a bell, a screen
    // clear, a C1 control) in its version and a Tx line: escapes on the
    // terminal, exact bytes through a pipe.
    const QString firmware = QString::fromLatin1("firmware 2.2.15\x1b]0;owned\x07\n");
    const QString tx = QString::fromLatin1("firmware 2.2.15\ntx 1,1,\"K\x1b[2J\x9d\",500,1,2,3\n");
    struct Shown { QStringList args; QString scenario; QByteArray shown; QByteArray piped; };
    const Shown shown[] = {
        {{"version"}, firmware, "2.2.15\\x1B]0;owned\\x07\r\n", "2.2.15\x1b]0;owned\x07\n"},
        {{"send", "T,0,1"}, tx, "1,1,\"K\\x1B[2J\\x9D\",500,1,2,3\r\n", "1,1,\"K\x1b[2J\x9d\",500,1,2,3\n"},
        {{"list", "tx"}, tx, "\nK\\x1B[2J\\x9D\t", "\nK\x1b[2J\xc2\x9d\t"},
        {{"--verbose", "send", "Q\x1b[5m"}, tx, "Q\\x1B[5m\r\n", "Q\x1b[5m\n"}, // the echo, on standard error
    };
    for (const Shown &c : shown) {
        const QByteArray what = c.args.join(' ').toLatin1();
        const Result t = onTerminal(c.args, "", c.scenario);
        EXPECT_TRUE(t.out.contains(c.shown)) << what.constData() << "\n" << t.out.toPercentEncoding().constData();
        for (char control : {'\x1b', '\x07', '\x9d'})
            EXPECT_FALSE(t.out.contains(control)) << what.constData();
        const Result p = Demo(c.args, c.scenario);
        EXPECT_TRUE((p.out + p.err).contains(c.piped)) << what.constData() << "\n" << p.out.toPercentEncoding().constData();
    }
}

// Runs `script` in bash with $CLI the program, $METER a scenario file and
// $TMPDIR a folder of the test's own.
Result Shell(const QString &script, const QString &meter, const QString &tmp)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CLI", BuiltProgram(QStringLiteral("dataclave-cli")));
    env.insert("METER", meter);
    env.insert("TMPDIR", tmp);
    p.setProcessEnvironment(env);
    p.start("bash", {"-c", script});
    Result r{-1, {}, {}};
    if (p.waitForFinished(60000))
        r.code = p.exitCode();
    r.out = p.readAllStandardOutput(), r.err = p.readAllStandardError();
    return r;
}

// Through the shell, in a folder of its own: a full disk, a reader that has
// had enough (the program ends quietly, as SIGPIPE does), a size limit, and
// FIFOs nobody opens or reads (a signal still ends it). A failed write is
// told, and nothing is left behind, in the folder or the temporary one.
TEST_F(CliTest, FailedOutputIsAFailure)
{
    const QString device = CharDevice(dir.path(), "full", 7), node = NodeOf(device);
    const QByteArray reason = "dataclave-cli: cannot write to standard output: " + qt_error_string(ENOSPC).toUtf8() + "\n";
    const QByteArray tooLarge = "ZT 6200 File Error: There is a problem writing to the file.\n" + qt_error_string(EFBIG).toUtf8() + "\n";
    const QString meter = Scenario(QStringLiteral("generate-saved 3000\n"));
    struct Case { const char *what; QString script; int code; QByteArray err; } cases[] = {
        {"download to a full disk", "\"$CLI\" --demo=\"$METER\" download saved - >\"$DEV\"", 1, reason},
        {"list to a full disk", "\"$CLI\" --demo=\"$METER\" list saved >\"$DEV\"", 1, reason},
        {"help to a full disk", "\"$CLI\" --help >\"$DEV\"", 1, reason},
        {"download to a closed pipe", "\"$CLI\" --demo=\"$METER\" download saved - | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}", 141, ""},
        {"list to a closed pipe", "\"$CLI\" --demo=\"$METER\" list saved | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}", 141, ""},
        {"size limit", "ulimit -f 1; \"$CLI\" --demo=\"$METER\" download saved out.csv", 1, tooLarge},
        {"size limit, analysis table", "ulimit -f 0; \"$CLI\" analyze \"" DATACLAVE_TEST_CASES "/analyze/radials.csv\" --csv fit.csv", 1,
         tooLarge},
        {"size limit, standard output", "ulimit -f 1; \"$CLI\" --demo=\"$METER\" download saved - >/dev/null", 1, tooLarge},
        {"FIFO nobody opens", "mkfifo out; \"$CLI\" --demo=\"$METER\" download saved out & sleep 1; kill -TERM $!; wait $!; rc=$?; "
                              "rm out; exit $rc", 130, ""},
        {"FIFO nobody reads", "mkfifo out; exec 3<>out; \"$CLI\" --demo=\"$METER\" download saved out & sleep 1; kill -INT $!; "
                              "wait $!; rc=$?; rm out; exit $rc", 130, ""},
        // Stopped while the finished file goes to a reader that has stopped reading.
        {"FIFO as standard output", "mkfifo out; exec 3<>out; \"$CLI\" --demo=\"$METER\" download saved - >out & "
                                    "for i in $(seq 200); do [ -e \"$TMPDIR\"/dataclave-cli-*/download.csv ] && break; sleep 0.05; done; "
                                    "sleep 0.3; kill -TERM $!; wait $!; rc=$?; rm out; exit $rc", 130, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir work, tmp;
        const Result r = Shell("cd '" + work.path() + "' && DEV='" + device + "'; " + c.script, meter, tmp.path());
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        EXPECT_TRUE(QDir(tmp.path()).isEmpty());
    }
    EXPECT_EQ(NodeOf(device), node);
}

TEST_F(CliTest, DownloadIntoAPipe)
{
    const QString pipe = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe), 0600), 0);
    const QString node = NodeOf(pipe);
    const Result r = Shell(QStringLiteral("timeout 20 cat \"$0\" & \"$CLI\" --demo=\"$METER\" download tx \"$0\"; rc=$?; wait; exit $rc")
                           .replace("$0", pipe), Scenario(), dir.path());
    EXPECT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(r.out, Demo({"download", "tx", "-"}).out);
    EXPECT_EQ(NodeOf(pipe), node);
}

// Names that are not valid UTF-8, and a folder of such a name: files are
// written under their own bytes (the second time over the first file, and
// nothing else left), and read back by every command that reads one: the
// scenario, a download to export, plot and restore.
TEST_F(CliTest, NamesKeepTheirBytes)
{
    const Result r = Shell(QStringLiteral("cd \"$0\" && mkdir \"$(printf 'd\\377')\" && S=\"$(printf 's\\377.csv')\" "
                                          "T=\"$(printf 'd\\377/t\\376.csv')\" M=\"$(printf 'm\\375.txt')\" && cp \"$METER\" \"$M\" && "
                                          "\"$CLI\" --demo=\"$M\" download saved \"$S\" && for run in 1 2; do "
                                          "\"$CLI\" --demo=\"$M\" download tx \"$T\" || exit; done; ls -A d*; cat \"$T\" && "
                                          "\"$CLI\" export gpx \"$S\" - && \"$CLI\" plot \"$S\" p.png && "
                                          "\"$CLI\" --demo=\"$M\" tx restore \"$T\" --dry-run >/dev/null && head -c 4 p.png")
                               .replace("$0", dir.path()), Scenario(), dir.path());
    EXPECT_EQ(r.code, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("t\xfe.csv\n" + Demo({"download", "tx", "-"}).out)) << r.out.left(80).constData();
    EXPECT_EQ(r.out.count("<wpt "), 2) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith("\x89PNG")) << r.out.right(40).constData();
}

// The tool with `args`, sent `sig` once its standard error (the --verbose
// echo) holds `trigger` and `delayMs` more have passed; TMPDIR is `tmp` when
// given. Code -1: it never said `trigger`.
Result Interrupted(const QStringList &args, const QByteArray &trigger, int sig, const QString &tmp = {}, int delayMs = 0)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!tmp.isEmpty())
        env.insert("TMPDIR", tmp);
    p.setProcessEnvironment(env);
    p.start(BuiltProgram(QStringLiteral("dataclave-cli")), args);
    p.setReadChannel(QProcess::StandardError);
    Result r;
    QElapsedTimer t;
    t.start();
    while (!r.err.contains(trigger) && t.elapsed() < 20000 && p.waitForReadyRead(10000))
        r.err += p.readAllStandardError();
    if (r.err.contains(trigger)) {
        QThread::msleep(delayMs);
        ::kill(pid_t(p.processId()), sig);
    }
    if (!p.waitForFinished(20000))
        p.kill(), p.waitForFinished();
    if (r.err.contains(trigger))
        r.code = p.exitCode();
    r.err += p.readAllStandardError();
    r.out = p.readAllStandardOutput();
    return r;
}

TEST_F(CliTest, InterruptedDownloadLeavesNothing)
{
    const QString meter = Scenario(QStringLiteral("generate-saved 5000\nreport-latency-us 1000\n"));
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        for (bool toStdout : {false, true}) {
            SCOPED_TRACE(QString("signal %1, %2").arg(sig).arg(toStdout ? "stdout" : "file").toStdString());
            QTemporaryDir out, tmp;
            ASSERT_TRUE(WriteFile(out.filePath("out.csv"), "earlier"));
            // Interrupted while records are being read.
            const Result r = Interrupted({"--verbose", QStringLiteral("--demo=") + meter, "download", "saved",
                                          toStdout ? "-" : out.filePath("out.csv")}, "D,3,1", sig, tmp.path());
            EXPECT_EQ(r.code, 130);
            EXPECT_TRUE(r.out.isEmpty());
            // Stopped after the record under way, not in the middle of it.
            EXPECT_TRUE(QString::fromUtf8(r.err).contains(QRegularExpression("\nDownload cancelled after \\d+ of 5000 records.\n$")))
                << qPrintable(r.err.right(80));
            EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"out.csv"});
            EXPECT_EQ(ReadFile(out.filePath("out.csv")), "earlier");
            EXPECT_TRUE(QDir(tmp.path()).isEmpty());
        }
    }
    // Stopped while the count is read: the download that follows says so.
    // The version's reply is in: the first count is asked at once and takes
    // a second to come (a signal between two reads ends the tool at once,
    // silently, as nothing has begun).
    const Result count = Interrupted({"--verbose", QStringLiteral("--demo=") + Scenario("generate-saved 50\nreport-latency-us 1000000\n"),
                                      "download", "saved", dir.filePath("count.csv")}, "\nA\n", SIGINT, {}, 300);
    EXPECT_EQ(count.code, 130);
    EXPECT_TRUE(count.err.endsWith("\nDownload cancelled after 0 of 50 records.\n")) << qPrintable(count.err.right(80));
    EXPECT_FALSE(QFile::exists(dir.filePath("count.csv")));
}

// Ctrl+C, termination or a closed terminal while the meter is being changed:
// the command under way is finished first, and what was done is told.
TEST_F(CliTest, InterruptedChangesSayWhatWasDone)
{
    QByteArray restore = "\"Dir ID\",\"Station ID\",\"Call Sign\",\"Frequency (kHz)\",\"Latitude\",\"Longitude\",\"Variation\"\r\n";
    for (int i = 0; i < 12; ++i)
        restore += "1,1,\"NEW" + QByteArray::number(i) + "\",500,1,2,3\r\n";
    const QString file = dir.filePath(QStringLiteral("restore.csv"));
    ASSERT_TRUE(WriteFile(file, restore));
    QStringList ids;
    for (int i = 1; i <= 30; ++i)
        ids << QString::number(i);
    const QString slow = QStringLiteral("report-latency-us 20000\n");
    struct Case { const char *what; int sig; QString scenario; QStringList args; QByteArray trigger, told; } cases[] = {
        {"delete saved", SIGHUP, "generate-saved 30\n" + slow, QStringList{"delete", "saved"} + ids, "\nF,",
         "interrupted after the delete under way had finished: deleted saved records "},
        {"delete saved", SIGINT, "generate-saved 30\n" + slow, QStringList{"delete", "saved"} + ids, "\nF,",
         "interrupted after the delete under way had finished: deleted saved records "},
        {"tx add", SIGINT, "tx-capacity 60\ngenerate-tx 40\n" + slow,
         {"tx", "add", "--call", "N1", "--freq", "500", "--lat", "1", "--lon", "2", "--var", "3"}, "\nU,",
         "interrupted after the add under way had finished: the Tx was added"},
        {"tx restore", SIGTERM, "tx-capacity 60\ngenerate-tx 2\n" + slow, {"tx", "restore", file}, "\nU,",
         "interrupted after the entry under way had been sent and answered"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = Interrupted(QStringList{"--verbose", "--yes", QStringLiteral("--demo=") + Scenario(c.scenario)} + c.args,
                                     c.trigger, c.sig);
        EXPECT_EQ(r.code, 130) << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.told)) << r.err.constData();
        const QStringList sent = Sent(r);
        if (c.args.at(0) == QLatin1String("delete")) {
            // Told as deleted: exactly the records whose delete was sent, none left out.
            QStringList deleted = sent.filter(QRegularExpression("^F,"));
            deleted.replaceInStrings("F,", "");
            const QByteArray told = r.err.mid(r.err.indexOf(c.told) + c.told.size());
            EXPECT_TRUE(told.startsWith(deleted.join(", ").toUtf8() + "; still in the meter: ")) << told.constData();
            EXPECT_LT(deleted.size(), ids.size());
        } else if (c.args.at(1) == QLatin1String("add")) {
            EXPECT_TRUE(QRegularExpression("^\\d+\n$").match(QString::fromLatin1(r.out)).hasMatch()) << r.out.constData();
        } else {
            // Every entry in a count: those sent, and those not tried.
            const int added = int(sent.filter(QRegularExpression("^U,")).size());
            EXPECT_TRUE(r.out.endsWith(QStringLiteral("added %1, already present 0, refused 0, not added for lack of room 0, "
                                                      "not tried %2\n").arg(added).arg(12 - added).toUtf8()))
                << r.out.constData();
            EXPECT_LT(added, 12);
        }
    }
}
#endif

} // namespace
