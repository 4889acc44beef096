// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modDownload.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/modConsole.h"
#include "common/modConvert.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"
#include "protocol/modFSMComm.h"
#include "records/clsReadStore.h"
#include "records/clsMeter.h"
#include "records/clsFsm.h"
#include "storage/clsFile.h"
#include "usb/clsUsbHid.h"

#include <QEventLoop>
#include <cmath>


DownloadUi::~DownloadUi() = default;
void DownloadUi::ProgressOpen(const QString &, int) {}
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

// The checks once the count has been read again after the save dialog.
static std::unique_ptr<clsDownloadRun> CountChecked(DownloadUi &ui, const DownloadRequest &request, OpStatus read)
{
    // Another operation started under the save dialog.
    if (read == OpStatus::Busy)
        return nullptr;
    // The count may have changed while the user was choosing the file. A
    // failed query is a reading problem, not an empty meter (a reply that
    // was no count has been told by ReadDirectory).
    // After the link's own words about the same failure.
    if (read != OpStatus::Ok) {
        if (!gUsbHid->fDeviceConnected())
            MsgBoxLater(kReadProblem, vb::Exclamation, QStringLiteral("Reading Problem"));
        return nullptr;
    }
    const qint16 count = gFsm->NumRecords(request.type);
    if (count <= 0) {
        QString text;
        if (request.save)
            text = QStringLiteral("The FSM has no saved records. Nothing was saved to the disk file.");
        if (request.fill)
            text = kNoRecords;
        MsgBox(text, vb::Exclamation, kReadingTitle);
        return nullptr;
    }
    if (OperationRunning())
        return nullptr;

    ui.ProgressOpen(QStringLiteral("Reading Data..."), count);
    ui.SetMainEnabled(false);
    return std::make_unique<clsDownloadRun>(ui, request, count);
}

void PrepareDownload(DownloadUi &ui, const DownloadRequest &request, QObject *context, PreparedDownload done)
{
    // The link and gApp->File() serve one download at a time.
    if (OperationRunning())
        return done(nullptr);

    const qint32 type = request.type;
    ReadCountThen(*gMeter, type, context, [&ui, request, type, context, done](OpStatus read) {
        if (read != OpStatus::Ok)
            return done(nullptr);
        if (gFsm->NumRecords(type) <= 0) {
            MsgBox(kNoRecords, vb::Exclamation, kReadingTitle);
            return done(nullptr);
        }
        if (!gUsbHid->IsDeviceConnected(true))
            return done(nullptr);
        if (request.save) {
            if (!request.path.isEmpty())
                gApp->UseFile(request.path);
            else if (!gApp->SaveFileAs(QStringLiteral("Save Downloaded ") + clsFsm::DataName(type) + QStringLiteral(" As"), type))
                return done(nullptr);
        }
        if (!gUsbHid->IsDeviceConnected(true))
            return done(nullptr);
        ReadCountThen(*gMeter, type, context,
                      [&ui, request, done](OpStatus again) { done(CountChecked(ui, request, again)); });
    });
}

clsDownloadRun::clsDownloadRun(DownloadUi &ui, const DownloadRequest &request, qint16 count, QObject *parent)
    : clsDownload(*gMeter, ui, request.type, count, parent), m_ui(ui)
{
    if (request.save)
        m_file = AddSink(std::make_unique<CsvFileSink>(*gApp->File()));
    if (request.fill)
        m_list = AddSink(std::make_unique<DownloadTargetSink>(request.list ? request.list
                                                                           : DownloadTargetFactoryFor(request.type)));
}

std::unique_ptr<DownloadTarget> clsDownloadRun::TakeTarget()
{
    return m_list ? m_list->Take() : nullptr;
}

void clsDownloadRun::Conclude()
{
    const qint16 count = Count();
    switch (Status()) {
    case OpStatus::Ok:
        m_ui.ProgressFinished(QStringLiteral("Finished!\r\nDownloaded ") + IntText(count) +
                              (count == 1 ? QStringLiteral(" record.") : QStringLiteral(" records.")));
        Beep();
        return;
    case OpStatus::Cancelled:
        m_ui.ProgressCancelled(QStringLiteral("Download cancelled after ") + IntText(Reached()) + QStringLiteral(" of ") +
                               IntText(count) + QStringLiteral(" records."));
        return;
    default:
        break;
    }
    m_ui.ProgressClose();
    // After what the link had to say about the same failure.
    // The record that failed is named: the file is never written with a gap.
    if (Status() == OpStatus::LinkLost || Status() == OpStatus::BadReply)
        MsgBoxLater(kReadProblem + QStringLiteral("\r\nRecord %1 of %2 could not be read.").arg(Reached()).arg(count),
                    vb::Exclamation, QStringLiteral("Reading Problem"));
    else if (Status() == OpStatus::IoError && FailedSink() == m_file && !m_file->Told())
        TellWriteError(Reason());
}

OpStatus GetAllData(DownloadUi &ui, const DownloadRequest &request)
{
    std::unique_ptr<clsDownloadRun> download;
    bool prepared = false;
    QEventLoop loop;
    QObject context;
    PrepareDownload(ui, request, &context, [&](std::unique_ptr<clsDownloadRun> run) {
        download = std::move(run);
        prepared = true;
        loop.quit();
    });
    if (!prepared)
        loop.exec();
    if (!download)
        return OpStatus::Failed;
    const OpStatus status = RunToEnd(*download);
    download->Conclude();
    std::unique_ptr<DownloadTarget> target = download->TakeTarget();
    download.reset();
    ui.ProgressClose();
    ui.SetMainEnabled(true);
    ui.BringMainToFront();
    if (status == OpStatus::Ok && target)
        target->ShowModal();
    return status;
}

OpStatus GetAllData(DownloadUi &ui, qint32 DataType, bool &fSaveToFile, bool &fFillInForm)
{
    const OpStatus status = GetAllData(ui, DownloadRequest{DataType, fSaveToFile, fFillInForm, QString(), {}});
    if (status == OpStatus::Ok)
        fSaveToFile = false;
    return status;
}
