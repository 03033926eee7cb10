// Camera: the demo's view, as plain math with no window or GL: its start,
// its near and far planes, and the quads of the sky and the water. The free
// flight itself is the engine's ZNFlyCamera.
//
//   SetupCamera(state, t, width, height, view);       // before drawing
//   BuildSkyQuad(view, quad);                         // the sky's view-corner quad
//
// Yaw turns about +Z, pitch is the angle from +Z (pi/2 level, more looks down).
#pragma once

#include "ZNEngine.h"

// The camera of the world and the view record the renderer reads after a render.
typedef ZNFlyCameraState VoxCameraState;
typedef ZNFlyView        VoxCamera;

const float VoxMouseSensitivity = ZNFlyMouseSensitivity;   // radians per pixel
const float VoxSpeed            = ZNFlySpeed;              // units per second, also vertical
const float VoxFieldOfView      = ZNFlyFieldOfView;
const float VoxNear             = 5.0f;
const float VoxFar              = 5000.0f;

// The initial camera: at (0, 0, 512), heading 5 pi / 4, looking 45 degrees down.
VoxCameraState InitialCameraState();

// Fills the view record for interpolation factor t (0 = previous state);
// fieldOfView is the vertical angle in degrees.
void SetupCamera(const VoxCameraState& cam, float t, UINT32 clientWidth, UINT32 clientHeight, VoxCamera& out,
                 float fieldOfView = VoxFieldOfView);

// Screen-quad vertex of the "SUIVtxDecl" layout (32 bytes).
struct VoxQuadVertex
{
    float X, Y;         // GLVertex, clip space
    float U, V;         // GLTexCoord0
    float R, G, B, A;   // GLColor
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
