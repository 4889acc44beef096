// SPDX-License-Identifier: GPL-3.0-or-later
// The operation base: steps from the event loop, one operation at a time,
// Cancel after the step under way; each case with the steps on the window
// thread and on a link thread.
#include "common/clsOperation.h"
#include "common/modMsgBox.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts its steps; finishes after `steps`. A step may start another operation.
class Counter : public clsOperation
{
public:
    explicit Counter(int steps, int sliceMs = 0) : m_steps(steps) { SetSliceMs(sliceMs); }
    ~Counter() override { StopSteps(); }
    int done = 0;
    bool finishAgain = false; // a second ending after the first, which must change nothing
    std::function<void()> duringStep;
    bool onWindowThread = true; // every step so far

protected:
    void Step() override
    {
        onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
        ++done;
        ReportProgress(done, m_steps);
        if (duringStep)
            duringStep();
        if (done == m_steps)
            Finish(OpStatus::Ok);
        if (done == m_steps && finishAgain)
            Finish(OpStatus::Failed);
    }

private:
    int m_steps;
};

class Operation : public testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        if (GetParam())
            SetLinkThread(&link);
    }
    void TearDown() override { SetLinkThread(nullptr); }
    clsLinkThread link;
};

INSTANTIATE_TEST_SUITE_P(Threads, Operation, testing::Bool(),
                         [](const testing::TestParamInfo<bool> &p) { return p.param ? "LinkThread" : "WindowThread"; });

TEST_P(Operation, StepsRunFromTheEventLoopOnlyAndOneAtATime)
{
    Counter a(3);
    a.finishAgain = true;
    // What a step says reaches the window thread in the order said, the
    // ending last.
    QStringList told;
    const MsgBoxHandler old = SetMsgBoxHandler([&](const QString &prompt, int, const QString &) {
        told << QThread::currentThread()->objectName() + prompt;
        return 1;
    });
    qApp->thread()->setObjectName("window:");
    a.duringStep = [&] { MsgBoxLater(QString::number(a.done)); };
    QObject::connect(&a, &clsOperation::Progress, [&](int d, int) { told << QThread::currentThread()->objectName() + "p" + QString::number(d); });
    QObject::connect(&a, &clsOperation::Finished, [&] { told << QThread::currentThread()->objectName() + "end"; });
    ASSERT_TRUE(a.Start());
    EXPECT_EQ(a.done, 0) << "a step ran inside Start";
    EXPECT_TRUE(OperationRunning());
    EXPECT_EQ(clsOperation::Current(), &a);

    Counter b(1), next(2);
    OpStatus bEnded = OpStatus::Ok;
    QObject::connect(&b, &clsOperation::Finished, [&](OpStatus s) { bEnded = s; });
    bool nextStarted = false; // a Finished handler may start the next one
    QObject::connect(&a, &clsOperation::Finished, [&] { nextStarted = next.Start(); });
    EXPECT_FALSE(b.Start());
    EXPECT_EQ(RunToEnd(a), OpStatus::Ok);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.done, 0) << "a second operation ran beside the first";
    EXPECT_EQ(bEnded, OpStatus::Busy);
    EXPECT_TRUE(nextStarted);
    EXPECT_EQ(RunToEnd(next), OpStatus::Ok); // already running: waits for it
    EXPECT_EQ(next.done, 2);
    EXPECT_FALSE(OperationRunning());
    EXPECT_EQ(told, QStringList({"window:p1", "window:1", "window:p2", "window:2", "window:p3", "window:3", "window:end"}));
    EXPECT_EQ(a.onWindowThread, !GetParam());
    SetMsgBoxHandler(old);
}

TEST_P(Operation, CancelStopsAfterTheStepUnderWay)
{
    // soon: asked as a signal asks, from outside the event loop (CancelSoon).
    struct Case { int cancelInStep; int steps; OpStatus want; int doneWant; int sliceMs; bool soon = false; };
    const Case cases[] = {
        {1, 5, OpStatus::Cancelled, 1, 0}, {3, 5, OpStatus::Cancelled, 3, 0},
        {5, 5, OpStatus::Ok, 5, 0}, // asked during the last step: it had finished
        {3, 5, OpStatus::Cancelled, 3, 60000}, // steps back to back within one slice
        {3, 5, OpStatus::Cancelled, 3, 0, true}, {3, 5, OpStatus::Cancelled, 3, 60000, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.cancelInStep << ", slice " << c.sliceMs);
        Counter op(c.steps, c.sliceMs);
        op.duringStep = [&] {
            if (op.done == c.cancelInStep)
                c.soon ? clsOperation::CancelSoon() : op.Cancel();
        };
        EXPECT_EQ(RunToEnd(op), c.want);
        EXPECT_EQ(op.done, c.doneWant);
        EXPECT_FALSE(OperationRunning());
    }
}

TEST_P(Operation, DestroyedMidWayFreesTheBusyState)
{
    auto op = std::make_unique<Counter>(10);
    // As a window that owns it closes: from the event loop, maybe while a
    // step is under way on the link thread.
    QObject::connect(op.get(), &clsOperation::Progress, [&](int done) {
        if (done == 2)
            QMetaObject::invokeMethod(qApp, [&] { delete op.release(); }, Qt::QueuedConnection);
    });
    op->Start();
    // Not WaitForMoreEvents: on Windows it may sleep with the delete posted.
    while (op && OperationRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(op);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(OperationRunning());
    Counter next(1);
    EXPECT_EQ(RunToEnd(next), OpStatus::Ok);
}

} // namespace
