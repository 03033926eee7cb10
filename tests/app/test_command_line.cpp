// The program's command line: options, "+command args" lines, help, version and
// every kind of mistake, all without a display.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Parsed
{
    ZNAppParseResult Result;
    AppOptions       Options;
    std::string      Message;
};

Parsed Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "Vendrapolis");
    Parsed   p;
    ZNString message;
    p.Result  = ParseCommandLine((int)args.size(), args.data(), p.Options, message);
    p.Message = message.CStr();
    return p;
}

std::vector<std::string> Commands(const AppOptions& o)
{
    std::vector<std::string> out;
    for (UINT32 i = 0; i < o.Commands.Size(); ++i)
        out.push_back(o.Commands[i].CStr());
    return out;
}

bool EndsWithUsage(const std::string& s)
{
    const std::string usage = CommandLineUsage().CStr();
    return s.size() > usage.size() && s.compare(s.size() - usage.size(), usage.size(), usage) == 0;
}
}

TEST(CommandLine, NoArgumentsRunsWithTheDefaults)
{
    const Parsed p = Parse({});
    EXPECT_EQ(p.Result, ZNAPR_Run);
    EXPECT_EQ(p.Options.Width, 1024u);
    EXPECT_EQ(p.Options.Height, 576u);
    EXPECT_EQ(p.Options.Fullscreen, 0u);
    EXPECT_TRUE(p.Options.MapHeight.Empty());
    EXPECT_TRUE(p.Options.Commands.Empty());
}

TEST(CommandLine, OptionsTakeTheirValues)
{
    // Each option takes exactly its count of words, whatever they look like; a
    // repeated option's last value wins; the order of options does not matter.
    const Parsed a =
        Parse({ "--width", "800", "--fullscreen", "--map", "+h.png", "--c.png", "--height", "64", "--width", "640" });
    const Parsed b = Parse({ "--height", "64", "--map", "+h.png", "--c.png", "--width", "640", "--fullscreen" });
    for (const Parsed* p : { &a, &b })
    {
        ASSERT_EQ(p->Result, ZNAPR_Run) << p->Message;
        EXPECT_EQ(p->Options.Width, 640u);
        EXPECT_EQ(p->Options.Height, 64u);
        EXPECT_EQ(p->Options.Fullscreen, 1u);
        EXPECT_EQ(std::string(p->Options.MapHeight.CStr()), "+h.png") << "a value is not a console line";
        EXPECT_EQ(std::string(p->Options.MapColour.CStr()), "--c.png") << "nor an option";
        EXPECT_TRUE(p->Options.Commands.Empty());
    }
    // The bounds themselves are accepted.
    const Parsed edge = Parse({ "--width", "64", "--height", "16384", "--grid", "16" });
    ASSERT_EQ(edge.Result, ZNAPR_Run) << edge.Message;
    EXPECT_EQ(edge.Options.Width, 64u);
    EXPECT_EQ(edge.Options.Height, 16384u);
    EXPECT_EQ(edge.Options.Grid, 16u);
}

TEST(CommandLine, GridSetsTheWorldSizeWithinItsRange)
{
    EXPECT_EQ(Parse({}).Options.Grid, 0u) << "unset: the console variable decides";
    const Parsed p = Parse({ "--grid", "1024" });
    ASSERT_EQ(p.Result, ZNAPR_Run) << p.Message;
    EXPECT_EQ(p.Options.Grid, 1024u);
    for (const char* bad : { "15", "4097", "big" })
    {
        const Parsed q = Parse({ "--grid", bad });
        EXPECT_EQ(q.Result, ZNAPR_Error) << bad;
        EXPECT_NE(q.Message.find("--grid: '" + std::string(bad) + "' is not a whole number from 16 to 4096"),
                  std::string::npos)
            << q.Message;
    }
}

TEST(CommandLine, PlusArgumentsBecomeConsoleLinesInOrder)
{
    const Parsed p = Parse({ "--width", "640", "+set", "r_stats", "1", "+benchmark", "5", "+echo", "two words", "a;b",
                             "-3", "--foo", "--height", "64", "-h", "+quit" });
    ASSERT_EQ(p.Result, ZNAPR_Run) << p.Message;
    EXPECT_EQ(Commands(p.Options),
              (std::vector<std::string>{ "set r_stats 1", "benchmark 5",
                                         "echo \"two words\" \"a;b\" -3 --foo --height 64 -h", "quit" }));
    EXPECT_EQ(p.Options.Width, 640u) << "an option before the lines is read";
    EXPECT_EQ(p.Options.Height, 576u) << "words after a '+' line belong to it, options too";

    const Parsed q = Parse({ "+echo", "say \"hi\"", "" });
    EXPECT_EQ(Commands(q.Options), (std::vector<std::string>{ "echo \"say hi\" \"\"" }))
        << "quotes inside a word are dropped so the word stays whole";
}

TEST(CommandLine, HelpAndVersionExitWithTheirText)
{
    const Parsed help = Parse({ "--width", "800", "--help", "--bogus" });
    EXPECT_EQ(help.Result, ZNAPR_Exit);
    EXPECT_EQ(help.Message, CommandLineUsage().CStr());
    const Parsed shortHelp = Parse({ "-h", "--bogus" });
    EXPECT_EQ(shortHelp.Result, ZNAPR_Exit) << "-h is --help";
    EXPECT_EQ(shortHelp.Message, help.Message);
    for (const char* option :
         { "--help", "--version", "--width W", "--height H", "--fullscreen", "--map HEIGHT COLOUR", "+command args" })
        EXPECT_NE(help.Message.find(option), std::string::npos) << option;

    const Parsed version = Parse({ "--version" });
    EXPECT_EQ(version.Result, ZNAPR_Exit);
    EXPECT_EQ(version.Message, std::string(AppVersionText()) + "\n");
}

TEST(CommandLine, MistakesAreNamedAndFollowedByTheUsage)
{
    struct Case
    {
        std::vector<const char*> Args;
        const char*              Says;
    };
    const Case cases[] = {
        { { "--bogus" }, "unknown option '--bogus'" },
        { { "-w" }, "unknown option '-w'" },
        { { "stray" }, "unexpected argument 'stray'" },
        { { "--width" }, "--width needs W" },
        { { "--map", "h.png" }, "--map needs HEIGHT COLOUR" },
        { { "--width", "abc" }, "--width: 'abc' is not a whole number from 64 to 16384" },
        { { "--width", "63" }, "--width: '63' is not a whole number" },
        { { "--height", "16385" }, "--height: '16385' is not a whole number" },
        { { "--height", "800x" }, "--height: '800x' is not a whole number" },
        { { "--width", "99999999999999999999" }, "is not a whole number" },
        { { "--width", "" }, "--width: '' is not a whole number" },
        { { "+" }, "'+' must be followed by a console command" },
    };
    for (const Case& c : cases)
    {
        const Parsed p = Parse(c.Args);
        EXPECT_EQ(p.Result, ZNAPR_Error) << c.Says;
        EXPECT_NE(p.Message.find(c.Says), std::string::npos) << p.Message;
        EXPECT_TRUE(EndsWithUsage(p.Message)) << c.Says;
    }
}
