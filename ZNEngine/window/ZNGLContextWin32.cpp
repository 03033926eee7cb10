// The GL platform on Windows (WGL): the legacy main context on the hidden
// window, window contexts made with wglCreateContextAttribsARB (3.3 core,
// forward-compatible, sharing the main context's objects), swapping and the
// display mode.
#include "window/ZNWindowWin32.h"

#include <glad/wgl.h>
#include <stdio.h>

#include "files/ZNFileIO.h"
#include "window/ZNGLPlatform.h"

namespace
{
HMODULE  GOpenGL         = nullptr;   // opengl32.dll, for the functions of GL 1.1
bool     GDisplayChanged = false;
LONG_PTR GWindowedStyle  = 0;    // the window's style before the switch to fullscreen
RECT     GWindowedRect   = {};   // and its outer rectangle, both restored after it

[[noreturn]] void WGLFatal(const char* message)
{
    fprintf(stderr, "%s (%s)\n", message, ZNGLPlatform::LastError());
    ZNFatalErrorLog("%s", message);
}

// wglGetProcAddress knows only what is newer than GL 1.1 and answers some
// failures with small numbers instead of null.
GLADapiproc LoadFunction(const char* name)
{
    PROC          p = wglGetProcAddress(name);
    const INT_PTR v = reinterpret_cast<INT_PTR>(p);
    if (v == 0 || v == 1 || v == 2 || v == 3 || v == -1)
    {
        if (!GOpenGL)
            GOpenGL = LoadLibraryW(L"opengl32.dll");
        p = GOpenGL ? GetProcAddress(GOpenGL, name) : nullptr;
    }
    return reinterpret_cast<GLADapiproc>(p);
}

HDC WindowDC(ZNWindow* win)
{
    HWND hwnd = win ? ZNWin32Window(*win) : nullptr;
    // The class has its own DC per window: this is always the same one.
    return hwnd ? GetDC(hwnd) : nullptr;
}

// A double-buffered RGBA window format with 24 depth and 8 stencil bits.
PIXELFORMATDESCRIPTOR DescribeWindowFormat(BYTE colorBits, BYTE alphaBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof(pfd));
    pfd.nSize        = sizeof(pfd);
    pfd.nVersion     = 1;
    pfd.dwFlags      = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType   = PFD_TYPE_RGBA;
    pfd.cColorBits   = colorBits;
    pfd.cAlphaBits   = alphaBits;
    pfd.cDepthBits   = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType   = PFD_MAIN_PLANE;
    return pfd;
}

// The main context: a legacy context on a 32-bit colour format.
void SetMainPixelFormat(HDC dc)
{
    PIXELFORMATDESCRIPTOR pfd    = DescribeWindowFormat(32, 8);
    const int             format = ChoosePixelFormat(dc, &pfd);
    if (!format)
        WGLFatal("Failed to choose a pixel format");
    if (!SetPixelFormat(dc, format, &pfd))
        WGLFatal("Failed to set a pixel format");
}

// Window contexts: 24 colour bits and the asked-for multisampling. A window
// keeps its pixel format for life, so a restyled window keeps the one it has.
void SetWindowPixelFormat(HDC dc, const ZNWindowParams& params)
{
    if (GetPixelFormat(dc) != 0)
        return;
    int format = 0;
    if (GLAD_WGL_ARB_pixel_format)
    {
        const int attributes[] = {
            WGL_DRAW_TO_WINDOW_ARB,
            GL_TRUE,
            WGL_SUPPORT_OPENGL_ARB,
            GL_TRUE,
            WGL_DOUBLE_BUFFER_ARB,
            GL_TRUE,
            WGL_PIXEL_TYPE_ARB,
            WGL_TYPE_RGBA_ARB,
            WGL_COLOR_BITS_ARB,
            24,
            WGL_DEPTH_BITS_ARB,
            24,
            WGL_STENCIL_BITS_ARB,
            8,
            WGL_SAMPLE_BUFFERS_ARB,
            params.Samples ? 1 : 0,
            WGL_SAMPLES_ARB,
            (int)params.Samples,
            0,
        };
        UINT       found = 0;
        // Without multisampling the extension may not know the two sample keys.
        const int* list = attributes;
        int        plain[15];
        if (!params.Samples || !GLAD_WGL_ARB_multisample)
        {
            memcpy(plain, attributes, sizeof(int) * 14);
            plain[14] = 0;
            list      = plain;
        }
        if (!wglChoosePixelFormatARB(dc, list, nullptr, 1, &format, &found) || found == 0)
            format = 0;
    }
    PIXELFORMATDESCRIPTOR pfd = DescribeWindowFormat(24, 0);
    if (!format)
        format = ChoosePixelFormat(dc, &pfd);
    if (!format)
        WGLFatal("Failed to choose a pixel format");
    DescribePixelFormat(dc, format, sizeof(pfd), &pfd);
    if (!SetPixelFormat(dc, format, &pfd))
        WGLFatal("Failed to set a pixel format");
}
}   // namespace

void ZNGLPlatform::PrepareWindow(const ZNWindowParams&, bool)
{
    // WGL sets the pixel format on the window's DC when the context is made.
}

void* ZNGLPlatform::CreateContext(const ZNWindowParams& params, ZNWindow* win, ZNGLContext* share)
{
    HDC dc = WindowDC(win);
    if (!dc)
        WGLFatal("Failed to choose a pixel format");
    if (!share)
    {
        SetMainPixelFormat(dc);
        HGLRC rc = wglCreateContext(dc);
        if (!rc)
            WGLFatal("Failed to create the window Rendering Context");
        if (!wglMakeCurrent(dc, rc))
            WGLFatal("Failed to set the window Rendering Context");
        // The WGL extensions are found through a current context: the main one.
        gladLoadWGL(dc, LoadFunction);
        return rc;
    }

    SetWindowPixelFormat(dc, params);
    if (!GLAD_WGL_ARB_create_context || !GLAD_WGL_ARB_create_context_profile)
        WGLFatal("Failed to create the window Rendering Context");
    const int attributes[] = {
        WGL_CONTEXT_MAJOR_VERSION_ARB,
        3,
        WGL_CONTEXT_MINOR_VERSION_ARB,
        3,
        WGL_CONTEXT_FLAGS_ARB,
        WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB,
        WGL_CONTEXT_PROFILE_MASK_ARB,
        WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
        0,
    };
    HGLRC rc = wglCreateContextAttribsARB(dc, static_cast<HGLRC>(share->RC), attributes);
    if (!rc)
        WGLFatal("Failed to create the window Rendering Context");
    if (!wglMakeCurrent(dc, rc))
        WGLFatal("Failed to set the window Rendering Context");
    SetSwapInterval(params.VSync ? 1 : 0);
    return rc;
}

bool ZNGLPlatform::MakeCurrent(ZNWindow* win, void* rc)
{
    if (!rc)
        return wglMakeCurrent(nullptr, nullptr) != 0;
    HDC dc = WindowDC(win);
    return dc && wglMakeCurrent(dc, static_cast<HGLRC>(rc)) != 0;
}

void ZNGLPlatform::DeleteContext(void* rc)
{
    wglDeleteContext(static_cast<HGLRC>(rc));
}

void ZNGLPlatform::Swap(ZNWindow* win)
{
    if (HDC dc = WindowDC(win))
        SwapBuffers(dc);
}

void ZNGLPlatform::SetSwapInterval(UINT32 interval)
{
    if (GLAD_WGL_EXT_swap_control)
        wglSwapIntervalEXT((int)interval);
}

GLADloadfunc ZNGLPlatform::Loader()
{
    return LoadFunction;
}

const char* ZNGLPlatform::LastError()
{
    static thread_local char text[256];
    const DWORD              code = GetLastError();
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                        sizeof(text), nullptr))
        snprintf(text, sizeof(text), "error %lu", code);
    // The system's text ends with a line break.
    for (size_t n = strlen(text); n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'); --n)
        text[n - 1] = 0;
    return text;
}

// ---------------------------------------------------------------------------
// Display mode

bool ZNApplyDisplayMode(ZNWindow* win, const ZNWindowParams* params)
{
    if (!win || !win->Handle())
        return false;
    if (!params || !params->Fullscreen)
    {
        if (GDisplayChanged)
        {
            if (ChangeDisplaySettingsW(nullptr, 0) != DISP_CHANGE_SUCCESSFUL)
                return false;
            GDisplayChanged = false;
            // The frame and the place the window had before.
            HWND hwnd = ZNWin32Window(*win);
            SetWindowLongPtrW(hwnd, GWL_STYLE, GWindowedStyle);
            SetWindowPos(hwnd, HWND_NOTOPMOST, GWindowedRect.left, GWindowedRect.top,
                         GWindowedRect.right - GWindowedRect.left, GWindowedRect.bottom - GWindowedRect.top,
                         SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        }
        return true;
    }

    DEVMODEW mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    mode.dmPelsWidth  = params->Width;
    mode.dmPelsHeight = params->Height;
    mode.dmBitsPerPel = 32;
    mode.dmFields     = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    if (params->Refresh)
    {
        mode.dmDisplayFrequency = params->Refresh;
        mode.dmFields |= DM_DISPLAYFREQUENCY;
    }
    // A mode the display refuses is the user's setting, not a reason to end
    // the program: say so and stay in a window (the display is unchanged).
    if (ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
    {
        fprintf(stderr, "Could not switch to the fullscreen mode %d x %d x %d - %d Hz: staying in a window\n",
                (int)params->Width, (int)params->Height, 32, (int)mode.dmDisplayFrequency);
        return false;
    }
    HWND hwnd = ZNWin32Window(*win);
    if (!GDisplayChanged)
    {
        GWindowedStyle = GetWindowLongPtrW(hwnd, GWL_STYLE);
        GetWindowRect(hwnd, &GWindowedRect);
    }
    GDisplayChanged = true;
    // No frame: the client area is the whole screen, so the drawable is the
    // mode's size and not the mode less a caption and borders.
    SetWindowLongPtrW(hwnd, GWL_STYLE, (GWindowedStyle & ~(LONG_PTR)WS_OVERLAPPEDWINDOW) | WS_POPUP);
    SetWindowPos(hwnd, HWND_TOP, 0, 0, (int)params->Width, (int)params->Height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    ZNGLPlatform::SetSwapInterval(params->VSync ? 1 : 0);
    return true;
}
