// ZNFlyCamera: steering, movement and the view record, and the controller that
// reads them from a window.
#include "application/ZNFlyCamera.h"

#include "application/ZNAppWindow.h"
#include "application/ZNBindings.h"
#include "application/ZNKeys.h"

#include <math.h>

static const float TwoPi  = 2.0f * ZN_PI;
static const float HalfPi = ZN_PI * 0.5f;

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

void ZNUpdateFlyCamera(ZNFlyCameraState& cam, ZNFlyControls& in, UINT32& mouseLook, float dt)
{
    cam.PrevYaw   = cam.Yaw;
    cam.PrevPitch = cam.Pitch;

    if (in.Right == ZNKS_Pressed)
    {
        // Steering reads the mouse from here on, so the press frame does not turn.
        mouseLook     = 1;
        in.PrevMouseX = in.MouseX;
        in.PrevMouseY = in.MouseY;
    }
    // A click shorter than a frame reads pressed, then up without a release.
    if (in.Right == ZNKS_Released || in.Right == ZNKS_Up)
        mouseLook = 0;
    if (in.Right == ZNKS_Held)
    {
        const float dy = (in.MouseY - in.PrevMouseY) * in.Sensitivity;
        cam.Yaw        = fmodf(cam.Yaw - (in.MouseX - in.PrevMouseX) * in.Sensitivity, TwoPi);
        cam.Pitch += in.InvertY ? -dy : dy;
        if (cam.Pitch < ZNFlyPitchMin)
            cam.Pitch = ZNFlyPitchMin;
        if (cam.Pitch > ZNFlyPitchMax)
            cam.Pitch = ZNFlyPitchMax;
    }

    ZNVec3 forward = ForwardVector(cam.Yaw, cam.Pitch);
    ZNVec3 side    = SideVector(cam.Yaw);
    if (in.Shift != ZNKS_Up)
    {
        forward *= ZNFlyFastFactor;
        side *= ZNFlyFastFactor;
    }

    ZNVec3 move;
    if (in.W != ZNKS_Up)
        move += forward;
    if (in.S != ZNKS_Up)
        move -= forward;
    if (in.A != ZNKS_Up)
        move += side;
    if (in.D != ZNKS_Up)
        move -= side;
    if (in.Control != ZNKS_Up)
        move -= ZNVec3(0.0f, 0.0f, 1.0f);
    if (in.Space != ZNKS_Up)
        move += ZNVec3(0.0f, 0.0f, 1.0f);

    cam.PrevPosition = cam.Position;
    cam.Position += move * (dt * in.Speed);
}

float ZNBlendYaw(float prevYaw, float yaw, float t)
{
    float       a = fmodf(prevYaw, TwoPi);
    const float b = fmodf(yaw, TwoPi);
    if (fabsf(a - b) >= ZN_PI)
        a += a < b ? TwoPi : -TwoPi;
    return a + t * (b - a);
}

void ZNSetupFlyView(const ZNFlyCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, float fieldOfView,
                    float nearPlane, float farPlane, ZNFlyView& out)
{
    const ZNVec3 pos   = cam.PrevPosition + (cam.Position - cam.PrevPosition) * t;
    const float  yaw   = ZNBlendYaw(cam.PrevYaw, cam.Yaw, t);
    const float  pitch = cam.PrevPitch + t * (cam.Pitch - cam.PrevPitch);

    const ZNVec3 forward = ForwardVector(yaw, pitch);
    out.Position         = pos;
    out.Target           = pos + forward;
    out.Up               = Cross(forward, SideVector(yaw));

    out.FieldOfView = fieldOfView;
    out.Aspect      = (float)clientWidth / (float)clientHeight;
    out.Near        = nearPlane;
    out.Far         = farPlane;
    out.View        = LookAt(out.Position, out.Target, out.Up);
    out.Projection  = Perspective(out.FieldOfView * ZN_PI / 180.0f, out.Aspect, out.Near, out.Far);
}

ZNFlyCamera::ZNFlyCamera() : MouseLook(0), Speed(ZNFlySpeed), Sensitivity(ZNFlyMouseSensitivity), InvertY(0)
{
    State.Position     = ZNVec3(0.0f, 0.0f, 0.0f);
    State.PrevPosition = State.Position;
    State.Yaw = State.PrevYaw = 0.0f;
    State.Pitch = State.PrevPitch = HalfPi;
}

void ZNFlyCamera::Update(ZNAppWindow& window, float dt)
{
    ZNInput&      input = window.Input;
    ZNFlyControls controls;
    if (Actions)
    {
        controls.Right   = Actions->ActionState(ZNA_Look);
        controls.W       = Actions->ActionState(ZNA_Forward);
        controls.S       = Actions->ActionState(ZNA_Back);
        controls.A       = Actions->ActionState(ZNA_MoveLeft);
        controls.D       = Actions->ActionState(ZNA_MoveRight);
        controls.Shift   = Actions->ActionState(ZNA_Speed);
        controls.Control = Actions->ActionState(ZNA_MoveDown);
        controls.Space   = Actions->ActionState(ZNA_MoveUp);
    }
    else
    {
        controls.Right   = input.KeyState(ZNK_RButton);
        controls.W       = input.KeyState(ZNK_W);
        controls.S       = input.KeyState(ZNK_S);
        controls.A       = input.KeyState(ZNK_A);
        controls.D       = input.KeyState(ZNK_D);
        controls.Shift   = input.KeyState(ZNK_LShift);
        controls.Control = input.KeyState(ZNK_LControl);
        controls.Space   = input.KeyState(ZNK_Space);
    }
    controls.MouseX       = input.Mouse[0];
    controls.MouseY       = input.Mouse[1];
    controls.PrevMouseX   = input.PrevMouse[0];
    controls.PrevMouseY   = input.PrevMouse[1];
    controls.ClientWidth  = window.Params().Width;
    controls.ClientHeight = window.Params().Height;
    controls.Speed        = Speed;
    controls.Sensitivity  = Sensitivity;
    controls.InvertY      = InvertY;

    const UINT32 wasLooking = MouseLook;
    ZNUpdateFlyCamera(State, controls, MouseLook, dt);
    input.PrevMouse[0] = controls.PrevMouseX;
    input.PrevMouse[1] = controls.PrevMouseY;
    if (MouseLook != wasLooking)
        window.CaptureMouse(MouseLook != 0);
}
