// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV writer: exact bytes, and no damage to an earlier file on failure.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "storage/clsFile.h"

#include <QDir>
#include <QOperatingSystemVersion>
#include <QTemporaryDir>
#include <cerrno>

class CsvTest : public MeterTest
{
protected:
    void SetUp() override
    {
        MeterTest::SetUp();
        ASSERT_TRUE(WriteFile(Path(), "earlier"));
    }
    QString Path(const char *name = "out.csv") const { return dir.filePath(QString::fromUtf8(name)); }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    QTemporaryDir dir;
};

TEST_F(CsvTest, ExactBytesReplaceOnlyWhenClosed)
{
    clsFile f;
    f.setCompleteFileName(Path());
    for (bool close : {false, true}) {
        ASSERT_TRUE(f.WriteHeader({"Dir ID", "Rec ID ", QStringLiteral("Temperature (\u00B0C)  "), " Lead"}));
        ASSERT_TRUE(f.WriteLine(QStringLiteral("1,7,\"---\",\u00B0\u20AC")));
        EXPECT_EQ(ReadFile(Path()), QByteArray("earlier")); // nothing replaced before the end
        if (close)
            EXPECT_TRUE(f.CloseFile());
        else
            f.DiscardFile();
        EXPECT_EQ(Entries(), QStringList{"out.csv"});
    }
    EXPECT_EQ(ReadFile(Path()), QByteArray("\"Dir ID\",\"Rec ID\",\"Temperature (\xB0"
                                           "C)\",\" Lead\"\r\n1,7,\"---\",\xB0\x80\r\n"));
    EXPECT_TRUE(f.CloseFile()); // nothing open
    EXPECT_TRUE(boxes.isEmpty());
}

// (A full disk: in the download's fault matrix.) The message gives the
// system's reason.
TEST_F(CsvTest, WriteFailuresKeepEarlierFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.csv"));
    const QString longName = QString(300, 'n');
    // A name too long shows only when the file takes it, at the end; on
    // Windows the temporary file beside it bears the name already.
    const bool longAtOnce = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    struct Case { QString target; int reason; bool atOnce; } cases[] = {
        {"missing/out.csv", ENOENT, true}, {"out.csv/x.csv", ENOTDIR, true}, {"taken.csv", EISDIR, true}, {longName, ENAMETOOLONG, longAtOnce},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.target.left(20).toStdString());
        boxes.clear();
        clsFile f;
        f.setCompleteFileName(dir.filePath(c.target));
        const bool ok = f.WriteHeader({"A"}) && f.WriteLine("x") && f.CloseFile();
        f.DiscardFile();
        EXPECT_FALSE(ok || f.IsOpen());
        EXPECT_EQ(ReadFile(Path()), QByteArray("earlier"));
        EXPECT_EQ(Entries(), (QStringList{"out.csv", "taken.csv"}));
        EXPECT_EQ(f.LastError(), FileErrorText(c.reason));
        // WriteHeader tells the user itself; the rest is the caller's to tell.
        const QStringList told{"ZT 6200 File Error|There is a problem writing to the file.\r\n" + FileErrorText(c.reason)};
        EXPECT_EQ(BoxTexts(), c.atOnce ? told : QStringList());
    }
}

TEST_F(CsvTest, SaveFileAsOffersLastChoice)
{
    QStringList asked;
    QString answer = Path("a.csv");
    const SaveDialogHandler old = SetSaveDialogHandler([&](const QString &title, const QString &folder, const QString &name) {
        asked << title + '|' + folder + '|' + name;
        return answer;
    });
    EXPECT_TRUE(gApp->SaveFileAs("Save Downloaded Data As"));
    EXPECT_TRUE(gApp->File()->fFileSelected()); // its folder and name are offered next
    answer.clear(); // cancelled: the choice stays
    EXPECT_FALSE(gApp->SaveFileAs("Save Downloaded Tx As"));
    EXPECT_EQ(gApp->File()->CompleteFileName(), Path("a.csv"));
    SetSaveDialogHandler(old);
    EXPECT_EQ(asked, (QStringList{"Save Downloaded Data As|./|", "Save Downloaded Tx As|" + dir.path() + "|a.csv"}));
}
