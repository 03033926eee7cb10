// ZNWindow on SDL2: starting the video system, window creation and restyling,
// the pump and the translation of SDL events into the engine's window events.
#include "window/ZNWindowSDL.h"

#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
// Name under which each SDL window carries its ZNWindow (the "user data").
const char* const kWindowDataName = "ZNWindow";

UINT32 EventWindowId(const SDL_Event& ev)
{
    switch (ev.type)
    {
    case SDL_WINDOWEVENT: return ev.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return ev.key.windowID;
    case SDL_TEXTINPUT: return ev.text.windowID;
    case SDL_MOUSEMOTION: return ev.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return ev.button.windowID;
    case SDL_MOUSEWHEEL: return ev.wheel.windowID;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPCOMPLETE: return ev.drop.windowID;
    default: return 0;
    }
}

SDL_Window* Sdl(ZNNativeWindow* native)
{
    return reinterpret_cast<SDL_Window*>(native);
}

// The size of the window's drawable as the display server has it. On X11 SDL
// announces the size it asked for (a fullscreen mode, say) whether or not the
// window got it; without a window manager to grant it the window keeps its
// old size, so the server is asked directly.
void DrawableSize(SDL_Window* native, int& w, int& h)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    // SDL loads Xlib itself at run time; so does this, rather than tying the
    // engine's link to it.
    typedef Status (*GetAttributes)(Display*, Window, XWindowAttributes*);
    static GetAttributes getAttributes = nullptr;
    static bool          looked        = false;
    if (!looked)
    {
        looked = true;
        if (void* xlib = SDL_LoadObject("libX11.so.6"))
            getAttributes = reinterpret_cast<GetAttributes>(SDL_LoadFunction(xlib, "XGetWindowAttributes"));
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (getAttributes && SDL_GetWindowWMInfo(native, &info) && info.subsystem == SDL_SYSWM_X11)
    {
        XWindowAttributes attributes;
        if (getAttributes(info.info.x11.display, info.info.x11.window, &attributes))
        {
            w = attributes.width;
            h = attributes.height;
            return;
        }
    }
#endif
    SDL_GL_GetDrawableSize(native, &w, &h);
}

ZNWindow* FindWindow(UINT32 id)
{
    SDL_Window* native = SDL_GetWindowFromID(id);
    return native ? static_cast<ZNWindow*>(SDL_GetWindowData(native, kWindowDataName)) : nullptr;
}
}   // namespace

// Physical key positions of a US keyboard, so the movement keys and the console
// key stay where the hand expects them whatever the layout.
UINT32 ZNKeyFromScancode(SDL_Scancode sc)
{
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return 0x41 + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return 0x31 + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return 0x70 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24)
        return 0x7C + (sc - SDL_SCANCODE_F13);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9)
        return 0x61 + (sc - SDL_SCANCODE_KP_1);

    switch (sc)
    {
    case SDL_SCANCODE_0: return 0x30;
    case SDL_SCANCODE_KP_0: return 0x60;
    case SDL_SCANCODE_BACKSPACE: return 0x08;
    case SDL_SCANCODE_TAB: return 0x09;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return 0x0D;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return ZNK_Shift;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return ZNK_Control;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return ZNK_Alt;
    case SDL_SCANCODE_PAUSE: return 0x13;
    case SDL_SCANCODE_CAPSLOCK: return 0x14;
    case SDL_SCANCODE_ESCAPE: return 0x1B;
    case SDL_SCANCODE_SPACE: return 0x20;
    case SDL_SCANCODE_PAGEUP: return 0x21;
    case SDL_SCANCODE_PAGEDOWN: return 0x22;
    case SDL_SCANCODE_END: return 0x23;
    case SDL_SCANCODE_HOME: return 0x24;
    case SDL_SCANCODE_LEFT: return 0x25;
    case SDL_SCANCODE_UP: return 0x26;
    case SDL_SCANCODE_RIGHT: return 0x27;
    case SDL_SCANCODE_DOWN: return 0x28;
    case SDL_SCANCODE_PRINTSCREEN: return 0x2C;
    case SDL_SCANCODE_INSERT: return 0x2D;
    case SDL_SCANCODE_DELETE: return 0x2E;
    case SDL_SCANCODE_LGUI: return 0x5B;
    case SDL_SCANCODE_RGUI: return 0x5C;
    case SDL_SCANCODE_APPLICATION: return 0x5D;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
    case SDL_SCANCODE_KP_PLUS: return 0x6B;
    case SDL_SCANCODE_KP_MINUS: return 0x6D;
    case SDL_SCANCODE_KP_PERIOD: return 0x6E;
    case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x90;
    case SDL_SCANCODE_SCROLLLOCK: return 0x91;
    case SDL_SCANCODE_SEMICOLON: return 0xBA;
    case SDL_SCANCODE_EQUALS: return 0xBB;
    case SDL_SCANCODE_COMMA: return 0xBC;
    case SDL_SCANCODE_MINUS: return 0xBD;
    case SDL_SCANCODE_PERIOD: return 0xBE;
    case SDL_SCANCODE_SLASH: return 0xBF;
    case SDL_SCANCODE_GRAVE: return ZNK_Console;
    case SDL_SCANCODE_LEFTBRACKET: return 0xDB;
    case SDL_SCANCODE_BACKSLASH: return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;
    case SDL_SCANCODE_APOSTROPHE: return 0xDE;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2;
    default: return 0;
    }
}

ZNWindow::~ZNWindow()
{
    if (Native)
    {
        if (RelativeMouse)
            SDL_SetRelativeMouseMode(SDL_FALSE);
        SDL_SetWindowData(Sdl(Native), kWindowDataName, nullptr);
#ifdef __EMSCRIPTEN__
        if (!ZNLetGoOfCanvasWindow(Sdl(Native)))
            return;
#endif
        SDL_DestroyWindow(Sdl(Native));
    }
}

// SDL picks the first driver that starts. Should the X server refuse the
// connection for a moment (a busy virtual display), it would move on to its
// offscreen driver, which shows nothing and says nothing; asking for the
// display's driver by name makes such a failure a failure, with SDL's reason.
bool ZNStartSDLVideo(ZNString* error)
{
#ifdef __EMSCRIPTEN__
    // A page always has its canvas: no display to look for.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        if (error)
            *error = ZNString(SDL_GetError());
        return false;
    }
    return true;
#endif
    const char* chosen  = getenv("SDL_VIDEODRIVER");
    const char* x11     = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    const char* driver  = nullptr;
    char        where[256];
    if (chosen && *chosen)
    {
        driver = chosen;
        snprintf(where, sizeof(where), "the video driver \"%s\" (SDL_VIDEODRIVER)", chosen);
    }
    else if (x11 && *x11)
    {
        driver = "x11";
        snprintf(where, sizeof(where), "the X display \"%s\"", x11);
    }
    else if (wayland && *wayland)
    {
        driver = "wayland";
        snprintf(where, sizeof(where), "the Wayland display \"%s\"", wayland);
    }
    else
    {
        if (error)
            *error = ZNString("no display to open windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        if (error)
        {
            char text[512];
            snprintf(text, sizeof(text), "could not open %s: %s", where, SDL_GetError());
            *error = ZNString(text);
        }
        return false;
    }
    return true;
}

bool ZNWindow::RegisterClass(ZNString* error)
{
    static bool registered = false;
    if (registered)
        return true;
    // SIGINT and SIGTERM keep their ordinary meaning: SDL would turn them into a
    // quit message, which the application window deliberately ignores.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!ZNStartSDLVideo(error))
        return false;
    registered = true;
    return true;
}

void ZNWindow::Create(INT32 x, INT32 y, UINT32 width, UINT32 height, UINT32 flags, const ZNString& title)
{
    Flags = flags;
    Title = title;

    const bool framed    = (flags & (ZNWS_Border | ZNWS_Caption)) == (ZNWS_Border | ZNWS_Caption);
    const bool hidden    = (flags & ZNWS_Hidden) != 0;
    const bool resizable = Resizable && (flags & ZNWS_SizeFrame);
    const int  px        = (x == -1 && y == -1) ? (int)SDL_WINDOWPOS_CENTERED : x;
    const int  py        = (x == -1 && y == -1) ? (int)SDL_WINDOWPOS_CENTERED : y;

    if (Native)
    {
        SDL_SetWindowBordered(Sdl(Native), framed ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowResizable(Sdl(Native), resizable ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowSize(Sdl(Native), (int)width, (int)height);
        SDL_SetWindowPosition(Sdl(Native), px, py);
        SDL_SetWindowTitle(Sdl(Native), Title.CStr());
        if (hidden)
            SDL_HideWindow(Sdl(Native));
        else
            SDL_ShowWindow(Sdl(Native));
    }
#ifdef __EMSCRIPTEN__
    // A page has one canvas and SDL one window on it: every engine window is
    // that window (the hidden main one and the render window alike), and the
    // last one made receives its events.
    else if (SDL_Window* canvas = ZNUseCanvasWindow())
    {
        Native = reinterpret_cast<ZNNativeWindow*>(canvas);
        SDL_SetWindowData(canvas, kWindowDataName, this);
        SDL_SetWindowResizable(canvas, resizable ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowTitle(canvas, Title.CStr());
        ZNFitCanvas(canvas, width, height);
    }
#endif
    else
    {
        Uint32 sdlFlags = SDL_WINDOW_OPENGL | (hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
        if (!framed)
            sdlFlags |= SDL_WINDOW_BORDERLESS;
        if (resizable)
            sdlFlags |= SDL_WINDOW_RESIZABLE;
        Native = reinterpret_cast<ZNNativeWindow*>(
            SDL_CreateWindow(Title.CStr(), px, py, (int)width, (int)height, sdlFlags));
        if (!Native)
        {
            fprintf(stderr, "ZNWindow: could not create the window \"%s\": %s\n", Title.CStr(), SDL_GetError());
            return;
        }
        SDL_SetWindowData(Sdl(Native), kWindowDataName, this);
#ifdef __EMSCRIPTEN__
        ZNCanvasWindowMade(Sdl(Native));
#endif
    }
    // What the system granted; a later size event compares against this.
    int w = 0, h = 0;
    SDL_GetWindowSize(Sdl(Native), &w, &h);
    Width  = (UINT32)w;
    Height = (UINT32)h;
}

bool ZNWindow::PumpMessages()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    SDL_Event ev;
    while (SDL_PollEvent(&ev))
    {
        if (ev.type == SDL_QUIT)
            return true;
        const UINT32 id = EventWindowId(ev);
        if (ZNWindow* win = id ? FindWindow(id) : nullptr)
            win->HandleEvent(ev);
        if (ev.type == SDL_DROPFILE || ev.type == SDL_DROPTEXT)
            SDL_free(ev.drop.file);
    }
    return false;
}

void ZNWindow::HandleEvent(const ZNNativeEvent& native)
{
    const SDL_Event& ev = native.Event;
    switch (ev.type)
    {
    case SDL_WINDOWEVENT:
        switch (ev.window.event)
        {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The size SDL announces; where it is not what the window got (a
            // fullscreen mode nobody granted), RefreshClientSize corrects it.
            if (Native && (SDL_GetWindowFlags(Sdl(Native)) & SDL_WINDOW_MINIMIZED))
                break;
            OnSize((UINT32)ev.window.data1, (UINT32)ev.window.data2);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: RefreshClientSize(); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: OnFocus(true); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: OnFocus(false); break;
        case SDL_WINDOWEVENT_CLOSE: Queue(ZNWE_Close); break;
        default: break;
        }
        break;

    case SDL_KEYDOWN:
    case SDL_KEYUP:
    {
        const SDL_Scancode sc = ev.key.keysym.scancode;
        OnKey(ev.type == SDL_KEYDOWN ? ZNWE_KeyDown : ZNWE_KeyUp, ZNKeyFromScancode(sc),
              sc == SDL_SCANCODE_RCTRL || sc == SDL_SCANCODE_RALT);
        break;
    }

    case SDL_TEXTINPUT:
        for (const char* p = ev.text.text; *p && p < ev.text.text + sizeof(ev.text.text); ++p)
            OnChar((UINT8)*p);
        break;

    case SDL_MOUSEMOTION:
        if (RelativeMouse)
        {
            VirtualX += ev.motion.xrel;
            VirtualY += ev.motion.yrel;
            OnMouseMove(VirtualX, VirtualY);
        }
        else
            OnMouseMove(ev.motion.x, ev.motion.y);
        break;

    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    {
        const UINT32 type = ev.type == SDL_MOUSEBUTTONDOWN ? ZNWE_ButtonDown : ZNWE_ButtonUp;
        switch (ev.button.button)
        {
        case SDL_BUTTON_LEFT: OnButton(type, 0); break;
        case SDL_BUTTON_RIGHT: OnButton(type, 1); break;
        case SDL_BUTTON_MIDDLE: OnButton(type, 2); break;
        default: break;   // extra buttons have no engine code
        }
        break;
    }

    case SDL_MOUSEWHEEL: OnWheel(ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y); break;

    case SDL_DROPBEGIN:
        DropOpen = 1;
        DropFiles.Clear();
        break;
    case SDL_DROPFILE:
        if (!AcceptDrops || !ev.drop.file)
            break;
        DropFiles.Add(ZNString(ev.drop.file));
        if (!DropOpen)
            FlushDrop();   // a file dropped without an announced batch
        break;
    case SDL_DROPCOMPLETE:
        DropOpen = 0;
        FlushDrop();
        break;

    default: break;
    }
}

void ZNWindow::SetCursorPos(INT32 x, INT32 y)
{
    if (Native)
        SDL_WarpMouseInWindow(Sdl(Native), x, y);
}

void ZNWindow::RefreshClientSize()
{
    if (!Native || (SDL_GetWindowFlags(Sdl(Native)) & SDL_WINDOW_MINIMIZED))
        return;
    int w = 0, h = 0;
    DrawableSize(Sdl(Native), w, h);
    if (w > 0 && h > 0)
        OnSize((UINT32)w, (UINT32)h);
}

void ZNWindow::SetRelativeMouse(bool relative)
{
    if (!Native || (RelativeMouse != 0) == relative)
        return;
    if (relative)
    {
        // Motion accumulates from where the pointer is.
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        VirtualX = x;
        VirtualY = y;
        if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0)
            return;
    }
    else
        SDL_SetRelativeMouseMode(SDL_FALSE);
    RelativeMouse = relative ? 1 : 0;
}

void ZNWindow::SetTitle(const ZNString& title)
{
    if (!Native)
        return;
    Title = title;
    SDL_SetWindowTitle(Sdl(Native), Title.CStr());
}

void ZNWindow::Show(bool show)
{
    if (!Native)
        return;
    if (show)
        SDL_ShowWindow(Sdl(Native));
    else
        SDL_HideWindow(Sdl(Native));
}

void ZNWindow::ApplyResizableStyle()
{
    if (Native)
        SDL_SetWindowResizable(Sdl(Native), (Resizable && (Flags & ZNWS_SizeFrame)) ? SDL_TRUE : SDL_FALSE);
}

void ZNWindow::SetAcceptDrops(bool accept)
{
    AcceptDrops = accept ? 1 : 0;
    if (!accept)
    {
        DropFiles.Clear();
        DropOpen = 0;
    }
}

bool ZNWindow::IsActive() const
{
    if (!Native)
        return false;
    const Uint32 f = SDL_GetWindowFlags(Sdl(Native));
    return SDL_GetKeyboardFocus() == Sdl(Native) && (f & SDL_WINDOW_SHOWN) && !(f & SDL_WINDOW_MINIMIZED);
}

void ZNWindow::ClipCursor(bool clip)
{
    if (clip && IsActive())
    {
        if (!CursorClipped)
        {
            SDL_SetWindowGrab(Sdl(Native), SDL_TRUE);
            CursorClipped = 1;
        }
        return;
    }
    if (CursorClipped)
    {
        if (Native)
            SDL_SetWindowGrab(Sdl(Native), SDL_FALSE);
        CursorClipped = 0;
    }
}

bool ZNGetClipboardText(ZNString& text)
{
    text.Clear();
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText())
        return false;
    char* got = SDL_GetClipboardText();
    if (!got)
        return false;
    text = got;
    SDL_free(got);
    return !text.Empty();
}
