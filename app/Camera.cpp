// Camera: steering, movement, the view record and the sky quad.
#include "Camera.h"

#include <math.h>

VoxCamera GCamera;

static const float TwoPi  = 2.0f * ZN_PI;
static const float HalfPi = ZN_PI * 0.5f;

VoxCameraState InitialCameraState()
{
    VoxCameraState s;
    s.Position = ZNVec3(0.0f, 0.0f, 512.0f);
    s.PrevPosition = s.Position;
    s.Yaw = 3.926991f;
    s.Pitch = 2.3561945f;
    s.PrevYaw = s.Yaw;
    s.PrevPitch = s.Pitch;
    return s;
}

// The horizontal left-hand direction of a heading, with the single-precision
// sines and cosines of a quarter turn (so z is a tiny non-zero number).
static ZNVec3 SideVector(float yaw)
{
    const float s = sinf(HalfPi);
    return ZNVec3(cosf(yaw + HalfPi) * s, sinf(yaw + HalfPi) * s, cosf(HalfPi));
}

static ZNVec3 ForwardVector(float yaw, float pitch)
{
    return ZNVec3(cosf(yaw) * sinf(pitch), sinf(yaw) * sinf(pitch), cosf(pitch));
}

void UpdateCamera(VoxCameraState& cam, VoxControls& in, UINT32& mouseLook, float dt)
{
    cam.PrevYaw = cam.Yaw;
    cam.PrevPitch = cam.Pitch;
    in.MoveCursor = false;

    if (in.Right == VoxKS_Pressed)
    {
        // Start from the centre with no displacement, so the first steering frame
        // does not jump.
        in.MoveCursor = true;
        in.CursorX = (float)(in.ClientWidth >> 1);
        in.CursorY = (float)(in.ClientHeight >> 1);
        mouseLook = 1;
        in.MouseX = in.PrevMouseX = (float)in.ClientWidth * 0.5f;
        in.MouseY = in.PrevMouseY = (float)in.ClientHeight * 0.5f;
    }
    if (in.Right == VoxKS_Released)
        mouseLook = 0;
    if (in.Right == VoxKS_Held)
    {
        const float dy = (in.MouseY - in.PrevMouseY) * in.Sensitivity;
        cam.Yaw = fmodf(cam.Yaw - (in.MouseX - in.PrevMouseX) * in.Sensitivity, TwoPi);
        cam.Pitch += in.InvertY ? -dy : dy;
        if (cam.Pitch < VoxPitchMin)
            cam.Pitch = VoxPitchMin;
        if (cam.Pitch > VoxPitchMax)
            cam.Pitch = VoxPitchMax;
    }

    ZNVec3 forward = ForwardVector(cam.Yaw, cam.Pitch);
    ZNVec3 side = SideVector(cam.Yaw);
    if (in.Shift != VoxKS_Up)
    {
        forward *= VoxFastFactor;
        side *= VoxFastFactor;
    }

    ZNVec3 move;
    if (in.W != VoxKS_Up)
        move += forward;
    if (in.S != VoxKS_Up)
        move -= forward;
    if (in.A != VoxKS_Up)
        move += side;
    if (in.D != VoxKS_Up)
        move -= side;
    if (in.Control != VoxKS_Up)
        move -= ZNVec3(0.0f, 0.0f, 1.0f);
    if (in.Space != VoxKS_Up)
        move += ZNVec3(0.0f, 0.0f, 1.0f);

    cam.PrevPosition = cam.Position;
    cam.Position += move * (dt * in.Speed);
}

float BlendYaw(float prevYaw, float yaw, float t)
{
    float a = fmodf(prevYaw, TwoPi);
    const float b = fmodf(yaw, TwoPi);
    if (fabsf(a - b) >= ZN_PI)
        a += a < b ? TwoPi : -TwoPi;
    return a + t * (b - a);
}

void SetupCamera(const VoxCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, VoxCamera& out,
                 float fieldOfView)
{
    const ZNVec3 pos = cam.PrevPosition + (cam.Position - cam.PrevPosition) * t;
    const float yaw = BlendYaw(cam.PrevYaw, cam.Yaw, t);
    const float pitch = cam.PrevPitch + t * (cam.Pitch - cam.PrevPitch);

    const ZNVec3 forward = ForwardVector(yaw, pitch);
    out.Position = pos;
    out.Target = pos + forward;
    out.Up = Cross(forward, SideVector(yaw));

    out.FieldOfView = fieldOfView;
    out.Aspect = (float)clientWidth / (float)clientHeight;
    out.Near = VoxNear;
    out.Far = VoxFar;
    out.View = LookAt(out.Position, out.Target, out.Up);
    out.Projection = Perspective(out.FieldOfView * ZN_PI / 180.0f, out.Aspect, out.Near, out.Far);
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
    const ZNVec3 c = Normalize(Cross(d, s));
    const ZNVec3 sa = s * camera.Aspect;
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
    const float* p = camera.Projection.m;
    const float* v = camera.View.m;
    const float  height = waterHeight - camera.Position.z;
    // A point of the plane in view is at least |height| from the eye; one nearer
    // than the near plane lies within the near rectangle's farthest corner.
    const float tx = 1.0f / p[0], ty = 1.0f / p[5];
    if (!(fabsf(height) > camera.Near * sqrtf(1.0f + tx * tx + ty * ty)))
        return false;
    for (UINT32 k = 0; k < 4; ++k)
    {
        // The corner's view ray at view depth 1, in world space (as the shader
        // forms it): its z over the height is one over the view depth of the hit.
        const float rayZ = v[8] * quad[k].X * tx + v[9] * quad[k].Y * ty - v[10];
        quad[k].U = -p[10] + p[14] * rayZ / height;
    }
    return true;
}
