// Visibility of the voxel tree without a window: frustum planes against boxes and
// sprites for random cameras, level-of-detail ranges, cull bounds, the grid size
// and the multi-threaded build against a single-threaded insert.
#include "Camera.h"
#include "VoxVisibility.h"

#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <math.h>
#include <random>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace
{

const UINT8 Grey[4] = { 100, 100, 100, 255 };

// A camera as the renderer makes it, from a random position and heading.
VoxCamera RandomCamera(std::mt19937& rng, float aspect, float fieldOfView = VoxFieldOfView)
{
    std::uniform_real_distribution<float> pos(-1200.0f, 1200.0f), height(-50.0f, 900.0f);
    std::uniform_real_distribution<float> yaw(0.0f, 6.28f), pitch(ZNFlyPitchMin, ZNFlyPitchMax);
    VoxCameraState                        state = InitialCameraState();
    state.Position = state.PrevPosition = ZNVec3(pos(rng), pos(rng), height(rng));
    state.Yaw = state.PrevYaw = yaw(rng);
    state.Pitch = state.PrevPitch = pitch(rng);
    VoxCamera cam;
    SetupCamera(state, 1.0f, (UINT32)(576.0f * aspect), 576, cam, fieldOfView);
    return cam;
}

bool InsideClip(const ZNVec4& c)
{
    return c.x >= -c.w && c.x <= c.w && c.y >= -c.w && c.y <= c.w && c.z >= -c.w && c.z <= c.w;
}

// True when any of a 5 x 5 lattice over the sprite's square, placed as the voxel
// shader places it (offsets in view space, grown by the slant of its view ray up
// to the projection's limit), falls inside the clip volume.
bool SpriteVisible(const VoxCamera& cam, const ZNVec3& centre, float size)
{
    const ZNVec4 view  = cam.View * ZNVec4(centre.x, centre.y, centre.z, 1.0f);
    const float  slant = std::min(sqrtf(view.x * view.x + view.y * view.y + view.z * view.z) / std::max(-view.z, 1e-6f),
                                  VoxSlantLimit(cam.Projection));
    const float  half  = size * 0.5f * std::max(slant, 1.0f);
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j)
        {
            ZNVec4 v = view;
            v.x += (i / 2.0f - 1.0f) * half;
            v.y += (j / 2.0f - 1.0f) * half;
            if (InsideClip(cam.Projection * v))
                return true;
        }
    return false;
}

bool PointInside(const VoxFrustum& f, const ZNVec3& p)
{
    for (const ZNVec4& plane : f.Planes)
        if (plane.x * p.x + plane.y * p.y + plane.z * p.z + plane.w < 0.0f)
            return false;
    return true;
}

// Marks the leaves built from a flat list of sprites so a visible sprite can be
// traced to the leaf that must be drawn.
void MarkDrawable(VoxBlock* node)
{
    node->DrawCount = node->LodCount[0];
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            MarkDrawable(node->Ch[k]);
}

const VoxBlock* LeafOf(const VoxBlock* node, const VoxelPoint& p)
{
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
        if (memcmp(&node->Points[i], &p, sizeof(p)) == 0)
            return node;
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            if (const VoxBlock* leaf = LeafOf(node->Ch[k], p))
                return leaf;
    return nullptr;
}

UINT32 PackRGBA(UINT8 r, UINT8 g, UINT8 b, UINT8 a)
{
    return UINT32(r) | UINT32(g) << 8 | UINT32(b) << 16 | UINT32(a) << 24;
}

// Random rolling maps, so the tree has leaves at many heights.
void NoiseMaps(ZNImage& height, ZNImage& color, UINT32 size, UINT32 seed)
{
    std::mt19937                       rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    height.Resize(size, size, 1, 1);
    color.Resize(size, size, 1, 1);
    for (UINT32 y = 0; y < size; ++y)
        for (UINT32 x = 0; x < size; ++x)
        {
            height.Pixel(x, y) = PackRGBA((UINT8)byte(rng), 0, 0, 255);
            color.Pixel(x, y)  = PackRGBA((UINT8)byte(rng), (UINT8)byte(rng), (UINT8)byte(rng), 255);
        }
}

// The design's build: every cell inserted one after the other into one tree.
VoxBlock* SingleThreadedTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                             float voxelSize, UINT32 depth)
{
    VoxBlock*    root = VoxBlock::Create(min, max);
    const float  h    = voxelSize * 0.5f;
    const UINT32 nx = (UINT32)ceilf((max.x - min.x) / h), ny = (UINT32)ceilf((max.y - min.y) / h);
    const float  du = 1.0f / (float)nx, dv = 1.0f / (float)ny;
    for (UINT32 j = 0; j < ny; ++j)
        for (UINT32 i = 0; i < nx; ++i)
        {
            const float u = (float)i * du, v = (float)j * dv;
            UINT8       packed[4];
            PackVoxelColor(SampleBilinear(color, u, v), packed);
            const ZNVec3 p(min.x + (max.x - min.x) * (u + du * 0.5f), min.y + (max.y - min.y) * (v + dv * 0.5f),
                           min.z + (max.z - min.z) * SampleBilinear(height, u, v).R);
            root->Insert(depth, p, voxelSize, packed);
        }
    return root;
}

// Same split structure, bounds and points in the same order.
void ExpectSameTree(const VoxBlock* a, const VoxBlock* b, UINT32& nodes)
{
    ++nodes;
    ASSERT_EQ(a->IsSplit(), b->IsSplit());
    EXPECT_EQ(a->Min, b->Min);
    EXPECT_EQ(a->Max, b->Max);
    ASSERT_EQ(a->Points.Size(), b->Points.Size());
    if (a->Points.Size())
    {
        EXPECT_EQ(memcmp(a->Points.Data(), b->Points.Data(), a->Points.Size() * sizeof(VoxelPoint)), 0);
    }
    if (a->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            ExpectSameTree(a->Ch[k], b->Ch[k], nodes);
}

}   // namespace

TEST(VoxFrustum, BoxesCulledAsOutsideHaveNoPointInside)
{
    std::mt19937                          rng(7);
    std::uniform_real_distribution<float> coord(-3000.0f, 3000.0f), extent(1.0f, 800.0f), unit(0.0f, 1.0f);
    UINT32                                outside = 0, inside = 0;
    for (int c = 0; c < 40; ++c)
    {
        const VoxCamera cam = RandomCamera(rng, 16.0f / 9.0f);
        VoxFrustum      f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        for (int b = 0; b < 200; ++b)
        {
            const ZNVec3        lo(coord(rng), coord(rng), coord(rng) * 0.3f);
            const ZNVec3        hi = lo + ZNVec3(extent(rng), extent(rng), extent(rng));
            const VoxCullResult r  = VoxClassifyBox(f, lo, hi);
            outside += r == VoxCull_Outside;
            inside += r == VoxCull_Inside;
            // Sample the box: its corners and random points within.
            for (int s = 0; s < 64; ++s)
            {
                ZNVec3     p = s < 8 ? ZNVec3((s & 1) ? hi.x : lo.x, (s & 2) ? hi.y : lo.y, (s & 4) ? hi.z : lo.z)
                                     : ZNVec3(lo.x + (hi.x - lo.x) * unit(rng), lo.y + (hi.y - lo.y) * unit(rng),
                                              lo.z + (hi.z - lo.z) * unit(rng));
                const bool clipInside = InsideClip(cam.Projection * (cam.View * ZNVec4(p.x, p.y, p.z, 1.0f)));
                if (r == VoxCull_Outside)
                {
                    ASSERT_FALSE(clipInside) << "camera " << c << " box " << b;
                }
                // A box wholly inside has every corner on the inner side of every plane.
                if (r == VoxCull_Inside && s < 8)
                {
                    ASSERT_TRUE(PointInside(f, p));
                }
            }
        }
    }
    // The random set exercises every verdict.
    EXPECT_GT(outside, 1000u);
    EXPECT_GT(inside, 20u);
}

TEST(VoxFrustum, NoVisibleSpriteIsEverCulled)
{
    std::mt19937                          rng(11);
    std::uniform_real_distribution<float> coord(-1000.0f, 1000.0f), z(0.0f, 600.0f);
    VoxBlock*                             root = VoxBlock::Create(VoxWorldMin, VoxWorldMax);
    ZNPodArray<VoxelPoint>                sprites;
    for (int i = 0; i < 6000; ++i)
    {
        const ZNVec3 p(coord(rng), coord(rng), z(rng));
        root->Insert(4, p, VoxVoxelSize, Grey);
    }
    root->BuildVertexBuffers(false);
    MarkDrawable(root);

    const VoxDrawOptions    all;   // culling, order and level of detail on
    UINT32                  visible = 0, culled = 0;
    ZNPodArray<VoxDrawItem> items;
    for (int c = 0; c < 60; ++c)
    {
        const VoxCamera cam = RandomCamera(rng, c % 2 ? 16.0f / 9.0f : 0.5f);
        VoxFrustum      f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        VoxCollectDraws(root, f, cam.Position, all, items);
        std::vector<const VoxBlock*> drawn;
        for (const VoxDrawItem& item : items)
            drawn.push_back(item.Node);
        const UINT32 total = root->CountNodesWithPoints();
        culled += total - items.Size();
        for (UINT32 s = 0; s < 6000; s += 3)
        {
            // Walk to the s-th point.
            struct Finder
            {
                UINT32            Want, Seen = 0;
                const VoxBlock*   Leaf  = nullptr;
                const VoxelPoint* Point = nullptr;
                void              Visit(const VoxBlock* n)
                {
                    if (Point)
                        return;
                    if (Want < Seen + n->Points.Size())
                    {
                        Leaf  = n;
                        Point = &n->Points[Want - Seen];
                        return;
                    }
                    Seen += n->Points.Size();
                    if (n->IsSplit())
                        for (UINT32 k = 0; k < 8; ++k)
                            Visit(n->Ch[k]);
                }
            } finder{ s };
            finder.Visit(root);
            ASSERT_NE(finder.Point, nullptr);
            const VoxelPoint& p = *finder.Point;
            const ZNVec3      centre(p.Position[0], p.Position[1], p.Position[2]);
            // A sprite drawn at any level is at least as wide as at full detail.
            if (!SpriteVisible(cam, centre, p.Size))
                continue;
            ++visible;
            ASSERT_NE(std::find(drawn.begin(), drawn.end(), finder.Leaf), drawn.end())
                << "camera " << c << " culled a visible sprite at " << centre.x << ", " << centre.y << ", " << centre.z;
        }
        // Ordered nearest first.
        for (UINT32 i = 1; i < items.Size(); ++i)
            ASSERT_LE(items[i - 1].Distance, items[i].Distance);
    }
    EXPECT_GT(visible, 1000u);
    EXPECT_GT(culled, 1000u) << "the cameras should see only part of the world";
    VoxBlock::Delete(root);
}

// Sprites near the eye grow most at a slant: whatever the field of view and the
// window's shape, one whose cull box (its centre give or take half its width
// times sqrt 2) lies outside the view stays out of it, grown as the shader grows it.
TEST(VoxFrustum, SpritesGrownByTheSlantStayOutOfViewWhenCulled)
{
    std::mt19937                          rng(5);
    std::uniform_real_distribution<float> offset(-60.0f, 60.0f), fov(20.0f, 170.0f);
    const float                           size = VoxVoxelSize, r = size * 0.70711f;
    UINT32                                culled = 0, grown = 0;
    for (int c = 0; c < 40; ++c)
    {
        const VoxCamera cam = RandomCamera(rng, c % 2 ? 16.0f / 9.0f : 0.5f, fov(rng));
        VoxFrustum      f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        for (int i = 0; i < 4000; ++i)
        {
            const ZNVec3 centre = cam.Position + ZNVec3(offset(rng), offset(rng), offset(rng));
            if (VoxClassifyBox(f, centre - ZNVec3(r, r, r), centre + ZNVec3(r, r, r)) != VoxCull_Outside)
                continue;
            ++culled;
            grown += !SpriteVisible(cam, centre, size) && SpriteVisible(cam, centre, size * 1.5f);
            EXPECT_FALSE(SpriteVisible(cam, centre, size)) << "camera " << c << ", sprite " << i;
        }
    }
    // The test reaches sprites that half as much growth again would bring into view.
    EXPECT_GT(grown, 0u);
    EXPECT_GT(culled, 10000u);
}

TEST(VoxFrustum, OptionsOffKeepEveryLeafInTreeOrderAtFullDetail)
{
    VoxBlock* root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(1000, 1000, 1000));
    for (int i = 0; i < 8; ++i)
        root->Insert(2, ZNVec3(100.0f + 110.0f * i, 900.0f - 110.0f * i, 50.0f * i), 10.0f, Grey);
    root->BuildVertexBuffers(false);
    MarkDrawable(root);
    // A camera looking away from everything.
    VoxCameraState state = InitialCameraState();
    state.Position = state.PrevPosition = ZNVec3(-100, -100, 500);
    state.Yaw = state.PrevYaw = 3.5f;
    VoxCamera cam;
    SetupCamera(state, 1.0f, 1024, 576, cam);
    VoxFrustum f;
    VoxFrustumFromMatrix(cam.Projection * cam.View, f);

    VoxDrawOptions off;
    off.Cull = off.Order = off.Lod = false;
    ZNPodArray<VoxDrawItem> items;
    VoxCollectDraws(root, f, cam.Position, off, items);
    std::vector<const VoxBlock*> treeOrder;
    struct Walk
    {
        std::vector<const VoxBlock*>& Out;
        void                          Node(const VoxBlock* n)
        {
            if (n->Points.Size())
                Out.push_back(n);
            if (n->IsSplit())
                for (UINT32 k = 0; k < 8; ++k)
                    Node(n->Ch[k]);
        }
    } walk{ treeOrder };
    walk.Node(root);
    ASSERT_EQ(treeOrder.size(), 5u);
    ASSERT_EQ(items.Size(), 5u);
    for (UINT32 i = 0; i < items.Size(); ++i)
    {
        EXPECT_EQ(items[i].Level, 0u);
        EXPECT_EQ(items[i].Node, treeOrder[i]) << "tree order";
    }
    VoxDrawOptions cull = off;
    cull.Cull           = true;
    VoxCollectDraws(root, f, cam.Position, cull, items);
    EXPECT_EQ(items.Size(), 0u);
    VoxBlock::Delete(root);
}

// The flattened walk, which steps over whole subtrees outside and takes whole
// subtrees inside untested, draws exactly what testing every leaf on its own draws:
// the same leaves at the same levels in the same forms and order.
TEST(VoxFrustum, FlattenedCullDrawsWhatTestingEveryLeafDraws)
{
    // Rolling ground, so the leaves have every level and near ones are points.
    std::mt19937 rng(23);
    VoxBlock*    root = VoxBlock::Create(VoxWorldMin, VoxWorldMax);
    for (int i = 0; i < 200; ++i)
        for (int j = 0; j < 200; ++j)
        {
            const float x = -995.0f + 10.0f * i, y = -995.0f + 10.0f * j;
            root->Insert(4, ZNVec3(x, y, 300.0f + 200.0f * sinf(x / 300.0f) * cosf(y / 250.0f)), VoxVoxelSize, Grey);
        }
    root->BuildVertexBuffers(false);
    MarkDrawable(root);
    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(root, nodes);
    // Pools and places in them of every leaf its own, so an item that takes them
    // from another leaf's record, or another level's, shows; some nodes with
    // children draw sprites of their own too.
    for (UINT32 i = 0; i < nodes.Size(); ++i)
    {
        nodes[i]->Pool      = i % 7;
        nodes[i]->PoolFirst = 100000 * i;
        if (nodes[i]->IsSplit() && i % 3 == 0)
            nodes[i]->DrawCount = 1;
    }
    VoxCullList list;
    VoxBuildCullList(root, list);

    UINT32 inside = 0, culled = 0, forms[3] = { 0, 0, 0 }, levels[VoxLodLevels] = { 0 };
    for (int c = 0; c < 80; ++c)
    {
        const VoxCamera cam = RandomCamera(rng, c % 2 ? 16.0f / 9.0f : 0.5f, c % 3 ? VoxFieldOfView : 150.0f);
        VoxFrustum      f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        VoxDrawOptions o;
        o.Order        = c % 4 != 0;
        o.Lod          = c % 5 != 0;
        o.LodDistance  = 300.0f;
        o.PointScale   = 400.0f;
        o.MaxPointSize = 64.0f;
        o.PointGuard   = c % 2 ? 40.0f : 0.0f;
        std::vector<VoxDrawItem> expected;
        for (const VoxBlock* n : nodes)
        {
            if (!n->DrawCount)
                continue;
            VoxDrawItem item;
            item.Node      = n;
            const ZNVec3 d = ZNVec3(std::max(std::max(n->Min.x - cam.Position.x, cam.Position.x - n->Max.x), 0.0f),
                                    std::max(std::max(n->Min.y - cam.Position.y, cam.Position.y - n->Max.y), 0.0f),
                                    std::max(std::max(n->Min.z - cam.Position.z, cam.Position.z - n->Max.z), 0.0f));
            item.Distance  = sqrtf(d.x * d.x + d.y * d.y + d.z * d.z);
            item.Level     = VoxLodLevelFor(*n, item.Distance, o);
            const float         grow = n->LodGrow[item.Level];
            const ZNVec3        g(grow, grow, grow);
            const VoxCullResult r = VoxClassifyBox(f, n->CullMin - g, n->CullMax + g);
            inside += r == VoxCull_Inside;
            culled += r == VoxCull_Outside;
            if (r == VoxCull_Outside)
                continue;
            item.Form  = VoxChooseForm(*n, item.Level, f, cam.Position, o);
            item.Pool  = n->Pool;
            item.First = n->PoolFirst + n->LodFirst[item.Level];
            item.Count = item.Level ? n->LodCount[item.Level] : n->DrawCount;
            forms[item.Form]++;
            levels[item.Level]++;
            expected.push_back(item);
        }
        if (o.Order)
            std::stable_sort(expected.begin(), expected.end(),
                             [](const VoxDrawItem& a, const VoxDrawItem& b) { return a.Distance < b.Distance; });
        ZNPodArray<VoxDrawItem> items;
        VoxCollectDraws(list, f, cam.Position, o, items);
        ASSERT_EQ(items.Size(), expected.size()) << "camera " << c;
        for (UINT32 i = 0; i < items.Size(); ++i)
        {
            EXPECT_EQ(items[i].Node, expected[i].Node) << "camera " << c << ", item " << i;
            EXPECT_EQ(items[i].Level, expected[i].Level) << "camera " << c << ", item " << i;
            EXPECT_EQ(items[i].Form, expected[i].Form) << "camera " << c << ", item " << i;
            EXPECT_EQ(items[i].Pool, expected[i].Pool) << "camera " << c << ", item " << i;
            EXPECT_EQ(items[i].First, expected[i].First) << "camera " << c << ", item " << i;
            EXPECT_EQ(items[i].Count, expected[i].Count) << "camera " << c << ", item " << i;
            EXPECT_FLOAT_EQ(items[i].Distance, expected[i].Distance) << "camera " << c << ", item " << i;
        }
    }
    // Both shortcuts of the walk were taken, every form and level was chosen.
    EXPECT_GT(inside, 1000u);
    EXPECT_GT(culled, 1000u);
    for (UINT32 form = 0; form < 3; ++form)
        EXPECT_GT(forms[form], 100u) << "form " << form;
    for (UINT32 level = 0; level < VoxLodLevels; ++level)
        EXPECT_GT(levels[level], 10u) << "level " << level;
    printf("leaves inside %u, culled %u; quads %u, points %u, guarded %u; levels %u %u %u %u %u\n", inside, culled,
           forms[0], forms[1], forms[2], levels[0], levels[1], levels[2], levels[3], levels[4]);
    VoxBlock::Delete(root);
}

// The ordering gives exactly the order a stable sort by distance gives, ties in
// their first order, whatever the distances: few values shared by many items,
// zeros of both signs, the whole float range, values that differ only in their
// lowest bits, and one scratch reused across lists of every length.
TEST(VoxFrustum, OrderingMatchesAStableSortByDistance)
{
    std::mt19937                          rng(31);
    std::uniform_real_distribution<float> wide(0.0f, 40.0f), unit(0.0f, 1.0f);
    std::uniform_int_distribution<int>    pick(0, 7);
    VoxDrawScratch                        scratch;
    const UINT32                          sizes[] = { 0, 1, 2, 3, 17, 300, 5000, 40, 9000 };
    for (UINT32 round = 0; round < 36; ++round)
    {
        const UINT32 n = sizes[round % 9];
        // A few values to draw from, so many items tie.
        float        values[8];
        for (float& v : values)
            switch (round % 4)
            {
            case 0: v = exp2f(wide(rng)) * unit(rng); break;                     // any size
            case 1: v = 1000.0f + (float)pick(rng) * 0.00006103515625f; break;   // lowest bits only
            case 2: v = pick(rng) < 2 ? (pick(rng) < 4 ? 0.0f : -0.0f) : exp2f(wide(rng) - 20.0f); break;
            default: v = (float)pick(rng) * 512.0f; break;
            }
        ZNPodArray<VoxDrawItem>  items;
        std::vector<VoxDrawItem> expected;
        for (UINT32 i = 0; i < n; ++i)
        {
            VoxDrawItem item;
            memset(&item, 0, sizeof(item));
            item.Distance = round % 4 == 0 && i % 3 == 0 ? exp2f(wide(rng)) * unit(rng) : values[pick(rng)];
            item.First    = i;   // who it was
            item.Count    = 7 * i + 1;
            items.Add(item);
            expected.push_back(item);
        }
        std::stable_sort(expected.begin(), expected.end(),
                         [](const VoxDrawItem& a, const VoxDrawItem& b) { return a.Distance < b.Distance; });
        VoxSortByDistance(items, scratch);
        ASSERT_EQ(items.Size(), n) << "round " << round;
        for (UINT32 i = 0; i < n; ++i)
        {
            ASSERT_EQ(items[i].First, expected[i].First) << "round " << round << ", item " << i;
            ASSERT_EQ(items[i].Count, 7 * items[i].First + 1) << "round " << round << ", item " << i;
        }
    }
}

TEST(VoxLod, CoarseLevelsMergeBlocksOfCells)
{
    // A 4 x 4 patch of cells (5 units apart, sprites 10 wide) in one leaf, two of
    // them in another colour.
    VoxBlock* root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(100, 100, 100));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
        {
            const UINT8 red[4] = { 200, 0, 0, 255 };
            const bool  odd    = (i == 0 && j == 0) || (i == 1 && j == 0);
            root->Insert(1, ZNVec3(2.5f + 5.0f * i, 2.5f + 5.0f * j, 10.0f + i + 4.0f * j), 10.0f, odd ? red : Grey);
        }
    VoxBlock* leaf = root->Ch[0];
    leaf->BuildOwnVertices();
    EXPECT_EQ(leaf->LodFirst[0], 0u);
    EXPECT_EQ(leaf->LodCount[0], 16u * 6);
    EXPECT_EQ(leaf->LodFirst[1], 16u * 6);
    ASSERT_EQ(leaf->LodCount[1], 4u * 6) << "2 x 2 blocks";
    EXPECT_EQ(leaf->LodFirst[2], 20u * 6);
    ASSERT_EQ(leaf->LodCount[2], 1u * 6) << "one 4 x 4 block";
    // Coarser levels still have one sprite each.
    for (UINT32 level = 3; level < VoxLodLevels; ++level)
        EXPECT_EQ(leaf->LodCount[level], 6u);
    EXPECT_EQ(leaf->Vertices.Size(), (21u + VoxLodLevels - 3) * 6);

    // The block of cells (0..1, 0..1): mean centre, twice the size, mean colour,
    // lowered from the mean height 12.5 until its top is the highest sprite's
    // (15 + 5).
    const VoxelPoint& first = leaf->Vertices[leaf->LodFirst[1]];
    EXPECT_FLOAT_EQ(first.Position[0], 5.0f);
    EXPECT_FLOAT_EQ(first.Position[1], 5.0f);
    EXPECT_FLOAT_EQ(first.Position[2], 15.0f + 5.0f - 10.0f);
    EXPECT_EQ(first.Size, 20.0f);
    EXPECT_EQ(first.Color[0], (200 + 200 + 100 + 100 + 2) / 4);
    EXPECT_EQ(first.Color[1], 50);
    const VoxelPoint& whole = leaf->Vertices[leaf->LodFirst[2]];
    EXPECT_EQ(whole.Size, 40.0f);
    EXPECT_FLOAT_EQ(whole.Position[0], 10.0f);
    EXPECT_FLOAT_EQ(whole.Position[2], 25.0f + 5.0f - 20.0f);
    // Each coarse sprite is six vertices with the corner words of a full one.
    for (UINT32 v = 0; v < 6; ++v)
        EXPECT_EQ(memcmp(leaf->Vertices[leaf->LodFirst[1] + v].Corner, leaf->Vertices[v].Corner, 4), 0);

    // On steep ground the merged sprite grows to cover the ones it replaces.
    VoxBlock* steep = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(100, 100, 100));
    steep->Insert(0, ZNVec3(2.5f, 2.5f, 10.0f), 10.0f, Grey);
    steep->Insert(0, ZNVec3(7.5f, 2.5f, 50.0f), 10.0f, Grey);
    steep->BuildOwnVertices();
    ASSERT_EQ(steep->LodCount[1], 6u);
    const VoxelPoint& tall = steep->Vertices[steep->LodFirst[1]];
    EXPECT_NEAR(tall.Size, 10.0f + 2.0f * sqrtf(2.5f * 2.5f + 20.0f * 20.0f), 1e-3f);
    EXPECT_NEAR(tall.Position[2], 55.0f - tall.Size * 0.5f, 1e-3f);
    EXPECT_LE(tall.Position[2] - tall.Size * 0.5f, 10.0f - 5.0f) << "still reaches the lowest sprite";
    VoxBlock::Delete(steep);

    // Level choice: full detail near, then each level from its multiple of the distance.
    VoxDrawOptions o;
    o.LodDistance = 1000.0f;
    EXPECT_EQ(VoxLodLevelFor(*leaf, 999.0f, o), 0u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 1000.0f, o), 1u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 1499.0f, o), 1u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 1500.0f, o), 2u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 2250.0f, o), 3u);
    o.LodStep = 2.0f;
    EXPECT_EQ(VoxLodLevelFor(*leaf, 2500.0f, o), 2u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 4000.0f, o), 3u);
    EXPECT_EQ(VoxLodLevelFor(*leaf, 1e9f, o), VoxLodLevels - 1);
    o.Lod = false;
    EXPECT_EQ(VoxLodLevelFor(*leaf, 2500.0f, o), 0u);
    VoxBlock::Delete(root);
}

TEST(VoxLod, CullBoundsHoldEverySpriteAtEveryLevel)
{
    VoxBlock*                             root = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(400, 400, 400));
    std::mt19937                          rng(3);
    std::uniform_real_distribution<float> coord(0.0f, 400.0f);
    for (int i = 0; i < 500; ++i)
        root->Insert(3, ZNVec3(coord(rng), coord(rng), coord(rng)), 10.0f, Grey);
    root->BuildVertexBuffers(false);
    UINT32 checked = 0, grown = 0;
    struct Check
    {
        UINT32& Count;
        UINT32& Grown;
        void    Node(const VoxBlock* n, const VoxBlock* root)
        {
            for (UINT32 level = 0; level < VoxLodLevels; ++level)
                for (UINT32 v = n->LodFirst[level]; v < n->LodFirst[level] + n->LodCount[level]; ++v)
                {
                    const VoxelPoint& p     = n->Vertices[v];
                    const float       reach = p.Size * 0.7071f;
                    // The leaf's and the root's box, each grown by its growth for the level.
                    for (const VoxBlock* box : { n, root })
                        for (UINT32 a = 0; a < 3; ++a)
                        {
                            ASSERT_LE(box->CullMin[a] - box->LodGrow[level], p.Position[a] - reach);
                            ASSERT_GE(box->CullMax[a] + box->LodGrow[level], p.Position[a] + reach);
                        }
                    ++Count;
                }
            Grown += n->LodGrow[1] > 0.0f;
            EXPECT_EQ(n->LodGrow[0], 0.0f);
            if (n->IsSplit())
                for (UINT32 k = 0; k < 8; ++k)
                    Node(n->Ch[k], root);
        }
    } check{ checked, grown };
    check.Node(root, root);
    EXPECT_GT(checked, 500u * 6);
    EXPECT_GT(grown, 10u) << "merged sprites reach beyond the full-detail box";
    // An empty subtree has empty bounds.
    VoxBlock* empty = VoxBlock::Create(ZNVec3(0, 0, 0), ZNVec3(1, 1, 1));
    empty->ComputeCullBounds();
    EXPECT_GT(empty->CullMin.x, empty->CullMax.x);
    VoxBlock::Delete(empty);
    VoxBlock::Delete(root);
}

TEST(VoxGrid, GridSizeSetsBoundsDepthAndSpriteCount)
{
    ZNVec3 min, max;
    VoxWorldBoundsForGrid(VoxDefaultGrid, min, max);
    EXPECT_EQ(min, VoxWorldMin);
    EXPECT_EQ(max, VoxWorldMax);
    EXPECT_EQ(VoxTreeDepthForGrid(400), VoxTreeDepth);
    EXPECT_EQ(VoxTreeDepthForGrid(1024), 5u);
    for (UINT32 grid = VoxDefaultGrid + 1; grid < 1000; ++grid)
        ASSERT_GE(VoxTreeDepthForGrid(grid), VoxTreeDepth) << "a bigger world never gets a shallower tree";
    EXPECT_EQ(VoxTreeDepthForGrid(16), 1u);
    EXPECT_EQ(VoxTreeDepthForGrid(VoxMaxGrid), 7u);

    ZNImage height, color;
    NoiseMaps(height, color, 37, 5);
    for (UINT32 grid : { 64u, 400u, 1024u })
    {
        VoxWorldBoundsForGrid(grid, min, max);
        VoxBlock* root = BuildVoxelTree(height, color, min, max, VoxVoxelSize, VoxTreeDepthForGrid(grid));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->CountPoints(), grid * grid) << "grid " << grid;
        VoxBlock::Delete(root);
    }
}

TEST(VoxGrid, ThreadedBuildMatchesSingleThreadedInsert)
{
    ZNImage height, color;
    NoiseMaps(height, color, 50, 9);
    for (UINT32 grid : { 48u, 400u })
    {
        ZNVec3 min, max;
        VoxWorldBoundsForGrid(grid, min, max);
        for (UINT32 depth : { 1u, 2u, VoxTreeDepthForGrid(grid) })
        {
            VoxBlock* a     = BuildVoxelTree(height, color, min, max, VoxVoxelSize, depth);
            VoxBlock* b     = SingleThreadedTree(height, color, min, max, VoxVoxelSize, depth);
            UINT32    nodes = 0;
            ExpectSameTree(a, b, nodes);
            EXPECT_GT(nodes, 8u) << "grid " << grid << " depth " << depth;
            VoxBlock::Delete(a);
            VoxBlock::Delete(b);
        }
    }
}

// A leaf is drawn as points when its widest sprite fits the largest point: in the
// plain pass when every centre is in view, else in the pass with a guard band of
// half the widest point, or as quads without one.
TEST(VoxFrustum, LeavesAreDrawnAsPointsWhereNoPixelIsLost)
{
    // Level, so a centre straight above another keeps the leaf's least depth.
    VoxCameraState state = InitialCameraState();
    state.Pitch = state.PrevPitch = 1.5707963f;
    VoxCamera cam;
    SetupCamera(state, 1.0f, 1024, 576, cam);
    VoxFrustum f;
    VoxFrustumFromMatrix(cam.Projection * cam.View, f);
    const ZNVec3 forward(f.Planes[4].x, f.Planes[4].y, f.Planes[4].z);
    ASSERT_NEAR(forward.z, 0.0f, 1e-3f);
    VoxDrawOptions o;
    o.PointScale   = 500.0f;   // a 10-unit sprite 500 units ahead: 10 pixels
    o.MaxPointSize = 64.0f;

    // One leaf (the root) with the given sprite centres; the form it is drawn in.
    auto leafWith = [&](std::initializer_list<ZNVec3> centres)
    {
        const ZNVec3 reach(5000, 5000, 5000);
        VoxBlock*    root = VoxBlock::Create(cam.Position - reach, cam.Position + reach);
        for (const ZNVec3& c : centres)
            root->Insert(0, c, 10.0f, Grey);
        root->BuildVertexBuffers(false);
        MarkDrawable(root);
        return root;
    };
    auto form = [&](VoxBlock* root)
    {
        ZNPodArray<VoxDrawItem> items;
        VoxCollectDraws(root, f, cam.Position, o, items);
        EXPECT_EQ(items.Size(), 1u);
        EXPECT_EQ(items.Size() ? items[0].Form : VoxForm_Quads, VoxChooseForm(*root, 0, f, cam.Position, o));
        return items.Size() ? items[0].Form : VoxForm_Quads;
    };
    const ZNVec3 ahead = cam.Position + forward * 500.0f;

    VoxBlock* inView = leafWith({ ahead });
    EXPECT_EQ(form(inView), VoxForm_Points);
    o.MaxPointSize = 8.0f;   // 10 pixels do not fit
    EXPECT_EQ(form(inView), VoxForm_Quads);
    o.MaxPointSize = 64.0f;
    o.Points       = false;
    EXPECT_EQ(form(inView), VoxForm_Quads);
    o.Points     = true;
    o.PointScale = 0.0f;   // the caller gave no scale
    EXPECT_EQ(form(inView), VoxForm_Quads);
    o.PointScale = 500.0f;
    VoxBlock::Delete(inView);

    // Towards the side of the view the shader grows a sprite by its slant (at most
    // SlantLimit): the point must fit as grown.
    const ZNVec3 side(forward.y, -forward.x, 0.0f);
    VoxBlock*    aside = leafWith({ ahead + side * 700.0f });
    o.MaxPointSize     = 12.0f;   // 10 pixels fit, grown by sqrt(1 + 1.4^2) they do not
    EXPECT_EQ(form(aside), VoxForm_Points);
    o.SlantLimit = 2.0f;
    EXPECT_EQ(form(aside), VoxForm_Quads);
    o.SlantLimit = 1.1f;   // grown by no more than this they fit
    EXPECT_EQ(form(aside), VoxForm_Points);
    o.SlantLimit   = 1.0f;
    o.MaxPointSize = 64.0f;
    VoxBlock::Delete(aside);

    // A second centre far above the view: GL would drop that point.
    VoxBlock* straddles = leafWith({ ahead, ahead + ZNVec3(0, 0, 2000) });
    EXPECT_EQ(form(straddles), VoxForm_Quads);
    o.PointGuard = 33.0f;
    EXPECT_EQ(form(straddles), VoxForm_GuardedPoints);
    o.PointGuard = 31.0f;
    EXPECT_EQ(form(straddles), VoxForm_Quads) << "a band narrower than half the widest point";
    VoxBlock::Delete(straddles);
    // A centre behind the eye: nearer than any depth a point can have.
    o.PointGuard     = 33.0f;
    VoxBlock* behind = leafWith({ ahead, cam.Position - forward * 50.0f });
    EXPECT_EQ(form(behind), VoxForm_Quads);
    VoxBlock::Delete(behind);
}

namespace
{

// The eye's distance to a box, worked out apart from the collector.
float DistanceToBox(const ZNVec3& eye, const ZNVec3& min, const ZNVec3& max)
{
    const float dx = std::max(std::max(min.x - eye.x, eye.x - max.x), 0.0f);
    const float dy = std::max(std::max(min.y - eye.y, eye.y - max.y), 0.0f);
    const float dz = std::max(std::max(min.z - eye.z, eye.z - max.z), 0.0f);
    return sqrtf(dx * dx + dy * dy + dz * dz);
}

void CollectLeaves(const VoxBlock* node, std::vector<const VoxBlock*>& out)
{
    if (node->DrawCount)
        out.push_back(node);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            CollectLeaves(node->Ch[k], out);
}

}   // namespace

// Over steep random terrain, with level of detail from near the eye on, narrow
// and wide fields of view and cameras low over the ground looking along it: a
// leaf drawn in the plain point pass has every centre of its level inside the
// frustum (GL drops a point whose centre is outside), a leaf left out has no
// sprite of its level in view, and the leaves come nearest first by their true
// distance, each leaf's sprites nearest first along the eye's main direction.
TEST(VoxFrustum, PointCentresCullingAndOrderHoldAtEveryLevel)
{
    ZNImage height, color;
    NoiseMaps(height, color, 24, 31);
    ZNVec3 min, max;
    VoxWorldBoundsForGrid(128, min, max);
    VoxBlock* root = BuildVoxelTree(height, color, min, max, VoxVoxelSize, VoxTreeDepthForGrid(128));
    ASSERT_NE(root, nullptr);
    root->BuildVertexBuffers(false);
    MarkDrawable(root);
    std::vector<const VoxBlock*> leaves;
    CollectLeaves(root, leaves);

    std::mt19937                          rng(77);
    std::uniform_real_distribution<float> pos(-400.0f, 400.0f), yaw(0.0f, 6.28f), pitch(ZNFlyPitchMin, ZNFlyPitchMax);
    std::uniform_real_distribution<float> high(0.0f, 700.0f), low(2.0f, 30.0f), level(1.45f, 1.69f);
    const float                           fovs[]       = { 10.0f, 30.0f, 60.0f, 90.0f, 120.0f };
    UINT64                                pointCentres = 0, culledSprites = 0, coarsePoints = 0, orderedPairs = 0;
    ZNPodArray<VoxDrawItem>               items;
    for (int c = 0; c < 150; ++c)
    {
        VoxCameraState state = InitialCameraState();
        // A third near the ground, looking along it.
        const bool     nearGround = c % 3 == 0;
        state.Position = state.PrevPosition = ZNVec3(pos(rng), pos(rng), nearGround ? low(rng) : high(rng));
        state.Yaw = state.PrevYaw = yaw(rng);
        state.Pitch = state.PrevPitch = nearGround ? level(rng) : pitch(rng);
        VoxCamera cam;
        SetupCamera(state, 1.0f, c % 2 ? 320 : 180, c % 2 ? 180 : 320, cam, fovs[c % 5]);
        VoxFrustum f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        VoxDrawOptions o;
        o.LodDistance  = c % 4 == 3 ? 1200.0f : 100.0f;
        o.PointScale   = cam.Projection.At(1, 1) * 180.0f * 0.5f;
        o.MaxPointSize = 1e6f;   // every leaf in front of the eye may be points
        VoxCollectDraws(root, f, cam.Position, o, items);

        std::vector<const VoxBlock*> drawn;
        for (UINT32 i = 0; i < items.Size(); ++i)
        {
            const VoxDrawItem& item = items[i];
            drawn.push_back(item.Node);
            const VoxBlock& leaf = *item.Node;
            ASSERT_NEAR(item.Distance, DistanceToBox(cam.Position, leaf.Min, leaf.Max), 1e-3f) << "camera " << c;
            if (i)
            {
                ASSERT_LE(items[i - 1].Distance, item.Distance) << "camera " << c;
            }
            // Inside the leaf, the nearer sprites first along the axis the eye is
            // mostly off along, from outside the leaf's span on it: rows (one y each)
            // come nearest first seen along y, the sprites of a row seen along x.
            const float  dx   = cam.Position.x - 0.5f * (leaf.Min.x + leaf.Max.x);
            const float  dy   = cam.Position.y - 0.5f * (leaf.Min.y + leaf.Max.y);
            const UINT32 axis = fabsf(dx) > fabsf(dy) ? 0 : 1;
            if (cam.Position[axis] < leaf.Min[axis] || cam.Position[axis] > leaf.Max[axis])
            {
                const UINT32 n = leaf.DrawCount / leaf.Corners;
                for (UINT32 k = 1; k < n; ++k)
                {
                    const VoxelPoint& a = leaf.Vertices[(item.Reverse ? n - k : k - 1) * leaf.Corners];
                    const VoxelPoint& b = leaf.Vertices[(item.Reverse ? n - k - 1 : k) * leaf.Corners];
                    if (axis == 0 && a.Position[1] != b.Position[1])
                        continue;
                    ASSERT_LE(fabsf(cam.Position[axis] - a.Position[axis]),
                              fabsf(cam.Position[axis] - b.Position[axis]))
                        << "camera " << c << ": a farther sprite drawn first along axis " << axis;
                    ++orderedPairs;
                }
            }
            if (item.Form != VoxForm_Points)
                continue;
            coarsePoints += item.Level > 0;
            for (UINT32 v = leaf.LodFirst[item.Level]; v < leaf.LodFirst[item.Level] + leaf.LodCount[item.Level];
                 v += leaf.Corners)
            {
                const VoxelPoint& p = leaf.Vertices[v];
                ASSERT_TRUE(PointInside(f, ZNVec3(p.Position[0], p.Position[1], p.Position[2])))
                    << "camera " << c << ": a point of level " << item.Level << " is dropped at " << p.Position[0]
                    << ", " << p.Position[1] << ", " << p.Position[2];
                ++pointCentres;
            }
        }
        for (const VoxBlock* leaf : leaves)
        {
            if (std::find(drawn.begin(), drawn.end(), leaf) != drawn.end())
                continue;
            const UINT32 lod = VoxLodLevelFor(*leaf, DistanceToBox(cam.Position, leaf->Min, leaf->Max), o);
            for (UINT32 v = leaf->LodFirst[lod]; v < leaf->LodFirst[lod] + leaf->LodCount[lod]; v += leaf->Corners)
            {
                const VoxelPoint& p = leaf->Vertices[v];
                ASSERT_FALSE(SpriteVisible(cam, ZNVec3(p.Position[0], p.Position[1], p.Position[2]), p.Size))
                    << "camera " << c << " culled a visible sprite of level " << lod;
                ++culledSprites;
            }
        }
    }
    printf("%llu point centres checked (%llu coarse leaves), %llu culled sprites checked\n",
           (unsigned long long)pointCentres, (unsigned long long)coarsePoints, (unsigned long long)culledSprites);
    EXPECT_GT(pointCentres, 30000u);
    EXPECT_GT(coarsePoints, 300u);
    EXPECT_GT(culledSprites, 100000u);
    EXPECT_GT(orderedPairs, 10000u);
    VoxBlock::Delete(root);
}

// The water's depth from the plane's corners is used only where no water nearer
// than the near plane can be in view: never when the plane cuts the near
// rectangle, always a little beyond the bound, and then each corner carries the
// depth its view ray meets the plane at. Eyes a few units above and below the
// water, at narrow and wide fields of view.
TEST(VoxWater, PlaneDepthOnlyWhereNoWaterIsNearerThanTheNearPlane)
{
    std::mt19937                          rng(5);
    std::uniform_real_distribution<float> yaw(0.0f, 6.28f), pitch(ZNFlyPitchMin, ZNFlyPitchMax), unit(0.0f, 1.0f);
    const float                           water = 100.0f;
    UINT32                                cut = 0, used = 0, cornersChecked = 0;
    for (int c = 0; c < 4000; ++c)
    {
        VoxCameraState state = InitialCameraState();
        state.Yaw = state.PrevYaw = yaw(rng);
        state.Pitch = state.PrevPitch = pitch(rng);
        const float  fov              = 10.0f + 140.0f * unit(rng);
        const UINT32 width = c % 3 ? 320 : 90, height = 180;
        VoxCamera    cam;
        SetupCamera(state, 1.0f, width, height, cam, fov);
        const float tx = 1.0f / cam.Projection.At(0, 0), ty = 1.0f / cam.Projection.At(1, 1);
        const float bound = cam.Near * sqrtf(1.0f + tx * tx + ty * ty);
        // Just inside or just beyond the bound, or anywhere up to it; above or below.
        const float scale = c % 3 == 0 ? 0.98f : c % 3 == 1 ? 1.02f : unit(rng);
        const float h     = bound * scale * (c % 2 ? 1.0f : -1.0f);
        state.Position = state.PrevPosition = ZNVec3(0.0f, 0.0f, water + h);
        SetupCamera(state, 1.0f, width, height, cam, fov);

        // The near rectangle's corners in world space: view axes are the rows of View.
        float lowest = 1e30f, highest = -1e30f;
        for (int sx = -1; sx <= 1; sx += 2)
            for (int sy = -1; sy <= 1; sy += 2)
            {
                float       z    = cam.Position.z;
                const float v[3] = { sx * cam.Near * tx, sy * cam.Near * ty, -cam.Near };
                for (UINT32 r = 0; r < 3; ++r)
                    z += v[r] * cam.View.At(r, 2);
                lowest  = std::min(lowest, z);
                highest = std::max(highest, z);
            }
        VoxQuadVertex quad[4];
        BuildWaterQuad(quad);
        const bool plane = SetWaterPlaneDepth(cam, water, quad);
        if (lowest <= water && highest >= water)
        {
            ++cut;
            ASSERT_FALSE(plane) << "camera " << c << ": the plane cuts the near rectangle " << h << " units away";
        }
        if (fabsf(h) >= bound * 1.01f)
        {
            ASSERT_TRUE(plane) << "camera " << c << " at " << h;
        }
        if (!plane)
            continue;
        ++used;
        for (UINT32 k = 0; k < 4; ++k)
        {
            // The corner's view ray in world space, and where it meets the plane.
            const float v[3] = { quad[k].X * tx, quad[k].Y * ty, -1.0f };
            ZNVec3      dir(0.0f, 0.0f, 0.0f);
            for (UINT32 r = 0; r < 3; ++r)
                dir = dir + ZNVec3(cam.View.At(r, 0), cam.View.At(r, 1), cam.View.At(r, 2)) * v[r];
            const float t = (water - cam.Position.z) / dir.z;
            if (!(t > 0.0f) || t > 1000.0f)
                continue;
            const ZNVec3 hit  = cam.Position + dir * t;
            const ZNVec4 clip = cam.Projection * (cam.View * ZNVec4(hit.x, hit.y, hit.z, 1.0f));
            ASSERT_NEAR(quad[k].U, clip.z / clip.w, 1e-3f) << "camera " << c << " corner " << k;
            ++cornersChecked;
        }
    }
    EXPECT_GT(cut, 100u);
    EXPECT_GT(used, 1000u);
    EXPECT_GT(cornersChecked, 1000u);
}

// A world whose sprite count passes 32 bits is refused, with a message, and
// builds an empty tree instead of wrapping round to a small count.
TEST(VoxGrid, AGridBeyondTheIndexIsRefusedWithAMessage)
{
    ZNImage height, color;
    NoiseMaps(height, color, 8, 2);
    // 65,536 cells each way (half a voxel each): 2^32 sprites, 0 in 32 bits.
    const float half = 65536.0f * VoxVoxelSize * 0.25f;
    testing::internal::CaptureStdout();
    VoxBlock* root =
        BuildVoxelTree(height, color, ZNVec3(-half, -half, 0.0f), ZNVec3(half, half, 600.0f), VoxVoxelSize, 3);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->CountPoints(), 0u);
    EXPECT_NE(out.find("65536 x 65536"), std::string::npos) << out;
    VoxBlock::Delete(root);
}
