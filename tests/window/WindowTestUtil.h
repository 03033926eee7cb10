// Shared helpers of the window tests: synthetic SDL events.
#pragma once

#include "window/ZNWindowSDL.h"
#include <string.h>

#include <string>
#include <vector>

#include "common/ZNTestDialogs.h"
#include "window/ZNGLContext.h"

// The thread-locals, read inside the engine library (see ZNCurGLTable).
inline ZNContextState* CurState()
{
    return ZNCurContextState();
}
inline GladGLContext* CurTable()
{
    return ZNCurGLTable();
}
inline UINT32 CanCreate()
{
    return ZNCanCreateContext() ? 1u : 0u;
}

inline SDL_Event KeyEvent(Uint32 type, SDL_Scancode sc)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type                = type;
    ev.key.keysym.scancode = sc;
    ev.key.state           = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    return ev;
}

inline SDL_Event WindowEvent(Uint8 what, Sint32 d1 = 0, Sint32 d2 = 0)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type         = SDL_WINDOWEVENT;
    ev.window.event = what;
    ev.window.data1 = d1;
    ev.window.data2 = d2;
    return ev;
}

inline SDL_Event ButtonEvent(Uint32 type, Uint8 button)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type          = type;
    ev.button.button = button;
    return ev;
}

inline SDL_Event MotionEvent(Sint32 x, Sint32 y)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type     = SDL_MOUSEMOTION;
    ev.motion.x = x;
    ev.motion.y = y;
    return ev;
}

inline SDL_Event WheelEvent(Sint32 y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type            = SDL_MOUSEWHEEL;
    ev.wheel.y         = y;
    ev.wheel.direction = direction;
    return ev;
}

inline SDL_Event TextEvent(const char* text)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type = SDL_TEXTINPUT;
    strncpy(ev.text.text, text, sizeof(ev.text.text) - 1);
    return ev;
}

inline SDL_Event DropEvent(Uint32 type, char* file = nullptr)
{
    SDL_Event ev;
    memset(&ev, 0, sizeof(ev));
    ev.type      = type;
    ev.drop.file = file;
    return ev;
}
