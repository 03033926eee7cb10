// The application window's Poll with the console enabled: while it is open,
// keys and characters go to the console alone and nothing reaches the input.
// Events are fed through the (never created) native window; no display needed.
#include <gtest/gtest.h>

#include <string>

#include "window/WindowTestUtil.h"
#include "ui/ZNConsole.h"
#include "application/ZNAppWindow.h"

namespace
{
struct ConsolePollFixture : ::testing::Test
{
    ZNAppWindow app{ nullptr };
    void        Feed(const SDL_Event& ev) { app.NativeWindow()->HandleEvent(ev); }
    void        SetUp() override { app.EnableConsole(true); }
};
}   // namespace

TEST_F(ConsolePollFixture, EnablingCreatesOneHiddenConsoleForThisWindow)
{
    ZNConsole* console = app.Console;
    ASSERT_NE(console, nullptr);
    EXPECT_FALSE(console->IsOpen());
    EXPECT_EQ(console->Window, &app);
    EXPECT_EQ(console->FontSize, 14.0f);   // its layout ran
    app.EnableConsole(true);               // already there: kept
    EXPECT_EQ(app.Console, console);
    app.EnableConsole(false);
    EXPECT_EQ(app.Console, nullptr);
    app.EnableConsole(false);   // nothing to delete
    EXPECT_EQ(app.Console, nullptr);
}

TEST_F(ConsolePollFixture, OpenConsoleTakesKeysAndCharactersAndNothingReachesTheInput)
{
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    EXPECT_FALSE(app.Poll());
    ASSERT_TRUE(app.Console->IsOpen());
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_GRAVE));
    app.Poll();

    const float mouseX = app.Input.Mouse[0];
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT));
    Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    Feed(MotionEvent(300, 200));
    Feed(WheelEvent(1));
    Feed(TextEvent("w`~"));
    EXPECT_FALSE(app.Poll());

    EXPECT_EQ(app.Input.KeyState('W'), 0u);   // the camera keys do nothing
    EXPECT_EQ(app.Input.KeyState(160), 0u);
    EXPECT_EQ(app.Input.KeyState(2), 0u);
    EXPECT_EQ(app.Input.Buttons[1], 0);
    EXPECT_EQ(app.Input.KeyState(139), 0u);
    EXPECT_EQ(app.Input.Mouse[0], mouseX);   // motion is not recorded
    EXPECT_EQ(app.Input.Wheel, 0.0f);
    EXPECT_TRUE(app.Input.Text.Empty());
    // The backquote is the console key's own; '~' (Shift is down) is typed.
    EXPECT_EQ(std::string(app.Console->Input.CStr()), "w~");

    // Backspace is a key the console handles while open.
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE));
    app.Poll();
    EXPECT_TRUE(app.Console->Input.Empty());

    // Closing hands the keys back: W goes down in the input again.
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_LSHIFT));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
    app.Poll();
    EXPECT_FALSE(app.Console->IsOpen());
    EXPECT_EQ(app.Input.KeyState('W'), 1u);
}

TEST_F(ConsolePollFixture, ClosedConsoleStillSeesEveryKeyAndCloseStillWins)
{
    // The toggle key reaches the console through the input path and opens it;
    // the same poll then routes the rest to the console. Opening lets go of what
    // was held, so A (pressed and released within this poll) reads up.
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_D));
    app.Poll();
    EXPECT_TRUE(app.Console->IsOpen());
    EXPECT_EQ(app.Input.KeyState('A'), 0u);
    EXPECT_EQ(app.Input.KeyState(192), 0u);
    EXPECT_EQ(app.Input.KeyState('D'), 0u);

    // A close request ends the poll even while the console is open.
    Feed(WindowEvent(SDL_WINDOWEVENT_CLOSE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    EXPECT_TRUE(app.Poll());
    EXPECT_TRUE(app.Console->IsOpen());   // the toggle behind it stays queued
    EXPECT_FALSE(app.Poll());
    EXPECT_FALSE(app.Console->IsOpen());
}

TEST_F(ConsolePollFixture, HeldKeysAndButtonsGoUpWhenTheConsoleOpensAndReleasesStillArrive)
{
    // W and the right button held while flying; then the console opens.
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
    Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState('W'), 1u);
    EXPECT_EQ(app.Input.KeyState(2), 1u);
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    app.Poll();
    ASSERT_TRUE(app.Console->IsOpen());
    EXPECT_EQ(app.Input.KeyState('W'), 3u) << "released: the camera stops";
    EXPECT_EQ(app.Input.KeyState(2), 3u) << "released: mouse look ends";
    EXPECT_EQ(app.Input.Buttons[1], 0);
    app.Poll();
    EXPECT_EQ(app.Input.KeyState('W'), 0u);

    // Pressed again while open: nothing; released while open: the release arrives.
    Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_S));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(2), 0u);
    EXPECT_EQ(app.Input.KeyState('S'), 0u);
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_W));
    Feed(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState('W'), 0u);
    EXPECT_EQ(app.Input.KeyState(2), 0u);

    // Closed again: nothing is left down.
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_GRAVE));
    app.Poll();
    app.Poll();
    EXPECT_FALSE(app.Console->IsOpen());
    for (UINT32 code : { (UINT32)'W', (UINT32)'S', 2u, 192u })
        EXPECT_EQ(app.Input.KeyState(code), 0u) << code;
}

TEST_F(ConsolePollFixture, WheelScrollsTheOpenConsoleInsteadOfReachingTheInput)
{
    for (int i = 0; i < 40; ++i)
        app.Console->Printf("line %d", i);
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    app.Poll();
    const INT32 bottom = app.Console->Scroll;
    ASSERT_GT(bottom, ZNConsole::ScrollStep);
    Feed(WheelEvent(1));
    app.Poll();
    EXPECT_EQ(app.Console->Scroll, bottom - ZNConsole::ScrollStep);
    EXPECT_EQ(app.Input.Wheel, 0.0f);
}

// Shift and the console key is '~' (as in "map ~/h.png ~/c.png"): it is typed
// and the console stays open; it used to close the console. Without Shift the
// key toggles, open or closed, and with Shift held it does not open it either.
TEST_F(ConsolePollFixture, ShiftWithTheConsoleKeyTypesATildeInsteadOfToggling)
{
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    app.Poll();
    EXPECT_FALSE(app.Console->IsOpen()) << "Shift held: the key does not open the console";
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_GRAVE));
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_LSHIFT));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    Feed(TextEvent("`"));
    app.Poll();
    ASSERT_TRUE(app.Console->IsOpen());

    Feed(TextEvent("map "));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    Feed(TextEvent("~"));
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_GRAVE));
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_RSHIFT));
    Feed(TextEvent("/h.png"));
    app.Poll();
    EXPECT_TRUE(app.Console->IsOpen()) << "Shift and the console key leave it open";
    EXPECT_EQ(std::string(app.Console->Input.CStr()), "map ~/h.png");

    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    app.Poll();
    EXPECT_FALSE(app.Console->IsOpen()) << "without Shift it closes";
}

// Keys held when the window loses the keyboard never send their releases here.
// Whatever was held then, open console or closed, nothing may act as held
// afterwards: Shift would stop the console key, Control turn V into a paste and
// Home into a scroll, W fly on.
TEST_F(ConsolePollFixture, LosingTheFocusLetsGoOfModifiersAndHeldKeys)
{
    static UINT32 pastes;
    pastes                       = 0;
    app.Console->ClipboardSource = [](ZNString& text)
    {
        ++pastes;
        text = "pasted";
        return true;
    };
    for (int i = 0; i < 40; ++i)
        app.Console->Printf("line %d", i);
    for (const bool openFirst : { false, true })
    {
        if (openFirst)
        {
            Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
            app.Poll();
            ASSERT_TRUE(app.Console->IsOpen());
        }
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT));
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RCTRL));
        Feed(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
        app.Poll();
        EXPECT_FALSE(app.Console->ShiftDown) << openFirst;
        EXPECT_FALSE(app.Console->ControlDown) << openFirst;
        for (UINT32 code : { (UINT32)'W', 16u, 160u, 17u, 163u })
        {
            const UINT32 state = app.Input.KeyState(code);
            EXPECT_TRUE(state == 0u || state == 3u) << "not down: " << code << " " << openFirst;
        }
        Feed(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
        app.Poll();
        for (UINT32 code : { (UINT32)'W', 16u, 160u, 17u, 163u })
            EXPECT_EQ(app.Input.KeyState(code), 0u) << code << " " << openFirst;

        // Back in the window: the console key toggles, V and Home are plain keys.
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
        app.Poll();
        EXPECT_NE(app.Console->IsOpen(), openFirst) << "Shift is not held";
        if (!app.Console->IsOpen())
        {
            Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
            app.Poll();
        }
        ASSERT_TRUE(app.Console->IsOpen());
        app.Console->SetInput("abc");
        const INT32 scroll = app.Console->Scroll;
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_V));
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_HOME));
        app.Poll();
        EXPECT_EQ(pastes, 0u) << "Control is not held: " << openFirst;
        EXPECT_EQ(app.Console->Cursor, 0u) << "Home moves the cursor: " << openFirst;
        EXPECT_EQ(app.Console->Scroll, scroll) << "and does not scroll: " << openFirst;
        Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE));
        app.Poll();
        ASSERT_FALSE(app.Console->IsOpen());
    }
}
