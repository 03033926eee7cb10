// ZNShaderContextState: shader cache of the context.
// Part of ZNContextState; Init runs in the state's constructor and Shutdown in its
// destructor, both with a GL context current.
#pragma once

#include "core/ZNAssert.h"

struct ZNContextState;

struct ZNShaderContextState
{
    void Init(ZNContextState& cs, bool isMain) { (void)cs; (void)isMain; }
    void Shutdown(ZNContextState& cs) { (void)cs; }
};
