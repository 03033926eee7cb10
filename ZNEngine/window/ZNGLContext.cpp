// GL contexts, the engine platform and the render window: the rules every
// platform shares. The native calls are in the platform's file (ZNGLPlatform.h).
#include "window/ZNGLContext.h"
#include "window/ZNGLErrors.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <mutex>
#include <vector>

#include "core/ZNSys.h"
#include "core/ZNThread.h"
#include "files/ZNFileIO.h"
#include "window/ZNGLPlatform.h"

thread_local ZNContextState* TGCurContextState  = nullptr;
thread_local GladGLContext*  TGCurGLTable       = nullptr;
thread_local UINT32          TGCanCreateContext = 0;

ZNContextState* ZNCurContextState()
{
    return TGCurContextState;
}
GladGLContext* ZNCurGLTable()
{
    return TGCurGLTable;
}
bool ZNCanCreateContext()
{
    return TGCanCreateContext != 0;
}

// What a thread that has a context current reads through: the function table,
// the mark of the thread holding it and the way back to the context. Kept apart
// from ZNGLContext so that a context destroyed while another thread holds it can
// leave this (and its state) to that thread instead of pulling it away.
struct ZNGLBinding
{
    GladGLContext          Table;
    std::atomic<uintptr_t> Owner{ 0 };          // ThisThread() of the holder, 0 when free
    ZNGLContext*           Context = nullptr;   // null once the context is gone
    ZNSharedPtr<ZNWindow>  KeptWindow;          // the surface, kept for an abandoned binding
    ZNContextState*        KeptState = nullptr;
};

namespace
{
// Bindings left to the thread that held their context when it was destroyed.
// They stay for the life of the process (the list is never destroyed either):
// that thread may read them at any time.
std::mutex                 GAbandonedMutex;
std::vector<ZNGLBinding*>* GAbandoned = new std::vector<ZNGLBinding*>;

// The binding whose context is current on this thread, so that destroying
// another context can hand the thread back to it afterwards.
thread_local ZNGLBinding* TGCurBinding = nullptr;

// A token naming the calling thread while it lives.
uintptr_t ThisThread()
{
    static thread_local char token;
    return reinterpret_cast<uintptr_t>(&token);
}

// Records b (with its state) as this thread's current context. The binding that
// was current here is not any more: the platform made another context current
// in its place, so its mark goes.
void SetThreadCurrent(ZNGLBinding* b, ZNContextState* cs)
{
    if (TGCurBinding && TGCurBinding != b)
    {
        uintptr_t me = ThisThread();
        TGCurBinding->Owner.compare_exchange_strong(me, 0);
    }
    TGCurBinding      = b;
    TGCurGLTable      = b ? &b->Table : nullptr;
    TGCurContextState = cs;
}

// The platform's reason goes to standard error; the report itself keeps the
// engine's wording.
[[noreturn]] void PlatformFatal(const char* message)
{
    fprintf(stderr, "%s (%s)\n", message, ZNGLPlatform::LastError());
    ZNFatalErrorLog("%s", message);
}

void RemoveState(ZNContextStateList& list, ZNContextState* cs)
{
    for (UINT32 i = 0; i < list.Size(); ++i)
    {
        if (list[i] == cs)
        {
            list.Remove(i, i);
            return;
        }
    }
}
}   // namespace

// ---------------------------------------------------------------------------
// ZNGLContext

ZNGLContext::ZNGLContext() : RC(nullptr), CS(nullptr), Binding(new ZNGLBinding), EC(Binding->Table)
{
    memset(&EC, 0, sizeof(EC));
    Binding->Context = this;
}

bool ZNGLContext::IsUsed() const
{
    return Binding->Owner.load() != 0;
}

ZNGLContext::Claim ZNGLContext::ClaimForThisThread()
{
    uintptr_t owner = 0;
    if (Binding->Owner.compare_exchange_strong(owner, ThisThread()))
        return Claim_Taken;
    return owner == ThisThread() ? Claim_Here : Claim_Elsewhere;
}

bool ZNGLContext::Create(const ZNWindowParams& params, const ZNSharedPtr<ZNWindow>& win, ZNGLContext* share)
{
    Window = win;
    RC     = nullptr;
    CS     = nullptr;

    BREAK_IF(TGCurContextState);
    if (ZN_CHECK_FAILED(!win))
        return false;

    if (!win->Handle())
        PlatformFatal("Failed to choose a pixel format");
    RC = ZNGLPlatform::CreateContext(params, win.Get(), share);
    BREAK_IF(!RC);
    // The platform may have switched contexts on this thread while it worked; the
    // one current before is not current any more.
    SetThreadCurrent(nullptr, nullptr);

    memset(&EC, 0, sizeof(EC));
    const bool current = ZNGLPlatform::MakeCurrent(win.Get(), RC);
    BREAK_IF(!current);
    const bool loaded = current && gladLoadGLContext(&EC, ZNGLPlatform::Loader()) != 0;
    BREAK_IF(current && !loaded);
    if (!loaded)
    {
        // Without its functions the context is unusable: give it up entirely
        // rather than leave a table of null entries behind.
        ZNGLPlatform::MakeCurrent(win.Get(), nullptr);
        ZNGLPlatform::DeleteContext(RC);
        RC = nullptr;
        Window.Reset();
        return false;
    }
#ifdef __EMSCRIPTEN__
    ZNGLPlatform::CompleteTable(EC);
#endif
    TGCurGLTable = &EC;
    ZNGLErrorsAttach();

    if (share)
    {
        EC.Viewport(0, 0, (GLsizei)params.Width, (GLsizei)params.Height);
        EC.Enable(GL_LINE_SMOOTH);
        if (params.Samples)
            EC.Enable(GL_MULTISAMPLE);

        // The state's own GL objects (buffers) are made on the main context, whose
        // objects every window context shares.
        share->Begin();
        CS = ZNCreateContextState(params.Width, params.Height, false);
        share->End();
        ZNContextBase(*CS).StateList = share->CS ? ZNContextBase(*share->CS).StateList : nullptr;
    }
    else
    {
        CS = ZNCreateContextState(params.Width, params.Height, true);
    }
    TGCurContextState = CS;

    BREAK_IF(!Begin());
    if (Binding->Owner.load() == ThisThread())
    {
        ZNContextStateBound(*CS);
        // Reported when reporting is on; otherwise cleared (as a check would,
        // bounded alike) so that code reading the flags later starts clean.
        if (ZNGLErrorsEnabled())
            ZNGLErrorsCheck("the creation of a context");
        else
            for (UINT32 i = 0; i < 64 && EC.GetError() != GL_NO_ERROR; ++i)
                ;
    }
    return true;
}

ZNGLContext::~ZNGLContext()
{
    if (!RC)
    {
        delete Binding;
        return;
    }

    ZNGLBinding* before      = TGCurBinding;
    ZNGLContext* interrupted = before && before != Binding ? before->Context : nullptr;
    const Claim  claim       = ClaimForThisThread();
    if (claim == Claim_Elsewhere)
    {
        // Another thread has it current and reads its table and state: pulling
        // them away would leave that thread with dangling pointers. The native
        // context, the table, the state and the window stay with that thread.
        ZNAssertFailed("!\"a context current on another thread cannot be destroyed\"", __FILE__, __LINE__);
        if (CS && ZNContextBase(*CS).StateList)
        {
            RemoveState(*ZNContextBase(*CS).StateList, CS);
            ZNContextBase(*CS).StateList = nullptr;
        }
        Binding->Context    = nullptr;
        Binding->KeptWindow = Window;
        Binding->KeptState  = CS;
        std::lock_guard<std::mutex> lock(GAbandonedMutex);
        GAbandoned->push_back(Binding);
        return;
    }
    if (claim == Claim_Taken)
    {
        if (interrupted)
            interrupted->End();
        if (!ZNGLPlatform::MakeCurrent(Window.Get(), RC))
        {
            // Nothing can be released without the context: keep the GL objects
            // and let the native context go with the platform.
            Binding->Owner.store(0);
            if (CS && ZNContextBase(*CS).StateList)
                RemoveState(*ZNContextBase(*CS).StateList, CS);
            delete Binding;
            if (interrupted)
                interrupted->Begin();
            return;
        }
        SetThreadCurrent(Binding, CS);
    }

    if (CS)
    {
        if (ZNContextBase(*CS).StateList)
            RemoveState(*ZNContextBase(*CS).StateList, CS);
        ZNDestroyContextState(CS);
        CS                = nullptr;
        TGCurContextState = nullptr;   // End below compares against CS
    }
    End();
    ZNGLPlatform::DeleteContext(RC);
    RC = nullptr;
    Window.Reset();
    delete Binding;
    if (interrupted)
        interrupted->Begin();
}

bool ZNGLContext::Begin()
{
    const Claim claim = ClaimForThisThread();
    if (claim != Claim_Taken)
    {
        ZNAssertFailed("Used", __FILE__, __LINE__);
        // Making it current here while another thread holds it would break that
        // thread; on this thread it already is current.
        if (claim == Claim_Elsewhere)
            return false;
    }
    if (!RC || !Window || !ZNGLPlatform::MakeCurrent(Window.Get(), RC))
    {
        if (claim == Claim_Taken)
            Binding->Owner.store(0);
        return false;
    }
    SetThreadCurrent(Binding, CS);
    return true;
}

void ZNGLContext::End()
{
    if (TGCurContextState != CS || Binding->Owner.load() != ThisThread())
    {
        ZNAssertFailed("TGCurContextState != CS || !Used", __FILE__, __LINE__);
        // Releasing would take the thread's real current context away and leave it
        // marked in use for ever.
        if (TGCurBinding != Binding)
            return;
    }
    if (Window)
        ZNGLPlatform::MakeCurrent(Window.Get(), nullptr);
    TGCurBinding      = nullptr;
    TGCurGLTable      = nullptr;
    TGCurContextState = nullptr;
    Binding->Owner.store(0);
}

// ---------------------------------------------------------------------------
// ZNContextHandle

bool ZNContextHandle::Create(const ZNWindowParams& params, const ZNSharedPtr<ZNWindow>& win,
                             const ZNContextHandle* share)
{
    ZNSharedPtr<ZNGLContext> made(new ZNGLContext);
    if (!made->Create(params, win, share ? share->Context.Get() : nullptr))
        return false;
    Context = made;   // the old context goes with its last reference
    return true;
}

bool ZNContextHandle::Begin()
{
    if (!Context || !Context->Begin())
        return false;
    TGCurGLTable->Viewport(0, 0, (GLsizei)ZNContextBase(*Context->CS).ViewportWidth,
                           (GLsizei)ZNContextBase(*Context->CS).ViewportHeight);
    return true;
}

void ZNContextHandle::End()
{
    if (Context)
        Context->End();
}

void ZNContextHandle::Swap()
{
    if (Context && Context->Window && Context->Window->Handle())
        ZNGLPlatform::Swap(Context->Window.Get());
}

void ZNContextHandle::SetViewportSize(UINT32 width, UINT32 height)
{
    if (Context && Context->CS)
    {
        ZNContextBase(*Context->CS).ViewportWidth  = width;
        ZNContextBase(*Context->CS).ViewportHeight = height;
    }
}

void ZNContextHandle::ReloadShaders()
{
    ZNGLContext* ctx = Context.Get();
    if (!ctx || !ctx->CS)
        return;
    if (TGCurContextState == ctx->CS)
    {
        ZNReloadContextState(*ctx->CS);
        return;
    }
    // Only borrow the context when this thread has none current and no other
    // thread holds it.
    if (TGCurContextState || ctx->IsUsed())
        return;
    if (ctx->Begin())
    {
        ZNReloadContextState(*ctx->CS);
        ctx->End();
    }
}

// ---------------------------------------------------------------------------
// ZNPlatform

ZNPlatform::ZNPlatform() : Timing(nullptr)
{
    Timing            = new (ZNAlloc(sizeof(TimingRecord))) TimingRecord();
    Timing->Frequency = 0.0;

    ZNString why;
    if (!ZNWindow::RegisterClass(&why))
        ZNFatalErrorLog("Could not start the video system: %s\n", why.CStr());
    TGCanCreateContext = 1;

    const ZNWindowParams mainParams = { 32, 32, 0, 0, 0, 0, 0, 0 };
    ZNGLPlatform::PrepareWindow(mainParams, false);
    ZNSharedPtr<ZNWindow> hidden(new ZNWindow);
    hidden->Create(0, 0, 32, 32, ZNWS_Hidden, ZNString("ZNEDummyWindow"));
    if (!Create(mainParams, hidden, nullptr))
        ZNFatalErrorLog("Failed to create the window Rendering Context");

    LinkState(Context->CS);
    // Clock readings on this thread then come from one processor; threads it
    // starts later are not held to it.
    ZNPinThreadToOneProcessor();
    Timing->Frequency = (double)ZNPerformanceFrequency();
    Context->End();
}

ZNPlatform::~ZNPlatform()
{
    // States still alive (a window the owner forgot) must not keep a pointer into
    // the freed list.
    for (UINT32 i = 0; i < Timing->States.Size(); ++i)
        ZNContextBase(*Timing->States[i]).StateList = nullptr;
    Timing->~TimingRecord();
    ZNFree(Timing);
    Timing = nullptr;
    Context.Reset();
}

void ZNPlatform::LinkState(ZNContextState* cs)
{
    if (!cs)
        return;
    ZNContextBase(*cs).StateList = &Timing->States;
    Timing->States.Add(cs);
}

void ZNSetSwapInterval(UINT32 interval)
{
    ZNGLPlatform::SetSwapInterval(interval);
}

// ---------------------------------------------------------------------------
// ZNRenderWindow

ZNRenderWindow::ZNRenderWindow(ZNPlatform* platform)
    : Listener(nullptr), Window(new ZNWindow), Ctx(new ZNContextHandle), Platform(platform), CurParams()
{
}

ZNRenderWindow::~ZNRenderWindow()
{
    if (Window)
        Window->Listener = nullptr;
    Ctx.Reset();
    Window.Reset();
}

bool ZNRenderWindow::Open(const ZNString& title, const ZNWindowParams& params)
{
    if (!TGCanCreateContext)
    {
        ZNAssertFailed("!TGCanCreateContext || !\"Context management allowed only on one thread\"", __FILE__, __LINE__);
        return false;
    }

    const UINT32 defaults = params.Fullscreen ? 174u : 63u;
    const UINT32 flags    = (defaults & ~params.FlagsRemove) | params.FlagsAdd;
    Window->Listener      = this;

    ZNGLPlatform::PrepareWindow(params, true);
    Window->Create(-1, -1, params.Width, params.Height, flags, title);
    if (!Ctx->Create(params, Window, Platform))
        return false;
    if (Platform)
        Platform->LinkState(Ctx->State());
    CurParams = params;
    // A refused fullscreen mode leaves the window windowed, and says so.
    if (!ZNApplyDisplayMode(Window.Get(), &params))
        CurParams.Fullscreen = 0;
    // The size the window really got, which a fullscreen mode may not be.
    Window->RefreshClientSize();
    Ctx->End();
    return true;
}

void ZNRenderWindow::Close()
{
    if (Window)
    {
        ZNApplyDisplayMode(Window.Get(), nullptr);
        Window->Listener = nullptr;
    }
    Ctx    = ZNSharedPtr<ZNContextHandle>(new ZNContextHandle);
    Window = ZNSharedPtr<ZNWindow>(new ZNWindow);
}

bool ZNRenderWindow::IsOpen() const
{
    return Ctx && Window && Ctx->Context;
}

bool ZNRenderWindow::Reopen(const ZNWindowParams& params)
{
    const ZNString title = Window ? Window->GetTitle() : ZNString();
    return Open(title, params);
}

UINT32 ZNRenderWindow::Reserved(UINT32 a, UINT32 b, UINT32 c, UINT32 d)
{
    return Listener ? Listener->Reserved(a, b, c, d) : 0;
}

void ZNRenderWindow::Resize(UINT32 width, UINT32 height)
{
    if (Ctx)
        Ctx->SetViewportSize(width, height);
    CurParams.Width  = width;
    CurParams.Height = height;
    if (Listener)
        Listener->Resize(width, height);
}

bool ZNRenderWindow::Drop(UINT32 index, const ZNString& name)
{
    return Listener ? Listener->Drop(index, name) : false;
}

void ZNRenderWindow::Focus(bool gained)
{
    if (Listener)
        Listener->Focus(gained);
}
