// VoxBlock: the voxel terrain's sparse octree and the sampling that fills it.
//
//   VoxBlock* root = BuildVoxelTree(heightImage, colourImage, WorldMin, WorldMax, VoxelSize, depth);
//   root->BuildVertexBuffers(true);     // six vertices per sprite, one GL buffer per leaf
//   root->Draw();                       // one bind and one draw per leaf with points
//   VoxBlock::Delete(root);
//
// Guarantees: every point lives in a node exactly `depth` levels below the root
// (interior nodes hold none); a node is split when Ch[0] is set and then all eight
// children exist. A leaf's bounds are grown to contain the full cube of each of its
// points, so they may overhang its octant by up to the voxel size. The tree built on
// several threads is the one a single thread builds: same nodes, same point order.
//
// A leaf's vertex buffer holds its sprites at full detail first (DrawCount vertices
// from the start) and then the coarser levels. In the six-vertex layout each sprite
// is its two triangles, drawn as they are; in the quad layout each sprite is its four
// corners, drawn through the shared sprite index buffer (VoxCreateSpriteIndices) as
// the same two triangles, so the pixels are the same from a third less vertex
// memory (73 MB less in the 1024 x 1024 world). Level k merges the sprites of each
// 2^k x 2^k block of grid cells into one sprite of their mean colour, 2^k times as
// wide or, on steep ground, as wide as it takes to cover every merged sprite, at
// their mean position lowered until it reaches no higher than the highest of them.
// Cull bounds enclose every sprite of a subtree at every level, however the sprite
// turns to face the camera.
//
// A camera-facing square is what a GL point sprite is, so a leaf can also be drawn
// as points from the same buffer (DrawPointRange): one vertex per sprite, read with
// a stride of the whole sprite, which the point shader sizes to the square's pixels.
// Every level lies in rows along x, in increasing y; drawn in reverse (through the
// shared descending index list, VoxCreateReverseIndices) the rows come in
// decreasing y, so either way the rows nearest the eye can come first.
//
// The tree and its vertex data are built on the processor without any GL call, so
// they can be made and checked without a window; GL buffers are created only when
// BuildVertexBuffers is asked to upload, and the CPU copy of the vertices is then
// released (the points are kept, so the vertices can always be rebuilt).
#pragma once

#include "ZNEngine.h"

class VoxBlock;
class ZNGpuBuffer;
class ZNImage;
class ZNGreyImage;
struct ZNVertexDecl;
struct FloatPixel;

// One sprite, and also one vertex of the "VVDecl" layout (24 bytes).
struct VoxelPoint
{
    float Position[3];   // sprite centre, world units
    float Size;          // sprite width, world units
    UINT8 Color[4];      // red, green, blue, alpha
    INT8  Corner[4];     // (0, 0, mark, faces) in a stored point; (x, y, mark, faces) with x, y = +-1 in a vertex
};
static_assert(sizeof(VoxelPoint) == 24, "VoxelPoint is the 24-byte vertex of VVDecl");

// World constants of the demo.
extern const ZNVec3 VoxWorldMin;   // (-1000, -1000, 0)
extern const ZNVec3 VoxWorldMax;   // (1000, 1000, 600)
const float         VoxVoxelSize   = 10.0f;
const UINT32        VoxTreeDepth   = 5;
const UINT32        VoxCornerCount = 6;     // vertices per sprite: two triangles
const UINT32        VoxDefaultGrid = 400;   // sprites per side of the default world
const UINT32        VoxMinGrid     = 16;
const UINT32        VoxMaxGrid     = 4096;
const UINT32        VoxLodLevels   = 5;              // full detail and four coarser levels
const UINT64        VoxMaxSprites  = 0x4000000ull;   // the most sprites one tree is built with

// Vertices per sprite in a leaf's buffer.
enum VoxSpriteLayout : UINT32
{
    VoxLayout_Triangles = 6,   // two triangles, drawn as they are
    VoxLayout_Quads     = 4,   // four corners, drawn through the sprite index buffer
    VoxLayout_Compact   = 1,   // one record, packed into a sprite store (VoxSprites.h)
};
// Sprites one draw of the quad layout covers: the index buffer's 16-bit indices
// reach 4 x 16384 vertices; longer runs are drawn in pieces of this many.
const UINT32 VoxQuadDrawSprites = 16384;

// The world of an N x N grid keeps the default world's sprite spacing (half a voxel)
// and height, so a bigger grid is more terrain, not finer terrain: N = 400 gives
// the default bounds.
void   VoxWorldBoundsForGrid(UINT32 grid, ZNVec3& min, ZNVec3& max);
// Tree depth for an N x N grid: leaves about 12.5 cells wide up to the default
// grid (depth 5 at 400), about 25 cells wide beyond it and never shallower than the
// default tree (depth 5 at 1024, 7 at 4096).
UINT32 VoxTreeDepthForGrid(UINT32 grid);

// Every node of the subtree, the root first, in the order the full draw visits them.
void VoxCollectNodes(VoxBlock* root, ZNPodArray<VoxBlock*>& out);

// Corner bytes of vertex k (0..3) of a sprite: (1,-1), (-1,-1), (-1,1), (1,1).
extern const INT8   VoxCorners[4][2];
// The two triangles of a sprite as corners: (0, 1, 2) and (2, 3, 0).
extern const UINT32 VoxSpriteOrder[VoxCornerCount];
// Appends the sprite's vertices: six in triangle order (VoxLayout_Triangles) or
// the four corners in order (VoxLayout_Quads).
void                VoxAppendSprite(ZNPodArray<VoxelPoint>& out, const VoxelPoint& point, UINT32 corners);

// Clamps each component to 0..1 (NaN counts as 0), scales by 255 and truncates.
void PackVoxelColor(const FloatPixel& c, UINT8 out[4]);

// What one draw of the tree put on screen: leaves drawn and the sprites in them.
struct VoxDrawStats
{
    UINT32 Leaves  = 0;
    UINT32 Sprites = 0;
    UINT32 Points  = 0;   // of those sprites, the ones drawn as point sprites
    UINT32 Fills   = 0;   // cliff fill sprites of the whole world, drawn or not
};

class VoxBlock
{
public:
    VoxBlock*              Ch[8];   // children; all null or all set
    ZNVec3                 Min;     // bounds, grown by Insert at the leaves
    ZNVec3                 Max;
    ZNPodArray<VoxelPoint> Points;                    // sprites of this node (leaves only)
    ZNPodArray<VoxelPoint> Vertices;                  // built vertices until they are uploaded
    ZNGpuBuffer*           VB;                        // vertex buffer, created by the first upload
    UINT32                 Pool;                      // compact layout: the store's pool of its sprites
    UINT32                 PoolFirst;                 //   and its first sprite there
    UINT32                 DrawCount;                 // full-detail vertices at the start of VB
    UINT32                 Corners;                   // vertices per sprite: a VoxSpriteLayout
    UINT32                 LodFirst[VoxLodLevels];    // first vertex of each level (level 0 at 0)
    UINT32                 LodCount[VoxLodLevels];    // vertices of each level (level 0: DrawCount)
    ZNVec3                 CullMin;                   // every full-detail sprite of the subtree, as it
    ZNVec3                 CullMax;                   //   may turn; min > max when the subtree is empty
    float                  LodGrow[VoxLodLevels];     // how far the sprites of each level
                                                      //   reach beyond that box (level 0: 0)
    float                  LodWidest[VoxLodLevels];   // widest sprite of each level of this
                                                      //   node's own (0 without points)

    static VoxBlock* Create(const ZNVec3& min, const ZNVec3& max);
    // Deletes the node, its subtree and their GL buffers; null is allowed.
    static void      Delete(VoxBlock* node);

    bool IsSplit() const { return Ch[0] != nullptr; }

    // Makes the eight octant children (child k: upper half in x for bit 1, in y for
    // bit 2, in z for bit 4). Splitting a split node is reported and changes nothing.
    void Split();
    // Descends `depth` levels (splitting as needed; points on a middle plane go to
    // the upper child), appends the point there with its mark (VoxSlantMark,
    // VoxFillMark) and step faces (VoxStepFaces) and grows that node's bounds.
    void Insert(UINT32 depth, const ZNVec3& p, float size, const UINT8 color[4], INT8 mark = 0, UINT8 faces = 0);
    // Rebuilds the six-vertex sprites of every node, all levels of detail, and the
    // cull bounds; with upload, moves them into each node's GL buffer (needs the
    // context current). The processor work is spread over all cores.
    void BuildVertexBuffers(bool upload, VoxSpriteLayout layout = VoxLayout_Triangles);
    // The vertices of this node alone (full detail then the coarser levels) into
    // Vertices, with LodFirst, LodCount and Corners; no GL call, safe on any thread.
    void BuildOwnVertices(VoxSpriteLayout layout = VoxLayout_Triangles);
    // CullMin, CullMax, LodGrow and LodWidest of this node's own sprites: the box
    // from its full-detail sprites as built (while Vertices holds them) or its points, the growth and widths from its built coarser levels (or,
    // while none are built, from the widest they can be on level ground); empty
    // without points.
    void ComputeOwnCullBounds();
    // The same for the whole subtree, each node's box and growth holding its
    // children's. With own false, nodes with points keep the values they have.
    void ComputeCullBounds(bool own = true);
    // Draws this subtree at full detail with the vertex declaration already set
    // (and, for the quad layout, the sprite index buffer), adding what it drew to
    // stats when given.
    void Draw(VoxDrawStats* stats = nullptr) const;
    // Draws `count` vertices of this node's buffer from vertex `first` (whole
    // sprites of its layout), as Draw does; with reverse, in the quad layout, last
    // sprite first.
    void DrawRange(UINT32 first, UINT32 count, bool reverse = false) const;
    // The same sprites as points, one per sprite, with the point shader bound: sets
    // the point layout of this node's vertices (VoxPointDecl) itself. With reverse
    // (and the descending index list bound) last sprite first; a range of more
    // than VoxReverseSprites sprites is drawn forwards.
    void DrawPointRange(UINT32 first, UINT32 count, bool reverse = false) const;

    // Nodes of all trees made by Create and not yet deleted, for leak checks.
    static INT64 LiveNodes();

    // Tree statistics, for checks and measurements.
    UINT32 CountPoints() const;
    UINT32 CountNodesWithPoints() const;
    // The most sprites BuildOwnVertices can make of this node's points, all levels:
    // each coarser level has no more than the points, nor than the blocks their
    // cells span.
    UINT64 OwnSpriteBound() const;

private:
    VoxBlock()  = default;
    ~VoxBlock() = default;
};

// How many times any tree's cull bounds were computed (ComputeCullBounds, which
// every vertex build and sprite store ends with): a copy taken of what a tree
// draws and where is stale once this has moved.
UINT64 VoxCullBoundsEdits();

// Cliffs. The terrain is a shell of sprites, so where a cell stands well above a
// neighbour, a view from above looks past the neighbour's top and under the cell's
// sprite into the empty mountain, and the sky shows through. A step of a sprite
// already opens at the side view; half a sprite opens at 45 degrees down (the
// start view). Such a step is closed down to where the column's bottom reaches
// the centre of the lowest of the four neighbours, in places VoxFillSpacing sprites
// apart below the cell (overlapping, so the rounded corners leave no pinholes).
// The cell's own sprite covers the first place: it grows to VoxTallScale sprites,
// its top where it was (a tall cell), as a software renderer pays for every sprite
// and most steps need one place. Fill sprites in the column cover the rest, one a
// place. They are sprites of the tree, so the point and quad forms, the first
// coarser level and the cull bounds take them in as they take the cells; the levels
// from VoxFillLevels on are the designed world's.
const float  VoxFillSpacing = 0.5f;                    // sprite heights between places
const float  VoxTallScale   = 1.0f + VoxFillSpacing;   // a tall cell's width in sprites
const float  VoxFillReach   = 0.5f;                    // a column's bottom reaches this many sprite
                                                       //   heights under its lowest neighbour's top
const float  VoxFillDarkening      = 0.3f;             // the fill's colour is this much darker
const float  VoxFillDarkeningDepth = 120.0f;           //   at this depth below the cell and deeper
const UINT32 VoxMaxCliffFill       = 4096;             // places under one cell at most
const UINT32 VoxFillLevels         = 2;                // levels of detail below this merge the fills;
                                                       //   from it on a sprite is four cells wide and
                                                       //   more and spans their steps without them
// Fill sprites, the cells over a step of more than VoxSlantStep sprite heights and
// the first coarser level's sprites that merge either carry VoxSlantMark in
// Corner[2]: only they grow by the slant in the sprite shader, as only their
// columns part towards the sides of the view; the rest of the terrain keeps its
// size, as growth is paid for in area on a software renderer.
const INT8   VoxSlantMark = 1;                  // grows by the slant
const INT8   VoxFillMark  = 2 | VoxSlantMark;   // a fill sprite (which grows)
const INT8   VoxTallMark  = 4 | VoxSlantMark;   // a tall cell (which grows)
const float  VoxSlantStep = 0.3f;               // sprite heights down to the lowest neighbour
inline bool  VoxGrowsBySlant(const VoxelPoint& p)
{
    return (p.Corner[2] & VoxSlantMark) != 0;
}
inline bool VoxIsFill(const VoxelPoint& p)
{
    return (p.Corner[2] & VoxFillMark) == VoxFillMark;
}
inline bool VoxIsTall(const VoxelPoint& p)
{
    return (p.Corner[2] & VoxTallMark) == VoxTallMark;
}
// The height a sprite of this centre, width and mark stands for: a tall cell's
// designed centre (which also chooses its leaf, as for the designed cell), or z.
inline float VoxDesignedHeight(float z, float size, INT8 mark)
{
    return (mark & VoxTallMark) == VoxTallMark ? z + size / VoxTallScale * (VoxTallScale - 1.0f) * 0.5f : z;
}
// The faces of a step a marked sprite closes, one bit per neighbour that lies lower,
// in Corner[3]. A face of a heightfield shows only to an eye on its lower side; seen
// from behind every one of its faces the sprite is hidden by the terrain in front of
// it, so the sprite shader keeps it at its own size there. A marked sprite without
// faces always grows.
const UINT8  VoxFaceXPos = 1;   // towards the neighbour in +x
const UINT8  VoxFaceXNeg = 2;   // in -x
const UINT8  VoxFaceYPos = 4;   // in +y
const UINT8  VoxFaceYNeg = 8;   // in -y
const UINT8  VoxFaceAll  = 15;
inline UINT8 VoxStepFaces(const VoxelPoint& p)
{
    return (UINT8)p.Corner[3] & VoxFaceAll;
}
// The faces sprite k of a column closes (0: the cell itself, over a step of more than
// VoxSlantStep; k >= 1: its k-th fill, as deep as that neighbour's step needs it), from
// the heights of the neighbours in +x, -x, +y and -y (a missing one at the cell's own).
UINT8  VoxColumnFaces(float height, const float neighbours[4], float size, UINT32 k);
// Places under a cell of this height whose lowest neighbour is at `lowest`: the cell
// is tall when there is one, and has a fill sprite for each further one.
UINT32 VoxCliffPlaces(float height, float lowest, float size);
// The k-th fill sprite (1 = the first, in the second place) under the cell, marked
// as a fill.
void   VoxCliffFillSprite(const VoxelPoint& cell, UINT32 k, VoxelPoint& out);
// The cell grown down over its first place, its top kept, marked tall (with its
// other marks); and back. The two are exact for the sprite widths a world is built
// with, so the coarse levels merge the cell as designed.
void   VoxTallCell(const VoxelPoint& cell, VoxelPoint& out);
void   VoxDesignedCell(const VoxelPoint& tall, VoxelPoint& out);

// The phases of a world build, in order, as a progress report names them.
enum VoxBuildPhase : UINT32
{
    VoxPhase_Reading = 0,   // decoding the two maps
    VoxPhase_Tree    = 1,   // sampling them and filling the tree
    VoxPhase_Buffers = 2,   // the sprites' levels, packed and uploaded
};
const char* VoxPhaseName(VoxBuildPhase phase);   // "reading", "tree", "buffers"

// Told on the building thread as a build goes, between the jobs it runs itself
// (fraction 0..1 of the phase); answering false stops the build, which then
// leaves nothing behind.
// Beside, when set, is work of the caller's own that only the building thread
// may do (GL calls): BuildVoxelTree runs it at most once, there, while the other
// cores fill the tree (a build stopped or refused before that does not run it).
struct VoxProgress
{
    bool (*Report)(void* context, VoxBuildPhase phase, float fraction);
    void* Context;
    void (*Beside)(void* context) = nullptr;
};
// Calls the report when there is one; false when it asks to stop.
bool VoxReport(const VoxProgress* progress, VoxBuildPhase phase, float fraction);

// The deepest tree a build makes: a deeper one is built this deep (a cell's path
// along each axis is a 32-bit word).
const UINT32 VoxMaxTreeDepth = 32;

// Samples the two maps over a grid of half-voxel steps across the bounds and
// puts one sprite per cell, `depth` levels down (at most VoxMaxTreeDepth), into a
// new tree: the tree, and each leaf's sprites in their order, are the ones
// inserting the cells row after row would give. With fillCliffs each cell is
// followed by its fill sprites, whose number goes to fillSprites when given. A
// height sample of 0 is min.z and 65535 is max.z (an 8-bit map's 255 read as
// 255 x 257). Returns null when either image is empty. No GL call; the caller
// builds the vertex buffers. The sampling and the filling of the leaves run on
// all cores, in pieces between which progress (when given) is told; a stopped
// build answers null. Each leaf's sprite array is allocated once, at its final size.
VoxBlock* BuildVoxelTree(const ZNGreyImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize, UINT32 depth = VoxTreeDepth, bool fillCliffs = false,
                         UINT32* fillSprites = nullptr, const VoxProgress* progress = nullptr);
// The same with the heights in the red channel of an 8-bit image.
VoxBlock* BuildVoxelTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize, UINT32 depth = VoxTreeDepth, bool fillCliffs = false,
                         UINT32* fillSprites = nullptr, const VoxProgress* progress = nullptr);

// The two terrain maps as a build reads them, decoded once: a program checks the
// files it was given and builds from the same pixels.
struct VoxTerrainMaps
{
    ZNGreyImage Height;   // the heights, all 16 bits of a 16-bit file
    ZNImage     Color;    // RGBA 8
};
// Reads and decodes the two files side by side, printing nothing. False when
// either cannot be read, decoded or holds no pixels; failed is then that map (0
// the heights, 1 the colours; the heights when both) and why the reason, a phrase
// that follows the file's name ("cannot be read", "ends early (...)").
bool LoadTerrainMaps(const char* heightPath, const char* colorPath, VoxTerrainMaps& maps, UINT32& failed,
                     ZNString& why);

// The tree of an N x N grid from decoded maps (bounds and depth from the grid
// size, cliffs as BuildVoxelTree); null when the progress report stopped it.
VoxBlock* BuildVoxelTreeForGrid(const VoxTerrainMaps& maps, UINT32 grid = VoxDefaultGrid, bool fillCliffs = false,
                                UINT32* fillSprites = nullptr, const VoxProgress* progress = nullptr);
// Loads the two maps and builds the tree of an N x N grid from them; null (and
// nothing built) when either cannot be used, which it prints with the file's
// name, or the progress report stopped the build.
VoxBlock* LoadVoxelTree(const char* heightPath, const char* colorPath, UINT32 grid = VoxDefaultGrid,
                        bool fillCliffs = false, UINT32* fillSprites = nullptr, const VoxProgress* progress = nullptr);

// The index buffer every quad-layout leaf is drawn through: sprite s of a draw is
// the triangles (4s, 4s+1, 4s+2) and (4s+2, 4s+3, 4s), the six-vertex layout's
// corner order, for VoxQuadDrawSprites sprites in 16-bit indices; then the same
// sprites again from the last to the first, whose last n draw n sprites in
// reverse. Needs a GL context; the caller deletes it.
ZNGpuBuffer* VoxCreateSpriteIndices();

// The descending list VoxReverseSprites - 1, ..., 1, 0 in 16-bit indices, whose
// last n entries draw n sprites as points last first. Needs a GL context; the
// caller deletes it.
const UINT32 VoxReverseSprites = 65536;
ZNGpuBuffer* VoxCreateReverseIndices();

// The layout that reads the first vertex of each sprite of a buffer in the given
// layout (position, size, colour), for drawing its sprites as points.
ZNVertexDecl* VoxPointDecl(VoxSpriteLayout layout);
