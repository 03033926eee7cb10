// ZNJobs: the job runner over the machine's processors.
#include "application/ZNJobs.h"

#include "core/ZNThread.h"

#include <algorithm>
#include <atomic>

namespace
{
struct ParallelRun
{
    ZNJob               Job;
    void*               Context;
    UINT32              Count;
    std::atomic<UINT32> Next;
};

void RunJobs(ParallelRun& run)
{
    for (UINT32 i = run.Next.fetch_add(1); i < run.Count; i = run.Next.fetch_add(1))
        run.Job(run.Context, i);
}

UINT32 WorkerEntry(void* context)
{
    // The main thread is pinned to one processor and its threads inherit that.
    ZNThread::AllowAllProcessors();
    RunJobs(*static_cast<ParallelRun*>(context));
    return 0;
}
}   // namespace

void ZNParallelFor(UINT32 count, ZNJob job, void* context)
{
    ZNParallelForAfter(nullptr, nullptr, count, job, context);
}

void ZNParallelForAfter(void (*first)(void*), void* firstContext, UINT32 count, ZNJob job, void* context)
{
    ParallelRun run;
    run.Job                 = job;
    run.Context             = context;
    run.Count               = count;
    run.Next                = 0;
    const UINT32 processors = ZNThread::ProcessorCount();
    const UINT32 helpers    = count > 1 && processors > 1 ? std::min(processors, count) - 1 : 0;
    ZNThread     workers[15];
    const UINT32 started = std::min(helpers, 15u);
    for (UINT32 t = 0; t < started; ++t)
        workers[t].Start(WorkerEntry, &run);
    if (first)
        first(firstContext);
    RunJobs(run);
    for (UINT32 t = 0; t < started; ++t)
        workers[t].Wait(ZN_WAIT_INFINITE);
}
