// Cliff fills, built without a window or GL: every column of the demo's terrain
// closed down to its lowest neighbour, at full detail and at the coarser levels.
#include "VoxBlock.h"

#include "common/ZNTestDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>

namespace
{

typedef std::pair<INT64, INT64> CellKey;

// Sprites by their column: x and y in units of the column spacing `step`.
typedef std::map<CellKey, std::vector<VoxelPoint>> Columns;

CellKey KeyOf(const VoxelPoint& p, float step)
{
    return CellKey((INT64)floorf(p.Position[0] / step), (INT64)floorf(p.Position[1] / step));
}

void CollectPoints(const VoxBlock* node, float step, Columns& out)
{
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
        out[KeyOf(node->Points[i], step)].push_back(node->Points[i]);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            CollectPoints(node->Ch[k], step, out);
}

// The sprites of one coarser level, from the built vertices (first vertex of each).
void CollectLevel(const VoxBlock* node, UINT32 level, float step, Columns& out)
{
    const VoxelPoint* v = node->Vertices.Data() + node->LodFirst[level];
    for (UINT32 i = 0; i < node->LodCount[level]; i += node->Corners)
        out[KeyOf(v[i], step)].push_back(v[i]);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            CollectLevel(node->Ch[k], level, step, out);
}

// Lowest bottom and highest top of a column's sprites, facing a level view.
void Span(const std::vector<VoxelPoint>& column, float& bottom, float& top)
{
    bottom = 1e30f;
    top    = -1e30f;
    for (const VoxelPoint& p : column)
    {
        bottom = std::min(bottom, p.Position[2] - p.Size * 0.5f);
        top    = std::max(top, p.Position[2] + p.Size * 0.5f);
    }
}

// Columns whose sprites leave the sky a way through: a vertical gap inside the
// column, or a bottom above the top of one of the four neighbouring columns less
// `reach` sprite heights.
UINT32 CountOpenColumns(const Columns& columns, float reach)
{
    UINT32 open = 0;
    for (const auto& entry : columns)
    {
        std::vector<VoxelPoint> column = entry.second;
        std::sort(column.begin(), column.end(),
                  [](const VoxelPoint& a, const VoxelPoint& b) { return a.Position[2] > b.Position[2]; });
        bool gap = false;
        for (size_t i = 1; i < column.size(); ++i)
            gap = gap ||
                  column[i - 1].Position[2] - column[i - 1].Size * 0.5f > column[i].Position[2] + column[i].Size * 0.5f;
        float bottom, top;
        Span(column, bottom, top);
        const CellKey k = entry.first;
        for (const CellKey& n : { CellKey(k.first - 1, k.second), CellKey(k.first + 1, k.second),
                                  CellKey(k.first, k.second - 1), CellKey(k.first, k.second + 1) })
        {
            const auto found = columns.find(n);
            if (found == columns.end())
                continue;
            float nBottom, nTop;
            Span(found->second, nBottom, nTop);
            gap = gap || bottom > nTop - reach * VoxVoxelSize;
        }
        open += gap ? 1 : 0;
    }
    return open;
}

struct DemoTrees
{
    VoxBlock* Plain      = nullptr;
    VoxBlock* Filled     = nullptr;
    UINT32    Fills      = 0;
    UINT32    PlainFills = 0;

    DemoTrees()
    {
        const std::string data   = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
        const std::string height = data + "Heightmap.png", color = data + "Colormap.png";
        PlainFills = 7;
        Plain      = LoadVoxelTree(height.c_str(), color.c_str(), VoxDefaultGrid, false, &PlainFills);
        Filled     = LoadVoxelTree(height.c_str(), color.c_str(), VoxDefaultGrid, true, &Fills);
    }
    ~DemoTrees()
    {
        VoxBlock::Delete(Plain);
        VoxBlock::Delete(Filled);
    }
};

const float CellStep = VoxVoxelSize * 0.5f;

}   // namespace

TEST(CliffFill, EveryColumnReachesItsLowestNeighbourAndNoFurther)
{
    DemoTrees trees;
    ASSERT_NE(trees.Plain, nullptr);
    ASSERT_NE(trees.Filled, nullptr);
    EXPECT_EQ(trees.PlainFills, 0u);
    Columns plain, filled;
    CollectPoints(trees.Plain, CellStep, plain);
    CollectPoints(trees.Filled, CellStep, filled);
    ASSERT_EQ(plain.size(), (size_t)VoxDefaultGrid * VoxDefaultGrid);
    ASSERT_EQ(filled.size(), plain.size());
    EXPECT_EQ(trees.Filled->CountPoints(), trees.Plain->CountPoints() + trees.Fills);

    // The designed terrain has cliffs; with the fills none is left open.
    const UINT32 openBefore = CountOpenColumns(plain, VoxFillReach);
    EXPECT_GT(openBefore, 1000u);
    EXPECT_EQ(CountOpenColumns(filled, VoxFillReach), 0u);
    EXPECT_GT(trees.Fills, 0u);

    UINT32 overfilled = 0, changedCells = 0, brighter = 0, wrongMarks = 0, plainMarks = 0, wrongFaces = 0;
    for (const auto& entry : filled)
    {
        const VoxelPoint&       cell   = plain[entry.first].front();
        std::vector<VoxelPoint> column = entry.second;
        std::sort(column.begin(), column.end(),
                  [](const VoxelPoint& a, const VoxelPoint& b) { return a.Position[2] > b.Position[2]; });
        plainMarks += cell.Corner[2] != 0;
        // The cell itself stays as designed, on top of its column, but for its mark
        // and its height: it grows by the slant over a step of VoxSlantStep, and is
        // tall where it would not reach down to its lowest neighbour's centre.
        VoxelPoint top = column.front();
        if (VoxIsTall(column.front()))
            VoxDesignedCell(column.front(), top);
        float low = cell.Position[2];
        for (const CellKey& n :
             { CellKey(entry.first.first - 1, entry.first.second), CellKey(entry.first.first + 1, entry.first.second),
               CellKey(entry.first.first, entry.first.second - 1), CellKey(entry.first.first, entry.first.second + 1) })
        {
            const auto found = plain.find(n);
            if (found != plain.end())
                low = std::min(low, found->second.front().Position[2]);
        }
        // It is tall when it does not reach down to its lowest neighbour's centre.
        const bool steep = cell.Position[2] - low > cell.Size * VoxSlantStep;
        const bool tall  = cell.Position[2] - cell.Size * 0.5f > low;
        wrongMarks += column.front().Corner[2] != (tall ? VoxTallMark : steep ? VoxSlantMark : 0);
        // Faces: the cell's towards each neighbour over VoxSlantStep lower, a fill's
        // towards each neighbour whose centre the sprite above it does not reach
        // down to; so every fill has one, the deepest towards the lowest neighbour.
        const CellKey around[4] = { CellKey(entry.first.first + 1, entry.first.second),
                                    CellKey(entry.first.first - 1, entry.first.second),
                                    CellKey(entry.first.first, entry.first.second + 1),
                                    CellKey(entry.first.first, entry.first.second - 1) };
        for (size_t i = 0; i < column.size(); ++i)
        {
            UINT8 faces = 0;
            for (UINT32 d = 0; d < 4; ++d)
            {
                const auto found = plain.find(around[d]);
                if (found == plain.end())
                    continue;
                const float n    = found->second.front().Position[2];
                const bool  open = i ? column[i - 1].Position[2] - column[i - 1].Size * 0.5f > n
                                     : steep && cell.Position[2] - n > cell.Size * VoxSlantStep;
                faces            = (UINT8)(faces | (open ? 1u << d : 0u));
            }
            wrongFaces += VoxStepFaces(column[i]) != faces || (i && !faces);
        }
        for (size_t i = 1; i < column.size(); ++i)
            wrongMarks += !VoxIsFill(column[i]);
        top.Corner[2] = top.Corner[3] = 0;
        changedCells += memcmp(&top, &cell, sizeof(VoxelPoint)) != 0;
        for (size_t i = 1; i < column.size(); ++i)
            for (UINT32 c = 0; c < 4; ++c)
                brighter += column[i].Color[c] > cell.Color[c];
        if (column.size() < 2)
            continue;
        // Without its lowest fill the column would not reach its lowest neighbour.
        column.pop_back();
        const CellKey k            = entry.first;
        float         lowestCentre = 1e30f;
        for (const CellKey& n : { CellKey(k.first - 1, k.second), CellKey(k.first + 1, k.second),
                                  CellKey(k.first, k.second - 1), CellKey(k.first, k.second + 1) })
        {
            const auto found = plain.find(n);
            if (found != plain.end())
                lowestCentre = std::min(lowestCentre, found->second.front().Position[2]);
        }
        overfilled += column.back().Position[2] - column.back().Size * 0.5f <= lowestCentre;
    }
    EXPECT_EQ(changedCells, 0u);
    EXPECT_EQ(wrongMarks, 0u) << "fills, and the cells over a step, grow by the slant; no other cell does";
    EXPECT_EQ(plainMarks, 0u) << "the designed world grows no sprite";
    EXPECT_EQ(wrongFaces, 0u) << "a marked sprite faces the lower neighbours its step opens to";
    EXPECT_EQ(brighter, 0u) << "fills are the cell's colour, darker";
    EXPECT_EQ(overfilled, 0u) << "a column holds no fill it does not need";
    printf("cliff fills: %u sprites on %u cells, %u open columns before\n", trees.Fills, (UINT32)plain.size(),
           openBefore);
}

// Sorted by position, so two levels built from the same sprites compare whole.
std::vector<VoxelPoint> Sorted(const Columns& columns)
{
    std::vector<VoxelPoint> all;
    for (const auto& entry : columns)
        all.insert(all.end(), entry.second.begin(), entry.second.end());
    std::sort(all.begin(), all.end(),
              [](const VoxelPoint& a, const VoxelPoint& b)
              { return memcmp(a.Position, b.Position, sizeof(a.Position)) < 0; });
    return all;
}

TEST(CliffFill, CoarseLevelsLeaveNoColumnOpen)
{
    DemoTrees trees;
    ASSERT_NE(trees.Filled, nullptr);
    trees.Filled->BuildVertexBuffers(false, VoxLayout_Quads);
    trees.Plain->BuildVertexBuffers(false, VoxLayout_Quads);
    for (UINT32 level = 1; level < VoxLodLevels; ++level)
    {
        const float step = CellStep * (float)(1u << level);
        Columns     plain, filled;
        CollectLevel(trees.Plain, level, step, plain);
        CollectLevel(trees.Filled, level, step, filled);
        EXPECT_EQ(filled.size(), plain.size()) << "level " << level;
        EXPECT_EQ(CountOpenColumns(filled, 0.0f), 0u)
            << "level " << level << " (" << CountOpenColumns(plain, 0.0f) << " open without fills)";
        UINT32 marked = 0, faceless = 0;
        for (const VoxelPoint& p : Sorted(filled))
        {
            marked += p.Corner[2] != 0;
            faceless += p.Corner[2] != 0 && !VoxStepFaces(p);
        }
        if (level < VoxFillLevels)
        {
            EXPECT_GT(marked, 0u) << "level " << level << " stands in for the fills and grows as they do";
            EXPECT_EQ(faceless, 0u) << "level " << level << " faces wherever the sprites it merges do";
            continue;
        }
        // From VoxFillLevels on the level is the designed world's, sprite for sprite.
        const std::vector<VoxelPoint> a = Sorted(plain), b = Sorted(filled);
        ASSERT_EQ(a.size(), b.size()) << "level " << level;
        UINT32 differ = 0;
        for (size_t i = 0; i < a.size(); ++i)
            differ += memcmp(&a[i], &b[i], sizeof(VoxelPoint)) != 0;
        EXPECT_EQ(differ, 0u) << "level " << level;
    }
}

TEST(CliffFill, FillsCloseAStepExactly)
{
    // A step of 3.5 sprites: six places half a sprite apart, the last reaching down
    // to the low side's centre; the cell covers the first, five fills the rest.
    VoxelPoint cell  = {};
    cell.Position[2] = 100.0f;
    cell.Size        = 10.0f;
    cell.Color[0]    = 200;
    cell.Color[3]    = 255;
    cell.Corner[2]   = VoxSlantMark;
    cell.Corner[3]   = VoxFaceXPos;
    EXPECT_EQ(VoxCliffPlaces(100.0f, 65.0f, 10.0f), 6u);
    EXPECT_EQ(VoxCliffPlaces(100.0f, 95.0f, 10.0f), 0u) << "a sprite reaching the neighbour's centre needs none";
    EXPECT_EQ(VoxCliffPlaces(100.0f, 94.0f, 10.0f), 1u);
    EXPECT_EQ(VoxCliffPlaces(100.0f, 120.0f, 10.0f), 0u);
    EXPECT_EQ(VoxCliffPlaces(1e30f, 0.0f, 10.0f), VoxMaxCliffFill);
    // The tall cell keeps its top and reaches a place down; it comes back exactly.
    VoxelPoint tall, back;
    VoxTallCell(cell, tall);
    EXPECT_EQ(tall.Position[2] + tall.Size * 0.5f, 105.0f);
    EXPECT_EQ(tall.Position[2] - tall.Size * 0.5f, 90.0f);
    EXPECT_TRUE(VoxIsTall(tall) && VoxGrowsBySlant(tall) && !VoxIsFill(tall));
    EXPECT_EQ(VoxStepFaces(tall), VoxFaceXPos);
    VoxDesignedCell(tall, back);
    EXPECT_EQ(memcmp(&back, &cell, sizeof(cell)), 0);
    VoxelPoint last;
    VoxCliffFillSprite(cell, 5, last);
    EXPECT_LE(last.Position[2] - 5.0f, 65.0f);
    EXPECT_GT(last.Position[2] - 5.0f + 2.5f, 65.0f) << "half a sprite higher would not reach";
    EXPECT_LT(last.Color[0], 200);
    EXPECT_EQ(last.Color[3], 255);
    EXPECT_EQ(last.Size, cell.Size);
    EXPECT_FALSE(VoxIsTall(last));
}
