// Size limits of images, PNG headers and mip caches, checked before anything
// is allocated, with messages that name the file; the inputs the fuzzers and
// hand tests found are replayed from fuzz/regress/.
#include "ResourcesTestUtil.h"

#include "resources/ZNTexture.h"
#include "resources/ZNTextureStream.h"
#include "files/ZNDataPath.h"

#include <string.h>

namespace
{

const std::string kRegress = std::string(ZN_TEST_SOURCE_DIR) + "/fuzz/regress/";

// Counts resizes and refuses to hand out pixels: a decoder that reaches it has
// already decided to allocate.
class ResizeSpy : public ImageData
{
public:
    UINT32       Resizes = 0;
    UINT8*       GetData() override { return nullptr; }
    const UINT8* GetData() const override { return nullptr; }
    void         Resize(UINT32, UINT32, UINT32, UINT32) override { ++Resizes; }
    UINT32       GetWidth() const override { return 0; }
    UINT32       GetHeight() const override { return 0; }
    UINT32       GetDepth() const override { return 1; }
    UINT32       GetSides() const override { return 1; }
};

std::string Why(UINT64 w, UINT64 h, UINT64 d, UINT64 s)
{
    ZNString why;
    if (ImageSizeIsAllowed(w, h, d, s, &why))
        return "";
    return why.CStr();
}

std::string DecodeMessage(const std::vector<UINT8>& bytes, const char* name, bool& ok)
{
    ZNImage image;
    testing::internal::CaptureStdout();
    ok = LoadPngFromMemory(bytes.data(), (UINT32)bytes.size(), image, name);
    return testing::internal::GetCapturedStdout();
}

}   // namespace

TEST(ImageLimits, SidesAndBytesAreCheckedIn64Bits)
{
    EXPECT_EQ(Why(8192, 8192, 1, 1), "");
    EXPECT_EQ(Why(1, 1, 1, 6), "");
    EXPECT_EQ(Why(8193, 1, 1, 1), "is 8193 x 1 pixels, beyond the limit of 8192 pixels a side");
    EXPECT_EQ(Why(65535, 65535, 1, 1), "is 65535 x 65535 pixels, beyond the limit of 8192 pixels a side");
    EXPECT_EQ(Why(8192, 8192, 2, 1), "is 8192 x 8192 x 2 x 1 pixels, 512 MiB decoded, beyond the limit of 256 MiB");
    EXPECT_NE(Why(514, 512, 32768, 1).find("beyond the limit of 8192"), std::string::npos);
    EXPECT_NE(Why(0, 5, 1, 1).find("no pixels"), std::string::npos);
    // 2^16 x 2^16 x 2^16 x 6 x 4 wraps to 0 in 32 bits and stays huge in 64.
    EXPECT_NE(Why(65536, 65536, 65536, 1), "");
    EXPECT_TRUE(ImageSizeIsAllowed(4, 4, 1, 1, nullptr));

    TextureImage wide;
    wide.Width  = 514;
    wide.Height = 512;
    wide.Depth  = 32768;
    wide.Sides  = 1;
    EXPECT_EQ(wide.ByteSize(), 514ull * 512 * 32768 * 4);
}

// The kept 68-byte file claims 8192 x 8192 RGBA (256 MiB) over 16 bytes of
// image data; the 65535 one is beyond the side limit. Both are refused from
// the header, before the image is asked to allocate, and the message names
// the file.
TEST(ImageLimits, HostileHeadersAreRefusedBeforeAllocation)
{
    for (const char* name : { "huge_claim_8192.png", "absurd_65535.png" })
    {
        SCOPED_TRACE(name);
        std::vector<UINT8> bytes = ZNReadBytes(kRegress + "png/" + name);
        ASSERT_EQ(bytes.size(), 68u);
        ResizeSpy spy;
        EXPECT_FALSE(LoadPngFromMemory(bytes.data(), (UINT32)bytes.size(), spy));
        EXPECT_EQ(spy.Resizes, 0u);
        ZNString why;
        EXPECT_FALSE(CheckPngHeader(bytes.data(), (UINT32)bytes.size(), &why));
    }
    bool        ok      = true;
    std::string printed = DecodeMessage(ZNReadBytes(kRegress + "png/huge_claim_8192.png"), "Heightmap.png", ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(printed.find("Image \"Heightmap.png\": claims 8192 x 8192 pixels but holds only"), std::string::npos)
        << printed;
    printed = DecodeMessage(ZNReadBytes(kRegress + "png/absurd_65535.png"), "Big.png", ok);
    EXPECT_NE(printed.find("Image \"Big.png\": is 65535 x 65535 pixels, beyond the limit"), std::string::npos)
        << printed;
}

// Real images pass the header check at every size up to the limit, a
// well-compressed large one included; the unnamed decoder prints nothing.
TEST(ImageLimits, RealImagesPassTheHeaderCheck)
{
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    for (const char* name : { "Heightmap.png", "Colormap.png", "Ground.png", "WaterBump.png", "SkyDusk1.png" })
    {
        std::vector<UINT8> bytes = ZNReadBytes(data + name);
        ZNString           why;
        EXPECT_TRUE(CheckPngHeader(bytes.data(), (UINT32)bytes.size(), &why)) << name << ": " << why.CStr();
    }
    // One flat colour compresses about as far as deflate goes.
    ZNImage flat;
    flat.Resize(2048, 2048, 1, 1);
    memset(flat.GetData(), 0x40, 2048u * 2048u * 4u);
    ZNPodArray<UINT8> png;
    ASSERT_TRUE(EncodePngToArray(flat, png, ImageFileType_Png));
    EXPECT_TRUE(CheckPngHeader(png.Data(), png.Size(), nullptr));
    ZNImage back;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(LoadPngFromMemory(png.Data(), png.Size(), back));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(back.Pixel(2047, 2047), flat.Pixel(2047, 2047));
}

// Files that are not PNGs, and images that are too wide, are named with their
// reason when loaded from a file; a missing file is named too.
TEST(ImageLimits, LoadImageFileNamesTheFileAndTheReason)
{
    ZNScratchDir dir;
    ZNImage      wide;
    wide.Resize(8193, 2, 1, 1);
    WritePng(dir.Path("Heightmap.png"), wide);
    ZNWriteBytes(dir.Path("text.png"), { 'h', 'e', 'l', 'l', 'o', '\n' });
    struct Case
    {
        std::string File, Expect;
    };
    const Case cases[] = {
        { "Heightmap.png", "is 8193 x 2 pixels, beyond the limit of 8192 pixels a side" },
        { "text.png", "is not a PNG file (no PNG signature)" },
        { "missing.png", "the file is missing or cannot be opened" },
    };
    for (const Case& c : cases)
    {
        ZNImage           image;
        const std::string path = dir.Path(c.File);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(LoadImageFile(path.c_str(), image));
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, "Image \"" + path + "\": " + c.Expect + "\n");
    }
}

// Resampling computes sizes in 64 bits and refuses a target beyond the limits
// instead of writing past a block whose size wrapped.
TEST(ImageLimits, ResizeRefusesTargetsBeyondTheLimits)
{
    ZNDialogRecorder dialogs;
    TextureImage     image(2, 2, 1, 1);
    memset(image.GetData(), 9, 16);
    ResizeImage(image, 514, 512, 32768);
    EXPECT_EQ(image.ByteSize(), 0u);
    EXPECT_EQ(dialogs.Count("ResizeImage target beyond the image limits"), 1u);

    // 2^16 x 2^16 wraps a 32-bit pixel count to 0: refused, not a zero-size image.
    TextureImage wrapped;
    wrapped.Resize(65536, 65536, 1, 1);
    EXPECT_EQ(wrapped.Width, 0u);
    EXPECT_EQ(dialogs.Count("TextureImage size does not fit 32 bits"), 1u);
    ZNImage flat;
    flat.Resize(65536, 65536, 1, 1);
    EXPECT_EQ(flat.Width, 0u);
    EXPECT_EQ(flat.Pixels.Size(), 0u);
}

// A cache file: the six big-endian header words, then records (size, bytes).
std::vector<UINT8> CacheBytes(std::initializer_list<UINT32> header, const std::vector<std::vector<UINT8>>& records)
{
    std::vector<UINT8> out;
    auto               word = [&](UINT32 v)
    {
        for (int s = 24; s >= 0; s -= 8)
            out.push_back((UINT8)(v >> s));
    };
    for (UINT32 v : header)
        word(v);
    for (const auto& r : records)
    {
        word((UINT32)r.size());
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

std::string LoadMipMessage(const std::string& name, const std::vector<UINT8>& cache, bool& ok)
{
    ZNWriteBytes(name + ".mips", cache);
    ZNTexture         texture;
    UINT32            level = 1;
    ZNPodArray<UINT8> bytes;
    testing::internal::CaptureStdout();
    ok = TEX_LoadMip(name.c_str(), level, bytes, texture);
    return testing::internal::GetCapturedStdout();
}

// The kept 98-byte cache: header 514 x 512 x 32768 with 16 levels and one
// record. It was accepted and streaming toward level 1 wrote past a 16 MiB
// block; now the header is refused with a message naming the cache, and the
// streaming load of it fails without allocating.
TEST(MipCacheLimits, HeadersBeyondTextureLimitsAreRefused)
{
    ASSERT_EQ(GDataPath[0], 0);   // engine names are plain paths here
    ZNScratchDir       dir;
    std::vector<UINT8> kept = ZNReadBytes(kRegress + "mips/deep_514x512x32768.mips");
    ASSERT_EQ(kept.size(), 99u);   // the level byte of the fuzz input, then the 98-byte cache
    const std::string name    = dir.Path("t.png");
    bool              ok      = true;
    std::string       printed = LoadMipMessage(name, std::vector<UINT8>(kept.begin() + 1, kept.end()), ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(printed, "Texture cache \"" + name +
                           ".mips\": the header's texture is 514 x 512 x 32768 x 1 pixels, beyond the limit of 8192 "
                           "pixels a side\n");

    ZNTexture texture;
    texture.Name   = name.c_str();
    texture.Width  = 514;
    texture.Height = 512;
    texture.Depth  = 32768;
    texture.Sides  = 1;
    TEX_BuildMipTable(texture);
    EXPECT_EQ(texture.MipLevCount, 16u);
    texture.CurLevel.store(1);
    ZNDialogRecorder dialogs;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(TEX_LoadStreamLevels(texture));
    testing::internal::GetCapturedStdout();
    for (const ZNTextureMip& mip : texture.Mips)
        EXPECT_EQ(mip.Pixels.Size(), 0u);
}

TEST(MipCacheLimits, EveryBadHeaderAndTruncationIsNamed)
{
    ZNScratchDir      dir;
    const std::string name = dir.Path("a.png");
    ZNImage           image;
    MakePattern(image, 4, 4);
    WritePng(name, image);
    const std::vector<UINT8> record(40, 7);
    struct Case
    {
        std::vector<UINT8> Cache;
        std::string        Expect;
    };
    const Case cases[] = {
        { { 0, 0, 0, 1, 0, 0 }, "the file is shorter than its header" },
        { CacheBytes({ 2, 4, 4, 1, 1, 3 }, { record }), "the header's version is 2 (1 expected)" },
        { CacheBytes({ 1, 4, 4, 1, 3, 3 }, { record }), "the header names 3 sides (1 or 6 expected)" },
        { CacheBytes({ 1, 4, 4, 1, 1, 5 }, { record }), "the header names 5 levels for 4 x 4 x 1 (3 expected)" },
        { CacheBytes({ 1, 0, 4, 1, 1, 1 }, { record }), "the header's texture is 0 x 4 pixels: no pixels at all" },
        { CacheBytes({ 1, 8192, 8192, 2, 1, 14 }, { record }),
          "the header's texture is 8192 x 8192 x 2 x 1 pixels, 512 MiB decoded, beyond the limit of 256 MiB" },
    };
    for (const Case& c : cases)
    {
        bool ok = true;
        EXPECT_EQ(LoadMipMessage(name, c.Cache, ok), "Texture cache \"" + name + ".mips\": " + c.Expect + "\n");
        EXPECT_FALSE(ok);
    }
    // A record that claims more bytes than the file has.
    std::vector<UINT8> cut = CacheBytes({ 1, 4, 4, 1, 1, 3 }, { record });
    cut.resize(cut.size() - 10);
    bool ok = true;
    EXPECT_EQ(LoadMipMessage(name, cut, ok),
              "Texture cache \"" + name + ".mips\": record 1 runs past the end of the file (truncated)\n");
    EXPECT_FALSE(ok);
    // A sound header and record of the image's size: level 1 comes back, nothing printed.
    EXPECT_EQ(LoadMipMessage(name, CacheBytes({ 1, 4, 4, 1, 1, 3 }, { record }), ok), "");
    EXPECT_TRUE(ok);
    // Without its image a cache cannot be checked against it.
    const std::string alone = dir.Path("alone.png");
    EXPECT_EQ(LoadMipMessage(alone, CacheBytes({ 1, 4, 4, 1, 1, 3 }, { record }), ok),
              "Texture cache \"" + alone + ".mips\": its image \"" + alone + "\" cannot be read\n");
    EXPECT_FALSE(ok);
}

// A cache is trusted only when every header field agrees with its image: a
// 96-byte cache claiming 8192 x 8192 for a 32 x 32 image (the streaming
// worker built a 341 MiB texture from it), six sides for a plain image (the
// upload read past its buffer), or any other size is refused, naming both,
// and the streaming load of it allocates nothing.
TEST(MipCacheLimits, HeadersMustHaveTheirImagesSize)
{
    ZNScratchDir      dir;
    const std::string name = dir.Path("src.png");
    ZNImage           image;
    MakePattern(image, 32, 32);
    WritePng(name, image);
    const std::vector<UINT8> record(40, 7);
    struct Case
    {
        std::vector<UINT8> Cache;
        std::string        Says;
        UINT32             W, H, D, S;
    };
    const Case cases[] = {
        { CacheBytes({ 1, 8192, 8192, 1, 1, 14 }, { record }), "8192 x 8192 x 1 x 1", 8192, 8192, 1, 1 },
        { CacheBytes({ 1, 32, 32, 1, 6, 6 }, { record }), "32 x 32 x 1 x 6", 32, 32, 1, 6 },
        { CacheBytes({ 1, 32, 32, 32, 1, 6 }, { record }), "32 x 32 x 32 x 1", 32, 32, 32, 1 },
        { CacheBytes({ 1, 16, 32, 1, 1, 6 }, { record }), "16 x 32 x 1 x 1", 16, 32, 1, 1 },
        { CacheBytes({ 1, 32, 64, 1, 1, 7 }, { record }), "32 x 64 x 1 x 1", 32, 64, 1, 1 },
    };
    ASSERT_EQ(cases[0].Cache.size(), 68u);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Says);
        bool ok = true;
        EXPECT_EQ(LoadMipMessage(name, c.Cache, ok),
                  "Texture cache \"" + name + ".mips\": the header names " + c.Says + " for an image of 32 x 32\n");
        EXPECT_FALSE(ok);

        ZNTexture texture;
        texture.Name   = name.c_str();
        texture.Width  = c.W;
        texture.Height = c.H;
        texture.Depth  = c.D;
        texture.Sides  = c.S;
        TEX_BuildMipTable(texture);
        texture.CurLevel.store(1);
        ZNDialogRecorder dialogs;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(TEX_LoadStreamLevels(texture));
        testing::internal::GetCapturedStdout();
        for (const ZNTextureMip& mip : texture.Mips)
            EXPECT_EQ(mip.Pixels.Size(), 0u);
    }
    // The image's own size is trusted.
    bool ok = false;
    EXPECT_EQ(LoadMipMessage(name, CacheBytes({ 1, 32, 32, 1, 1, 6 }, { record }), ok), "");
    EXPECT_TRUE(ok);
}

// Sizes are computed in 64 bits before anything is allocated: a header that
// claims 2^32 bytes of pixels or more (whose 32-bit size would wrap to a small
// one), and an image data chunk whose length runs past the end of the file,
// are refused with a message naming the file.
TEST(ImageLimits, SizesBeyond32BitsAndChunksPastTheEndAreRefusedNamingTheFile)
{
    ZNImage small;
    MakePattern(small, 4, 4);
    ZNPodArray<UINT8> encoded;
    ASSERT_TRUE(EncodePngToArray(small, encoded, ImageFileType_Png));
    const std::vector<UINT8> good(encoded.Data(), encoded.Data() + encoded.Size());
    auto                     put = [](std::vector<UINT8>& bytes, size_t at, UINT32 v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = (UINT8)(v >> (24 - 8 * i));
    };
    size_t idat = 8;
    while (idat + 8 <= good.size() && memcmp(&good[idat + 4], "IDAT", 4) != 0)
        idat += 12 + (((size_t)good[idat] << 24) | ((size_t)good[idat + 1] << 16) | ((size_t)good[idat + 2] << 8) |
                      good[idat + 3]);
    ASSERT_LT(idat + 8, good.size());

    struct Case
    {
        const char* Name;
        UINT32      Width, Height, IdatLength;
        std::string Says;
    };
    const Case cases[] = {
        // 32768 x 32768 x 4 bytes is 2^32: 0 in 32 bits.
        { "wraps.png", 32768, 32768, 0, "is 32768 x 32768 pixels, beyond the limit of 8192 pixels a side" },
        { "wide.png", 65536, 16384, 0, "is 65536 x 16384 pixels, beyond the limit" },
        // A length that runs past the end: the data the file really holds is counted.
        { "past_end.png", 8192, 8192, 0xFFFFFFF0u, "claims 8192 x 8192 pixels but holds only" },
        { "past_end_small.png", 4, 4, 0xFFFFFFF0u, "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        std::vector<UINT8> bytes = good;
        put(bytes, 16, c.Width);
        put(bytes, 20, c.Height);
        if (c.IdatLength)
            put(bytes, idat, c.IdatLength);
        ResizeSpy spy;
        EXPECT_FALSE(LoadPngFromMemory(bytes.data(), (UINT32)bytes.size(), spy));
        if (!c.Says.empty())
        {
            EXPECT_EQ(spy.Resizes, 0u);
        }
        bool              ok      = true;
        const std::string printed = DecodeMessage(bytes, c.Name, ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(printed.rfind(std::string("Image \"") + c.Name + "\": " + c.Says, 0), 0u) << printed;
    }
}
