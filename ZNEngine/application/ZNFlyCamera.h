// ZNFlyCamera: a free-flying camera as plain math, and the controller that
// drives it from an application window's keys and mouse.
//
//   ZNFlyCamera camera;                          // State: where it is and looks
//   camera.Actions = &bindings;                  // optional: bound actions instead of keys
//   each frame:  camera.Update(*window, dt);     // W S A D, space, left control, shift,
//                                                // right mouse held to look
//                ZNSetupFlyView(camera.State, 0.0f, width, height, fov, near, far, view);
//
// Yaw turns about +Z, pitch is the angle from +Z (pi/2 level, more looks down).
// Guarantees: pitch stays within [ZNFlyPitchMin, ZNFlyPitchMax], so the view
// direction is never parallel to +Z; yaw stays within (-2 pi, 2 pi) keeping its
// sign; interpolated yaw takes the short way round; opposite keys cancel; shift
// doubles only horizontal speed. While the right button steers, the window
// holds the pointer hidden in relative mode, so steering never stops at the
// window's edge; at the release the pointer is back where the press found it
// (never left at the centre). The first steering frame does not jump.
#pragma once

#include "math/ZNMath.h"

class ZNAppWindow;
class ZNBindings;

// Position and angles after the latest update and before it (for interpolation).
struct ZNFlyCameraState
{
    ZNVec3 Position;       // after the latest update
    ZNVec3 PrevPosition;   // before it
    float  Yaw;
    float  Pitch;
    float  PrevYaw;
    float  PrevPitch;
};

// The view record the renderer reads after a setup.
struct ZNFlyView
{
    ZNVec3 Up;
    ZNVec3 Position;      // the eye
    ZNMat4 Projection;    // "ZN_mProj"
    float  FieldOfView;   // degrees
    float  Aspect;        // client width / client height
    float  Near;
    float  Far;
    ZNMat4 View;     // "ZN_mView"
    ZNVec3 Target;   // one unit ahead of the eye
};

const float ZNFlySpeed            = 100.0f;   // units per second, also vertical
const float ZNFlyMouseSensitivity = 0.01f;    // radians per pixel
const float ZNFlyFieldOfView      = 90.0f;    // vertical, degrees
const float ZNFlyPitchMin         = 0.01f;
const float ZNFlyPitchMax         = 3.1315928f;   // pi - 0.01
const float ZNFlyFastFactor       = 2.0f;         // shift held

// What one update reads from, and writes back to, a window's input.
struct ZNFlyControls
{
    UINT32 Right, W, S, A, D, Shift, Control, Space;   // key states (ZNKeyState)
    float  MouseX, MouseY;                             // current cursor, client pixels
    float  PrevMouseX, PrevMouseY;                     // cursor at the previous poll (written at look start)
    UINT32 ClientWidth, ClientHeight;
    float  Speed       = ZNFlySpeed;              // units per second, also vertical
    float  Sensitivity = ZNFlyMouseSensitivity;   // radians per pixel
    UINT32 InvertY     = 0;                       // non-zero: moving the mouse up looks down
};

// One frame of steering and movement; mouseLook is non-zero while the right
// button steers (set at its press, cleared at its release).
void ZNUpdateFlyCamera(ZNFlyCameraState& cam, ZNFlyControls& controls, UINT32& mouseLook, float dt);

// Yaw between previous and current by t along the shorter arc.
float ZNBlendYaw(float prevYaw, float yaw, float t);

// Fills the view record for interpolation factor t (0 = previous state);
// fieldOfView is the vertical angle in degrees.
void ZNSetupFlyView(const ZNFlyCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, float fieldOfView,
                    float nearPlane, float farPlane, ZNFlyView& out);

// The controller: the window-facing side of the camera.
class ZNFlyCamera
{
public:
    ZNFlyCamera();

    // Reads the window's keys (or the bound actions) and mouse and moves State
    // by dt seconds; captures the pointer while steering and lets it go after.
    void Update(ZNAppWindow& window, float dt);

    ZNFlyCameraState  State;               // at the origin, level, heading +X until set
    UINT32            MouseLook;           // non-zero while the right button steers
    float             Speed;               // units per second, also vertical
    float             Sensitivity;         // radians per pixel
    UINT32            InvertY;             // non-zero: moving the mouse up looks down
    const ZNBindings* Actions = nullptr;   // set: movement and look from these actions, not fixed keys
};
