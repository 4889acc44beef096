// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bulk download: every record of one store read from the meter, one a step,
// and handed to the sinks the caller gave (the CSV file, a list window, the
// command-line tool's list). The same engine serves the windows and the
// command-line tool, so both get the same records; what is said about the
// outcome is the caller's.
#include "common/clsOperation.h"
#include "common/modRecordSink.h"

#include <QStringList>

#include <QtGlobal>
#include <memory>
#include <vector>

class clsMeter;

// What the reader shows while it runs. Both do nothing by default.
class DownloadProgress
{
public:
    virtual ~DownloadProgress();
    // Record `value` (from 1) is about to be read.
    virtual void ProgressStep(int value);
    // True once the display is on the screen and painted. The first record
    // waits for it (a moment at most): a read may hold the program up to
    // its time-out, and a window mapped just before it would stay unpainted
    // (blank or black, as would what a closing dialog uncovered) that long.
    virtual bool ProgressShown();
};

class clsDownload : public clsOperation
{
    Q_OBJECT
public:
    clsDownload(clsMeter &meter, DownloadProgress &progress, qint32 DataType, qint16 count, QObject *parent = nullptr);
    ~clsDownload() override;

    // Adds a sink (before Start) and keeps it while the download lives;
    // records go to the sinks in the order added.
    template <class Sink> Sink *AddSink(std::unique_ptr<Sink> sink)
    {
        Sink *added = sink.get();
        m_sinks.push_back(std::move(sink));
        return added;
    }

    qint32 DataType() const { return m_type; }
    qint16 Count() const { return m_count; }
    // Records asked for so far: after a read problem (LinkLost, BadReply),
    // the one that failed.
    qint16 Reached() const { return m_next; }
    // After IoError: the sink that refused a record or could not be
    // finished (its reason is Reason()); else null.
    RecordSink *FailedSink() const { return m_failedSink; }

protected:
    bool StepReady() override;
    void Step() override;
    void Cancelled() override;

private:
    void Fail(OpStatus status, RecordSink *sink = nullptr);
    void DropAll();
    bool Feed(qint16 i, const QStringList &header, const QString &line);
    struct Said;
    Said *Saying();
    void Show(Said &said);
    void SayProgress(int value);
    void FeedWindowSinks(const QStringList &header, const QString &line);

    clsMeter &m_meter;
    DownloadProgress &m_progress;
    qint32 m_type;
    qint16 m_count;
    qint16 m_next = 0;
    bool m_ended = false; // the sinks were ended or dropped
    RecordSink *m_failedSink = nullptr;
    std::vector<std::unique_ptr<RecordSink>> m_sinks;
    // The first record, for the window thread's sinks, until they have it.
    std::unique_ptr<Said> m_first;
    std::shared_ptr<Said> m_said; // link thread only
};
