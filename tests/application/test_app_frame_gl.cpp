// The application's frame function on a real window: what one frame does, in
// which order, and when the program is to end.
#include "application/ZNApplication.h"

#include "common/ZNTestFiles.h"
#include "render/ZNRT.h"
#include "files/ZNFileIO.h"
#include "resources/ZNImage.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsole.h"

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
    static char  arg0[] = "zn_test";
    static char* argv[] = { arg0, nullptr };
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
    EXPECT_EQ(client.X.back(), lastFlown) << "after the flight the camera stays where it left the path";
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
