// ZNWindow: the engine's top-level native window and its event queue.
//
//   ZNWindow win;
//   win.Create(-1, -1, 1024, 576, 63, "Title");     // -1, -1 centres it
//   ZNWindow::PumpMessages();                       // platform events -> queues
//   ZNWindowEvent ev;
//   while (win.PopEvent(ev)) { ... }
//
// Guarantees:
// - A window knows nothing of GL; the render window pairs it with a context and is
//   usually its listener. Every operation is harmless before Create.
// - Platform events become ZNWindowEvents in the order they arrive: keys carry
//   Windows virtual-key numbers (shift, control and alt are followed by a second
//   event with their left or right code), buttons the codes 1-3, the wheel 139/140,
//   characters their byte AND 127. A close is only a request: it is queued and the
//   window stays until its owner destroys it.
// - Resize reaches the listener only when the client size really changed, and
//   carries the size the platform's drawable really has (a size event that
//   promised another size is corrected by the next RefreshClientSize); Focus
//   reaches it before the focus event is queued; dropped files follow the Drop
//   protocol (count first, then each name, stopping at the first false).
// - The queue never loses an unread event; it compacts itself after 513 reads.
// - Windows, the pump and the queue belong to the thread that created them.
// - The platform (SDL2 on Linux, Win32 on Windows) stays behind this header: its
//   native window and event types are only named here; the platform's own header
//   (ZNWindowSDL.h, ZNWindowWin32.h) defines them for code that talks to it.
#pragma once

#include "core/ZNTemplate.h"

struct ZNNativeWindow;   // the platform's window (SDL_Window, HWND)
struct ZNNativeEvent;    // one platform event as the pump receives it

// Style flags (bits of ZNWindow::Flags).
enum
{
    ZNWS_Border    = 1,   // with ZNWS_Caption: a normal framed window
    ZNWS_SysMenu   = 2,
    ZNWS_MaxBox    = 4,   // only while resizable
    ZNWS_MinBox    = 8,
    ZNWS_Caption   = 16,
    ZNWS_SizeFrame = 32,   // only while resizable
    ZNWS_Hidden    = 64,
    ZNWS_NoSysMove = 128,
};

// Event types (ZNWindowEvent::Type).
enum
{
    ZNWE_Close      = 1,
    ZNWE_KeyDown    = 2,
    ZNWE_KeyUp      = 3,
    ZNWE_ButtonDown = 4,
    ZNWE_ButtonUp   = 5,
    ZNWE_MouseMove  = 6,
    ZNWE_Wheel      = 7,
    ZNWE_Char       = 8,
    ZNWE_FocusIn    = 9,
    ZNWE_FocusOut   = 10,
};

// Key codes that carry more than a key.
enum
{
    ZNK_LButton   = 1,
    ZNK_RButton   = 2,
    ZNK_MButton   = 3,
    ZNK_Shift     = 16,
    ZNK_Control   = 17,
    ZNK_Alt       = 18,
    ZNK_WheelFwd  = 139,
    ZNK_WheelBack = 140,
    ZNK_LShift    = 160,
    ZNK_RShift    = 161,
    ZNK_LControl  = 162,
    ZNK_RControl  = 163,
    ZNK_LAlt      = 164,
    ZNK_RAlt      = 165,
    ZNK_Console   = 192,   // the key left of the digit row
};

// Seven 32-bit words; only the words named for a type carry meaning.
struct ZNWindowEvent
{
    UINT32 Type;     // ZNWE_*
    UINT32 Code;     // virtual-key code, button code 1-3, or wheel code 139/140
    UINT32 Button;   // button index 0 (left), 1 (right), 2 (middle)
    INT32  X;        // client coordinates of a mouse move; negative left of or
    INT32  Y;        //   above the client area while a button holds the mouse
    INT32  Wheel;    // -1 forward (away from the user), +1 backward
    UINT32 Char;     // character byte AND 127
};

// Told about changes that do not wait for the queue. The window never deletes it.
class ZNWindowListener
{
public:
    // Reserved slot; the window never calls it.
    virtual UINT32 Reserved(UINT32 a, UINT32 b, UINT32 c, UINT32 d);
    // The client area changed to width x height (never for a minimise).
    virtual void   Resize(UINT32 width, UINT32 height);
    // Dropped files: first (count, ""), then (index, name) per file; false stops.
    virtual bool   Drop(UINT32 index, const ZNString& name);
    // Focus gained (true) or lost (false).
    virtual void   Focus(bool gained);

protected:
    virtual ~ZNWindowListener() = default;
};

class ZNWindow
{
public:
    ZNWindow();
    ~ZNWindow();
    ZNWindow(const ZNWindow&)            = delete;
    ZNWindow& operator=(const ZNWindow&) = delete;

    // Starts the platform's video system once per process. Returns false (with
    // the platform's reason in `error`) when there is no display to start.
    static bool RegisterClass(ZNString* error = nullptr);

    // Creates the native window, or restyles, moves and resizes the existing one.
    // x, y = -1, -1 centres it on the screen. Does not report a failure: later
    // operations test the native handle.
    void Create(INT32 x, INT32 y, UINT32 width, UINT32 height, UINT32 flags, const ZNString& title);

    // Moves every waiting platform event into the queue of its window. Returns true
    // at a quit message, which stays unhandled; false when nothing is waiting.
    static bool PumpMessages();

    // The window procedure: turns one platform event into queued events and
    // listener calls. Events for other windows must not be passed here.
    void HandleEvent(const ZNNativeEvent& ev);

    // Next unread event; false when every queued event has been read.
    bool PopEvent(ZNWindowEvent& out);

    void SetCursorPos(INT32 x, INT32 y);
    // Asks the platform for the client area's real size and reports a change to
    // the listener like a size event. Display-mode switches and size events do not
    // always leave the window at the size they announced (a fullscreen request a
    // window manager ignores, a restore that arrives later); the application
    // window calls this every poll.
    void RefreshClientSize();
    // true: the pointer is hidden and held, and mouse moves report an unbounded
    // position that only accumulates motion (relative mode); false: the pointer
    // is free and visible again (where it then is is up to the caller).
    void SetRelativeMouse(bool relative);
    bool IsRelativeMouse() const { return RelativeMouse != 0; }
    void SetTitle(const ZNString& title);
    void Show(bool show);
    void SetResizable(bool resizable);
    void SetAcceptDrops(bool accept);
    bool IsActive() const;
    void ClipCursor(bool clip);

    UINT32          ClientWidth() const { return Width; }
    UINT32          ClientHeight() const { return Height; }
    UINT32          GetFlags() const { return Flags; }
    const ZNString& GetTitle() const { return Title; }
    bool            IsResizable() const { return Resizable != 0; }
    bool            AcceptsDrops() const { return AcceptDrops != 0; }
    ZNNativeWindow* Handle() const { return Native; }
    UINT32          QueuedCount() const { return Events.Size(); }
    UINT32          ReadPosition() const { return ReadPos; }

    ZNWindowListener* Listener;   // may be null; set directly by the owner

private:
    // The platform-neutral half of the window procedure (ZNWindow.cpp); the
    // platform files translate their events into these.
    void Queue(UINT32 type, UINT32 code = 0);
    void Queue(const ZNWindowEvent& ev);
    void OnSize(UINT32 width, UINT32 height);
    // code: an engine virtual-key code; right: the right-hand one of a pair.
    void OnKey(UINT32 type, UINT32 code, bool right);
    // button: 0 left, 1 right, 2 middle.
    void OnButton(UINT32 type, UINT32 button);
    // steps > 0: away from the user.
    void OnWheel(INT32 steps);
    void OnChar(UINT32 byte);
    void OnMouseMove(INT32 x, INT32 y);
    void OnFocus(bool gained);
    void FlushDrop();
    void ApplyResizableStyle();

    UINT32                    Width;   // client size as last seen
    UINT32                    Height;
    UINT32                    Flags;   // ZNWS_* of the last Create
    ZNString                  Title;
    UINT32                    Resizable;
    UINT32                    AcceptDrops;
    ZNPodArray<ZNWindowEvent> Events;    // reserved for 1024 at construction
    UINT32                    ReadPos;   // next event PopEvent returns
    UINT32                    CursorClipped;
    UINT32                    RelativeMouse;   // non-zero while SetRelativeMouse(true)
    INT32                     VirtualX;        // the accumulated position in relative mode
    INT32                     VirtualY;
    ZNArray<ZNString>         DropFiles;   // names of a drop still arriving
    UINT32                    DropOpen;    // between the drop's begin and complete
    ZNNativeWindow*           Native;      // null until created
};

// The system clipboard's text (UTF-8). False, with text empty, when the
// clipboard holds no text or the window system has not been started.
bool ZNGetClipboardText(ZNString& text);
