// ZNGeometry: the queries declared in ZNGeometry.h. All arithmetic is in
// 32-bit floats. Comparisons that reject are written so that a NaN rejects
// too (!(x <= limit) rather than x > limit): a non-finite input must give a
// miss, never a hit with a NaN result.
#include "math/ZNGeometry.h"

#include <float.h>

namespace
{
const float kOnPlane      = 1e-5f;     // on-plane band of every classification
const float kParallel     = 1e-4f;     // |n.v| below this: ray parallel to a plane
const float kTinyDet      = 1e-8f;     // ray-triangle and plane-plane determinants
const float kPlanarity    = 0.005f;    // largest distance of a corner from the polygon plane
const float kSameCorner   = 1e-4f;     // corners closer than this are the same corner
const float kCollinearCos = 0.9999f;   // |cos| of the turn at a collinear corner

// The first three corners' edge directions are unit vectors; the length of
// their cross product is the sine of the angle between them. Below 1e-4 the
// corners are collinear for float purposes and the normal is noise.
const float kMinSineSq = 1e-8f;

bool SameCorner(const ZNVec3& a, const ZNVec3& b)
{
    return Distance(a, b) < kSameCorner;
}

// Unit normal of the first three corners, or false when there is none.
bool PolygonNormal(const ZNPodArray<ZNVec3>& polygon, ZNVec3& n)
{
    if (polygon.Size() < 3)
        return false;
    const ZNVec3 p0 = polygon[0];
    const ZNVec3 c  = Cross(Normalize(polygon[1] - p0), Normalize(polygon[2] - p0));
    if (!(LengthSquared(c) >= kMinSineSq))
        return false;
    n = Normalize(c);
    return isfinite(n.x) && isfinite(n.y) && isfinite(n.z);
}

// Plane of a polygon with its planarity verdict, shared by every polygon query
// so that they all agree on which polygons have a plane.
bool ComputePolygonPlane(const ZNPodArray<ZNVec3>& polygon, ZNPlane& plane)
{
    ZNVec3 n;
    if (!PolygonNormal(polygon, n))
        return false;
    const float d = Dot(n, polygon[0]);
    if (!isfinite(d))
        return false;
    const ZNPlane candidate(n, d);
    for (UINT32 i = 3; i < polygon.Size(); ++i)
        if (!(fabsf(SignedDistance(candidate, polygon[i])) <= kPlanarity))
            return false;
    plane = candidate;
    return true;
}

ZNPlane EdgePlaneWithNormal(const ZNPodArray<ZNVec3>& polygon, UINT32 i, const ZNVec3& n)
{
    const UINT32 j  = (i + 1) % polygon.Size();
    const ZNVec3 pi = polygon[i];
    const ZNVec3 en = Normalize(Cross(Normalize(polygon[j] - pi), n));
    return ZNPlane(en, Dot(en, pi));
}

// Smallest signed distance of point to the edge planes, or false as soon as
// one edge plane has the point in front.
bool InsideEdges(const ZNPodArray<ZNVec3>& polygon, const ZNVec3& n, const ZNVec3& point, float& depth)
{
    depth = FLT_MAX;
    for (UINT32 i = 0; i < polygon.Size(); ++i)
    {
        const ZNPlane edge = EdgePlaneWithNormal(polygon, i, n);
        if (Classify(edge, point) == 1)
            return false;
        const float dist = SignedDistance(edge, point);
        if (dist < depth)
            depth = dist;
    }
    return true;
}

// Plane hit and inside test shared by IntersectRayPolygon and RayPolygonDepth.
bool RayPolygonHit(const ZNRay& ray, const ZNPodArray<ZNVec3>& polygon, bool oneSided, float* t, float& depth)
{
    ZNPlane plane;
    if (!ComputePolygonPlane(polygon, plane))
        return false;
    float hitT = 0.0f;
    if (!IntersectRayPlane(ray, plane, oneSided, &hitT, false))
        return false;
    if (t)
        *t = hitT;
    return InsideEdges(polygon, plane.n, ray.o + ray.v * hitT, depth);
}
}   // namespace

INT32 Classify(const ZNPlane& plane, const ZNVec3& point)
{
    const float dist = SignedDistance(plane, point);
    if (dist < -kOnPlane)
        return -1;
    if (dist > kOnPlane)
        return 1;
    return 0;
}

INT32 ClassifyBox(const ZNPlane& plane, const ZNBox& box)
{
    const ZNVec3& lo         = box.min;
    const ZNVec3& hi         = box.max;
    const ZNVec3  corners[8] = {
         ZNVec3(lo.x, lo.y, lo.z), ZNVec3(lo.x, lo.y, hi.z), ZNVec3(lo.x, hi.y, lo.z), ZNVec3(lo.x, hi.y, hi.z),
         ZNVec3(hi.x, lo.y, lo.z), ZNVec3(hi.x, lo.y, hi.z), ZNVec3(hi.x, hi.y, lo.z), ZNVec3(hi.x, hi.y, hi.z),
    };
    const INT32 first = Classify(plane, corners[0]);
    for (UINT32 i = 1; i < 8; ++i)
        if (Classify(plane, corners[i]) != first)
            return 0;
    return first;
}

INT32 ClassifyPoints(const ZNPlane& plane, const ZNPodArray<ZNVec3>& points)
{
    if (points.Size() == 0)
        return -8;
    const INT32 first = Classify(plane, points[0]);
    for (UINT32 i = 1; i < points.Size(); ++i)
        if (Classify(plane, points[i]) != first)
            return 0;
    return first;
}

bool TriangleStraddles(const ZNPlane& plane, const ZNVec3& a, const ZNVec3& b, const ZNVec3& c)
{
    const INT32 ca = Classify(plane, a);
    return !(ca == Classify(plane, b) && ca == Classify(plane, c));
}

bool IntersectRayPlane(const ZNRay& ray, const ZNPlane& plane, bool oneSided, float* t, bool allowBehind)
{
    const float s = -Dot(plane.n, ray.v);
    if (!(fabsf(s) >= kParallel))
        return false;
    if (oneSided && s < 0.0f)
        return false;
    const float hitT = (Dot(plane.n, ray.o) - plane.d) / s;
    if (!allowBehind && !(hitT >= 0.0f))
        return false;
    if (!isfinite(hitT))
        return false;
    if (t)
        *t = hitT;
    return true;
}

bool IntersectRayTriangle(const ZNRay& ray, const ZNVec3& a, const ZNVec3& b, const ZNVec3& c, bool oneSided, float* t)
{
    const ZNVec3 e1  = b - a;
    const ZNVec3 e2  = c - a;
    const ZNVec3 p   = Cross(ray.v, e2);
    const float  det = Dot(e1, p);
    if (oneSided ? !(det >= kTinyDet) : !(fabsf(det) >= kTinyDet))
        return false;

    const ZNVec3 s = ray.o - a;
    const float  u = Dot(s, p) / det;
    if (!(u >= 0.0f && u <= 1.0f))
        return false;

    const ZNVec3 q = Cross(s, e1);
    const float  w = Dot(ray.v, q) / det;
    if (!(w >= 0.0f && u + w <= 1.0f))
        return false;

    const float hitT = Dot(e2, q) / det;
    if (!isfinite(hitT))
        return false;
    if (t)
        *t = hitT;
    return true;
}

bool IntersectRaySphere(const ZNRay& ray, const ZNVec3& centre, float radius, float* t)
{
    // A negative radius squares to a positive one but would pass every
    // m / radius test below: such a sphere would be hit by any ray in front.
    if (!(radius >= 0.0f))
        return false;

    const ZNVec3 toCentre = centre - ray.o;
    const float  distSq   = LengthSquared(toCentre);
    if (distSq <= radius * radius)
    {
        if (t)
            *t = sqrtf(distSq);
        return true;
    }

    const float s = Dot(ray.v, toCentre);
    if (!(s >= 0.0f))
        return false;

    const float m         = Distance(centre, ray.o + ray.v * s);
    float       halfChord = 0.0f;
    if (radius > 0.0f)
    {
        const float ratio = m / radius;
        if (!(ratio <= 1.0f))
            return false;
        halfChord = radius * sinf(acosf(ratio));
    }
    else if (!(m <= 0.0f))
    {
        return false;   // a point sphere is hit only by a ray exactly through it
    }

    if (t)
        *t = s - halfChord;
    return true;
}

INT32 IntersectRayBox(const ZNRay& ray, const ZNBox& box, ZNVec3* point)
{
    float T[3]     = { -1.0f, -1.0f, -1.0f };
    float plane[3] = { 0.0f, 0.0f, 0.0f };
    bool  outside  = false;
    for (UINT32 k = 0; k < 3; ++k)
    {
        const float o = ray.o[k];
        if (o < box.min[k])
            plane[k] = box.min[k];
        else if (o > box.max[k])
            plane[k] = box.max[k];
        else
            continue;
        outside = true;
        if (ray.v[k] != 0.0f)
            T[k] = (plane[k] - o) / ray.v[k];
    }

    if (!outside)
    {
        if (point)
            *point = ray.o;
        return 2;
    }

    UINT32 axis = 0;
    if (T[1] > T[axis])
        axis = 1;
    if (T[2] > T[axis])
        axis = 2;
    const float hitT = T[axis];
    if (!(hitT >= 0.0f))
        return 0;

    ZNVec3 hit;
    for (UINT32 k = 0; k < 3; ++k)
    {
        if (k == axis)
        {
            hit[k] = plane[k];
            continue;
        }
        hit[k] = ray.o[k] + hitT * ray.v[k];
        if (!(hit[k] >= box.min[k] && hit[k] <= box.max[k]))
            return 0;
    }
    if (point)
        *point = hit;
    return 1;
}

bool IntersectRayPolygon(const ZNRay& ray, const ZNPodArray<ZNVec3>& polygon, bool oneSided, float* t)
{
    float depth = 0.0f;
    return RayPolygonHit(ray, polygon, oneSided, t, depth);
}

float RayPolygonDepth(const ZNRay& ray, const ZNPodArray<ZNVec3>& polygon, bool oneSided, float* t)
{
    float depth = 0.0f;
    if (!RayPolygonHit(ray, polygon, oneSided, t, depth))
        return -1.0f;
    return depth;
}

bool IntersectPlanes(const ZNPlane& a, const ZNPlane& b, ZNLine* line)
{
    const ZNVec3 v = Cross(a.n, b.n);
    if (!(LengthSquared(v) >= kTinyDet))
        return false;
    if (!line)
        return true;

    const float aa  = Dot(a.n, a.n);
    const float ab  = Dot(a.n, b.n);
    const float bb  = Dot(b.n, b.n);
    const float det = aa * bb - ab * ab;
    if (!(fabsf(det) >= kTinyDet))
        return false;

    const float ca = (bb * a.d - ab * b.d) / det;
    const float cb = (aa * b.d - ab * a.d) / det;
    line->point    = a.n * ca + b.n * cb;
    line->dir      = Normalize(v);
    return true;
}

bool PolygonPlane(const ZNPodArray<ZNVec3>& polygon, ZNPlane* plane)
{
    ZNPlane p;
    if (!ComputePolygonPlane(polygon, p))
        return false;
    if (plane)
        *plane = p;
    return true;
}

ZNPlane EdgePlane(const ZNPodArray<ZNVec3>& polygon, UINT32 i)
{
    if (ZN_CHECK_FAILED(i >= polygon.Size()))
        return ZNPlane();
    // The facing comes from the first three corners whether or not the rest
    // are planar; only a polygon without any normal has no edge planes.
    ZNVec3 n;
    if (!PolygonNormal(polygon, n))
        return ZNPlane();
    return EdgePlaneWithNormal(polygon, i, n);
}

bool PointInPolygon(const ZNPodArray<ZNVec3>& polygon, const ZNVec3& point)
{
    ZNPlane plane;
    if (!ComputePolygonPlane(polygon, plane))
        return false;
    float depth = 0.0f;
    return InsideEdges(polygon, plane.n, point, depth);
}

bool CleanPolygon(ZNPodArray<ZNVec3>& polygon)
{
    // Every removal restarts both passes from the first corner, so each pass
    // always sees the outline as it now stands.
    for (;;)
    {
        const UINT32 count = polygon.Size();
        if (count < 3)
            return false;

        bool removed = false;
        for (UINT32 i = 0; i < count && !removed; ++i)
            for (UINT32 j = i + 1; j < count; ++j)
                if (SameCorner(polygon[i], polygon[j]))
                {
                    polygon.Remove(j, j);
                    removed = true;
                    break;
                }
        if (removed)
            continue;

        for (UINT32 i = 0; i < count; ++i)
        {
            const ZNVec3& h       = polygon[(i + count - 1) % count];
            const ZNVec3& p       = polygon[i];
            const ZNVec3& k       = polygon[(i + 1) % count];
            const float   cosTurn = Dot(Normalize(p - h), Normalize(k - p));
            if (fabsf(cosTurn) >= kCollinearCos)
            {
                polygon.Remove(i, i);
                removed = true;
                break;
            }
        }
        if (!removed)
            return true;
    }
}

INT32 FindSharedEdge(const ZNPodArray<ZNVec3>& a, const ZNPodArray<ZNVec3>& b, bool oppositeOnly)
{
    const UINT32 na = a.Size();
    const UINT32 nb = b.Size();
    for (UINT32 i = 0; i < na; ++i)
    {
        const ZNVec3& aNext = a[(i + 1) % na];
        for (UINT32 j = 0; j < nb; ++j)
        {
            if (!SameCorner(a[i], b[j]))
                continue;
            if (SameCorner(aNext, b[(j + nb - 1) % nb]))
                return (INT32)i;
            if (!oppositeOnly && SameCorner(aNext, b[(j + 1) % nb]))
                return (INT32)i;
        }
    }
    return -1;
}
