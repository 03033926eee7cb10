// ZNVertexContextState: vertex attribute and buffer-binding cache; UINT32 VAO is created and bound by the context right after it is first made current.
// Part of ZNContextState; Init runs in the state's constructor and Shutdown in its
// destructor, both with a GL context current.
#pragma once

#include "core/ZNAssert.h"

struct ZNContextState;

struct ZNVertexContextState
{
    UINT32 VAO = 0;   // this context's own vertex array object
    void Init(ZNContextState& cs, bool isMain) { (void)cs; (void)isMain; }
    void Shutdown(ZNContextState& cs) { (void)cs; }
};
