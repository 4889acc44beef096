// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clsOperation.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

namespace {
std::atomic<clsOperation *> gRunning{nullptr};
clsLinkThread *gLinkThread = nullptr;
thread_local bool tOnLinkThread = false;
} // namespace

QString StatusName(OpStatus status)
{
    switch (status) {
    case OpStatus::Ok: return QStringLiteral("ok");
    case OpStatus::LinkLost: return QStringLiteral("link lost");
    case OpStatus::BadReply: return QStringLiteral("bad reply");
    case OpStatus::Busy: return QStringLiteral("busy");
    case OpStatus::TooLong: return QStringLiteral("too long");
    case OpStatus::Cancelled: return QStringLiteral("cancelled");
    case OpStatus::IoError: return QStringLiteral("input/output error");
    case OpStatus::Failed: return QStringLiteral("failed");
    case OpStatus::Timeout: return QStringLiteral("timeout");
    }
    return QString();
}

clsOperation::clsOperation(QObject *parent) : QObject(parent) {}

clsOperation::~clsOperation()
{
    StopSteps();
    // Destroyed mid-way (its window closed): the state must not stay busy.
    if (gRunning == this)
        gRunning = nullptr;
}

void clsOperation::StopSteps()
{
    if (!m_sliceOut || !m_linkThread)
        return;
    m_linkThread->WaitIdle();
    m_linkThread->Forget(this);
    m_sliceOut = false;
}

void clsOperation::ReportProgress(int done, int total)
{
    WindowThreadDo([this, done, total] { emit Progress(done, total); }, this);
}

clsOperation *clsOperation::Current() { return gRunning; }
bool OperationRunning() { return gRunning != nullptr; }

bool clsOperation::Start()
{
    if (m_running || m_finished)
        return false;
    if (gRunning) {
        // Told from the event loop like every other ending, so callers have
        // one way to learn how it went.
        m_finished = true;
        m_status = OpStatus::Busy;
        QMetaObject::invokeMethod(this, [this] { emit Finished(OpStatus::Busy); }, Qt::QueuedConnection);
        return false;
    }
    gRunning = this;
    m_running = true;
    ScheduleStep();
    return true;
}

void clsOperation::Cancel()
{
    if (m_running)
        m_cancel = true;
}

void clsOperation::Cancelled() { Finish(OpStatus::Cancelled); }

namespace {
std::atomic<bool> gCancelSoon{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
} // namespace

void clsOperation::CancelSoon() { gCancelSoon.store(true); }

void clsOperation::ClearCancelSoon() { gCancelSoon.store(false); }

void clsOperation::ScheduleStep()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &clsOperation::RunStep, Qt::QueuedConnection);
}

void clsOperation::RunStep()
{
    m_scheduled = false;
    if (!m_running || m_sliceOut)
        return;
    if (!StepReady()) {
        ScheduleStep();
        return;
    }
    if (gLinkThread) {
        m_sliceOut = true;
        m_linkThread = gLinkThread;
        m_linkThread->RunSlice(this);
        return;
    }
    const QPointer<clsOperation> self(this);
    QElapsedTimer slice;
    slice.start();
    m_endSlice = false;
    while (self && m_running) {
        StepOrCancel();
        if (self && m_running && (m_endSlice || slice.elapsed() >= m_sliceMs)) {
            ScheduleStep();
            return;
        }
    }
}

// One step, or Cancelled() once a cancel was asked (here or by CancelSoon).
void clsOperation::StepOrCancel()
{
    if (!m_leaveCancelSoon && gCancelSoon.exchange(false))
        m_cancel = true;
    if (m_cancel)
        Cancelled();
    else
        Step();
}

// On the link thread: steps until the slice's time is used or it finished.
void clsOperation::RunSlice()
{
    QElapsedTimer slice;
    slice.start();
    m_endSlice = false;
    while (m_running) {
        StepOrCancel();
        if (m_endSlice || slice.elapsed() >= m_sliceMs)
            return;
    }
}

// Back on the window thread, after what the slice had to say was said.
void clsOperation::SliceReturned()
{
    m_sliceOut = false;
    if (m_running)
        ScheduleStep();
}

void clsOperation::Finish(OpStatus status, const QString &reason)
{
    if (!m_running)
        return;
    m_running = false;
    m_finished = true;
    m_status = status;
    m_reason = reason;
    // Told from the event loop, after the step has returned: what the
    // handlers do (message boxes, the next operation) never runs inside a
    // step. Until then it still counts as running, so nothing slips in.
    WindowThreadDo(
        [this, status] {
            QMetaObject::invokeMethod(
                this,
                [this, status] {
                    if (gRunning == this)
                        gRunning = nullptr;
                    emit Finished(status);
                },
                Qt::QueuedConnection);
        },
        this);
}

OpStatus RunToEnd(clsOperation &op)
{
    if (!QCoreApplication::instance())
        return OpStatus::Failed;
    QEventLoop loop;
    QObject::connect(&op, &clsOperation::Finished, &loop, &QEventLoop::quit);
    const QPointer<clsOperation> guard(&op);
    QObject::connect(&op, &QObject::destroyed, &loop, &QEventLoop::quit);
    op.Start();
    if (guard && !op.IsFinished())
        loop.exec();
    return guard ? op.Status() : OpStatus::Failed;
}

struct clsLinkThread::Idle
{
    std::mutex mutex;
    std::condition_variable changed;
    bool busy = false;
};

clsLinkThread::clsLinkThread() : m_idle(std::make_unique<Idle>())
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("link"));
    m_worker = new QObject;
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

clsLinkThread::~clsLinkThread()
{
    WaitIdle();
    if (gLinkThread == this)
        gLinkThread = nullptr;
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void clsLinkThread::RunSlice(clsOperation *op)
{
    m_owner = op;
    {
        std::lock_guard<std::mutex> lock(m_idle->mutex);
        m_idle->busy = true;
    }
    QMetaObject::invokeMethod(m_worker, [this, op] {
        {
            // What the window thread did before handing the slice on is seen
            // here through this lock (Qt's own queue is not instrumented).
            std::lock_guard<std::mutex> lock(m_idle->mutex);
        }
        tOnLinkThread = true;
        ++m_asked; // what the last slice asked is on its way
        op->RunSlice();
        tOnLinkThread = false;
        // Posted before the link thread counts as idle: a window thread that
        // waited for it (an operation destroyed mid-slice) finds it queued.
        QMetaObject::invokeMethod(this, &clsLinkThread::SliceDone, Qt::QueuedConnection);
        std::lock_guard<std::mutex> lock(m_idle->mutex);
        m_idle->busy = false;
        m_idle->changed.notify_all();
    }, Qt::QueuedConnection);
}

void clsLinkThread::WaitIdle()
{
    std::unique_lock<std::mutex> lock(m_idle->mutex);
    m_idle->changed.wait(lock, [this] { return !m_idle->busy; });
}

void clsLinkThread::SliceDone()
{
    WaitIdle(); // the worker's last words are in
    clsOperation *op = m_owner;
    if (!op)
        return void(Forget(nullptr));
    m_owner = nullptr;
    // A handler may destroy the operation (its window closed): what else it
    // asked is dropped then, and it is not told the slice has returned.
    m_flushing = op;
    const QList<Deferred> said = std::exchange(m_deferred, {});
    for (const Deferred &d : said)
        if (m_flushing || d.context != op)
            d.fn();
    if (std::exchange(m_flushing, nullptr))
        op->SliceReturned();
}

void clsLinkThread::Forget(const clsOperation *op)
{
    if (op && m_flushing == op)
        m_flushing = nullptr;
    // What the destroyed operation asked goes with it; the rest is said.
    if (op && m_owner != op)
        return;
    m_owner = nullptr;
    const QList<Deferred> said = std::exchange(m_deferred, {});
    for (const Deferred &d : said)
        if (!op || d.context != op)
            d.fn();
}

clsLinkThread *SetLinkThread(clsLinkThread *thread)
{
    clsLinkThread *old = gLinkThread;
    gLinkThread = thread;
    return old;
}

bool LinkStepUnderWay() { return gLinkThread && gLinkThread->Busy(); }

bool OnLinkThread() { return tOnLinkThread; }

quint64 WindowThreadAsked() { return tOnLinkThread && gLinkThread ? gLinkThread->m_asked : 0; }

void WindowThreadDo(std::function<void()> fn, const QObject *context)
{
    if (!tOnLinkThread || !gLinkThread)
        return fn();
    gLinkThread->m_deferred.append({context, std::move(fn)});
    ++gLinkThread->m_asked;
}
