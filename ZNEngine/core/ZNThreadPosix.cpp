// ZNThread on POSIX threads. The object and its thread share one reference-
// counted block, so either side may go away first: an object destroyed while
// its thread runs just lets go of the block, and the thread frees it on exit.
#include "core/ZNThread.h"
#include "core/ZNThreadPlatform.h"

#include "core/ZNSys.h"

#include <condition_variable>
#include <errno.h>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

struct ZNThreadBlock
{
    pthread_t               Handle;             // the POSIX thread
    std::atomic<int>        Refs{ 2 };          // the object and the thread
    std::mutex              Mutex;              // guards the fields below
    std::condition_variable Changed;            // started or ended
    bool                    Ended    = false;   // the thread has left its routine
    bool                    Released = false;   // joined or detached by the object
    UINT32                  ExitCode = ZN_THREAD_STILL_ACTIVE;
    UINT32                  Tid      = 0;   // set by the thread once it runs
    ZNThreadRoutine         Routine  = nullptr;
    void*                   Context  = nullptr;
};

namespace
{

thread_local ZNThreadBlock* TGCurThreadBlock = nullptr;

// The processors the process could use before a thread was pinned; a new thread
// inherits its creator's mask unless it is given this one.
std::mutex GProcessMaskMutex;
cpu_set_t  GProcessMask;
bool       GHaveProcessMask = false;

bool ProcessMask(cpu_set_t& out)
{
    std::lock_guard<std::mutex> lock(GProcessMaskMutex);
    if (GHaveProcessMask)
        out = GProcessMask;
    return GHaveProcessMask;
}

void ReleaseBlock(ZNThreadBlock* block)
{
    if (block->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete block;
}

// Runs on the thread as it leaves, whether the routine returned, called
// ExitCurrent or was cancelled: the stack unwinds through this destructor in
// every case.
struct ZNThreadEndGuard
{
    ZNThreadBlock* Block;
    ~ZNThreadEndGuard()
    {
        {
            std::lock_guard<std::mutex> lock(Block->Mutex);
            if (Block->ExitCode == ZN_THREAD_STILL_ACTIVE)
                Block->ExitCode = ZN_THREAD_TERMINATED;
            Block->Ended = true;
        }
        Block->Changed.notify_all();
        TGCurThreadBlock = nullptr;
        ZNCrashLeaveThread();
        ReleaseBlock(Block);
    }
};

void* ThreadEntry(void* param)
{
    ZNThreadBlock*   block = static_cast<ZNThreadBlock*>(param);
    ZNThreadEndGuard guard{ block };
    TGCurThreadBlock = block;
    // Its own signal stack, so that a stack overflow here still dumps.
    ZNCrashEnterThread();
    {
        std::lock_guard<std::mutex> lock(block->Mutex);
        block->Tid = static_cast<UINT32>(syscall(SYS_gettid));
    }
    block->Changed.notify_all();

    UINT32 code = block->Routine(block->Context);
    {
        std::lock_guard<std::mutex> lock(block->Mutex);
        block->ExitCode = code;
    }
    return nullptr;
}

}   // namespace

// A finished thread is joined, a running one detached so it cleans up after
// itself.
void ZNLetGoOfThread(ZNThreadBlock* block)
{
    bool ended;
    bool alreadyReleased;
    {
        std::lock_guard<std::mutex> lock(block->Mutex);
        ended           = block->Ended;
        alreadyReleased = block->Released;
        block->Released = true;
    }
    // The reference is dropped only after the lock is gone: it may be the last
    // one, and the mutex lives in the block.
    if (alreadyReleased)
    {
        ReleaseBlock(block);
        return;
    }
    if (ended)
        pthread_join(block->Handle, nullptr);
    else
        pthread_detach(block->Handle);
    ReleaseBlock(block);
}

ZNThreadBlock* ZNLaunchThread(ZNThreadRoutine routine, void* context, UINT32& threadId)
{
    ZNThreadBlock* block = new ZNThreadBlock;
    block->Routine       = routine;
    block->Context       = context;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, ZN_THREAD_STACK_SIZE);
    cpu_set_t mask;
    if (ProcessMask(mask))
        pthread_attr_setaffinity_np(&attr, sizeof(mask), &mask);
    int failed = routine ? pthread_create(&block->Handle, &attr, ThreadEntry, block) : EINVAL;
    pthread_attr_destroy(&attr);

    if (failed)
    {
        delete block;
        return nullptr;
    }

    // The id is the kernel's, known only once the thread runs.
    std::unique_lock<std::mutex> lock(block->Mutex);
    block->Changed.wait(lock, [block] { return block->Tid != 0 || block->Ended; });
    threadId = block->Tid;
    return block;
}

void ZNThread::Wait(UINT32 timeoutMs)
{
    if (!Thread)
        return;
    ZNThreadBlock* block = Thread;
    bool           joinNow;
    {
        std::unique_lock<std::mutex> lock(block->Mutex);
        if (timeoutMs == ZN_WAIT_INFINITE)
            block->Changed.wait(lock, [block] { return block->Ended; });
        else
            block->Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [block] { return block->Ended; });
        joinNow = block->Ended && !block->Released;
        if (joinNow)
            block->Released = true;
    }
    // Ended is set in the thread's last moments; joining waits for those.
    if (joinNow)
        pthread_join(block->Handle, nullptr);
}

void ZNThread::Terminate()
{
    if (!Thread)
        return;
    bool ended;
    {
        std::lock_guard<std::mutex> lock(Thread->Mutex);
        ended = Thread->Ended || Thread->Released;
    }
    if (!ended)
        pthread_cancel(Thread->Handle);
    ZNLetGoOfThread(Thread);
    Thread   = nullptr;
    ThreadId = 0;
}

bool ZNThread::IsRunning() const
{
    if (!Thread)
        return false;
    std::lock_guard<std::mutex> lock(Thread->Mutex);
    return !Thread->Ended;
}

UINT32 ZNThread::GetExitCode() const
{
    if (!Thread)
        return ZN_THREAD_STILL_ACTIVE;
    std::lock_guard<std::mutex> lock(Thread->Mutex);
    return Thread->Ended ? Thread->ExitCode : ZN_THREAD_STILL_ACTIVE;
}

// Sleep is where a polling thread usually gets cancelled by Terminate. The
// cancellation unwinds this frame without running its epilogue, so under
// AddressSanitizer the frame is left uninstrumented: stale red zones would
// otherwise trip the sanitizer while the rest of the stack unwinds.
__attribute__((no_sanitize_address)) void ZNThread::Sleep(UINT32 milliseconds)
{
    timespec left;
    left.tv_sec  = static_cast<time_t>(milliseconds / 1000);
    left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    // A signal handled meanwhile must not shorten the sleep.
    while (nanosleep(&left, &left) != 0 && errno == EINTR)
    {
    }
}

UINT32 ZNThread::ProcessorCount()
{
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? (UINT32)n : 1u;
}

void ZNThread::AllowAllProcessors()
{
    cpu_set_t all;
    CPU_ZERO(&all);
    const UINT32 n = ProcessorCount();
    for (UINT32 cpu = 0; cpu < n && cpu < CPU_SETSIZE; ++cpu)
        CPU_SET(cpu, &all);
    // Processors outside the process's own set are dropped by the kernel.
    pthread_setaffinity_np(pthread_self(), sizeof(all), &all);
}

void ZNThread::ExitCurrent(UINT32 code)
{
    if (ZNThreadBlock* block = TGCurThreadBlock)
    {
        std::lock_guard<std::mutex> lock(block->Mutex);
        block->ExitCode = code;
    }
    pthread_exit(nullptr);
}

void ZNPinThreadToOneProcessor()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (pthread_getaffinity_np(pthread_self(), sizeof(allowed), &allowed) != 0)
        return;
    {
        // The first pin records the process's mask; a thread pinned later (a
        // second platform) must not record its one processor as the process's.
        std::lock_guard<std::mutex> lock(GProcessMaskMutex);
        if (!GHaveProcessMask)
        {
            GProcessMask     = allowed;
            GHaveProcessMask = true;
        }
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    {
        if (CPU_ISSET(cpu, &allowed))
        {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            pthread_setaffinity_np(pthread_self(), sizeof(one), &one);
            return;
        }
    }
}
