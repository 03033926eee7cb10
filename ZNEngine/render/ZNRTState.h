// ZNRTContextState: the render-target part of a context's engine state.
//
// Holds the framebuffer stack (its top is the framebuffer in use), the override
// flag that forces the default framebuffer while one is being built, and the
// scissor stack with its base rectangle. Everything starts empty and zero.
// Init runs in the state's constructor and Shutdown in its destructor, both with
// a GL context current.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "render/ZNRT.h"

struct ZNContextState;

struct ZNRTContextState
{
    ZNArray<ZNFrameBufferPtr> FBOStack;       // last element is in use
    UINT32                    Override = 0;   // nonzero: default framebuffer forced
    ZNPodArray<ZNScissorRect> ScissorStack;
    ZNScissorRect             BaseScissor     = { 0, 0, 0, 0 };
    UINT32                    BaseScissorFlag = 0;
    UINT32                    ScissorEnabled  = 0;   // GL_SCISSOR_TEST as last set here

    void Init(ZNContextState& cs, bool isMain);
    void Shutdown(ZNContextState& cs);
};
