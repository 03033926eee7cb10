// VoxBlock: octree of voxel sprites, their vertex data and the map sampling.
#include "VoxBlock.h"

#include "ZNEngine.h"

#include <algorithm>
#include <math.h>
#include <string.h>

const ZNVec3 VoxWorldMin(-1000.0f, -1000.0f, 0.0f);
const ZNVec3 VoxWorldMax(1000.0f, 1000.0f, 600.0f);

const INT8 VoxCorners[4][2] = { { 1, -1 }, { -1, -1 }, { -1, 1 }, { 1, 1 } };

const UINT32 VoxSpriteOrder[VoxCornerCount] = { 0, 1, 2, 2, 3, 0 };

void VoxWorldBoundsForGrid(UINT32 grid, ZNVec3& min, ZNVec3& max)
{
    // Half a voxel per cell, so 400 cells span the default 2000 units.
    const float half = (float)grid * VoxVoxelSize * 0.25f;
    min              = ZNVec3(-half, -half, VoxWorldMin.z);
    max              = ZNVec3(half, half, VoxWorldMax.z);
}

UINT32 VoxTreeDepthForGrid(UINT32 grid)
{
    // Up to the default world a leaf is about 12.5 cells wide (depth 5 at 400). Past
    // it leaves grow to about 25 cells, never shallower than the default tree. Chosen
    // by measurement on the software renderer: the 1024 world at depth 5 has 3,500
    // leaves (1,200 drawn a frame) against 14,300 (4,800) at depth 6, draws a few more
    // sprites, yet takes a sixth to a quarter less frame time and 170 MB less peak
    // memory.
    const bool big   = grid > VoxDefaultGrid;
    float      depth = roundf(log2f((float)grid / (big ? 25.0f : 12.5f)));
    if (big)
        depth = std::max(depth, (float)VoxTreeDepth);
    return depth < 1.0f ? 1u : depth > 10.0f ? 10u : (UINT32)depth;
}

static UINT8 PackUnit(float v)
{
    // Written so that NaN lands on 0 instead of an undefined conversion.
    if (!(v > 0.0f))
        return 0;
    if (v > 1.0f)
        v = 1.0f;
    return (UINT8)(v * 255.0f);
}

void PackVoxelColor(const FloatPixel& c, UINT8 out[4])
{
    out[0] = PackUnit(c.R);
    out[1] = PackUnit(c.G);
    out[2] = PackUnit(c.B);
    out[3] = PackUnit(c.A);
}

// Nodes made and not yet deleted; the parallel build makes them on every core.
static std::atomic<INT64> GLiveNodes(0);

INT64 VoxBlock::LiveNodes()
{
    return GLiveNodes.load();
}

VoxBlock* VoxBlock::Create(const ZNVec3& min, const ZNVec3& max)
{
    VoxBlock* node = new VoxBlock();
    ++GLiveNodes;
    for (UINT32 k = 0; k < 8; ++k)
        node->Ch[k] = nullptr;
    node->Min       = min;
    node->Max       = max;
    node->VB        = nullptr;
    node->Pool      = 0;
    node->PoolFirst = 0;
    node->DrawCount = 0;
    node->Corners   = VoxLayout_Triangles;
    for (UINT32 k = 0; k < VoxLodLevels; ++k)
        node->LodFirst[k] = node->LodCount[k] = 0;
    node->CullMin = ZNVec3(1.0f, 1.0f, 1.0f);
    node->CullMax = ZNVec3(-1.0f, -1.0f, -1.0f);
    for (UINT32 k = 0; k < VoxLodLevels; ++k)
        node->LodGrow[k] = node->LodWidest[k] = 0.0f;
    return node;
}

void VoxBlock::Delete(VoxBlock* node)
{
    if (!node)
        return;
    if (node->IsSplit())
    {
        for (UINT32 k = 0; k < 8; ++k)
        {
            Delete(node->Ch[k]);
            node->Ch[k] = nullptr;
        }
    }
    delete node->VB;
    node->VB = nullptr;
    delete node;
    --GLiveNodes;
}

UINT32 VoxBlock::CountPoints() const
{
    UINT32 n = Points.Size();
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            n += Ch[k]->CountPoints();
    return n;
}

UINT32 VoxBlock::CountNodesWithPoints() const
{
    UINT32 n = Points.Size() ? 1 : 0;
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            n += Ch[k]->CountNodesWithPoints();
    return n;
}

// Splitting twice would orphan the first eight children and everything under them,
// so a repeated split is reported and refused.
void VoxBlock::Split()
{
    // The check reports its text as written, spaces included.
    // clang-format off
    if (ZN_CHECK_FAILED(Ch[ 0 ]))
        return;
    // clang-format on
    const ZNVec3 mid((Min.x + Max.x) * 0.5f, (Min.y + Max.y) * 0.5f, (Min.z + Max.z) * 0.5f);
    for (UINT32 k = 0; k < 8; ++k)
    {
        ZNVec3 lo, hi;
        for (UINT32 axis = 0; axis < 3; ++axis)
        {
            const bool upper = (k & (1u << axis)) != 0;
            lo[axis]         = upper ? mid[axis] : Min[axis];
            hi[axis]         = upper ? Max[axis] : mid[axis];
        }
        Ch[k] = Create(lo, hi);
    }
}

// Per axis: lower the minimum or, failing that, raise the maximum.
static void GrowBounds(ZNVec3& min, ZNVec3& max, const ZNVec3& q)
{
    for (UINT32 axis = 0; axis < 3; ++axis)
    {
        if (min[axis] > q[axis])
            min[axis] = q[axis];
        else if (max[axis] < q[axis])
            max[axis] = q[axis];
    }
}

void VoxBlock::Insert(UINT32 depth, const ZNVec3& p, float size, const UINT8 color[4], INT8 mark)
{
    VoxBlock* node = this;
    for (UINT32 level = 0; level < depth; ++level)
    {
        if (!node->IsSplit())
            node->Split();
        const ZNVec3 mid((node->Min.x + node->Max.x) * 0.5f, (node->Min.y + node->Max.y) * 0.5f,
                         (node->Min.z + node->Max.z) * 0.5f);
        const UINT32 k = (p.x >= mid.x ? 1u : 0u) + (p.y >= mid.y ? 2u : 0u) + (p.z >= mid.z ? 4u : 0u);
        node           = node->Ch[k];
    }

    VoxelPoint pt;
    pt.Position[0] = p.x;
    pt.Position[1] = p.y;
    pt.Position[2] = p.z;
    pt.Size        = size;
    memcpy(pt.Color, color, 4);
    memset(pt.Corner, 0, sizeof(pt.Corner));
    pt.Corner[2] = mark;
    node->Points.Add(pt);

    GrowBounds(node->Min, node->Max, p - ZNVec3(size, size, size));
    GrowBounds(node->Min, node->Max, p + ZNVec3(size, size, size));
}

void VoxAppendSprite(ZNPodArray<VoxelPoint>& out, const VoxelPoint& point, UINT32 corners)
{
    const UINT32 at = out.Size();
    out.SetCount(at + corners);
    VoxelPoint* v = out.Data() + at;
    for (UINT32 i = 0; i < corners; ++i)
    {
        const UINT32 c = corners == VoxLayout_Quads ? i : VoxSpriteOrder[i];
        v[i]           = point;
        v[i].Corner[0] = VoxCorners[c][0];
        v[i].Corner[1] = VoxCorners[c][1];
        v[i].Corner[2] = point.Corner[2];
        v[i].Corner[3] = 0;
    }
}

namespace
{
// A point's block of grid cells at one level of detail, and where it came from.
struct BlockKey
{
    UINT64 Key;
    UINT32 Index;
    bool   operator<(const BlockKey& o) const { return Key < o.Key || (Key == o.Key && Index < o.Index); }
};
}   // namespace

// Level k merges each 2^k x 2^k block of cells; cells are half a sprite wide, so the
// block of a centre is found from its position alone and the same in every leaf.
static void AppendCoarseLevel(const ZNPodArray<VoxelPoint>& points, UINT32 level, UINT32 corners,
                              ZNPodArray<BlockKey>& keys, ZNPodArray<VoxelPoint>& out)
{
    const VoxelPoint* p       = points.Data();
    const bool        noFills = level >= VoxFillLevels;
    UINT32            n       = 0;
    keys.SetCount(points.Size());
    BlockKey* k = keys.Data();
    for (UINT32 i = 0; i < points.Size(); ++i)
    {
        if (noFills && VoxIsFill(p[i]))
            continue;
        const float  block = p[i].Size * 0.5f * (float)(1u << level);
        // Block numbers are small (the world spans a few thousand units), so each
        // fits 32 bits; they are packed as unsigned words, negative ones included.
        const UINT32 bx = (UINT32)(INT32)floorf(p[i].Position[0] / block);
        const UINT32 by = (UINT32)(INT32)floorf(p[i].Position[1] / block);
        // Rows of blocks along x, in y order, as the finest level's sprites lie.
        k[n].Key   = ((UINT64)by << 32) | bx;
        k[n].Index = i;
        ++n;
    }
    std::sort(k, k + n);
    for (UINT32 first = 0; first < n;)
    {
        UINT32 last = first;
        while (last + 1 < n && k[last + 1].Key == k[first].Key)
            ++last;
        const UINT32 count  = last - first + 1;
        float        pos[3] = { 0.0f, 0.0f, 0.0f }, size = 0.0f;
        UINT32       color[4] = { 0, 0, 0, 0 };
        bool         slant    = false;
        for (UINT32 i = first; i <= last; ++i)
        {
            const VoxelPoint& q = p[k[i].Index];
            for (UINT32 a = 0; a < 3; ++a)
                pos[a] += q.Position[a];
            for (UINT32 c = 0; c < 4; ++c)
                color[c] += q.Color[c];
            size = std::max(size, q.Size);
            slant = slant || VoxGrowsBySlant(q);
        }
        VoxelPoint merged;
        for (UINT32 a = 0; a < 3; ++a)
            merged.Position[a] = pos[a] / (float)count;
        // Wide enough to cover every merged sprite from any side: on steep ground the
        // centres spread up and down and a plain 2^k-wide square would leave gaps.
        float spread = 0.0f;
        for (UINT32 i = first; i <= last; ++i)
        {
            const VoxelPoint& q  = p[k[i].Index];
            float             d2 = 0.0f;
            for (UINT32 a = 0; a < 3; ++a)
                d2 += (q.Position[a] - merged.Position[a]) * (q.Position[a] - merged.Position[a]);
            spread = std::max(spread, sqrtf(d2));
        }
        merged.Size = std::max(size * (float)(1u << level), size + 2.0f * spread);
        // Lowered to reach no higher than the highest merged sprite: a ridge keeps
        // its outline against the sky instead of growing by half the extra width.
        // The square spans their heights and a sprite more, so it still reaches
        // down to the lowest.
        float top = merged.Position[2];
        for (UINT32 i = first; i <= last; ++i)
            top = std::max(top, p[k[i].Index].Position[2] + p[k[i].Index].Size * 0.5f);
        merged.Position[2] = std::min(merged.Position[2], top - merged.Size * 0.5f);
        for (UINT32 c = 0; c < 4; ++c)
            merged.Color[c] = (UINT8)((color[c] + count / 2) / count);
        memset(merged.Corner, 0, sizeof(merged.Corner));
        // Standing in for marked sprites, it grows by the slant as they do.
        merged.Corner[2] = slant && !noFills ? VoxSlantMark : 0;
        VoxAppendSprite(out, merged, corners);
        first = last + 1;
    }
}

void VoxBlock::BuildOwnVertices(VoxSpriteLayout layout)
{
    Vertices.Clear();
    Corners = layout;
    for (UINT32 k = 0; k < VoxLodLevels; ++k)
        LodFirst[k] = LodCount[k] = 0;
    const UINT32 count = Points.Size();
    if (!count)
        return;
    // Full detail plus at most a quarter and a sixteenth of it.
    Vertices.Reserve(count * layout + count * layout / 2);
    for (UINT32 i = 0; i < count; ++i)
        VoxAppendSprite(Vertices, Points.Data()[i], layout);
    LodCount[0] = Vertices.Size();
    ZNPodArray<BlockKey> keys;
    for (UINT32 level = 1; level < VoxLodLevels; ++level)
    {
        LodFirst[level] = Vertices.Size();
        AppendCoarseLevel(Points, level, layout, keys, Vertices);
        LodCount[level] = Vertices.Size() - LodFirst[level];
    }
}

// A camera-facing square of width s reaches s / sqrt(2) from its centre in the
// direction of a corner.
static float SpriteReach(float size)
{
    return size * 0.70710678f * 1.0001f;
}

// Grows the box (lo, hi) by (a, b); an empty box (lo.x > hi.x) becomes (a, b).
static void GrowBox(ZNVec3& lo, ZNVec3& hi, const ZNVec3& a, const ZNVec3& b)
{
    if (lo.x > hi.x)
    {
        lo = a;
        hi = b;
        return;
    }
    for (UINT32 axis = 0; axis < 3; ++axis)
    {
        lo[axis] = std::min(lo[axis], a[axis]);
        hi[axis] = std::max(hi[axis], b[axis]);
    }
}

void VoxBlock::ComputeOwnCullBounds()
{
    CullMin = ZNVec3(1.0f, 1.0f, 1.0f);
    CullMax = ZNVec3(-1.0f, -1.0f, -1.0f);
    for (UINT32 k = 0; k < VoxLodLevels; ++k)
        LodGrow[k] = LodWidest[k] = 0.0f;
    // The built sprites are the ones drawn: a compact build has moved them onto
    // its grid of positions and sizes.
    const bool        built  = LodCount[0] && Vertices.Size() >= LodCount[0];
    const VoxelPoint* p      = built ? Vertices.Data() : Points.Data();
    const UINT32      stride = built ? Corners : 1;
    float             widest = 0.0f;
    for (UINT32 n = 0; n < Points.Size(); ++n)
    {
        const UINT32 i = n * stride;
        const ZNVec3 c(p[i].Position[0], p[i].Position[1], p[i].Position[2]);
        const float  r = SpriteReach(p[i].Size);
        GrowBox(CullMin, CullMax, c - ZNVec3(r, r, r), c + ZNVec3(r, r, r));
        widest = std::max(widest, p[i].Size);
    }
    if (!Points.Size())
        return;
    LodWidest[0] = widest;
    for (UINT32 level = 1; level < VoxLodLevels; ++level)
    {
        float grow = 0.0f, levelWidest = 0.0f;
        if (LodCount[level] && Vertices.Size() >= LodFirst[level] + LodCount[level])
        {
            // One vertex per sprite is enough: its vertices share centre and size.
            const VoxelPoint* v = Vertices.Data() + LodFirst[level];
            for (UINT32 i = 0; i < LodCount[level]; i += Corners)
            {
                const float r = SpriteReach(v[i].Size);
                levelWidest   = std::max(levelWidest, v[i].Size);
                for (UINT32 axis = 0; axis < 3; ++axis)
                    grow = std::max(grow, std::max(CullMin[axis] - (v[i].Position[axis] - r),
                                                   v[i].Position[axis] + r - CullMax[axis]));
            }
        }
        else
        {
            levelWidest = widest * (float)(1u << level);
            grow        = SpriteReach(levelWidest) - SpriteReach(widest);
        }
        LodGrow[level]   = grow;
        LodWidest[level] = levelWidest;
    }
}

void VoxBlock::ComputeCullBounds(bool own)
{
    if (own || !Points.Size())
        ComputeOwnCullBounds();
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
        {
            VoxBlock& ch = *Ch[k];
            ch.ComputeCullBounds(own);
            if (ch.CullMin.x > ch.CullMax.x)
                continue;
            GrowBox(CullMin, CullMax, ch.CullMin, ch.CullMax);
            for (UINT32 level = 0; level < VoxLodLevels; ++level)
                LodGrow[level] = std::max(LodGrow[level], ch.LodGrow[level]);
        }
}

void VoxCollectNodes(VoxBlock* node, ZNPodArray<VoxBlock*>& out)
{
    out.Add(node);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            VoxCollectNodes(node->Ch[k], out);
}

namespace
{
struct VertexBatch
{
    VoxBlock**      Nodes;
    bool            Upload;
    VoxSpriteLayout Layout;
};

// The processor work of a leaf: its vertices, its cull bounds while the coarser
// levels are at hand and, for an upload, the copy into its buffer's array, so the
// main thread is left with the GL calls alone.
void BuildBatchJob(void* context, UINT32 index)
{
    const VertexBatch& batch = *static_cast<VertexBatch*>(context);
    VoxBlock*          node  = batch.Nodes[index];
    node->BuildOwnVertices(batch.Layout);
    if (!batch.Upload)
        return;
    node->ComputeOwnCullBounds();
    if (node->VB)
    {
        node->VB->Clear();
        node->VB->Append(node->Vertices.Data(), node->Vertices.Size() * (UINT32)sizeof(VoxelPoint));
        node->Vertices.Clear();
    }
}
}   // namespace

void VoxBlock::BuildVertexBuffers(bool upload, VoxSpriteLayout layout)
{
    ZNPodArray<VoxBlock*> nodes;
    VoxCollectNodes(this, nodes);
    // With upload the vertices go to GL a batch of leaves at a time, so the copy on
    // the processor never holds more than one batch: about 8 MB of vertices.
    const UINT32 batchSprites = upload ? 8u * 1024 * 1024 / (VoxCornerCount * (UINT32)sizeof(VoxelPoint)) : ~0u;
    for (UINT32 first = 0; first < nodes.Size();)
    {
        UINT32 last = first, sprites = 0;
        while (last < nodes.Size() && (sprites < batchSprites || last == first))
            sprites += nodes[last++]->Points.Size();
        // Buffer names are made on this thread, the one with the GL context.
        for (UINT32 i = first; i < last && upload; ++i)
            if (nodes[i]->Points.Size() && !nodes[i]->VB)
                nodes[i]->VB = new ZNGpuBuffer(VMBT_Vertex, 0);
        VertexBatch batch = { nodes.Data() + first, upload, layout };
        ZNParallelFor(last - first, BuildBatchJob, &batch);
        for (UINT32 i = first; i < last && upload; ++i)
        {
            VoxBlock* node = nodes[i];
            if (!node->VB || !node->VB->Data.Size())
                continue;
            node->VB->Upload();
            node->DrawCount = node->LodCount[0];
            // The GL buffer now holds the vertices; the points can rebuild them.
            node->VB->Clear();
        }
        first = last;
    }
    ComputeCullBounds(!upload);
}

void VoxBlock::DrawRange(UINT32 first, UINT32 count, bool reverse) const
{
    if (Corners != VoxLayout_Quads)
    {
        SetVertexStream(0, VB, reinterpret_cast<const void*>((uintptr_t)first * sizeof(VoxelPoint)));
        DrawPrimitives(PT_Triangles, count);
        return;
    }
    // The index buffer counts from the stream's start, so each piece moves it.
    // Reversed, the pieces come last first and each through the descending half.
    const UINT32 total  = count / VoxLayout_Quads;
    const UINT32 pieces = (total + VoxQuadDrawSprites - 1) / VoxQuadDrawSprites;
    for (UINT32 p = 0; p < pieces; ++p)
    {
        const UINT32 piece   = reverse ? pieces - 1 - p : p;
        const UINT32 start   = piece * VoxQuadDrawSprites;
        const UINT32 sprites = std::min(total - start, VoxQuadDrawSprites);
        const UINT32 offset =
            reverse ? (2 * VoxQuadDrawSprites - sprites) * VoxCornerCount * (UINT32)sizeof(UINT16) : 0;
        SetVertexStream(
            0, VB, reinterpret_cast<const void*>((uintptr_t)(first + start * VoxLayout_Quads) * sizeof(VoxelPoint)));
        DrawIndexedRange(PT_Triangles, sprites * VoxLayout_Quads, sprites * VoxCornerCount, VDT_UShort, offset);
    }
}

// The sprite's first vertex of each four (or six): position, size, colour and the
// corner bytes, of which the point shader reads only the fill mark.
static ZNVertexElement GPointElements[2][5] = {
    { { VDT_Float, 3, 0, GLVertex, 0, 0 },
      { VDT_Float, 1, 0, GLTexCoord0, 0, 0 },
      { VDT_UByte, 4, 0, GLColor, 0, 0 },
      { VDT_Byte, 4, 0, GLTexCoord1, 0, 0 },
      { 0, 0, 0, 0, 0, 0 } },
    { { VDT_Float, 3, 0, GLVertex, 0, 0 },
      { VDT_Float, 1, 0, GLTexCoord0, 0, 0 },
      { VDT_UByte, 4, 0, GLColor, 0, 0 },
      { VDT_Byte, 4, 0, GLTexCoord1, 0, 0 },
      { 0, 0, 0, 0, 0, 0 } },
};
static ZNVertexDecl GQuadPointDecl(GPointElements[0], "VoxQuadPointDecl", VoxLayout_Quads * sizeof(VoxelPoint));
static ZNVertexDecl GTrianglePointDecl(GPointElements[1], "VoxTrianglePointDecl",
                                       VoxLayout_Triangles * sizeof(VoxelPoint));

ZNVertexDecl* VoxPointDecl(VoxSpriteLayout layout)
{
    return layout == VoxLayout_Quads ? &GQuadPointDecl : &GTrianglePointDecl;
}

void VoxBlock::DrawPointRange(UINT32 first, UINT32 count, bool reverse) const
{
    SetVertexDecl(VoxPointDecl((VoxSpriteLayout)Corners));
    SetVertexStream(0, VB, reinterpret_cast<const void*>((uintptr_t)first * sizeof(VoxelPoint)));
    const UINT32 sprites = count / Corners;
    if (reverse && sprites <= VoxReverseSprites)
    {
        // The last `sprites` entries of the descending list: sprites - 1 down to 0.
        const UINT32 skip = VoxReverseSprites - sprites;
        DrawIndexedRange(PT_Points, sprites, sprites, VDT_UShort, skip * (UINT32)sizeof(UINT16));
        return;
    }
    DrawPrimitives(PT_Points, sprites);
}

void VoxBlock::Draw(VoxDrawStats* stats) const
{
    if (VB && DrawCount)
    {
        DrawRange(0, DrawCount);
        if (stats)
        {
            ++stats->Leaves;
            stats->Sprites += DrawCount / Corners;
        }
    }
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            Ch[k]->Draw(stats);
}

ZNGpuBuffer* VoxCreateReverseIndices()
{
    ZNGpuBuffer*       indices = new ZNGpuBuffer(VMBT_Index, 0);
    ZNPodArray<UINT16> data;
    data.SetCount(VoxReverseSprites);
    for (UINT32 i = 0; i < VoxReverseSprites; ++i)
        data.Data()[i] = (UINT16)(VoxReverseSprites - 1 - i);
    indices->Append(data.Data(), data.Size() * (UINT32)sizeof(UINT16));
    indices->Upload();
    indices->Clear();
    return indices;
}

ZNGpuBuffer* VoxCreateSpriteIndices()
{
    ZNGpuBuffer*       indices = new ZNGpuBuffer(VMBT_Index, 0);
    ZNPodArray<UINT16> data;
    data.SetCount(2 * VoxQuadDrawSprites * VoxCornerCount);
    UINT16* out = data.Data();
    for (UINT32 s = 0; s < VoxQuadDrawSprites; ++s)
        for (UINT32 i = 0; i < VoxCornerCount; ++i)
            *out++ = (UINT16)(s * VoxLayout_Quads + VoxSpriteOrder[i]);
    for (UINT32 s = VoxQuadDrawSprites; s-- > 0;)
        for (UINT32 i = 0; i < VoxCornerCount; ++i)
            *out++ = (UINT16)(s * VoxLayout_Quads + VoxSpriteOrder[i]);
    indices->Append(data.Data(), data.Size() * (UINT32)sizeof(UINT16));
    indices->Upload();
    indices->Clear();
    return indices;
}

UINT32 VoxCliffFillCount(float height, float lowest, float size)
{
    // The k-th fill stands k spacings below the cell; the last one's bottom must
    // reach the lowest neighbour's centre.
    const float step = height - lowest - size * VoxFillReach;
    if (!(step > 0.0f) || !(size > 0.0f))
        return 0;
    const float n = ceilf(step / (size * VoxFillSpacing));
    return n < (float)VoxMaxCliffFill ? (UINT32)n : VoxMaxCliffFill;
}

void VoxCliffFillSprite(const VoxelPoint& cell, UINT32 k, VoxelPoint& out)
{
    out               = cell;
    const float depth = (float)k * cell.Size * VoxFillSpacing;
    out.Position[2]   = cell.Position[2] - depth;
    // Rock further down the face is a little darker, so the cliff reads as one.
    const float shade = 1.0f - VoxFillDarkening * std::min(1.0f, depth / VoxFillDarkeningDepth);
    for (UINT32 c = 0; c < 3; ++c)
        out.Color[c] = (UINT8)((float)cell.Color[c] * shade + 0.5f);
    out.Corner[2] = VoxFillMark;
}

const char* VoxPhaseName(VoxBuildPhase phase)
{
    return phase == VoxPhase_Reading ? "reading" : phase == VoxPhase_Tree ? "tree" : "buffers";
}

bool VoxReport(const VoxProgress* progress, VoxBuildPhase phase, float fraction)
{
    return !progress || !progress->Report || progress->Report(progress->Context, phase, fraction);
}

namespace
{
// Jobs [First, First + count) of a job function, for running a long loop in pieces.
struct JobPiece
{
    void (*Job)(void*, UINT32);
    void*  Context;
    UINT32 First;
};

void PieceJob(void* context, UINT32 index)
{
    const JobPiece& piece = *static_cast<JobPiece*>(context);
    piece.Job(piece.Context, piece.First + index);
}

// Runs the jobs on all cores a piece at a time, telling progress the share of
// the phase from `from` to `to` done after each; false when it asked to stop.
bool ParallelForInPieces(UINT32 jobs, void (*job)(void*, UINT32), void* context, const VoxProgress* progress,
                         float from, float to)
{
    // Sixteen pieces: a big world's piece is still many jobs for every core.
    const UINT32 piece = std::max(1u, (jobs + 15) / 16);
    for (UINT32 first = 0; first < jobs; first += piece)
    {
        JobPiece p = { job, context, first };
        ZNParallelFor(std::min(piece, jobs - first), PieceJob, &p);
        const float done = (float)std::min(jobs, first + piece) / (float)jobs;
        if (!VoxReport(progress, VoxPhase_Tree, from + (to - from) * done))
            return false;
    }
    return true;
}

// What the threads of a tree build share.
struct TreeBuild
{
    const ZNImage*         Height;
    const ZNImage*         Color;
    ZNVec3                 Min, Max;
    float                  VoxelSize;
    UINT32                 Nx, Ny;
    UINT32                 Depth;
    UINT32                 TopDepth;     // levels resolved before the threads take over
    bool                   FillCliffs;   // close the steps down to lower neighbours
    ZNPodArray<VoxelPoint> Cells;        // with FillCliffs: one sample per cell, row after row
    ZNPodArray<UINT32>     Fills;        //   then each cell's first entry in Samples (one more at the end)
    ZNPodArray<VoxelPoint> Samples;      // every sprite, row after row (a cell then its fill)
    ZNPodArray<UINT32>     Top;          // each sample's node TopDepth levels down
    ZNPodArray<UINT32>     Order;        // samples grouped by that node, in row order within it
    ZNPodArray<UINT32>     Start;        // first entry in Order of each such node (one more at the end)
    ZNPodArray<VoxBlock*>  Nodes;        // the node itself, null while it holds no sample
};

const UINT32 RowsPerJob = 16;

// The node TopDepth levels down, found with the arithmetic of Insert and Split so
// that every sample lands where a single-threaded insert puts it.
UINT32 TopNode(const TreeBuild& b, const VoxelPoint& pt)
{
    UINT32 node = 0;
    ZNVec3 lo = b.Min, hi = b.Max;
    for (UINT32 level = 0; level < b.TopDepth; ++level)
    {
        UINT32       k = 0;
        const ZNVec3 mid((lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f);
        for (UINT32 axis = 0; axis < 3; ++axis)
        {
            if (pt.Position[axis] >= mid[axis])
            {
                k |= 1u << axis;
                lo[axis] = mid[axis];
            }
            else
                hi[axis] = mid[axis];
        }
        node = node * 8 + k;
    }
    return node;
}

void SampleRowsJob(void* context, UINT32 job)
{
    TreeBuild&   b    = *static_cast<TreeBuild*>(context);
    const float  extX = b.Max.x - b.Min.x, extY = b.Max.y - b.Min.y, extZ = b.Max.z - b.Min.z;
    const float  du = 1.0f / (float)b.Nx, dv = 1.0f / (float)b.Ny;
    const float  hu = du * 0.5f, hv = dv * 0.5f;
    const UINT32 rowEnd = std::min(b.Ny, (job + 1) * RowsPerJob);
    for (UINT32 j = job * RowsPerJob; j < rowEnd; ++j)
    {
        const float v = (float)j * dv;
        for (UINT32 i = 0; i < b.Nx; ++i)
        {
            const float u  = (float)i * du;
            VoxelPoint& pt = (b.FillCliffs ? b.Cells : b.Samples).Data()[j * b.Nx + i];
            pt.Position[0] = b.Min.x + extX * (u + hu);
            pt.Position[1] = b.Min.y + extY * (v + hv);
            pt.Position[2] = b.Min.z + extZ * SampleBilinear(*b.Height, u, v).R;
            pt.Size        = b.VoxelSize;
            PackVoxelColor(SampleBilinear(*b.Color, u, v), pt.Color);
            memset(pt.Corner, 0, sizeof(pt.Corner));
            if (!b.FillCliffs)
                b.Top.Data()[j * b.Nx + i] = TopNode(b, pt);
        }
    }
}

// The lowest of the cell's four neighbours (itself at the grid's edge).
float LowestNeighbour(const TreeBuild& b, UINT32 i, UINT32 j)
{
    const VoxelPoint* s   = b.Cells.Data();
    float             low = s[j * b.Nx + i].Position[2];
    if (i > 0)
        low = std::min(low, s[j * b.Nx + i - 1].Position[2]);
    if (i + 1 < b.Nx)
        low = std::min(low, s[j * b.Nx + i + 1].Position[2]);
    if (j > 0)
        low = std::min(low, s[(j - 1) * b.Nx + i].Position[2]);
    if (j + 1 < b.Ny)
        low = std::min(low, s[(j + 1) * b.Nx + i].Position[2]);
    return low;
}

void CountFillsJob(void* context, UINT32 job)
{
    TreeBuild&   b      = *static_cast<TreeBuild*>(context);
    const UINT32 rowEnd = std::min(b.Ny, (job + 1) * RowsPerJob);
    for (UINT32 j = job * RowsPerJob; j < rowEnd; ++j)
        for (UINT32 i = 0; i < b.Nx; ++i)
        {
            const VoxelPoint& cell       = b.Cells.Data()[j * b.Nx + i];
            b.Fills.Data()[j * b.Nx + i] = VoxCliffFillCount(cell.Position[2], LowestNeighbour(b, i, j), cell.Size);
        }
}

// Each cell followed by the sprites that close its cliff, so the rows stay in order.
void ExpandFillsJob(void* context, UINT32 job)
{
    TreeBuild&   b     = *static_cast<TreeBuild*>(context);
    const UINT32 first = job * RowsPerJob * b.Nx;
    const UINT32 end   = std::min(b.Ny, (job + 1) * RowsPerJob) * b.Nx;
    for (UINT32 c = first; c < end; ++c)
    {
        const VoxelPoint& cell  = b.Cells.Data()[c];
        UINT32            at    = b.Fills.Data()[c];
        const UINT32      fills = b.Fills.Data()[c + 1] - at - 1;
        b.Samples.Data()[at]    = cell;
        b.Top.Data()[at]        = TopNode(b, cell);
        // A cell over a step parts from its neighbours at a slant as the fills do.
        const float step               = cell.Position[2] - LowestNeighbour(b, c % b.Nx, c / b.Nx);
        b.Samples.Data()[at].Corner[2] = fills || step > cell.Size * VoxSlantStep ? VoxSlantMark : 0;
        for (UINT32 k = 1; k <= fills; ++k)
        {
            VoxelPoint& pt = b.Samples.Data()[++at];
            VoxCliffFillSprite(cell, k, pt);
            b.Top.Data()[at] = TopNode(b, pt);
        }
    }
}

void FillSubtreeJob(void* context, UINT32 top)
{
    TreeBuild& b    = *static_cast<TreeBuild*>(context);
    VoxBlock*  node = b.Nodes[top];
    if (!node)
        return;
    for (UINT32 e = b.Start[top]; e < b.Start[top + 1]; ++e)
    {
        const VoxelPoint& pt = b.Samples.Data()[b.Order.Data()[e]];
        node->Insert(b.Depth - b.TopDepth, ZNVec3(pt.Position[0], pt.Position[1], pt.Position[2]), pt.Size, pt.Color,
                     pt.Corner[2]);
    }
}
}   // namespace

VoxBlock* BuildVoxelTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize, UINT32 depth, bool fillCliffs, UINT32* fillSprites,
                         const VoxProgress* progress)
{
    if (fillSprites)
        *fillSprites = 0;
    if (!height.Width || !height.Height || !color.Width || !color.Height)
        return nullptr;

    VoxBlock*    root   = VoxBlock::Create(min, max);
    const float  h      = voxelSize * 0.5f;
    const float  cellsX = ceilf((max.x - min.x) / h), cellsY = ceilf((max.y - min.y) / h);
    // Degenerate or inverted bounds give no cells rather than a huge unsigned count,
    // and a grid too big to index is refused the same way.
    const UINT32 nx = cellsX > 0.0f && cellsX <= 65536.0f ? (UINT32)cellsX : 0;
    const UINT32 ny = cellsY > 0.0f && cellsY <= 65536.0f ? (UINT32)cellsY : 0;
    if (!nx || !ny || (UINT64)nx * ny > VoxMaxSprites)
    {
        // Said once here: the caller sees only an empty world.
        if (cellsX > 0.0f && cellsY > 0.0f)
            PrintStdout("A world of %.0f x %.0f sprites is refused: more than %llu; the world stays empty\n", cellsX,
                        cellsY, (unsigned long long)VoxMaxSprites);
        return root;
    }

    TreeBuild b;
    b.Height             = &height;
    b.Color              = &color;
    b.Min                = min;
    b.Max                = max;
    b.VoxelSize          = voxelSize;
    b.Nx                 = nx;
    b.Ny                 = ny;
    b.Depth              = depth;
    b.TopDepth           = std::min(depth, 2u);
    b.FillCliffs         = fillCliffs;
    const UINT32 rowJobs = (ny + RowsPerJob - 1) / RowsPerJob;
    UINT32       total   = nx * ny;
    if (fillCliffs)
    {
        // Every cell is sampled before any fill is counted: a fill needs the heights
        // of the rows on both sides.
        b.Cells.SetCount(total);
        if (!ParallelForInPieces(rowJobs, SampleRowsJob, &b, progress, 0.0f, 0.4f))
        {
            VoxBlock::Delete(root);
            return nullptr;
        }
        b.Fills.SetCount(total + 1);
        ZNParallelFor(rowJobs, CountFillsJob, &b);
        UINT64 sum = 0;
        for (UINT32 c = 0; c <= total; ++c)
        {
            const UINT32 fills = c < total ? b.Fills.Data()[c] : 0;
            b.Fills.Data()[c]  = (UINT32)sum;
            sum += 1 + fills;
        }
        // Fills that would take the sprites past the grid's own limit (a map of
        // noise rather than terrain) are left out, and the world built as designed.
        if (sum - 1 > VoxMaxSprites)
        {
            b.FillCliffs = false;
            b.Cells.Clear();
            b.Fills.Clear();
        }
        else
            total = b.Fills.Data()[total];
    }
    b.Samples.SetCount(total);
    b.Top.SetCount(total);
    if (b.FillCliffs)
    {
        ZNParallelFor(rowJobs, ExpandFillsJob, &b);
        b.Cells.Clear();
        b.Fills.Clear();
        if (fillSprites)
            *fillSprites = total - nx * ny;
    }
    else if (!ParallelForInPieces(rowJobs, SampleRowsJob, &b, progress, 0.0f, 0.5f))
    {
        VoxBlock::Delete(root);
        return nullptr;
    }

    // Group the samples by their top node, keeping row order inside each group.
    const UINT32 tops = 1u << (3 * b.TopDepth);
    b.Start.SetCount(tops + 1);
    memset(b.Start.Data(), 0, (tops + 1) * sizeof(UINT32));
    for (UINT32 s = 0; s < total; ++s)
        ++b.Start.Data()[b.Top.Data()[s] + 1];
    for (UINT32 t = 0; t < tops; ++t)
        b.Start.Data()[t + 1] += b.Start.Data()[t];
    ZNPodArray<UINT32> fill;
    fill.SetCount(tops);
    memcpy(fill.Data(), b.Start.Data(), tops * sizeof(UINT32));
    b.Order.SetCount(total);
    for (UINT32 s = 0; s < total; ++s)
        b.Order.Data()[fill.Data()[b.Top.Data()[s]]++] = s;
    b.Top.Clear();

    // Split down to every top node that receives samples, as inserting them would.
    b.Nodes.SetCount(tops);
    for (UINT32 t = 0; t < tops; ++t)
    {
        b.Nodes[t] = nullptr;
        if (b.Start[t] == b.Start[t + 1])
            continue;
        VoxBlock* node = root;
        for (UINT32 level = 0; level < b.TopDepth; ++level)
        {
            if (!node->IsSplit())
                node->Split();
            node = node->Ch[(t >> (3 * (b.TopDepth - 1 - level))) & 7];
        }
        b.Nodes[t] = node;
    }
    if (!VoxReport(progress, VoxPhase_Tree, 0.6f))
    {
        VoxBlock::Delete(root);
        return nullptr;
    }
    ZNParallelFor(tops, FillSubtreeJob, &b);
    if (!VoxReport(progress, VoxPhase_Tree, 1.0f))
    {
        VoxBlock::Delete(root);
        return nullptr;
    }
    return root;
}

VoxBlock* LoadVoxelTree(const char* heightPath, const char* colorPath, UINT32 grid, bool fillCliffs,
                        UINT32* fillSprites, const VoxProgress* progress)
{
    if (fillSprites)
        *fillSprites = 0;
    if (!VoxReport(progress, VoxPhase_Reading, 0.0f))
        return nullptr;
    // The two maps decode side by side.
    struct Maps
    {
        const char* Paths[2];
        ZNImage     Images[2];
        bool        Loaded[2];
    } maps = { { heightPath, colorPath }, {}, { false, false } };
    ZNParallelFor(
        2,
        [](void* context, UINT32 i)
        {
            Maps& m     = *static_cast<Maps*>(context);
            m.Loaded[i] = LoadImageFile(m.Paths[i], m.Images[i]);
        },
        &maps);
    if (!maps.Loaded[0] || !maps.Loaded[1] || !VoxReport(progress, VoxPhase_Reading, 1.0f))
        return nullptr;
    const ZNImage& height = maps.Images[0];
    const ZNImage& color  = maps.Images[1];
    ZNVec3         min, max;
    VoxWorldBoundsForGrid(grid, min, max);
    return BuildVoxelTree(height, color, min, max, VoxVoxelSize, VoxTreeDepthForGrid(grid), fillCliffs, fillSprites,
                          progress);
}
