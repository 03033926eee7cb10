// Packed render-state words: only changed fields reach GL, counted through a
// recording function table on a fresh context.
#include "RenderGLTestUtil.h"

#include "render/ZNRenderState.h"

#include <gtest/gtest.h>

typedef std::vector<std::string> Calls;

TEST(GLRenderState, RasterFieldsChangeIndependently)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    SetRasterState(16, 65535);   // the start-up word on a new context
    EXPECT_EQ(rec.Calls, (Calls{ "Enable 2929", "DepthFunc 513" }));
    GLboolean mask = GL_FALSE;
    GL().GetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);   // depth writes stay on

    rec.Clear();
    SetRasterState(16, 65535);
    SetRasterState(0x80, 0x80);
    SetRasterState(0, 0x80);
    EXPECT_EQ(rec.Calls, (Calls{ "DepthMask 1", "DepthMask 0" }));

    rec.Clear();
    SetRasterState(2, 3);        // back faces
    SetRasterState(1, 3);        // front faces: culling is on already
    SetRasterState(0, 3);
    SetRasterState(8, 0xC);      // lines
    SetRasterState(0xC, 0xC);    // 3 fills as well
    SetRasterState(0x70, 0x70);  // depth test off
    EXPECT_EQ(rec.Calls, (Calls{ "Enable 2884", "CullFace 1029", "CullFace 1028", "Disable 2884",
                                 "PolygonMode 1032 6913", "PolygonMode 1032 6914", "Disable 2929" }));

    rec.Clear();
    SetRasterBits(0x30, 0x70);   // GL_LEQUAL; the polygon mode bits stay
    EXPECT_EQ(rec.Calls, (Calls{ "Enable 2929", "DepthFunc 515" }));
    EXPECT_EQ(w.State().RenderState.RasterWord, 0x3Cu);
}

TEST(GLRenderState, BlendWordSendsOnlyWhatChanged)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    SetBlendMode(5985);
    SetBlendMode(5985);
    EXPECT_EQ(rec.Calls, (Calls{ "Enable 3042", "BlendEquation 32774", "BlendFuncSeparate 770 771 1 0" }));
    rec.Clear();
    SetBlendMode(0);
    EXPECT_EQ(rec.Calls, (Calls{ "Disable 3042" }));

    SetBlendMode(5985);
    rec.Clear();
    SetBlendMode(0x71761);   // factors only
    SetBlendMode(0x71765);   // equation only (GL_MAX), blending is on already
    EXPECT_EQ(rec.Calls, (Calls{ "BlendFuncSeparate 770 771 1 771", "BlendEquation 32776" }));

    rec.Clear();   // factors with equation 0 keep blending off
    SetBlendMode(0x1760);
    EXPECT_EQ(rec.Calls, (Calls{ "Disable 3042", "BlendFuncSeparate 770 771 1 0" }));
    EXPECT_FALSE(GL().IsEnabled(GL_BLEND));
}

TEST(GLRenderState, StencilWordAndPolygonOffset)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    // Test on, GL_EQUAL reference 5 mask 15, write mask 15, keep / keep / replace.
    const UINT32 word = (1u << 28) | (2u << 24) | (15u << 12) | (15u << 8) | (5u << 4) | 2u;
    SetStencilState(word, 0xFFFFFFFF);
    SetStencilState(word, 0xFFFFFFFF);
    EXPECT_EQ(rec.Calls,
              (Calls{ "Enable 2960", "StencilFunc 514 5 15", "StencilMask 15", "StencilOp 7680 7680 7681" }));
    rec.Clear();
    SetStencilState(3u << 12, 0xF000);
    SetStencilState(0, 1u << 28);
    SetStencilState(0x0F00000F, 0x0F00000F);   // indices past the tables: GL_ALWAYS, GL_KEEP
    EXPECT_EQ(rec.Calls, (Calls{ "StencilMask 3", "Disable 2960", "StencilFunc 519 5 15", "StencilOp 7680 7680 7680" }));

    rec.Clear();
    SetPolygonOffset(1, -1);
    SetPolygonOffset(2, 3);
    EXPECT_EQ(rec.Calls, (Calls{ "Disable 32823", "Enable 32823", "PolygonOffset 3 2" }));
}
