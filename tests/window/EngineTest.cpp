// Engine start and stop, the clock and the application-window factory, on a real
// display.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/ZNTestDialogs.h"
#include "core/ZNThread.h"
#include "runtime/ZNEngineInternal.h"
#include "application/ZNAppWindow.h"
#include "window/ZNGLContext.h"

namespace
{
char  gArg0[] = "/opt/vendrapolis/zn_test_window";
char* gArgv[] = { gArg0, nullptr };

bool HasDisplay()
{
    return getenv("DISPLAY") != nullptr;
}
}   // namespace

TEST(EngineGL, StartCreatesThePlatformAndStopRemovesIt)
{
    if (!HasDisplay())
        GTEST_SKIP() << "needs a display";
    ZNDialogRecorder rec;
    ZNEngineInit(1, gArgv);
    EXPECT_EQ(GEngineInitialized, 1u);
    ASSERT_NE(ZNGetPlatform(), nullptr);
    EXPECT_EQ(ZNCurContextState(), nullptr) << "the main context is released after start";
    EXPECT_TRUE(ZNCanCreateContext());

    ZNAppWindow* win = ZNCreateAppWindow();
    ASSERT_NE(win, nullptr);
    EXPECT_FALSE(win->RenderWindow.IsOpen());
    ZNWindowParams p = { 320, 200, 0, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(win->Open(ZNString("engine"), p));
    EXPECT_EQ(ZNGetPlatform()->States().Size(), 2u);
    ZNDestroyAppWindow(win);
    EXPECT_EQ(ZNGetPlatform()->States().Size(), 1u);
    ZNDestroyAppWindow(nullptr);

    ZNEngineShutdown();
    EXPECT_EQ(GEngineInitialized, 0u);
    EXPECT_EQ(ZNGetPlatform(), nullptr);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST(EngineGL, StartingTwiceAndStoppingTwiceAreReportedWithTheirPlace)
{
    if (!HasDisplay())
        GTEST_SKIP() << "needs a display";
    ZNDialogRecorder rec;
    ZNEngineInit(1, gArgv);
    ZNPlatform*    platform = ZNGetPlatform();
    ZNAppWindow*   win      = ZNCreateAppWindow();
    ZNWindowParams p        = { 64, 64, 0, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(win->Open(ZNString("kept"), p));
    ZNEngineInit(1, gArgv);
    ASSERT_EQ(rec.Asserts("GEngineInitialized"), 1u);
    EXPECT_NE(rec.Boxes()[0].Text.find("File: ZNEngineInternal\nLine: 57\n"), std::string::npos) << rec.Boxes()[0].Text;
    // Refused: the platform the open window points to is still the one.
    EXPECT_EQ(ZNGetPlatform(), platform);
    EXPECT_EQ(ZNGetPlatform()->States().Size(), 2u);
    win->MakeCurrent();
    EXPECT_NE(ZNCurGLTable(), nullptr);
    win->Release();
    ZNDestroyAppWindow(win);
    EXPECT_EQ(ZNGetPlatform()->States().Size(), 1u);

    ZNEngineShutdown();
    EXPECT_EQ(rec.Count(), 1u);
    ZNEngineShutdown();
    ASSERT_EQ(rec.Asserts("!GEngineInitialized"), 1u);
    EXPECT_NE(rec.Boxes()[1].Text.find("File: ZNEngineInternal\nLine: 73\n"), std::string::npos) << rec.Boxes()[1].Text;
    EXPECT_EQ(GEngineInitialized, 0u);
}

TEST(EngineGL, ClockCountsSeconds)
{
    if (!HasDisplay())
        GTEST_SKIP() << "needs a display";
    ZNEngineInit(0, nullptr);
    const double t0 = ZNGetTime();
    ZNThread::Sleep(50);
    const double t1 = ZNGetTime();
    EXPECT_GE(t1 - t0, 0.045);
    EXPECT_LT(t1 - t0, 1.0);
    // Consecutive readings never go backwards.
    double prev = ZNGetTime();
    for (int i = 0; i < 1000; ++i)
    {
        const double now = ZNGetTime();
        ASSERT_GE(now, prev);
        prev = now;
    }
    ZNEngineShutdown();
}
