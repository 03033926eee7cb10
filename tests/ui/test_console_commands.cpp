// The console's own commands: what each prints and how each refuses bad
// arguments, and variables' descriptions and ranges.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <string.h>
#include <vector>

#include "common/ZNTestFiles.h"
#include "files/ZNFileIO.h"
#include "files/ZNDataPath.h"
#include "test_console_util.h"
#include "ui/ZNConCommands.h"

namespace
{
std::vector<std::string> Lines(const ZNConsole& c, UINT32 from = 0)
{
    std::vector<std::string> out;
    for (UINT32 i = from; i < c.History.Size(); ++i)
        out.push_back(c.History[i].Text.CStr());
    return out;
}

// What one line printed on a fresh console, below its echo.
std::vector<std::string> Printed(const char* line)
{
    ZNConsole c;
    TypeLine(c, line);
    std::vector<std::string> out = Lines(c);
    EXPECT_FALSE(out.empty());
    if (out.empty())
        return out;
    EXPECT_EQ(out.front(), std::string("] ") + line) << "the typed line is echoed first";
    out.erase(out.begin());
    return out;
}

typedef std::vector<std::string> Out;

struct TestVars
{
    ZNConVar Speed{ "zz_speed", 100.0f, 0, 1.0f, 500.0f, nullptr, 0, "how fast it goes" };
    ZNConVar Flag{ "zz_flag", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "a switch" };
    float    steps[3] = { 1.0f, 2.0f, 4.0f };
    ZNConVar Step{ "zz_step", 2.0f, 1, 0.0f, 0.0f, steps, 3, "a choice" };
};

}

// What help says of a variable is what setting it does: every value typed
// ends inside the range help prints (a list, or two ends and maybe "whole
// numbers"), each end or listed value is reached, and help then shows the
// value that was stored.
TEST(ConsoleCommands, HelpDescribesTheRangeThatSettingEnforces)
{
    TestVars    v;
    const float typed[] = { -1e30f, -7.0f, -0.5f, 0.0f,    0.4f,   0.5f,   1.5f,   2.6f,
                            3.0f,   3.5f,  99.5f, 250.25f, 499.7f, 500.0f, 501.0f, 1e30f };
    for (ZNConVar* var : { &v.Speed, &v.Flag, &v.Step })
    {
        const std::string name = var->Name.CStr();
        SCOPED_TRACE(name);
        const Out help = Printed(("help " + name).c_str());
        ASSERT_EQ(help.size(), 2u);
        EXPECT_EQ(help[1], "  " + std::string(var->Description.CStr()));
        const size_t open = help[0].find(" (");
        ASSERT_NE(open, std::string::npos) << help[0];
        ASSERT_EQ(help[0].back(), ')');
        const std::string range = help[0].substr(open + 2, help[0].size() - open - 3);

        // The described set: a list of values, or ends and maybe whole numbers.
        std::vector<float> listed;
        float              low = 0.0f, high = 0.0f;
        const bool         whole = range.find(", whole numbers") != std::string::npos;
        if (range.rfind("one of ", 0) == 0)
        {
            const char* p   = range.c_str() + 7;
            char*       end = nullptr;
            for (float x = strtof(p, &end); end != p; x = strtof(p, &end))
            {
                listed.push_back(x);
                p = end;
            }
            ASSERT_FALSE(listed.empty()) << range;
        }
        else
            ASSERT_EQ(sscanf(range.c_str(), "%f .. %f", &low, &high), 2) << range;

        std::vector<float> reached;
        for (float x : typed)
        {
            char line[64];
            snprintf(line, sizeof(line), "%s %.9g", name.c_str(), x);
            Printed(line);
            const float got = var->Get();
            reached.push_back(got);
            if (!listed.empty())
            {
                EXPECT_NE(std::find(listed.begin(), listed.end(), got), listed.end()) << line << " -> " << got;
            }
            else
            {
                EXPECT_GE(got, low) << line;
                EXPECT_LE(got, high) << line;
            }
            if (whole)
            {
                EXPECT_EQ(got, std::floor(got)) << line;
            }
            const Out shown = Printed(("help " + name).c_str());
            EXPECT_EQ(std::stof(shown[0].substr(name.size() + 3)), got) << shown[0];
        }
        const std::vector<float> ends = listed.empty() ? std::vector<float>{ low, high } : listed;
        for (float e : ends)
            EXPECT_NE(std::find(reached.begin(), reached.end(), e), reached.end()) << "never reached " << e;
    }
    EXPECT_EQ(Printed("help set"), (Out{ "set NAME VALUE", "  sets a variable" }));
    EXPECT_EQ(Printed("help nosuch"), (Out{ "help: no command or variable 'nosuch'" }));
    EXPECT_EQ(Printed("help a b"), (Out{ "usage: help [NAME]" }));
    EXPECT_EQ(Printed("help").size(), 2u);
}

TEST(ConsoleCommands, ListsFilterByPrefixAndCount)
{
    TestVars  v;
    const Out vars = Printed("cvarlist zz_");
    ASSERT_EQ(vars.size(), 4u);
    EXPECT_EQ(vars[0].rfind("zz_flag", 0), 0u) << "in name order";
    EXPECT_NE(vars[0].find("0 .. 1, whole numbers"), std::string::npos);
    EXPECT_NE(vars[0].find("a switch"), std::string::npos);
    EXPECT_NE(vars[1].find("100"), std::string::npos);
    EXPECT_EQ(vars[3], "3 variables");
    const Out all = Printed("cvarlist");
    EXPECT_EQ(all.back(), std::to_string(all.size() - 1) + " variables");
    EXPECT_NE(std::find(all.begin(), all.end() - 1, all[0]), all.end() - 1);
    EXPECT_NE(std::find_if(all.begin(), all.end(), [](const std::string& l) { return l.rfind("__nothing", 0) == 0; }),
              all.end());

    const Out cmds = Printed("cmdlist to");
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].rfind("toggle", 0), 0u);
    EXPECT_EQ(cmds[1], "1 commands");
    const Out none = Printed("cmdlist zz_");
    EXPECT_EQ(none, (Out{ "0 commands" })) << "variables are not commands here";
    EXPECT_EQ(Printed("cmdlist a b"), (Out{ "usage: cmdlist [PREFIX]" }));
}

TEST(ConsoleCommands, SetAndToggleChangeOnlyVariablesThroughTheirFilter)
{
    TestVars         v;
    RecordingCommand rec("zz_plain");
    EXPECT_EQ(Printed("set zz_speed 900"), (Out{ "zz_speed: 900 is above 500; set to 500" }));
    EXPECT_EQ(v.Speed.Get(), 500.0f);
    EXPECT_EQ(Printed("set zz_speed"), (Out{ "usage: set NAME VALUE" }));
    EXPECT_EQ(Printed("set zz_speed 1 2"), (Out{ "usage: set NAME VALUE" }));
    EXPECT_EQ(Printed("set nosuch 1"), (Out{ "set: no variable 'nosuch'" }));
    EXPECT_EQ(Printed("set zz_plain 1"), (Out{ "set: 'zz_plain' is a command, not a variable" }));
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(v.Speed.Get(), 500.0f) << "failed sets change nothing";

    EXPECT_EQ(Printed("toggle zz_flag"), (Out{ "zz_flag = 1" }));
    EXPECT_EQ(Printed("toggle zz_flag"), (Out{ "zz_flag = 0" }));
    EXPECT_EQ(Printed("toggle zz_step"), (Out{ "zz_step = 1" })) << "a list toggles between its ends";
    EXPECT_EQ(Printed("toggle zz_step"), (Out{ "zz_step = 4" }));
    EXPECT_EQ(Printed("toggle zz_speed"), (Out{ "zz_speed = 1" }));
    EXPECT_EQ(Printed("toggle"), (Out{ "usage: toggle NAME" }));
    EXPECT_EQ(Printed("toggle zz_plain"), (Out{ "toggle: 'zz_plain' is a command, not a variable" }));
}

TEST(ConsoleCommands, EchoJoinsWordsAndRefusesAnOpenQuote)
{
    EXPECT_EQ(Printed("echo  a   \"b  c\""), (Out{ "a b  c" }));
    EXPECT_EQ(Printed("echo"), (Out{ "" }));
    EXPECT_EQ(Printed("echo \"open"), (Out{ "echo: a quote is not closed" }));
}

TEST(ConsoleCommands, ExecRunsAFileSkippingCommentsAndNamesAMissingOne)
{
    TestVars          v;
    ZNScratchDir      dir;
    const std::string script = dir.Write("a.cfg", "# speed first\n\n  set zz_speed 250\r\n  # indented comment\n"
                                                  "echo one; echo two\ntoggle zz_flag");
    EXPECT_EQ(Printed(("exec " + script).c_str()), (Out{ "zz_speed = 250", "one", "two", "zz_flag = 1" }));

    // Relative to the current directory.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    ASSERT_EQ(chdir(dir.Root.c_str()), 0);
    EXPECT_EQ(Printed("exec a.cfg").front(), "zz_speed = 250");
    ASSERT_EQ(chdir(cwd), 0);

    EXPECT_EQ(Printed(("exec \"" + dir.Root + "none.cfg\"").c_str()),
              (Out{ "exec: '" + dir.Root + "none.cfg' does not exist or cannot be opened" }));
    EXPECT_EQ(Printed("exec"), (Out{ "usage: exec FILE" }));

    // A script that runs itself once stops at the nesting limit instead of recursing forever.
    const std::string loop = dir.Root + "loop.cfg";
    dir.Write("loop.cfg", "echo round\nexec " + loop + "\n");
    const Out out = Printed(("exec " + loop).c_str());
    EXPECT_EQ((UINT32)std::count(out.begin(), out.end(), "round"), ZNConsole::ExecDepthLimit - 1);
    EXPECT_EQ(out.back().rfind("commands nested more than 8 deep", 0), 0u) << out.back();
}

// An error of a line from an exec file names the file and the line; a nested
// file names its own, and its caller's come back after it; typed lines have no
// place to name.
TEST(ConsoleCommands, ExecErrorsNameTheFileAndLine)
{
    TestVars          v;
    ZNScratchDir      dir;
    const std::string inner = dir.Write("inner.cfg", "echo in\nset zz_speed abc\n");
    const std::string outer =
        dir.Write("outer.cfg", "# settings\necho out # said\nexec " + inner + "\n\nnosuch_cmd 1\nzz_speed 1 2\n");
    const Out out      = Printed(("exec " + outer).c_str());
    const Out expected = { "out",
                           "in",
                           inner + ":2: zz_speed: 'abc' is not a number",
                           inner + ":2: usage: zz_speed [VALUE] (1 .. 500)",
                           outer + ":5: error in 'nosuch_cmd 1' - command not found",
                           outer + ":6: zz_speed: one value expected, not '1 2'",
                           outer + ":6: usage: zz_speed [VALUE] (1 .. 500)" };
    EXPECT_EQ(out, expected);
    EXPECT_EQ(Printed("nosuch_cmd"), (Out{ "error in 'nosuch_cmd' - command not found" }));
    EXPECT_EQ(v.Speed.Get(), 100.0f);
}

// Names are found whatever their letter case; the lists show each name as declared.
TEST(ConsoleCommands, NamesAreFoundInAnyLetterCase)
{
    TestVars v;
    EXPECT_EQ(Printed("SET ZZ_Speed 30"), (Out{ "zz_speed = 30" }));
    EXPECT_EQ(Printed("Zz_Flag 1"), (Out{ "zz_flag = 1" }));
    EXPECT_EQ(Printed("TOGGLE zz_FLAG"), (Out{ "zz_flag = 0" }));
    const Out vars = Printed("cvarlist ZZ_");
    ASSERT_EQ(vars.size(), 4u);
    EXPECT_EQ(vars[0].rfind("zz_flag", 0), 0u);
    EXPECT_EQ(Printed("Help zz_step")[0].rfind("zz_step = 2", 0), 0u);
}

// Depth alone bounds no work: a k-line script whose every line runs it again
// runs k^7 lines below the nesting limit. One typed command runs at most
// ExecLineLimit script lines, says so once, and the next command runs whole.
TEST(ConsoleCommands, ExecWorkIsBoundedPerTypedCommand)
{
    ZNScratchDir      dir;
    RecordingCommand  rec("zz_count");
    const std::string loop = dir.Root + "fan.cfg";
    std::string       text;
    for (int i = 0; i < 5; ++i)
        text += "zz_count; exec " + loop + "\n";
    dir.Write("fan.cfg", text);
    const std::string cut = "exec: more than 10000 script lines for one command: the rest not run";

    ZNConsole c;
    TypeLine(c, ("exec " + loop).c_str());
    const size_t first = rec.calls.size();
    EXPECT_GT(first, 1000u);
    EXPECT_LE(first, (size_t)ZNConsole::ExecLineLimit);
    // Said once, and nothing ran after it.
    const Out out = Lines(c);
    EXPECT_EQ(std::count(out.begin(), out.end(), cut), 1);
    EXPECT_EQ(LastLine(c), cut);

    // The bound is per typed command: the next one does the same work again.
    rec.calls.clear();
    TypeLine(c, ("exec " + loop).c_str());
    EXPECT_EQ(rec.calls.size(), first);
    EXPECT_EQ(LastLine(c), cut);

    // A short script is not cut.
    dir.Write("short.cfg", "zz_count\nzz_count\n");
    rec.calls.clear();
    TypeLine(c, ("exec " + dir.Root + "short.cfg").c_str());
    EXPECT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(LastLine(c), "ran zz_count");
}

TEST(ConsoleCommands, UserPathsBecomeNamesTheFileLayerReadsFromTheDataFolder)
{
    ZNScratchDir      dir(ZNScratchDir::DataPath);
    const std::string file = dir.Write("x.txt", "hello");
    ZNString          text;
    EXPECT_TRUE(ReadTextFile(ZNConsolePathToEngineName(file.c_str()), text));
    EXPECT_EQ(std::string(text.CStr()), "hello");
    EXPECT_EQ(std::string(ZNConsolePathToEngineName("").CStr()), "");
}
