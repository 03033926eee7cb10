// ZNContextState: the engine's state of one GL context.
//
// Each rendering subsystem declares its own part of the state in its own header;
// this struct gathers them. The parts are initialised in declaration order by the
// constructor (Init) and released in reverse order by the destructor (Shutdown),
// both while a GL context is current on the calling thread.
#pragma once

#include "core/ZNTemplate.h"
#include "render/ZNVertexState.h"
#include "render/ZNRTState.h"
#include "render/ZNRenderStateState.h"
#include "render/ZNShaderState.h"
#include "render/ZNRenderCounters.h"
#include "resources/ZNTextureState.h"

struct ZNContextState;
typedef ZNPodArray<ZNContextState*> ZNContextStateList;

struct ZNContextState
{
    UINT32                    ViewportWidth;   // client size set by the next Begin
    UINT32                    ViewportHeight;
    ZNContextStateList*       StateList;       // the platform's list of live states, or null
    bool                      IsMain;          // the hidden main context's state
    ZNVertexContextState      Vertex;          // attribute and buffer-binding cache, VAO
    ZNRTContextState          RT;              // framebuffer and scissor stacks
    ZNRenderStateContextState RenderState;     // blend, raster, stencil words
    ZNTextureContextState     Textures;        // active unit, texture per unit
    ZNShaderContextState      Shaders;         // per-context shader cache
    ZNString                  Strings[16];     // free slots for engine use
    ZNRenderCounters          Counters;        // draws and binds made in this context

    ZNContextState(UINT32 width, UINT32 height, bool isMain);
    ~ZNContextState();
    ZNContextState(const ZNContextState&) = delete;
    ZNContextState& operator=(const ZNContextState&) = delete;
};

extern thread_local ZNContextState* TGCurContextState;
