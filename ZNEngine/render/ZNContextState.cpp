// The per-context engine state: its slices in order, and the calls through
// which the window layer makes, binds, reloads and ends it.
#include "render/ZNContextState.h"

#include "render/ZNShader.h"
#include "window/ZNGLTable.h"

ZNContextState::ZNContextState(UINT32 width, UINT32 height, bool isMain)
{
    ViewportWidth  = width;
    ViewportHeight = height;
    StateList      = nullptr;
    IsMain         = isMain;
    Vertex.Init(*this, isMain);
    RT.Init(*this, isMain);
    RenderState.Init(*this, isMain);
    Textures.Init(*this, isMain);
    Shaders.Init(*this, isMain);
}

ZNContextState::~ZNContextState()
{
    Shaders.Shutdown(*this);
    Textures.Shutdown(*this);
    RenderState.Shutdown(*this);
    RT.Shutdown(*this);
    Vertex.Shutdown(*this);
}

ZNContextState* ZNCreateContextState(UINT32 width, UINT32 height, bool isMain)
{
    return new ZNContextState(width, height, isMain);
}

void ZNContextStateBound(ZNContextState& cs)
{
    // Vertex array objects are not shared: each context binds one of its own
    // before anything draws on it.
    GladGLContext* gl = TGCurGLTable;
    if (gl && gl->GenVertexArrays && gl->BindVertexArray)
    {
        gl->GenVertexArrays(1, &cs.Vertex.VAO);
        gl->BindVertexArray(cs.Vertex.VAO);
    }
}

void ZNDestroyContextState(ZNContextState* cs)
{
    const GLuint   vao = cs->Vertex.VAO;
    GladGLContext* gl  = TGCurGLTable;
    delete cs;
    if (vao && gl && gl->DeleteVertexArrays)
        gl->DeleteVertexArrays(1, &vao);
}

void ZNReloadContextState(ZNContextState& cs)
{
    ReloadShaders(cs);
}

ZNContextStateBase& ZNContextBase(ZNContextState& cs)
{
    return cs;
}

void ZNTextureContextState::Init(ZNContextState& cs, bool isMain)
{
    (void)cs;
    ActiveUnit = 0;
    for (UINT32 u = 0; u < TEX_COUNT; ++u)
        Bound[u] = 0;
    // A window context's state is built while the main context is current, so
    // only the main context's own state may select its unit in GL; a fresh
    // context is on unit 0 anyway.
    if (isMain && TGCurGLTable)
        TGCurGLTable->ActiveTexture(GL_TEXTURE0);
}

void ZNTextureContextState::Shutdown(ZNContextState& cs)
{
    (void)cs;
}
