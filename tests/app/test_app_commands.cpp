// The program's commands without a window: argument errors, where screenshots go,
// and terrain images that cannot be used.
#include "AppCommands.h"

#include "common/ZNTestFiles.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> Printed(const char* line)
{
    ZNConsole c;
    c.Execute(line);
    std::vector<std::string> out;
    for (UINT32 i = 0; i < c.History.Size(); ++i)
        out.push_back(c.History[i].Text.CStr());
    return out;
}

typedef std::vector<std::string> Out;

// A scratch folder named without its trailing separator.
struct Scratch : ZNScratchDir
{
    const std::string Path = Root.substr(0, Root.size() - 1);
};

// 2023-04-05 06:07:08 in local time.
long long KnownTime()
{
    struct tm t = {};
    t.tm_year = 123;
    t.tm_mon = 3;
    t.tm_mday = 5;
    t.tm_hour = 6;
    t.tm_min = 7;
    t.tm_sec = 8;
    t.tm_isdst = -1;
    return (long long)mktime(&t);
}
}

TEST(AppCommands, ArgumentErrorsPrintUsageAndChangeNothing)
{
    GApp = AppState();
    EXPECT_EQ(Printed("quit now"), (Out{ "usage: quit" }));
    EXPECT_FALSE(GApp.QuitRequested);
    EXPECT_EQ(Printed("screenshot a.png b.png"), (Out{ "usage: screenshot [FILE]" }));
    EXPECT_FALSE(GApp.ScreenshotWanted);
    EXPECT_EQ(Printed("map only.png"), (Out{ "usage: map HEIGHT.png COLOUR.png" }));
    EXPECT_EQ(Printed("map a.png b.png"), (Out{ "map: no world yet" }));
    EXPECT_EQ(Printed("reloadshaders x"), (Out{ "usage: reloadshaders" }));
    EXPECT_EQ(Printed("reloadshaders"), (Out{ "reloadshaders: no window" }));
    EXPECT_EQ(Printed("benchmark 1 2"), (Out{ "usage: benchmark [SECONDS]" }));
    for (const char* bad : { "benchmark abc", "benchmark 0", "benchmark -3", "benchmark 5s", "benchmark 4000" })
    {
        const Out out = Printed(bad);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NE(out[0].find("is not a number of seconds from 0 to 3600"), std::string::npos) << out[0];
    }
    EXPECT_FALSE(GApp.Bench.IsRunning());

    Printed("screenshot \"my shot.png\"; quit");
    EXPECT_TRUE(GApp.ScreenshotWanted);
    EXPECT_EQ(std::string(GApp.ScreenshotPath.CStr()), "my shot.png");
    EXPECT_TRUE(GApp.QuitRequested);
    GApp = AppState();
}

TEST(AppCommands, VariablesFollowTheNamingSchemeAndFeedTheWorldSettings)
{
    for (const char* name : { "cam_speed", "cam_fov", "in_mouse_sensitivity", "in_invert_y", "r_water_height", "r_haze",
                              "vid_vsync", "vid_fullscreen", "r_stats" })
    {
        ZNConVar* var = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString(name)));
        ASSERT_NE(var, nullptr) << name;
        EXPECT_FALSE(var->Description.Empty()) << name;
    }
    EXPECT_EQ(GWaterHeight.Get(), 100.0f);
    EXPECT_EQ(GHaze.Get(), 1.0f);
    EXPECT_EQ(GCamSpeed.Get(), VoxSpeed);
    EXPECT_EQ(GCamFov.Get(), VoxFieldOfView);
}

TEST(AppCommands, ScreenshotsGoBesideTheProgramOrElseHome)
{
    Scratch dir;
    const long long t = KnownTime();
    const std::string expected = dir.Path + "/screenshots/Vendrapolis-20230405-060708.png";
    EXPECT_EQ(std::string(DefaultScreenshotPath((dir.Path + "/").c_str(), "/nonexistent", t).CStr()), expected);
    struct stat st;
    EXPECT_EQ(stat((dir.Path + "/screenshots").c_str(), &st), 0) << "the folder is made";

    dir.Write("screenshots/Vendrapolis-20230405-060708.png", "x");
    dir.Write("screenshots/Vendrapolis-20230405-060708-2.png", "x");
    EXPECT_EQ(std::string(DefaultScreenshotPath(dir.Path.c_str(), nullptr, t).CStr()),
              dir.Path + "/screenshots/Vendrapolis-20230405-060708-3.png") << "taken names are skipped";

    const std::string file = dir.Path + "/plain";
    dir.Write("plain", "x");
    EXPECT_EQ(std::string(DefaultScreenshotPath(file.c_str(), dir.Path.c_str(), t).CStr()),
              dir.Path + "/Vendrapolis-20230405-060708.png") << "a file where the folder should be";
}

TEST(AppCommands, ScreenshotsGoHomeWhenTheProgramFolderIsReadOnly)
{
#ifdef _WIN32
    GTEST_SKIP() << "a folder cannot be made read-only on Windows (its read-only attribute does not stop new files)";
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere: the fallback cannot be provoked";
    Scratch ro, home;
    const long long t = KnownTime();
    ASSERT_EQ(chmod(ro.Path.c_str(), 0500), 0);
    EXPECT_EQ(std::string(DefaultScreenshotPath(ro.Path.c_str(), home.Path.c_str(), t).CStr()),
              home.Path + "/Vendrapolis-20230405-060708.png");
    EXPECT_TRUE(DefaultScreenshotPath(ro.Path.c_str(), "/nonexistent", t).Empty());
    chmod(ro.Path.c_str(), 0700);
#endif
}

TEST(AppCommands, TerrainImagesAreCheckedAndTheReasonNamed)
{
    Scratch dir;
    dir.Write("broken.png", "\x89PNG\r\n\x1a\n this is not a png");
    dir.Write("text.png", "hello");
    ZNString why;
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/missing.png").c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "/missing.png' does not exist or cannot be opened");
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/broken.png").c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "/broken.png' is not a PNG file this program can decode");
    EXPECT_FALSE(CheckTerrainImage((dir.Path + "/text.png").c_str(), why));
    EXPECT_FALSE(CheckTerrainImage(dir.Path.c_str(), why));
    EXPECT_EQ(std::string(why.CStr()), "'" + dir.Path + "' is a folder");
    const std::string real = std::string(ZN_TEST_SOURCE_DIR) + "/data/Colormap.png";
    EXPECT_TRUE(CheckTerrainImage(real.c_str(), why)) << why.CStr();
}
