// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli plot, run as a program: the formats without a display, the
// skip count, names like Qt options (its failures: tests/cases/plot-*).
#include "TestSupport.h"

#include <QtCore>

namespace {

// The width and height a PNG's header gives; (0, 0) for anything else.
QSize PngSize(const QByteArray &png)
{
    if (!png.startsWith("\x89PNG\r\n\x1a\n") || png.size() < 24)
        return QSize();
    auto be = [&](int at) { return int(qFromBigEndian<quint32>(png.constData() + at)); };
    return QSize(be(16), be(20));
}

TEST(CliPlot, DrawsEachFormatWithoutADisplayAndOnlyItsOwnWords)
{
    QTemporaryDir dir;
    auto Out = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    const QString csv = Out("survey.csv");
    ASSERT_TRUE(dir.isValid() && QFile::copy(QStringLiteral(DATACLAVE_TEST_CASES "/survey.csv"), csv));
    // As on a server: no display, no platform named, no runtime folder
    // (which Qt would warn about, and make in the temporary folder: this
    // test's own here).
    ASSERT_TRUE(QFile::copy(csv, Out("-platform")));
    const char *const names[] = {"QT_QPA_PLATFORM", "DISPLAY", "XDG_RUNTIME_DIR", "TMPDIR"};
    QByteArrayList saved;
    for (const char *name : names)
        saved << qgetenv(name), qunsetenv(name);
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    const CliRun png = RunCli({"plot", csv, Out("p.png"), "--size", "640x480"});
    const CliRun svg = RunCli({"plot", "--size=500x300", csv, Out("p.svg")});
    const CliRun pdf = RunCli({"plot", csv, Out("p.Pdf")});
    // File names that look like Qt's own options stay file names.
    const CliRun named = RunCli({"plot", "--", "-platform", "-reverse.png"}, {}, nullptr, dir.path());
    qputenv("QT_QPA_PLATFORM", "xcb"); // named, but with no display to open
    const CliRun standard = RunCli({"plot", csv, Out("q.PNG")});
    for (int i = 0; i < 4; ++i)
        saved[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);

    for (const CliRun *r : {&png, &svg, &pdf, &standard, &named})
        EXPECT_EQ(std::tuple(r->code, QString::fromUtf8(r->err), QString::fromUtf8(r->out)),
                  std::tuple(0, QStringLiteral("2 records without a numeric distance or field strength were skipped.\n"), QString()));
    EXPECT_TRUE(ReadFile(Out("p.Pdf")).startsWith("%PDF-"));
    EXPECT_EQ(PngSize(ReadFile(Out("p.png"))), QSize(640, 480));
    EXPECT_EQ(PngSize(ReadFile(Out("q.PNG"))), QSize(1200, 800));
    EXPECT_EQ(PngSize(ReadFile(Out("-reverse.png"))), QSize(1200, 800));
    // Radial 1 (3 points) fitted: its ground-wave curve is drawn, as the window draws it.
    QXmlStreamReader xml(ReadFile(Out("p.svg")));
    QString size;
    int curves = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("svg"))
                size = xml.attributes().value(QLatin1String("viewBox")).toString();
            curves += xml.name() == QLatin1String("polyline") && xml.attributes().value(QLatin1String("points")).split(QLatin1Char(' ')).size() == 49;
        }
    EXPECT_FALSE(xml.hasError());
    EXPECT_EQ(std::pair(size, curves), std::pair(QStringLiteral("0 0 500 300"), 1));
    // Nothing left beside the pictures.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 7);
}

// The other commands run where no window library is installed.
TEST(CliPlot, ToolLinksNoWindowLibrary)
{
    const QByteArray program = ReadFile(BuiltProgram(QStringLiteral("dataclave-cli")));
    ASSERT_FALSE(program.isEmpty());
    for (const char *library : {"Qt6Widgets", "Qt6Gui"}) // libQt6Gui.so.6, Qt6Gui.dll
        EXPECT_FALSE(program.contains(library)) << library;
}

} // namespace
