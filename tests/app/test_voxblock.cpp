// The voxel tree and the map sampling, built without a window or GL.
#include "VoxBlock.h"

#include "common/ZNTestDialogs.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace
{

UINT32 PackRGBA(UINT8 r, UINT8 g, UINT8 b, UINT8 a)
{
    return UINT32(r) | UINT32(g) << 8 | UINT32(b) << 16 | UINT32(a) << 24;
}

void FillImage(ZNImage& img, UINT32 w, UINT32 h, UINT32 pixel)
{
    img.Resize(w, h, 1, 1);
    for (UINT32 y = 0; y < h; ++y)
        for (UINT32 x = 0; x < w; ++x)
            img.Pixel(x, y) = pixel;
}

// Walks the tree and checks the depth rule: points only exactly `leafDepth`
// levels down, and those nodes never split.
struct TreeStats
{
    UINT32 Points              = 0;
    UINT32 PointsAtWrongDepth  = 0;
    UINT32 SplitLeaves         = 0;
    UINT32 PointsOutsideBounds = 0;
};

void Walk(const VoxBlock* node, UINT32 depth, UINT32 leafDepth, TreeStats& s)
{
    s.Points += node->Points.Size();
    if (depth != leafDepth)
        s.PointsAtWrongDepth += node->Points.Size();
    else if (node->IsSplit())
        ++s.SplitLeaves;
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
    {
        const VoxelPoint& p = node->Points[i];
        for (UINT32 a = 0; a < 3; ++a)
            if (p.Position[a] - p.Size < node->Min[a] || p.Position[a] + p.Size > node->Max[a])
                ++s.PointsOutsideBounds;
    }
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            Walk(node->Ch[k], depth + 1, leafDepth, s);
}

const VoxBlock* FindLeafWithPoints(const VoxBlock* node)
{
    if (node->Points.Size())
        return node;
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            if (const VoxBlock* found = FindLeafWithPoints(node->Ch[k]))
                return found;
    return nullptr;
}

template <class F>
void ForEachPoint(const VoxBlock* node, F&& f)
{
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
        f(node->Points[i]);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            ForEachPoint(node->Ch[k], f);
}

const UINT8 White[4] = { 255, 255, 255, 255 };

}   // namespace

TEST(VoxelTree, WholeTerrainHas160000SpritesAllFiveLevelsDown)
{
    ZNImage height, color;
    // A slope across the map, so the sprites spread over many leaves in z too.
    height.Resize(64, 64, 1, 1);
    for (UINT32 y = 0; y < 64; ++y)
        for (UINT32 x = 0; x < 64; ++x)
        {
            UINT8 v            = UINT8((x + y) * 2);
            height.Pixel(x, y) = PackRGBA(v, 0, 0, 255);
        }
    FillImage(color, 8, 8, PackRGBA(10, 200, 30, 255));

    VoxBlock* root = BuildVoxelTree(height, color, VoxWorldMin, VoxWorldMax, VoxVoxelSize);
    ASSERT_NE(root, nullptr);
    TreeStats s;
    Walk(root, 0, VoxTreeDepth, s);
    EXPECT_EQ(s.Points, 160000u);
    EXPECT_EQ(root->CountPoints(), 160000u);
    EXPECT_EQ(s.PointsAtWrongDepth, 0u);
    EXPECT_EQ(s.SplitLeaves, 0u);
    EXPECT_EQ(s.PointsOutsideBounds, 0u);
    // The root keeps the world bounds: only leaves grow.
    EXPECT_EQ(root->Min, VoxWorldMin);
    EXPECT_EQ(root->Max, VoxWorldMax);

    const VoxBlock* leaf = FindLeafWithPoints(root);
    ASSERT_NE(leaf, nullptr);
    const VoxelPoint& p = leaf->Points[0];
    EXPECT_EQ(p.Size, 10.0f);
    EXPECT_EQ(p.Color[0], 10);
    EXPECT_EQ(p.Color[1], 200);
    EXPECT_EQ(p.Color[2], 30);
    EXPECT_EQ(p.Color[3], 255);
    EXPECT_EQ(memcmp(p.Corner, "\0\0\0\0", 4), 0);
    VoxBlock::Delete(root);
}

TEST(VoxelTree, SpritesSitAtCellCentresAndSampleTheLowerCorner)
{
    // 40 x 40 units with voxel size 10: 8 x 8 cells of 5 units. A 5 x 5 height
    // image puts pixel column c at u = c / 4, i.e. exactly at cells 0, 2, 4, 6.
    ZNImage height, color;
    height.Resize(5, 5, 1, 1);
    for (UINT32 y = 0; y < 5; ++y)
        for (UINT32 x = 0; x < 5; ++x)
            height.Pixel(x, y) = PackRGBA(UINT8(x * 50 + y * 10), 0, 0, 255);
    FillImage(color, 2, 2, PackRGBA(255, 255, 255, 255));

    VoxBlock* root = BuildVoxelTree(height, color, ZNVec3(0, 0, 0), ZNVec3(40, 40, 255), 10.0f);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->CountPoints(), 64u);

    // Cell (i = 2, j = 4): centre (12.5, 22.5), sampled at pixel (1, 2).
    bool found = false;
    ForEachPoint(root,
                 [&](const VoxelPoint& p)
                 {
                     if (p.Position[0] == 12.5f && p.Position[1] == 22.5f)
                     {
                         found = true;
                         EXPECT_NEAR(p.Position[2], 1 * 50 + 2 * 10, 1e-3);
                     }
                 });
    EXPECT_TRUE(found);
    VoxBlock::Delete(root);
}

TEST(VoxelTree, HeightZeroAndOneSpanTheWorldHeight)
{
    ZNImage color;
    FillImage(color, 2, 2, PackRGBA(0, 0, 0, 255));
    for (UINT8 level : { UINT8(0), UINT8(255) })
    {
        ZNImage height;
        FillImage(height, 3, 3, PackRGBA(level, 0, 0, 255));
        VoxBlock* root = BuildVoxelTree(height, color, VoxWorldMin, VoxWorldMax, VoxVoxelSize);
        ASSERT_NE(root, nullptr);
        const float expected = level ? 600.0f : 0.0f;
        UINT32      wrong = 0, total = 0;
        ForEachPoint(root,
                     [&](const VoxelPoint& p)
                     {
                         ++total;
                         wrong += p.Position[2] != expected;
                     });
        EXPECT_EQ(total, 160000u);
        EXPECT_EQ(wrong, 0u) << "height byte " << int(level);
        VoxBlock::Delete(root);
    }
}

TEST(VoxelTree, ColourPackingClampsAndTruncates)
{
    UINT8 out[4];
    PackVoxelColor(FloatPixel{ 1.5f, 0.5f, -0.25f, 1.0f }, out);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 127);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 255);

    PackVoxelColor(FloatPixel{ 0.0f, 0.999f, 1.0f / 255.0f, NAN }, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 254);
    EXPECT_LE(out[2], 1);
    EXPECT_EQ(out[3], 0) << "NaN must not reach the byte conversion";
}

TEST(VoxelTree, PointOnMiddlePlaneGoesToUpperChild)
{
    VoxBlock* root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(16, 16, 16));
    root->Insert(1, ZNVec3(8, 8, 8), 1.0f, White);
    root->Insert(1, ZNVec3(7.999f, 8, 0), 1.0f, White);
    root->Insert(1, ZNVec3(8, 0, 8), 1.0f, White);
    ASSERT_TRUE(root->IsSplit());
    EXPECT_EQ(root->Points.Size(), 0u);
    EXPECT_EQ(root->Ch[7]->Points.Size(), 1u);
    EXPECT_EQ(root->Ch[2]->Points.Size(), 1u);
    EXPECT_EQ(root->Ch[5]->Points.Size(), 1u);
    for (UINT32 k : { 0u, 1u, 3u, 4u, 6u })
        EXPECT_EQ(root->Ch[k]->Points.Size(), 0u) << "child " << k;
    // Octant bounds of the children (before any growth of the ones still empty).
    EXPECT_EQ(root->Ch[6]->Min, ZNVec3(0, 8, 8));
    EXPECT_EQ(root->Ch[6]->Max, ZNVec3(8, 16, 16));
    VoxBlock::Delete(root);
}

TEST(VoxelTree, LeafBoundsGrowByTheVoxelSize)
{
    VoxBlock* root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(16, 16, 16));
    root->Insert(2, ZNVec3(1, 2, 3), 10.0f, White);
    const VoxBlock* leaf = root->Ch[0]->Ch[0];
    EXPECT_EQ(leaf->Min, ZNVec3(-9, -8, -7));
    EXPECT_EQ(leaf->Max, ZNVec3(11, 12, 13));
    // A second point inside the grown box changes nothing; one further out grows it.
    root->Insert(2, ZNVec3(2, 2, 2), 10.0f, White);
    EXPECT_EQ(leaf->Min, ZNVec3(-9, -8, -8));
    EXPECT_EQ(leaf->Max, ZNVec3(12, 12, 13));
    // The parent keeps its octant.
    EXPECT_EQ(root->Ch[0]->Min, ZNVec3(0, 0, 0));
    EXPECT_EQ(root->Ch[0]->Max, ZNVec3(8, 8, 8));
    VoxBlock::Delete(root);
}

TEST(VoxelTree, SplittingTwiceIsReportedAndKeepsTheChildren)
{
    ZNDialogRecorder rec;
    VoxBlock*        root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(2, 2, 2));
    root->Insert(1, ZNVec3(0.5f, 0.5f, 0.5f), 0.1f, White);
    VoxBlock* first = root->Ch[0];
    EXPECT_EQ(rec.Count(), 0u) << rec.Summary();
    root->Split();
    ASSERT_EQ(rec.Count(), 1u);
    EXPECT_EQ(rec.Count("Ch[ 0 ]"), 1u) << rec.Summary();
    EXPECT_EQ(root->Ch[0], first);
    EXPECT_EQ(root->CountPoints(), 1u);
    VoxBlock::Delete(root);
}

TEST(VoxelTree, SixVerticesPerPointWithTheCornerWords)
{
    VoxBlock*   root  = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(16, 16, 16));
    const UINT8 c1[4] = { 1, 2, 3, 4 }, c2[4] = { 9, 8, 7, 6 };
    root->Insert(1, ZNVec3(1, 1, 1), 10.0f, c1);
    root->Insert(1, ZNVec3(2, 3, 4), 5.0f, c2);
    root->Insert(1, ZNVec3(12, 12, 12), 10.0f, c1);
    root->BuildVertexBuffers(false);

    // Full detail first; the coarser levels follow (one merged sprite each here).
    const VoxBlock* leaf = root->Ch[0];
    ASSERT_EQ(leaf->LodCount[0], 12u);
    ASSERT_EQ(leaf->Vertices.Size(), 12u + 6u * (VoxLodLevels - 1));
    EXPECT_EQ(root->Ch[7]->LodCount[0], 6u);
    EXPECT_EQ(root->Vertices.Size(), 0u);
    EXPECT_EQ(root->Ch[3]->Vertices.Size(), 0u);
    EXPECT_EQ(leaf->VB, nullptr) << "no GL buffer without upload";

    const UINT32 words[6] = { 0xFF01, 0xFFFF, 0x01FF, 0x01FF, 0x0101, 0xFF01 };
    for (UINT32 p = 0; p < 2; ++p)
    {
        const VoxelPoint& src = leaf->Points[p];
        for (UINT32 v = 0; v < 6; ++v)
        {
            const VoxelPoint& vert = leaf->Vertices[p * 6 + v];
            UINT32            word;
            memcpy(&word, vert.Corner, 4);
            EXPECT_EQ(word, words[v]) << "point " << p << " vertex " << v;
            EXPECT_EQ(memcmp(&vert, &src, 20), 0) << "centre, size and colour are the point's";
        }
    }

    // Rebuilding starts from empty instead of appending a second copy.
    root->BuildVertexBuffers(false);
    EXPECT_EQ(leaf->Vertices.Size(), 12u + 6u * (VoxLodLevels - 1));
    VoxBlock::Delete(root);
}

TEST(VoxelTree, MissingOrEmptyMapsBuildNothing)
{
    ZNImage empty, color;
    FillImage(color, 2, 2, 0xFFFFFFFFu);
    EXPECT_EQ(BuildVoxelTree(empty, color, VoxWorldMin, VoxWorldMax, VoxVoxelSize), nullptr);
    EXPECT_EQ(BuildVoxelTree(color, empty, VoxWorldMin, VoxWorldMax, VoxVoxelSize), nullptr);
    EXPECT_EQ(LoadVoxelTree("/nonexistent/Heightmap.png", "/nonexistent/Colormap.png"), nullptr);
    // Either map alone missing is enough to build nothing.
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    EXPECT_EQ(LoadVoxelTree((data + "Heightmap.png").c_str(), "/nonexistent/Colormap.png"), nullptr);
    EXPECT_EQ(LoadVoxelTree("/nonexistent/Heightmap.png", (data + "Colormap.png").c_str()), nullptr);
    // Inverted bounds give a root with no sprites rather than a runaway grid.
    VoxBlock* root = BuildVoxelTree(color, color, VoxWorldMax, VoxWorldMin, VoxVoxelSize);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->CountPoints(), 0u);
    VoxBlock::Delete(root);
}

TEST(VoxelTree, TheDemoMapsBuildTheWholeTerrain)
{
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    VoxBlock*         root = LoadVoxelTree((data + "Heightmap.png").c_str(), (data + "Colormap.png").c_str());
    ASSERT_NE(root, nullptr);
    TreeStats s;
    Walk(root, 0, VoxTreeDepth, s);
    EXPECT_EQ(s.Points, 160000u);
    EXPECT_EQ(s.PointsAtWrongDepth, 0u);
    // Some ground lies under the water plane (z = 100) and some is high mountain.
    UINT32 under = 0, high = 0;
    ForEachPoint(root,
                 [&](const VoxelPoint& p)
                 {
                     under += p.Position[2] < 100.0f;
                     high += p.Position[2] > 400.0f;
                 });
    EXPECT_GT(under, 4000u);
    EXPECT_GT(high, 1000u);
    VoxBlock::Delete(root);
}

namespace
{
// Every report of a build, and the report at which to stop it (none by default).
struct ProgressLog
{
    std::vector<std::pair<VoxBuildPhase, float>> Reports;
    size_t                                       StopAt = ~(size_t)0;

    static bool Report(void* context, VoxBuildPhase phase, float fraction)
    {
        ProgressLog& log = *static_cast<ProgressLog*>(context);
        log.Reports.emplace_back(phase, fraction);
        return log.Reports.size() - 1 != log.StopAt;
    }
};
}   // namespace

// A build reports its phases in order, each's share rising to 1, in several pieces;
// stopped at any report it answers null and leaves no node behind, with and
// without the cliffs' fills.
TEST(VoxelTree, ProgressComesInOrderAndStoppingAnywhereLeavesNothing)
{
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    const std::string h = data + "Heightmap.png", c = data + "Colormap.png";
    for (bool fills : { false, true })
    {
        ProgressLog       log;
        const VoxProgress progress = { ProgressLog::Report, &log };
        VoxBlock*         root     = LoadVoxelTree(h.c_str(), c.c_str(), 400, fills, nullptr, &progress);
        ASSERT_NE(root, nullptr);
        VoxBlock::Delete(root);
        ASSERT_GT(log.Reports.size(), 8u) << "reported in pieces";
        EXPECT_EQ(log.Reports.front().first, VoxPhase_Reading);
        EXPECT_EQ(log.Reports.front().second, 0.0f);
        EXPECT_EQ(log.Reports.back().first, VoxPhase_Tree);
        EXPECT_EQ(log.Reports.back().second, 1.0f);
        for (size_t i = 1; i < log.Reports.size(); ++i)
        {
            const auto &a = log.Reports[i - 1], &b = log.Reports[i];
            EXPECT_TRUE(b.first > a.first || (b.first == a.first && b.second >= a.second)) << "report " << i;
            EXPECT_LE(b.second, 1.0f);
        }
        const INT64 live = VoxBlock::LiveNodes();
        for (size_t stop = 0; stop < log.Reports.size(); stop += 3)
        {
            ProgressLog       stopping;
            const VoxProgress p = { ProgressLog::Report, &stopping };
            stopping.StopAt     = stop;
            EXPECT_EQ(LoadVoxelTree(h.c_str(), c.c_str(), 400, fills, nullptr, &p), nullptr) << "stopped at " << stop;
            EXPECT_EQ(stopping.Reports.size(), stop + 1) << "nothing is reported after the stop";
            EXPECT_EQ(VoxBlock::LiveNodes(), live) << "stopped at " << stop;
        }
    }
}
