// The CSV writer: exact bytes, and no damage to an earlier file on failure.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "storage/clsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

class CsvTest : public MeterTest
{
protected:
    QTemporaryDir dir;
    QString Path(const char *name = "out.csv") const { return dir.filePath(QString::fromUtf8(name)); }
    QByteArray Read() const
    {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    void Prepare()
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
};

TEST_F(CsvTest, ExactBytesReplaceOnlyWhenClosed)
{
    Prepare();
    clsFile f;
    f.setCompleteFileName(Path());
    ASSERT_TRUE(f.WriteHeader({"Dir ID", "Rec ID ", QStringLiteral("Temperature (\u00B0C)  "), " Lead"}));
    ASSERT_TRUE(f.WriteLine(QStringLiteral("1,7,\"---\",\u00B0\u20AC")));
    EXPECT_EQ(Read(), QByteArray("earlier")); // nothing replaced before the end
    f.DiscardFile();
    EXPECT_EQ(Read(), QByteArray("earlier"));
    EXPECT_EQ(Entries(), QStringList{"out.csv"});

    ASSERT_TRUE(f.WriteHeader({"Dir ID", "Rec ID ", QStringLiteral("Temperature (\u00B0C)  "), " Lead"}));
    ASSERT_TRUE(f.WriteLine(QStringLiteral("1,7,\"---\",\u00B0\u20AC")));
    EXPECT_TRUE(f.CloseFile());
    EXPECT_EQ(Read(), QByteArray("\"Dir ID\",\"Rec ID\",\"Temperature (\xB0"
                                 "C)\",\" Lead\"\r\n1,7,\"---\",\xB0\x80\r\n"));
    EXPECT_TRUE(f.CloseFile()); // nothing open
    EXPECT_EQ(Entries(), QStringList{"out.csv"});
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(CsvTest, WriteFailuresKeepEarlierFile)
{
    Prepare();
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.csv"));
    struct Case { const char *what; QString target; bool diskFull; } cases[] = {
        {"no such folder", Path("missing/out.csv"), false},
        {"folder is a file", Path("out.csv/x.csv"), false},
        {"name taken by a folder", Path("taken.csv"), false},
        {"disk full", Path(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        // A file size limit stands in for a full disk.
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 64 * 1024;
        auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (c.diskFull)
            setrlimit(RLIMIT_FSIZE, &small);
        clsFile f;
        f.setCompleteFileName(c.target);
        bool ok = f.WriteHeader({"A"});
        for (int i = 0; ok && i < 2000; ++i)
            ok = f.WriteLine(QString(200, QLatin1Char('x')));
        ok = ok && f.CloseFile();
        f.DiscardFile();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
        EXPECT_FALSE(ok);
        EXPECT_FALSE(f.IsOpen());
        EXPECT_EQ(Read(), QByteArray("earlier"));
        EXPECT_EQ(Entries(), (QStringList{"out.csv", "taken.csv"}));
        // Only WriteHeader tells the user itself; the other failures go to the caller.
        if (!boxes.isEmpty()) {
            EXPECT_EQ(boxes[0].prompt, "There is a problem writing to the file.\r\nIs it already open in another application?");
            EXPECT_EQ(boxes[0].title, "ZT 6200 File Error");
        }
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
    EXPECT_TRUE(gApp->File->fFileSelected);
    EXPECT_EQ(gApp->File->Path(), dir.path());
    EXPECT_EQ(gApp->File->FileName(), "a.csv");
    answer.clear(); // cancelled: the choice stays
    EXPECT_FALSE(gApp->SaveFileAs("Save Downloaded Tx As"));
    EXPECT_EQ(gApp->File->CompleteFileName(), Path("a.csv"));
    SetSaveDialogHandler(old);
    EXPECT_EQ(asked, (QStringList{"Save Downloaded Data As|./|", "Save Downloaded Tx As|" + dir.path() + "|a.csv"}));
}
