#include "cli/CliCommands.h"
#include "cli/CliLists.h"
#include "cli/CliProgress.h"
#include "cli/CliTerminal.h"
#include "cli/CliTx.h"
#include "app/clsApp.h"
#include "app/clsVersion.h"
#include "app/globals.h"
#include "app/modAnsi.h"
#include "app/modConsole.h"
#include "app/modConvert.h"
#include "app/modDownload.h"
#include "app/modEvents.h"
#include "app/modMsgBox.h"
#include "protocol/clsDevice.h"
#include "protocol/modConsoleSend.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
#include "saveddata/modSavedDelete.h"
#include "sim/DemoMeter.h"
#include "storage/clsFile.h"
#include "usb/HidApiPlatform.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

using namespace cli;

namespace {

constexpr int kSearchIntervalMs = 250;


class Session
{
public:
    explicit Session(const CliOptions &options) : o(options) {}
    int Run();

private:
    bool Connect();
    int Dispatch();
    bool FirmwareSupported() const { return gFsm->Version->value() != -1; }

    int Version();
    int Status();
    int Send(const QString &text);
    int DeleteSaved(const QStringList &ids);
    int EraseSaved();
    int Download(qint32 type, const QString &file);
    int List(qint32 type);

    const CliOptions &o;
    QObject m_context; // owns the connections to the core's signals
};

bool Session::Connect()
{
    frmUsbHid *timer = gUsbHid->HelperForm();
    timer->tmrPeriodic.stop(); // the search below drives the ticks
    const qint64 limitMs = o.demo ? 0 : qint64(o.waitSeconds * 1000);
    const quint32 losses = gUsbHid->LinkLosses();
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // A tick that finds the meter also asks it for its version.
        timer->Tick();
        if (gUsbHid->fDeviceConnected())
            break;
        // Present but not ours to open: the link has said why; waiting will not help.
        if (!gUsbHid->OpenProblem().isEmpty())
            return false;
        const qint64 left = limitMs - elapsed.elapsed();
        if (left <= 0)
            break;
        QThread::msleep(quint32(qMin<qint64>(kSearchIntervalMs, left)));
        DoEvents();
    }
    // From here on the link watches the meter as it does under the windows.
    timer->tmrPeriodic.start();
    // A meter found but silent has been told of by the link already.
    return gUsbHid->IsDeviceConnected(gUsbHid->LinkLosses() == losses);
}

int Session::Version()
{
    WriteOut(gFsm->Version->szVersion() + QLatin1Char('\n'));
    return Success;
}

int Session::Status()
{
    WriteOut(QStringLiteral("connected\nversion %1 %2\n").arg(gFsm->Version->value()).arg(gFsm->Version->szVersion()));
    for (qint32 type : {0, 1}) {
        if (ReadDirectory(type) != 0)
            return Failure;
        WriteOut(QStringLiteral("%1 %2 of %3\n")
                     .arg(type == 0 ? QStringLiteral("saved") : QStringLiteral("tx"))
                     .arg(gFsm->NumRecords())
                     .arg(gFsm->MaxRecords()));
    }
    return Success;
}

int Session::Send(const QString &text)
{
    gDevice->PacketOut.Clear();
    for (QChar ch : text)
        gDevice->AddChar(CharToAnsi(ch));
    gDevice->AddChar(13);
    AppendConsoleLine(text);

    QByteArray reply;
    const ConsoleSendResult result = ConsoleSend([&reply](const clsPacket &in) {
        for (int i = 0; i < in.Length; ++i)
            reply.append(char(in.Buffer(i)));
    });
    WriteOut(reply);
    if (result != ConsoleSendResult::Replied) {
        gUsbHid->ConnectionLost(true);
        return Failure;
    }
    return Success;
}

// The record numbers or station ids of the command line (checked already),
// each once, in the order given.
QList<int> Ids(const QStringList &texts)
{
    QList<int> ids;
    for (const QString &text : texts) {
        int n = 0;
        ParseId(text, kMaxId, &n);
        if (!ids.contains(n))
            ids << n;
    }
    return ids;
}

int Session::DeleteSaved(const QStringList &ids)
{
    const QList<int> numbers = Ids(ids);
    if (!FirmwareSupported())
        return Failure;
    if (ReadDirectory(0) != 0)
        return Failure;
    if (gFsm->NumRecords() <= 0) {
        MsgBox(QStringLiteral("The FSM has no saved records."), vb::Exclamation, QStringLiteral("ZT 6200 Reading Problem"));
        return Failure;
    }
    if (!ConfirmDelete())
        return Declined();
    for (int n : numbers) {
        if (DeleteRecord(n) != 0) {
            Complain(QStringLiteral("saved record %1 was not deleted").arg(n));
            return Failure;
        }
    }
    return Success;
}

int Session::EraseSaved()
{
    if (!FirmwareSupported())
        return Failure;
    if (ReadDirectory(0) != 0)
        return Failure;
    if (gFsm->NumRecords() <= 0)
        return Success; // nothing to erase
    if (!ConfirmDelete())
        return Declined();
    if (EraseSavedRecords())
        return Success;
    if (!gUsbHid->fDeviceConnected())
        return Failure; // the link has said so
    Complain(QStringLiteral("the saved records were not erased"));
    return Failure;
}

int Session::Download(qint32 type, const QString &file)
{
    if (!FirmwareSupported())
        return Failure;
    // Standard output gets the finished file, so a failed download writes nothing there.
    QTemporaryDir scratch;
    const bool toStdout = file == QLatin1String("-");
    if (toStdout && !scratch.isValid()) {
        Complain(QStringLiteral("no folder for a temporary file: ") + scratch.errorString());
        return Failure;
    }
    const QString path = toStdout ? scratch.filePath(QStringLiteral("download.csv")) : QDir::cleanPath(QDir::current().absoluteFilePath(file));
    // The save dialog answers with the file named on the command line.
    const SaveDialogHandler previous = SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });

    TerminalProgress progress;
    bool fSaveToFile = true, fFillInForm = false;
    SetSaving(true);
    GetAllData(progress, type, fSaveToFile, fFillInForm);
    SetSaving(false);
    SetSaveDialogHandler(previous);
    if (fSaveToFile)
        return Failure; // not finished; the routine has said why
    if (toStdout) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            Complain(QStringLiteral("cannot read the downloaded file: ") + f.errorString());
            return Failure;
        }
        WriteOut(f.readAll());
    }
    return Success;
}

int Session::List(qint32 type)
{
    if (!FirmwareSupported())
        return Failure;
    ListPrinter printer(type);
    TerminalProgress progress;
    bool fSaveToFile = false, fFillInForm = true;
    GetAllData(progress, type, fSaveToFile, fFillInForm);
    return printer.Printed() ? Success : Failure;
}

int Session::Dispatch()
{
    const QStringList &w = o.words;
    const QString &cmd = w.at(0);
    if (cmd == QLatin1String("version"))
        return Version();
    if (cmd == QLatin1String("status"))
        return Status();
    if (cmd == QLatin1String("send"))
        return Send(w.at(1));
    if (cmd == QLatin1String("delete") && w.at(1) == QLatin1String("saved"))
        return DeleteSaved(w.mid(2));
    if (cmd == QLatin1String("delete") || cmd == QLatin1String("tx")) {
        if (!FirmwareSupported())
            return Failure;
        if (cmd == QLatin1String("delete"))
            return TxDeleteCommand(Ids(w.mid(2)));
        if (w.at(1) == QLatin1String("add"))
            return TxAddCommand(o);
        return TxEditCommand(o, Ids(w.mid(2)).value(0));
    }
    if (cmd == QLatin1String("erase"))
        return EraseSaved();
    const qint32 type = w.value(1) == QLatin1String("tx") ? 1 : 0;
    if (cmd == QLatin1String("download"))
        return Download(type, w.at(2));
    if (cmd == QLatin1String("list"))
        return List(type);
    Complain(QStringLiteral("'%1' is not available in this build").arg(w.join(QLatin1Char(' '))));
    return UsageError;
}

int Session::Run()
{
    // Told once, when the meter connects, as the main window does.
    QObject::connect(gFsm->Version, &clsVersion::VersionUnknown, &m_context, &ShowUpdateSoftware);
    if (!Connect()) {
        if (o.words.at(0) == QLatin1String("status"))
            WriteOut(QStringLiteral("not connected\n"));
        return Failure;
    }
    return Dispatch();
}

} // namespace

int RunCommand(const CliOptions &o)
{
    DemoHidPlatform demo;
    std::unique_ptr<HidPlatform> real;
    if (o.demo) {
        QString error;
        std::unique_ptr<DemoMeter> meter = o.scenario.isEmpty() ? DemoMeter::BuiltIn()
                                                                : DemoMeter::FromScenarioFile(o.scenario, &error);
        if (!meter) {
            Complain(error);
            return Failure;
        }
        demo.AddMeter(std::move(meter));
        SetHidPlatform(&demo);
    } else {
        real = CreateHidApiPlatform();
        SetHidPlatform(real.get());
    }

    InstallMessageBoxes(o.yes);
    QObject echo;
    HandleInterrupts(&echo);
    if (o.verbose)
        EchoConsole(&echo);

    CreateProcessObjects();
    gApp->fDebug = o.verbose; // the link's status lines
    int rc = Failure;
    {
        Session session(o);
        rc = session.Run();
    }
    std::fflush(stdout);
    DestroyProcessObjects();
    SetHidPlatform(nullptr);
    return rc;
}
