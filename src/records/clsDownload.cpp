// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsDownload.h"
#include "common/modConsole.h"
#include "records/clsMeter.h"

DownloadProgress::~DownloadProgress() = default;
void DownloadProgress::ProgressStep(int) {}
bool DownloadProgress::ProgressShown() { return true; }

clsDownload::clsDownload(clsMeter &meter, DownloadProgress &progress, qint32 DataType, qint16 count, QObject *parent)
    : clsOperation(parent), m_meter(meter), m_progress(progress), m_type(DataType), m_count(count)
{
    // A record from a fast meter takes a few microseconds; window messages
    // need not run after each one (a real meter's record takes milliseconds).
    SetSliceMs(2);
}

clsDownload::~clsDownload()
{
    // However it ends (its window closed mid-way), nothing unfinished stays.
    DropAll();
}

void clsDownload::DropAll()
{
    if (m_ended)
        return;
    m_ended = true;
    for (const std::unique_ptr<RecordSink> &sink : m_sinks)
        sink->Drop();
}

void clsDownload::Fail(OpStatus status, RecordSink *sink)
{
    m_failedSink = sink;
    const QString reason = sink ? sink->Reason() : QString();
    DropAll();
    Finish(status, reason);
}

void clsDownload::Step()
{
    m_progress.ProgressStep(m_next + 1);
    if (m_next == 0 && !m_progress.ProgressShown())
        return; // the next pass of the event loop paints it
    const qint16 i = m_next++;
    const LinkWatch watch = m_meter.Watch();
    if (m_meter.GetRecord(m_type, i) != 0)
        return Fail(watch.Failure());
    clsFsm &fsm = m_meter.Fsm();
    fsm.ProcessRecord(m_type);
    for (const std::unique_ptr<RecordSink> &owned : m_sinks) {
        RecordSink *sink = owned.get();
        // The header follows the first record: reading it may settle the layout.
        if (i == 0 && !sink->Begin(fsm.DataHeader(m_type)))
            return Fail(OpStatus::IoError, sink);
        if (!sink->Add(fsm.szRecord))
            return Fail(OpStatus::IoError, sink);
    }
    AppendConsoleLine(fsm.szRecord);
    if (m_next < m_count)
        return;

    // The sinks are finished before success is shown, so "Finished!" is
    // never shown for a file that did not reach the disk.
    m_ended = true;
    for (const std::unique_ptr<RecordSink> &sink : m_sinks) {
        if (!sink->End()) {
            m_ended = false;
            return Fail(OpStatus::IoError, sink.get());
        }
    }
    Finish(OpStatus::Ok);
}

void clsDownload::Cancelled()
{
    // Stopped between records: the earlier file stays as it was.
    Fail(OpStatus::Cancelled);
}
