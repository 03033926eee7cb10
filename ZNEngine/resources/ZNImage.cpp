// ZNImage: image types, PNG files, sampling and resampling.
#include "resources/ZNImage.h"
#include "files/ZNArchive.h"
#include "files/ZNFileIO.h"
#include "resources/ZNImageCodec.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

// ---------------------------------------------------------------------------
// Limits

bool ImageSizeIsAllowed(UINT64 width, UINT64 height, UINT64 depth, UINT64 sides, ZNString* why)
{
    // "W x H" for a plain 2D image, "W x H x D x S" otherwise.
    char size[96];
    if (depth == 1 && sides == 1)
        snprintf(size, sizeof(size), "%llu x %llu", (unsigned long long)width, (unsigned long long)height);
    else
        snprintf(size, sizeof(size), "%llu x %llu x %llu x %llu", (unsigned long long)width, (unsigned long long)height,
                 (unsigned long long)depth, (unsigned long long)sides);

    ZNString reason;
    if (width == 0 || height == 0 || depth == 0 || sides == 0)
        reason = ZNString::Formatted("is %s pixels: no pixels at all", size);
    else if (width > ZN_IMAGE_MAX_SIDE || height > ZN_IMAGE_MAX_SIDE || depth > ZN_IMAGE_MAX_SIDE || sides > 6)
        reason = ZNString::Formatted("is %s pixels, beyond the limit of %u pixels a side", size, ZN_IMAGE_MAX_SIDE);
    // Each factor is at most 8192 here, so the product cannot wrap.
    else if (width * height * depth * sides * 4 > ZN_IMAGE_MAX_BYTES)
        reason = ZNString::Formatted("is %s pixels, %llu MiB decoded, beyond the limit of %llu MiB", size,
                                     (unsigned long long)((width * height * depth * sides * 4) >> 20),
                                     (unsigned long long)(ZN_IMAGE_MAX_BYTES >> 20));
    if (reason.Size() && why)
        *why = reason;
    return reason.Size() == 0;
}

namespace
{

UINT32 ReadBigEndian32(const UINT8* p)
{
    return ((UINT32)p[0] << 24) | ((UINT32)p[1] << 16) | ((UINT32)p[2] << 8) | p[3];
}

// Samples per pixel of a PNG colour type; 0 for a type PNG does not define.
UINT32 PngChannels(UINT32 colorType)
{
    switch (colorType)
    {
    case 0: return 1;   // grey
    case 2: return 3;   // RGB
    case 3: return 1;   // palette index
    case 4: return 2;   // grey + alpha
    case 6: return 4;   // RGBA
    default: return 0;
    }
}

bool Refuse(ZNString* why, const char* reason)
{
    if (why)
        *why = reason;
    return false;
}

}   // namespace

bool CheckPngHeader(const void* bytes, UINT32 size, ZNString* why)
{
    static const UINT8 kSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    const UINT8*       p             = (const UINT8*)bytes;
    // Signature, then the IHDR chunk: length 13, type, 13 bytes, CRC.
    if (!p || size < 8 || memcmp(p, kSignature, 8) != 0)
        return Refuse(why, "is not a PNG file (no PNG signature)");
    if (size < 8 + 8 + 13 || ReadBigEndian32(p + 8) != 13 || memcmp(p + 12, "IHDR", 4) != 0)
        return Refuse(why, "is not a PNG file (no IHDR chunk at the start)");
    const UINT32 width     = ReadBigEndian32(p + 16);
    const UINT32 height    = ReadBigEndian32(p + 20);
    const UINT32 bitDepth  = p[24];
    const UINT32 colorType = p[25];
    if (!ImageSizeIsAllowed(width, height, 1, 1, why))
        return false;

    // Compressed image data in the file: the IDAT chunks, walked by their
    // headers only (a damaged chunk list simply ends the walk).
    UINT64 compressed = 0;
    for (UINT64 at = 8; at + 8 <= size;)
    {
        const UINT32 length = ReadBigEndian32(p + at);
        if (memcmp(p + at + 4, "IDAT", 4) == 0)
            compressed += length < size - at - 8 ? length : size - at - 8;
        if (memcmp(p + at + 4, "IEND", 4) == 0)
            break;
        at += 12 + (UINT64)length;
    }
    // The smallest filtered data the header implies: one filter byte and the
    // packed samples per row (interlacing only adds to it). Deflate cannot
    // expand its input more than 1032 times, so less compressed data than that
    // cannot hold the image; the slack covers tiny images' stream overhead.
    const UINT32 channels = PngChannels(colorType);
    if (channels && bitDepth && bitDepth <= 16)
    {
        const UINT64 rowBytes = ((UINT64)width * channels * bitDepth + 7) / 8;
        const UINT64 raw      = (UINT64)height * (1 + rowBytes);
        if (raw > compressed * 1032 + 4096)
        {
            if (why)
                *why = ZNString::Formatted("claims %u x %u pixels but holds only %llu bytes of image data", width,
                                           height, (unsigned long long)compressed);
            return false;
        }
    }
    return true;
}

bool ReadPngFileSize(const char* name, UINT32& width, UINT32& height)
{
    static const UINT8 kSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    FILE*              f             = ZNOpenFile(name, ZN_FILE_READ | ZN_FILE_BINARY);
    if (!f)
        return false;
    UINT8        head[24];
    const size_t got = fread(head, 1, sizeof(head), f);
    fclose(f);
    if (got != sizeof(head) || memcmp(head, kSignature, 8) != 0 || ReadBigEndian32(head + 8) != 13 ||
        memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    width  = ReadBigEndian32(head + 16);
    height = ReadBigEndian32(head + 20);
    return true;
}

// ---------------------------------------------------------------------------
// Image types

UINT8* ZNImage::GetData()
{
    return Pixels.Size() ? (UINT8*)&Pixels[0] : nullptr;
}

const UINT8* ZNImage::GetData() const
{
    return Pixels.Size() ? (const UINT8*)&Pixels[0] : nullptr;
}

void ZNImage::Resize(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides)
{
    BREAK_IF(depth > 1 || sides > 1);
    // Pixel counts and byte sizes are 32-bit: a size whose bytes would not fit
    // leaves the image empty instead of wrapping to a small block.
    if ((UINT64)width * height * 4 > 0xFFFFFFFFull)
    {
        BREAK_IF("ZNImage size does not fit 32 bits");
        width = height = 0;
    }
    Width  = width;
    Height = height;
    Pixels.SetCount(width * height);
}

UINT32& ZNImage::Pixel(UINT32 x, UINT32 y)
{
    if (ZN_CHECK_FAILED(x >= Width || y >= Height))
        return Scratch;
    return Pixels[y * Width + x];
}

const UINT32& ZNImage::Pixel(UINT32 x, UINT32 y) const
{
    if (ZN_CHECK_FAILED(x >= Width || y >= Height))
        return Scratch;
    return Pixels[y * Width + x];
}

bool ZNGreyImage::Resize(UINT32 width, UINT32 height)
{
    const bool allowed = ImageSizeIsAllowed(width, height, 1, 1, nullptr);
    Width              = allowed ? width : 0;
    Height             = allowed ? height : 0;
    Samples.SetCount(Width * Height);
    return allowed;
}

TextureImage::TextureImage(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, const void* source)
{
    Resize(width, height, depth, sides);
    if (source && ByteSize())
        memcpy(Bytes.Data(), source, (size_t)ByteSize());
}

UINT8* TextureImage::GetData()
{
    return (UINT8*)Bytes.Data();
}

const UINT8* TextureImage::GetData() const
{
    return (const UINT8*)Bytes.Data();
}

void TextureImage::Resize(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides)
{
    if (width == Width && height == Height && depth == Depth && sides == Sides)
        return;
    // An image with a zero dimension holds no block at all rather than a
    // zero-byte one, which the block type refuses; nor does one whose bytes
    // would not fit the block's 32-bit size, which says so instead of wrapping.
    if ((UINT64)width * height * depth * sides * 4 > 0xFFFFFFFFull)
    {
        BREAK_IF("TextureImage size does not fit 32 bits");
        width = height = depth = sides = 0;
    }
    Width  = width;
    Height = height;
    Depth  = depth;
    Sides  = sides;
    if (ByteSize() == 0)
        Bytes.Release();
    else
        Bytes.Resize((UINT32)ByteSize());
}

void FloatImage::Resize(UINT32 width, UINT32 height, bool keep)
{
    if (width == Width && height == Height)
        return;
    ZNPodArray<FloatPixel> resized;
    resized.SetCount(width * height);
    FloatPixel* dst = resized.Data();
    if (keep && dst)
        memset(dst, 0, sizeof(FloatPixel) * width * height);
    // Pixel (x, y) stays at (x, y) wherever both sizes have it.
    const UINT32 keptWidth  = width < Width ? width : Width;
    const UINT32 keptHeight = height < Height ? height : Height;
    for (UINT32 y = 0; y < keptHeight && keptWidth; ++y)
        memcpy(dst + (size_t)y * width, Pixels.Data() + (size_t)y * Width, keptWidth * sizeof(FloatPixel));
    Pixels = resized;
    Width  = width;
    Height = height;
}

// ---------------------------------------------------------------------------
// PNG files (the codec itself is ZNImagePNG.cpp or ZNImageWIC.cpp)

namespace
{
// The checks and messages every PNG decode shares around the codec's own work,
// decode(bytes, why).
template <class Decode>
bool LoadPng(const void* bytes, UINT32 size, const char* name, ZNString* reason, Decode decode)
{
    ZNString why;
    bool     ok = false;
    if (size < 3 || !bytes)
        why = size ? "is too short to be a PNG file" : "is empty";
    else if (CheckPngHeader(bytes, size, &why))
    {
        ok = decode((const UINT8*)bytes, &why);
        if (!ok && why.Size() == 0)
            why = "could not be decoded";
    }
    if (!ok && name)
        PrintStdout("Image \"%s\": %s\n", name, why.CStr());
    if (!ok && reason)
        *reason = why;
    return ok;
}

// The whole file, or false with the path and the reason printed.
bool ReadImageBytes(const char* path, ZNPodArray<UINT8>& bytes)
{
    if (ReadFileToArray(path, bytes))
        return true;
    PrintStdout("Image \"%s\": %s\n", path ? path : "",
                FileExists(path) ? "the file cannot be read" : "the file is missing or cannot be opened");
    return false;
}
}   // namespace

bool LoadPngFromMemory(const void* bytes, UINT32 size, ImageData& image, const char* name, ZNString* reason)
{
    return LoadPng(bytes, size, name, reason,
                   [&](const UINT8* data, ZNString* why) { return ZNDecodePng(data, size, image, why, name); });
}

bool LoadPngGreyFromMemory(const void* bytes, UINT32 size, ZNGreyImage& image, const char* name, ZNString* reason)
{
    return LoadPng(bytes, size, name, reason,
                   [&](const UINT8* data, ZNString* why) { return ZNDecodePngGrey(data, size, image, why, name); });
}

bool EncodePngToArray(const ImageData& image, ZNPodArray<UINT8>& out, ImageFileType type, int level)
{
    out.SetCount(0);
    if (type != ImageFileType_Png)
        return false;
    // libpng refuses empty images itself, but the row table needs pixels first.
    if (image.GetWidth() == 0 || image.GetHeight() == 0 || !image.GetData())
        return false;
    bool ok;
    {
        ZNOutputArchive archive(out);
        ok = ZNEncodePng(image, archive, level);
    }
    if (!ok)
        out.SetCount(0);   // no half-written file for the caller to store
    return ok;
}

bool LoadImageFile(const char* path, ImageData& image)
{
    ZNPodArray<UINT8> bytes;
    if (!ReadImageBytes(path, bytes))
        return false;
    return LoadPngFromMemory(bytes.Size() ? &bytes[0] : nullptr, bytes.Size(), image, path);
}

bool LoadGreyImageFile(const char* path, ZNGreyImage& image)
{
    ZNPodArray<UINT8> bytes;
    if (!ReadImageBytes(path, bytes))
        return false;
    return LoadPngGreyFromMemory(bytes.Size() ? &bytes[0] : nullptr, bytes.Size(), image, path);
}

bool SaveImageFile(const char* path, const ImageData& image, int level)
{
    ZNPodArray<UINT8> bytes;
    if (!EncodePngToArray(image, bytes, GetImageFileType(path), level))
        return false;
    return WriteArrayToBinaryFile(path, bytes);
}

ImageFileType GetImageFileType(const char* path)
{
    size_t length = path ? strlen(path) : 0;
    if (length < 3)
        return ImageFileType_Unknown;
    char ext[4];
    for (int i = 0; i < 3; ++i)
    {
        char c = path[length - 3 + i];
        ext[i] = (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
    }
    ext[3] = 0;
    if (strcmp(ext, "png") == 0)
        return ImageFileType_Png;
    if (strcmp(ext, "dds") == 0)
        return ImageFileType_Dds;
    return ImageFileType_Unknown;
}

// ---------------------------------------------------------------------------
// Sampling

namespace
{

FloatPixel UnpackColor(UINT32 c)
{
    const float k = 0.003921569f;
    FloatPixel  p = { (float)(c & 0xFF) * k, (float)((c >> 8) & 0xFF) * k, (float)((c >> 16) & 0xFF) * k,
                      (float)(c >> 24) * k };
    return p;
}

// Index of a floor or ceiling in [0, limit - 1]; NaN and huge values stay in range.
UINT32 ClampIndex(float v, UINT32 limit)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= (float)(limit - 1))
        return limit - 1;
    return (UINT32)v;
}

FloatPixel Lerp(const FloatPixel& a, const FloatPixel& b, float f)
{
    FloatPixel r = { a.R + (b.R - a.R) * f, a.G + (b.G - a.G) * f, a.B + (b.B - a.B) * f, a.A + (b.A - a.A) * f };
    return r;
}

// The four pixels around (x, y), clamped to the image, and the weights between them.
struct Taps
{
    UINT32 TopLeft;   // index of the upper left pixel
    UINT32 Right;     // step to the pixel on its right (0 at the last column)
    UINT32 Down;      // step to the pixel below it (0 at the last row)
    float  Fx, Fy;    // weights of the right and the lower pixels
};

Taps TapsAt(float x, float y, UINT32 width, UINT32 height)
{
    const UINT32 x0 = ClampIndex(floorf(x), width), x1 = ClampIndex(ceilf(x), width);
    const UINT32 y0 = ClampIndex(floorf(y), height), y1 = ClampIndex(ceilf(y), height);
    return Taps{ y0 * width + x0, x1 - x0, (y1 - y0) * width, x - floorf(x), y - floorf(y) };
}

FloatPixel SampleAt(const ZNImage& image, float x, float y)
{
    if (image.Width == 0 || image.Height == 0 || image.Pixels.Size() < image.Width * image.Height)
    {
        FloatPixel none = { 0.0f, 0.0f, 0.0f, 0.0f };
        return none;
    }
    const Taps    t  = TapsAt(x, y, image.Width, image.Height);
    const UINT32* p  = &image.Pixels[0];
    FloatPixel    tl = UnpackColor(p[t.TopLeft]);
    FloatPixel    tr = UnpackColor(p[t.TopLeft + t.Right]);
    FloatPixel    bl = UnpackColor(p[t.TopLeft + t.Down]);
    FloatPixel    br = UnpackColor(p[t.TopLeft + t.Down + t.Right]);
    return Lerp(Lerp(tl, tr, t.Fx), Lerp(bl, br, t.Fx), t.Fy);
}

}   // namespace

// Whole multiples of 257 (the 8-bit levels) take UnpackColor's product exactly,
// adding only +0.0; the 256 levels between two of them add their share of one
// 8-bit step.
float GreyUnit(UINT32 sample)
{
    const float k = 0.003921569f;
    return (float)(sample / 257) * k + (float)(sample % 257) * (k / 257.0f);
}

namespace
{

// SampleAt's arithmetic, step for step, over one 16-bit channel.
float GreySampleAt(const ZNGreyImage& image, float x, float y)
{
    if (image.Width == 0 || image.Height == 0 || image.Samples.Size() < image.Width * image.Height)
        return 0.0f;
    const Taps    t   = TapsAt(x, y, image.Width, image.Height);
    const UINT16* p   = image.Samples.Data();
    const float   tl  = GreyUnit(p[t.TopLeft]);
    const float   tr  = GreyUnit(p[t.TopLeft + t.Right]);
    const float   bl  = GreyUnit(p[t.TopLeft + t.Down]);
    const float   br  = GreyUnit(p[t.TopLeft + t.Down + t.Right]);
    const float   top = tl + (tr - tl) * t.Fx, bottom = bl + (br - bl) * t.Fx;
    return top + (bottom - top) * t.Fy;
}

}   // namespace

FloatPixel SampleBilinear(const ZNImage& image, float u, float v)
{
    BREAK_IF(u < 0.0f || u > 1.0f || v < 0.0f || v > 1.0f);
    return SampleAt(image, (float)(image.Width - 1) * u, (float)(image.Height - 1) * v);
}

FloatPixel SampleBilinearWrap(const ZNImage& image, float u, float v)
{
    u = (float)fmod(u, 1.0);
    v = (float)fmod(v, 1.0);
    return SampleAt(image, (float)image.Width * u, (float)image.Height * v);
}

FloatPixel SampleBilinearClamp(const ZNImage& image, float u, float v)
{
    u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
    v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    return SampleAt(image, (float)image.Width * u, (float)image.Height * v);
}

void GreyFromRed(const ZNImage& image, ZNGreyImage& out)
{
    const bool whole = image.Pixels.Size() >= image.Width * image.Height;
    out.Resize(whole ? image.Width : 0, whole ? image.Height : 0);
    for (UINT32 i = 0; i < out.Width * out.Height; ++i)
        out.Samples[i] = (UINT16)((image.Pixels[i] & 0xFF) * 257);
}

float SampleGreyBilinear(const ZNGreyImage& image, float u, float v)
{
    BREAK_IF(u < 0.0f || u > 1.0f || v < 0.0f || v > 1.0f);
    return GreySampleAt(image, (float)(image.Width - 1) * u, (float)(image.Height - 1) * v);
}

// ---------------------------------------------------------------------------
// Resampling

namespace
{

// Where destination pixel i of an n -> m line samples: pixels I0 and I1 with
// the 8-bit weight W of I1. The same for every line of a pass, so a pass
// computes it once.
struct ResampleTap
{
    UINT32 I0, I1, W;
};

void BuildTaps(UINT32 n, UINT32 m, ResampleTap* taps)
{
    for (UINT32 i = 0; i < m; ++i)
    {
        float  s  = (float)((double)i * n / m);
        UINT32 i0 = (UINT32)floorf(s);
        if (i0 > n - 1)
            i0 = n - 1;
        double f   = fmod((double)s - i0 + 0.5, 1.0);
        taps[i].I0 = i0;
        taps[i].I1 = i0 + 1 < n ? i0 + 1 : n - 1;
        taps[i].W  = (UINT32)(f * 256.0);
    }
}

// (a x (256 - w) + b x w) >> 8 per channel, two channels per multiply.
inline UINT32 Blend(UINT32 a, UINT32 b, UINT32 w)
{
    UINT32 rb = (((a & 0x00FF00FF) * (256 - w) + (b & 0x00FF00FF) * w) >> 8) & 0x00FF00FF;
    UINT32 ga = ((((a >> 8) & 0x00FF00FF) * (256 - w) + ((b >> 8) & 0x00FF00FF) * w) >> 8) & 0x00FF00FF;
    return rb | (ga << 8);
}

void ResampleLine(const UINT32* src, UINT32 n, size_t srcStride, UINT32* dst, UINT32 m, size_t dstStride,
                  const ResampleTap* taps)
{
    if (n == m)
    {
        for (UINT32 i = 0; i < n; ++i)
            dst[i * dstStride] = src[i * srcStride];
        return;
    }
    if (n == 2 * m)
    {
        // Halving: every weight is 128, which is the rounded-down average of
        // each channel pair.
        for (UINT32 i = 0; i < m; ++i)
        {
            UINT32 a = src[2 * i * srcStride], b = src[(2 * i + 1) * srcStride];
            dst[i * dstStride] = ((a & 0xFEFEFEFE) >> 1) + ((b & 0xFEFEFEFE) >> 1) + (a & b & 0x01010101);
        }
        return;
    }
    for (UINT32 i = 0; i < m; ++i)
        dst[i * dstStride] = Blend(src[taps[i].I0 * srcStride], src[taps[i].I1 * srcStride], taps[i].W);
}

// One pass over `lines` lines of n pixels (stride apart) to m pixels. Lines
// come in groups of lineGroup: line l of group g starts at g x srcGroup +
// l x srcLine in src and g x dstGroup + l x dstLine in dst (in pixels).
void ResamplePass(const UINT32* src, UINT32* dst, size_t lines, size_t srcLine, size_t dstLine, UINT32 n, UINT32 m,
                  size_t stride, size_t lineGroup, size_t srcGroup, size_t dstGroup)
{
    ResampleTap* taps = (ResampleTap*)ZNAlloc(sizeof(ResampleTap) * m);
    BuildTaps(n, m, taps);
    for (size_t g = 0; g < lines / lineGroup; ++g)
        for (size_t l = 0; l < lineGroup; ++l)
            ResampleLine(src + g * srcGroup + l * srcLine, n, stride, dst + g * dstGroup + l * dstLine, m, stride,
                         taps);
    ZNFree(taps);
}

}   // namespace

void Resample1D(const UINT32* src, UINT32 n, UINT32 srcStride, UINT32* dst, UINT32 m, UINT32 dstStride)
{
    if (n == 0 || m == 0)
        return;
    for (UINT32 i = 0; i < m; ++i)
    {
        ResampleTap tap;
        float       s  = (float)((double)i * n / m);
        UINT32      i0 = (UINT32)floorf(s);
        if (i0 > n - 1)
            i0 = n - 1;
        tap.I0 = i0;
        tap.I1 = i0 + 1 < n ? i0 + 1 : n - 1;
        tap.W  = (UINT32)(fmod((double)s - i0 + 0.5, 1.0) * 256.0);
        dst[(size_t)i * dstStride] =
            n == m ? src[(size_t)i * srcStride]
                   : Blend(src[(size_t)tap.I0 * srcStride], src[(size_t)tap.I1 * srcStride], tap.W);
    }
}

void ResizeImage(TextureImage& image, UINT32 width, UINT32 height, UINT32 depth)
{
    const UINT32 w0 = image.Width, h0 = image.Height, d0 = image.Depth, sides = image.Sides;
    if (width == w0 && height == h0 && depth == d0)
        return;
    // Sizes are multiplied in 64 bits: 32-bit products of large dimensions wrap
    // to small or zero values and would size the passes wrongly.
    if ((UINT64)w0 * h0 * d0 * sides == 0 || (UINT64)width * height * depth == 0)
    {
        // Nothing to resample from or to: only the size changes.
        image.Resize(width, height, depth, sides);
        return;
    }

    // The target and both intermediate images (new width first, then new
    // height) must be within the limits before anything is allocated.
    if (!ImageSizeIsAllowed(width, height, depth, sides, nullptr) ||
        !ImageSizeIsAllowed(width, h0, d0, sides, nullptr) || !ImageSizeIsAllowed(width, height, d0, sides, nullptr))
    {
        BREAK_IF("ResizeImage target beyond the image limits");
        image.Resize(0, 0, 0, 0);
        return;
    }

    // Along x: new width, old height and depth; lines are rows.
    TextureImage passX(width, h0, d0, sides);
    ResamplePass((const UINT32*)image.GetData(), (UINT32*)passX.GetData(), (size_t)h0 * d0 * sides, w0, width, w0,
                 width, 1, 1, w0, width);
    // Along y: new width and height, old depth; lines are columns of a slice.
    TextureImage passY(width, height, d0, sides);
    ResamplePass((const UINT32*)passX.GetData(), (UINT32*)passY.GetData(), (size_t)width * d0 * sides, 1, 1, h0, height,
                 width, width, (size_t)width * h0, (size_t)width * height);
    // Along z: every pixel column through the slices of a side.
    image.Resize(width, height, depth, sides);
    const size_t plane = (size_t)width * height;
    ResamplePass((const UINT32*)passY.GetData(), (UINT32*)image.GetData(), plane * sides, 1, 1, d0, depth, plane, plane,
                 plane * d0, plane * depth);
}

void FlipVertical(TextureImage& image)
{
    UINT8* data = image.ByteSize() ? image.GetData() : nullptr;
    if (!data)
        return;
    const size_t pitch = (size_t)image.Width * 4;
    UINT8*       tmp   = (UINT8*)ZNAlloc(pitch);
    for (size_t slice = 0; slice < (size_t)image.Depth * image.Sides; ++slice)
    {
        UINT8* base = data + slice * pitch * image.Height;
        for (UINT32 y = 0; y < image.Height / 2; ++y)
        {
            UINT8* a = base + y * pitch;
            UINT8* b = base + (image.Height - 1 - y) * pitch;
            memcpy(tmp, a, pitch);
            memcpy(a, b, pitch);
            memcpy(b, tmp, pitch);
        }
    }
    ZNFree(tmp);
}
