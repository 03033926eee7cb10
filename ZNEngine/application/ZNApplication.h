// ZNApplication: what every program on the engine needs, in one object the
// program creates: the window with its console, the log on standard output,
// the standard command line, commands and variables, the free-fly camera, frame
// statistics with their overlay (F3), screenshots (F12) and the benchmark flight.
//
//   class MyScene : public ZNAppClient {
//       void Draw(ZNApp& app) override { ... draw from app.Camera.State ... }
//   };
//   int main(int argc, char** argv) {
//       ZNCommandLine line("MyProgram", "MyProgram 1.0");
//       ZNAppOptions options;
//       const int exitCode = line.Run(argc, argv, options);
//       if (exitCode >= 0) return exitCode;
//       ZNApp app;
//       app.Create(argc, argv, "MyProgram", "Data/");       // engine, log, data folder
//       if (!app.OpenWindow(ZNString("MyProgram"), options)) { app.Destroy(); return 1; }
//       MyScene scene;
//       while (ZNAppFrame(app, scene)) {}                  // or one frame per callback
//       app.Destroy();
//       return 0;
//   }
//
// Commands: quit, screenshot [FILE], reloadshaders, where, setpos, resetcamera,
// benchmark [SECONDS] (over the program's Bench.Path; without one it says so),
// bind, unbind, unbindall, bindlist, reset, resetall. Variables: vid_vsync,
// vid_fullscreen, vid_width, vid_height, cam_fov, cam_speed,
// in_mouse_sensitivity, in_invert_y, r_stats; all of them are settings, kept in
// the user's settings file with the key bindings (application/ZNConfig.h).
// They exist while the ZNApp object does (one at a time).
//
// Guarantees:
// - ZNAppFrame runs exactly one frame and never blocks beyond it: keys (F3,
//   F12), display mode and swap interval from their variables, the camera (or
//   the benchmark's path), the client's Update and Draw, the overlay, Present
//   and a requested screenshot, then the command line's console lines (held back
//   while a benchmark flies), then the window's events. It answers false once
//   the window was asked to close or quit ran and no screenshot is pending.
// - A display-mode switch that fails leaves the window as it was, prints a line
//   and sets vid_fullscreen back to 0.
// - Without a window the commands say so in the console and change nothing.
// - OpenWindow reads the settings file before the window opens (its size and
//   mode come from it unless the command line names them or the options hold
//   another size than the standard one), then runs
//   autoexec.cfg from beside it; the command line's console lines run after
//   both, from the first frame on. A changed setting or binding is written at
//   the end of the frame it changed in, and at Destroy.
// - Keys act through the bindings (F3, F12 and the movement keys are bindings
//   too); the camera steers by the bound actions.
// - A benchmark flight puts the camera back where it was when it ends.
#pragma once

#include "application/ZNAppWindow.h"
#include "application/ZNBindings.h"
#include "application/ZNCommandLine.h"
#include "application/ZNConfig.h"
#include "application/ZNFlyCamera.h"
#include "application/ZNFrameStats.h"
#include "application/ZNJobs.h"
#include "application/ZNKeys.h"
#include "application/ZNScreenshotWriter.h"
#include "application/ZNShaderVariant.h"
#include "application/ZNStatsOverlay.h"
#include "core/ZNSharedPtr.h"
#include "ui/ZNConVar.h"

class ZNApp;
class ZNImage;

// What a program does each frame; ZNAppFrame calls it in this order.
class ZNAppClient
{
public:
    // After the camera moved (or the benchmark placed it); dt in seconds.
    virtual void Update(ZNApp& app, float dt);
    // The scene, into the cleared frame; the overlay and console go on top.
    virtual void Draw(ZNApp& app) = 0;
    // Lines of the program's own for the statistics overlay (called while shown).
    virtual void DescribeStats(ZNArray<ZNString>& lines);

protected:
    virtual ~ZNAppClient() = default;
};

// A console command that calls a member of the application.
class ZNAppCommand : public ZNConFunc
{
public:
    typedef void (ZNApp::*Method)(ZNConsole& console, const ZNConArgs& args);
    ZNAppCommand(ZNApp* app, const char* name, const char* usage, const char* description, Method method);
    void Execute(ZNConsole& console, const ZNString& arguments) override;

    ZNApp* App;       // the owner
    Method Handler;   // what the command runs
};

class ZNApp
{
public:
    ZNApp();
    ~ZNApp();
    ZNApp(const ZNApp&)            = delete;
    ZNApp& operator=(const ZNApp&) = delete;

    // Starts the engine, sends its log to standard output and sets the data
    // folder; name is what screenshots are called after.
    void Create(int argc, char** argv, const char* name, const char* dataPath);
    // Opens the window at the options' size and mode, current, resizable, with
    // its console; the console lines of the options run from the first frame
    // on. False when the window could not be opened.
    bool OpenWindow(const ZNString& title, const ZNAppOptions& options);
    // Closes what is open and shuts the engine down.
    void Destroy();

    // Hands a captured frame (emptied) to the screenshot writer for where the
    // screenshot command asked (found as ZNFindUserFile finds a file to write) or
    // the default name; the console gets the path once it is written. False,
    // with the reason in the console, when there is nowhere to write it.
    bool SaveScreenshot(ZNConsole& console, ZNImage& frame, const ZNString& requestedPath);
    // The program's exit code once the frames have ended: 0, or
    // ZN_EXIT_COMMAND_FAILED when a console line of the command line failed.
    int  ExitCode() const { return CommandLineFailed ? ZN_EXIT_COMMAND_FAILED : 0; }

    ZNAppWindow*                Window = nullptr;   // open between OpenWindow and Destroy
    ZNSharedPtr<ZNStatsOverlay> Overlay;            // made with the window
    ZNFlyCamera                 Camera;             // steered by the frame unless a benchmark flies
    ZNFlightBenchmark           Bench;              // Bench.Path: the program's flight
    ZNFlyCameraState            BenchFrom;          // the camera when the flight began
    ZNFlyCameraState            StartCamera;        // the camera at the first frame: what resetcamera restores
    ZNBindings                  Bindings;           // keys to lines and actions
    ZNConfig                    Config;             // the settings file
    ZNString                    ConfigFolder;       // empty: ZNUserConfigFolder(Name, --config-dir) at OpenWindow
    bool                        SizeGiven       = false;   // the command line named --width or --height
    bool                        FullscreenGiven = false;   // ... or --fullscreen
    ZNString                    Name;                      // "Vendrapolis": screenshots' names
    ZNArray<ZNString>           Commands;                  // console lines still to run
    UINT32                      NextCommand      = 0;
    float                       ClearColor[4]    = { 0.01f, 0.02f, 0.04f, 1.0f };   // the frame's clear
    bool                        QuitRequested    = false;
    bool                        ScreenshotWanted = false;
    ZNString                    ScreenshotPath;               // empty: a dated name in the default folder
    bool                        ScreenshotFromLine = false;   // asked by a console line of the command line
    ZNScreenshotWriter          Screenshots;                  // writes them off the frame loop
    bool                        RunningCommandLine = false;   // a command-line console line runs now
    bool                        CommandLineFailed  = false;   // one of those lines (or its screenshot) failed
    double                      PrevTime           = 0.0;     // clock at the previous frame
    bool                        Started            = false;   // the first frame has polled the window
    double                      FirstShown         = 0.0;     // clock when the first frame was presented, 0 before
    INT32                       AppliedVSync       = -1;      // as applied; -1 before the first frame
    INT32                       AppliedFullscreen  = -1;

    ZNConVar CamSpeed;           // cam_speed
    ZNConVar CamFov;             // cam_fov
    ZNConVar MouseSensitivity;   // in_mouse_sensitivity
    ZNConVar InvertY;            // in_invert_y
    ZNConVar VSync;              // vid_vsync
    ZNConVar Fullscreen;         // vid_fullscreen
    ZNConVar Stats;              // r_stats
    ZNConVar WindowWidth;        // vid_width: the windowed client size, followed and kept
    ZNConVar WindowHeight;       // vid_height

    // The commands' own work (public for the tests).
    void Quit(ZNConsole& console, const ZNConArgs& args);
    void Where(ZNConsole& console, const ZNConArgs& args);
    void Screenshot(ZNConsole& console, const ZNConArgs& args);
    void ReloadShaders(ZNConsole& console, const ZNConArgs& args);
    void Benchmark(ZNConsole& console, const ZNConArgs& args);
    void SetPos(ZNConsole& console, const ZNConArgs& args);
    void ResetCamera(ZNConsole& console, const ZNConArgs& args);
    void Bind(ZNConsole& console, const ZNConArgs& args);
    void Unbind(ZNConsole& console, const ZNConArgs& args);
    void UnbindAll(ZNConsole& console, const ZNConArgs& args);
    void BindList(ZNConsole& console, const ZNConArgs& args);
    void Reset(ZNConsole& console, const ZNConArgs& args);
    void ResetAll(ZNConsole& console, const ZNConArgs& args);
    // Applies vid_vsync and vid_fullscreen when they changed.
    void ApplyDisplay();

private:
    // The "where: X Y Z yaw YAW pitch PITCH" line setpos reads back.
    void ReportPlace(ZNConsole& console) const;

    class Listener;
    Listener*    WindowListener = nullptr;
    ZNAppCommand QuitCommand;
    ZNAppCommand WhereCommand;
    ZNAppCommand ScreenshotCommand;
    ZNAppCommand ReloadShadersCommand;
    ZNAppCommand BenchmarkCommand;
    ZNAppCommand SetPosCommand;
    ZNAppCommand ResetCameraCommand;
    ZNAppCommand BindCommand;
    ZNAppCommand UnbindCommand;
    ZNAppCommand UnbindAllCommand;
    ZNAppCommand BindListCommand;
    ZNAppCommand ResetCommand;
    ZNAppCommand ResetAllCommand;
};

// One frame (see the guarantees above); false once the program is to end.
bool ZNAppFrame(ZNApp& app, ZNAppClient& client);

// Where a screenshot of program name taken at local time t goes when no file is
// named: "<programDir>screenshots/NAME-YYYYMMDD-HHMMSS.png" when that folder can
// be made and written, else the same name in home; a name already taken gets
// "-2", "-3", ... before ".png". Empty when neither folder is writable.
ZNString ZNDefaultScreenshotPath(const char* name, const char* programDir, const char* home, long long t);

// The summary line and its console report after a flight.
void ZNReportBenchmark(ZNConsole& console, const ZNFlightBenchmark& bench);
