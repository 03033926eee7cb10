// ZNContextStateBase: the window layer's part of the engine state of one GL
// context, and the calls through which it makes and ends the whole state.
//
// Each subsystem declares its slice of the per-context state in its own folder;
// the struct that gathers them, ZNContextState, is declared by the render layer
// (render/ZNContextState.h) on top of this base. The window layer makes a
// context, makes it current and tears it down, so it decides when a state is
// made and released, but it only knows the base: viewport size, the platform's
// list of live states, and whether this is the hidden main context's state. It
// holds ZNContextState pointers without looking inside and reaches the base
// through ZNContextBase.
//
// The four calls below are declared here and defined by the layer that gathers
// the slices, in the same library, so that no include goes upward:
//   ZNCreateContextState   with the main context current (a window context's
//                          shared objects are made there); slices Init in order
//   ZNContextStateBound    with the new context current for the first time:
//                          the objects no context shares (the vertex array)
//   ZNDestroyContextState  with the state's own context current; slices
//                          Shutdown in reverse order
//   ZNReloadContextState   with the state's context current: re-read what the
//                          state built from files that changed (the shaders)
#pragma once

#include "core/ZNTemplate.h"

struct ZNContextState;
typedef ZNPodArray<ZNContextState*> ZNContextStateList;

struct ZNContextStateBase
{
    UINT32              ViewportWidth;   // client size set by the next Begin
    UINT32              ViewportHeight;
    ZNContextStateList* StateList;   // the platform's list of live states, or null
    bool                IsMain;      // the hidden main context's state
};

extern thread_local ZNContextState* TGCurContextState;

ZNContextState*     ZNCreateContextState(UINT32 width, UINT32 height, bool isMain);
void                ZNContextStateBound(ZNContextState& cs);
void                ZNDestroyContextState(ZNContextState* cs);
void                ZNReloadContextState(ZNContextState& cs);
ZNContextStateBase& ZNContextBase(ZNContextState& cs);
