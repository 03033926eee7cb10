#include "render/ZNRenderState.h"

#include "render/ZNShader.h"
#include "render/ZNContextState.h"
#include "window/ZNGLTable.h"

static const GLenum GBlendFactors[16] = {
    GL_ZERO,      GL_ONE,
    GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
    GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR,
    GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
    GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
    GL_ZERO,      GL_ZERO,
    GL_ZERO,      GL_ZERO,
    GL_ZERO,      GL_ZERO,
};

static const GLenum GCompareFuncs[8] = {
    GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS,
};

static const GLenum GStencilOps[8] = {
    GL_KEEP, GL_ZERO, GL_REPLACE, GL_INCR, GL_INCR_WRAP, GL_DECR, GL_DECR_WRAP, GL_INVERT,
};

static GLenum BlendEquation(UINT32 equation)
{
    switch (equation)
    {
    case 2: return GL_FUNC_REVERSE_SUBTRACT;
    case 3: return GL_FUNC_SUBTRACT;
    case 4: return GL_MIN;
    case 5: return GL_MAX;
    default: return GL_FUNC_ADD;   // 1, and the unassigned 6 and 7
    }
}

static GLenum StencilFunc(UINT32 index)
{
    return index < 8 ? GCompareFuncs[index] : GL_ALWAYS;
}
static GLenum StencilOp(UINT32 index)
{
    return index < 8 ? GStencilOps[index] : GL_KEEP;
}

static ZNRenderStateContextState* CurRenderState()
{
    ZNContextState* cs = TGCurContextState;
    if (ZN_CHECK_FAILED(!cs))
        return nullptr;
    return &cs->RenderState;
}

void SetBlendMode(UINT32 word)
{
    ZNRenderStateContextState* rs = CurRenderState();
    if (!rs)
        return;
    const UINT32 old = rs->BlendWord;
    if (word == ZN_BLEND_WORD_OFF)
    {
        // Only blending goes off: the record keeps the factors GL still holds,
        // so a later word with zero factors sends them.
        if ((old & 7) != 0)
            TGCurGLTable->Disable(GL_BLEND);
        rs->BlendWord = old & 0xFFFF0u;
        return;
    }
    if ((word & 7) != (old & 7))
    {
        if ((word & 7) == 0)
            TGCurGLTable->Disable(GL_BLEND);   // equation 0 is off, also when factors come with it
        else
        {
            if ((old & 7) == 0)
                TGCurGLTable->Enable(GL_BLEND);
            TGCurGLTable->BlendEquation(BlendEquation(word & 7));
        }
    }
    if ((word & 0xFFFF0) != (old & 0xFFFF0))
        TGCurGLTable->BlendFuncSeparate(GBlendFactors[(word >> 4) & 15], GBlendFactors[(word >> 8) & 15],
                                        GBlendFactors[(word >> 12) & 15], GBlendFactors[(word >> 16) & 15]);
    rs->BlendWord = word;
}

void SetRasterState(UINT32 value, UINT32 mask)
{
    ZNRenderStateContextState* rs = CurRenderState();
    if (!rs)
        return;
    const UINT32 old = rs->RasterWord;
    if ((value & mask) == (old & mask))
        return;
    const UINT32 now  = (value & mask) | (old & ~mask);
    const UINT32 diff = now ^ old;

    if (diff & 3)
    {
        const UINT32 cull = now & 3;
        if (cull == 0)
            TGCurGLTable->Disable(GL_CULL_FACE);
        else
        {
            if ((old & 3) == 0)
                TGCurGLTable->Enable(GL_CULL_FACE);
            TGCurGLTable->CullFace(cull == 1 ? GL_FRONT : cull == 2 ? GL_BACK : GL_FRONT_AND_BACK);
        }
    }
    if (diff & 0xC)
    {
        const UINT32 mode = (now >> 2) & 3;
        TGCurGLTable->PolygonMode(GL_FRONT_AND_BACK, mode == 1 ? GL_POINT : mode == 2 ? GL_LINE : GL_FILL);
    }
    if (diff & 0x70)
    {
        const UINT32 depth = (now >> 4) & 7;
        if (depth == 7)
            TGCurGLTable->Disable(GL_DEPTH_TEST);
        else
        {
            TGCurGLTable->Enable(GL_DEPTH_TEST);
            TGCurGLTable->DepthFunc(GL_NEVER + depth);
        }
    }
    if (diff & 0x80)
        TGCurGLTable->DepthMask((now & 0x80) ? GL_TRUE : GL_FALSE);
    rs->RasterWord = now;
}

void SetRasterBits(UINT32 value, UINT32 clearMask)
{
    ZNRenderStateContextState* rs = CurRenderState();
    if (!rs)
        return;
    SetRasterState((rs->RasterWord & ~clearMask) | value, 65535);
}

void SetStencilState(UINT32 value, UINT32 mask)
{
    ZNRenderStateContextState* rs = CurRenderState();
    if (!rs)
        return;
    const UINT32 old = rs->StencilWord;
    if (rs->StencilSent && (value & mask) == (old & mask))
        return;
    const UINT32 now = (value & mask) | (old & ~mask);
    // The first word goes out whole: GL's initial masks do not fit the record.
    const UINT32 diff = rs->StencilSent ? now ^ old : 0xFFFFFFFFu;
    rs->StencilSent   = true;

    if (diff & (1u << 28))
    {
        if (now & (1u << 28))
            TGCurGLTable->Enable(GL_STENCIL_TEST);
        else
            TGCurGLTable->Disable(GL_STENCIL_TEST);
    }
    if (diff & 0xFFF)
        TGCurGLTable->StencilFunc(StencilFunc(now & 15), static_cast<GLint>((now >> 4) & 15), (now >> 8) & 15);
    if (diff & 0xF000)
        TGCurGLTable->StencilMask((now >> 12) & 15);
    if (diff & 0x0FFF0000)
        TGCurGLTable->StencilOp(StencilOp((now >> 16) & 15), StencilOp((now >> 20) & 15), StencilOp((now >> 24) & 15));
    rs->StencilWord = now;
}

void SetPolygonOffset(float units, float factor)
{
    if (units + factor != 0.0f)
    {
        TGCurGLTable->Enable(GL_POLYGON_OFFSET_FILL);
        TGCurGLTable->PolygonOffset(factor, units);
    }
    else
        TGCurGLTable->Disable(GL_POLYGON_OFFSET_FILL);
}

void SetShader(UINT32 blendWord, const ZNSharedPtr<ZNShaderHandle>& shader)
{
    SetBlendMode(blendWord);
    UseShader(shader);
}
