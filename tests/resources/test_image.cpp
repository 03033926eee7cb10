// Images and the PNG codec, without a display: the conformance suite, codec
// limits and failures, file names, samplers and resampling.
#include "ResourcesTestUtil.h"

#include "resources/ZNImage.h"

#include <fstream>
#include <string.h>
#include <zlib.h>
#include <sstream>

namespace
{

const std::string kSuite = ZNTestDataFile("pngsuite/");

struct SuiteEntry
{
    std::string Name;
    UINT32      Width = 0, Height = 0;
    bool        Valid     = false;
    int         Tolerance = 0;
};

std::vector<SuiteEntry> ReadManifest()
{
    std::vector<SuiteEntry> entries;
    std::ifstream           in(kSuite + "MANIFEST.tsv");
    std::string             line;
    std::getline(in, line);   // column names
    while (std::getline(in, line))
    {
        std::istringstream row(line);
        SuiteEntry         e;
        std::string        w, h, kind, tol;
        row >> e.Name >> w >> h >> kind >> tol;
        if (e.Name.empty())
            continue;
        e.Valid = kind == "valid";
        if (e.Valid)
        {
            e.Width     = (UINT32)std::stoul(w);
            e.Height    = (UINT32)std::stoul(h);
            e.Tolerance = std::stoi(tol);
        }
        entries.push_back(e);
    }
    return entries;
}

bool DecodeBytes(const std::vector<UINT8>& bytes, ImageData& image)
{
    return LoadPngFromMemory(bytes.empty() ? nullptr : bytes.data(), (UINT32)bytes.size(), image);
}

std::vector<UINT8> Encode(const ImageData& image)
{
    ZNPodArray<UINT8> out;
    EXPECT_TRUE(EncodePngToArray(image, out, ImageFileType_Png));
    return std::vector<UINT8>(out.Data(), out.Data() + out.Size());
}

}   // namespace

// Every valid image of the suite decodes to the expected RGBA within its
// tolerance (colour-keyed images included); every corrupt one fails cleanly.
TEST(PngSuite, EveryImageDecodesOrFailsCleanly)
{
    std::vector<SuiteEntry> entries = ReadManifest();
    ASSERT_GE(entries.size(), 170u) << kSuite << "MANIFEST.tsv is missing or short";
    ZNDialogRecorder dialogs;
    int              valid = 0, corrupt = 0;
    for (const SuiteEntry& e : entries)
    {
        std::vector<UINT8> file = ZNReadBytes(kSuite + "png/" + e.Name + ".png");
        ASSERT_FALSE(file.empty()) << e.Name;
        ZNImage image;
        bool    ok = DecodeBytes(file, image);
        if (!e.Valid)
        {
            EXPECT_FALSE(ok) << e.Name << " is corrupt and must not decode";
            ++corrupt;
            continue;
        }
        ++valid;
        ASSERT_TRUE(ok) << e.Name;
        ASSERT_EQ(image.Width, e.Width) << e.Name;
        ASSERT_EQ(image.Height, e.Height) << e.Name;
        std::vector<UINT8> expected = ZNReadBytes(kSuite + "expected/" + e.Name + ".rgba");
        ASSERT_EQ(expected.size(), (size_t)e.Width * e.Height * 4) << e.Name;
        const UINT8* got     = image.GetData();
        int          worst   = 0;
        size_t       worstAt = 0;
        for (size_t i = 0; i < expected.size(); ++i)
        {
            int d = abs((int)got[i] - (int)expected[i]);
            if (d > worst)
            {
                worst   = d;
                worstAt = i;
            }
        }
        EXPECT_LE(worst, e.Tolerance) << e.Name << ": byte " << worstAt << " (pixel " << worstAt / 4 << ", channel "
                                      << worstAt % 4 << ") is " << (int)got[worstAt] << ", expected "
                                      << (int)expected[worstAt];
    }
    EXPECT_EQ(corrupt, 14);
    EXPECT_GT(valid, 150);
}

// The grey decode of every suite image is its RGBA decode's red, widened: x 257
// for files of up to 8 bits a sample (palettes, low-bit grey, colour keys and
// interlacing included), and for 16-bit files the red is the high byte while
// the low bytes carry more. Corrupt files fail both ways.
TEST(GreyPng, EverySuiteImageIsItsRedWidened)
{
    std::vector<SuiteEntry> entries = ReadManifest();
    ASSERT_GE(entries.size(), 170u) << kSuite << "MANIFEST.tsv is missing or short";
    ZNDialogRecorder dialogs;
    int              sixteen = 0, narrower = 0, finer = 0;
    for (const SuiteEntry& e : entries)
    {
        const std::vector<UINT8> file = ZNReadBytes(kSuite + "png/" + e.Name + ".png");
        ZNImage                  rgba;
        ZNGreyImage              grey;
        const bool               ok = LoadPngGreyFromMemory(file.data(), (UINT32)file.size(), grey);
        ASSERT_EQ(ok, DecodeBytes(file, rgba)) << e.Name;
        if (!e.Valid)
        {
            EXPECT_FALSE(ok) << e.Name;
            continue;
        }
        ASSERT_TRUE(ok) << e.Name;
        ASSERT_EQ(grey.Width, rgba.Width) << e.Name;
        ASSERT_EQ(grey.Height, rgba.Height) << e.Name;
        ASSERT_EQ(grey.Samples.Size(), rgba.Width * rgba.Height) << e.Name;
        // The suite's names end in the bits per sample.
        const bool wide    = e.Name.compare(e.Name.size() - 2, 2, "16") == 0;
        bool       lowBits = false;
        for (UINT32 i = 0; i < grey.Samples.Size(); ++i)
        {
            const UINT32 red = rgba.Pixels[i] & 0xFF, sample = grey.Samples[i];
            ASSERT_EQ(wide ? sample >> 8 : sample, wide ? red : red * 257) << e.Name << " pixel " << i;
            lowBits = lowBits || (sample & 0xFF) != (sample >> 8);
        }
        (wide ? sixteen : narrower)++;
        finer += wide && lowBits;
    }
    // All but the gamma files' 16-bit images hold more than their high bytes.
    EXPECT_GE(sixteen, 30);
    EXPECT_GE(finer, sixteen - 6);
    EXPECT_GT(narrower, 120);
}

// Every one of the 65,536 levels arrives as it was written, and a damaged grey
// file is refused with the reason the RGBA decode gives.
TEST(GreyPng, SixteenBitSamplesArriveWhole)
{
    std::vector<UINT16> levels(256 * 256);
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = UINT16(i * 40503u);   // odd, so every level once, scattered
    const std::vector<UINT8> file = Grey16Png(256, 256, levels);
    ZNGreyImage              grey;
    ASSERT_TRUE(LoadPngGreyFromMemory(file.data(), (UINT32)file.size(), grey));
    ASSERT_EQ(grey.Width, 256u);
    ASSERT_EQ(grey.Height, 256u);
    EXPECT_EQ(memcmp(grey.Samples.Data(), levels.data(), levels.size() * 2), 0);

    std::vector<UINT8> damaged = file;
    damaged[damaged.size() - 20] ^= 0x40;   // inside the image data
    ZNDialogRecorder dialogs;
    for (const UINT32 size : { (UINT32)damaged.size(), 40u })
    {
        ZNString why, rgbaWhy;
        ZNImage  rgba;
        EXPECT_FALSE(LoadPngGreyFromMemory(damaged.data(), size, grey, nullptr, &why)) << size;
        EXPECT_FALSE(LoadPngFromMemory(damaged.data(), size, rgba, nullptr, &rgbaWhy)) << size;
        EXPECT_GT(why.Size(), 0u) << size;
        EXPECT_STREQ(why.CStr(), rgbaWhy.CStr()) << size;
    }
    EXPECT_EQ(dialogs.Count(), 0u);
}

// Cutting a valid file anywhere makes the decoder fail, never read past the
// buffer (the sanitizers watch) and never report the bad data as an assertion:
// a cut inside the header or before enough image data is refused by the header
// check, a later cut, the end chunk missing included, "ends early".
TEST(PngCodec, TruncatedFilesFailAndSayTheyEndEarly)
{
    std::vector<UINT8> file = ZNReadBytes(kSuite + "png/basn6a08.png");
    ASSERT_GT(file.size(), 100u);
    ZNDialogRecorder dialogs;
    int              endsEarly = 0;
    for (size_t cut : { (size_t)3, (size_t)8, (size_t)20, (size_t)33, (size_t)60, file.size() / 2, file.size() - 13,
                        file.size() - 12, file.size() - 1 })
    {
        std::vector<UINT8> part(file.begin(), file.begin() + cut);
        ZNImage            image;
        ZNString           why;
        EXPECT_FALSE(LoadPngFromMemory(part.data(), (UINT32)part.size(), image, nullptr, &why)) << "cut at " << cut;
        EXPECT_FALSE(why.Empty()) << "cut at " << cut;
        endsEarly += strncmp(why.CStr(), "ends early", 10) == 0;
    }
    EXPECT_GE(endsEarly, 4) << "cuts after the image data's start end early";
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Boxes()[0].Text;
}

// Each kind of damage is named for what it is: a chunk whose checksum does not
// match, and compressed data that does not inflate (its chunk's checksum made
// right, so only the data is wrong).
TEST(PngCodec, DamagedFilesNameTheirDamage)
{
    ZNImage source;
    MakePattern(source, 64, 48);
    const std::vector<UINT8> good = Encode(source);
    // The IDAT chunk: the encoder writes one for an image this small.
    size_t                   idat = 0;
    for (size_t at = 8; at + 8 <= good.size();)
    {
        const UINT32 length =
            (UINT32)good[at] << 24 | (UINT32)good[at + 1] << 16 | (UINT32)good[at + 2] << 8 | good[at + 3];
        if (memcmp(&good[at + 4], "IDAT", 4) == 0)
            idat = at;
        at += 12 + (size_t)length;
    }
    ASSERT_GT(idat, 0u);
    const UINT32 idatLength = (UINT32)good[idat + 2] << 8 | good[idat + 3];

    std::vector<UINT8> badCrc = good;
    badCrc[idat + 8 + idatLength] ^= 0x55;
    std::vector<UINT8> badData = good;
    badData[idat + 8] ^= 0xFF;   // the zlib header's first byte
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), &badData[idat + 4], idatLength + 4);
    for (int i = 0; i < 4; ++i)
        badData[idat + 8 + idatLength + i] = (UINT8)(crc >> (24 - 8 * i));

    ZNDialogRecorder dialogs;
    ZNImage          image;
    ZNString         why;
    EXPECT_FALSE(LoadPngFromMemory(badCrc.data(), (UINT32)badCrc.size(), image, nullptr, &why));
    EXPECT_EQ(strncmp(why.CStr(), "has a bad checksum", 18), 0) << why.CStr();
#ifdef ZN_TEST_LIBPNG
    // WIC's decoder gives no reason of its own for data that does not inflate.
    EXPECT_FALSE(LoadPngFromMemory(badData.data(), (UINT32)badData.size(), image, nullptr, &why));
    EXPECT_EQ(strncmp(why.CStr(), "holds bad compressed data", 25), 0) << why.CStr();
#endif
    EXPECT_EQ(dialogs.Count(), 0u);
}

TEST(PngCodec, TinyBuffersFailBeforeLibpng)
{
    ZNImage     image;
    const UINT8 two[2] = { 0x89, 'P' };
    EXPECT_FALSE(LoadPngFromMemory(two, 2, image));
    EXPECT_FALSE(LoadPngFromMemory(two, 0, image));
    EXPECT_FALSE(LoadPngFromMemory(nullptr, 0, image));
    EXPECT_EQ(image.Width, 0u);

    ZNScratchDir dir;
    ZNWriteBytes(dir.Path("empty.png"), {});
    EXPECT_FALSE(LoadImageFile(dir.Path("empty.png").c_str(), image));
    EXPECT_FALSE(LoadImageFile(dir.Path("missing.png").c_str(), image));
}

TEST(PngCodec, WidthLimitIs8192)
{
    ZNImage wide;
    wide.Resize(8193, 1, 1, 1);
    for (UINT32 x = 0; x < 8193; ++x)
        wide.Pixel(x, 0) = Rgba(x & 255, 1, 2, 3);
    std::vector<UINT8> tooWide = Encode(wide);
    ZNImage            decoded;
    EXPECT_FALSE(DecodeBytes(tooWide, decoded));

    wide.Resize(8192, 1, 1, 1);
    std::vector<UINT8> justFits = Encode(wide);
    ASSERT_TRUE(DecodeBytes(justFits, decoded));
    EXPECT_EQ(decoded.Width, 8192u);
    EXPECT_EQ(decoded.Pixel(8191, 0), wide.Pixel(8191, 0));
}

// The encoder writes RGBA 8 losslessly; the decoder returns exactly those words,
// into a ZNImage and into a TextureImage alike.
TEST(PngCodec, EncodeDecodeRoundTripIsExact)
{
    ZNImage source;
    MakePattern(source, 37, 19);
    source.Pixel(5, 5)     = Rgba(1, 2, 3, 0);   // transparent pixels keep their colour
    std::vector<UINT8> png = Encode(source);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');

    ZNImage back;
    ASSERT_TRUE(DecodeBytes(png, back));
    ASSERT_EQ(back.Width, 37u);
    ASSERT_EQ(back.Height, 19u);
    for (UINT32 y = 0; y < 19; ++y)
        for (UINT32 x = 0; x < 37; ++x)
            ASSERT_EQ(back.Pixel(x, y), source.Pixel(x, y)) << x << "," << y;

    TextureImage scratch(3, 3, 2, 6);   // any old size is replaced by the file's
    ASSERT_TRUE(DecodeBytes(png, scratch));
    EXPECT_EQ(scratch.Width, 37u);
    EXPECT_EQ(scratch.Depth, 1u);
    EXPECT_EQ(scratch.Sides, 1u);
    EXPECT_EQ(memcmp(scratch.GetData(), back.GetData(), 37 * 19 * 4), 0);

    // Only width x height pixels of a deeper image are written.
    TextureImage deep(4, 2, 3, 1);
    memset(deep.GetData(), 7, deep.ByteSize());
    ZNImage flat;
    ASSERT_TRUE(DecodeBytes(Encode(deep), flat));
    EXPECT_EQ(flat.Width, 4u);
    EXPECT_EQ(flat.Height, 2u);
}

TEST(PngCodec, OtherTypesAndEmptyImagesDoNotEncode)
{
    ZNImage image;
    MakePattern(image, 4, 4);
    ZNPodArray<UINT8> out;
    out.Add(42);
    EXPECT_FALSE(EncodePngToArray(image, out, ImageFileType_Dds));
    EXPECT_EQ(out.Size(), 0u);
    EXPECT_FALSE(EncodePngToArray(image, out, ImageFileType_Unknown));
    ZNImage empty;
    EXPECT_FALSE(EncodePngToArray(empty, out, ImageFileType_Png));
    EXPECT_EQ(out.Size(), 0u);
}

TEST(ImageFiles, TypeComesFromTheLastThreeCharacters)
{
    EXPECT_EQ(GetImageFileType("a.png"), ImageFileType_Png);
    EXPECT_EQ(GetImageFileType("A.PnG"), ImageFileType_Png);
    EXPECT_EQ(GetImageFileType("png"), ImageFileType_Png);
    EXPECT_EQ(GetImageFileType("x.DDS"), ImageFileType_Dds);
    EXPECT_EQ(GetImageFileType("x.bmp"), ImageFileType_Unknown);
    EXPECT_EQ(GetImageFileType("ng"), ImageFileType_Unknown);
    EXPECT_EQ(GetImageFileType(""), ImageFileType_Unknown);
    EXPECT_EQ(GetImageFileType("x.png "), ImageFileType_Unknown);
}

TEST(ImageFiles, SaveOnlyWritesPngAndLoadIgnoresTheName)
{
    ZNScratchDir dir;
    ZNImage      image;
    MakePattern(image, 9, 7);

    EXPECT_TRUE(SaveImageFile(dir.Path("upper.PNG").c_str(), image));
    ZNImage back;
    ASSERT_TRUE(LoadImageFile(dir.Path("upper.PNG").c_str(), back));
    EXPECT_EQ(back.Pixel(8, 6), image.Pixel(8, 6));

    EXPECT_FALSE(SaveImageFile(dir.Path("a.dds").c_str(), image));
    EXPECT_FALSE(SaveImageFile(dir.Path("a.bmp").c_str(), image));
    EXPECT_FALSE(ZNFileThere(dir.Path("a.dds")));
    EXPECT_FALSE(ZNFileThere(dir.Path("a.bmp")));

    // A PNG under another name still loads: the suffix is not consulted.
    ZNWriteBytes(dir.Path("picture.dat"), ZNReadBytes(dir.Path("upper.PNG")));
    EXPECT_TRUE(LoadImageFile(dir.Path("picture.dat").c_str(), back));

    // A file that is not a PNG fails (the read check reports the short file).
    ZNDialogRecorder dialogs;
    ZNWriteBytes(dir.Path("text.png"), { 'h', 'e', 'l', 'l', 'o', '\n' });
    EXPECT_FALSE(LoadImageFile(dir.Path("text.png").c_str(), back));
}

TEST(ImageTypes, ZNImageStaysTwoDimensionalAndChecksAccess)
{
    ZNDialogRecorder dialogs;
    ZNImage          image;
    image.Resize(3, 2, 4, 1);
    EXPECT_EQ(dialogs.Count("depth > 1 || sides > 1"), 1u);
    EXPECT_EQ(image.Width, 3u);
    EXPECT_EQ(image.Height, 2u);
    EXPECT_EQ(image.GetDepth(), 1u);
    EXPECT_EQ(image.Pixels.Size(), 6u);

    image.Pixel(2, 1) = 0x12345678;
    EXPECT_EQ(image.Pixels[5], 0x12345678u);
    image.Pixel(3, 0) = 1;   // reported, and writes nowhere inside the image
    image.Pixel(0, 2) = 1;
    EXPECT_EQ(dialogs.Count("x >= Width || y >= Height"), 2u);
    for (UINT32 i = 0; i < 5; ++i)
        EXPECT_NE(image.Pixels[i], 1u);
}

TEST(ImageTypes, TextureImageSizesAndCopies)
{
    UINT8 source[2 * 1 * 2 * 1 * 4];
    for (UINT32 i = 0; i < sizeof(source); ++i)
        source[i] = (UINT8)i;
    TextureImage image(2, 1, 2, 1, source);
    EXPECT_EQ(image.Bytes.Size(), sizeof(source));
    EXPECT_EQ(memcmp(image.GetData(), source, sizeof(source)), 0);

    UINT8* before = image.GetData();
    image.Resize(2, 1, 2, 1);   // unchanged: same block, same contents
    EXPECT_EQ(image.GetData(), before);
    EXPECT_EQ(image.GetData()[5], 5);

    image.Resize(4, 4, 1, 6);
    EXPECT_EQ(image.Bytes.Size(), 4u * 4 * 6 * 4);

    image.Resize(0, 4, 1, 1);   // a zero dimension holds no block
    EXPECT_EQ(image.Bytes.Size(), 0u);
    ZNDialogRecorder dialogs;
    EXPECT_EQ(image.GetData(), nullptr);
    EXPECT_EQ(dialogs.Count("size == 0"), 1u);
}

TEST(ImageTypes, FloatImageKeepsRowsInPlace)
{
    FloatImage image;
    image.Resize(2, 2, true);
    for (UINT32 i = 0; i < 4; ++i)
        image.Pixels[i] = FloatPixel{ (float)i, 0.5f, 0.25f, 1.0f };

    image.Resize(3, 3, true);   // wider and taller: (x, y) keeps its pixel
    ASSERT_EQ(image.Pixels.Size(), 9u);
    EXPECT_EQ(image.Pixels[0].R, 0.0f);
    EXPECT_EQ(image.Pixels[1].R, 1.0f);
    EXPECT_EQ(image.Pixels[3].R, 2.0f);
    EXPECT_EQ(image.Pixels[4].R, 3.0f);
    EXPECT_EQ(image.Pixels[2].A, 0.0f);   // new column
    EXPECT_EQ(image.Pixels[5].A, 0.0f);
    EXPECT_EQ(image.Pixels[8].A, 0.0f);   // new row

    image.Resize(1, 3, true);   // narrower: the first column stays
    ASSERT_EQ(image.Pixels.Size(), 3u);
    EXPECT_EQ(image.Pixels[0].R, 0.0f);
    EXPECT_EQ(image.Pixels[1].R, 2.0f);
    EXPECT_EQ(image.Pixels[2].A, 0.0f);
}

// ---------------------------------------------------------------------------
// Sampling

namespace
{

ZNImage Quad()
{
    ZNImage image;
    image.Resize(2, 2, 1, 1);
    image.Pixel(0, 0) = Rgba(0, 0, 0, 255);
    image.Pixel(1, 0) = Rgba(255, 0, 0, 255);
    image.Pixel(0, 1) = Rgba(0, 255, 0, 0);
    image.Pixel(1, 1) = Rgba(255, 255, 255, 51);
    return image;
}

}   // namespace

TEST(Sampling, BilinearHitsCornersAndAveragesTheCentre)
{
    ZNImage    image = Quad();
    FloatPixel tl    = SampleBilinear(image, 0.0f, 0.0f);
    EXPECT_EQ(tl.R, 0.0f);
    EXPECT_EQ(tl.A, 255 * 0.003921569f);
    FloatPixel br = SampleBilinear(image, 1.0f, 1.0f);
    EXPECT_EQ(br.R, 255 * 0.003921569f);
    EXPECT_EQ(br.G, 255 * 0.003921569f);
    EXPECT_EQ(br.A, 51 * 0.003921569f);
    FloatPixel tr = SampleBilinear(image, 1.0f, 0.0f);
    EXPECT_EQ(tr.R, 255 * 0.003921569f);
    EXPECT_EQ(tr.G, 0.0f);

    FloatPixel c = SampleBilinear(image, 0.5f, 0.5f);
    EXPECT_NEAR(c.R, 0.5f, 1e-6);
    EXPECT_NEAR(c.G, 0.5f, 1e-6);
    EXPECT_NEAR(c.B, 0.25f, 1e-6);
    EXPECT_NEAR(c.A, (255 + 255 + 0 + 51) / 4.0f / 255.0f, 1e-6);

    // A quarter of the way across the top row.
    FloatPixel q = SampleBilinear(image, 0.25f, 0.0f);
    EXPECT_NEAR(q.R, 0.25f, 1e-6);
}

// A grey image of an 8-bit image's red samples to the very same floats as the
// RGBA sampler's R, wherever it is sampled: 8-bit height maps give the world
// they always gave.
TEST(Sampling, GreySamplesOfEightBitLevelsAreTheRedSamplesBitForBit)
{
    ZNImage image;
    image.Resize(37, 23, 1, 1);
    UINT32 seed = 12345;
    for (UINT32& p : image.Pixels)
    {
        seed = seed * 1664525u + 1013904223u;
        p    = seed;
    }
    ZNGreyImage grey;
    GreyFromRed(image, grey);
    ASSERT_EQ(grey.Width, 37u);
    ASSERT_EQ(grey.Height, 23u);
    for (UINT32 i = 0; i < 20000; ++i)
    {
        seed          = seed * 1664525u + 1013904223u;
        const float u = i < 4 ? (float)(i & 1) : (float)(seed >> 8) / 16777215.0f;
        seed          = seed * 1664525u + 1013904223u;
        const float v = i < 4 ? (float)(i >> 1) : (float)(seed >> 8) / 16777215.0f;
        const float a = SampleGreyBilinear(grey, u, v), b = SampleBilinear(image, u, v).R;
        ASSERT_EQ(memcmp(&a, &b, sizeof(float)), 0) << u << ", " << v << ": " << a << " vs " << b;
    }
    ZNGreyImage empty;
    EXPECT_EQ(SampleGreyBilinear(empty, 0.5f, 0.5f), 0.0f);
}

// Every 16-bit level is its own height: strictly rising, evenly 1/65535 apart.
TEST(Sampling, GreyLevelsRiseEvenlyThroughAllSixteenBits)
{
    ZNGreyImage grey;
    ASSERT_TRUE(grey.Resize(1, 1));
    float previous = -1.0f;
    for (UINT32 level = 0; level < 65536; ++level)
    {
        grey.Samples[0] = (UINT16)level;
        const float h   = SampleGreyBilinear(grey, 0.5f, 0.5f);
        ASSERT_GT(h, previous) << level;
        ASSERT_NEAR(h, (float)level / 65535.0f, 1e-6f) << level;
        previous = h;
    }
    EXPECT_FALSE(grey.Resize(ZN_IMAGE_MAX_SIDE + 1, 1));
    EXPECT_EQ(grey.Width, 0u);
    EXPECT_EQ(grey.Samples.Size(), 0u);
}

TEST(Sampling, OutOfRangeCoordinatesAreReported)
{
    ZNImage          image = Quad();
    ZNDialogRecorder dialogs;
    SampleBilinear(image, -0.01f, 0.5f);
    SampleBilinear(image, 0.5f, 1.01f);
    EXPECT_EQ(dialogs.Count("u < 0.0f || u > 1.0f || v < 0.0f || v > 1.0f"), 2u);
    dialogs.Clear();
    SampleBilinearWrap(image, -3.5f, 7.25f);
    SampleBilinearClamp(image, -3.5f, 7.25f);
    EXPECT_EQ(dialogs.Count(), 0u);
}

TEST(Sampling, WrapAndClampScaleByTheFullSize)
{
    ZNImage image;
    image.Resize(4, 1, 1, 1);
    for (UINT32 x = 0; x < 4; ++x)
        image.Pixel(x, 0) = Rgba(x * 60, 0, 0, 255);
    const float k = 0.003921569f;

    // u = 0.5 on 4 pixels lands exactly on pixel 2 (the plain form would give 1.5).
    EXPECT_EQ(SampleBilinearWrap(image, 0.5f, 0.0f).R, 120 * k);
    EXPECT_EQ(SampleBilinearClamp(image, 0.5f, 0.0f).R, 120 * k);
    EXPECT_NEAR(SampleBilinear(image, 0.5f, 0.0f).R, 90 * k, 1e-6);

    EXPECT_EQ(SampleBilinearWrap(image, 1.5f, 0.0f).R, 120 * k);    // wraps to 0.5
    EXPECT_EQ(SampleBilinearClamp(image, 1.0f, 0.0f).R, 180 * k);   // past the last pixel: clamped
    EXPECT_EQ(SampleBilinearClamp(image, 9.0f, 0.0f).R, 180 * k);
    EXPECT_EQ(SampleBilinearClamp(image, -9.0f, 0.0f).R, 0.0f);
    // Between pixels 1 and 2 at a quarter.
    EXPECT_NEAR(SampleBilinearClamp(image, 0.3125f, 0.0f).R, 75 * k, 1e-6);

    ZNImage empty;
    EXPECT_EQ(SampleBilinearClamp(empty, 0.5f, 0.5f).A, 0.0f);
}

// ---------------------------------------------------------------------------
// Resampling

TEST(Resampling, HalvingAveragesPairsWithFixedPointWeights)
{
    UINT32 one[1] = { Rgba(10, 20, 30, 40) };
    UINT32 out[4] = {};
    Resample1D(one, 1, 1, out, 1, 1);
    EXPECT_EQ(out[0], one[0]);

    UINT32 three[3] = { Rgba(0, 255, 100, 1), Rgba(255, 0, 200, 3), Rgba(77, 77, 77, 77) };
    Resample1D(three, 3, 1, out, 1, 1);
    EXPECT_EQ(out[0], Rgba(127, 127, 150, 2));   // pixels 0 and 1, (a*128 + b*128) >> 8

    UINT32 four[4] = { Rgba(0, 0, 0, 0), Rgba(255, 255, 255, 255), Rgba(9, 9, 9, 9), Rgba(11, 13, 15, 17) };
    Resample1D(four, 4, 1, out, 2, 1);
    EXPECT_EQ(out[0], Rgba(127, 127, 127, 127));
    EXPECT_EQ(out[1], Rgba(10, 11, 12, 13));
}

TEST(Resampling, GrowingUsesTheHalfPixelOffsetWeights)
{
    // i = 1 of 2 -> 3: s = 2/3, i0 = 0, f = frac(2/3 + 0.5) = 1/6, w = 42.
    UINT32 two[2] = { Rgba(0, 255, 0, 255), Rgba(255, 0, 255, 0) };
    UINT32 out[3] = {};
    Resample1D(two, 2, 1, out, 3, 1);
    EXPECT_EQ(out[1], Rgba((255 * 42) >> 8, (255 * 214) >> 8, (255 * 42) >> 8, (255 * 214) >> 8));
    // i = 0: s = 0, f = 0.5 -> the average of 0 and 1.
    EXPECT_EQ(out[0], Rgba(127, 127, 127, 127));
    // i = 2: s = 4/3, i0 = 1 = last, i1 clamped -> pixel 1.
    EXPECT_EQ(out[2], two[1]);
}

TEST(Resampling, ResizeRunsEveryAxisAndKeepsSidesApart)
{
    // 4 x 2 x 2 with two sides: halving every axis averages 8 pixels per side.
    TextureImage image(4, 2, 2, 2);
    UINT32*      p = (UINT32*)image.GetData();
    for (UINT32 i = 0; i < 4 * 2 * 2; ++i)
        p[i] = Rgba(i < 8 ? 0 : 128, 200, 0, 255);   // side 0: slice 0 has R 0, slice 1 R 128
    for (UINT32 i = 16; i < 32; ++i)
        p[i] = Rgba(10, 20, 30, 40);   // side 1: flat
    ResizeImage(image, 2, 1, 1);
    ASSERT_EQ(image.Width, 2u);
    ASSERT_EQ(image.Height, 1u);
    ASSERT_EQ(image.Depth, 1u);
    ASSERT_EQ(image.Sides, 2u);
    p = (UINT32*)image.GetData();
    EXPECT_EQ(p[0], Rgba(64, 200, 0, 255));
    EXPECT_EQ(p[1], Rgba(64, 200, 0, 255));
    EXPECT_EQ(p[2], Rgba(10, 20, 30, 40));
    EXPECT_EQ(p[3], Rgba(10, 20, 30, 40));

    // Same size: nothing happens, not even a new block.
    UINT8* before = image.GetData();
    ResizeImage(image, 2, 1, 1);
    EXPECT_EQ(image.GetData(), before);
}

TEST(Resampling, MipChainOf256x64EndsAt2x1And1x1)
{
    TextureImage image(256, 64, 1, 1);
    UINT32*      p = (UINT32*)image.GetData();
    for (UINT32 y = 0; y < 64; ++y)
        for (UINT32 x = 0; x < 256; ++x)
            p[y * 256 + x] = ((x + y) & 1) ? Rgba(200, 100, 50, 255) : Rgba(100, 50, 150, 255);

    std::vector<std::pair<UINT32, UINT32>> sizes;
    UINT32                                 w = 256, h = 64;
    sizes.push_back({ w, h });
    while (w > 1 || h > 1)
    {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        ResizeImage(image, w, h, 1);
        sizes.push_back({ image.Width, image.Height });
        // A checkerboard halves to its average, which then stays flat.
        p = (UINT32*)image.GetData();
        for (UINT32 i = 0; i < w * h; ++i)
            ASSERT_EQ(p[i], Rgba(150, 75, 100, 255)) << w << "x" << h << " pixel " << i;
    }
    ASSERT_EQ(sizes.size(), 9u);
    EXPECT_EQ(sizes[7], std::make_pair(2u, 1u));
    EXPECT_EQ(sizes[8], std::make_pair(1u, 1u));
}

TEST(Resampling, FlipVerticalReversesRowsPerSlice)
{
    TextureImage image(1, 3, 2, 1);
    UINT32*      p = (UINT32*)image.GetData();
    for (UINT32 i = 0; i < 6; ++i)
        p[i] = i;
    FlipVertical(image);
    const UINT32 expected[6] = { 2, 1, 0, 5, 4, 3 };
    for (UINT32 i = 0; i < 6; ++i)
        EXPECT_EQ(p[i], expected[i]) << i;
}

// ResizeImage's passes (shared weight tables, the halving shortcut) give what
// resampling every line with Resample1D gives, for any sizes.
TEST(Resampling, ResizeMatchesLineByLineResampling)
{
    UINT32 seed = 7;
    auto   next = [&seed]
    {
        seed = seed * 1664525u + 1013904223u;
        return seed;
    };
    const UINT32 shapes[][6] = { { 7, 5, 1, 3, 4, 1 },  { 8, 6, 1, 4, 3, 1 }, { 5, 4, 3, 10, 2, 1 },
                                 { 16, 2, 4, 8, 1, 2 }, { 3, 3, 2, 1, 1, 1 }, { 2, 9, 1, 5, 9, 1 } };
    for (const auto& sh : shapes)
    {
        const UINT32        w0 = sh[0], h0 = sh[1], d0 = sh[2], w1 = sh[3], h1 = sh[4], d1 = sh[5];
        const UINT32        sides = 2;
        TextureImage        image(w0, h0, d0, sides);
        std::vector<UINT32> ref(w0 * h0 * d0 * sides);
        for (UINT32 i = 0; i < ref.size(); ++i)
            ref[i] = ((UINT32*)image.GetData())[i] = next();

        // Reference: x, then y, then z, one Resample1D call per line.
        std::vector<UINT32> x(w1 * h0 * d0 * sides), y(w1 * h1 * d0 * sides), z(w1 * h1 * d1 * sides);
        for (UINT32 line = 0; line < h0 * d0 * sides; ++line)
            Resample1D(&ref[line * w0], w0, 1, &x[line * w1], w1, 1);
        for (UINT32 slice = 0; slice < d0 * sides; ++slice)
            for (UINT32 c = 0; c < w1; ++c)
                Resample1D(&x[slice * w1 * h0 + c], h0, w1, &y[slice * w1 * h1 + c], h1, w1);
        for (UINT32 s = 0; s < sides; ++s)
            for (UINT32 p = 0; p < w1 * h1; ++p)
                Resample1D(&y[s * d0 * w1 * h1 + p], d0, w1 * h1, &z[s * d1 * w1 * h1 + p], d1, w1 * h1);

        ResizeImage(image, w1, h1, d1);
        ASSERT_EQ(image.ByteSize(), z.size() * 4);
        EXPECT_EQ(memcmp(image.GetData(), z.data(), image.ByteSize()), 0)
            << w0 << "x" << h0 << "x" << d0 << " -> " << w1 << "x" << h1 << "x" << d1;
    }
}
