// VoxBlock: octree of voxel sprites, their vertex data and the map sampling.
#include "VoxBlock.h"

#include "ZNEngine.h"

#include <algorithm>
#include <math.h>
#include <string.h>
#include <vector>

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

static inline UINT8 PackUnit(float v)
{
    // Written so that NaN lands on 0 instead of an undefined conversion.
    if (!(v > 0.0f))
        return 0;
    if (v > 1.0f)
        v = 1.0f;
    return (UINT8)(v * 255.0f);
}

// Inlined where every cell's colour is packed.
static inline void PackColor(const FloatPixel& c, UINT8 out[4])
{
    out[0] = PackUnit(c.R);
    out[1] = PackUnit(c.G);
    out[2] = PackUnit(c.B);
    out[3] = PackUnit(c.A);
}

void PackVoxelColor(const FloatPixel& c, UINT8 out[4])
{
    PackColor(c, out);
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

// Per axis: lower the minimum or, failing that, raise the maximum. Inlined in the
// tree build's loop over every sprite.
static inline void GrowBounds(ZNVec3& min, ZNVec3& max, const ZNVec3& q)
{
    for (UINT32 axis = 0; axis < 3; ++axis)
    {
        if (min[axis] > q[axis])
            min[axis] = q[axis];
        else if (max[axis] < q[axis])
            max[axis] = q[axis];
    }
}

void VoxBlock::Insert(UINT32 depth, const ZNVec3& p, float size, const UINT8 color[4], INT8 mark, UINT8 faces)
{
    const float z    = VoxDesignedHeight(p.z, size, mark);
    VoxBlock*   node = this;
    for (UINT32 level = 0; level < depth; ++level)
    {
        if (!node->IsSplit())
            node->Split();
        const ZNVec3 mid((node->Min.x + node->Max.x) * 0.5f, (node->Min.y + node->Max.y) * 0.5f,
                         (node->Min.z + node->Max.z) * 0.5f);
        const UINT32 k = (p.x >= mid.x ? 1u : 0u) + (p.y >= mid.y ? 2u : 0u) + (z >= mid.z ? 4u : 0u);
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
    pt.Corner[3] = (INT8)(faces & VoxFaceAll);
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
        v[i].Corner[3] = point.Corner[3];
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

// A block number's place in the order of block numbers packed as unsigned words
// (non-negative ones first, then the negative ones), counted from the first of
// the span [lo, hi] in that order.
static UINT32 BlockRank(INT32 v, INT32 lo, INT32 hi)
{
    if (lo < 0 && hi >= 0)
        return v >= 0 ? (UINT32)v : (UINT32)(hi + 1) + (UINT32)(v - lo);
    return (UINT32)(v - lo);
}

// Orders the keys (made in index order) as std::sort does, by key then index. A
// leaf's blocks span a small rectangle, so a counting sort over it is used when it
// is small next to the number of keys; the comparison sort otherwise.
static void SortBlockKeys(ZNPodArray<BlockKey>& keys, ZNPodArray<BlockKey>& sorted, ZNPodArray<UINT32>& counts)
{
    const UINT32 n = keys.Size();
    BlockKey*    k = keys.Data();
    if (!n)
        return;
    INT32 loX = (INT32)(UINT32)k[0].Key, hiX = loX, loY = (INT32)(k[0].Key >> 32), hiY = loY;
    for (UINT32 i = 1; i < n; ++i)
    {
        const INT32 x = (INT32)(UINT32)k[i].Key, y = (INT32)(k[i].Key >> 32);
        loX = std::min(loX, x);
        hiX = std::max(hiX, x);
        loY = std::min(loY, y);
        hiY = std::max(hiY, y);
    }
    const UINT64 spanX = (UINT64)((INT64)hiX - loX + 1), spanY = (UINT64)((INT64)hiY - loY + 1);
    if (spanX * spanY > 4ull * n + 256)
    {
        std::sort(k, k + n);
        return;
    }
    const UINT32 buckets = (UINT32)(spanX * spanY);
    const auto   bucket  = [&](const BlockKey& key) {
        return BlockRank((INT32)(key.Key >> 32), loY, hiY) * (UINT32)spanX +
               BlockRank((INT32)(UINT32)key.Key, loX, hiX);
    };
    counts.SetCount(buckets + 1);
    memset(counts.Data(), 0, (buckets + 1) * sizeof(UINT32));
    for (UINT32 i = 0; i < n; ++i)
        ++counts[bucket(k[i]) + 1];
    for (UINT32 b = 0; b < buckets; ++b)
        counts[b + 1] += counts[b];
    sorted.SetCount(n);
    for (UINT32 i = 0; i < n; ++i)
        sorted[counts[bucket(k[i])]++] = k[i];
    memcpy(k, sorted.Data(), n * sizeof(BlockKey));
}

// A point's cell: its centre's x and y in half sprite widths, rounded down. Block
// numbers are small (the world spans a few thousand units), so each fits 32 bits.
namespace
{
struct CellXY
{
    INT32 X, Y;
};
}   // namespace

// floorf of a cell coordinate as a whole number, without the library call for
// the ones a whole number holds (the truncation is exact there, and one below it
// when it rounded up).
static INT32 FloorCell(float q)
{
    if (!(fabsf(q) < 1073741824.0f))
        return (INT32)floorf(q);
    const INT32 t = (INT32)q;
    return (float)t > q ? t - 1 : t;
}

static CellXY PointCell(const VoxelPoint& p)
{
    // A tall cell lies in the cell it was designed for.
    const float cell = (VoxIsTall(p) ? p.Size / VoxTallScale : p.Size) * 0.5f;
    return { FloorCell(p.Position[0] / cell), FloorCell(p.Position[1] / cell) };
}

static void PointCells(const ZNPodArray<VoxelPoint>& points, ZNPodArray<CellXY>& cells)
{
    cells.SetCount(points.Size());
    CellXY*           out = cells.Data();
    const VoxelPoint* p   = points.Data();
    for (UINT32 i = 0; i < points.Size(); ++i)
        out[i] = PointCell(p[i]);
}

namespace
{
// The sprites of one block of a coarse level as they are merged: sums taken in
// the points' order, then the spread from their mean.
struct BlockSum
{
    float  Pos[3];     // sum of the centres
    UINT32 Color[4];   // sum of each channel
    float  Size;       // widest sprite
    UINT32 Count;      // sprites merged
    bool   Slant;      // any of them grows by the slant
    UINT8  Faces;      // every step face any of them closes
    float  Mean[3];    // mean centre, once all are added
    float  Spread2;    // squared distance of the farthest centre from the mean
    float  Top;        // highest top of a sprite, or the mean if higher
};

void StartBlock(BlockSum& s)
{
    s.Pos[0] = s.Pos[1] = s.Pos[2] = 0.0f;
    s.Color[0] = s.Color[1] = s.Color[2] = s.Color[3] = 0;
    s.Size                                            = 0.0f;
    s.Count                                           = 0;
    s.Slant                                           = false;
    s.Faces                                           = 0;
}

// The sprite as designed: a tall cell's designed cell (made in `scratch`), else itself.
static const VoxelPoint& AsDesigned(const VoxelPoint& p, VoxelPoint& scratch)
{
    if (!VoxIsTall(p))
        return p;
    VoxDesignedCell(p, scratch);
    return scratch;
}

void AddToBlock(BlockSum& s, const VoxelPoint& tallOrNot)
{
    VoxelPoint        designed;
    const VoxelPoint& q = AsDesigned(tallOrNot, designed);
    for (UINT32 a = 0; a < 3; ++a)
        s.Pos[a] += q.Position[a];
    for (UINT32 c = 0; c < 4; ++c)
        s.Color[c] += q.Color[c];
    s.Size  = std::max(s.Size, q.Size);
    s.Slant = s.Slant || VoxGrowsBySlant(q);
    s.Faces = (UINT8)(s.Faces | VoxStepFaces(q));
    ++s.Count;
}

void TakeMean(BlockSum& s)
{
    for (UINT32 a = 0; a < 3; ++a)
        s.Mean[a] = s.Pos[a] / (float)s.Count;
    s.Spread2 = 0.0f;
    s.Top     = s.Mean[2];
}

// A tall cell counts as designed: the block's sprite, two cells wide and more,
// reaches down over its first place as it does.
void AddSpread(BlockSum& s, const VoxelPoint& tallOrNot)
{
    VoxelPoint        designed;
    const VoxelPoint& q  = AsDesigned(tallOrNot, designed);
    float             d2 = 0.0f;
    for (UINT32 a = 0; a < 3; ++a)
        d2 += (q.Position[a] - s.Mean[a]) * (q.Position[a] - s.Mean[a]);
    s.Spread2 = std::max(s.Spread2, d2);
    s.Top     = std::max(s.Top, q.Position[2] + q.Size * 0.5f);
}

// The block's sprite. Wide enough to cover every merged sprite from any side: on
// steep ground the centres spread up and down and a plain 2^k-wide square would
// leave gaps. The square root rises with its argument, so the widest distance is
// the root of the widest square. Lowered to reach no higher than the highest
// merged sprite: a ridge keeps its outline against the sky instead of growing by
// half the extra width. The square spans their heights and a sprite more, so it
// still reaches down to the lowest.
void AppendBlock(const BlockSum& s, UINT32 level, bool noFills, UINT32 corners, ZNPodArray<VoxelPoint>& out)
{
    VoxelPoint merged;
    for (UINT32 a = 0; a < 3; ++a)
        merged.Position[a] = s.Mean[a];
    merged.Size        = std::max(s.Size * (float)(1u << level), s.Size + 2.0f * sqrtf(s.Spread2));
    merged.Position[2] = std::min(merged.Position[2], s.Top - merged.Size * 0.5f);
    for (UINT32 c = 0; c < 4; ++c)
        merged.Color[c] = (UINT8)((s.Color[c] + s.Count / 2) / s.Count);
    memset(merged.Corner, 0, sizeof(merged.Corner));
    // Standing in for marked sprites, it grows by the slant as they do.
    // Standing in for every face of them, it grows towards any.
    merged.Corner[2] = s.Slant && !noFills ? VoxSlantMark : 0;
    merged.Corner[3] = s.Slant && !noFills ? (INT8)s.Faces : 0;
    VoxAppendSprite(out, merged, corners);
}
}   // namespace

// Level k merges each 2^k x 2^k block of cells; cells are half a sprite wide, so the
// block of a centre is found from its position alone and the same in every leaf.
static void AppendCoarseLevel(const ZNPodArray<VoxelPoint>& points, const ZNPodArray<CellXY>& cells, UINT32 level,
                              UINT32 corners, ZNPodArray<BlockKey>& keys, ZNPodArray<BlockKey>& sorted,
                              ZNPodArray<UINT32>& counts, ZNPodArray<VoxelPoint>& out)
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
        // The block is 2^level cells: dividing by a power of two is exact in floats
        // and floor(floor(q) / 2^k) = floor(q / 2^k), so the shift of the cell gives
        // floor(x / block) as dividing by the block itself does. Block numbers are
        // packed as unsigned words, negative ones included.
        const UINT32 bx = (UINT32)(cells[i].X >> level);
        const UINT32 by = (UINT32)(cells[i].Y >> level);
        // Rows of blocks along x, in y order, as the finest level's sprites lie.
        k[n].Key   = ((UINT64)by << 32) | bx;
        k[n].Index = i;
        ++n;
    }
    keys.SetCount(n);
    SortBlockKeys(keys, sorted, counts);
    BlockSum sum;
    for (UINT32 first = 0; first < n;)
    {
        UINT32 last = first;
        while (last + 1 < n && k[last + 1].Key == k[first].Key)
            ++last;
        StartBlock(sum);
        for (UINT32 i = first; i <= last; ++i)
            AddToBlock(sum, p[k[i].Index]);
        TakeMean(sum);
        for (UINT32 i = first; i <= last; ++i)
            AddSpread(sum, p[k[i].Index]);
        AppendBlock(sum, level, noFills, corners, out);
        first = last + 1;
    }
}

// The same level when the cells' rows never decrease along the points, as a built
// tree lays them: the points of one row of blocks are then a run of their own, and
// each block's sums are taken in a pass over the run, in the points' order, as the
// sorted keys would take them; the blocks of a run go out by their packed x, the
// runs by their packed y (non-negative rows first). No sort. A run is found from
// the points' rows of cells (`rows`: where each begins, and the end), merged while
// they share a row of blocks, so no pass over the points looks for it.
static void AppendCoarseLevelOfRows(const ZNPodArray<VoxelPoint>& points, const ZNPodArray<CellXY>& cells,
                                    const ZNPodArray<UINT32>& rows, INT32 loX, INT32 hiX, UINT32 level, UINT32 corners,
                                    ZNPodArray<BlockSum>& slots, ZNPodArray<VoxelPoint>& out)
{
    const VoxelPoint* p        = points.Data();
    const CellXY*     c        = cells.Data();
    const UINT32*     row      = rows.Data();
    const UINT32      rowCount = rows.Size() - 1;
    const bool        noFills  = level >= VoxFillLevels;
    const INT32       lo = loX >> level, hi = hiX >> level;
    slots.SetCount((UINT32)((INT64)hi - lo) + 1);
    BlockSum*    slot      = slots.Data();
    const UINT32 slotCount = slots.Size();
    for (UINT32 s = 0; s < slotCount; ++s)
        slot[s].Count = 0;
    // Negative rows come after the others in the packed order: two rounds, of which
    // a leaf on one side of the axis needs one.
    const bool anyNegative = (c[row[0]].Y >> level) < 0;
    const bool anyOther    = (c[row[rowCount - 1]].Y >> level) >= 0;
    for (UINT32 round = anyOther ? 0 : 1; round < (anyNegative ? 2u : 1u); ++round)
        for (UINT32 r = 0; r < rowCount;)
        {
            const INT32 by   = c[row[r]].Y >> level;
            UINT32      next = r + 1;
            while (next < rowCount && (c[row[next]].Y >> level) == by)
                ++next;
            const UINT32 first = row[r], last = row[next];
            r = next;
            if ((by < 0) != (round == 1))
                continue;
            for (UINT32 i = first; i < last; ++i)
            {
                if (noFills && VoxIsFill(p[i]))
                    continue;
                BlockSum& sum = slot[BlockRank(c[i].X >> level, lo, hi)];
                if (!sum.Count)
                    StartBlock(sum);
                AddToBlock(sum, p[i]);
            }
            for (UINT32 s = 0; s < slotCount; ++s)
                if (slot[s].Count)
                    TakeMean(slot[s]);
            for (UINT32 i = first; i < last; ++i)
                if (!noFills || !VoxIsFill(p[i]))
                    AddSpread(slot[BlockRank(c[i].X >> level, lo, hi)], p[i]);
            for (UINT32 s = 0; s < slotCount; ++s)
                if (slot[s].Count)
                {
                    AppendBlock(slot[s], level, noFills, corners, out);
                    slot[s].Count = 0;
                }
        }
}

UINT64 VoxBlock::OwnSpriteBound() const
{
    const UINT32 count = Points.Size();
    if (!count)
        return 0;
    const VoxelPoint* p     = Points.Data();
    const CellXY      first = PointCell(p[0]);
    INT32             loX = first.X, hiX = first.X, loY = first.Y, hiY = first.Y;
    for (UINT32 i = 1; i < count; ++i)
    {
        const CellXY cell = PointCell(p[i]);
        loX               = std::min(loX, cell.X);
        hiX               = std::max(hiX, cell.X);
        loY               = std::min(loY, cell.Y);
        hiY               = std::max(hiY, cell.Y);
    }
    UINT64 bound = count;
    for (UINT32 level = 1; level < VoxLodLevels; ++level)
    {
        const UINT64 blocks =
            (UINT64)((INT64)(hiX >> level) - (loX >> level) + 1) * (UINT64)((INT64)(hiY >> level) - (loY >> level) + 1);
        bound += std::min<UINT64>(count, blocks);
    }
    return bound;
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
    if (layout == VoxLayout_Compact)
    {
        // One record a sprite: the point as it is, with its first corner's bytes.
        Vertices.SetCount(count);
        VoxelPoint* v = Vertices.Data();
        memcpy(v, Points.Data(), (size_t)count * sizeof(VoxelPoint));
        for (UINT32 i = 0; i < count; ++i)
        {
            v[i].Corner[0] = VoxCorners[VoxSpriteOrder[0]][0];
            v[i].Corner[1] = VoxCorners[VoxSpriteOrder[0]][1];
        }
    }
    else
        for (UINT32 i = 0; i < count; ++i)
            VoxAppendSprite(Vertices, Points.Data()[i], layout);
    LodCount[0] = Vertices.Size();
    ZNPodArray<BlockKey> keys, sorted;
    ZNPodArray<UINT32>   counts, rowStarts;
    ZNPodArray<CellXY>   cells;
    ZNPodArray<BlockSum> slots;
    PointCells(Points, cells);
    const CellXY* c    = cells.Data();
    bool          rows = true;
    INT32         loX = c[0].X, hiX = loX;
    rowStarts.Add(0);
    for (UINT32 i = 1; i < count && rows; ++i)
    {
        rows = c[i].Y >= c[i - 1].Y;
        loX  = std::min(loX, c[i].X);
        hiX  = std::max(hiX, c[i].X);
        if (c[i].Y != c[i - 1].Y)
            rowStarts.Add(i);
    }
    rowStarts.Add(count);
    // A row of blocks as wide as the leaf is four times its points at most; a
    // scattered leaf is sorted instead.
    rows = rows && (UINT64)((INT64)hiX - loX) < 4ull * count + 256;
    for (UINT32 level = 1; level < VoxLodLevels; ++level)
    {
        LodFirst[level] = Vertices.Size();
        if (rows)
            AppendCoarseLevelOfRows(Points, cells, rowStarts, loX, hiX, level, layout, slots, Vertices);
        else
            AppendCoarseLevel(Points, cells, level, layout, keys, sorted, counts, Vertices);
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

// Times any tree's cull bounds were computed; every layout change ends with it.
static std::atomic<UINT64> GCullBoundsEdits(0);

UINT64 VoxCullBoundsEdits()
{
    return GCullBoundsEdits.load();
}

void VoxBlock::ComputeCullBounds(bool own)
{
    ++GCullBoundsEdits;
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

UINT32 VoxCliffPlaces(float height, float lowest, float size)
{
    // Place k stands k spacings below the cell; the last one's bottom must reach
    // the lowest neighbour's centre.
    const float step = height - lowest - size * VoxFillReach;
    if (!(step > 0.0f) || !(size > 0.0f))
        return 0;
    const float n = ceilf(step / (size * VoxFillSpacing));
    return n < (float)VoxMaxCliffFill ? (UINT32)n : VoxMaxCliffFill;
}

void VoxCliffFillSprite(const VoxelPoint& cell, UINT32 k, VoxelPoint& out)
{
    out               = cell;
    const float depth = (float)(k + 1) * cell.Size * VoxFillSpacing;
    out.Position[2]   = cell.Position[2] - depth;
    // Rock further down the face is a little darker, so the cliff reads as one.
    const float shade = 1.0f - VoxFillDarkening * std::min(1.0f, depth / VoxFillDarkeningDepth);
    for (UINT32 c = 0; c < 3; ++c)
        out.Color[c] = (UINT8)((float)cell.Color[c] * shade + 0.5f);
    out.Corner[2] = VoxFillMark;
}

void VoxTallCell(const VoxelPoint& cell, VoxelPoint& out)
{
    out = cell;
    // The centre goes down by half the growth, so the top stays where it was.
    out.Size        = cell.Size * VoxTallScale;
    out.Position[2] = cell.Position[2] - cell.Size * (VoxTallScale - 1.0f) * 0.5f;
    out.Corner[2]   = (INT8)(cell.Corner[2] | VoxTallMark);
}

void VoxDesignedCell(const VoxelPoint& tall, VoxelPoint& out)
{
    out             = tall;
    out.Position[2] = VoxDesignedHeight(tall.Position[2], tall.Size, tall.Corner[2]);
    out.Size        = tall.Size / VoxTallScale;
    out.Corner[2]   = (INT8)(tall.Corner[2] & ~(VoxTallMark & ~VoxSlantMark));
}

UINT8 VoxColumnFaces(float height, const float neighbours[4], float size, UINT32 k)
{
    static const UINT8 bits[4] = { VoxFaceXPos, VoxFaceXNeg, VoxFaceYPos, VoxFaceYNeg };
    UINT8              faces   = 0;
    for (UINT32 d = 0; d < 4; ++d)
    {
        // A fill serves a face while its place is within those that face's step needs.
        const bool open =
            k ? k + 1 <= VoxCliffPlaces(height, neighbours[d], size) : height - neighbours[d] > size * VoxSlantStep;
        faces = (UINT8)(faces | (open ? bits[d] : 0));
    }
    return faces;
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
// A long loop's share of its phase, told to the build's progress.
struct PhaseShare
{
    const VoxProgress* Progress;
    float              From, To;   // the loop's part of the phase
    UINT32             Jobs;
    UINT32             Step;   // jobs between reports
    UINT32             Next;   //   and the count that gives the next one
    void (*Beside)(void*);     // the building thread's own work, until it has run
};

bool TellPhaseShare(void* context, UINT32 done)
{
    PhaseShare& share = *static_cast<PhaseShare*>(context);
    if (share.Beside)
    {
        void (*beside)(void*) = share.Beside;
        share.Beside          = nullptr;
        beside(share.Progress->Context);
    }
    if (done < share.Next && done < share.Jobs)
        return true;
    share.Next = done + share.Step;
    return VoxReport(share.Progress, VoxPhase_Tree, share.From + (share.To - share.From) * done / (float)share.Jobs);
}

// Runs the jobs on all cores, telling progress the share of the phase from `from`
// to `to` done about every 1/64 of them, from the calling thread while the others
// go on; false when it asked to stop. With beside, the progress's work for the
// building thread (Beside) runs there first, while the other cores start.
bool ParallelForTelling(UINT32 jobs, void (*job)(void*, UINT32), void* context, const VoxProgress* progress, float from,
                        float to, bool beside = false)
{
    if (!progress)
    {
        ZNParallelFor(jobs, job, context);
        return true;
    }
    PhaseShare share = { progress, from, to, jobs, std::max(1u, jobs / 64), 0, beside ? progress->Beside : nullptr };
    share.Next       = share.Step;
    return ZNParallelForWithProgress(jobs, job, context, TellPhaseShare, &share);
}

const UINT32 RowsPerJob = 16;

// One leaf of a tile: the path of its z octants and the sprites it takes.
struct TileLeaf
{
    UINT32                 ZPath;    // the leaf's side of each z split, the root's in the highest bit
    UINT32                 Count;    // sprites of the tile that land in it
    ZNVec3                 Min;      // the leaf's bounds as Split makes them, then grown by
    ZNVec3                 Max;      //   each of its sprites in turn, as inserting them grows them
    ZNPodArray<VoxelPoint> Points;   // its sprites in order, until the tree takes them
};

// Two pixels of a line and the weight of the second.
struct SampleTap
{
    UINT32 I0, I1;   // pixels either side
    float  F;        // weight of I1
};

// What the threads of a tree build share. A node's bounds along one axis depend
// only on its path along that axis, so a cell's x decides its path in x, its y its
// path in y: the cells of a leaf form a tile of whole column and row runs, split
// further in z only. Each tile fills its own leaves, apart from every other tile,
// in row order and each cell followed by its fills, as inserting the sprites one
// by one would; the tree then takes the filled arrays as they are.
struct TreeBuild
{
    const ZNGreyImage*                 Height;
    const ZNImage*                     Color;
    ZNVec3                             Min, Max;
    float                              VoxelSize;
    UINT32                             Nx, Ny;
    UINT32                             Depth;
    bool                               FillCliffs;    // close the steps down to lower neighbours
    ZNPodArray<float>                  Heights;       // each cell's centre z, row after row
    ZNPodArray<float>                  ColumnX;       // each column's centre x
    ZNPodArray<float>                  RowY;          // each row's centre y
    ZNPodArray<UINT32>                 ColumnPath;    // each column's path in x
    ZNPodArray<UINT32>                 RowPath;       // each row's path in y
    ZNPodArray<SampleTap>              ColorX;        // where each column samples the colour map
    ZNPodArray<SampleTap>              ColorY;        //   and each row
    ZNPodArray<SampleTap>              HeightX;       // the same for the height map
    ZNPodArray<SampleTap>              HeightY;       //   and each row
    ZNPodArray<float>                  GreyUnits;     // each 16-bit sample's value, 0..1
    ZNPodArray<float>                  ZLower;        // each z path's lower bound (empty for deep trees)
    float                              ZScale;        // z paths per unit of height
    ZNPodArray<UINT32>                 TileColumns;   // first column of each tile column (one more at the end)
    ZNPodArray<UINT32>                 TileRows;      // first row of each tile row (one more at the end)
    std::vector<std::vector<TileLeaf>> Tiles;         // each tile's leaves, tile row after tile row
    std::vector<UINT64>                TileFills;     // fill sprites of each tile
};

// The path of a coordinate `depth` halvings down from [lo, hi], the first halving
// in the highest bit, with the arithmetic of Split and Insert (a point on a middle
// plane goes to the upper half), so every sprite lands where inserting it would.
UINT32 AxisPath(float v, float lo, float hi, UINT32 depth)
{
    UINT32 path = 0;
    for (UINT32 level = 0; level < depth; ++level)
    {
        const float mid   = (lo + hi) * 0.5f;
        const bool  upper = v >= mid;
        path              = path * 2 + (upper ? 1u : 0u);
        (upper ? lo : hi) = mid;
    }
    return path;
}

// The bounds [lo, hi] halved along a path of `depth` steps, as Split halves them.
void AxisBounds(UINT32 path, UINT32 depth, float& lo, float& hi)
{
    for (UINT32 level = 0; level < depth; ++level)
    {
        const float mid                               = (lo + hi) * 0.5f;
        ((path >> (depth - 1 - level)) & 1 ? lo : hi) = mid;
    }
}

// Splits `paths` (monotonic) into runs of equal values: the first index of each, one more at the end.
void PathRuns(const ZNPodArray<UINT32>& paths, ZNPodArray<UINT32>& runs)
{
    runs.SetCount(0);
    for (UINT32 i = 0; i < paths.Size(); ++i)
        if (!i || paths[i] != paths[i - 1])
            runs.Add(i);
    runs.Add(paths.Size());
}

// Each cell's height with SampleGreyBilinear's arithmetic step for step, from the
// taps of its column and row and the samples read once through a table.
void SampleHeightsJob(void* context, UINT32 job)
{
    TreeBuild&    b      = *static_cast<TreeBuild*>(context);
    const float   extZ   = b.Max.z - b.Min.z;
    const UINT32  width  = b.Height->Width;
    const UINT16* p      = b.Height->Samples.Data();
    const float*  unit   = b.GreyUnits.Data();
    const UINT32  rowEnd = std::min(b.Ny, (job + 1) * RowsPerJob);
    for (UINT32 j = job * RowsPerJob; j < rowEnd; ++j)
    {
        const SampleTap& ty    = b.HeightY[j];
        const UINT16*    upper = p + (size_t)ty.I0 * width;
        const UINT16*    lower = p + (size_t)ty.I1 * width;
        float*           out   = b.Heights.Data() + (size_t)j * b.Nx;
        // A map without all its samples reads as 0 everywhere, as the sampler has it.
        if (b.Height->Samples.Size() < width * b.Height->Height)
        {
            for (UINT32 i = 0; i < b.Nx; ++i)
                out[i] = b.Min.z;
            continue;
        }
        for (UINT32 i = 0; i < b.Nx; ++i)
        {
            const SampleTap& tx = b.HeightX[i];
            const float      tl = unit[upper[tx.I0]], tr = unit[upper[tx.I1]];
            const float      bl = unit[lower[tx.I0]], br = unit[lower[tx.I1]];
            const float      top = tl + (tr - tl) * tx.F, bottom = bl + (br - bl) * tx.F;
            out[i] = b.Min.z + extZ * (top + (bottom - top) * ty.F);
        }
    }
}

// The lowest of the cell's four neighbours (itself at the grid's edge).
// The heights of the four neighbours in +x, -x, +y, -y (one off the grid at the
// cell's own) and the lowest of them and the cell.
float LowestNeighbour(const TreeBuild& b, UINT32 i, UINT32 j, float around[4])
{
    const float* z   = b.Heights.Data();
    const float  own = z[j * b.Nx + i];
    around[0]        = i + 1 < b.Nx ? z[j * b.Nx + i + 1] : own;
    around[1]        = i > 0 ? z[j * b.Nx + i - 1] : own;
    around[2]        = j + 1 < b.Ny ? z[(j + 1) * b.Nx + i] : own;
    around[3]        = j > 0 ? z[(j - 1) * b.Nx + i] : own;
    return std::min(std::min(own, around[0]), std::min(std::min(around[1], around[2]), around[3]));
}

// Where cell i of n samples a line of `pixels` pixels: SampleBilinear's pixels and
// weight at u = i / n, worked out once per column or row instead of per cell.
void BuildTaps(UINT32 n, UINT32 pixels, ZNPodArray<SampleTap>& taps)
{
    const auto clamp = [pixels](float v) {
        return !(v > 0.0f) ? 0u : v >= (float)(pixels - 1) ? pixels - 1 : (UINT32)v;
    };
    taps.SetCount(n);
    const float d = 1.0f / (float)n;
    for (UINT32 i = 0; i < n; ++i)
    {
        const float x = (float)(pixels - 1) * ((float)i * d);
        taps[i].F     = x - floorf(x);
        taps[i].I0    = clamp(floorf(x));
        taps[i].I1    = clamp(ceilf(x));
    }
}

// One channel of a packed colour word, 0..1.
float Channel(UINT32 c, UINT32 shift)
{
    return (float)((c >> shift) & 0xFF) * 0.003921569f;
}

// The colour map's two pixel rows about a row of cells, each blended along x for
// every column of a tile (four channels a column): the rows of cells between the
// same two pixel rows (all but one in each run when the grid is finer than the
// map) share them, and each cell then needs the blend along y alone.
struct ColorRows
{
    UINT32            Upper = ~0u, Lower = ~0u;   // the pixel rows blended, none yet
    UINT32            First = 0;                  // the tile's first column
    ZNPodArray<float> Top, Bottom;                // each column's blend of the upper and lower row
};

// Makes `rows` hold the blends along x for row j of cells over columns [first, end).
void BlendColorRows(const TreeBuild& b, UINT32 j, UINT32 first, UINT32 end, ColorRows& rows)
{
    const SampleTap& ty = b.ColorY[j];
    if (rows.Upper == ty.I0 && rows.Lower == ty.I1 && rows.First == first && rows.Top.Size() == 4 * (end - first))
        return;
    const ZNImage& image = *b.Color;
    const UINT32*  upper = image.Pixels.Data() + (size_t)ty.I0 * image.Width;
    const UINT32*  lower = image.Pixels.Data() + (size_t)ty.I1 * image.Width;
    rows.Upper           = ty.I0;
    rows.Lower           = ty.I1;
    rows.First           = first;
    rows.Top.SetCount(4 * (end - first));
    rows.Bottom.SetCount(4 * (end - first));
    float* top    = rows.Top.Data();
    float* bottom = rows.Bottom.Data();
    for (UINT32 i = first; i < end; ++i, top += 4, bottom += 4)
    {
        const SampleTap& tx = b.ColorX[i];
        const UINT32     tl = upper[tx.I0], tr = upper[tx.I1], bl = lower[tx.I0], br = lower[tx.I1];
        for (UINT32 k = 0; k < 4; ++k)
        {
            top[k]    = Channel(tl, 8 * k) + (Channel(tr, 8 * k) - Channel(tl, 8 * k)) * tx.F;
            bottom[k] = Channel(bl, 8 * k) + (Channel(br, 8 * k) - Channel(bl, 8 * k)) * tx.F;
        }
    }
}

// The colour map at cell (i, j), with SampleBilinear's arithmetic step for step
// (each channel on its own: along x in both pixel rows, then along y), so the
// colour is the one it gives. `rows` holds row j's blends along x (BlendColorRows)
// unless the map lacks pixels.
void CellColor(const TreeBuild& b, const ColorRows& rows, UINT32 i, UINT32 j, UINT8 out[4])
{
    const ZNImage& image = *b.Color;
    if (image.Pixels.Size() < image.Width * image.Height)
    {
        PackVoxelColor(SampleBilinear(image, (float)i * (1.0f / (float)b.Nx), (float)j * (1.0f / (float)b.Ny)), out);
        return;
    }
    const float  f      = b.ColorY[j].F;
    const float* top    = rows.Top.Data() + 4 * (i - rows.First);
    const float* bottom = rows.Bottom.Data() + 4 * (i - rows.First);
    FloatPixel   c;
    float*       channels[4] = { &c.R, &c.G, &c.B, &c.A };
    for (UINT32 k = 0; k < 4; ++k)
        *channels[k] = top[k] + (bottom[k] - top[k]) * f;
    PackColor(c, out);
}

// The cell's sprite; its colour only when asked (counting needs none), from the
// blends of its row (CellColor).
void CellSprite(const TreeBuild& b, const ColorRows* rows, UINT32 i, UINT32 j, VoxelPoint& pt)
{
    pt.Position[0] = b.ColumnX[i];
    pt.Position[1] = b.RowY[j];
    pt.Position[2] = b.Heights.Data()[j * b.Nx + i];
    pt.Size        = b.VoxelSize;
    memset(pt.Color, 0, sizeof(pt.Color));
    if (rows)
        CellColor(b, *rows, i, j, pt.Color);
    memset(pt.Corner, 0, sizeof(pt.Corner));
}

// The tile's leaf of a z path; the leaf found last is tried first, as neighbouring
// sprites mostly share one.
UINT32 FindTileLeaf(std::vector<TileLeaf>& leaves, UINT32 zPath, UINT32& last)
{
    if (last < leaves.size() && leaves[last].ZPath == zPath)
        return last;
    for (last = 0; last < leaves.size(); ++last)
        if (leaves[last].ZPath == zPath)
            return last;
    leaves.emplace_back();
    leaves.back().ZPath = zPath;
    leaves.back().Count = 0;
    return last;
}

// Calls visit(sprite) for every sprite of the tile in insertion order: row after
// row, each cell followed by its fills.
template <class Visit>
void ForEachTileSprite(const TreeBuild& b, UINT32 tile, bool color, Visit&& visit)
{
    const UINT32 tilesX = b.TileColumns.Size() - 1;
    const UINT32 tx = tile % tilesX, ty = tile / tilesX;
    const UINT32 first = b.TileColumns[tx], end = b.TileColumns[tx + 1];
    const bool   blend = color && b.Color->Pixels.Size() >= b.Color->Width * b.Color->Height;
    VoxelPoint   cell, fill;
    ColorRows    rows;
    for (UINT32 j = b.TileRows[ty]; j < b.TileRows[ty + 1]; ++j)
    {
        if (blend)
            BlendColorRows(b, j, first, end, rows);
        for (UINT32 i = first; i < end; ++i)
        {
            CellSprite(b, color ? &rows : nullptr, i, j, cell);
            if (!b.FillCliffs)
            {
                visit(cell);
                continue;
            }
            float        around[4];
            const float  lowest = LowestNeighbour(b, i, j, around);
            const UINT32 places = VoxCliffPlaces(cell.Position[2], lowest, cell.Size);
            // A cell over a step parts from its neighbours at a slant as the fills do.
            const float  step = cell.Position[2] - lowest;
            cell.Corner[2]    = places || step > cell.Size * VoxSlantStep ? VoxSlantMark : 0;
            cell.Corner[3]    = cell.Corner[2] ? (INT8)VoxColumnFaces(cell.Position[2], around, cell.Size, 0) : 0;
            if (places)
            {
                VoxTallCell(cell, fill);
                visit(fill);
            }
            else
                visit(cell);
            for (UINT32 k = 1; k < places; ++k)
            {
                VoxCliffFillSprite(cell, k, fill);
                fill.Corner[3] = (INT8)VoxColumnFaces(cell.Position[2], around, cell.Size, k);
                visit(fill);
            }
        }
    }
}

// The z path of a sprite. The leaves' lower z bounds, as Split makes them, rise
// from leaf to leaf along z, each the upper bound of the one below, so halving
// down to a leaf as AxisPath does finds the last leaf whose lower bound is at or
// below z: a guess from z's share of the height, moved to that leaf, finds the same.
UINT32 SpriteZPath(const TreeBuild& b, const VoxelPoint& pt)
{
    const float  z    = VoxDesignedHeight(pt.Position[2], pt.Size, pt.Corner[2]);
    const UINT32 last = b.ZLower.Size() - 1;
    if (!b.ZLower.Size() || !(z >= b.Min.z && z < b.Max.z))
        return AxisPath(z, b.Min.z, b.Max.z, b.Depth);
    const float* lower = b.ZLower.Data();
    UINT32       path  = std::min(last, (UINT32)((z - b.Min.z) * b.ZScale));
    while (path < last && lower[path + 1] <= z)
        ++path;
    while (path > 0 && lower[path] > z)
        --path;
    return path;
}

// Fills the leaves of one tile row: each tile's sprites in order into a scratch
// array with their leaves, then each leaf's array at its final size, in order.
void FillTilesJob(void* context, UINT32 tileRow)
{
    TreeBuild&              b      = *static_cast<TreeBuild*>(context);
    const UINT32            tilesX = b.TileColumns.Size() - 1;
    std::vector<VoxelPoint> sprites;
    std::vector<UINT32>     slots;
    for (UINT32 tile = tileRow * tilesX; tile < (tileRow + 1) * tilesX; ++tile)
    {
        std::vector<TileLeaf>& leaves = b.Tiles[tile];
        leaves.clear();
        sprites.clear();
        slots.clear();
        UINT32 last = 0;
        ForEachTileSprite(b, tile, true,
                          [&](const VoxelPoint& pt)
                          {
                              const UINT32 slot = FindTileLeaf(leaves, SpriteZPath(b, pt), last);
                              ++leaves[slot].Count;
                              sprites.push_back(pt);
                              slots.push_back(slot);
                          });
        const UINT32 tx = tile % tilesX, ty = tile / tilesX;
        b.TileFills[tile] = sprites.size() -
                            (UINT64)(b.TileColumns[tx + 1] - b.TileColumns[tx]) * (b.TileRows[ty + 1] - b.TileRows[ty]);
        for (TileLeaf& leaf : leaves)
        {
            leaf.Points.Reserve(leaf.Count);
            leaf.Min = b.Min;
            leaf.Max = b.Max;
            AxisBounds(b.ColumnPath[b.TileColumns[tx]], b.Depth, leaf.Min.x, leaf.Max.x);
            AxisBounds(b.RowPath[b.TileRows[ty]], b.Depth, leaf.Min.y, leaf.Max.y);
            AxisBounds(leaf.ZPath, b.Depth, leaf.Min.z, leaf.Max.z);
        }
        for (size_t i = 0; i < sprites.size(); ++i)
        {
            TileLeaf&         leaf = leaves[slots[i]];
            const VoxelPoint& pt   = sprites[i];
            const ZNVec3      p(pt.Position[0], pt.Position[1], pt.Position[2]);
            leaf.Points.Add(pt);
            GrowBounds(leaf.Min, leaf.Max, p - ZNVec3(pt.Size, pt.Size, pt.Size));
            GrowBounds(leaf.Min, leaf.Max, p + ZNVec3(pt.Size, pt.Size, pt.Size));
        }
    }
}

// Makes the tree down to every leaf the tiles filled, as inserting would (a split
// node has all eight children), and hands each its sprites and bounds.
void MakeLeaves(TreeBuild& b, VoxBlock* root)
{
    const UINT32 tilesX = b.TileColumns.Size() - 1;
    for (UINT32 tile = 0; tile < b.Tiles.size(); ++tile)
    {
        const UINT32 xPath = b.ColumnPath[b.TileColumns[tile % tilesX]];
        const UINT32 yPath = b.RowPath[b.TileRows[tile / tilesX]];
        for (TileLeaf& leaf : b.Tiles[tile])
        {
            VoxBlock* node = root;
            for (UINT32 level = 0; level < b.Depth; ++level)
            {
                if (!node->IsSplit())
                    node->Split();
                const UINT32 bit = b.Depth - 1 - level;
                node = node->Ch[((xPath >> bit) & 1) | ((yPath >> bit) & 1) << 1 | ((leaf.ZPath >> bit) & 1) << 2];
            }
            node->Points = std::move(leaf.Points);
            node->Min    = leaf.Min;
            node->Max    = leaf.Max;
        }
        b.Tiles[tile].clear();
    }
}
}   // namespace

VoxBlock* BuildVoxelTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize, UINT32 depth, bool fillCliffs, UINT32* fillSprites,
                         const VoxProgress* progress)
{
    ZNGreyImage heights;
    GreyFromRed(height, heights);
    return BuildVoxelTree(heights, color, min, max, voxelSize, depth, fillCliffs, fillSprites, progress);
}

VoxBlock* BuildVoxelTree(const ZNGreyImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
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
    b.Height     = &height;
    b.Color      = &color;
    b.Min        = min;
    b.Max        = max;
    b.VoxelSize  = voxelSize;
    b.Nx         = nx;
    b.Ny         = ny;
    b.Depth      = std::min(depth, VoxMaxTreeDepth);
    b.FillCliffs = fillCliffs;
    // The z bounds of every leaf path, for trees shallow enough to list them.
    b.ZScale = 0.0f;
    if (b.Depth <= 12 && max.z > min.z)
    {
        const UINT32 paths = 1u << b.Depth;
        b.ZLower.SetCount(paths);
        for (UINT32 path = 0; path < paths; ++path)
        {
            float lo = min.z, hi = max.z;
            AxisBounds(path, b.Depth, lo, hi);
            b.ZLower[path] = lo;
        }
        b.ZScale = (float)paths / (max.z - min.z);
    }
    // Cell centres and their paths in x and y, computed once per column and row.
    const float extX = max.x - min.x, extY = max.y - min.y;
    const float du = 1.0f / (float)nx, dv = 1.0f / (float)ny;
    b.ColumnX.SetCount(nx);
    b.ColumnPath.SetCount(nx);
    for (UINT32 i = 0; i < nx; ++i)
    {
        b.ColumnX[i]    = min.x + extX * ((float)i * du + du * 0.5f);
        b.ColumnPath[i] = AxisPath(b.ColumnX[i], min.x, max.x, b.Depth);
    }
    b.RowY.SetCount(ny);
    b.RowPath.SetCount(ny);
    for (UINT32 j = 0; j < ny; ++j)
    {
        b.RowY[j]    = min.y + extY * ((float)j * dv + dv * 0.5f);
        b.RowPath[j] = AxisPath(b.RowY[j], min.y, max.y, b.Depth);
    }
    BuildTaps(nx, color.Width, b.ColorX);
    BuildTaps(ny, color.Height, b.ColorY);
    BuildTaps(nx, height.Width, b.HeightX);
    BuildTaps(ny, height.Height, b.HeightY);
    b.GreyUnits.SetCount(65536);
    for (UINT32 v = 0; v < 65536; ++v)
        b.GreyUnits[v] = GreyUnit(v);
    PathRuns(b.ColumnPath, b.TileColumns);
    PathRuns(b.RowPath, b.TileRows);
    const UINT32 tileRows = b.TileRows.Size() - 1;
    b.Tiles.resize((size_t)(b.TileColumns.Size() - 1) * tileRows);
    b.TileFills.assign(b.Tiles.size(), 0);

    // Heights first: a cell's fills need the heights of the rows on both sides.
    b.Heights.SetCount(nx * ny);
    if (!ParallelForTelling((ny + RowsPerJob - 1) / RowsPerJob, SampleHeightsJob, &b, progress, 0.0f, 0.3f) ||
        !ParallelForTelling(tileRows, FillTilesJob, &b, progress, 0.3f, 0.95f, true))
    {
        VoxBlock::Delete(root);
        return nullptr;
    }
    UINT64 fills = 0;
    for (UINT64 f : b.TileFills)
        fills += f;
    // Fills that would take the sprites past the grid's own limit (a map of noise
    // rather than terrain) are left out, and the world built as designed.
    if (fills && (UINT64)nx * ny + fills > VoxMaxSprites)
    {
        b.FillCliffs = false;
        fills        = 0;
        ZNParallelFor(tileRows, FillTilesJob, &b);
    }
    b.Heights.Clear();
    MakeLeaves(b, root);
    if (!VoxReport(progress, VoxPhase_Tree, 1.0f))
    {
        VoxBlock::Delete(root);
        return nullptr;
    }
    if (fillSprites)
        *fillSprites = (UINT32)fills;
    return root;
}

bool LoadTerrainMaps(const char* heightPath, const char* colorPath, VoxTerrainMaps& maps, UINT32& failed, ZNString& why)
{
    struct Decode
    {
        const char*     Paths[2];
        VoxTerrainMaps& Maps;
        ZNString        Why[2];
    } decode = { { heightPath, colorPath }, maps, {} };
    ZNParallelFor(
        2,
        [](void* context, UINT32 i)
        {
            Decode&           d = *static_cast<Decode*>(context);
            ZNPodArray<UINT8> bytes;
            if (!ReadFileToArray(d.Paths[i], bytes))
            {
                d.Why[i] = "cannot be read";
                return;
            }
            const bool decoded =
                i == 0 ? LoadPngGreyFromMemory(bytes.begin(), bytes.Size(), d.Maps.Height, nullptr, &d.Why[0])
                       : LoadPngFromMemory(bytes.begin(), bytes.Size(), d.Maps.Color, nullptr, &d.Why[1]);
            const bool pixels =
                i == 0 ? d.Maps.Height.Width && d.Maps.Height.Height : d.Maps.Color.Width && d.Maps.Color.Height;
            if (!decoded && d.Why[i].Empty())
                d.Why[i] = "cannot be decoded";
            else if (decoded && !pixels)
                d.Why[i] = "holds no pixels";
        },
        &decode);
    for (UINT32 i = 0; i < 2; ++i)
        if (!decode.Why[i].Empty())
        {
            failed = i;
            why    = decode.Why[i];
            maps   = VoxTerrainMaps();
            return false;
        }
    return true;
}

VoxBlock* BuildVoxelTreeForGrid(const VoxTerrainMaps& maps, UINT32 grid, bool fillCliffs, UINT32* fillSprites,
                                const VoxProgress* progress)
{
    ZNVec3 min, max;
    VoxWorldBoundsForGrid(grid, min, max);
    return BuildVoxelTree(maps.Height, maps.Color, min, max, VoxVoxelSize, VoxTreeDepthForGrid(grid), fillCliffs,
                          fillSprites, progress);
}

VoxBlock* LoadVoxelTree(const char* heightPath, const char* colorPath, UINT32 grid, bool fillCliffs,
                        UINT32* fillSprites, const VoxProgress* progress)
{
    if (fillSprites)
        *fillSprites = 0;
    if (!VoxReport(progress, VoxPhase_Reading, 0.0f))
        return nullptr;
    VoxTerrainMaps maps;
    UINT32         failed = 0;
    ZNString       why;
    if (!LoadTerrainMaps(heightPath, colorPath, maps, failed, why))
    {
        PrintStdout("Image \"%s\": %s\n", failed ? colorPath : heightPath, why.CStr());
        return nullptr;
    }
    if (!VoxReport(progress, VoxPhase_Reading, 1.0f))
        return nullptr;
    return BuildVoxelTreeForGrid(maps, grid, fillCliffs, fillSprites, progress);
}
