// Vertex declarations: offsets, strides and sizes computed at construction. Pure.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "render/ZNVertex.h"
#include "window/ZNGLTable.h"

#include <gtest/gtest.h>

static void ExpectLayout(const ZNVertexDecl& decl, std::vector<int> offsets, std::vector<int> strides, int size)
{
    ASSERT_EQ(decl.ElementCount, offsets.size()) << decl.Name;
    for (size_t i = 0; i < offsets.size(); ++i)
    {
        EXPECT_EQ(decl.Elements[i].Offset, offsets[i]) << decl.Name << " element " << i;
        EXPECT_EQ(decl.Elements[i].Stride, strides[i]) << decl.Name << " element " << i;
    }
    EXPECT_EQ(decl.VertexSize, size) << decl.Name;
}

TEST(VertexDecl, EngineDeclarationsAreRegisteredWithTheirLayoutsBeforeMain)
{
    EXPECT_EQ(FindVertexDecl("VVDecl"), &VVDecl);
    EXPECT_EQ(FindVertexDecl("STfCVtxDecl"), &STfCVtxDecl);
    EXPECT_EQ(FindVertexDecl("SUIVtxDecl"), &SUIVtxDecl);
    ExpectLayout(VVDecl, { 0, 12, 16, 20 }, { 24, 24, 24, 24 }, 24);
    EXPECT_EQ(VVDecl.Elements[3].Attribute, GLTexCoord1);
    ExpectLayout(STfCVtxDecl, { 0, 12, 24 }, { 40, 40, 40 }, 40);
    ExpectLayout(SUIVtxDecl, { 0, 8, 16 }, { 32, 32, 32 }, 32);
}

TEST(VertexDecl, EachStreamRunGetsItsOwnOffsetsAndStride)
{
    ZNVertexElement two[] = {
        { VDT_Float, 3, 0, GLVertex, 0, 0 },
        { VDT_UByte, 4, 0, GLColor, 0, 0 },
        { VDT_Float, 2, 1, GLTexCoord0, 0, 0 },
        { VDT_Short, 2, 1, GLTexCoord1, 0, 0 },
        { 0, 0, 0, 0, 0, 0 },
    };
    ExpectLayout(ZNVertexDecl(two, "TwoStreams"), { 0, 12, 0, 8 }, { 16, 16, 12, 12 }, 28);

    // Stream 255 first (the "no run yet" marker must not swallow it); a stream
    // that comes back starts a new run at offset 0.
    ZNVertexElement runs[] = {
        { VDT_Float, 1, 255, GLVertex, 0, 0 },
        { VDT_Float, 1, 255, GLNormal, 0, 0 },
        { VDT_Byte, 2, 3, GLColor, 0, 0 },
        { VDT_Float, 4, 255, GLTexCoord0, 0, 0 },
        { 0, 0, 0, 0, 0, 0 },
    };
    ExpectLayout(ZNVertexDecl(runs, "Runs"), { 0, 4, 0, 0 }, { 8, 8, 2, 16 }, 26);
}

TEST(VertexDecl, TypesAndPrimitivesMapToGL)
{
    ZNDialogRecorder dialogs;
    EXPECT_EQ(GetVertexDataTypeSize(VDT_UShort), 2u);
    EXPECT_EQ(GetVertexDataTypeSize(9), 0u);
    EXPECT_EQ(dialogs.Count("Cannot get vertex data type because it does not exist"), 1u);
    // Strip/loop and fan/strip are swapped relative to the GL constants.
    EXPECT_EQ(GetGLPrimitiveMode(PT_LineStrip), static_cast<UINT32>(GL_LINE_STRIP));
    EXPECT_EQ(GetGLPrimitiveMode(PT_LineLoop), static_cast<UINT32>(GL_LINE_LOOP));
    EXPECT_EQ(GetGLPrimitiveMode(PT_TriangleFan), static_cast<UINT32>(GL_TRIANGLE_FAN));
    EXPECT_EQ(GetGLPrimitiveMode(PT_TriangleStrip), static_cast<UINT32>(GL_TRIANGLE_STRIP));
}
