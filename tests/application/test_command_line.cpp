// The standard command line as a program extends it: its options after the
// standard ones, its values through its own pointer, and the exit codes.
#include "application/ZNCommandLine.h"

#include "application/ZNConfig.h"
#include "common/ZNTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct LevelOptions
{
    UINT32      Level = 1;
    std::string Name;
    int         Calls = 0;
};

bool ApplyLevel(void* user, const char* const* values, ZNString& error)
{
    LevelOptions& o = *static_cast<LevelOptions*>(user);
    ++o.Calls;
    return ZNReadCountOption("--level", values[0], 1, 9, o.Level, error);
}

bool ApplyPlayer(void* user, const char* const* values, ZNString&)
{
    LevelOptions& o = *static_cast<LevelOptions*>(user);
    ++o.Calls;
    o.Name = std::string(values[0]) + "/" + values[1];
    return true;
}

struct Game
{
    LevelOptions  Own;
    ZNCommandLine Line{ "Game", "Game 2.0" };
    Game()
    {
        Line.AddOption("--level", "N", 1, "start at level N", ApplyLevel, &Own);
        Line.AddOption("--player", "NAME TEAM", 2, "who plays", ApplyPlayer, &Own);
    }
    ZNAppParseResult Parse(std::vector<const char*> args, ZNAppOptions& options, std::string& message)
    {
        args.insert(args.begin(), "game");
        ZNString               m;
        const ZNAppParseResult r = Line.Parse((int)args.size(), args.data(), options, m);
        message                  = m.CStr();
        return r;
    }
    int Run(std::vector<const char*> args)
    {
        args.insert(args.begin(), "game");
        ZNAppOptions options;
        return Line.Run((int)args.size(), args.data(), options);
    }
};
}

TEST(CommandLine, ProgramOptionsJoinTheStandardOnes)
{
    Game         g;
    ZNAppOptions options;
    std::string  message;
    ASSERT_EQ(g.Parse({ "--level", "3", "--width", "640", "--player", "ann", "red", "--fullscreen", "+echo", "hi" },
                      options, message),
              ZNAPR_Run)
        << message;
    EXPECT_EQ(g.Own.Level, 3u);
    EXPECT_EQ(g.Own.Name, "ann/red");
    EXPECT_EQ(g.Own.Calls, 2);
    EXPECT_EQ(options.Width, 640u);
    EXPECT_EQ(options.Height, 576u);
    EXPECT_EQ(options.Fullscreen, 1u);
    ASSERT_EQ(options.Commands.Size(), 1u);
    EXPECT_EQ(std::string(options.Commands[0].CStr()), "echo hi");

    // The usage lists the standard options first, the program's after them in
    // the order added, and names the program.
    const std::string usage = g.Line.Usage().CStr();
    EXPECT_EQ(usage.rfind("usage: Game [options] [+command args ...]\n", 0), 0u) << usage;
    size_t last = 0;
    for (const char* option : { "--help", "--version", "--width W", "--height H", "--fullscreen", "--config-dir PATH",
                                "--level N", "--player NAME TEAM", "+command args" })
    {
        const size_t at = usage.find(std::string("\n  ") + option);
        ASSERT_NE(at, std::string::npos) << option;
        EXPECT_GT(at, last) << option;
        last = at;
    }

    // A program option's mistake is named like a standard one's and ends with the usage.
    ZNAppOptions bad;
    EXPECT_EQ(g.Parse({ "--level", "10" }, bad, message), ZNAPR_Error);
    EXPECT_EQ(message, "--level: '10' is not a whole number from 1 to 9\n" + usage);
    EXPECT_EQ(g.Parse({ "--player", "ann" }, bad, message), ZNAPR_Error);
    EXPECT_EQ(message, "--player needs NAME TEAM\n" + usage);
    EXPECT_EQ(g.Parse({ "--version" }, bad, message), ZNAPR_Exit);
    EXPECT_EQ(message, "Game 2.0\n");
}

TEST(CommandLine, RunAnswersTheExitCode)
{
    Game g;
    EXPECT_EQ(g.Run({}), -1) << "nothing asked: the program runs";
    EXPECT_EQ(g.Run({ "--level", "2", "+quit" }), -1);
    EXPECT_EQ(g.Run({ "--version" }), 0);
    EXPECT_EQ(g.Run({ "--help", "--bogus" }), 0) << "help ends the reading";
    EXPECT_EQ(g.Run({ "--bogus" }), 2);
    EXPECT_EQ(g.Run({ "--level", "0" }), 2);
    EXPECT_EQ(g.Run({ "+" }), 2);
}

// --config-dir names the settings folder: read as it is, made by Run with
// every folder above it, and a name that cannot be a folder is a mistake on the
// command line. It wins over ZN_CONFIG_DIR.
TEST(CommandLine, TheSettingsFolderIsMadeOrItsNameIsAMistake)
{
    ZNScratchDir      dir;
    const std::string deep     = dir.Root + "a/b/c";
    const auto        isFolder = [](const std::string& path)
    {
        struct stat st;
        return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    Game         g;
    ZNAppOptions options;
    std::string  message;
    ASSERT_EQ(g.Parse({ "--config-dir", deep.c_str(), "+quit" }, options, message), ZNAPR_Run) << message;
    EXPECT_EQ(std::string(options.ConfigDir.CStr()), deep);
    EXPECT_FALSE(isFolder(dir.Root + "a")) << "reading the line makes nothing";

    EXPECT_EQ(g.Run({ "--config-dir", deep.c_str() }), -1);
    EXPECT_TRUE(isFolder(deep));
    EXPECT_EQ(g.Run({ "--config-dir", (deep + "/").c_str() }), -1) << "a folder already there is fine";

    dir.Write("file", "x");
    for (const std::string& bad : { dir.Root + "file", dir.Root + "file/below", std::string() })
        EXPECT_EQ(g.Run({ "--config-dir", bad.c_str() }), 2) << bad;
    EXPECT_FALSE(isFolder(dir.Root + "file/below"));
    EXPECT_EQ(g.Run({ "--config-dir" }), 2);

    const ZNEnvSetting env("ZN_CONFIG_DIR", (dir.Root + "env").c_str());
    EXPECT_EQ(std::string(ZNUserConfigFolder("Game", options.ConfigDir).CStr()), deep + "/");
    EXPECT_EQ(std::string(ZNUserConfigFolder("Game").CStr()), dir.Root + "env/");
}
