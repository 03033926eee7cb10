// Vendrapolis: the entry point. Reads the command line (help, version and
// mistakes end here, before any window), opens the window, builds the voxel
// world, then runs the engine's frames (which run the "+command args" lines)
// until the window is asked to close or the quit command runs.
#include "AppCommands.h"
#include "CommandLine.h"
#include "FlightPath.h"
#include "VoxelWorld.h"
#include "ZNEngine.h"

#include <stdio.h>

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

    void DescribeStats(ZNArray<ZNString>& lines) override
    {
        char buf[96];
        ZNSPrintf(buf, sizeof(buf), "leaves %u   sprites %u", (unsigned)World->DrawStats.Leaves,
                  (unsigned)World->DrawStats.Sprites);
        lines.Add(ZNString(buf));
        ZNSPrintf(buf, sizeof(buf), "sprites drawn as points %u", (unsigned)World->DrawStats.Points);
        lines.Add(ZNString(buf));
    }

    VoxelWorld* World = nullptr;
};
} // namespace

int main(int argc, char** argv)
{
    AppOptions options;
    const int exitCode = MakeCommandLine(options).Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    ZNApp app;
    app.Create(argc, argv, "Vendrapolis", "Data/");
    // A terrain named on the command line must be there before a window opens.
    ZNString why;
    if (!options.MapHeight.Empty() &&
        (!CheckTerrainImage(options.MapHeight.CStr(), why) || !CheckTerrainImage(options.MapColour.CStr(), why)))
    {
        fprintf(stderr, "--map: %s\n%s", why.CStr(), CommandLineUsage().CStr());
        app.Destroy();
        return 2;
    }
    if (!app.OpenWindow(ZNString("Building the voxel world..."), options))
    {
        app.Destroy();
        return 1;
    }
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    if (options.Grid)
        VoxSetGridForConsole(options.Grid);
    Demo demo;
    demo.World = options.MapHeight.Empty() ? new VoxelWorld(app.Window)
                                           : new VoxelWorld(app.Window, TerrainFileName(options.MapHeight.CStr()).CStr(),
                                                            TerrainFileName(options.MapColour.CStr()).CStr());
    SetCommandWorld(demo.World);
    app.Camera.State = demo.World->Camera;
    app.Bench.Path = FlightPathAt;
    if (demo.World->Root)
        PrintStdout("Voxel world: %u x %u sprites, %u leaves, built in %.3f s\n", demo.World->Grid, demo.World->Grid,
                    demo.World->Root->CountNodesWithPoints(), demo.World->BuildSeconds);
    app.Window->NativeWindow()->SetTitle(ZNString("Vendrapolis - Voxel sprites"));

    while (ZNAppFrame(app, demo))
    {
    }

    SetCommandWorld(nullptr);
    delete demo.World;
    app.Destroy();
    return 0;
}
