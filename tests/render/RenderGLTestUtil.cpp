#include "RenderGLTestUtil.h"

#include <stdint.h>

GladGLContext& GL()
{
    return *TGCurGLTable;
}

ZNContextState& CS()
{
    return *TGCurContextState;
}

ZNPlatform& ZNTestPlatform()
{
    static ZNPlatform* platform = new ZNPlatform;   // lives to the end of the program
    return *platform;
}

ZNTestWindow::ZNTestWindow(UINT32 width, UINT32 height) : Window(&ZNTestPlatform())
{
    const ZNWindowParams params = { width, height, 0, 0, 0, 0, ZNWS_Hidden, 0 };
    Opened = Window.Open(ZNString("zn render test"), params);
    Begin();
}

ZNTestWindow::~ZNTestWindow()
{
    End();
    if (Opened)
        Window.Close();
}

void ZNTestWindow::Begin()
{
    if (!Current && Opened)
        Current = Window.Handle()->Begin();
}

void ZNTestWindow::End()
{
    if (Current)
        Window.Handle()->End();
    Current = false;
}

static std::vector<std::string> GCalls;
static GladGLContext GReal;

static void Rec(const char* name, std::initializer_list<long long> args)
{
    std::string line = name;
    for (long long a : args)
        line += " " + std::to_string(a);
    GCalls.push_back(line);
}

template <class... A>
static void RecArgs(const char* name, A... args)
{
    Rec(name, { (long long)(intptr_t)args... });
}

// A recorder for entry Name: logs the RECORDED arguments (numbers or pointers),
// then calls GL with all of them.
#define ZN_UNPACK(...) __VA_ARGS__
#define ZN_REC_SOME(Name, PARAMS, ARGS, RECORDED)   \
    static void GLAD_API_PTR Rec##Name PARAMS       \
    {                                               \
        RecArgs(#Name, ZN_UNPACK RECORDED);         \
        GReal.Name ARGS;                            \
    }
#define ZN_REC(Name, PARAMS, ARGS) ZN_REC_SOME(Name, PARAMS, ARGS, ARGS)

ZN_REC(Enable, (GLenum a), (a))
ZN_REC(Disable, (GLenum a), (a))
ZN_REC(BlendEquation, (GLenum a), (a))
ZN_REC(BlendFuncSeparate, (GLenum a, GLenum b, GLenum c, GLenum d), (a, b, c, d))
ZN_REC(CullFace, (GLenum a), (a))
ZN_REC(PolygonMode, (GLenum a, GLenum b), (a, b))
ZN_REC(DepthFunc, (GLenum a), (a))
ZN_REC(DepthMask, (GLboolean a), (a))
ZN_REC(StencilFunc, (GLenum a, GLint b, GLuint c), (a, b, c))
ZN_REC(StencilMask, (GLuint a), (a))
ZN_REC(StencilOp, (GLenum a, GLenum b, GLenum c), (a, b, c))
ZN_REC(PolygonOffset, (GLfloat a, GLfloat b), (a, b))
ZN_REC(BindBuffer, (GLenum a, GLuint b), (a, b))
ZN_REC_SOME(BufferSubData, (GLenum a, GLintptr b, GLsizeiptr c, const void* d), (a, b, c, d), (a, b, c))
ZN_REC_SOME(BufferData, (GLenum a, GLsizeiptr b, const void* c, GLenum d), (a, b, c, d), (a, b, d))
ZN_REC(EnableVertexAttribArray, (GLuint a), (a))
ZN_REC(DisableVertexAttribArray, (GLuint a), (a))
ZN_REC(VertexAttribPointer, (GLuint a, GLint b, GLenum c, GLboolean d, GLsizei e, const void* f), (a, b, c, d, e, f))
ZN_REC(DrawArrays, (GLenum a, GLint b, GLsizei c), (a, b, c))
ZN_REC(DrawRangeElements, (GLenum a, GLuint b, GLuint c, GLsizei d, GLenum e, const void* f), (a, b, c, d, e, f))
ZN_REC(BindFramebuffer, (GLenum a, GLuint b), (a, b))
ZN_REC(Viewport, (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d))
ZN_REC(DrawBuffer, (GLenum a), (a))
ZN_REC(ReadBuffer, (GLenum a), (a))
ZN_REC(Scissor, (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d))
ZN_REC(UseProgram, (GLuint a), (a))
ZN_REC(Clear, (GLbitfield a), (a))
ZN_REC_SOME(UniformMatrix4fv, (GLint a, GLsizei b, GLboolean c, const GLfloat* d), (a, b, c, d), (a, b, c))

// The list itself is what matters here, so its entries are written out.
static void GLAD_API_PTR RecDrawBuffers(GLsizei n, const GLenum* bufs)
{
    std::string line = "DrawBuffers " + std::to_string(n);
    for (GLsizei i = 0; i < n; ++i)
        line += " " + std::to_string(bufs[i]);
    GCalls.push_back(line);
    GReal.DrawBuffers(n, bufs);
}

ZNRecordingTable::ZNRecordingTable() : Calls(GCalls), Saved(TGCurGLTable)
{
    GCalls.clear();
    GReal = *Saved;
    Table = *Saved;
#define ZN_USE(Name) Table.Name = Rec##Name
    ZN_USE(Enable); ZN_USE(Disable); ZN_USE(BlendEquation); ZN_USE(BlendFuncSeparate); ZN_USE(CullFace);
    ZN_USE(PolygonMode); ZN_USE(DepthFunc); ZN_USE(DepthMask); ZN_USE(StencilFunc); ZN_USE(StencilMask);
    ZN_USE(StencilOp); ZN_USE(PolygonOffset); ZN_USE(BindBuffer); ZN_USE(BufferData); ZN_USE(BufferSubData);
    ZN_USE(EnableVertexAttribArray); ZN_USE(DisableVertexAttribArray); ZN_USE(VertexAttribPointer);
    ZN_USE(DrawArrays); ZN_USE(DrawRangeElements); ZN_USE(BindFramebuffer); ZN_USE(Viewport);
    ZN_USE(DrawBuffer); ZN_USE(DrawBuffers); ZN_USE(ReadBuffer); ZN_USE(Scissor); ZN_USE(UseProgram);
    ZN_USE(Clear); ZN_USE(UniformMatrix4fv);
#undef ZN_USE
    TGCurGLTable = &Table;
}

ZNRecordingTable::~ZNRecordingTable()
{
    TGCurGLTable = Saved;
}

int ZNRecordingTable::Count(const std::string& line) const
{
    int n = 0;
    for (const std::string& c : Calls)
        n += c == line || c.compare(0, line.size() + 1, line + " ") == 0;
    return n;
}

std::vector<std::string> ZNRecordingTable::Only(const std::string& name) const
{
    std::vector<std::string> out;
    for (const std::string& c : Calls)
        if (c == name || c.compare(0, name.size() + 1, name + " ") == 0)
            out.push_back(c);
    return out;
}
