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
    std::atomic<UINT32> Next;   // the next job to hand out
    std::atomic<UINT32> Done;   // jobs finished
    ZNJobProgress       Progress;
    void*               ProgressContext;
};

// Runs jobs until none is left; with report (the calling thread), tells the
// progress after each and false when it asked to stop.
bool RunJobs(ParallelRun& run, bool report)
{
    for (UINT32 done = 0, i;; done = run.Done.fetch_add(1) + 1)
    {
        if (report && !run.Progress(run.ProgressContext, done))
        {
            // Hands out no further job: every later fetch gives Count or more.
            run.Next.store(run.Count);
            return false;
        }
        if ((i = run.Next.fetch_add(1)) >= run.Count)
            return true;
        run.Job(run.Context, i);
    }
}

UINT32 WorkerEntry(void* context)
{
    // The main thread is pinned to one processor and its threads inherit that.
    ZNThread::AllowAllProcessors();
    RunJobs(*static_cast<ParallelRun*>(context), false);
    return 0;
}
}   // namespace

bool ZNParallelForWithProgress(UINT32 count, ZNJob job, void* context, ZNJobProgress progress, void* progressContext)
{
    ParallelRun run;
    run.Job                 = job;
    run.Context             = context;
    run.Count               = count;
    run.Next                = 0;
    run.Done                = 0;
    run.Progress            = progress;
    run.ProgressContext     = progressContext;
    const UINT32 processors = ZNThread::ProcessorCount();
    const UINT32 helpers    = count > 1 && processors > 1 ? std::min(processors, count) - 1 : 0;
    ZNThread     workers[15];
    const UINT32 started = std::min(helpers, 15u);
    for (UINT32 t = 0; t < started; ++t)
        workers[t].Start(WorkerEntry, &run);
    const bool finished = RunJobs(run, progress != nullptr);
    for (UINT32 t = 0; t < started; ++t)
        workers[t].Wait(ZN_WAIT_INFINITE);
    return finished && (!progress || progress(progressContext, count));
}

void ZNParallelFor(UINT32 count, ZNJob job, void* context)
{
    ZNParallelForWithProgress(count, job, context, nullptr, nullptr);
}

void ZNParallelForAfter(void (*first)(void*), void* firstContext, UINT32 count, ZNJob job, void* context)
{
    // The report before the calling thread's first job runs it, once.
    struct First
    {
        void (*Run)(void*);
        void* Context;
    } pending = { first, firstContext };
    ZNParallelForWithProgress(
        count, job, context,
        [](void* c, UINT32)
        {
            First& f = *static_cast<First*>(c);
            if (f.Run)
            {
                void (*run)(void*) = f.Run;
                f.Run              = nullptr;
                run(f.Context);
            }
            return true;
        },
        &pending);
}
