// ZNImage: pictures in memory and their PNG files.
//
// Every image here is 8-bit RGBA: one pixel is four bytes R, G, B, A in memory
// order (R in bits 0-7 of the little-endian word), rows top to bottom without
// padding. The PNG codec works against the abstract ImageData, so the same
// decoder fills a 2D ZNImage and the texture system's TextureImage. The one
// exception is ZNGreyImage, a single 16-bit channel, for height maps whose
// 16-bit files must keep every level.
//
//   ZNImage img;
//   if (!LoadImageFile("Colormap.png", img)) ...;        // any PNG becomes RGBA 8
//   FloatPixel c = SampleBilinear(img, 0.5f, 0.5f);     // c.R .. c.A in [0, 1]
//   ZNGreyImage heights;
//   if (!LoadGreyImageFile("Heightmap.png", heights)) ...;   // grey or red, 16 bits
//   float h = SampleGreyBilinear(heights, 0.5f, 0.5f);       // in [0, 1]
//
// Guarantees: codec failures are a false result, never a crash or a leak; every
// libpng structure and row array is released on every path, long jumps included.
// Every size is checked against the limits below before anything is allocated:
// a PNG whose header claims more than 8192 pixels a side, more than 256 MiB of
// pixels, or more pixels than its compressed data could possibly hold is refused
// from its header alone. Given a name, a refusal prints the name and the reason.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

// Limits of every image the engine decodes, resamples or reads from a cache,
// whatever codec reads it. 8192 x 8192 RGBA is exactly the byte limit.
#define ZN_IMAGE_MAX_SIDE 8192u
#define ZN_IMAGE_MAX_BYTES (256ull << 20)

class ZNString;

// True when width x height x depth x sides RGBA pixels are within the limits
// (every dimension at least 1 and at most ZN_IMAGE_MAX_SIDE, the whole at most
// ZN_IMAGE_MAX_BYTES); otherwise false with the reason in why (when given).
// Computed in 64 bits, so no claimed size wraps.
bool ImageSizeIsAllowed(UINT64 width, UINT64 height, UINT64 depth, UINT64 sides, ZNString* why);

// Checks a PNG file's header before any decoding: signature, IHDR, the size
// limits, and whether the file's image data (deflate expands at most 1032
// times) can hold the pixels the header claims. Reads only the chunk headers;
// false with the reason in why (when given). Shared by every PNG codec.
bool CheckPngHeader(const void* bytes, UINT32 size, ZNString* why);

// The width and height a PNG file's header names, read from its first bytes
// only (engine file name); false when the file cannot be read or does not
// start with a PNG signature and IHDR chunk.
bool ReadPngFileSize(const char* name, UINT32& width, UINT32& height);

// One pixel as four floats.
struct FloatPixel
{
    float R, G, B, A;
};

// The interface the PNG codec reads from and decodes into.
class ImageData
{
public:
    virtual UINT8*       GetData()                                                       = 0;   // first pixel byte
    virtual void         Resize(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides) = 0;
    virtual const UINT8* GetData() const                                                 = 0;
    virtual UINT32       GetWidth() const                                                = 0;
    virtual UINT32       GetHeight() const                                               = 0;
    virtual UINT32       GetDepth() const                                                = 0;
    virtual UINT32       GetSides() const                                                = 0;
    virtual ~ImageData() {}
};

// A 2D image; depth and sides are always 1.
class ZNImage : public ImageData
{
public:
    UINT32             Width  = 0;   // pixels per row
    UINT32             Height = 0;   // rows
    ZNPodArray<UINT32> Pixels;       // Width x Height packed RGBA words, row by row

    UINT8*       GetData() override;
    const UINT8* GetData() const override;
    // A request for depth or sides above 1 is reported and sized as 2D all the
    // same; a size of 4 GiB or more is reported and leaves the image empty.
    void         Resize(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides) override;
    UINT32       GetWidth() const override { return Width; }
    UINT32       GetHeight() const override { return Height; }
    UINT32       GetDepth() const override { return 1; }
    UINT32       GetSides() const override { return 1; }

    // Checked pixel access; out of range is reported and yields a scratch word.
    UINT32&       Pixel(UINT32 x, UINT32 y);
    const UINT32& Pixel(UINT32 x, UINT32 y) const;

private:
    UINT32 Scratch = 0;
};

// One 16-bit channel per pixel: a height map at full precision. A sample of an
// 8-bit source, v, is held as v x 257, so 0 and 255 stay the ends of the range
// and an 8-bit map reads exactly as its red channel did.
class ZNGreyImage
{
public:
    UINT32             Width  = 0;   // pixels per row
    UINT32             Height = 0;   // rows
    ZNPodArray<UINT16> Samples;      // Width x Height samples, row by row

    // Sizes the image (contents not kept). A size the image limits refuse (as
    // RGBA, the stricter measure) answers false and leaves the image empty.
    bool Resize(UINT32 width, UINT32 height);
};

// The texture system's scratch image: width x height x depth x sides pixels in
// one exactly sized block, ordered side, depth slice, row, column.
class TextureImage : public ImageData
{
public:
    ZNMemBlock Bytes;   // exactly Width x Height x Depth x Sides x 4 bytes (empty when any is 0)
    UINT32     Width  = 0;
    UINT32     Height = 0;
    UINT32     Depth  = 0;
    UINT32     Sides  = 0;

    TextureImage() {}
    // Sized image; when source is given its bytes are copied in.
    TextureImage(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides, const void* source = nullptr);

    UINT8*       GetData() override;
    const UINT8* GetData() const override;
    // Keeps the block when nothing changes; otherwise a fresh block (contents not
    // kept). A size of 4 GiB or more is reported and leaves the image empty
    // (0 x 0 x 0 x 0).
    void         Resize(UINT32 width, UINT32 height, UINT32 depth, UINT32 sides) override;
    UINT32       GetWidth() const override { return Width; }
    UINT32       GetHeight() const override { return Height; }
    UINT32       GetDepth() const override { return Depth; }
    UINT32       GetSides() const override { return Sides; }

    UINT64 ByteSize() const { return (UINT64)Width * Height * Depth * Sides * 4; }
};


// Four floats per pixel; only the target of float texture read-back.
class FloatImage
{
public:
    UINT32                 Width  = 0;
    UINT32                 Height = 0;
    ZNPodArray<FloatPixel> Pixels;   // Width x Height, row by row

    // Rows stay in place when the width changes; with keep, new columns and rows are zero.
    void Resize(UINT32 width, UINT32 height, bool keep);
};

// Cursor over a PNG file held in memory.
struct PngReadState
{
    UINT32       At;     // bytes consumed
    UINT32       Size;   // total bytes
    const UINT8* Data;   // first byte of the file
};

enum ImageFileType
{
    ImageFileType_Unknown = 0,
    ImageFileType_Png     = 1,
    ImageFileType_Dds     = 2,
};

// Decodes a whole PNG file in memory into image (resized to width x height x 1 x 1).
// False for anything libpng refuses, a buffer shorter than 3 bytes, or a header
// CheckPngHeader refuses. With a name, a failure prints
// `"Image "<name>": <reason>"` (libpng's own messages included); without one the
// decoder prints nothing. why (when given) receives the reason, a phrase that
// follows the file's name: "ends early (...)", "has a bad checksum (...)",
// "holds bad compressed data (...)", "is 9000 x 9000 pixels, beyond the limit ...".
// Bad data is never reported as an assertion.
bool LoadPngFromMemory(const void* bytes, UINT32 size, ImageData& image, const char* name = nullptr,
                       ZNString* why = nullptr);

// Decodes a whole PNG file in memory into the 16-bit first channel of image:
// the grey of a grey file, the red of a colour or palette file. Samples of up to
// 8 bits are widened as LoadPngFromMemory widens them to 8 bits, then v x 257, so
// every sample is exactly LoadPngFromMemory's R x 257; a 16-bit file keeps all
// 16 bits (its high byte is that R). Failures, refusals and messages as
// LoadPngFromMemory.
bool LoadPngGreyFromMemory(const void* bytes, UINT32 size, ZNGreyImage& image, const char* name = nullptr,
                           ZNString* why = nullptr);

// Compression levels of EncodePngToArray: the smallest file, and the quickest
// (a screenshot of a huge frame must not hold anything up for minutes).
#define ZN_PNG_LEVEL_SMALLEST 9
#define ZN_PNG_LEVEL_FASTEST 1

// Empties out; with type Png writes a complete RGBA 8 PNG (compressed at level)
// of the first width x height pixels and returns true. Any other type: false,
// out stays empty.
bool EncodePngToArray(const ImageData& image, ZNPodArray<UINT8>& out, ImageFileType type,
                      int level = ZN_PNG_LEVEL_SMALLEST);

// Reads the whole file and decodes it as PNG whatever its name says. Every
// failure, a missing file included, prints the path and the reason.
bool          LoadImageFile(const char* path, ImageData& image);
// LoadImageFile for a ZNGreyImage (LoadPngGreyFromMemory's samples).
bool          LoadGreyImageFile(const char* path, ZNGreyImage& image);
// Encodes by the name's suffix (only png has a codec, at level) and replaces the file.
bool          SaveImageFile(const char* path, const ImageData& image, int level = ZN_PNG_LEVEL_SMALLEST);
// "png" or "dds" from the last three characters, ASCII case-insensitive.
ImageFileType GetImageFileType(const char* path);

// Bilinear samples, R, G, B, A in [0, 1]. SampleBilinear wants u and v in
// [0, 1] (reported otherwise) and maps 0 and 1 to the first and last pixel;
// the wrap and clamp forms scale by the full size instead.
FloatPixel SampleBilinear(const ZNImage& image, float u, float v);
FloatPixel SampleBilinearWrap(const ZNImage& image, float u, float v);
FloatPixel SampleBilinearClamp(const ZNImage& image, float u, float v);

// The red channel of an 8-bit image as 16-bit samples (v x 257), as
// LoadGreyImageFile reads the same file.
void  GreyFromRed(const ZNImage& image, ZNGreyImage& out);
// Bilinear sample in [0, 1] with SampleBilinear's coordinates (u and v in
// [0, 1], reported otherwise); 0 for an empty image. A sample v x 257 weighs
// exactly what SampleBilinear's R of v does, bit for bit, so an 8-bit map gives
// the same floats either way, and the other levels lie evenly between (steps of
// 1/65535).
float SampleGreyBilinear(const ZNGreyImage& image, float u, float v);
// A 16-bit sample in [0, 1] as SampleGreyBilinear weighs it, for code that reads
// the same samples many times through a table of all 65,536.
float GreyUnit(UINT32 sample);

// Resamples one line of n packed RGBA words (stride in words) to m words with
// 8-bit fixed-point linear weights; halving averages neighbour pairs.
void Resample1D(const UINT32* src, UINT32 n, UINT32 srcStride, UINT32* dst, UINT32 m, UINT32 dstStride);
// Resamples every side to the new size (x, then y, then z); sides is unchanged.
// A target size beyond the image limits is reported and leaves the image empty.
void ResizeImage(TextureImage& image, UINT32 width, UINT32 height, UINT32 depth);
// Row y becomes row height - 1 - y in every depth slice of every side.
void FlipVertical(TextureImage& image);
