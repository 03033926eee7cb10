// ZNJobs: the job runner. Runs an index range over the machine's cores and
// returns when every index is done.
//
//   ZNParallelFor(rows, [](void* context, UINT32 row) { ... }, &work);
//
// Guarantees: every index in [0, count) runs exactly once, on the calling
// thread or one of at most min(processors, count, 16) - 1 helper threads; jobs
// are handed out one at a time, so uneven jobs balance; none runs for 0.
#pragma once

#include "core/ZNTemplate.h"

typedef void (*ZNJob)(void* context, UINT32 index);
void ZNParallelFor(UINT32 count, ZNJob job, void* context);
