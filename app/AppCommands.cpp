// AppCommands: the program's commands, variables and the helpers they share
// with the frame loop.
#include "AppCommands.h"

#include "VoxelWorld.h"
#include "ZNEngine.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

AppState GApp;

ZNConVar GCamSpeed("cam_speed", VoxSpeed, 0, 1.0f, 5000.0f, nullptr, 0,
                   "camera speed in units per second (shift doubles it)");
ZNConVar GCamFov("cam_fov", VoxFieldOfView, 0, 10.0f, 170.0f, nullptr, 0, "vertical field of view in degrees");
ZNConVar GMouseSensitivity("in_mouse_sensitivity", VoxMouseSensitivity, 0, 0.0005f, 0.1f, nullptr, 0,
                           "mouse look in radians per pixel");
ZNConVar GInvertY("in_invert_y", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: moving the mouse up looks down");
ZNConVar GWaterHeight("r_water_height", 100.0f, 0, -100.0f, 700.0f, nullptr, 0, "height of the water plane");
ZNConVar GHaze("r_haze", 1.0f, 0, 0.0f, 1.0f, nullptr, 0, "strength of the evening haze (0 clear air)");
ZNConVar GVSync("vid_vsync", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: wait for the vertical blank before showing a frame");
ZNConVar GFullscreen("vid_fullscreen", 0.0f, 1, 0.0f, 1.0f, nullptr, 0,
                     "1: the display switches to the window's size");
ZNConVar GStats("r_stats", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: the statistics overlay (F3 toggles it)");

void ApplyWorldSettings(VoxelWorld& world)
{
    world.Settings.Speed       = GCamSpeed.Get();
    world.Settings.FieldOfView = GCamFov.Get();
    world.Settings.Sensitivity = GMouseSensitivity.Get();
    world.Settings.InvertY     = (UINT32)GInvertY.GetInt();
    world.Settings.WaterHeight = GWaterHeight.Get();
    world.Settings.Haze        = GHaze.Get();
}

// ---------------------------------------------------------------------------
// map

ZNString TerrainFileName(const char* path)
{
    return path[0] == '/' ? ZNConsolePathToEngineName(path) : ZNString(path);
}

bool CheckTerrainImage(const char* path, ZNString& why)
{
    const ZNString name = TerrainFileName(path);
    const char* reason = nullptr;
    ZNPodArray<UINT8> bytes;
    ZNImage image;
    if (IsDirectory(name))
        reason = "is a folder";
    else if (!FileExists(name))
        reason = "does not exist or cannot be opened";
    else if (!ReadFileToArray(name, bytes))
        reason = "cannot be read";
    else if (!LoadPngFromMemory(bytes.begin(), bytes.Size(), image))
        reason = "is not a PNG file this program can decode";
    else if (!image.Width || !image.Height)
        reason = "holds no pixels";
    if (!reason)
        return true;
    why = "'";
    why += path;
    why += "' ";
    why += reason;
    return false;
}

bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why)
{
    if (!CheckTerrainImage(heightPath, why) || !CheckTerrainImage(colorPath, why))
        return false;
    if (!world.BuildTree(TerrainFileName(heightPath).CStr(), TerrainFileName(colorPath).CStr(), VoxGridFromConsole()))
    {
        why = "the terrain could not be built from '";
        why += heightPath;
        why += "' and '";
        why += colorPath;
        why += "'";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// screenshots

namespace
{
bool IsWritableFolder(const ZNString& osPath)
{
    const ZNString name = ZNConsolePathToEngineName(osPath.CStr());
    if (!IsDirectory(name))
        MakeDirectory(name);
    return IsDirectory(name) && access(osPath.CStr(), W_OK) == 0;
}

ZNString FreeName(const ZNString& folder, const char* stem)
{
    for (UINT32 n = 1;; ++n)
    {
        char file[128];
        if (n == 1)
            ZNSPrintf(file, sizeof(file), "%s.png", stem);
        else
            ZNSPrintf(file, sizeof(file), "%s-%u.png", stem, (unsigned)n);
        ZNString path(folder);
        path += file;
        if (!PathExists(ZNConsolePathToEngineName(path.CStr())))
            return path;
    }
}
}

ZNString DefaultScreenshotPath(const char* programDir, const char* home, long long t)
{
    const time_t when = (time_t)t;
    // localtime's shared buffer is fine here: commands run on the main thread only.
    struct tm local = {};
    if (const struct tm* now = localtime(&when))
        local = *now;
    char stem[64];
    ZNSPrintf(stem, sizeof(stem), "Vendrapolis-%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
              local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);

    ZNString folder(programDir ? programDir : "");
    if (!folder.Empty() && folder[folder.Size() - 1] != '/')
        folder += "/";
    folder += "screenshots/";
    if (IsWritableFolder(folder))
        return FreeName(folder, stem);
    if (home && *home)
    {
        ZNString h(home);
        if (h[h.Size() - 1] != '/')
            h += "/";
        if (IsWritableFolder(h))
            return FreeName(h, stem);
    }
    return ZNString();
}

bool SaveScreenshot(ZNConsole& console, const ZNImage& frame, const ZNString& requestedPath)
{
    ZNString path(requestedPath);
    if (path.Empty())
    {
        const ZNString programDir = GetDirectory(ZNString(ZNGetProgramPath()));
        path = DefaultScreenshotPath(programDir.CStr(), getenv("HOME"), (long long)time(nullptr));
        if (path.Empty())
        {
            console.Printf("screenshot: neither the program's screenshots folder nor the home folder is writable");
            return false;
        }
    }
    if (!SaveImageFile(ZNConsolePathToEngineName(path.CStr()).CStr(), frame))
    {
        console.Printf("screenshot: could not write '%s'", path.CStr());
        return false;
    }
    console.Printf("screenshot: %s (%u x %u)", path.CStr(), (unsigned)frame.Width, (unsigned)frame.Height);
    return true;
}

void ReportBenchmark(ZNConsole& console, const FlightBenchmark& bench)
{
    const ZNString line = FormatFrameTimeSummary(bench.Summary());
    console.Printf("benchmark: %s", line.CStr());
}

// ---------------------------------------------------------------------------
// commands

namespace
{
void Quit(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    GApp.QuitRequested = true;
}

// The camera as numbers, for scripts and for finding a place again.
void Where(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    if (!GApp.World)
        return (void)console.Printf("where: no world yet");
    const VoxCameraState& cam = GApp.World->Camera;
    console.Printf("where: %.2f %.2f %.2f yaw %.4f pitch %.4f", (double)cam.Position.x, (double)cam.Position.y,
                   (double)cam.Position.z, (double)cam.Yaw, (double)cam.Pitch);
}

void Screenshot(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    GApp.ScreenshotWanted = true;
    GApp.ScreenshotPath = args.Size() > 1 ? args[1] : ZNString();
}

void ReloadShaders(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    ZNContextHandle* h = GApp.Window ? GApp.Window->RenderWindow.Handle() : nullptr;
    if (!h)
        return (void)console.Printf("reloadshaders: no window");
    h->ReloadShaders();
    console.Printf("reloadshaders: shaders whose files changed were reloaded");
}

void Map(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 3)
        return ZNConsolePrintUsage(console, args);
    if (!GApp.World)
        return (void)console.Printf("map: no world yet");
    ZNString why;
    const double start = ZNGetTime();
    if (!RebuildWorld(*GApp.World, args[1].CStr(), args[2].CStr(), why))
        return (void)console.Printf("map: %s; the world stays as it was", why.CStr());
    console.Printf("map: built from '%s' and '%s' in %.2f s", args[1].CStr(), args[2].CStr(), ZNGetTime() - start);
}

void Benchmark(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    float seconds = 10.0f;
    if (args.Size() == 2)
    {
        char* end = nullptr;
        const double v = strtod(args[1].CStr(), &end);
        if (args[1].Empty() || *end || !(v > 0.0) || v > 3600.0)
            return (void)console.Printf("benchmark: '%s' is not a number of seconds from 0 to 3600", args[1].CStr());
        seconds = (float)v;
    }
    if (!GApp.World)
        return (void)console.Printf("benchmark: no world yet");
    GApp.Bench.Start(seconds);
    console.Printf("benchmark: flying the path for %g s", (double)seconds);
}

ZNConFunc GQuit("quit", "quit", "ends the program (exit code 0)", Quit);
ZNConFunc GWhere("where", "where", "prints the camera position, yaw and pitch", Where);
ZNConFunc GScreenshot("screenshot", "screenshot [FILE]",
                      "saves the next frame as PNG (default: screenshots/ beside the program)", Screenshot);
ZNConFunc GReloadShaders("reloadshaders", "reloadshaders", "reloads the shaders whose files changed", ReloadShaders);
ZNConFunc GMap("map", "map HEIGHT.png COLOUR.png",
               "rebuilds the world from two PNG files (absolute or in the data folder)", Map);
ZNConFunc GBenchmark("benchmark", "benchmark [SECONDS]",
                     "flies a fixed path (default 10 s) and prints frame-time statistics", Benchmark);
}
