// make_terrain_maps: makes the demo's "Heightmap.png" and "Colormap.png".
//
//   make_terrain_maps <output folder> [size [bits]]
//
// size is the side of both maps in pixels (512 unless given; 64 to 8192), so bigger
// worlds can be built from maps as detailed as their grid. bits is the height map's
// depth: 8 (unless given) writes it as RGBA with the height in every colour
// channel, 16 as 16-bit grey, whose 65,536 levels keep gentle slopes smooth where
// 256 levels step them into terraces. The colour map is 8-bit RGBA either way.
//
// The height map is a fractal terrain over the world's 2000 x 2000 units: rolling
// hills in the middle, a lake and river valley below the water line south-west of
// the start position (the camera starts at the centre looking that way), forests on
// the slopes and a ring of ridged, snow-capped mountains towards the edges. Heights
// use the whole 0..1 range of the red channel (0 is z = 0, 1 is z = 600).
//
// The colour map is made from the same heights: colour by height and slope (lake
// bed, shore, grass, forest, rock, snow), lit by a low evening sun so the relief
// reads in the flat-shaded sprites. Both images are sampled over their whole area,
// row 0 at world y = -1000 and column 0 at world x = -1000. A 4096 map takes a
// while: the rows are shared out over every processor.
#include "ToolImage.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{

int         MapSize     = 512;       // pixels per side, from the command line
int         HeightBits  = 8;         // 8: RGBA height map, 16: 16-bit grey
const float WorldHalf   = 1000.0f;   // the world spans -1000..1000 on x and y
const float WorldHeight = 600.0f;    // height 1 is z = 600
const float WaterZ      = 100.0f;    // the water shader's plane; keep in step with Water.shd
const float WaterLevel  = WaterZ / WorldHeight;

// World x, y of a pixel centre, in -1..1.
float PixelToUnit(int p)
{
    return float(p) / float(MapSize - 1) * 2.0f - 1.0f;
}

float Distance(float ax, float ay, float bx, float by)
{
    return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

// Distance from (x, y) to a meandering river line running from the lake north-east
// and bending back west across the map.
float RiverDistance(float x, float y)
{
    float riverY = -0.15f + 0.18f * std::sin(x * 3.2f + 0.7f) + 0.06f * std::sin(x * 7.9f);
    float d      = std::fabs(y - riverY);
    // The river only runs west of x = 0.55, ending in the hills.
    if (x > 0.55f)
        d += (x - 0.55f) * 2.0f;
    return d;
}

float TerrainHeight(float x, float y)
{
    float hills  = ToolFbm((x + 1.3f) * 3.0f, (y + 2.1f) * 3.0f, 7, 11u);
    float detail = ToolFbm((x + 4.0f) * 14.0f, (y + 7.0f) * 14.0f, 4, 23u);

    // Mountains rise towards the edges, strongest in the far south-west and north-east.
    float r         = std::sqrt(x * x + y * y);
    float edge      = ToolSmoothstep(0.62f, 1.35f, r);
    float lobe      = 0.6f + 0.4f * ToolSmoothstep(-0.3f, 0.9f, std::fabs(x + y) * 0.7f);
    float ridges    = ToolRidged((x + 3.0f) * 2.6f, (y + 5.0f) * 2.6f, 6, 37u);
    float mountains = edge * lobe * (0.35f + 0.65f * ridges);

    float h = 0.17f + 0.30f * (hills - 0.3f) + 0.03f * (detail - 0.5f) + 0.80f * mountains;

    // A lake south-west of the centre, with a gently shelving bed.
    float lake = 1.0f - ToolSmoothstep(0.12f, 0.42f, Distance(x, y, -0.36f, -0.40f));
    h          = ToolLerp(h, WaterLevel - 0.09f + 0.02f * detail, lake * 0.95f);

    // The river valley that feeds it.
    float river = 1.0f - ToolSmoothstep(0.012f, 0.15f, RiverDistance(x, y));
    river *= 1.0f - edge;
    h = ToolLerp(h, WaterLevel - 0.03f, river * 0.9f);

    return ToolClamp01(h);
}

ToolRGBA Rgb(float r, float g, float b)
{
    return { r, g, b, 1.0f };
}

// Runs row(py) for every row of the map, the rows shared out over the processors.
// Each row depends only on its own coordinates, so the maps come out the same
// on any machine.
template <class Row>
void ForEachRow(const Row& row)
{
    const unsigned           threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(
            [&row, t, threads]
            {
                for (int py = int(t); py < MapSize; py += int(threads))
                    row(py);
            });
    for (std::thread& thread : pool)
        thread.join();
}

// A whole number from min to max, or a message and false.
bool ParseNumber(const char* program, const char* what, const char* text, long min, long max, int& out)
{
    char*      end   = nullptr;
    const long value = strtol(text, &end, 10);
    if (!end || *end || value < min || value > max)
    {
        fprintf(stderr, "%s: %s '%s' is not a whole number from %ld to %ld\n", program, what, text, min, max);
        return false;
    }
    out = int(value);
    return true;
}

}   // namespace

int main(int argc, char** argv)
{
    std::string dir;
    if (!ToolOutputFolder(argc, argv, dir, " [size [bits]]", 2))
        return 2;
    if (argc >= 3 && !ParseNumber(argv[0], "size", argv[2], 64, 8192, MapSize))
        return 2;
    if (argc == 4 &&
        (!ParseNumber(argv[0], "bits", argv[3], 8, 16, HeightBits) || (HeightBits != 8 && HeightBits != 16)))
    {
        fprintf(stderr, "%s: bits must be 8 or 16\n", argv[0]);
        return 2;
    }

    std::vector<float> height(size_t(MapSize) * MapSize);
    ForEachRow(
        [&](int py)
        {
            for (int px = 0; px < MapSize; ++px)
                height[size_t(py) * MapSize + size_t(px)] = TerrainHeight(PixelToUnit(px), PixelToUnit(py));
        });

    auto H = [&](int px, int py)
    {
        px = px < 0 ? 0 : (px >= MapSize ? MapSize - 1 : px);
        py = py < 0 ? 0 : (py >= MapSize ? MapSize - 1 : py);
        return height[size_t(py) * MapSize + size_t(px)] * WorldHeight;
    };

    // Evening sun, low in the west-south-west (the sky's sun sits at the same azimuth).
    const float sunAz = 3.55f, sunEl = 0.30f;
    const float lx = std::cos(sunAz) * std::cos(sunEl), ly = std::sin(sunAz) * std::cos(sunEl), lz = std::sin(sunEl);
    const float cell = 2.0f * WorldHalf / float(MapSize - 1);

    const ToolRGBA lakeBed = Rgb(0.36f, 0.33f, 0.22f), deepBed = Rgb(0.16f, 0.20f, 0.18f);
    const ToolRGBA sand = Rgb(0.80f, 0.72f, 0.50f), grass = Rgb(0.38f, 0.58f, 0.20f);
    const ToolRGBA meadow = Rgb(0.55f, 0.62f, 0.25f), forest = Rgb(0.13f, 0.33f, 0.12f);
    const ToolRGBA rock = Rgb(0.46f, 0.42f, 0.38f), darkRock = Rgb(0.30f, 0.27f, 0.25f);
    const ToolRGBA snow = Rgb(0.95f, 0.95f, 0.98f);

    ToolImage colorMap(MapSize, MapSize);
    ForEachRow(
        [&](int py)
        {
            for (int px = 0; px < MapSize; ++px)
            {
                float h    = H(px, py) / WorldHeight;
                float dzdx = (H(px + 1, py) - H(px - 1, py)) / (2.0f * cell);
                float dzdy = (H(px, py + 1) - H(px, py - 1)) / (2.0f * cell);
                float nx = -dzdx, ny = -dzdy, nz = 1.0f;
                float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
                nx /= nl;
                ny /= nl;
                nz /= nl;
                float slope = 1.0f - nz;   // 0 flat, towards 1 on cliffs

                float x = PixelToUnit(px), y = PixelToUnit(py);
                float patch = ToolFbm((x + 9.0f) * 9.0f, (y + 3.0f) * 9.0f, 5, 71u);
                float fine  = ToolHash(px, py, 5u);

                ToolRGBA c;
                if (h < WaterLevel)
                {
                    c = ToolMix(lakeBed, deepBed, ToolSmoothstep(0.0f, 0.08f, WaterLevel - h));
                }
                else
                {
                    float above        = h - WaterLevel;
                    c                  = ToolMix(sand, grass, ToolSmoothstep(0.008f, 0.03f, above));
                    c                  = ToolMix(c, meadow, ToolSmoothstep(0.45f, 0.75f, patch) * 0.7f);
                    float forestAmount = ToolSmoothstep(0.04f, 0.10f, above) * (1.0f - ToolSmoothstep(0.40f, 0.52f, h));
                    forestAmount *= ToolSmoothstep(0.38f, 0.55f, patch + 0.25f * slope + 0.08f * fine);
                    c = ToolMix(c, forest, forestAmount);
                    float rockAmount =
                        ToolSmoothstep(0.42f, 0.58f, h + 0.05f * patch) + ToolSmoothstep(0.28f, 0.45f, slope);
                    c                = ToolMix(c, ToolMix(rock, darkRock, patch), ToolClamp01(rockAmount));
                    float snowAmount = ToolSmoothstep(0.66f, 0.74f, h + 0.06f * (patch - 0.5f)) *
                                       (1.0f - ToolSmoothstep(0.35f, 0.6f, slope));
                    c = ToolMix(c, snow, snowAmount);
                }

                // Low warm sun with a cool sky fill.
                float diffuse = nx * lx + ny * ly + nz * lz;
                diffuse       = diffuse < 0.0f ? 0.0f : diffuse;
                float light   = 0.55f + 0.9f * diffuse;
                float jitter  = 0.94f + 0.12f * fine;
                c.r *= (light * 1.05f) * jitter;
                c.g *= (light * 0.97f) * jitter;
                c.b *= (light * 0.92f + 0.04f) * jitter;
                c.a                 = 1.0f;
                colorMap.At(px, py) = c;
            }
        });

    bool ok = true;
    if (HeightBits == 16)
        ok = ToolSaveGrey16((dir + "Heightmap.png").c_str(), MapSize, MapSize, height);
    else
    {
        ToolImage heightMap(MapSize, MapSize);
        for (size_t i = 0; i < height.size(); ++i)
            heightMap.Pixels[i] = { height[i], height[i], height[i], 1.0f };
        ok = heightMap.Save((dir + "Heightmap.png").c_str());
    }
    ok = colorMap.Save((dir + "Colormap.png").c_str()) && ok;
    return ok ? 0 : 1;
}
