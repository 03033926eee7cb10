// ZNAppWeb: the browser's frame callback drives ZNAppFrame.
#include "application/ZNAppWeb.h"

#include <emscripten.h>
#include <stdlib.h>

namespace
{
struct BrowserRun
{
    ZNApp*       App     = nullptr;
    ZNAppClient* Client  = nullptr;
    void (*Finish)(void* context) = nullptr;
    void*        Context = nullptr;
    UINT32       Frames  = 0;   // frames run so far
};
BrowserRun GRun;

void RunOneFrame()
{
    if (!ZNAppFrame(*GRun.App, *GRun.Client))
    {
        emscripten_cancel_main_loop();
        GRun.Finish(GRun.Context);
        EM_ASM({ if (Module.onAppEnded) Module.onAppEnded(); });
        exit(0);
    }
    ++GRun.Frames;
    EM_ASM({ if (Module.onAppFrame) Module.onAppFrame($0); }, GRun.Frames);
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
