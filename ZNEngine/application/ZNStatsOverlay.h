// ZNStatsOverlay: the statistics panel in the window's top right corner
// (r_stats, F3): frames per second and frame time over the last second, what
// the frame's scene drew (draw calls, vertices, program and texture binds), the
// program's own lines, the camera's position and heading, and a graph of the
// last 120 frame times with lines at 16.7 ms and 33.3 ms.
//
//   ZNStatsOverlay* overlay = new ZNStatsOverlay();  overlay->SetWindow(appWindow);
//   each frame:  overlay->Frames.Add(dt);  overlay->Scene = ...;  overlay->Camera = ...;
//                if (shown) overlay->Update(1.0f);   // after the scene, before Present
//
// It draws with the UI layer's primitives only, so it costs a handful of draw
// calls and never touches the scene's state. The panel is as wide as its
// longest line needs (measured with the layer's font), at least Width, and
// never wider than the window less the margins.
#pragma once

#include "application/ZNFrameStats.h"
#include "render/ZNRenderCounters.h"
#include "ui/ZNUILayer.h"

class ZNStatsOverlay : public ZNUILayer
{
public:
    static constexpr float Width       = 330.0f;   // panel, pixels, at least
    static constexpr float Margin      = 8.0f;     // from the window's edges
    static constexpr float Padding     = 6.0f;     // text and graph from the panel's sides
    static constexpr float LinePixels  = 14.0f;
    static constexpr float GraphHeight = 60.0f;
    static constexpr float GraphFullMs = 50.0f;   // a frame this long fills the graph's height

    ZNStatsOverlay();

    ZNFrameTimeHistory Frames;
    ZNRenderCounters   Scene;          // the scene's part of the latest frame
    ZNArray<ZNString>  ProgramLines;   // shown after the counters, before the camera
    ZNFlyCameraState   Camera;

    // The panel's text, one line per entry (for the tests and the draw).
    void  Describe(ZNArray<ZNString>& lines) const;
    // The panel's width for these lines in a window windowWidth pixels wide
    // (see above); Width when there is no font to measure with.
    float PanelWidth(const ZNArray<ZNString>& lines, float windowWidth) const;

    void Draw() override;
};

// Heading in degrees [0, 360) from a yaw, and the view's elevation in degrees
// (negative looks down) from a pitch measured from straight up.
float ZNHeadingDegrees(float yaw);
float ZNElevationDegrees(float pitch);
