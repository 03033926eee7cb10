// Camera: the demo's free-flying camera, as plain math with no window or GL.
//
//   UpdateCamera(state, controls, GMouseLook, dt);    // once per frame, from the input
//   SetupCamera(state, t, width, height, GCamera);    // before drawing
//   BuildSkyQuad(GCamera, quad);                      // the sky's view-corner quad
//
// Yaw turns about +Z, pitch is the angle from +Z (pi/2 level, more looks down).
// Guarantees: pitch stays within [0.01, pi - 0.01], so the view direction is never
// parallel to +Z; yaw stays within (-2 pi, 2 pi) keeping its sign; interpolated yaw
// takes the short way round; opposite keys cancel; shift doubles only horizontal
// speed. The window-facing side (reading ZNInput, moving the cursor) lives in
// VoxelWorld, which fills VoxControls and applies what the update asks for.
#pragma once

#include "ZNEngine.h"

// The six camera members of the world, in the world's member order.
struct VoxCameraState
{
    ZNVec3 Position;        // after the latest update
    ZNVec3 PrevPosition;    // before it
    float  Yaw;
    float  Pitch;
    float  PrevYaw;
    float  PrevPitch;
};

// The view record the renderer and others read after a render.
struct VoxCamera
{
    ZNVec3 Up;
    ZNVec3 Position;        // the eye, also "CameraPos"
    ZNMat4 Projection;      // "ZN_mProj"
    float  FieldOfView;     // degrees
    float  Aspect;          // client width / client height
    float  Near;
    float  Far;
    ZNMat4 View;            // "ZN_mView"
    ZNVec3 Target;          // one unit ahead of the eye
};

extern VoxCamera GCamera;

// Key codes read by the update, and the key states of ZNInput::KeyState.
enum VoxKey : UINT32
{
    VoxKey_RightButton = 2,
    VoxKey_W           = 0x57,
    VoxKey_S           = 0x53,
    VoxKey_A           = 0x41,
    VoxKey_D           = 0x44,
    VoxKey_LeftShift   = 0xA0,
    VoxKey_LeftControl = 0xA2,
    VoxKey_Space       = 0x20,
};
enum VoxKeyState : UINT32
{
    VoxKS_Up       = 0,
    VoxKS_Pressed  = 1,   // went down since the previous poll
    VoxKS_Held     = 2,
    VoxKS_Released = 3,   // went up since the previous poll
};

const float VoxMouseSensitivity = 0.01f;        // radians per pixel
const float VoxSpeed            = 100.0f;       // units per second, also vertical

// What the update reads from, and writes back to, the window's input.
struct VoxControls
{
    UINT32 Right, W, S, A, D, Shift, Control, Space;   // key states (VoxKeyState)
    float  MouseX, MouseY;            // current cursor, client pixels (written at look start)
    float  PrevMouseX, PrevMouseY;    // cursor at the previous poll (written at look start)
    UINT32 ClientWidth, ClientHeight;
    // Set by the update when the cursor is to be moved to (CursorX, CursorY).
    bool   MoveCursor;
    float  CursorX, CursorY;
    // Tuning (the console's cam_speed, in_mouse_sensitivity, in_invert_y).
    float  Speed       = VoxSpeed;              // units per second, also vertical
    float  Sensitivity = VoxMouseSensitivity;   // radians per pixel
    UINT32 InvertY     = 0;                     // non-zero: moving the mouse up looks down
};

const float VoxPitchMin         = 0.01f;
const float VoxPitchMax         = 3.1315928f;   // pi - 0.01
const float VoxFastFactor       = 2.0f;
const float VoxFieldOfView      = 90.0f;
const float VoxNear             = 5.0f;
const float VoxFar              = 5000.0f;

// The initial camera: at (0, 0, 512), heading 5 pi / 4, looking 45 degrees down.
VoxCameraState InitialCameraState();

// One frame of steering and movement. mouseLook is GMouseLook.
void UpdateCamera(VoxCameraState& cam, VoxControls& controls, UINT32& mouseLook, float dt);

// Yaw between previous and current by t along the shorter arc.
float BlendYaw(float prevYaw, float yaw, float t);

// Fills the view record for interpolation factor t (0 = previous state);
// fieldOfView is the vertical angle in degrees.
void SetupCamera(const VoxCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, VoxCamera& out,
                 float fieldOfView = VoxFieldOfView);

// Screen-quad vertex of the "SUIVtxDecl" layout (32 bytes).
struct VoxQuadVertex
{
    float X, Y;          // GLVertex, clip space
    float U, V;          // GLTexCoord0
    float R, G, B, A;    // GLColor
};
static_assert(sizeof(VoxQuadVertex) == 32, "SUIVtxDecl vertex");

// The sky's quad: clip-space corners carrying, in their colour, the world point of
// that view corner one unit ahead of the eye (bottom-left, bottom-right, top-right,
// top-left).
void BuildSkyQuad(const VoxCamera& camera, VoxQuadVertex out[4]);
// The water's full-screen quad.
void BuildWaterQuad(VoxQuadVertex out[4]);
// Puts into U of each corner of that quad the depth (normalised device z) the
// water plane at waterHeight has there. A plane's depth is affine across the
// screen, so the rasterizer's interpolation of the corners gives every pixel the
// depth the water shader would otherwise work out, and the depth test can run
// before the shader. False, with the quad unchanged, when the eye is so close to
// the plane that water nearer than the near plane could be in view: clipping
// would drop it, where the per-pixel depth clamps it to the front.
bool SetWaterPlaneDepth(const VoxCamera& camera, float waterHeight, VoxQuadVertex quad[4]);
