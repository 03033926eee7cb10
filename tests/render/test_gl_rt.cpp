// Framebuffers, the framebuffer stack, clears and the scissor stack on a real
// 3.3 core context in a 1024 x 576 window.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"

#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "resources/ZNTexture.h"

#include <gtest/gtest.h>

#include <unistd.h>

typedef std::vector<std::string> Calls;

static ZNTextureHandle ColorTexture(UINT32 width, UINT32 height)
{
    ZNTextureHandle tex;
    EXPECT_TRUE(CreateTexture(tex, width, height, 1, 1, TEX_FORMAT_RGBA8, nullptr, TEX_NOSTREAM));
    return tex;
}

static ZNSharedPtr<ZNRenderBuffer> DepthBuffer(UINT32 width, UINT32 height)
{
    return ZNSharedPtr<ZNRenderBuffer>(new ZNRenderBuffer(width, height, 0, ZN_RB_FORMAT_DEPTH24_STENCIL8));
}

static ZNFrameBufferPtr DepthOnly(UINT32 width, UINT32 height)
{
    ZNFrameBufferPtr fb(new ZNFrameBuffer);
    fb->Begin();
    fb->SetRenderBuffer(UINT32_MAX, DepthBuffer(width, height), RTA_DepthStencil);
    fb->Commit();
    return fb;
}

static int Red(int x, int y)
{
    UINT8 rgba[4] = {};
    GL().ReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return rgba[0];
}

TEST(GLRenderTarget, DrawBuffersSizeAndRendering)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNFrameBufferPtr fb(new ZNFrameBuffer);
    fb->Begin();
    EXPECT_FALSE(FB_Valid());
    fb->SetTexture(0, ColorTexture(512, 512), RTA_Color);
    fb->SetTexture(2, ColorTexture(512, 600), RTA_Color);
    fb->SetRenderBuffer(UINT32_MAX, DepthBuffer(1024, 1024), RTA_DepthStencil);
    ZNRecordingTable rec;
    fb->Commit();
    EXPECT_TRUE(FB_Valid());
    EXPECT_EQ(rec.Count("DrawBuffers 3 GL_COLOR_ATTACHMENT0 GL_NONE GL_COLOR_ATTACHMENT2"), 1);
    EXPECT_EQ(fb->Width, 512u);   // the smallest attachment
    EXPECT_EQ(fb->Height, 512u);
    EXPECT_EQ(rec.Calls.back(), "ReadBuffer GL_BACK");   // the window is bound again

    rec.Clear();
    ZNFrameBufferPtr depth = DepthOnly(32, 16);
    EXPECT_EQ(rec.Count("DrawBuffer GL_NONE"), 1);
    EXPECT_EQ(rec.Count("DrawBuffers"), 0);

    const float black[4] = { 0, 0, 0, 1 }, red[4] = { 1, 0, 0, 1 };
    rec.Clear();
    Clear(black, 1.0f);
    PushFBO(fb);
    ClearColor(red);
    ClearDepth(0.5f);
    ClearStencil(3);
    EXPECT_EQ(rec.Only("Clear"), (Calls{ "Clear GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT", "Clear GL_COLOR_BUFFER_BIT",
                                         "Clear GL_DEPTH_BUFFER_BIT", "Clear GL_STENCIL_BUFFER_BIT" }));
    GL().ReadBuffer(GL_COLOR_ATTACHMENT0);
    EXPECT_EQ(Red(500, 500), 255);
    PopFBO(fb);
    EXPECT_EQ(Red(10, 10), 0);   // the window was not touched
    EXPECT_EQ(GL().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

static float WindowDepth(INT32 x, INT32 y)
{
    float depth = -1.0f;
    GL().ReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

TEST(GLRenderTarget, DepthIsClearedWholeWhileTheRasterWordHasWritesOff)
{
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_OFF, false), ZN_RASTER_MASK_ALL);
    const float black[4] = { 0, 0, 0, 1 };
    Clear(black, 0.25f);
    EXPECT_NEAR(WindowDepth(3, 5), 0.25f, 1e-3f);
    ClearDepth(0.75f);
    EXPECT_NEAR(WindowDepth(3, 5), 0.75f, 1e-3f);
    GLboolean writes = GL_TRUE;
    GL().GetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    EXPECT_EQ(writes, GL_FALSE);   // still what the raster word says

    SetRasterState(ZN_RASTER_DEPTH_WRITE, ZN_RASTER_DEPTH_WRITE);
    ZNRecordingTable rec;
    ClearDepth(0.5f);
    EXPECT_EQ(rec.Count("DepthMask"), 0);   // writes on: nothing to lift
    EXPECT_NEAR(WindowDepth(3, 5), 0.5f, 1e-3f);
}

TEST(GLRenderTarget, StackRebindsWithViewportsAndRefusesMisuse)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNFrameBufferPtr a = DepthOnly(64, 32), b = DepthOnly(16, 8);
    ZNDialogRecorder dialogs;
    ZNRecordingTable rec;
    PushFBO(a);
    PushFBO(b);
    EXPECT_TRUE(IsCurrentFBO(b));
    rec.Clear();
    PopFBO(a);
    EXPECT_EQ(dialogs.Asserts("TGCurContextState->FBOStack.Last() != ptr"), 1u);
    PopFBO(b);
    EXPECT_EQ(rec.Calls, (Calls{ "BindFramebuffer GL_FRAMEBUFFER " + std::to_string(a->Name), "Viewport 0 0 64 32",
                                 "DrawBuffer GL_NONE", "ReadBuffer GL_NONE" }));
    rec.Clear();
    PopFBO(a);
    EXPECT_EQ(rec.Calls, (Calls{ "BindFramebuffer GL_FRAMEBUFFER 0", "Viewport 0 0 1024 576", "DrawBuffer GL_BACK",
                                 "ReadBuffer GL_BACK" }));
    EXPECT_TRUE(IsCurrentFBO(ZNFrameBufferPtr()));
    PopFBO(a);
    EXPECT_EQ(dialogs.Asserts("TGCurContextState->FBOStack.Size() == 0"), 1u);

    ZNFrameBuffer building;   // while one is being built the stack refuses
    building.Begin();
    PushFBO(a);
    EXPECT_EQ(dialogs.Asserts("!FB_Valid()"), 1u);
    EXPECT_EQ(w.State().RT.FBOStack.Size(), 0u);
    SetFBOOverride(0);
}

TEST(GLRenderTarget, SlotsHoldOneThingAndTheReportListsAllNine)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNDialogRecorder dialogs;
    ZNFrameBuffer    fb;
    fb.Begin();
    ZNSharedPtr<ZNRenderBuffer> depth = DepthBuffer(64, 32);
    fb.SetRenderBuffer(8, depth, RTA_DepthStencil);
    EXPECT_EQ(dialogs.Asserts("id >= MAX_COLOR_BUFFERS && id != UINT32_MAX"), 1u);
    EXPECT_EQ(fb.Types[8], RTA_None);
    ZNTextureHandle color = ColorTexture(8, 4);
    fb.SetTexture(1, color, RTA_Color);
    fb.SetTexture(UINT32_MAX, color, RTA_Depth);
    fb.SetRenderBuffer(UINT32_MAX, depth, RTA_DepthStencil);   // replaces the texture
    EXPECT_FALSE(fb.Textures[8]);

    std::string expected = "Error: Missing attachment\nState:\nUnknown (ERROR): [Nothing]\n"
                           "Color: [Texture] W:8 H:4 D:1 S:1 Fmt:1 Flags:2\n";
    for (int i = 2; i < 8; ++i)
        expected += "Unknown (ERROR): [Nothing]\n";
    expected += "Depth/stencil: [RenderBuffer] width: 64, height: 32, samples: 0, format: 24\n";
    EXPECT_EQ(std::string(fb.DescribeError("Missing attachment").CStr()), expected);

    ZNRenderBuffer bad(16, 16, 0, 1);   // only format 24 is known
    EXPECT_EQ(dialogs.Asserts("err"), 1u);
    SetFBOOverride(0);
}

TEST(GLRenderTargetDeath, IncompleteFramebufferIsFatalAndLogged)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's child runs this body again: it takes the parent's folder
    // from the environment.
    std::string dir;
    if (const char* given = getenv("ZN_RENDER_FATAL_DIR"))
        dir = given;
    else
    {
        ASSERT_FALSE((dir = ZNMakeScratchFolder()).empty());
        ZNSetEnv("ZN_RENDER_FATAL_DIR", dir.c_str());
    }
    EXPECT_EXIT(
        {
            if (chdir(dir.c_str()) != 0)
                _exit(1);
            ZNTestWindow  w;
            ZNFrameBuffer fb;
            fb.Begin();
            fb.Commit();
        },
        testing::ExitedWithCode(ZNTestFatalExitStatus), "Error: Missing attachment\nState:\nUnknown \\(ERROR\\)");
    char line[64] = {};
    if (FILE* log = fopen((dir + "error.log").c_str(), "r"))
    {
        EXPECT_NE(fgets(line, sizeof(line), log), nullptr);
        fclose(log);
    }
    EXPECT_STREQ(line, "Error: Missing attachment\n");
    ZNSetEnv("ZN_RENDER_FATAL_DIR", nullptr);
    ZNRemoveTree(dir);
}

TEST(GLScissor, RectanglesConvertToBottomLeftAndNestedOnlyShrink)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    EXPECT_TRUE(PushScissor({ 10, 20, 110, 70 }));
    EXPECT_EQ(PopScissor(), 0u);
    EXPECT_EQ(rec.Calls, (Calls{ "Scissor 10 506 100 50", "Enable GL_SCISSOR_TEST", "Disable GL_SCISSOR_TEST" }));
    EXPECT_FALSE(GL().IsEnabled(GL_SCISSOR_TEST));

    rec.Clear();
    EXPECT_TRUE(PushScissor({ 10, 10, 100, 100 }));
    EXPECT_TRUE(PushScissor({ 50, 50, 200, 200 }));
    EXPECT_FALSE(PushScissor({ 100, 0, 150, 50 }));   // only touches the top at a corner
    EXPECT_EQ(PopScissor(), 1u);
    EXPECT_EQ(rec.Calls, (Calls{ "Scissor 10 476 90 90", "Enable GL_SCISSOR_TEST", "Scissor 50 476 50 50",
                                 "Scissor 10 476 90 90" }));
    EXPECT_EQ(PopScissor(), 0u);

    ZNScissorRect out = { 1, 2, 3, 4 };
    EXPECT_FALSE(Intersect({ 0, 0, 10, 10 }, { 0, 10, 10, 20 }, out));
    EXPECT_EQ(out.X0, 1);   // untouched
    ZNDialogRecorder dialogs;
    EXPECT_EQ(PopScissor(), 0u);
    EXPECT_EQ(dialogs.Asserts("count == 0"), 1u);
}

TEST(GLScissor, BaseRectangleIsClippedToTheWindowAndKeptUnderTheStack)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    SetBaseScissor(1, { -10, -10, 2000, 100 });
    EXPECT_TRUE(PushScissor({ 0, 0, 10, 10 }));
    EXPECT_EQ(PopScissor(), 0u);
    EXPECT_TRUE(IsScissorEnabled());
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_SCISSOR_TEST", "Scissor 0 476 1024 100", "Scissor 0 566 10 10",
                                 "Scissor 0 476 1024 100" }));
    rec.Clear();
    SetBaseScissor(0, { 0, 0, 10, 10 });
    EXPECT_EQ(rec.Calls, (Calls{ "Disable GL_SCISSOR_TEST" }));

    ZNDialogRecorder dialogs;
    SetBaseScissor(1, { 2000, 0, 3000, 10 });
    EXPECT_EQ(dialogs.Asserts("!res && \"Scissor Rect out of bounds, need to fix it...\""), 1u);
    EXPECT_EQ(rec.Calls.back(), "Scissor 0 576 0 0");   // nothing of the window is drawn
    SetBaseScissor(0, { 0, 0, 10, 10 });
}
