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

VoxCullResult VoxClassifyBox(const VoxFrustum& frustum, const ZNVec3& min, const ZNVec3& max)
{
    VoxCullResult result = VoxCull_Inside;
    for (UINT32 i = 0; i < 6; ++i)
    {
        const ZNVec4& p = frustum.Planes[i];
        // The corner furthest along the normal decides "outside", the nearest "inside".
        const float   far = p.x * (p.x >= 0.0f ? max.x : min.x) + p.y * (p.y >= 0.0f ? max.y : min.y) +
                          p.z * (p.z >= 0.0f ? max.z : min.z) + p.w;
        if (far < 0.0f)
            return VoxCull_Outside;
        const float nearest = p.x * (p.x >= 0.0f ? min.x : max.x) + p.y * (p.y >= 0.0f ? min.y : max.y) +
                              p.z * (p.z >= 0.0f ? min.z : max.z) + p.w;
        if (nearest < 0.0f)
            result = VoxCull_Straddles;
    }
    return result;
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
static float NearestViewDepth(const VoxFrustum& frustum, const ZNVec3& eye, const ZNVec3& min, const ZNVec3& max)
{
    const ZNVec4& f = frustum.Planes[4];
    return f.x * ((f.x >= 0.0f ? min.x : max.x) - eye.x) + f.y * ((f.y >= 0.0f ? min.y : max.y) - eye.y) +
           f.z * ((f.z >= 0.0f ? min.z : max.z) - eye.z);
}

// Whether the leaf's sprites come nearer the eye towards their end. They lie in
// rows along x in increasing y: seen mostly along y the rows decide, seen mostly
// along x the order inside each row.
static bool NearestLast(const ZNVec3& min, const ZNVec3& max, const ZNVec3& eye)
{
    const float dx = eye.x - 0.5f * (min.x + max.x), dy = eye.y - 0.5f * (min.y + max.y);
    return fabsf(dx) > fabsf(dy) ? dx > 0.0f : dy > 0.0f;
}

// The form of a leaf with this cull box whose sprites at the chosen level reach
// `grow` beyond it and are at most `widest` wide.
static VoxDrawForm ChooseForm(const ZNVec3& cullMin, const ZNVec3& cullMax, float grow, float widest,
                              const VoxFrustum& frustum, const ZNVec3& eye, const VoxDrawOptions& options)
{
    if (!options.Points || !(options.PointScale > 0.0f) || cullMin.x > cullMax.x)
        return VoxForm_Quads;
    const float  depth = NearestViewDepth(frustum, eye, cullMin, cullMax);
    // Full-detail centres lie in the cull box. A coarser centre is a mean of finer
    // ones lowered to keep the ridge line, so it may sit below the box, but never
    // further out than the level's sprites reach beyond it (LodGrow); a unit more
    // keeps rounding in the clip test from dropping one at the edge.
    const float  reach = 1.0f + grow;
    const ZNVec3 margin(reach, reach, reach);
    // A point grows by its slant, its distance over its view depth (at most SlantLimit).
    const float slant = std::min(options.SlantLimit, FarthestDistance(eye, cullMin - margin, cullMax + margin) / depth);
    if (!(depth > 0.0f) || widest * options.PointScale * std::max(slant, 1.0f) > options.MaxPointSize * depth)
        return VoxForm_Quads;
    if (VoxClassifyBox(frustum, cullMin - margin, cullMax + margin) == VoxCull_Inside)
        return VoxForm_Points;
    // A dropped point of at most MaxPointSize pixels, its centre beyond the band,
    // cannot reach the viewport.
    return options.PointGuard >= options.MaxPointSize * 0.5f + 1.0f ? VoxForm_GuardedPoints : VoxForm_Quads;
}

VoxDrawForm VoxChooseForm(const VoxBlock& leaf, UINT32 level, const VoxFrustum& frustum, const ZNVec3& eye,
                          const VoxDrawOptions& options)
{
    return ChooseForm(leaf.CullMin, leaf.CullMax, leaf.LodGrow[level], leaf.LodWidest[level], frustum, eye, options);
}

namespace
{
bool IsEmpty(const VoxBlock* node)
{
    return node->CullMin.x > node->CullMax.x;
}

void Flatten(const VoxBlock* node, VoxCullList& out)
{
    // An empty box holds every box below it, so the whole subtree is empty.
    if (IsEmpty(node))
        return;
    const UINT32 at = out.Nodes.Size();
    VoxCullNode  c;
    c.CullMin = node->CullMin;
    c.CullMax = node->CullMax;
    c.Grow    = 0.0f;
    for (UINT32 level = 0; level < VoxLodLevels; ++level)
        c.Grow = std::max(c.Grow, node->LodGrow[level]);
    c.End  = 0;
    c.Leaf = VoxNoLeaf;
    if (node->DrawCount)
    {
        VoxCullLeaf leaf;
        leaf.Node   = node;
        leaf.Min    = node->Min;
        leaf.Max    = node->Max;
        leaf.Levels = LevelsOf(*node);
        memcpy(leaf.LodGrow, node->LodGrow, sizeof(leaf.LodGrow));
        memcpy(leaf.LodWidest, node->LodWidest, sizeof(leaf.LodWidest));
        leaf.Pool = node->Pool;
        for (UINT32 level = 0; level < VoxLodLevels; ++level)
        {
            leaf.First[level] = node->PoolFirst + node->LodFirst[level];
            leaf.Count[level] = level ? node->LodCount[level] : node->DrawCount;
        }
        c.Leaf = out.Leaves.Size();
        out.Leaves.Add(leaf);
    }
    out.Nodes.Add(c);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            Flatten(node->Ch[k], out);
    out.Nodes[at].End = out.Nodes.Size();
}

struct Collector
{
    const VoxFrustum*        Frustum;
    ZNVec3                   Eye;
    const VoxDrawOptions*    Options;
    ZNPodArray<VoxDrawItem>* Items;

    // Adds the leaf of node n; tested says its own box, grown by its level's
    // growth, must still be checked (no ancestor lay wholly inside).
    void Leaf(const VoxCullNode& n, const VoxCullLeaf& leaf, bool tested)
    {
        VoxDrawItem item;
        item.Node        = leaf.Node;
        item.Distance    = BoxDistance(Eye, leaf.Min, leaf.Max);
        item.Level       = LodLevel(leaf.Levels, item.Distance, *Options);
        const float grow = leaf.LodGrow[item.Level];
        if (tested)
        {
            const ZNVec3 g(grow, grow, grow);
            if (VoxClassifyBox(*Frustum, n.CullMin - g, n.CullMax + g) == VoxCull_Outside)
                return;
        }
        item.Form    = ChooseForm(n.CullMin, n.CullMax, grow, leaf.LodWidest[item.Level], *Frustum, Eye, *Options);
        item.Reverse = Options->Order && NearestLast(leaf.Min, leaf.Max, Eye);
        item.Pool    = leaf.Pool;
        item.First   = leaf.First[item.Level];
        item.Count   = leaf.Count[item.Level];
        Items->Add(item);
    }
};
}   // namespace

void VoxBuildCullList(const VoxBlock* root, VoxCullList& out)
{
    out.Nodes.SetCount(0);
    out.Leaves.SetCount(0);
    if (root)
        Flatten(root, out);
}

void VoxCollectDraws(const VoxCullList& list, const VoxFrustum& frustum, const ZNVec3& eye,
                     const VoxDrawOptions& options, ZNPodArray<VoxDrawItem>& items)
{
    items.SetCount(0);
    Collector c;
    c.Frustum                 = &frustum;
    c.Eye                     = eye;
    c.Options                 = &options;
    c.Items                   = &items;
    const VoxCullNode* nodes  = list.Nodes.Data();
    const VoxCullLeaf* leaves = list.Leaves.Data();
    const UINT32       count  = list.Nodes.Size();
    for (UINT32 i = 0; i < count;)
    {
        const VoxCullNode& n      = nodes[i];
        VoxCullResult      result = VoxCull_Inside;
        if (options.Cull)
        {
            // Coarser sprites reach further: a subtree is tested with the growth of
            // the coarsest level any of its leaves may use, a leaf with its own level's.
            const float  grow = options.Lod ? n.Grow : 0.0f;
            const ZNVec3 g(grow, grow, grow);
            result = VoxClassifyBox(frustum, n.CullMin - g, n.CullMax + g);
            if (result == VoxCull_Outside)
            {
                i = n.End;
                continue;
            }
        }
        if (result == VoxCull_Inside)
        {
            // Nothing below can be culled: the subtree's leaves go in as they come.
            for (UINT32 j = i; j < n.End; ++j)
                if (nodes[j].Leaf != VoxNoLeaf)
                    c.Leaf(nodes[j], leaves[nodes[j].Leaf], false);
            i = n.End;
            continue;
        }
        if (n.Leaf != VoxNoLeaf)
            c.Leaf(n, leaves[n.Leaf], true);
        ++i;
    }
    if (options.Order)
        std::stable_sort(items.begin(), items.end(),
                         [](const VoxDrawItem& a, const VoxDrawItem& b) { return a.Distance < b.Distance; });
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
