// The voxel pass with culling, ordering and level of detail against the full draw,
// rendered offscreen from the demo's world: culling and order change no pixel, and
// level of detail stays within its stated difference and opens no holes.
#include "WorldGLTest.h"

#include "FlightPath.h"

#include "runtime/ZNEngineInternal.h"

#include <algorithm>
#include <math.h>
#include <random>
#include <stdio.h>

namespace
{

const UINT32 ShotWidth = 512, ShotHeight = 288;

// The start view, low over the lake, towards the mountains, high above the middle,
// at the world's edge looking out, and a set of random ones.
std::vector<VoxCameraState> TestCameras()
{
    std::vector<VoxCameraState> cams = {
        InitialCameraState(),
        CameraAt(ZNVec3(-300, -350, 160), 3.9f, 1.62f),
        CameraAt(ZNVec3(200, 300, 420), 0.8f, 1.75f),
        CameraAt(ZNVec3(0, 0, 1500), 1.0f, 2.9f),
        CameraAt(ZNVec3(950, -900, 300), 5.5f, 1.5f),
    };
    std::mt19937                          rng(21);
    std::uniform_real_distribution<float> xy(-1100.0f, 1100.0f), z(120.0f, 900.0f), yaw(0.0f, 6.28f), pitch(1.2f, 2.8f);
    for (int i = 0; i < 5; ++i)
        cams.push_back(CameraAt(ZNVec3(xy(rng), xy(rng), z(rng)), yaw(rng), pitch(rng)));
    return cams;
}

VoxDrawOptions Options(bool cull, bool order, bool lod, bool points = false)
{
    VoxDrawOptions o;
    o.Cull   = cull;
    o.Order  = order;
    o.Lod    = lod;
    o.Points = points;
    return o;
}

UINT32 CountDifferent(const std::vector<UINT8>& a, const std::vector<UINT8>& b)
{
    UINT32 n = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n;
}

// Mean absolute difference of the colour channels (0..255), over the picture and
// over its worst 32 x 32 block.
struct Difference
{
    double Mean       = 0.0;
    double WorstBlock = 0.0;
};

Difference Compare(const std::vector<UINT8>& a, const std::vector<UINT8>& b, UINT32 w, UINT32 h)
{
    Difference          d;
    std::vector<double> blocks(((w + 31) / 32) * ((h + 31) / 32), 0.0);
    double              total = 0.0;
    for (UINT32 y = 0; y < h; ++y)
        for (UINT32 x = 0; x < w; ++x)
        {
            const size_t i = ((size_t)y * w + x) * 4;
            const double diff =
                (fabs((double)a[i] - b[i]) + fabs((double)a[i + 1] - b[i + 1]) + fabs((double)a[i + 2] - b[i + 2])) /
                3.0;
            total += diff;
            blocks[(y / 32) * ((w + 31) / 32) + x / 32] += diff;
        }
    d.Mean = total / ((double)w * h);
    for (double block : blocks)
        d.WorstBlock = std::max(d.WorstBlock, block / (32.0 * 32.0));
    return d;
}

// Background pixels (sky, or what the sky pass left) of a frame.
std::vector<bool> BackgroundMask(const std::vector<UINT8>& frame, const std::vector<UINT8>& background)
{
    std::vector<bool> out(frame.size() / 4);
    for (size_t p = 0; p < out.size(); ++p)
        out[p] = frame[p * 4] == background[p * 4] && frame[p * 4 + 1] == background[p * 4 + 1] &&
                 frame[p * 4 + 2] == background[p * 4 + 2];
    return out;
}

// Pixels where the background shows through in `coarse` while `fine` has terrain
// there and for two pixels all round: gaps opened inside the ground, as opposed to
// a silhouette that moved by a pixel.
UINT32 CountHoles(const std::vector<bool>& fine, const std::vector<bool>& coarse, UINT32 w, UINT32 h)
{
    UINT32 holes = 0;
    for (UINT32 y = 2; y + 2 < h; ++y)
        for (UINT32 x = 2; x + 2 < w; ++x)
        {
            if (!coarse[(size_t)y * w + x])
                continue;
            bool solid = true;
            for (UINT32 dy = y - 2; dy <= y + 2 && solid; ++dy)
                for (UINT32 dx = x - 2; dx <= x + 2 && solid; ++dx)
                    solid = !fine[(size_t)dy * w + dx];
            holes += solid;
        }
    return holes;
}

void SavePicture(const std::vector<UINT8>& pixels, UINT32 w, UINT32 h, const std::string& name)
{
    // PPM, top row first, for looking at the pictures by hand.
    const std::string path = std::string(ZN_TEST_SOURCE_DIR) + "/build/" + name;
    FILE*             f    = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fprintf(f, "P6\n%u %u\n255\n", w, h);
    for (UINT32 y = h; y-- > 0;)
        for (UINT32 x = 0; x < w; ++x)
            fwrite(&pixels[((size_t)y * w + x) * 4], 1, 3, f);
    fclose(f);
}

}   // namespace

TEST_F(WorldGL, CullingAndQuadsChangeNoPixelAndOrderOnlyEqualDepthTies)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    SetWorldVar("world_quads", 0.0f);
    VoxelWorld designed(Window);
    ASSERT_NE(designed.Root, nullptr);
    WorldOffscreen                    shots(ShotWidth, ShotHeight);
    const std::vector<VoxCameraState> cams  = TestCameras();
    UINT32                            index = 0, ties = 0;
    for (const VoxCameraState& cam : cams)
    {
        std::vector<UINT32> depthFull, depthCulled, depthOrdered, depthDesigned;
        SetWorldDrawOptions(Options(false, false, false));
        const std::vector<UINT8> full      = shots.Render(world, cam, &depthFull);
        const UINT32             allLeaves = world.DrawStats.Leaves;
        // Four corners through the index buffer make the six-vertex layout's triangles.
        const std::vector<UINT8> six = shots.Render(designed, cam, &depthDesigned);
        EXPECT_EQ(CountDifferent(full, six), 0u) << "camera " << index;
        EXPECT_TRUE(depthFull == depthDesigned) << "camera " << index;
        SetWorldDrawOptions(Options(true, false, false));
        const std::vector<UINT8> culled       = shots.Render(world, cam, &depthCulled);
        const UINT32             culledLeaves = world.DrawStats.Leaves;
        SetWorldDrawOptions(Options(true, true, false));
        const std::vector<UINT8> ordered = shots.Render(world, cam, &depthOrdered);

        EXPECT_EQ(CountDifferent(full, culled), 0u) << "camera " << index;
        EXPECT_TRUE(depthFull == depthCulled) << "camera " << index;
        // The same with level of detail on, from near the eye for every other camera:
        // culling must allow for the coarse sprites' reach.
        std::vector<UINT32> depthLod, depthLodCulled;
        VoxDrawOptions      lod = Options(false, false, true);
        lod.LodDistance         = index % 2 ? 100.0f : 1200.0f;
        SetWorldDrawOptions(lod);
        const std::vector<UINT8> lodFull = shots.Render(world, cam, &depthLod);
        lod.Cull                         = true;
        SetWorldDrawOptions(lod);
        const std::vector<UINT8> lodCulled = shots.Render(world, cam, &depthLodCulled);
        EXPECT_EQ(CountDifferent(lodFull, lodCulled), 0u) << "camera " << index << " with level of detail";
        EXPECT_TRUE(depthLod == depthLodCulled) << "camera " << index << " with level of detail";
        EXPECT_LE(culledLeaves, allLeaves);
        // Nearest first (leaves, and the rows inside a leaf) leaves every pixel's
        // depth as it was. Where two sprites meet a pixel at exactly the same depth,
        // the first drawn keeps it, so only there may the colour change with the
        // order: seen from straight above, level ground ties over whole patches.
        EXPECT_TRUE(depthFull == depthOrdered) << "camera " << index;
        const UINT32 changed = CountDifferent(full, ordered);
        ties += changed;
        EXPECT_LE(changed, ShotWidth * ShotHeight / 30) << "camera " << index;
        ++index;
    }
    printf("pixels changed by the order (equal-depth ties): %u in %zu frames of %u\n", ties, cams.size(),
           ShotWidth * ShotHeight);
    // The start view sees only part of the world.
    SetWorldDrawOptions(Options(true, true, false));
    shots.Render(world, cams[0]);
    EXPECT_LT(world.DrawStats.Leaves, world.Root->CountNodesWithPoints() * 3 / 4);
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}

// Bytes of the vertex buffers of the quad layout's leaves.
UINT64 VertexBufferBytes(const VoxBlock* node)
{
    UINT64 bytes = node->VB ? node->VB->AllocSize : 0;
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            bytes += VertexBufferBytes(node->Ch[k]);
    return bytes;
}

// The compact store against the quad layout it replaces: the same sprites in a
// sixth of the memory; the picture within the level-of-detail bounds (positions
// and sizes lie on a grid) with no new holes; culling, ordering and the split into
// pools still change no depth; and a frame is one call per pool and form.
TEST_F(WorldGL, CompactSpritesKeepThePictureInOneCallPerPoolAndForm)
{
    VoxelWorld compact(Window);
    ASSERT_NE(compact.Root, nullptr);
    ASSERT_NE(compact.Sprites, nullptr);
    SetWorldVar("world_compact", 0.0f);
    VoxelWorld quads(Window);
    ASSERT_EQ(quads.Sprites, nullptr);
    const UINT64 quadBytes = VertexBufferBytes(quads.Root);
    EXPECT_EQ(compact.Sprites->Sprites, quadBytes / (4 * sizeof(VoxelPoint))) << "every sprite of every level";
    const double perSprite = (double)compact.Sprites->Bytes / (double)compact.Sprites->Sprites;
    printf("memory per sprite: %.2f bytes compact, %.2f as quads\n", perSprite,
           (double)quadBytes / (double)compact.Sprites->Sprites);
    EXPECT_LT(perSprite * 5.0, (double)quadBytes / (double)compact.Sprites->Sprites);

    WorldOffscreen                    shots(ShotWidth, ShotHeight);
    const std::vector<VoxCameraState> cams = TestCameras();
    UINT32                            c = 0, leaves = 0, voxelCalls = 0;
    for (const VoxCameraState& cam : cams)
    {
        SetWorldDrawOptions(VoxDrawOptions());
        const std::vector<UINT8> reference = shots.Render(quads, cam);
        const ZNRenderCounters   before    = ZNGetRenderCounters();
        std::vector<UINT32>      depth, depthOff;
        const std::vector<UINT8> packed = shots.Render(compact, cam, &depth);
        const UINT64             calls  = (ZNGetRenderCounters() - before).DrawCalls;
        const UINT32             drawn  = compact.DrawStats.Leaves;
        EXPECT_LE(calls, 2u + 3u * compact.Sprites->Pools.Size()) << "camera " << c << ": sky, water and the pools";
        leaves += drawn;
        voxelCalls += (UINT32)calls - 2;

        VoxBlock* root                      = compact.Root;
        compact.Root                        = nullptr;
        const std::vector<UINT8> background = shots.Render(compact, cam);
        compact.Root                        = root;
        const Difference d                  = Compare(reference, packed, ShotWidth, ShotHeight);
        const UINT32     holes = CountHoles(BackgroundMask(reference, background), BackgroundMask(packed, background),
                                            ShotWidth, ShotHeight);
        printf("camera %u: %u leaves in %u calls, mean difference %.3f, worst block %.2f, holes %u\n", c, drawn,
               (unsigned)calls, d.Mean, d.WorstBlock, holes);
        // Well inside the level-of-detail bounds (mean 1.5, block 16): the grid moves
        // an edge by a thousandth of a unit.
        EXPECT_LT(d.Mean, 0.1) << "camera " << c;
        EXPECT_LT(d.WorstBlock, 2.0) << "camera " << c;
        EXPECT_EQ(holes, 0u) << "camera " << c;

        // Every step off but level of detail: the same depths, and the same pixels
        // without ordering.
        VoxDrawOptions off = Options(false, false, true);
        SetWorldDrawOptions(off);
        const std::vector<UINT8> unculled = shots.Render(compact, cam, &depthOff);
        off.Cull                          = true;
        SetWorldDrawOptions(off);
        std::vector<UINT32>      depthCulled;
        const std::vector<UINT8> culled = shots.Render(compact, cam, &depthCulled);
        EXPECT_EQ(CountDifferent(unculled, culled), 0u) << "camera " << c;
        EXPECT_TRUE(depthOff == depthCulled) << "camera " << c;
        SetWorldDrawOptions(Options(true, true, true));
        std::vector<UINT32> depthOrdered;
        shots.Render(compact, cam, &depthOrdered);
        EXPECT_TRUE(depthOff == depthOrdered) << "camera " << c << ": leaves and rows last first";
        ++c;
    }

    EXPECT_GT(leaves, 50u * voxelCalls) << "the calls do not grow with the leaves";

    // Small pools: many calls, the same depths as one pool.
    SetWorldDrawOptions(VoxDrawOptions());
    std::vector<UINT32> onePool, manyPools;
    shots.Render(compact, cams[0], &onePool);
    VoxSpriteStore::Destroy(compact.Sprites);
    compact.Sprites = VoxSpriteStore::Create(compact.Root, 20000);
    EXPECT_GT(compact.Sprites->Pools.Size(), 8u);
    const ZNRenderCounters before = ZNGetRenderCounters();
    shots.Render(compact, cams[0], &manyPools);
    EXPECT_GT((ZNGetRenderCounters() - before).DrawCalls, 8u);
    EXPECT_TRUE(onePool == manyPools);
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}

// What a store holds on the GPU: each pool's sprites as bytes, and each node's
// place in the pools.
struct StoreContents
{
    std::vector<std::vector<UINT8>> Pools;
    std::vector<UINT32>             Places;   // pool, first sprite and level-0 count per node
};

StoreContents ReadStore(const VoxSpriteStore& store, VoxBlock* root)
{
    GladGLContext& gl = *TGCurGLTable;
    StoreContents  out;
    for (UINT32 p = 0; p < store.Pools.Size(); ++p)
    {
        std::vector<UINT8> bytes((size_t)store.Pools[p].Sprites * sizeof(VoxPackedSprite));
        BindBuffer(store.Pools[p].Buffer, false);
        gl.GetBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)bytes.size(), bytes.data());
        out.Pools.push_back(bytes);
    }
    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(root, nodes);
    for (UINT32 i = 0; i < nodes.Size(); ++i)
        out.Places.insert(out.Places.end(), { nodes[i]->Pool, nodes[i]->PoolFirst, nodes[i]->DrawCount });
    return out;
}

// Unmaps as GL does but answers that the contents were lost.
PFNGLUNMAPBUFFERPROC   GRealUnmap = nullptr;
GLboolean GLAD_API_PTR UnmapAndLose(GLenum target)
{
    GRealUnmap(target);
    return GL_FALSE;
}

// Pools written through a mapping on all cores hold what writing each leaf with
// its own call gives, byte for byte and at the same places, for one big pool and
// for many small ones; where GL offers no mapping the store falls back to the
// calls, and where the mapped contents are lost it packs them again.
TEST_F(WorldGL, MappedPoolsHoldWhatLeafByLeafUploadsHold)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    GladGLContext& gl = *TGCurGLTable;
    for (UINT32 poolSprites : { VoxPoolSprites, 20000u })
    {
        VoxSpriteStore* mapped = VoxSpriteStore::Create(world.Root, poolSprites, nullptr, true);
        ASSERT_NE(mapped, nullptr);
        const StoreContents a = ReadStore(*mapped, world.Root);
        VoxSpriteStore::Destroy(mapped);
        VoxSpriteStore*     calls = VoxSpriteStore::Create(world.Root, poolSprites, nullptr, false);
        const StoreContents b     = ReadStore(*calls, world.Root);
        VoxSpriteStore::Destroy(calls);
        const PFNGLMAPBUFFERRANGEPROC map = gl.MapBufferRange;
        gl.MapBufferRange                 = nullptr;
        VoxSpriteStore* unmappable        = VoxSpriteStore::Create(world.Root, poolSprites, nullptr, true);
        gl.MapBufferRange                 = map;
        const StoreContents c             = ReadStore(*unmappable, world.Root);
        VoxSpriteStore::Destroy(unmappable);
        // A mapping whose contents are lost when it ends: the pools are packed again.
        GRealUnmap            = gl.UnmapBuffer;
        gl.UnmapBuffer        = UnmapAndLose;
        VoxSpriteStore* lost  = VoxSpriteStore::Create(world.Root, poolSprites, nullptr, true);
        gl.UnmapBuffer        = GRealUnmap;
        const StoreContents d = ReadStore(*lost, world.Root);
        VoxSpriteStore::Destroy(lost);

        if (poolSprites == VoxPoolSprites)
            EXPECT_EQ(a.Pools.size(), 1u);
        else
            EXPECT_GT(a.Pools.size(), 8u);
        EXPECT_TRUE(a.Places == b.Places) << poolSprites;
        EXPECT_TRUE(a.Pools == b.Pools) << poolSprites;
        EXPECT_TRUE(c.Places == b.Places) << poolSprites;
        EXPECT_TRUE(c.Pools == b.Pools) << poolSprites;
        EXPECT_TRUE(d.Places == b.Places) << poolSprites;
        EXPECT_TRUE(d.Pools == b.Pools) << poolSprites;
    }
    EXPECT_EQ(gl.GetError(), (GLenum)GL_NO_ERROR);
}

// A tree of a pool's worth of points has its first pool's buffer made while the
// leaves' bounds are worked out, at a whole pool's size. When its first leaf is
// too big for a pool, the first pool placed is smaller than that: the early buffer
// is let go and the pool made at the size the sprites after it need.
TEST_F(WorldGL, AnEarlyPoolTooBigForTheLeavesPlacedIsLetGo)
{
    GladGLContext& gl      = *TGCurGLTable;
    VoxBlock*      root    = VoxBlock::Create(ZNVec3(0.0f, 0.0f, 0.0f), ZNVec3(100.0f, 100.0f, 100.0f));
    const UINT8    grey[4] = { 128, 128, 128, 255 };
    const UINT32   big = 150, small = 30, poolSprites = 150;
    for (UINT32 k = 0; k < big; ++k)
        root->Insert(1, ZNVec3(1.0f + (float)(k % 15) * 2.0f, 1.0f + (float)(k / 15) * 2.0f, 10.0f), 1.0f, grey);
    for (UINT32 k = 0; k < small; ++k)
        root->Insert(1, ZNVec3(60.0f + (float)(k % 6) * 2.0f, 60.0f + (float)(k / 6) * 2.0f, 70.0f), 1.0f, grey);
    ASSERT_GE(root->CountPoints(), poolSprites);
    VoxSpriteStore* store = VoxSpriteStore::Create(root, poolSprites);
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->Pools.Size(), 1u);
    EXPECT_EQ(root->Ch[0]->DrawCount, 0u);      // refused: more sprites than a pool holds
    EXPECT_EQ(root->Ch[7]->DrawCount, small);   // its levels after them: fewer than a pool
    // One batch: the pool is made for exactly the sprites placed in it.
    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(root, nodes);
    EXPECT_EQ(store->Bytes,
              (UINT64)store->Pools[0].Sprites * sizeof(VoxPackedSprite) + (UINT64)nodes.Size() * sizeof(VoxLeafFrame));
    GLint bytes = 0;
    BindBuffer(store->Pools[0].Buffer, false);
    gl.GetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    EXPECT_EQ((UINT64)bytes, (UINT64)store->Pools[0].Sprites * sizeof(VoxPackedSprite));
    VoxSpriteStore::Destroy(store);
    VoxBlock::Delete(root);
    EXPECT_EQ(gl.GetError(), (GLenum)GL_NO_ERROR);
}

namespace
{
// The compact draws as recorded (GL draws not executed): the pass (form) being
// drawn and the buffer texture bound last before each call say whose they are.
struct RecordedDraw
{
    UINT32             Form;
    UINT32             Texture;
    std::vector<INT32> Firsts, Counts;
};
std::vector<RecordedDraw> GRecorded;
UINT32                    GRecordingForm      = 0;
UINT32                    GBoundBufferTexture = 0;
PFNGLBINDTEXTUREPROC      GRealBindTexture    = nullptr;
void GLAD_API_PTR         RecordBindTexture(GLenum target, GLuint texture)
{
    if (target == GL_TEXTURE_BUFFER)
        GBoundBufferTexture = texture;
    GRealBindTexture(target, texture);
}
void GLAD_API_PTR RecordMultiDraw(GLenum, const GLint* firsts, const GLsizei* counts, GLsizei n)
{
    GRecorded.push_back({ GRecordingForm, GBoundBufferTexture, std::vector<INT32>(firsts, firsts + n),
                          std::vector<INT32>(counts, counts + n) });
}

typedef std::vector<std::pair<INT32, INT32>> Ranges;   // first vertex, vertices
}   // namespace

// The draw lists: each form of each pool draws the ranges of its items in one
// call, in the items' order and nothing else; the statistics count every item
// with sprites once. Small pools and every form, forwards and reversed.
TEST_F(WorldGL, DrawListsDrawEachItemsVerticesOnceInOrder)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Sprites, nullptr);
    VoxSpriteStore::Destroy(world.Sprites);
    world.Sprites         = VoxSpriteStore::Create(world.Root, 20000);
    VoxSpriteStore& store = *world.Sprites;
    ASSERT_GT(store.Pools.Size(), 8u);
    VoxCullList list;
    VoxBuildCullList(world.Root, list);

    GladGLContext* real                         = TGCurGLTable;
    GladGLContext  recorder                     = *real;
    GRealBindTexture                            = real->BindTexture;
    recorder.BindTexture                        = RecordBindTexture;
    recorder.MultiDrawArrays                    = RecordMultiDraw;
    UINT32                  forms[VoxFormCount] = { 0, 0, 0 }, reversed = 0;
    ZNPodArray<VoxDrawItem> draws;
    for (const VoxCameraState& state : TestCameras())
    {
        VoxCamera cam;
        SetupCamera(state, 1.0f, ShotWidth, ShotHeight, cam);
        VoxFrustum f;
        VoxFrustumFromMatrix(cam.Projection * cam.View, f);
        VoxDrawOptions o;
        o.PointScale   = 500.0f;
        o.MaxPointSize = 16.0f;
        o.PointGuard   = 40.0f;
        VoxCollectDraws(list, f, cam.Position, o, draws);
        GRecorded.clear();
        VoxDrawStats stats;
        ZNSwapGLTable(&recorder);
        store.PrepareDraws(draws);
        for (GRecordingForm = 0; GRecordingForm < VoxFormCount; ++GRecordingForm)
            store.DrawForm((VoxDrawForm)GRecordingForm, stats);
        ZNSwapGLTable(real);

        UINT32 leaves = 0, sprites = 0;
        for (UINT32 form = 0; form < VoxFormCount; ++form)
            for (UINT32 p = 0; p < store.Pools.Size(); ++p)
            {
                const INT32 corners = form == VoxForm_Quads ? (INT32)VoxCornerCount : 1;
                Ranges      expected, drawn;
                for (UINT32 i = 0; i < draws.Size(); ++i)
                {
                    const VoxDrawItem& item = draws[i];
                    if (item.Form != form || item.Pool != p || !item.Count)
                        continue;
                    const UINT32 first =
                        item.Reverse ? VoxMirroredFirst(item.First, item.Count, store.Pools[p].Sprites) : item.First;
                    expected.push_back({ (INT32)first * corners, (INT32)item.Count * corners });
                    ++leaves;
                    sprites += item.Count;
                    ++forms[form];
                    reversed += item.Reverse;
                }
                UINT32 calls = 0;
                for (const RecordedDraw& d : GRecorded)
                    if (d.Form == form && d.Texture == store.Pools[p].Texture)
                    {
                        ++calls;
                        for (size_t k = 0; k < d.Firsts.size(); ++k)
                            drawn.push_back({ d.Firsts[k], d.Counts[k] });
                    }
                EXPECT_EQ(calls, expected.empty() ? 0u : 1u) << "form " << form << ", pool " << p;
                EXPECT_TRUE(drawn == expected) << "form " << form << ", pool " << p;
            }
        EXPECT_EQ(stats.Leaves, leaves);
        EXPECT_EQ(stats.Sprites, sprites);
    }
    for (UINT32 form = 0; form < VoxFormCount; ++form)
        EXPECT_GT(forms[form], 100u) << "form " << form;
    EXPECT_GT(reversed, 100u);
}

TEST_F(WorldGL, LevelOfDetailStaysCloseAndOpensNoHoles)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    WorldOffscreen       shots(ShotWidth, ShotHeight);
    // The start view, low from the south-west corner across the whole world, and
    // high above the north-east looking back over the lake.
    const VoxCameraState cams[3]     = { InitialCameraState(), CameraAt(ZNVec3(-900, -900, 260), 0.8f, 1.65f),
                                         CameraAt(ZNVec3(600, 500, 700), 3.9f, 1.9f) };
    UINT32               coarseTotal = 0;
    for (UINT32 c = 0; c < 3; ++c)
    {
        SetWorldDrawOptions(Options(true, true, false));
        const std::vector<UINT8> fine        = shots.Render(world, cams[c]);
        const UINT32             fineSprites = world.DrawStats.Sprites;
        SetWorldDrawOptions(Options(true, true, true));
        const std::vector<UINT8> coarse        = shots.Render(world, cams[c]);
        const UINT32             coarseSprites = world.DrawStats.Sprites;
        coarseTotal += fineSprites - coarseSprites;

        VoxBlock* root                      = world.Root;
        world.Root                          = nullptr;
        const std::vector<UINT8> background = shots.Render(world, cams[c]);
        world.Root                          = root;

        const Difference d = Compare(fine, coarse, ShotWidth, ShotHeight);
        const UINT32     newHoles =
            CountHoles(BackgroundMask(fine, background), BackgroundMask(coarse, background), ShotWidth, ShotHeight);
        printf("camera %u: sprites %u -> %u, mean difference %.3f, worst 32x32 block %.2f, holes %u\n", c, fineSprites,
               coarseSprites, d.Mean, d.WorstBlock, newHoles);
        if (getenv("ZN_SAVE_PICTURES"))
        {
            SavePicture(fine, ShotWidth, ShotHeight, "lod_off_" + std::to_string(c) + ".ppm");
            SavePicture(coarse, ShotWidth, ShotHeight, "lod_on_" + std::to_string(c) + ".ppm");
        }
        EXPECT_LT(d.Mean, 1.5) << "camera " << c;
        // A cliff, closed by fills at full detail and from the second coarser level
        // on by the coarse sprites' own width, takes a little more of the difference.
        EXPECT_LT(d.WorstBlock, 17.0) << "camera " << c;
        EXPECT_EQ(newHoles, 0u) << "camera " << c;
    }
    EXPECT_GT(coarseTotal, 10000u) << "the far terrain should be drawn with fewer sprites";
}

TEST_F(WorldGL, LevelOfDetailAlongTheBenchmarkPath)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    WorldOffscreen shots(ShotWidth, ShotHeight);
    const UINT32   cameras = 12;
    double         meanSum = 0.0, worstMean = 0.0, worstBlock = 0.0;
    UINT64         fine = 0, coarse = 0;
    for (UINT32 i = 0; i < cameras; ++i)
    {
        const VoxCameraState cam = FlightPathAt(FlightPathPeriod * (float)i / (float)cameras);
        SetWorldDrawOptions(Options(true, true, false));
        const std::vector<UINT8> a = shots.Render(world, cam);
        fine += world.DrawStats.Sprites;
        SetWorldDrawOptions(Options(true, true, true));
        const std::vector<UINT8> b = shots.Render(world, cam);
        coarse += world.DrawStats.Sprites;
        const Difference d = Compare(a, b, ShotWidth, ShotHeight);
        meanSum += d.Mean;
        worstMean  = std::max(worstMean, d.Mean);
        worstBlock = std::max(worstBlock, d.WorstBlock);
    }
    printf("path: sprites %llu -> %llu, mean difference %.3f (worst frame %.3f), worst 32x32 block %.2f\n",
           (unsigned long long)fine, (unsigned long long)coarse, meanSum / cameras, worstMean, worstBlock);
    EXPECT_LT(worstMean, 1.5);
    EXPECT_LT(worstBlock, 16.0);
    EXPECT_LT(coarse, fine);
}

// A point sprite covers the pixels of its quad but for rounding: the quad's corners
// are snapped to the pixel grid apart, the point's centre and width together, so a
// pixel centre within a 256th of a pixel of an edge may fall either way.
TEST_F(WorldGL, PointSpritesDrawTheQuadsPictureButForEdgeRounding)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    WorldOffscreen              shots(ShotWidth, ShotHeight);
    std::vector<VoxCameraState> cams = TestCameras();
    for (UINT32 i = 0; i < 4; ++i)
        cams.push_back(FlightPathAt(FlightPathPeriod * (float)i / 4.0f));
    UINT64 points = 0, sprites = 0;
    double worstMean = 0.0, worstBlock = 0.0;
    for (size_t c = 0; c < cams.size(); ++c)
    {
        SetWorldDrawOptions(Options(true, true, true, false));
        const std::vector<UINT8> quads     = shots.Render(world, cams[c]);
        const VoxDrawStats       quadStats = world.DrawStats;
        SetWorldDrawOptions(Options(true, true, true, true));
        const std::vector<UINT8> dots       = shots.Render(world, cams[c]);
        const VoxDrawStats       pointStats = world.DrawStats;
        if (getenv("ZN_SAVE_PICTURES"))
        {
            SavePicture(quads, ShotWidth, ShotHeight, "points_off_" + std::to_string(c) + ".ppm");
            SavePicture(dots, ShotWidth, ShotHeight, "points_on_" + std::to_string(c) + ".ppm");
        }
        EXPECT_EQ(world.DrawStats.Sprites, quadStats.Sprites) << "camera " << c;
        EXPECT_EQ(world.DrawStats.Leaves, quadStats.Leaves) << "camera " << c;
        EXPECT_EQ(quadStats.Points, 0u);
        points += pointStats.Points;
        sprites += pointStats.Sprites;

        VoxBlock* root                      = world.Root;
        world.Root                          = nullptr;
        const std::vector<UINT8> background = shots.Render(world, cams[c]);
        world.Root                          = root;
        const Difference        d           = Compare(quads, dots, ShotWidth, ShotHeight);
        // Where far sprites are a pixel or less wide, the quads' picture already
        // shows the sky through one-pixel gaps; the rounding moves a few of them.
        const std::vector<bool> quadSky = BackgroundMask(quads, background), dotSky = BackgroundMask(dots, background);
        UINT32                  opened = 0, closed = 0;
        for (size_t p = 0; p < quadSky.size(); ++p)
        {
            opened += dotSky[p] && !quadSky[p];
            closed += quadSky[p] && !dotSky[p];
        }
        printf("camera %zu: %u of %u sprites as points, mean difference %.4f, worst 32x32 block %.2f, "
               "pixels changed %u, sky pixels opened %u, closed %u\n",
               c, pointStats.Points, pointStats.Sprites, d.Mean, d.WorstBlock, CountDifferent(quads, dots), opened,
               closed);
        worstMean  = std::max(worstMean, d.Mean);
        worstBlock = std::max(worstBlock, d.WorstBlock);
        EXPECT_LE(opened, 16u) << "camera " << c;
    }
    EXPECT_LT(worstMean, 0.1);
    EXPECT_LT(worstBlock, 4.0);
    // Only leaves within a few units of the eye stay quads.
    EXPECT_GT(points, sprites * 95 / 100);

    // Where GL's largest viewport leaves room for a narrow band only, the points
    // are kept narrow enough for it and the rest drawn as quads. The band (eight
    // pixels, points up to twelve) still holds the distant leaves of the start view,
    // whose widest sprites are the tall cells of its cliffs.
    SetWorldDrawOptions(Options(true, true, true, false));
    const std::vector<UINT8> quads = shots.Render(world, cams[0]);
    world.MaxViewport[0]           = (GLint)ShotWidth + 16;
    world.MaxViewport[1]           = (GLint)ShotHeight + 16;
    SetWorldDrawOptions(Options(true, true, true, true));
    const std::vector<UINT8> narrow = shots.Render(world, cams[0]);
    EXPECT_GT(world.DrawStats.Points, 0u);
    EXPECT_LT(world.DrawStats.Points, world.DrawStats.Sprites);
    // Narrow as it is, the band still takes the leaves at the edges as points.
    const UINT32 narrowPoints = world.DrawStats.Points;
    world.MaxViewport[0]      = (GLint)ShotWidth;
    world.MaxViewport[1]      = (GLint)ShotHeight;
    shots.Render(world, cams[0]);
    EXPECT_GT(narrowPoints, world.DrawStats.Points) << "no more points with the band than without one";
    const Difference d = Compare(quads, narrow, ShotWidth, ShotHeight);
    EXPECT_LT(d.Mean, 0.1);
    EXPECT_LT(d.WorstBlock, 4.0);
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}

// Pixels where `points` lies behind `quads` together with all eight neighbours
// that are in the picture: a square lost from the points picture, as opposed to
// the one-pixel rims where a point's square rounds differently from two triangles.
// Border pixels have fewer neighbours, so a square lost at the edge still counts.
UINT32 CountLost(const std::vector<UINT32>& quads, const std::vector<UINT32>& points, UINT32 w, UINT32 h)
{
    std::vector<bool> behind(quads.size());
    for (size_t i = 0; i < quads.size(); ++i)
        behind[i] = points[i] > quads[i];
    UINT32 lost = 0;
    for (UINT32 y = 0; y < h; ++y)
        for (UINT32 x = 0; x < w; ++x)
        {
            bool all = true;
            for (UINT32 ny = y ? y - 1 : 0; ny <= std::min(y + 1, h - 1) && all; ++ny)
                for (UINT32 nx = x ? x - 1 : 0; nx <= std::min(x + 1, w - 1) && all; ++nx)
                    all = behind[(size_t)ny * w + nx];
            lost += all;
        }
    return lost;
}

// Points against quads where a dropped point shows: at the edges of the view, at
// narrow and wide fields of view, with coarse levels from near the eye, from
// cameras low over the ground looking along it and with a narrow guard band.
// Random cameras, fixed seed, a small picture.
TEST_F(WorldGL, PointsAndQuadsAgreeAtTheEdgesOfTheView)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    // The last cameras draw into a picture taller than the widest point GL draws
    // (at a narrow field of view), where coarse sprites outgrow it first.
    WorldOffscreen                        wide(256, 144), tall(48, (UINT32)world.MaxPointSize + 200);
    std::mt19937                          rng(40);
    std::uniform_real_distribution<float> xy(-900.0f, 900.0f), z(150.0f, 700.0f), yaw(0.0f, 6.28f), pitch(1.2f, 2.6f),
        low(1.45f, 1.62f), unit(0.0f, 1.0f);
    const float fovs[]  = { 10.0f, 30.0f, 60.0f, 120.0f };
    UINT64      points  = 0;
    UINT32      tooWide = 0;
    for (UINT32 c = 0; c < 30; ++c)
    {
        WorldOffscreen& shots = c < 24 ? wide : tall;
        const UINT32    w = shots.Width, h = shots.Height;
        VoxCameraState  cam;
        if (c % 3 == 0)
        {
            // Low over the ground: a few units above the terrain under the eye.
            const ZNVec3 at(xy(rng), xy(rng), 0.0f);
            cam            = CameraAt(ZNVec3(at.x, at.y, 0.0f), yaw(rng), low(rng));
            cam.Position.z = cam.PrevPosition.z = 600.0f;
            ZNVec3 top                          = cam.Position;
            // Down to the terrain: the highest sprite near the eye, found through the tree.
            struct GroundFinder
            {
                float X, Y, Best = 0.0f;
                void  Visit(const VoxBlock* n)
                {
                    if (n->Max.x < X - 10 || n->Min.x > X + 10 || n->Max.y < Y - 10 || n->Min.y > Y + 10)
                        return;
                    for (UINT32 i = 0; i < n->Points.Size(); ++i)
                        if (fabsf(n->Points[i].Position[0] - X) < 10 && fabsf(n->Points[i].Position[1] - Y) < 10)
                            Best = std::max(Best, n->Points[i].Position[2]);
                    if (n->IsSplit())
                        for (UINT32 k = 0; k < 8; ++k)
                            Visit(n->Ch[k]);
                }
            } ground{ top.x, top.y };
            ground.Visit(world.Root);
            cam.Position.z = cam.PrevPosition.z = ground.Best + 10.0f + 20.0f * unit(rng);
        }
        else
            cam = CameraAt(ZNVec3(xy(rng), xy(rng), z(rng)), yaw(rng), pitch(rng));
        world.Settings.FieldOfView = c < 24 ? fovs[c % 4] : fovs[c % 2];
        VoxDrawOptions o           = Options(true, true, true, false);
        o.LodDistance              = c % 2 ? 1200.0f : 100.0f;
        SetWorldDrawOptions(o);
        std::vector<UINT32> quadDepth, pointDepth;
        shots.Render(world, cam, &quadDepth);
        o.Points = true;
        SetWorldDrawOptions(o);
        // Every third camera as if GL's largest viewport left room for a narrow
        // guard band only: the points must then be kept narrow enough for it.
        const GLint saved[2] = { world.MaxViewport[0], world.MaxViewport[1] };
        if (c % 3 == 1)
        {
            world.MaxViewport[0] = (GLint)w + 12;
            world.MaxViewport[1] = (GLint)h + 12;
        }
        shots.Render(world, cam, &pointDepth);
        world.MaxViewport[0] = saved[0];
        world.MaxViewport[1] = saved[1];
        const UINT32 lost    = CountLost(quadDepth, pointDepth, w, h);
        printf("camera %u (%u x %u, fov %.0f, lod from %.0f): %u of %u sprites as points, pixels lost %u\n", c, w, h,
               world.Settings.FieldOfView, o.LodDistance, world.DrawStats.Points, world.DrawStats.Sprites, lost);
        points += world.DrawStats.Points;
        tooWide += c >= 24 ? world.DrawStats.Sprites - world.DrawStats.Points : 0;
        EXPECT_EQ(lost, 0u) << "camera " << c;
    }
    world.Settings.FieldOfView = VoxFieldOfView;
    EXPECT_GT(points, 100000u);
    EXPECT_GT(tooWide, 0u) << "the tall picture should have sprites too wide for a point";
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}

// The water's depth interpolated from the plane's corners is the depth the shader
// works out per pixel, to the rounding of the depth buffer, so only pixels where
// terrain meets the water at nearly equal depth may change; an eye too close to
// the plane for it gets the per-pixel depth and the same picture.
TEST_F(WorldGL, WaterDepthFromThePlaneChangesOnlyTheWaterline)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    WorldOffscreen shots(ShotWidth, ShotHeight);
    shots.Water                      = true;
    std::vector<VoxCameraState> cams = TestCameras();
    cams.push_back(CameraAt(ZNVec3(-300, -350, 60), 3.9f, 1.3f));   // under the water, looking up
    const size_t close = cams.size();
    cams.push_back(CameraAt(ZNVec3(-300, -350, 104), 3.9f, 1.9f));   // a few units above it
    for (size_t c = 0; c < cams.size(); ++c)
    {
        std::vector<UINT32> perPixelDepth, planeDepth;
        SetWorldVar("r_water_depth", 0.0f);
        const std::vector<UINT8> perPixel = shots.Render(world, cams[c], &perPixelDepth);
        SetWorldVar("r_water_depth", 1.0f);
        const std::vector<UINT8> plane      = shots.Render(world, cams[c], &planeDepth);
        UINT32                   worstDepth = 0;
        for (size_t p = 0; p < planeDepth.size(); ++p)
            worstDepth = std::max(worstDepth, (UINT32)std::abs((INT64)(planeDepth[p] >> 8) - (perPixelDepth[p] >> 8)));
        const Difference d       = Compare(perPixel, plane, ShotWidth, ShotHeight);
        const UINT32     changed = CountDifferent(perPixel, plane);
        printf("camera %zu: pixels changed %u, mean difference %.4f, worst 32x32 block %.2f, worst depth step %u\n", c,
               changed, d.Mean, d.WorstBlock, worstDepth);
        if (c == close)
        {
            EXPECT_EQ(changed, 0u);
            EXPECT_EQ(worstDepth, 0u);
            continue;
        }
        EXPECT_LE(worstDepth, 8u) << "camera " << c;
        EXPECT_LE(changed, ShotWidth * ShotHeight / 1000) << "camera " << c;
        EXPECT_LT(d.WorstBlock, 2.0) << "camera " << c;
    }
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}

// One leaf with more sprites than the index buffer reaches is drawn in pieces, each
// moving the vertex stream on, and gives the six-vertex layout's pixels.
TEST_F(WorldGL, QuadLeavesBeyondTheIndexBufferDrawInPieces)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    VoxelWorld world(Window);
    ASSERT_NE(world.SpriteIndices, nullptr);
    ZNImage height, color;
    ASSERT_TRUE(LoadImageFile("Heightmap.png", height) && LoadImageFile("Colormap.png", color));
    ZNVec3 min, max;
    VoxWorldBoundsForGrid(160, min, max);
    VoxBlock* const original = world.Root;
    WorldOffscreen  shots(ShotWidth, ShotHeight);
    SetWorldDrawOptions(Options(false, false, false));
    std::vector<UINT8> pixels[2];
    for (UINT32 i = 0; i < 2; ++i)
    {
        world.Root = BuildVoxelTree(height, color, min, max, VoxVoxelSize, 0);   // all in the root
        world.Root->BuildVertexBuffers(true, i ? VoxLayout_Quads : VoxLayout_Triangles);
        ASSERT_GT(world.Root->Points.Size(), VoxQuadDrawSprites);
        pixels[i] = shots.Render(world, InitialCameraState());
        EXPECT_EQ(world.DrawStats.Sprites, 160u * 160u);
        if (i == 1)
        {
            // From east of the middle the rows come last first (the pieces too),
            // and every depth stays as the forward draw left it.
            const VoxCameraState east = CameraAt(ZNVec3(200, 0, 700), 0.0f, 2.9f);
            std::vector<UINT32>  forward, reversed;
            SetWorldDrawOptions(Options(true, false, false));
            shots.Render(world, east, &forward);
            SetWorldDrawOptions(Options(true, true, false));
            shots.Render(world, east, &reversed);
            EXPECT_EQ(world.DrawStats.Sprites, 160u * 160u);
            EXPECT_TRUE(forward == reversed);
            EXPECT_NE(std::count(forward.begin(), forward.end(), 0xFFFFFFFFu), (long)forward.size());
            SetWorldDrawOptions(Options(false, false, false));
        }
        VoxBlock::Delete(world.Root);
    }
    world.Root = original;
    EXPECT_EQ(CountDifferent(pixels[0], pixels[1]), 0u);
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}
