// VoxVisibility: frustum planes, hierarchical culling, ordering and level choice.
#include "VoxVisibility.h"

#include "ZNEngine.h"

#include <algorithm>
#include <math.h>
#include <string.h>

void VoxFrustumFromMatrix(const ZNMat4& m, VoxFrustum& out)
{
    // Clip-space conditions -w <= x, y, z <= w, each a plane from two matrix rows.
    const ZNVec4 r0(m.At(0, 0), m.At(0, 1), m.At(0, 2), m.At(0, 3));
    const ZNVec4 r1(m.At(1, 0), m.At(1, 1), m.At(1, 2), m.At(1, 3));
    const ZNVec4 r2(m.At(2, 0), m.At(2, 1), m.At(2, 2), m.At(2, 3));
    const ZNVec4 r3(m.At(3, 0), m.At(3, 1), m.At(3, 2), m.At(3, 3));
    const ZNVec4 planes[6] = { r3 + r0, r3 - r0, r3 + r1, r3 - r1, r3 + r2, r3 - r2 };
    for (UINT32 i = 0; i < 6; ++i)
    {
        const ZNVec4& p   = planes[i];
        const float   len = sqrtf(p.x * p.x + p.y * p.y + p.z * p.z);
        // A degenerate plane keeps everything rather than culling by a zero normal.
        out.Planes[i] = len > 0.0f ? p * (1.0f / len) : ZNVec4(0.0f, 0.0f, 0.0f, 1.0f);
    }
}

namespace
{
// The frame's planes as box tests read them: for each plane, which of a box's six
// coordinates (min x, y, z, then max x, y, z) its farthest and its nearest corner
// along the normal take on each axis. The choice depends on the plane alone, so it
// is made once a frame instead of at every box.
struct FramePlanes
{
    ZNVec4 N[6];         // as the frustum's
    UINT8  Far[6][3];    // the corner furthest along the normal: decides "outside"
    UINT8  Near[6][3];   // the nearest: decides "inside"
};
const UINT32 AllPlanes = 0x3Fu;

void PreparePlanes(const VoxFrustum& frustum, FramePlanes& out)
{
    for (UINT32 i = 0; i < 6; ++i)
    {
        const ZNVec4& p  = frustum.Planes[i];
        out.N[i]         = p;
        const float n[3] = { p.x, p.y, p.z };
        for (UINT32 a = 0; a < 3; ++a)
        {
            out.Far[i][a]  = (UINT8)(n[a] >= 0.0f ? 3 + a : a);
            out.Near[i][a] = (UINT8)(n[a] >= 0.0f ? a : 3 + a);
        }
    }
}

// The box (min x, y, z, max x, y, z) against the planes of mask; the others are
// known to hold it wholly inside (an enclosing box was). On return, when the box
// is not outside, mask holds the planes it straddles. The arithmetic is the same
// whatever the mask, so a verdict never depends on which planes were skipped.
inline VoxCullResult TestBox(const FramePlanes& planes, const float box[6], UINT32& mask)
{
    UINT32 straddled = 0;
    for (UINT32 i = 0; i < 6; ++i)
    {
        if (!(mask & (1u << i)))
            continue;
        const ZNVec4& p   = planes.N[i];
        const UINT8*  f   = planes.Far[i];
        const float   far = p.x * box[f[0]] + p.y * box[f[1]] + p.z * box[f[2]] + p.w;
        if (far < 0.0f)
            return VoxCull_Outside;
        const UINT8* n       = planes.Near[i];
        const float  nearest = p.x * box[n[0]] + p.y * box[n[1]] + p.z * box[n[2]] + p.w;
        if (nearest < 0.0f)
            straddled |= 1u << i;
    }
    mask = straddled;
    return straddled ? VoxCull_Straddles : VoxCull_Inside;
}

// The box from min to max grown by g on every side, as TestBox reads it.
inline void GrownBox(const ZNVec3& min, const ZNVec3& max, float g, float box[6])
{
    box[0] = min.x - g;
    box[1] = min.y - g;
    box[2] = min.z - g;
    box[3] = max.x + g;
    box[4] = max.y + g;
    box[5] = max.z + g;
}
}   // namespace

VoxCullResult VoxClassifyBox(const VoxFrustum& frustum, const ZNVec3& min, const ZNVec3& max)
{
    FramePlanes planes;
    PreparePlanes(frustum, planes);
    const float box[6] = { min.x, min.y, min.z, max.x, max.y, max.z };
    UINT32      mask   = AllPlanes;
    return TestBox(planes, box, mask);
}

static float BoxDistance(const ZNVec3& eye, const ZNVec3& min, const ZNVec3& max)
{
    float d2 = 0.0f;
    for (UINT32 axis = 0; axis < 3; ++axis)
    {
        const float below = min[axis] - eye[axis], above = eye[axis] - max[axis];
        const float d = below > 0.0f ? below : above > 0.0f ? above : 0.0f;
        d2 += d * d;
    }
    return sqrtf(d2);
}

// Distance from the eye to the farthest corner of the box.
static float FarthestDistance(const ZNVec3& eye, const ZNVec3& min, const ZNVec3& max)
{
    ZNVec3 corner;
    for (UINT32 axis = 0; axis < 3; ++axis)
        corner[axis] = std::max(fabsf(min[axis] - eye[axis]), fabsf(max[axis] - eye[axis]));
    return sqrtf(corner.x * corner.x + corner.y * corner.y + corner.z * corner.z);
}

float VoxSlantLimit(const ZNMat4& projection)
{
    const float t = std::min(1.0f / projection.At(0, 0), 1.0f / projection.At(1, 1));
    return sqrtf(2.0f * (1.0f + t * t));
}

// Level of detail at this distance for a leaf whose levels below `levels` have sprites.
static UINT32 LodLevel(UINT32 levels, float distance, const VoxDrawOptions& options)
{
    if (!options.Lod || !(options.LodDistance > 0.0f))
        return 0;
    UINT32 level = 0;
    // Level k from LodStep^(k-1) times the distance on. With a step of 2 a sprite
    // 2^k times as wide covers about as many pixels as the level before; the
    // shorter default step lets the haze, which grows with distance, hide the
    // coarser levels sooner.
    float  from = options.LodDistance;
    while (level + 1 < levels && distance >= from)
    {
        ++level;
        from *= options.LodStep;
    }
    return level;
}

// Levels from full detail on that have sprites, up to the first that has none.
static UINT32 LevelsOf(const VoxBlock& leaf)
{
    UINT32 levels = 1;
    while (levels < VoxLodLevels && leaf.LodCount[levels])
        ++levels;
    return levels;
}

UINT32 VoxLodLevelFor(const VoxBlock& leaf, float distance, const VoxDrawOptions& options)
{
    return LodLevel(LevelsOf(leaf), distance, options);
}

// Least view depth of the box: the near plane's normal is the view direction.
static float NearestViewDepth(const FramePlanes& planes, const ZNVec3& eye, const float box[6])
{
    const ZNVec4& f = planes.N[4];
    const UINT8*  n = planes.Near[4];
    return f.x * (box[n[0]] - eye.x) + f.y * (box[n[1]] - eye.y) + f.z * (box[n[2]] - eye.z);
}

// Whether the leaf's sprites come nearer the eye towards their end. They lie in
// rows along x in increasing y: seen mostly along y the rows decide, seen mostly
// along x the order inside each row.
static bool NearestLast(const ZNVec3& min, const ZNVec3& max, const ZNVec3& eye)
{
    const float dx = eye.x - 0.5f * (min.x + max.x), dy = eye.y - 0.5f * (min.y + max.y);
    return fabsf(dx) > fabsf(dy) ? dx > 0.0f : dy > 0.0f;
}

// Whether the box lies wholly inside every plane. The nearest corners decide, as
// they decide TestBox's "inside": a farthest corner is never nearer.
inline bool BoxInside(const FramePlanes& planes, const float box[6])
{
    for (UINT32 i = 0; i < 6; ++i)
    {
        const ZNVec4& p = planes.N[i];
        const UINT8*  n = planes.Near[i];
        if (p.x * box[n[0]] + p.y * box[n[1]] + p.z * box[n[2]] + p.w < 0.0f)
            return false;
    }
    return true;
}

// The form of a leaf with this cull box whose sprites at the chosen level reach
// `grow` beyond it and are at most `widest` wide. straddles says the cull box grown
// by `grow` is already known to reach across a plane.
static VoxDrawForm ChooseForm(const ZNVec3& cullMin, const ZNVec3& cullMax, float grow, float widest,
                              const FramePlanes& planes, const ZNVec3& eye, const VoxDrawOptions& options,
                              bool straddles)
{
    if (!options.Points || !(options.PointScale > 0.0f) || cullMin.x > cullMax.x)
        return VoxForm_Quads;
    const float cull[6] = { cullMin.x, cullMin.y, cullMin.z, cullMax.x, cullMax.y, cullMax.z };
    const float depth   = NearestViewDepth(planes, eye, cull);
    if (!(depth > 0.0f))
        return VoxForm_Quads;
    // Full-detail centres lie in the cull box. A coarser centre is a mean of finer
    // ones lowered to keep the ridge line, so it may sit below the box, but never
    // further out than the level's sprites reach beyond it (LodGrow); a unit more
    // keeps rounding in the clip test from dropping one at the edge.
    float box[6];
    GrownBox(cullMin, cullMax, 1.0f + grow, box);
    // A point grows by its slant, its distance over its view depth, up to
    // SlantLimit. The widest point unslanted and at the limit bound it, so the
    // slant itself (a root and a division) is worked out only between the two.
    const float size = widest * options.PointScale, room = options.MaxPointSize * depth;
    if (size > room)
        return VoxForm_Quads;
    if (size * std::max(options.SlantLimit, 1.0f) > room)
    {
        const float slant =
            std::min(options.SlantLimit,
                     FarthestDistance(eye, ZNVec3(box[0], box[1], box[2]), ZNVec3(box[3], box[4], box[5])) / depth);
        if (size * std::max(slant, 1.0f) > room)
            return VoxForm_Quads;
    }
    // The grown box holds the smaller one, so when that reaches across a plane
    // this one does too.
    if (!straddles && BoxInside(planes, box))
        return VoxForm_Points;
    // A dropped point of at most MaxPointSize pixels, its centre beyond the band,
    // cannot reach the viewport.
    return options.PointGuard >= options.MaxPointSize * 0.5f + 1.0f ? VoxForm_GuardedPoints : VoxForm_Quads;
}

VoxDrawForm VoxChooseForm(const VoxBlock& leaf, UINT32 level, const VoxFrustum& frustum, const ZNVec3& eye,
                          const VoxDrawOptions& options)
{
    FramePlanes planes;
    PreparePlanes(frustum, planes);
    return ChooseForm(leaf.CullMin, leaf.CullMax, leaf.LodGrow[level], leaf.LodWidest[level], planes, eye, options,
                      false);
}

namespace
{
bool IsEmpty(const VoxBlock* node)
{
    return node->CullMin.x > node->CullMax.x;
}

// Flattens the subtree of a node with sprites below it.
void Flatten(const VoxBlock* node, VoxCullList& out)
{
    // An empty box holds every box below it, so the whole subtree is empty.
    if (IsEmpty(node))
        return;
    const UINT32 leaf = out.Leaves.Size();
    if (node->DrawCount)
    {
        VoxCullLeaf l;
        l.CullMin = node->CullMin;
        l.CullMax = node->CullMax;
        l.Min     = node->Min;
        l.Max     = node->Max;
        l.Node    = node;
        l.Pool    = node->Pool;
        l.Levels  = LevelsOf(*node);
        out.Leaves.Add(l);
        for (UINT32 level = 0; level < VoxLodLevels; ++level)
        {
            VoxCullLevel v;
            v.Grow   = node->LodGrow[level];
            v.Widest = node->LodWidest[level];
            v.First  = node->PoolFirst + node->LodFirst[level];
            v.Count  = level ? node->LodCount[level] : node->DrawCount;
            out.Levels[level].Add(v);
        }
    }
    bool children = false;
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8 && !children; ++k)
            children = !IsEmpty(node->Ch[k]);
    if (node->DrawCount && !children)
    {
        out.Walk.Add(VoxCullAlone | leaf);
        return;
    }
    const UINT32 index = out.Nodes.Size();
    out.Walk.Add(index);
    VoxCullNode c;
    c.CullMin = node->CullMin;
    c.CullMax = node->CullMax;
    c.Grow    = 0.0f;
    for (UINT32 level = 0; level < VoxLodLevels; ++level)
        c.Grow = std::max(c.Grow, node->LodGrow[level]);
    c.End       = 0;
    c.LeafFirst = leaf | (node->DrawCount ? VoxCullOwn : 0);
    c.LeafEnd   = 0;
    out.Nodes.Add(c);
    if (children)
        for (UINT32 k = 0; k < 8; ++k)
            Flatten(node->Ch[k], out);
    out.Nodes[index].End     = out.Walk.Size();
    out.Nodes[index].LeafEnd = out.Leaves.Size();
}

struct Collector
{
    FramePlanes           Planes;
    ZNVec3                Eye;
    const VoxDrawOptions* Options;
    const VoxCullLeaf*    Leaves;
    const VoxCullLevel*   Levels[VoxLodLevels];
    VoxDrawItem*          Items;   // room for every leaf
    UINT32                Count;   // items kept

    // Adds leaf l unless its cull box, grown by its level's growth, is outside one
    // of the planes of mask (0: an ancestor lay wholly inside, so no test is needed).
    void Leaf(UINT32 l, UINT32 mask)
    {
        // Made in place: an item put together elsewhere and copied costs a
        // stall as wide loads wait for the narrow stores before them.
        const VoxCullLeaf& leaf   = Leaves[l];
        VoxDrawItem&       item   = Items[Count];
        item.Node                 = leaf.Node;
        item.Distance             = BoxDistance(Eye, leaf.Min, leaf.Max);
        item.Level                = LodLevel(leaf.Levels, item.Distance, *Options);
        const VoxCullLevel& level = Levels[item.Level][l];
        if (mask)
        {
            float box[6];
            GrownBox(leaf.CullMin, leaf.CullMax, level.Grow, box);
            if (TestBox(Planes, box, mask) == VoxCull_Outside)
                return;
        }
        // Tested or not, mask now holds the planes the leaf's box straddles.
        item.Form = ChooseForm(leaf.CullMin, leaf.CullMax, level.Grow, level.Widest, Planes, Eye, *Options, mask != 0);
        item.Reverse = Options->Order && NearestLast(leaf.Min, leaf.Max, Eye);
        item.Pool    = leaf.Pool;
        item.First   = level.First;
        item.Count   = level.Count;
        ++Count;
    }
};

// The order key of a distance: unsigned integers that sort as the floats do, both
// zeros alike.
inline UINT32 DistanceKey(float distance)
{
    UINT32 bits;
    memcpy(&bits, &distance, sizeof(bits));
    if (bits == 0x80000000u)
        bits = 0;
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}
}   // namespace

void VoxSortByDistance(ZNPodArray<VoxDrawItem>& items, VoxDrawScratch& scratch)
{
    const UINT32 n = items.Size();
    if (n < 2)
        return;
    // Key above, index below: a stable least-significant-digit radix sort of the
    // keys leaves equal keys in index order, as a stable comparison sort does.
    scratch.Keys.SetCount(n);
    scratch.Swap.SetCount(n);
    UINT64*      keys = scratch.Keys.Data();
    UINT64*      swap = scratch.Swap.Data();
    // Bytes: a frame has a few thousand items, and the counts of 256 buckets a
    // pass (and the 256 places a pass writes to) stay in the first-level cache.
    const UINT32 Bits = 8, Buckets = 1u << Bits, Passes = 4;
    UINT32       counts[Passes][Buckets];
    memset(counts, 0, sizeof(counts));
    for (UINT32 i = 0; i < n; ++i)
    {
        const UINT32 key = DistanceKey(items.Data()[i].Distance);
        keys[i]          = (UINT64)key << 32 | i;
        for (UINT32 pass = 0; pass < Passes; ++pass)
            ++counts[pass][(key >> (pass * Bits)) & (Buckets - 1)];
    }
    for (UINT32 pass = 0; pass < Passes; ++pass)
    {
        UINT32*      count = counts[pass];
        const UINT32 shift = 32 + pass * Bits;
        // A digit all keys share changes nothing (distances of one frame mostly
        // share their top bits).
        if (count[(keys[0] >> shift) & (Buckets - 1)] == n)
            continue;
        UINT32 at = 0;
        for (UINT32 b = 0; b < Buckets; ++b)
        {
            const UINT32 c = count[b];
            count[b]       = at;
            at += c;
        }
        for (UINT32 i = 0; i < n; ++i)
            swap[count[(keys[i] >> shift) & (Buckets - 1)]++] = keys[i];
        std::swap(keys, swap);
    }
    scratch.Items.SetCount(n);
    VoxDrawItem* sorted = scratch.Items.Data();
    for (UINT32 i = 0; i < n; ++i)
        sorted[i] = items.Data()[(UINT32)keys[i]];
    std::swap(items, scratch.Items);
}

void VoxBuildCullList(const VoxBlock* root, VoxCullList& out)
{
    out.Walk.SetCount(0);
    out.Nodes.SetCount(0);
    out.Leaves.SetCount(0);
    for (UINT32 level = 0; level < VoxLodLevels; ++level)
        out.Levels[level].SetCount(0);
    if (root)
        Flatten(root, out);
}

void VoxCollectDraws(const VoxCullList& list, const VoxFrustum& frustum, const ZNVec3& eye,
                     const VoxDrawOptions& options, ZNPodArray<VoxDrawItem>& items, VoxDrawScratch* scratch)
{
    const UINT32 leaves = list.Leaves.Size();
    items.SetCount(leaves);
    Collector c;
    PreparePlanes(frustum, c.Planes);
    c.Eye     = eye;
    c.Options = &options;
    c.Leaves  = list.Leaves.Data();
    for (UINT32 level = 0; level < VoxLodLevels; ++level)
        c.Levels[level] = list.Levels[level].Data();
    c.Items                  = items.Data();
    c.Count                  = 0;
    const UINT32*      walk  = list.Walk.Data();
    const VoxCullNode* nodes = list.Nodes.Data();
    const UINT32       count = list.Walk.Size();
    if (!options.Cull)
    {
        for (UINT32 l = 0; l < leaves; ++l)
            c.Leaf(l, 0);
    }
    // A node's box holds every box below it, its growth every growth below it, so
    // a plane it lies wholly inside of holds its whole subtree: below it only the
    // planes it straddles are tested. The subtrees being walked keep the planes
    // that were left to test beside them; one deeper than this keeps its parent's,
    // which are as sound, only more.
    const UINT32 Depth = 64;
    struct Open
    {
        UINT32 End;    // index just past the subtree
        UINT32 Mask;   // planes to test after it
    } open[Depth];
    UINT32 depth = 0, mask = AllPlanes;
    for (UINT32 i = 0; options.Cull && i < count;)
    {
        while (depth && i >= open[depth - 1].End)
            mask = open[--depth].Mask;
        const UINT32 at = walk[i];
        if (at & VoxCullAlone)
        {
            // A leaf alone: the box of its own level lies within the box of every
            // level, so testing it alone drops exactly what testing both would.
            c.Leaf(at & VoxCullIndex, mask);
            ++i;
            continue;
        }
        // Coarser sprites reach further: a subtree is tested with the growth of
        // the coarsest level any of its leaves may use, a leaf with its own level's.
        const VoxCullNode& n = nodes[at];
        float              box[6];
        GrownBox(n.CullMin, n.CullMax, options.Lod ? n.Grow : 0.0f, box);
        UINT32              straddled = mask;
        const VoxCullResult result    = TestBox(c.Planes, box, straddled);
        if (result == VoxCull_Outside)
        {
            i = n.End;
            continue;
        }
        if (result == VoxCull_Inside)
        {
            // Nothing below can be culled: the subtree's leaves, which lie together,
            // go in as they come.
            for (UINT32 l = n.LeafFirst & VoxCullIndex; l < n.LeafEnd; ++l)
                c.Leaf(l, 0);
            i = n.End;
            continue;
        }
        if (n.LeafFirst & VoxCullOwn)
            c.Leaf(n.LeafFirst & VoxCullIndex, straddled);
        if (n.End > i + 1 && depth < Depth)
        {
            open[depth++] = { n.End, mask };
            mask          = straddled;
        }
        ++i;
    }
    items.SetCount(c.Count);
    if (!options.Order)
        return;
    if (scratch)
        VoxSortByDistance(items, *scratch);
    else
    {
        VoxDrawScratch own;
        VoxSortByDistance(items, own);
    }
}

void VoxCollectDraws(const VoxBlock* root, const VoxFrustum& frustum, const ZNVec3& eye, const VoxDrawOptions& options,
                     ZNPodArray<VoxDrawItem>& items)
{
    VoxCullList list;
    VoxBuildCullList(root, list);
    VoxCollectDraws(list, frustum, eye, options, items);
}

void VoxDrawItems(const ZNPodArray<VoxDrawItem>& items, VoxDrawForm form, VoxDrawStats& stats)
{
    const bool points = form != VoxForm_Quads;
    for (UINT32 i = 0; i < items.Size(); ++i)
    {
        const VoxDrawItem& item = items.Data()[i];
        if (item.Form != form)
            continue;
        const VoxBlock& node  = *item.Node;
        const UINT32    first = node.LodFirst[item.Level];
        const UINT32    count = item.Level ? node.LodCount[item.Level] : node.DrawCount;
        if (points)
            node.DrawPointRange(first, count, item.Reverse);
        else
            node.DrawRange(first, count, item.Reverse);
        ++stats.Leaves;
        stats.Sprites += count / node.Corners;
        if (points)
            stats.Points += count / node.Corners;
    }
}
