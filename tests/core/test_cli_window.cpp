// SPDX-License-Identifier: GPL-3.0-or-later
// dataclave-cli and the windows, given the same meter data, write the same
// CSV bytes and list the same rows: the windows are driven as the user
// drives them.
#include "TestSupport.h"
#include "common/modAnsi.h"
#include "app/modDownload.h"
#include "app/modListWindowsGui.h"
#include "listview/clsListModel.h"

#include <QtWidgets>

namespace {

struct Case { const char *what; QString scenario; qint32 type; };

class CliMatchesWindow : public MainWindowTest
{
protected:
    // The meter of the scenario (the built-in data when none).
    void Use(const QString &scenario) { ReplaceMeter(scenario.isEmpty() ? DemoMeter::BuiltIn() : Scenario(scenario)); }
    // "Download ... to .csv File" into `path`.
    QByteArray WindowDownload(const QString &scenario, qint32 type, const QString &path)
    {
        Use(scenario);
        saveAs = path;
        EXPECT_FALSE(Download(type, true));
        EXPECT_EQ(BoxTexts(), QStringList());
        return ReadFile(path);
    }
    // "View/Delete ... Data": the list window as it first shows, tab-separated, then closed by the user.
    QString WindowList(const QString &scenario, qint32 type)
    {
        Use(scenario);
        QString text;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&text] {
            auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *list = window ? window->findChild<QTreeView *>("lsvData") : nullptr;
            auto *rows = list ? qobject_cast<clsListModel *>(list->model()) : nullptr;
            if (!rows)
                return;
            text.clear();
            for (int r = -1; r < rows->Count(); ++r) { // the headings first
                QStringList cells;
                for (int c = 0; c < rows->columnCount(); ++c)
                    cells << (r < 0 ? rows->Columns().at(c).heading : rows->Text(r, c));
                text += cells.join('\t') + '\n';
            }
            window->close();
        });
        user.start(1);
        EXPECT_FALSE(Download(type, false));
        EXPECT_EQ(BoxTexts(), QStringList());
        return text;
    }
    // dataclave-cli on the same meter: its standard output. Off a terminal it
    // shows no progress: nothing on standard error.
    QByteArray Cli(const QString &scenario, QStringList args)
    {
        const QString path = dir.filePath(QStringLiteral("meter%1.txt").arg(++files));
        EXPECT_TRUE(scenario.isEmpty() || WriteFile(path, StringToAnsi(scenario)));
        args.prepend(scenario.isEmpty() ? "--demo" : "--demo=" + path);
        const CliRun r = RunCli(args);
        EXPECT_EQ(r.code, 0) << r.err.constData();
        EXPECT_EQ(r.err, QByteArray());
        return r.out;
    }
    QTemporaryDir dir;
    int files = 0;
};

TEST_F(CliMatchesWindow, SameCsvBytes)
{
    const QString odd = QStringLiteral(
        "saved 1,7,3,1,\"K\u00C9V, Site\",1230,1230,2,\"ND\",\"J\u00E9\",\"note, with comma\",3,04-Nov-2026 08:30:00,"
        "04-Nov-2026 00:30:00,1,\"Loop\",FALSE,45.512345,-118.201234,356,61.2,\"dBuV\",1.148,\"mV/m\",1.148,61.20,2.50,23.0,"
        "4.5,TRUE,\"AM\"\n"
        "saved 1,8,4,1,\"KDCV\",1230,1230.0,2,\"ND\",\"JS\",\"\",3,04-Nov-2026 08:31:00,04-Nov-2026 00:31:00,1,\"Loop\",TRUE,"
        "45.5,-118.2,356,61.2,\"dBuV\",1.148,\"mV/m\",1.148,61.20,,23.0,4.5,FALSE,\"DRM10\"\n"
        "tx 1,1,\"K\u00C9V\",1230,45.5,-118.2,-14.5,\"DRM4.5\"\n");
    const Case cases[] = {
        {"built-in saved", "", 0}, {"built-in Tx", "", 1},
        {"firmware 2.2, generated", "firmware 2.2.15\ngenerate-saved 250\n", 0}, {"firmware 2.2 Tx", "firmware 2.2.15\ngenerate-tx 12\n", 1},
        {"no version: 29 fields", "firmware\ngenerate-saved 40\ngenerate-tx 12\n", 0},
        {"quotes, commas, accents", "firmware 2.3.1\n" + odd, 0}, {"accented Tx", "firmware 2.3.1\n" + odd, 1},
    };
    bool toStdout = false; // the tool writes every other one to its standard output
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QString::fromUtf8(c.what).replace(QLatin1Char(':'), QLatin1Char(';')); // no colon on Windows
        const QString cliFile = dir.filePath(name + QStringLiteral(".csv"));
        const QByteArray window = WindowDownload(c.scenario, c.type, dir.filePath(QStringLiteral("window %1.csv").arg(name)));
        EXPECT_GT(window.count("\r\n"), 1);
        const QByteArray out = Cli(c.scenario, {"download", c.type ? "tx" : "saved", toStdout ? "-" : cliFile});
        EXPECT_EQ(toStdout ? out : ReadFile(cliFile) + out, window);
        toStdout = !toStdout;
    }
}

TEST_F(CliMatchesWindow, SameListRows)
{
    RegisterListWindows();
    const Case cases[] = {
        {"built-in saved", "", 0}, {"built-in Tx", "", 1},
        {"firmware 2.2, over several days", "firmware 2.2.15\ngenerate-saved 3000\n", 0}, {"no version: 29 fields", "firmware\ngenerate-saved 40\n", 0},
        {"firmware 2.2 Tx, equal frequencies", "firmware 2.2.15\ngenerate-tx 250\n", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString window = WindowList(c.scenario, c.type);
        EXPECT_GT(window.count('\n'), 2);
        const QByteArray listed = Cli(c.scenario, {"list", c.type ? "tx" : "saved"});
#ifdef _WIN32
        EXPECT_EQ(QString::fromUtf8(listed), window); // UTF-8 to a pipe there, whatever the code page
#else
        EXPECT_EQ(QString::fromLocal8Bit(listed), window);
#endif
    }
    SetDownloadTargetFactory(0, nullptr);
    SetDownloadTargetFactory(1, nullptr);
}

} // namespace
