// VoxVisibility: which leaves of the voxel tree a frame draws, in which order and
// at which level of detail.
//
//   VoxCullList list;
//   VoxBuildCullList(root, list);                       // once the tree's cull bounds are final
//   VoxFrustum frustum;
//   VoxFrustumFromMatrix(world->View.Projection * world->View.View, frustum);
//   VoxCollectDraws(list, frustum, world->View.Position, options, items, &scratch);   // per frame
//   VoxDrawItems(items, VoxForm_Quads, stats);          // sprite shader bound
//   VoxDrawItems(items, VoxForm_Points, stats);         // point shader bound
//   VoxDrawItems(items, VoxForm_GuardedPoints, stats);  // and the grown viewport
//
// Guarantees: culling drops a subtree only when its cull bounds (every sprite at
// every level, however it turns) lie wholly outside one plane of the frustum, so
// no pixel a sprite would cover is lost. Without ordering the leaves come in the
// tree's index order, as the full draw visits them; with ordering nearest first by
// the distance from the eye to their bounds, ties kept in index order, and inside
// each leaf forwards or last first, whichever brings the sprites nearer the eye
// first. Full detail is drawn wherever level of detail is off or a leaf is nearer
// than the distance.
// A leaf is drawn as points only when its widest sprite stays within the largest
// point GL draws. GL drops a point whose centre is outside the clip volume, however
// wide it is, so a leaf some centre of which may be outside the frustum is drawn
// in a second point pass through a viewport grown by a guard band of half that
// width (and a projection shrunk to match, so every pixel lands where it did): a
// dropped point then cannot reach the screen. Without a band such leaves, and the
// ones too near, are drawn as quads. Near and far planes treat points and quads
// alike: a sprite has one view depth.
#pragma once

#include "VoxBlock.h"

// Six planes (left, right, bottom, top, near, far) as (n, w): a point p is on the
// inner side when Dot(n, p) + w >= 0; n has unit length, so that is a distance.
struct VoxFrustum
{
    ZNVec4 Planes[6];
};

// The planes of the clip volume of viewProj (projection times view).
void VoxFrustumFromMatrix(const ZNMat4& viewProj, VoxFrustum& out);

enum VoxCullResult : INT32
{
    VoxCull_Outside   = 0,   // wholly outside one plane
    VoxCull_Straddles = 1,   // maybe partly inside
    VoxCull_Inside    = 2,   // wholly inside all six planes
};
VoxCullResult VoxClassifyBox(const VoxFrustum& frustum, const ZNVec3& min, const ZNVec3& max);

struct VoxDrawOptions
{
    bool  Cull        = true;      // skip subtrees outside the frustum
    bool  Order       = true;      // nearest leaves first
    bool  Lod         = true;      // coarser sprites for far leaves
    float LodDistance = 1200.0f;   // level 1 from here,
    float LodStep     = 1.5f;      //   each further level from this many times as far
    bool  Points      = true;      // leaves that allow it drawn as point sprites
    // Filled by the caller for each frame: the pixels a sprite one unit wide covers
    // at one unit of view depth (0: no points), the widest point GL draws and the
    // guard band of the second point pass in pixels (0: none).
    float PointScale   = 0.0f;
    float MaxPointSize = 0.0f;
    float PointGuard   = 0.0f;
    float SlantLimit   = 1.0f;   // the most the sprite shader grows a sprite seen at a slant
};

// How a leaf is drawn.
enum VoxDrawForm : UINT8
{
    VoxForm_Quads         = 0,
    VoxForm_Points        = 1,   // every centre in view
    VoxForm_GuardedPoints = 2,   // in the pass with the guard band
};
const UINT32 VoxFormCount = 3;

// One leaf to draw.
struct VoxDrawItem
{
    const VoxBlock* Node;
    UINT32          Level;      // level of detail
    float           Distance;   // from the eye to the leaf's bounds, 0 inside
    VoxDrawForm     Form;
    bool            Reverse;   // sprites last first, so the ones nearest the eye come first
    UINT32          Pool;      // the compact store's pool of its sprites
    UINT32          First;     //   and the level's first sprite there (PoolFirst + LodFirst)
    UINT32          Count;     // the level's sprites (vertices in the other layouts)
};

// The most the sprite shader may grow a sprite seen at a slant (its "SlantLimit")
// under this projection while culling stays exact: the centre of a culled sprite
// of width w lies at least w / sqrt 2 outside a side plane of the view (its cull
// box holds the sprite turned any way); grown k times the sprite reaches
// k w cos(a) / 2 across that plane, a being the plane's half angle, so up to
// k = sqrt 2 / cos(a) of the narrower axis it stays outside.
float VoxSlantLimit(const ZNMat4& projection);

// Level of detail of a leaf at this distance (only levels the leaf has).
UINT32 VoxLodLevelFor(const VoxBlock& leaf, float distance, const VoxDrawOptions& options);

// How the leaf at this level is drawn (see above).
VoxDrawForm VoxChooseForm(const VoxBlock& leaf, UINT32 level, const VoxFrustum& frustum, const ZNVec3& eye,
                          const VoxDrawOptions& options);

// The tree's nodes that hold sprites somewhere below them, flattened in the order
// the full draw visits them, each with the end of its subtree: a frame walks one
// array instead of chasing pointers through nodes spread over the heap, and steps
// over a subtree wholly outside (or emits one wholly inside) in one move. What a
// frame needs of a leaf to place it is copied beside it, so choosing the leaves
// reads no node at all. The records are small and split by use: a place of the
// walk is one word, a leaf's record (its own cull box with it) 64 bytes and its
// level's 16 more, and only the other nodes (those with children, about a quarter
// in a terrain's tree) have a node record, packed together, so the few the walk
// reads lie close. A subtree wholly inside reads no node below it, only its
// leaves, which lie together.
struct VoxCullNode
{
    ZNVec3 CullMin;   // the node's cull box
    ZNVec3 CullMax;
    float  Grow;        // the most any level of the subtree reaches beyond it
    UINT32 End;         // place just past the subtree
    UINT32 LeafFirst;   // the subtree's leaves (VoxCullOwn: the first is the node's own)
    UINT32 LeafEnd;     //   and just past them
};
const UINT32 VoxCullAlone = 0x80000000u;   // Walk: a leaf without children, the rest its index
const UINT32 VoxCullOwn   = 0x80000000u;   // LeafFirst: the node draws sprites of its own
const UINT32 VoxCullIndex = 0x7FFFFFFFu;
struct VoxCullLeaf
{
    ZNVec3          CullMin;   // its cull box, as its node's
    ZNVec3          CullMax;
    ZNVec3          Min;   // its bounds, for the distance and the sprite order
    ZNVec3          Max;
    const VoxBlock* Node;
    UINT32          Pool;     // as the node's
    UINT32          Levels;   // levels below this one have sprites
};
static_assert(sizeof(VoxCullLeaf) <= 64, "one culling leaf a cache line");
// What a leaf needs of the one level it draws.
struct VoxCullLevel
{
    float  Grow;     // as the node's LodGrow
    float  Widest;   //   and LodWidest
    UINT32 First;    // PoolFirst + LodFirst
    UINT32 Count;    // the level's count (level 0: DrawCount)
};
struct VoxCullList
{
    ZNPodArray<UINT32>       Walk;                   // preorder, empty subtrees left out: the
                                                     //   entry in Nodes, or VoxCullAlone and a leaf
    ZNPodArray<VoxCullNode>  Nodes;                  // the nodes with children, in the same order
    ZNPodArray<VoxCullLeaf>  Leaves;                 // the nodes that draw, in the same order
    ZNPodArray<VoxCullLevel> Levels[VoxLodLevels];   // each level of every leaf, a level apart
};

// Flattens the tree (null: an empty list). The list reads the cull bounds, growths
// and draw counts as they are now: rebuild it after they change.
void VoxBuildCullList(const VoxBlock* root, VoxCullList& out);

// What ordering the items needs from frame to frame, kept by the caller so a
// frame allocates nothing.
struct VoxDrawScratch
{
    ZNPodArray<UINT64>      Keys;    // each item's distance key over its index
    ZNPodArray<UINT64>      Swap;    //   and the other half of each sorting pass
    ZNPodArray<VoxDrawItem> Items;   // the items in their new order
};

// Sorts the items nearest first; items at the same distance keep their order.
// A radix sort of the distances' bits: the order a stable sort by Distance gives.
void VoxSortByDistance(ZNPodArray<VoxDrawItem>& items, VoxDrawScratch& scratch);

// Fills items (emptied first) with the leaves to draw; scratch, when given, keeps
// the ordering's arrays between frames.
void VoxCollectDraws(const VoxCullList& list, const VoxFrustum& frustum, const ZNVec3& eye,
                     const VoxDrawOptions& options, ZNPodArray<VoxDrawItem>& items, VoxDrawScratch* scratch = nullptr);
// The same from the tree itself, flattening it first (for one-off queries).
void VoxCollectDraws(const VoxBlock* root, const VoxFrustum& frustum, const ZNVec3& eye, const VoxDrawOptions& options,
                     ZNPodArray<VoxDrawItem>& items);

// One bind and one draw per item of the given form, in the items' order; adds
// what was drawn to stats. Points honour Reverse, with the descending index list
// (VoxCreateReverseIndices) bound by the caller.
void VoxDrawItems(const ZNPodArray<VoxDrawItem>& items, VoxDrawForm form, VoxDrawStats& stats);
