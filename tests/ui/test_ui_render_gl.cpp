// UI drawing on a real GL context: rectangles land on the window pixels they
// name (y down), blend with their alpha, outlines leave the inside alone, a
// layer's drawing is clipped to its rectangle, and text marks its rectangle.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "common/ZNTestGL.h"
#include "ui/ZNUILayer.h"
#include "application/ZNAppWindow.h"
#include "render/ZNContextState.h"
#include "window/ZNGLContext.h"
#include "window/ZNGLTable.h"

namespace
{

const UINT32 W = 160;
const UINT32 H = 120;


// Draws a full-window rectangle of one colour from Draw, whatever its own
// rectangle is: what shows is what the clip let through.
class FloodLayer : public ZNUILayer
{
public:
    void Draw() override
    {
        float w, h;
        WindowSize(w, h);
        const float c[4] = { 0.0f, 0.0f, 1.0f, 1.0f };
        DrawRect(ZNUIRect{ 0, 0, w, h }, c, false);
        ScissorWhileDrawing = IsScissorEnabled();
    }
    bool ScissorWhileDrawing = false;
};

class PlainLayer : public ZNUILayer
{
public:
    void Draw() override {}
};

class UIRenderGL : public ZNAppWindowTest
{
protected:
    static void SetUpTestSuite() { OpenWindow("ui test", W, H); }
    static void TearDownTestSuite() { CloseWindow(); }
    void        SetUp() override
    {
        ZNAppWindowTest::SetUp();
        const float black[4] = { 0, 0, 0, 1 };
        if (Window)
            ClearColor(black);
    }

    static bool Lit(const ZNPixel& p) { return p.r > 0 || p.g > 0 || p.b > 0; }
};

}   // namespace

TEST_F(UIRenderGL, FilledRectCoversExactlyItsPixelsFromTheTop)
{
    ZNSharedPtr<ZNUILayer> layer(new PlainLayer);
    layer->Window = Window;
    layer->Layout();
    const float red[4] = { 1, 0, 0, 1 };
    layer->DrawRect(ZNUIRect{ 20, 30, 60, 50 }, red, false);

    const ZNPixel in = PixelAt(40, 40);
    EXPECT_EQ(255, in.r);
    EXPECT_EQ(0, in.g);
    EXPECT_EQ(0, in.b);
    // Corners inclusive at the top left, exclusive at the bottom right.
    EXPECT_EQ(255, PixelAt(20, 30).r);
    EXPECT_EQ(255, PixelAt(59, 49).r);
    EXPECT_FALSE(Lit(PixelAt(60, 40)));
    EXPECT_FALSE(Lit(PixelAt(40, 50)));
    EXPECT_FALSE(Lit(PixelAt(19, 40)));
    EXPECT_FALSE(Lit(PixelAt(40, 29)));
    // Mirrored vertically (a y-up projection) it would sit on rows 70..89.
    EXPECT_FALSE(Lit(PixelAt(40, 80)));

    // The layer's materials were set up once, with the UI words.
    EXPECT_EQ(1u, layer->Initialized);
    EXPECT_EQ(&layer->GUIMaterial, layer->CurMaterial);
    EXPECT_EQ(ZN_UI_BLEND_WORD, layer->GUIMaterial.BlendMode);
    EXPECT_EQ(ZN_UI_RASTER_WORD, layer->ColorOnlyMaterial.RasterState);
    ASSERT_TRUE(layer->ColorOnlyMaterial.Shader.Get() != nullptr);
    EXPECT_NE(0u, layer->ColorOnlyMaterial.Shader->Shader->Program);
    ASSERT_TRUE(layer->GUIMaterial.Shader.Get() != nullptr);
    EXPECT_NE(0u, layer->GUIMaterial.Shader->Shader->Program);
    // The depth test is off for UI drawing, whatever the scene left.
    EXPECT_EQ(GL_FALSE, ZNCurGLTable()->IsEnabled(GL_DEPTH_TEST));
}

TEST_F(UIRenderGL, TranslucentRectBlendsWithItsAlpha)
{
    ZNSharedPtr<ZNUILayer> layer(new PlainLayer);
    layer->Window        = Window;
    const float red[4]   = { 1, 0, 0, 1 };
    const float green[4] = { 0, 1, 0, 0.5f };
    layer->DrawRect(ZNUIRect{ 0, 0, 80, 60 }, red, false);
    layer->DrawRect(ZNUIRect{ 40, 0, 120, 60 }, green, false);
    const ZNPixel mixed = PixelAt(60, 30);
    EXPECT_NEAR(128, mixed.r, 2);
    EXPECT_NEAR(128, mixed.g, 2);
    const ZNPixel greenOnly = PixelAt(100, 30);
    EXPECT_EQ(0, greenOnly.r);
    EXPECT_NEAR(128, greenOnly.g, 2);
}

TEST_F(UIRenderGL, OutlineDrawsTheFourEdgesOnly)
{
    ZNSharedPtr<ZNUILayer> layer(new PlainLayer);
    layer->Window        = Window;
    const float white[4] = { 1, 1, 1, 1 };
    layer->DrawRect(ZNUIRect{ 30.5f, 20.5f, 90.5f, 80.5f }, white, true);

    EXPECT_FALSE(Lit(PixelAt(60, 50)));   // inside untouched
    EXPECT_TRUE(Lit(PixelAt(60, 20)));    // top edge
    EXPECT_TRUE(Lit(PixelAt(60, 80)));    // bottom edge
    EXPECT_TRUE(Lit(PixelAt(30, 50)));    // left edge: the loop closes
    EXPECT_TRUE(Lit(PixelAt(90, 50)));    // right edge
    EXPECT_FALSE(Lit(PixelAt(60, 10)));
}

TEST_F(UIRenderGL, UpdateClipsTheLayerToItsRectangleAndTurnsTheScissorOff)
{
    ZNSharedPtr<ZNUILayer> root(new PlainLayer);
    FloodLayer*            flood = new FloodLayer;
    ZNSharedPtr<ZNUILayer> floodPtr(flood);
    root->Window      = Window;
    floodPtr->Anchors = ZNUIRect{ 0.5f, 0.5f, 0.5f, 0.5f };
    floodPtr->Offsets = ZNUIRect{ -10, -10, 9, 9 };   // 20 x 20 with the grown corner
    root->AddChild(floodPtr);
    root->Layout();
    root->Update(1.0f);

    EXPECT_TRUE(flood->ScissorWhileDrawing);
    EXPECT_FALSE(IsScissorEnabled());
    EXPECT_EQ(1u, flood->DrawCount);
    EXPECT_EQ(255, PixelAt(70, 50).b);
    EXPECT_EQ(255, PixelAt(89, 69).b);
    EXPECT_FALSE(Lit(PixelAt(69, 60)));
    EXPECT_FALSE(Lit(PixelAt(90, 60)));
    EXPECT_FALSE(Lit(PixelAt(80, 70)));
    EXPECT_FALSE(Lit(PixelAt(5, 5)));
}

TEST_F(UIRenderGL, TextMarksPixelsInsideItsRectangle)
{
    if (!Window->DebugFont || !Window->DebugFont->HasGlyphs())
        GTEST_SKIP() << "the debug font did not load";
    ZNSharedPtr<ZNUILayer> layer(new PlainLayer);
    layer->Window      = Window;
    const ZNUIRect box = { 10, 10, 150, 40 };
    EXPECT_TRUE(layer->DrawText("HHHH", 0, ZNPackColor(1, 1, 1, 1), 0, box, 24.0f));
    EXPECT_EQ(Window->DebugFont, layer->Font);

    std::vector<UINT8> rgba(W * H * 4);
    ZNCurGLTable()->ReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int inside = 0, outside = 0;
    for (UINT32 row = 0; row < H; ++row)
        for (UINT32 x = 0; x < W; ++x)
        {
            const UINT8* p = &rgba[(row * W + x) * 4];
            if (!p[0] && !p[1] && !p[2])
                continue;
            const UINT32 y = H - 1 - row;
            if (x >= 10 && x < 150 && y >= 10 && y < 40)
                ++inside;
            else
                ++outside;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(0, outside);
}
