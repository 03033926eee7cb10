// ZNUIRender: the vocabulary of screen-space drawing shared by every UI layer —
// the 32-byte UI vertex, rectangles in window pixels, packed colours, the
// orthographic projection and the few pure formulas (anchored layout, fade
// transition) the layers are built on.
//
//   ZNUIVertex v[2] = { ZNMakeUIVertex(0, 10, rgbaA), ZNMakeUIVertex(100, 10, rgbaB) };
//   layer->DrawVertices(v, 2, PT_Lines);          // after a DrawRect set things up
//   UINT32 white = ZNPackColor(1, 1, 1, 1);       // 0xFFFFFFFF
//
// Guarantees:
// - ZNUIVertex (the font's vertex record) has exactly the layout of SUIVtxDecl
//   (position, texture coordinate, colour; eight floats, 32 bytes), so arrays
//   of it stream as-is.
// - Window pixels have their origin at the top left corner and y grows
//   downwards; ZNUIProjection maps that space onto clip space.
// - Packing clamps every channel (NaN counts as 0), so any float colour packs
//   to a valid word; unpacking a packed colour gives it back to within 1/255.
// - The formulas here touch no GL and no global state.
#pragma once

#include "core/ZNAssert.h"
#include "math/ZNMath.h"
#include "render/ZNRT.h"
#include "ui/ZNFont.h"

// Rectangle in window pixels: (X0, Y0) top left, (X1, Y1) bottom right; the
// same record the scissor stack takes.
typedef ZNScissorRect ZNUIRect;

// A UI vertex (the layout shared with the font's batches); untextured
// primitives use texture coordinate (0, 0).
inline ZNUIVertex ZNMakeUIVertex(float x, float y, const float rgba[4], float u = 0.0f, float v = 0.0f)
{
    ZNUIVertex out;
    out.x = x;
    out.y = y;
    out.u = u;
    out.v = v;
    out.r = rgba[0];
    out.g = rgba[1];
    out.b = rgba[2];
    out.a = rgba[3];
    return out;
}

// Red in the lowest byte, alpha in the highest.
UINT32        ZNPackColor(float r, float g, float b, float a);
inline UINT32 ZNPackColor(const float rgba[4])
{
    return ZNPackColor(rgba[0], rgba[1], rgba[2], rgba[3]);
}
void ZNUnpackColor(UINT32 packed, float rgba[4]);

// Projection for window pixels, y down: left 0, right width, top 0, bottom
// height, near -1, far 1.
ZNMat4 ZNUIProjection(float width, float height);

// lerp(a, b, t) = (b - a) * t + a.
inline float ZNUILerp(float a, float b, float t)
{
    return (b - a) * t + a;
}

// A rectangle anchored inside parent: each edge sits at the anchor's fraction
// of the parent's extent on its axis, moved by the offset of that edge.
ZNUIRect ZNUIAnchorRect(const ZNUIRect& parent, const ZNUIRect& anchors, const ZNUIRect& offsets);

// Fade transition: -fadeIn (invisible, about to appear) .. 0 (fully shown) ..
// +fadeOut (invisible, closed).
//
// One step of dt towards shown (0) or closed (fadeOut). A reversal mid-fade
// first rescales the transition so the opacity does not jump. A zero duration
// never divides: that side is simply reached at once.
float ZNUIStepTransition(float transition, bool shown, float fadeIn, float fadeOut, float dt);
// 1 at 0, falling linearly to 0 at -fadeIn and +fadeOut; a zero duration gives
// 1 at its end (an instant fade is already complete) and never a NaN.
float ZNUITransitionOpacity(float transition, float fadeIn, float fadeOut);
