// Vertex buffers, streams and draws on a real 3.3 core context.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"

#include "render/ZNVertex.h"

#include <gtest/gtest.h>

typedef std::vector<std::string> Calls;

static void Fill(ZNGpuBuffer& buffer, UINT32 n, UINT8 start = 0)
{
    std::vector<UINT8> bytes(n);
    for (UINT32 i = 0; i < n; ++i)
        bytes[i] = static_cast<UINT8>(start + i);
    buffer.Append(bytes.data(), n);
}

static ZNVertexElement GPositionOnly[] = { { VDT_Float, 3, 0, GLVertex, 0, 0 }, { 0, 0, 0, 0, 0, 0 } };
static ZNVertexDecl    GPositionDecl(GPositionOnly, "PositionOnly");

TEST(GLVertex, AttributeArraysFollowTheDeclarationAcrossChanges)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNGpuBuffer vb(VMBT_Vertex, 0);
    Fill(vb, 96);
    vb.Upload();
    ZNRecordingTable rec;
    SetVertexDecl(&SUIVtxDecl);
    SetVertexStream(0, &vb, 0);
    DrawPrimitives(PT_Triangles, 3);
    EXPECT_EQ(rec.Only("EnableVertexAttribArray"),
              (Calls{ "EnableVertexAttribArray 0", "EnableVertexAttribArray 3", "EnableVertexAttribArray 6" }));

    rec.Clear();   // the same declaration again keeps the wanted flags
    SetVertexDecl(&SUIVtxDecl);
    DrawPrimitives(PT_Triangles, 3);
    EXPECT_EQ(rec.Calls, (Calls{ "DrawArrays GL_TRIANGLES 0 3" }));

    rec.Clear();   // another one: what no stream asked for is disabled at the draw
    SetVertexDecl(&GPositionDecl);
    SetVertexStream(0, &vb, 0);
    DrawPrimitives(PT_TriangleFan, 4);
    EXPECT_EQ(rec.Only("DisableVertexAttribArray"),
              (Calls{ "DisableVertexAttribArray 3", "DisableVertexAttribArray 6" }));
    EXPECT_EQ(rec.Count("EnableVertexAttribArray"), 0);
    EXPECT_EQ(rec.Count("DrawArrays GL_TRIANGLE_FAN 0 4"), 1);   // the engine's fan (5) is GL's 6

    SetVertexDecl(&SUIVtxDecl);   // a change without any stream leaves nothing enabled
    DrawPrimitives(PT_Points, 1);
    GLint enabled = 1;
    GL().GetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(w.State().Vertex.Enabled[0], 0u);
}

TEST(GLVertex, StreamPointersCarryOffsetsAndNormalizeOnlyIntegerColours)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNGpuBuffer vb(VMBT_Vertex, 0);
    Fill(vb, 240);
    vb.Upload();
    ZNDialogRecorder dialogs;
    ZNRecordingTable rec;
    SetVertexStream(0, &vb, 0);   // no declaration yet: refused
    EXPECT_EQ(dialogs.Asserts("!TGCurContextState->UsedVertexDecl"), 1u);
    EXPECT_TRUE(rec.Calls.empty());

    SetVertexDecl(&VVDecl);
    SetVertexStream(0, &vb, reinterpret_cast<const void*>(48));
    EXPECT_EQ(rec.Only("VertexAttribPointer"),
              (Calls{
                  "VertexAttribPointer 0 3 GL_FLOAT GL_FALSE 24 48",          // float position
                  "VertexAttribPointer 6 1 GL_FLOAT GL_FALSE 24 60",          // float size
                  "VertexAttribPointer 3 4 GL_UNSIGNED_BYTE GL_TRUE 24 64",   // ubyte colour: 0..1
                  "VertexAttribPointer 7 4 GL_BYTE GL_FALSE 24 68",           // signed bytes: as is
              }));
    rec.Clear();
    SetVertexDecl(&STfCVtxDecl);
    SetVertexStream(0, &vb, 0);
    EXPECT_EQ(rec.Count("VertexAttribPointer 3 4 GL_FLOAT GL_FALSE 40 24"), 1);   // float colour: not normalized
}

TEST(GLVertex, UploadUpdatesInPlaceUntilTheBufferMustGrow)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNGpuBuffer      vb(VMBT_Vertex, 0);
    ZNRecordingTable rec;
    Fill(vb, 160);
    vb.Upload();
    EXPECT_EQ(rec.Count("BufferData GL_ARRAY_BUFFER 160 GL_STATIC_DRAW"), 1);   // GL_STATIC_DRAW
    vb.Clear();
    Fill(vb, 100, 7);
    rec.Clear();
    vb.Upload();
    EXPECT_EQ(rec.Calls, (Calls{ "BufferSubData GL_ARRAY_BUFFER 0 100" }));
    EXPECT_EQ(vb.AllocSize, 160u);
    EXPECT_EQ(vb.UploadedSize, 100u);
    UINT8 back[100] = {};
    GL().GetBufferSubData(GL_ARRAY_BUFFER, 0, 100, back);
    EXPECT_EQ(back[99], 106);

    vb.Clear();
    Fill(vb, 198);
    EXPECT_EQ(vb.Append("ab", 2), 198u);   // where the appended bytes start
    rec.Clear();
    vb.Upload();
    EXPECT_EQ(rec.Calls, (Calls{ "BufferData GL_ARRAY_BUFFER 200 GL_STATIC_DRAW" }));
    EXPECT_EQ(vb.AllocSize, 200u);

    ZNDialogRecorder dialogs;   // an empty array uploads nothing
    vb.Clear();
    rec.Clear();
    vb.Upload();
    EXPECT_EQ(dialogs.Asserts("at >= count"), 1u);
    EXPECT_TRUE(rec.Calls.empty());

    ZNGpuBuffer dyn(VMBT_Index, 1);
    Fill(dyn, 12);
    dyn.Upload();
    EXPECT_EQ(rec.Count("BufferData GL_ELEMENT_ARRAY_BUFFER 12 GL_DYNAMIC_DRAW"), 1);
}

TEST(GLVertex, DeletedBuffersAreForgottenInEveryContext)
{
    ZNTestWindow a;
    ASSERT_TRUE(a.Ok());
    const UINT32 name = CreateBuffer(false);
    {
        ZNRecordingTable rec;
        BindBuffer(name, false);
        BindBuffer(name, false);
        BindBuffer(name, true);
        EXPECT_EQ(rec.Calls, (Calls{ "BindBuffer GL_ARRAY_BUFFER " + std::to_string(name),
                                     "BindBuffer GL_ELEMENT_ARRAY_BUFFER " + std::to_string(name) }));
    }
    a.End();
    ZNTestWindow b;
    ASSERT_TRUE(b.Ok());
    BindBuffer(name, false);
    b.End();

    a.Begin();
    DeleteBuffer(name, false);
    EXPECT_EQ(a.State().Vertex.BoundVertexBuffer, 0u);
    EXPECT_EQ(a.State().Vertex.BoundIndexBuffer, 0u);
    EXPECT_EQ(b.State().Vertex.BoundVertexBuffer, 0u);
    GLuint again = 0;   // GL may hand the same name out again: it must really be bound
    GL().GenBuffers(1, &again);
    ZNRecordingTable rec;
    BindBuffer(again, false);
    EXPECT_EQ(rec.Calls, (Calls{ "BindBuffer GL_ARRAY_BUFFER " + std::to_string(again) }));
    DeleteBuffer(again, false);
}

TEST(GLVertex, IndexedDrawsPassRangeTypeAndOffset)
{
    ZNTestWindow w;
    ASSERT_TRUE(w.Ok());
    ZNGpuBuffer vb(VMBT_Vertex, 0), ib(VMBT_Index, 0);
    Fill(vb, 6 * 12);
    vb.Upload();
    const UINT16 indices[] = { 0, 1, 2, 3, 4, 5, 0, 2, 4 };
    ib.Append(indices, sizeof(indices));
    ib.Upload();
    ZNDialogRecorder dialogs;
    SetIndexBuffer(&vb);
    EXPECT_EQ(dialogs.Asserts("buf->Type != VMBT_Index"), 1u);
    SetVertexDecl(&GPositionDecl);
    SetVertexStream(0, &ib, 0);
    EXPECT_EQ(dialogs.Asserts("buf->Type != VMBT_Vertex"), 1u);

    SetVertexStream(0, &vb, 0);
    SetIndexBuffer(&ib);
    ZNRecordingTable rec;
    DrawIndexedRange(PT_Triangles, 6, 6, VDT_UShort, 6);
    EXPECT_EQ(rec.Count("DrawRangeElements GL_TRIANGLES 0 5 6 GL_UNSIGNED_SHORT 6"), 1);
    DrawIndexed(PT_Triangles, 3, 42, 0);   // unknown index type: reported, not drawn
    EXPECT_EQ(dialogs.Count("Cannot get vertex data type"), 1u);
    EXPECT_EQ(GL().GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(GLVertex, ClientVerticesGoThroughOneScratchBufferPerWindowContext)
{
    {
        ZNTestWindow w;
        ASSERT_TRUE(w.Ok());
        float            vertices[10 * 10] = {};
        ZNRecordingTable rec;
        DrawUserVertices2D(vertices, 4, PT_TriangleFan);
        EXPECT_EQ(rec.Count("BufferData GL_ARRAY_BUFFER 128 GL_DYNAMIC_DRAW"), 1);
        EXPECT_EQ(rec.Count("DrawArrays GL_TRIANGLE_FAN 0 4"), 1);
        rec.Clear();
        DrawUserVertices2D(vertices, 3, PT_Triangles);   // smaller: written in place
        EXPECT_EQ(rec.Only("BufferSubData"), (Calls{ "BufferSubData GL_ARRAY_BUFFER 0 96" }));
        DrawUserVertices3D(vertices, 10, PT_LineStrip);   // larger: reallocated
        EXPECT_EQ(rec.Count("BufferData GL_ARRAY_BUFFER 400 GL_DYNAMIC_DRAW"), 1);
        EXPECT_EQ(rec.Count("DrawArrays GL_LINE_STRIP 0 10"), 1);
        EXPECT_STREQ(GetVertexDeclName(), "STfCVtxDecl");
    }
    ZNPlatform& platform = ZNTestPlatform();   // the main context has none
    ASSERT_TRUE(platform.Begin());
    ZNDialogRecorder dialogs;
    float            quad[4 * 8] = {};
    DrawUserVertices2D(quad, 4, PT_TriangleFan);
    EXPECT_EQ(dialogs.Count("Client vertices need a window context"), 1u);
    EXPECT_EQ(CS().Vertex.Scratch, nullptr);
    platform.End();
}
