// AppCommands: the program's console commands and variables, and the state they
// act on. The frame loop owns that state and carries out what commands ask for
// at the points of the frame where it is safe (a screenshot after the frame is
// drawn, a quit after it is shown).
//
//   quit                        ends the program as closing the window does
//   screenshot [FILE]           the next finished frame as PNG
//   reloadshaders               reloads the shaders whose files changed
//   map HEIGHT.png COLOUR.png   rebuilds the world from two PNG files
//   benchmark [SECONDS]         flies the fixed path and prints frame statistics
//
// Variables: cam_speed, cam_fov, in_mouse_sensitivity, in_invert_y,
// r_water_height, r_haze, vid_vsync, vid_fullscreen, r_stats.
#pragma once

#include "FrameStats.h"
#include "ZNEngine.h"

class VoxelWorld;
class ZNAppWindow;

struct AppState
{
    ZNAppWindow*    Window = nullptr;
    VoxelWorld*     World  = nullptr;
    FlightBenchmark Bench;
    bool            QuitRequested = false;
    bool            ScreenshotWanted = false;
    ZNString        ScreenshotPath;   // empty: a dated name in the default folder
};

// The one state of the program (the commands are static objects, so they reach
// it here).
extern AppState GApp;

extern ZNConVar GCamSpeed;
extern ZNConVar GCamFov;
extern ZNConVar GMouseSensitivity;
extern ZNConVar GInvertY;
extern ZNConVar GWaterHeight;
extern ZNConVar GHaze;
extern ZNConVar GVSync;
extern ZNConVar GFullscreen;
extern ZNConVar GStats;

// Copies the variables the world reads into its settings.
void ApplyWorldSettings(VoxelWorld& world);

// The engine file name of a terrain image typed by a person: absolute paths stay
// where they point, other names are in the data folder.
ZNString TerrainFileName(const char* path);
// True when path names a PNG file with pixels; otherwise why names it and the reason.
bool CheckTerrainImage(const char* path, ZNString& why);

// Rebuilds the world's terrain from two images, names as a person types them
// (absolute, or relative to the data folder). On failure the world stays as it
// was and why names the file and the reason.
bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why);

// Where a screenshot taken at local time t goes when no file is named:
// "<programDir>screenshots/Vendrapolis-YYYYMMDD-HHMMSS.png" when that folder can
// be made and written, else the same name in home; a name already taken gets
// "-2", "-3", ... before ".png". Empty when neither folder is writable.
ZNString DefaultScreenshotPath(const char* programDir, const char* home, long long t);

// Saves a captured frame where the screenshot command asked and prints the
// path (or why it failed) in the console.
class ZNImage;
class ZNConsole;
bool SaveScreenshot(ZNConsole& console, const ZNImage& frame, const ZNString& requestedPath);

// The summary line and its console/log report after a flight.
void ReportBenchmark(ZNConsole& console, const FlightBenchmark& bench);
