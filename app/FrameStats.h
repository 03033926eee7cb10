// FrameStats: frame-time statistics for the benchmark flight (the console's
// benchmark command and the frame benchmark report the same figures), and the
// flight itself as a small state machine the frame loop drives.
//
//   FlightBenchmark bench;
//   bench.Start(10.0f);
//   each frame, before drawing:  if (bench.Advance(dt)) report(bench.Summary());
//                                if (bench.IsRunning()) world->Camera = bench.Camera();
//
// Guarantees:
// - SummarizeFrameTimes leaves its input alone, answers all zeros for no frames,
//   takes the median as the middle value (the mean of the two middle values for
//   an even count) and the percentiles by nearest rank (the smallest time that at
//   least that share of frames does not exceed); fps is frames over their summed
//   time.
// - A flight records one time per frame drawn on the path: the first Advance
//   after Start records nothing, because the frame before it was not flown.
#pragma once

#include "Camera.h"
#include "ZNEngine.h"

struct FrameTimeSummary
{
    UINT32 Frames   = 0;
    double Seconds  = 0.0;   // sum of the frame times
    double MeanMs   = 0.0;
    double MedianMs = 0.0;
    double P95Ms    = 0.0;
    double P99Ms    = 0.0;
    double Fps      = 0.0;
};

// Frame times in milliseconds.
FrameTimeSummary SummarizeFrameTimes(const ZNPodArray<double>& frameMs);
// The nearest-rank percentile (0 < p <= 100) of an ascending array; 0 when empty.
double NearestRankPercentile(const ZNPodArray<double>& sortedMs, double p);
// One line: "frames N, mean M ms, median M ms, p95 M ms, p99 M ms, fps F".
ZNString FormatFrameTimeSummary(const FrameTimeSummary& s);

// The latest frame times for the statistics overlay: the graph's last
// GraphFrames and the mean over the last second.
class FrameTimeHistory
{
public:
    static constexpr UINT32 Capacity    = 1024;   // frames kept (the last second at up to 1024 fps)
    static constexpr UINT32 GraphFrames = 120;

    void   Add(double seconds);
    UINT32 Count() const { return Stored; }
    // Milliseconds of the frame back frames before the newest (0: the newest);
    // 0 when there is no such frame.
    double BackMs(UINT32 back) const;
    // Mean in milliseconds of the newest frames that together take at most one
    // second (always at least the newest); 0 when empty.
    double MeanOfLastSecondMs() const;

private:
    double Ms[Capacity] = {};
    UINT32 Next   = 0;
    UINT32 Stored = 0;
};

class FlightBenchmark
{
public:
    // Begins a flight of seconds (at least one frame is always flown).
    void Start(float seconds);
    bool IsRunning() const { return Running; }
    // Ends a flight early; the frames so far stay summarised.
    void Stop() { Running = false; }
    // Called once per frame before drawing with the previous frame's duration in
    // seconds. True exactly once per flight: when the flight has just ended.
    bool Advance(double dt);
    // Where the camera is now on the path.
    VoxCameraState Camera() const;
    FrameTimeSummary Summary() const { return SummarizeFrameTimes(FrameMs); }

    float Duration = 0.0f;   // seconds asked for
    float Elapsed  = 0.0f;   // seconds flown
    ZNPodArray<double> FrameMs;

private:
    bool Running  = false;
    bool Primed   = false;   // a frame has been drawn on the path
};
