// The PNG codec of the Windows build (WIC): the conformance suite within its
// tolerance, the two files whose only fault is a chunk checksum refused, and an
// exact round trip.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "resources/ZNImage.h"

namespace
{
std::vector<UINT8> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<UINT8>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string kSuite = std::string(ZN_TEST_SOURCE_DIR) + "/tests/data/pngsuite/";

bool Decode(const std::vector<UINT8>& bytes, ZNImage& image)
{
    return LoadPngFromMemory(bytes.empty() ? nullptr : bytes.data(), (UINT32)bytes.size(), image);
}
}   // namespace

TEST(WicPngSuite, ValidImagesMatchAndCorruptOnesAreRefused)
{
    std::ifstream manifest(kSuite + "MANIFEST.tsv");
    ASSERT_TRUE(manifest.good()) << kSuite;
    std::string line;
    std::getline(manifest, line);
    int valid = 0, corrupt = 0;
    while (std::getline(manifest, line))
    {
        std::istringstream row(line);
        std::string        name, w, h, kind, tolerance;
        row >> name >> w >> h >> kind >> tolerance;
        if (name.empty())
            continue;
        const std::vector<UINT8> file = ReadAll(kSuite + "png/" + name + ".png");
        ASSERT_FALSE(file.empty()) << name;
        ZNImage    image;
        const bool ok = Decode(file, image);
        if (kind != "valid")
        {
            EXPECT_FALSE(ok) << name << " is corrupt and must not decode";
            ++corrupt;
            continue;
        }
        ++valid;
        EXPECT_TRUE(ok) << name;
        if (!ok)
            continue;
        ASSERT_EQ(image.Width, (UINT32)std::stoul(w)) << name;
        ASSERT_EQ(image.Height, (UINT32)std::stoul(h)) << name;
        const std::vector<UINT8> expected = ReadAll(kSuite + "expected/" + name + ".rgba");
        ASSERT_EQ(expected.size(), (size_t)image.Width * image.Height * 4) << name;
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, abs((int)image.GetData()[i] - (int)expected[i]));
        EXPECT_LE(worst, std::stoi(tolerance)) << name;
    }
    EXPECT_EQ(corrupt, 14);
    EXPECT_GT(valid, 150);
}

TEST(WicPngSuite, AChangedByteInsideAChunkIsCaughtByItsChecksum)
{
    std::vector<UINT8> file = ReadAll(kSuite + "png/basn6a08.png");
    ASSERT_GT(file.size(), 100u);
    ZNImage image;
    ASSERT_TRUE(Decode(file, image));
    // A byte of the image header's width: WIC alone would decode a wider image.
    file[8 + 8 + 3] ^= 0x01;
    EXPECT_FALSE(Decode(file, image));
}

TEST(WicPngCodec, EncodeDecodeRoundTripIsExactAndKeepsAlpha)
{
    ZNImage image;
    image.Resize(7, 5, 1, 1);
    for (UINT32 y = 0; y < 5; ++y)
        for (UINT32 x = 0; x < 7; ++x)
            image.Pixel(x, y) = (x * 37u) | (y * 51u) << 8 | ((x ^ y) * 29u) << 16 | (255u - x * 30u) << 24;
    ZNPodArray<UINT8> bytes;
    ASSERT_TRUE(EncodePngToArray(image, bytes, ImageFileType_Png));
    ASSERT_GT(bytes.Size(), 8u);
    EXPECT_EQ(bytes[1], 'P');
    ZNImage back;
    ASSERT_TRUE(LoadPngFromMemory(bytes.Data(), bytes.Size(), back));
    ASSERT_EQ(back.Width, 7u);
    ASSERT_EQ(back.Height, 5u);
    for (UINT32 y = 0; y < 5; ++y)
        for (UINT32 x = 0; x < 7; ++x)
            EXPECT_EQ(back.Pixel(x, y), image.Pixel(x, y)) << x << "," << y;
}
