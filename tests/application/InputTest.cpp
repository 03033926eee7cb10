// ZNInput and the application window's Poll, fed with hand-made events through
// its (never created) native window. No display needed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window/WindowTestUtil.h"
#include "application/ZNAppWindow.h"

namespace
{
struct RecordingBinding : ZNInputBinding
{
    std::vector<std::string> log;
    void                     OnKey(UINT32 code, bool down) override
    {
        log.push_back("key " + std::to_string(code) + (down ? " down" : " up"));
    }
    void OnAxis(UINT32 axis, float value) override
    {
        log.push_back("axis " + std::to_string(axis) + " " + std::to_string(value));
    }
    void OnFrame() override { log.push_back("frame"); }
};

// An application window that is never opened: its native window only queues.
struct PollFixture : ::testing::Test
{
    ZNAppWindow app{ nullptr };
    ZNWindow&   Native() { return *app.NativeWindow(); }
    void        Feed(const SDL_Event& ev) { Native().HandleEvent(ev); }
};
}   // namespace

TEST_F(PollFixture, KeyStateRunsUpPressedHeldReleased)
{
    EXPECT_FALSE(app.Poll());
    EXPECT_EQ(app.Input.KeyState('W'), 0u);

    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
    EXPECT_FALSE(app.Poll());
    EXPECT_EQ(app.Input.KeyState('W'), 1u);

    EXPECT_FALSE(app.Poll());   // nothing new: still down
    EXPECT_EQ(app.Input.KeyState('W'), 2u);

    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_W));
    EXPECT_FALSE(app.Poll());
    EXPECT_EQ(app.Input.KeyState('W'), 3u);

    EXPECT_FALSE(app.Poll());
    EXPECT_EQ(app.Input.KeyState('W'), 0u);
}

// A tap shorter than a frame: whatever follows a press within one poll (a
// release, a release and another press), the key reads pressed for that poll,
// then as it really is; a key held across the poll reads pressed once more
// when it went up and down again meanwhile.
TEST_F(PollFixture, APressWithinAPollReadsPressedWhateverFollows)
{
    struct Case
    {
        std::vector<Uint32> Events;
        UINT32              Then;
    };
    const Case cases[] = {
        { { SDL_KEYDOWN, SDL_KEYUP }, 0u },
        { { SDL_KEYDOWN, SDL_KEYUP, SDL_KEYDOWN }, 2u },
        { { SDL_KEYDOWN, SDL_KEYUP, SDL_KEYDOWN, SDL_KEYUP }, 0u },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Events.size());
        for (Uint32 type : c.Events)
            Feed(KeyEvent(type, SDL_SCANCODE_SPACE));
        app.Poll();
        EXPECT_EQ(app.Input.KeyState(0x20), 1u);
        app.Poll();
        EXPECT_EQ(app.Input.KeyState(0x20), c.Then);
        Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_SPACE));
        app.Poll();
        app.Poll();
        ASSERT_EQ(app.Input.KeyState(0x20), 0u);
    }
    // Held from before: released and pressed again within one poll is a new press.
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
    app.Poll();
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(0x20), 2u);
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_SPACE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(0x20), 1u);
    // A release alone still reads released, and a key never touched reads up.
    Feed(KeyEvent(SDL_KEYUP, SDL_SCANCODE_SPACE));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(0x20), 3u);
    EXPECT_EQ(app.Input.KeyState('Q'), 0u);
}

TEST_F(PollFixture, ButtonsAreKeysAndButtons)
{
    Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(2), 1u);
    EXPECT_EQ(app.Input.Buttons[1], 1);
    EXPECT_EQ(app.Input.Buttons[0], 0);
    Feed(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT));
    app.Poll();
    EXPECT_EQ(app.Input.KeyState(2), 3u);
    EXPECT_EQ(app.Input.Buttons[1], 0);
    EXPECT_EQ(app.Input.PrevButtons[1], 1);
}

TEST_F(PollFixture, WheelKeysStayDownAndWheelLastsOnePoll)
{
    Feed(WheelEvent(1));
    app.Poll();
    EXPECT_EQ(app.Input.Wheel, -1.0f);
    EXPECT_EQ(app.Input.KeyState(139), 1u);

    Feed(WheelEvent(-1));
    app.Poll();
    EXPECT_EQ(app.Input.Wheel, 1.0f);
    EXPECT_EQ(app.Input.PrevWheel, -1.0f);

    for (int i = 0; i < 3; ++i)
        app.Poll();
    EXPECT_EQ(app.Input.Wheel, 0.0f);
    EXPECT_EQ(app.Input.KeyState(139), 2u);
    EXPECT_EQ(app.Input.KeyState(140), 2u);
}

TEST_F(PollFixture, CloseReturnsAtOnceAndLeavesLaterEventsQueued)
{
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A));
    Feed(WindowEvent(SDL_WINDOWEVENT_CLOSE));
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_B));
    EXPECT_TRUE(app.Poll());
    EXPECT_EQ(app.Input.Keys['A'], 1);
    EXPECT_EQ(app.Input.Keys['B'], 0);

    EXPECT_FALSE(app.Poll());
    EXPECT_EQ(app.Input.Keys['B'], 1);
    EXPECT_EQ(app.Input.KeyState('A'), 2u);
}

TEST_F(PollFixture, MouseMoveStoresPositionAndFeedsRelativeAxes)
{
    RecordingBinding b;
    app.Input.AddBinding(&b);
    // The size the axes are divided by: what the window's listener learnt.
    app.RenderWindow.Resize(800, 400);

    Feed(MotionEvent(200, 100));
    app.Poll();
    EXPECT_EQ(app.Input.Mouse[0], 200.0f);
    EXPECT_EQ(app.Input.Mouse[1], 100.0f);
    ASSERT_EQ(b.log.size(), 3u);
    EXPECT_EQ(b.log[0], "frame");
    EXPECT_EQ(b.log[1], "axis 4106 " + std::to_string(0.25f));
    EXPECT_EQ(b.log[2], "axis 4107 " + std::to_string(0.25f));

    b.log.clear();
    Feed(MotionEvent(100, 100));
    app.Poll();
    EXPECT_EQ(app.Input.PrevMouse[0], 200.0f);
    ASSERT_EQ(b.log.size(), 3u);
    EXPECT_EQ(b.log[1], "axis 4106 " + std::to_string(-0.125f));
    EXPECT_EQ(b.log[2], "axis 4107 " + std::to_string(0.0f));
    app.Input.RemoveBinding(&b);
}

TEST_F(PollFixture, BindingsSeeKeysButtonsAndWheel)
{
    RecordingBinding b;
    app.Input.AddBinding(&b);
    Feed(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_D));
    Feed(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE));
    Feed(WheelEvent(-3));
    app.Poll();
    EXPECT_EQ(b.log, (std::vector<std::string>{ "frame", "key 68 down", "key 3 down", "key 4098 down", "key 140 down",
                                                "axis 4108 " + std::to_string(1.0f) }));
    app.Input.RemoveBinding(&b);
    b.log.clear();
    app.Poll();
    EXPECT_TRUE(b.log.empty());
}

TEST_F(PollFixture, TextCollectsCharactersOfOnePoll)
{
    Feed(TextEvent("hi"));
    Feed(TextEvent("!"));
    app.Poll();
    EXPECT_STREQ(app.Input.Text.CStr(), "hi!");
    app.Poll();
    EXPECT_EQ(app.Input.Text.Size(), 0u);
}


TEST(Input, OutOfRangeCodesReportOnceAndTouchNothing)
{
    ZNDialogRecorder rec;
    ZNInput          in;
    EXPECT_EQ(in.KeyState(256), 0u);
    EXPECT_EQ(rec.Asserts("off >= cnt"), 1u);
    in.SetKey(300, 1);
    EXPECT_EQ(rec.Asserts("off >= cnt"), 2u);
    in.SetButton(3, 1);
    EXPECT_EQ(rec.Asserts("off >= cnt"), 3u);
    for (UINT32 k = 0; k < 256; ++k)
        ASSERT_EQ(in.Keys[k], 0);
    for (UINT32 b = 0; b < 3; ++b)
        EXPECT_EQ(in.Buttons[b], 0);
}
