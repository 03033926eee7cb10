// Pure UI formulas: colour packing, the pixel projection, anchored layout and
// the fade transition. No GL here, so the layer tests can check them headless.
#include "ui/ZNUIRender.h"

static_assert(sizeof(ZNUIVertex) == 32, "ZNUIVertex must match SUIVtxDecl");

static UINT32 PackChannel(float v)
{
    // The negated comparison sends NaN to 0 as well.
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 255;
    return static_cast<UINT32>(v * 255.0f + 0.5f);
}

UINT32 ZNPackColor(float r, float g, float b, float a)
{
    return PackChannel(r) | (PackChannel(g) << 8) | (PackChannel(b) << 16) | (PackChannel(a) << 24);
}

void ZNUnpackColor(UINT32 packed, float rgba[4])
{
    for (UINT32 i = 0; i < 4; ++i)
        rgba[i] = static_cast<float>((packed >> (8 * i)) & 0xFF) * 0.003921569f;
}

ZNMat4 ZNUIProjection(float width, float height)
{
    // A minimised window reports a zero size; a unit extent keeps the matrix finite.
    if (!(width > 0.0f))
        width = 1.0f;
    if (!(height > 0.0f))
        height = 1.0f;
    return Ortho(0.0f, width, 0.0f, height, -1.0f, 1.0f);
}

ZNUIRect ZNUIAnchorRect(const ZNUIRect& parent, const ZNUIRect& anchors, const ZNUIRect& offsets)
{
    ZNUIRect r;
    r.X0 = ZNUILerp(parent.X0, parent.X1, anchors.X0) + offsets.X0;
    r.Y0 = ZNUILerp(parent.Y0, parent.Y1, anchors.Y0) + offsets.Y0;
    r.X1 = ZNUILerp(parent.X0, parent.X1, anchors.X1) + offsets.X1;
    r.Y1 = ZNUILerp(parent.Y0, parent.Y1, anchors.Y1) + offsets.Y1;
    return r;
}

float ZNUIStepTransition(float t, bool shown, float fadeIn, float fadeOut, float dt)
{
    // A reversal keeps the opacity: the fraction of the fade-out still ahead
    // becomes the same fraction of the fade-in, and the other way round.
    if (shown && t > 0.0f)
        t = fadeOut > 0.0f ? -(fadeIn / fadeOut) * t : 0.0f;
    else if (!shown && t < 0.0f)
        t = fadeIn > 0.0f ? -(fadeOut / fadeIn) * t : 0.0f;

    if (shown)
    {
        t = t + dt < 0.0f ? t + dt : 0.0f;
        if (t < -fadeIn)
            t = -fadeIn;
    }
    else
    {
        t = t + dt < fadeOut ? t + dt : fadeOut;
        if (t < 0.0f)
            t = 0.0f;
    }
    return t;
}

float ZNUITransitionOpacity(float t, float fadeIn, float fadeOut)
{
    const float duration = t >= 0.0f ? fadeOut : fadeIn;
    if (!(duration > 0.0f))
        return t == 0.0f ? 1.0f : 0.0f;
    float o = 1.0f - (t < 0.0f ? -t : t) / duration;
    if (o < 0.0f)
        o = 0.0f;
    return o;
}
