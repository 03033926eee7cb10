// Packed render-state words: only changed fields reach GL, counted through a
// recording function table on a fresh context.
#include "common/ZNTestGL.h"

#include "render/ZNRenderState.h"
#include "render/ZNRenderStateState.h"

#include <gtest/gtest.h>

typedef std::vector<std::string> Calls;

TEST(GLRenderState, RasterFieldsChangeIndependently)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    SetRasterState(16, 65535);   // depth test GL_LESS without writes, on a new context
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_DEPTH_TEST", "DepthFunc GL_LESS", "DepthMask GL_FALSE" }));
    GLboolean mask = GL_TRUE;
    GL().GetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);   // GL now holds what the word says

    rec.Clear();
    SetRasterState(16, 65535);
    SetRasterState(0x80, 0x80);
    SetRasterState(0, 0x80);
    EXPECT_EQ(rec.Calls, (Calls{ "DepthMask GL_TRUE", "DepthMask GL_FALSE" }));

    rec.Clear();
    SetRasterState(2, 3);   // back faces
    SetRasterState(1, 3);   // front faces: culling is on already
    SetRasterState(0, 3);
    SetRasterState(8, 0xC);       // lines
    SetRasterState(0xC, 0xC);     // 3 fills as well
    SetRasterState(0x70, 0x70);   // depth test off
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_CULL_FACE", "CullFace GL_BACK", "CullFace GL_FRONT", "Disable GL_CULL_FACE",
                                 "PolygonMode GL_FRONT_AND_BACK GL_LINE", "PolygonMode GL_FRONT_AND_BACK GL_FILL",
                                 "Disable GL_DEPTH_TEST" }));

    rec.Clear();
    SetRasterBits(0x30, 0x70);   // GL_LEQUAL; the polygon mode bits stay
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_DEPTH_TEST", "DepthFunc GL_LEQUAL" }));
    EXPECT_EQ(w.State().RenderState.RasterWord, 0x3Cu);
}

TEST(GLRenderState, BlendWordSendsOnlyWhatChanged)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    SetBlendMode(5985);
    SetBlendMode(5985);
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_BLEND", "BlendEquation GL_FUNC_ADD",
                                 "BlendFuncSeparate GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA GL_ONE GL_ZERO" }));
    rec.Clear();
    SetBlendMode(0);
    EXPECT_EQ(rec.Calls, (Calls{ "Disable GL_BLEND" }));
    rec.Clear();   // all-zero factors after blending went off: GL still holds the old ones
    SetBlendMode(ZNBlendWord(ZN_BLEND_ADD, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO));
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_BLEND", "BlendEquation GL_FUNC_ADD",
                                 "BlendFuncSeparate GL_ZERO GL_ZERO GL_ZERO GL_ZERO" }));

    SetBlendMode(5985);
    rec.Clear();
    SetBlendMode(0x71761);   // factors only
    SetBlendMode(0x71765);   // equation only (GL_MAX), blending is on already
    EXPECT_EQ(rec.Calls, (Calls{ "BlendFuncSeparate GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA GL_ONE GL_ONE_MINUS_SRC_ALPHA",
                                 "BlendEquation GL_MAX" }));

    rec.Clear();   // factors with equation 0 keep blending off
    SetBlendMode(0x1760);
    EXPECT_EQ(rec.Calls,
              (Calls{ "Disable GL_BLEND", "BlendFuncSeparate GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA GL_ONE GL_ZERO" }));
    EXPECT_FALSE(GL().IsEnabled(GL_BLEND));
}

TEST(GLRenderState, StencilWordAndPolygonOffset)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNRecordingTable rec;
    // Test on, GL_EQUAL reference 5 mask 15, write mask 15, keep / keep / replace.
    const UINT32     word = (1u << 28) | (2u << 24) | (15u << 12) | (15u << 8) | (5u << 4) | 2u;
    SetStencilState(word, 0xFFFFFFFF);
    SetStencilState(word, 0xFFFFFFFF);
    EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_STENCIL_TEST", "StencilFunc GL_EQUAL 5 15", "StencilMask 15",
                                 "StencilOp GL_KEEP GL_KEEP GL_REPLACE" }));
    rec.Clear();
    SetStencilState(3u << 12, 0xF000);
    SetStencilState(0, 1u << 28);
    SetStencilState(0x0F00000F, 0x0F00000F);   // indices past the tables: GL_ALWAYS, GL_KEEP
    EXPECT_EQ(rec.Calls, (Calls{ "StencilMask 3", "Disable GL_STENCIL_TEST", "StencilFunc GL_ALWAYS 5 15",
                                 "StencilOp GL_KEEP GL_KEEP GL_KEEP" }));

    rec.Clear();
    SetPolygonOffset(1, -1);
    SetPolygonOffset(2, 3);
    EXPECT_EQ(rec.Calls,
              (Calls{ "Disable GL_POLYGON_OFFSET_FILL", "Enable GL_POLYGON_OFFSET_FILL", "PolygonOffset 3 2" }));
}

namespace
{
GLint Integer(GLenum name)
{
    GLint value = -1;
    GL().GetIntegerv(name, &value);
    return value;
}

// Every field of the three recorded words against what GL reports.
void ExpectRecordsEqualGL(const ZNRenderStateContextState& rs)
{
    static const GLenum factors[10] = { GL_ZERO,      GL_ONE,
                                        GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                                        GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR,
                                        GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                        GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA };
    static const GLenum ops[8]      = {
             GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_INCR_WRAP, GL_DECR, GL_DECR_WRAP, GL_INVERT
    };
    const UINT32 b = rs.BlendWord, r = rs.RasterWord, st = rs.StencilWord;
    EXPECT_EQ(GL().IsEnabled(GL_BLEND) != GL_FALSE, (b & 7) != 0);
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), static_cast<GLint>(factors[(b >> 4) & 15]));
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), static_cast<GLint>(factors[(b >> 8) & 15]));
    EXPECT_EQ(Integer(GL_BLEND_SRC_ALPHA), static_cast<GLint>(factors[(b >> 12) & 15]));
    EXPECT_EQ(Integer(GL_BLEND_DST_ALPHA), static_cast<GLint>(factors[(b >> 16) & 15]));
    EXPECT_EQ(GL().IsEnabled(GL_CULL_FACE) != GL_FALSE, (r & 3) != 0);
    EXPECT_EQ(GL().IsEnabled(GL_DEPTH_TEST) != GL_FALSE, ((r >> 4) & 7) != 7);
    if (((r >> 4) & 7) != 7)
    {
        EXPECT_EQ(Integer(GL_DEPTH_FUNC), static_cast<GLint>(GL_NEVER + ((r >> 4) & 7)));
    }
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK) != 0, (r & 0x80) != 0);
    EXPECT_EQ(GL().IsEnabled(GL_STENCIL_TEST) != GL_FALSE, (st & ZN_STENCIL_TEST_ON) != 0);
    if (!rs.StencilSent)
        return;
    EXPECT_EQ(Integer(GL_STENCIL_FUNC), static_cast<GLint>(GL_NEVER + (st & 7)));
    EXPECT_EQ(Integer(GL_STENCIL_REF), static_cast<GLint>((st >> 4) & 15));
    EXPECT_EQ(Integer(GL_STENCIL_VALUE_MASK), static_cast<GLint>((st >> 8) & 15));
    EXPECT_EQ(Integer(GL_STENCIL_WRITEMASK), static_cast<GLint>((st >> 12) & 15));
    EXPECT_EQ(Integer(GL_STENCIL_FAIL), static_cast<GLint>(ops[(st >> 16) & 7]));
    EXPECT_EQ(Integer(GL_STENCIL_PASS_DEPTH_FAIL), static_cast<GLint>(ops[(st >> 20) & 7]));
    EXPECT_EQ(Integer(GL_STENCIL_PASS_DEPTH_PASS), static_cast<GLint>(ops[(st >> 24) & 7]));
}
}

TEST(GLRenderState, RecordsAlwaysEqualWhatGLHolds)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    const ZNRenderStateContextState& rs = w.State().RenderState;
    ExpectRecordsEqualGL(rs);   // a new context

    SetBlendMode(ZN_BLEND_WORD_ALPHA);
    SetBlendMode(ZN_BLEND_WORD_OFF);
    ExpectRecordsEqualGL(rs);
    SetBlendMode(ZNBlendWord(ZN_BLEND_MAX, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO, ZN_FACTOR_ZERO));
    ExpectRecordsEqualGL(rs);
    SetBlendMode(ZNBlendWord(ZN_BLEND_OFF, ZN_FACTOR_DST_ALPHA, ZN_FACTOR_ONE, ZN_FACTOR_ONE, ZN_FACTOR_ONE));
    ExpectRecordsEqualGL(rs);

    // Depth writes alone, then the depth test alone: the other fields stay as GL has them.
    SetRasterState(0, ZN_RASTER_DEPTH_WRITE);
    ExpectRecordsEqualGL(rs);
    SetRasterState(ZNRasterWord(0, 0, ZN_DEPTH_GEQUAL, false), ZN_RASTER_MASK_DEPTH_TEST);
    ExpectRecordsEqualGL(rs);
    SetRasterBits(ZN_CULL_BACK, ZN_RASTER_MASK_CULL);
    ExpectRecordsEqualGL(rs);

    // Only the test turned on: GL's function and masks must be what the word says.
    {
        ZNRecordingTable rec;
        SetStencilState(ZN_STENCIL_TEST_ON, ZN_STENCIL_TEST_ON);
        EXPECT_EQ(rec.Calls, (Calls{ "Enable GL_STENCIL_TEST", "StencilFunc GL_ALWAYS 0 15", "StencilMask 15",
                                     "StencilOp GL_KEEP GL_KEEP GL_KEEP" }));
    }
    ExpectRecordsEqualGL(rs);
    SetStencilState(ZNStencilWord(true, ZN_DEPTH_LEQUAL, 3, 7, 1, ZN_STENCIL_ZERO, ZN_STENCIL_INCR, ZN_STENCIL_INVERT),
                    0xFFFFFFFF);
    ExpectRecordsEqualGL(rs);
    EXPECT_EQ(GL().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// What each builder's named arguments mean is what GL holds after the word
// is set: every equation and factor in every place, every cull, polygon and
// depth choice, and the stencil fields, read back from GL.
TEST(GLRenderState, BuiltWordsPutTheirNamedStateIntoGL)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    auto integer = [](GLenum name)
    {
        GLint v = -1;
        GL().GetIntegerv(name, &v);
        return v;
    };
    const GLint equations[] = { 0, GL_FUNC_ADD, GL_FUNC_REVERSE_SUBTRACT, GL_FUNC_SUBTRACT, GL_MIN, GL_MAX };
    const GLint factors[]   = { GL_ZERO,      GL_ONE,
                                GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                                GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR,
                                GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA };
    for (UINT32 e = ZN_BLEND_ADD; e <= ZN_BLEND_MAX; ++e)
        for (UINT32 f = 0; f < 10; ++f)
        {
            // Each factor in each place, the others rotated so no two agree.
            const UINT32 s = f, d = (f + 3) % 10, sa = (f + 5) % 10, da = (f + 8) % 10;
            SetBlendMode(ZNBlendWord(e, s, d, sa, da));
            SCOPED_TRACE(testing::Message() << "equation " << e << " factor " << f);
            EXPECT_TRUE(GL().IsEnabled(GL_BLEND));
            EXPECT_EQ(integer(GL_BLEND_EQUATION_RGB), equations[e]);
            EXPECT_EQ(integer(GL_BLEND_SRC_RGB), factors[s]);
            EXPECT_EQ(integer(GL_BLEND_DST_RGB), factors[d]);
            EXPECT_EQ(integer(GL_BLEND_SRC_ALPHA), factors[sa]);
            EXPECT_EQ(integer(GL_BLEND_DST_ALPHA), factors[da]);
        }
    SetBlendMode(ZNBlendWord(ZN_BLEND_OFF, ZN_FACTOR_SRC_ALPHA, ZN_FACTOR_ONE, ZN_FACTOR_ONE, ZN_FACTOR_ONE));
    EXPECT_FALSE(GL().IsEnabled(GL_BLEND));

    const GLint culls[]    = { 0, GL_FRONT, GL_BACK, GL_FRONT_AND_BACK };
    const GLint polygons[] = { GL_FILL, GL_POINT, GL_LINE };
    const GLint tests[]    = { GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS };
    for (UINT32 c = 0; c < 4; ++c)
        for (UINT32 p = 0; p < 3; ++p)
            for (UINT32 d = 0; d < 8; ++d)
                for (bool writes : { false, true })
                {
                    SetRasterState(ZNRasterWord(c, p, d, writes), ZN_RASTER_MASK_ALL);
                    SCOPED_TRACE(testing::Message() << c << " " << p << " " << d << " " << writes);
                    EXPECT_EQ(GL().IsEnabled(GL_CULL_FACE), c != ZN_CULL_NONE);
                    if (c != ZN_CULL_NONE)
                    {
                        EXPECT_EQ(integer(GL_CULL_FACE_MODE), culls[c]);
                    }
                    GLint mode[2] = { -1, -1 };
                    GL().GetIntegerv(GL_POLYGON_MODE, mode);
                    EXPECT_EQ(mode[0], polygons[p]);
                    EXPECT_EQ(GL().IsEnabled(GL_DEPTH_TEST), d != ZN_DEPTH_OFF);
                    if (d != ZN_DEPTH_OFF)
                    {
                        EXPECT_EQ(integer(GL_DEPTH_FUNC), tests[d]);
                    }
                    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), writes ? GL_TRUE : GL_FALSE);
                }

    const GLint ops[] = { GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_INCR_WRAP, GL_DECR, GL_DECR_WRAP, GL_INVERT };
    for (UINT32 f = 0; f < 8; ++f)
    {
        const UINT32 fail = f, depthFail = (f + 3) % 8, pass = (f + 6) % 8;
        const UINT32 ref = (f * 5) & 15, funcMask = 15 - f, writeMask = (f * 3) & 15;
        SetStencilState(ZNStencilWord(true, f, ref, funcMask, writeMask, fail, depthFail, pass), 0xFFFFFFFF);
        SCOPED_TRACE(testing::Message() << "stencil " << f);
        EXPECT_TRUE(GL().IsEnabled(GL_STENCIL_TEST));
        EXPECT_EQ(integer(GL_STENCIL_FUNC), tests[f]);
        EXPECT_EQ(integer(GL_STENCIL_REF), (GLint)ref);
        EXPECT_EQ(integer(GL_STENCIL_VALUE_MASK) & 15, (GLint)funcMask);
        EXPECT_EQ(integer(GL_STENCIL_WRITEMASK) & 15, (GLint)writeMask);
        EXPECT_EQ(integer(GL_STENCIL_FAIL), ops[fail]);
        EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_FAIL), ops[depthFail]);
        EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_PASS), ops[pass]);
    }
    SetStencilState(ZNStencilWord(false, 0, 0, 0, 0, 0, 0, 0), 0xFFFFFFFF);
    EXPECT_FALSE(GL().IsEnabled(GL_STENCIL_TEST));
}
