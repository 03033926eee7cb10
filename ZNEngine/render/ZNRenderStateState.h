// ZNRenderStateContextState: the render-state part of a context's engine state.
//
// The blend, raster and stencil words last set on this context. They start as
// GL's own defaults, so each word always says what GL holds; only the stencil
// masks GL starts with (all ones) do not fit the word's 4-bit fields, so
// StencilSent stays false until the first stencil word has gone out in full.
// Init runs in the state's constructor and Shutdown in its destructor, both with
// a GL context current.
#pragma once

#include "core/ZNAssert.h"
#include "render/ZNRenderState.h"

struct ZNContextState;

struct ZNRenderStateContextState
{
    UINT32 BlendWord   = ZN_BLEND_WORD_GL_DEFAULT;
    UINT32 RasterWord  = ZN_RASTER_WORD_GL_DEFAULT;
    UINT32 StencilWord = ZN_STENCIL_WORD_GL_DEFAULT;
    bool   StencilSent = false;

    void Init(ZNContextState& cs, bool isMain)
    {
        (void)cs;
        (void)isMain;
    }
    void Shutdown(ZNContextState& cs) { (void)cs; }
};
