// ZNJobs: the job runner. Runs an index range over the machine's cores and
// returns when every index is done.
//
//   ZNParallelFor(rows, [](void* context, UINT32 row) { ... }, &work);
//   ZNParallelForAfter(OpenBuffer, &gl, rows, job, &work);   // GL work beside the jobs
//
// Guarantees: every index in [0, count) runs exactly once, on the calling
// thread or one of at most min(processors, count, 16) - 1 helper threads; jobs
// are handed out one at a time, so uneven jobs balance; none runs for 0.
#pragma once

#include "core/ZNTemplate.h"

typedef void (*ZNJob)(void* context, UINT32 index);
void ZNParallelFor(UINT32 count, ZNJob job, void* context);
// The same, but the calling thread first runs first(firstContext), which must not
// depend on the jobs, while the helpers start on them; it then joins them. Work
// that only the calling thread may do (GL calls) so overlaps the jobs. With no
// helper (one processor, or fewer than two jobs) first runs, then the jobs.
void ZNParallelForAfter(void (*first)(void*), void* firstContext, UINT32 count, ZNJob job, void* context);
