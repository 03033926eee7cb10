// VoxBlock: the voxel terrain's sparse octree and the sampling that fills it.
//
//   VoxBlock* root = BuildVoxelTree(heightImage, colourImage, WorldMin, WorldMax, VoxelSize);
//   root->BuildVertexBuffers(true);     // six vertices per sprite, one GL buffer per leaf
//   root->Draw();                       // one bind and one draw per leaf with points
//   VoxBlock::Delete(root);
//
// Guarantees: every point lives in a node exactly `depth` levels below the root
// (interior nodes hold none); a node is split when Ch[0] is set and then all eight
// children exist. A leaf's bounds are grown to contain the full cube of each of its
// points, so they may overhang its octant by up to the voxel size.
//
// The tree and its vertex data are built on the processor without any GL call, so
// they can be made and checked without a window; GL buffers are created only when
// BuildVertexBuffers is asked to upload, and the CPU copy of the vertices is then
// released (the points are kept, so the vertices can always be rebuilt).
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"
#include "math/ZNMath.h"

class ZNGpuBuffer;
class ZNImage;
struct FloatPixel;

// One sprite, and also one vertex of the "VVDecl" layout (24 bytes).
struct VoxelPoint
{
    float Position[3];   // sprite centre, world units
    float Size;          // sprite width, world units
    UINT8 Color[4];      // red, green, blue, alpha
    INT8  Corner[4];     // 0 in a stored point; (x, y, 0, 0) with x, y = +-1 in a vertex
};
static_assert(sizeof(VoxelPoint) == 24, "VoxelPoint is the 24-byte vertex of VVDecl");

// World constants of the demo.
extern const ZNVec3 VoxWorldMin;          // (-1000, -1000, 0)
extern const ZNVec3 VoxWorldMax;          // (1000, 1000, 600)
const float         VoxVoxelSize   = 10.0f;
const UINT32        VoxTreeDepth   = 5;
const UINT32        VoxCornerCount = 6;    // vertices per sprite: two triangles

// Corner bytes of vertex k (0..3) of a sprite: (1,-1), (-1,-1), (-1,1), (1,1).
extern const INT8 VoxCorners[4][2];

// Clamps each component to 0..1 (NaN counts as 0), scales by 255 and truncates.
void PackVoxelColor(const FloatPixel& c, UINT8 out[4]);

// What one draw of the tree put on screen: leaves drawn and the sprites in them.
struct VoxDrawStats
{
    UINT32 Leaves  = 0;
    UINT32 Sprites = 0;
};

class VoxBlock
{
public:
    VoxBlock*              Ch[8];         // children; all null or all set
    ZNVec3                 Min;           // bounds, grown by Insert at the leaves
    ZNVec3                 Max;
    ZNPodArray<VoxelPoint> Points;        // sprites of this node (leaves only)
    ZNPodArray<VoxelPoint> Vertices;      // built vertices until they are uploaded
    ZNGpuBuffer*           VB;            // vertex buffer, created by the first upload
    UINT32                 DrawCount;     // vertices in VB

    static VoxBlock* Create(const ZNVec3& min, const ZNVec3& max);
    // Deletes the node, its subtree and their GL buffers; null is allowed.
    static void      Delete(VoxBlock* node);

    bool IsSplit() const { return Ch[0] != nullptr; }

    // Makes the eight octant children (child k: upper half in x for bit 1, in y for
    // bit 2, in z for bit 4). Splitting a split node is reported and changes nothing.
    void Split();
    // Descends `depth` levels (splitting as needed; points on a middle plane go to
    // the upper child), appends the point there and grows that node's bounds.
    void Insert(UINT32 depth, const ZNVec3& p, float size, const UINT8 color[4]);
    // Rebuilds the six-vertex sprites of every node; with upload, moves them into
    // each node's GL buffer (needs the context current).
    void BuildVertexBuffers(bool upload);
    // Draws this subtree with the vertex declaration already set; adds what it
    // drew to stats when given.
    void Draw(VoxDrawStats* stats = nullptr) const;

    // Tree statistics, for checks and measurements.
    UINT32 CountPoints() const;
    UINT32 CountNodesWithPoints() const;

private:
    VoxBlock() = default;
    ~VoxBlock() = default;
};

// Samples the two maps over a grid of half-voxel steps across the bounds and
// inserts one sprite per cell into a new tree. Returns null when either image is
// empty. No GL call; the caller builds the vertex buffers.
VoxBlock* BuildVoxelTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize);

// Loads "Heightmap.png" and "Colormap.png" and builds the tree from them; null
// (and nothing built) when either cannot be read.
VoxBlock* LoadVoxelTree(const char* heightPath, const char* colorPath);
