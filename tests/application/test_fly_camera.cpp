// The free camera: steering, movement and interpolation, as plain math.
#include "application/ZNFlyCamera.h"
#include "application/ZNKeys.h"

#include "common/ZNTestMath.h"

#include <gtest/gtest.h>

#include <math.h>

namespace
{

// Above the origin, heading 5 pi / 4, looking 45 degrees down.
ZNFlyCameraState InitialCameraState()
{
    ZNFlyCameraState s;
    s.Position = s.PrevPosition = ZNVec3(0.0f, 0.0f, 512.0f);
    s.Yaw = s.PrevYaw = 3.926991f;
    s.Pitch = s.PrevPitch = 2.3561945f;
    return s;
}

void SetupCamera(const ZNFlyCameraState& s, float t, UINT32 width, UINT32 height, ZNFlyView& out,
                 float fieldOfView = ZNFlyFieldOfView)
{
    ZNSetupFlyView(s, t, width, height, fieldOfView, 5.0f, 5000.0f, out);
}

ZNFlyControls NoInput(UINT32 width = 1024, UINT32 height = 576)
{
    ZNFlyControls c = {};
    c.ClientWidth   = width;
    c.ClientHeight  = height;
    return c;
}

ZNFlyCameraState Level(float yaw)
{
    ZNFlyCameraState s = InitialCameraState();
    s.Position = s.PrevPosition = ZNVec3(10, 20, 30);
    s.Yaw = s.PrevYaw = yaw;
    s.Pitch = s.PrevPitch = ZN_PI * 0.5f;
    return s;
}

}   // namespace

TEST(CameraBlend, YawTakesTheShortArcAcrossZero)
{
    EXPECT_NEAR(ZNBlendYaw(6.2f, 0.1f, 0.5f), 0.008f, 0.001f);
    // The other direction lands on the same heading, whatever its representation.
    const float there = ZNBlendYaw(6.2f, 0.1f, 0.5f);
    const float back  = ZNBlendYaw(0.1f, 6.2f, 0.5f);
    EXPECT_NEAR(cosf(back), cosf(there), 1e-5f);
    EXPECT_NEAR(sinf(back), sinf(there), 1e-5f);
    // Close angles blend directly; the ends are the two inputs.
    EXPECT_NEAR(ZNBlendYaw(1.0f, 2.0f, 0.25f), 1.25f, 1e-6f);
    EXPECT_NEAR(ZNBlendYaw(6.2f, 0.1f, 0.0f), 6.2f - 2.0f * ZN_PI, 1e-5f);
    EXPECT_NEAR(cosf(ZNBlendYaw(6.2f, 0.1f, 1.0f)), cosf(0.1f), 1e-5f);
    // Negative yaws (mouse look keeps the sign) blend the short way as well.
    const float neg = ZNBlendYaw(-0.1f, -6.2f, 0.5f);
    const float mid = -0.1f + 0.5f * (2.0f * ZN_PI - 6.1f);
    EXPECT_NEAR(cosf(neg), cosf(mid), 1e-4f);
    EXPECT_NEAR(sinf(neg), sinf(mid), 1e-4f);
}

TEST(CameraSetup, InterpolationFactorPicksPreviousOrCurrentState)
{
    ZNFlyCameraState s = InitialCameraState();
    s.PrevPosition     = ZNVec3(0, 0, 0);
    s.Position         = ZNVec3(100, 0, 0);
    s.PrevPitch        = 1.0f;
    s.Pitch            = 2.0f;
    ZNFlyView cam;
    SetupCamera(s, 0.0f, 1024, 576, cam);
    EXPECT_VEC_NEAR(cam.Position, ZNVec3(0, 0, 0), 1e-3f);
    SetupCamera(s, 0.5f, 1024, 576, cam);
    EXPECT_VEC_NEAR(cam.Position, ZNVec3(50, 0, 0), 1e-3f);
    const ZNVec3 d = cam.Target - cam.Position;
    EXPECT_NEAR(acosf(d.z), 1.5f, 1e-4f) << "pitch is blended linearly";
    EXPECT_NEAR(cam.Aspect, 1024.0f / 576.0f, 1e-6f);
    EXPECT_EQ(cam.Near, 5.0f);
    EXPECT_EQ(cam.Far, 5000.0f);
    EXPECT_EQ(cam.FieldOfView, 90.0f);
    // Projection of a 90 degree view: index 5 is 1, index 0 is 1 / aspect.
    EXPECT_NEAR(cam.Projection[5], 1.0f, 1e-5f);
    EXPECT_NEAR(cam.Projection[0], 576.0f / 1024.0f, 1e-5f);
}

// Yaw and pitch blend from the previous pair to the current one, each on its
// own: at t = 0 the view is the previous pair's, at t = 1 the current one's, in
// between the linear mix (yaw the short way round).
TEST(CameraSetup, ViewDirectionBlendsFromThePreviousYawAndPitch)
{
    ZNFlyCameraState s = InitialCameraState();
    s.PrevPosition = s.Position = ZNVec3(10, 20, 30);
    s.PrevYaw                   = 0.3f;
    s.Yaw                       = 1.1f;
    s.PrevPitch                 = 1.0f;
    s.Pitch                     = 2.0f;
    // Yaw turns about +Z, pitch is the angle from +Z.
    auto along = [](float yaw, float pitch)
    { return ZNVec3(cosf(yaw) * sinf(pitch), sinf(yaw) * sinf(pitch), cosf(pitch)); };
    const struct
    {
        float t, yaw, pitch;
    } cases[] = { { 0.0f, 0.3f, 1.0f }, { 0.25f, 0.5f, 1.25f }, { 0.5f, 0.7f, 1.5f }, { 1.0f, 1.1f, 2.0f } };
    for (const auto& c : cases)
    {
        ZNFlyView cam;
        SetupCamera(s, c.t, 1024, 576, cam);
        EXPECT_VEC_NEAR(cam.Target - cam.Position, along(c.yaw, c.pitch), 1e-4f) << "t = " << c.t;
        // Up is square to the view and leans towards +Z.
        EXPECT_NEAR(Dot(cam.Up, cam.Target - cam.Position), 0.0f, 1e-4f) << "t = " << c.t;
        EXPECT_GT(cam.Up.z, 0.0f) << "t = " << c.t;
    }
}

TEST(CameraSetup, ViewLooksAtTheTargetWithTheSkyAbove)
{
    ZNFlyCameraState s = InitialCameraState();
    ZNFlyView        cam;
    SetupCamera(s, 0.0f, 800, 600, cam);
    // Unit forward, up perpendicular to it and tilted towards +z for a downward look.
    const ZNVec3 d = cam.Target - cam.Position;
    EXPECT_NEAR(Length(d), 1.0f, 1e-4f);
    EXPECT_NEAR(Dot(d, cam.Up), 0.0f, 1e-4f);
    EXPECT_GT(cam.Up.z, 0.5f);
    // The target lands on the view's negative z axis, the eye at the origin.
    const ZNVec4 t = Transform(cam.View, ZNVec4(cam.Target, 1.0f));
    EXPECT_NEAR(t.x, 0.0f, 1e-4f);
    EXPECT_NEAR(t.y, 0.0f, 1e-4f);
    EXPECT_NEAR(t.z, -1.0f, 1e-4f);
    // A point above the target appears in the upper half of the screen.
    const ZNVec4 above = Transform(Mul(cam.Projection, cam.View), ZNVec4(cam.Target + ZNVec3(0, 0, 0.1f), 1.0f));
    EXPECT_GT(above.y / above.w, 0.0f);
}

TEST(CameraUpdate, PitchIsClampedAndYawKeepsItsSign)
{
    ZNFlyCameraState s    = Level(0.05f);
    UINT32           look = 1;
    ZNFlyControls    in   = NoInput();
    in.Right              = ZNKS_Held;
    in.PrevMouseX         = 100;
    in.MouseX             = 120;   // 20 px right: yaw - 0.2
    in.PrevMouseY         = 100;
    in.MouseY             = 1000;   // far down: pitch past the limit
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_NEAR(s.Yaw, -0.15f, 1e-5f);
    EXPECT_EQ(s.Pitch, 3.1315928f);
    EXPECT_NEAR(s.PrevYaw, 0.05f, 1e-7f);
    EXPECT_NEAR(s.PrevPitch, ZN_PI * 0.5f, 1e-7f);

    in.MouseY = -1000;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(s.Pitch, 0.01f);

    // A large negative turn stays negative and inside (-2 pi, 2 pi).
    s.Yaw     = -6.0f;
    in.MouseX = in.PrevMouseX + 100.0f;
    in.MouseY = in.PrevMouseY;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_NEAR(s.Yaw, -7.0f + 2.0f * ZN_PI, 1e-4f);
    EXPECT_LT(s.Yaw, 0.0f);
    EXPECT_EQ(look, 1u);
}

TEST(CameraUpdate, MouseLookStartsWithoutAJumpAndEnds)
{
    ZNFlyCameraState s    = Level(1.0f);
    UINT32           look = 0;
    ZNFlyControls    in   = NoInput(1025, 577);
    in.Right              = ZNKS_Pressed;
    in.MouseX             = 10;
    in.MouseY             = 500;
    in.PrevMouseX         = 900;
    in.PrevMouseY         = 3;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(look, 1u);
    EXPECT_EQ(in.MouseX, 10.0f) << "the pointer stays where it was pressed";
    EXPECT_EQ(in.PrevMouseX, 10.0f);
    EXPECT_EQ(in.MouseY, 500.0f);
    EXPECT_EQ(in.PrevMouseY, 500.0f);
    EXPECT_EQ(s.Yaw, 1.0f) << "the press frame does not turn";

    in.Right  = ZNKS_Released;
    in.MouseX = 700;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(look, 0u);
    EXPECT_EQ(s.Yaw, 1.0f) << "the release frame does not turn";

    // Without the button the mouse has no effect.
    in.Right = ZNKS_Up;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(s.Yaw, 1.0f);
    EXPECT_EQ(look, 0u);

    // A click within one frame reads pressed, then up without a release: the
    // look (and the pointer's capture) ends all the same.
    in.Right = ZNKS_Pressed;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(look, 1u);
    in.Right = ZNKS_Up;
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_EQ(look, 0u) << "a short click left the mouse look on";
}

TEST(CameraUpdate, ZeroFrameTimeStillRecordsThePreviousPosition)
{
    ZNFlyCameraState s = Level(0.0f);
    s.PrevPosition     = ZNVec3(-1, -1, -1);
    UINT32        look = 0;
    ZNFlyControls in   = NoInput();
    in.W               = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.0f);
    EXPECT_EQ(s.Position, ZNVec3(10, 20, 30));
    EXPECT_EQ(s.PrevPosition, ZNVec3(10, 20, 30));
}

TEST(CameraUpdate, KeysMoveAlongViewAndCancel)
{
    UINT32           look = 0;
    // Heading +y, looking level: W moves +y, A (left) moves -x.
    ZNFlyCameraState s  = Level(ZN_PI * 0.5f);
    ZNFlyControls    in = NoInput();
    in.W                = ZNKS_Pressed;
    ZNUpdateFlyCamera(s, in, look, 0.5f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10, 70, 30), 1e-3f);
    EXPECT_EQ(s.PrevPosition, ZNVec3(10, 20, 30));

    s    = Level(ZN_PI * 0.5f);
    in   = NoInput();
    in.W = ZNKS_Held;
    in.S = ZNKS_Released;   // released this frame still counts
    ZNUpdateFlyCamera(s, in, look, 0.5f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10, 20, 30), 1e-3f);

    s    = Level(ZN_PI * 0.5f);
    in   = NoInput();
    in.A = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(0, 20, 30), 1e-3f);

    s        = Level(ZN_PI * 0.5f);
    in       = NoInput();
    in.D     = ZNKS_Held;
    in.Space = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(20, 20, 40), 1e-3f);

    s          = Level(ZN_PI * 0.5f);
    in         = NoInput();
    in.Control = ZNKS_Held;
    in.Space   = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10, 20, 30), 1e-3f);

    // Forward follows the pitch: looking 45 degrees down, W dives.
    s       = Level(0.0f);
    s.Pitch = 2.3561945f;
    in      = NoInput();
    in.W    = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 1.0f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10 + 70.7107f, 20, 30 - 70.7107f), 1e-2f);
}

TEST(CameraUpdate, ShiftDoublesOnlyHorizontalSpeed)
{
    UINT32           look = 0;
    ZNFlyCameraState s    = Level(0.0f);
    ZNFlyControls    in   = NoInput();
    in.W                  = ZNKS_Held;
    in.Shift              = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(30, 20, 30), 1e-3f);

    s        = Level(0.0f);
    in       = NoInput();
    in.Space = ZNKS_Held;
    in.Shift = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10, 20, 40), 1e-3f);

    s        = Level(0.0f);
    in       = NoInput();
    in.A     = ZNKS_Held;
    in.Shift = ZNKS_Pressed;
    ZNUpdateFlyCamera(s, in, look, 0.1f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10, 40, 30), 1e-3f);
}

TEST(CameraUpdate, TunedSpeedSensitivityInversionAndFieldOfView)
{
    ZNFlyCameraState s    = Level(0.0f);
    UINT32           look = 1;
    ZNFlyControls    in   = NoInput();
    in.Speed              = 250.0f;
    in.W                  = ZNKS_Held;
    ZNUpdateFlyCamera(s, in, look, 0.5f);
    EXPECT_VEC_NEAR(s.Position, ZNVec3(10 + 125, 20, 30), 1e-3f);

    in             = NoInput();
    in.Right       = ZNKS_Held;
    in.Sensitivity = 0.002f;
    in.PrevMouseX = in.PrevMouseY = 100;
    in.MouseX                     = 150;   // 50 px right
    in.MouseY                     = 110;   // 10 px down: looks down
    s                             = Level(0.0f);
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_NEAR(s.Yaw, -0.1f, 1e-6f);
    EXPECT_NEAR(s.Pitch, ZN_PI * 0.5f + 0.02f, 1e-6f);
    in.InvertY = 1;   // the same motion now looks up
    s          = Level(0.0f);
    ZNUpdateFlyCamera(s, in, look, 0.016f);
    EXPECT_NEAR(s.Pitch, ZN_PI * 0.5f - 0.02f, 1e-6f);

    ZNFlyView wide, narrow;
    SetupCamera(s, 0.0f, 1024, 576, wide, 120.0f);
    SetupCamera(s, 0.0f, 1024, 576, narrow);
    EXPECT_EQ(wide.FieldOfView, 120.0f);
    EXPECT_EQ(narrow.FieldOfView, ZNFlyFieldOfView) << "the designed default";
    EXPECT_LT(wide.Projection.Data()[5], narrow.Projection.Data()[5]) << "a wider view scales y down";
}
