// Translation of platform events into window events and listener calls, and the
// event queue. No display needed: the window is never created natively and the
// events are built by hand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "WindowTestUtil.h"
#include "window/ZNWindow.h"

namespace
{
struct RecordingListener : ZNWindowListener
{
    std::vector<std::pair<UINT32, UINT32>>      resizes;
    std::vector<std::pair<UINT32, std::string>> drops;
    std::vector<bool>                           focus;
    // Drop answers, consumed in order; true once they run out.
    std::vector<bool>                           dropAnswers;
    // Queue length seen when the focus call arrived.
    std::vector<UINT32>                         queuedAtFocus;
    ZNWindow*                                   win = nullptr;

    void Resize(UINT32 w, UINT32 h) override { resizes.push_back({ w, h }); }
    bool Drop(UINT32 i, const ZNString& name) override
    {
        drops.push_back({ i, name.CStr() });
        if (dropAnswers.empty())
            return true;
        bool a = dropAnswers.front();
        dropAnswers.erase(dropAnswers.begin());
        return a;
    }
    void Focus(bool gained) override
    {
        focus.push_back(gained);
        queuedAtFocus.push_back(win ? win->QueuedCount() : 0);
    }
};

std::vector<ZNWindowEvent> Drain(ZNWindow& win)
{
    std::vector<ZNWindowEvent> out;
    ZNWindowEvent              ev;
    while (win.PopEvent(ev))
        out.push_back(ev);
    return out;
}

std::vector<std::pair<UINT32, UINT32>> TypesAndCodes(ZNWindow& win)
{
    std::vector<std::pair<UINT32, UINT32>> out;
    for (const ZNWindowEvent& ev : Drain(win))
        out.push_back({ ev.Type, ev.Code });
    return out;
}

typedef std::vector<std::pair<UINT32, UINT32>> Pairs;
}   // namespace

TEST(WindowEvents, ModifierKeysAreFollowedBySideSpecificCodes)
{
    ZNWindow win;
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LCTRL));
    win.HandleEvent(KeyEvent(SDL_KEYUP, SDL_SCANCODE_RCTRL));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_LALT));
    win.HandleEvent(KeyEvent(SDL_KEYUP, SDL_SCANCODE_RALT));
    // Either shift reads as the left one: 16 then 160.
    EXPECT_EQ(TypesAndCodes(win), (Pairs{ { 2, 16 },
                                          { 2, 160 },
                                          { 2, 16 },
                                          { 2, 160 },
                                          { 2, 17 },
                                          { 2, 162 },
                                          { 3, 17 },
                                          { 3, 163 },
                                          { 2, 18 },
                                          { 2, 164 },
                                          { 3, 18 },
                                          { 3, 165 } }));
}

TEST(WindowEvents, OrdinaryKeysGiveOneVirtualKeyEvent)
{
    ZNWindow win;
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_W));
    win.HandleEvent(KeyEvent(SDL_KEYUP, SDL_SCANCODE_W));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_SPACE));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_0));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_9));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_F1));
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE));
    // A key without an engine code queues nothing.
    win.HandleEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_AC_BACK));
    EXPECT_EQ(
        TypesAndCodes(win),
        (Pairs{
            { 2, 0x57 }, { 3, 0x57 }, { 2, 0x20 }, { 2, 192 }, { 2, 0x30 }, { 2, 0x39 }, { 2, 0x70 }, { 2, 0x1B } }));
}


TEST(WindowEvents, ButtonsGetCodesOneToThreeAndIndicesZeroToTwo)
{
    ZNWindow win;
    win.HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    win.HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    win.HandleEvent(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE));
    win.HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1));   // no engine code
    std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 3u);
    EXPECT_EQ(evs[0].Type, 4u);
    EXPECT_EQ(evs[0].Code, 1u);
    EXPECT_EQ(evs[0].Button, 0u);
    EXPECT_EQ(evs[1].Type, 4u);
    EXPECT_EQ(evs[1].Code, 2u);
    EXPECT_EQ(evs[1].Button, 1u);
    EXPECT_EQ(evs[2].Type, 5u);
    EXPECT_EQ(evs[2].Code, 3u);
    EXPECT_EQ(evs[2].Button, 2u);
}

TEST(WindowEvents, WheelForwardIsMinusOneWithCode139)
{
    ZNWindow win;
    win.HandleEvent(WheelEvent(1));
    win.HandleEvent(WheelEvent(-2));
    win.HandleEvent(WheelEvent(1, SDL_MOUSEWHEEL_FLIPPED));   // a flipped device
    win.HandleEvent(WheelEvent(0));                           // sideways only
    std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 3u);
    EXPECT_EQ(evs[0].Wheel, -1);
    EXPECT_EQ(evs[0].Code, 139u);
    EXPECT_EQ(evs[1].Wheel, 1);
    EXPECT_EQ(evs[1].Code, 140u);
    EXPECT_EQ(evs[2].Wheel, 1);
    EXPECT_EQ(evs[2].Code, 140u);
}

TEST(WindowEvents, CharactersAreEachByteMaskedTo7Bits)
{
    ZNWindow win;
    win.HandleEvent(TextEvent("a\xC3\xA9"));   // "aé" in UTF-8: three bytes
    std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 3u);
    for (const ZNWindowEvent& ev : evs)
        EXPECT_EQ(ev.Type, 8u);
    EXPECT_EQ(evs[0].Char, (UINT32)'a');
    EXPECT_EQ(evs[1].Char, 0xC3u & 127);
    EXPECT_EQ(evs[2].Char, 0xA9u & 127);
}

TEST(WindowEvents, MouseMoveKeepsPositionsLeftOfTheWindowNegative)
{
    ZNWindow win;
    win.HandleEvent(MotionEvent(640, 300));
    win.HandleEvent(MotionEvent(-5, -7));   // dragged past the edge with a button held
    std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 2u);
    EXPECT_EQ(evs[0].Type, 6u);
    EXPECT_EQ(evs[0].X, 640);
    EXPECT_EQ(evs[0].Y, 300);
    EXPECT_EQ(evs[1].X, -5);
    EXPECT_EQ(evs[1].Y, -7);
}

TEST(WindowEvents, ResizeReachesTheListenerOnlyWhenTheSizeChanged)
{
    ZNWindow          win;
    RecordingListener l;
    win.Listener = &l;
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));   // same size
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0));       // minimised
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));   // restored to it
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 801, 600));
    EXPECT_EQ(l.resizes, (Pairs{ { 800, 600 }, { 801, 600 } }));
    EXPECT_EQ(win.ClientWidth(), 801u);
    EXPECT_EQ(win.ClientHeight(), 600u);
    // A resize is not an event of the queue.
    EXPECT_EQ(win.QueuedCount(), 0u);
}

TEST(WindowEvents, FocusTellsTheListenerBeforeQueueing)
{
    ZNWindow          win;
    RecordingListener l;
    l.win        = &win;
    win.Listener = &l;
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_EQ(l.focus, (std::vector<bool>{ true, false }));
    EXPECT_EQ(l.queuedAtFocus, (std::vector<UINT32>{ 0, 1 }));
    EXPECT_EQ(TypesAndCodes(win), (Pairs{ { 9, 0 }, { 10, 0 } }));
}

TEST(WindowEvents, CloseIsOnlyQueuedAndWorksWithoutListener)
{
    ZNWindow win;
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));   // no listener: no crash
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_CLOSE));
    win.HandleEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 10, 10));
    EXPECT_EQ(TypesAndCodes(win), (Pairs{ { 9, 0 }, { 1, 0 } }));
    EXPECT_EQ(win.ClientWidth(), 10u);
}

TEST(WindowEvents, DroppedFilesFollowTheCountThenNamesProtocol)
{
    char              a[] = "/tmp/a.png", b[] = "/tmp/b.png", c[] = "/tmp/c.png";
    ZNWindow          win;
    RecordingListener l;
    win.Listener = &l;

    // Not accepting drops: nothing arrives.
    win.HandleEvent(DropEvent(SDL_DROPBEGIN));
    win.HandleEvent(DropEvent(SDL_DROPFILE, a));
    win.HandleEvent(DropEvent(SDL_DROPCOMPLETE));
    EXPECT_TRUE(l.drops.empty());

    win.SetAcceptDrops(true);
    win.HandleEvent(DropEvent(SDL_DROPBEGIN));
    win.HandleEvent(DropEvent(SDL_DROPFILE, a));
    win.HandleEvent(DropEvent(SDL_DROPFILE, b));
    win.HandleEvent(DropEvent(SDL_DROPFILE, c));
    EXPECT_TRUE(l.drops.empty()) << "names are handed over once the batch is complete";
    l.dropAnswers = { true, true, false };   // stop after the second name
    win.HandleEvent(DropEvent(SDL_DROPCOMPLETE));
    typedef std::vector<std::pair<UINT32, std::string>> Drops;
    EXPECT_EQ(l.drops, (Drops{ { 3, "" }, { 0, a }, { 1, b } }));

    // The listener declining the count gets no names.
    l.drops.clear();
    l.dropAnswers = { false };
    win.HandleEvent(DropEvent(SDL_DROPBEGIN));
    win.HandleEvent(DropEvent(SDL_DROPFILE, a));
    win.HandleEvent(DropEvent(SDL_DROPCOMPLETE));
    EXPECT_EQ(l.drops, (Drops{ { 1, "" } }));

    // A file without an announced batch is a batch of one.
    l.drops.clear();
    win.HandleEvent(DropEvent(SDL_DROPFILE, c));
    EXPECT_EQ(l.drops, (Drops{ { 1, "" }, { 0, c } }));
    EXPECT_EQ(win.QueuedCount(), 0u);
}

TEST(WindowEvents, QueueCompactsAfter513ReadsAndKeepsOrder)
{
    ZNWindow win;
    // Codes count the events so the order can be followed across the compaction.
    for (UINT32 i = 0; i < 600; ++i)
    {
        SDL_Event ev = MotionEvent((Sint32)i, 0);
        win.HandleEvent(ev);
    }
    ZNWindowEvent ev;
    for (UINT32 i = 0; i < 512; ++i)
    {
        ASSERT_TRUE(win.PopEvent(ev));
        ASSERT_EQ(ev.X, (INT32)i);
    }
    EXPECT_EQ(win.ReadPosition(), 512u);
    EXPECT_EQ(win.QueuedCount(), 600u);

    ASSERT_TRUE(win.PopEvent(ev));   // the 513th read
    EXPECT_EQ(ev.X, 512);
    EXPECT_EQ(win.QueuedCount(), 600u - 513u);
    EXPECT_EQ(win.ReadPosition(), 0u);

    // Events queued after the compaction come after the unread ones.
    win.HandleEvent(MotionEvent(9999, 0));
    std::vector<ZNWindowEvent> rest = Drain(win);
    ASSERT_EQ(rest.size(), 88u);
    EXPECT_EQ(rest.front().X, 513);
    EXPECT_EQ(rest[86].X, 599);
    EXPECT_EQ(rest.back().X, 9999);
    EXPECT_FALSE(win.PopEvent(ev));
}
