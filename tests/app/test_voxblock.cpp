// The voxel tree and the map sampling, built without a window or GL.
#include "VoxBlock.h"

#include "common/ZNTestDialogs.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <math.h>
#include <string.h>
#include <string>
#include <thread>
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

// The bound a leaf gives of its sprites, all levels, is never below what it builds,
// with and without the cliffs' fills, and close to it over the demo world (a
// store's last pool is made that big).
TEST(VoxelTree, EveryLeafBuildsNoMoreSpritesThanItsBoundAndNearIt)
{
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    for (bool fills : { false, true })
    {
        VoxBlock* root =
            LoadVoxelTree((data + "Heightmap.png").c_str(), (data + "Colormap.png").c_str(), VoxDefaultGrid, fills);
        ASSERT_NE(root, nullptr);
        ZNPodArray<VoxBlock*> nodes;
        VoxCollectNodes(root, nodes);
        UINT64 built = 0, bound = 0;
        UINT32 over = 0;
        for (UINT32 i = 0; i < nodes.Size(); ++i)
        {
            nodes[i]->BuildOwnVertices(VoxLayout_Compact);
            const UINT64 b = nodes[i]->OwnSpriteBound();
            over += nodes[i]->Vertices.Size() > b;
            built += nodes[i]->Vertices.Size();
            bound += b;
        }
        EXPECT_EQ(over, 0u) << (fills ? "with fills" : "");
        EXPECT_LT((double)bound, 1.25 * (double)built) << (fills ? "with fills" : "");
        printf("%s: %llu sprites built, bound %llu\n", fills ? "with fills" : "without fills",
               (unsigned long long)built, (unsigned long long)bound);
        VoxBlock::Delete(root);
    }
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

// A build reports its phases in order, each's share rising to 1, as it goes;
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
            // The calling thread reports between the jobs it happens to take, so a
            // run may tell fewer reports than the first did and never reach the stop.
            if (VoxBlock* built = LoadVoxelTree(h.c_str(), c.c_str(), 400, fills, nullptr, &p))
            {
                EXPECT_LE(stopping.Reports.size(), stop) << "a stop at " << stop << " was not heeded";
                VoxBlock::Delete(built);
                continue;
            }
            EXPECT_EQ(stopping.Reports.size(), stop + 1) << "nothing is reported after the stop";
            EXPECT_EQ(VoxBlock::LiveNodes(), live) << "stopped at " << stop;
        }
    }
}

namespace
{
// A progress log that also counts the work run beside the build, where and when.
struct BesideLog : ProgressLog
{
    int             Runs          = 0;
    bool            OnCaller      = false;
    std::thread::id Caller        = std::this_thread::get_id();
    size_t          ReportsBefore = 0;

    static void Run(void* context)
    {
        BesideLog& log    = *static_cast<BesideLog*>(static_cast<ProgressLog*>(context));
        log.OnCaller      = std::this_thread::get_id() == log.Caller;
        log.ReportsBefore = log.Reports.size();
        ++log.Runs;
    }
};
}   // namespace

// The caller's work beside a build (GL work, which only the building thread may
// do) runs once, on that thread, once the heights are sampled and before the tree
// is filled, and changes nothing built.
TEST(VoxelTree, BesideWorkRunsOnceOnTheBuildingThreadAsTheTreeFills)
{
    const std::string data = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    const std::string h = data + "Heightmap.png", c = data + "Colormap.png";
    BesideLog         log;
    const VoxProgress progress = { ProgressLog::Report, static_cast<ProgressLog*>(&log), BesideLog::Run };
    VoxBlock*         root     = LoadVoxelTree(h.c_str(), c.c_str(), 400, true, nullptr, &progress);
    VoxBlock*         plain    = LoadVoxelTree(h.c_str(), c.c_str(), 400, true);
    ASSERT_NE(root, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(log.Runs, 1);
    EXPECT_TRUE(log.OnCaller);
    ASSERT_GT(log.ReportsBefore, 0u);
    ASSERT_LT(log.ReportsBefore, log.Reports.size());
    const auto& before = log.Reports[log.ReportsBefore - 1];
    EXPECT_EQ(before.first, VoxPhase_Tree);
    EXPECT_LE(before.second, 0.3f + 1e-6f) << "the fill had begun";
    EXPECT_GT(log.Reports[log.ReportsBefore].second, 0.3f) << "it runs beside the fill's first piece";
    EXPECT_EQ(root->CountPoints(), plain->CountPoints());
    EXPECT_EQ(root->CountNodesWithPoints(), plain->CountNodesWithPoints());
    VoxBlock::Delete(root);
    VoxBlock::Delete(plain);
}

namespace
{
// The tree as inserting every sprite one by one builds it: each cell sampled as the
// build samples it, row after row, each followed by its fills.
VoxBlock* InsertEveryCell(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                          float voxelSize, UINT32 depth, bool fillCliffs, UINT32& cellCount)
{
    const UINT32            nx = (UINT32)ceilf((max.x - min.x) / (voxelSize * 0.5f));
    const UINT32            ny = (UINT32)ceilf((max.y - min.y) / (voxelSize * 0.5f));
    const float             du = 1.0f / (float)nx, dv = 1.0f / (float)ny;
    std::vector<VoxelPoint> cells(nx * ny);
    cellCount = nx * ny;
    for (UINT32 j = 0; j < ny; ++j)
        for (UINT32 i = 0; i < nx; ++i)
        {
            const float u = (float)i * du, v = (float)j * dv;
            VoxelPoint& p = cells[j * nx + i];
            p.Position[0] = min.x + (max.x - min.x) * (u + du * 0.5f);
            p.Position[1] = min.y + (max.y - min.y) * (v + dv * 0.5f);
            p.Position[2] = min.z + (max.z - min.z) * SampleBilinear(height, u, v).R;
            p.Size        = voxelSize;
            PackVoxelColor(SampleBilinear(color, u, v), p.Color);
        }
    VoxBlock* root = VoxBlock::Create(min, max);
    for (UINT32 j = 0; j < ny; ++j)
        for (UINT32 i = 0; i < nx; ++i)
        {
            const VoxelPoint& c   = cells[j * nx + i];
            float             low = c.Position[2];
            // Neighbours in +x, -x, +y, -y; one off the grid stands at the cell's height.
            const float       around[4] = { i + 1 < nx ? cells[j * nx + i + 1].Position[2] : c.Position[2],
                                      i > 0 ? cells[j * nx + i - 1].Position[2] : c.Position[2],
                                      j + 1 < ny ? cells[(j + 1) * nx + i].Position[2] : c.Position[2],
                                      j > 0 ? cells[(j - 1) * nx + i].Position[2] : c.Position[2] };
            for (float n : around)
                low = std::min(low, n);
            const UINT32 places = fillCliffs ? VoxCliffPlaces(c.Position[2], low, c.Size) : 0;
            const bool   slant  = fillCliffs && (places || c.Position[2] - low > c.Size * VoxSlantStep);
            VoxelPoint   t      = c;
            if (places)
                VoxTallCell(c, t);
            root->Insert(depth, ZNVec3(t.Position[0], t.Position[1], t.Position[2]), t.Size, t.Color,
                         places  ? VoxTallMark
                         : slant ? VoxSlantMark
                                 : 0,
                         slant ? VoxColumnFaces(c.Position[2], around, c.Size, 0) : 0);
            for (UINT32 k = 1; k < places; ++k)
            {
                VoxelPoint f;
                VoxCliffFillSprite(c, k, f);
                root->Insert(depth, ZNVec3(f.Position[0], f.Position[1], f.Position[2]), f.Size, f.Color, f.Corner[2],
                             VoxColumnFaces(c.Position[2], around, c.Size, k));
            }
        }
    return root;
}

// Same nodes, same bounds, same sprites in the same order, bit for bit.
void ExpectSameTree(const VoxBlock* a, const VoxBlock* b, const std::string& where)
{
    ASSERT_EQ(a->IsSplit(), b->IsSplit()) << where;
    EXPECT_EQ(memcmp(&a->Min, &b->Min, sizeof(ZNVec3)), 0) << where;
    EXPECT_EQ(memcmp(&a->Max, &b->Max, sizeof(ZNVec3)), 0) << where;
    ASSERT_EQ(a->Points.Size(), b->Points.Size()) << where;
    for (UINT32 i = 0; i < a->Points.Size(); ++i)
        ASSERT_EQ(memcmp(&a->Points[i], &b->Points[i], sizeof(VoxelPoint)), 0) << where << " sprite " << i;
    if (a->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            ExpectSameTree(a->Ch[k], b->Ch[k], where + "/" + std::to_string(k));
}
}   // namespace

// The build fills leaves tile by tile; the tree must be the one inserting every
// cell in row order gives, on uneven grids, at several depths (none included),
// with cliffs that put a cell's fills in other leaves than the cell's.
TEST(VoxelTree, BuildEqualsInsertingEveryCellInRowOrder)
{
    ZNImage height, color;
    height.Resize(37, 23, 1, 1);
    color.Resize(19, 29, 1, 1);
    UINT32 seed = 12345;
    for (UINT32 y = 0; y < height.Height; ++y)
        for (UINT32 x = 0; x < height.Width; ++x)
        {
            seed = seed * 1664525u + 1013904223u;
            // A slope with sharp steps, so sprites spread in z and cliffs need fills.
            const UINT8 v      = (UINT8)std::min(255u, x * 5 + ((seed >> 24) & 0x3F) + ((x / 7) % 2) * 90);
            height.Pixel(x, y) = PackRGBA(v, 0, 0, 255);
        }
    for (UINT32 y = 0; y < color.Height; ++y)
        for (UINT32 x = 0; x < color.Width; ++x)
            color.Pixel(x, y) = PackRGBA((UINT8)(x * 13), (UINT8)(y * 7), (UINT8)(x * y), (UINT8)(255 - x * 5 - y * 3));
    const struct
    {
        ZNVec3 Min, Max;
    } worlds[] = { { ZNVec3(-200, -150, 0), ZNVec3(200, 150, 600) },
                   { ZNVec3(3, -71, -20), ZNVec3(173, 97, 300) },
                   { ZNVec3(-60, -60, 0), ZNVec3(60, 60, 600) } };
    for (const auto& w : worlds)
        for (UINT32 depth : { 0u, 1u, 3u, 5u })
            for (bool fills : { false, true })
            {
                UINT32    fillSprites = 0, cells = 0;
                VoxBlock* built = BuildVoxelTree(height, color, w.Min, w.Max, VoxVoxelSize, depth, fills, &fillSprites);
                VoxBlock* inserted = InsertEveryCell(height, color, w.Min, w.Max, VoxVoxelSize, depth, fills, cells);
                ASSERT_NE(built, nullptr);
                const std::string where = "world " + std::to_string(&w - worlds) + " depth " + std::to_string(depth) +
                                          (fills ? " with fills" : "");
                ExpectSameTree(built, inserted, where);
                EXPECT_EQ(fillSprites, inserted->CountPoints() - cells) << where;
                EXPECT_TRUE(!fills || fillSprites > 100u) << where << ": the steps need fills";
                VoxBlock::Delete(built);
                VoxBlock::Delete(inserted);
            }
}

// Each coarse level is one sprite per block of 2^k x 2^k cells that holds a sprite,
// the blocks in the order of their numbers packed as unsigned words (row y then x,
// so non-negative numbers before negative ones), each the mean of its sprites taken
// in their order in the leaf. Checked against a map of blocks on a leaf that
// straddles both axes' zero, with several sprites to a cell (as fills give) and the
// cells in scrambled order; on sprites scattered far apart; and on the cells in
// rows of increasing y as a built tree lays them, with fill sprites among them
// (which the levels from VoxFillLevels on leave out).
TEST(VoxelTree, CoarseLevelsGroupTheBlocksOfTheirCellsInKeyOrder)
{
    const float size = 10.0f;
    for (UINT32 mode = 0; mode < 3; ++mode)
    {
        const bool scattered = mode == 1, rows = mode == 2;
        struct Sprite
        {
            ZNVec3 At;
            UINT8  Color[4];
            INT8   Mark;
        };
        std::vector<Sprite> sprites;
        UINT32              seed = 99;
        for (UINT32 n = 0; n < 700; ++n)
        {
            seed           = seed * 1664525u + 1013904223u;
            const INT32 cx = scattered ? (INT32)(seed >> 20) - 2048 : (INT32)((seed >> 8) % 23) - 11;
            const INT32 cy = scattered ? (INT32)((seed >> 4) & 0xFFF) - 2048 : (INT32)((seed >> 16) % 19) - 9;
            // Anywhere inside the cell, so the sums round and their order shows.
            const float dx = 0.3f + 0.37f * (float)(seed % 11), dy = 0.2f + 0.41f * (float)(seed % 9);
            const INT8  mark = rows && seed % 5 == 0 ? VoxFillMark : rows && seed % 7 == 0 ? VoxSlantMark : 0;
            sprites.push_back({ ZNVec3(cx * size * 0.5f + dx, cy * size * 0.5f + dy, (float)(seed % 500)),
                                { (UINT8)seed, (UINT8)(seed >> 8), (UINT8)(seed >> 16), 255 },
                                mark });
        }
        if (rows)
            std::stable_sort(sprites.begin(), sprites.end(),
                             [size](const Sprite& a, const Sprite& b)
                             { return floorf(a.At.y / (size * 0.5f)) < floorf(b.At.y / (size * 0.5f)); });
        VoxBlock* root = VoxBlock::Create(ZNVec3(-5000, -5000, 0), ZNVec3(5000, 5000, 600));
        for (const Sprite& sprite : sprites)
            root->Insert(0, sprite.At, size, sprite.Color, sprite.Mark);
        root->BuildOwnVertices(VoxLayout_Compact);
        const VoxelPoint* p = root->Points.Data();
        for (UINT32 level = 1; level < VoxLodLevels; ++level)
        {
            std::map<UINT64, std::vector<UINT32>> blocks;
            const float                           block = size * 0.5f * (float)(1u << level);
            for (UINT32 i = 0; i < root->Points.Size(); ++i)
            {
                if (level >= VoxFillLevels && VoxIsFill(p[i]))
                    continue;
                const UINT32 bx = (UINT32)(INT32)floorf(p[i].Position[0] / block);
                const UINT32 by = (UINT32)(INT32)floorf(p[i].Position[1] / block);
                blocks[(UINT64)by << 32 | bx].push_back(i);
            }
            ASSERT_EQ(root->LodCount[level], blocks.size()) << "level " << level;
            const VoxelPoint* merged = root->Vertices.Data() + root->LodFirst[level];
            for (const auto& entry : blocks)
            {
                float  x = 0.0f, y = 0.0f;
                UINT32 red = 0;
                for (UINT32 i : entry.second)
                {
                    x += p[i].Position[0];
                    y += p[i].Position[1];
                    red += p[i].Color[0];
                }
                const UINT32 count = (UINT32)entry.second.size();
                EXPECT_EQ(merged->Position[0], x / (float)count) << "level " << level;
                EXPECT_EQ(merged->Position[1], y / (float)count) << "level " << level;
                EXPECT_EQ(merged->Color[0], (red + count / 2) / count) << "level " << level;
                // As wide as the farthest merged centre needs, lowered to the highest top.
                float z = 0.0f;
                for (UINT32 i : entry.second)
                    z += p[i].Position[2];
                const float centre[3] = { x / (float)count, y / (float)count, z / (float)count };
                float       reach = 0.0f, top = centre[2];
                for (UINT32 i : entry.second)
                {
                    float d2 = 0.0f;
                    for (UINT32 a = 0; a < 3; ++a)
                        d2 += (p[i].Position[a] - centre[a]) * (p[i].Position[a] - centre[a]);
                    reach = std::max(reach, sqrtf(d2));
                    top   = std::max(top, p[i].Position[2] + size * 0.5f);
                }
                const float width = std::max(size * (float)(1u << level), size + 2.0f * reach);
                EXPECT_EQ(merged->Size, width) << "level " << level;
                EXPECT_EQ(merged->Position[2], std::min(centre[2], top - width * 0.5f)) << "level " << level;
                bool slant = false;
                for (UINT32 i : entry.second)
                    slant = slant || VoxGrowsBySlant(p[i]);
                EXPECT_EQ(VoxGrowsBySlant(*merged), slant && level < VoxFillLevels) << "level " << level;
                ++merged;
            }
        }
        VoxBlock::Delete(root);
    }
}
