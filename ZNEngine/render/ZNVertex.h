// ZNVertex: vertex layouts, vertex/index buffers and the draw calls.
//
//   SetVertexDecl(&VVDecl);                  // layout of the next draws
//   SetVertexStream(0, &buffer, 0);          // buffer feeding stream 0
//   DrawPrimitives(PT_Triangles, count);     // enables exactly the arrays asked for
//
// Guarantees: every GL call goes through the current context's table and every
// cached binding (buffers, declaration, enabled attribute arrays) lives in the
// current ZNContextState, so redundant binds and enable/disable calls are skipped
// per context. A deleted buffer is forgotten by every context's cache, so a GL name
// handed out again is always bound for real. GL storage of a ZNGpuBuffer only grows.
// Attribute locations are fixed engine-wide (ZNVertexAttrib), the same ones every
// shader program binds its inputs to.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

// Fixed attribute locations; shader inputs carry the same names.
enum ZNVertexAttrib : UINT32
{
    GLVertex       = 0,
    GLNormal       = 1,
    GLTangent      = 2,
    GLColor        = 3,
    GLBlendIndices = 4,
    GLBlendWeights = 5,
    GLTexCoord0    = 6,
    GLTexCoord1    = 7,
};
static const UINT32 ZN_VERTEX_ATTRIB_COUNT = 8;

// Component type of vertex elements and index buffers.
enum ZNVertexDataType : UINT32
{
    VDT_Byte   = 0,
    VDT_UByte  = 1,
    VDT_Short  = 2,
    VDT_UShort = 3,
    VDT_Int    = 4,
    VDT_UInt   = 5,
    VDT_Float  = 6,
};

// Primitive kinds. The numbering is the engine's own: line strip/loop and
// triangle fan/strip are in the opposite order from the GL mode constants.
enum ZNPrimitiveType : UINT32
{
    PT_Points        = 0,
    PT_Lines         = 1,
    PT_LineStrip     = 2,
    PT_LineLoop      = 3,
    PT_Triangles     = 4,
    PT_TriangleFan   = 5,
    PT_TriangleStrip = 6,
};

// Byte size of one component; 0 (and an assertion) for a value outside the table.
UINT32 GetVertexDataTypeSize(UINT32 type);
// GL type enum of a data type; GL_FLOAT (after the assertion) for a value outside the table.
UINT32 GetGLVertexDataType(UINT32 type);
// GL mode of a primitive type; GL_POINTS for a value outside the table.
UINT32 GetGLPrimitiveMode(UINT32 primitive);

// One entry of a declaration's element list; a count of 0 ends the list.
struct ZNVertexElement
{
    UINT32 Type;        // ZNVertexDataType
    UINT8  Count;       // components, 1..4; 0 terminates the list
    UINT8  Stream;      // vertex stream index
    UINT8  Attribute;   // attribute location 0..7
    UINT8  Offset;      // byte offset inside its stream's vertex (computed)
    UINT8  Stride;      // byte size of its stream's vertex (computed)
};

// A static vertex layout. Construction fills offsets and strides of the element
// list in place; all arithmetic is 8-bit, so one stream's vertex is at most 255
// bytes. Elements of one stream must be consecutive: a later run with the same
// stream number starts again at offset 0.
struct ZNVertexDecl
{
    ZNVertexElement* Elements;       // terminated list, not owned
    UINT8            ElementCount;   // elements before the terminator
    UINT8            VertexSize;     // sum of the strides of all runs
    const char*      Name;           // for diagnostics only

    // stride, when nonzero, is the byte size of every stream's vertex instead of
    // the sum of its elements: such a layout reads one vertex in every few of a
    // buffer laid out for another (the first corner of each four, say).
    ZNVertexDecl(ZNVertexElement* elements, const char* name, UINT8 stride = 0);
    // Leaves the registry (a declaration that is not global ends before the program).
    ~ZNVertexDecl();
    ZNVertexDecl(const ZNVertexDecl&)            = delete;
    ZNVertexDecl& operator=(const ZNVertexDecl&) = delete;
};

// A declaration by its name (all three below register before main), or null.
ZNVertexDecl* FindVertexDecl(const char* name);

// Voxel sprites: position, size, colour, corner/normal bytes (stride 24).
extern ZNVertexDecl VVDecl;
// Immediate 3D vertices: position, 3D texture coordinate, float colour (stride 40).
extern ZNVertexDecl STfCVtxDecl;
// Immediate 2D/UI vertices: position, texture coordinate, float colour (stride 32).
extern ZNVertexDecl SUIVtxDecl;

enum ZNGpuBufferType : UINT32
{
    VMBT_Vertex = 0,   // GL_ARRAY_BUFFER
    VMBT_Index  = 1,   // GL_ELEMENT_ARRAY_BUFFER
};

// A vertex or index buffer: a CPU byte array plus the GL buffer it is uploaded to.
// Create and destroy it with its context current.
class ZNGpuBuffer
{
public:
    UINT32            Name;           // GL buffer name
    UINT32            AllocSize;      // bytes of the last full GL (re)allocation
    UINT32            UploadedSize;   // bytes of the last Upload
    ZNPodArray<UINT8> Data;           // CPU copy, kept until Clear
    UINT32            Type;           // ZNGpuBufferType
    UINT32            Dynamic;        // nonzero: GL_DYNAMIC_DRAW, else GL_STATIC_DRAW

    ZNGpuBuffer(UINT32 type, UINT32 dynamic);
    ~ZNGpuBuffer();
    ZNGpuBuffer(const ZNGpuBuffer&)            = delete;
    ZNGpuBuffer& operator=(const ZNGpuBuffer&) = delete;

    // Appends size bytes and returns the byte offset where they start.
    UINT32 Append(const void* data, UINT32 size);
    // Copies the whole array to GL: in place when the storage is big enough,
    // otherwise a reallocation to exactly the array's size. An empty array is
    // refused by the array's bounds check and uploads nothing.
    void   Upload();
    // Frees the CPU array; the GL buffer keeps its contents.
    void   Clear();
};

// Buffer names and the per-context binding cache.
UINT32 CreateBuffer(bool index);
void   DeleteBuffer(UINT32 name, bool index);
void   BindBuffer(UINT32 name, bool index);

// Layout selection and streams.
void        SetVertexDecl(ZNVertexDecl* decl);
const char* GetVertexDeclName();
// With a buffer, offset is a byte offset into it (0, or a number cast to a
// pointer) and size is ignored. With null, offset points at size bytes of client
// vertices, copied through the context's scratch buffer (window contexts only).
void        SetVertexStream(UINT32 stream, ZNGpuBuffer* buffer, const void* offset, UINT32 size = 0);
void        SetIndexBuffer(ZNGpuBuffer* buffer);
// Enables/disables attribute arrays so GL matches what the declaration asked for.
void        ApplyAttribArrays();

// Draws; each applies the attribute arrays first. indexOffset is a byte offset
// into the bound index buffer.
void DrawPrimitives(UINT32 primitive, UINT32 vertexCount);
// Several ranges of the bound arrays in one GL call (glMultiDrawArrays), counted
// as one draw of all their vertices.
void DrawPrimitivesMulti(UINT32 primitive, const INT32* firsts, const INT32* counts, UINT32 drawCount);
void DrawIndexed(UINT32 primitive, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset);
void DrawIndexedRange(UINT32 primitive, UINT32 vertexCount, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset);
void DrawIndexedInstanced(UINT32 primitive, UINT32 indexCount, UINT32 indexType, UINT32 indexOffset,
                          UINT32 instanceCount);
// Client-memory vertices in the STfCVtxDecl (40 bytes) / SUIVtxDecl (32 bytes) layouts.
void DrawUserVertices3D(const void* vertices, UINT32 vertexCount, UINT32 primitive);
void DrawUserVertices2D(const void* vertices, UINT32 vertexCount, UINT32 primitive);
