// ZNRenderStateContextState: the render-state part of a context's engine state.
//
// The blend, raster and stencil words last set on this context; all start at 0
// while GL starts with its own defaults, so a field whose first requested value
// equals its 0 value is never sent.
// Init runs in the state's constructor and Shutdown in its destructor, both with
// a GL context current.
#pragma once

#include "core/ZNAssert.h"

struct ZNContextState;

struct ZNRenderStateContextState
{
    UINT32 BlendWord = 0;
    UINT32 RasterWord = 0;
    UINT32 StencilWord = 0;

    void Init(ZNContextState& cs, bool isMain) { (void)cs; (void)isMain; }
    void Shutdown(ZNContextState& cs) { (void)cs; }
};
