// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliCommands.h"
#include "cli/CliAnalysis.h"
#include "cli/CliExport.h"
#include "app/modConnect.h"
#include "app/modFileWords.h"
#include "cli/CliLists.h"
#include "cli/CliProgress.h"
#include "cli/CliTerminal.h"
#include "cli/CliTx.h"
#include "app/clsApp.h"
#include "records/clsVersion.h"
#include "app/clsSession.h"
#include "app/globals.h"
#include "common/modAnsi.h"
#include "common/modConsole.h"
#include "common/modConvert.h"
#include "common/modFileName.h"
#include "app/modDownload.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "protocol/clsDevice.h"
#include "protocol/modConsoleSend.h"
#include "protocol/modFSMComm.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "saveddata/modSavedDelete.h"
#include "saveddata/modSavedRows.h"
#include "sim/DemoMeter.h"
#include "storage/clsFile.h"
#include "storage/clsNativeTarget.h"
#include "usb/HidApiPlatform.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <memory>
#include <optional>

using namespace cli;

namespace {

constexpr int kSearchIntervalMs = 250;

#ifdef Q_OS_LINUX
// The bytes the system passed for an argument that reads as `text`.
QByteArray RawArgument(const QString &text) { return NativeFileName(text); }

#endif


class Session
{
public:
    Session(const CliOptions &options, clsMeter &meter) : o(options), m(meter) {}
    int Run();

private:
    bool Connect();
    int Dispatch();
    bool FirmwareSupported() const { return m.Profile().fSupported; }

    int Version();
    int Status();
    int Send(const QString &text);
    int DeleteSaved(const QStringList &ids);
    bool ReadSavedIds(const QList<int> &wanted, QSet<int> *found);
    int EraseSaved();
    int Download(qint32 type, const QString &file);
    int List(qint32 type);

    const CliOptions &o;
    clsMeter &m; // the session's meter
    QObject m_context; // owns the connections to the core's signals
};

bool Session::Connect()
{
    frmUsbHid *timer = m.Link().HelperForm();
    timer->tmrPeriodic().stop(); // the search below drives the ticks
    const qint64 limitMs = o.demo ? 0 : qint64(o.waitSeconds * 1000);
    const LinkWatch watch = m.Watch();
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // A tick that finds the meter also asks it for its version.
        timer->Tick();
        WaitForConnectionFollowUp();
        if (m.Link().fDeviceConnected())
            break;
        // Present but not ours to open: the link has said why; waiting will not help.
        if (m.Link().OpenFailed())
            return false;
        const qint64 left = limitMs - elapsed.elapsed();
        if (left <= 0)
            break;
        QThread::msleep(quint32(qMin<qint64>(kSearchIntervalMs, left)));
        DoEvents();
    }
    // From here on the link watches the meter as it does under the windows.
    timer->tmrPeriodic().start();
    // A meter found but silent has been told of by the link already.
    return m.Link().IsDeviceConnected(!watch.WentDown());
}

int Session::Version()
{
    WriteOut(m.Fsm().Version()->szVersion() + QLatin1Char('\n'));
    return Success;
}

int Session::Status()
{
    WriteOut(QStringLiteral("connected\nversion %1 %2\n").arg(m.Fsm().Version()->value()).arg(m.Fsm().Version()->szVersion()));
    for (qint32 type : {0, 1}) {
        if (m.ReadDirectory(type) != OpStatus::Ok)
            return Failure;
        WriteOut(QStringLiteral("%1 %2 of %3\n")
                     .arg(type == 0 ? QStringLiteral("saved") : QStringLiteral("tx"))
                     .arg(m.Fsm().NumRecords(type))
                     .arg(m.Fsm().MaxRecords(type)));
    }
    return Success;
}

// Erase (E), delete a saved record (F) or a Tx (V), add (U) or replace (X)
// a Tx: the commands that change what the meter holds. Judged by the first
// letter in either case, so no spelling of them goes out unasked.
bool ChangesMeter(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && QStringLiteral("EFVUX").contains(t.at(0).toUpper());
}

int Session::Send(const QString &text)
{
    if (ChangesMeter(text) &&
        !Confirm(QStringLiteral("%1 changes the records in the meter.\r\nAre you sure that you want to send it? (No undo possible)").arg(text),
                 QStringLiteral("Send Command?")))
        return Declined();
    clsPacket command;
    for (QChar ch : text)
        command.AddChar(CharToAnsi(ch));
    command.AddChar(13);
    AppendConsoleLine(text);

    QByteArray reply;
    clsConsoleSend send(m.Device(), command);
    QObject::connect(&send, &clsConsoleSend::Packet, &m_context, [&reply](const clsPacket &in) {
        for (int i = 0; i < in.Length(); ++i)
            reply.append(char(in.Buffer(i)));
    });
    const OpStatus result = RunToEnd(send);
    WriteOut(reply);
    if (result == OpStatus::Cancelled)
        return Interrupted; // what came is out; nothing more is waited for
    if (result != OpStatus::Ok) {
        m.Link().ConnectionLost(true);
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

// Reads the saved records in directory order (with the download's progress
// bar on a terminal) until every wanted record number has been seen; a
// number that is not in the meter costs a read of them all.
bool Session::ReadSavedIds(const QList<int> &wanted, QSet<int> *found)
{
    TerminalProgress progress;
    const qint16 count = m.Fsm().NumRecords(0);
    progress.ProgressOpen(QStringLiteral("Reading Data"), count);
    const QSet<int> want(wanted.cbegin(), wanted.cend());
    for (qint16 i = 0; i < count && found->size() < want.size(); ++i) {
        ListRow row;
        if (m.GetRecord(0, i) != OpStatus::Ok || !SavedRowFromLine(m.Fsm().szRecord(), &row)) {
            progress.ProgressClose();
            if (m.Link().fDeviceConnected()) // a lost link has said so itself
                Complain(QStringLiteral("the saved records could not be read; nothing was deleted"));
            return false;
        }
        if (row.user.isValid() && want.contains(row.user.toInt()))
            found->insert(row.user.toInt());
        progress.ProgressStep(i + 1);
    }
    progress.ProgressClose();
    return true;
}

int Session::DeleteSaved(const QStringList &ids)
{
    const QList<int> numbers = Ids(ids);
    if (!FirmwareSupported())
        return Failure;
    if (m.ReadDirectory(0) != OpStatus::Ok)
        return Failure;
    if (m.Fsm().NumRecords(0) <= 0) {
        MsgBox(QStringLiteral("The FSM has no saved records."), vb::Exclamation, QStringLiteral("ZT 6200 Reading Problem"));
        return Failure;
    }
    // All or nothing: a number not in the meter stops the delete before any
    // record is gone.
    QSet<int> present;
    if (!ReadSavedIds(numbers, &present))
        return Failure;
    QStringList missing;
    for (int n : numbers)
        if (!present.contains(n))
            missing << IntText(n);
    if (!missing.isEmpty()) {
        Complain(QStringLiteral("the meter has no saved record%1 %2; nothing was deleted")
                     .arg(missing.size() > 1 ? QStringLiteral("s") : QString(), missing.join(QStringLiteral(", "))));
        return Failure;
    }
    if (!ConfirmDelete())
        return Declined();
    SetChanging(true);
    clsSavedDeleteOp walk(m, clsSavedDeleteOp::Each, numbers);
    const OpStatus status = RunToEnd(walk);
    SetChanging(false);
    return DeleteOutcome(m, 0, numbers, walk.Deleted(), status);
}

int Session::EraseSaved()
{
    if (!FirmwareSupported())
        return Failure;
    if (m.ReadDirectory(0) != OpStatus::Ok)
        return Failure;
    if (m.Fsm().NumRecords(0) <= 0)
        return Success; // nothing to erase
    if (!ConfirmDelete())
        return Declined();
    SetChanging(true);
    clsSavedDeleteOp erase(m, clsSavedDeleteOp::Erase, {});
    const OpStatus status = RunToEnd(erase);
    SetChanging(false);
    const bool interrupted = WasInterrupted();
    if (erase.Erased()) {
        if (interrupted)
            Complain(QStringLiteral("interrupted after the erase had finished: the saved records were erased"));
        return interrupted ? Interrupted : Success;
    }
    if (interrupted && status == OpStatus::Cancelled && erase.Tries() == 0) {
        Complain(QStringLiteral("interrupted: nothing was sent; the saved records are still in the meter"));
        return Interrupted;
    }
    // The meter acts on "E" when it arrives: without its reply, only the
    // directory read again tells.
    Complain(QStringLiteral("the saved records may have been erased: the meter's reply was lost"));
    if (m.Link().fDeviceConnected() && m.ReadDirectory(0) == OpStatus::Ok)
        Complain(m.Fsm().NumRecords(0) == 0 ? QStringLiteral("read again: the meter holds no saved records")
                                            : QStringLiteral("read again: the meter still holds %1 saved records")
                                               .arg(m.Fsm().NumRecords(0)));
    else
        Complain(QStringLiteral("the meter could not be read again to see what it holds"));
    return interrupted ? Interrupted : Failure;
}

int Session::Download(qint32 type, const QString &file)
{
    if (!FirmwareSupported())
        return Failure;
    // Standard output gets the finished file, so a failed download writes nothing there.
    const bool toStdout = file == QLatin1String("-");
    std::optional<QTemporaryDir> scratch;
    if (toStdout) {
        scratch.emplace();
        if (!scratch->isValid()) {
            Complain(QStringLiteral("no folder for a temporary file: ") + scratch->errorString());
            return Failure;
        }
    }
    QString path = toStdout ? scratch->filePath(QStringLiteral("download.csv")) : QDir::cleanPath(file);
#ifdef Q_OS_LINUX
    std::optional<clsNativeTarget> native;
    const QByteArray raw = RawArgument(file);
    if (!toStdout && QFile::encodeName(file) != raw) {
        path = native.emplace().Open(raw);
        if (path.isEmpty())
            return Failure;
        SetScratch(QString(), native->StandIn()); // gone however the program ends
    }
#endif
    // However the program ends from here (Ctrl+C, a closed pipe), the folder goes too.
    struct ScratchGone
    {
        std::optional<QTemporaryDir> &dir;
        ~ScratchGone()
        {
            if (dir)
                dir->remove();
            SetScratch(QString(), QString());
        }
    } const scratchGone{scratch};
    if (toStdout)
        SetScratch(scratch->path(), path);
    TerminalProgress progress;
    const QFileInfo target(path);
    SetSaving(true, target.exists() && !target.isFile() && !target.isDir());
    const OpStatus status = GetAllData(progress, DownloadRequest{type, true, false, path, {}});
    SetSaving(false);
    if (status == OpStatus::Cancelled)
        return Interrupted; // the earlier file stays; the routine has said so
    if (status != OpStatus::Ok)
        return Failure; // not finished; the routine has said why
#ifdef Q_OS_LINUX
    if (native && !native->Finish())
        return Failure;
#endif
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
    ListPrinter printer(m, type);
    TerminalProgress progress;
    GetAllData(progress, DownloadRequest{type, false, true, QString(), printer.Factory()});
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
            return TxDeleteCommand(m, Ids(w.mid(2)));
        if (w.at(1) == QLatin1String("add"))
            return TxAddCommand(m, o);
        if (w.at(1) == QLatin1String("restore"))
            return TxRestoreCommand(m, o, w.at(2));
        return TxEditCommand(m, o, Ids(w.mid(2)).value(0));
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
    QObject::connect(
        m.Fsm().Version(), &clsVersion::VersionUnknown, &m_context, [] { WindowThreadDo(&ShowUpdateSoftware); },
        Qt::DirectConnection);
    if (!Connect()) {
        if (o.words.at(0) == QLatin1String("status"))
            WriteOut(QStringLiteral("not connected\n"));
        return Failure;
    }
    return Dispatch();
}

} // namespace

void KeepRawArguments(int argc, char **argv) { RememberNativeArguments(argc, argv); }

int RunCommand(const CliOptions &o)
{
    InstallFileWords();
    if (o.words.at(0) == QLatin1String("export"))
        return ExportCommand(o);
    if (o.words.at(0) == QLatin1String("groundwave"))
        return GroundWaveCommand(o);
    if (o.words.at(0) == QLatin1String("analyze"))
        return AnalyzeCommand(o);
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

    int rc = Failure;
    {
        clsSession objects;
        objects.MakeCurrent();
        gApp->setfDebug(o.verbose); // the link's status lines
        {
            Session session(o, objects.Meter());
            rc = session.Run();
        }
        FlushOut();
    }
    SetHidPlatform(nullptr);
    return rc;
}
