// ZNTextureContextState: active texture unit and the texture bound to each of the 16 units.
// Part of ZNContextState; Init runs in the state's constructor and Shutdown in its
// destructor, both with a GL context current.
#pragma once

#include "core/ZNAssert.h"

struct ZNContextState;

struct ZNTextureContextState
{
    void Init(ZNContextState& cs, bool isMain) { (void)cs; (void)isMain; }
    void Shutdown(ZNContextState& cs) { (void)cs; }
};
