#include "ZNTestGL.h"

#include "files/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

GladGLContext& GL()
{
    return *TGCurGLTable;
}

GladGLContext* ZNSwapGLTable(GladGLContext* table)
{
    GladGLContext* old = TGCurGLTable;
    TGCurGLTable       = table;
    return old;
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
    Opened                      = Window.Open(ZNString("zn test"), params);
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

ZNAppWindow* ZNAppWindowTest::Window = nullptr;
UINT32       ZNAppWindowTest::Height = 0;

void ZNAppWindowTest::OpenWindow(const char* title, UINT32 width, UINT32 height)
{
    if (!getenv("DISPLAY"))
        return;
    static char  arg0[] = "zn_test";
    static char* argv[] = { arg0, nullptr };
    ZNEngineInit(1, argv);
    snprintf(GDataPath, ZN_DATA_PATH_SIZE, "%s/", ZN_TEST_DATA_DIR);
    Window                      = ZNCreateAppWindow();
    const ZNWindowParams params = { width, height, 0, 0, 0, 0, ZNWS_Hidden, 0 };
    if (!Window->Open(ZNString(title), params))
    {
        ZNDestroyAppWindow(Window);
        Window = nullptr;
        ZNEngineShutdown();
        return;
    }
    Window->MakeCurrent();
    Height = height;
}

void ZNAppWindowTest::CloseWindow()
{
    if (!Window)
        return;
    Window->Release();
    ZNDestroyAppWindow(Window);
    Window = nullptr;
    ZNEngineShutdown();
    GDataPath[0] = 0;
}

void ZNAppWindowTest::SetUp()
{
    ASSERT_NE(Window, nullptr) << "no application window: GL tests need a display (scripts/with-display.sh)";
}

void ZNAppWindowTest::TearDown()
{
    for (const ZNDialogRecord& box : Dialogs.Boxes())
        ADD_FAILURE() << "unexpected dialog [" << box.Caption << "] " << box.Text;
}

ZNPixel ZNAppWindowTest::PixelAt(UINT32 x, UINT32 y)
{
    UINT8 p[4] = { 0, 0, 0, 0 };
    GL().Finish();
    GL().ReadPixels((GLint)x, (GLint)(Height - 1 - y), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return ZNPixel{ p[0], p[1], p[2], p[3] };
}

int TexLevelParam(UINT32 target, int level, UINT32 pname)
{
    GLint value = -1;
    GL().GetTexLevelParameteriv(target, level, pname, &value);
    return value;
}

int TexParam(UINT32 target, UINT32 pname)
{
    GLint value = -1;
    GL().GetTexParameteriv(target, pname, &value);
    return value;
}

// ---------------------------------------------------------------------------
// The recording table

namespace
{

std::vector<std::string> GCalls;
GladGLContext            GReal;

struct GLName
{
    long long   Value;
    const char* Name;
};
#define ZN_NAME(e) \
    {              \
        e, #e      \
    }

// One list per kind of argument: the same number means different things
// (1 is GL_ONE, GL_LINES and GL_TRUE).
const GLName kEnums[] = {
    ZN_NAME(GL_DEPTH_TEST),
    ZN_NAME(GL_CULL_FACE),
    ZN_NAME(GL_BLEND),
    ZN_NAME(GL_STENCIL_TEST),
    ZN_NAME(GL_SCISSOR_TEST),
    ZN_NAME(GL_POLYGON_OFFSET_FILL),
    ZN_NAME(GL_POLYGON_OFFSET_LINE),
    ZN_NAME(GL_POLYGON_OFFSET_POINT),
    ZN_NAME(GL_PROGRAM_POINT_SIZE),
    ZN_NAME(GL_FRAMEBUFFER_SRGB),
    ZN_NAME(GL_MULTISAMPLE),
    ZN_NAME(GL_DEPTH_CLAMP),
    ZN_NAME(GL_LINE_SMOOTH),
    ZN_NAME(GL_NEVER),
    ZN_NAME(GL_LESS),
    ZN_NAME(GL_EQUAL),
    ZN_NAME(GL_LEQUAL),
    ZN_NAME(GL_GREATER),
    ZN_NAME(GL_NOTEQUAL),
    ZN_NAME(GL_GEQUAL),
    ZN_NAME(GL_ALWAYS),
    ZN_NAME(GL_FUNC_ADD),
    ZN_NAME(GL_MIN),
    ZN_NAME(GL_MAX),
    ZN_NAME(GL_FUNC_SUBTRACT),
    ZN_NAME(GL_FUNC_REVERSE_SUBTRACT),
    ZN_NAME(GL_FRONT),
    ZN_NAME(GL_BACK),
    ZN_NAME(GL_FRONT_AND_BACK),
    ZN_NAME(GL_POINT),
    ZN_NAME(GL_LINE),
    ZN_NAME(GL_FILL),
    ZN_NAME(GL_ARRAY_BUFFER),
    ZN_NAME(GL_ELEMENT_ARRAY_BUFFER),
    ZN_NAME(GL_UNIFORM_BUFFER),
    ZN_NAME(GL_PIXEL_PACK_BUFFER),
    ZN_NAME(GL_PIXEL_UNPACK_BUFFER),
    ZN_NAME(GL_STREAM_DRAW),
    ZN_NAME(GL_STATIC_DRAW),
    ZN_NAME(GL_DYNAMIC_DRAW),
    ZN_NAME(GL_BYTE),
    ZN_NAME(GL_UNSIGNED_BYTE),
    ZN_NAME(GL_SHORT),
    ZN_NAME(GL_UNSIGNED_SHORT),
    ZN_NAME(GL_INT),
    ZN_NAME(GL_UNSIGNED_INT),
    ZN_NAME(GL_FLOAT),
    ZN_NAME(GL_HALF_FLOAT),
    ZN_NAME(GL_FRAMEBUFFER),
    ZN_NAME(GL_READ_FRAMEBUFFER),
    ZN_NAME(GL_DRAW_FRAMEBUFFER),
    ZN_NAME(GL_TEXTURE_2D),
    ZN_NAME(GL_TEXTURE_3D),
    ZN_NAME(GL_TEXTURE_CUBE_MAP),
    ZN_NAME(GL_TEXTURE_2D_ARRAY),
};
const GLName kBlendFactors[] = {
    ZN_NAME(GL_ZERO),
    ZN_NAME(GL_ONE),
    ZN_NAME(GL_SRC_COLOR),
    ZN_NAME(GL_ONE_MINUS_SRC_COLOR),
    ZN_NAME(GL_SRC_ALPHA),
    ZN_NAME(GL_ONE_MINUS_SRC_ALPHA),
    ZN_NAME(GL_DST_ALPHA),
    ZN_NAME(GL_ONE_MINUS_DST_ALPHA),
    ZN_NAME(GL_DST_COLOR),
    ZN_NAME(GL_ONE_MINUS_DST_COLOR),
    ZN_NAME(GL_SRC_ALPHA_SATURATE),
    ZN_NAME(GL_CONSTANT_COLOR),
    ZN_NAME(GL_ONE_MINUS_CONSTANT_COLOR),
    ZN_NAME(GL_CONSTANT_ALPHA),
    ZN_NAME(GL_ONE_MINUS_CONSTANT_ALPHA),
};
const GLName kStencilOps[] = {
    ZN_NAME(GL_ZERO), ZN_NAME(GL_KEEP),   ZN_NAME(GL_REPLACE),   ZN_NAME(GL_INCR),
    ZN_NAME(GL_DECR), ZN_NAME(GL_INVERT), ZN_NAME(GL_INCR_WRAP), ZN_NAME(GL_DECR_WRAP),
};
const GLName kModes[] = {
    ZN_NAME(GL_POINTS),    ZN_NAME(GL_LINES),          ZN_NAME(GL_LINE_LOOP),    ZN_NAME(GL_LINE_STRIP),
    ZN_NAME(GL_TRIANGLES), ZN_NAME(GL_TRIANGLE_STRIP), ZN_NAME(GL_TRIANGLE_FAN),
};
const GLName kBuffers[] = {
    ZN_NAME(GL_NONE),
    ZN_NAME(GL_FRONT_LEFT),
    ZN_NAME(GL_BACK_LEFT),
    ZN_NAME(GL_FRONT),
    ZN_NAME(GL_BACK),
    ZN_NAME(GL_COLOR_ATTACHMENT0),
    ZN_NAME(GL_COLOR_ATTACHMENT1),
    ZN_NAME(GL_COLOR_ATTACHMENT2),
    ZN_NAME(GL_COLOR_ATTACHMENT3),
    ZN_NAME(GL_COLOR_ATTACHMENT4),
    ZN_NAME(GL_COLOR_ATTACHMENT5),
    ZN_NAME(GL_COLOR_ATTACHMENT6),
    ZN_NAME(GL_COLOR_ATTACHMENT7),
};
const GLName kBooleans[]  = { ZN_NAME(GL_FALSE), ZN_NAME(GL_TRUE) };
const GLName kClearBits[] = { ZN_NAME(GL_COLOR_BUFFER_BIT), ZN_NAME(GL_DEPTH_BUFFER_BIT),
                              ZN_NAME(GL_STENCIL_BUFFER_BIT) };
#undef ZN_NAME

template <size_t N>
std::string NameIn(const GLName (&names)[N], long long value)
{
    for (const GLName& n : names)
        if (n.Value == value)
            return n.Name;
    char hex[32];
    snprintf(hex, sizeof(hex), "0x%llx", value);
    return hex;
}

// How one argument is written: a number, or a name from the list of its kind.
std::string Word(char kind, long long value)
{
    switch (kind)
    {
    case 'e': return NameIn(kEnums, value);
    case 'f': return NameIn(kBlendFactors, value);
    case 's': return NameIn(kStencilOps, value);
    case 'm': return NameIn(kModes, value);
    case 'b': return NameIn(kBuffers, value);
    case 'o': return NameIn(kBooleans, value);
    case 't': return "GL_TEXTURE" + std::to_string(value - GL_TEXTURE0);
    case 'c':
    {
        std::string bits;
        for (const GLName& n : kClearBits)
            if (value & n.Value)
                bits += (bits.empty() ? "" : "|") + std::string(n.Name);
        return bits.empty() ? "0" : bits;
    }
    default: return std::to_string(value);
    }
}

void Rec(const char* name, const char* kinds, std::initializer_list<long long> args)
{
    std::string line = name;
    for (long long a : args)
        line += " " + Word(*kinds ? *kinds++ : 'n', a);
    GCalls.push_back(line);
}

template <class... A>
void RecArgs(const char* name, const char* kinds, A... args)
{
    Rec(name, kinds, { (long long)(intptr_t)args... });
}

}   // namespace

// A recorder for entry Name: logs the RECORDED arguments as KINDS says (see
// Word), then calls GL with all of them.
#define ZN_UNPACK(...) __VA_ARGS__
#define ZN_REC_SOME(Name, KINDS, PARAMS, ARGS, RECORDED) \
    static void GLAD_API_PTR Rec##Name PARAMS            \
    {                                                    \
        RecArgs(#Name, KINDS, ZN_UNPACK RECORDED);       \
        GReal.Name ARGS;                                 \
    }
#define ZN_REC(Name, KINDS, PARAMS, ARGS) ZN_REC_SOME(Name, KINDS, PARAMS, ARGS, ARGS)

ZN_REC(Enable, "e", (GLenum a), (a))
ZN_REC(Disable, "e", (GLenum a), (a))
ZN_REC(BlendEquation, "e", (GLenum a), (a))
ZN_REC(BlendFuncSeparate, "ffff", (GLenum a, GLenum b, GLenum c, GLenum d), (a, b, c, d))
ZN_REC(CullFace, "e", (GLenum a), (a))
ZN_REC(PolygonMode, "ee", (GLenum a, GLenum b), (a, b))
ZN_REC(DepthFunc, "e", (GLenum a), (a))
ZN_REC(DepthMask, "o", (GLboolean a), (a))
ZN_REC(StencilFunc, "enn", (GLenum a, GLint b, GLuint c), (a, b, c))
ZN_REC(StencilMask, "n", (GLuint a), (a))
ZN_REC(StencilOp, "sss", (GLenum a, GLenum b, GLenum c), (a, b, c))
ZN_REC(PolygonOffset, "nn", (GLfloat a, GLfloat b), (a, b))
ZN_REC(BindBuffer, "en", (GLenum a, GLuint b), (a, b))
ZN_REC_SOME(BufferSubData, "enn", (GLenum a, GLintptr b, GLsizeiptr c, const void* d), (a, b, c, d), (a, b, c))
ZN_REC_SOME(BufferData, "ene", (GLenum a, GLsizeiptr b, const void* c, GLenum d), (a, b, c, d), (a, b, d))
ZN_REC(EnableVertexAttribArray, "n", (GLuint a), (a))
ZN_REC(DisableVertexAttribArray, "n", (GLuint a), (a))
ZN_REC(VertexAttribPointer, "nneonn", (GLuint a, GLint b, GLenum c, GLboolean d, GLsizei e, const void* f),
       (a, b, c, d, e, f))
ZN_REC(DrawArrays, "mnn", (GLenum a, GLint b, GLsizei c), (a, b, c))
ZN_REC(DrawRangeElements, "mnnnen", (GLenum a, GLuint b, GLuint c, GLsizei d, GLenum e, const void* f),
       (a, b, c, d, e, f))
ZN_REC(BindFramebuffer, "en", (GLenum a, GLuint b), (a, b))
ZN_REC(Viewport, "nnnn", (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d))
ZN_REC(DrawBuffer, "b", (GLenum a), (a))
ZN_REC(ReadBuffer, "b", (GLenum a), (a))
ZN_REC(Scissor, "nnnn", (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d))
ZN_REC(UseProgram, "n", (GLuint a), (a))
ZN_REC(Clear, "c", (GLbitfield a), (a))
ZN_REC(ActiveTexture, "t", (GLenum a), (a))
ZN_REC(BindTexture, "en", (GLenum a, GLuint b), (a, b))
ZN_REC(Uniform1i, "nn", (GLint a, GLint b), (a, b))
ZN_REC_SOME(Uniform1fv, "nn", (GLint a, GLsizei b, const GLfloat* c), (a, b, c), (a, b))
ZN_REC_SOME(Uniform2fv, "nn", (GLint a, GLsizei b, const GLfloat* c), (a, b, c), (a, b))
ZN_REC_SOME(Uniform3fv, "nn", (GLint a, GLsizei b, const GLfloat* c), (a, b, c), (a, b))
ZN_REC_SOME(Uniform4fv, "nn", (GLint a, GLsizei b, const GLfloat* c), (a, b, c), (a, b))
ZN_REC_SOME(UniformMatrix4fv, "nno", (GLint a, GLsizei b, GLboolean c, const GLfloat* d), (a, b, c, d), (a, b, c))

// The list itself is what matters here, so its entries are written out.
static void GLAD_API_PTR RecDrawBuffers(GLsizei n, const GLenum* bufs)
{
    std::string line = "DrawBuffers " + std::to_string(n);
    for (GLsizei i = 0; i < n; ++i)
        line += " " + Word('b', bufs[i]);
    GCalls.push_back(line);
    GReal.DrawBuffers(n, bufs);
}

ZNRecordingTable::ZNRecordingTable() : Calls(GCalls), Saved(TGCurGLTable)
{
    GCalls.clear();
    GReal = *Saved;
    Table = *Saved;
#define ZN_USE(Name) Table.Name = Rec##Name
    ZN_USE(Enable);
    ZN_USE(Disable);
    ZN_USE(BlendEquation);
    ZN_USE(BlendFuncSeparate);
    ZN_USE(CullFace);
    ZN_USE(PolygonMode);
    ZN_USE(DepthFunc);
    ZN_USE(DepthMask);
    ZN_USE(StencilFunc);
    ZN_USE(StencilMask);
    ZN_USE(StencilOp);
    ZN_USE(PolygonOffset);
    ZN_USE(BindBuffer);
    ZN_USE(BufferData);
    ZN_USE(BufferSubData);
    ZN_USE(EnableVertexAttribArray);
    ZN_USE(DisableVertexAttribArray);
    ZN_USE(VertexAttribPointer);
    ZN_USE(DrawArrays);
    ZN_USE(DrawRangeElements);
    ZN_USE(BindFramebuffer);
    ZN_USE(Viewport);
    ZN_USE(DrawBuffer);
    ZN_USE(DrawBuffers);
    ZN_USE(ReadBuffer);
    ZN_USE(Scissor);
    ZN_USE(UseProgram);
    ZN_USE(Clear);
    ZN_USE(ActiveTexture);
    ZN_USE(BindTexture);
    ZN_USE(Uniform1i);
    ZN_USE(Uniform1fv);
    ZN_USE(Uniform2fv);
    ZN_USE(Uniform3fv);
    ZN_USE(Uniform4fv);
    ZN_USE(UniformMatrix4fv);
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

// Sanitizer builds: SDL's start-up leaves a D-Bus read buffer behind for the
// life of the process; it is not the engine's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

// ThreadSanitizer builds: Mesa's software rasterizer runs threads of its own
// whose hand-overs the tool cannot see into.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:swrast_dri.so\n";
}
