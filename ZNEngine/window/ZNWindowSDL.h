// ZNWindowSDL: the SDL2 backend's side of ZNWindow, for the platform files and
// for tests that feed SDL events to a window. Nothing else includes it.
//
//   win.HandleEvent(sdlEvent);                 // converts to ZNNativeEvent
//   SDL_Window* w = ZNSDLWindow(win);
#pragma once

#include <SDL.h>

#include "window/ZNWindow.h"

// One SDL event; converts implicitly so SDL events go straight to HandleEvent.
struct ZNNativeEvent
{
    ZNNativeEvent(const SDL_Event& ev) : Event(ev) {}
    SDL_Event Event;
};

// The SDL window behind win; null before Create.
inline SDL_Window* ZNSDLWindow(const ZNWindow& win)
{
    return reinterpret_cast<SDL_Window*>(win.Handle());
}

// Maps a physical key to the engine's virtual-key code; 0 when it has none.
UINT32 ZNKeyFromScancode(SDL_Scancode sc);

// Starts SDL's video subsystem with the driver for the display in the
// environment: X11 when DISPLAY is set, Wayland when only WAYLAND_DISPLAY is,
// or whatever SDL_VIDEODRIVER names. Never falls back to a driver that shows
// nothing. On failure `error` says which display and why.
bool ZNStartSDLVideo(ZNString* error);
