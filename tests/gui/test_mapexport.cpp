// SPDX-License-Identifier: GPL-3.0-or-later
// File > Export Map File…: the two dialogs, the format they choose, messages.
#include "TestSupport.h"
#include "app/frmMain.h"
#include "storage/clsFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>

namespace {

const QByteArray kCsv =
    "\"Call Sign\",\"Radial\",\"Point Number\",\"GPS Valid\",\"Latitude\",\"Longitude\",\"mV/m\",\"Note\"\r\n"
    "\"KDCV\",1,1,TRUE,45.5,-118.25,1.5,\"M\xFCller\"\r\n"
    "\"KDCV\",1,2,FALSE,\"----\",\"-----\",1.5,\"\"\r\n";

class MapExportWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(WriteFile(dir.filePath("s.csv"), kCsv));
#ifdef Q_OS_UNIX
        // A name that is not valid UTF-8: the open dialog gives it back as "t\uFFFD.csv".
        FILE *odd = std::fopen(QFile::encodeName(dir.path()) + "/t\xFF.csv", "wb");
        ASSERT_TRUE(odd && std::fwrite(kCsv.constData(), 1, size_t(kCsv.size()), odd) == size_t(kCsv.size()));
        std::fclose(odd);
#else
        ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("t\uFFFD.csv")), kCsv));
#endif
        m_old = SetFileDialogHandler([this](const FileDialogRequest &r) {
            requests << r;
            return answers.isEmpty() ? FileDialogAnswer() : answers.takeFirst();
        });
    }
    void TearDown() override
    {
        SetFileDialogHandler(m_old);
        EmptyFolder(dir.path());
        MainWindowTest::TearDown();
    }
    // Without the odd name, which QDir lists on Windows only.
    QStringList Entries() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("t\uFFFD.csv"));
        return names;
    }

    QTemporaryDir dir;
    QList<FileDialogRequest> requests;
    QList<FileDialogAnswer> answers;

private:
    FileDialogHandler m_old;
};

} // namespace

// Every answer to the two dialogs: the format the filter or the name
// chooses, or the message that says why nothing was written.
TEST_F(MapExportWindowTest, FormatChosenOrFailureTold)
{
    ASSERT_EQ(Named<QAction>(main, "mnuFileExportMap")->text(), QStringLiteral("Export Map File\u2026"));
    ASSERT_TRUE(WriteFile(dir.filePath("bad.csv"), kCsv + "1,2\r\n"));
    const QString kml = "KML files (*.kml)", gpx = "GPX files (*.gpx)", odd = "t\uFFFD.csv", error = "ZT 6200 File Error|";
    // `root`: the written file's root element; none when nothing is written.
    const struct { QString csv; const char *name; QString filter; const char *root; int dialogs; QString box; } cases[] = {
        {"s.csv", "a.kml", kml, "<kml", 2}, {odd, "b.gpx", gpx, "<gpx", 2}, {"s.csv", "c", gpx, "<gpx", 2},
        {odd, "d.KML", gpx, "<kml", 2},     {"s.csv", "", kml, nullptr, 2}, {"", nullptr, kml, nullptr, 1},
        // Told before the output is asked for.
        {"bad.csv", "a.kml", kml, nullptr, 1, error + "The file cannot be read as saved data:\r\nline 4: 2 fields where the header names 8"},
        {"s.csv", "s.csv", kml, nullptr, 2, error + "The map file cannot replace the CSV file it is made from."},
        {"s.csv", "none/a.kml", kml, nullptr, 2, error + "There is a problem writing to the file.\r\n" + FileErrorText(ENOENT)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "open cancelled");
        requests.clear();
        boxes.clear();
        const QStringList before = Entries();
        const QString csv = c.csv.isEmpty() ? QString() : dir.filePath(c.csv);
        answers = {FileDialogAnswer{csv, "Data (*.csv)"}};
        if (c.name)
            answers << FileDialogAnswer{*c.name ? dir.filePath(c.name) : QString(), c.filter};
        Named<QAction>(main, "mnuFileExportMap")->trigger();
        QTest::qWait(0); // boxes told from the event loop
        ASSERT_EQ(requests.size(), c.dialogs);
        EXPECT_FALSE(requests.at(0).save);
        if (c.dialogs == 2) {
            EXPECT_TRUE(requests.at(1).save);
            EXPECT_EQ(requests.at(1).filters, (QStringList{kml, gpx}));
            EXPECT_EQ(QDir(requests.at(1).folder), QDir(dir.path()));
            EXPECT_EQ(requests.at(1).name, QFileInfo(csv).completeBaseName() + ".kml"); // the input's name
        }
        if (c.root) {
            const QByteArray bytes = ReadFile(dir.filePath(c.name));
            EXPECT_TRUE(bytes.contains(c.root)) << bytes.left(100).toStdString();
            EXPECT_TRUE(bytes.contains("M\xC3\xBCller")); // UTF-8
            const bool kml = QByteArray(c.root) == "<kml";
            EXPECT_EQ(BoxTexts(), QStringList{QString("Export Map File|1 %1 in 1 series written to %2.\r\n"
                                                      "1 record without a valid position was skipped.")
                                                  .arg(kml ? "placemark" : "waypoint", c.name)});
        } else {
            EXPECT_EQ(BoxTexts(), c.box.isEmpty() ? QStringList() : QStringList{c.box});
            EXPECT_EQ(Entries(), before);
        }
    }
    EXPECT_EQ(ReadFile(dir.filePath("s.csv")), kCsv);
    EXPECT_EQ(Entries().size(), 6); // the two CSV files and four map files, nothing else
}
