// dataclave-cli and the windows, given the same meter data, write the same
// CSV bytes and list the same rows: the windows are driven as the user
// drives them.
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/globals.h"
#include "app/modAnsi.h"
#include "app/modDownload.h"
#include "listview/clsListModel.h"
#include "saveddata/frmDeleteData.h"
#include "storage/clsFile.h"
#include "tx/frmTx.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CliMatchesWindow : public MeterTest
{
protected:
    void Connect(const QString &scenario)
    {
        if (meter) { // the previous case's meter goes away first
            platform.Plug(meter, false);
            Tick();
        }
        meter = scenario.isEmpty() ? AddMeter(DemoMeter::BuiltIn()) : AddMeter(scenario);
        ASSERT_TRUE(ConnectMeter());
    }
    // The main window's "Download ... to .csv File" into `path`, the user
    // choosing that file and pressing "OK" at the end.
    void WindowDownload(const QString &scenario, qint32 type, const QString &path)
    {
        Connect(scenario);
        frmMain main;
        gApp->MainForm = &main;
        const SaveDialogHandler old = SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &main, [&main] {
            for (frmMessage *m : main.findChildren<frmMessage *>())
                if (m->cmdOk->isEnabled())
                    m->cmdOk->click();
        });
        user.start(1);
        bool fSaveToFile = true, fFillInForm = false;
        main.GetAllData(type, fSaveToFile, fFillInForm);
        user.stop();
        SetSaveDialogHandler(old);
        gApp->MainForm = nullptr;
        EXPECT_FALSE(fSaveToFile);
        EXPECT_EQ(boxes.size(), 0);
    }
    // The main window's "View/Delete ... Data": the list window as it first
    // shows, tab-separated, then closed by the user.
    QString WindowList(const QString &scenario, qint32 type)
    {
        Connect(scenario);
        frmMain main;
        gApp->MainForm = &main;
        QString text;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &main, [&text] {
            auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *list = window ? window->findChild<QTreeView *>(QStringLiteral("lsvData")) : nullptr;
            auto *rows = list ? qobject_cast<clsListModel *>(list->model()) : nullptr;
            if (!rows)
                return;
            QStringList cells;
            for (const ListColumn &c : rows->Columns())
                cells << c.heading;
            text = cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
            for (int r = 0; r < rows->Count(); ++r) {
                cells.clear();
                for (int c = 0; c < rows->columnCount(); ++c)
                    cells << rows->Text(r, c);
                text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
            }
            window->close();
        });
        user.start(1);
        bool fSaveToFile = false, fFillInForm = true;
        main.GetAllData(type, fSaveToFile, fFillInForm);
        gApp->MainForm = nullptr;
        return text;
    }
    // The arguments that give dataclave-cli the same meter.
    QStringList DemoArgs(const QString &scenario, int n)
    {
        if (scenario.isEmpty())
            return {QStringLiteral("--demo")};
        const QString scenarioFile = dir.filePath(QStringLiteral("meter%1.txt").arg(n));
        QFile f(scenarioFile);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(StringToAnsi(scenario));
        return {QStringLiteral("--demo=") + scenarioFile};
    }
    QTemporaryDir dir;
    DemoMeter *meter = nullptr;
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
    struct Case { const char *what; QString scenario; qint32 type; } cases[] = {
        {"built-in saved", "", 0},
        {"built-in Tx", "", 1},
        {"firmware 2.2, generated", "firmware 2.2.15\ngenerate-saved 250\n", 0},
        {"no version: 29 fields", "firmware\ngenerate-saved 40\ngenerate-tx 12\n", 0},
        {"firmware 2.2 Tx", "firmware 2.2.15\ngenerate-tx 12\n", 1},
        {"quotes, commas, accents", "firmware 2.3.1\n" + odd, 0},
        {"accented Tx", "firmware 2.3.1\n" + odd, 1},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString windowFile = dir.filePath(QStringLiteral("window%1.csv").arg(++n));
        const QString cliFile = dir.filePath(QStringLiteral("cli%1.csv").arg(n));
        WindowDownload(c.scenario, c.type, windowFile);

        QStringList args = DemoArgs(c.scenario, n);
        args << QStringLiteral("download") << (c.type ? QStringLiteral("tx") : QStringLiteral("saved")) << cliFile;
        QByteArray out, err;
        ASSERT_EQ(RunProgram(BuiltProgram(QStringLiteral("dataclave-cli")), args, &out, &err), 0) << err.constData();

        const QByteArray window = ReadAll(windowFile);
        EXPECT_GT(window.count("\r\n"), 1);
        EXPECT_EQ(ReadAll(cliFile), window);
    }
}

TEST_F(CliMatchesWindow, SameListRows)
{
    SetDownloadTargetFactory(0, &frmDeleteData::NewDownloadTarget);
    SetDownloadTargetFactory(1, &frmTx::NewDownloadTarget);
    struct Case { const char *what; QString scenario; qint32 type; } cases[] = {
        {"built-in saved", "", 0},
        {"built-in Tx", "", 1},
        {"firmware 2.2, over several days", "firmware 2.2.15\ngenerate-saved 3000\n", 0},
        {"no version: 29 fields", "firmware\ngenerate-saved 40\n", 0},
        {"firmware 2.2 Tx, equal frequencies", "firmware 2.2.15\ngenerate-tx 250\n", 1},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString window = WindowList(c.scenario, c.type);
        EXPECT_GT(window.count(QLatin1Char('\n')), 2);
        QByteArray out, err;
        const QStringList args = DemoArgs(c.scenario, ++n) + QStringList{"list", c.type ? "tx" : "saved"};
        ASSERT_EQ(RunProgram(BuiltProgram(QStringLiteral("dataclave-cli")), args, &out, &err), 0) << err.constData();
        EXPECT_EQ(QString::fromLocal8Bit(out), window);
    }
    SetDownloadTargetFactory(0, nullptr);
    SetDownloadTargetFactory(1, nullptr);
}

} // namespace
