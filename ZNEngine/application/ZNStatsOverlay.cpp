// ZNStatsOverlay: the statistics panel.
#include "application/ZNStatsOverlay.h"

#include "render/ZNVertex.h"
#include "ui/ZNFont.h"
#include "ui/ZNUIRender.h"

#include <math.h>

ZNStatsOverlay::ZNStatsOverlay()
{
    Name     = "Stats";
    FontSize = LinePixels;
    Camera   = ZNFlyCamera().State;
}
float ZNHeadingDegrees(float yaw)
{
    float d = fmodf(yaw * 180.0f / ZN_PI, 360.0f);
    if (d < 0.0f)
        d += 360.0f;
    return d;
}

float ZNElevationDegrees(float pitch)
{
    return 90.0f - pitch * 180.0f / ZN_PI;
}

void ZNStatsOverlay::Describe(ZNArray<ZNString>& lines) const
{
    lines.Clear();
    char         buf[160];
    const double ms = Frames.MeanOfLastSecondMs();
    ZNSPrintf(buf, sizeof(buf), "%.1f fps   %.2f ms", ms > 0.0 ? 1000.0 / ms : 0.0, ms);
    lines.Add(ZNString(buf));
    ZNSPrintf(buf, sizeof(buf), "draw calls %llu   vertices %llu", (unsigned long long)Scene.DrawCalls,
              (unsigned long long)Scene.Vertices);
    lines.Add(ZNString(buf));
    ZNSPrintf(buf, sizeof(buf), "program binds %llu   texture binds %llu", (unsigned long long)Scene.ProgramBinds,
              (unsigned long long)Scene.TextureBinds);
    lines.Add(ZNString(buf));
    for (UINT32 i = 0; i < ProgramLines.Size(); ++i)
        lines.Add(ProgramLines[i]);
    ZNSPrintf(buf, sizeof(buf), "position %.0f %.0f %.0f", (double)Camera.Position.x, (double)Camera.Position.y,
              (double)Camera.Position.z);
    lines.Add(ZNString(buf));
    ZNSPrintf(buf, sizeof(buf), "heading %.0f deg   elevation %.0f deg", (double)ZNHeadingDegrees(Camera.Yaw),
              (double)ZNElevationDegrees(Camera.Pitch));
    lines.Add(ZNString(buf));
}

float ZNStatsOverlay::PanelWidth(const ZNArray<ZNString>& lines, float windowWidth) const
{
    const ZNFont* font  = Font ? Font : (Window ? ZNUIWindowFont(Window) : nullptr);
    float         width = Width;
    for (UINT32 i = 0; font && i < lines.Size(); ++i)
    {
        // Whole pixels, so float rounding cannot leave a line a hair too long.
        const float need = ceilf(font->TextWidth(LinePixels, lines[i].CStr(), 0, lines[i].Size())) + 2.0f * Padding;
        if (need > width)
            width = need;
    }
    // A window too narrow for the panel gets what it has: a line may then be
    // cut, but the panel's left side and its first words stay in view.
    const float room = windowWidth - 2.0f * Margin;
    return width < room ? width : (room > 0.0f ? room : 0.0f);
}

void ZNStatsOverlay::Draw()
{
    float winW = 0.0f, winH = 0.0f;
    WindowSize(winW, winH);
    ZNArray<ZNString> lines;
    Describe(lines);

    const float x1      = winW - Margin;
    const float x0      = x1 - PanelWidth(lines, winW);
    const float y0      = Margin;
    const float textH   = (float)lines.Size() * LinePixels;
    const float graphY0 = y0 + 4.0f + textH + 4.0f;
    const float graphY1 = graphY0 + GraphHeight;

    static const float panel[4] = { 0.05f, 0.07f, 0.1f, 0.8f };
    static const float frame[4] = { 0.45f, 0.45f, 0.5f, 1.0f };
    DrawRect(ZNUIRect{ x0, y0, x1, graphY1 + 4.0f }, panel, false);

    const UINT32 white = ZNPackColor(0.95f, 0.95f, 0.9f, 1.0f);
    for (UINT32 i = 0; i < lines.Size(); ++i)
    {
        const float y = y0 + 4.0f + (float)i * LinePixels;
        DrawText(lines[i].CStr(), lines[i].Size(), white, 0, ZNUIRect{ x0 + Padding, y, x1, y + LinePixels },
                 LinePixels);
    }

    // The graph: newest frame on the right, one step per frame.
    const float gx0 = x0 + Padding, gx1 = x1 - Padding;
    DrawRect(ZNUIRect{ gx0, graphY0, gx1, graphY1 }, frame, true);
    const float        scale    = GraphHeight / GraphFullMs;
    static const float fast[4]  = { 0.3f, 0.85f, 0.4f, 1.0f };   // 16.7 ms: 60 frames a second
    static const float slow[4]  = { 0.95f, 0.6f, 0.2f, 1.0f };   // 33.3 ms: 30 frames a second
    const float        y60      = graphY1 - 16.7f * scale;
    const float        y30      = graphY1 - 33.3f * scale;
    const ZNUIVertex   marks[4] = { ZNMakeUIVertex(gx0, y60, fast), ZNMakeUIVertex(gx1, y60, fast),
                                    ZNMakeUIVertex(gx0, y30, slow), ZNMakeUIVertex(gx1, y30, slow) };
    DrawVertices(marks, 4, PT_Lines);

    const UINT32 n =
        Frames.Count() < ZNFrameTimeHistory::GraphFrames ? Frames.Count() : ZNFrameTimeHistory::GraphFrames;
    if (n < 2)
        return;
    static const float line[4] = { 0.9f, 0.9f, 1.0f, 1.0f };
    ZNUIVertex         curve[ZNFrameTimeHistory::GraphFrames];
    const float        step = (gx1 - gx0) / (float)(ZNFrameTimeHistory::GraphFrames - 1);
    for (UINT32 i = 0; i < n; ++i)
    {
        const UINT32 back = n - 1 - i;
        float        ms   = (float)Frames.BackMs(back);
        if (ms > GraphFullMs)
            ms = GraphFullMs;
        const float x = gx1 - (float)back * step;
        curve[i]      = ZNMakeUIVertex(x, graphY1 - ms * scale, line);
    }
    DrawVertices(curve, n, PT_LineStrip);
}
