// ZNFrameStats: summaries of frame times and the benchmark flight.
#include "application/ZNFrameStats.h"

#include <math.h>

double ZNNearestRankPercentile(const ZNPodArray<double>& sortedMs, double p)
{
    const UINT32 n = sortedMs.Size();
    if (!n)
        return 0.0;
    double rank = ceil(p / 100.0 * (double)n);
    if (rank < 1.0)
        rank = 1.0;
    if (rank > (double)n)
        rank = (double)n;
    return sortedMs[(UINT32)rank - 1];
}

ZNFrameTimeSummary ZNSummarizeFrameTimes(const ZNPodArray<double>& frameMs)
{
    ZNFrameTimeSummary s;
    const UINT32       n = frameMs.Size();
    if (!n)
        return s;

    ZNPodArray<double> sorted(frameMs);
    ZNSort(ZNBegin(sorted), ZNEnd(sorted));

    double sum = 0.0;
    for (UINT32 i = 0; i < n; ++i)
        sum += sorted[i];
    s.Frames   = n;
    s.Seconds  = sum / 1000.0;
    s.MeanMs   = sum / (double)n;
    s.MedianMs = (n & 1) ? sorted[n / 2] : 0.5 * (sorted[n / 2 - 1] + sorted[n / 2]);
    s.P95Ms    = ZNNearestRankPercentile(sorted, 95.0);
    s.P99Ms    = ZNNearestRankPercentile(sorted, 99.0);
    s.Fps      = s.Seconds > 0.0 ? (double)n / s.Seconds : 0.0;
    return s;
}

ZNString ZNFormatFrameTimeSummary(const ZNFrameTimeSummary& s)
{
    char buf[256];
    ZNSPrintf(buf, sizeof(buf), "frames %u, mean %.2f ms, median %.2f ms, p95 %.2f ms, p99 %.2f ms, fps %.1f",
              (unsigned)s.Frames, s.MeanMs, s.MedianMs, s.P95Ms, s.P99Ms, s.Fps);
    return ZNString(buf);
}

void ZNFrameTimeHistory::Add(double seconds)
{
    Ms[Next] = seconds * 1000.0;
    Next     = (Next + 1) % Capacity;
    if (Stored < Capacity)
        ++Stored;
}

double ZNFrameTimeHistory::BackMs(UINT32 back) const
{
    if (back >= Stored)
        return 0.0;
    return Ms[(Next + Capacity - 1 - back) % Capacity];
}

double ZNFrameTimeHistory::MeanOfLastSecondMs() const
{
    double sum = 0.0;
    UINT32 n   = 0;
    while (n < Stored)
    {
        const double ms = BackMs(n);
        if (n > 0 && sum + ms > 1000.0)
            break;
        sum += ms;
        ++n;
    }
    return n ? sum / (double)n : 0.0;
}

void ZNFlightBenchmark::Start(float seconds)
{
    Duration = seconds;
    Elapsed  = 0.0f;
    FrameMs.Clear();
    Running = true;
    Primed  = false;
}

bool ZNFlightBenchmark::Advance(double dt)
{
    if (!Running)
        return false;
    if (!Primed)
    {
        Primed = true;
        return false;
    }
    FrameMs.Add(dt * 1000.0);
    Elapsed += (float)dt;
    if (Elapsed < Duration)
        return false;
    Running = false;
    return true;
}

ZNFlyCameraState ZNFlightBenchmark::Camera() const
{
    if (Path)
        return Path(Elapsed);
    return ZNFlyCamera().State;
}
