// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modDownload.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/modConsole.h"
#include "common/modConvert.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "protocol/modFSMComm.h"
#include "records/modStore.h"
#include "records/clsFsm.h"
#include "storage/clsFile.h"
#include "usb/clsUsbHid.h"

#include <QHash>
#include <QScopedValueRollback>

DownloadUi::~DownloadUi() = default;
void DownloadUi::ProgressOpen(const QString &, int) {}
void DownloadUi::ProgressStep(int) {}
QString DownloadUi::StepMessage(int value, int maximum)
{
    return QStringLiteral("Reading Data ") + IntText(value) + QStringLiteral(" of ") + IntText(maximum);
}
void DownloadUi::ProgressFinished(const QString &) {}
void DownloadUi::WaitForOk() {}
void DownloadUi::ProgressClose() {}
void DownloadUi::SetMainEnabled(bool) {}
void DownloadUi::BringMainToFront() {}

namespace {

const QString kReadingTitle = QStringLiteral("ZT 6200 Reading Problem");
const QString kNoRecords = QStringLiteral("The FSM has no saved records.");
const QString kReadProblem = QStringLiteral("There is a problem with reading the data\r\n(either USB connection or data problems)");

// Leaves the running download tidy on every way out: no temporary file left
// behind, the progress display gone, the main window usable again.
class RunningDownload
{
public:
    explicit RunningDownload(DownloadUi &ui) : m_ui(ui) {}
    ~RunningDownload()
    {
        gApp->File->DiscardFile();
        m_ui.ProgressClose();
        m_ui.SetMainEnabled(true);
        m_ui.BringMainToFront();
    }

private:
    DownloadUi &m_ui;
};

} // namespace

void GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm)
{
    // The link and gApp->File serve one download at a time.
    static bool fRunning = false;
    if (fRunning)
        return;
    const QScopedValueRollback<bool> running(fRunning, true);
    const LinkWork work;

    gFsm->DataType = DataType;
    if (ReadDirectory(gFsm->DataType) == 1)
        return;
    const qint32 type = gFsm->DataType;
    const DownloadTargetFactory makeTarget = DownloadTargetFactoryFor(type);

    if (gFsm->NumRecords() <= 0) {
        MsgBox(kNoRecords, vb::Exclamation, kReadingTitle);
        return;
    }
    if (!gUsbHid->IsDeviceConnected(true))
        return;
    if (fSaveToFile && !gApp->SaveFileAs(QStringLiteral("Save Downloaded ") + gFsm->DataName() + QStringLiteral(" As")))
        return;
    if (!gUsbHid->IsDeviceConnected(true))
        return;

    // The count may have changed while the user was choosing the file. A
    // failed query is a reading problem, not an empty meter.
    if (ReadDirectory(type) == 1) {
        MsgBox(kReadProblem, vb::Exclamation, QStringLiteral("Reading Problem"));
        return;
    }
    const qint16 count = gFsm->NumRecords();
    if (count <= 0) {
        QString text;
        if (fSaveToFile)
            text = QStringLiteral("The FSM has no saved records. Nothing was saved to the disk file.");
        if (fFillInForm)
            text = kNoRecords;
        MsgBox(text, vb::Exclamation, kReadingTitle);
        return;
    }

    const RunningDownload tidy(ui);
    ui.ProgressOpen(QStringLiteral("Reading Data..."), count);
    ui.SetMainEnabled(false);
    DoEvents();

    std::unique_ptr<DownloadTarget> target;
    for (qint16 i = 0; i < count; ++i) {
        ui.ProgressStep(i + 1);
        if (gFsm->GetRecord(i) != 0) {
            ui.ProgressClose();
            DoEvents();
            if (fSaveToFile)
                gApp->File->DiscardFile();
            MsgBox(kReadProblem, vb::Exclamation, QStringLiteral("Reading Problem"));
            return;
        }
        gFsm->ProcessRecord();
        if (fSaveToFile) {
            // The header follows the first record: reading it may settle the layout.
            if (i == 0 && !gApp->File->WriteHeader(gFsm->DataHeader())) {
                ui.ProgressClose();
                DoEvents();
                return;
            }
            if (!gApp->File->WriteLine(gFsm->szRecord)) {
                ui.ProgressClose();
                DoEvents();
                gApp->File->DiscardFile();
                clsFile::ShowWriteError(gApp->File->LastError());
                return;
            }
        }
        if (fFillInForm) {
            if (i == 0 && makeTarget)
                target = makeTarget();
            if (target)
                target->lsvDataAdd(gFsm->szRecord);
        }
        AppendConsoleLine(gFsm->szRecord);
    }

    // The file is finished before success is shown, so "Finished!" is never
    // shown for a file that did not reach the disk.
    if (fSaveToFile) {
        if (!gApp->File->CloseFile()) {
            ui.ProgressClose();
            DoEvents();
            clsFile::ShowWriteError(gApp->File->LastError());
            return;
        }
        fSaveToFile = false;
    }

    ui.ProgressFinished(QStringLiteral("Finished!\r\nDownloaded ") + IntText(count) + QStringLiteral(" records."));
    Beep();
    if (fFillInForm)
        ui.ProgressClose();
    else
        ui.WaitForOk();
    ui.ProgressClose();

    if (fFillInForm && target) {
        // The list window is modal: it is the only window the user can reach.
        ui.SetMainEnabled(true);
        target->ShowModal();
    }
}
