// The job runner: every index exactly once, whatever the count.
#include "application/ZNJobs.h"

#include <gtest/gtest.h>

#include "core/ZNThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
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

// Reports come from the calling thread only, first before any job, never fall
// back, end with the whole count; a stop lets the jobs in flight finish and
// starts no other.
TEST(JobRunner, ProgressIsToldInOrderAndAStopStartsNoFurtherJob)
{
    struct Run
    {
        std::vector<std::atomic<int>> Runs = std::vector<std::atomic<int>>(5000);
        std::atomic<UINT32>           Ran{ 0 };
        std::vector<UINT32>           Told;
        std::thread::id               Caller      = std::this_thread::get_id();
        bool                          OtherThread = false;
        UINT32                        StopAt      = 0xFFFFFFFFu;
        UINT32                        RanAtStop   = 0;
        std::atomic<bool>             Stopped{ false };
    };
    const ZNJob job = [](void* context, UINT32 i)
    {
        Run& r = *static_cast<Run*>(context);
        // Where a stop is to come, the helper threads hold their jobs from the
        // fiftieth on until it has come, so however the threads are scheduled the
        // stop comes mid-run and the helpers have jobs in flight then.
        if (r.StopAt != 0xFFFFFFFFu && std::this_thread::get_id() != r.Caller && r.Ran.load() >= 50)
        {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!r.Stopped.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        }
        r.Runs[i]++;
        r.Ran++;
    };
    const ZNJobProgress tell = [](void* context, UINT32 done)
    {
        Run& r        = *static_cast<Run*>(context);
        r.OtherThread = r.OtherThread || std::this_thread::get_id() != r.Caller;
        r.Told.push_back(done);
        if (done < r.StopAt)
            return true;
        r.RanAtStop = r.Ran.load();
        r.Stopped.store(true);
        return false;
    };

    Run whole;
    EXPECT_TRUE(ZNParallelForWithProgress(5000, job, &whole, tell, &whole));
    for (UINT32 i = 0; i < 5000; ++i)
        ASSERT_EQ(whole.Runs[i].load(), 1) << i;
    EXPECT_FALSE(whole.OtherThread);
    ASSERT_FALSE(whole.Told.empty());
    EXPECT_EQ(whole.Told.front(), 0u) << "told before the first job";
    EXPECT_TRUE(std::is_sorted(whole.Told.begin(), whole.Told.end()));
    EXPECT_EQ(whole.Told.back(), 5000u);

    Run stopped;
    stopped.StopAt = 100;
    EXPECT_FALSE(ZNParallelForWithProgress(5000, job, &stopped, tell, &stopped));
    // At most one job per helper thread was in flight when the stop came.
    EXPECT_GE(stopped.RanAtStop, 100u);
    EXPECT_LE(stopped.Ran.load(), stopped.RanAtStop + 15u);
    EXPECT_TRUE(stopped.Told.back() >= 100u && stopped.Told.back() < 5000u) << "the stop was the last report";
    for (UINT32 i = 0; i < 5000; ++i)
        ASSERT_LE(stopped.Runs[i].load(), 1) << i;
}

// The calling thread's own work runs once, on it, while the helpers are already
// on the jobs, and before it joins them: it sees jobs finish that it did not run,
// not all of them, and the caller takes no job before it is done.
TEST(JobRunner, ParallelForAfterRunsFirstOnTheCallerBesideTheJobs)
{
    struct Run
    {
        std::atomic<int>    Firsts{ 0 };
        std::atomic<UINT32> Done{ 0 };
        std::atomic<int>    CallerJobsBeforeFirst{ 0 };
        UINT32              DoneWhenFirstBegan = 0;
        bool                SawHelperFinish    = false;
        bool                FirstOnCaller      = false;
        std::thread::id     Caller             = std::this_thread::get_id();
        std::vector<int>    Runs               = std::vector<int>(200, 0);
    } run;
    ZNParallelForAfter(
        [](void* context)
        {
            Run& r               = *static_cast<Run*>(context);
            r.FirstOnCaller      = std::this_thread::get_id() == r.Caller;
            r.DoneWhenFirstBegan = r.Done.load();
            const auto deadline  = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (ZNThread::ProcessorCount() > 1 && !r.Done.load() && std::chrono::steady_clock::now() < deadline)
                ZNThread::Sleep(1);
            r.SawHelperFinish = r.Done.load() > 0;
            ++r.Firsts;
        },
        &run, 200,
        [](void* context, UINT32 i)
        {
            Run& r = *static_cast<Run*>(context);
            if (std::this_thread::get_id() == r.Caller && !r.Firsts.load())
                ++r.CallerJobsBeforeFirst;
            ZNThread::Sleep(1);
            ++r.Runs[i];
            ++r.Done;
        },
        &run);
    EXPECT_EQ(run.Firsts.load(), 1);
    EXPECT_TRUE(run.FirstOnCaller);
    EXPECT_LT(run.DoneWhenFirstBegan, 200u);
    EXPECT_EQ(run.CallerJobsBeforeFirst.load(), 0);
    if (ZNThread::ProcessorCount() > 1)
    {
        EXPECT_TRUE(run.SawHelperFinish);
    }
    for (UINT32 i = 0; i < 200; ++i)
        ASSERT_EQ(run.Runs[i], 1) << i;
}
