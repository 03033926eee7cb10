// Engine start and stop.
#include "runtime/ZNEngineInternal.h"

#include "core/ZNSys.h"
#include "resources/ZNTextureStream.h"

UINT32 GEngineInitialized = 0;

namespace
{
ZNPlatform* GPlatform = nullptr;
}

void ZNEngineInit(int argc, char** argv)
{
    if (GEngineInitialized)
        ZNAssertFailed("GEngineInitialized", "ZNEngineInternal", 57);

    ZNSysInit(argc, argv);
    // Starting again replaces the platform; the old one goes first, so only one
    // hidden main context ever exists.
    delete GPlatform;
    GPlatform = new ZNPlatform();

    GPlatform->Begin();
    StartStreaming();
    GPlatform->End();

    GEngineInitialized = 1;
}

void ZNEngineShutdown()
{
    if (!GEngineInitialized)
        ZNAssertFailed("!GEngineInitialized", "ZNEngineInternal", 73);

    if (GPlatform)
    {
        GPlatform->Begin();
        StopStreaming();
        GPlatform->End();
        delete GPlatform;
        GPlatform = nullptr;
    }
    ZNSysShutdown();
    GEngineInitialized = 0;
}

double ZNGetTime()
{
    const double freq = GPlatform ? GPlatform->Frequency() : (double)SDL_GetPerformanceFrequency();
    return (double)(INT64)SDL_GetPerformanceCounter() / freq;
}

void ZNUpdateEngine(float dt)
{
    UpdateTextures(dt);
}

ZNAppWindow* ZNCreateAppWindow()
{
    if (ZN_CHECK_FAILED(!GPlatform))
        return nullptr;
    return new ZNAppWindow(GPlatform);
}

void ZNDestroyAppWindow(ZNAppWindow* win)
{
    delete win;
}

ZNPlatform* ZNGetPlatform()
{
    return GPlatform;
}
