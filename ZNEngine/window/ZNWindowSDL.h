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

#ifdef __EMSCRIPTEN__
// The page's canvas window (ZNWindowWeb.cpp): SDL has one window on the one
// canvas, shared by every engine window and counted. Made records the first;
// Use answers it, counted once more, or null before one is made; LetGo uncounts
// and is true when the last user went and the window is to be destroyed.
void        ZNCanvasWindowMade(SDL_Window* canvas);
SDL_Window* ZNUseCanvasWindow();
bool        ZNLetGoOfCanvasWindow(SDL_Window* canvas);
// Sizes the canvas window: to the canvas's size on the page when the page's
// style sizes it, else to width x height.
void        ZNFitCanvas(SDL_Window* canvas, UINT32 width, UINT32 height);
#endif
