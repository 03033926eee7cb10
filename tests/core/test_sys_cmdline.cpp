// The argument list and the command-line splitter (the program path is in
// test_sys_cmdlinePosix.cpp).
#include "core/ZNSys.h"
#include "common/ZNTestDialogs.h"
#include "ArgsGuard.h"

#include <gtest/gtest.h>

#include <string.h>

namespace
{

std::vector<std::string> Split(const char* line)
{
    ZNArray<ZNString> out;
    ZNSplitCommandLine(line, out);
    std::vector<std::string> args;
    for (UINT32 i = 0; i < out.Size(); ++i)
        args.push_back(out[i].CStr());
    return args;
}

typedef std::vector<std::string> Args;

}   // namespace

TEST(CommandLineSplit, QuotesGroupAndEmptyPairsCount)
{
    EXPECT_EQ(Split("prog -x \"a b\""), (Args{ "prog", "-x", "a b" }));
    EXPECT_EQ(Split("a \"\" b"), (Args{ "a", "", "b" }));
    EXPECT_EQ(Split("a \"\""), (Args{ "a", "" }));
    EXPECT_EQ(Split("\"\""), (Args{ "" }));
    // Quotes in the middle of a word join the pieces.
    EXPECT_EQ(Split("pre\"fix suf\"fix next"), (Args{ "prefix suffix", "next" }));
    // An unfinished quote is closed by the end of the line.
    EXPECT_EQ(Split("a \"b c"), (Args{ "a", "b c" }));
    // Tabs inside quotes are kept, outside they separate.
    EXPECT_EQ(Split("a\t\"b\tc\"\td"), (Args{ "a", "b\tc", "d" }));
}

TEST(CommandLineSplit, RunsOfSeparatorsGiveOneBreak)
{
    EXPECT_EQ(Split("a   \t  b"), (Args{ "a", "b" }));
    EXPECT_EQ(Split("a b   "), (Args{ "a", "b" }));
    // Blanks before the first argument do not make an empty argument 0.
    EXPECT_EQ(Split("   prog x"), (Args{ "prog", "x" }));
    EXPECT_EQ(Split(""), (Args{ "" }));
    EXPECT_EQ(Split("   "), (Args{ "" }));
    EXPECT_EQ(Split(nullptr), (Args{ "" }));
}

TEST(CommandLineSplit, BackslashesBeforeQuotes)
{
    EXPECT_EQ(Split("a\\\"b"), (Args{ "a\"b" }));                        // 1: literal quote
    EXPECT_EQ(Split("a\\\\\"b c\""), (Args{ "a\\b c" }));                // 2: one backslash, quote groups
    EXPECT_EQ(Split("a\\\\\\\"b"), (Args{ "a\\\"b" }));                  // 3: one backslash and a literal quote
    EXPECT_EQ(Split("a\\\\\\\\\"b c\" d"), (Args{ "a\\\\b c", "d" }));   // 4: two backslashes, quote groups
    // Backslashes not followed by a quote stay as they are.
    EXPECT_EQ(Split("C:\\dir\\sub\\ x"), (Args{ "C:\\dir\\sub\\", "x" }));
    EXPECT_EQ(Split("C:\\path\\"), (Args{ "C:\\path\\" }));
    EXPECT_EQ(Split("\\\\server\\share"), (Args{ "\\\\server\\share" }));
    // A literal quote inside a quoted argument.
    EXPECT_EQ(Split("\"say \\\"hi\\\"\" x"), (Args{ "say \"hi\"", "x" }));
}

TEST(Arguments, GivenArgumentsAreKeptAsTheyAre)
{
    ArgsGuard guard;
    char      a0[] = "c:\\x\\p.exe", a1[] = "-Flag", a2[] = "";
    char*     argv[] = { a0, a1, a2 };
    ZNSetArguments(3, argv);
    ASSERT_EQ(ZNGetArgCount(), 3u);
    EXPECT_STREQ(ZNGetArg(0), "c:\\x\\p.exe");
    EXPECT_STREQ(ZNGetArg(1), "-Flag");
    EXPECT_STREQ(ZNGetArg(2), "");
    EXPECT_EQ(ZNGetArgLength(1), 5u);
    EXPECT_STREQ(ZNGetProgramPath(), "c:\\x\\p.exe");
}

TEST(Arguments, CommandLineNormalisesOnlyArgumentZero)
{
    ArgsGuard guard;
    ZNSetCommandLine("c:\\x\\p.exe c:\\data\\in.txt \"two words\"");
    ASSERT_EQ(ZNGetArgCount(), 3u);
    EXPECT_STREQ(ZNGetArg(0), "C:/x/p.exe");
    EXPECT_STREQ(ZNGetArg(1), "c:\\data\\in.txt");
    EXPECT_STREQ(ZNGetArg(2), "two words");
    EXPECT_STREQ(ZNGetProgramPath(), "C:/x/p.exe");

    // Only a drive letter is raised: other names keep their case.
    ZNSetCommandLine("bin\\tool x");
    EXPECT_STREQ(ZNGetArg(0), "bin/tool");
    EXPECT_STREQ(ZNGetProgramPath(), "bin/tool");
    ZNSetCommandLine("./a:b x");
    EXPECT_STREQ(ZNGetArg(0), "./a:b");
}

TEST(Arguments, BadIndexReportsAndReturnsNothing)
{
    ArgsGuard guard;
    char      a0[]   = "/x/prog";
    char*     argv[] = { a0 };
    ZNSetArguments(1, argv);
    ZNDialogRecorder recorder(false);
    EXPECT_STREQ(ZNGetArg(1), "");
    EXPECT_EQ(ZNGetArgLength(7), 0u);
    ASSERT_EQ(recorder.Count(), 2u);
    for (const ZNDialogRecord& box : recorder.Boxes())
    {
        EXPECT_EQ(box.Caption, "BREAK_IF");
        EXPECT_NE(box.Text.find("\nat >= count\n"), std::string::npos) << box.Text;
    }
    EXPECT_STREQ(ZNGetArg(0), "/x/prog");
    EXPECT_EQ(recorder.Count(), 2u);
}
