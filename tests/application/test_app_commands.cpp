// The application's commands and variables without a window: argument errors,
// what they act on, how long they exist, and where screenshots go.
#include "application/ZNApplication.h"

#include "common/ZNTestConsole.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <string>
#include <vector>

namespace
{

// 2023-04-05 06:07:08 in local time.
long long KnownTime()
{
    struct tm t = {};
    t.tm_year   = 123;
    t.tm_mon    = 3;
    t.tm_mday   = 5;
    t.tm_hour   = 6;
    t.tm_min    = 7;
    t.tm_sec    = 8;
    t.tm_isdst  = -1;
    return (long long)mktime(&t);
}
}

TEST(AppCommands, ArgumentErrorsPrintUsageAndChangeNothing)
{
    ZNApp app;
    EXPECT_EQ(ConsolePrinted("quit now"), (ConsoleLines{ "usage: quit" }));
    EXPECT_FALSE(app.QuitRequested);
    EXPECT_EQ(ConsolePrinted("screenshot a.png b.png"), (ConsoleLines{ "usage: screenshot [FILE]" }));
    EXPECT_FALSE(app.ScreenshotWanted);
    EXPECT_EQ(ConsolePrinted("where x"), (ConsoleLines{ "usage: where" }));
    EXPECT_EQ(ConsolePrinted("where"), (ConsoleLines{ "where: no window yet" }));
    EXPECT_EQ(ConsolePrinted("reloadshaders x"), (ConsoleLines{ "usage: reloadshaders" }));
    EXPECT_EQ(ConsolePrinted("reloadshaders"), (ConsoleLines{ "reloadshaders: no window" }));
    EXPECT_EQ(ConsolePrinted("benchmark 1 2"), (ConsoleLines{ "usage: benchmark [SECONDS]" }));
    for (const char* bad : { "benchmark abc", "benchmark 0", "benchmark -3", "benchmark 5s", "benchmark 4000" })
    {
        const ConsoleLines out = ConsolePrinted(bad);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NE(out[0].find("is not a number of seconds from 0 to 3600"), std::string::npos) << out[0];
    }
    EXPECT_EQ(ConsolePrinted("benchmark 5"), (ConsoleLines{ "benchmark: no window yet" }));
    EXPECT_FALSE(app.Bench.IsRunning());

    ConsolePrinted("screenshot \"my shot.png\"; quit");
    EXPECT_TRUE(app.ScreenshotWanted);
    EXPECT_EQ(std::string(app.ScreenshotPath.CStr()), "my shot.png");
    EXPECT_TRUE(app.QuitRequested);
}

TEST(AppCommands, CommandsAndVariablesLiveWithTheirApplication)
{
    const char* const names[] = { "quit",        "where",     "screenshot",     "reloadshaders",
                                  "benchmark",   "cam_speed", "cam_fov",        "in_mouse_sensitivity",
                                  "in_invert_y", "vid_vsync", "vid_fullscreen", "r_stats" };
    for (const char* name : names)
        EXPECT_EQ(ZNConComFind(ZNString(name)), nullptr) << name << " before any application";
    {
        ZNApp first;
        for (const char* name : names)
        {
            ZNConCom* cc = ZNConComFind(ZNString(name));
            ASSERT_NE(cc, nullptr) << name;
            EXPECT_FALSE(cc->Description.Empty()) << name;
        }
        ConsolePrinted("cam_fov 60; in_invert_y 1; quit");
        EXPECT_EQ(first.CamFov.Get(), 60.0f);
        EXPECT_EQ(first.InvertY.GetInt(), 1);
        EXPECT_TRUE(first.QuitRequested) << "the command acts on its own application";
    }
    for (const char* name : names)
        EXPECT_EQ(ZNConComFind(ZNString(name)), nullptr) << name << " after the application";

    // A later application starts from the defaults and receives the commands.
    ZNApp second;
    EXPECT_EQ(second.CamFov.Get(), ZNFlyFieldOfView);
    EXPECT_EQ(second.CamSpeed.Get(), ZNFlySpeed);
    EXPECT_EQ(second.MouseSensitivity.Get(), ZNFlyMouseSensitivity);
    EXPECT_EQ(second.InvertY.GetInt(), 0);
    EXPECT_FALSE(second.QuitRequested);
    ConsolePrinted("screenshot shot.png");
    EXPECT_TRUE(second.ScreenshotWanted);
    EXPECT_EQ(std::string(second.ScreenshotPath.CStr()), "shot.png");
}

TEST(AppCommands, ScreenshotsGoBesideTheProgramOrElseHome)
{
    ZNScratchFolder   dir;
    const long long   t        = KnownTime();
    const std::string expected = dir.Path + "/screenshots/Vendrapolis-20230405-060708.png";
    EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Vendrapolis", (dir.Path + "/").c_str(), "/nonexistent", t).CStr()),
              expected);
    struct stat st;
    EXPECT_EQ(stat((dir.Path + "/screenshots").c_str(), &st), 0) << "the folder is made";

    dir.Write("screenshots/Vendrapolis-20230405-060708.png", "x");
    dir.Write("screenshots/Vendrapolis-20230405-060708-2.png", "x");
    EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Vendrapolis", dir.Path.c_str(), nullptr, t).CStr()),
              dir.Path + "/screenshots/Vendrapolis-20230405-060708-3.png")
        << "taken names are skipped";

    const std::string file = dir.Path + "/plain";
    dir.Write("plain", "x");
    EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Vendrapolis", file.c_str(), dir.Path.c_str(), t).CStr()),
              dir.Path + "/Vendrapolis-20230405-060708.png")
        << "a file where the folder should be";
}

TEST(AppCommands, ScreenshotsGoHomeWhenTheProgramFolderIsReadOnly)
{
    // A folder below a regular file can be neither made nor written, whoever runs
    // the test (root included).
    ZNScratchFolder ro, home;
    const long long t = KnownTime();
    ro.Write("file", "x");
    const std::string unwritable = ro.Path + "/file/bin";
    EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Vendrapolis", unwritable.c_str(), home.Path.c_str(), t).CStr()),
              home.Path + "/Vendrapolis-20230405-060708.png");
    EXPECT_TRUE(ZNDefaultScreenshotPath("Vendrapolis", unwritable.c_str(), unwritable.c_str(), t).Empty())
        << "neither folder writable";
    EXPECT_TRUE(ZNDefaultScreenshotPath("Vendrapolis", unwritable.c_str(), "", t).Empty()) << "no home";
#ifndef _WIN32
    // A folder that exists but refuses new files (its mode has no write bit).
    if (geteuid() != 0)
    {
        ASSERT_EQ(chmod(ro.Path.c_str(), 0500), 0);
        EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Vendrapolis", ro.Path.c_str(), home.Path.c_str(), t).CStr()),
                  home.Path + "/Vendrapolis-20230405-060708.png");
        chmod(ro.Path.c_str(), 0700);
    }
#endif
    // Screenshots are named after the program.
    EXPECT_EQ(std::string(ZNDefaultScreenshotPath("Gallery", unwritable.c_str(), home.Path.c_str(), t).CStr()),
              home.Path + "/Gallery-20230405-060708.png");
}
