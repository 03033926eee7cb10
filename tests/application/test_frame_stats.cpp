// Frame-time statistics and the benchmark flight's state machine.
#include "application/ZNFrameStats.h"

#include <gtest/gtest.h>

#include <math.h>

namespace
{
ZNPodArray<double> Times(std::initializer_list<double> ms)
{
    ZNPodArray<double> out;
    for (double t : ms)
        out.Add(t);
    return out;
}

// Along +X at 100 units a second.
ZNFlyCameraState StraightPath(float seconds)
{
    ZNFlyCameraState s = ZNFlyCamera().State;
    s.Position = s.PrevPosition = ZNVec3(100.0f * seconds, 0.0f, 0.0f);
    return s;
}
}

TEST(FrameStats, SummaryOfKnownTimes)
{
    // 1..100 ms, shuffled.
    ZNPodArray<double> ms;
    for (UINT32 i = 0; i < 100; ++i)
        ms.Add((double)((i * 37) % 100 + 1));
    const ZNFrameTimeSummary s = ZNSummarizeFrameTimes(ms);
    EXPECT_EQ(s.Frames, 100u);
    EXPECT_DOUBLE_EQ(s.MeanMs, 50.5);
    EXPECT_DOUBLE_EQ(s.MedianMs, 50.5);
    EXPECT_DOUBLE_EQ(s.P95Ms, 95.0);
    EXPECT_DOUBLE_EQ(s.P99Ms, 99.0);
    EXPECT_DOUBLE_EQ(s.Seconds, 5.05);
    EXPECT_NEAR(s.Fps, 100.0 / 5.05, 1e-9);
    EXPECT_EQ(ms[0], 1.0) << "the input keeps its order";
    EXPECT_EQ(ms[1], 38.0);
}

TEST(FrameStats, SmallAndEmptyInputs)
{
    const ZNFrameTimeSummary none = ZNSummarizeFrameTimes(ZNPodArray<double>());
    EXPECT_EQ(none.Frames, 0u);
    EXPECT_EQ(none.Fps, 0.0);
    EXPECT_EQ(none.P99Ms, 0.0);

    const ZNFrameTimeSummary one = ZNSummarizeFrameTimes(Times({ 20.0 }));
    EXPECT_EQ(one.MedianMs, 20.0);
    EXPECT_EQ(one.P95Ms, 20.0);
    EXPECT_DOUBLE_EQ(one.Fps, 50.0);

    // Odd count: the middle value; a single slow frame is the 95th percentile of 3.
    const ZNFrameTimeSummary three = ZNSummarizeFrameTimes(Times({ 30.0, 10.0, 100.0 }));
    EXPECT_EQ(three.MedianMs, 30.0);
    EXPECT_EQ(three.P95Ms, 100.0);
    EXPECT_STREQ(ZNFormatFrameTimeSummary(three).CStr(),
                 "frames 3, mean 46.67 ms, median 30.00 ms, p95 100.00 ms, p99 100.00 ms, fps 21.4");
}

TEST(FrameStats, FlightRecordsFramesFlownOnThePathOnly)
{
    ZNFlightBenchmark bench;
    bench.Path = StraightPath;
    EXPECT_FALSE(bench.Advance(0.5));
    bench.Start(0.1f);
    EXPECT_TRUE(bench.IsRunning());
    EXPECT_FALSE(bench.Advance(5.0)) << "the frame before the start is not timed";
    EXPECT_EQ(bench.FrameMs.Size(), 0u);
    EXPECT_EQ(bench.Camera().Position, StraightPath(0.0f).Position);
    EXPECT_FALSE(bench.Advance(0.04));
    EXPECT_FALSE(bench.Advance(0.04));
    EXPECT_NE(bench.Camera().Position, StraightPath(0.0f).Position);
    EXPECT_TRUE(bench.Advance(0.04));
    EXPECT_FALSE(bench.IsRunning());
    EXPECT_FALSE(bench.Advance(0.04)) << "finished exactly once";
    const ZNFrameTimeSummary s = bench.Summary();
    EXPECT_EQ(s.Frames, 3u);
    EXPECT_NEAR(s.MeanMs, 40.0, 1e-6);

    bench.Start(0.0f);   // a zero-length flight still times one frame
    EXPECT_FALSE(bench.Advance(0.01));
    EXPECT_TRUE(bench.Advance(0.02));
    EXPECT_EQ(bench.Summary().Frames, 1u);
}

TEST(FrameStats, HistoryKeepsTheNewestFramesAndAveragesTheLastSecond)
{
    ZNFrameTimeHistory h;
    EXPECT_EQ(h.MeanOfLastSecondMs(), 0.0);
    EXPECT_EQ(h.BackMs(0), 0.0);
    h.Add(2.0);   // one slow frame longer than a second is still its own mean
    EXPECT_DOUBLE_EQ(h.MeanOfLastSecondMs(), 2000.0);
    for (int i = 0; i < 50; ++i)
        h.Add(0.010);
    h.Add(0.030);
    EXPECT_DOUBLE_EQ(h.BackMs(0), 30.0);
    EXPECT_DOUBLE_EQ(h.BackMs(1), 10.0);
    EXPECT_DOUBLE_EQ(h.BackMs(51), 2000.0);
    EXPECT_EQ(h.BackMs(52), 0.0);
    // 30 + 50 x 10 = 530 ms; the 2 s frame would pass one second and is left out.
    EXPECT_NEAR(h.MeanOfLastSecondMs(), 530.0 / 51.0, 1e-9);

    for (UINT32 i = 0; i < ZNFrameTimeHistory::Capacity + 5; ++i)
        h.Add(0.0005 * (i % 3 + 1));
    EXPECT_EQ(h.Count(), ZNFrameTimeHistory::Capacity) << "the ring overwrites the oldest";
    EXPECT_NEAR(h.MeanOfLastSecondMs(), 1.0, 0.01) << "at 1000 fps the whole ring is under a second";
}
