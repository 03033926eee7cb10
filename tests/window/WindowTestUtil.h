// Shared helpers of the window tests: a dialog recorder and synthetic SDL events.
#pragma once

#include "window/ZNWindowSDL.h"
#include <string.h>

#include <string>
#include <vector>

#include "core/ZNAssert.h"
#include "window/ZNGLContext.h"

// The thread-locals, read inside the engine library (see ZNCurGLTable).
inline ZNContextState* CurState() { return ZNCurContextState(); }
inline GladGLContext*  CurTable() { return ZNCurGLTable(); }
inline UINT32          CanCreate() { return ZNCanCreateContext() ? 1u : 0u; }

// Records every box instead of showing it and answers No.
struct DialogRecorder
{
    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }
    static bool Record(ZNDialogKind, const char* text, const char* caption)
    {
        Texts().push_back(std::string(caption ? caption : "") + "|" + (text ? text : ""));
        return false;
    }

    DialogRecorder() { Texts().clear(); previous = ZNSetDialogHandler(&Record); }
    ~DialogRecorder() { ZNSetDialogHandler(previous); }

    size_t Count() const { return Texts().size(); }
    // Number of assertion boxes whose expression line is exactly expr.
    size_t Asserts(const std::string& expr) const
    {
        size_t n = 0;
        for (const std::string& t : Texts())
            if (t.rfind("BREAK_IF|", 0) == 0 && t.find("\n" + expr + "\n") != std::string::npos)
                ++n;
        return n;
    }
    void Clear() { Texts().clear(); }

    ZNDialogHandler previous;
};

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
