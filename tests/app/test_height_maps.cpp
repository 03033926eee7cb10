// Height maps of 8 and 16 bits: a 16-bit map keeps levels 256 times finer than an
// 8-bit one, and an 8-bit map builds the very world it always built.
#include "VoxBlock.h"

#include "common/ZNTestDialogs.h"
#include "resources/ResourcesTestUtil.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{

void CollectPoints(const VoxBlock* node, std::vector<VoxelPoint>& out)
{
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
        out.push_back(node->Points[i]);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            CollectPoints(node->Ch[k], out);
}

// The sprites' heights along the middle row of cells, west to east.
std::vector<float> MiddleRowHeights(const VoxBlock* root)
{
    std::vector<VoxelPoint> points;
    CollectPoints(root, points);
    std::vector<float> ys;
    for (const VoxelPoint& p : points)
        ys.push_back(p.Position[1]);
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    const float                          middleY = ys.empty() ? 0.0f : ys[ys.size() / 2];
    std::vector<std::pair<float, float>> row;
    for (const VoxelPoint& p : points)
        if (p.Position[1] == middleY)
            row.emplace_back(p.Position[0], p.Position[2]);
    std::sort(row.begin(), row.end());
    std::vector<float> heights;
    for (const auto& xz : row)
        heights.push_back(xz.second);
    return heights;
}

}   // namespace

// A ramp that climbs two 8-bit levels across the whole map: read in 16 bits every
// sprite stands a little higher than its western neighbour, by far less than an
// 8-bit level, where its 8-bit twin gives a few flat terraces.
TEST(HeightMap, ASixteenBitRampRisesSmoothlyWhereEightBitsMakeTerraces)
{
    const UINT32 side = 256;
    ZNGreyImage  fine;
    ZNImage      coarse, color;
    ASSERT_TRUE(fine.Resize(side, side));
    coarse.Resize(side, side, 1, 1);
    color.Resize(2, 2, 1, 1);
    for (UINT32& p : color.Pixels)
        p = 0xFF808080u;
    for (UINT32 y = 0; y < side; ++y)
        for (UINT32 x = 0; x < side; ++x)
        {
            const UINT32 level          = 30000 + x * 2;
            fine.Samples[y * side + x]  = (UINT16)level;
            coarse.Pixels[y * side + x] = 0xFF000000u | (level >> 8);
        }
    // 80 x 80 cells of 5 units; height 0..600.
    const ZNVec3 min(0.0f, 0.0f, 0.0f), max(400.0f, 400.0f, 600.0f);
    VoxBlock*    smooth  = BuildVoxelTree(fine, color, min, max, 10.0f, 3);
    VoxBlock*    stepped = BuildVoxelTree(coarse, color, min, max, 10.0f, 3);
    ASSERT_NE(smooth, nullptr);
    ASSERT_NE(stepped, nullptr);
    const std::vector<float> a = MiddleRowHeights(smooth), b = MiddleRowHeights(stepped);
    ASSERT_EQ(a.size(), 80u);
    ASSERT_EQ(b.size(), 80u);

    const float eightBitLevel = 600.0f / 255.0f;
    UINT32      terraced      = 0;
    for (size_t i = 1; i < a.size(); ++i)
    {
        EXPECT_GT(a[i], a[i - 1]) << "cell " << i << " is no higher than its neighbour";
        EXPECT_LT(a[i] - a[i - 1], eightBitLevel / 16.0f) << "cell " << i;
        terraced += b[i] == b[i - 1];
    }
    EXPECT_GE(terraced, 70u) << "the 8-bit ramp is flat between its levels";
    // The ramp's own heights: level 30000 at the west edge, 30000 + 2 x 255 at the east.
    EXPECT_NEAR(a.front(), 600.0f * 30000.0f / 65535.0f, 0.01f);
    EXPECT_NEAR(a.back(), 600.0f * (30000.0f + 2.0f * 255.0f * 79.0f / 80.0f) / 65535.0f, 0.05f);
    VoxBlock::Delete(smooth);
    VoxBlock::Delete(stepped);
}

// Every sprite stands exactly at the sampler's height of its cell, for maps of
// every 16-bit level (not only the 8-bit ones) both finer and coarser than the
// grid, with odd sizes so the taps fall between pixels.
TEST(HeightMap, EverySpriteStandsAtTheSamplersHeightOfItsCell)
{
    ZNImage color;
    color.Resize(3, 3, 1, 1);
    for (UINT32& p : color.Pixels)
        p = 0xFF406080u;
    const ZNVec3 min(-105.0f, 20.0f, -50.0f), max(95.0f, 175.0f, 550.0f);
    const float  h  = 5.0f;
    const UINT32 nx = 40, ny = 31;
    for (UINT32 side : { 13u, 97u })
    {
        ZNGreyImage map;
        ASSERT_TRUE(map.Resize(side, side + 4));
        UINT32 seed = 777;
        for (UINT16& v : map.Samples)
        {
            seed = seed * 1664525u + 1013904223u;
            v    = (UINT16)(seed >> 16);
        }
        VoxBlock* root = BuildVoxelTree(map, color, min, max, 2.0f * h, 3);
        ASSERT_NE(root, nullptr);
        std::vector<VoxelPoint> points;
        CollectPoints(root, points);
        ASSERT_EQ(points.size(), (size_t)nx * ny);
        UINT32 wrong = 0;
        for (const VoxelPoint& p : points)
        {
            const UINT32 i = (UINT32)floorf((p.Position[0] - min.x) / h);
            const UINT32 j = (UINT32)floorf((p.Position[1] - min.y) / h);
            const float  z = min.z + (max.z - min.z) * SampleGreyBilinear(map, (float)i * (1.0f / (float)nx),
                                                                          (float)j * (1.0f / (float)ny));
            wrong += p.Position[2] != z;
        }
        EXPECT_EQ(wrong, 0u) << "map of " << side << " columns";
        VoxBlock::Delete(root);
    }
}

// The demo's 8-bit map and the same map written in 16 bits (each level v as
// v x 257) build the same world, sprite for sprite, cliff fills included.
TEST(HeightMap, AnEightBitMapBuildsTheWorldOfItsSixteenBitCopy)
{
    const std::string data  = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    const std::string color = data + "Colormap.png";
    ZNImage           eight;
    ASSERT_TRUE(LoadImageFile((data + "Heightmap.png").c_str(), eight));
    std::vector<UINT16> levels(eight.Pixels.Size());
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = UINT16((eight.Pixels[(UINT32)i] & 0xFF) * 257);
    ZNScratchDir      folder;
    const std::string copy = folder.Path("Heightmap16.png");
    ZNWriteBytes(copy, Grey16Png(eight.Width, eight.Height, levels));

    UINT32    fillsA = 0, fillsB = 0;
    VoxBlock* a = LoadVoxelTree((data + "Heightmap.png").c_str(), color.c_str(), VoxDefaultGrid, true, &fillsA);
    VoxBlock* b = LoadVoxelTree(copy.c_str(), color.c_str(), VoxDefaultGrid, true, &fillsB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_GT(fillsA, 0u);
    EXPECT_EQ(fillsA, fillsB);
    std::vector<VoxelPoint> pa, pb;
    CollectPoints(a, pa);
    CollectPoints(b, pb);
    ASSERT_EQ(pa.size(), pb.size());
    size_t differ = 0;
    for (size_t i = 0; i < pa.size(); ++i)
        differ += memcmp(&pa[i], &pb[i], sizeof(VoxelPoint)) != 0;
    EXPECT_EQ(differ, 0u) << "of " << pa.size() << " sprites";
    VoxBlock::Delete(a);
    VoxBlock::Delete(b);
}

// Built from a file, a ramp within one 8-bit level still rises from every cell to
// the next: the build reads all 16 bits of the map it loads.
TEST(HeightMap, ABuildFromASixteenBitFileKeepsTheLowBytes)
{
    const UINT32        side = 64;
    std::vector<UINT16> levels(side * side);
    for (UINT32 i = 0; i < levels.size(); ++i)
        levels[i] = UINT16(40000 + (i % side) * 3);
    ZNScratchDir      folder;
    const std::string path = folder.Path("Ramp.png");
    ZNWriteBytes(path, Grey16Png(side, side, levels));
    const std::string color = std::string(ZN_TEST_SOURCE_DIR) + "/data/Colormap.png";
    VoxBlock*         root  = LoadVoxelTree(path.c_str(), color.c_str(), VoxMinGrid);
    ASSERT_NE(root, nullptr);
    const std::vector<float> row = MiddleRowHeights(root);
    ASSERT_EQ(row.size(), VoxMinGrid);
    for (size_t i = 1; i < row.size(); ++i)
        EXPECT_GT(row[i], row[i - 1]) << "cell " << i;
    VoxBlock::Delete(root);
}
