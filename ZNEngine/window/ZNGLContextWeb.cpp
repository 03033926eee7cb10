// The GL platform in a page: WebGL2 through emscripten's html5 API.
//
// One canvas is one WebGL2 context. The engine's main context and the window's
// context are therefore the same native context here, by design: the first
// context made creates it on the canvas, every later one shares it (counted),
// and the last one deleted destroys it. Each engine context keeps its own
// function table and state as on the other platforms.
//
// WebGL2 reports "OpenGL ES 3.0", so glad fills the 3.0 part of the table
// only; CompleteTable adds the entries of 3.1 to 3.3 that ES 3.0 has and puts
// equivalents where a desktop call has none (ClearDepth, DrawBuffer,
// PolygonMode, capabilities WebGL lacks, the point size range). There is no debug output: GL errors
// are found by the frame-end check through GetError.
// The browser presents the canvas when the frame function returns: Swap has
// nothing to do, and the swap interval is the browser's.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdio.h>
#include <string.h>

#include "window/ZNGLPlatform.h"
#include "window/ZNGLErrors.h"
#include "files/ZNFileIO.h"

namespace
{
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE GCanvasContext = 0;
UINT32                          GContextUsers  = 0;
const char*                     GLastError     = "";

// The browser's own functions behind the equivalents below.
PFNGLENABLEPROC    GEnable    = nullptr;
PFNGLDISABLEPROC   GDisable   = nullptr;
PFNGLISENABLEDPROC GIsEnabled = nullptr;
typedef void(GLAPIENTRY* ClearDepthfProc)(GLfloat depth);
ClearDepthfProc      GClearDepthf = nullptr;
PFNGLGETFLOATVPROC   GGetFloatv   = nullptr;
PFNGLDRAWBUFFERSPROC GDrawBuffers = nullptr;

// Capabilities of desktop GL that WebGL2 has not: smooth lines and
// multisampling are the context's (antialias attribute), program point size
// and seamless cube maps are always on, debug output does not exist.
bool DesktopOnly(GLenum cap)
{
    switch (cap)
    {
    case 0x0B20:   // GL_LINE_SMOOTH
    case 0x809D:   // GL_MULTISAMPLE
    case 0x8642:   // GL_PROGRAM_POINT_SIZE
    case 0x884F:   // GL_TEXTURE_CUBE_MAP_SEAMLESS
    case 0x92E0:   // GL_DEBUG_OUTPUT
    case 0x8242:   // GL_DEBUG_OUTPUT_SYNCHRONOUS
    case 0x864F:   // GL_DEPTH_CLAMP
        return true;
    default: return false;
    }
}

void GLAPIENTRY WebEnable(GLenum cap)
{
    if (!DesktopOnly(cap))
        GEnable(cap);
}

void GLAPIENTRY WebDisable(GLenum cap)
{
    if (!DesktopOnly(cap))
        GDisable(cap);
}

GLboolean GLAPIENTRY WebIsEnabled(GLenum cap)
{
    // Program point size and seamless cube maps are on for good.
    if (cap == 0x8642 || cap == 0x884F)
        return GL_TRUE;
    return DesktopOnly(cap) ? GL_FALSE : GIsEnabled(cap);
}

void GLAPIENTRY WebClearDepth(GLdouble depth)
{
    GClearDepthf((GLfloat)depth);
}

void GLAPIENTRY WebDrawBuffer(GLenum buffer)
{
    GDrawBuffers(1, &buffer);
}

// ES names the point size range by what it is: aliased points are all it has.
void GLAPIENTRY WebGetFloatv(GLenum name, GLfloat* data)
{
    GGetFloatv(name == 0x0B12 /* GL_POINT_SIZE_RANGE */ ? 0x846D /* GL_ALIASED_POINT_SIZE_RANGE */ : name, data);
}

// WebGL draws filled polygons only; lines and points modes are not had.
void GLAPIENTRY WebPolygonMode(GLenum, GLenum)
{
}

void* Find(const char* name)
{
    return emscripten_webgl_get_proc_address(name);
}
}   // namespace

void ZNGLPlatform::PrepareWindow(const ZNWindowParams&, bool)
{
}

void* ZNGLPlatform::CreateContext(const ZNWindowParams&, ZNWindow*, ZNGLContext*)
{
    if (!GCanvasContext)
    {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.minorVersion = 0;
        attributes.alpha        = EM_FALSE;
        attributes.depth        = EM_TRUE;
        attributes.stencil      = EM_TRUE;
        attributes.antialias    = EM_FALSE;
        GCanvasContext          = emscripten_webgl_create_context("#canvas", &attributes);
        if (GCanvasContext <= 0)
        {
            GCanvasContext = 0;
            GLastError     = "the browser gave no WebGL2 context for the canvas";
            fprintf(stderr, "Failed to create the window Rendering Context (%s)\n", GLastError);
            ZNFatalErrorLog("Failed to create the window Rendering Context");
        }
    }
    ++GContextUsers;
    emscripten_webgl_make_context_current(GCanvasContext);
    return reinterpret_cast<void*>(static_cast<intptr_t>(GCanvasContext));
}

bool ZNGLPlatform::MakeCurrent(ZNWindow*, void* rc)
{
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
        static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<intptr_t>(rc));
    if (handle && handle != GCanvasContext)
        return false;
    return emscripten_webgl_make_context_current(handle) == EMSCRIPTEN_RESULT_SUCCESS;
}

void ZNGLPlatform::DeleteContext(void* rc)
{
    if (!rc || !GContextUsers)
        return;
    if (--GContextUsers == 0)
    {
        emscripten_webgl_destroy_context(GCanvasContext);
        GCanvasContext = 0;
    }
}

void ZNGLPlatform::Swap(ZNWindow*)
{
}

void ZNGLPlatform::SetSwapInterval(UINT32)
{
}

GLADloadfunc ZNGLPlatform::Loader()
{
    return reinterpret_cast<GLADloadfunc>(&emscripten_webgl_get_proc_address);
}

const char* ZNGLPlatform::LastError()
{
    return GLastError;
}

void ZNGLPlatform::CompleteTable(GladGLContext& gl)
{
    // OpenGL 3.1 to 3.3 entries that OpenGL ES 3.0 has.
#define ZN_WEB_LOAD(field, name) \
    if (!gl.field)               \
    gl.field = reinterpret_cast<decltype(gl.field)>(Find(name))
    ZN_WEB_LOAD(DrawArraysInstanced, "glDrawArraysInstanced");
    ZN_WEB_LOAD(DrawElementsInstanced, "glDrawElementsInstanced");
    ZN_WEB_LOAD(CopyBufferSubData, "glCopyBufferSubData");
    ZN_WEB_LOAD(GetUniformIndices, "glGetUniformIndices");
    ZN_WEB_LOAD(GetActiveUniformsiv, "glGetActiveUniformsiv");
    ZN_WEB_LOAD(GetUniformBlockIndex, "glGetUniformBlockIndex");
    ZN_WEB_LOAD(GetActiveUniformBlockiv, "glGetActiveUniformBlockiv");
    ZN_WEB_LOAD(GetActiveUniformBlockName, "glGetActiveUniformBlockName");
    ZN_WEB_LOAD(UniformBlockBinding, "glUniformBlockBinding");
    ZN_WEB_LOAD(FenceSync, "glFenceSync");
    ZN_WEB_LOAD(IsSync, "glIsSync");
    ZN_WEB_LOAD(DeleteSync, "glDeleteSync");
    ZN_WEB_LOAD(ClientWaitSync, "glClientWaitSync");
    ZN_WEB_LOAD(WaitSync, "glWaitSync");
    ZN_WEB_LOAD(GetInteger64v, "glGetInteger64v");
    ZN_WEB_LOAD(GetSynciv, "glGetSynciv");
    ZN_WEB_LOAD(GetInteger64i_v, "glGetInteger64i_v");
    ZN_WEB_LOAD(GetBufferParameteri64v, "glGetBufferParameteri64v");
    ZN_WEB_LOAD(GenSamplers, "glGenSamplers");
    ZN_WEB_LOAD(DeleteSamplers, "glDeleteSamplers");
    ZN_WEB_LOAD(IsSampler, "glIsSampler");
    ZN_WEB_LOAD(BindSampler, "glBindSampler");
    ZN_WEB_LOAD(SamplerParameteri, "glSamplerParameteri");
    ZN_WEB_LOAD(SamplerParameteriv, "glSamplerParameteriv");
    ZN_WEB_LOAD(SamplerParameterf, "glSamplerParameterf");
    ZN_WEB_LOAD(SamplerParameterfv, "glSamplerParameterfv");
    ZN_WEB_LOAD(GetSamplerParameteriv, "glGetSamplerParameteriv");
    ZN_WEB_LOAD(GetSamplerParameterfv, "glGetSamplerParameterfv");
    ZN_WEB_LOAD(VertexAttribDivisor, "glVertexAttribDivisor");
#undef ZN_WEB_LOAD

    // Desktop calls with an equivalent.
    GEnable      = gl.Enable;
    GDisable     = gl.Disable;
    GIsEnabled   = gl.IsEnabled;
    GClearDepthf = reinterpret_cast<ClearDepthfProc>(Find("glClearDepthf"));
    GDrawBuffers = gl.DrawBuffers;
    gl.Enable    = WebEnable;
    gl.Disable   = WebDisable;
    gl.IsEnabled = WebIsEnabled;
    if (GClearDepthf)
        gl.ClearDepth = WebClearDepth;
    if (GDrawBuffers)
        gl.DrawBuffer = WebDrawBuffer;
    gl.PolygonMode = WebPolygonMode;
    GGetFloatv     = gl.GetFloatv;
    gl.GetFloatv   = WebGetFloatv;
}

// ---------------------------------------------------------------------------
// Display mode

// A page can go fullscreen only from a person's click: the page's button does
// it, and the canvas follows the new size like any resize.
bool ZNApplyDisplayMode(ZNWindow* win, const ZNWindowParams* params)
{
    if (!win)
        return false;
    if (!params || !params->Fullscreen)
        return true;
    fprintf(stderr, "Could not switch to the fullscreen mode %u x %u in the page: use the page's fullscreen button\n",
            params->Width, params->Height);
    return false;
}
