// The per-context engine state and the thread-local pointers to what is current.
#include "window/ZNContextState.h"

#include "window/ZNGLTable.h"

thread_local ZNContextState* TGCurContextState = nullptr;
thread_local GladGLContext*  TGCurGLTable      = nullptr;

ZNContextState::ZNContextState(UINT32 width, UINT32 height, bool isMain)
    : ViewportWidth(width), ViewportHeight(height), StateList(nullptr), IsMain(isMain)
{
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
