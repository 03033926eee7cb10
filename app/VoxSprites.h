// VoxSprites: the compact sprite store. Each sprite of every level is kept once,
// in 16 bytes, and the vertex shader makes its corners (or its point) from the
// vertex index, so a world needs a sixth of the quad layout's memory and every
// leaf of one form goes out in one draw call.
//
//   VoxSpriteStore* store = VoxSpriteStore::Create(root);   // context current; fills the tree's ranges
//   store->PrepareDraws(items);                             // each frame, then for each form
//   store->DrawForm(VoxForm_Quads, stats);                  // compact sprite shader bound
//   VoxSpriteStore::Destroy(store);
//
// Guarantees: a sprite's centre is stored in 16-bit steps across the box of its
// leaf's sprites (all levels), its width in sixteenths of a unit rounded up, its
// colour, whether it grows by the slant (VoxSlantMark) and its step faces as they were. The tree's points stay as sampled, but its cull bounds are
// computed from the stored sprites as the shader reads them, so culling keeps
// every pixel. Sprites lie in pools (one GL buffer and buffer texture each) of at
// most VoxPoolSprites, a leaf's levels together in one pool; a draw makes one call
// per pool that has a leaf of the form, in the items' order inside it. Reversed
// leaves are drawn through the mirrored second half of the index range, so a
// reversed range costs no extra call.
#pragma once

#include "VoxVisibility.h"

// One sprite as the vertex shader reads it: one RGBA32UI texel.
struct VoxPackedSprite
{
    UINT16 Position[3];   // centre, 0..65535 from the leaf frame's origin by its steps
    UINT16 Size;          // width in sixteenths of a unit, rounded up
    UINT8  Color[4];      // red, green, blue, alpha
    UINT32 Leaf;          // the leaf's entry in the frame table (VoxPackedLeaf), with the marks
};
static_assert(sizeof(VoxPackedSprite) == 16, "one RGBA32UI texel a sprite");

// Where a leaf's 16-bit positions lie: two RGBA32F texels.
struct VoxLeafFrame
{
    float Origin[4];   // the lowest centre of the leaf's sprites (w unused)
    float Step[4];     // units per position step on each axis (w unused)
};

const UINT32 VoxPackedSlant     = 1u << 31;         // Leaf's top bit: the sprite grows by the slant
const UINT32 VoxPackedFaceShift = 27;               //   bits 27..30: its step faces (VoxStepFaces)
const UINT32 VoxPackedLeaf      = (1u << 27) - 1;   //   the rest: the leaf's entry in the frame table
const float  VoxSizeSteps       = 16.0f;            // size steps per unit
const UINT32 VoxPoolSprites     = 1u << 24;         // sprites of one pool at most (256 MB)

// The frame that holds every centre of the sprites (one per `stride` records).
void VoxLeafFrameFor(const VoxelPoint* sprites, UINT32 count, UINT32 stride, VoxLeafFrame& out);
// The sprite in its leaf's frame; position rounded to the nearest step, size up.
void VoxPackSprite(const VoxelPoint& in, const VoxLeafFrame& frame, UINT32 leaf, VoxPackedSprite& out);
// The sprite as the vertex shader reads it back (same arithmetic).
void VoxUnpackSprite(const VoxPackedSprite& in, const VoxLeafFrame& frame, VoxelPoint& out);

// The first index of a range of `count` sprites from `first` in a pool of `total`,
// drawn last sprite first: the shader reads index i >= total as 2 total - 1 - i.
inline UINT32 VoxMirroredFirst(UINT32 first, UINT32 count, UINT32 total)
{
    return 2 * total - (first + count);
}

// A store's first pool made ahead of the store: GL clears a new buffer on the
// thread with the context alone, a serial quarter second for a whole pool, so a
// caller opens it while other cores build the tree (VoxProgress::Beside) and
// hands it to Create.
struct VoxEarlyPool;
// Opens a whole pool's buffer when the tree will have at least leastPoints points
// (then its first pool is a whole pool); null otherwise. Context current.
VoxEarlyPool* VoxOpenEarlyPool(UINT64 leastPoints, UINT32 poolSprites = VoxPoolSprites, bool mapped = true);
// Deletes one that no store took; null is allowed. Context current.
void          VoxDropEarlyPool(VoxEarlyPool* early);

class VoxSpriteStore
{
public:
    struct Pool
    {
        UINT32 Buffer;    // GL buffer of the packed sprites
        UINT32 Texture;   // RGBA32UI buffer texture on it
        UINT32 Sprites;   // sprites it holds
    };
    ZNPodArray<Pool> Pools;          // in tree order of their leaves
    UINT32           FrameBuffer;    // GL buffer of the leaf frames
    UINT32           FrameTexture;   // RGBA32F buffer texture on it
    UINT64           Sprites;        // of every pool, all levels
    UINT64           Bytes;          // GL memory of pools and frames

    // Builds every leaf's levels on all cores, packs them into pools and uploads
    // them, setting each leaf's Pool, PoolFirst, level ranges (in sprites, Corners
    // 1), DrawCount and cull bounds. Needs the context current. poolSprites caps a
    // pool (tests make small pools to draw many). Progress hears of each batch of
    // leaves; when it stops the build the answer is null and nothing is kept.
    // Each pool's buffer is made once, no bigger than the sprites still to come
    // can fill, and, with mapped, every leaf is packed straight into it through a
    // mapping on all cores; without one (or when GL gives none, or the mapped
    // contents are lost) the leaves are packed into a processor copy that is then
    // uploaded, with the same contents. An early pool, when given, is taken (and
    // deleted) as the first pool when it fits, else let go; without one, the first
    // pool of a tree of a pool's worth of points is opened while other cores work.
    static VoxSpriteStore* Create(VoxBlock* root, UINT32 poolSprites = VoxPoolSprites,
                                  const VoxProgress* progress = nullptr, bool mapped = true,
                                  VoxEarlyPool* early = nullptr);
    // Deletes the GL objects; null is allowed. Context current.
    static void            Destroy(VoxSpriteStore* store);

    // Sorts the frame's items into the ranges of each form and pool, in the items'
    // order, in two passes over them for all forms.
    void PrepareDraws(const ZNPodArray<VoxDrawItem>& items);
    // Draws the prepared items of this form with the compact sprite shader of that
    // form bound (COMPACT, with POINTS for point forms): one call per pool; adds
    // what was drawn to stats.
    void DrawForm(VoxDrawForm form, VoxDrawStats& stats);
    // Both, for one form of a list drawn once.
    void DrawItems(const ZNPodArray<VoxDrawItem>& items, VoxDrawForm form, VoxDrawStats& stats);

private:
    VoxSpriteStore()  = default;
    ~VoxSpriteStore() = default;

    // The prepared ranges, kept between frames: form f of pool p has the ranges from
    // BucketFirst[b] to BucketEnd[b], b = f * pools + p.
    ZNPodArray<INT32>  Firsts;          // first vertex of each range
    ZNPodArray<INT32>  Counts;          // and its vertices
    ZNPodArray<UINT32> BucketFirst;     // each form and pool's first range (one more: the end)
    ZNPodArray<UINT32> BucketEnd;       //   and just past its last
    ZNPodArray<UINT32> BucketSprites;   //   the sprites of its items
    ZNPodArray<UINT32> BucketLeaves;    //   and its items (leaves) with sprites
};

// The layout of a compact draw: no vertex array, everything from the vertex index.
extern ZNVertexDecl VoxCompactDecl;
