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
    for (UINT32 i = 0; i < count; ++i)
        for (UINT32 a = 0; a < 3; ++a)
        {
            const float v = sprites[i * stride].Position[a];
            lo[a]         = i ? std::min(lo[a], v) : v;
            hi[a]         = i ? std::max(hi[a], v) : v;
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
    float       t = (float)(INT32)q;
    const float d = q - t;
    if (d >= 0.5f)
        t += 1.0f;
    else if (d <= -0.5f)
        t -= 1.0f;
    return t;
}

void VoxPackSprite(const VoxelPoint& in, const VoxLeafFrame& frame, UINT32 leaf, VoxPackedSprite& out)
{
    for (UINT32 a = 0; a < 3; ++a)
    {
        const float q = frame.Step[a] > 0.0f ? RoundHalfAway((in.Position[a] - frame.Origin[a]) / frame.Step[a]) : 0.0f;
        out.Position[a] = (UINT16)(q < 0.0f ? 0.0f : q > PositionSteps ? PositionSteps : q);
    }
    // Rounded up, so a sprite never shrinks and no gap opens between neighbours.
    const float size = ceilf(in.Size * VoxSizeSteps);
    out.Size         = (UINT16)(!(size > 0.0f) ? 0.0f : size > 65535.0f ? 65535.0f : size);
    memcpy(out.Color, in.Color, 4);
    out.Leaf = (leaf & ~VoxPackedSlant) | (VoxGrowsBySlant(in) ? VoxPackedSlant : 0u);
}

void VoxUnpackSprite(const VoxPackedSprite& in, const VoxLeafFrame& frame, VoxelPoint& out)
{
    for (UINT32 a = 0; a < 3; ++a)
        out.Position[a] = frame.Origin[a] + (float)in.Position[a] * frame.Step[a];
    out.Size = (float)in.Size / VoxSizeSteps;
    memcpy(out.Color, in.Color, 4);
    memset(out.Corner, 0, sizeof(out.Corner));
    out.Corner[2] = (in.Leaf & VoxPackedSlant) ? VoxSlantMark : 0;
}

namespace
{
// The leaves packed on all cores, a batch at a time: each one's levels in its
// frame, kept per node until its pool is uploaded.
struct PackBatch
{
    VoxBlock**                   Nodes;    // every node, in tree order
    UINT32                       First;    // the batch's first node
    VoxLeafFrame*                Frames;   // the whole frame table
    ZNPodArray<VoxPackedSprite>* Packed;   // per node
};

void PackLeafJob(void* context, UINT32 index)
{
    PackBatch&   b    = *static_cast<PackBatch*>(context);
    const UINT32 leaf = b.First + index;
    VoxBlock*    node = b.Nodes[leaf];
    node->BuildOwnVertices(VoxLayout_Compact);
    const UINT32 count = node->Vertices.Size();
    if (!count)
        return;
    VoxLeafFrame& frame = b.Frames[leaf];
    VoxLeafFrameFor(node->Vertices.Data(), count, 1, frame);
    ZNPodArray<VoxPackedSprite>& out = b.Packed[leaf];
    out.SetCount(count);
    for (UINT32 i = 0; i < count; ++i)
    {
        // The sprites as the shader reads them back decide the cull bounds.
        VoxPackSprite(node->Vertices.Data()[i], frame, leaf, out[i]);
        VoxUnpackSprite(out[i], frame, node->Vertices.Data()[i]);
    }
    node->ComputeOwnCullBounds();
    node->Vertices.Clear();
}

// The leaves of one pool, copied on all cores to their places in its memory.
struct PoolCopy
{
    VoxBlock* const*             Nodes;    // every node, in tree order
    const UINT32*                Leaves;   // indices of the pool's leaves
    ZNPodArray<VoxPackedSprite>* Packed;   // per node
    VoxPackedSprite*             Target;   // the pool's sprites
};

void CopyLeafJob(void* context, UINT32 index)
{
    const PoolCopy&                    c    = *static_cast<PoolCopy*>(context);
    const UINT32                       leaf = c.Leaves[index];
    const ZNPodArray<VoxPackedSprite>& own  = c.Packed[leaf];
    memcpy(c.Target + c.Nodes[leaf]->PoolFirst, own.Data(), own.Size() * sizeof(VoxPackedSprite));
}

// A GL buffer holding the bytes and a buffer texture of the given format on it.
void MakeBufferTexture(const void* data, UINT64 bytes, GLenum format, UINT32& buffer, UINT32& texture)
{
    GladGLContext& gl = *TGCurGLTable;
    buffer            = CreateBuffer(false);
    BindBuffer(buffer, false);
    gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)bytes, data, GL_STATIC_DRAW);
    GLuint name = 0;
    gl.GenTextures(1, &name);
    texture = name;
    gl.BindTexture(GL_TEXTURE_BUFFER, texture);
    gl.TexBuffer(GL_TEXTURE_BUFFER, format, buffer);
    gl.BindTexture(GL_TEXTURE_BUFFER, 0);
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

// Uploads a pool's leaves into a new buffer of `sprites` sprites: through a
// mapping written on all cores when one is asked for and GL gives it, else (or
// when the mapped contents were lost) leaf by leaf from the processor's copy.
static void UploadPool(VoxBlock* const* nodes, const ZNPodArray<UINT32>& leaves, ZNPodArray<VoxPackedSprite>* packed,
                       UINT32 sprites, bool mapped, VoxSpriteStore::Pool& pool)
{
    GladGLContext&   gl    = *TGCurGLTable;
    const GLsizeiptr bytes = (GLsizeiptr)sprites * (GLsizeiptr)sizeof(VoxPackedSprite);
    pool.Sprites           = sprites;
    pool.Buffer            = CreateBuffer(false);
    BindBuffer(pool.Buffer, false);
    gl.BufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STATIC_DRAW);
    void* target = mapped && gl.MapBufferRange
                       ? gl.MapBufferRange(GL_ARRAY_BUFFER, 0, bytes, GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT)
                       : nullptr;
    if (target)
    {
        PoolCopy copy = { nodes, leaves.Data(), packed, static_cast<VoxPackedSprite*>(target) };
        ZNParallelFor(leaves.Size(), CopyLeafJob, &copy);
        // False means the buffer's contents were lost while mapped.
        if (!gl.UnmapBuffer(GL_ARRAY_BUFFER))
            target = nullptr;
    }
    for (UINT32 i = 0; i < leaves.Size(); ++i)
    {
        ZNPodArray<VoxPackedSprite>& own = packed[leaves[i]];
        if (!target)
            gl.BufferSubData(GL_ARRAY_BUFFER, (GLintptr)nodes[leaves[i]]->PoolFirst * (GLintptr)sizeof(VoxPackedSprite),
                             (GLsizeiptr)own.Size() * (GLsizeiptr)sizeof(VoxPackedSprite), own.Data());
        own.Clear();
    }
    GLuint name = 0;
    gl.GenTextures(1, &name);
    pool.Texture = name;
    gl.BindTexture(GL_TEXTURE_BUFFER, pool.Texture);
    gl.TexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32UI, pool.Buffer);
    gl.BindTexture(GL_TEXTURE_BUFFER, 0);
}

VoxSpriteStore* VoxSpriteStore::Create(VoxBlock* root, UINT32 poolSprites, const VoxProgress* progress, bool mapped)
{
    VoxSpriteStore* store = new VoxSpriteStore();
    store->FrameBuffer = store->FrameTexture = 0;
    store->Sprites = store->Bytes = 0;
    GLint maxTexels               = 0;
    TGCurGLTable->GetIntegerv(GL_MAX_TEXTURE_BUFFER_SIZE, &maxTexels);
    poolSprites = std::max(1u, std::min(poolSprites, (UINT32)std::max(maxTexels, 1)));

    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(root, nodes);
    ZNPodArray<VoxLeafFrame> frames;
    frames.SetCount(nodes.Size());
    memset(frames.Data(), 0, frames.Size() * sizeof(VoxLeafFrame));
    std::vector<ZNPodArray<VoxPackedSprite>> packed(nodes.Size());

    // A pool is uploaded as soon as its last leaf is known, so the packed copies
    // of its leaves are freed (and their memory reused) before the next is filled.
    ZNPodArray<UINT32> leaves;
    UINT32             filled = 0;
    auto               flush  = [&]()
    {
        if (!filled)
            return;
        Pool pool;
        UploadPool(nodes.Data(), leaves, packed.data(), filled, mapped, pool);
        store->Pools.Add(pool);
        store->Sprites += pool.Sprites;
        store->Bytes += (UINT64)pool.Sprites * sizeof(VoxPackedSprite);
        leaves.SetCount(0);
        filled = 0;
    };

    // Progress is told after each batch of about a million sprites.
    const UINT32 batchSprites = 1u << 20;
    const UINT64 allSprites   = std::max(1u, root->CountPoints());
    UINT64       doneSprites  = 0;
    for (UINT32 first = 0; first < nodes.Size();)
    {
        if (!VoxReport(progress, VoxPhase_Buffers, (float)((double)doneSprites / (double)allSprites)))
        {
            Destroy(store);
            return nullptr;
        }
        UINT32 last = first, sprites = 0;
        while (last < nodes.Size() && (sprites < batchSprites || last == first))
            sprites += nodes[last++]->Points.Size();
        doneSprites += sprites;
        PackBatch batch = { nodes.Data(), first, frames.Data(), packed.data() };
        ZNParallelFor(last - first, PackLeafJob, &batch);
        // Places in the pools in tree order; a pool is written once, at its final size.
        for (UINT32 i = first; i < last; ++i)
        {
            VoxBlock*    node  = nodes[i];
            const UINT32 count = packed[i].Size();
            node->DrawCount    = 0;
            if (!count)
                continue;
            if (count > poolSprites)
            {
                PrintStdout("A voxel leaf of %u sprites is more than a sprite pool holds (%u); it is not drawn\n",
                            count, poolSprites);
                packed[i].Clear();
                continue;
            }
            if (filled + count > poolSprites)
                flush();
            node->Pool      = store->Pools.Size();
            node->PoolFirst = filled;
            node->DrawCount = node->LodCount[0];
            leaves.Add(i);
            filled += count;
        }
        first = last;
    }
    flush();
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

void VoxSpriteStore::DrawItems(const ZNPodArray<VoxDrawItem>& items, VoxDrawForm form, VoxDrawStats& stats)
{
    const bool   points  = form != VoxForm_Quads;
    const INT32  corners = points ? 1 : (INT32)VoxCornerCount;
    ZNUniformRef spriteCount;
    GetUniform(GetCurrentShader(), spriteCount, "SpriteCount");
    SetVertexDecl(&VoxCompactDecl);
    BindBufferTexture(2, FrameTexture);
    for (UINT32 p = 0; p < Pools.Size(); ++p)
    {
        const Pool& pool = Pools[p];
        Firsts.SetCount(0);
        Counts.SetCount(0);
        for (UINT32 i = 0; i < items.Size(); ++i)
        {
            // The item carries its range, so no node is read here.
            const VoxDrawItem& item = items.Data()[i];
            if (item.Form != form || item.Pool != p)
                continue;
            UINT32       first = item.First;
            const UINT32 count = item.Count;
            if (!count)
                continue;
            if (item.Reverse)
                first = VoxMirroredFirst(first, count, pool.Sprites);
            Firsts.Add((INT32)first * corners);
            Counts.Add((INT32)count * corners);
            ++stats.Leaves;
            stats.Sprites += count;
            if (points)
                stats.Points += count;
        }
        if (!Firsts.Size())
            continue;
        BindBufferTexture(1, pool.Texture);
        const INT32 total = (INT32)pool.Sprites;
        SetInt(spriteCount, &total, 1, 1);
        DrawPrimitivesMulti(points ? PT_Points : PT_Triangles, Firsts.Data(), Counts.Data(), Firsts.Size());
    }
}
