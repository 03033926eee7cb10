// Vectors, matrices and quaternions: exact elements of the builders, the
// rotation sense, and properties over random inputs checked against
// independent formulas (Rodrigues' rotation, applying factors one by one).
#include "common/ZNTestMath.h"

#include <gtest/gtest.h>

#include <random>
#include <type_traits>

#include "math/ZNMath.h"

namespace
{
// The engine's byte-moving containers and the uniform upload rely on these.
static_assert(std::is_trivially_copyable<ZNVec3>::value && std::is_trivially_copyable<ZNMat4>::value &&
                  std::is_trivially_copyable<ZNQuat>::value && std::is_trivially_copyable<ZNVec4>::value,
              "math types must be byte-copyable");
static_assert(sizeof(ZNVec3) == 12 && sizeof(ZNVec4) == 16 && sizeof(ZNMat4) == 64, "packed floats");

std::mt19937 gen(12345);
float        Uniform(float lo, float hi)
{
    return std::uniform_real_distribution<float>(lo, hi)(gen);
}
ZNVec3 RandomVec(float r)
{
    return ZNVec3(Uniform(-r, r), Uniform(-r, r), Uniform(-r, r));
}
ZNMat4 RandomMat(float r)
{
    ZNMat4 m;
    for (UINT32 i = 0; i < 16; ++i)
        m[i] = Uniform(-r, r);
    return m;
}

// Clockwise rotation (right-hand rule by -angle) about a unit axis, written
// independently of the quaternion code.
ZNVec3 RotateClockwise(const ZNVec3& v, const ZNVec3& k, float angle)
{
    const float c = cosf(angle), s = sinf(angle);
    return v * c - Cross(k, v) * s + k * (Dot(k, v) * (1 - c));
}
}   // namespace

TEST(ZNVec, CrossAndNormalize)
{
    EXPECT_EQ(Cross(ZNVec3(1, 0, 0), ZNVec3(0, 1, 0)), ZNVec3(0, 0, 1));
    EXPECT_EQ(Cross(ZNVec3(0, 0, 1), ZNVec3(1, 0, 0)), ZNVec3(0, 1, 0));
    EXPECT_EQ(Cross(ZNVec3(1.5f, -2, 3), ZNVec3(-4, 0.5f, 2)), ZNVec3(-5.5f, -15, -7.25f));

    ZNVec3 zero;
    zero.Normalize();
    EXPECT_EQ(zero, ZNVec3(0, 0, 0));
    EXPECT_VEC_NEAR(Normalize(ZNVec3(3, 0, 4)), ZNVec3(0.6f, 0, 0.8f), 1e-7f);
    // Their float squares underflow to 0; they must still come out unit length.
    EXPECT_VEC_NEAR(Normalize(ZNVec3(1e-30f, 0, 0)), ZNVec3(1, 0, 0), 1e-7f);
    EXPECT_VEC_NEAR(Normalize(ZNVec3(0, -3e-39f, 0)), ZNVec3(0, -1, 0), 1e-7f);
}

TEST(ZNMat, TransformReadsColumnMajorAndProductsApplyTheRightFactorFirst)
{
    ZNMat4 m;
    for (UINT32 i = 0; i < 16; ++i)
        m[i] = (float)(i + 1);
    // Component i = m[i] + 10 m[4 + i] + 100 m[8 + i] + 1000 m[12 + i].
    EXPECT_EQ(Transform(m, ZNVec4(1, 10, 100, 1000)), ZNVec4(13951, 15062, 16173, 17284));
    EXPECT_EQ(Translation(ZNVec3(1, 2, 3)) * ZNVec4(1, 1, 1, 0), ZNVec4(1, 1, 1, 0));   // directions stay

    // Scale by 2, then move by (1, 0, 0): (1, 1, 1) -> (3, 2, 2); the other order gives (4, 2, 2).
    const ZNMat4 ts = Mul(Translation(ZNVec3(1, 0, 0)), Scaling(ZNVec3(2, 2, 2)));
    EXPECT_EQ(Transform(ts, ZNVec4(1, 1, 1, 1)), ZNVec4(3, 2, 2, 1));
    EXPECT_EQ(Transform(Scaling(ZNVec3(2, 2, 2)) * Translation(ZNVec3(1, 0, 0)), ZNVec4(1, 1, 1, 1)),
              ZNVec4(4, 2, 2, 1));

    for (int i = 0; i < 100; ++i)
    {
        const ZNMat4 L = RandomMat(2), R = RandomMat(2);
        const ZNVec4 p(RandomVec(5), Uniform(-5, 5));
        const ZNVec4 once = Transform(Mul(L, R), p), inTurn = Transform(L, Transform(R, p));
        EXPECT_NEAR(Dot(once - inTurn, once - inTurn), 0.0f, 1e-7f);
    }
}

TEST(ZNMat, PerspectiveElementsAndDepthRange)
{
    const ZNMat4 p = Perspective(ZN_PI / 2, 16.0f / 9.0f, 5.0f, 5000.0f);
    EXPECT_FLOAT_EQ(p[0], 0.5625f);
    EXPECT_FLOAT_EQ(p[5], 1.0f);
    EXPECT_FLOAT_EQ(p[10], -5005.0f / 4995.0f);
    EXPECT_FLOAT_EQ(p[14], -50000.0f / 4995.0f);
    EXPECT_EQ(p[11], -1.0f);
    EXPECT_EQ(p[15], 0.0f);
    EXPECT_EQ(p[4] + p[8] + p[12] + p[1] + p[9] + p[13] + p[2] + p[6] + p[3] + p[7], 0.0f);

    // In front of the camera (negative z): depth -1 at near, 1 at far; the
    // top edge of the 90 degree field of view lands on clip y = 1.
    const ZNVec4 nearPt = p * ZNVec4(0, 0, -5, 1), farPt = p * ZNVec4(0, 0, -5000, 1), top = p * ZNVec4(0, 10, -10, 1);
    EXPECT_NEAR(nearPt.z / nearPt.w, -1.0f, 1e-5f);
    EXPECT_NEAR(farPt.z / farPt.w, 1.0f, 1e-4f);
    EXPECT_NEAR(top.y / top.w, 1.0f, 1e-6f);
}

TEST(ZNMat, OrthoTakesTopBeforeBottomAndPutsTheOriginTopLeft)
{
    const ZNMat4 o = Ortho(0, 1024, 0, 576, -1, 1);
    EXPECT_EQ(o[10], -1.0f);
    EXPECT_EQ(o[14], 0.0f);
    EXPECT_EQ(Transform(o, ZNVec4(0, 0, 0, 1)), ZNVec4(-1, 1, 0, 1));
    EXPECT_VEC_NEAR(Transform(o, ZNVec4(1024, 576, 0, 1)).XYZ(), ZNVec3(1, -1, 0), 1e-6f);

    // A general box, depth included: z = -near maps to -1 and z = -far to 1.
    const ZNMat4 g = Ortho(-2, 6, 3, -1, 1, 9);
    EXPECT_VEC_NEAR(Transform(g, ZNVec4(-2, 3, -1, 1)).XYZ(), ZNVec3(-1, 1, -1), 1e-6f);
    EXPECT_VEC_NEAR(Transform(g, ZNVec4(6, -1, -9, 1)).XYZ(), ZNVec3(1, -1, 1), 1e-6f);
}

TEST(ZNMat, LookAtMapsEyeToOriginAndTargetOntoNegativeZ)
{
    EXPECT_MAT_NEAR(LookAt(ZNVec3(0, 0, 0), ZNVec3(0, 0, -1), ZNVec3(0, 1, 0)), Identity(), 0.0f);

    for (int i = 0; i < 200; ++i)
    {
        const ZNVec3 eye = RandomVec(1000), target = eye + RandomVec(100), up = Normalize(RandomVec(1));
        if (Length(Cross(Normalize(target - eye), up)) < 0.1f)
            continue;
        const ZNMat4 v = LookAt(eye, target, up);
        EXPECT_NEAR(Length(Transform(v, ZNVec4(eye, 1)).XYZ()), 0.0f, 1e-3f);
        EXPECT_VEC_NEAR(Transform(v, ZNVec4(target, 1)).XYZ(), ZNVec3(0, 0, -Length(target - eye)), 2e-3f);
        EXPECT_GT(Transform(v, ZNVec4(up, 0)).y, 0.0f);   // up stays up
        const ZNVec3 d = RandomVec(10);
        EXPECT_NEAR(Length(Transform(v, ZNVec4(d, 0)).XYZ()), Length(d), 1e-4f);   // no scaling
    }

    // Without a direction (eye on the target, up along the view) nothing turns NaN.
    const ZNMat4 a = LookAt(ZNVec3(1, 2, 3), ZNVec3(1, 2, 3), ZNVec3(0, 1, 0));
    const ZNMat4 b = LookAt(ZNVec3(0, 0, 0), ZNVec3(0, 5, 0), ZNVec3(0, 1, 0));
    for (UINT32 i = 0; i < 16; ++i)
        EXPECT_TRUE(isfinite(a[i]) && isfinite(b[i])) << i;
}

TEST(ZNMat, InverseUndoesTheMatrixAndRefusesSingularOnes)
{
    for (int i = 0; i < 100; ++i)
    {
        const ZNVec3 eye  = RandomVec(3000);
        const ZNMat4 view = LookAt(eye, eye + RandomVec(10), ZNVec3(0, 0, 1));
        const ZNMat4 m    = Mul(view, Scaling(ZNVec3(2, 3, 0.5f)));
        ZNMat4       inv, camera;
        ASSERT_TRUE(Inverse(m, inv));
        ASSERT_TRUE(Inverse(view, camera));
        // Translations of thousands of units carry float rounding of ~1e-4.
        EXPECT_MAT_NEAR(Mul(inv, m), Identity(), 1e-3f);
        EXPECT_MAT_NEAR(Mul(m, inv), Identity(), 1e-3f);
        EXPECT_NEAR(Length(Transform(camera, ZNVec4(0, 0, 0, 1)).XYZ() - eye), 0.0f, 1e-3f);
    }

    ZNMat4 untouched = Translation(ZNVec3(9, 9, 9));
    ZNMat4 zeroColumn;
    zeroColumn[0]  = 0;
    zeroColumn[12] = 1;
    EXPECT_FALSE(Inverse(Scaling(ZNVec3(1, 0, 1)), untouched));
    EXPECT_FALSE(Inverse(zeroColumn, untouched));
    EXPECT_EQ(untouched[12], 9.0f);
}

TEST(ZNQuat, RotateTurnsClockwiseAboutAnAxisPointingAtTheViewer)
{
    const ZNQuat q = FromAxisAngle(1.0f, ZNVec3(0, 0, 2));   // the axis is not normalised
    EXPECT_FLOAT_EQ(q.z, 2.0f * sinf(0.5f));
    EXPECT_FLOAT_EQ(q.w, cosf(0.5f));
    EXPECT_MAT_NEAR(ToMatrix(ZNQuat()), Identity(), 0.0f);

    EXPECT_VEC_NEAR(Rotate(ZNVec3(1, 0, 0), FromAxisAngle(ZN_PI / 2, ZNVec3(0, 0, 1))), ZNVec3(0, -1, 0), 1e-6f);
    EXPECT_VEC_NEAR(Rotate(ZNVec3(0, 1, 0), FromAxisAngle(ZN_PI / 2, ZNVec3(1, 0, 0))), ZNVec3(0, 0, -1), 1e-6f);
    EXPECT_VEC_NEAR(Rotate(ZNVec3(0, 0, 1), FromAxisAngle(ZN_PI / 2, ZNVec3(0, 1, 0))), ZNVec3(-1, 0, 0), 1e-6f);

    for (int i = 0; i < 300; ++i)
    {
        ZNVec3 axis = RandomVec(1);
        if (Length(axis) < 0.1f)
            continue;
        axis.Normalize();
        const float  angle = Uniform(-2 * ZN_PI, 2 * ZN_PI);
        const ZNVec3 v     = RandomVec(10);
        const ZNQuat r     = FromAxisAngle(angle, axis);
        EXPECT_VEC_NEAR(Rotate(v, r), RotateClockwise(v, axis, angle), 2e-4f);
        const ZNMat4 m = ToMatrix(r);   // a rotation, not a reflection
        EXPECT_NEAR(Dot(Cross(ZNVec3(m[0], m[1], m[2]), ZNVec3(m[4], m[5], m[6])), ZNVec3(m[8], m[9], m[10])), 1.0f,
                    1e-5f);
    }
}
