// ZNTextureContextState: the active texture unit and the GL texture name bound on
// each of the TEX_COUNT units of one GL context.
//
// Part of ZNContextState; Init runs in the state's constructor and Shutdown in its
// destructor, both with a GL context current. The cache lets BindTexture skip
// redundant unit switches and binds; it is only correct while every texture bind
// of the engine goes through ZNTexture's bind functions.
#pragma once

#include "core/ZNAssert.h"

#define TEX_COUNT 16   // texture units tracked per context (samplers Tex0 .. Tex15)

struct ZNContextState;

struct ZNTextureContextState
{
    UINT32 ActiveUnit       = 0;    // unit selected with glActiveTexture
    UINT32 Bound[TEX_COUNT] = {};   // GL texture name bound on each unit, 0 for none

    // Selects unit 0 with nothing bound: the state of a fresh context.
    void Init(ZNContextState& cs, bool isMain);
    void Shutdown(ZNContextState& cs);
};
