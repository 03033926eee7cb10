// The benchmark's flight path and its frame-time statistics.
#include "FlightPath.h"
#include "FrameStats.h"
#include "VoxBlock.h"

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
}

TEST(FlightPath, StartsAtTheInitialCameraAndRepeatsExactly)
{
    const VoxCameraState start = InitialCameraState();
    const VoxCameraState at0 = FlightPathAt(0.0f);
    EXPECT_EQ(at0.Position, start.Position);
    EXPECT_NEAR(at0.Yaw, start.Yaw, 1e-6f);
    EXPECT_NEAR(at0.Pitch, start.Pitch, 1e-6f);

    for (float t : { 1.5f, 7.25f, 22.0f })
    {
        const VoxCameraState a = FlightPathAt(t);
        const VoxCameraState b = FlightPathAt(t);
        const VoxCameraState c = FlightPathAt(t + 2.0f * FlightPathPeriod);
        EXPECT_EQ(a.Position, b.Position) << "a pure function of time";
        EXPECT_NEAR(Distance(a.Position, c.Position), 0.0f, 0.05f) << t;
        EXPECT_EQ(a.PrevPosition, a.Position);
        EXPECT_EQ(a.PrevYaw, a.Yaw);
        EXPECT_EQ(a.PrevPitch, a.Pitch);
    }
}

TEST(FlightPath, StaysInsideTheWorldMovesSmoothlyAndSeesTheSky)
{
    float lowestPitch = 10.0f, totalTurn = 0.0f;
    VoxCameraState prev = FlightPathAt(0.0f);
    const float step = 1.0f / 60.0f;
    for (float t = step; t <= FlightPathPeriod; t += step)
    {
        const VoxCameraState c = FlightPathAt(t);
        EXPECT_GE(c.Position.x, VoxWorldMin.x);
        EXPECT_LE(c.Position.x, VoxWorldMax.x);
        EXPECT_GE(c.Position.y, VoxWorldMin.y);
        EXPECT_LE(c.Position.y, VoxWorldMax.y);
        EXPECT_GE(c.Position.z, 431.0f);
        EXPECT_LE(c.Position.z, 512.5f);
        EXPECT_GE(c.Pitch, VoxPitchMin);
        EXPECT_LE(c.Pitch, VoxPitchMax);
        EXPECT_GT(c.Yaw, -2.0f * ZN_PI);
        EXPECT_LT(c.Yaw, 2.0f * ZN_PI);
        // No faster than about the camera's own fast flight (shift held).
        ASSERT_LT(Distance(c.Position, prev.Position), VoxSpeed * VoxFastFactor * 1.1f * step) << t;
        const float turn = fabsf(BlendYaw(prev.Yaw, c.Yaw, 1.0f) - BlendYaw(prev.Yaw, c.Yaw, 0.0f));
        ASSERT_LT(turn, 0.05f) << t;
        totalTurn += turn;
        lowestPitch = fminf(lowestPitch, c.Pitch);
        prev = c;
    }
    // Level is pi / 2: the view comes up to within 10 degrees of the horizon, where
    // a 90-degree view shows sky, and the heading turns all the way round.
    EXPECT_LT(lowestPitch, ZN_PI * 0.5f + 0.18f);
    EXPECT_GT(lowestPitch, ZN_PI * 0.5f);
    EXPECT_NEAR(totalTurn, 2.0f * ZN_PI, 0.01f);
}

TEST(FrameStats, SummaryOfKnownTimes)
{
    // 1..100 ms, shuffled.
    ZNPodArray<double> ms;
    for (UINT32 i = 0; i < 100; ++i)
        ms.Add((double)((i * 37) % 100 + 1));
    const FrameTimeSummary s = SummarizeFrameTimes(ms);
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
    const FrameTimeSummary none = SummarizeFrameTimes(ZNPodArray<double>());
    EXPECT_EQ(none.Frames, 0u);
    EXPECT_EQ(none.Fps, 0.0);
    EXPECT_EQ(none.P99Ms, 0.0);

    const FrameTimeSummary one = SummarizeFrameTimes(Times({ 20.0 }));
    EXPECT_EQ(one.MedianMs, 20.0);
    EXPECT_EQ(one.P95Ms, 20.0);
    EXPECT_DOUBLE_EQ(one.Fps, 50.0);

    // Odd count: the middle value; a single slow frame is the 95th percentile of 3.
    const FrameTimeSummary three = SummarizeFrameTimes(Times({ 30.0, 10.0, 100.0 }));
    EXPECT_EQ(three.MedianMs, 30.0);
    EXPECT_EQ(three.P95Ms, 100.0);
    EXPECT_STREQ(FormatFrameTimeSummary(three).CStr(),
                 "frames 3, mean 46.67 ms, median 30.00 ms, p95 100.00 ms, p99 100.00 ms, fps 21.4");
}

TEST(FrameStats, FlightRecordsFramesFlownOnThePathOnly)
{
    FlightBenchmark bench;
    EXPECT_FALSE(bench.Advance(0.5));
    bench.Start(0.1f);
    EXPECT_TRUE(bench.IsRunning());
    EXPECT_FALSE(bench.Advance(5.0)) << "the frame before the start is not timed";
    EXPECT_EQ(bench.FrameMs.Size(), 0u);
    EXPECT_EQ(bench.Camera().Position, InitialCameraState().Position);
    EXPECT_FALSE(bench.Advance(0.04));
    EXPECT_FALSE(bench.Advance(0.04));
    EXPECT_NE(bench.Camera().Position, InitialCameraState().Position);
    EXPECT_TRUE(bench.Advance(0.04));
    EXPECT_FALSE(bench.IsRunning());
    EXPECT_FALSE(bench.Advance(0.04)) << "finished exactly once";
    const FrameTimeSummary s = bench.Summary();
    EXPECT_EQ(s.Frames, 3u);
    EXPECT_NEAR(s.MeanMs, 40.0, 1e-6);

    bench.Start(0.0f);   // a zero-length flight still times one frame
    EXPECT_FALSE(bench.Advance(0.01));
    EXPECT_TRUE(bench.Advance(0.02));
    EXPECT_EQ(bench.Summary().Frames, 1u);
}

TEST(FrameStats, HistoryKeepsTheNewestFramesAndAveragesTheLastSecond)
{
    FrameTimeHistory h;
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

    for (UINT32 i = 0; i < FrameTimeHistory::Capacity + 5; ++i)
        h.Add(0.0005 * (i % 3 + 1));
    EXPECT_EQ(h.Count(), FrameTimeHistory::Capacity) << "the ring overwrites the oldest";
    EXPECT_NEAR(h.MeanOfLastSecondMs(), 1.0, 0.01) << "at 1000 fps the whole ring is under a second";
}
