// ZNAppWeb: the browser's frame callback drives ZNAppFrame.
#include "application/ZNAppWeb.h"

#include <emscripten.h>
#include <stdlib.h>

namespace
{
typedef void (*FinishRoutine)(void* context);

struct BrowserRun
{
    ZNApp*        App     = nullptr;   // the program's application
    ZNAppClient*  Client  = nullptr;   // its scene
    FinishRoutine Finish  = nullptr;   // closes what holds GL, then the engine
    void*         Context = nullptr;   // Finish's argument
    UINT32        Frames  = 0;         // frames run so far
};
BrowserRun GRun;

void RunOneFrame()
{
    if (!ZNAppFrame(*GRun.App, *GRun.Client))
    {
        emscripten_cancel_main_loop();
        GRun.Finish(GRun.Context);
        EM_ASM({
            if (Module.onAppEnded)
                Module.onAppEnded();
        });
        exit(0);
    }
    ++GRun.Frames;
    EM_ASM(
        {
            if (Module.onAppFrame)
                Module.onAppFrame($0);
        },
        GRun.Frames);
}
}   // namespace

void ZNRunAppInBrowser(ZNApp& app, ZNAppClient& client, void (*finish)(void* context), void* context)
{
    GRun.App     = &app;
    GRun.Client  = &client;
    GRun.Finish  = finish;
    GRun.Context = context;
    // 0 frames per second: the browser's display refresh (requestAnimationFrame).
    emscripten_set_main_loop(RunOneFrame, 0, 1);
    abort();   // not reached: the call above hands control to the browser
}
