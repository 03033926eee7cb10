// Per-context render counters.
#include "render/ZNRenderCounters.h"

#include "render/ZNContextState.h"

ZNRenderCounters ZNGetRenderCounters()
{
    return TGCurContextState ? TGCurContextState->Counters : ZNRenderCounters();
}

void ZNCountDraw(UINT64 vertices)
{
    if (ZNContextState* cs = TGCurContextState)
    {
        ++cs->Counters.DrawCalls;
        cs->Counters.Vertices += vertices;
    }
}

void ZNCountProgramBind()
{
    if (ZNContextState* cs = TGCurContextState)
        ++cs->Counters.ProgramBinds;
}

void ZNCountTextureBind()
{
    if (ZNContextState* cs = TGCurContextState)
        ++cs->Counters.TextureBinds;
}
