// The GL platform on SDL2: contexts, their sharing, swapping and the display
// mode.
#include <SDL.h>
#include <stdio.h>

#include "window/ZNGLPlatform.h"
#include "window/ZNWindowSDL.h"
#include "files/ZNFileIO.h"
#include "window/ZNGLErrors.h"

namespace
{
[[noreturn]] void SDLFatal(const char* message)
{
    fprintf(stderr, "%s (%s)\n", message, SDL_GetError());
    ZNFatalErrorLog("%s", message);
}
}   // namespace

// SDL chooses the window's visual when the window is made and the context's
// configuration when the context is made; both read these attributes, so they are
// set before each. The main context is a legacy one with a 32-bit colour format;
// window contexts are 3.3 core forward-compatible with 24 colour bits.
void ZNGLPlatform::PrepareWindow(const ZNWindowParams& params, bool windowContext)
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
    // A debug context makes the driver describe every GL error as it happens.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS,
                        SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG | (ZNGLErrorsEnabled() ? SDL_GL_CONTEXT_DEBUG_FLAG : 0));
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}

void* ZNGLPlatform::CreateContext(const ZNWindowParams& params, ZNWindow* win, ZNGLContext* share)
{
    SDL_Window* native = ZNSDLWindow(*win);
    PrepareWindow(params, share != nullptr);
    if (share)
    {
        // SDL shares with the context current at creation, so the share context
        // is made current for the moment of creation.
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        if (!share->Window || SDL_GL_MakeCurrent(ZNSDLWindow(*share->Window), share->RC) != 0)
            SDLFatal("Failed to create the window Rendering Context");
    }
    SDL_GLContext rc = SDL_GL_CreateContext(native);
    if (!rc)
        SDLFatal("Failed to create the window Rendering Context");
    if (share)
    {
        if (SDL_GL_MakeCurrent(native, rc) != 0)
            SDLFatal("Failed to set the window Rendering Context");
        SDL_GL_SetSwapInterval(params.VSync ? 1 : 0);
    }
    return rc;
}

bool ZNGLPlatform::MakeCurrent(ZNWindow* win, void* rc)
{
    SDL_Window* native = win ? ZNSDLWindow(*win) : nullptr;
    if (rc && !native)
        return false;
    return SDL_GL_MakeCurrent(native, rc) == 0;
}

void ZNGLPlatform::DeleteContext(void* rc)
{
    SDL_GL_DeleteContext(rc);
}

void ZNGLPlatform::Swap(ZNWindow* win)
{
    if (SDL_Window* native = win ? ZNSDLWindow(*win) : nullptr)
        SDL_GL_SwapWindow(native);
}

void ZNGLPlatform::SetSwapInterval(UINT32 interval)
{
    SDL_GL_SetSwapInterval((int)interval);
}

GLADloadfunc ZNGLPlatform::Loader()
{
    return (GLADloadfunc)SDL_GL_GetProcAddress;
}

const char* ZNGLPlatform::LastError()
{
    return SDL_GetError();
}

// ---------------------------------------------------------------------------
// Display mode

bool ZNApplyDisplayMode(ZNWindow* win, const ZNWindowParams* params)
{
    SDL_Window* native = win ? ZNSDLWindow(*win) : nullptr;
    if (!native)
        return false;
    if (!params || !params->Fullscreen)
    {
        if (SDL_GetWindowFlags(native) & SDL_WINDOW_FULLSCREEN)
            return SDL_SetWindowFullscreen(native, 0) == 0;
        return true;
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
    // A mode the display refuses (or has nothing as large as: SDL would
    // quietly take the desktop's instead) is the user's setting, not a reason
    // to end the program: say so and stay in a window.
    SDL_DisplayMode closest;
    if (mode.w <= 0 || mode.h <= 0 || !SDL_GetClosestDisplayMode(display, &mode, &closest) ||
        SDL_SetWindowDisplayMode(native, &mode) != 0 || SDL_SetWindowFullscreen(native, SDL_WINDOW_FULLSCREEN) != 0)
    {
        fprintf(stderr, "Could not switch to the fullscreen mode %d x %d x %d - %d Hz (%s): staying in a window\n",
                mode.w, mode.h, 32, mode.refresh_rate, SDL_GetError());
        SDL_SetWindowFullscreen(native, 0);
        return false;
    }
    ZNGLPlatform::SetSwapInterval(params->VSync ? 1 : 0);
    return true;
}
