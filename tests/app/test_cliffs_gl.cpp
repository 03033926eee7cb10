// Cracks in the terrain on a real GL context: the sky left out, so the frame's
// clear colour stands wherever no sprite covers a pixel, and counted below the
// terrain's top edge at the start view and at cameras on the slopes of the
// central peak.
#include "WorldGLTest.h"

#include <algorithm>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

const float Pi = 3.14159265f;

// The colour Render clears to, (0.2, 0.4, 0.7), as eight-bit channels give it back.
bool IsKey(const UINT8* p)
{
    return abs(p[0] - 51) <= 1 && abs(p[1] - 102) <= 1 && abs(p[2] - 178) <= 1;
}

// Key pixels under the first terrain pixel from the top of their column that the
// open sky cannot reach along their row, over the whole frame: the sky seen through
// the terrain. A key pixel whose row reaches, over key pixels only, a column with
// no terrain above that row lies beside the terrain's outline, under an overhang
// of it a pixel wide (the outline of stacked squares is ragged at every size, and
// at the program's size a step of it is a whole pixel), not in a hole.
// With beside, the key pixels beside the outline count too: every key pixel under
// the first terrain pixel of its column.
UINT32 CountCracks(const std::vector<UINT8>& pixels, UINT32 width, UINT32 height, bool beside = false)
{
    // The first terrain row of each column from the top (height: none).
    std::vector<UINT32> top(width, height);
    for (UINT32 x = 0; x < width; ++x)
        for (UINT32 y = 0; y < height && top[x] == height; ++y)
            if (!IsKey(&pixels[((size_t)(height - 1 - y) * width + x) * 4]))
                top[x] = y;
    UINT32 cracks = 0;
    for (UINT32 y = 0; y < height; ++y)
    {
        const UINT8* row = &pixels[(size_t)(height - 1 - y) * width * 4];
        for (UINT32 x = 0; x < width;)
        {
            if (!IsKey(row + x * 4))
            {
                ++x;
                continue;
            }
            // One run of key pixels: open if any of its columns has no terrain above.
            UINT32 under = 0;
            bool   open  = false;
            for (; x < width && IsKey(row + x * 4); ++x)
            {
                under += top[x] < y;
                open = open || top[x] > y;
            }
            cracks += open && !beside ? 0 : under;
        }
    }
    return cracks;
}

// Highest sprite within a cell of (x, y).
float GroundAt(const VoxBlock* node, float x, float y)
{
    float z = -1e30f;
    if (node->Max.x < x - 5.0f || node->Min.x > x + 5.0f || node->Max.y < y - 5.0f || node->Min.y > y + 5.0f)
        return z;
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
    {
        const VoxelPoint& p = node->Points[i];
        if (fabsf(p.Position[0] - x) <= 5.0f && fabsf(p.Position[1] - y) <= 5.0f)
            z = std::max(z, p.Position[2]);
    }
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            z = std::max(z, GroundAt(node->Ch[k], x, y));
    return z;
}

VoxCameraState LookAt(const ZNVec3& eye, const ZNVec3& target)
{
    VoxCameraState c = InitialCameraState();
    const ZNVec3   d = target - eye;
    c.Position = c.PrevPosition = eye;
    c.Yaw = c.PrevYaw = atan2f(d.y, d.x);
    c.Pitch = c.PrevPitch = acosf(d.z / sqrtf(d.x * d.x + d.y * d.y + d.z * d.z));
    return c;
}

// The central peak: the highest ground within eight degrees of the start view's
// heading (the mountain in the middle of the start view).
ZNVec3 CentralPeak(const VoxBlock* root)
{
    const VoxCameraState start = InitialCameraState();
    ZNVec3               peak(0.0f, 0.0f, -1e30f);
    for (float a = -8.0f; a <= 8.0f; a += 0.5f)
        for (float d = 100.0f; d < 1500.0f; d += 2.5f)
        {
            const float x = start.Position.x + d * cosf(start.Yaw + a * Pi / 180.0f);
            const float y = start.Position.y + d * sinf(start.Yaw + a * Pi / 180.0f);
            const float z = GroundAt(root, x, y);
            if (z > peak.z)
                peak = ZNVec3(x, y, z);
        }
    return peak;
}

// The start view, the foot of the central peak looking up at its top, and cameras
// on the slopes below it (the peak stands in a corner of the world; these lie on
// its inner side), some turned so the flanks fill the sides of the frame, where
// the rays meet the sprites at the steepest slant.
std::vector<VoxCameraState> SlopeCameras(const VoxBlock* root)
{
    const ZNVec3                peak    = CentralPeak(root);
    std::vector<VoxCameraState> cameras = { InitialCameraState() };
    // Bearing from the peak (degrees), distance, height above the ground, how far
    // up the peak the camera looks (1: its top) and a turn to the side (degrees).
    const float placed[7][5] = { { 45.0f, 220.0f, 20.0f, 1.0f, 0.0f },   { 20.0f, 350.0f, 60.0f, 0.5f, 0.0f },
                                 { 70.0f, 300.0f, 40.0f, 0.6f, 0.0f },   { 45.0f, 420.0f, 80.0f, 0.7f, 30.0f },
                                 { 45.0f, 420.0f, 80.0f, 0.7f, -30.0f }, { 0.0f, 300.0f, 50.0f, 0.5f, 25.0f },
                                 { 90.0f, 300.0f, 50.0f, 0.5f, -25.0f } };
    for (const auto& p : placed)
    {
        const float bearing = p[0] * Pi / 180.0f;
        const float x = peak.x + p[1] * cosf(bearing), y = peak.y + p[1] * sinf(bearing);
        const float ground = GroundAt(root, x, y);
        EXPECT_GT(ground, 0.0f) << "a camera off the terrain";
        const ZNVec3   eye(x, y, ground + p[2]);
        VoxCameraState c = LookAt(eye, ZNVec3(peak.x, peak.y, eye.z + (peak.z - eye.z) * p[3]));
        c.Yaw = c.PrevYaw = c.Yaw + p[4] * Pi / 180.0f;
        cameras.push_back(c);
    }
    return cameras;
}

// Frame sizes the cracks are counted at: the fixture's window and the program's own,
// where a pixel is a third as wide and a gap too narrow for the small frame shows.
const UINT32 FrameSizes[2][2] = { { 320, 180 }, { 1024, 576 } };

// Cracks at each camera, over the whole frame, at the first `sizes` frame sizes
// (camera after camera at one size, then the next size); with the pixels beside
// the outline too in `all`, for the record.
std::vector<UINT32> CountCracksAt(ZNAppWindow* window, const std::vector<VoxCameraState>& cameras, UINT32 expectedFills,
                                  UINT32 sizes, std::vector<UINT32>& all)
{
    VoxelWorld world(window);
    EXPECT_EQ(world.FillSprites == 0, expectedFills == 0);
    EXPECT_EQ(world.Root->CountPoints(), 160000u + world.FillSprites);
    std::vector<UINT32> counts;
    for (UINT32 size = 0; size < sizes; ++size)
    {
        WorldOffscreen target(FrameSizes[size][0], FrameSizes[size][1]);
        target.Sky = false;
        for (const VoxCameraState& camera : cameras)
        {
            const std::vector<UINT8> pixels = target.Render(world, camera);
            counts.push_back(CountCracks(pixels, target.Width, target.Height));
            all.push_back(CountCracks(pixels, target.Width, target.Height, true));
        }
    }
    return counts;
}

}   // namespace

// The counter on frames drawn by hand: a mountain of terrain under the key colour,
// rows given top first ('#' terrain, '.' key). Holes count, whether the hole is a
// streak closed above or a pocket at the frame's side; the sky beside the outline,
// under a one-pixel overhang of it or open above, does not.
TEST(CrackCount, CountsSkyThroughTheTerrainNotBesideItsOutline)
{
    const auto count = [](const std::vector<const char*>& rows, bool beside = false)
    {
        const UINT32       width = (UINT32)strlen(rows[0]), height = (UINT32)rows.size();
        std::vector<UINT8> pixels((size_t)width * height * 4, 255);
        for (UINT32 y = 0; y < height; ++y)
            for (UINT32 x = 0; x < width; ++x)
                if (rows[y][x] == '.')
                {
                    UINT8* p = &pixels[((size_t)(height - 1 - y) * width + x) * 4];
                    p[0]     = 51;
                    p[1]     = 102;
                    p[2]     = 178;
                }
        return CountCracks(pixels, width, height, beside);
    };
    EXPECT_EQ(count({ "..........", "...####...", "..######..", "..######..", ".########." }), 0u);
    // A streak under the peak, two pixels tall; a pocket cut off by the frame's side.
    EXPECT_EQ(count({ "..........", "...####...", "...#.###..", "..##.###..", ".########." }), 2u);
    EXPECT_EQ(count({ "..........", "#####.....", "...####...", "#######...", "########.." }), 3u);
    // A notch in the right side of the outline and a gap open to the sky above.
    EXPECT_EQ(count({ "..........", "...##.##..", "...##.#...", "...##.##..", "..###.###." }), 0u);
    EXPECT_EQ(count({ "..........", "...##.##..", "...##.#...", "...##.##..", "..###.###." }, true), 1u);
}

TEST_F(WorldGL, FilledCliffsLetNoSkyThroughTheTerrain)
{
    std::vector<VoxCameraState> cameras;
    {
        VoxelWorld world(Window);
        ASSERT_NE(world.Root, nullptr);
        EXPECT_GT(world.FillSprites, 0u);
        cameras = SlopeCameras(world.Root);
    }
    // The designed world at the small size only: it shows its cliffs there already.
    std::vector<UINT32> all, filledAll, wholeAll;
    SetWorldVar("r_fill_cliffs", 0.0f);
    const std::vector<UINT32> designed = CountCracksAt(Window, cameras, 0, 1, all);
    SetWorldVar("r_fill_cliffs", 1.0f);
    const std::vector<UINT32> filled = CountCracksAt(Window, cameras, 1, 2, filledAll);
    // Every visibility step off: the world as it is stored, drawn whole.
    VoxDrawOptions            off;
    off.Cull = off.Order = off.Lod = off.Points = false;
    SetWorldDrawOptions(off);
    const std::vector<UINT32> filledWhole = CountCracksAt(Window, cameras, 1, 2, wholeAll);

    // Every camera looks at open cliffs in the designed world; with the fills the
    // whole frame is closed, to its sides, where the rays meet the sprites at a slant,
    // at both sizes.
    UINT32       before = 0;
    const size_t n      = cameras.size();
    for (size_t i = 0; i < n; ++i)
    {
        printf("camera %zu: key pixels under the terrain's edge (beside its outline too): as designed %u (%u); filled "
               "%u (%u), %u (%u) at %ux%u; filled and drawn whole %u (%u), %u (%u) at %ux%u\n",
               i, designed[i], all[i], filled[i], filledAll[i], filled[n + i], filledAll[n + i], FrameSizes[1][0],
               FrameSizes[1][1], filledWhole[i], wholeAll[i], filledWhole[n + i], wholeAll[n + i], FrameSizes[1][0],
               FrameSizes[1][1]);
        EXPECT_GE(designed[i], 10u) << "camera " << i;
        for (size_t size = 0; size < 2; ++size)
        {
            EXPECT_EQ(filled[size * n + i], 0u) << "camera " << i << ", frame size " << size;
            EXPECT_EQ(filledWhole[size * n + i], 0u) << "camera " << i << ", frame size " << size;
        }
        before += designed[i];
    }
    EXPECT_GT(before, 1000u) << "the designed world shows the sky through its cliffs";
}
