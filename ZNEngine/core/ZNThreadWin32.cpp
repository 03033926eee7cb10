// ZNThread on Win32 threads. As on POSIX, the object and its thread share one
// reference-counted block, so either may go first. Windows starts every thread
// on the process's processors whatever its creator is pinned to.
//
// Terminate is deferred cancellation, as on POSIX: it signals the block's
// cancel event, and the thread ends at its next ZNThread::Sleep (the one
// cancellation point here), unwinding its stack. TerminateThread is never
// used: a thread killed inside the loader, the heap or any lock leaves that
// lock held for good.
#include "core/ZNThread.h"
#include "core/ZNThreadPlatform.h"

#include "core/ZNSys.h"

#include <windows.h>

struct ZNThreadBlock
{
    HANDLE           Handle = nullptr;
    HANDLE           Cancel = nullptr;   // manual-reset: Terminate asks the thread to end
    std::atomic<int> Refs{ 2 };          // the object and the thread
    std::atomic<int> ThreadLetGo{ 0 };   // the thread's reference was dropped
    UINT32           ExitCode = ZN_THREAD_STILL_ACTIVE;
    ZNThreadRoutine  Routine  = nullptr;
    void*            Context  = nullptr;
};

namespace
{

thread_local ZNThreadBlock* TGCurThreadBlock = nullptr;

// Thrown by ExitCurrent so the thread's stack unwinds on the way out; ExitThread
// alone would skip every destructor.
struct ZNThreadExit
{
    UINT32 Code;
};

void ReleaseBlock(ZNThreadBlock* block)
{
    if (block->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
    {
        if (block->Handle)
            CloseHandle(block->Handle);
        if (block->Cancel)
            CloseHandle(block->Cancel);
        delete block;
    }
}

DWORD WINAPI ThreadEntry(void* param)
{
    ZNThreadBlock* block = static_cast<ZNThreadBlock*>(param);
    TGCurThreadBlock     = block;
    ZNCrashEnterThread();
    UINT32 code;
    try
    {
        code = block->Routine(block->Context);
    }
    catch (const ZNThreadExit& exit)
    {
        code = exit.Code;
    }
    block->ExitCode  = code;
    TGCurThreadBlock = nullptr;
    ZNCrashLeaveThread();
    if (!block->ThreadLetGo.exchange(1))
        ReleaseBlock(block);
    return code;
}

}   // namespace

// The handle stays open until the block goes: no join is needed on Windows.
void ZNLetGoOfThread(ZNThreadBlock* block)
{
    ReleaseBlock(block);
}

ZNThreadBlock* ZNLaunchThread(ZNThreadRoutine routine, void* context, UINT32& threadId)
{
    ZNThreadBlock* block = new ZNThreadBlock;
    block->Routine       = routine;
    block->Context       = context;
    block->Cancel        = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD  id            = 0;
    // The handle must be in the block before the thread can finish and free it.
    HANDLE handle = routine && block->Cancel ? CreateThread(nullptr, ZN_THREAD_STACK_SIZE, ThreadEntry, block,
                                                            CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, &id)
                                             : nullptr;
    if (!handle)
    {
        if (block->Cancel)
            CloseHandle(block->Cancel);
        delete block;
        return nullptr;
    }
    block->Handle = handle;
    threadId      = id;
    ResumeThread(handle);
    return block;
}

void ZNThread::Wait(UINT32 timeoutMs)
{
    if (Thread)
        WaitForSingleObject(Thread->Handle, timeoutMs == ZN_WAIT_INFINITE ? INFINITE : timeoutMs);
}

void ZNThread::Terminate()
{
    if (!Thread)
        return;
    // The thread drops its own reference when it ends; this object lets go now.
    SetEvent(Thread->Cancel);
    ReleaseBlock(Thread);
    Thread   = nullptr;
    ThreadId = 0;
}

bool ZNThread::IsRunning() const
{
    return Thread && WaitForSingleObject(Thread->Handle, 0) == WAIT_TIMEOUT;
}

UINT32 ZNThread::GetExitCode() const
{
    if (!Thread)
        return ZN_THREAD_STILL_ACTIVE;
    DWORD code = ZN_THREAD_STILL_ACTIVE;
    if (!GetExitCodeThread(Thread->Handle, &code))
        return ZN_THREAD_STILL_ACTIVE;
    return code;
}

void ZNThread::Sleep(UINT32 milliseconds)
{
    // On a ZNThread the sleep is a wait on its cancel event.
    ZNThreadBlock* self = TGCurThreadBlock;
    if (!self)
    {
        ::Sleep(milliseconds);
        return;
    }
    if (WaitForSingleObject(self->Cancel, milliseconds) == WAIT_OBJECT_0)
        throw ZNThreadExit{ ZN_THREAD_TERMINATED };
}

UINT32 ZNThread::ProcessorCount()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? (UINT32)info.dwNumberOfProcessors : 1u;
}

void ZNThread::AllowAllProcessors()
{
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process)
        SetThreadAffinityMask(GetCurrentThread(), process);
}

void ZNThread::ExitCurrent(UINT32 code)
{
    if (TGCurThreadBlock)
        throw ZNThreadExit{ code };
    ExitThread(code);
}

void ZNPinThreadToOneProcessor()
{
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || !process)
        return;
    SetThreadAffinityMask(GetCurrentThread(), process & (~process + 1));
}
