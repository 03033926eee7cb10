// Vendrapolis: the entry point. Reads the command line (help, version and
// mistakes end here, before any window), opens the window, builds the voxel
// world, then runs the engine's frames (which run the "+command args" lines)
// until the window is asked to close or the quit command runs.
#include "AppCommands.h"
#include "CommandLine.h"
#include "FlightPath.h"
#include "VoxelWorld.h"
#include "ZNEngine.h"

namespace
{
// The world follows the application's camera and variables; the overlay shows
// what its voxel pass drew.
class Demo final : public ZNAppClient
{
public:
    void Draw(ZNApp& app) override
    {
        ApplyWorldSettings(app, World->Settings);
        World->Camera = app.Camera.State;
        World->Render(0.0f);
    }

    void DescribeStats(ZNArray<ZNString>& lines) override { DescribeDrawStats(World->DrawStats, lines); }

    VoxelWorld* World = nullptr;
};
}   // namespace

int main(int argc, char** argv)
{
    AppOptions options;
    const int  exitCode = MakeCommandLine(options).Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    ZNApp app;
    app.Create(argc, argv, "Vendrapolis", "Data/");
    // A terrain named on the command line must be there before a window opens.
    const bool mapUsable = CheckMapOption(options);
    if (!mapUsable || !app.OpenWindow(ZNString("Building the voxel world..."), options))
    {
        app.Destroy();
        return mapUsable ? 1 : 2;
    }
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    Demo demo;
    VoxShowBuildProgress(true);
    demo.World = CreateWorld(app.Window, options);
    if (demo.World->BuildStopped)
    {
        // The window was closed while the world was being built.
        delete demo.World;
        app.Destroy();
        return 0;
    }
    SetCommandWorld(demo.World);
    app.Camera.State = demo.World->Camera;
    app.Bench.Path   = FlightPathAt;
    app.Window->NativeWindow()->SetTitle(ZNString("Vendrapolis - Voxel sprites"));

    // A close during a later build (the map command) stops that build and ends here.
    while (ZNAppFrame(app, demo) && !demo.World->BuildStopped)
    {
    }

    SetCommandWorld(nullptr);
    delete demo.World;
    app.Destroy();
    return 0;
}
