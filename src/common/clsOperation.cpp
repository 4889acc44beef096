// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clsOperation.h"

#include <atomic>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

namespace {
clsOperation *gRunning = nullptr;
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
    }
    return QString();
}

clsOperation::clsOperation(QObject *parent) : QObject(parent) {}

clsOperation::~clsOperation()
{
    // Destroyed mid-way (its window closed): the state must not stay busy.
    if (gRunning == this)
        gRunning = nullptr;
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
    const QPointer<clsOperation> self(this);
    QElapsedTimer slice;
    slice.start();
    while (self && m_running) {
        if (gCancelSoon.exchange(false))
            m_cancel = true;
        if (m_cancel)
            Cancelled();
        else
            Step();
        if (self && m_running && slice.elapsed() >= m_sliceMs) {
            ScheduleStep();
            return;
        }
    }
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
    QMetaObject::invokeMethod(
        this,
        [this, status] {
            if (gRunning == this)
                gRunning = nullptr;
            emit Finished(status);
        },
        Qt::QueuedConnection);
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
