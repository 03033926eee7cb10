// ZNRenderState: fixed-function state as packed 32-bit words.
//
//   SetBlendMode(0x1761);              // usual alpha blend
//   SetRasterState(16, 0xFFFF);        // depth test GL_LESS, nothing else
//   SetShader(0, shader);              // blend word, then the shader program
//
// Guarantees: each setter compares with the word recorded in the current context
// state and sends GL only the fields that changed, so repeating a state costs no
// GL call. Blend word: bits 0-2 equation (0 off, 1 add, 2 reverse subtract,
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
