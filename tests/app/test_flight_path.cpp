// The benchmark's flight path over the demo's world.
#include "FlightPath.h"
#include "VoxBlock.h"

#include <gtest/gtest.h>

#include <math.h>

TEST(FlightPath, StartsAtTheInitialCameraAndRepeatsExactly)
{
    const VoxCameraState start = InitialCameraState();
    const VoxCameraState at0   = FlightPathAt(0.0f);
    EXPECT_EQ(at0.Position, start.Position);
    EXPECT_NEAR(at0.Yaw, start.Yaw, 1e-6f);
    EXPECT_NEAR(at0.Pitch, start.Pitch, 1e-6f);

    for (float t : { 1.5f, 7.25f, 22.0f })
    {
        const VoxCameraState a = FlightPathAt(t);
        const VoxCameraState b = FlightPathAt(t);
        const VoxCameraState c = FlightPathAt(t + 2.0f * FlightPathPeriod);
        EXPECT_EQ(a.Position, b.Position) << "a pure function of time";
        EXPECT_NEAR(Distance(a.Position, c.Position), 0.0f, 0.05f) << t;
        EXPECT_EQ(a.PrevPosition, a.Position);
        EXPECT_EQ(a.PrevYaw, a.Yaw);
        EXPECT_EQ(a.PrevPitch, a.Pitch);
    }
}

TEST(FlightPath, StaysInsideTheWorldMovesSmoothlyAndSeesTheSky)
{
    float          lowestPitch = 10.0f, totalTurn = 0.0f;
    VoxCameraState prev = FlightPathAt(0.0f);
    const float    step = 1.0f / 60.0f;
    for (float t = step; t <= FlightPathPeriod; t += step)
    {
        const VoxCameraState c = FlightPathAt(t);
        EXPECT_GE(c.Position.x, VoxWorldMin.x);
        EXPECT_LE(c.Position.x, VoxWorldMax.x);
        EXPECT_GE(c.Position.y, VoxWorldMin.y);
        EXPECT_LE(c.Position.y, VoxWorldMax.y);
        EXPECT_GE(c.Position.z, 431.0f);
        EXPECT_LE(c.Position.z, 512.5f);
        EXPECT_GE(c.Pitch, ZNFlyPitchMin);
        EXPECT_LE(c.Pitch, ZNFlyPitchMax);
        EXPECT_GT(c.Yaw, -2.0f * ZN_PI);
        EXPECT_LT(c.Yaw, 2.0f * ZN_PI);
        // No faster than about the camera's own fast flight (shift held).
        ASSERT_LT(Distance(c.Position, prev.Position), ZNFlySpeed * ZNFlyFastFactor * 1.1f * step) << t;
        const float turn = fabsf(ZNBlendYaw(prev.Yaw, c.Yaw, 1.0f) - ZNBlendYaw(prev.Yaw, c.Yaw, 0.0f));
        ASSERT_LT(turn, 0.05f) << t;
        totalTurn += turn;
        lowestPitch = fminf(lowestPitch, c.Pitch);
        prev        = c;
    }
    // Level is pi / 2: the view comes up to within 10 degrees of the horizon, where
    // a 90-degree view shows sky, and the heading turns all the way round.
    EXPECT_LT(lowestPitch, ZN_PI * 0.5f + 0.18f);
    EXPECT_GT(lowestPitch, ZN_PI * 0.5f);
    EXPECT_NEAR(totalTurn, 2.0f * ZN_PI, 0.01f);
}
