// The per-context render counters on a real 3.3 core context: what counts as a
// draw, a program bind and a texture bind, and that each context counts alone.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"

#include "render/ZNRenderCounters.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "resources/ZNTexture.h"

#include <gtest/gtest.h>

namespace
{
const char* const GFlatShader = "#ifdef VSHADER\n"
                                "void main() { gl_Position = vec4(GLVertex.xy, 0.0, 1.0); }\n"
                                "#endif\n"
                                "#ifdef PSHADER\n"
                                "void main() { GLFragData0 = vec4(1.0); }\n"
                                "#endif\n";

const float GQuad[4][8] = {
    { -1, -1, 0, 0, 1, 1, 1, 1 },
    { 1, -1, 1, 0, 1, 1, 1, 1 },
    { 1, 1, 1, 1, 1, 1, 1, 1 },
    { -1, 1, 0, 1, 1, 1, 1, 1 },
};
}

TEST(GLRenderCounters, DrawsCountCallsAndVertices)
{
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    const ZNRenderCounters before = ZNGetRenderCounters();
    DrawUserVertices2D(GQuad, 4, PT_TriangleFan);
    DrawUserVertices2D(GQuad, 3, PT_Triangles);

    ZNGpuBuffer  ib(VMBT_Index, 0);
    const UINT16 indices[6] = { 0, 1, 2, 0, 2, 3 };
    ib.Append(indices, sizeof(indices));
    ib.Upload();
    SetIndexBuffer(&ib);
    DrawIndexed(PT_Triangles, 6, VDT_UShort, 0);
    DrawIndexedInstanced(PT_Triangles, 6, VDT_UShort, 0, 3);
    // Ranges of the three vertices streamed last: one call for all, none for none.
    const INT32 firsts[3] = { 0, 0, 1 }, counts[3] = { 3, 3, 2 };
    DrawPrimitivesMulti(PT_Triangles, firsts, counts, 2);
    DrawPrimitivesMulti(PT_Lines, firsts + 2, counts + 2, 1);
    DrawPrimitivesMulti(PT_Lines, firsts, counts, 0);

    const ZNRenderCounters d = ZNGetRenderCounters() - before;
    EXPECT_EQ(d.DrawCalls, 6u);
    EXPECT_EQ(d.Vertices, 4u + 3u + 6u + 18u + 6u + 2u);
    EXPECT_EQ(d.ProgramBinds, 0u);
    EXPECT_EQ(GL().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLRenderCounters, OnlyBindsThatReachGLAreCounted)
{
    ZNScratchDir dir(ZNScratchDir::DataPath);
    dir.Write("Shaders/Flat.shd", GFlatShader);
    ZNTestWindow w(32, 32);
    ASSERT_TRUE(w.Ok());
    ZNShaderPtr flat = GetShader(ZNString("Shaders/Flat.shd"), ZNString());
    ASSERT_TRUE(flat.Get() && flat->Shader->Program);

    ZNTextureHandle a, b;
    const float     pixel[4] = { 1.0f, 0.0f, 0.0f, 1.0f };   // one RGBA32F texel
    ASSERT_TRUE(CreateTexture(a, 1, 1, 1, 1, TEX_FORMAT_RGBA32F, pixel, TEX_NOSTREAM));
    ASSERT_TRUE(CreateTexture(b, 1, 1, 1, 1, TEX_FORMAT_RGBA32F, pixel, TEX_NOSTREAM));
    BindTexture(0, (const ZNTexture*)nullptr);
    UnbindTarget(0, GL_TEXTURE_2D);
    UnbindTarget(1, GL_TEXTURE_2D);

    const ZNRenderCounters before = ZNGetRenderCounters();
    UseShader(flat);
    UseShader(flat);   // already bound: no GL call
    BindTexture(0, a);
    BindTexture(0, a);   // cached
    BindTexture(1, a);   // another unit
    BindTexture(0, b);
    UseShader(ZNShaderPtr());   // unbinding is a bind of program 0
    const ZNRenderCounters d = ZNGetRenderCounters() - before;
    EXPECT_EQ(d.ProgramBinds, 2u);
    EXPECT_EQ(d.TextureBinds, 3u);
    EXPECT_EQ(d.DrawCalls, 0u);
}

TEST(GLRenderCounters, EachContextCountsItsOwnWork)
{
    ZNTestWindow first(32, 32);
    ASSERT_TRUE(first.Ok());
    const UINT64 firstBefore = ZNGetRenderCounters().DrawCalls;
    first.End();
    EXPECT_EQ(ZNGetRenderCounters().DrawCalls, 0u) << "no context, no counters";
    {
        ZNTestWindow second(32, 32);
        ASSERT_TRUE(second.Ok());
        const UINT64 secondBefore = ZNGetRenderCounters().DrawCalls;
        DrawUserVertices2D(GQuad, 4, PT_TriangleFan);
        DrawUserVertices2D(GQuad, 4, PT_TriangleFan);
        EXPECT_EQ(ZNGetRenderCounters().DrawCalls - secondBefore, 2u);
    }
    first.Begin();
    EXPECT_EQ(ZNGetRenderCounters().DrawCalls, firstBefore);
}
