// ZNThread: the part of a thread's life that is the same on every platform.
// Making, joining and ending threads is in ZNThread<platform>.cpp.
#include "core/ZNThread.h"
#include "core/ZNThreadPlatform.h"

ZNThread::~ZNThread()
{
    if (Thread)
        ZNLetGoOfThread(Thread);
}

void ZNThread::Start(ZNThreadRoutine routine, void* context)
{
    // One thread per object: a second start is a mistake, and the thread it
    // would have replaced is let go and keeps running.
    BREAK_IF(Thread);
    if (Thread)
    {
        ZNLetGoOfThread(Thread);
        Thread   = nullptr;
        ThreadId = 0;
    }
    Thread = ZNLaunchThread(routine, context, ThreadId);
    BREAK_IF(Thread == NULL);
}
