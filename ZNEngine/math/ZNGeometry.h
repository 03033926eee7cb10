// ZNGeometry: classification and intersection queries on planes, rays,
// triangles, spheres, axis-aligned boxes and convex 3D polygons.
//
//   ZNPlane  normal n, distance d: p is on the plane when Dot(n, p) == d; the
//            signed distance Dot(n, p) - d is positive in front (where n points)
//   ZNRay    origin o, direction v; points o + t v, t in units of v
//   ZNBox    min and max corners
//   ZNLine   point and unit direction
//   polygon  ZNPodArray<ZNVec3> of corners, convex and planar, wound
//            counter-clockwise about its normal for outward edge planes
//
// Tolerances are fixed: 1e-5 on-plane band for every classification, 1e-4 for
// a ray parallel to a plane, 1e-8 for the ray-triangle determinant and the
// plane-plane intersection, 0.005 for polygon planarity, 1e-4 for coincident
// corners in CleanPolygon and FindSharedEdge.
//
// Out-parameters are pointers and may be null: the query still returns its
// verdict. Results are only written on the paths documented per function.
//
// Degenerate polygons never yield a plane that later queries trust: a polygon
// with fewer than 3 corners, whose first three corners are (nearly) collinear
// or coincident, or that is not planar has no plane (PolygonPlane is false),
// and PointInPolygon, IntersectRayPolygon and RayPolygonDepth then report a
// miss (false, or -1 for the depth). No query here allocates.
#pragma once

#include "core/ZNTemplate.h"
#include "math/ZNMath.h"

struct ZNPlane
{
    ZNVec3 n;          // normal; unit length for distances in world units
    float  d = 0.0f;   // Dot(n, p) for every point p on the plane

    ZNPlane() = default;
    ZNPlane(const ZNVec3& an, float ad) : n(an), d(ad) {}
};

struct ZNRay
{
    ZNVec3 o;   // origin
    ZNVec3 v;   // direction; unit length for IntersectRaySphere

    ZNRay() = default;
    ZNRay(const ZNVec3& ao, const ZNVec3& av) : o(ao), v(av) {}
};

struct ZNBox
{
    ZNVec3 min;   // smallest corner
    ZNVec3 max;   // largest corner

    ZNBox() = default;
    ZNBox(const ZNVec3& amin, const ZNVec3& amax) : min(amin), max(amax) {}
};

struct ZNLine
{
    ZNVec3 point;   // a point on the line
    ZNVec3 dir;     // unit direction
};

// Signed distance of p from the plane.
inline float SignedDistance(const ZNPlane& plane, const ZNVec3& p)
{
    return Dot(plane.n, p) - plane.d;
}

// ---------------------------------------------------------------------------
// Classification: -1 back, 0 on the plane (|distance| <= 1e-5) or straddling, 1 front
// ---------------------------------------------------------------------------
INT32 Classify(const ZNPlane& plane, const ZNVec3& point);

// The code of the first corner when all 8 corners agree, else 0.
INT32 ClassifyBox(const ZNPlane& plane, const ZNBox& box);

// -8 for an empty array; the first point's code when all agree, else 0.
INT32 ClassifyPoints(const ZNPlane& plane, const ZNPodArray<ZNVec3>& points);

// False when a, b and c all classify the same (front, back or on the plane).
bool TriangleStraddles(const ZNPlane& plane, const ZNVec3& a, const ZNVec3& b, const ZNVec3& c);

// ---------------------------------------------------------------------------
// Ray queries
// ---------------------------------------------------------------------------

// False when the ray is parallel (|n.v| < 1e-4), when oneSided and the ray
// travels along the normal (would hit the back), or when t < 0 and behind
// hits are not allowed. Writes t on a hit.
bool IntersectRayPlane(const ZNRay& ray, const ZNPlane& plane, bool oneSided, float* t, bool allowBehind);

// Determinant form with edges from a. oneSided rejects back faces. Hits
// behind the origin (t < 0) count. Writes t on a hit.
bool IntersectRayTriangle(const ZNRay& ray, const ZNVec3& a, const ZNVec3& b, const ZNVec3& c, bool oneSided, float* t);

// ray.v must have unit length. An origin inside or on the sphere hits with t =
// distance from the origin to the centre; otherwise t is the entry distance.
// A negative (or NaN) radius never hits; radius 0 is a point that a ray
// exactly through it hits.
bool IntersectRaySphere(const ZNRay& ray, const ZNVec3& centre, float radius, float* t);

// 0 miss, 1 hit (point = entry point on the box surface), 2 origin inside the
// box (point = origin). Hits behind the origin miss.
INT32 IntersectRayBox(const ZNRay& ray, const ZNBox& box, ZNVec3* point);

// The polygon's plane, hit from the front only when oneSided, never behind the
// origin, and the hit point inside the polygon. t is written whenever the
// plane is hit, even if the point then falls outside the polygon.
bool IntersectRayPolygon(const ZNRay& ray, const ZNPodArray<ZNVec3>& polygon, bool oneSided, float* t);

// As IntersectRayPolygon, but -1 for a miss, otherwise the smallest signed
// distance from the hit point to the edge planes (<= 1e-5; edge normals point
// outwards, so a point well inside gives a negative value). Note that a hit
// can itself measure exactly -1; use IntersectRayPolygon for the verdict.
float RayPolygonDepth(const ZNRay& ray, const ZNPodArray<ZNVec3>& polygon, bool oneSided, float* t);

// ---------------------------------------------------------------------------
// Plane and polygon queries
// ---------------------------------------------------------------------------

// False for (nearly) parallel planes; otherwise writes the line where they meet.
bool IntersectPlanes(const ZNPlane& a, const ZNPlane& b, ZNLine* line);

// The plane of the first three corners (their winding decides the facing).
// False, writing nothing, for fewer than 3 corners, first corners whose edge
// directions are (nearly) parallel or coincident, any non-finite corner, or a
// corner farther than 0.005 from that plane.
bool PolygonPlane(const ZNPodArray<ZNVec3>& polygon, ZNPlane* plane);

// The plane through edge i (corner i to corner i + 1, wrapping) that stands
// upright on the polygon, facing out for a counter-clockwise polygon. A polygon
// without a normal (fewer than 3 corners, collinear first corners) or an index
// out of range gives the zero plane (n = 0, d = 0); an out-of-range index is
// also reported as a failed check.
ZNPlane EdgePlane(const ZNPodArray<ZNVec3>& polygon, UINT32 i);

// True when point is behind or on every edge plane; false for a polygon
// without a plane (see PolygonPlane).
bool PointInPolygon(const ZNPodArray<ZNVec3>& polygon, const ZNVec3& point);

// Removes, in place and keeping the order, corners closer than 1e-4 to an
// earlier corner and corners where the outline runs straight on or turns back
// (|cos| >= 0.9999). False when fewer than 3 corners remain.
bool CleanPolygon(ZNPodArray<ZNVec3>& polygon);

// Index in a of the first corner of an edge that a shares with b, or -1.
// Edges traversed in opposite directions (neighbouring faces with the same
// winding) always count; same-direction edges only when !oppositeOnly.
INT32 FindSharedEdge(const ZNPodArray<ZNVec3>& a, const ZNPodArray<ZNVec3>& b, bool oppositeOnly);
