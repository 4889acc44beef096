// dataclave-cli, run as a program against the demo meter.
#include "TestSupport.h"
#include "app/clsApp.h"

#include <QtCore>
#include <csignal>

namespace {

struct Result
{
    int code;
    QByteArray out, err;
};

Result Cli(const QStringList &args, const QByteArray &input = QByteArray())
{
    Result r;
    r.code = RunProgram(BuiltProgram(QStringLiteral("dataclave-cli")), args, &r.out, &r.err, input);
    return r;
}

// Two saved records (ids 3 and 5, read in that order but 5 measured first,
// 5 off the Tx frequency) and two Tx entries, on firmware 2.2.
const char *const kScenario =
    "# a comment, and a blank line\n\n"
    "firmware 2.2.15\n"
    "saved-capacity 40\n"
    "tx-capacity 9\n"
    "saved 1,3,1,1,\"KDCV\",1230,1230,1,\"ND\",\"JS\",\"a\",1,05-Nov-2026 08:32:17,05-Nov-2026 00:32:17,1,\"Loop\",TRUE,"
    "45.5,-118.2,350,60.1,\"dBuV\",1.0,\"mV/m\",1.0,60.0,1.25,20.0,4.1,TRUE\n"
    "saved 1,5,2,1,\"KDCV\",1230,1240,1,\"ND\",\"JS\",\"b\",2,04-Nov-2026 08:35:17,04-Nov-2026 00:35:17,1,\"Loop\",TRUE,"
    "45.6,-118.1,351,60.1,\"dBuV\",1.0,\"mV/m\",1.0,60.0,1.5,21.0,4.2,TRUE\n"
    "tx 1,1,\"KDCV\",1230,45.504306,-118.25000,-14.50000\n"
    "tx 2,12,\"KWAL\",1400,46.064583,-118.34306,-15.00000\n";

class CliTest : public ::testing::Test
{
protected:
    QString Scenario(const QString &text = QString::fromLatin1(kScenario))
    {
        const QString path = dir.filePath(QStringLiteral("meter%1.txt").arg(++files));
        EXPECT_TRUE(WriteFile(path, text.toLatin1()));
        return path;
    }
    // The demo meter with the scenario, then the arguments.
    Result Demo(const QStringList &args, const QString &scenario = QString::fromLatin1(kScenario))
    {
        return Cli(QStringList{QStringLiteral("--demo=") + Scenario(scenario)} + args);
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

TEST_F(CliTest, UsageErrorsTouchNoMeter)
{
    const QStringList cases[] = {
        {}, {"frobnicate"}, {"version", "extra"}, {"list", "files"}, {"download", "saved"}, {"erase", "tx"},
        {"delete", "saved"}, {"delete", "saved", "1.5"}, {"delete", "tx", "40000"},
        {"send", QString(64, QLatin1Char('A'))}, {"send", QString::fromUtf8("\xe2\x98\x83")}, // a snowman: no ANSI byte
        {"--wait", "soon", "version"}, {"--call", "KABC", "version"}, {"tx", "add", "--call", "KABC"}, {"tx", "edit", "x"},
    };
    for (const QStringList &args : cases) {
        // No --demo and no --wait: a search for a real meter would take 3 s.
        QElapsedTimer t;
        t.start();
        const Result r = Cli(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.out.isEmpty()) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.err.contains("--help")) << qPrintable(args.join(' '));
        EXPECT_LT(t.elapsed(), 2500) << qPrintable(args.join(' '));
    }
    const Result help = Cli({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char *word : {"version", "status", "download", "list", "send", "delete", "erase", "tx add", "tx edit", "--wait",
                             "--version", "GPL-3.0-or-later"})
        EXPECT_TRUE(help.out.contains(word)) << word;
    // --version wins over a command, as --help does, and never looks for a meter.
    for (const QStringList &args : {QStringList{"--version"}, QStringList{"--version", "status"}}) {
        const Result r = Cli(args);
        EXPECT_EQ(r.code, 0) << qPrintable(args.join(' '));
        EXPECT_TRUE(r.out.startsWith("dataclave-cli (ZT6200 Dataclave) " + clsApp::VersionText().toLatin1() + "\n"))
            << r.out.constData();
        EXPECT_TRUE(r.out.contains("GPL-3.0-or-later")) << r.out.constData();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    }
}

TEST_F(CliTest, ReadingCommands)
{
    struct Case { QStringList args; QByteArray out; } cases[] = {
        {{"version"}, "2.2.15\n"},
        {{"status"}, "connected\nversion 3 2.2.15\nsaved 2 of 40\ntx 2 of 9\n"},
        {{"send", "S"}, "2,9\n"},       // the reply's bytes as the meter sent them
        {{"send", "Q,1"}, "ERROR\n"},   // a refusal is a reply too
    };
    for (const Case &c : cases) {
        const Result r = Demo(c.args);
        EXPECT_EQ(r.code, 0) << qPrintable(c.args.join(' ')) << r.err.constData();
        EXPECT_EQ(r.out, c.out) << qPrintable(c.args.join(' '));
    }
    // The built-in demo data, without a scenario file.
    const Result builtIn = Cli({"--demo", "status"});
    EXPECT_EQ(builtIn.out, "connected\nversion 4 2.3.4\nsaved 36 of 500\ntx 5 of 100\n");
}

TEST_F(CliTest, DestructiveCommandsNeedConfirmation)
{
    struct Case { QStringList args; QByteArray input; int code; QStringList sent; } cases[] = {
        {{"delete", "saved", "5", "3", "5"}, "", 2, {"A", "C"}},
        {{"--yes", "delete", "saved", "5", "3", "5"}, "", 0, {"A", "C", "F,5", "F,3"}},
        // The meter refuses an unknown record: four tries, then the next is not sent.
        {{"--yes", "delete", "saved", "7", "3"}, "", 1, {"A", "C", "F,7", "F,7", "F,7", "F,7"}},
        {{"erase", "saved"}, "y\n", 2, {"A", "C"}}, // standard input is no terminal: never read
        {{"--yes", "erase", "saved"}, "", 0, {"A", "C", "E"}},
    };
    for (const Case &c : cases) {
        const Result r = Demo(QStringList{"--verbose"} + c.args);
        EXPECT_EQ(r.code, c.code) << qPrintable(c.args.join(' ')) << r.err.constData();
        EXPECT_EQ(Sent(r), c.sent) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.out.isEmpty());
        if (c.code == 2)
            EXPECT_TRUE(r.err.contains("Delete Records?: Are you sure that you want to delete these records? \n(No undo possible)"));
    }
    // An empty store: nothing to erase, nothing sent.
    const Result empty = Demo({"--verbose", "--yes", "erase", "saved"}, QStringLiteral("saved-capacity 10\n"));
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(Sent(empty), (QStringList{"A", "C"}));
}

TEST_F(CliTest, MeterProblemsExitWithOne)
{
    struct Case { QStringList args; QString scenario; QByteArray out; QByteArray err; } cases[] = {
        {{"--wait", "0", "status"}, "", "not connected\n",
         "ZT 6200 Communication Problem: ZT 6200 is not connected. Please connect it with the USB cable\n"},
        {{"--demo=/nonexistent/meter.txt", "version"}, "", "", "cannot read"},
        {{"send", "S"}, "stall-after-reports 1\n", "", "ZT 6200 was disconnected. Please reconnect it."},
        {{"status"}, "unplug-after-reports 1\n", "connected\nversion 4 2.3.1\n", "ZT 6200 was disconnected."},
        {{"erase", "saved"}, "firmware 2.4.0\ngenerate-saved 2\n", "",
         "Update Software: ZT 6200 firmware (2.4.0)\nrequires a newer version of the Dataclave program.\n"},
        {{"--yes", "delete", "saved", "1"}, "generate-tx 2\n", "", "The FSM has no saved records."},
        {{"list", "tx"}, "generate-saved 2\n", "", "The FSM has no saved records."},
    };
    for (const Case &c : cases) {
        const bool demo = !c.scenario.isEmpty();
        const Result r = demo ? Demo(c.args, c.scenario) : Cli(c.args);
        EXPECT_EQ(r.code, 1) << qPrintable(c.args.join(' '));
        EXPECT_EQ(r.out, c.out) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.err.contains(c.err)) << qPrintable(c.args.join(' ')) << "\n" << r.err.constData();
    }
}

TEST_F(CliTest, WaitsForTheMeterAsLongAsAsked)
{
    QElapsedTimer t;
    t.start();
    const Result r = Cli({"--wait", "0.6", "version"});
    EXPECT_EQ(r.code, 1);
    EXPECT_GE(t.elapsed(), 600);
    EXPECT_LT(t.elapsed(), 3000); // not the 3 s default
}

TEST_F(CliTest, FailedDownloadsLeaveNoFile)
{
    const QString noRecords = QStringLiteral("ZT 6200 Reading Problem: The FSM has no saved records.");
    const QString readProblem = QStringLiteral("Reading Problem: There is a problem with reading the data\n(either USB connection or data problems)");
    struct Case { const char *what; QString scenario; QString target; QString err; } cases[] = {
        {"no records", "tx-capacity 3\n", "out.csv", noRecords},
        {"meter gone on record 3", "generate-saved 5\nunplug-after-reports 5\n", "out.csv", readProblem},
        {"meter gone, to stdout", "generate-saved 5\nunplug-after-reports 5\n", "-", readProblem},
        {"no such folder", "generate-saved 5\n", "missing/out.csv",
         QStringLiteral("ZT 6200 File Error: There is a problem writing to the file.\nIs it already open in another application?")},
    };
    for (const Case &c : cases) {
        QTemporaryDir out;
        const QString target = c.target == QLatin1String("-") ? c.target : out.filePath(c.target);
        const Result r = Demo({"download", "saved", target}, c.scenario);
        EXPECT_EQ(r.code, 1) << c.what;
        EXPECT_TRUE(r.out.isEmpty()) << c.what;
        EXPECT_TRUE(QDir(out.path()).isEmpty()) << c.what;
        EXPECT_TRUE(r.err.contains(c.err.toUtf8())) << c.what << "\n" << r.err.constData();
    }
}

// On a terminal (through script(1), where present): the progress bar and a
// confirmation answered by the user.
TEST_F(CliTest, OnATerminal)
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    auto onTerminal = [&](const QStringList &args, const QByteArray &typed) {
        QStringList quoted;
        for (const QString &a : QStringList{BuiltProgram(QStringLiteral("dataclave-cli")), QStringLiteral("--demo=") + Scenario()} + args)
            quoted << QLatin1Char('\'') + a + QLatin1Char('\'');
        Result r;
        r.code = RunProgram(script, {"-qec", quoted.join(' '), "/dev/null"}, &r.out, &r.err, typed);
        return r;
    };
    const Result download = onTerminal({"download", "saved", dir.filePath("t.csv")}, "");
    EXPECT_EQ(download.code, 0);
    EXPECT_TRUE(download.out.contains("\rReading Data 2 of 2 [##############################] 100%"));
    EXPECT_TRUE(download.out.contains("Finished! Downloaded 2 records.\r\n"));

    struct Case { QByteArray typed; int code; bool erased; } cases[] = {{"y\n", 0, true}, {"\n", 1, false}, {"no\n", 1, false}};
    for (const Case &c : cases) {
        const Result r = onTerminal({"--verbose", "erase", "saved"}, c.typed);
        EXPECT_EQ(r.code, c.code) << c.typed.constData();
        EXPECT_TRUE(r.out.contains("(No undo possible) [y/N] "));
        // The echo of the erase command, after the prompt or on a line of its own.
        EXPECT_EQ(QString::fromLatin1(r.out).contains(QRegularExpression(QStringLiteral("(^|\\s)E\r\n"))), c.erased)
            << c.typed.constData();
    }
}

TEST_F(CliTest, InterruptedDownloadLeavesNothing)
{
    QTemporaryDir out;
    QProcess p;
    p.start(BuiltProgram(QStringLiteral("dataclave-cli")),
            {QStringLiteral("--demo=") + Scenario(QStringLiteral("generate-saved 5000\nreport-latency-us 1000\n")), "download",
             "saved", out.filePath("out.csv")});
    ASSERT_TRUE(p.waitForStarted());
    QThread::msleep(500);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_TRUE(QDir(out.path()).isEmpty());
}

TEST_F(CliTest, TxChanges)
{
    const QString full = QStringLiteral("firmware 2.2.15\ntx-capacity 2\ntx 1,1,\"A\",500,1,2,3\ntx 1,2,\"B\",600,1,2,3\n");
    const QString one = QStringLiteral("firmware 2.2.15\ntx 1,1,\"A\",500,1,2,3\n");
    const QString v23 = QStringLiteral("firmware 2.3.1\ntx 5,1234,\"KDCV\",1230,45.504306,-118.25000,-14.50000,\"AM\"\n"
                                       "tx 6,12345,\"KWAL\",1400,46.064583,-118.34306,-15.00000,\"AM\"\n");
    const QStringList add = {"--yes", "tx", "add", "--call", "abc-1", "--freq", "1010", "--lat", "45.5", "--lon",
                             "118 15 30.5 W", "--var", "14 30 W"};
    const QStringList edit = {"--yes", "tx", "edit", "1234"};
    struct Case { const char *what; QString scenario; QStringList args; int code; QByteArray out; QString sent; QString err; } cases[] = {
        // The meter numbers a new entry itself; its station id is printed.
        {"add", "", add, 0, "13\n", "U,0,0,\"ABC-1\",1010,45.500000,-118.25847,-14.50000", ""},
        {"add with modulation", v23, add + QStringList{"--mod", "drm4.5"}, 0, "12346\n",
         "U,0,0,\"ABC-1\",1010,45.500000,-118.25847,-14.50000,\"DRM4.5\"", ""},
        {"add when full", full, add, 1, "", "", "No more Tx slots available"},
        {"add, unknown firmware", "firmware\ntx 1,1,\"A\",500,1,2,3\n", add, 1, "", "", "does not take new or changed Tx"},
        {"modulation on 2.2", "", add + QStringList{"--mod", "AM"}, 2, "", "", "have no modulation"},
        {"edit", "", {"--yes", "tx", "edit", "12", "--freq", "1410"}, 0, "",
         "X,2,12,\"KWAL\",1410,46.064583,-118.34306,-15.00000", ""},
        {"edit, not confirmed", "", {"tx", "edit", "12", "--freq", "1410"}, 2, "", "", "Change Tx?: Replace the Tx with station ID 12"},
        {"edit, same values", "", {"tx", "edit", "12", "--call", "kwal "}, 0, "", "", "nothing was sent"},
        {"edit, no such station", "", {"--yes", "tx", "edit", "7", "--freq", "1410"}, 1, "", "", "no Tx with station ID 7"},
        {"edit, line too long", v23, {"--yes", "tx", "edit", "1234", "--call", "ABCDEFGH", "--mod", "DRM4.5"}, 1, "", "",
         "its line is 62 characters long"},
        {"delete", "", {"--yes", "delete", "tx", "12"}, 0, "", "V,12", ""},
        {"delete a five-digit id", v23, {"--yes", "delete", "tx", "12345"}, 0, "", "V,12345", ""},
        {"delete, not confirmed", "", {"delete", "tx", "12"}, 2, "", "", "Delete Records?"},
        {"delete every entry", "", {"--yes", "delete", "tx", "12", "1"}, 1, "", "", "at least one Tx remaining"},
        {"delete the only entry", one, {"--yes", "delete", "tx", "1"}, 1, "", "", "Can't Delete Last Tx: There must be at least one record."},
        {"delete, no such station", "", {"--yes", "delete", "tx", "12", "7"}, 1, "", "", "no Tx with station ID 7"},
        // A bad field: the editor's message and title, exit 2.
        {"bad call sign", v23, edit + QStringList{"--call", "ab.c"}, 2, "", "",
         "Call-Site Text Too Long: The Call-Site text is invalid.\nMust be 1 to 8 letters, numbers, space, _ ,or \u2013"},
        {"bad frequency", v23, edit + QStringList{"--freq", "12.5"}, 2, "", "", "Illegal Value: Frequency cannot have decimal points or commas."},
        {"bad latitude", v23, edit + QStringList{"--lat", "91"}, 2, "", "", "Illegal Value: Degrees must be between 0 and 90"},
        {"bad longitude", v23, edit + QStringList{"--lon", "-181"}, 2, "", "", "Illegal Value: Degrees must be between 0 and 180"},
        {"bad seconds", v23, edit + QStringList{"--lat", "45 0 59.95 N"}, 2, "", "", "Illegal Value: Seconds must be between 0 and 59.9"},
        {"bad hemisphere", v23, edit + QStringList{"--lon", "10 0 0 N"}, 2, "", "", "Illegal Value: The hemisphere must be either E or W"},
        {"bad variation", v23, edit + QStringList{"--var", "10 0 0 E"}, 2, "", "",
         "--var: '10 0 0 E' is neither decimal degrees nor degrees, minutes and E or W"},
        {"bad modulation", v23, edit + QStringList{"--mod", "FM"}, 2, "", "",
         "--mod: 'FM' is not one of AM, DRM4.5, DRM5, DRM9, DRM10, DRM18, DRM20"},
    };
    for (const Case &c : cases) {
        const Result r = Demo(QStringList{"--verbose"} + c.args, c.scenario.isEmpty() ? QString::fromLatin1(kScenario) : c.scenario);
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << r.err.constData();
        EXPECT_EQ(r.out, c.out) << c.what;
        const QStringList changes = Sent(r).filter(QRegularExpression(QStringLiteral("^[UXV],")));
        EXPECT_EQ(changes, c.sent.isEmpty() ? QStringList() : QStringList{c.sent}) << c.what;
        EXPECT_TRUE(r.err.contains(c.err.toUtf8())) << c.what << "\n" << r.err.constData();
    }
}

} // namespace
