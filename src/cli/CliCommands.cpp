// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliCommands.h"
#include "cli/CliAnalysis.h"
#include "cli/CliExport.h"
#include "app/modConnect.h"
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
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "saveddata/modSavedDelete.h"
#include "saveddata/modSavedRows.h"
#include "sim/DemoMeter.h"
#include "storage/clsFile.h"
#include "usb/HidApiPlatform.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSet>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <memory>
#include <optional>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace cli;

namespace {

constexpr int kSearchIntervalMs = 250;

#ifdef Q_OS_LINUX
// The bytes the system passed for an argument that reads as `text`.
QByteArray RawArgument(const QString &text) { return NativeFileName(text); }

// A file name that is not valid text in the system's encoding (Qt opens files
// by text names only, and would write under replacement characters). The
// folder is reached through its descriptor; a regular file is written to a
// stand-in beside the target that then takes the target's own bytes as its
// name; a pipe or device is written through its descriptor.
class NativeTarget
{
public:
    ~NativeTarget()
    {
        if (!m_standIn.isEmpty())
            unlinkat(m_dir, m_standIn.constData(), 0);
        SetScratch(QString(), QString());
        for (int fd : {m_fd, m_dir})
            if (fd >= 0)
                close(fd);
    }
    // The text name to write to; empty after a complaint.
    QString Open(const QByteArray &raw)
    {
        const qsizetype cut = raw.lastIndexOf('/');
        const QByteArray folder = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : raw.left(cut);
        const QByteArray name = raw.mid(cut + 1);
        m_dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_dir < 0)
            return Fail(errno);
        const QString via = QStringLiteral("/proc/self/fd/%1").arg(m_dir);
        struct stat st {};
        const bool exists = fstatat(m_dir, name.constData(), &st, 0) == 0;
        if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            m_fd = openat(m_dir, name.constData(), O_WRONLY | O_CLOEXEC);
            return m_fd < 0 ? Fail(errno) : QStringLiteral("/proc/self/fd/%1").arg(m_fd);
        }
        if (exists && S_ISDIR(st.st_mode))
            return Fail(EISDIR);
        for (int tries = 0; tries < 100 && m_standIn.isEmpty(); ++tries) {
            const QByteArray standIn = ".dataclave-cli-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            const int fd = openat(m_dir, standIn.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST)
                return Fail(errno);
            if (fd < 0)
                continue;
            if (exists) // the new file keeps the old one's permissions
                fchmod(fd, st.st_mode & 07777);
            close(fd);
            m_standIn = standIn;
        }
        if (m_standIn.isEmpty())
            return Fail(EEXIST);
        m_name = name;
        const QString path = via + QLatin1Char('/') + QString::fromLatin1(m_standIn);
        SetScratch(QString(), path); // gone however the program ends
        return path;
    }
    // The finished stand-in takes the target's name.
    bool Finish()
    {
        if (m_standIn.isEmpty())
            return true;
        if (renameat(m_dir, m_standIn.constData(), m_dir, m_name.constData()) != 0) {
            Fail(errno);
            return false;
        }
        m_standIn.clear();
        return true;
    }

private:
    static QString Fail(int err)
    {
        clsFile::ShowWriteError(ErrnoText(err));
        return QString();
    }
    QByteArray m_name, m_standIn;
    int m_dir = -1, m_fd = -1;
};
#endif


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
    bool ReadSavedIds(const QList<int> &wanted, QSet<int> *found);
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
        WaitForConnectionFollowUp();
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

// Reads the saved records in directory order (with the download's progress
// bar on a terminal) until every wanted record number has been seen; a
// number that is not in the meter costs a read of them all.
bool Session::ReadSavedIds(const QList<int> &wanted, QSet<int> *found)
{
    TerminalProgress progress;
    const qint16 count = gFsm->NumRecords();
    progress.ProgressOpen(QStringLiteral("Reading Data"), count);
    const QSet<int> want(wanted.cbegin(), wanted.cend());
    for (qint16 i = 0; i < count && found->size() < want.size(); ++i) {
        ListRow row;
        if (gFsm->GetRecord(i) != 0 || !SavedRowFromLine(gFsm->szRecord, &row)) {
            progress.ProgressClose();
            if (gUsbHid->fDeviceConnected()) // a lost link has said so itself
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
    if (ReadDirectory(0) != 0)
        return Failure;
    if (gFsm->NumRecords() <= 0) {
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
    clsSavedDeleteOp walk(clsSavedDeleteOp::Each, numbers);
    const OpStatus status = RunToEnd(walk);
    SetChanging(false);
    return DeleteOutcome(0, numbers, walk.Deleted(), status);
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
    SetChanging(true);
    clsSavedDeleteOp erase(clsSavedDeleteOp::Erase, {});
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
    if (gUsbHid->fDeviceConnected() && ReadDirectory(0) == 0)
        Complain(gFsm->NumRecords() == 0 ? QStringLiteral("read again: the meter holds no saved records")
                                         : QStringLiteral("read again: the meter still holds %1 saved records")
                                               .arg(gFsm->NumRecords()));
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
    std::optional<NativeTarget> native;
    const QByteArray raw = RawArgument(file);
    if (!toStdout && QFile::encodeName(file) != raw) {
        path = native.emplace().Open(raw);
        if (path.isEmpty())
            return Failure;
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
    // The save dialog answers with the file named on the command line.
    const SaveDialogHandler previous = SetSaveDialogHandler([path](const QString &, const QString &, const QString &) { return path; });

    TerminalProgress progress;
    bool fSaveToFile = true, fFillInForm = false;
    const QFileInfo target(path);
    SetSaving(true, target.exists() && !target.isFile() && !target.isDir());
    const OpStatus status = GetAllData(progress, type, fSaveToFile, fFillInForm);
    SetSaving(false);
    SetSaveDialogHandler(previous);
    if (status == OpStatus::Cancelled)
        return Interrupted; // the earlier file stays; the routine has said so
    if (fSaveToFile)
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
        if (w.at(1) == QLatin1String("restore"))
            return TxRestoreCommand(o, w.at(2));
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
    QObject::connect(
        gFsm->Version, &clsVersion::VersionUnknown, &m_context, [] { WindowThreadDo(&ShowUpdateSoftware); },
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
        gApp->fDebug = o.verbose; // the link's status lines
        {
            Session session(o);
            rc = session.Run();
        }
        FlushOut();
    }
    SetHidPlatform(nullptr);
    return rc;
}
