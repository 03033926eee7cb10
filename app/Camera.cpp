// Camera: the demo's start, view record and screen quads.
#include "Camera.h"

#include <math.h>

VoxCameraState InitialCameraState()
{
    VoxCameraState s;
    s.Position     = ZNVec3(0.0f, 0.0f, 512.0f);
    s.PrevPosition = s.Position;
    s.Yaw          = 3.926991f;
    s.Pitch        = 2.3561945f;
    s.PrevYaw      = s.Yaw;
    s.PrevPitch    = s.Pitch;
    return s;
}

void SetupCamera(const VoxCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, VoxCamera& out,
                 float fieldOfView)
{
    ZNSetupFlyView(cam, t, clientWidth, clientHeight, fieldOfView, VoxNear, VoxFar, out);
}

static void SetQuadVertex(VoxQuadVertex& v, float x, float y, float u, float tv, const ZNVec3& p)
{
    v.X = x;
    v.Y = y;
    v.U = u;
    v.V = tv;
    v.R = p.x;
    v.G = p.y;
    v.B = p.z;
    v.A = 1.0f;
}

void BuildSkyQuad(const VoxCamera& camera, VoxQuadVertex out[4])
{
    const ZNVec3 e = camera.Position;
    const ZNVec3 d = Normalize(camera.Target - e);
    // The horizontal forward turned a quarter clockwise seen from above: the view's right.
    const ZNVec3 s = Normalize(ZNVec3(d.y, -d.x, 0.0f));
    // Down on the view plane (straight down for a level view).
    const ZNVec3 c      = Normalize(Cross(d, s));
    const ZNVec3 sa     = s * camera.Aspect;
    const ZNVec3 centre = e + d;
    SetQuadVertex(out[0], -1.0f, -1.0f, 0.0f, 0.0f, centre - sa + c);
    SetQuadVertex(out[1], 1.0f, -1.0f, 1.0f, 0.0f, centre + sa + c);
    SetQuadVertex(out[2], 1.0f, 1.0f, 1.0f, 1.0f, centre + sa - c);
    SetQuadVertex(out[3], -1.0f, 1.0f, 0.0f, 1.0f, centre - sa - c);
}

void BuildWaterQuad(VoxQuadVertex out[4])
{
    static const float corners[4][2] = { { -1.0f, -1.0f }, { 1.0f, -1.0f }, { 1.0f, 1.0f }, { -1.0f, 1.0f } };
    for (UINT32 k = 0; k < 4; ++k)
    {
        out[k].X = corners[k][0];
        out[k].Y = corners[k][1];
        out[k].U = 0.0f;
        out[k].V = 0.0f;
        out[k].R = 0.6f;
        out[k].G = 0.7f;
        out[k].B = 0.9f;
        out[k].A = 1.0f;
    }
}

bool SetWaterPlaneDepth(const VoxCamera& camera, float waterHeight, VoxQuadVertex quad[4])
{
    const float* p      = camera.Projection.m;
    const float* v      = camera.View.m;
    const float  height = waterHeight - camera.Position.z;
    // A point of the plane in view is at least |height| from the eye; one nearer
    // than the near plane lies within the near rectangle's farthest corner.
    const float  tx = 1.0f / p[0], ty = 1.0f / p[5];
    if (!(fabsf(height) > camera.Near * sqrtf(1.0f + tx * tx + ty * ty)))
        return false;
    for (UINT32 k = 0; k < 4; ++k)
    {
        // The corner's view ray at view depth 1, in world space (as the shader
        // forms it): its z over the height is one over the view depth of the hit.
        const float rayZ = v[8] * quad[k].X * tx + v[9] * quad[k].Y * ty - v[10];
        quad[k].U        = -p[10] + p[14] * rayZ / height;
    }
    return true;
}
