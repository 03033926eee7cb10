// The settings file and the key bindings without a window: what is written
// reads back as the same state, a broken file changes nothing and is kept,
// writes happen only on a change; key names, held actions and bound lines.
#include "application/ZNApplication.h"

#include "common/ZNTestConsole.h"
#include "files/ZNFileIO.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <ctype.h>

#include <random>
#include <set>
#include <string>

namespace
{
std::string Read(const std::string& path)
{
    ZNString text;
    if (!ReadTextFile(ZNConsolePathToEngineName(path.c_str()), text))
        return "<missing>";
    return text.CStr();
}

void Write(const std::string& path, const std::string& text)
{
    ZNPodArray<UINT8> bytes;
    for (char c : text)
        bytes.Add((UINT8)c);
    ASSERT_TRUE(WriteArrayToBinaryFile(ZNConsolePathToEngineName(path.c_str()), bytes));
}

std::string Text(const ZNApp& app)
{
    return app.Config.Text(app.Bindings).CStr();
}
}   // namespace

TEST(ConfigFile, WhatIsWrittenReadsBackAsTheSameSettingsAndBindings)
{
    ZNScratchFolder dir;
    std::string     written;
    {
        ZNApp app;
        app.Config.Folder = ZNString(dir.Root.c_str());
        ASSERT_EQ(app.Config.Load(app.Bindings), ZNCL_Missing);
        EXPECT_TRUE(app.Config.Save(app.Bindings));
        EXPECT_EQ(Read(dir.Root + "config.cfg"), "<missing>") << "nothing changed: nothing written";

        ConsolePrinted("set cam_fov 71; set in_mouse_sensitivity 0.0123; set r_stats 1; set vid_width 800");
        ConsolePrinted("bind F5 \"echo a; echo b\"; bind q screenshot \"my shot.png\"; unbind W; bind KP_PLUS +speed");
        EXPECT_EQ(std::string(app.Bindings.Command('Q').CStr()), "screenshot \"my shot.png\"");
        ASSERT_TRUE(app.Config.Save(app.Bindings));
        written = Read(dir.Root + "config.cfg");
        EXPECT_EQ(written, Text(app));
        EXPECT_EQ(Read(dir.Root + "config.cfg.tmp"), "<missing>") << "the temporary file was renamed";
    }
    ZNApp again;
    again.Config.Folder = ZNString(dir.Root.c_str());
    EXPECT_NE(Text(again), written) << "a fresh start holds the defaults";
    ASSERT_EQ(again.Config.Load(again.Bindings), ZNCL_Read);
    EXPECT_EQ(Text(again), written);
    EXPECT_EQ(again.CamFov.Get(), 71.0f);
    EXPECT_EQ(again.WindowWidth.GetInt(), 800);
    EXPECT_TRUE(again.Bindings.Command('W').Empty()) << "an unbound default stays unbound";
    EXPECT_EQ(std::string(again.Bindings.Command('Q').CStr()), "screenshot \"my shot.png\"");
    EXPECT_EQ(std::string(again.Bindings.Command(ZNKeyFromName("F5")).CStr()), "echo a; echo b");

    // reset and resetall go back to the defaults, and cvarlist shows them.
    ConsolePrinted("reset cam_fov");
    EXPECT_EQ(again.CamFov.Get(), ZNFlyFieldOfView);
    EXPECT_NE(ConsolePrinted("cvarlist r_stats")[0].find("1        default 0 "), std::string::npos);
    ConsolePrinted("resetall");
    EXPECT_EQ(again.Stats.GetInt(), 0);
    EXPECT_EQ(again.WindowWidth.GetInt(), 1024);
    EXPECT_EQ(std::string(again.Bindings.Command('W').CStr()), "+forward");
    EXPECT_TRUE(again.Bindings.Command('Q').Empty());
}

TEST(ConfigFile, ABrokenFileIsNamedIgnoredAndKeptUntilASettingChanges)
{
    static const char binary[] = "set cam_fov 60\n\0\x01\x02garbage";
    const std::string broken[] = {
        "set cam_fov 60\nthis is not a setting\n",
        "set cam_fov 60\nbind F5 \"echo open\n",
        "set cam_fov sixty\n",
        "set cam_fov 60\nbind NOKEY quit\n",
        "set cam_fov 60\nset r_stats 1 2\n",
        std::string(binary, sizeof(binary) - 1),
    };
    for (size_t i = 0; i < sizeof(broken) / sizeof(broken[0]); ++i)
    {
        ZNScratchFolder   dir;
        const std::string path    = dir.Root + "config.cfg";
        const std::string content = broken[i];
        Write(path, content);
        ZNApp app;
        app.Config.Folder = ZNString(dir.Root.c_str());
        EXPECT_EQ(app.Config.Load(app.Bindings), ZNCL_Broken) << i;
        EXPECT_EQ(app.CamFov.Get(), ZNFlyFieldOfView) << "no line of a broken file applies: " << i;
        app.Config.Save(app.Bindings);
        EXPECT_EQ(Read(path + ".bad"), "<missing>") << i;
        ZNString kept;
        ReadTextFile(ZNConsolePathToEngineName(path.c_str()), kept);
        EXPECT_EQ(std::string(kept.CStr(), kept.Size()), content) << "untouched while nothing changed: " << i;

        app.CamFov.Set(50.0f);
        EXPECT_TRUE(app.Config.Save(app.Bindings));
        EXPECT_EQ(Read(path), Text(app)) << i;
        ZNString bad;
        ReadTextFile(ZNConsolePathToEngineName((path + ".bad").c_str()), bad);
        EXPECT_EQ(std::string(bad.CStr(), bad.Size()), content) << "the broken file is kept beside: " << i;
    }

    // A folder where the file should be cannot be read: named, not fatal, and
    // moved aside like a broken file at the first change.
    ZNScratchFolder dir;
    MakeDirectory(ZNConsolePathToEngineName((dir.Root + "config.cfg").c_str()));
    {
        ZNApp app;
        app.Config.Folder = ZNString(dir.Root.c_str());
        EXPECT_EQ(app.Config.Load(app.Bindings), ZNCL_Broken);
        EXPECT_TRUE(app.Config.Save(app.Bindings));
        EXPECT_TRUE(IsDirectory(ZNConsolePathToEngineName((dir.Root + "config.cfg").c_str())));
        app.CamFov.Set(40.0f);
        EXPECT_TRUE(app.Config.Save(app.Bindings));
        EXPECT_TRUE(IsDirectory(ZNConsolePathToEngineName((dir.Root + "config.cfg.bad").c_str())));
        EXPECT_EQ(Read(dir.Root + "config.cfg"), Text(app));
    }

    // A folder that cannot be made: the write fails, says so once, and the
    // program goes on.
    Write(dir.Root + "file", "x");
    ZNApp blocked;
    blocked.Config.Folder = ZNString((dir.Root + "file/below/").c_str());
    EXPECT_EQ(blocked.Config.Load(blocked.Bindings), ZNCL_Missing);
    blocked.CamFov.Set(30.0f);
    EXPECT_FALSE(blocked.Config.Save(blocked.Bindings));
}

// Save runs every frame: it builds the file's text exactly when a setting or
// binding changed since the last call, and writes exactly when that text
// differs from the file's. Random steps, each changing at most one thing; the
// file is removed before each Save so a write shows.
TEST(ConfigFile, SaveBuildsTheTextOnlyAfterAChangeAndWritesOnlyWhatChanged)
{
    ZNScratchFolder   dir;
    const std::string path = dir.Root + "config.cfg";
    ZNApp             app;
    app.Config.Folder = ZNString(dir.Root.c_str());
    ASSERT_EQ(app.Config.Load(app.Bindings), ZNCL_Missing);
    ZNConVar* nothing = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString("__nothing")));
    ASSERT_NE(nothing, nullptr);

    std::mt19937 random(21);
    std::string  before = Text(app);
    UINT32       builds = 0;
    UINT32       writes = 0;
    for (int step = 0; step < 400; ++step)
    {
        const UINT32 pick = random() % 3;
        switch (random() % 7)
        {
        case 0: app.CamFov.Set(60.0f + 10.0f * (float)pick); break;
        case 1: app.Stats.Set((float)(pick & 1)); break;
        case 2: app.WindowWidth.Set(app.WindowWidth.Get()); break;   // what every frame does
        case 3: nothing->Set((float)pick); break;                    // not a setting
        case 4: app.Bindings.Bind(ZNK_F5 + (pick & 1), ZNString(pick == 2 ? "" : "echo step")); break;
        case 5: ConsolePrinted(pick ? "set cam_speed 250" : "set cam_speed 100"); break;
        default: break;   // a frame where nothing happens
        }
        const std::string now     = Text(app);
        const bool        changed = now != before;
        const UINT32      built   = app.Config.TextBuilds;
        remove(path.c_str());
        EXPECT_TRUE(app.Config.Save(app.Bindings));
        EXPECT_EQ(app.Config.TextBuilds - built, changed ? 1u : 0u) << "step " << step;
        EXPECT_EQ(Read(path), changed ? now : "<missing>") << "step " << step;
        builds += changed ? 1 : 0;
        writes += Read(path) != "<missing>" ? 1 : 0;
        before = now;
    }
    EXPECT_GT(builds, 100u) << "the steps changed things often";
    EXPECT_EQ(writes, builds);

    // A change undone before the next Save builds the text once and writes nothing.
    const UINT32 built = app.Config.TextBuilds;
    app.CamFov.Set(app.CamFov.Get() + 1.0f);
    app.CamFov.Set(app.CamFov.Get() - 1.0f);
    EXPECT_TRUE(app.Config.Save(app.Bindings));
    EXPECT_EQ(app.Config.TextBuilds, built + 1);
    EXPECT_EQ(Read(path), "<missing>");
    nothing->Set(0.0f);   // the built-in variable as the other suites expect it
}

TEST(ConfigFile, AnUnknownSettingIsSkippedAndTheRestApplies)
{
    ZNScratchFolder dir;
    Write(dir.Root + "config.cfg", "# comment\n\n  set no_such_thing 3\r\nSET cam_fov 45\nset __nothing 5\n");
    ZNApp app;
    app.Config.Folder = ZNString(dir.Root.c_str());
    EXPECT_EQ(app.Config.Load(app.Bindings), ZNCL_Read);
    EXPECT_EQ(app.CamFov.Get(), 45.0f);
    ZNConVar* nothing = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString("__nothing")));
    ASSERT_NE(nothing, nullptr);
    EXPECT_EQ(nothing->Get(), 0.0f) << "a variable that is not a setting is not set from the file";
}

TEST(KeyNames, EveryNamedKeyReadsBackAndNamesAreUnique)
{
    std::set<std::string> names;
    UINT32                named = 0;
    for (UINT32 code = 1; code < ZNBindings::KeyCount; ++code)
    {
        const std::string name = ZNKeyName(code).CStr();
        if (name[0] == '#')
            continue;
        ++named;
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(ZNKeyFromName(name.c_str()), code) << name;
        std::string lower = name;
        for (char& c : lower)
            c = (char)tolower((unsigned char)c);
        EXPECT_EQ(ZNKeyFromName(lower.c_str()), code) << lower;
    }
    EXPECT_GE(named, 36u + 12u + 3u);
    for (const char* no : { "", "F0", "F13", "F01", "F1x", "WW", "MOUSE9", "#65" })
        EXPECT_EQ(ZNKeyFromName(no), 0u) << no;
}

TEST(Bindings, ActionsFollowTheKeysThatPressedThemAndLinesRunOncePerPress)
{
    ZNBindings b;
    b.SetDefaults();
    ZNConsole console;
    b.Console = &console;
    b.Bind('Z', ZNString("+forward"));
    b.Bind(ZNK_F5, ZNString("echo pressed"));

    b.OnFrame();
    b.OnKey('W', true);
    EXPECT_EQ(b.ActionState(ZNA_Forward), (UINT32)ZNKS_Pressed);
    b.OnFrame();
    b.OnKey('Z', true);
    b.OnKey('W', false);
    EXPECT_EQ(b.ActionState(ZNA_Forward), (UINT32)ZNKS_Held) << "Z still holds it";
    // Rebinding Z while it is down: its release still lets go of +forward.
    b.Bind('Z', ZNString("+back"));
    b.OnFrame();
    b.OnKey('Z', false);
    EXPECT_EQ(b.ActionState(ZNA_Forward), (UINT32)ZNKS_Released);
    EXPECT_EQ(b.ActionState(ZNA_Back), (UINT32)ZNKS_Up);
    b.OnFrame();
    EXPECT_EQ(b.ActionState(ZNA_Forward), (UINT32)ZNKS_Up);

    // A tap within one poll reads pressed; the next poll up.
    b.OnKey(ZNK_LShift, true);
    b.OnKey(ZNK_LShift, false);
    EXPECT_EQ(b.ActionState(ZNA_Speed), (UINT32)ZNKS_Pressed);
    b.OnFrame();
    EXPECT_EQ(b.ActionState(ZNA_Speed), (UINT32)ZNKS_Up);

    // A line runs at the press only, not for the platform's repeats.
    b.OnKey(ZNK_F5, true);
    b.OnKey(ZNK_F5, true);
    b.OnKey(ZNK_F5, true);
    b.OnKey(ZNK_F5, false);
    b.OnKey(ZNK_F5, true);
    UINT32 runs = 0;
    for (UINT32 i = 0; i < console.History.Size(); ++i)
        runs += console.History[i].Text == "pressed" ? 1 : 0;
    EXPECT_EQ(runs, 2u);

    EXPECT_FALSE(b.Bind(ZNK_Console, ZNString("quit"))) << "the console key is the console's";
    EXPECT_TRUE(b.Command(ZNK_Escape).Empty()) << "no key quits by default";
    const UINT32 before = b.Revision;
    b.Bind(ZNK_F5, ZNString("echo pressed"));
    EXPECT_EQ(b.Revision, before) << "the same binding again is no change";
    b.Unbind(ZNK_F5);
    EXPECT_NE(b.Revision, before);
}

TEST(Bindings, TheBindCommandsReportAndRefuse)
{
    ZNApp app;
    EXPECT_EQ(ConsolePrinted("bind f3"), (ConsoleLines{ "F3: toggle r_stats" }));
    EXPECT_EQ(ConsolePrinted("bind nokey quit"),
              (ConsoleLines{ "bind: 'nokey' is not a key name (bindlist shows some)" }));
    EXPECT_EQ(ConsolePrinted("bind x +jump")[0].rfind("bind: '+jump' is no action", 0), 0u);
    EXPECT_TRUE(app.Bindings.Command('X').Empty());
    EXPECT_EQ(ConsolePrinted("unbind F3"), (ConsoleLines{ "F3 is not bound" }));
    const ConsoleLines list = ConsolePrinted("bindlist");
    EXPECT_EQ(list.back(), "9 bindings");
    EXPECT_EQ(ConsolePrinted("unbindall; bindlist").back(), "0 bindings");
}
