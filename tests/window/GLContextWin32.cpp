// WGL contexts through the engine's platform: the hidden main context, shared
// 3.3 core forward-compatible window contexts with one table each, presenting.
#include <gtest/gtest.h>

#include "application/ZNAppWindow.h"
#include "window/ZNGLContext.h"
#include "window/ZNWindowWin32.h"

namespace
{
class WGLContext : public ::testing::Test
{
protected:
    void                  SetUp() override { platform = new ZNPlatform(); }
    void                  TearDown() override { delete platform; }
    static ZNWindowParams Params(UINT32 w, UINT32 h)
    {
        ZNWindowParams p = { w, h, 0, 0, 0, 0, 0, 0 };
        return p;
    }
    ZNPlatform* platform = nullptr;
};
}   // namespace

TEST_F(WGLContext, MainContextLivesOnAHiddenDummyWindow)
{
    ZNGLContext* main = platform->GetContext();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->Window);
    HWND    hwnd = ZNWin32Window(*main->Window);
    wchar_t title[32];
    GetWindowTextW(hwnd, title, 32);
    EXPECT_STREQ(title, L"ZNEDummyWindow");
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(wglGetCurrentContext(), nullptr) << "the platform leaves nothing current";
    ASSERT_TRUE(main->Begin());
    EXPECT_EQ(wglGetCurrentContext(), static_cast<HGLRC>(main->RC));
    main->End();
    EXPECT_GT(platform->Frequency(), 0.0);
}

TEST_F(WGLContext, WindowContextIsCoreForwardCompatibleAndShares)
{
    ZNRenderWindow rw(platform);
    ASSERT_TRUE(rw.Open(ZNString("wgl"), Params(160, 120)));
    ZNContextHandle* h = rw.Handle();
    ASSERT_TRUE(h->Begin());
    GladGLContext* gl      = ZNCurGLTable();
    GLint          profile = 0, flags = 0, major = 0, minor = 0;
    gl->GetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    gl->GetIntegerv(GL_CONTEXT_FLAGS, &flags);
    gl->GetIntegerv(GL_MAJOR_VERSION, &major);
    gl->GetIntegerv(GL_MINOR_VERSION, &minor);
    EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);
    EXPECT_TRUE(flags & GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT);
    EXPECT_GE(major * 10 + minor, 33);
    GLint vao = 0;
    gl->GetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
    EXPECT_NE(vao, 0);

    const float data[2] = { 5.0f, 6.0f };
    GLuint      buf     = 0;
    gl->GenBuffers(1, &buf);
    gl->BindBuffer(GL_ARRAY_BUFFER, buf);
    gl->BufferData(GL_ARRAY_BUFFER, sizeof(data), data, GL_STATIC_DRAW);
    gl->Finish();
    h->End();

    ASSERT_TRUE(platform->Begin());
    GladGLContext* mgl = ZNCurGLTable();
    EXPECT_NE(mgl, gl) << "one table per context";
    EXPECT_EQ(mgl->IsBuffer(buf), GL_TRUE);
    mgl->DeleteBuffers(1, &buf);
    platform->End();
}

TEST_F(WGLContext, AppWindowClearsReadsBackAndPresents)
{
    ZNAppWindow app(platform);
    ASSERT_TRUE(app.Open(ZNString("present"), Params(256, 144)));
    RECT client;
    GetClientRect(ZNWin32Window(*app.NativeWindow()), &client);
    EXPECT_EQ(client.right, 256);
    EXPECT_EQ(client.bottom, 144);
    app.MakeCurrent();
    ASSERT_NE(ZNCurGLTable(), nullptr);
    ZNCurGLTable()->ClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    ZNCurGLTable()->Clear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    ZNCurGLTable()->ReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[1], 255);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(ZNCurGLTable()->GetError(), (GLenum)GL_NO_ERROR);
    app.Present();
    app.Release();
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}
