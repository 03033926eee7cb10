// VoxBlock: octree of voxel sprites, their vertex data and the map sampling.
#include "VoxBlock.h"

#include "render/ZNVertex.h"
#include "resources/ZNImage.h"

#include <math.h>
#include <string.h>

const ZNVec3 VoxWorldMin(-1000.0f, -1000.0f, 0.0f);
const ZNVec3 VoxWorldMax(1000.0f, 1000.0f, 600.0f);

const INT8 VoxCorners[4][2] = { { 1, -1 }, { -1, -1 }, { -1, 1 }, { 1, 1 } };

// The two triangles of a sprite, as corner indices.
static const UINT32 SpriteOrder[VoxCornerCount] = { 0, 1, 2, 2, 3, 0 };

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

VoxBlock* VoxBlock::Create(const ZNVec3& min, const ZNVec3& max)
{
    VoxBlock* node = new VoxBlock();
    for (UINT32 k = 0; k < 8; ++k)
        node->Ch[k] = nullptr;
    node->Min = min;
    node->Max = max;
    node->VB = nullptr;
    node->DrawCount = 0;
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
    if (ZN_CHECK_FAILED(Ch[ 0 ]))
        return;
    const ZNVec3 mid((Min.x + Max.x) * 0.5f, (Min.y + Max.y) * 0.5f, (Min.z + Max.z) * 0.5f);
    for (UINT32 k = 0; k < 8; ++k)
    {
        ZNVec3 lo, hi;
        for (UINT32 axis = 0; axis < 3; ++axis)
        {
            const bool upper = (k & (1u << axis)) != 0;
            lo[axis] = upper ? mid[axis] : Min[axis];
            hi[axis] = upper ? Max[axis] : mid[axis];
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

void VoxBlock::Insert(UINT32 depth, const ZNVec3& p, float size, const UINT8 color[4])
{
    VoxBlock* node = this;
    for (UINT32 level = 0; level < depth; ++level)
    {
        if (!node->IsSplit())
            node->Split();
        const ZNVec3 mid((node->Min.x + node->Max.x) * 0.5f, (node->Min.y + node->Max.y) * 0.5f,
                         (node->Min.z + node->Max.z) * 0.5f);
        const UINT32 k = (p.x >= mid.x ? 1u : 0u) + (p.y >= mid.y ? 2u : 0u) + (p.z >= mid.z ? 4u : 0u);
        node = node->Ch[k];
    }

    VoxelPoint pt;
    pt.Position[0] = p.x;
    pt.Position[1] = p.y;
    pt.Position[2] = p.z;
    pt.Size = size;
    memcpy(pt.Color, color, 4);
    memset(pt.Corner, 0, sizeof(pt.Corner));
    node->Points.Add(pt);

    GrowBounds(node->Min, node->Max, p - ZNVec3(size, size, size));
    GrowBounds(node->Min, node->Max, p + ZNVec3(size, size, size));
}

void VoxBlock::BuildVertexBuffers(bool upload)
{
    Vertices.Clear();
    const UINT32 count = Points.Size();
    if (count)
    {
        Vertices.Reserve(count * VoxCornerCount);
        for (UINT32 i = 0; i < count; ++i)
        {
            VoxelPoint corners[4];
            for (UINT32 c = 0; c < 4; ++c)
            {
                corners[c] = Points[i];
                corners[c].Corner[0] = VoxCorners[c][0];
                corners[c].Corner[1] = VoxCorners[c][1];
                corners[c].Corner[2] = 0;
                corners[c].Corner[3] = 0;
            }
            for (UINT32 v = 0; v < VoxCornerCount; ++v)
                Vertices.Add(corners[SpriteOrder[v]]);
        }
        if (upload)
        {
            if (!VB)
                VB = new ZNGpuBuffer(VMBT_Vertex, 0);
            VB->Clear();
            VB->Append(&Vertices[0], Vertices.Size() * (UINT32)sizeof(VoxelPoint));
            VB->Upload();
            DrawCount = Vertices.Size();
            // The GL buffer now holds the vertices; the points can rebuild them.
            VB->Clear();
            Vertices.Clear();
        }
    }
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            Ch[k]->BuildVertexBuffers(upload);
}

void VoxBlock::Draw(VoxDrawStats* stats) const
{
    if (VB && DrawCount)
    {
        SetVertexStream(0, VB, nullptr);
        DrawPrimitives(PT_Triangles, DrawCount);
        if (stats)
        {
            ++stats->Leaves;
            stats->Sprites += DrawCount / VoxCornerCount;
        }
    }
    if (IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            Ch[k]->Draw(stats);
}

VoxBlock* BuildVoxelTree(const ZNImage& height, const ZNImage& color, const ZNVec3& min, const ZNVec3& max,
                         float voxelSize)
{
    if (!height.Width || !height.Height || !color.Width || !color.Height)
        return nullptr;

    VoxBlock* root = VoxBlock::Create(min, max);
    const float h = voxelSize * 0.5f;
    const float extX = max.x - min.x, extY = max.y - min.y, extZ = max.z - min.z;
    const float cellsX = ceilf(extX / h), cellsY = ceilf(extY / h);
    // Degenerate or inverted bounds give no cells rather than a huge unsigned count.
    const UINT32 nx = cellsX > 0.0f ? (UINT32)cellsX : 0;
    const UINT32 ny = cellsY > 0.0f ? (UINT32)cellsY : 0;
    if (!nx || !ny)
        return root;

    const float du = 1.0f / (float)nx, dv = 1.0f / (float)ny;
    const float hu = du * 0.5f, hv = dv * 0.5f;
    for (UINT32 j = 0; j < ny; ++j)
    {
        const float v = (float)j * dv;
        for (UINT32 i = 0; i < nx; ++i)
        {
            const float u = (float)i * du;
            const float z = SampleBilinear(height, u, v).R;
            UINT8 packed[4];
            PackVoxelColor(SampleBilinear(color, u, v), packed);
            const ZNVec3 p(min.x + extX * (u + hu), min.y + extY * (v + hv), min.z + extZ * z);
            root->Insert(VoxTreeDepth, p, voxelSize, packed);
        }
    }
    return root;
}

VoxBlock* LoadVoxelTree(const char* heightPath, const char* colorPath)
{
    ZNImage height, color;
    if (!LoadImageFile(heightPath, height) || !LoadImageFile(colorPath, color))
        return nullptr;
    return BuildVoxelTree(height, color, VoxWorldMin, VoxWorldMax, VoxVoxelSize);
}
