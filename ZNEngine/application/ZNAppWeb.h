// ZNAppWeb: the frame loop of a program in a page. A page must give control
// back to the browser after every frame, so the frames are run by the
// browser's frame callback instead of a loop in main:
//
//   #ifdef __EMSCRIPTEN__
//       ZNRunAppInBrowser(app, scene, EndProgram, &program);   // never returns
//   #else
//       while (ZNAppFrame(app, scene)) {}
//       EndProgram(&program);
//   #endif
//
// Guarantees: ZNAppFrame runs once per display refresh until it answers false;
// then finish(context) runs (close what holds GL objects, app.Destroy()) and
// the program exits with code 0, so no frame ever runs without its context.
// The page hears of each frame through Module.onAppFrame(frameNumber) and of
// the end through Module.onAppEnded(), when it defines them. main's stack
// stays: ZNRunAppInBrowser never returns to it.
#pragma once

#include "application/ZNApplication.h"

[[noreturn]] void ZNRunAppInBrowser(ZNApp& app, ZNAppClient& client, void (*finish)(void* context), void* context);
