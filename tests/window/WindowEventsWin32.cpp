// The Win32 window: messages become the same engine events as on every
// platform, the close is only a request, the client area is what was asked for.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "window/ZNWindowWin32.h"

namespace
{
struct Recorder : ZNWindowListener
{
    std::vector<std::string> Calls;
    bool                     AcceptDrop = true;
    void                     Resize(UINT32 w, UINT32 h) override
    {
        Calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
    }
    bool Drop(UINT32 index, const ZNString& name) override
    {
        Calls.push_back("drop " + std::to_string(index) + " " + name.CStr());
        return AcceptDrop;
    }
    void Focus(bool gained) override { Calls.push_back(gained ? "focus in" : "focus out"); }
    virtual ~Recorder() = default;
};

void Send(ZNWindow& win, UINT message, WPARAM wp, LPARAM lp = 0)
{
    ZNNativeEvent ev = { ZNWin32Window(win), message, wp, lp, false, 0 };
    win.HandleEvent(ev);
}

std::vector<ZNWindowEvent> Drain(ZNWindow& win)
{
    std::vector<ZNWindowEvent> out;
    ZNWindowEvent              ev;
    while (win.PopEvent(ev))
        out.push_back(ev);
    return out;
}

class Win32WindowGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ZNWindow::RegisterClass());
        win.Create(10, 10, 320, 200, 63 | ZNWS_Hidden, ZNString("events"));
        ASSERT_NE(win.Handle(), nullptr);
        win.Listener = &rec;
        Drain(win);
        rec.Calls.clear();
    }
    ZNWindow win;
    Recorder rec;
};
}   // namespace

TEST_F(Win32WindowGL, KeysPassTheirVirtualKeyAndPairsAddTheirSide)
{
    Send(win, WM_KEYDOWN, 'W');
    Send(win, WM_KEYDOWN, VK_SHIFT);
    Send(win, WM_KEYDOWN, VK_CONTROL, 1 << 24);   // the right-hand one
    Send(win, WM_SYSKEYUP, VK_MENU);
    Send(win, WM_KEYDOWN, VK_OEM_3);
    const std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 8u);
    EXPECT_EQ(evs[0].Type, (UINT32)ZNWE_KeyDown);
    EXPECT_EQ(evs[0].Code, (UINT32)'W');
    EXPECT_EQ(evs[1].Code, (UINT32)ZNK_Shift);
    EXPECT_EQ(evs[2].Code, (UINT32)ZNK_LShift);
    EXPECT_EQ(evs[3].Code, (UINT32)ZNK_Control);
    EXPECT_EQ(evs[4].Code, (UINT32)ZNK_RControl);
    EXPECT_EQ(evs[5].Type, (UINT32)ZNWE_KeyUp);
    EXPECT_EQ(evs[6].Code, (UINT32)ZNK_LAlt);
    EXPECT_EQ(evs[7].Code, (UINT32)ZNK_Console);
}

TEST_F(Win32WindowGL, CharactersMouseButtonsAndWheel)
{
    Send(win, WM_CHAR, 'a' | 0x80);
    Send(win, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 7));
    Send(win, WM_RBUTTONDOWN, MK_RBUTTON);
    Send(win, WM_RBUTTONUP, 0);
    Send(win, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
    Send(win, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA));
    const std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 6u);
    EXPECT_EQ(evs[0].Type, (UINT32)ZNWE_Char);
    EXPECT_EQ(evs[0].Char, (UINT32)'a');
    EXPECT_EQ(evs[1].Type, (UINT32)ZNWE_MouseMove);
    EXPECT_EQ(evs[1].X, -5);
    EXPECT_EQ(evs[1].Y, 7);
    EXPECT_EQ(evs[2].Code, (UINT32)ZNK_RButton);
    EXPECT_EQ(evs[2].Button, 1u);
    EXPECT_EQ(evs[3].Type, (UINT32)ZNWE_ButtonUp);
    EXPECT_EQ(evs[4].Code, (UINT32)ZNK_WheelFwd);
    EXPECT_EQ(evs[4].Wheel, -1);
    EXPECT_EQ(evs[5].Code, (UINT32)ZNK_WheelBack);
    EXPECT_EQ(evs[5].Wheel, 1);
}

TEST_F(Win32WindowGL, CloseIsARequestAndTheWindowStays)
{
    // Through the class's procedure, as the system delivers it.
    SendMessageW(ZNWin32Window(win), WM_CLOSE, 0, 0);
    const std::vector<ZNWindowEvent> evs = Drain(win);
    ASSERT_EQ(evs.size(), 1u);
    EXPECT_EQ(evs[0].Type, (UINT32)ZNWE_Close);
    EXPECT_TRUE(IsWindow(ZNWin32Window(win)));
}

TEST_F(Win32WindowGL, SizeReachesTheListenerOnlyForARealChange)
{
    Send(win, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    Send(win, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    Send(win, WM_SIZE, SIZE_MINIMIZED, 0);
    Send(win, WM_SETFOCUS, 0);
    ASSERT_EQ(rec.Calls.size(), 2u);
    EXPECT_EQ(rec.Calls[0], "resize 640x480");
    EXPECT_EQ(rec.Calls[1], "focus in");
    EXPECT_EQ(win.ClientWidth(), 640u);
}

TEST_F(Win32WindowGL, DroppedFilesArriveAsUtf8WithTheirCountFirst)
{
    const wchar_t names[] = L"C:\\data\\a.png\0C:\\data\\\u00fcber.txt\0";
    HGLOBAL       memory  = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof(names));
    DROPFILES*    drop    = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles          = sizeof(DROPFILES);
    drop->fWide           = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names, sizeof(names));
    GlobalUnlock(memory);

    win.SetAcceptDrops(true);
    Send(win, WM_DROPFILES, reinterpret_cast<WPARAM>(memory));   // the procedure frees it
    ASSERT_EQ(rec.Calls.size(), 3u);
    EXPECT_EQ(rec.Calls[0], "drop 2 ");
    EXPECT_EQ(rec.Calls[1], "drop 0 C:\\data\\a.png");
    EXPECT_EQ(rec.Calls[2], "drop 1 C:\\data\\\xc3\xbc"
                            "ber.txt");
}

TEST(Win32WindowCreateGL, FramedWindowHasTheAskedClientAreaAndTitle)
{
    ZNWindow win;
    win.Create(-1, -1, 1024, 576, 63, ZNString("Vendrapolis - Voxel sprites"));
    HWND hwnd = ZNWin32Window(win);
    ASSERT_NE(hwnd, nullptr);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right - client.left, 1024);
    EXPECT_EQ(client.bottom - client.top, 576);
    EXPECT_EQ(win.ClientWidth(), 1024u);
    wchar_t title[64];
    GetWindowTextW(hwnd, title, 64);
    EXPECT_STREQ(title, L"Vendrapolis - Voxel sprites");
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME) << "sizing only once resizable";
    win.SetResizable(true);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_THICKFRAME);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right - client.left, 1024) << "the frame grows around the client area";
}
