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
    if (GEngineInitialized || GPlatform)
    {
        // Render windows hold pointers to the platform: replacing it would leave
        // them pointing at a deleted one.
        ZNAssertFailed("GEngineInitialized", "ZNEngineInternal", 57);
        return;
    }

    ZNSysInit(argc, argv);
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
    const double freq = GPlatform ? GPlatform->Frequency() : (double)ZNPerformanceFrequency();
    return (double)(INT64)ZNPerformanceCounter() / freq;
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
