// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli plot, run as a program: exit codes, the skip count, and a
// picture that is written whole or not at all.
#include "TestSupport.h"

#include <QtCore>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

using Result = CliRun;
Result Cli(const QStringList &args) { return RunCli(args); }

const QByteArray kHeader = SavedHeader(29) + "\r\n";

QByteArray Record(int radial, const char *km, const char *mvm)
{
    return QStringLiteral("1,1,1,1,\"KDCV\",1230,1230,%1,\"ND\",\"JS\",\"\",1,05-Nov-2026 08:30:00,05-Nov-2026 00:30:00,1,"
                          "\"Loop\",TRUE,45.5,-118.2,356,61.2,\"dBuV\",1.1,\"mV/m\",%3,61.2,%2,23.0,4.5\r\n")
        .arg(radial).arg(QLatin1String(km), QLatin1String(mvm)).toLatin1();
}

// The width and height a PNG's header gives; (0, 0) for anything else.
QSize PngSize(const QByteArray &png)
{
    if (!png.startsWith("\x89PNG\r\n\x1a\n") || png.size() < 24)
        return QSize();
    auto be = [&](int at) { return int(qFromBigEndian<quint32>(png.constData() + at)); };
    return QSize(be(16), be(20));
}

class CliPlotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        csv = dir.filePath(QStringLiteral("survey.csv"));
        ASSERT_TRUE(WriteFile(csv, QByteArray(kHeader) + Record(1, "2", "10") + Record(1, "6", "3") + Record(1, "12", "1.2") +
                                       Record(2, "3", "5") + Record(2, "-----", "5") + Record(2, "4", "x")));
    }
    QString Out(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
    QString csv;
};

TEST_F(CliPlotTest, DrawsEachFormatWithoutADisplayAndOnlyItsOwnWords)
{
    // As on a server: no display, no platform named, no runtime folder
    // (which Qt would warn about, and make in the temporary folder: this
    // test's own here).
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM"), display = qgetenv("DISPLAY"), runtime = qgetenv("XDG_RUNTIME_DIR"),
                     tmp = qgetenv("TMPDIR");
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    const Result png = Cli({"plot", csv, Out("p.png"), "--size", "640x480"});
    const Result svg = Cli({"plot", "--size=500x300", csv, Out("p.svg")});
    const Result pdf = Cli({"plot", csv, Out("p.Pdf")});
    qputenv("QT_QPA_PLATFORM", "xcb"); // named, but with no display to open
    const Result standard = Cli({"plot", csv, Out("q.PNG")});
    qputenv("QT_QPA_PLATFORM", platform);
    if (!display.isEmpty())
        qputenv("DISPLAY", display);
    if (!runtime.isEmpty())
        qputenv("XDG_RUNTIME_DIR", runtime);
    tmp.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp);

    for (const Result *r : {&png, &svg, &pdf, &standard}) {
        EXPECT_EQ(r->code, 0) << r->err.toStdString();
        EXPECT_EQ(r->err, QByteArray("2 records without a numeric distance or field strength were skipped.\n"));
        EXPECT_TRUE(r->out.isEmpty());
    }
    EXPECT_TRUE(ReadFile(Out("p.Pdf")).startsWith("%PDF-"));
    EXPECT_EQ(PngSize(ReadFile(Out("p.png"))), QSize(640, 480));
    EXPECT_EQ(PngSize(ReadFile(Out("q.PNG"))), QSize(1200, 800));
    QXmlStreamReader xml(ReadFile(Out("p.svg")));
    QString size;
    while (xml.readNextStartElement() && size.isEmpty())
        if (xml.name() == QLatin1String("svg"))
            size = xml.attributes().value(QLatin1String("viewBox")).toString();
    EXPECT_FALSE(xml.hasError());
    EXPECT_EQ(size, QStringLiteral("0 0 500 300"));
    // Radial 1 (3 points) fitted: its ground-wave curve is drawn, as the window draws it.
    int curves = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("polyline"))
            curves += xml.attributes().value(QLatin1String("points")).split(QLatin1Char(' ')).size() == 49;
    EXPECT_EQ(curves, 1);
    // Nothing left beside the pictures.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

// The other commands run where no window library is installed.
TEST(CliPlot, ToolLinksNoWindowLibrary)
{
    const QByteArray program = ReadFile(BuiltProgram(QStringLiteral("dataclave-cli")));
    ASSERT_FALSE(program.isEmpty());
#ifdef _WIN32
    for (const char *library : {"Qt6Widgets.dll", "Qt6Gui.dll"})
#else
    for (const char *library : {"libQt6Widgets", "libQt6Gui"})
#endif
        EXPECT_FALSE(program.contains(library)) << library;
}

// File names that look like Qt's own options stay file names.
TEST_F(CliPlotTest, FileNamedLikeAQtOption)
{
    ASSERT_TRUE(QFile::copy(csv, Out("-platform")));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(BuiltProgram(QStringLiteral("dataclave-cli")), {"plot", "--", "-platform", "-reverse.png"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(PngSize(ReadFile(Out("-reverse.png"))), QSize(1200, 800));
}

TEST_F(CliPlotTest, FailuresExitOneAndKeepTheTarget)
{
    const QString full = Out("full.png");
#ifdef _WIN32
    const bool haveFull = false;
#else
    const bool haveFull = mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
#endif
    ASSERT_TRUE(WriteFile(Out("old.png"), "old"));
    ASSERT_TRUE(WriteFile(Out("bad.csv"), QByteArray(kHeader) + Record(1, "2", "10") + "1,2,3\r\n"));
    ASSERT_TRUE(WriteFile(Out("empty.csv"), QByteArray(kHeader) + Record(1, "--", "10")));
    const struct { QStringList args; const char *says; } cases[] = {
        {{"plot", Out("none.csv"), Out("old.png")}, "cannot read"},
        {{"plot", Out("bad.csv"), Out("old.png")}, "line 3"},
        {{"plot", Out("empty.csv"), Out("old.png")}, "has no record to plot"},
        {{"plot", csv, Out("no/such/folder.png")}, "folder.png: "},
        {{"plot", csv, full}, haveFull ? "full.png: " : nullptr}, // the system's reason follows, in its language
    };
    for (const auto &c : cases) {
        if (!c.says)
            continue; // no device can be made here
        const Result r = Cli(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    EXPECT_EQ(ReadFile(Out("old.png")), QByteArray("old"));
#ifndef _WIN32
    if (haveFull) {
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(full).constData(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)); // written in place, never replaced
    }
#endif
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), haveFull ? 5 : 4);
}

} // namespace
