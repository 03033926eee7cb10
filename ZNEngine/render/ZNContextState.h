// ZNContextState: the engine's state of one GL context.
//
// The window layer's base (viewport size, the list of live states, IsMain) and
// one slice per rendering subsystem, each declared in its own header here. The
// window layer makes and ends the state through the calls declared with its
// base (window/ZNContextState.h), defined in ZNContextState.cpp. The slices are
// initialised in declaration order by the constructor (Init) and released in
// reverse order by the destructor (Shutdown), both while a GL context is current
// on the calling thread. The texture units' binding cache is a slice of its own
// (ZNTextureState.h) that the textures of the resource layer keep up to date.
#pragma once

#include "core/ZNTemplate.h"
#include "render/ZNRTState.h"
#include "render/ZNRenderCounters.h"
#include "render/ZNRenderStateState.h"
#include "render/ZNShaderState.h"
#include "render/ZNTextureState.h"
#include "render/ZNVertexState.h"
#include "window/ZNContextState.h"

struct ZNContextState : ZNContextStateBase
{
    ZNVertexContextState      Vertex;        // attribute and buffer-binding cache, VAO
    ZNRTContextState          RT;            // framebuffer and scissor stacks
    ZNRenderStateContextState RenderState;   // blend, raster, stencil words
    ZNTextureContextState     Textures;      // active unit, texture per unit
    ZNShaderContextState      Shaders;       // per-context shader cache
    ZNString                  Strings[16];   // free slots for engine use
    ZNRenderCounters          Counters;      // draws and binds made in this context

    ZNContextState(UINT32 width, UINT32 height, bool isMain);
    ~ZNContextState();
    ZNContextState(const ZNContextState&)            = delete;
    ZNContextState& operator=(const ZNContextState&) = delete;
};
