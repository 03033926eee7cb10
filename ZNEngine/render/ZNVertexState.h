// ZNVertexContextState: the vertex part of a context's engine state.
//
// Caches the buffer bindings, the selected declaration and the enabled attribute
// arrays, so redundant GL calls are skipped per context. Every window context
// gets a dynamic scratch buffer for client-memory vertices, made on first use
// (the main context never draws client vertices and has none). UINT32 VAO is
// created and bound by the context code right after the context is first made
// current, and deleted with the context.
// Init runs in the state's constructor and Shutdown in its destructor, both with
// a GL context current.
#pragma once

#include "core/ZNAssert.h"

struct ZNContextState;
struct ZNVertexDecl;
class ZNGpuBuffer;

struct ZNVertexContextState
{
    UINT32        VAO               = 0;         // this context's own vertex array object
    ZNVertexDecl* CurVertexDecl     = nullptr;   // declaration selected last
    ZNVertexDecl* UsedVertexDecl    = nullptr;   // declaration whose pointers were set last
    UINT32        Enabled[8]        = {};        // attribute arrays enabled in GL
    UINT32        Wanted[8]         = {};        // attribute arrays the next draw needs
    UINT32        BoundVertexBuffer = 0;         // GL_ARRAY_BUFFER binding made here
    UINT32        BoundIndexBuffer  = 0;         // GL_ELEMENT_ARRAY_BUFFER binding made here
    ZNGpuBuffer*  Scratch           = nullptr;   // client vertices go through it; owned
    bool          IsMain            = false;     // main context: no scratch buffer

    void Init(ZNContextState& cs, bool isMain);
    void Shutdown(ZNContextState& cs);
};
