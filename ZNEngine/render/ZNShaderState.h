// ZNShaderContextState: the shader part of a context's engine state.
//
// The context's shader cache (name -> shader, one reference each until the state
// shuts down) and the shader and program bound through UseShader. At shutdown
// the cached shaders' GL objects are deleted with the context still current.
// Init runs in the state's constructor and Shutdown in its destructor, both with
// a GL context current.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "render/ZNShader.h"

struct ZNContextState;

struct ZNShaderContextState
{
    ZNMap<ZNString, ZNShaderPtr>* Cache = nullptr;   // created by Init
    ZNShaderPtr                   CurrentShader;     // null at start
    UINT32                        CurrentProgram = 0;
    UINT32                        Reloaded       = 0;   // reloads that worked since TakeShaderReloads
    ZNArray<ZNString>             ReloadFailures;       // "NAME: ERRORS" of those that failed since then

    void Init(ZNContextState& cs, bool isMain);
    void Shutdown(ZNContextState& cs);
};
