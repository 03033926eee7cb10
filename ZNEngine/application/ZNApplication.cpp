// ZNApplication: the application object, its commands and variables, and the
// frame function.
#include "application/ZNApplication.h"

#include "application/ZNAppPlatform.h"
#include "core/ZNStringUtil.h"
#include "core/ZNSys.h"
#include "render/ZNRT.h"
#include "render/ZNRenderCounters.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "files/ZNFileIO.h"
#include "resources/ZNImage.h"
#include "files/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"
#include "core/ZNLog.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"
#include "window/ZNGLTable.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

void ZNAppClient::Update(ZNApp&, float)
{
}
void ZNAppClient::DescribeStats(ZNArray<ZNString>&)
{
}

ZNAppCommand::ZNAppCommand(ZNApp* app, const char* name, const char* usage, const char* description, Method method)
    : ZNConFunc(name, usage, description, nullptr), App(app), Handler(method)
{
}

void ZNAppCommand::Execute(ZNConsole& console, const ZNString& arguments)
{
    ZNConArgs args;
    if (!ZNConsoleSplitArgs(arguments.CStr(), args))
    {
        console.Printf("%s: a quote is not closed", Name.CStr());
        return;
    }
    args.Insert(0, Name);
    (App->*Handler)(console, args);
}

// ---------------------------------------------------------------------------
// The window's listener and the log

// Keeps the GL viewport on the client area and reloads edited shaders when the
// user comes back to the window.
class ZNApp::Listener final : public ZNWindowListener
{
public:
    explicit Listener(ZNAppWindow* window) : Window(window) {}

    UINT32 Reserved(UINT32, UINT32, UINT32, UINT32) override { return 0; }

    void Resize(UINT32 width, UINT32 height) override
    {
        // An announced size is checked against the real one for a while.
        Window->CheckSize();
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
        if (gained && Window->RenderWindow.Handle())
            Window->RenderWindow.Handle()->ReloadShaders();
    }

    ZNAppWindow* Window;   // the one it listens to
};

namespace
{
// The engine log, console lines included, goes to standard output, so a run can
// be followed and scripted from a terminal.
void PrintLogLine(const char* text)
{
    fputs(text, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}
}

// ---------------------------------------------------------------------------
// The object

ZNApp::ZNApp()
    : CamSpeed("cam_speed", ZNFlySpeed, 0, 1.0f, 5000.0f, nullptr, 0,
               "camera speed in units per second (shift doubles it)"),
      CamFov("cam_fov", ZNFlyFieldOfView, 0, 10.0f, 170.0f, nullptr, 0, "vertical field of view in degrees"),
      MouseSensitivity("in_mouse_sensitivity", ZNFlyMouseSensitivity, 0, 0.0005f, 0.1f, nullptr, 0,
                       "mouse look in radians per pixel"),
      InvertY("in_invert_y", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: moving the mouse up looks down"),
      VSync("vid_vsync", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: wait for the vertical blank before showing a frame"),
      Fullscreen("vid_fullscreen", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: the display switches to the window's size"),
      Stats("r_stats", 0.0f, 1, 0.0f, 1.0f, nullptr, 0, "1: the statistics overlay (F3 toggles it)"),
      WindowWidth("vid_width", 1024.0f, 1, 64.0f, 16384.0f, nullptr, 0,
                  "the window's client width: follows the window, used at the next start (unless --width)"),
      WindowHeight("vid_height", 576.0f, 1, 64.0f, 16384.0f, nullptr, 0,
                   "the window's client height: follows the window, used at the next start (unless --height)"),
      QuitCommand(this, "quit", "quit", "ends the program (exit code 0)", &ZNApp::Quit),
      WhereCommand(this, "where", "where", "prints the camera position, yaw and pitch", &ZNApp::Where),
      ScreenshotCommand(this, "screenshot", "screenshot [FILE]",
                        "saves the next frame as PNG (default: screenshots/ beside the program)", &ZNApp::Screenshot),
      ReloadShadersCommand(this, "reloadshaders", "reloadshaders",
                           "reloads the shaders whose files changed; one that fails keeps its last working program",
                           &ZNApp::ReloadShaders),
      BenchmarkCommand(this, "benchmark", "benchmark [SECONDS]",
                       "flies a fixed path (default 10 s), prints frame-time statistics, puts the camera back",
                       &ZNApp::Benchmark),
      SetPosCommand(this, "setpos", "setpos X Y Z [YAW PITCH]",
                    "puts the camera there (what where prints, pasted, goes back to that place)", &ZNApp::SetPos),
      ResetCameraCommand(this, "resetcamera", "resetcamera", "puts the camera back where the program started it",
                         &ZNApp::ResetCamera),
      BindCommand(this, "bind", "bind KEY [COMMAND]",
                  "runs COMMAND when KEY goes down, or holds an action (+forward ...) while it is; KEY alone prints it",
                  &ZNApp::Bind),
      UnbindCommand(this, "unbind", "unbind KEY", "KEY does nothing", &ZNApp::Unbind),
      UnbindAllCommand(this, "unbindall", "unbindall", "no key does anything (bindlist shows what there was)",
                       &ZNApp::UnbindAll),
      BindListCommand(this, "bindlist", "bindlist", "lists the bound keys and what they do", &ZNApp::BindList),
      ResetCommand(this, "reset", "reset NAME", "sets a variable back to its default", &ZNApp::Reset),
      ResetAllCommand(this, "resetall", "resetall", "sets every setting back to its default, and the bindings too",
                      &ZNApp::ResetAll)
{
    // What the settings file keeps.
    ZNConVar* const settings[] = { &CamSpeed,   &CamFov, &MouseSensitivity, &InvertY,     &VSync,
                                   &Fullscreen, &Stats,  &WindowWidth,      &WindowHeight };
    for (ZNConVar* var : settings)
        var->Flags |= ZNCF_Setting;
    ResetCommand.Flags |= ZNCF_TakesVariable;
    Bindings.SetDefaults();
}

ZNApp::~ZNApp()
{
    // A program that returns without Destroy still closes its window.
    if (Window)
        Destroy();
}

void ZNApp::Create(int argc, char** argv, const char* name, const char* dataPath)
{
    Name = name;
    // The settings file gives the window's size and mode unless the command
    // line does (the words of its console lines do not count).
    for (int i = 1; i < argc && argv[i][0] != '+'; ++i)
    {
        SizeGiven       = SizeGiven || !strcmp(argv[i], "--width") || !strcmp(argv[i], "--height");
        FullscreenGiven = FullscreenGiven || !strcmp(argv[i], "--fullscreen");
    }
    ZNEngineInit(argc, argv);
    ZNSetLogHandler(PrintLogLine);
    ZNSetDataPath(ZNString(dataPath));
}

bool ZNApp::OpenWindow(const ZNString& title, const ZNAppOptions& options)
{
    Config.Folder = ConfigFolder.Empty() ? ZNUserConfigFolder(Name.CStr(), options.ConfigDir) : ConfigFolder;
    Config.Load(Bindings);
    // A size or mode the command line or the program chose wins over the file.
    const ZNAppOptions standard;
    const bool         size   = SizeGiven || options.Width != standard.Width || options.Height != standard.Height;
    const UINT32       width  = size ? options.Width : (UINT32)WindowWidth.GetInt();
    const UINT32       height = size ? options.Height : (UINT32)WindowHeight.GetInt();
    const UINT32       fullscreen =
        (FullscreenGiven || options.Fullscreen) ? options.Fullscreen : (UINT32)Fullscreen.GetInt();

    Window                      = ZNCreateAppWindow();
    const ZNWindowParams params = { width, height, fullscreen, 0, 0, 0, 0, 0 };
    if (!Window->Open(title, params))
    {
        ZNDestroyAppWindow(Window);
        Window = nullptr;
        return false;
    }
    Fullscreen.Set((float)Window->Params().Fullscreen);

    Window->MakeCurrent();
    Window->NativeWindow()->SetResizable(true);
    Window->EnableConsole(true);
    WindowListener = new Listener(Window);
    Window->SetListener(WindowListener);

    Overlay = ZNSharedPtr<ZNStatsOverlay>(new ZNStatsOverlay());
    Overlay->SetWindow(Window);
    Overlay->Layout();
    Bindings.Console = Window->Console;
    Window->Input.AddBinding(&Bindings);
    Camera.Actions = &Bindings;

    // The user's own script, after the settings file and before the command line.
    const ZNString autoexec = Config.AutoexecPath();
    if (!Config.Folder.Empty() && IsFile(ZNConsolePathToEngineName(autoexec.CStr())))
    {
        ZNString line("exec \"");
        line += autoexec;
        line += "\"";
        Window->Console->Execute(line.CStr());
    }
    Commands    = options.Commands;
    NextCommand = 0;
    return true;
}

void ZNApp::Destroy()
{
    Overlay = ZNSharedPtr<ZNStatsOverlay>();
    if (Window)
    {
        Config.Save(Bindings);
        Window->Input.RemoveBinding(&Bindings);
        Bindings.Console = nullptr;
        Camera.Actions   = nullptr;
        Window->SetListener(nullptr);
        Window->Release();
        ZNDestroyAppWindow(Window);
        Window = nullptr;
    }
    delete WindowListener;
    WindowListener = nullptr;
    ZNEngineShutdown();
}

// ---------------------------------------------------------------------------
// Display

void ZNApp::ApplyDisplay()
{
    if (VSync.GetInt() != AppliedVSync)
    {
        AppliedVSync = VSync.GetInt();
        ZNSetSwapInterval((UINT32)AppliedVSync);
    }
    if (Fullscreen.GetInt() != AppliedFullscreen)
    {
        const bool first  = AppliedFullscreen < 0;
        AppliedFullscreen = Fullscreen.GetInt();
        // The window opened in the mode the command line asked for.
        if (!first && Window)
        {
            ZNWindowParams params = Window->Params();
            params.Fullscreen     = (UINT32)AppliedFullscreen;
            if (!ZNApplyDisplayMode(Window->NativeWindow(), AppliedFullscreen ? &params : nullptr))
            {
                ZNLog("vid_fullscreen: the display mode could not be switched; staying in a window");
                Fullscreen.Set(0.0f);
                AppliedFullscreen = 0;
            }
            Window->NativeWindow()->RefreshClientSize();
            Window->CheckSize();
        }
    }
}

// ---------------------------------------------------------------------------
// Screenshots

namespace
{
bool IsWritableFolder(const ZNString& osPath)
{
    const ZNString name = ZNConsolePathToEngineName(osPath.CStr());
    if (!IsDirectory(name))
        MakeDirectory(name);
    return IsDirectory(name) && ZNCanWriteFolder(osPath.CStr());
}

ZNString FreeName(const ZNString& folder, const char* stem)
{
    for (UINT32 n = 1;; ++n)
    {
        char file[160];
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

ZNString ZNDefaultScreenshotPath(const char* name, const char* programDir, const char* home, long long t)
{
    const time_t when = (time_t)t;
    // localtime's shared buffer is fine here: commands run on the main thread only.
    struct tm    local = {};
    if (const struct tm* now = localtime(&when))
        local = *now;
    char stem[128];
    ZNSPrintf(stem, sizeof(stem), "%.64s-%04d%02d%02d-%02d%02d%02d", name, local.tm_year + 1900, local.tm_mon + 1,
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

bool ZNApp::SaveScreenshot(ZNConsole& console, ZNImage& frame, const ZNString& requestedPath)
{
    ZNString path(requestedPath), name, why;
    if (path.Empty())
    {
        const ZNString programDir = GetDirectory(ZNString(ZNGetProgramPath()));
        path = ZNDefaultScreenshotPath(Name.CStr(), programDir.CStr(), ZNHomeFolder(), (long long)time(nullptr));
        if (path.Empty())
        {
            console.Error("screenshot: neither the program's screenshots folder nor the home folder is writable");
            return false;
        }
        name = ZNUserPathToEngineName(path.CStr());
    }
    else if (!ZNFindUserFile(path.CStr(), nullptr, ZNUF_Write, name, why))
    {
        console.Error("screenshot: %s", why.CStr());
        return false;
    }
    Screenshots.Start(frame, name, path, ScreenshotFromLine ? 1 : 0);
    return true;
}

void ZNReportBenchmark(ZNConsole& console, const ZNFlightBenchmark& bench)
{
    const ZNString line = ZNFormatFrameTimeSummary(bench.Summary());
    console.Printf("benchmark: %s", line.CStr());
}

// ---------------------------------------------------------------------------
// Commands

void ZNApp::Quit(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    QuitRequested = true;
}

// The camera as numbers, for scripts and for finding a place again.
void ZNApp::Where(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    if (!Window)
        return (void)console.Printf("where: no window yet");
    ReportPlace(console);
}

void ZNApp::ReportPlace(ZNConsole& console) const
{
    const ZNFlyCameraState& cam = Camera.State;
    console.Printf("where: %.2f %.2f %.2f yaw %.4f pitch %.4f", (double)cam.Position.x, (double)cam.Position.y,
                   (double)cam.Position.z, (double)cam.Yaw, (double)cam.Pitch);
}

void ZNApp::Screenshot(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    ScreenshotWanted   = true;
    ScreenshotPath     = args.Size() > 1 ? args[1] : ZNString();
    ScreenshotFromLine = RunningCommandLine;
}

void ZNApp::ReloadShaders(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    ZNContextHandle* h = Window ? Window->RenderWindow.Handle() : nullptr;
    if (!h)
        return (void)console.Printf("reloadshaders: no window");
    h->ReloadShaders();
    ZNArray<ZNString> failures;
    const UINT32      reloaded = TakeShaderReloads(failures);
    for (UINT32 i = 0; i < failures.Size(); ++i)
        console.Error("reloadshaders: %s", failures[i].CStr());
    if (failures.Size())
        console.Error("reloadshaders: %u shader(s) failed to reload and kept their last working program; %u reloaded",
                      (unsigned)failures.Size(), (unsigned)reloaded);
    else
        console.Printf("reloadshaders: %u shader(s) reloaded", (unsigned)reloaded);
}

void ZNApp::Benchmark(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() > 2)
        return ZNConsolePrintUsage(console, args);
    float seconds = 10.0f;
    if (args.Size() == 2)
    {
        char*        end = nullptr;
        const double v   = strtod(args[1].CStr(), &end);
        if (args[1].Empty() || *end || !(v > 0.0) || v > 3600.0)
            return (void)console.Printf("benchmark: '%s' is not a number of seconds from 0 to 3600", args[1].CStr());
        seconds = (float)v;
    }
    if (!Window)
        return (void)console.Printf("benchmark: no window yet");
    if (!Bench.Path)
        return (void)console.Printf("benchmark: this program has no flight path");
    if (!Bench.IsRunning())
        BenchFrom = Camera.State;
    Bench.Start(seconds);
    console.Printf("benchmark: flying the path for %g s", (double)seconds);
}

void ZNApp::SetPos(ZNConsole& console, const ZNConArgs& args)
{
    // where prints "where: X Y Z yaw YAW pitch PITCH": its line may be pasted
    // after the command as it is, labels included.
    ZNArray<ZNString> numbers;
    UINT32            first    = args.Size() > 1 && args[1] == "where:" ? 2 : 1;
    const bool        labelled = args.Size() == first + 7 && args[first + 3] == "yaw" && args[first + 5] == "pitch";
    for (UINT32 i = first; i < args.Size(); ++i)
        if (!labelled || (i != first + 3 && i != first + 5))
            numbers.Add(args[i]);
    if (numbers.Size() != 3 && numbers.Size() != 5)
        return ZNConsolePrintUsage(console, args);
    float value[5] = {};
    for (UINT32 i = 0; i < numbers.Size(); ++i)
    {
        char*        end = nullptr;
        const double v   = strtod(numbers[i].CStr(), &end);
        if (numbers[i].Empty() || *end || !isfinite(v) || fabs(v) > 1e9)
            return (void)console.Printf("setpos: '%s' is not a number", numbers[i].CStr());
        value[i] = (float)v;
    }
    if (!Window)
        return (void)console.Printf("setpos: no window yet");
    if (Bench.IsRunning())
        return (void)console.Printf("setpos: a benchmark is flying the camera");
    ZNFlyCameraState& cam = Camera.State;
    cam.Position          = ZNVec3(value[0], value[1], value[2]);
    if (numbers.Size() == 5)
    {
        cam.Yaw   = fmodf(value[3], 2.0f * ZN_PI);
        cam.Pitch = value[4] < ZNFlyPitchMin ? ZNFlyPitchMin : (value[4] > ZNFlyPitchMax ? ZNFlyPitchMax : value[4]);
    }
    // No blending from the old place.
    cam.PrevPosition = cam.Position;
    cam.PrevYaw      = cam.Yaw;
    cam.PrevPitch    = cam.Pitch;
    ReportPlace(console);
}

void ZNApp::ResetCamera(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    if (!Window || !Started)
        return (void)console.Printf("resetcamera: no window yet");
    if (Bench.IsRunning())
        return (void)console.Printf("resetcamera: a benchmark is flying the camera");
    Camera.State = StartCamera;
    ReportPlace(console);
}

// ---------------------------------------------------------------------------
// Bindings and settings

void ZNApp::Bind(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() < 2)
        return ZNConsolePrintUsage(console, args);
    const UINT32 key = ZNKeyFromName(args[1].CStr());
    if (!key)
        return (void)console.Printf("bind: '%s' is not a key name (bindlist shows some)", args[1].CStr());
    if (args.Size() == 2)
    {
        const ZNString& command = Bindings.Command(key);
        if (command.Empty())
            return (void)console.Printf("%s is not bound", ZNKeyName(key).CStr());
        return (void)console.Printf("%s: %s", ZNKeyName(key).CStr(), command.CStr());
    }
    // "bind F5 screenshot shot.png" binds the words as one line.
    ZNString command;
    for (UINT32 i = 2; i < args.Size(); ++i)
    {
        if (i > 2)
            command += " ";
        const bool quote = args[i].Empty() || args[i].Find(' ') >= 0 || args[i].Find(';') >= 0;
        if (quote && args.Size() > 3)
            command += "\"";
        command += args[i];
        if (quote && args.Size() > 3)
            command += "\"";
    }
    if (command[0] == '+' && ZNActionFromName(command.CStr()) == ZNA_Count)
        return (void)console.Printf("bind: '%s' is no action (+forward +back +moveleft +moveright +moveup +movedown "
                                    "+speed +mlook)",
                                    command.CStr());
    if (!Bindings.Bind(key, command))
        return (void)console.Printf("bind: %s is the console's own key", ZNKeyName(key).CStr());
    console.Printf("%s: %s", ZNKeyName(key).CStr(), command.CStr());
}

void ZNApp::Unbind(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 2)
        return ZNConsolePrintUsage(console, args);
    const UINT32 key = ZNKeyFromName(args[1].CStr());
    if (!key)
        return (void)console.Printf("unbind: '%s' is not a key name", args[1].CStr());
    Bindings.Unbind(key);
    console.Printf("%s is not bound", ZNKeyName(key).CStr());
}

void ZNApp::UnbindAll(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    Bindings.UnbindAll();
    console.Printf("unbindall: no key is bound");
}

void ZNApp::BindList(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    UINT32 shown = 0;
    for (UINT32 k = 0; k < ZNBindings::KeyCount; ++k)
    {
        const ZNString& command = Bindings.Command(k);
        if (command.Empty())
            continue;
        console.Printf("%-12s %s", ZNKeyName(k).CStr(), command.CStr());
        ++shown;
    }
    console.Printf("%u bindings", (unsigned)shown);
}

void ZNApp::Reset(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 2)
        return ZNConsolePrintUsage(console, args);
    ZNConVar* var = dynamic_cast<ZNConVar*>(ZNConComFind(args[1]));
    if (!var)
        return (void)console.Printf("reset: no variable '%s'", args[1].CStr());
    var->Set(var->Default);
    var->Execute(console, ZNString());
}

void ZNApp::ResetAll(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 1)
        return ZNConsolePrintUsage(console, args);
    UINT32 count = 0;
    ZNConComRegistry().ForEach(
        [&](const ZNString&, ZNConCom* cc)
        {
            ZNConVar* var = (cc->Flags & ZNCF_Setting) ? dynamic_cast<ZNConVar*>(cc) : nullptr;
            if (!var)
                return;
            var->Set(var->Default);
            ++count;
        });
    Bindings.SetDefaults();
    console.Printf("resetall: %u settings and the key bindings are back to their defaults", (unsigned)count);
}

// ---------------------------------------------------------------------------
// The frame

bool ZNAppFrame(ZNApp& app, ZNAppClient& client)
{
    ZNAppWindow& window = *app.Window;
    if (!app.Started)
    {
        // The first frame's time counts from here, after the program's own start.
        app.Started     = true;
        app.PrevTime    = ZNGetTime();
        app.StartCamera = app.Camera.State;
        if (window.Poll())
            return false;
    }

    app.ApplyDisplay();
    Clear(app.ClearColor, 1.0f);

    const double now = ZNGetTime();
    const float  dt  = (float)(now - app.PrevTime);
    app.PrevTime     = now;
    app.Overlay->Frames.Add(dt);
    ZNConsole& console = *window.Console;
    if (app.Bench.Advance(dt))
    {
        ZNReportBenchmark(console, app.Bench);
        app.Camera.State = app.BenchFrom;
    }

    if (app.Bench.IsRunning())
        app.Camera.State = app.Bench.Camera();
    else
    {
        app.Camera.Speed       = app.CamSpeed.Get();
        app.Camera.Sensitivity = app.MouseSensitivity.Get();
        app.Camera.InvertY     = (UINT32)app.InvertY.GetInt();
        app.Camera.Update(window, dt);
    }
    client.Update(app, dt);

    const ZNRenderCounters before = ZNGetRenderCounters();
    client.Draw(app);
    if (app.Stats.GetInt())
    {
        ZNStatsOverlay& overlay = *app.Overlay;
        overlay.Scene           = ZNGetRenderCounters() - before;
        overlay.ProgramLines.Clear();
        client.DescribeStats(overlay.ProgramLines);
        overlay.Camera = app.Camera.State;
        overlay.Layout();   // follows the window's size
        overlay.Update(1.0f);
    }

    ZNImage    frame;
    const bool capture = app.ScreenshotWanted;
    window.Present(capture ? &frame : nullptr);
    if (app.FirstShown == 0.0)
        app.FirstShown = ZNGetTime();
    if (capture)
    {
        app.ScreenshotWanted = false;
        if (!app.SaveScreenshot(console, frame, app.ScreenshotPath) && app.ScreenshotFromLine)
            app.CommandLineFailed = true;
    }
    // Reloads done on their own (the window got the focus back) say what failed.
    ZNArray<ZNString> reloadFailures;
    TakeShaderReloads(reloadFailures);
    for (UINT32 i = 0; i < reloadFailures.Size(); ++i)
        console.Printf("shader reload failed, the last working program stays: %s", reloadFailures[i].CStr());
    UINT32 failedTag = 0;
    if (app.Screenshots.Report(console, &failedTag) && failedTag)
        app.CommandLineFailed = true;

    // The command line's lines, in order, once the first frame is shown (so a
    // benchmark does not time the shaders' first load); a benchmark holds the
    // rest back until its flight has ended ("+benchmark 5 +quit"). A line that
    // failed decides the exit code.
    while (app.NextCommand < app.Commands.Size() && !app.Bench.IsRunning() && !app.QuitRequested)
    {
        const UINT32 failures  = console.Failures;
        app.RunningCommandLine = true;
        console.Submit(app.Commands[app.NextCommand++].CStr());
        app.RunningCommandLine = false;
        if (console.Failures != failures)
            app.CommandLineFailed = true;
    }

    // The windowed size is kept for the next start.
    if (!app.Fullscreen.GetInt())
    {
        app.WindowWidth.Set((float)window.Params().Width);
        app.WindowHeight.Set((float)window.Params().Height);
    }
    app.Config.Save(app.Bindings);

    // A screenshot asked for before the quit is still taken, and the ones
    // being written are finished and reported before the program ends.
    const bool end = window.Poll() || (app.QuitRequested && !app.ScreenshotWanted);
    if (end && app.Screenshots.Finish(console, &failedTag) && failedTag)
        app.CommandLineFailed = true;
    return !end;
}
