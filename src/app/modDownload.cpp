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

#include <cmath>


DownloadUi::~DownloadUi() = default;
void DownloadUi::ProgressOpen(const QString &, int) {}
void DownloadUi::ProgressStep(int) {}
bool DownloadUi::ProgressShown() { return true; }
QString DownloadUi::StepMessage(int value, int maximum)
{
    return QStringLiteral("Reading Data ") + IntText(value) + QStringLiteral(" of ") + IntText(maximum);
}
QString DownloadUi::StepMessage(int value, int maximum, qint64 elapsedMs)
{
    QString text = StepMessage(value, maximum);
    // A rate from less than a second of reading says little.
    if (elapsedMs < 1000 || value <= 0)
        return text;
    const double perSecond = value * 1000.0 / double(elapsedMs);
    const qint64 left = qint64(std::ceil(qMax(0, maximum - value) / perSecond));
    // A slow meter (or a slow link) reads less than ten a second: decimals then.
    const QString rate = perSecond >= 9.95    ? IntText(std::llround(perSecond))
                         : perSecond >= 0.995 ? QString::number(perSecond, 'f', 1)
                                              : QString::number(perSecond, 'f', 2);
    text += QStringLiteral("\r\n") + rate + QStringLiteral(" records per second, ");
    if (left >= 60)
        text += IntText(left / 60) + QStringLiteral(" min ") + IntText(left % 60) + QStringLiteral(" s left");
    else
        text += IntText(left) + QStringLiteral(" s left");
    return text;
}
void DownloadUi::ProgressFinished(const QString &) {}
void DownloadUi::ProgressCancelled(const QString &) {}
void DownloadUi::ProgressClose() {}
void DownloadUi::SetMainEnabled(bool) {}
void DownloadUi::BringMainToFront() {}

namespace {

const QString kReadingTitle = QStringLiteral("ZT 6200 Reading Problem");
const QString kNoRecords = QStringLiteral("The FSM has no saved records.");
const QString kReadProblem = QStringLiteral("There is a problem with reading the data\r\n(either USB connection or data problems)");

} // namespace

std::unique_ptr<clsDownload> PrepareDownload(DownloadUi &ui, qint32 DataType, bool fSaveToFile, bool fFillInForm)
{
    // The link and gApp->File serve one download at a time.
    if (OperationRunning())
        return nullptr;

    gFsm->DataType = DataType;
    if (ReadDirectory(gFsm->DataType) == 1)
        return nullptr;
    const qint32 type = gFsm->DataType;

    if (gFsm->NumRecords() <= 0) {
        MsgBox(kNoRecords, vb::Exclamation, kReadingTitle);
        return nullptr;
    }
    if (!gUsbHid->IsDeviceConnected(true))
        return nullptr;
    if (fSaveToFile && !gApp->SaveFileAs(QStringLiteral("Save Downloaded ") + gFsm->DataName() + QStringLiteral(" As"), type))
        return nullptr;
    if (!gUsbHid->IsDeviceConnected(true))
        return nullptr;

    // The count may have changed while the user was choosing the file. A
    // failed query is a reading problem, not an empty meter (a reply that
    // was no count has been told by ReadDirectory).
    if (ReadDirectory(type) == 1) {
        if (!gUsbHid->fDeviceConnected())
            MsgBox(kReadProblem, vb::Exclamation, QStringLiteral("Reading Problem"));
        return nullptr;
    }
    const qint16 count = gFsm->NumRecords();
    if (count <= 0) {
        QString text;
        if (fSaveToFile)
            text = QStringLiteral("The FSM has no saved records. Nothing was saved to the disk file.");
        if (fFillInForm)
            text = kNoRecords;
        MsgBox(text, vb::Exclamation, kReadingTitle);
        return nullptr;
    }
    // Another operation may have started under the save dialog.
    if (OperationRunning())
        return nullptr;

    ui.ProgressOpen(QStringLiteral("Reading Data..."), count);
    ui.SetMainEnabled(false);
    return std::make_unique<clsDownload>(ui, type, count, fSaveToFile, fFillInForm);
}

clsDownload::clsDownload(DownloadUi &ui, qint32 DataType, qint16 count, bool fSaveToFile, bool fFillInForm, QObject *parent)
    : clsOperation(parent), m_ui(ui), m_type(DataType), m_count(count), m_save(fSaveToFile), m_fill(fFillInForm),
      m_makeTarget(DownloadTargetFactoryFor(DataType))
{
    // A record from a fast meter takes a few microseconds; window messages
    // need not run after each one (a real meter's record takes milliseconds).
    SetSliceMs(2);
}

clsDownload::~clsDownload()
{
    StopSteps();
    // However it ends (its window closed mid-way), no temporary file stays.
    if (m_save && gApp && gApp->File)
        gApp->File->DiscardFile();
}

void clsDownload::Fail(Problem problem, OpStatus status)
{
    m_problem = problem;
    if (m_save)
        gApp->File->DiscardFile();
    WindowThreadDo([this] { m_target.reset(); }, this);
    Finish(status);
}

bool clsDownload::StepReady()
{
    // The list window is made once the first record is in, before the
    // second is asked for (making it reads the meter's count).
    if (m_next == 1 && m_fill && !m_target && m_makeTarget && m_firstLine) {
        m_target = m_makeTarget();
        if (m_target)
            m_target->lsvDataAdd(*m_firstLine);
        m_firstLine.reset();
    }
    if (m_next > 0)
        return true;
    m_ui.ProgressStep(1);
    return m_ui.ProgressShown(); // the next pass of the event loop paints it
}

void clsDownload::Step()
{
    // The progress display and the list window belong to the window thread.
    WindowThreadDo([this, value = m_next + 1] { m_ui.ProgressStep(value); }, this);
    const qint16 i = m_next++;
    if (gFsm->GetRecord(i) != 0)
        return Fail(Problem::Read, gUsbHid->fDeviceConnected() ? OpStatus::BadReply : OpStatus::LinkLost);
    gFsm->ProcessRecord();
    if (m_save) {
        // The header follows the first record: reading it may settle the layout.
        if (i == 0 && !gApp->File->WriteHeader(gFsm->DataHeader()))
            return Fail(Problem::Told, OpStatus::Failed);
        if (!gApp->File->WriteLine(gFsm->szRecord))
            return Fail(Problem::Write, OpStatus::Failed);
    }
    if (m_fill) {
        if (i == 0 && m_count > 1) {
            m_firstLine = std::make_unique<QString>(gFsm->szRecord);
            EndSlice(); // the window thread makes the list window first
        } else if (i == 0) {
            WindowThreadDo([this, line = gFsm->szRecord] {
                if (m_makeTarget && (m_target = m_makeTarget()))
                    m_target->lsvDataAdd(line);
            }, this);
        } else {
            WindowThreadDo([this, line = gFsm->szRecord] { if (m_target) m_target->lsvDataAdd(line); }, this);
        }
    }
    AppendConsoleLine(gFsm->szRecord);
    if (m_next < m_count)
        return;

    // The file is finished before success is shown, so "Finished!" is never
    // shown for a file that did not reach the disk.
    if (m_save && !gApp->File->CloseFile())
        return Fail(Problem::Write, OpStatus::Failed);
    Finish(OpStatus::Ok);
}

void clsDownload::Cancelled()
{
    // Stopped between records: the earlier file stays as it was.
    Fail(Problem::None, OpStatus::Cancelled);
}

void clsDownload::Conclude()
{
    switch (Status()) {
    case OpStatus::Ok:
        m_ui.ProgressFinished(QStringLiteral("Finished!\r\nDownloaded ") + IntText(m_count) +
                              (m_count == 1 ? QStringLiteral(" record.") : QStringLiteral(" records.")));
        Beep();
        return;
    case OpStatus::Cancelled:
        m_ui.ProgressCancelled(QStringLiteral("Download cancelled after ") + IntText(m_next) + QStringLiteral(" of ") +
                               IntText(m_count) + QStringLiteral(" records."));
        return;
    default:
        break;
    }
    m_ui.ProgressClose();
    // After what the link had to say about the same failure.
    // The record that failed is named: the file is never written with a gap.
    if (m_problem == Problem::Read)
        MsgBoxLater(kReadProblem + QStringLiteral("\r\nRecord %1 of %2 could not be read.").arg(m_next).arg(m_count),
                    vb::Exclamation, QStringLiteral("Reading Problem"));
    else if (m_problem == Problem::Write)
        clsFile::ShowWriteError(gApp->File->LastError());
}

OpStatus GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm)
{
    std::unique_ptr<clsDownload> download = PrepareDownload(ui, DataType, fSaveToFile, fFillInForm);
    if (!download)
        return OpStatus::Failed;
    const OpStatus status = RunToEnd(*download);
    download->Conclude();
    std::unique_ptr<DownloadTarget> target = download->TakeTarget();
    download.reset();
    ui.ProgressClose();
    ui.SetMainEnabled(true);
    ui.BringMainToFront();
    if (status != OpStatus::Ok)
        return status;
    if (fSaveToFile)
        fSaveToFile = false;
    if (fFillInForm && target)
        target->ShowModal();
    return status;
}
