// The console drawn on a real GL context through the application window: the
// panel covers exactly the top third, its history text, scroll bar and input
// line land where they belong, and a closed console draws nothing.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "common/ZNTestGL.h"
#include "common/ZNTestNative.h"
#include "resources/ZNImage.h"
#include "ui/ZNConsole.h"
#include "application/ZNAppWindow.h"
#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"

namespace
{
const UINT32 W = 240;
const UINT32 H = 150;   // console 50 pixels high: input line at rows 36..49


class ConsoleDrawGL : public ZNAppWindowTest
{
protected:
    static void SetUpTestSuite() { OpenWindow("console test", W, H); }
    static void TearDownTestSuite() { CloseWindow(); }
    void        SetUp() override
    {
        ZNAppWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        Window->EnableConsole(true);
        ASSERT_NE(Window->Console, nullptr);
        Clear();
    }
    void TearDown() override
    {
        if (!Window)
            return;
        Window->EnableConsole(false);
        ZNAppWindowTest::TearDown();
    }

    static void Clear()
    {
        GladGLContext* gl = ZNCurGLTable();
        gl->ClearColor(0, 0, 0, 1);
        gl->Clear(GL_COLOR_BUFFER_BIT);
    }
    // What Present does before swapping.
    static void DrawConsole()
    {
        if (!Window->Console->Font)
            Window->Console->Font = Window->DebugFont;
        Window->Console->LayoutIfResized();
        Window->Console->Update(1.0f);
    }
    // Pixels of the band x0..x1, y0..y1 (exclusive) brighter than level in red.
    static int Bright(UINT32 x0, UINT32 y0, UINT32 x1, UINT32 y1, int level)
    {
        int n = 0;
        for (UINT32 y = y0; y < y1; ++y)
            for (UINT32 x = x0; x < x1; ++x)
                n += PixelAt(x, y).r > level ? 1 : 0;
        return n;
    }
    // Pixels of the band brighter than level in blue (white text; the scroll
    // bar's thumb and track are dark in blue).
    static int BrightBlue(UINT32 x0, UINT32 y0, UINT32 x1, UINT32 y1, int level)
    {
        int n = 0;
        for (UINT32 y = y0; y < y1; ++y)
            for (UINT32 x = x0; x < x1; ++x)
                n += PixelAt(x, y).b > level ? 1 : 0;
        return n;
    }
    // As the native window reports a resize.
    static void Resize(UINT32 w, UINT32 h)
    {
        ZNTestReportResize(*Window->NativeWindow(), w, h);
        ASSERT_EQ(Window->Params().Height, h);
    }
    static void ExpectNear(const ZNPixel& got, int r, int g, int b, const char* what)
    {
        EXPECT_NEAR(got.r, r, 3) << what;
        EXPECT_NEAR(got.g, g, 3) << what;
        EXPECT_NEAR(got.b, b, 3) << what;
    }
};
}   // namespace

TEST_F(ConsoleDrawGL, OpenConsoleCoversTheTopThirdAndClosedDrawsNothing)
{
    DrawConsole();   // closed: nothing
    ExpectNear(PixelAt(W / 2, 10), 0, 0, 0, "closed console");

    Window->Console->KeyEvent(ZNCK_Toggle, true);
    DrawConsole();

    // Panel (0.1, 0.15, 0.2) at 0.85 over black.
    ExpectNear(PixelAt(W / 2, 10), 22, 33, 43, "panel");
    // Input bar (0.05, 0.1, 0.15) at 0.8 over the panel.
    ExpectNear(PixelAt(W / 2, 44), 15, 27, 39, "input bar");
    // Scroll track, opaque; no thumb without history.
    ExpectNear(PixelAt(W - 5, 20), 77, 64, 51, "scroll track");
    ExpectNear(PixelAt(W - 12, 20), 22, 33, 43, "left of the track");
    // Nothing below the console's 50 rows.
    ExpectNear(PixelAt(W / 2, 50), 0, 0, 0, "below the console");
    ExpectNear(PixelAt(W / 2, 120), 0, 0, 0, "far below");
    // The layer leaves the scissor off.
    EXPECT_FALSE(ZNCurGLTable()->IsEnabled(GL_SCISSOR_TEST));
}

TEST_F(ConsoleDrawGL, HistoryTextThumbAndInputLineAppear)
{
    ZNConsole* c = Window->Console;
    ASSERT_NE(Window->DebugFont, nullptr);
    ASSERT_TRUE(Window->DebugFont->HasGlyphs()) << "the debug font should load from data/";
    c->KeyEvent(ZNCK_Toggle, true);
    DrawConsole();
    EXPECT_EQ(Bright(0, 0, W - 10, 36, 150), 0) << "no history yet";
    // Opening showed the cursor (it blinks from the last key on).
    const int prompt = Bright(0, 36, W, 50, 150);
    EXPECT_GT(prompt, 10) << "the prompt and the cursor";
    EXPECT_EQ(Bright(40, 36, W, 50, 150), 0) << "nothing typed yet";

    // One entry after a key: the scroll is clamped to 0, the entry sits on row 0.
    c->AddLine("HELLO WORLD");
    c->KeyEvent(ZNCK_PageUp, true);
    for (const char* s = "abc"; *s; ++s)
        c->CharEvent((UINT8)*s, true);
    Clear();
    DrawConsole();
    EXPECT_GT(Bright(0, 0, W - 10, 14, 150), 10) << "history line on the top row";
    EXPECT_EQ(Bright(0, 14, W - 10, 36, 150), 0) << "nothing on the other history rows";
    EXPECT_GT(Bright(0, 36, W, 50, 150), prompt + 10) << "typed text on the input line";
    // Thumb from scroll 0 to 0 + 2 visible lines of 1: over the whole track.
    ExpectNear(PixelAt(W - 5, 30), 230, 179, 102, "thumb");
}

// A line longer than the console is wide goes on over as many rows as the font
// counts, and every row of it is drawn; the input line follows its cursor
// (History lines used to be cut at the window's edge, the input at 100 characters.)
TEST_F(ConsoleDrawGL, LongLinesWrapOntoTheRowsTheyCountAndTheInputFollowsTheCursor)
{
    ZNConsole* c = Window->Console;
    ASSERT_TRUE(Window->DebugFont->HasGlyphs());
    c->KeyEvent(ZNCK_Toggle, true);
    DrawConsole();   // lays the console out with the font
    c->AddLine("WWWW WWWW WWWW WWWW WWWW WWWW WWWW");
    const UINT32 rows = c->History[0].Lines;
    ASSERT_GE(rows, 2u) << "a line wider than the console counts more than one row";
    ASSERT_LE(rows, c->VisibleLines) << "the test wants the whole entry in view";
    c->KeyEvent(ZNCK_PageUp, true);   // clamps the scroll: the history starts on row 0
    Clear();
    DrawConsole();
    for (UINT32 r = 0; r < rows; ++r)
        EXPECT_GT(Bright(0, r * 14, W - 10, r * 14 + 14, 150), 10) << "row " << r << " of the wrapped line";
    EXPECT_EQ(BrightBlue(W - 10, 0, W, 36, 150), 0) << "no text over the scroll bar";

    // 300 characters typed: the end, with the cursor, shows; the start scrolled away.
    for (int i = 0; i < 300; ++i)
        c->CharEvent('A' + i % 26, true);
    ASSERT_EQ(c->Input.Size(), 300u);
    Clear();
    DrawConsole();
    EXPECT_GT(c->InputView, 0u);
    EXPECT_GT(Bright(W - 60, 36, W, 50, 150), 10) << "the newest characters near the right edge";
    c->KeyEvent(ZNCK_Home, true);
    Clear();
    DrawConsole();
    EXPECT_EQ(c->InputView, 0u) << "Home brings the start back";
}

TEST_F(ConsoleDrawGL, PresentDrawsTheConsoleAndFollowsAResize)
{
    ZNConsole*   c      = Window->Console;
    const UINT32 before = c->DrawCount;
    Window->Present();   // a closed console is updated too, and draws nothing
    c->KeyEvent(ZNCK_Toggle, true);
    Window->Present();
    EXPECT_EQ(c->DrawCount, before + 2);
    EXPECT_EQ(c->VisibleLines, 2u);

    // The window reports a new size: the next present lays the console out again.
    Resize(W, 600);
    Window->Present();
    EXPECT_EQ(c->VisibleLines, 13u);
    Resize(W, H);
    Window->Present();
    EXPECT_EQ(c->VisibleLines, 2u);
}

TEST_F(ConsoleDrawGL, PresentCapturesTheFinishedFrameTopRowFirst)
{
    Window->Console->KeyEvent(ZNCK_Toggle, true);
    ZNImage frame;
    Window->Present(&frame);
    ASSERT_EQ(frame.Width, W);
    ASSERT_EQ(frame.Height, H);
    const UINT32 panel = frame.Pixel(W / 2, 10);
    EXPECT_NEAR((int)(panel & 0xFF), 22, 3);
    EXPECT_NEAR((int)((panel >> 8) & 0xFF), 33, 3);
    EXPECT_NEAR((int)((panel >> 16) & 0xFF), 43, 3);
    EXPECT_EQ(panel >> 24, 0xFFu) << "opaque";
    EXPECT_EQ(frame.Pixel(W / 2, H - 5), 0xFF000000u) << "below the console: the cleared black";
}

TEST_F(ConsoleDrawGL, DrawsAgainAfterTheWindowIsClosedAndOpenedAgain)
{
    Window->Console->KeyEvent(ZNCK_Toggle, true);
    DrawConsole();
    ExpectNear(PixelAt(W / 2, 10), 22, 33, 43, "panel before");

    Window->Release();
    Window->Close();
    const ZNWindowParams params = { W, H, 0, 0, 0, 0, ZNWS_Hidden, 0 };
    ASSERT_TRUE(Window->Open(ZNString("console test again"), params));
    Window->MakeCurrent();
    ASSERT_TRUE(Window->Console->IsOpen()) << "the console outlives the window's context";
    Clear();
    ZNImage frame;
    Window->Present(&frame);
    ASSERT_EQ(frame.Width, W);
    const UINT32 panel = frame.Pixel(W / 2, 10);
    EXPECT_NEAR((int)(panel & 0xFF), 22, 3) << "the panel is drawn in the new context";
    EXPECT_NEAR((int)((panel >> 16) & 0xFF), 43, 3);
    EXPECT_EQ(Window->Console->Font, Window->DebugFont) << "and takes the new font";
    EXPECT_EQ(ZNCurGLTable()->GetError(), (GLenum)GL_NO_ERROR);
}
