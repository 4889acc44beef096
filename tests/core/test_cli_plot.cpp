// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli plot, run as a program: the formats without a display, the
// skip count, names like Qt options (its failures: tests/cases/plot-*).
#include "TestSupport.h"

#include <QtCore>

namespace {

using Result = CliRun;

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
        ASSERT_TRUE(QFile::copy(QStringLiteral(DATACLAVE_TEST_CASES "/survey.csv"), csv));
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
    const Result png = RunCli({"plot", csv, Out("p.png"), "--size", "640x480"});
    const Result svg = RunCli({"plot", "--size=500x300", csv, Out("p.svg")});
    const Result pdf = RunCli({"plot", csv, Out("p.Pdf")});
    qputenv("QT_QPA_PLATFORM", "xcb"); // named, but with no display to open
    const Result standard = RunCli({"plot", csv, Out("q.PNG")});
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
    const Result r = RunCli({"plot", "--", "-platform", "-reverse.png"}, {}, nullptr, dir.path());
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(PngSize(ReadFile(Out("-reverse.png"))), QSize(1200, 800));
}

} // namespace
