// ZNGLErrors: the debug output callback and the frame-end error check.
#include "window/ZNGLErrors.h"
#include "window/ZNGLTable.h"

#include <atomic>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

std::atomic<UINT32>               GErrorCount{ 0 };
std::atomic<UINT32>               GProbeHits{ 0 };
// Contexts whose callback proved to work report through it; the table pointer
// identifies the context on its thread.
thread_local bool                 TGCallbackWorks = false;
thread_local const GladGLContext* TGCallbackTable = nullptr;
thread_local bool                 TGProbing       = false;

const char* ErrorName(GLenum code)
{
    switch (code)
    {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    default: return "unknown GL error";
    }
}

void PrintTotal()
{
    fprintf(stderr, "GL errors: %u\n", GErrorCount.load());
}

// The total is printed at exit by every process that had reporting on, so a
// run can prove it was watched and saw none.
void PrintTotalAtExit()
{
    static std::atomic<bool> registered{ false };
    if (!registered.exchange(true))
        atexit(PrintTotal);
}

void Report(const char* text)
{
    PrintTotalAtExit();
    GErrorCount.fetch_add(1);
    fprintf(stderr, "GL error: %s\n", text);
}

void GLAPIENTRY DebugMessage(GLenum source, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message,
                             const void*)
{
    // Errors of GL calls only: a shader that does not compile is reported by
    // the shader code with its file and line, not as a GL error.
    if (type != GL_DEBUG_TYPE_ERROR || (source != GL_DEBUG_SOURCE_API && source != GL_DEBUG_SOURCE_WINDOW_SYSTEM))
        return;
    if (TGProbing)
    {
        GProbeHits.fetch_add(1);
        return;
    }
    char      text[1024];
    const int n = length >= 0 && length < (GLsizei)sizeof(text) ? (int)length : (int)sizeof(text) - 1;
    snprintf(text, sizeof(text), "%.*s", n, message ? message : "");
    Report(text);
}

// Read at every call (a context creation, a frame): cheap, and a test may
// switch it for the contexts it makes.
bool ReadEnabled()
{
    const char* env = getenv("ZN_GL_ERRORS");
    if (env && env[0])
        return strcmp(env, "0") != 0;
#ifdef NDEBUG
    return false;
#else
    return true;
#endif
}

// A lost context can answer GL_CONTEXT_LOST for ever: every drain stops
// after this many codes.
const UINT32 kDrainLimit = 64;

// Drains the context's error flags, reporting each code with where unless
// quiet (or the debug callback already reported it). Returns the codes drained.
UINT32 Drain(GladGLContext* gl, const char* where, bool quiet)
{
    UINT32 drained = 0;
    for (GLenum code; drained < kDrainLimit && (code = gl->GetError()) != GL_NO_ERROR;)
    {
        ++drained;
        if (quiet)
            continue;
        char text[256];
        snprintf(text, sizeof(text), "%s (0x%04X) found at %s", ErrorName(code), (unsigned)code,
                 where ? where : "an unnamed check");
        Report(text);
    }
    return drained;
}

}   // namespace

bool ZNGLErrorsEnabled()
{
    return ReadEnabled();
}

void ZNGLErrorsAttach()
{
    GladGLContext* gl = TGCurGLTable;
    TGCallbackWorks   = false;
    TGCallbackTable   = nullptr;
    if (!ZNGLErrorsEnabled() || !gl)
        return;
    PrintTotalAtExit();
    if (!gl->KHR_debug || !gl->DebugMessageCallback || !gl->DebugMessageControl)
        return;
    // Errors from before the callback are reported here, as the frame-end
    // check would: the callback will not see them.
    Drain(gl, "the attachment of error reporting to a new context", false);
    gl->Enable(GL_DEBUG_OUTPUT);
    gl->Enable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    gl->DebugMessageCallback(DebugMessage, nullptr);
    gl->DebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    // Some drivers accept the callback and never call it (no debug context):
    // one deliberate invalid enum shows whether this one does.
    const UINT32 before = GProbeHits.load();
    TGProbing           = true;
    gl->Enable(0xFFFFu);
    TGProbing = false;
    Drain(gl, nullptr, true);
    if (GProbeHits.load() != before)
    {
        TGCallbackWorks = true;
        TGCallbackTable = gl;
        return;
    }
    gl->DebugMessageCallback(nullptr, nullptr);
    gl->Disable(GL_DEBUG_OUTPUT);
}

UINT32 ZNGLErrorsCheck(const char* where)
{
    GladGLContext* gl = TGCurGLTable;
    if (!ZNGLErrorsEnabled() || !gl)
        return 0;
    return Drain(gl, where, TGCallbackWorks && TGCallbackTable == gl);
}

UINT32 ZNGLErrorCount()
{
    return GErrorCount.load();
}
