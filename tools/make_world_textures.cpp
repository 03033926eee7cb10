// make_world_textures: makes the demo's three textures.
//
//   make_world_textures <output folder>
//
//   Ground.png     the look of one voxel sprite: a bevelled tile with rounded corners
//                  (alpha 0 outside them; the voxel shader drops those pixels), lit
//                  from the top left, values near 1 so the terrain colour survives.
//   WaterBump.png  a tileable ripple normal map: x, y, z of the surface normal in
//                  red, green, blue (0.5 is 0), made from periodic noise and waves.
//   SkyDusk1.png   a dusk sky over the whole sphere of directions: column = azimuth
//                  (u = atan2(y, x) / 2 pi + 0.5), row = elevation (row 0 straight
//                  up, the middle row the horizon, the last row straight down). The
//                  sun has just set at azimuth 3.55 rad, the direction the terrain's
//                  colour map is lit from; its glow warms that part of the horizon.
#include "ToolImage.h"

#include <string>

namespace
{

const float Pi = 3.14159265f;

ToolImage MakeGround()
{
    const int   size = 64;
    ToolImage   img(size, size);
    const float radius = 0.22f;   // corner rounding, in half-widths
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            // -1..1 across the tile; +y is the top of the sprite as drawn.
            float fx = (float(x) + 0.5f) / float(size) * 2.0f - 1.0f;
            float fy = (float(y) + 0.5f) / float(size) * 2.0f - 1.0f;
            float ax = std::fabs(fx), ay = std::fabs(fy);
            float qx = ax - (1.0f - radius), qy = ay - (1.0f - radius);
            qx               = qx < 0.0f ? 0.0f : qx;
            qy               = qy < 0.0f ? 0.0f : qy;
            float cornerDist = std::sqrt(qx * qx + qy * qy);
            float alpha      = cornerDist > radius * 0.98f ? 0.0f : 1.0f;

            // Bevel: light from the top left, shadow at the bottom right.
            float edge   = 1.0f - (ax > ay ? ax : ay);
            float bevel  = 1.0f - ToolSmoothstep(0.0f, 0.25f, edge);
            float facing = (-fx + fy) * 0.5f;
            float shade  = 0.86f + 0.14f * bevel * (facing > 0.0f ? 1.0f : -1.6f) * std::fabs(facing) * 2.0f;
            shade += 0.06f * (ToolFbm(fx * 3.0f + 5.0f, fy * 3.0f + 5.0f, 3, 3u) - 0.5f);
            shade += 0.04f * (ToolHash(x, y, 9u) - 0.5f);
            img.At(x, y) = { shade, shade, shade, alpha };
        }
    }
    return img;
}

ToolImage MakeWaterBump()
{
    const int          size   = 256;
    const int          period = 8;   // noise cells across the tile; the tile repeats exactly
    std::vector<float> h(size_t(size) * size);
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            float u = float(x) / float(size), v = float(y) / float(size);
            float n = ToolFbm(u * period, v * period, 3, 101u, period, 0.45f);
            // Whole numbers of wave periods across the tile keep it seamless.
            float waves = 0.5f * std::sin(2.0f * Pi * (3.0f * u + 2.0f * v) + 6.0f * n) +
                          0.3f * std::sin(2.0f * Pi * (-2.0f * u + 5.0f * v) + 4.0f * n);
            h[size_t(y) * size + size_t(x)] = n + 0.25f * waves;
        }
    }
    auto H = [&](int x, int y) { return h[size_t(ToolWrap(y, size)) * size + size_t(ToolWrap(x, size))]; };

    ToolImage   img(size, size);
    const float strength = 6.0f;
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            float dx = (H(x + 1, y) - H(x - 1, y)) * strength;
            float dy = (H(x, y + 1) - H(x, y - 1)) * strength;
            float nx = -dx, ny = -dy, nz = 1.0f;
            float l      = std::sqrt(nx * nx + ny * ny + nz * nz);
            img.At(x, y) = { nx / l * 0.5f + 0.5f, ny / l * 0.5f + 0.5f, nz / l * 0.5f + 0.5f, 1.0f };
        }
    }
    return img;
}

ToolRGBA Rgb(float r, float g, float b)
{
    return { r, g, b, 1.0f };
}

ToolImage MakeSky()
{
    const int   width = 1024, height = 512;
    const float sunAz = 3.55f - 2.0f * Pi;   // the same direction as atan2 reports it
    const float sunEl = -0.02f;

    const ToolRGBA zenith = Rgb(0.05f, 0.08f, 0.24f), high = Rgb(0.20f, 0.22f, 0.48f);
    const ToolRGBA mid = Rgb(0.55f, 0.40f, 0.58f), horizon = Rgb(0.98f, 0.55f, 0.32f);
    const ToolRGBA sunGlow = Rgb(1.0f, 0.82f, 0.50f), below = Rgb(0.16f, 0.13f, 0.17f);
    const ToolRGBA cloudLit = Rgb(1.0f, 0.62f, 0.48f), cloudDark = Rgb(0.28f, 0.22f, 0.34f);

    ToolImage img(width, height);
    for (int y = 0; y < height; ++y)
    {
        float el = (0.5f - float(y) / float(height - 1)) * Pi;
        for (int x = 0; x < width; ++x)
        {
            float az      = (float(x) + 0.5f) / float(width) * 2.0f * Pi - Pi;
            float toSun   = std::cos(az - sunAz);   // 1 towards the sun
            float sunSide = ToolSmoothstep(-0.3f, 1.0f, toSun);

            // Below the horizon the sky shows only where the distant water has faded
            // out: there it is the sky's own mirror image, a little darker, so the
            // fade meets the water's reflection without a seam.
            const bool  mirrored = el < 0.0f;
            const float up       = mirrored ? -el : el;
            ToolRGBA    c;
            {
                float t = up / (Pi * 0.5f);
                // The warm band is lower on the far side of the sky.
                float warmHeight = 0.10f + 0.22f * sunSide;
                c                = ToolMix(horizon, mid, ToolSmoothstep(0.0f, warmHeight, t));
                c                = ToolMix(c, high, ToolSmoothstep(warmHeight * 0.8f, 0.55f, t));
                c                = ToolMix(c, zenith, ToolSmoothstep(0.45f, 1.0f, t));
                // Less warmth opposite the sun.
                c = ToolMix(c, ToolMix(high, mid, 0.5f),
                            (1.0f - sunSide) * (1.0f - ToolSmoothstep(0.0f, 0.35f, t)) * 0.45f);
            }

            // Glow around the set sun.
            float cosAngle = std::cos(up) * std::cos(sunEl) * toSun + std::sin(up) * std::sin(sunEl);
            float glow = std::pow(ToolClamp01(cosAngle), 24.0f) * 0.9f + std::pow(ToolClamp01(cosAngle), 4.0f) * 0.25f;
            c          = ToolMix(c, sunGlow, ToolClamp01(glow));

            // Streaks of cloud between the horizon and half way up, lit from below on
            // the sun's side. The noise repeats every 16 cells around the azimuth.
            {
                float    u     = float(x) / float(width);
                float    n     = ToolFbm(u * 16.0f, up * 26.0f, 5, 313u, 16, 0.55f);
                float    band  = ToolSmoothstep(0.02f, 0.10f, up) * (1.0f - ToolSmoothstep(0.35f, 0.75f, up));
                float    cover = ToolSmoothstep(0.50f, 0.72f, n) * band;
                ToolRGBA cloud =
                    ToolMix(cloudDark, cloudLit, sunSide * (1.0f - ToolSmoothstep(0.05f, 0.6f, up) * 0.6f));
                c = ToolMix(c, cloud, cover * 0.85f);
            }
            if (mirrored)
                c = ToolMix(ToolMix(c, below, 0.25f), c, 1.0f - ToolSmoothstep(0.0f, 0.5f, up) * 0.5f);
            c.a          = 1.0f;
            img.At(x, y) = c;
        }
    }
    return img;
}

}   // namespace

int main(int argc, char** argv)
{
    std::string dir;
    if (!ToolOutputFolder(argc, argv, dir))
        return 2;

    bool ok = MakeGround().Save((dir + "Ground.png").c_str());
    ok      = MakeWaterBump().Save((dir + "WaterBump.png").c_str()) && ok;
    ok      = MakeSky().Save((dir + "SkyDusk1.png").c_str()) && ok;
    return ok ? 0 : 1;
}
