// ZNRenderCounters: what one GL context has been asked to draw, counted by the
// rendering core itself so the statistics overlay, tests and benchmarks read the
// same numbers.
//
//   ZNRenderCounters before = ZNGetRenderCounters();
//   ... draw a frame ...
//   ZNRenderCounters frame = ZNGetRenderCounters() - before;   // this frame's work
//
// Guarantees:
// - Counters only grow (64-bit, they never wrap in practice); a reader takes a
//   snapshot and subtracts, so any number of readers can watch the same context.
// - A draw call is one GL draw issued by the core (DrawPrimitives and the indexed
//   and instanced draws, so also DrawUserVertices2D/3D); its vertices are the
//   vertex or index count times the instance count. A program bind is a
//   glUseProgram made by UseShader; a texture bind is a glBindTexture of a texture
//   on a unit (cache hits, which make no GL call, are not counted).
// - Without a current context ZNGetRenderCounters answers zeros.
#pragma once

#include "core/ZNAssert.h"

struct ZNRenderCounters
{
    UINT64 DrawCalls    = 0;
    UINT64 Vertices     = 0;
    UINT64 ProgramBinds = 0;
    UINT64 TextureBinds = 0;
};

inline ZNRenderCounters operator-(const ZNRenderCounters& a, const ZNRenderCounters& b)
{
    ZNRenderCounters d;
    d.DrawCalls    = a.DrawCalls - b.DrawCalls;
    d.Vertices     = a.Vertices - b.Vertices;
    d.ProgramBinds = a.ProgramBinds - b.ProgramBinds;
    d.TextureBinds = a.TextureBinds - b.TextureBinds;
    return d;
}

// A snapshot of the current context's counters (zeros without a context).
ZNRenderCounters ZNGetRenderCounters();

// Used by the core at each counted GL call; nothing happens without a context.
void ZNCountDraw(UINT64 vertices);
void ZNCountProgramBind();
void ZNCountTextureBind();
