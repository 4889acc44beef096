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
    StopSteps();
    // However it ends (its window closed mid-way), nothing unfinished stays.
    DropAll();
}

void clsDownload::DropAll()
{
    if (m_ended)
        return;
    m_ended = true;
    for (const std::unique_ptr<RecordSink> &owned : m_sinks) {
        RecordSink *sink = owned.get();
        if (sink->WindowThreadOnly())
            WindowThreadDo([sink] { sink->Drop(); }, this);
        else
            sink->Drop();
    }
}

// What the steps of one slice have for the window thread: handed over as
// one, after the slice, and said before what the slice said after its first
// step (the display's progress and the list window's rows need no finer order).
struct clsDownload::Said
{
    int progress = 0;
    QStringList header; // with the first record
    QStringList lines;
    bool taken = false; // window thread; read by the next slice
};

clsDownload::Said *clsDownload::Saying()
{
    if (!OnLinkThread())
        return nullptr;
    if (!m_said || m_said->taken) {
        m_said = std::make_shared<Said>();
        WindowThreadDo([this, said = m_said] { Show(*said); }, this);
    }
    return m_said.get();
}

void clsDownload::Show(Said &said)
{
    said.taken = true;
    if (said.progress)
        m_progress.ProgressStep(said.progress);
    for (const std::unique_ptr<RecordSink> &sink : m_sinks) {
        if (!sink->WindowThreadOnly() || said.lines.isEmpty())
            continue;
        if (!said.header.isEmpty())
            sink->Begin(said.header);
        for (const QString &line : said.lines)
            sink->Add(line);
    }
}

void clsDownload::SayProgress(int value)
{
    if (Said *said = Saying())
        said->progress = value;
    else
        m_progress.ProgressStep(value);
}

// The window thread's sinks get a record there, after the slice.
void clsDownload::FeedWindowSinks(const QStringList &header, const QString &line)
{
    Said *said = Saying();
    if (!said) {
        Said now{0, header, {line}};
        return Show(now);
    }
    if (!header.isEmpty())
        said->header = header;
    said->lines << line;
}

bool clsDownload::Feed(qint16 i, const QStringList &header, const QString &line)
{
    bool windowSinks = false;
    for (const std::unique_ptr<RecordSink> &owned : m_sinks) {
        RecordSink *sink = owned.get();
        if (sink->WindowThreadOnly()) {
            windowSinks = true;
            continue;
        }
        // The header follows the first record: reading it may settle the layout.
        if (i == 0 && !sink->Begin(header)) {
            Fail(OpStatus::IoError, sink);
            return false;
        }
        if (!sink->Add(line)) {
            Fail(OpStatus::IoError, sink);
            return false;
        }
    }
    if (windowSinks && i == 0 && m_count > 1) {
        // A list window is made on the window thread before the second
        // record is asked for (making it reads the record state).
        m_first = std::make_unique<Said>(Said{0, header, {line}});
        EndSlice();
        return true;
    }
    if (windowSinks)
        FeedWindowSinks(i == 0 ? header : QStringList(), line);
    return true;
}

bool clsDownload::StepReady()
{
    if (m_first) {
        const std::unique_ptr<Said> first = std::move(m_first);
        Show(*first);
    }
    if (m_next > 0)
        return true;
    m_progress.ProgressStep(1);
    return m_progress.ProgressShown(); // the next pass of the event loop paints it
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
    // The progress display belongs to the window thread.
    SayProgress(m_next + 1);
    const qint16 i = m_next++;
    const LinkWatch watch = m_meter.Watch();
    if (m_meter.GetRecord(m_type, i) != OpStatus::Ok)
        return Fail(watch.Failure());
    clsFsm &fsm = m_meter.Fsm();
    fsm.ProcessRecord(m_type);
    if (!Feed(i, i == 0 ? fsm.DataHeader(m_type) : QStringList(), fsm.szRecord()))
        return;
    AppendConsoleLine(fsm.szRecord());
    if (m_next < m_count)
        return;

    // The sinks are finished before success is shown, so "Finished!" is
    // never shown for a file that did not reach the disk.
    m_ended = true;
    for (const std::unique_ptr<RecordSink> &owned : m_sinks) {
        RecordSink *sink = owned.get();
        if (sink->WindowThreadOnly()) {
            WindowThreadDo([sink] { sink->End(); }, this);
            continue;
        }
        if (!sink->End()) {
            m_ended = false;
            return Fail(OpStatus::IoError, sink);
        }
    }
    Finish(OpStatus::Ok);
}

void clsDownload::Cancelled()
{
    // Stopped between records: the earlier file stays as it was.
    Fail(OpStatus::Cancelled);
}
