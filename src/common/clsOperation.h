// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Work with the meter that spans several exchanges (a bulk download, a
// delete walk, a Tx change), advanced one step at a time from the event
// loop. Window messages run between steps by construction, so no step ever
// runs the event loop itself; a step may still wait in one read of the
// link up to its time limit.
//
// At most one operation runs at a time. That one state is what everything
// that must not run meanwhile asks (a second download, console typing, the
// connection follow-up, closing a list window mid-walk): OperationRunning().
#include <QObject>
#include <QString>

// How an exchange or an operation ended, from the link up: ok, the link
// lost, a reply that does not answer, another operation running, a reply that
// never ended, cancelled by the user, an input or output error (the system's
// reason beside it), or failed otherwise (a command that does not fit, a
// check that stopped it). The words the user reads are chosen at the top of
// the program from it. Interfaces that only know success or failure collapse
// it with ResultCode (0 for Ok, 1 otherwise).
enum class OpStatus { Ok, LinkLost, BadReply, Busy, TooLong, Cancelled, IoError, Failed };

inline int ResultCode(OpStatus status) { return status == OpStatus::Ok ? 0 : 1; }
QString StatusName(OpStatus status); // "ok", "link lost", ... for logs and tests

class clsOperation : public QObject
{
    Q_OBJECT
public:
    explicit clsOperation(QObject *parent = nullptr);
    ~clsOperation() override;

    // Starts the operation: the first step runs from the event loop, not
    // inside this call. False when another operation is running (this one
    // then finishes at once with Busy, from the event loop as well).
    bool Start();
    // Asks the operation to stop; it stops after the step under way, with
    // status Cancelled unless it had already finished.
    void Cancel();
    bool CancelRequested() const { return m_cancel; }
    // Cancel() for whichever operation runs its next step first; safe from
    // any thread and from a signal handler (Ctrl+C), so that a signal that
    // comes while a step waits for the meter stops the work right after it.
    static void CancelSoon();
    // Drops a CancelSoon() that no operation has taken yet.
    static void ClearCancelSoon();

    bool IsRunning() const { return m_running; }
    bool IsFinished() const { return m_finished; }
    OpStatus Status() const { return m_status; }
    // The system's reason for an IoError ("No space left on device"); may be empty.
    QString Reason() const { return m_reason; }

    // The operation running now, or nullptr.
    static clsOperation *Current();

signals:
    // `done` of `total` units (records, deletes) so far.
    void Progress(int done, int total);
    // Emitted once, after the last step; the operation no longer counts as
    // running when this is emitted, so a handler may start another.
    void Finished(OpStatus status);

protected:
    // One step of the work. Calls Finish() when there is nothing left to
    // do; otherwise the next step is scheduled. A requested cancel is seen
    // before each step: the step is not run and Cancelled() decides.
    virtual void Step() = 0;
    // Called instead of the next step once Cancel() was asked. Finishes
    // with Cancelled by default; an operation that must tidy up (or that
    // may not stop where it is) overrides it.
    virtual void Cancelled();
    // Ends the operation with `status` (from a step; later calls do nothing).
    void Finish(OpStatus status, const QString &reason = QString());
    void ReportProgress(int done, int total) { emit Progress(done, total); }
    // Lets steps follow each other without a pass of the event loop for up
    // to `ms` (0, the default: one step per pass), so that very short steps
    // (a record from a fast meter) do not each pay for one; window messages
    // still run at least that often. A cancel is still seen before each step.
    void SetSliceMs(int ms) { m_sliceMs = ms; }

private:
    void ScheduleStep();
    void RunStep();

    bool m_running = false;
    bool m_finished = false;
    bool m_cancel = false;
    bool m_scheduled = false;
    int m_sliceMs = 0;
    OpStatus m_status = OpStatus::Ok;
    QString m_reason;
};

// True while an operation runs (between Start and Finished).
bool OperationRunning();

// Starts `op` and runs the event loop until it has finished; returns its
// status. Only for callers at the top of the program (the command-line
// tool's main routine, tests), never from inside a step.
OpStatus RunToEnd(clsOperation &op);
