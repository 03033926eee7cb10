// VoxSprites: packing sprites into leaf frames, the pools and the batched draws.
#include "VoxSprites.h"

#include "ZNEngine.h"

#include <algorithm>
#include <math.h>
#include <string.h>
#include <vector>

static ZNVertexElement GCompactElements[1] = { { 0, 0, 0, 0, 0, 0 } };
ZNVertexDecl           VoxCompactDecl(GCompactElements, "VoxCompactDecl");

const float PositionSteps = 65535.0f;

void VoxLeafFrameFor(const VoxelPoint* sprites, UINT32 count, UINT32 stride, VoxLeafFrame& out)
{
    float lo[3] = { 0.0f, 0.0f, 0.0f }, hi[3] = { 0.0f, 0.0f, 0.0f };
    for (UINT32 a = 0; a < 3 && count; ++a)
        lo[a] = hi[a] = sprites[0].Position[a];
    for (UINT32 i = 1; i < count; ++i)
        for (UINT32 a = 0; a < 3; ++a)
        {
            const float v = sprites[i * stride].Position[a];
            lo[a]         = std::min(lo[a], v);
            hi[a]         = std::max(hi[a], v);
        }
    for (UINT32 a = 0; a < 3; ++a)
    {
        out.Origin[a] = lo[a];
        out.Step[a]   = (hi[a] - lo[a]) / PositionSteps;
    }
    out.Origin[3] = out.Step[3] = 0.0f;
}

// roundf (halves away from zero) without the library call, which packing makes
// for every coordinate of every sprite: below 2^23 the fraction q - trunc(q) is
// exact, so the answer is roundf's.
static float RoundHalfAway(float q)
{
    if (!(fabsf(q) < 8388608.0f))
        return roundf(q);
    // The fraction is random from sprite to sprite: compared without branches.
    const float t = (float)(INT32)q;
    const float d = q - t;
    return t + ((float)(d >= 0.5f) - (float)(d <= -0.5f));
}

// ceilf the same way: a whole number's truncation is exact, and one below when it
// rounded down.
static float CeilWhole(float q)
{
    if (!(fabsf(q) < 8388608.0f))
        return ceilf(q);
    const float t = (float)(INT32)q;
    return t < q ? t + 1.0f : t;
}

// The packed width of a sprite: rounded up, so a sprite never shrinks and no gap
// opens between neighbours.
static UINT16 PackSize(float size)
{
    const float steps = CeilWhole(size * VoxSizeSteps);
    return (UINT16)(!(steps > 0.0f) ? 0.0f : steps > 65535.0f ? 65535.0f : steps);
}

// Packing without the width, which a leaf's sprites mostly share: the caller
// gives it, worked out once for a run of sprites of one width.
static inline void PackSpriteWithSize(const VoxelPoint& in, const VoxLeafFrame& frame, UINT32 leaf, UINT16 size,
                                      VoxPackedSprite& out)
{
    for (UINT32 a = 0; a < 3; ++a)
    {
        const float q = frame.Step[a] > 0.0f ? RoundHalfAway((in.Position[a] - frame.Origin[a]) / frame.Step[a]) : 0.0f;
        out.Position[a] = (UINT16)std::min(std::max(q, 0.0f), PositionSteps);
    }
    out.Size = size;
    memcpy(out.Color, in.Color, 4);
    out.Leaf = (leaf & VoxPackedLeaf) | (VoxGrowsBySlant(in) ? VoxPackedSlant : 0u) |
               ((UINT32)VoxStepFaces(in) << VoxPackedFaceShift);
}

static inline void UnpackSprite(const VoxPackedSprite& in, const VoxLeafFrame& frame, VoxelPoint& out)
{
    for (UINT32 a = 0; a < 3; ++a)
        out.Position[a] = frame.Origin[a] + (float)in.Position[a] * frame.Step[a];
    out.Size = (float)in.Size / VoxSizeSteps;
    memcpy(out.Color, in.Color, 4);
    memset(out.Corner, 0, sizeof(out.Corner));
    out.Corner[2] = (in.Leaf & VoxPackedSlant) ? VoxSlantMark : 0;
    out.Corner[3] = (INT8)((in.Leaf >> VoxPackedFaceShift) & VoxFaceAll);
}

void VoxPackSprite(const VoxelPoint& in, const VoxLeafFrame& frame, UINT32 leaf, VoxPackedSprite& out)
{
    PackSpriteWithSize(in, frame, leaf, PackSize(in.Size), out);
}

void VoxUnpackSprite(const VoxPackedSprite& in, const VoxLeafFrame& frame, VoxelPoint& out)
{
    UnpackSprite(in, frame, out);
}

namespace
{
// A batch of leaves on all cores: first each one's levels, then, once they have
// places in the pools, each one packed in its frame straight into its place.
struct PackBatch
{
    VoxBlock**        Nodes;     // every node, in tree order
    UINT32            First;     // the batch's first node
    VoxLeafFrame*     Frames;    // the whole frame table
    VoxPackedSprite** Targets;   // per pool: where its sprites are written, or null once done
    const UINT8*      Placed;    // per node of the batch: it has a place in a pool
};

void BuildLeafJob(void* context, UINT32 index)
{
    const PackBatch& b = *static_cast<PackBatch*>(context);
    b.Nodes[b.First + index]->BuildOwnVertices(VoxLayout_Compact);
}

void PackLeafJob(void* context, UINT32 index)
{
    const PackBatch& b     = *static_cast<PackBatch*>(context);
    const UINT32     leaf  = b.First + index;
    VoxBlock*        node  = b.Nodes[leaf];
    const UINT32     count = node->Vertices.Size();
    if (!count)
        return;
    VoxLeafFrame& frame = b.Frames[leaf];
    VoxLeafFrameFor(node->Vertices.Data(), count, 1, frame);
    // A leaf too big for any pool is not drawn, but its bounds are still those of
    // its sprites as packed.
    ZNPodArray<VoxPackedSprite> unplaced;
    VoxPackedSprite*            out = nullptr;
    if (b.Placed[index])
        out = b.Targets[node->Pool] + node->PoolFirst;
    else
    {
        unplaced.SetCount(count);
        out = unplaced.Data();
    }
    VoxelPoint* v         = node->Vertices.Data();
    float       lastWidth = v[0].Size;
    UINT16      lastSize  = PackSize(lastWidth);
    for (UINT32 i = 0; i < count; ++i)
    {
        // The sprites as the shader reads them back decide the cull bounds. A
        // mapping is written, never read: it may be memory the processor reads slowly.
        if (!(v[i].Size == lastWidth))
        {
            lastWidth = v[i].Size;
            lastSize  = PackSize(lastWidth);
        }
        VoxPackedSprite packed;
        PackSpriteWithSize(v[i], frame, leaf, lastSize, packed);
        UnpackSprite(packed, frame, v[i]);
        out[i] = packed;
    }
    node->ComputeOwnCullBounds();
    node->Vertices.Clear();
}

// A buffer texture of the given format on a GL buffer.
UINT32 MakeTextureOn(UINT32 buffer, GLenum format)
{
    GladGLContext& gl   = *TGCurGLTable;
    GLuint         name = 0;
    gl.GenTextures(1, &name);
    gl.BindTexture(GL_TEXTURE_BUFFER, name);
    gl.TexBuffer(GL_TEXTURE_BUFFER, format, buffer);
    gl.BindTexture(GL_TEXTURE_BUFFER, 0);
    return name;
}

// A GL buffer holding the bytes and a buffer texture of the given format on it.
void MakeBufferTexture(const void* data, UINT64 bytes, GLenum format, UINT32& buffer, UINT32& texture)
{
    buffer = CreateBuffer(false);
    BindBuffer(buffer, false);
    TGCurGLTable->BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)bytes, data, GL_STATIC_DRAW);
    texture = MakeTextureOn(buffer, format);
}

// A buffer texture on a unit, beside whatever 2D texture the engine keeps there.
void BindBufferTexture(UINT32 unit, UINT32 texture)
{
    ZNTextureContextState& units = TGCurContextState->Textures;
    if (units.ActiveUnit != unit)
    {
        TGCurGLTable->ActiveTexture(GL_TEXTURE0 + unit);
        units.ActiveUnit = unit;
    }
    TGCurGLTable->BindTexture(GL_TEXTURE_BUFFER, texture);
}
}   // namespace

namespace
{
// A pool being filled: its GL buffer made at the most it may hold and mapped, or
// a processor copy written in its place when GL gives no mapping.
struct OpenPool
{
    UINT32                      Capacity;   // sprites its buffer holds
    bool                        Mapped;     // its sprites are written through the mapping
    ZNPodArray<VoxPackedSprite> Copy;       // the processor copy without a mapping
    ZNPodArray<UINT32>          Leaves;     // nodes placed in it
};

}   // namespace

// A pool's buffer opened before its first leaf is placed, while other cores work:
// GL clears a new buffer, a pass over up to a whole pool's memory that only the
// thread with the context can make.
struct VoxEarlyPool
{
    VoxSpriteStore::Pool Pool;     // its GL buffer (0 when none is held)
    OpenPool             Open;     // its capacity and where its sprites go
    VoxPackedSprite*     Target;   //   and their first
    bool                 Mapped;   // written through a mapping when GL gives one
};

namespace
{
// Makes the pool's buffer and answers where its sprites are to be written.
VoxPackedSprite* OpenPoolBuffer(VoxSpriteStore::Pool& pool, OpenPool& open, bool mapped)
{
    GladGLContext&   gl    = *TGCurGLTable;
    const GLsizeiptr bytes = (GLsizeiptr)open.Capacity * (GLsizeiptr)sizeof(VoxPackedSprite);
    pool.Buffer            = CreateBuffer(false);
    BindBuffer(pool.Buffer, false);
    gl.BufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STATIC_DRAW);
    void* map   = mapped && gl.MapBufferRange
                      ? gl.MapBufferRange(GL_ARRAY_BUFFER, 0, bytes, GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT)
                      : nullptr;
    open.Mapped = map != nullptr;
    if (!map)
    {
        open.Copy.SetCount(open.Capacity);
        map = open.Copy.Data();
    }
    return static_cast<VoxPackedSprite*>(map);
}

// Ends the writing of pool p: unmaps it (or uploads the processor copy) and makes
// its buffer texture. Contents lost while mapped are built and packed again into
// a processor copy, which is then uploaded.
void ClosePool(VoxBlock** nodes, VoxLeafFrame* frames, VoxPackedSprite** targets, UINT32 p, VoxSpriteStore::Pool& pool,
               OpenPool& open)
{
    GladGLContext& gl = *TGCurGLTable;
    BindBuffer(pool.Buffer, false);
    if (open.Mapped && !gl.UnmapBuffer(GL_ARRAY_BUFFER))
    {
        open.Copy.SetCount(open.Capacity);
        targets[p]        = open.Copy.Data();
        const UINT8 place = 1;
        for (UINT32 i = 0; i < open.Leaves.Size(); ++i)
        {
            PackBatch batch = { nodes, open.Leaves[i], frames, targets, &place };
            BuildLeafJob(&batch, 0);
            PackLeafJob(&batch, 0);
        }
        open.Mapped = false;
    }
    if (!open.Mapped)
        gl.BufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)pool.Sprites * (GLsizeiptr)sizeof(VoxPackedSprite),
                         open.Copy.Data());
    targets[p] = nullptr;
    open.Copy.Clear();
    open.Leaves.Clear();
    pool.Texture = MakeTextureOn(pool.Buffer, GL_RGBA32UI);
}

void OpenEarlyPool(void* context)
{
    VoxEarlyPool& early = *static_cast<VoxEarlyPool*>(context);
    early.Target        = OpenPoolBuffer(early.Pool, early.Open, early.Mapped);
}

// Lets go of an early buffer that was not taken.
void DropEarlyBuffer(VoxEarlyPool& early)
{
    if (early.Pool.Buffer)
        DeleteBuffer(early.Pool.Buffer, false);
    early.Pool.Buffer = 0;
    early.Open.Copy.Clear();
}

// The most sprites a pool may hold here: the asked number within what one
// buffer texture reaches.
UINT32 PoolLimit(UINT32 poolSprites)
{
    GLint maxTexels = 0;
    TGCurGLTable->GetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &maxTexels);
    return std::max(1u, std::min(poolSprites, (UINT32)std::max(maxTexels, 1)));
}

struct BoundTable
{
    VoxBlock** Nodes;
    UINT64*    Bounds;
};

void BoundJob(void* context, UINT32 index)
{
    const BoundTable& t = *static_cast<BoundTable*>(context);
    t.Bounds[index]     = t.Nodes[index]->OwnSpriteBound();
}
}   // namespace

VoxEarlyPool* VoxOpenEarlyPool(UINT64 leastPoints, UINT32 poolSprites, bool mapped)
{
    poolSprites = PoolLimit(poolSprites);
    if (leastPoints < poolSprites)
        return nullptr;
    VoxEarlyPool* early  = new VoxEarlyPool();
    early->Pool          = { 0, 0, 0 };
    early->Open.Capacity = poolSprites;
    early->Mapped        = mapped;
    OpenEarlyPool(early);
    return early;
}

void VoxDropEarlyPool(VoxEarlyPool* early)
{
    if (!early)
        return;
    DropEarlyBuffer(*early);
    delete early;
}

VoxSpriteStore* VoxSpriteStore::Create(VoxBlock* root, UINT32 poolSprites, const VoxProgress* progress, bool mapped,
                                       VoxEarlyPool* given)
{
    VoxSpriteStore* store = new VoxSpriteStore();
    store->FrameBuffer = store->FrameTexture = 0;
    store->Sprites = store->Bytes = 0;
    poolSprites                   = PoolLimit(poolSprites);

    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(root, nodes);
    ZNPodArray<VoxLeafFrame> frames;
    frames.SetCount(nodes.Size());
    memset(frames.Data(), 0, frames.Size() * sizeof(VoxLeafFrame));
    // The most sprites the leaves from each one on can make: a pool's buffer is
    // made no bigger than what can still come, so the last one is not a whole
    // pool's worth.
    ZNPodArray<UINT64> boundFrom;
    boundFrom.SetCount(nodes.Size() + 1);
    BoundTable   bounds = { nodes.Data(), boundFrom.Data() };
    // Every leaf makes at least a sprite of each point, so a tree of a pool's worth
    // of points fills its first pool, whatever the bounds say: that buffer, unless
    // the caller opened it already, is opened while the other cores work out the
    // bounds. It is taken when the first leaf is placed and asks for the same
    // size, else let go.
    VoxEarlyPool early;
    early.Pool          = { 0, 0, 0 };
    early.Open.Capacity = poolSprites;
    early.Target        = nullptr;
    early.Mapped        = mapped;
    if (given && given->Pool.Buffer && given->Mapped == mapped && given->Open.Capacity == poolSprites)
    {
        early              = std::move(*given);
        given->Pool.Buffer = 0;
    }
    VoxDropEarlyPool(given);
    const bool openNow = !early.Pool.Buffer && root->CountPoints() >= poolSprites;
    ZNParallelForAfter(openNow ? OpenEarlyPool : nullptr, &early, nodes.Size(), BoundJob, &bounds);
    boundFrom[nodes.Size()] = 0;
    for (UINT32 i = nodes.Size(); i-- > 0;)
        boundFrom[i] += boundFrom[i + 1];

    // Each pool is written once: every leaf of a batch packs straight into its
    // place, and pools the batch filled are closed after it.
    ZNPodArray<VoxPackedSprite*> targets;
    ZNPodArray<UINT8>            placed;
    std::vector<OpenPool>        pools;
    ZNPodArray<UINT32>           closing;
    bool                         isOpen = false;
    UINT32                       filled = 0;
    const auto                   close  = [&](UINT32 p)
    { ClosePool(nodes.Data(), frames.Data(), targets.Data(), p, store->Pools[p], pools[p]); };

    // Progress is told after each batch of about a million sprites.
    const UINT32 batchSprites = 1u << 20;
    const UINT64 allSprites   = std::max(1u, root->CountPoints());
    UINT64       doneSprites  = 0;
    for (UINT32 first = 0; first < nodes.Size();)
    {
        if (!VoxReport(progress, VoxPhase_Buffers, (float)((double)doneSprites / (double)allSprites)))
        {
            DropEarlyBuffer(early);
            Destroy(store);
            return nullptr;
        }
        UINT32 last = first, sprites = 0;
        while (last < nodes.Size() && (sprites < batchSprites || last == first))
            sprites += nodes[last++]->Points.Size();
        doneSprites += sprites;
        PackBatch batch = { nodes.Data(), first, frames.Data(), nullptr, nullptr };
        ZNParallelFor(last - first, BuildLeafJob, &batch);
        // Places in the pools in tree order, now that the batch's sizes are known.
        placed.SetCount(last - first);
        UINT64 batchRest = 0;
        for (UINT32 i = first; i < last; ++i)
            batchRest += nodes[i]->Vertices.Size();
        for (UINT32 i = first; i < last; ++i)
        {
            VoxBlock*    node  = nodes[i];
            const UINT32 count = node->Vertices.Size();
            node->DrawCount    = 0;
            placed[i - first]  = 0;
            batchRest -= count;
            if (!count)
                continue;
            if (i > VoxPackedLeaf)
            {
                PrintStdout("A voxel tree of more than %u nodes has no room for node %u's entry; it is not drawn\n",
                            VoxPackedLeaf + 1, i);
                continue;
            }
            if (count > poolSprites)
            {
                PrintStdout("A voxel leaf of %u sprites is more than a sprite pool holds (%u); it is not drawn\n",
                            count, poolSprites);
                continue;
            }
            if (isOpen && filled + count > pools.back().Capacity)
            {
                closing.Add(store->Pools.Size() - 1);
                isOpen = false;
            }
            if (!isOpen)
            {
                pools.emplace_back();
                OpenPool&    open     = pools.back();
                const UINT32 capacity = (UINT32)std::min<UINT64>(poolSprites, count + batchRest + boundFrom[last]);
                Pool         pool     = { 0, 0, 0 };
                store->Pools.Add(pool);
                Pool& made = store->Pools[store->Pools.Size() - 1];
                if (early.Pool.Buffer && early.Open.Capacity == capacity)
                {
                    made              = early.Pool;
                    open              = std::move(early.Open);
                    early.Pool.Buffer = 0;
                    targets.Add(early.Target);
                }
                else
                {
                    DropEarlyBuffer(early);
                    open.Capacity = capacity;
                    targets.Add(OpenPoolBuffer(made, open, mapped));
                }
                isOpen = true;
                filled = 0;
            }
            node->Pool      = store->Pools.Size() - 1;
            node->PoolFirst = filled;
            node->DrawCount = node->LodCount[0];
            pools.back().Leaves.Add(i);
            placed[i - first] = 1;
            filled += count;
            store->Pools[node->Pool].Sprites = filled;
        }
        batch.Targets = targets.Data();
        batch.Placed  = placed.Data();
        ZNParallelFor(last - first, PackLeafJob, &batch);
        for (UINT32 c = 0; c < closing.Size(); ++c)
            close(closing[c]);
        closing.SetCount(0);
        first = last;
    }
    if (isOpen)
        close(store->Pools.Size() - 1);
    DropEarlyBuffer(early);
    for (UINT32 p = 0; p < store->Pools.Size(); ++p)
    {
        store->Sprites += store->Pools[p].Sprites;
        store->Bytes += (UINT64)pools[p].Capacity * sizeof(VoxPackedSprite);
    }
    MakeBufferTexture(frames.Data(), (UINT64)frames.Size() * sizeof(VoxLeafFrame), GL_RGBA32F, store->FrameBuffer,
                      store->FrameTexture);
    store->Bytes += (UINT64)frames.Size() * sizeof(VoxLeafFrame);
    root->ComputeCullBounds(false);
    VoxReport(progress, VoxPhase_Buffers, 1.0f);
    return store;
}

void VoxSpriteStore::Destroy(VoxSpriteStore* store)
{
    if (!store)
        return;
    GladGLContext& gl = *TGCurGLTable;
    for (UINT32 p = 0; p < store->Pools.Size(); ++p)
    {
        gl.DeleteTextures(1, &store->Pools[p].Texture);
        DeleteBuffer(store->Pools[p].Buffer, false);
    }
    if (store->FrameTexture)
        gl.DeleteTextures(1, &store->FrameTexture);
    if (store->FrameBuffer)
        DeleteBuffer(store->FrameBuffer, false);
    delete store;
}

void VoxSpriteStore::PrepareDraws(const ZNPodArray<VoxDrawItem>& items)
{
    // One pass counts the ranges of each form and pool, a second puts each where
    // its form and pool begin, in the items' order. Choosing a place by index
    // instead of testing each item against every form and pool keeps the
    // unpredictable branches out of the loop.
    const UINT32 pools = Pools.Size(), buckets = VoxFormCount * pools;
    BucketFirst.SetCount(buckets + 1);
    BucketEnd.SetCount(buckets);
    BucketSprites.SetCount(buckets);
    BucketLeaves.SetCount(buckets);
    memset(BucketFirst.Data(), 0, BucketFirst.Size() * sizeof(UINT32));
    memset(BucketSprites.Data(), 0, BucketSprites.Size() * sizeof(UINT32));
    memset(BucketLeaves.Data(), 0, BucketLeaves.Size() * sizeof(UINT32));
    const VoxDrawItem* item = items.Data();
    const UINT32       n    = items.Size();
    for (UINT32 i = 0; i < n; ++i)
        if (item[i].Count && item[i].Pool < pools && item[i].Form < VoxFormCount)
            ++BucketFirst[item[i].Form * pools + item[i].Pool + 1];
    for (UINT32 b = 0; b < buckets; ++b)
    {
        BucketFirst[b + 1] += BucketFirst[b];
        BucketEnd[b] = BucketFirst[b];
    }
    Firsts.SetCount(BucketFirst[buckets]);
    Counts.SetCount(BucketFirst[buckets]);
    INT32*  firsts  = Firsts.Data();
    INT32*  counts  = Counts.Data();
    UINT32* ends    = BucketEnd.Data();
    UINT32* sprites = BucketSprites.Data();
    UINT32* leaves  = BucketLeaves.Data();
    for (UINT32 i = 0; i < n; ++i)
    {
        const VoxDrawItem& it = item[i];
        if (!it.Count || it.Pool >= pools || it.Form >= VoxFormCount)
            continue;
        const UINT32 b       = it.Form * pools + it.Pool;
        const INT32  corners = it.Form == VoxForm_Quads ? (INT32)VoxCornerCount : 1;
        const UINT32 first   = it.Reverse ? VoxMirroredFirst(it.First, it.Count, Pools[it.Pool].Sprites) : it.First;
        const UINT32 at      = ends[b]++;
        firsts[at]           = (INT32)first * corners;
        counts[at]           = (INT32)it.Count * corners;
        sprites[b] += it.Count;
        ++leaves[b];
    }
}

void VoxSpriteStore::DrawForm(VoxDrawForm form, VoxDrawStats& stats)
{
    const UINT32 pools = Pools.Size();
    if (BucketEnd.Size() != VoxFormCount * pools)
        return;   // nothing prepared for these pools
    const bool   points = form != VoxForm_Quads;
    ZNUniformRef spriteCount;
    GetUniform(GetCurrentShader(), spriteCount, "SpriteCount");
    SetVertexDecl(&VoxCompactDecl);
    BindBufferTexture(2, FrameTexture);
    for (UINT32 p = 0; p < pools; ++p)
    {
        const UINT32 b = form * pools + p, first = BucketFirst[b], ranges = BucketEnd[b] - first;
        if (!ranges)
            continue;
        stats.Leaves += BucketLeaves[b];
        stats.Sprites += BucketSprites[b];
        if (points)
            stats.Points += BucketSprites[b];
        BindBufferTexture(1, Pools[p].Texture);
        const INT32 total = (INT32)Pools[p].Sprites;
        SetInt(spriteCount, &total, 1, 1);
        DrawPrimitivesMulti(points ? PT_Points : PT_Triangles, Firsts.Data() + first, Counts.Data() + first, ranges);
    }
}

void VoxSpriteStore::DrawItems(const ZNPodArray<VoxDrawItem>& items, VoxDrawForm form, VoxDrawStats& stats)
{
    PrepareDraws(items);
    DrawForm(form, stats);
}
