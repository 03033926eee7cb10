// The demo's commands without a window: argument errors, the variables that feed
// the world's settings, and terrain images that cannot be used.
#include "AppCommands.h"
#include "VoxelWorld.h"

#include "common/ZNTestConsole.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>


TEST(AppCommands, MapArgumentErrorsPrintUsage)
{
    EXPECT_EQ(ConsolePrinted("map only.png"), (ConsoleLines{ "usage: map HEIGHT.png COLOUR.png" }));
    EXPECT_EQ(ConsolePrinted("map a.png b.png"), (ConsoleLines{ "map: no world yet" }));
}

TEST(AppCommands, VariablesFollowTheNamingSchemeAndFeedTheWorldSettings)
{
    ZNApp app;
    for (const char* name : { "cam_speed", "cam_fov", "in_mouse_sensitivity", "in_invert_y", "r_water_height", "r_haze",
                              "vid_vsync", "vid_fullscreen", "r_stats" })
    {
        ZNConVar* var = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString(name)));
        ASSERT_NE(var, nullptr) << name;
        EXPECT_FALSE(var->Description.Empty()) << name;
    }
    // The defaults give the world as it was designed.
    const VoxSettings designed;
    VoxSettings       s;
    s.Speed = s.Sensitivity = s.FieldOfView = s.WaterHeight = s.Haze = -1.0f;
    s.InvertY                                                        = 7;
    ApplyWorldSettings(app, s);
    EXPECT_EQ(s.Speed, designed.Speed);
    EXPECT_EQ(s.Sensitivity, designed.Sensitivity);
    EXPECT_EQ(s.InvertY, designed.InvertY);
    EXPECT_EQ(s.FieldOfView, designed.FieldOfView);
    EXPECT_EQ(s.WaterHeight, designed.WaterHeight);
    EXPECT_EQ(s.Haze, designed.Haze);

    // Each variable reaches its own setting.
    ConsolePrinted(
        "cam_speed 250; in_mouse_sensitivity 0.002; in_invert_y 1; cam_fov 60; r_water_height 50; r_haze 0.25");
    ApplyWorldSettings(app, s);
    EXPECT_EQ(s.Speed, 250.0f);
    EXPECT_EQ(s.Sensitivity, 0.002f);
    EXPECT_EQ(s.InvertY, 1u);
    EXPECT_EQ(s.FieldOfView, 60.0f);
    EXPECT_EQ(s.WaterHeight, 50.0f);
    EXPECT_EQ(s.Haze, 0.25f);
    ConsolePrinted("r_water_height 100; r_haze 1");
}

TEST(AppCommands, TerrainImagesAreCheckedAndTheReasonNamed)
{
    ZNScratchFolder dir;
    dir.Write("broken.png", "\x89PNG\r\n\x1a\n this is not a png");
    dir.Write("text.png", "hello");
    ZNString why;
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/missing.png").c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "/missing.png' does not exist or cannot be opened");
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/broken.png").c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "/broken.png' is not a PNG file (no IHDR chunk at the start)");
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/text.png").c_str(), why));
    EXPECT_FALSE(CheckTerrainImage(dir.Path.c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "' is a folder");
    const std::string real = std::string(ZN_TEST_SOURCE_DIR) + "/data/Colormap.png";
    EXPECT_TRUE(CheckTerrainImage(real.c_str(), why)) << why.CStr();
}
