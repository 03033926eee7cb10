// The water from either side of its plane, on a real GL context: from above the
// surface is drawn where the rays meet the plane; from below every pixel is seen
// through water, and the underside lets the sky through only in the window
// overhead, inside the critical angle.
#include "WorldGLTest.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

namespace
{

const float Pi = 3.14159265f;

bool SamePixel(const UINT8* a, const UINT8* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

float Brightness(const UINT8* p)
{
    return (float)p[0] + (float)p[1] + (float)p[2];
}

// The world z of the view ray through the centre of pixel (x, y) (row 0 at the
// bottom), for the unit ray.
float RayUp(const VoxCamera& view, UINT32 x, UINT32 y, UINT32 width, UINT32 height)
{
    const float vx = ((float)x + 0.5f) / (float)width * 2.0f - 1.0f,
                vy = ((float)y + 0.5f) / (float)height * 2.0f - 1.0f;
    const ZNVec3 ray(vx / view.Projection.At(0, 0), vy / view.Projection.At(1, 1), -1.0f);
    const float  up = view.View.At(0, 2) * ray.x + view.View.At(1, 2) * ray.y + view.View.At(2, 2) * ray.z;
    return up / sqrtf(ray.x * ray.x + ray.y * ray.y + ray.z * ray.z);
}

}   // namespace

TEST_F(WorldGL, WaterIsDrawnFromEitherSideOfItsPlane)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    WorldOffscreen shot(320, 180);
    shot.Sky           = false;   // the clear colour where no terrain stands
    const UINT32 total = shot.Width * shot.Height;
    const float  yaw   = InitialCameraState().Yaw;
    struct View
    {
        VoxCameraState Camera;
        float          WaterHeight;
    };
    // The start view, above the water; looking down from z = 53 under the default
    // plane; the start view from z = 287 under a plane at 700; and from there
    // looking up at it.
    const View views[] = { { InitialCameraState(), 100.0f },
                           { CameraAt(ZNVec3(0.0f, 0.0f, 53.0f), yaw, 2.9f), 100.0f },
                           { CameraAt(ZNVec3(0.0f, 0.0f, 287.0f), yaw, InitialCameraState().Pitch), 700.0f },
                           { CameraAt(ZNVec3(0.0f, 0.0f, 287.0f), yaw, 0.6f), 700.0f } };
    for (UINT32 v = 0; v < 4; ++v)
    {
        world.Settings.WaterHeight         = views[v].WaterHeight;
        shot.Water                         = false;
        const std::vector<UINT8> dry       = shot.Render(world, views[v].Camera);
        shot.Water                         = true;
        const std::vector<UINT8> wet       = shot.Render(world, views[v].Camera);
        UINT32                   unchanged = 0;
        for (UINT32 p = 0; p < total; ++p)
            unchanged += SamePixel(&dry[p * 4], &wet[p * 4]);
        const bool under = views[v].Camera.Position.z < views[v].WaterHeight;
        printf("view %u (%s the water): %u of %u pixels left as they were\n", v, under ? "under" : "above", unchanged,
               total);
        if (under)
            EXPECT_LT(unchanged, total / 100) << "view " << v << ": seen from under water, every pixel is";
        else
            EXPECT_TRUE(unchanged > total / 10 && unchanged < total * 9 / 10) << "view " << v;
        if (v != 3)
            continue;

        // Looking up: the rays that meet the surface from below, inside the window
        // (the critical angle of water, 48.8 degrees, less a margin for the
        // ripples) against those past it.
        float  inside = 0.0f, outside = 0.0f;
        UINT32 insideCount = 0, outsideCount = 0;
        for (UINT32 y = 0; y < shot.Height; ++y)
            for (UINT32 x = 0; x < shot.Width; ++x)
            {
                const UINT8* before = &dry[((size_t)y * shot.Width + x) * 4];
                if (!(abs(before[0] - 51) <= 1 && abs(before[1] - 102) <= 1 && abs(before[2] - 178) <= 1))
                    continue;   // terrain in front of the surface
                const float up = RayUp(world.View, x, y, shot.Width, shot.Height);
                const float b  = Brightness(&wet[((size_t)y * shot.Width + x) * 4]);
                if (up > cosf(40.0f * Pi / 180.0f))
                {
                    inside += b;
                    ++insideCount;
                }
                else if (up > 0.1f && up < cosf(58.0f * Pi / 180.0f))
                {
                    outside += b;
                    ++outsideCount;
                }
            }
        ASSERT_GT(insideCount, 1000u);
        ASSERT_GT(outsideCount, 1000u);
        inside /= (float)insideCount;
        outside /= (float)outsideCount;
        printf("underside: brightness in the window %.1f, past it %.1f\n", inside, outside);
        EXPECT_GT(inside, outside * 1.3f) << "the sky shows through the window overhead only";
    }
    EXPECT_EQ(TGCurGLTable->GetError(), (GLenum)GL_NO_ERROR);
}
