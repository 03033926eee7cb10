// The demo's commands without a window: argument errors, the variables that feed
// the world's settings, and terrain images that cannot be used.
#include "AppCommands.h"
#include "VoxelWorld.h"

#include "common/ZNTestConsole.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

TEST(AppCommands, TerrainMapsAreDecodedOrTheFileAndTheReasonNamed)
{
    ZNScratchFolder dir;
    dir.Write("broken.png", "\x89PNG\r\n\x1a\n this is not a png");
    dir.Write("text.png", "hello");
    const std::string data    = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    const std::string good[2] = { data + "Heightmap.png", data + "Colormap.png" };
    // Each bad file, as the height map and as the colour map, next to a good one.
    const struct
    {
        std::string Path;
        const char* Reason;   // what follows the quoted name; null: any reason
    } bad[] = { { dir.Path + "/missing.png", "does not exist or cannot be opened" },
                { dir.Path + "/broken.png", "is not a PNG file (no IHDR chunk at the start)" },
                { dir.Path + "/text.png", nullptr },
                { dir.Path, "is a folder" } };
    for (const auto& b : bad)
        for (int position = 0; position < 2; ++position)
        {
            std::string paths[2] = { good[0], good[1] };
            paths[position]      = b.Path;
            VoxTerrainMaps maps;
            ZNString       why;
            EXPECT_FALSE(ReadTerrainMaps(paths[0].c_str(), paths[1].c_str(), maps, why)) << b.Path;
            const std::string said = why.CStr(), named = "'" + b.Path + "' ";
            EXPECT_EQ(said.substr(0, named.size()), named) << "map " << position;
            if (b.Reason)
            {
                EXPECT_EQ(said.substr(named.size()), b.Reason) << "map " << position;
            }
            EXPECT_EQ(maps.Height.Samples.Size() + maps.Color.Pixels.Size(), 0u) << said;
        }
    VoxTerrainMaps maps;
    ZNString       why;
    ASSERT_TRUE(ReadTerrainMaps(good[0].c_str(), good[1].c_str(), maps, why)) << why.CStr();
    // The heights are the grey decode of the first file, the colours the second.
    ZNImage heights, colours;
    ASSERT_TRUE(LoadImageFile(good[0].c_str(), heights) && LoadImageFile(good[1].c_str(), colours));
    ZNGreyImage grey;
    GreyFromRed(heights, grey);
    ASSERT_TRUE(grey.Width == maps.Height.Width && grey.Samples.Size() == maps.Height.Samples.Size());
    EXPECT_EQ(memcmp(grey.Samples.begin(), maps.Height.Samples.begin(), grey.Samples.Size() * 2), 0);
    ASSERT_TRUE(colours.Width == maps.Color.Width && colours.Pixels.Size() == maps.Color.Pixels.Size());
    EXPECT_EQ(memcmp(colours.Pixels.begin(), maps.Color.Pixels.begin(), colours.Pixels.Size() * 4), 0);
}
