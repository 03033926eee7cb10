// The job runner: every index exactly once, whatever the count.
#include "application/ZNJobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(JobRunner, ParallelForRunsEveryJobOnce)
{
    std::vector<std::atomic<int>> runs(1000);
    ZNParallelFor(
        1000, [](void* context, UINT32 i) { (*static_cast<std::vector<std::atomic<int>>*>(context))[i]++; }, &runs);
    for (UINT32 i = 0; i < 1000; ++i)
        ASSERT_EQ(runs[i].load(), 1) << i;
    ZNParallelFor(
        0, [](void*, UINT32) { FAIL(); }, nullptr);
}
