// ZNWindow on Win32: the window class, styles and client size, the message pump
// and the window procedure turning messages into the engine's window events.
// The engine's key codes are Windows' virtual-key codes, so keys pass as they are.
#include "window/ZNWindowWin32.h"

#include <shellapi.h>
#include <windowsx.h>

#include "core/ZNWin32.h"

const wchar_t* const kZNWindowClassName = L"ZNEngineWindow";

namespace
{
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    ZNWindow* win = reinterpret_cast<ZNWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (win)
    {
        ZNNativeEvent ev = { hwnd, message, wParam, lParam, false, 0 };
        win->HandleEvent(ev);
        if (ev.Handled)
            return ev.Result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Window styles for the engine's style flags: a framed window needs both a
// border and a caption; sizing and maximising only while resizable.
DWORD StyleFor(UINT32 flags, bool resizable)
{
    const bool framed = (flags & (ZNWS_Border | ZNWS_Caption)) == (ZNWS_Border | ZNWS_Caption);
    DWORD      style  = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (!framed)
        style |= WS_POPUP;
    else
    {
        style |= WS_CAPTION | WS_BORDER;
        if (flags & ZNWS_SysMenu)
            style |= WS_SYSMENU;
        if (flags & ZNWS_MinBox)
            style |= WS_MINIMIZEBOX;
        if (resizable && (flags & ZNWS_MaxBox))
            style |= WS_MAXIMIZEBOX;
        if (resizable && (flags & ZNWS_SizeFrame))
            style |= WS_THICKFRAME;
    }
    return style;
}

// Outer rectangle for a client area of width x height at x, y (-1, -1: centred).
RECT OuterRect(INT32 x, INT32 y, UINT32 width, UINT32 height, DWORD style)
{
    RECT r = { 0, 0, (LONG)width, (LONG)height };
    AdjustWindowRectEx(&r, style, FALSE, 0);
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    LONG       left, top;
    if (x == -1 && y == -1)
    {
        left = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        top  = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    }
    else
    {
        // x, y place the client area; the frame goes around it.
        left = x + r.left;
        top  = y + r.top;
    }
    RECT out = { left, top, left + w, top + h };
    return out;
}

void ReadClientSize(HWND hwnd, UINT32& width, UINT32& height)
{
    RECT c;
    GetClientRect(hwnd, &c);
    width  = (UINT32)(c.right - c.left);
    height = (UINT32)(c.bottom - c.top);
}
}   // namespace

ZNWindow::~ZNWindow()
{
    if (Native)
    {
        SetRelativeMouse(false);
        SetWindowLongPtrW(ZNWin32Window(*this), GWLP_USERDATA, 0);
        DestroyWindow(ZNWin32Window(*this));
    }
}

bool ZNWindow::RegisterClass(ZNString* error)
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSEXW wc;
    memset(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(wc);
    // Own device context: a GL context stays bound to the window's DC.
    wc.style         = CS_OWNDC | CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc   = WindowProc;
    wc.hInstance     = GetModuleHandleW(nullptr);
    wc.hCursor       = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.hIcon         = LoadIconW(nullptr, (LPCWSTR)IDI_APPLICATION);
    wc.lpszClassName = kZNWindowClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        if (error)
        {
            char text[128];
            snprintf(text, sizeof(text), "could not register the window class (error %lu)", GetLastError());
            *error = ZNString(text);
        }
        return false;
    }
    registered = true;
    return true;
}

void ZNWindow::Create(INT32 x, INT32 y, UINT32 width, UINT32 height, UINT32 flags, const ZNString& title)
{
    Flags               = flags;
    Title               = title;
    const bool   hidden = (flags & ZNWS_Hidden) != 0;
    const DWORD  style  = StyleFor(flags, Resizable != 0);
    const RECT   outer  = OuterRect(x, y, width, height, style);
    ZNWideString wideTitle(Title.CStr());

    HWND hwnd = ZNWin32Window(*this);
    if (hwnd)
    {
        SetWindowLongPtrW(hwnd, GWL_STYLE, (LONG_PTR)style);
        SetWindowTextW(hwnd, wideTitle.CStr());
        SetWindowPos(hwnd, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                     SWP_NOZORDER | SWP_FRAMECHANGED | (hidden ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
    }
    else
    {
        ZNString why;
        if (!RegisterClass(&why))
        {
            fprintf(stderr, "ZNWindow: %s\n", why.CStr());
            return;
        }
        hwnd = CreateWindowExW(0, kZNWindowClassName, wideTitle.CStr(), style, outer.left, outer.top,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
        if (!hwnd)
        {
            fprintf(stderr, "ZNWindow: could not create the window \"%s\" (error %lu)\n", Title.CStr(), GetLastError());
            return;
        }
        Native = reinterpret_cast<ZNNativeWindow*>(hwnd);
        if (AcceptDrops)
            DragAcceptFiles(hwnd, TRUE);
        if (!hidden)
        {
            ShowWindow(hwnd, SW_SHOW);
            SetForegroundWindow(hwnd);
        }
    }
    // What the system granted; a later size message compares against this.
    ReadClientSize(hwnd, Width, Height);
}

bool ZNWindow::PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
            return true;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return false;
}

void ZNWindow::HandleEvent(const ZNNativeEvent& ev)
{
    const WPARAM wp = ev.WParam;
    const LPARAM lp = ev.LParam;
    switch (ev.Message)
    {
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED)
            OnSize((UINT32)LOWORD(lp), (UINT32)HIWORD(lp));
        break;
    case WM_SETFOCUS: OnFocus(true); break;
    case WM_KILLFOCUS: OnFocus(false); break;
    case WM_CLOSE:
        // Only a request: the owner decides when the window goes.
        Queue(ZNWE_Close);
        ev.Handled = true;
        break;
    case WM_ERASEBKGND:
        // GL paints every pixel; erasing first only flickers.
        ev.Handled = true;
        ev.Result  = 1;
        break;

    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    {
        const bool down     = ev.Message == WM_KEYDOWN || ev.Message == WM_SYSKEYDOWN;
        const bool extended = (lp & (1 << 24)) != 0;   // the right-hand control and alt
        OnKey(down ? ZNWE_KeyDown : ZNWE_KeyUp, (UINT32)(wp & 0xFF), extended);
        // Alt+F4 keeps its meaning; other system keys would open the window menu.
        if (ev.Message != WM_KEYDOWN && ev.Message != WM_KEYUP && wp != VK_F4)
            ev.Handled = true;
        break;
    }
    case WM_CHAR:
        OnChar((UINT32)wp);
        ev.Handled = true;
        break;

    case WM_MOUSEMOVE:
        if (RelativeMouse)
        {
            // The pointer is put back at the centre after each move; the move
            // back reads as no motion and is dropped.
            RECT r;
            GetClientRect(ZNWin32Window(*this), &r);
            const INT32 dx = GET_X_LPARAM(lp) - r.right / 2;
            const INT32 dy = GET_Y_LPARAM(lp) - r.bottom / 2;
            if (dx || dy)
            {
                VirtualX += dx;
                VirtualY += dy;
                SetCursorPos(r.right / 2, r.bottom / 2);
                OnMouseMove(VirtualX, VirtualY);
            }
        }
        else
            OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // The window keeps the mouse while a button is held, so moves outside
        // arrive with negative or too-large coordinates.
        SetCapture(ev.Window);
        OnButton(ZNWE_ButtonDown, ev.Message == WM_LBUTTONDOWN ? 0 : ev.Message == WM_RBUTTONDOWN ? 1 : 2);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        OnButton(ZNWE_ButtonUp, ev.Message == WM_LBUTTONUP ? 0 : ev.Message == WM_RBUTTONUP ? 1 : 2);
        if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
            ReleaseCapture();
        break;
    case WM_MOUSEWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wp) > 0 ? 1 : GET_WHEEL_DELTA_WPARAM(wp) < 0 ? -1 : 0); break;

    case WM_DROPFILES:
    {
        HDROP drop = reinterpret_cast<HDROP>(wp);
        if (AcceptDrops)
        {
            const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            DropFiles.Clear();
            for (UINT i = 0; i < count; ++i)
            {
                const UINT n    = DragQueryFileW(drop, i, nullptr, 0);
                wchar_t*   name = static_cast<wchar_t*>(ZNAlloc(sizeof(wchar_t) * (n + 1)));
                DragQueryFileW(drop, i, name, n + 1);
                DropFiles.Add(ZNNarrowString(name));
                ZNFree(name);
            }
            FlushDrop();
        }
        DragFinish(drop);
        ev.Handled = true;
        break;
    }
    case WM_SYSCOMMAND:
        if ((Flags & ZNWS_NoSysMove) && (wp & 0xFFF0) == SC_MOVE)
            ev.Handled = true;
        break;
    default: break;
    }
}

void ZNWindow::SetCursorPos(INT32 x, INT32 y)
{
    if (!Native)
        return;
    POINT p = { x, y };
    ClientToScreen(ZNWin32Window(*this), &p);
    ::SetCursorPos(p.x, p.y);
}

void ZNWindow::RefreshClientSize()
{
    HWND hwnd = ZNWin32Window(*this);
    if (!hwnd || IsIconic(hwnd))
        return;
    RECT r;
    if (GetClientRect(hwnd, &r))
        OnSize((UINT32)(r.right - r.left), (UINT32)(r.bottom - r.top));
}

void ZNWindow::SetRelativeMouse(bool relative)
{
    HWND hwnd = ZNWin32Window(*this);
    if (!hwnd || (RelativeMouse != 0) == relative)
        return;
    RECT r;
    GetClientRect(hwnd, &r);
    if (relative)
    {
        // Motion accumulates from where the pointer is; it then waits at the
        // centre, hidden and held inside the window.
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        VirtualX      = p.x;
        VirtualY      = p.y;
        RelativeMouse = 1;
        ShowCursor(FALSE);
        SetCursorPos(r.right / 2, r.bottom / 2);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        ::ClipCursor(&r);
        return;
    }
    RelativeMouse = 0;
    ShowCursor(TRUE);
    if (!CursorClipped)
        ::ClipCursor(nullptr);
}

void ZNWindow::SetTitle(const ZNString& title)
{
    if (!Native)
        return;
    Title = title;
    SetWindowTextW(ZNWin32Window(*this), ZNWideString(Title.CStr()).CStr());
}

void ZNWindow::Show(bool show)
{
    if (Native)
        ShowWindow(ZNWin32Window(*this), show ? SW_SHOW : SW_HIDE);
}

void ZNWindow::ApplyResizableStyle()
{
    HWND hwnd = ZNWin32Window(*this);
    if (!hwnd)
        return;
    const DWORD style = StyleFor(Flags, Resizable != 0) | (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE, (LONG_PTR)style);
    // Keep the client area: the frame grows or shrinks around it.
    RECT client;
    GetClientRect(hwnd, &client);
    RECT outer = client;
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void ZNWindow::SetAcceptDrops(bool accept)
{
    AcceptDrops = accept ? 1 : 0;
    if (!accept)
    {
        DropFiles.Clear();
        DropOpen = 0;
    }
    if (Native)
        DragAcceptFiles(ZNWin32Window(*this), accept ? TRUE : FALSE);
}

bool ZNWindow::IsActive() const
{
    HWND hwnd = ZNWin32Window(*this);
    return hwnd && GetForegroundWindow() == hwnd && IsWindowVisible(hwnd) && !IsIconic(hwnd);
}

void ZNWindow::ClipCursor(bool clip)
{
    HWND hwnd = ZNWin32Window(*this);
    if (clip && IsActive())
    {
        RECT r;
        GetClientRect(hwnd, &r);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        ::ClipCursor(&r);
        CursorClipped = 1;
        return;
    }
    if (CursorClipped)
    {
        ::ClipCursor(nullptr);
        CursorClipped = 0;
    }
}

bool ZNGetClipboardText(ZNString& text)
{
    text.Clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr))
        return false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
    {
        if (const wchar_t* wide = (const wchar_t*)GlobalLock(data))
        {
            // Another program's text need not end with a terminator: it is read
            // up to one or to the end of its block, never past it.
            const SIZE_T room  = GlobalSize(data) / sizeof(wchar_t);
            SIZE_T       chars = 0;
            while (chars < room && wide[chars])
                ++chars;
            const int n = chars ? WideCharToMultiByte(CP_UTF8, 0, wide, (int)chars, nullptr, 0, nullptr, nullptr) : 0;
            if (n > 0)
            {
                char* utf8 = static_cast<char*>(ZNAlloc((size_t)n));
                WideCharToMultiByte(CP_UTF8, 0, wide, (int)chars, utf8, n, nullptr, nullptr);
                text = ZNString(utf8, (UINT32)n);
                ZNFree(utf8);
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return !text.Empty();
}
