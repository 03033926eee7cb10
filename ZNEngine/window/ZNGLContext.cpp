// GL contexts on SDL2, the engine platform and the render window.
#include "window/ZNGLContext.h"

#include <pthread.h>
#include <sched.h>
#include <stdio.h>
#include <string.h>

#include "render/ZNShader.h"
#include "resources/ZNFileIO.h"

thread_local UINT32 TGCanCreateContext = 0;

ZNContextState* ZNCurContextState() { return TGCurContextState; }
GladGLContext*  ZNCurGLTable() { return TGCurGLTable; }
bool            ZNCanCreateContext() { return TGCanCreateContext != 0; }

namespace
{
// The ZNGLContext current on this thread, so that destroying another context can
// hand the thread back to it afterwards.
thread_local ZNGLContext* TGCurContext = nullptr;

// The platform's reason goes to standard error; the report itself keeps the
// engine's wording.
[[noreturn]] void PlatformFatal(const char* message)
{
    fprintf(stderr, "%s (%s)\n", message, SDL_GetError());
    ZNFatalErrorLog("%s", message);
}

// SDL chooses the window's visual when the window is made and the context's
// configuration when the context is made; both read these attributes, so they are
// set before each. The main context is a legacy one with a 32-bit colour format;
// window contexts are 3.3 core forward-compatible with 24 colour bits.
void SetPixelFormat(const ZNWindowParams& params, bool windowContext)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    if (!windowContext)
    {
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, params.Samples ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, (int)params.Samples);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
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

// Restricts the thread to the first processor it may run on, so clock readings
// on it come from one processor.
void PinToFirstProcessor()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (pthread_getaffinity_np(pthread_self(), sizeof(allowed), &allowed) != 0)
        return;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    {
        if (CPU_ISSET(cpu, &allowed))
        {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            pthread_setaffinity_np(pthread_self(), sizeof(one), &one);
            return;
        }
    }
}
} // namespace

// ---------------------------------------------------------------------------
// ZNGLContext

ZNGLContext::ZNGLContext() : Used(0), RC(nullptr), CS(nullptr)
{
    memset(&EC, 0, sizeof(EC));
}

bool ZNGLContext::Create(const ZNWindowParams& params, const ZNSharedPtr<ZNWindow>& win, ZNGLContext* share)
{
    Used   = 0;
    Window = win;
    RC     = nullptr;
    CS     = nullptr;

    BREAK_IF(TGCurContextState);
    if (ZN_CHECK_FAILED(!win))
        return false;

    SDL_Window* native = win->Handle();
    if (!native)
        PlatformFatal("Failed to choose a pixel format");

    SetPixelFormat(params, share != nullptr);
    if (share)
    {
        // SDL shares with the context current at creation, so the share context
        // is made current for the moment of creation.
        TGCurGLTable = &share->EC;
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        if (!share->Window || SDL_GL_MakeCurrent(share->Window->Handle(), share->RC) != 0)
            PlatformFatal("Failed to create the window Rendering Context");
    }
    RC = SDL_GL_CreateContext(native);
    if (!RC)
        PlatformFatal("Failed to create the window Rendering Context");
    BREAK_IF(!RC);

    memset(&EC, 0, sizeof(EC));
    if (share)
    {
        if (SDL_GL_MakeCurrent(native, RC) != 0)
            PlatformFatal("Failed to set the window Rendering Context");
        SDL_GL_SetSwapInterval(params.VSync ? 1 : 0);
    }

    const bool current = SDL_GL_MakeCurrent(native, RC) == 0;
    BREAK_IF(!current);
    const bool loaded = current && gladLoadGLContext(&EC, (GLADloadfunc)SDL_GL_GetProcAddress) != 0;
    BREAK_IF(current && !loaded);
    if (!loaded)
    {
        // Without its functions the context is unusable: give it up entirely
        // rather than leave a table of null entries behind.
        SDL_GL_MakeCurrent(native, nullptr);
        SDL_GL_DeleteContext(RC);
        RC           = nullptr;
        TGCurGLTable = nullptr;
        Window.Reset();
        return false;
    }
    TGCurGLTable = &EC;

    if (share)
    {
        EC.Viewport(0, 0, (GLsizei)params.Width, (GLsizei)params.Height);
        EC.Enable(GL_LINE_SMOOTH);
        if (params.Samples)
            EC.Enable(GL_MULTISAMPLE);

        // The state's own GL objects (buffers) are made on the main context, whose
        // objects every window context shares.
        share->Begin();
        CS = new ZNContextState(params.Width, params.Height, false);
        share->End();
        CS->StateList = share->CS ? share->CS->StateList : nullptr;
    }
    else
    {
        CS = new ZNContextState(params.Width, params.Height, true);
    }
    TGCurContextState = CS;

    BREAK_IF(!Begin());
    if (Used)
    {
        // Vertex array objects are not shared: each context binds one of its own
        // before anything draws on it.
        if (EC.GenVertexArrays && EC.BindVertexArray)
        {
            EC.GenVertexArrays(1, &CS->Vertex.VAO);
            EC.BindVertexArray(CS->Vertex.VAO);
        }
        EC.GetError();
    }
    return true;
}

ZNGLContext::~ZNGLContext()
{
    if (!RC)
        return;

    ZNGLContext* interrupted = TGCurContext != this ? TGCurContext : nullptr;
    if (interrupted)
        interrupted->End();
    if (TGCurContext != this && !Begin())
    {
        // Current on another thread: its state cannot be released from here.
        // Keep everything rather than pull GL objects from under that thread.
        if (CS && CS->StateList)
            RemoveState(*CS->StateList, CS);
        if (interrupted)
            interrupted->Begin();
        return;
    }

    if (CS)
    {
        if (CS->StateList)
            RemoveState(*CS->StateList, CS);
        const GLuint vao = CS->Vertex.VAO;
        delete CS;
        CS                = nullptr;
        TGCurContextState = nullptr;   // End below compares against CS
        if (vao && EC.DeleteVertexArrays)
            EC.DeleteVertexArrays(1, &vao);
    }
    End();
    SDL_GL_DeleteContext(RC);
    RC = nullptr;
    Window.Reset();
    if (interrupted)
        interrupted->Begin();
}

bool ZNGLContext::Begin()
{
    if (Used)
    {
        ZNAssertFailed("Used", __FILE__, __LINE__);
        // Making it current here while another thread holds it would break that
        // thread; on this thread it already is current.
        if (TGCurContext != this)
            return false;
    }
    if (!RC || !Window || SDL_GL_MakeCurrent(Window->Handle(), RC) != 0)
        return false;
    TGCurContextState = CS;
    TGCurGLTable      = &EC;
    TGCurContext      = this;
    Used              = 1;
    return true;
}

void ZNGLContext::End()
{
    if (TGCurContextState != CS || !Used)
    {
        ZNAssertFailed("TGCurContextState != CS || !Used", __FILE__, __LINE__);
        // Releasing would take the thread's real current context away and leave it
        // marked in use for ever.
        if (TGCurContext != this)
            return;
    }
    if (Window)
        SDL_GL_MakeCurrent(Window->Handle(), nullptr);
    TGCurGLTable      = nullptr;
    TGCurContextState = nullptr;
    TGCurContext      = nullptr;
    Used              = 0;
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
    TGCurGLTable->Viewport(0, 0, (GLsizei)Context->CS->ViewportWidth, (GLsizei)Context->CS->ViewportHeight);
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
        SDL_GL_SwapWindow(Context->Window->Handle());
}

void ZNContextHandle::SetViewportSize(UINT32 width, UINT32 height)
{
    if (Context && Context->CS)
    {
        Context->CS->ViewportWidth  = width;
        Context->CS->ViewportHeight = height;
    }
}

void ZNContextHandle::ReloadShaders()
{
    ZNGLContext* ctx = Context.Get();
    if (!ctx || !ctx->CS)
        return;
    if (TGCurContextState == ctx->CS)
    {
        ::ReloadShaders();
        return;
    }
    // Only borrow the context when this thread has none current and no other
    // thread holds it.
    if (TGCurContextState || ctx->Used)
        return;
    if (ctx->Begin())
    {
        ::ReloadShaders();
        ctx->End();
    }
}

// ---------------------------------------------------------------------------
// ZNPlatform

ZNPlatform::ZNPlatform() : Timing(nullptr)
{
    Timing = new (ZNAlloc(sizeof(TimingRecord))) TimingRecord();
    Timing->Frequency = 0.0;

    ZNString why;
    if (!ZNWindow::RegisterClass(&why))
        ZNFatalErrorLog("Could not start the video system: %s\n", why.CStr());
    TGCanCreateContext = 1;

    const ZNWindowParams mainParams = { 32, 32, 0, 0, 0, 0, 0, 0 };
    SetPixelFormat(mainParams, false);
    ZNSharedPtr<ZNWindow> hidden(new ZNWindow);
    hidden->Create(0, 0, 32, 32, ZNWS_Hidden, ZNString("ZNEDummyWindow"));
    if (!Create(mainParams, hidden, nullptr))
        ZNFatalErrorLog("Failed to create the window Rendering Context");

    LinkState(Context->CS);
    PinToFirstProcessor();
    Timing->Frequency = (double)SDL_GetPerformanceFrequency();
    Context->End();
}

ZNPlatform::~ZNPlatform()
{
    // States still alive (a window the owner forgot) must not keep a pointer into
    // the freed list.
    for (UINT32 i = 0; i < Timing->States.Size(); ++i)
        Timing->States[i]->StateList = nullptr;
    Timing->~TimingRecord();
    ZNFree(Timing);
    Timing = nullptr;
    Context.Reset();
}

void ZNPlatform::LinkState(ZNContextState* cs)
{
    if (!cs)
        return;
    cs->StateList = &Timing->States;
    Timing->States.Add(cs);
}

// ---------------------------------------------------------------------------
// Display mode

void ZNApplyDisplayMode(ZNWindow* win, const ZNWindowParams* params)
{
    SDL_Window* native = win ? win->Handle() : nullptr;
    if (!native)
        return;
    if (!params || !params->Fullscreen)
    {
        if (SDL_GetWindowFlags(native) & SDL_WINDOW_FULLSCREEN)
            SDL_SetWindowFullscreen(native, 0);
        return;
    }

    int display = SDL_GetWindowDisplayIndex(native);
    if (display < 0)
        display = 0;
    SDL_DisplayMode mode = {};
    SDL_GetCurrentDisplayMode(display, &mode);
    mode.format = SDL_PIXELFORMAT_RGB888;
    mode.w      = (int)params->Width;
    mode.h      = (int)params->Height;
    if (params->Refresh)
        mode.refresh_rate = (int)params->Refresh;
    if (SDL_SetWindowDisplayMode(native, &mode) != 0 || SDL_SetWindowFullscreen(native, SDL_WINDOW_FULLSCREEN) != 0)
    {
        fprintf(stderr, "display mode: %s\n", SDL_GetError());
        ZNFatalErrorLog("Could not initialize requested fullscreen mode (%d x %d x %d - %d Hz\n",
                        mode.w, mode.h, 32, mode.refresh_rate);
    }
    SDL_GL_SetSwapInterval(params->VSync ? 1 : 0);
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
        ZNAssertFailed("!TGCanCreateContext || !\"Context management allowed only on one thread\"",
                       __FILE__, __LINE__);
        return false;
    }

    const UINT32 defaults = params.Fullscreen ? 174u : 63u;
    const UINT32 flags    = (defaults & ~params.FlagsRemove) | params.FlagsAdd;
    Window->Listener      = this;

    SetPixelFormat(params, true);
    Window->Create(-1, -1, params.Width, params.Height, flags, title);
    if (!Ctx->Create(params, Window, Platform))
        return false;
    if (Platform)
        Platform->LinkState(Ctx->State());
    ZNApplyDisplayMode(Window.Get(), &params);
    CurParams = params;
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
