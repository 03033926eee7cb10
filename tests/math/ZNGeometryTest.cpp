// Geometry queries: tolerance boundaries, hits and misses of every ray query,
// polygon planes and cleaning, shared edges, and the rule that a polygon
// without a trustworthy plane is a miss everywhere.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestMath.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <math.h>
#include <string>

#include "math/ZNGeometry.h"

namespace
{
typedef ZNPodArray<ZNVec3> Poly;

Poly MakePoly(std::initializer_list<ZNVec3> corners)
{
    Poly p;
    for (const ZNVec3& c : corners)
        p.Add(c);
    return p;
}

// Counter-clockwise about +z in the z = 0 plane.
Poly Square(float size = 1.0f)
{
    return MakePoly({ ZNVec3(0, 0, 0), ZNVec3(size, 0, 0), ZNVec3(size, size, 0), ZNVec3(0, size, 0) });
}

const ZNPlane kGround(ZNVec3(0, 0, 1), 0.0f);   // z = 0, front is +z
const ZNVec3  kDown(0, 0, -1), kUp(0, 0, 1);
}   // namespace

TEST(ZNClassify, OnPlaneBandBoxesPointListsAndTriangles)
{
    EXPECT_EQ(Classify(kGround, ZNVec3(5, -3, 0.00001f)), 0);
    EXPECT_EQ(Classify(kGround, ZNVec3(5, -3, 0.0000101f)), 1);
    EXPECT_EQ(Classify(kGround, ZNVec3(5, -3, -0.00001f)), 0);
    EXPECT_EQ(Classify(kGround, ZNVec3(5, -3, -0.0000101f)), -1);
    EXPECT_EQ(Classify(ZNPlane(kUp, 2.0f), ZNVec3(0, 0, 1)), -1);

    EXPECT_EQ(ClassifyBox(kGround, ZNBox(ZNVec3(0, 0, 0), ZNVec3(1, 1, 0))), 0);    // lies in the plane
    EXPECT_EQ(ClassifyBox(kGround, ZNBox(ZNVec3(0, 0, -1), ZNVec3(1, 1, 1))), 0);   // cut by it
    EXPECT_EQ(ClassifyBox(kGround, ZNBox(ZNVec3(0, 0, 0.5f), ZNVec3(1, 1, 2))), 1);
    EXPECT_EQ(ClassifyBox(kGround, ZNBox(ZNVec3(0, 0, -2), ZNVec3(1, 1, -0.5f))), -1);
    // Only the last corner (max) is in front: every corner must be looked at.
    const ZNPlane diagonal(Normalize(ZNVec3(1, 1, 1)), 1.5f);
    EXPECT_EQ(ClassifyBox(diagonal, ZNBox(ZNVec3(0, 0, 0), ZNVec3(1, 1, 1))), 0);
    EXPECT_EQ(ClassifyBox(diagonal, ZNBox(ZNVec3(0, 0, 0), ZNVec3(1, 1, 0.5f))), -1);

    EXPECT_EQ(ClassifyPoints(kGround, Poly()), -8);
    EXPECT_EQ(ClassifyPoints(kGround, MakePoly({ ZNVec3(0, 0, -1), ZNVec3(3, 3, -2) })), -1);
    EXPECT_EQ(ClassifyPoints(kGround, MakePoly({ ZNVec3(0, 0, 1), ZNVec3(3, 3, 2), ZNVec3(1, 1, -1) })), 0);

    const ZNVec3 front(0, 0, 1), back(0, 0, -1), on(1, 1, 0);
    EXPECT_FALSE(TriangleStraddles(kGround, front, front * 2, front * 3));
    EXPECT_FALSE(TriangleStraddles(kGround, on, on * 2, on * 3));
    EXPECT_TRUE(TriangleStraddles(kGround, on, front, front));   // touching is not agreeing
    EXPECT_TRUE(TriangleStraddles(kGround, front, front, back));
}

TEST(ZNRayPlane, SidednessParallelRaysAndHitsBehind)
{
    // 1 unit in front, moving away along the normal.
    const ZNRay away(ZNVec3(0, 0, 1), kUp);
    float       t = 123.0f;
    EXPECT_FALSE(IntersectRayPlane(away, kGround, false, &t, false));
    EXPECT_EQ(t, 123.0f);
    EXPECT_TRUE(IntersectRayPlane(away, kGround, false, &t, true));
    EXPECT_FLOAT_EQ(t, -1.0f);
    EXPECT_FALSE(IntersectRayPlane(away, kGround, true, &t, true));

    // t counts in units of v; back faces only when two-sided.
    EXPECT_TRUE(IntersectRayPlane(ZNRay(ZNVec3(3, 4, 10), ZNVec3(0, 0, -2)), kGround, true, &t, false));
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_FALSE(IntersectRayPlane(ZNRay(ZNVec3(0, 0, -3), kUp), kGround, true, nullptr, false));
    EXPECT_TRUE(IntersectRayPlane(ZNRay(ZNVec3(0, 0, -3), kUp), kGround, false, nullptr, false));

    EXPECT_FALSE(IntersectRayPlane(ZNRay(away.o, ZNVec3(1, 0, -0.00009f)), kGround, false, nullptr, false));
    EXPECT_TRUE(IntersectRayPlane(ZNRay(away.o, ZNVec3(1, 0, -0.0002f)), kGround, false, &t, false));
    EXPECT_NEAR(t, 5000.0f, 0.01f);
}

TEST(ZNRayTriangle, HitsBothSidesUnlessOneSidedAndMissesOutside)
{
    const ZNVec3 a(0, 0, 0), b(2, 0, 0), c(0, 2, 0);   // front faces +z
    float        tFront = 0.0f, tBack = 0.0f;
    EXPECT_TRUE(IntersectRayTriangle(ZNRay(ZNVec3(0.5f, 0.5f, 4), kDown), a, b, c, true, &tFront));
    EXPECT_FLOAT_EQ(tFront, 4.0f);
    EXPECT_FALSE(IntersectRayTriangle(ZNRay(ZNVec3(0.5f, 0.5f, -4), kUp), a, b, c, true, &tBack));
    EXPECT_TRUE(IntersectRayTriangle(ZNRay(ZNVec3(0.5f, 0.5f, -4), kUp), a, b, c, false, &tBack));
    EXPECT_FLOAT_EQ(tBack, tFront);
    EXPECT_TRUE(IntersectRayTriangle(ZNRay(ZNVec3(0.5f, 0.5f, -4), kDown), a, b, c, false, &tBack));
    EXPECT_FLOAT_EQ(tBack, -4.0f);   // behind the origin still counts

    struct Case
    {
        ZNVec3 o;
        bool   hit;
    } cases[] = {
        { ZNVec3(-0.1f, 0.5f, 1), false }, { ZNVec3(0.5f, -0.1f, 1), false }, { ZNVec3(1.1f, 1.0f, 1), false },
        { ZNVec3(1.0f, 1.0f, 1), true },   { ZNVec3(0, 0, 1), true },
    };
    for (const Case& k : cases)
        EXPECT_EQ(IntersectRayTriangle(ZNRay(k.o, kDown), a, b, c, false, nullptr), k.hit) << k.o.x << "," << k.o.y;
    // Collinear corners, and a ray in the triangle's plane, have no determinant.
    EXPECT_FALSE(IntersectRayTriangle(ZNRay(ZNVec3(0.5f, 0, 1), kDown), a, b, ZNVec3(1, 0, 0), false, nullptr));
    EXPECT_FALSE(IntersectRayTriangle(ZNRay(ZNVec3(-1, 0.5f, 0), ZNVec3(1, 0, 0)), a, b, c, false, nullptr));
}

TEST(ZNRaySphere, EntryPointInsideMissesAndBadRadii)
{
    const ZNVec3 o(0, 0, 0);
    struct Case
    {
        ZNVec3 origin, dir;
        float  radius;
        bool   hit;
        float  t;
    } cases[] = {
        { ZNVec3(0, 0, -5), kUp, 1, true, 4 },
        { ZNVec3(0.6f, 0, -5), kUp, 1, true, 4.2f },   // enters where z = -0.8
        { ZNVec3(1, 0, -5), kUp, 1, true, 5 },         // touches the rim
        { ZNVec3(1.01f, 0, -5), kUp, 1, false, 0 },
        { ZNVec3(0, 0, -5), kDown, 1, false, 0 },                 // sphere behind
        { ZNVec3(0, 0.5f, 0), ZNVec3(1, 0, 0), 1, true, 0.5f },   // inside: distance to the centre
        { ZNVec3(0, 0, -5), kUp, 0, true, 5 },                    // a point, hit exactly
        { ZNVec3(0.1f, 0, -5), kUp, 0, false, 0 },
        { ZNVec3(3, 0, -5), kUp, -1, false, 0 },   // a negative radius catches nothing
        { ZNVec3(0, 0, -5), kUp, NAN, false, 0 },
    };
    for (const Case& k : cases)
    {
        float t = 77.0f;
        EXPECT_EQ(IntersectRaySphere(ZNRay(k.origin, k.dir), o, k.radius, &t), k.hit)
            << k.origin.x << " r " << k.radius;
        EXPECT_NEAR(t, k.hit ? k.t : 77.0f, 1e-5f) << k.origin.x << " r " << k.radius;
        EXPECT_EQ(IntersectRaySphere(ZNRay(k.origin, k.dir), o, k.radius, nullptr), k.hit);
    }
}

TEST(ZNRayBox, InsideHitsMissesAndTheFarthestCandidatePlane)
{
    const ZNBox unit(ZNVec3(0, 0, 0), ZNVec3(1, 1, 1));
    struct Case
    {
        ZNVec3 o, v;
        INT32  result;
        ZNVec3 point;
    } cases[] = {
        { ZNVec3(0.5f, 0.2f, 0.9f), ZNVec3(0, 1, 0), 2, ZNVec3(0.5f, 0.2f, 0.9f) },
        { ZNVec3(1, 1, 1), ZNVec3(0, 1, 0), 2, ZNVec3(1, 1, 1) },   // on the surface
        { ZNVec3(-5, 0.5f, 0.5f), ZNVec3(1, 0, 0), 1, ZNVec3(0, 0.5f, 0.5f) },
        { ZNVec3(0.5f, 0.5f, 9), ZNVec3(0, 0, -3), 1, ZNVec3(0.5f, 0.5f, 1) },
        { ZNVec3(-5, 1, 1), ZNVec3(1, 0, 0), 1, ZNVec3(0, 1, 1) },                // along an edge
        { ZNVec3(-1, -0.5f, 0.5f), ZNVec3(1, 1, 0), 1, ZNVec3(0, 0.5f, 0.5f) },   // x at t 1 beats y at t 0.5
        { ZNVec3(-1, -3, 0.5f), ZNVec3(1, 1, 0), 0, ZNVec3() },                   // y at t 3: x already past
        { ZNVec3(-5, 0.5f, 0.5f), ZNVec3(-1, 0, 0), 0, ZNVec3() },                // going away
        { ZNVec3(-5, 1.5f, 0.5f), ZNVec3(1, 0, 0), 0, ZNVec3() },                 // beside
        { ZNVec3(-5, 0.5f, 0.5f), ZNVec3(0, 1, 0), 0, ZNVec3() },                 // parallel to the face
    };
    for (const Case& k : cases)
    {
        ZNVec3 p(7, 7, 7);
        EXPECT_EQ(IntersectRayBox(ZNRay(k.o, k.v), unit, &p), k.result) << k.o.x << "," << k.o.y << "," << k.o.z;
        EXPECT_VEC_NEAR(p, k.result ? k.point : ZNVec3(7, 7, 7), 1e-6f);
        EXPECT_EQ(IntersectRayBox(ZNRay(k.o, k.v), unit, nullptr), k.result);
    }
}

TEST(ZNPlanes, IntersectionLineLiesOnBothPlanes)
{
    ZNLine line;
    ASSERT_TRUE(IntersectPlanes(kGround, ZNPlane(ZNVec3(1, 0, 0), 0.0f), &line));
    EXPECT_VEC_NEAR(line.point, ZNVec3(0, 0, 0), 1e-6f);
    EXPECT_VEC_NEAR(line.dir, ZNVec3(0, 1, 0), 1e-6f);
    ASSERT_TRUE(IntersectPlanes(ZNPlane(kUp, 2.0f), ZNPlane(ZNVec3(1, 0, 0), 3.0f), &line));
    EXPECT_VEC_NEAR(line.point, ZNVec3(3, 0, 2), 1e-6f);
    EXPECT_FALSE(IntersectPlanes(kGround, ZNPlane(kDown, 5.0f), &line));
    EXPECT_FALSE(IntersectPlanes(kGround, ZNPlane(ZNVec3(0, 0.00001f, 1), 5.0f), nullptr));
    EXPECT_TRUE(IntersectPlanes(kGround, ZNPlane(ZNVec3(0, 1, 0), 5.0f), nullptr));
    // Planes at an angle: the line found lies in both.
    const ZNPlane a(Normalize(ZNVec3(1, 2, 3)), 4.0f), b(Normalize(ZNVec3(-2, 0.5f, 1)), -1.0f);
    ASSERT_TRUE(IntersectPlanes(a, b, &line));
    for (float along : { 0.0f, 10.0f })
    {
        EXPECT_NEAR(SignedDistance(a, line.point + line.dir * along), 0.0f, 1e-5f);
        EXPECT_NEAR(SignedDistance(b, line.point + line.dir * along), 0.0f, 1e-5f);
    }
}

TEST(ZNPolygon, PlaneFollowsTheWindingAndRequiresPlanarity)
{
    ZNPlane plane;
    ASSERT_TRUE(PolygonPlane(Square(), &plane));
    EXPECT_VEC_NEAR(plane.n, kUp, 1e-6f);
    const Poly raisedClockwise = MakePoly({ ZNVec3(0, 0, 5), ZNVec3(0, 1, 5), ZNVec3(1, 1, 5), ZNVec3(1, 0, 5) });
    ASSERT_TRUE(PolygonPlane(raisedClockwise, &plane));
    EXPECT_VEC_NEAR(plane.n, kDown, 1e-6f);
    EXPECT_NEAR(plane.d, -5.0f, 1e-6f);

    Poly warped = Square();
    warped[3].z = 0.004f;
    EXPECT_TRUE(PolygonPlane(warped, nullptr));
    warped[3].z = 0.01f;
    EXPECT_FALSE(PolygonPlane(warped, &plane));
    EXPECT_EQ(plane.d, -5.0f);   // nothing written on failure
}

TEST(ZNPolygon, OutlinesWithoutAPlaneAreAMissEverywhere)
{
    Poly warped      = Square();
    warped[3].z      = 0.01f;
    const Poly bad[] = {
        Poly(),
        MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0) }),
        MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(2, 0, 0), ZNVec3(1, 1, 0) }),   // collinear start
        MakePoly({ ZNVec3(0, 0, 0), ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 1, 0) }),   // repeated start
        MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(-1, 0.00001f, 0) }),            // nearly collinear
        MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 1, 0), ZNVec3(NAN, 1, 0) }),
        MakePoly({ ZNVec3(INFINITY, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 1, 0) }),
        warped,   // not planar
    };
    const ZNRay down(ZNVec3(0.5f, 0.25f, 3), kDown);
    for (const Poly& p : bad)
    {
        SCOPED_TRACE(testing::Message() << "outline " << (&p - bad));
        EXPECT_FALSE(PolygonPlane(p, nullptr));
        EXPECT_FALSE(PointInPolygon(p, ZNVec3(0.5f, 0.25f, 0)));
        float t = -5.0f;
        EXPECT_FALSE(IntersectRayPolygon(down, p, false, &t));
        EXPECT_EQ(RayPolygonDepth(down, p, false, &t), -1.0f);
        EXPECT_EQ(t, -5.0f);
    }
}

TEST(ZNPolygon, EdgePlanesFaceOutwardAndCoverBadIndices)
{
    const Poly   square       = Square();
    const ZNVec3 normals[4]   = { ZNVec3(0, -1, 0), ZNVec3(1, 0, 0), ZNVec3(0, 1, 0), ZNVec3(-1, 0, 0) };
    const float  distances[4] = { 0, 1, 1, 0 };
    for (UINT32 i = 0; i < 4; ++i)
    {
        EXPECT_VEC_NEAR(EdgePlane(square, i).n, normals[i], 1e-6f);
        EXPECT_NEAR(EdgePlane(square, i).d, distances[i], 1e-6f);
    }

    ZNDialogRecorder dialogs;
    const ZNPlane    outOfRange = EdgePlane(square, 4);
    EXPECT_EQ(dialogs.Asserts("i >= polygon.Size()"), 1u) << dialogs.Summary();
    const ZNPlane noNormal = EdgePlane(MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(2, 0, 0) }), 0);
    EXPECT_EQ(dialogs.Count(), 1u) << dialogs.Summary();   // no normal is not a caller error
    EXPECT_EQ(outOfRange.n, ZNVec3(0, 0, 0));
    EXPECT_EQ(noNormal.n, ZNVec3(0, 0, 0));
}

TEST(ZNPolygon, PointInPolygonForBothWindings)
{
    const Poly ccw = Square();
    const Poly cw  = MakePoly({ ZNVec3(0, 0, 0), ZNVec3(0, 1, 0), ZNVec3(1, 1, 0), ZNVec3(1, 0, 0) });
    for (const Poly* p : { &ccw, &cw })
    {
        EXPECT_TRUE(PointInPolygon(*p, ZNVec3(0.5f, 0.5f, 0)));
        EXPECT_TRUE(PointInPolygon(*p, ZNVec3(1.000005f, 0.5f, 0)));   // within the band
        EXPECT_FALSE(PointInPolygon(*p, ZNVec3(1.0001f, 0.5f, 0)));
        EXPECT_FALSE(PointInPolygon(*p, ZNVec3(0.5f, -0.5f, 0)));
        EXPECT_TRUE(PointInPolygon(*p, ZNVec3(0.5f, 0.5f, 7)));   // edge planes ignore height
    }
    const Poly tri = MakePoly({ ZNVec3(0, 0, 0), ZNVec3(2, 0, 0), ZNVec3(0, 2, 0) });
    EXPECT_TRUE(PointInPolygon(tri, ZNVec3(0.9f, 0.9f, 0)));
    EXPECT_FALSE(PointInPolygon(tri, ZNVec3(1.1f, 1.1f, 0)));
}

TEST(ZNPolygon, RayPolygonHitsAndDepth)
{
    const Poly square = Square();
    float      t      = 0.0f;
    EXPECT_TRUE(IntersectRayPolygon(ZNRay(ZNVec3(0.25f, 0.75f, 4), ZNVec3(0, 0, -2)), square, true, &t));
    EXPECT_FLOAT_EQ(t, 2.0f);
    EXPECT_TRUE(IntersectRayPolygon(ZNRay(ZNVec3(0.25f, 0.75f, 4), kDown), square, true, nullptr));
    EXPECT_FALSE(IntersectRayPolygon(ZNRay(ZNVec3(0.5f, 0.5f, -1), kUp), square, true, &t));
    EXPECT_TRUE(IntersectRayPolygon(ZNRay(ZNVec3(0.5f, 0.5f, -1), kUp), square, false, &t));
    EXPECT_FALSE(IntersectRayPolygon(ZNRay(ZNVec3(0.5f, 0.5f, 1), kUp), square, false, &t));   // behind
    // The plane is hit outside the polygon: false, with the plane's t written.
    EXPECT_FALSE(IntersectRayPolygon(ZNRay(ZNVec3(3, 0.5f, 2), kDown), square, true, &t));
    EXPECT_FLOAT_EQ(t, 2.0f);
    // Slanted: from (2, 0.5, 1) along (-1, 0, -1) the plane is reached on the edge x = 1.
    EXPECT_TRUE(IntersectRayPolygon(ZNRay(ZNVec3(2, 0.5f, 1), ZNVec3(-1, 0, -1)), square, true, &t));
    EXPECT_FALSE(IntersectRayPolygon(ZNRay(ZNVec3(2.1f, 0.5f, 1), ZNVec3(-1, 0, -1)), square, true, &t));

    // Hit at (1, 2) in a 4 x 4 square: edge distances -2, -3, -2, -1.
    const Poly big = Square(4.0f);
    EXPECT_FLOAT_EQ(RayPolygonDepth(ZNRay(ZNVec3(1, 2, 5), kDown), big, true, &t), -3.0f);
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_FLOAT_EQ(RayPolygonDepth(ZNRay(ZNVec3(2, 2, 5), kDown), big, true, nullptr), -2.0f);
    EXPECT_EQ(RayPolygonDepth(ZNRay(ZNVec3(1, 2, 5), ZNVec3(1, 0, 0)), big, true, &t), -1.0f);
    EXPECT_EQ(RayPolygonDepth(ZNRay(ZNVec3(1, 2, -5), kUp), big, true, &t), -1.0f);
    EXPECT_EQ(RayPolygonDepth(ZNRay(ZNVec3(5, 2, 5), kDown), big, true, &t), -1.0f);
}

TEST(ZNPolygon, CleanRemovesNearDuplicatesAndCollinearCorners)
{
    struct Case
    {
        Poly in;
        bool ok;
        Poly out;
    } cases[] = {
        // The later of two corners 0.00005 apart goes.
        { MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 0.00005f, 0), ZNVec3(1, 1, 0), ZNVec3(0, 1, 0) }),
          true, Square() },
        { MakePoly({ ZNVec3(0, 0, 0), ZNVec3(0.5f, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 1, 0), ZNVec3(0, 1, 0) }), true,
          Square() },
        // Straight runs on several sides, one across the wrap at corner 0.
        { MakePoly({ ZNVec3(0.5f, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 0.5f, 0), ZNVec3(1, 1, 0), ZNVec3(0, 1, 0),
                     ZNVec3(0, 0.5f, 0), ZNVec3(0, 0, 0) }),
          true, MakePoly({ ZNVec3(1, 0, 0), ZNVec3(1, 1, 0), ZNVec3(0, 1, 0), ZNVec3(0, 0, 0) }) },
        // A spike that turns straight back.
        { MakePoly({ ZNVec3(0, 0, 0), ZNVec3(2, 0, 0), ZNVec3(2, 2, 0), ZNVec3(2, 1, 0), ZNVec3(0, 2, 0) }), true,
          MakePoly({ ZNVec3(0, 0, 0), ZNVec3(2, 0, 0), ZNVec3(2, 1, 0), ZNVec3(0, 2, 0) }) },
        { Square(), true, Square() },
        { MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(1, 0, 0) }), false,
          MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0) }) },
        { MakePoly({ ZNVec3(0, 0, 0), ZNVec3(1, 0, 0), ZNVec3(2, 0, 0) }), false,
          MakePoly({ ZNVec3(1, 0, 0), ZNVec3(2, 0, 0) }) },
        { Poly(), false, Poly() },
    };
    for (Case& k : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << (&k - cases));
        EXPECT_EQ(CleanPolygon(k.in), k.ok);
        ASSERT_EQ(k.in.Size(), k.out.Size());
        for (UINT32 i = 0; i < k.out.Size(); ++i)
            EXPECT_EQ(k.in[i], k.out[i]) << i;
    }
}

TEST(ZNPolygon, SharedEdgesBetweenNeighbours)
{
    const Poly left         = Square();
    const Poly right        = MakePoly({ ZNVec3(1, 0, 0), ZNVec3(2, 0, 0), ZNVec3(2, 1, 0), ZNVec3(1, 1, 0) });
    const Poly rightFlipped = MakePoly({ ZNVec3(1, 0, 0), ZNVec3(1, 1, 0), ZNVec3(2, 1, 0), ZNVec3(2, 0, 0) });
    const Poly nearly = MakePoly({ ZNVec3(1.00005f, 0, 0), ZNVec3(2, 0, 0), ZNVec3(2, 1, 0), ZNVec3(1, 1.00005f, 0) });
    const Poly cornerOnly = MakePoly({ ZNVec3(1, 1, 0), ZNVec3(2, 1, 0), ZNVec3(2, 2, 0), ZNVec3(1, 2, 0) });
    // Same winding: the common edge x = 1 runs up in left and down in right.
    EXPECT_EQ(FindSharedEdge(left, right, true), 1);
    EXPECT_EQ(FindSharedEdge(right, left, true), 3);   // right's closing edge wraps to corner 0
    EXPECT_EQ(FindSharedEdge(left, nearly, true), 1);
    // Opposite winding shares the edge in the same direction.
    EXPECT_EQ(FindSharedEdge(left, rightFlipped, true), -1);
    EXPECT_EQ(FindSharedEdge(left, rightFlipped, false), 1);
    EXPECT_EQ(FindSharedEdge(left, cornerOnly, false), -1);
    EXPECT_EQ(FindSharedEdge(left, Poly(), false), -1);
    EXPECT_EQ(FindSharedEdge(Poly(), left, false), -1);
}
