// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Work with the meter that spans several exchanges (a bulk download, a
// delete walk, a Tx change), advanced one step at a time from the event
// loop. No step ever runs the event loop itself. With a link thread
// installed (the session's) the steps run there, a slice of them at a time,
// so a read that waits for the meter never holds up the window thread;
// what a step has to say to the windows (progress, the ending, messages,
// the console) is handed to the window thread once the slice has returned,
// in the order said. Without one (tests of the core alone) the steps run on
// the calling thread.
//
// At most one operation runs at a time. That one state is what everything
// that must not run meanwhile asks (a second download, console typing, the
// connection follow-up, closing a list window mid-walk): OperationRunning().
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <QList>

// How an exchange or an operation ended, from the link up: ok, the link
// lost, a reply that does not answer, another operation running, a reply that
// never ended, cancelled by the user, an input or output error (the system's
// reason beside it), failed otherwise (a command that does not fit, a check
// that stopped it), or a meter that did not answer in time (the link then
// closes, as for a lost one). The words the user reads are chosen at the top of
// the program from it. Interfaces that only know success or failure collapse
// it with ResultCode (0 for Ok, 1 otherwise).
enum class OpStatus { Ok, LinkLost, BadReply, Busy, TooLong, Cancelled, IoError, Failed, Timeout };

inline int ResultCode(OpStatus status) { return status == OpStatus::Ok ? 0 : 1; }
QString StatusName(OpStatus status); // "ok", "link lost", ... for logs and tests

class clsLinkThread;

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
    // True while a slice of its steps is on the link thread (window thread).
    bool StepUnderWay() const { return m_sliceOut; }
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
    // Asked on the window thread before steps are handed on: false when
    // the window thread still has something to do first (a display to
    // paint); the steps are then asked again on the next pass.
    virtual bool StepReady() { return true; }
    // Ends the operation with `status` (from a step; later calls do nothing).
    void Finish(OpStatus status, const QString &reason = QString());
    void ReportProgress(int done, int total);
    // For the destructors of operations: waits for a slice of steps still
    // on the link thread (its window closed under it) before members go.
    void StopSteps();
    // Lets steps follow each other without a pass of the event loop for up
    // to `ms` (0, the default: one step per pass), so that very short steps
    // (a record from a fast meter) do not each pay for one; window messages
    // still run at least that often. A cancel is still seen before each step.
    void SetSliceMs(int ms) { m_sliceMs = ms; }
    // For a short read that prepares other work: a CancelSoon() is left for
    // that work, which then says how far it got (Cancel() still stops it).
    void LeaveCancelSoon() { m_leaveCancelSoon = true; }
    // From a step: the steps after it wait for the next pass of the event
    // loop (the window thread has something to do first, in StepReady).
    void EndSlice() { m_endSlice = true; }

private:
    friend class clsLinkThread;
    void ScheduleStep();
    void RunStep();
    void RunSlice();
    void StepOrCancel();
    void SliceReturned();

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_cancel{false};
    bool m_scheduled = false;
    bool m_endSlice = false; // the slice's thread only
    bool m_sliceOut = false; // window thread only
    clsLinkThread *m_linkThread = nullptr; // the one the slice is on
    int m_sliceMs = 0;
    bool m_leaveCancelSoon = false;
    std::atomic<OpStatus> m_status{OpStatus::Ok};
    QString m_reason;
};

// The thread the steps of operations run on, one slice at a time; the
// session owns it. While a slice is out the window thread leaves the meter
// alone (the link's watch waits for the next tick).
class QThread;

class clsLinkThread : public QObject
{
    Q_OBJECT
public:
    clsLinkThread();
    ~clsLinkThread() override;
    // Window thread: a slice of `op`'s steps is on the link thread now.
    bool Busy() const { return m_owner != nullptr; }
    // Waits until no step runs on the link thread (for the end of a session).
    void WaitIdle();

private:
    friend class clsOperation;
    friend void WindowThreadDo(std::function<void()> fn, const QObject *context);
    friend quint64 WindowThreadAsked();
    struct Deferred { const QObject *context; std::function<void()> fn; };
    void RunSlice(clsOperation *op);
    void SliceDone();
    void Forget(const clsOperation *op);

    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;      // lives on the link thread
    clsOperation *m_owner = nullptr;  // window thread only
    clsOperation *m_flushing = nullptr; // whose messages are being said
    QList<Deferred> m_deferred;       // the link thread's during a slice, the window thread's after
    quint64 m_asked = 0;              // link thread only
    struct Idle;
    std::unique_ptr<Idle> m_idle;
};

// Installs the link thread the operations run their steps on (null: none,
// the steps run on the thread that started them); returns the previous one.
clsLinkThread *SetLinkThread(clsLinkThread *thread);
// True on the window thread while a step runs on the link thread: the meter
// is in use there.
bool LinkStepUnderWay();
// Runs `fn` on the window thread: at once when called there, after the slice
// under way, in the order asked, when called from a step on the link thread.
// `context`: an operation whose destruction drops what it asked.
void WindowThreadDo(std::function<void()> fn, const QObject *context = nullptr);
// True when called from a step on the link thread.
bool OnLinkThread();
// From a step on the link thread: a count that changes whenever something
// is asked of the window thread and at each new slice. Unchanged since a
// WindowThreadDo, what that call hands over is still the last in line, and
// the step may add to it (records of one slice then cost one hand-over).
quint64 WindowThreadAsked();

// True while an operation runs (between Start and Finished).
bool OperationRunning();

// Starts `op` and runs the event loop until it has finished; returns its
// status. Only for callers at the top of the program (the command-line
// tool's main routine, tests), never from inside a step.
OpStatus RunToEnd(clsOperation &op);
