// The application's frame function on a real window: what one frame does, in
// which order, and when the program is to end.
#include "application/ZNApplication.h"

#include "common/ZNTestFiles.h"
#include "common/ZNTestNative.h"
#include "render/ZNRT.h"
#include "files/ZNFileIO.h"
#include "resources/ZNImage.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsole.h"
#include "window/ZNGLTable.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// Clears to a colour of its own and records what the frame handed it.
struct Recorder final : ZNAppClient
{
    void Update(ZNApp& app, float dt) override
    {
        Log.push_back("update");
        Times.push_back(dt);
        Flying.push_back(app.Bench.IsRunning());
        X.push_back(app.Camera.State.Position.x);
    }
    void Draw(ZNApp&) override
    {
        Log.push_back("draw");
        const float green[4] = { 0.0f, 1.0f, 0.0f, 1.0f };
        Clear(green, 1.0f);
    }
    void DescribeStats(ZNArray<ZNString>& lines) override { lines.Add(ZNString("recorder")); }

    std::vector<std::string> Log;
    std::vector<float>       Times;
    std::vector<bool>        Flying;
    std::vector<float>       X;
};

// Along +X at 1000 units a second.
ZNFlyCameraState Straight(float seconds)
{
    ZNFlyCameraState s = ZNFlyCamera().State;
    s.Position = s.PrevPosition = ZNVec3(1000.0f * seconds, 0.0f, 0.0f);
    return s;
}

// Runs frames until the program is to end (at most limit); the count.
UINT32 RunFrames(ZNApp& app, ZNAppClient& client, UINT32 limit)
{
    UINT32 n = 1;
    while (ZNAppFrame(app, client) && n < limit)
        ++n;
    return n;
}

bool Opened(ZNApp& app, const ZNAppOptions& options)
{
    static char         arg0[] = "zn_test";
    static char*        argv[] = { arg0, nullptr };
    // Settings of a folder of the test's own, empty at each start: one test's
    // changes must not reach the next, nor the user's own files.
    static ZNScratchDir settings;
    DeleteFileOrDirectory(ZNConsolePathToEngineName(settings.Path("config.cfg").c_str()).CStr());
    app.ConfigFolder = ZNString(settings.Root.c_str());
    app.Create(1, argv, "FrameTest", "Data/");
    snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s/ZNEngine/data/", ZN_TEST_SOURCE_DIR);
    return app.OpenWindow(ZNString("frame test"), options);
}

std::vector<std::string> ConsoleText(const ZNApp& app)
{
    std::vector<std::string> out;
    for (UINT32 i = 0; i < app.Window->Console->History.Size(); ++i)
        out.push_back(app.Window->Console->History[i].Text.CStr());
    return out;
}
}

TEST(AppFrameGL, AScreenshotAskedWithTheQuitIsTakenOfTheClientsPicture)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    ZNScratchDir      dir;
    const std::string shot = dir.Path("frame.png");
    ZNAppOptions      options;
    options.Width  = 160;
    options.Height = 96;
    options.Commands.Add(ZNString(("screenshot \"" + shot + "\"").c_str()));
    options.Commands.Add(ZNString("quit"));
    options.Commands.Add(ZNString("set cam_fov 33"));
    ZNApp app;
    ASSERT_TRUE(Opened(app, options));
    Recorder     client;
    const UINT32 frames = RunFrames(app, client, 50);

    // The lines run after the first frame is shown; the quit waits for the
    // screenshot, which is taken of the next finished frame; the lines after
    // the quit do not run.
    EXPECT_EQ(frames, 2u);
    EXPECT_EQ(client.Log, (std::vector<std::string>{ "update", "draw", "update", "draw" }));
    EXPECT_EQ(app.CamFov.Get(), ZNFlyFieldOfView);
    ZNImage image;
    ASSERT_TRUE(LoadImageFile(ZNConsolePathToEngineName(shot.c_str()).CStr(), image)) << shot;
    EXPECT_EQ(image.Width, 160u);
    EXPECT_EQ(image.Height, 96u);
    const UINT8* bottomLeft = image.GetData() + ((size_t)(image.Height - 1) * image.Width) * 4;
    EXPECT_EQ(bottomLeft[0], 0);
    EXPECT_EQ(bottomLeft[1], 255) << "the client's clear, not the frame's own";
    EXPECT_EQ(bottomLeft[2], 0);
    const std::vector<std::string> text = ConsoleText(app);
    EXPECT_NE(std::find(text.begin(), text.end(), "screenshot: " + shot + " (160 x 96)"), text.end());
    app.Destroy();
}

TEST(AppFrameGL, ABenchmarkFliesTheProgramsPathAndHoldsTheRestBack)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    ZNAppOptions options;
    options.Width  = 96;
    options.Height = 64;
    options.Commands.Add(ZNString("benchmark 0.2"));
    options.Commands.Add(ZNString("quit"));
    ZNApp app;
    app.Bench.Path = Straight;
    ASSERT_TRUE(Opened(app, options));
    Recorder client;
    app.Stats.Set(1.0f);
    const UINT32 frames = RunFrames(app, client, 100000);
    ASSERT_EQ(app.Overlay->ProgramLines.Size(), 1u) << "the client's lines reach the overlay";
    EXPECT_EQ(std::string(app.Overlay->ProgramLines[0].CStr()), "recorder");

    ASSERT_GT(frames, 2u);
    EXPECT_FALSE(client.Flying.front()) << "the first frame is drawn before the lines run";
    EXPECT_FALSE(client.Flying.back()) << "the quit ran after the flight";
    for (size_t i = 1; i < client.Flying.size(); ++i)
    {
        if (client.Flying[i])
        {
            EXPECT_GE(client.X[i], client.X[i - 1]) << "the path only goes forward; frame " << i;
        }
    }
    float lastFlown = -1.0f;
    for (size_t i = 0; i < client.Flying.size(); ++i)
        if (client.Flying[i])
            lastFlown = client.X[i];
    EXPECT_GT(lastFlown, 0.0f) << "the camera moved along the path";
    EXPECT_LE(lastFlown, 1000.0f * app.Bench.Elapsed);
    EXPECT_EQ(client.X.back(), client.X.front()) << "after the flight the camera is back where it was before it";
    const std::vector<std::string> text = ConsoleText(app);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text[0], "] benchmark 0.2") << "a command-line line is echoed as typed ones are";
    EXPECT_EQ(text[1], "benchmark: flying the path for 0.2 s");
    EXPECT_EQ(text[2].rfind("benchmark: frames ", 0), 0u) << text[2];
    EXPECT_EQ(text[3], "] quit");
    app.Destroy();
}

// The command line's lines decide the exit code: all fine is 0, one that fails
// (here an unknown command) is ZN_EXIT_COMMAND_FAILED. On the way, a shader
// reload that fails says so, names the file and keeps the picture's program.
TEST(AppFrameGL, FailuresOfTheCommandLineDecideTheExitCode)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    ZNAppOptions options;
    options.Width  = 96;
    options.Height = 64;
    options.Commands.Add(ZNString("echo fine"));
    ZNApp app;
    ASSERT_TRUE(Opened(app, options));
    // The engine's data in a folder of the test's own, so a shader can be broken.
    ZNScratchDir data;
    for (const char* name :
         { "Engine/DebugFont.fnt", "Engine/DebugFont_0.png", "Shaders/GUI.shd", "Shaders/ColorOnly.shd" })
        ZNWriteBytes(data.Path(name), ZNReadBytes(std::string(GDataPath) + name));
    snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s", data.Root.c_str());
    app.Stats.Set(1.0f);   // the overlay draws with the engine's shaders
    Recorder client;
    EXPECT_EQ(RunFrames(app, client, 2), 2u);
    EXPECT_EQ(app.ExitCode(), 0);

    // The cache knows the shaders by name: the data folder moved under the
    // same names, so an edit there is an edit of the loaded file.
    ZNConsole&   console  = *app.Window->Console;
    const UINT32 failures = console.Failures;
    data.Write("Shaders/GUI.shd", "this is not a shader");
    data.ShiftTime("Shaders/GUI.shd", 100);
    console.Execute("reloadshaders");
    const std::vector<std::string> text = ConsoleText(app);
    EXPECT_GT(console.Failures, failures);
    bool named = false, success = false;
    for (const std::string& line : text)
    {
        named   = named || line.rfind("reloadshaders: Shaders/GUI.shd: ", 0) == 0;
        success = success || line.find("shader(s) reloaded") != std::string::npos;
    }
    EXPECT_TRUE(named) << "the failure names the file with the compiler's message";
    EXPECT_FALSE(success) << "a failed reload is never reported as a success";
    EXPECT_EQ(app.ExitCode(), 0) << "a typed command does not decide the exit code";

    app.Commands.Add(ZNString("nosuchcmd"));
    app.Commands.Add(ZNString("quit"));
    RunFrames(app, client, 10);
    EXPECT_EQ(app.ExitCode(), ZN_EXIT_COMMAND_FAILED);
    app.Destroy();
}

// A size the platform announced but the window never got (a fullscreen mode no
// window manager granted) lasts no longer than the next poll: the viewport, the
// layout and the console follow the drawable's real size.
TEST(AppFrameGL, TheViewportFollowsTheRealDrawableNotAnAnnouncedSize)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    ZNAppOptions options;
    options.Width  = 160;
    options.Height = 96;
    ZNApp app;
    ASSERT_TRUE(Opened(app, options));
    Recorder client;
    ASSERT_TRUE(ZNAppFrame(app, client));
    ZNTestReportResize(*app.Window->NativeWindow(), 1280, 800);
    ASSERT_EQ(app.Window->Params().Width, 1280u) << "the announcement is taken at first";
    ASSERT_TRUE(ZNAppFrame(app, client));
    ASSERT_TRUE(ZNAppFrame(app, client));
    EXPECT_EQ(app.Window->Params().Width, 160u);
    EXPECT_EQ(app.Window->Params().Height, 96u);
    GLint viewport[4] = { 0, 0, 0, 0 };
    ZNCurGLTable()->GetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 96);
    EXPECT_EQ(app.WindowWidth.GetInt(), 160) << "the kept size is the real one";
    app.Destroy();
}

// setpos reads back what where printed; resetcamera goes back to the first
// frame's camera.
TEST(AppFrameGL, SetposTakesWhereBackAndResetcameraTheStart)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "needs a display";
    ZNAppOptions options;
    options.Width  = 96;
    options.Height = 64;
    ZNApp app;
    ASSERT_TRUE(Opened(app, options));
    app.Camera.State = Straight(0.5f);
    Recorder client;
    ASSERT_TRUE(ZNAppFrame(app, client));
    ZNConsole& console = *app.Window->Console;

    const float places[][5] = { { 12.5f, -3.25f, 400.0f, 1.25f, 0.5f }, { -7000.0f, 8.0f, 0.0f, -2.5f, 3.0f } };
    for (const auto& p : places)
    {
        char line[200];
        snprintf(line, sizeof(line), "setpos %g %g %g %g %g", (double)p[0], (double)p[1], (double)p[2], (double)p[3],
                 (double)p[4]);
        console.Execute(line);
        const std::string printed = ConsoleText(app).back();
        ASSERT_EQ(printed.rfind("where: ", 0), 0u) << printed;
        const ZNFlyCameraState there = app.Camera.State;
        // The printed line pasted back, label and all, is the same place again.
        console.Execute("resetcamera");
        console.Execute(("setpos " + printed).c_str());
        EXPECT_EQ(ConsoleText(app).back(), printed);
        EXPECT_NEAR(app.Camera.State.Position.x, there.Position.x, 0.01f);
        EXPECT_NEAR(app.Camera.State.Position.y, there.Position.y, 0.01f);
        EXPECT_NEAR(app.Camera.State.Position.z, there.Position.z, 0.01f);
        EXPECT_NEAR(app.Camera.State.Yaw, there.Yaw, 1e-4f);
        EXPECT_NEAR(app.Camera.State.Pitch, there.Pitch, 1e-4f);
        EXPECT_NEAR(there.Position.x, p[0], 0.01f);
        EXPECT_NEAR(there.Yaw, p[3], 1e-4f);
        EXPECT_NEAR(there.Pitch, p[4], 1e-4f);
        EXPECT_EQ(app.Camera.State.PrevPosition, app.Camera.State.Position) << "no blend from the old place";
    }
    console.Execute("setpos 1 2");
    EXPECT_EQ(ConsoleText(app).back(), "usage: setpos X Y Z [YAW PITCH]");
    console.Execute("setpos 1 2 z");
    EXPECT_EQ(ConsoleText(app).back(), "setpos: 'z' is not a number");
    console.Execute("resetcamera");
    EXPECT_EQ(app.Camera.State.Position, Straight(0.5f).Position);
    EXPECT_EQ(app.Camera.State.Yaw, Straight(0.5f).Yaw);
    app.Destroy();
}
