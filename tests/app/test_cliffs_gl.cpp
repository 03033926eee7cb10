// Cracks in the terrain on a real GL context: the sky left out, so the frame's
// clear colour stands wherever no sprite covers a pixel, and counted below the
// terrain's top edge at the start view and at cameras on the slopes of the
// central peak.
#include "WorldGLTest.h"

#include <algorithm>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

namespace
{

const float Pi = 3.14159265f;

// The colour Render clears to, (0.2, 0.4, 0.7), as eight-bit channels give it back.
bool IsKey(const UINT8* p)
{
    return abs(p[0] - 51) <= 1 && abs(p[1] - 102) <= 1 && abs(p[2] - 178) <= 1;
}

// Key pixels under the first terrain pixel from the top of their column, over the
// whole frame.
UINT32 CountCracks(const std::vector<UINT8>& pixels, UINT32 width, UINT32 height)
{
    UINT32 cracks = 0;
    for (UINT32 x = 0; x < width; ++x)
    {
        bool below = false;
        for (UINT32 row = height; row-- > 0;)   // bottom row first in the buffer
        {
            const bool key = IsKey(&pixels[((size_t)row * width + x) * 4]);
            cracks += below && key;
            below = below || !key;
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

// Cracks at each camera, over the whole frame.
std::vector<UINT32> CountCracksAt(ZNAppWindow* window, const std::vector<VoxCameraState>& cameras, UINT32 expectedFills)
{
    VoxelWorld world(window);
    EXPECT_EQ(world.FillSprites == 0, expectedFills == 0);
    EXPECT_EQ(world.Root->CountPoints(), 160000u + world.FillSprites);
    WorldOffscreen target(320, 180);
    target.Sky = false;
    std::vector<UINT32> counts;
    for (const VoxCameraState& camera : cameras)
    {
        const std::vector<UINT8> pixels = target.Render(world, camera);
        counts.push_back(CountCracks(pixels, target.Width, target.Height));
    }
    return counts;
}

}   // namespace

TEST_F(WorldGL, FilledCliffsLetNoSkyThroughTheTerrain)
{
    std::vector<VoxCameraState> cameras;
    {
        VoxelWorld world(Window);
        ASSERT_NE(world.Root, nullptr);
        EXPECT_GT(world.FillSprites, 0u);
        cameras = SlopeCameras(world.Root);
    }
    SetWorldVar("r_fill_cliffs", 0.0f);
    const std::vector<UINT32> designed = CountCracksAt(Window, cameras, 0);
    SetWorldVar("r_fill_cliffs", 1.0f);
    const std::vector<UINT32> filled = CountCracksAt(Window, cameras, 1);
    // Every visibility step off: the world as it is stored, drawn whole.
    VoxDrawOptions            off;
    off.Cull = off.Order = off.Lod = off.Points = false;
    SetWorldDrawOptions(off);
    const std::vector<UINT32> filledWhole = CountCracksAt(Window, cameras, 1);

    // Every camera looks at open cliffs in the designed world; with the fills the
    // whole frame is closed, to its sides, where the rays meet the sprites at a slant.
    UINT32 before = 0;
    for (size_t i = 0; i < cameras.size(); ++i)
    {
        printf(
            "camera %zu: key pixels under the terrain's edge: as designed %u, filled %u, filled and drawn whole %u\n",
            i, designed[i], filled[i], filledWhole[i]);
        EXPECT_GE(designed[i], 10u) << "camera " << i;
        EXPECT_EQ(filled[i], 0u) << "camera " << i;
        EXPECT_EQ(filledWhole[i], 0u) << "camera " << i;
        before += designed[i];
    }
    EXPECT_GT(before, 1000u) << "the designed world shows the sky through its cliffs";
}
