// The tests' native window events under SDL.
#include "common/ZNTestNative.h"

#include "window/ZNWindowSDL.h"

#include <string.h>

void ZNTestReportResize(ZNWindow& win, UINT32 width, UINT32 height)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type         = SDL_WINDOWEVENT;
    ev.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    ev.window.data1 = (Sint32)width;
    ev.window.data2 = (Sint32)height;
    win.HandleEvent(ev);
}
