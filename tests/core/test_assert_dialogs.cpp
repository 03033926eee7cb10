// Assertion texts, the dialog services and the allocator.
#include "common/ZNTestDialogs.h"
#include "test_sys_child.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

namespace
{

std::string AssertText(const std::string& expression, const std::string& file, int line)
{
    return "It is detected that the program is in invalid state:\n" + expression + "\n\nFile: " + file +
           "\nLine: " + std::to_string(line) + "\n\nDo you want to debug the program?";
}

} // namespace

TEST(AssertDialog, FailedCheckShowsExactTextAndReturnsOnNo)
{
    ZNDialogRecorder recorder(false);
    int value = 7;
    int reached = 0;
    BREAK_IF(value > 3); const int line = __LINE__;
    reached = 1;
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(reached, 1);
    ZNDialogRecord box = recorder.Boxes()[0];
    EXPECT_EQ(box.Kind, ZNDialog_YesNo);
    EXPECT_EQ(box.Caption, "BREAK_IF");
    EXPECT_EQ(box.Text, AssertText("value > 3", __FILE__, line));

    // No way to silence a check: the same failing check asks again.
    BREAK_IF(value > 3);
    EXPECT_EQ(recorder.Count(), 2u);

    BREAK_IF(value < 3);
    EXPECT_EQ(recorder.Count(), 2u) << "a holding condition must not ask";
}

TEST(AssertDialog, LiteralConditionReportsItselfWithQuotes)
{
    ZNDialogRecorder recorder(false);
    BREAK_IF("Unknown vertex data type"); const int line = __LINE__;
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].Text, AssertText("\"Unknown vertex data type\"", __FILE__, line));
}

TEST(AssertDialog, CheckExpressionYieldsWhetherItFailed)
{
    ZNDialogRecorder recorder(false);
    unsigned at = 5, count = 5;
    EXPECT_TRUE(ZN_CHECK_FAILED(at >= count));
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_NE(recorder.Boxes()[0].Text.find("\nat >= count\n"), std::string::npos);
    at = 4;
    EXPECT_FALSE(ZN_CHECK_FAILED(at >= count));
    EXPECT_EQ(recorder.Count(), 1u);
}

TEST(AssertDialog, LongExpressionOrFileIsCutAndTerminated)
{
    ZNDialogRecorder recorder(false);
    std::string longText(5000, 'x');
    ZNAssertFailed(longText.c_str(), "file.cpp", 12);
    std::string longFile = "/very/long/" + std::string(4000, 'd') + ".cpp";
    ZNAssertFailed("a == b", longFile.c_str(), 34);
    ASSERT_EQ(recorder.Count(), 2u);
    for (const ZNDialogRecord& box : recorder.Boxes())
    {
        EXPECT_EQ(box.Text.size(), static_cast<size_t>(ZN_ASSERT_TEXT_SIZE - 1));
        const std::string head = "It is detected that the program is in invalid state:\n";
        EXPECT_EQ(box.Text.compare(0, head.size(), head), 0);
    }
    EXPECT_EQ(recorder.Boxes()[0].Text, AssertText(longText, "file.cpp", 12).substr(0, ZN_ASSERT_TEXT_SIZE - 1));
    std::string full = AssertText("a == b", longFile, 34);
    EXPECT_EQ(recorder.Boxes()[1].Text, full.substr(0, ZN_ASSERT_TEXT_SIZE - 1));

    // A smaller buffer is honoured exactly, terminator included.
    char small[16];
    memset(small, '#', sizeof(small));
    ZNFormatAssertText(small, 10, "expr", "f", 1);
    EXPECT_EQ(std::string(small), "It is det");
    EXPECT_EQ(small[10], '#') << "wrote past the given size";
}

TEST(DialogServices, AnswersAndKindsReachTheHandler)
{
    ZNDialogRecorder recorder(true);
    EXPECT_TRUE(ZNAskYesNo("Retry loading?", "Shader"));
    recorder.Answer = false;
    EXPECT_FALSE(ZNAskYesNo("Retry loading?", "Shader"));
    recorder.Answer = true;   // the box was shown
    EXPECT_EQ(ZNInfoBox("Operation not permitted", "Data/x.png"), ZN_BOX_OK);
    std::vector<ZNDialogRecord> boxes = recorder.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Kind, ZNDialog_YesNo);
    EXPECT_EQ(boxes[0].Text, "Retry loading?");
    EXPECT_EQ(boxes[0].Caption, "Shader");
    EXPECT_EQ(boxes[2].Kind, ZNDialog_Info);
    EXPECT_EQ(boxes[2].Caption, "Data/x.png");
}

// ---- the default handler, watched from outside ----------------------------------------

TEST(DefaultDialog, EnvironmentAnswersAndPrints)
{
    ZNChildRun no = ZNRunChild("ask", {"Load again?", "Material"}, {"ZN_DIALOG=no"});
    EXPECT_TRUE(no.ExitedWith(0)) << no.Describe();
    EXPECT_EQ(no.Out, "answer=no\ndestructor ran\n");
    EXPECT_NE(no.Err.find("Material"), std::string::npos) << no.Err;
    EXPECT_NE(no.Err.find("Load again?"), std::string::npos) << no.Err;

    ZNChildRun yes = ZNRunChild("ask", {"Load again?", "Material"}, {"ZN_DIALOG=yes"});
    EXPECT_TRUE(yes.ExitedWith(0)) << yes.Describe();
    EXPECT_EQ(yes.Out, "answer=yes\ndestructor ran\n");

    ZNChildRun info = ZNRunChild("info", {"Saved.", "Note"}, {"ZN_DIALOG=no"});
    EXPECT_EQ(info.Out, "result=1\ndestructor ran\n") << info.Describe();
    EXPECT_NE(info.Err.find("Saved."), std::string::npos);
}

TEST(DefaultDialog, NobodyToAskMeansNoWithoutWaiting)
{
    // No ZN_DIALOG, no display, stdin is not a terminal: must answer at once.
    ZNChildRun run = ZNRunChild("ask", {"Debug?", "BREAK_IF"}, {"ZN_DIALOG", "DISPLAY", "WAYLAND_DISPLAY"}, 20);
    EXPECT_TRUE(run.ExitedWith(0)) << run.Describe();
    EXPECT_EQ(run.Out, "answer=no\ndestructor ran\n");
    EXPECT_NE(run.Err.find("Debug?"), std::string::npos) << run.Err;
}

TEST(DefaultDialog, TerminalPromptAsksUntilItGetsAnAnswer)
{
    std::vector<std::string> env = {"ZN_DIALOG", "DISPLAY", "WAYLAND_DISPLAY"};
    ZNChildRun yes = ZNRunChildOnTerminal("ask", {"Continue?", "Question"}, env,
                                          {{"Answer [y/n]: ", "maybe\n"}, {"Answer [y/n]: ", "Y\n"}});
    EXPECT_TRUE(yes.ExitedWith(0)) << yes.Describe();
    EXPECT_NE(yes.Out.find("Question"), std::string::npos) << yes.Out;
    EXPECT_NE(yes.Out.find("answer=yes"), std::string::npos) << yes.Out;

    ZNChildRun no = ZNRunChildOnTerminal("ask", {"Continue?", "Question"}, env, {{"Answer [y/n]: ", "n\n"}});
    EXPECT_NE(no.Out.find("answer=no"), std::string::npos) << no.Describe();

    // The end of input is an answer too: No, at once.
    ZNChildRun closed = ZNRunChildOnTerminal("ask", {"Continue?", "Question"}, env, {{"Answer [y/n]: ", "\x04"}});
    EXPECT_TRUE(closed.ExitedWith(0)) << closed.Describe();
    EXPECT_NE(closed.Out.find("answer=no"), std::string::npos) << closed.Out;
}

TEST(DefaultDialog, BreakAnsweredNoCarriesOn)
{
    ZNChildRun run = ZNRunChild("break", {}, {"ZN_DIALOG=no"});
    EXPECT_TRUE(run.ExitedWith(0)) << run.Describe();
    EXPECT_EQ(run.Out, "continued\ndestructor ran\n");
    EXPECT_NE(run.Err.find("two == 2"), std::string::npos) << run.Err;
}

// ---- fatal exits ---------------------------------------------------------------------------

TEST(FatalError, EndsAt222WithoutCleanUp)
{
    ZNChildRun run = ZNRunChild("fatal", {"The disk is gone", "Critical error"}, {"ZN_DIALOG=no"});
    EXPECT_TRUE(run.ExitedWith(222)) << run.Describe();
    EXPECT_EQ(run.Out.find("atexit ran"), std::string::npos) << "exit handlers ran";
    EXPECT_EQ(run.Out.find("destructor ran"), std::string::npos) << "static destructors ran";
    EXPECT_NE(run.Err.find("Critical error"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("The disk is gone"), std::string::npos) << run.Err;
    EXPECT_EQ(ZN_FATAL_EXIT_CODE & 0xFF, 222u);
}

TEST(FatalError, AllocatorFailuresAreFatalWithTheirTexts)
{
    // The sanitizer's allocator would otherwise abort on the huge request
    // itself instead of returning null.
    std::vector<std::string> env = {"ZN_DIALOG=no", "ASAN_OPTIONS=allocator_may_return_null=1"};
    ZNChildRun alloc = ZNRunChild("alloc-fail", {}, env);
    EXPECT_TRUE(alloc.ExitedWith(222)) << alloc.Describe();
    EXPECT_EQ(alloc.Out, "") << "ZNAlloc returned";
    EXPECT_NE(alloc.Err.find("[fatal error] Critical error\nFailed to allocate data\n"), std::string::npos)
        << alloc.Err;

    ZNChildRun re = ZNRunChild("realloc-fail", {}, env);
    EXPECT_TRUE(re.ExitedWith(222)) << re.Describe();
    EXPECT_EQ(re.Out, "") << "ZNRealloc returned";
    EXPECT_NE(re.Err.find("[fatal error] Critical error\nFailed to reallocate data\n"), std::string::npos)
        << re.Err;
}

// ---- allocator ----------------------------------------------------------------------------------

TEST(Allocator, ReallocKeepsBytesBothWays)
{
    UINT8* block = static_cast<UINT8*>(ZNAlloc(64));
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<UINT8>(i * 7 + 1);
    block = static_cast<UINT8*>(ZNRealloc(block, 1 << 20));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(block[i], static_cast<UINT8>(i * 7 + 1)) << "byte " << i;
    block[(1 << 20) - 1] = 0xAB;   // the whole new size is usable
    block = static_cast<UINT8*>(ZNRealloc(block, 10));
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(block[i], static_cast<UINT8>(i * 7 + 1)) << "byte " << i;
    ZNFree(block);
}

TEST(Allocator, BlocksAreAlignedAndZeroSizeIsValid)
{
    for (size_t size : {1u, 3u, 5u, 17u, 4096u})
    {
        void* block = ZNAlloc(size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4, 0u) << size;
        ZNFree(block);
    }
    void* empty = ZNAlloc(0);
    EXPECT_NE(empty, nullptr);
    empty = ZNRealloc(empty, 0);
    EXPECT_NE(empty, nullptr);
    ZNFree(empty);
    void* fresh = ZNRealloc(nullptr, 8);   // behaves as an allocation
    EXPECT_NE(fresh, nullptr);
    ZNFree(fresh);
}
