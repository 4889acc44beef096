// SPDX-License-Identifier: GPL-3.0-or-later
// Map files (KML, GPX) of a saved-data CSV file: the bands, the names, and
// the command line's export (what it writes, to the byte, from surveys with
// two patterns, the meridian 180, a point recorded twice and times in other
// forms: tests/cases/*export*).
#include "TestSupport.h"
#include "common/modConvert.h"
#include "saveddata/modMapFile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The survey of the export cases (tests/cases/export-*, whose KML and GPX
// files are checked to the byte there): two radials of KDCV, one of KWAL, a
// point without a distance, two without a valid position; radial 1 written
// out of distance order.
const QByteArray kSurvey = ReadFile(QStringLiteral(DATACLAVE_TEST_CASES "/export-kml/map.csv"));

QVector<SurveyRecord> SurveyRecords()
{
    SurveyCsv csv;
    QString error;
    EXPECT_TRUE(ParseSurveyCsv(kSurvey, &csv, &error)) << error.toStdString();
    return csv.records;
}

QStringList Entries(const QString &dir) { return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

} // namespace

TEST(MapFile, BandsAndNames)
{
    const struct { const char *mvm; int band; } cases[] = {{"0", 0},   {"0.499", 0}, {"0.5", 1}, {"1.999", 1}, {"2", 2},   {"9.99", 2},
                 {"10", 3},  {"49.9", 3},  {"50", 4},  {"1e6", 4},   {"-1", -1}, {"---", -1}, {"x", -1}};
    for (const auto &c : cases) {
        SurveyNumber n;
        n.numeric = ToDouble(QString::fromLatin1(c.mvm), &n.value);
        EXPECT_EQ(MapBand(n), c.band) << c.mvm;
    }
    MapFormat f = MapFormat::Kml;
    EXPECT_TRUE(MapFormatFromName("a/b.GPX", &f));
    EXPECT_EQ(f, MapFormat::Gpx);
    EXPECT_TRUE(MapFormatFromName("b.kml", &f));
    EXPECT_EQ(f, MapFormat::Kml);
    EXPECT_FALSE(MapFormatFromName("b.kmlx", &f));
    EXPECT_EQ(MapSkippedText(3), "3 records without a valid position were skipped.");
    EXPECT_EQ(MapSkippedText(1), "1 record without a valid position was skipped.");
    EXPECT_EQ(MapUntimedText({4}), "1 record without a readable time: line 4.");
    EXPECT_EQ(MapUntimedText({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
              "11 records without a readable time: lines 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 and 1 more.");
}

// ---- the command line ----

// Read from a pipe (the files and the locales: tests/cases/*export*).
#ifndef _WIN32
TEST(MapExport, ReadsAPipe)
{
    int skipped = 0;
    for (MapFormat format : {MapFormat::Kml, MapFormat::Gpx})
        EXPECT_EQ(RunCli({"export", format == MapFormat::Kml ? "kml" : "gpx", "/dev/stdin", "-"}, kSurvey).out, MapFileBytes(SurveyRecords(), format, &skipped));
}
#endif

// Export and plot refuse to write over the CSV file they read, however the
// output names it: the same name, with "./", through a symbolic or a hard link.
TEST(MapExport, NoCommandWritesOverItsInput)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath("s.png"); // a survey under a picture's name
    ASSERT_TRUE(WriteFile(csv, kSurvey));
    QStringList outs{QStringLiteral("s.png"), QStringLiteral("./s.png"), csv, QStringLiteral("hard.png")};
#ifdef _WIN32
    const auto wide = [&](const char *name) { return QDir::toNativeSeparators(dir.filePath(name)).toStdWString(); };
    ASSERT_TRUE(CreateHardLinkW(wide("hard.png").c_str(), wide("s.png").c_str(), nullptr));
    // Symbolic links need a privilege or the developer mode (and Wine
    // only says it made one).
    if (CreateSymbolicLinkW(wide("link.png").c_str(), L"s.png", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        QFileInfo::exists(dir.filePath("link.png")))
        outs << QStringLiteral("link.png");
#else
    ASSERT_EQ(::symlink("s.png", QFile::encodeName(dir.filePath("link.png")).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(csv).constData(), QFile::encodeName(dir.filePath("hard.png")).constData()), 0);
    outs << QStringLiteral("link.png");
#endif
    const QStringList before = Entries(dir.path());
    for (const QString &out : outs) {
        for (const QStringList &command : {QStringList{"export", "kml"}, QStringList{"export", "gpx"}, QStringList{"plot"}}) {
            SCOPED_TRACE((command.join(' ') + " onto " + out).toStdString());
            const CliRun r = RunCli(command + QStringList{"s.png", out}, {}, nullptr, dir.path());
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err, "dataclave-cli: " + out.toUtf8() + " is the CSV file itself; nothing was written\n");
            EXPECT_EQ(ReadFile(csv), kSurvey);
            EXPECT_EQ(Entries(dir.path()), before);
        }
    }
}
