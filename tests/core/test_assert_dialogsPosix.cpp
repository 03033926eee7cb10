// The default dialog handler and the fatal exits, watched from child
// processes of this program (fork, a terminal for the prompt, the low byte of
// the exit status). The Windows fatal exit is ProcessWin32.cpp's.
#include "core/ZNAssert.h"
#include "test_sys_child.h"

#include <gtest/gtest.h>

#include <string>

TEST(DefaultDialog, EnvironmentAnswersAndPrints)
{
    ZNChildRun no = ZNRunChild("ask", { "Load again?", "Material" }, { "ZN_DIALOG=no" });
    EXPECT_TRUE(no.ExitedWith(0)) << no.Describe();
    EXPECT_EQ(no.Out, "answer=no\ndestructor ran\n");
    EXPECT_NE(no.Err.find("Material"), std::string::npos) << no.Err;
    EXPECT_NE(no.Err.find("Load again?"), std::string::npos) << no.Err;

    ZNChildRun yes = ZNRunChild("ask", { "Load again?", "Material" }, { "ZN_DIALOG=yes" });
    EXPECT_TRUE(yes.ExitedWith(0)) << yes.Describe();
    EXPECT_EQ(yes.Out, "answer=yes\ndestructor ran\n");

    ZNChildRun info = ZNRunChild("info", { "Saved.", "Note" }, { "ZN_DIALOG=no" });
    EXPECT_EQ(info.Out, "result=1\ndestructor ran\n") << info.Describe();
    EXPECT_NE(info.Err.find("Saved."), std::string::npos);
}

TEST(DefaultDialog, EnvironmentAnswerIgnoresCaseButNotTrailingLetters)
{
    ZNChildRun upper = ZNRunChild("ask", { "Load again?", "Material" }, { "ZN_DIALOG=YeS" });
    EXPECT_EQ(upper.Out, "answer=yes\ndestructor ran\n") << upper.Describe();

    // Not an answer: with no display and no terminal nobody is asked, and the
    // box says so instead of echoing a made-up answer.
    std::vector<std::string> env    = { "ZN_DIALOG=yess", "DISPLAY", "WAYLAND_DISPLAY" };
    ZNChildRun               longer = ZNRunChild("ask", { "Load again?", "Material" }, env, 20);
    EXPECT_EQ(longer.Out, "answer=no\ndestructor ran\n") << longer.Describe();
    EXPECT_NE(longer.Err.find("nobody to ask"), std::string::npos) << longer.Err;
}

TEST(DefaultDialog, NobodyToAskMeansNoWithoutWaiting)
{
    // No ZN_DIALOG, no display, stdin is not a terminal: must answer at once.
    ZNChildRun run = ZNRunChild("ask", { "Debug?", "BREAK_IF" }, { "ZN_DIALOG", "DISPLAY", "WAYLAND_DISPLAY" }, 20);
    EXPECT_TRUE(run.ExitedWith(0)) << run.Describe();
    EXPECT_EQ(run.Out, "answer=no\ndestructor ran\n");
    EXPECT_NE(run.Err.find("Debug?"), std::string::npos) << run.Err;
}

TEST(DefaultDialog, TerminalPromptAsksUntilItGetsAnAnswer)
{
    std::vector<std::string> env = { "ZN_DIALOG", "DISPLAY", "WAYLAND_DISPLAY" };
    ZNChildRun               yes = ZNRunChildOnTerminal("ask", { "Continue?", "Question" }, env,
                                                        { { "Answer [y/n]: ", "maybe\n" }, { "Answer [y/n]: ", "Y\n" } });
    EXPECT_TRUE(yes.ExitedWith(0)) << yes.Describe();
    EXPECT_NE(yes.Out.find("Question"), std::string::npos) << yes.Out;
    EXPECT_NE(yes.Out.find("answer=yes"), std::string::npos) << yes.Out;

    ZNChildRun no = ZNRunChildOnTerminal("ask", { "Continue?", "Question" }, env, { { "Answer [y/n]: ", "n\n" } });
    EXPECT_NE(no.Out.find("answer=no"), std::string::npos) << no.Describe();

    // The end of input is an answer too: No, at once.
    ZNChildRun closed = ZNRunChildOnTerminal("ask", { "Continue?", "Question" }, env, { { "Answer [y/n]: ", "\x04" } });
    EXPECT_TRUE(closed.ExitedWith(0)) << closed.Describe();
    EXPECT_NE(closed.Out.find("answer=no"), std::string::npos) << closed.Out;
}

TEST(DefaultDialog, BreakAnsweredNoCarriesOn)
{
    ZNChildRun run = ZNRunChild("break", {}, { "ZN_DIALOG=no" });
    EXPECT_TRUE(run.ExitedWith(0)) << run.Describe();
    EXPECT_EQ(run.Out, "continued\ndestructor ran\n");
    EXPECT_NE(run.Err.find("two == 2"), std::string::npos) << run.Err;
}

// ---- fatal exits ---------------------------------------------------------------------------

TEST(FatalError, EndsAt222WithoutCleanUp)
{
    ZNChildRun run = ZNRunChild("fatal", { "The disk is gone", "Critical error" }, { "ZN_DIALOG=no" });
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
    std::vector<std::string> env   = { "ZN_DIALOG=no", "ASAN_OPTIONS=allocator_may_return_null=1" };
    ZNChildRun               alloc = ZNRunChild("alloc-fail", {}, env);
    EXPECT_TRUE(alloc.ExitedWith(222)) << alloc.Describe();
    EXPECT_EQ(alloc.Out, "") << "ZNAlloc returned";
    EXPECT_NE(alloc.Err.find("[fatal error] Critical error\nFailed to allocate data\n"), std::string::npos)
        << alloc.Err;

    ZNChildRun re = ZNRunChild("realloc-fail", {}, env);
    EXPECT_TRUE(re.ExitedWith(222)) << re.Describe();
    EXPECT_EQ(re.Out, "") << "ZNRealloc returned";
    EXPECT_NE(re.Err.find("[fatal error] Critical error\nFailed to reallocate data\n"), std::string::npos) << re.Err;
}

// ---- allocator ----------------------------------------------------------------------------------
