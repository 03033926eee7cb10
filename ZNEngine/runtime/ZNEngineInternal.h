// ZNEngineInternal: the calls an application makes first and last, the clock and
// the factory for application windows.
//
//   int main(int argc, char** argv) {
//       ZNEngineInit(argc, argv);            // platform, hidden main context, worker
//       ZNAppWindow* win = ZNCreateAppWindow();
//       ...
//       ZNDestroyAppWindow(win);
//       ZNEngineShutdown();                  // worker joined, platform deleted
//   }
//
// Guarantees: the thread that calls ZNEngineInit is the only one allowed to manage
// GL contexts; the platform outlives every window the application destroys before
// ZNEngineShutdown; starting twice is reported and refused (the running platform
// and every window on it stay as they are); stopping when not started is
// reported.
#pragma once

#include "application/ZNAppWindow.h"

// 0 until ZNEngineInit finishes, 0 again after ZNEngineShutdown.
extern UINT32 GEngineInitialized;

// Either argument may be null/0.
void         ZNEngineInit(int argc, char** argv);
void         ZNEngineShutdown();
// Seconds since an arbitrary origin; only differences mean anything. Any thread,
// once the engine is started.
double       ZNGetTime();
// A new application window bound to the platform, not yet open; null before the
// engine is started.
ZNAppWindow* ZNCreateAppWindow();
// Deletes the window (null is ignored).
void         ZNDestroyAppWindow(ZNAppWindow* win);
// The engine's per-frame step: hands the frame time to texture streaming. Main
// thread, with a context current.
void         ZNUpdateEngine(float dt);
// The engine's platform, or null when the engine is not started.
ZNPlatform*  ZNGetPlatform();
