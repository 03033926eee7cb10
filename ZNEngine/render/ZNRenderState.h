// ZNRenderState: fixed-function state as packed 32-bit words.
//
//   SetBlendMode(ZN_BLEND_WORD_ALPHA);                 // usual alpha blend (0x1761)
//   SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true),
//                  ZN_RASTER_MASK_ALL);                // depth test GL_LESS with writes
//   SetShader(ZN_BLEND_WORD_OFF, shader);              // blend word, then the program
//
// Guarantees: each setter compares with the word recorded in the current context
// state and sends GL only the fields that changed, so repeating a state costs no
// GL call. The recorded words always equal what GL holds: they start from GL's
// own defaults (ZN_*_WORD_GL_DEFAULT), blending turned off keeps the factors GL
// last received, and the first stencil word is sent in full because GL's
// initial masks are wider than the word's fields. The named constants and
// builders below spell the words; plain numbers remain valid. Blend word: bits 0-2 equation (0 off, 1 add, 2 reverse subtract,
// 3 subtract, 4 min, 5 max), then four 4-bit factor indices (source colour,
// destination colour, source alpha, destination alpha). Raster word: bits 0-1
// culling, 2-3 polygon mode, 4-6 depth function (7 = test off), bit 7 depth
// writes. Stencil word: bits 0-3 function, 4-7 reference, 8-11 function mask,
// 12-15 write mask, 16-27 fail/depth-fail/depth-pass operations, bit 28 test on.
// Out-of-table indices are treated as the safest value of their field (blend
// factor GL_ZERO, stencil function GL_ALWAYS, stencil operation GL_KEEP, blend
// equation GL_FUNC_ADD); equation 0 keeps blending off whatever the factors.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNSharedPtr.h"

class ZNShaderHandle;

// ---- blend word ------------------------------------------------------------------

enum ZNBlendEquation : UINT32
{
    ZN_BLEND_OFF              = 0,
    ZN_BLEND_ADD              = 1,
    ZN_BLEND_REVERSE_SUBTRACT = 2,
    ZN_BLEND_SUBTRACT         = 3,
    ZN_BLEND_MIN              = 4,
    ZN_BLEND_MAX              = 5,
};

enum ZNBlendFactor : UINT32
{
    ZN_FACTOR_ZERO          = 0,
    ZN_FACTOR_ONE           = 1,
    ZN_FACTOR_SRC_COLOR     = 2,
    ZN_FACTOR_INV_SRC_COLOR = 3,
    ZN_FACTOR_DST_COLOR     = 4,
    ZN_FACTOR_INV_DST_COLOR = 5,
    ZN_FACTOR_SRC_ALPHA     = 6,
    ZN_FACTOR_INV_SRC_ALPHA = 7,
    ZN_FACTOR_DST_ALPHA     = 8,
    ZN_FACTOR_INV_DST_ALPHA = 9,
};

#define ZN_BLEND_OP_SHIFT 0
#define ZN_BLEND_SRC_COLOR_SHIFT 4
#define ZN_BLEND_DST_COLOR_SHIFT 8
#define ZN_BLEND_SRC_ALPHA_SHIFT 12
#define ZN_BLEND_DST_ALPHA_SHIFT 16

constexpr UINT32 ZNBlendWord(UINT32 equation, UINT32 srcColor, UINT32 dstColor, UINT32 srcAlpha, UINT32 dstAlpha)
{
    return ((equation & 7) << ZN_BLEND_OP_SHIFT) | ((srcColor & 15) << ZN_BLEND_SRC_COLOR_SHIFT) |
           ((dstColor & 15) << ZN_BLEND_DST_COLOR_SHIFT) | ((srcAlpha & 15) << ZN_BLEND_SRC_ALPHA_SHIFT) |
           ((dstAlpha & 15) << ZN_BLEND_DST_ALPHA_SHIFT);
}

// Blending off; the factors GL holds stay as they are.
static const UINT32 ZN_BLEND_WORD_OFF = 0;
// Add; colour by source alpha and one minus source alpha; alpha one and zero.
static const UINT32 ZN_BLEND_WORD_ALPHA =
    ZNBlendWord(ZN_BLEND_ADD, ZN_FACTOR_SRC_ALPHA, ZN_FACTOR_INV_SRC_ALPHA, ZN_FACTOR_ONE, ZN_FACTOR_ZERO);
// What a new context holds: blending off, factors one and zero.
static const UINT32 ZN_BLEND_WORD_GL_DEFAULT =
    ZNBlendWord(ZN_BLEND_OFF, ZN_FACTOR_ONE, ZN_FACTOR_ZERO, ZN_FACTOR_ONE, ZN_FACTOR_ZERO);

// ---- raster word -----------------------------------------------------------------

enum ZNCullMode : UINT32
{
    ZN_CULL_NONE           = 0,
    ZN_CULL_FRONT          = 1,
    ZN_CULL_BACK           = 2,
    ZN_CULL_FRONT_AND_BACK = 3,
};

enum ZNPolygonMode : UINT32
{
    ZN_POLYGON_FILL   = 0,
    ZN_POLYGON_POINTS = 1,
    ZN_POLYGON_LINES  = 2,
};

enum ZNDepthTest : UINT32
{
    ZN_DEPTH_NEVER    = 0,
    ZN_DEPTH_LESS     = 1,
    ZN_DEPTH_EQUAL    = 2,
    ZN_DEPTH_LEQUAL   = 3,
    ZN_DEPTH_GREATER  = 4,
    ZN_DEPTH_NOTEQUAL = 5,
    ZN_DEPTH_GEQUAL   = 6,
    ZN_DEPTH_OFF      = 7,
};

// Field masks, for SetRasterState's mask and SetRasterBits' clear mask.
static const UINT32 ZN_RASTER_MASK_CULL       = 0x3;
static const UINT32 ZN_RASTER_MASK_POLYGON    = 0xC;
static const UINT32 ZN_RASTER_MASK_DEPTH_TEST = 0x70;
static const UINT32 ZN_RASTER_DEPTH_WRITE     = 0x80;
static const UINT32 ZN_RASTER_MASK_ALL        = 0xFFFF;

constexpr UINT32 ZNRasterWord(UINT32 cull, UINT32 polygonMode, UINT32 depthTest, bool depthWrites)
{
    return (cull & 3) | ((polygonMode & 3) << 2) | ((depthTest & 7) << 4) | (depthWrites ? ZN_RASTER_DEPTH_WRITE : 0);
}

// What a new context holds: no culling, filled, depth test off, depth writes on.
static const UINT32 ZN_RASTER_WORD_GL_DEFAULT = ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_OFF, true);

// ---- stencil word ----------------------------------------------------------------

enum ZNStencilOp : UINT32
{
    ZN_STENCIL_KEEP      = 0,
    ZN_STENCIL_ZERO      = 1,
    ZN_STENCIL_REPLACE   = 2,
    ZN_STENCIL_INCR      = 3,
    ZN_STENCIL_INCR_WRAP = 4,
    ZN_STENCIL_DECR      = 5,
    ZN_STENCIL_DECR_WRAP = 6,
    ZN_STENCIL_INVERT    = 7,
};

// Stencil functions use the ZNDepthTest numbering, with 7 meaning GL_ALWAYS.
static const UINT32 ZN_STENCIL_ALWAYS  = 7;
static const UINT32 ZN_STENCIL_TEST_ON = 1u << 28;

constexpr UINT32 ZNStencilWord(bool testOn, UINT32 function, UINT32 reference, UINT32 functionMask, UINT32 writeMask,
                               UINT32 fail, UINT32 depthFail, UINT32 depthPass)
{
    return (function & 15) | ((reference & 15) << 4) | ((functionMask & 15) << 8) | ((writeMask & 15) << 12) |
           ((fail & 15) << 16) | ((depthFail & 15) << 20) | ((depthPass & 15) << 24) |
           (testOn ? ZN_STENCIL_TEST_ON : 0);
}

// GL's defaults as far as the word's 4-bit fields reach: test off, GL_ALWAYS
// with reference 0, masks 15, every operation GL_KEEP.
static const UINT32 ZN_STENCIL_WORD_GL_DEFAULT =
    ZNStencilWord(false, ZN_STENCIL_ALWAYS, 0, 15, 15, ZN_STENCIL_KEEP, ZN_STENCIL_KEEP, ZN_STENCIL_KEEP);

// ---- setters ---------------------------------------------------------------------

void SetBlendMode(UINT32 word);
// Fields selected by mask take their values from value; the others are kept.
void SetRasterState(UINT32 value, UINT32 mask);
// Clears the bits of clearMask in the recorded raster word, then sets value.
void SetRasterBits(UINT32 value, UINT32 clearMask);
void SetStencilState(UINT32 value, UINT32 mask);
// Enabled when units + factor is not 0; nothing is recorded.
void SetPolygonOffset(float units, float factor);
// Blend word, then the shader's program (null binds none).
void SetShader(UINT32 blendWord, const ZNSharedPtr<ZNShaderHandle>& shader);
