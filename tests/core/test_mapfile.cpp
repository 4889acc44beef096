// SPDX-License-Identifier: GPL-3.0-or-later
// Map files (KML, GPX) of a saved-data CSV file, read back as XML, and the
// command line's export.
#include "TestSupport.h"
#include "common/modConvert.h"
#include "saveddata/modMapFile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cerrno>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kHeader = SavedHeader(30) + "\r\n";

QByteArray Rec(const char *call, int radial, int point, const char *lat, const char *lon, const char *ele,
               const char *mvm, const char *km, const char *note = "\"a, b\"", const char *gps = "TRUE")
{
    return QByteArray("1,") + QByteArray::number(point) + "," + QByteArray::number(point) + ",1,\"" + call +
           "\",1230,1230," + QByteArray::number(radial) + ",\"ND\",\"M\xFCller\"," + note + "," +
           QByteArray::number(point) + ",07-Nov-2026 14:03:" + QByteArray::number(10 + point) +
           ",07-Nov-2026 06:03:00,1,\"Loop\"," + gps + "," + lat + "," + lon + "," + ele + ",60.1,\"dBuV\"," + mvm +
           ",\"mV/m\"," + mvm + ",60.00," + km + ",20.0,4.1,TRUE\r\n";
}

// Two radials of KDCV, one of KWAL, a point without a distance, two
// without a valid position; radial 1 written out of distance order.
const QByteArray kSurvey = kHeader + Rec("KDCV", 1, 3, "45.5300000", "-118.2400", "352", "1.0", "3.00") +
                           Rec("KDCV", 1, 1, "45.510", "-118.250", "\"---\"", "60", "1.00") +
                           Rec("KDCV", 2, 7, "+45.25", "-118.1", "abc", "0.2", "2.5", "\"\x01<b>\"") +
                           Rec("KDCV", 1, 2, "45.52", "-118.245", "351", "2", "2.00") +
                           Rec("KWAL", 1, 4, "46.1", "-118.3", "400", "\"-----\"", "\"----\"") +
                           Rec("KDCV", 1, 5, "\"------\"", "\"-------\"", "\"---\"", "5", "\"----\"", "\"x\"", "FALSE") +
                           Rec("KDCV", 1, 6, "91.0", "-118.3", "400", "12", "9.0");

// The elements named `name` under the document, each as its text content
// or, for the others, its children's text joined by "|".
// path: the names of the enclosing elements.
struct Element { QString name; QXmlStreamAttributes attributes; QStringList path; QString text; };
QList<Element> Parse(const QByteArray &xml, QString *error)
{
    QList<Element> all;
    QXmlStreamReader r(xml);
    QStringList path;
    QList<int> open;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            all << Element{r.name().toString(), r.attributes(), path, {}};
            open << int(all.size()) - 1;
            path << r.name().toString();
        } else if (r.isEndElement()) {
            path.removeLast();
            open.removeLast();
        } else if (r.isCharacters() && !r.isWhitespace() && !open.isEmpty()) {
            all[open.last()].text += r.text();
        }
    }
    *error = r.hasError() ? r.errorString() : QString();
    return all;
}

QStringList Texts(const QList<Element> &all, const QString &name, const QString &parent = QString())
{
    QStringList out;
    for (const Element &e : all)
        if (e.name == name && (parent.isEmpty() || e.path.value(e.path.size() - 1) == parent))
            out << e.text;
    return out;
}

QByteArray Map(MapFormat format, int *skipped)
{
    SurveyCsv csv;
    QString error;
    EXPECT_TRUE(ParseSurveyCsv(kSurvey, &csv, &error)) << error.toStdString();
    return MapFileBytes(csv.records, format, skipped);
}

} // namespace

TEST(MapFile, KmlFoldersPlacemarksAndBands)
{
    int skipped = -1;
    const QByteArray kml = Map(MapFormat::Kml, &skipped);
    EXPECT_EQ(skipped, 2);
    EXPECT_TRUE(kml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">"));
    QString error;
    const QList<Element> all = Parse(kml, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(Texts(all, "name", "Folder"), (QStringList{"KDCV radial 1", "KDCV radial 2", "KWAL radial 1"}));
    EXPECT_EQ(Texts(all, "name", "Placemark"), (QStringList{"3", "1", "2", "7", "4"}));
    // The record's own digits; elevation only when it is a number.
    EXPECT_EQ(Texts(all, "coordinates"),
              (QStringList{"-118.2400,45.5300000,352", "-118.250,45.510", "-118.245,45.52,351", "-118.1,45.25",
                           "-118.3,46.1,400"}));
    EXPECT_EQ(Texts(all, "when").value(0), "2026-11-07T14:03:13Z");
    EXPECT_EQ(Texts(all, "styleUrl"), (QStringList{"#band2", "#band5", "#band3", "#band1", "#none"}));
    const QStringList styles = Texts(all, "color");
    EXPECT_EQ(styles.size(), 6); // five bands and "no reading"
    const QStringList descriptions = Texts(all, "description");
    ASSERT_EQ(descriptions.size(), 6);
    EXPECT_TRUE(descriptions.at(0).contains("50 mV/m and above")) << descriptions.at(0).toStdString();
    EXPECT_TRUE(descriptions.at(1).contains(QStringLiteral("<td>Initials</td><td>M\u00FCller</td>")));
    EXPECT_TRUE(descriptions.at(1).contains("<td>Note</td><td>a, b</td>"));
    EXPECT_TRUE(descriptions.at(1).contains("<td>Local Time</td><td>07-Nov-2026 06:03:00</td>"));
    EXPECT_TRUE(descriptions.at(4).contains(QStringLiteral("<td>Note</td><td>\uFFFD&lt;b&gt;</td>"))) << descriptions.at(4).toStdString();
}

TEST(MapFile, GpxWaypointsAndTracksByDistance)
{
    int skipped = -1;
    const QByteArray gpx = Map(MapFormat::Gpx, &skipped);
    EXPECT_EQ(skipped, 2);
    QString error;
    const QList<Element> all = Parse(gpx, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(all.value(0).name, "gpx");
    EXPECT_EQ(all.value(0).attributes.value("version").toString(), "1.1");
    QStringList wpts, trkpts;
    for (const Element &e : all) {
        const QString at = e.attributes.value("lat").toString() + QLatin1Char(',') + e.attributes.value("lon").toString();
        if (e.name == "wpt")
            wpts << at;
        if (e.name == "trkpt")
            trkpts << e.path.value(e.path.size() - 2) + QLatin1Char(' ') + at;
    }
    EXPECT_EQ(wpts, (QStringList{"45.5300000,-118.2400", "45.510,-118.250", "45.25,-118.1", "45.52,-118.245", "46.1,-118.3"}));
    EXPECT_EQ(Texts(all, "name", "wpt"), (QStringList{"KDCV ND radial 1 point 3", "KDCV ND radial 1 point 1", "KDCV ND radial 2 point 7",
                                                      "KDCV ND radial 1 point 2", "KWAL ND radial 1 point 4"}));
    EXPECT_EQ(Texts(all, "ele", "wpt"), (QStringList{"352", "351", "400"}));
    EXPECT_EQ(Texts(all, "time", "wpt").value(1), "2026-11-07T14:03:11Z");
    EXPECT_TRUE(Texts(all, "desc").value(0).contains(QStringLiteral("Initials: M\u00FCller\nNote: a, b")));
    // One track per call sign and radial with a distance, nearest point first.
    EXPECT_EQ(Texts(all, "name", "trk"), (QStringList{"KDCV radial 1", "KDCV radial 2"}));
    EXPECT_EQ(trkpts, (QStringList{"trk 45.510,-118.250", "trk 45.52,-118.245", "trk 45.5300000,-118.2400", "trk 45.25,-118.1"}));
}

// A directional station's patterns on one radial are folders and tracks of
// their own; a call sign with one pattern keeps the short name.
TEST(MapFile, FoldersAndTracksPerPattern)
{
    SurveyCsv csv;
    QString error;
    ASSERT_TRUE(ParseSurveyCsv(kSurvey, &csv, &error)) << error.toStdString();
    csv.records[1].pattern = QStringLiteral("DA-N");
    for (MapFormat format : {MapFormat::Kml, MapFormat::Gpx}) {
        int skipped = -1;
        const QList<Element> all = Parse(MapFileBytes(csv.records, format, &skipped), &error);
        const QStringList names = Texts(all, "name", format == MapFormat::Kml ? "Folder" : "trk");
        EXPECT_EQ(names.mid(0, 3), (QStringList{"KDCV ND radial 1", "KDCV DA-N radial 1", "KDCV ND radial 2"}));
        if (format == MapFormat::Kml)
            EXPECT_EQ(names.value(3), "KWAL radial 1");
    }
}

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

// The meridian 180 (GPX wants lon < 180), a point recorded twice, a time a
// spreadsheet wrote in a form of its own.
TEST(MapFile, GpxLongitudeNamesAndUnreadableTimes)
{
    SurveyCsv csv;
    QString error;
    ASSERT_TRUE(ParseSurveyCsv(kSurvey, &csv, &error)) << error.toStdString();
    QVector<SurveyRecord> &r = csv.records;
    r[0].longitudeText = "180.000000";
    r[0].longitude.value = 180;
    r[1] = r[0];
    r[1].line = 3;
    r[3].utcTime = "Nov 7th, 2:03 pm";
    r[4].utcTime = "11/7/2026 14:03";
    for (MapFormat format : {MapFormat::Gpx, MapFormat::Kml}) {
        int skipped = 0;
        QList<int> untimed;
        const QByteArray bytes = MapFileBytes(r, format, &skipped, &untimed);
        EXPECT_EQ(untimed, QList<int>{r[3].line});
        QString error;
        const QList<Element> all = Parse(bytes, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        if (format == MapFormat::Kml) {
            // KML takes 180 as it is.
            EXPECT_EQ(Texts(all, "coordinates").value(0), "180.000000,45.5300000,352");
            continue;
        }
        QStringList lons;
        for (const Element &e : all)
            if (e.name == "wpt")
                lons << e.attributes.value("lon").toString();
        EXPECT_EQ(lons.mid(0, 3), (QStringList{"-180", "-180", "-118.1"}));
        EXPECT_EQ(Texts(all, "name", "wpt").mid(0, 2), (QStringList{"KDCV ND radial 1 point 3", "KDCV ND radial 1 point 3 (2)"}));
        EXPECT_EQ(Texts(all, "time", "wpt").value(3), "2026-11-07T14:03:00Z");
    }
}

// ---- the command line ----

namespace {

CliRun Export(const QStringList &args, const char *locale = nullptr, const QByteArray &input = QByteArray())
{
    return RunCli(QStringList{"export"} + args, input, locale);
}

QStringList Entries(const QString &dir) { return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

} // namespace

// Read from a pipe (the files and the locales: tests/cases/*export*).
#ifndef _WIN32
TEST(MapExport, ReadsAPipe)
{
    int skipped = 0;
    for (MapFormat format : {MapFormat::Kml, MapFormat::Gpx})
        EXPECT_EQ(Export({format == MapFormat::Kml ? "kml" : "gpx", "/dev/stdin", "-"}, nullptr, kSurvey).out, Map(format, &skipped));
}
#endif

TEST(MapExport, FailuresLeaveNoFile)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath("survey.csv");
    ASSERT_TRUE(WriteFile(csv, kSurvey));
    // A full device of our own where the system lets us make one.
    QString full = dir.filePath("full");
#ifndef _WIN32
    if (::mknod(QFile::encodeName(full), S_IFCHR | 0666, makedev(1, 7)) != 0)
        full = "/dev/full";
#endif
    const QStringList before = Entries(dir.path());
    const struct { const char *what; QStringList args; int code; QByteArray err; } cases[] = {
        {"full device", {"kml", csv, full}, 1, FileErrorText(ENOSPC).toUtf8()},
        {"no folder", {"gpx", csv, dir.filePath("none/a.gpx")}, 1, FileErrorText(ENOENT).toUtf8()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
#ifdef _WIN32
        if (qstrcmp(c.what, "full device") == 0)
            continue; // no such device there
#endif
        const CliRun r = Export(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_EQ(Entries(dir.path()), before);
    }
    EXPECT_EQ(ReadFile(csv), kSurvey);
}

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
