// Vendrapolis: the entry point. Reads the command line (help, version and
// mistakes end here, before any window), opens the window, builds the voxel
// world, runs the console lines given as "+command args", then runs the frame
// loop until the window is asked to close or the quit command runs, and tears
// everything down in the reverse order.
#include "AppCommands.h"
#include "AppGlobals.h"
#include "CommandLine.h"
#include "StatsOverlay.h"
#include "VoxelWorld.h"
#include "ZNEngine.h"

#include <stdio.h>

UINT32 GMouseLook = 0;

namespace
{
const UINT32 KeyF3  = 0x72;   // the statistics overlay
const UINT32 KeyF12 = 0x7B;   // a screenshot

// Keeps the GL viewport on the client area and reloads edited shaders when the
// user comes back to the window.
class AppListener final : public ZNWindowListener
{
public:
    AppListener() : Window(nullptr) {}

    UINT32 Reserved(UINT32, UINT32, UINT32, UINT32) override { return 0; }

    void Resize(UINT32 width, UINT32 height) override
    {
        SetViewport(0, 0, (INT32)width, (INT32)height);
        // A line of the engine log with what GL now holds, so a run can be
        // followed (and checked) from outside.
        GLint vp[4] = { 0, 0, 0, 0 };
        ZNCurGLTable()->GetIntegerv(GL_VIEWPORT, vp);
        ZNLog("Viewport %d x %d", vp[2], vp[3]);
    }

    // The window does not accept dropped files.
    bool Drop(UINT32, const ZNString&) override { return false; }

    void Focus(bool gained) override
    {
        if (gained && Window && Window->RenderWindow.Handle())
            Window->RenderWindow.Handle()->ReloadShaders();
    }

    ZNAppWindow* Window;
};

// The engine log, console lines included, goes to standard output, so a run can
// be followed and scripted from a terminal.
void PrintLogLine(const char* text)
{
    fputs(text, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

// Swap interval and fullscreen follow their variables.
struct DisplayState
{
    INT32 VSync      = -1;   // as applied; -1 before the first frame
    INT32 Fullscreen = -1;

    void Apply(ZNAppWindow& window)
    {
        if (GVSync.GetInt() != VSync)
        {
            VSync = GVSync.GetInt();
            ZNSetSwapInterval((UINT32)VSync);
        }
        if (GFullscreen.GetInt() != Fullscreen)
        {
            const bool first = Fullscreen < 0;
            Fullscreen = GFullscreen.GetInt();
            // The window opened in the mode the command line asked for.
            if (!first)
            {
                ZNWindowParams params = window.Params();
                params.Fullscreen = (UINT32)Fullscreen;
                ZNApplyDisplayMode(window.NativeWindow(), Fullscreen ? &params : nullptr);
            }
        }
    }
};
} // namespace

int main(int argc, char** argv)
{
    AppOptions options;
    ZNString   message;
    switch (ParseCommandLine(argc, argv, options, message))
    {
    case APR_Exit:
        fputs(message.CStr(), stdout);
        return 0;
    case APR_Error:
        fputs(message.CStr(), stderr);
        return 2;
    case APR_Run:
        break;
    }

    ZNEngineInit(argc, argv);
    ZNSetLogHandler(PrintLogLine);
    ZNSetDataPath(ZNString("Data/"));

    // A terrain named on the command line must be there before a window opens.
    if (!options.MapHeight.Empty())
    {
        ZNString why;
        if (!CheckTerrainImage(options.MapHeight.CStr(), why) || !CheckTerrainImage(options.MapColour.CStr(), why))
        {
            fprintf(stderr, "--map: %s\n%s", why.CStr(), CommandLineUsage().CStr());
            ZNEngineShutdown();
            return 2;
        }
    }

    ZNAppWindow* window = ZNCreateAppWindow();
    ZNWindowParams params = { options.Width, options.Height, options.Fullscreen, 0, 0, 0, 0, 0 };
    window->Open(ZNString("Building the voxel world..."), params);
    GFullscreen.Set((float)options.Fullscreen);

    window->MakeCurrent();
    window->NativeWindow()->SetResizable(true);
    window->EnableConsole(true);

    AppListener listener;
    listener.Window = window;
    window->SetListener(&listener);

    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    if (options.Grid)
        VoxSetGridForConsole(options.Grid);
    VoxelWorld* world = options.MapHeight.Empty()
                            ? new VoxelWorld(window)
                            : new VoxelWorld(window, TerrainFileName(options.MapHeight.CStr()).CStr(),
                                             TerrainFileName(options.MapColour.CStr()).CStr());
    GApp.Window = window;
    GApp.World  = world;
    if (world->Root)
        PrintStdout("Voxel world: %u x %u sprites and %u cliff fills, %u leaves, built in %.3f s\n", world->Grid,
                    world->Grid, world->FillSprites, world->Root->CountNodesWithPoints(), world->BuildSeconds);

    window->NativeWindow()->SetTitle(ZNString("Vendrapolis - Voxel sprites"));

    ZNSharedPtr<StatsOverlay> overlay(new StatsOverlay());
    overlay->SetWindow(window);
    overlay->Layout();
    DisplayState display;
    ZNConsole&   console = *window->Console;
    UINT32       nextCommand = 0;

    double prevTime = ZNGetTime();
    bool   closing  = window->Poll();
    while (!closing)
    {
        if (window->Input.KeyState(KeyF3) == VoxKS_Pressed)
            GStats.Set(GStats.GetInt() ? 0.0f : 1.0f);
        if (window->Input.KeyState(KeyF12) == VoxKS_Pressed)
        {
            GApp.ScreenshotWanted = true;
            GApp.ScreenshotPath.Clear();
        }
        display.Apply(*window);

        if (GMouseLook)
        {
            // Re-centring keeps the cursor off the window's edge while steering;
            // the camera reads the mouse as a displacement from the centre.
            const float cx = (float)(window->Params().Width >> 1);
            const float cy = (float)(window->Params().Height >> 1);
            window->SetCursorPos(cx, cy);
            window->Input.PrevMouse[0] = cx;
            window->Input.PrevMouse[1] = cy;
        }

        const float clearColor[4] = { 0.01f, 0.02f, 0.04f, 1.0f };
        Clear(clearColor, 1.0f);

        const double now = ZNGetTime();
        const float  dt  = (float)(now - prevTime);
        prevTime = now;
        overlay->Frames.Add(dt);
        if (GApp.Bench.Advance(dt))
            ReportBenchmark(console, GApp.Bench);

        ApplyWorldSettings(*world);
        if (GApp.Bench.IsRunning())
            world->Camera = GApp.Bench.Camera();
        else
            world->Update(dt);

        const ZNRenderCounters before = ZNGetRenderCounters();
        world->Render(0.0f);
        if (GStats.GetInt())
        {
            overlay->Scene  = ZNGetRenderCounters() - before;
            overlay->Tree   = world->DrawStats;
            overlay->Camera = world->Camera;
            overlay->Layout();   // follows the window's size
            overlay->Update(1.0f);
        }

        ZNImage frame;
        const bool capture = GApp.ScreenshotWanted;
        window->Present(capture ? &frame : nullptr);
        if (capture)
        {
            GApp.ScreenshotWanted = false;
            SaveScreenshot(console, frame, GApp.ScreenshotPath);
        }
        // The command line's lines, in order, once the first frame is shown (so a
        // benchmark does not time the shaders' first load); a benchmark holds the
        // rest back until its flight has ended ("+benchmark 5 +quit").
        while (nextCommand < options.Commands.Size() && !GApp.Bench.IsRunning() && !GApp.QuitRequested)
            console.Execute(options.Commands[nextCommand++].CStr());

        // A screenshot asked for before the quit is still taken.
        closing = window->Poll() || (GApp.QuitRequested && !GApp.ScreenshotWanted);
    }

    GApp.World  = nullptr;
    GApp.Window = nullptr;
    overlay = ZNSharedPtr<StatsOverlay>();
    delete world;
    window->Release();
    ZNDestroyAppWindow(window);
    ZNEngineShutdown();
    return 0;
}
