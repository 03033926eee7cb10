// ZNThread in a page without threads (the default web build: threads in the
// browser need cross-origin isolation headers that many static hosts cannot
// send). No thread ever starts: Start reports "Thread == NULL" as for any
// refused thread, the processor count is 1 (so the job runner runs every job
// inline) and the texture streaming serves its loads on the main thread.
// A sleep waits out its time on the clock, as a blocked page would.
#include "core/ZNThread.h"
#include "core/ZNThreadPlatform.h"

#include "core/ZNSys.h"

#include <stdio.h>
#include <stdlib.h>

struct ZNThreadBlock
{
};

void ZNLetGoOfThread(ZNThreadBlock*)
{
}

ZNThreadBlock* ZNLaunchThread(ZNThreadRoutine, void*, UINT32&)
{
    return nullptr;
}

void ZNThread::Wait(UINT32)
{
}

void ZNThread::Terminate()
{
    Thread   = nullptr;
    ThreadId = 0;
}

bool ZNThread::IsRunning() const
{
    return false;
}

UINT32 ZNThread::GetExitCode() const
{
    return ZN_THREAD_STILL_ACTIVE;
}

void ZNThread::Sleep(UINT32 milliseconds)
{
    const UINT64 frequency = ZNPerformanceFrequency();
    const UINT64 end       = ZNPerformanceCounter() + frequency * milliseconds / 1000u;
    while (ZNPerformanceCounter() < end)
    {
    }
}

UINT32 ZNThread::ProcessorCount()
{
    return 1;
}

void ZNThread::AllowAllProcessors()
{
}

void ZNThread::ExitCurrent(UINT32)
{
    // Only the main thread exists: ending it ends the program.
    fprintf(stderr, "ZNThread::ExitCurrent called on the page's only thread\n");
    abort();
}

void ZNPinThreadToOneProcessor()
{
}
