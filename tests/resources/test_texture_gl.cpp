// Textures on a real GL context (needs a display): sharing, the mip cache file,
// filters and formats, raw creation, read-back and the unit cache.
#include "ResourcesTestUtil.h"

#include "files/ZNArchive.h"
#include "resources/ZNTexture.h"

namespace
{

class TextureGL : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Context.Ok()); }
    void TearDown() override
    {
        // Every test releases its handles: nothing may stay registered.
        EXPECT_EQ(GTextureManager.List.Size(), 0u);
        EXPECT_EQ(GTextureManager.Table.Size(), 0u);
    }

    std::string Image(const std::string& name, UINT32 w, UINT32 h)
    {
        ZNImage image;
        MakePattern(image, w, h);
        std::string path = Dir.Path(name);
        WritePng(path, image);
        return path;
    }

    ZNTestWindow Context{ 64, 64 };
    ZNScratchDir Dir;
};

}   // namespace

TEST_F(TextureGL, SameNameAndFlagsShareOneObject)
{
    std::string     path = Image("shared.png", 8, 8);
    ZNTextureHandle a, b, c;
    ASSERT_TRUE(LoadTexture(a, path.c_str(), 3));
    ASSERT_TRUE(LoadTexture(b, path.c_str(), 3));
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(a->RefCount.load(), 2u);
    EXPECT_EQ(a->Flags, 3u | TEX_FROMFILE);

    ASSERT_TRUE(LoadTexture(c, path.c_str(), 2 | TEX_CLAMP));
    EXPECT_NE(c.Get(), a.Get());
    EXPECT_EQ(GTextureManager.List.Size(), 2u);

    // Asking a handle for what it already holds changes nothing.
    ZNTexture* before = a.Get();
    ASSERT_TRUE(LoadTexture(a, path.c_str(), 3));
    EXPECT_EQ(a.Get(), before);
    EXPECT_EQ(a->RefCount.load(), 2u);

    // Copies count; the last release deletes the GL texture and unregisters it.
    {
        ZNTextureHandle copy = a;
        EXPECT_EQ(a->RefCount.load(), 3u);
    }
    EXPECT_EQ(a->RefCount.load(), 2u);
    UINT32 name = a->TexID;
    b.Release();
    EXPECT_EQ(a->RefCount.load(), 1u);
    EXPECT_TRUE(GL().IsTexture(name));
    a.Release();
    EXPECT_FALSE(GL().IsTexture(name));
    EXPECT_EQ(GTextureManager.List.Size(), 1u);
    c.Release();
}

TEST_F(TextureGL, MissingAndUndecodableFilesFail)
{
    ZNTextureHandle h;
    EXPECT_FALSE(LoadTexture(h, Dir.Path("nothing.png").c_str(), 3));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->TexID, 0u);
    EXPECT_FALSE(LoadTexture(h, "", 3));

    ZNWriteBytes(Dir.Path("bad.png"), std::vector<UINT8>(64, 0x55));
    ZNDialogRecorder dialogs;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadTexture(h, Dir.Path("bad.png").c_str(), 3));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Failed loading texture \"" + Dir.Path("bad.png") + "\"..\n"), std::string::npos) << out;
    EXPECT_EQ(h->Flags, TEX_LOADFAILED);
    EXPECT_EQ(h->TexID, 0u);
    EXPECT_EQ(GTextureManager.List.Size(), 0u);   // failed loads are not registered
}

TEST_F(TextureGL, NoStreamLoadsEveryLevelWithoutCache)
{
    std::string     path = Image("all.png", 256, 64);
    ZNTextureHandle h;
    ASSERT_TRUE(LoadTexture(h, path.c_str(), TEX_NOSRGB | TEX_NOSTREAM));
    EXPECT_FALSE(ZNFileThere(path + ".mips"));
    EXPECT_EQ(h->MipLevCount, 9u);
    EXPECT_EQ(h->Mips[7].Width, 2u);
    EXPECT_EQ(h->Mips[7].Height, 1u);
    EXPECT_EQ(h->Mips[8].Width, 1u);
    EXPECT_EQ(h->MaxLevel, 0u);
    EXPECT_EQ(h->CurLevel.load(), 0u);

    BindTexture(0, h);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    // Level 0 holds the file's pixels.
    ZNImage back;
    ASSERT_TRUE(ReadTexture(h, back));
    ZNImage source;
    MakePattern(source, 256, 64);
    EXPECT_EQ(back.Pixel(200, 63), source.Pixel(200, 63));

    // 4/3 for the chain.
    EXPECT_EQ(TEX_GetMemoryEstimate(*h.Get()), (UINT64)256 * 64 * 4 * 1333 / 1000);
    EXPECT_EQ(GTextureManager.GetMemoryUsage(), TEX_GetMemoryEstimate(*h.Get()));
}

TEST_F(TextureGL, NoMipmapsClampAndSrgbFlags)
{
    std::string     path = Image("flags.png", 16, 16);
    ZNTextureHandle linear, srgb;
    ASSERT_TRUE(LoadTexture(linear, path.c_str(), TEX_NOMIPMAPS | TEX_CLAMP));
    BindTexture(0, linear);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_SRGB8_ALPHA8);
    EXPECT_EQ(TEX_GetMemoryEstimate(*linear.Get()), 16u * 16 * 4);

    // Flag 8 alone (without 2) does not make the filter linear for file textures.
    ASSERT_TRUE(LoadTexture(srgb, path.c_str(), TEX_NOSTREAM));
    BindTexture(0, srgb);
    EXPECT_EQ(TexParam(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
}

// The first load of a streamable texture writes the cache: header and one PNG
// record per level below 0, exactly as the encoder writes them.
TEST_F(TextureGL, CacheFileHasTheExactLayout)
{
    std::string     path = Image("small.png", 4, 2);
    ZNTextureHandle first;
    ASSERT_TRUE(LoadTexture(first, path.c_str(), TEX_NOSRGB));
    EXPECT_EQ(first->Flags, TEX_NOSRGB | TEX_PRELOAD | TEX_FROMFILE);
    EXPECT_EQ(first->CurLevel.load(), 0u);
    EXPECT_EQ(first->MaxLevel, 2u);
    EXPECT_FALSE(ZNFileThere(path + ".mips.tmp"));

    // Expected records: the image resampled level by level.
    TextureImage image;
    ZNImage      source;
    MakePattern(source, 4, 2);
    ASSERT_TRUE(LoadPngFromMemory(ZNReadBytes(path).data(), (UINT32)ZNReadBytes(path).size(), image));
    std::vector<UINT8> expected = { 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 3 };
    for (UINT32 size : { 2u, 1u })
    {
        ResizeImage(image, size, 1, 1);
        ZNPodArray<UINT8> png;
        ASSERT_TRUE(EncodePngToArray(image, png, ImageFileType_Png));
        UINT32 n = png.Size();
        expected.insert(expected.end(), { (UINT8)(n >> 24), (UINT8)(n >> 16), (UINT8)(n >> 8), (UINT8)n });
        expected.insert(expected.end(), png.Data(), png.Data() + n);
    }
    EXPECT_EQ(ZNReadBytes(path + ".mips"), expected);

    // The cache-writing load is filed under its flags with 4 added, so the next
    // lookup loads a second object, from the cache, at the coarsest level.
    ZNTextureHandle second;
    ASSERT_TRUE(LoadTexture(second, path.c_str(), TEX_NOSRGB));
    EXPECT_NE(second.Get(), first.Get());
    EXPECT_EQ(second->Flags, TEX_NOSRGB | TEX_FROMFILE);
    EXPECT_EQ(second->CurLevel.load(), 2u);
    EXPECT_EQ(second->Width, 4u);
    EXPECT_EQ(second->Height, 2u);
    BindTexture(0, second);
    EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(TEX_GetMemoryEstimate(*second.Get()), 4u * 1333 / 1000);
    // And now it is shared.
    ZNTextureHandle third;
    ASSERT_TRUE(LoadTexture(third, path.c_str(), TEX_NOSRGB));
    EXPECT_EQ(third.Get(), second.Get());

    // TEX_LoadMip: level 1 is the first record; a request beyond the last is lowered.
    ZNTexture         header;
    ZNPodArray<UINT8> bytes;
    UINT32            level = 1;
    ASSERT_TRUE(TEX_LoadMip(path.c_str(), level, bytes, header));
    EXPECT_EQ(level, 1u);
    EXPECT_EQ(header.MipLevCount, 3u);
    ZNImage decoded;
    ASSERT_TRUE(LoadPngFromMemory(bytes.Data(), bytes.Size(), decoded));
    EXPECT_EQ(decoded.Width, 2u);
    level = 9;
    ASSERT_TRUE(TEX_LoadMip(path.c_str(), level, bytes, header));
    EXPECT_EQ(level, 2u);
}

TEST_F(TextureGL, OneByOneImageStreamsFromItsHeaderOnlyCache)
{
    std::string     path = Image("dot.png", 1, 1);
    ZNTextureHandle a, b;
    ASSERT_TRUE(LoadTexture(a, path.c_str(), 0));
    EXPECT_EQ(a->MipLevCount, 1u);
    EXPECT_EQ(ZNReadBytes(path + ".mips").size(), 24u);
    // The cache has no record: the image itself is the only level.
    ZNDialogRecorder dialogs;
    ASSERT_TRUE(LoadTexture(b, path.c_str(), 0));
    EXPECT_EQ(dialogs.Count(), 0u);
    EXPECT_NE(b->TexID, 0u);
    EXPECT_EQ(b->CurLevel.load(), 0u);
}

// A damaged cache is named with its problem and rebuilt from the image: the
// texture loads, and the cache on disk is whole again afterwards.
TEST_F(TextureGL, BrokenCachesAreRebuiltFromTheImage)
{
    std::string path = Image("broken.png", 8, 4);
    {
        ZNTextureHandle writer;
        ASSERT_TRUE(LoadTexture(writer, path.c_str(), 0));
    }
    const std::vector<UINT8> good = ZNReadBytes(path + ".mips");
    ASSERT_GT(good.size(), 24u);
    ZNDialogRecorder dialogs;

    std::vector<UINT8> version2 = good;
    version2[3]                 = 2;
    std::vector<UINT8> tooLarge = good;
    tooLarge[4]                 = 0x7F;
    // Sound headers that do not belong to the 8 x 4 image: six sides (the
    // upload would read six faces from one), and 8192 x 8192 with its 14
    // levels (the levels would be built from a record of a few pixels).
    std::vector<UINT8> sixSides   = good;
    sixSides[19]                  = 6;
    std::vector<UINT8> claimsMore = good;
    claimsMore[6] = claimsMore[10] = 0x20;
    claimsMore[7] = claimsMore[11] = 0;
    claimsMore[23]                 = 14;
    struct Case
    {
        const char*        What;
        std::vector<UINT8> Cache;
        std::string        Says;
    };
    const Case cases[] = {
        { "version 2", version2, "the header's version is 2 (1 expected)" },
        { "no record", std::vector<UINT8>(good.begin(), good.begin() + 24), "ends early (0 of its levels are there)" },
        { "last record cut short", std::vector<UINT8>(good.begin(), good.end() - 5), "runs past the end of the file" },
        { "size beyond the limits", tooLarge, "beyond the limit of 8192 pixels a side" },
        { "six sides", sixSides, "the header names 8 x 4 x 1 x 6 for an image of 8 x 4" },
        { "larger than the image", claimsMore, "the header names 8192 x 8192 x 1 x 1 for an image of 8 x 4" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.What);
        ZNWriteBytes(path + ".mips", c.Cache);
        ZNTextureHandle h;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(LoadTexture(h, path.c_str(), 0));
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_NE(printed.find("Texture \"" + path + "\": its cache is rebuilt from the image"), std::string::npos)
            << printed;
        if (!c.Says.empty())
        {
            EXPECT_NE(printed.find("Texture cache \"" + path + ".mips\": "), std::string::npos) << printed;
        }
        EXPECT_NE(printed.find(c.Says), std::string::npos) << printed;
        ASSERT_TRUE(h.Get());
        EXPECT_EQ(h->Width, 8u);
        EXPECT_EQ(h->Height, 4u);
        EXPECT_EQ(h->Sides, 1u);
        EXPECT_EQ(h->GetTarget(), (UINT32)GL_TEXTURE_2D);
        EXPECT_NE(h->TexID, 0u);
        EXPECT_EQ(ZNReadBytes(path + ".mips"), good);
    }
    // Bad data is reported, never taken for a broken program.
    EXPECT_EQ(dialogs.Count(), 0u);
}

TEST_F(TextureGL, UnitCacheFiltersSwitchesAndBinds)
{
    ZNTextureHandle a, b;
    UINT32          pixel = 0xFF00FF00;
    ASSERT_TRUE(CreateTexture(a, 1, 1, 1, 1, TEX_FORMAT_RGBA8, &pixel, TEX_NOMIPMAPS));
    ASSERT_TRUE(CreateTexture(b, 1, 1, 1, 1, TEX_FORMAT_RGBA8, &pixel, TEX_NOMIPMAPS));
    UnbindTarget(0, GL_TEXTURE_2D);
    ZNRecordingTable  rec;
    const std::string bindA = "BindTexture GL_TEXTURE_2D " + std::to_string(a->TexID);
    const std::string bindB = "BindTexture GL_TEXTURE_2D " + std::to_string(b->TexID);

    BindTexture(0, a);
    BindTexture(0, a);
    EXPECT_EQ(rec.Calls, std::vector<std::string>({ bindA }));

    rec.Clear();
    BindTexture(3, b);
    BindTexture(3, b);
    EXPECT_EQ(rec.Calls, std::vector<std::string>({ "ActiveTexture GL_TEXTURE3", bindB }));

    rec.Clear();
    BindTexture(0, a);   // unit 0 still holds a: only the switch
    EXPECT_EQ(rec.Calls, std::vector<std::string>({ "ActiveTexture GL_TEXTURE0" }));
    EXPECT_EQ(CS().Textures.Bound[3], b->TexID);

    rec.Clear();
    ZNDialogRecorder dialogs;
    BindTexture(16, b);
    EXPECT_EQ(dialogs.Count("id >= TEX_COUNT"), 1u);
    EXPECT_TRUE(rec.Calls.empty());

    // A null handle or a texture without GL name binds nothing.
    ZNTextureHandle none;
    BindTexture(1, none);
    EXPECT_TRUE(rec.Calls.empty());

    // Unbinding only touches the unit that holds the texture.
    UnbindTexture(3, a.Get());
    EXPECT_EQ(rec.Calls, std::vector<std::string>({ "ActiveTexture GL_TEXTURE3" }));
    rec.Clear();
    UnbindTexture(3, b.Get());
    EXPECT_EQ(rec.Calls, std::vector<std::string>({ "BindTexture GL_TEXTURE_2D 0" }));
    EXPECT_EQ(CS().Textures.Bound[3], 0u);

    // The last release unbinds the texture from every unit that holds it.
    BindTexture(5, a);
    rec.Clear();
    a.Release();
    EXPECT_EQ(CS().Textures.Bound[0], 0u);
    EXPECT_EQ(CS().Textures.Bound[5], 0u);
    const std::string unbind = "BindTexture GL_TEXTURE_2D 0";
    EXPECT_EQ(rec.Calls,
              std::vector<std::string>({ "ActiveTexture GL_TEXTURE0", unbind, "ActiveTexture GL_TEXTURE5", unbind }));
    b.Release();
}

TEST_F(TextureGL, RawFormatsCreateUpdateAndReadBack)
{
    struct Case
    {
        UINT32 Code;
        GLint  Internal;
    };
    const Case cases[] = { { TEX_FORMAT_RGBA8, GL_RGBA8 },
                           { TEX_FORMAT_SRGB8_ALPHA8, GL_SRGB8_ALPHA8 },
                           { TEX_FORMAT_RGBA16F, GL_RGBA16F },
                           { TEX_FORMAT_RGBA32F, GL_RGBA32F },
                           { TEX_FORMAT_R32F, GL_R32F },
                           { TEX_FORMAT_DEPTH16, GL_DEPTH_COMPONENT16 },
                           { TEX_FORMAT_DEPTH16_FLOAT, GL_DEPTH_COMPONENT16 },
                           { TEX_FORMAT_DEPTH32, GL_DEPTH_COMPONENT32 } };
    for (const Case& c : cases)
    {
        ZNTextureHandle h;
        ASSERT_TRUE(CreateTexture(h, 3, 5, 1, 1, c.Code, nullptr, TEX_NOMIPMAPS)) << c.Code;
        EXPECT_EQ(h->Flags & TEX_NOSTREAM, TEX_NOSTREAM);
        BindTexture(0, h);
        EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), c.Internal) << c.Code;
        EXPECT_EQ(TexLevelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 3);
        EXPECT_EQ(GL().GetError(), (GLenum)GL_NO_ERROR) << c.Code;
    }
    ZNTextureHandle h;
    EXPECT_FALSE(CreateTexture(h, 4, 4, 1, 1, 5, nullptr, 0));                  // no such format
    EXPECT_FALSE(CreateTexture(h, 4, 4, 1, 3, TEX_FORMAT_RGBA8, nullptr, 0));   // a cube needs six faces

    // Update: stored size, every format but the two float ones of creation only.
    UINT32 pixels[4] = { Rgba(1, 2, 3, 4), Rgba(5, 6, 7, 8), Rgba(9, 10, 11, 12), Rgba(13, 14, 15, 16) };
    ASSERT_TRUE(CreateTexture(h, 2, 2, 1, 1, TEX_FORMAT_RGBA8, nullptr, TEX_NOMIPMAPS));
    EXPECT_FALSE(UpdateTexture(h, 2, 2, 1, 1, TEX_FORMAT_RGBA32F, pixels, TEX_NOMIPMAPS));
    EXPECT_FALSE(UpdateTexture(h, 2, 2, 1, 1, TEX_FORMAT_R32F, pixels, TEX_NOMIPMAPS));
    EXPECT_FALSE(UpdateTexture(h, 2, 2, 1, 6, TEX_FORMAT_RGBA8, pixels, TEX_NOMIPMAPS));   // not its shape
    ASSERT_TRUE(UpdateTexture(h, 99, 99, 1, 1, TEX_FORMAT_RGBA8, pixels, TEX_NOMIPMAPS));
    ZNImage back;
    ASSERT_TRUE(ReadTexture(h, back));
    EXPECT_EQ(back.Width, 2u);
    EXPECT_EQ(back.Pixel(1, 1), pixels[3]);
    EXPECT_EQ(back.Pixel(1, 0), pixels[1]);

    FloatImage floats;
    ASSERT_TRUE(ReadTexture(h, floats));
    EXPECT_NEAR(floats.Pixels[3].A, 16 / 255.0f, 1e-6);

    // Depth in 16 bits with an odd width: rows are tightly packed.
    UINT16 depth[3 * 2] = { 0, 1000, 2000, 3000, 4000, 65535 };
    ASSERT_TRUE(CreateTexture(h, 3, 2, 1, 1, TEX_FORMAT_DEPTH16, depth, TEX_NOMIPMAPS));
    ZNPodArray<UINT8> raw;
    ASSERT_TRUE(ReadTexture(h, raw));
    ASSERT_EQ(raw.Size(), sizeof(depth));
    EXPECT_EQ(memcmp(raw.Data(), depth, sizeof(depth)), 0);
    EXPECT_EQ(GL().GetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TextureGL, CubeAnd3DTextures)
{
    ZNTextureHandle faces[6];
    for (UINT32 f = 0; f < 6; ++f)
    {
        UINT32 px[4] = { Rgba(f, 0, 0, 255), Rgba(f, 1, 0, 255), Rgba(f, 2, 0, 255), Rgba(f, 3, 0, 255) };
        ASSERT_TRUE(CreateTexture(faces[f], 2, 2, 1, 1, TEX_FORMAT_RGBA8, px, TEX_NOMIPMAPS));
    }
    ZNTextureHandle cube;
    ASSERT_TRUE(CreateCubeTexture(cube, faces));
    EXPECT_EQ(cube->GetTarget(), (UINT32)GL_TEXTURE_CUBE_MAP);
    EXPECT_EQ(cube->Sides, 6u);
    ZNPodArray<UINT8> raw;
    ASSERT_TRUE(ReadTexture(cube, raw));
    ASSERT_EQ(raw.Size(), 6u * 2 * 2 * 4);
    for (UINT32 f = 0; f < 6; ++f)
    {
        EXPECT_EQ(raw[f * 16], f);
        EXPECT_EQ(raw[f * 16 + 13], 3);
    }
    EXPECT_EQ(TEX_GetMemoryEstimate(*cube.Get()), 6u * 2 * 2 * 4);

    // A face of another size or a streamable face is refused.
    ZNTextureHandle odd[6] = { faces[0], faces[1], faces[2], faces[3], faces[4], ZNTextureHandle() };
    ZNTextureHandle refused;
    EXPECT_FALSE(CreateCubeTexture(refused, odd));
    ASSERT_TRUE(CreateTexture(odd[5], 4, 4, 1, 1, TEX_FORMAT_RGBA8, nullptr, TEX_NOMIPMAPS));
    EXPECT_FALSE(CreateCubeTexture(refused, odd));

    // Cube from raw data: the faces follow each other.
    std::vector<UINT32> all(6 * 4);
    for (UINT32 i = 0; i < all.size(); ++i)
        all[i] = Rgba(i, 0, 0, 255);
    ZNTextureHandle rawCube;
    ASSERT_TRUE(CreateTexture(rawCube, 2, 2, 1, 6, TEX_FORMAT_RGBA8, all.data(), 0));
    ASSERT_TRUE(ReadTexture(rawCube, raw));
    EXPECT_EQ(raw[5 * 16], 20);

    // 3D.
    std::vector<UINT32> vol(2 * 2 * 3);
    for (UINT32 i = 0; i < vol.size(); ++i)
        vol[i] = Rgba(i * 10, 0, 0, 255);
    ZNTextureHandle volume;
    ASSERT_TRUE(CreateTexture(volume, 2, 2, 3, 1, TEX_FORMAT_RGBA8, vol.data(), TEX_NOMIPMAPS));
    EXPECT_EQ(volume->GetTarget(), (UINT32)GL_TEXTURE_3D);
    ASSERT_TRUE(ReadTexture(volume, raw));
    ASSERT_EQ(raw.Size(), 2u * 2 * 3 * 4);
    EXPECT_EQ(raw[11 * 4], 110);
    EXPECT_EQ(GL().GetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TextureGL, SaveTextureFlipsAndWritesPng)
{
    UINT32          px[2] = { Rgba(10, 0, 0, 255), Rgba(20, 0, 0, 255) };   // 1 x 2: top, bottom
    ZNTextureHandle h;
    ASSERT_TRUE(CreateTexture(h, 1, 2, 1, 1, TEX_FORMAT_RGBA8, px, TEX_NOMIPMAPS));
    ASSERT_TRUE(SaveTexture(h, Dir.Path("flipped.png").c_str(), true));
    ASSERT_TRUE(SaveTexture(h, Dir.Path("plain.png").c_str(), false));
    EXPECT_FALSE(SaveTexture(h, Dir.Path("plain.bmp").c_str(), false));
    ZNImage flipped, plain;
    ASSERT_TRUE(LoadImageFile(Dir.Path("flipped.png").c_str(), flipped));
    ASSERT_TRUE(LoadImageFile(Dir.Path("plain.png").c_str(), plain));
    EXPECT_EQ(plain.Pixel(0, 0), px[0]);
    EXPECT_EQ(flipped.Pixel(0, 0), px[1]);

    // Streamable textures are not read back.
    std::string     path = Image("stream.png", 4, 4);
    ZNTextureHandle streamed;
    ASSERT_TRUE(LoadTexture(streamed, path.c_str(), 0));
    ZNImage image;
    EXPECT_FALSE(ReadTexture(streamed, image));
}

TEST_F(TextureGL, FormatHelpers)
{
    EXPECT_EQ(T_GetFormatMultiplier(GL_RGBA), 4u);
    EXPECT_EQ(T_GetFormatMultiplier(GL_BGR), 3u);
    EXPECT_EQ(T_GetFormatMultiplier(GL_DEPTH_COMPONENT), 1u);
    EXPECT_EQ(T_GetFormatMultiplier(0x190A), 2u);   // luminance-alpha
    EXPECT_EQ(T_GetTypeSize(GL_UNSIGNED_SHORT_5_6_5), 2u);
    EXPECT_EQ(T_GetTypeSize(GL_UNSIGNED_INT_2_10_10_10_REV), 4u);
    EXPECT_EQ(T_GetTypeSize(GL_UNSIGNED_BYTE_3_3_2), 1u);
    ZNDialogRecorder dialogs;
    EXPECT_EQ(T_GetTypeSize(GL_HALF_FLOAT), 0u);
    EXPECT_EQ(dialogs.Count("T_GetTypeSize: Type is invalid!"), 1u);
    EXPECT_EQ(T_GetFormatMultiplier(GL_RGBA8), 0u);
    EXPECT_EQ(dialogs.Count("T_GetFormatMultiplier: Format is invalid!"), 1u);
    EXPECT_EQ(TEX_MipName("a/b.png"), ZNString("a/b.png.mips"));
}
