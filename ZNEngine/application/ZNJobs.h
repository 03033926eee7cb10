// ZNJobs: the job runner. Runs an index range over the machine's cores and
// returns when every index is done.
//
//   ZNParallelFor(rows, [](void* context, UINT32 row) { ... }, &work);
//   ZNParallelForWithProgress(rows, job, &work, tell, &bar);   // a long loop that reports
//   ZNParallelForAfter(OpenBuffer, &gl, rows, job, &work);     // GL work beside the jobs
//
// Guarantees: every index in [0, count) runs exactly once, on the calling
// thread or one of at most min(processors, count, 16) - 1 helper threads; jobs
// are handed out one at a time, so uneven jobs balance; none runs for 0. With
// progress, only the calling thread reports, between its own jobs, while the
// helpers go on: a report never holds the other cores up.
#pragma once

#include "core/ZNTemplate.h"

typedef void (*ZNJob)(void* context, UINT32 index);
void ZNParallelFor(UINT32 count, ZNJob job, void* context);

// Told on the calling thread before its first job (done 0: work that only that
// thread may do, such as GL calls, can go there while the helpers start), after
// each of its own jobs with the number of jobs finished so far on every thread,
// and once more with count when all are done; false asks to stop.
typedef bool (*ZNJobProgress)(void* context, UINT32 done);
// ZNParallelFor that reports as it goes. True when every job ran and no report
// asked to stop; after a stop the jobs already begun finish, no other starts,
// and the answer is false.
bool ZNParallelForWithProgress(UINT32 count, ZNJob job, void* context, ZNJobProgress progress, void* progressContext);
// The same, but the calling thread first runs first(firstContext), which must not
// depend on the jobs, while the helpers start on them; it then joins them. Work
// that only the calling thread may do (GL calls) so overlaps the jobs. With no
// helper (one processor, or fewer than two jobs) first runs, then the jobs.
void ZNParallelForAfter(void (*first)(void*), void* firstContext, UINT32 count, ZNJob job, void* context);
