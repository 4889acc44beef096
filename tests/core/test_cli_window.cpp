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
#include "app/modListWindowsGui.h"
#include "listview/clsListModel.h"
#include "storage/clsFile.h"

#include <QtWidgets>

namespace {

class CliMatchesWindow : public MeterTest
{
protected:
    // A main window on the meter of the scenario (the built-in data when
    // none) runs its command for `type`; the user acts meanwhile.
    void RunMain(const QString &scenario, qint32 type, bool save, const std::function<void(frmMain &)> &act)
    {
        ReplaceMeter(scenario.isEmpty() ? DemoMeter::BuiltIn() : DemoMeter::FromScenario(scenario, nullptr));
        frmMain main;
        gApp->MainForm = &main;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, &main, [&] { act(main); });
        user.start(1);
        bool fSaveToFile = save, fFillInForm = !save;
        main.GetAllData(type, fSaveToFile, fFillInForm);
        gApp->MainForm = nullptr;
        EXPECT_FALSE(fSaveToFile);
        EXPECT_EQ(boxes.size(), 0);
    }
    // "Download ... to .csv File" into `path`, the user choosing that file and pressing "OK" at the end.
    QByteArray WindowDownload(const QString &scenario, qint32 type, const QString &path)
    {
        const SaveDialogHandler old = SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });
        RunMain(scenario, type, true, [](frmMain &main) {
            for (frmMessage *m : main.findChildren<frmMessage *>())
                if (m->cmdOk->isEnabled())
                    m->cmdOk->click();
        });
        SetSaveDialogHandler(old);
        return ReadAll(path);
    }
    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // "View/Delete ... Data": the list window as it first shows, tab-separated, then closed by the user.
    QString WindowList(const QString &scenario, qint32 type)
    {
        QString text;
        RunMain(scenario, type, false, [&text](frmMain &) {
            auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *list = window ? window->findChild<QTreeView *>("lsvData") : nullptr;
            auto *rows = list ? qobject_cast<clsListModel *>(list->model()) : nullptr;
            if (!rows)
                return;
            QStringList cells;
            for (const ListColumn &c : rows->Columns())
                cells << c.heading;
            text = cells.join('\t') + '\n';
            for (int r = 0; r < rows->Count(); ++r) {
                cells.clear();
                for (int c = 0; c < rows->columnCount(); ++c)
                    cells << rows->Text(r, c);
                text += cells.join('\t') + '\n';
            }
            window->close();
        });
        return text;
    }
    // dataclave-cli on the same meter: its standard output.
    QByteArray Cli(const QString &scenario, QStringList args)
    {
        if (scenario.isEmpty()) {
            args.prepend("--demo");
        } else {
            const QString path = dir.filePath(QStringLiteral("meter%1.txt").arg(++files));
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(StringToAnsi(scenario)) > 0);
            args.prepend("--demo=" + path);
        }
        QByteArray out, err;
        EXPECT_EQ(RunProgram(BuiltProgram("dataclave-cli"), args, &out, &err), 0) << err.constData();
        return out;
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
    struct Case { const char *what; QString scenario; qint32 type; } cases[] = {
        {"built-in saved", "", 0}, {"built-in Tx", "", 1},
        {"firmware 2.2, generated", "firmware 2.2.15\ngenerate-saved 250\n", 0},
        {"no version: 29 fields", "firmware\ngenerate-saved 40\ngenerate-tx 12\n", 0},
        {"firmware 2.2 Tx", "firmware 2.2.15\ngenerate-tx 12\n", 1},
        {"quotes, commas, accents", "firmware 2.3.1\n" + odd, 0},
        {"accented Tx", "firmware 2.3.1\n" + odd, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString cliFile = dir.filePath(QStringLiteral("%1.csv").arg(c.what));
        const QByteArray window = WindowDownload(c.scenario, c.type, dir.filePath(QStringLiteral("window %1.csv").arg(c.what)));
        EXPECT_GT(window.count("\r\n"), 1);
        EXPECT_TRUE(Cli(c.scenario, {"download", c.type ? "tx" : "saved", cliFile}).isEmpty());
        EXPECT_EQ(ReadAll(cliFile), window);
    }
}

TEST_F(CliMatchesWindow, SameListRows)
{
    RegisterListWindows();
    struct Case { const char *what; QString scenario; qint32 type; } cases[] = {
        {"built-in saved", "", 0}, {"built-in Tx", "", 1},
        {"firmware 2.2, over several days", "firmware 2.2.15\ngenerate-saved 3000\n", 0},
        {"no version: 29 fields", "firmware\ngenerate-saved 40\n", 0},
        {"firmware 2.2 Tx, equal frequencies", "firmware 2.2.15\ngenerate-tx 250\n", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString window = WindowList(c.scenario, c.type);
        EXPECT_GT(window.count('\n'), 2);
        EXPECT_EQ(QString::fromLocal8Bit(Cli(c.scenario, {"list", c.type ? "tx" : "saved"})), window);
    }
    SetDownloadTargetFactory(0, nullptr);
    SetDownloadTargetFactory(1, nullptr);
}

} // namespace
