// The page's one canvas window, shared by the engine's windows (ZNWindowSDL.h).
#include "window/ZNWindowSDL.h"

#include <emscripten/html5.h>

namespace
{
SDL_Window* GCanvas      = nullptr;
UINT32      GCanvasUsers = 0;
}   // namespace

void ZNCanvasWindowMade(SDL_Window* canvas)
{
    GCanvas      = canvas;
    GCanvasUsers = 1;
}

SDL_Window* ZNUseCanvasWindow()
{
    if (!GCanvas)
        return nullptr;
    ++GCanvasUsers;
    return GCanvas;
}

bool ZNLetGoOfCanvasWindow(SDL_Window* canvas)
{
    if (canvas != GCanvas || GCanvasUsers == 0)
        return true;
    if (--GCanvasUsers > 0)
        return false;
    GCanvas = nullptr;
    return true;
}

void ZNFitCanvas(SDL_Window* canvas, UINT32 width, UINT32 height)
{
    double cssWidth = 0.0, cssHeight = 0.0;
    if (emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight) == EMSCRIPTEN_RESULT_SUCCESS &&
        cssWidth >= 1.0 && cssHeight >= 1.0)
    {
        width  = (UINT32)cssWidth;
        height = (UINT32)cssHeight;
    }
    SDL_SetWindowSize(canvas, (int)width, (int)height);
}
