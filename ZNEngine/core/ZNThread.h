// ZNThread: a minimal thread wrapper, and ZNSpinLock, a one-word lock.
//
//   ZNThread worker;
//   worker.Start(Routine, context);   // Routine(context) runs on a new thread (1 MiB stack)
//   ...
//   worker.Wait(ZN_WAIT_INFINITE);    // blocks until Routine has returned
//
// Guarantees:
//   - IsRunning() is false before Start() and once the routine has returned
//     (or the thread ended through ExitCurrent or Terminate).
//   - Wait() never returns early without a time limit; after an unlimited Wait
//     the thread's resources are released.
//   - Destroying a ZNThread never blocks and never kills the thread: a thread
//     that is still running is left to finish on its own.
//   - Terminate() uses deferred cancellation: the thread ends at its next
//     cancellation point (sleeps, waits, blocking I/O; on Windows
//     ZNThread::Sleep only), unwinding its stack.
//     A thread spinning without ever reaching one is not stopped, but the
//     object is reset at once either way.
//
//   - A new thread runs on the processors the process may use, even when the
//     thread starting it was pinned with ZNPinThreadToOneProcessor.
//
//   ZNSpinLock: 0 = free, 1 = held; full-barrier compare-exchange, so data
//   written before Unlock() is visible to the next holder after Lock(). Not
//   recursive, no owner; hold it only for a few operations.
#pragma once

#include "core/ZNAssert.h"

#include <atomic>

#define ZN_THREAD_STACK_SIZE 0x100000      // bytes per thread stack
#define ZN_WAIT_INFINITE 0xFFFFFFFFu       // Wait() without a time limit (-1)
#define ZN_THREAD_TERMINATED 0xFFFFFFFFu   // exit code of a terminated thread
#define ZN_THREAD_STILL_ACTIVE 259u        // exit code reported while running

typedef UINT32 (*ZNThreadRoutine)(void* context);

struct ZNThreadBlock;   // shared between the object and its thread

class ZNThread
{
public:
    ZNThread() = default;
    ~ZNThread();
    ZNThread(const ZNThread&)            = delete;
    ZNThread& operator=(const ZNThread&) = delete;

    // Starts routine(context) at once. Reports "Thread" when a thread was
    // already started (the old one is let go and keeps running) and
    // "Thread == NULL" when the thread could not be created.
    void Start(ZNThreadRoutine routine, void* context);

    // Blocks until the thread ends or timeoutMs milliseconds have passed
    // (ZN_WAIT_INFINITE / -1: no limit). Returns at once without a thread.
    void Wait(UINT32 timeoutMs);

    // Ends the thread with ZN_THREAD_TERMINATED and resets the object.
    void Terminate();

    bool IsRunning() const;

    // The routine's return value (or ExitCurrent's code, or
    // ZN_THREAD_TERMINATED); ZN_THREAD_STILL_ACTIVE while it runs and when no
    // thread was started.
    UINT32 GetExitCode() const;

    UINT32 GetId() const { return ThreadId; }
    bool   HasHandle() const { return Thread != nullptr; }

    static void Sleep(UINT32 milliseconds);

    // Processors online (at least 1).
    static UINT32 ProcessorCount();
    // Lets the calling thread run on every processor again: threads inherit the
    // affinity of their creator, and the main thread is pinned to one processor.
    static void   AllowAllProcessors();

    // Ends the calling thread with code, unwinding its stack. On a thread
    // started by ZNThread the code becomes its exit code.
    [[noreturn]] static void ExitCurrent(UINT32 code);

private:
    ZNThreadBlock* Thread   = nullptr;   // handle; null when none was started or after Terminate
    UINT32         ThreadId = 0;         // kernel thread id, 0 when none
};

// Restricts the calling thread to the first processor it may run on (clock
// readings then come from one processor). Only that thread: threads started
// later by ZNThread start from the mask the process had before.
void ZNPinThreadToOneProcessor();

class ZNSpinLock
{
public:
    bool TryLock()
    {
        UINT32 expected = 0;
        return Word.compare_exchange_strong(expected, 1, std::memory_order_seq_cst);
    }

    void Lock()
    {
        // Reading before each attempt keeps waiters off the cache line's
        // exclusive state; it neither pauses nor yields.
        for (;;)
        {
            if (Word.load(std::memory_order_relaxed) == 0 && TryLock())
                return;
        }
    }

    void Unlock()
    {
        UINT32 expected = 1;
        Word.compare_exchange_strong(expected, 0, std::memory_order_seq_cst);
    }

    bool IsHeld() const { return Word.load(std::memory_order_seq_cst) != 0; }

private:
    std::atomic<UINT32> Word{ 0 };   // 0 = free, 1 = held
};
