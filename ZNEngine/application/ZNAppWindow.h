// ZNAppWindow: the one object an application drives each frame, and ZNInput, the
// keyboard and mouse state fed from its window's events.
//
//   ZNAppWindow* win = ZNCreateAppWindow();
//   win->Open("Title", params);          // window + context, left released
//   win->MakeCurrent();
//   while (!win->Poll()) {               // true once a close was requested
//       ... win->Input.KeyState('W') ... draw ...
//       win->Present();
//   }
//   win->Release();
//   ZNDestroyAppWindow(win);
//
// Guarantees:
// - A frame's input is what arrived between two polls: KeyState reads 0 up,
//   1 pressed since the previous poll, 2 held, 3 released since the previous poll;
//   a press since the previous poll reads 1 whatever follows it in that poll
//   (a tap shorter than a frame is not lost).
// - Mouse buttons are keys 1-3 too; a wheel step sets key 139 or 140, which
//   nothing clears.
// - Poll stops at a close request and leaves the events behind it queued.
// - While the console is open, releases of keys and buttons still reach the
//   input (and opening it releases everything held), so nothing stays down
//   for good behind the console. Escape closes it, and goes no further.
// - Losing the keyboard focus lets go of every key and button held (the
//   bindings hear each release) and of the console's Shift and Control: their
//   releases go to the window that has the keyboard now.
// - Open and Close leave the context released; all operations belong to the
//   thread that built the platform.
// - The debug font exists exactly while the window is open. An enabled console
//   is drawn by every Present, laid out again when the window's size changed,
//   and deleted with the window at the latest; after a Close and a new Open it
//   draws with the new context's shaders and font.
#pragma once

#include "window/ZNGLContext.h"

class ZNFont;
class ZNConsole;
class ZNImage;

// Receives every key, button and axis change of a ZNInput (the action-binding
// layer). The input never deletes a binding.
class ZNInputBinding
{
public:
    // A key or button code (buttons 0x1000 + index) went down or up.
    virtual void OnKey(UINT32 code, bool down) = 0;
    // Axis 0x100A (mouse x), 0x100B (mouse y) or 0x100C (wheel) moved by value.
    virtual void OnAxis(UINT32 axis, float value) = 0;
    // A new frame of input begins.
    virtual void OnFrame() = 0;

protected:
    virtual ~ZNInputBinding() = default;
};

enum
{
    ZN_AXIS_BUTTON0 = 0x1000,   // + button index
    ZN_AXIS_MOUSEX  = 0x100A,
    ZN_AXIS_MOUSEY  = 0x100B,
    ZN_AXIS_WHEEL   = 0x100C,
};

class ZNInput
{
public:
    ZNInput();

    // 0 up, 1 pressed, 2 held, 3 released (relative to the previous poll); a
    // press since the previous poll reads 1 even when a release followed it.
    UINT32 KeyState(UINT32 code) const;
    void   SetKey(UINT32 code, UINT32 down);
    void   SetButton(UINT32 index, UINT32 down);
    // mask 1: dx to the mouse-x axis; 2: dy to mouse-y; 4: the sign of wheel to
    // the wheel axis, also stored as this poll's wheel.
    void   Axis(float dx, float dy, float wheel, UINT32 mask);
    // Current state becomes previous; wheel and text start empty.
    void   BeginFrame();
    // Every key and button that is down goes up (bindings hear each release),
    // and presses of this poll no longer read pressed.
    void   ReleaseAll();

    void AddBinding(ZNInputBinding* binding);
    void RemoveBinding(ZNInputBinding* binding);

    ZNFixedArray<UINT8, 256> Keys;       // 0 or 1 per key code
    ZNFixedArray<UINT8, 256> PrevKeys;   // at the previous poll
    ZNFixedArray<UINT8, 256> Tapped;     // 1: went down since the previous poll
    ZNFixedArray<UINT8, 3>   Buttons;    // left, right, middle
    ZNFixedArray<UINT8, 3>   PrevButtons;
    float                    Mouse[2];       // cursor in client pixels
    float                    PrevMouse[2];   // at the previous poll
    float                    Wheel;          // -1, 0 or +1 this poll
    float                    PrevWheel;
    ZNString                 Text;   // characters typed since the previous poll

private:
    ZNPodArray<ZNInputBinding*> Bindings;
};

class ZNAppWindow
{
public:
    explicit ZNAppWindow(ZNPlatform* platform);
    virtual ~ZNAppWindow();
    ZNAppWindow(const ZNAppWindow&)            = delete;
    ZNAppWindow& operator=(const ZNAppWindow&) = delete;

    // Closes, then opens the render window; the context is left released. False
    // when the render window refused to open.
    bool Open(const ZNString& title, const ZNWindowParams& params);
    void Close();
    // Makes the context current and sets the viewport to the client size; a
    // failure is not reported.
    void MakeCurrent();
    void Release();
    // Draws the console (when enabled) over the picture, then swaps the buffers.
    // With capture, the finished frame (console included) is read into it first,
    // top row first, opaque.
    void Present(ZNImage* capture = nullptr);
    // Applies the window's events to the input; true when a close was requested.
    // While the console is open, key presses, characters and the wheel go to it
    // alone and only releases reach the input; while it is closed, keys reach both.
    bool Poll();
    // true: creates the console (hidden) for this window; false: deletes it.
    void EnableConsole(bool enable);
    // Moves the cursor to (x, y) of the client area, truncated to whole pixels.
    void SetCursorPos(float x, float y);
    // true: the pointer is hidden and held (relative mode) and the input's mouse
    // position only accumulates motion; false: the pointer comes back where it
    // was when captured, and the input's position with it.
    void CaptureMouse(bool capture);
    // The next polls (after a size change or a display-mode switch) ask the
    // platform for the client area's real size and follow it.
    void CheckSize(UINT32 polls = 120) { SizeChecks = polls; }

    // Where the application registers its listener (resize, drop, focus).
    void                  SetListener(ZNWindowListener* listener) { RenderWindow.Listener = listener; }
    ZNWindow*             NativeWindow() const { return RenderWindow.NativeWindow(); }
    const ZNWindowParams& Params() const { return RenderWindow.Params(); }

    ZNInput        Input;
    ZNRenderWindow RenderWindow;
    ZNFont*        DebugFont     = nullptr;          // "Engine/DebugFont.fnt", exactly while open
    ZNConsole*     Console       = nullptr;          // null unless enabled
    float          CapturedAt[2] = { 0.0f, 0.0f };   // the pointer when CaptureMouse(true) ran
    UINT32         SizeChecks    = 0;                // polls that still ask for the real size
};
