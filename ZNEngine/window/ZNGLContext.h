// ZNGLContext: GL contexts, the per-thread current context, the engine platform
// with its hidden main context, and the render window (native window + context).
//
//   ZNPlatform platform;                       // hidden main context, this thread
//                                              // may now manage contexts
//   ZNRenderWindow rw(&platform);
//   ZNWindowParams p = { 1024, 576 };
//   rw.Open("Title", p);                       // window + shared 3.3 core context
//   rw.Context()->Begin();                     // current here; viewport = client
//   ... GL calls through TGCurGLTable ...
//   rw.Context()->Swap(); rw.Context()->End();
//
// Guarantees:
// - At most one context is current per thread and a context is current on at
//   most one thread: the context records the thread holding it (IsUsed), taken
//   and given back atomically. Begin refuses a context another thread holds;
//   making another context current on a thread frees the one it replaced. While
//   one is current, TGCurContextState and TGCurGLTable point at its state and
//   function table; both are null otherwise.
// - A context current on another thread is never pulled from under it: destroying
//   it is reported, and its native context, table and state stay with that thread.
// - Every window context shares objects with the platform's main context, is
//   OpenGL 3.3 core forward-compatible, and has a vertex array object of its own
//   bound from creation on (cs.Vertex.VAO).
// - Only the thread that built the platform may create contexts and open or close
//   render windows (TGCanCreateContext); another thread is refused with an
//   assertion and nothing is created.
// - Failures to make a pixel format, a context or a display mode are fatal
//   (error.log, "Error!" box, exit 0xBADDC0DE); broken invariants are assertions.
#pragma once

#include <atomic>

#include "core/ZNSharedPtr.h"
#include "window/ZNContextState.h"
#include "window/ZNGLTable.h"
#include "window/ZNWindow.h"

// Eight words given to open a render window and kept by it.
struct ZNWindowParams
{
    UINT32 Width;   // client size in pixels
    UINT32 Height;
    UINT32 Fullscreen;    // non-zero: switch the display mode, borderless flags
    UINT32 Refresh;       // Hz for fullscreen; 0 keeps the display's frequency
    UINT32 VSync;         // non-zero: swap interval 1
    UINT32 Samples;       // multisample count; 0 = none
    UINT32 FlagsAdd;      // ZNWS_* OR-ed into the defaults
    UINT32 FlagsRemove;   // ZNWS_* cleared from the defaults
};

// Set on the thread that built the platform: only it may manage contexts.
extern thread_local UINT32 TGCanCreateContext;

// This thread's current state, table and permission, read inside the engine
// library. Code built into executables reads them through these: there the
// linker rewrites the thread-local access into a form that the sanitizer build's
// null check misreads, and reports a null pointer that is not there.
ZNContextState* ZNCurContextState();
GladGLContext*  ZNCurGLTable();
bool            ZNCanCreateContext();

struct ZNGLBinding;   // table and holder mark, see ZNGLContext.cpp

// One rendering context on one native window.
class ZNGLContext
{
public:
    ZNGLContext();
    // Begins the context (unless it is current here already), unlinks and deletes
    // its state, releases it and deletes it; a context that another context's
    // destruction interrupted on this thread is made current again afterwards.
    ~ZNGLContext();
    ZNGLContext(const ZNGLContext&)            = delete;
    ZNGLContext& operator=(const ZNGLContext&) = delete;

    // Makes the context for win, sharing objects with share (null: the legacy main
    // context). Leaves the new context current. False (after an assertion) when
    // there is no window; platform failures are fatal.
    bool Create(const ZNWindowParams& params, const ZNSharedPtr<ZNWindow>& win, ZNGLContext* share);

    // Makes the context current on this thread; false when the platform refused,
    // and then nothing changed.
    bool Begin();
    // Releases the context from this thread.
    void End();

    // Current on some thread.
    bool IsUsed() const;

    ZNSharedPtr<ZNWindow> Window;   // the window it renders to
    void*                 RC;       // the platform's native context, null until created
    ZNContextState*       CS;       // owned

private:
    enum Claim
    {
        Claim_Taken,
        Claim_Here,
        Claim_Elsewhere
    };
    // Marks the context as this thread's unless another thread holds it.
    Claim ClaimForThisThread();

    ZNGLBinding* Binding;   // owned; left to the holder in the case above

public:
    GladGLContext& EC;   // this context's GL function table (in Binding)
};

// A replaceable reference to a context.
class ZNContextHandle
{
public:
    ZNContextHandle()          = default;
    virtual ~ZNContextHandle() = default;

    // Builds a new context for win and replaces the held one with it (the old one
    // goes when its last reference does). False when creation refused.
    bool Create(const ZNWindowParams& params, const ZNSharedPtr<ZNWindow>& win, const ZNContextHandle* share);
    // Makes the context current and sets the GL viewport to the stored size.
    bool Begin();
    void End();
    // Presents the back buffer of the context's window.
    void Swap();
    // Stored for the next Begin.
    void SetViewportSize(UINT32 width, UINT32 height);
    // Reloads the shaders of this context's cache whose files changed.
    void ReloadShaders();

    ZNGLContext*    GetContext() const { return Context.Get(); }
    ZNContextState* State() const { return Context ? Context->CS : nullptr; }

    ZNSharedPtr<ZNGLContext> Context;   // null when empty
};

// The engine platform: the hidden main context, the clock frequency and the list
// of every live context state. Built once, on the thread that will own GL.
class ZNPlatform : public ZNContextHandle
{
public:
    ZNPlatform();
    ~ZNPlatform() override;

    double              Frequency() const { return Timing->Frequency; }
    // Links a context state to the list of live states and appends it.
    void                LinkState(ZNContextState* cs);
    ZNContextStateList& States() { return Timing->States; }

private:
    struct TimingRecord
    {
        double             Frequency;   // performance-counter ticks per second
        ZNContextStateList States;      // every live context state
    };
    TimingRecord* Timing;
};

// Sets the swap interval of the context current on this thread: 0 presents at
// once, 1 waits for the vertical blank.
void ZNSetSwapInterval(UINT32 interval);

// Switches the display to params' fullscreen mode for win, or back to the desktop
// mode when params is null or windowed. A mode the display refuses is reported
// on standard error and the window stays windowed; false then (and for a
// window that is not open).
bool ZNApplyDisplayMode(ZNWindow* win, const ZNWindowParams* params);

// A native window paired with its context; the window's listener.
class ZNRenderWindow : public ZNWindowListener
{
public:
    explicit ZNRenderWindow(ZNPlatform* platform);
    virtual ~ZNRenderWindow();
    ZNRenderWindow(const ZNRenderWindow&)            = delete;
    ZNRenderWindow& operator=(const ZNRenderWindow&) = delete;

    // Creates (or restyles) the window centred on the screen with its shared
    // context, applies the display mode and leaves the context released. False
    // when called off the platform's thread (nothing is opened then).
    bool Open(const ZNString& title, const ZNWindowParams& params);
    // Restores the display mode and drops the window and the context.
    void Close();
    bool IsOpen() const;
    // Open again with the window's current title.
    bool Reopen(const ZNWindowParams& params);

    UINT32 Reserved(UINT32 a, UINT32 b, UINT32 c, UINT32 d) override;
    void   Resize(UINT32 width, UINT32 height) override;
    bool   Drop(UINT32 index, const ZNString& name) override;
    void   Focus(bool gained) override;

    ZNWindow*             NativeWindow() const { return Window.Get(); }
    ZNContextHandle*      Handle() const { return Ctx.Get(); }
    const ZNWindowParams& Params() const { return CurParams; }

    ZNWindowListener* Listener;   // the user's listener, may be null

private:
    ZNSharedPtr<ZNWindow>        Window;
    ZNSharedPtr<ZNContextHandle> Ctx;
    ZNPlatform*                  Platform;
    ZNWindowParams               CurParams;   // in force; follows resizing
};
