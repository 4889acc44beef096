// SPDX-License-Identifier: GPL-3.0-or-later
// The operation base: steps from the event loop, one operation at a time,
// Cancel after the step under way.
#include "common/clsOperation.h"

#include <QCoreApplication>
#include <QList>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts its steps; finishes after `steps`. A step may start another operation.
class Counter : public clsOperation
{
public:
    explicit Counter(int steps, int sliceMs = 0) : m_steps(steps) { SetSliceMs(sliceMs); }
    int done = 0;
    int cancelledAt = -1;
    bool finishAgain = false; // a second ending after the first, which must change nothing
    std::function<void()> duringStep;

protected:
    void Step() override
    {
        ++done;
        ReportProgress(done, m_steps);
        if (duringStep)
            duringStep();
        if (done == m_steps)
            Finish(OpStatus::Ok);
        if (done == m_steps && finishAgain)
            Finish(OpStatus::Failed);
    }
    void Cancelled() override
    {
        cancelledAt = done;
        clsOperation::Cancelled();
    }

private:
    int m_steps;
};

TEST(Operation, StepsRunFromTheEventLoopOnlyAndOneAtATime)
{
    Counter a(3);
    a.finishAgain = true;
    QList<int> progress;
    int aEnded = 0;
    QObject::connect(&a, &clsOperation::Progress, [&](int d, int) { progress << d; });
    QObject::connect(&a, &clsOperation::Finished, [&] { ++aEnded; });
    ASSERT_TRUE(a.Start());
    EXPECT_EQ(a.done, 0) << "a step ran inside Start";
    EXPECT_TRUE(OperationRunning());
    EXPECT_EQ(clsOperation::Current(), &a);

    Counter b(1);
    OpStatus bEnded = OpStatus::Ok;
    QObject::connect(&b, &clsOperation::Finished, [&](OpStatus s) { bEnded = s; });
    EXPECT_FALSE(b.Start());
    EXPECT_EQ(RunToEnd(a), OpStatus::Ok);
    QCoreApplication::processEvents();
    EXPECT_EQ(a.done, 3);
    EXPECT_EQ(progress, (QList<int>{1, 2, 3}));
    EXPECT_EQ(aEnded, 1);
    EXPECT_EQ(b.done, 0) << "a second operation ran beside the first";
    EXPECT_EQ(bEnded, OpStatus::Busy);
    EXPECT_FALSE(OperationRunning());
}

TEST(Operation, CancelStopsAfterTheStepUnderWay)
{
    // soon: asked as a signal asks, from outside the event loop (CancelSoon).
    struct Case { int cancelInStep; int steps; OpStatus want; int doneWant; int sliceMs; bool soon = false; };
    const Case cases[] = {
        {1, 5, OpStatus::Cancelled, 1, 0},
        {3, 5, OpStatus::Cancelled, 3, 0},
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

TEST(Operation, DestroyedMidWayFreesTheBusyState)
{
    auto op = std::make_unique<Counter>(10);
    op->duringStep = [&] { if (op->done == 2) op->deleteLater(), op.release(); };
    op->Start();
    for (int i = 0; i < 20 && OperationRunning(); ++i)
        QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(OperationRunning());
    Counter next(1);
    EXPECT_EQ(RunToEnd(next), OpStatus::Ok);
}

TEST(Operation, AFinishedHandlerMayStartTheNext)
{
    Counter first(2), second(2);
    bool started = false;
    QObject::connect(&first, &clsOperation::Finished, [&] { started = second.Start(); });
    EXPECT_EQ(RunToEnd(first), OpStatus::Ok);
    EXPECT_TRUE(started);
    EXPECT_EQ(RunToEnd(second), OpStatus::Ok); // already running: waits for it
    EXPECT_EQ(second.done, 2);
}

} // namespace
