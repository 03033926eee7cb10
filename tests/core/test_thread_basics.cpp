// ZNThread and ZNSpinLock.
#include "core/ZNThread.h"
#include "common/ZNTestDialogs.h"
#include "common/ZNTestPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

// What a routine saw and did, shared with the test.
struct ZNRoutineState
{
    std::atomic<bool>   Release{ false };   // the routine may return
    std::atomic<int>    Runs{ 0 };
    std::atomic<long>   Tid{ 0 };
    std::atomic<size_t> StackSize{ 0 };
    std::atomic<bool>   Unwound{ false };    // a local destructor ran
    std::atomic<bool>   Returned{ false };   // the routine's last touch of this state
    UINT32              Result = 0;
};

struct ZNUnwindMark
{
    std::atomic<bool>* Flag;
    ~ZNUnwindMark() { Flag->store(true); }
};

UINT32 BlockingRoutine(void* param)
{
    ZNRoutineState* state = static_cast<ZNRoutineState*>(param);
    state->Tid            = ZNTestThreadId();
    state->StackSize      = ZNTestStackSize();
    ++state->Runs;
    while (!state->Release)
        ZNThread::Sleep(1);
    UINT32 result   = state->Result;
    state->Returned = true;
    return result;
}

UINT32 SleepingRoutine(void* param)
{
    ZNRoutineState* state = static_cast<ZNRoutineState*>(param);
    ZNUnwindMark    mark{ &state->Unwound };
    ++state->Runs;
    for (;;)
        ZNThread::Sleep(10);
}

UINT32 ExitingRoutine(void* param)
{
    ZNRoutineState* state = static_cast<ZNRoutineState*>(param);
    ZNUnwindMark    mark{ &state->Unwound };
    ZNThread::ExitCurrent(42);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The routine has started (it counts its run after recording what it saw).
void AwaitRun(const ZNRoutineState& state)
{
    auto start = std::chrono::steady_clock::now();
    while (state.Runs == 0 && Seconds(start) < 5)
        ZNThread::Sleep(1);
}

// A blocking routine nobody waits for has returned.
bool AwaitReturn(const ZNRoutineState& state)
{
    auto start = std::chrono::steady_clock::now();
    while (!state.Returned && Seconds(start) < 5)
        ZNThread::Sleep(1);
    return state.Returned;
}

}   // namespace

TEST(Thread, RunsReportsItsIdAndEnds)
{
    ZNThread       thread;
    ZNRoutineState state;
    state.Result = 1234;
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.GetId(), 0u);
    thread.Wait(ZN_WAIT_INFINITE);   // nothing to wait for: returns at once

    thread.Start(BlockingRoutine, &state);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), ZN_THREAD_STILL_ACTIVE);
    AwaitRun(state);
    EXPECT_EQ(static_cast<long>(thread.GetId()), state.Tid.load()) << "id is the thread's kernel id";
    EXPECT_NE(static_cast<long>(thread.GetId()), ZNTestProcessId());
    EXPECT_GE(state.StackSize.load(), static_cast<size_t>(ZN_THREAD_STACK_SIZE));

    state.Release = true;
    thread.Wait(ZN_WAIT_INFINITE);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), 1234u);
    EXPECT_EQ(state.Runs.load(), 1);
    thread.Wait(ZN_WAIT_INFINITE);   // waiting twice is harmless
}

TEST(Thread, TimedWaitReturnsWhileTheThreadRuns)
{
    ZNThread       thread;
    ZNRoutineState state;
    thread.Start(BlockingRoutine, &state);
    auto start = std::chrono::steady_clock::now();
    thread.Wait(60);
    double waited = Seconds(start);
    EXPECT_GE(waited, 0.055);
    EXPECT_LT(waited, 5.0);
    EXPECT_TRUE(thread.IsRunning());
    state.Release = true;
    thread.Wait(ZN_WAIT_INFINITE);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(Thread, SecondStartReportsAndTheNewThreadTakesOver)
{
    ZNDialogRecorder recorder(false);
    ZNThread         thread;
    ZNRoutineState   first, second;
    thread.Start(BlockingRoutine, &first);
    EXPECT_EQ(recorder.Count(), 0u);
    thread.Start(BlockingRoutine, &second);
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_NE(recorder.Boxes()[0].Text.find("invalid state:\nThread\n"), std::string::npos) << recorder.Boxes()[0].Text;
    AwaitRun(second);
    EXPECT_EQ(static_cast<long>(thread.GetId()), second.Tid.load());

    second.Release = true;
    thread.Wait(ZN_WAIT_INFINITE);
    EXPECT_FALSE(thread.IsRunning());
    // The first thread was let go, not killed: it still finishes on its own.
    first.Release = true;
    EXPECT_TRUE(AwaitReturn(first));
}

TEST(Thread, FailedCreationReportsThreadNull)
{
    ZNDialogRecorder recorder(false);
    ZNThread         thread;
    thread.Start(nullptr, nullptr);
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_NE(recorder.Boxes()[0].Text.find("\nThread == NULL\n"), std::string::npos);
    EXPECT_FALSE(thread.HasHandle());
    EXPECT_FALSE(thread.IsRunning());
}

TEST(Thread, TerminateEndsASleepingThreadAndResetsTheObject)
{
    ZNThread       thread;
    ZNRoutineState state;
    thread.Start(SleepingRoutine, &state);
    AwaitRun(state);
    thread.Terminate();
    EXPECT_FALSE(thread.HasHandle());
    EXPECT_EQ(thread.GetId(), 0u);
    EXPECT_FALSE(thread.IsRunning());
    // The thread really ends, unwinding its stack on the way.
    auto start = std::chrono::steady_clock::now();
    while (!state.Unwound && Seconds(start) < 5)
        ZNThread::Sleep(1);
    EXPECT_TRUE(state.Unwound.load());
    thread.Terminate();   // nothing left to end
}

TEST(Thread, ExitCurrentGivesTheCodeAndUnwinds)
{
    ZNThread       thread;
    ZNRoutineState state;
    thread.Start(ExitingRoutine, &state);
    thread.Wait(ZN_WAIT_INFINITE);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), 42u);
    EXPECT_TRUE(state.Unwound.load());
}

TEST(Thread, ObjectMayGoWhileItsThreadRuns)
{
    ZNRoutineState state;
    {
        ZNThread thread;
        thread.Start(BlockingRoutine, &state);
    }
    state.Release = true;
    EXPECT_TRUE(AwaitReturn(state));
}

// ---- spin lock -------------------------------------------------------------------------

UINT32 CountProcessors(void* param)
{
    *static_cast<int*>(param) = ZNTestThreadProcessors();
    return 0;
}

TEST(Thread, ThreadsStartedByAPinnedThreadRunOnEveryProcessor)
{
    const int processors = ZNTestThreadProcessors();
    ASSERT_GT(processors, 0);
    if (processors < 2)
        GTEST_SKIP() << "one processor: pinned and unpinned are the same";

    // The pin happens on a thread of its own, so this one stays free.
    int         pinned = 0, started = 0;
    std::thread starter(
        [&]
        {
            ZNPinThreadToOneProcessor();
            CountProcessors(&pinned);
            ZNThread worker;
            worker.Start(CountProcessors, &started);
            worker.Wait(ZN_WAIT_INFINITE);
        });
    starter.join();
    EXPECT_EQ(pinned, 1);
    EXPECT_EQ(started, processors);
}

TEST(SpinLock, TryLockUnlockCycle)
{
    ZNSpinLock lock;
    EXPECT_TRUE(lock.TryLock());
    EXPECT_FALSE(lock.TryLock()) << "a held lock must refuse";
    EXPECT_TRUE(lock.IsHeld());
    lock.Unlock();
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_TRUE(lock.TryLock());
    lock.Unlock();
    static_assert(sizeof(ZNSpinLock) == 4, "one 32-bit word");
}

namespace
{

struct ZNCounterShare
{
    ZNSpinLock Lock;
    long       Counter = 0;   // deliberately not atomic: only the lock protects it
    int        Rounds  = 0;
};

UINT32 CountUnderLock(void* param)
{
    ZNCounterShare* share = static_cast<ZNCounterShare*>(param);
    for (int i = 0; i < share->Rounds; ++i)
    {
        share->Lock.Lock();
        // Read, then write: an unprotected pair would lose increments.
        long seen      = share->Counter;
        share->Counter = seen + 1;
        share->Lock.Unlock();
    }
    return 0;
}

}   // namespace

TEST(SpinLock, TwoThreadsNeverLoseAnIncrement)
{
    ZNCounterShare share;
    share.Rounds = 1000000;
    ZNThread a, b;
    a.Start(CountUnderLock, &share);
    b.Start(CountUnderLock, &share);
    a.Wait(ZN_WAIT_INFINITE);
    b.Wait(ZN_WAIT_INFINITE);
    EXPECT_EQ(share.Counter, 2000000);
    EXPECT_FALSE(share.Lock.IsHeld());
}
