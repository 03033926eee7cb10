// ZNWindowWin32: the Win32 backend's side of ZNWindow, for the platform files
// and for tests that send messages to a window. Nothing else includes it.
//
//   SendMessageW(ZNWin32Window(win), WM_KEYDOWN, 'W', 0);   // through the procedure
//   win.HandleEvent(ZNNativeEvent{hwnd, WM_CHAR, 'a', 0});   // or straight in
#pragma once

#include <windows.h>
// The engine has methods of these names; Windows makes them macros.
#undef RegisterClass
#undef CreateWindow

#include "window/ZNWindow.h"

// One window message. The procedure says whether it answered the message
// itself; unanswered messages go on to the system's default handling.
struct ZNNativeEvent
{
    HWND            Window;
    UINT            Message;
    WPARAM          WParam;
    LPARAM          LParam;
    mutable bool    Handled;
    mutable LRESULT Result;
};

// The window behind win; null before Create.
inline HWND ZNWin32Window(const ZNWindow& win)
{
    return reinterpret_cast<HWND>(win.Handle());
}

// The window class every ZNWindow is made from.
extern const wchar_t* const kZNWindowClassName;
