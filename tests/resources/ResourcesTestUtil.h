// Helpers of the image and texture tests: small image makers, on top of the
// shared test toolkit.
#pragma once

#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "common/ZNTestGL.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

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
