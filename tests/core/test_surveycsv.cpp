// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-data CSV reader: columns by name, masks, quotes, line ends,
// encodings, time forms.
#include "TestSupport.h"
#include "common/modAnsi.h"
#include "common/modFileName.h"
#include "saveddata/modSurveyCsv.h"

#include <QTemporaryDir>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kHeader29 = SavedHeader(29);

// A record line of 29 fields; the tail adds the 30th and 31st.
QByteArray Line(const QByteArray &note, const QByteArray &gps, const QByteArray &lat, const QByteArray &lon,
                const QByteArray &tail = {})
{
    return "1,7,12,1,\"KDCV\",1230,1230,3,\"ND\",\"M\xFCller\"," + note + ",12,07-Nov-2026 14:03:22," +
           "07-Nov-2026 06:03:22,1,\"Loop\"," + gps + "," + lat + "," + lon +
           ",412,93.1,\"dBuV\",45.123,\"mV/m\",45.123,93.09,12.34,\"-----\",4.5" + tail;
}

// A file of one record line after the heading.
QByteArray File(const QByteArray &line) { return kHeader29 + "\r\n" + line; }
// The file with every CR LF made `eol`.
QByteArray Ends(QByteArray file, const QByteArray &eol) { return file.replace("\r\n", eol); }
// The Windows-1252 file as a spreadsheet saves it in UTF-8.
QByteArray Utf8(const QByteArray &file, bool bom) { return (bom ? "\xEF\xBB\xBF" : "") + AnsiToString(file).toUtf8(); }

} // namespace

TEST(SurveyCsv, ColumnsByNameMasksQuotesAndText)
{
    const QByteArray h30 = QByteArray(kHeader29) + ",\"Tx Lat/Long Valid\"";
    const QByteArray h31 = h30 + ",\"Modulation\"";
    // Column names in another order still find their fields.
    const QByteArray swapped = QByteArray(kHeader29).replace("\"Latitude\",\"Longitude\"", "\"Longitude\",\"Latitude\"");
    struct Case { const char *name; QByteArray file; QString note, lat, lon; bool valid; } cases[] = {
        {"29 columns, CRLF", QByteArray(kHeader29) + "\r\n" + Line("\"a, b\"", "TRUE", "45.504306", "-118.250000") + "\r\n",
         "a, b", "45.504306", "-118.250000", true},
        {"30 columns, LF", h30 + "\n" + Line("\"\xFC\"", "TRUE", " 45.5 ", "-118.25", ",TRUE") + "\n", QStringLiteral("\u00FC"),
         "45.5", "-118.25", true},
        {"31 columns, no last break", h31 + "\r\n" + Line("\"\"", "TRUE", "45.5", "-118.25", ",TRUE,\"AM\""), "", "45.5",
         "-118.25", true},
        {"31 columns, empty last", h31 + "\r\n" + Line("\"\"", "TRUE", "45.5", "-118.25", ",TRUE,"), "", "45.5", "-118.25",
         true},
        {"FALSE with numbers", File(Line("\"x\"", "FALSE", "45.5", "-118.25")), "x", "", "", false},
        {"swapped", swapped + "\r\n" + Line("\"x\"", "TRUE", "-118.25", "45.5"), "x", "45.5", "-118.25", true},
        {"fix invalid", File(Line("\"x\"", "FALSE", "\"---------\"", "\"-----------\"")), "x", "", "", false},
        {"masked but TRUE", File(Line("\"x\"", "TRUE", "\"---------\"", "-118.25")), "x", "", "", false},
        {"not a number", File(Line("\"x\"", "TRUE", "4x5", "-118.25")), "x", "", "", false},
        {"beyond 90", File(Line("\"x\"", "TRUE", "90.000001", "-118.25")), "x", "", "", false},
        {"beyond 180", File(Line("\"x\"", "TRUE", "45", "-180.5")), "x", "", "", false},
        {"at the edges", File(Line("\"x\"", "TRUE", "-90", "180.0")), "x", "-90", "180.0", true},
        {"exponent written in full", File(Line("\"x\"", "TRUE", "4.5e1", "+1")), "x", "45", "1", true},
        {"CR only", Ends(QByteArray(kHeader29) + "\r\n" + Line("\"x\"", "TRUE", "45", "-118") + "\r\n\r\n", "\r"), "x", "45",
         "-118", true},
        {"mixed ends", QByteArray(kHeader29) + "\r" + Line("\"x\"", "TRUE", "45", "-118") + "\n\r\n", "x", "45", "-118", true},
        {"doubled quotes", QByteArray(kHeader29) + "\n" + Line("\"He said \"\"hi, there\"\"\"", "TRUE", "45", "-118"),
         "He said \"hi, there\"", "45", "-118", true},
        {"line break in quotes", File(Line("\"two\r\nlines\"", "TRUE", "45", "-118")), "two\r\nlines", "45", "-118", true},
        {"text after the closing quote", File(Line("\"6\" antenna\"", "TRUE", "45", "-118")), "6 antenna\"", "45", "-118", true},
        {"UTF-8 with a mark", Utf8(File(Line("\"Caf\xE9 \xD8\"", "true", "45", "-118")), true),
         QStringLiteral("Caf\u00E9 \u00D8"), "45", "-118", true},
        {"UTF-8 without", Utf8(File(Line("\"\x80\"", "True", "45", "-118")), false), QStringLiteral("\u20AC"), "45", "-118", true},
        // A character cut where the reader's pieces meet, whichever the byte.
        {"long UTF-8 note", Utf8(File(Line("\"" + QByteArray(40000, '\xE9') + "\"", "TRUE", "45", "-118")), false),
         QString(40000, QChar(0xE9)), "45", "-118", true},
        {"long UTF-8 note, one byte on", Utf8(File(Line("\"x" + QByteArray(40000, '\xE9') + "\"", "TRUE", "45", "-118")), false),
         "x" + QString(40000, QChar(0xE9)), "45", "-118", true},
        {"1 for valid", File(Line("\"x\"", "1", "45", "-118")), "x", "45", "-118", true},
        {"yes is not", File(Line("\"x\"", "yes", "45", "-118")), "x", "", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SurveyCsv csv;
        QString error;
        EXPECT_TRUE(ParseSurveyCsv(c.file, &csv, &error)) << error.toStdString();
        EXPECT_EQ(csv.records.size(), 1);
        if (csv.records.size() != 1)
            continue;
        const SurveyRecord &r = csv.records.at(0);
        EXPECT_EQ(QStringList({r.note, r.latitudeText, r.longitudeText}), QStringList({c.note, c.lat, c.lon}));
        EXPECT_EQ(r.positionValid, c.valid);
        // The fields every case shares, read past whatever the case varies.
        EXPECT_EQ(QStringList({QString::number(r.line), r.callSign, r.radial, r.pointNumber, r.initials, r.utcTime, r.localTime,
                               QString::number(r.mvm.value), r.dbuv.text, r.distance.text, QString::number(r.azimuth.masked && !r.azimuth.numeric),
                               r.elevationText, r.measFrequency.text, r.pattern, csv.columns.value(28)}),
                  QStringList({"2", "KDCV", "3", "12", QStringLiteral("M\u00FCller"), "07-Nov-2026 14:03:22", "07-Nov-2026 06:03:22",
                               "45.123", "93.09", "12.34", "1", "412", "1230", "ND", QStringLiteral("Temperature (\u00B0C)")}));
    }
}

TEST(SurveyCsv, BadFilesNameTheirLine)
{
    const QByteArray good = Line("\"x\"", "TRUE", "45", "-118");
    QByteArray cut = good;
    cut.truncate(cut.indexOf(",412"));
    struct Case { const char *name; QByteArray file; int line; } cases[] = {
        {"empty", "", 0},
        {"Tx file", "\"Dir ID\",\"Station ID\",\"Call Sign\",\"Frequency (kHz)\",\"Latitude\",\"Longitude\",\"Variation\"\r\n", 1},
        {"cut line", QByteArray(kHeader29) + "\r\n" + good + "\r\n\r\n" + cut + "\r\n" + good + "\r\n", 4},
        {"one too many", QByteArray(kHeader29) + "\r\n" + good + ",1\r\n", 2},
        {"unquoted comma", QByteArray(kHeader29) + "\r\n" + Line("a, b", "TRUE", "45", "-118") + "\r\n", 2},
        {"cut line after CR", QByteArray(kHeader29) + "\r" + good + "\r" + cut + "\r", 3},
        {"quote never closed", QByteArray(kHeader29) + "\r\n" + good + "\r\n" + Line("\"x", "TRUE", "45", "-118") + "\r\n", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SurveyCsv csv;
        QString error;
        int line = -1;
        EXPECT_FALSE(ParseSurveyCsv(c.file, &csv, &error, &line));
        EXPECT_EQ(line, c.line);
        EXPECT_FALSE(error.isEmpty());
        if (c.line > 0)
            EXPECT_TRUE(error.startsWith(QStringLiteral("line %1:").arg(c.line))) << error.toStdString();
        EXPECT_TRUE(csv.records.isEmpty());
    }
}

TEST(SurveyCsv, MeterTimesInIso)
{
    const struct { const char *in; bool utc; const char *out; } cases[] = {
        {"07-Nov-2026 14:03:22", true, "2026-11-07T14:03:22Z"}, {" 1-jan-2027 00:00:00 ", false, "2027-01-01T00:00:00"},
        {"29-Feb-2027 10:00:00", true, ""},                      {"07-Xyz-2026 14:03:22", true, ""},
        {"07-Nov-2026 24:00:00", true, ""},                      {"----------", true, ""},
        // As spreadsheets save them again.
        {"11/4/2026 8:32", true, "2026-11-04T08:32:00Z"},        {"11/4/2026 8:32:17 PM", true, "2026-11-04T20:32:17Z"},
        {"11/4/2026 12:05 am", false, "2026-11-04T00:05:00"},    {"11/4/2026 13:05 PM", true, ""},
        {"2026-11-04T08:32:17Z", true, "2026-11-04T08:32:17Z"},  {"2026-11-04 08:32:17", true, "2026-11-04T08:32:17Z"},
        {"2026-11-04T08:32:17.250Z", true, "2026-11-04T08:32:17Z"}, {"04.11.2026 08:32", true, "2026-11-04T08:32:00Z"},
        {"13/4/2026 8:32", true, ""},                            {"2026-11-04", true, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SurveyIsoTime(QString::fromLatin1(c.in), c.utc), QString::fromLatin1(c.out)) << c.in;
}

#ifdef Q_OS_UNIX
// Names as the open dialogs give them back (a replacement character for
// each byte that is not text), and the size limit.
TEST(SurveyCsv, ReadsAnyNameUpToItsLimit)
{
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_EQ(::mkdir(root + "/d\xFF", 0700), 0);
    const QByteArray survey = QByteArray(kHeader29) + "\r\n" + Line("\"x\"", "TRUE", "45", "-118") + "\r\n";
    const int fd = ::open(root + "/d\xFF/s\xFE.csv", O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(fd, survey.constData(), size_t(survey.size())), survey.size());
    ::close(fd);
    ASSERT_TRUE(WriteFile(dir.filePath("big.csv"), survey));
    ASSERT_EQ(::truncate(root + "/big.csv", kSurveyCsvMaxBytes + 1), 0); // sparse: no disk used
    const QString named = dir.path() + QStringLiteral("/d\uFFFD/s\uFFFD.csv");
    // error empty: read
    const struct { QString name; QString error; } cases[] = {
        {named, {}},
        {dir.path() + QStringLiteral("/d\uFFFD/none.csv"), qt_error_string(ENOENT)},
        {dir.filePath("big.csv"), "the file is larger than 256 MiB, more than any saved-data file"},
        {dir.path(), qt_error_string(EISDIR)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        SurveyCsv csv;
        QString error;
        EXPECT_EQ(ReadSurveyCsv(c.name, &csv, &error), c.error.isEmpty());
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(csv.records.size(), c.error.isEmpty() ? 1 : 0);
    }
    EXPECT_TRUE(IsSameFile(named, dir.path() + QStringLiteral("/d\uFFFD/../d\uFFFD/s\uFFFD.csv")));
    EXPECT_FALSE(IsSameFile(named, dir.filePath("big.csv")));
    EmptyFolder(dir.path());
}
#endif
