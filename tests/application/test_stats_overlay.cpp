// The statistics panel's width with the debug font's real metrics: every line
// lays out as one line inside the panel, the panel keeps its least width for
// short lines and never leaves the window.
#include "application/ZNStatsOverlay.h"

#include "common/ZNTestFiles.h"
#include "ui/ZNFont.h"

#include <gtest/gtest.h>

#include <string>

TEST(StatsOverlay, ThePanelFitsItsLongestLineAndStaysInTheWindow)
{
    const std::string metrics = ZNReadText(std::string(ZN_TEST_SOURCE_DIR) + "/ZNEngine/data/Engine/DebugFont.fnt");
    ZNFont            font;
    ASSERT_TRUE(font.Parse(metrics.c_str(), "DebugFont.fnt"));
    ZNStatsOverlay overlay;
    overlay.Font            = &font;
    overlay.Scene.DrawCalls = 1234567;
    overlay.Scene.Vertices  = 16777216ull * 6;
    overlay.Camera.Position = ZNVec3(-123456.0f, 98765.0f, -4321.0f);

    const float room1024 = 1024.0f - 2.0f * ZNStatsOverlay::Margin;
    for (const UINT32 extra : { 0u, 8u, 30u, 60u, 200u })
    {
        overlay.ProgramLines.Clear();
        overlay.ProgramLines.Add(ZNString("leaves 4096   sprites 16777216"));
        overlay.ProgramLines.Add(
            ZNString(("sprites drawn as points 16777216   cliff fills 1234567 " + std::string(extra, 'w')).c_str()));
        ZNArray<ZNString> lines;
        overlay.Describe(lines);
        for (const float window : { 2560.0f, 1024.0f, 640.0f, 330.0f, 100.0f, 10.0f })
        {
            const float room  = window - 2.0f * ZNStatsOverlay::Margin;
            const float width = overlay.PanelWidth(lines, window);
            EXPECT_LE(width, room > 0.0f ? room : 0.0f) << "the panel stays in the window: " << window;
            EXPECT_GE(width, room < ZNStatsOverlay::Width ? (room > 0.0f ? room : 0.0f) : ZNStatsOverlay::Width)
                << window;
            if (width >= room)
                continue;   // narrower than its lines: cut, as little as the window allows
            for (UINT32 i = 0; i < lines.Size(); ++i)
                EXPECT_EQ(
                    font.LineCount(lines[i].CStr(), ZNStatsOverlay::LinePixels, width - 2.0f * ZNStatsOverlay::Padding),
                    1u)
                    << "'" << lines[i].CStr() << "' fits the panel of a window " << window << " wide";
        }
        if (extra <= 30)
        {
            EXPECT_LT(overlay.PanelWidth(lines, 1024.0f), room1024) << "room to spare at 1024 x 576: " << extra;
        }
    }

    // Short lines keep the least width, so the panel does not jump with the numbers.
    overlay.ProgramLines.Clear();
    overlay.Scene = ZNRenderCounters();
    ZNArray<ZNString> lines;
    overlay.Describe(lines);
    EXPECT_EQ(overlay.PanelWidth(lines, 1024.0f), ZNStatsOverlay::Width);
}
