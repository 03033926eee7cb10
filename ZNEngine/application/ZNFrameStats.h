// ZNFrameStats: frame-time statistics (the benchmark command and a program's
// own measurements report the same figures), the latest frame times for the
// statistics overlay, and the benchmark flight as a small state machine the
// frame loop drives over a camera path the program supplies.
//
//   ZNFlightBenchmark bench;
//   bench.Path = MyPath;                          // ZNFlyCameraState (*)(float seconds)
//   bench.Start(10.0f);
//   each frame, before drawing:  if (bench.Advance(dt)) report(bench.Summary());
//                                if (bench.IsRunning()) camera.State = bench.Camera();
//
// Guarantees:
// - ZNSummarizeFrameTimes leaves its input alone, answers all zeros for no
//   frames, takes the median as the middle value (the mean of the two middle
//   values for an even count) and the percentiles by nearest rank (the smallest
//   time that at least that share of frames does not exceed); fps is frames
//   over their summed time.
// - A flight records one time per frame drawn on the path: the first Advance
//   after Start records nothing, because the frame before it was not flown.
#pragma once

#include "application/ZNFlyCamera.h"
#include "core/ZNTemplate.h"

struct ZNFrameTimeSummary
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
ZNFrameTimeSummary ZNSummarizeFrameTimes(const ZNPodArray<double>& frameMs);
// The nearest-rank percentile (0 < p <= 100) of an ascending array; 0 when empty.
double             ZNNearestRankPercentile(const ZNPodArray<double>& sortedMs, double p);
// One line: "frames N, mean M ms, median M ms, p95 M ms, p99 M ms, fps F".
ZNString           ZNFormatFrameTimeSummary(const ZNFrameTimeSummary& s);

// The latest frame times for the statistics overlay: the graph's last
// GraphFrames and the mean over the last second.
class ZNFrameTimeHistory
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
    UINT32 Next         = 0;
    UINT32 Stored       = 0;
};

// Where a camera path is at a time since the flight began.
typedef ZNFlyCameraState (*ZNCameraPath)(float seconds);

class ZNFlightBenchmark
{
public:
    // Begins a flight of seconds (at least one frame is always flown).
    void               Start(float seconds);
    bool               IsRunning() const { return Running; }
    // Ends a flight early; the frames so far stay summarised.
    void               Stop() { Running = false; }
    // Called once per frame before drawing with the previous frame's duration in
    // seconds. True exactly once per flight: when the flight has just ended.
    bool               Advance(double dt);
    // Where the camera is now on the path (a default state without a path).
    ZNFlyCameraState   Camera() const;
    ZNFrameTimeSummary Summary() const { return ZNSummarizeFrameTimes(FrameMs); }

    ZNCameraPath       Path     = nullptr;   // the program's flight; null: no benchmark
    float              Duration = 0.0f;      // seconds asked for
    float              Elapsed  = 0.0f;      // seconds flown
    ZNPodArray<double> FrameMs;              // one per frame flown

private:
    bool Running = false;
    bool Primed  = false;   // a frame has been drawn on the path
};
