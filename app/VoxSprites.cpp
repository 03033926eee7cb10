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

void VoxPackSprite(const VoxelPoint& in, const VoxLeafFrame& frame, UINT32 leaf, VoxPackedSprite& out)
{
    for (UINT32 a = 0; a < 3; ++a)
    {
        const float q   = frame.Step[a] > 0.0f ? roundf((in.Position[a] - frame.Origin[a]) / frame.Step[a]) : 0.0f;
        out.Position[a] = (UINT16)(q < 0.0f ? 0.0f : q > PositionSteps ? PositionSteps : q);
    }
    // Rounded up, so a sprite never shrinks and no gap opens between neighbours.
    const float size = ceilf(in.Size * VoxSizeSteps);
    out.Size         = (UINT16)(!(size > 0.0f) ? 0.0f : size > 65535.0f ? 65535.0f : size);
    memcpy(out.Color, in.Color, 4);
    out.Leaf = (leaf & VoxPackedLeaf) | (VoxGrowsBySlant(in) ? VoxPackedSlant : 0u) |
               ((UINT32)VoxStepFaces(in) << VoxPackedFaceShift);
}

void VoxUnpackSprite(const VoxPackedSprite& in, const VoxLeafFrame& frame, VoxelPoint& out)
{
    for (UINT32 a = 0; a < 3; ++a)
        out.Position[a] = frame.Origin[a] + (float)in.Position[a] * frame.Step[a];
    out.Size = (float)in.Size / VoxSizeSteps;
    memcpy(out.Color, in.Color, 4);
    memset(out.Corner, 0, sizeof(out.Corner));
    out.Corner[2] = (in.Leaf & VoxPackedSlant) ? VoxSlantMark : 0;
    out.Corner[3] = (INT8)((in.Leaf >> VoxPackedFaceShift) & VoxFaceAll);
}

namespace
{
// One batch of leaves built on all cores: each one's levels packed in its frame,
// then copied to its place in the pool being filled.
struct PackBatch
{
    VoxBlock**                               Nodes;
    UINT32                                   FirstNode;   // index of Nodes[0] in the frame table
    VoxLeafFrame*                            Frames;      // the whole frame table
    std::vector<ZNPodArray<VoxPackedSprite>> Packed;      // per node of the batch
    ZNPodArray<UINT32>                       At;          // per node: its first sprite in Staging, or ~0u
    VoxPackedSprite*                         Staging;     // the pool being filled
    UINT32                                   CopyFirst;   // node of the batch the copy jobs start at
};

void PackLeafJob(void* context, UINT32 index)
{
    PackBatch& b    = *static_cast<PackBatch*>(context);
    VoxBlock*  node = b.Nodes[index];
    node->BuildOwnVertices(VoxLayout_Compact);
    const UINT32 count = node->Vertices.Size();
    if (!count)
        return;
    const UINT32  leaf  = b.FirstNode + index;
    VoxLeafFrame& frame = b.Frames[leaf];
    VoxLeafFrameFor(node->Vertices.Data(), count, 1, frame);
    ZNPodArray<VoxPackedSprite>& out = b.Packed[index];
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

void CopyLeafJob(void* context, UINT32 index)
{
    PackBatch&                   b    = *static_cast<PackBatch*>(context);
    const UINT32                 node = b.CopyFirst + index;
    ZNPodArray<VoxPackedSprite>& own  = b.Packed[node];
    if (b.At[node] != ~0u)
        memcpy(b.Staging + b.At[node], own.Data(), own.Size() * sizeof(VoxPackedSprite));
    own.Clear();
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

VoxSpriteStore* VoxSpriteStore::Create(VoxBlock* root, UINT32 poolSprites, const VoxProgress* progress)
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

    ZNPodArray<VoxPackedSprite> staging;
    auto                        flush = [&]()
    {
        if (!staging.Size())
            return;
        Pool pool;
        pool.Sprites = staging.Size();
        MakeBufferTexture(staging.Data(), (UINT64)staging.Size() * sizeof(VoxPackedSprite), GL_RGBA32UI, pool.Buffer,
                          pool.Texture);
        store->Pools.Add(pool);
        store->Sprites += pool.Sprites;
        store->Bytes += (UINT64)pool.Sprites * sizeof(VoxPackedSprite);
        staging.SetCount(0);
    };

    // A batch of leaves at a time, so the unpacked levels on the processor never
    // hold more than about a million sprites.
    const UINT32 batchSprites = 1u << 20;
    const UINT64 allSprites   = std::max(1u, root->CountPoints());
    UINT64       doneSprites  = 0;
    // Room for the levels of a usual world (a third more than its sprites) from the
    // start, so the staging array is not grown and copied again and again.
    staging.Reserve((UINT32)std::min<UINT64>(poolSprites, allSprites + allSprites / 3 + 1024));
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
        PackBatch batch;
        batch.Nodes     = nodes.Data() + first;
        batch.FirstNode = first;
        batch.Frames    = frames.Data();
        batch.Packed.resize(last - first);
        batch.At.SetCount(last - first);
        ZNParallelFor(last - first, PackLeafJob, &batch);
        // Places in the pools are given in tree order; the copies then run on all
        // cores, a pool at a time.
        UINT32 copyFrom = first;
        for (UINT32 i = first; i < last; ++i)
        {
            VoxBlock*    node   = nodes[i];
            const UINT32 count  = batch.Packed[i - first].Size();
            node->DrawCount     = 0;
            batch.At[i - first] = ~0u;
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
            if (staging.Size() + count > poolSprites)
            {
                batch.Staging   = staging.Data();
                batch.CopyFirst = copyFrom - first;
                ZNParallelFor(i - copyFrom, CopyLeafJob, &batch);
                copyFrom = i;
                flush();
            }
            node->Pool          = store->Pools.Size();
            node->PoolFirst     = staging.Size();
            node->DrawCount     = node->LodCount[0];
            batch.At[i - first] = staging.Size();
            staging.SetCount(staging.Size() + count);
        }
        batch.Staging   = staging.Data();
        batch.CopyFirst = copyFrom - first;
        ZNParallelFor(last - copyFrom, CopyLeafJob, &batch);
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
