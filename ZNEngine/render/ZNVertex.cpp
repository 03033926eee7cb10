#include "render/ZNVertex.h"

#include "render/ZNRenderCounters.h"
#include "render/ZNContextState.h"
#include "window/ZNGLTable.h"

#include <string.h>

// Reports a check whose text is not the literal condition of this code (the
// state fields live in sub-structs here, the texts name them as users know them).
#define ZN_REPORT(text) ZNAssertFailed(text, __FILE__, __LINE__)

// ---------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------

UINT32 GetVertexDataTypeSize(UINT32 type)
{
    switch (type)
    {
    case VDT_Byte:
    case VDT_UByte: return 1;
    case VDT_Short:
    case VDT_UShort: return 2;
    case VDT_Int:
    case VDT_UInt:
    case VDT_Float: return 4;
    default:
        BREAK_IF(
            "Cannot get vertex data type because it does not exist or it is not supported.. or you have invalid data there.");
        return 0;
    }
}

UINT32 GetGLVertexDataType(UINT32 type)
{
    switch (type)
    {
    case VDT_Byte: return GL_BYTE;
    case VDT_UByte: return GL_UNSIGNED_BYTE;
    case VDT_Short: return GL_SHORT;
    case VDT_UShort: return GL_UNSIGNED_SHORT;
    case VDT_Int: return GL_INT;
    case VDT_UInt: return GL_UNSIGNED_INT;
    case VDT_Float: return GL_FLOAT;
    default:
        BREAK_IF(
            "Cannot get vertex data type because it does not exist or it is not supported.. or you have invalid data there.");
        return GL_FLOAT;
    }
}

UINT32 GetGLPrimitiveMode(UINT32 primitive)
{
    static const UINT32 modes[] = { GL_POINTS,    GL_LINES,        GL_LINE_STRIP,    GL_LINE_LOOP,
                                    GL_TRIANGLES, GL_TRIANGLE_FAN, GL_TRIANGLE_STRIP };
    if (ZN_CHECK_FAILED(primitive > PT_TriangleStrip))
        return GL_POINTS;
    return modes[primitive];
}

static bool IsKnownDataType(UINT32 type)
{
    return type <= VDT_Float;
}

// ---------------------------------------------------------------------------
// Declarations
// ---------------------------------------------------------------------------

// Every declaration made, in construction order. A function-local static, so it
// exists before the first declaration registers itself whatever order the
// translation units are initialised in.
static ZNPodArray<ZNVertexDecl*>& VertexDeclRegistry()
{
    static ZNPodArray<ZNVertexDecl*> registry;
    return registry;
}

ZNVertexDecl* FindVertexDecl(const char* name)
{
    ZNPodArray<ZNVertexDecl*>& registry = VertexDeclRegistry();
    for (UINT32 i = 0; i < registry.Size(); ++i)
        if (name && registry[i]->Name && strcmp(registry[i]->Name, name) == 0)
            return registry[i];
    return nullptr;
}

static UINT8 ElementBytes(const ZNVertexElement& e)
{
    return static_cast<UINT8>(GetVertexDataTypeSize(e.Type) * e.Count);
}

// Writes the stride of the run ending at last into each element of the run.
static void CloseRun(ZNVertexDecl& decl, ZNVertexElement* last, UINT8 fixedStride)
{
    const UINT8 packed = static_cast<UINT8>(last->Offset + ElementBytes(*last));
    BREAK_IF(fixedStride && fixedStride < packed);
    const UINT8 stride = fixedStride ? fixedStride : packed;
    decl.VertexSize    = static_cast<UINT8>(decl.VertexSize + stride);
    for (ZNVertexElement* e = last; e >= decl.Elements && e->Stream == last->Stream; --e)
    {
        e->Stride = stride;
        if (e == decl.Elements)
            break;
    }
}

ZNVertexDecl::ZNVertexDecl(ZNVertexElement* elements, const char* name, UINT8 stride)
    : Elements(elements), ElementCount(0), VertexSize(0), Name(name)
{
    ZNVertexElement* prev   = nullptr;
    UINT8            stream = 255;
    for (ZNVertexElement* e = elements; e && e->Count != 0; ++e)
    {
        e->Offset = 0;
        // The first element always opens a run, even one on stream 255.
        if (!prev || e->Stream != stream)
        {
            if (prev)
                CloseRun(*this, prev, stride);
            stream = e->Stream;
        }
        else
            e->Offset = static_cast<UINT8>(prev->Offset + ElementBytes(*prev));
        prev = e;
        ++ElementCount;
    }
    if (prev)
        CloseRun(*this, prev, stride);
    VertexDeclRegistry().Add(this);
}

ZNVertexDecl::~ZNVertexDecl()
{
    ZNPodArray<ZNVertexDecl*>& registry = VertexDeclRegistry();
    for (UINT32 i = 0; i < registry.Size(); ++i)
        if (registry[i] == this)
        {
            registry.Remove(i, i);
            break;
        }
}

static ZNVertexElement GVVElements[] = {
    { VDT_Float, 3, 0, GLVertex, 0, 0 },
    { VDT_Float, 1, 0, GLTexCoord0, 0, 0 },
    { VDT_UByte, 4, 0, GLColor, 0, 0 },
    { VDT_Byte, 4, 0, GLTexCoord1, 0, 0 },
    { 0, 0, 0, 0, 0, 0 },
};
static ZNVertexElement GSTfCElements[] = {
    { VDT_Float, 3, 0, GLVertex, 0, 0 },
    { VDT_Float, 3, 0, GLTexCoord0, 0, 0 },
    { VDT_Float, 4, 0, GLColor, 0, 0 },
    { 0, 0, 0, 0, 0, 0 },
};
static ZNVertexElement GSUIElements[] = {
    { VDT_Float, 2, 0, GLVertex, 0, 0 },
    { VDT_Float, 2, 0, GLTexCoord0, 0, 0 },
    { VDT_Float, 4, 0, GLColor, 0, 0 },
    { 0, 0, 0, 0, 0, 0 },
};

ZNVertexDecl VVDecl(GVVElements, "VVDecl");
ZNVertexDecl STfCVtxDecl(GSTfCElements, "STfCVtxDecl");
ZNVertexDecl SUIVtxDecl(GSUIElements, "SUIVtxDecl");

// ---------------------------------------------------------------------------
// Bindings
// ---------------------------------------------------------------------------

static UINT32 BufferTarget(bool index)
{
    return index ? GL_ELEMENT_ARRAY_BUFFER : GL_ARRAY_BUFFER;
}

static UINT32& RecordedBinding(ZNContextState& cs, bool index)
{
    return index ? cs.Vertex.BoundIndexBuffer : cs.Vertex.BoundVertexBuffer;
}

UINT32 CreateBuffer(bool index)
{
    if (ZN_CHECK_FAILED(!TGCurContextState || !TGCurGLTable))
        return 0;
    GLuint name = 0;
    TGCurGLTable->GenBuffers(1, &name);
    TGCurGLTable->BindBuffer(BufferTarget(index), name);
    // Leave GL bound as the cache says, so the cache stays truthful.
    TGCurGLTable->BindBuffer(BufferTarget(index), RecordedBinding(*TGCurContextState, index));
    return name;
}

static void ForgetBinding(ZNContextState& cs, UINT32 name)
{
    if (cs.Vertex.BoundVertexBuffer == name)
        cs.Vertex.BoundVertexBuffer = 0;
    if (cs.Vertex.BoundIndexBuffer == name)
        cs.Vertex.BoundIndexBuffer = 0;
}

void DeleteBuffer(UINT32 name, bool index)
{
    (void)index;   // a name is forgotten in both caches: GL may reuse it for either target
    if (name == 0)
        return;
    ZNContextState* cur = TGCurContextState;
    if (cur)
    {
        // The current state is cleared even when it is not (or no longer) listed,
        // as while a context is being destroyed.
        ForgetBinding(*cur, name);
        if (cur->StateList)
            for (UINT32 i = 0; i < cur->StateList->Size(); ++i)
                ForgetBinding(*(*cur->StateList)[i], name);
    }
    if (ZN_CHECK_FAILED(!TGCurGLTable))
        return;
    GLuint glName = name;
    TGCurGLTable->DeleteBuffers(1, &glName);
}

void BindBuffer(UINT32 name, bool index)
{
    if (ZN_CHECK_FAILED(!TGCurContextState))
        return;
    UINT32& recorded = RecordedBinding(*TGCurContextState, index);
    if (recorded == name)
        return;
    TGCurGLTable->BindBuffer(BufferTarget(index), name);
    recorded = name;
}

// ---------------------------------------------------------------------------
// Buffers
// ---------------------------------------------------------------------------

ZNGpuBuffer::ZNGpuBuffer(UINT32 type, UINT32 dynamic)
    : Name(0), AllocSize(0), UploadedSize(0), Type(type), Dynamic(dynamic)
{
    Name = CreateBuffer(type == VMBT_Index);
}

ZNGpuBuffer::~ZNGpuBuffer()
{
    DeleteBuffer(Name, Type == VMBT_Index);
}

UINT32 ZNGpuBuffer::Append(const void* data, UINT32 size)
{
    const UINT32 at = Data.Size();
    if (size == 0)
        return at;
    Data.Reserve(at + size);
    Data.SetCount(at + size);
    memcpy(&Data[at], data, size);
    return at;
}

void ZNGpuBuffer::Upload()
{
    const UINT32 count = Data.Size();
    if (count == 0)
    {
        // The same report as the array's own bounds check of element 0.
        ZN_REPORT("at >= count");
        return;
    }
    const bool index = Type == VMBT_Index;
    BindBuffer(Name, index);
    if (AllocSize >= count)
        TGCurGLTable->BufferSubData(BufferTarget(index), 0, count, &Data[0]);
    else
    {
        TGCurGLTable->BufferData(BufferTarget(index), count, &Data[0], Dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        AllocSize = count;
    }
    UploadedSize = count;
}

void ZNGpuBuffer::Clear()
{
    Data.Clear();
}

// ---------------------------------------------------------------------------
// Declarations and streams
// ---------------------------------------------------------------------------

void SetVertexDecl(ZNVertexDecl* decl)
{
    if (ZN_CHECK_FAILED(!TGCurContextState))
        return;
    ZNVertexContextState& vs = TGCurContextState->Vertex;
    if (vs.CurVertexDecl == decl)
        return;
    vs.CurVertexDecl = decl;
    for (UINT32 i = 0; i < ZN_VERTEX_ATTRIB_COUNT; ++i)
        vs.Wanted[i] = 0;
}

const char* GetVertexDeclName()
{
    if (!TGCurContextState || !TGCurContextState->Vertex.CurVertexDecl)
        return "";
    return TGCurContextState->Vertex.CurVertexDecl->Name;
}

static ZNGpuBuffer* ScratchBuffer(ZNVertexContextState& vs)
{
    if (!vs.Scratch && !vs.IsMain)
        vs.Scratch = new ZNGpuBuffer(VMBT_Vertex, 1);
    return vs.Scratch;
}

void SetVertexStream(UINT32 stream, ZNGpuBuffer* buffer, const void* offset, UINT32 size)
{
    if (ZN_CHECK_FAILED(!TGCurContextState))
        return;
    ZNVertexContextState& vs = TGCurContextState->Vertex;
    if (!buffer)
    {
        ZNGpuBuffer* scratch = ScratchBuffer(vs);
        if (!scratch)
        {
            BREAK_IF("Client vertices need a window context: the main context has no scratch buffer");
            return;
        }
        scratch->Clear();
        scratch->Append(offset, size);
        if (size == 0)
            return;
        scratch->Upload();
        buffer = scratch;
        offset = nullptr;
    }

    vs.UsedVertexDecl = vs.CurVertexDecl;
    if (!vs.UsedVertexDecl)
    {
        ZN_REPORT("!TGCurContextState->UsedVertexDecl");
        return;
    }
    ZNGpuBuffer* buf = buffer;
    if (ZN_CHECK_FAILED(buf->Type != VMBT_Vertex))
        return;
    BindBuffer(buf->Name, false);

    const uintptr_t     base = reinterpret_cast<uintptr_t>(offset);
    const ZNVertexDecl& decl = *vs.UsedVertexDecl;
    for (UINT32 i = 0; i < decl.ElementCount; ++i)
    {
        const ZNVertexElement& e = decl.Elements[i];
        if (e.Stream != stream)
            continue;
        // An element of unknown type or location is reported and left disabled
        // rather than handed to GL with a guessed type.
        if (!IsKnownDataType(e.Type))
        {
            GetVertexDataTypeSize(e.Type);
            continue;
        }
        if (ZN_CHECK_FAILED(e.Attribute >= ZN_VERTEX_ATTRIB_COUNT))
            continue;
        const bool normalized = e.Attribute == GLColor && e.Type != VDT_Float;
        TGCurGLTable->VertexAttribPointer(e.Attribute, e.Count, GetGLVertexDataType(e.Type),
                                          normalized ? GL_TRUE : GL_FALSE, e.Stride,
                                          reinterpret_cast<const void*>(base + e.Offset));
        vs.Wanted[e.Attribute] = 1;
    }
}

void SetIndexBuffer(ZNGpuBuffer* buf)
{
    if (ZN_CHECK_FAILED(!buf))
        return;
    if (ZN_CHECK_FAILED(buf->Type != VMBT_Index))
        return;
    BindBuffer(buf->Name, true);
}

void ApplyAttribArrays()
{
    if (ZN_CHECK_FAILED(!TGCurContextState))
        return;
    ZNVertexContextState& vs = TGCurContextState->Vertex;
    for (UINT32 i = 0; i < ZN_VERTEX_ATTRIB_COUNT; ++i)
    {
        if (vs.Wanted[i] == vs.Enabled[i])
            continue;
        if (vs.Wanted[i])
            TGCurGLTable->EnableVertexAttribArray(i);
        else
            TGCurGLTable->DisableVertexAttribArray(i);
        vs.Enabled[i] = vs.Wanted[i];
    }
}

// ---------------------------------------------------------------------------
// Draws
// ---------------------------------------------------------------------------

static const void* ByteOffset(UINT32 offset)
{
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
}

void DrawPrimitives(UINT32 primitive, UINT32 vertexCount)
{
    ApplyAttribArrays();
    ZNCountDraw(vertexCount);
    TGCurGLTable->DrawArrays(GetGLPrimitiveMode(primitive), 0, static_cast<GLsizei>(vertexCount));
}

void DrawPrimitivesMulti(UINT32 primitive, const INT32* firsts, const INT32* counts, UINT32 drawCount)
{
    if (!drawCount)
        return;
    ApplyAttribArrays();
    UINT64 vertices = 0;
    for (UINT32 i = 0; i < drawCount; ++i)
        vertices += (UINT64)counts[i];
    ZNCountDraw(vertices);
    const GLenum mode = GetGLPrimitiveMode(primitive);
    if (TGCurGLTable->MultiDrawArrays)
        return TGCurGLTable->MultiDrawArrays(mode, firsts, counts, static_cast<GLsizei>(drawCount));
    // A table without the entry (WebGL2 has none): the same ranges one by one.
    for (UINT32 i = 0; i < drawCount; ++i)
        TGCurGLTable->DrawArrays(mode, firsts[i], static_cast<GLsizei>(counts[i]));
}

void DrawIndexed(UINT32 primitive, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset)
{
    if (!IsKnownDataType(indexType))
    {
        GetVertexDataTypeSize(indexType);
        return;
    }
    ApplyAttribArrays();
    ZNCountDraw(indexCount);
    TGCurGLTable->DrawElements(GetGLPrimitiveMode(primitive), static_cast<GLsizei>(indexCount),
                               GetGLVertexDataType(indexType), ByteOffset(indexOffset));
}

void DrawIndexedRange(UINT32 primitive, UINT32 vertexCount, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset)
{
    if (!IsKnownDataType(indexType))
    {
        GetVertexDataTypeSize(indexType);
        return;
    }
    ApplyAttribArrays();
    ZNCountDraw(indexCount);
    TGCurGLTable->DrawRangeElements(GetGLPrimitiveMode(primitive), 0, vertexCount - 1, static_cast<GLsizei>(indexCount),
                                    GetGLVertexDataType(indexType), ByteOffset(indexOffset));
}

void DrawIndexedInstanced(UINT32 primitive, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset,
                          UINT32 instanceCount)
{
    if (!IsKnownDataType(indexType))
    {
        GetVertexDataTypeSize(indexType);
        return;
    }
    ApplyAttribArrays();
    ZNCountDraw((UINT64)indexCount * instanceCount);
    TGCurGLTable->DrawElementsInstanced(GetGLPrimitiveMode(primitive), static_cast<GLsizei>(indexCount),
                                        GetGLVertexDataType(indexType), ByteOffset(indexOffset),
                                        static_cast<GLsizei>(instanceCount));
}

void DrawUserVertices3D(const void* vertices, UINT32 vertexCount, UINT32 primitive)
{
    SetVertexDecl(&STfCVtxDecl);
    SetVertexStream(0, nullptr, vertices, vertexCount * 40);
    DrawPrimitives(primitive, vertexCount);
}

void DrawUserVertices2D(const void* vertices, UINT32 vertexCount, UINT32 primitive)
{
    SetVertexDecl(&SUIVtxDecl);
    SetVertexStream(0, nullptr, vertices, vertexCount * 32);
    DrawPrimitives(primitive, vertexCount);
}

// ---------------------------------------------------------------------------
// Context state part
// ---------------------------------------------------------------------------

void ZNVertexContextState::Init(ZNContextState& cs, bool isMain)
{
    (void)cs;
    IsMain = isMain;
}

void ZNVertexContextState::Shutdown(ZNContextState& cs)
{
    if (Scratch)
    {
        const UINT32 name = Scratch->Name;
        delete Scratch;
        Scratch = nullptr;
        ForgetBinding(cs, name);
    }
    CurVertexDecl  = nullptr;
    UsedVertexDecl = nullptr;
}
