// Vendrapolis: the entry point. Reads the command line (help, version and
// mistakes end here, before any window), opens the window, builds the voxel
// world, then runs the engine's frames (which run the "+command args" lines)
// until the window is asked to close or the quit command runs.
#include "AppCommands.h"
#include "CommandLine.h"
#include "FlightPath.h"
#include "VoxelWorld.h"
#include "ZNEngine.h"
#ifdef __EMSCRIPTEN__
#include "application/ZNAppWeb.h"
#endif

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

// The demo's own terrain maps, decoded on other cores while the window opens.
struct MapReader
{
    VoxTerrainMaps* Maps = nullptr;
    ZNThread        Thread;
};

#ifndef __EMSCRIPTEN__
UINT32 ReadDemoMaps(void* context)
{
    // The main thread may be held to one processor by then; the decode is to run beside it.
    ZNThread::AllowAllProcessors();
    UINT32   failed = 0;
    ZNString why;
    LoadTerrainMaps(VoxDemoHeightMap, VoxDemoColorMap, *static_cast<MapReader*>(context)->Maps, failed, why);
    return 0;
}
#endif

// Starts decoding the demo's maps into `maps` when the command line names none;
// reader.Thread.Wait then has them, or leaves them empty when either fails. A page
// builds its world as before.
void StartReadingDemoMaps(const AppOptions& options, VoxTerrainMaps& maps, MapReader& reader)
{
    reader.Maps = &maps;
#ifndef __EMSCRIPTEN__
    if (options.MapHeight.Empty())
        reader.Thread.Start(ReadDemoMaps, &reader);
#else
    (void)options;
#endif
}

// What the end of the frames closes, before the engine goes.
struct Program
{
    ZNApp* App;
    Demo*  Scene;
};

void EndProgram(void* context)
{
    Program& program = *static_cast<Program*>(context);
    SetCommandWorld(nullptr);
    delete program.Scene->World;
    program.Scene->World = nullptr;
    program.App->Destroy();
}
}   // namespace

int main(int argc, char** argv)
{
    // Start-up is timed from here to the first frame presented, and said once.
    const double started = ZNGetTime();
    AppOptions   options;
    const int    exitCode = MakeCommandLine(options).Run(argc, argv, options);
    if (exitCode >= 0)
        return exitCode;

    // A terrain named on the command line is decoded before anything starts,
    // so a bad file is a mistake on the command line even without a display;
    // the world is built from the same pixels.
    ZNSetArguments(argc, argv);
    ZNSetDataPath(ZNString("Data/"));
    VoxTerrainMaps maps;
    if (!ReadMapOption(options, maps))
        return ZN_EXIT_USAGE;

    ZNApp app;
    app.Create(argc, argv, "Vendrapolis", "Data/");
    // Without --map the demo's maps are decoded while the window opens, and the
    // world is built from them; when either fails they stay empty, and the build
    // reads the files itself and says why.
    MapReader reader;
    StartReadingDemoMaps(options, maps, reader);
    const bool opened = app.OpenWindow(ZNString("Building the voxel world..."), options);
    reader.Thread.Wait(ZN_WAIT_INFINITE);
    if (!opened)
    {
        app.Destroy();
        return 1;
    }
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    Demo demo;
    VoxShowBuildProgress(true);
    demo.World = CreateWorld(app.Window, options, maps);
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

    Program program = { &app, &demo };
#ifdef __EMSCRIPTEN__
    // A page gives control back to the browser after each frame.
    // A page's start-up is measured in the page (page load to first frame).
    (void)started;
    ZNRunAppInBrowser(app, demo, EndProgram, &program);
#else
    // A close during a later build (the map command) stops that build and ends here.
    bool running = true, told = false;
    while (running)
    {
        running = ZNAppFrame(app, demo) && !demo.World->BuildStopped;
        if (!told && app.FirstShown > 0.0)
        {
            told = true;
            PrintStdout("First frame shown %.3f s after start\n", app.FirstShown - started);
        }
    }
    const int code = app.ExitCode();
    EndProgram(&program);
    return code;
#endif
}
