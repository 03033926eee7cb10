// Helpers of the image and texture tests: small image makers, on top of the
// shared test toolkit.
#pragma once

#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <vector>

inline UINT32 Rgba(UINT32 r, UINT32 g, UINT32 b, UINT32 a)
{
    return r | (g << 8) | (b << 16) | (a << 24);
}

// An image whose every pixel differs: R = x, G = y, B = x ^ y, A = 255 - x.
inline void MakePattern(ZNImage& image, UINT32 width, UINT32 height)
{
    image.Resize(width, height, 1, 1);
    for (UINT32 y = 0; y < height; ++y)
        for (UINT32 x = 0; x < width; ++x)
            image.Pixel(x, y) = Rgba(x & 255, y & 255, (x ^ y) & 255, 255 - (x & 255));
}

// Writes image as a PNG file; fails the test when it cannot.
inline void WritePng(const std::string& path, const ZNImage& image)
{
    ASSERT_TRUE(SaveImageFile(path.c_str(), image)) << path;
}

// A 16-bit grey PNG file of width x height samples given row by row, made here
// (the engine writes 8-bit RGBA only), so every codec's grey decode can be
// checked against known samples.
inline std::vector<UINT8> Grey16Png(UINT32 width, UINT32 height, const std::vector<UINT16>& samples)
{
    std::vector<UINT8> raw;
    for (UINT32 y = 0; y < height; ++y)
    {
        raw.push_back(0);   // no filter
        for (UINT32 x = 0; x < width; ++x)
        {
            raw.push_back(UINT8(samples[(size_t)y * width + x] >> 8));
            raw.push_back(UINT8(samples[(size_t)y * width + x] & 0xFF));
        }
    }
    uLongf             packed = compressBound((uLong)raw.size());
    std::vector<UINT8> deflated(packed);
    EXPECT_EQ(compress2(deflated.data(), &packed, raw.data(), (uLong)raw.size(), 6), Z_OK);
    deflated.resize(packed);

    std::vector<UINT8> png     = { 137, 80, 78, 71, 13, 10, 26, 10 };
    auto               putBE32 = [](std::vector<UINT8>& out, UINT32 v)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(UINT8(v >> shift));
    };
    auto chunk = [&](const char* type, const std::vector<UINT8>& data)
    {
        putBE32(png, (UINT32)data.size());
        std::vector<UINT8> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        putBE32(png, (UINT32)crc32(crc32(0L, Z_NULL, 0), body.data(), (uInt)body.size()));
    };
    std::vector<UINT8> header;
    putBE32(header, width);
    putBE32(header, height);
    header.insert(header.end(), { 16, 0, 0, 0, 0 });   // 16-bit grey, deflate, no interlace
    chunk("IHDR", header);
    chunk("IDAT", deflated);
    chunk("IEND", {});
    return png;
}
