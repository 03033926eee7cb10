// ToolImage: the little kit shared by the programs that make the demo's images.
//
//   ToolImage img(w, h);          RGBA float canvas, all zero
//   img.At(x, y) = {r, g, b, a};  components 0..1, clamped when written
//   img.Save("Data/Ground.png");  8-bit RGBA PNG through libpng; false on failure
//   ToolSaveGrey16(path, w, h, v); values 0..1 as a 16-bit grey PNG (height maps)
//
//   std::string dir;              every tool takes its output folder as its one argument
//   if (!ToolOutputFolder(argc, argv, dir)) return 2;
//
// The noise is hashed from integer lattice points, so every run of a tool makes
// exactly the same files. Every noise function can tile with a given period, which
// the water bump map needs to repeat without seams.
#pragma once

#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The output folder, every tool's first argument, with a '/' at its end unless
// it is empty (the current folder). Up to maxOptional more arguments may follow,
// shown in the usage as optional (" [size]"); any other command line prints the
// usage and gives false, and the tool then ends with exit code 2.
inline bool ToolOutputFolder(int argc, char** argv, std::string& dir, const char* optional = "", int maxOptional = 0)
{
    if (argc < 2 || argc > 2 + maxOptional)
    {
        fprintf(stderr, "usage: %s <output folder>%s\n", argc > 0 ? argv[0] : "tool", optional);
        return false;
    }
    dir = argv[1];
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return true;
}

struct ToolRGBA
{
    float r, g, b, a;
};

inline float ToolClamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

inline float ToolLerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

inline ToolRGBA ToolMix(const ToolRGBA& a, const ToolRGBA& b, float t)
{
    return { ToolLerp(a.r, b.r, t), ToolLerp(a.g, b.g, t), ToolLerp(a.b, b.b, t), ToolLerp(a.a, b.a, t) };
}

inline float ToolSmoothstep(float e0, float e1, float x)
{
    float t = ToolClamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// Writes rows of packed samples (bitDepth 8 or 16, big-endian as PNG keeps them)
// as a PNG of the given colour type; `what` names the form in the line it prints.
// Reports the file on failure and returns false.
inline bool ToolWritePng(const char* path, int width, int height, int bitDepth, int colorType, size_t rowBytes,
                         const std::vector<uint8_t>& bytes, const char* what)
{
    FILE* f = fopen(path, "wb");
    if (!f)
    {
        fprintf(stderr, "%s: cannot open for writing\n", path);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = const_cast<uint8_t*>(bytes.data()) + size_t(y) * rowBytes;

    png_structp png  = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop   info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        fprintf(stderr, "%s: PNG encoding failed\n", path);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fclose(f) != 0)
    {
        fprintf(stderr, "%s: write failed\n", path);
        return false;
    }
    printf("wrote %s (%d x %d%s)\n", path, width, height, what);
    return true;
}

class ToolImage
{
public:
    ToolImage(int width, int height) : Width(width), Height(height), Pixels(size_t(width) * size_t(height)) {}

    ToolRGBA&       At(int x, int y) { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
    const ToolRGBA& At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }

    // Writes an 8-bit RGBA PNG. Reports the file on failure and returns false.
    bool Save(const char* path) const
    {
        std::vector<uint8_t> bytes(static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4);
        for (size_t i = 0; i < Pixels.size(); ++i)
        {
            const ToolRGBA& p = Pixels[i];
            bytes[i * 4 + 0]  = uint8_t(ToolClamp01(p.r) * 255.0f + 0.5f);
            bytes[i * 4 + 1]  = uint8_t(ToolClamp01(p.g) * 255.0f + 0.5f);
            bytes[i * 4 + 2]  = uint8_t(ToolClamp01(p.b) * 255.0f + 0.5f);
            bytes[i * 4 + 3]  = uint8_t(ToolClamp01(p.a) * 255.0f + 0.5f);
        }
        return ToolWritePng(path, Width, Height, 8, PNG_COLOR_TYPE_RGBA, size_t(Width) * 4, bytes, "");
    }

    int                   Width;
    int                   Height;
    std::vector<ToolRGBA> Pixels;
};

// Writes width x height values (0..1, clamped, row by row) as a 16-bit grey PNG,
// 65,536 levels where Save keeps 256. Reports the file on failure and returns false.
inline bool ToolSaveGrey16(const char* path, int width, int height, const std::vector<float>& values)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 2);
    for (size_t i = 0; i < bytes.size() / 2; ++i)
    {
        const uint16_t v = uint16_t(ToolClamp01(values[i]) * 65535.0f + 0.5f);
        bytes[i * 2 + 0] = uint8_t(v >> 8);
        bytes[i * 2 + 1] = uint8_t(v & 0xFF);
    }
    return ToolWritePng(path, width, height, 16, PNG_COLOR_TYPE_GRAY, size_t(width) * 2, bytes, ", 16-bit grey");
}

// Integer hash of a lattice point to [0, 1).
inline float ToolHash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h & 0xFFFFFFu) / float(0x1000000);
}

inline int ToolWrap(int v, int period)
{
    if (period <= 0)
        return v;
    int m = v % period;
    return m < 0 ? m + period : m;
}

// Value noise with a smooth interpolant; lattice coordinates repeat every
// `period` cells when period > 0.
inline float ToolValueNoise(float x, float y, uint32_t seed, int period = 0)
{
    float fx = std::floor(x), fy = std::floor(y);
    int   ix = int(fx), iy = int(fy);
    float tx = x - fx, ty = y - fy;
    tx       = tx * tx * tx * (tx * (tx * 6.0f - 15.0f) + 10.0f);
    ty       = ty * ty * ty * (ty * (ty * 6.0f - 15.0f) + 10.0f);
    int   x0 = ToolWrap(ix, period), x1 = ToolWrap(ix + 1, period);
    int   y0 = ToolWrap(iy, period), y1 = ToolWrap(iy + 1, period);
    float a = ToolHash(x0, y0, seed), b = ToolHash(x1, y0, seed);
    float c = ToolHash(x0, y1, seed), d = ToolHash(x1, y1, seed);
    return ToolLerp(ToolLerp(a, b, tx), ToolLerp(c, d, tx), ty);
}

// Fractal sum of octaves, normalised to about 0..1. With period > 0 the result
// tiles over `period` units of the first octave.
inline float ToolFbm(float x, float y, int octaves, uint32_t seed, int period = 0, float gain = 0.5f)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o)
    {
        sum += amp * ToolValueNoise(x, y, seed + uint32_t(o) * 7919u, period);
        norm += amp;
        amp *= gain;
        x *= 2.0f;
        y *= 2.0f;
        if (period > 0)
            period *= 2;
    }
    return sum / norm;
}

// Ridged variant for mountain crests: sharp at the ridge lines, 0..1.
inline float ToolRidged(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o)
    {
        float n = 1.0f - std::fabs(ToolValueNoise(x, y, seed + uint32_t(o) * 104729u) * 2.0f - 1.0f);
        sum += amp * n * n;
        norm += amp;
        amp *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
    }
    return sum / norm;
}
