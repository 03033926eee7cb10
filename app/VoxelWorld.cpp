// VoxelWorld: construction, per-frame update and the three render passes.
#include "VoxelWorld.h"

#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "runtime/ZNEngineInternal.h"
#include "window/ZNAppWindow.h"

// Blend word of the water: add, source alpha / one minus source alpha for colour,
// one / zero for alpha.
static const UINT32 WaterBlendWord = ZN_BLEND_WORD_ALPHA;
// Raster word of every pass: no culling, filled, depth test GL_LESS with writes.
static const UINT32 WorldRasterWord = ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true);
static const UINT32 TextureFlags = TEX_NOSRGB | TEX_NOSTREAM;

VoxelWorld::VoxelWorld(ZNAppWindow* window)
    : Camera(InitialCameraState()), Root(nullptr), Window(window), BuildSeconds(0.0), StartTime(ZNGetTime())
{
    const double start = ZNGetTime();
    BuildTree("Heightmap.png", "Colormap.png");
    BuildSeconds = ZNGetTime() - start;

    LoadTexture(GroundTex, "Ground.png", TextureFlags);
    LoadTexture(WaterTex, "WaterBump.png", TextureFlags);
    LoadTexture(SkyTex, "SkyDusk1.png", TextureFlags);
}

VoxelWorld::~VoxelWorld()
{
    SkyTex.Release();
    WaterTex.Release();
    GroundTex.Release();
    VoxBlock::Delete(Root);
    Root = nullptr;
}

void VoxelWorld::BuildTree(const char* heightPath, const char* colorPath)
{
    VoxBlock* tree = LoadVoxelTree(heightPath, colorPath);
    if (!tree)
        return;
    VoxBlock::Delete(Root);
    Root = tree;
    Root->BuildVertexBuffers(true);
}

void VoxelWorld::Update(float dt)
{
    ZNInput& input = Window->Input;
    VoxControls controls;
    controls.Right = input.KeyState(VoxKey_RightButton);
    controls.W = input.KeyState(VoxKey_W);
    controls.S = input.KeyState(VoxKey_S);
    controls.A = input.KeyState(VoxKey_A);
    controls.D = input.KeyState(VoxKey_D);
    controls.Shift = input.KeyState(VoxKey_LeftShift);
    controls.Control = input.KeyState(VoxKey_LeftControl);
    controls.Space = input.KeyState(VoxKey_Space);
    controls.MouseX = input.Mouse[0];
    controls.MouseY = input.Mouse[1];
    controls.PrevMouseX = input.PrevMouse[0];
    controls.PrevMouseY = input.PrevMouse[1];
    controls.ClientWidth = Window->Params().Width;
    controls.ClientHeight = Window->Params().Height;

    UpdateCamera(Camera, controls, GMouseLook, dt);

    if (controls.MoveCursor)
    {
        Window->SetCursorPos(controls.CursorX, controls.CursorY);
        input.Mouse[0] = controls.MouseX;
        input.Mouse[1] = controls.MouseY;
        input.PrevMouse[0] = controls.PrevMouseX;
        input.PrevMouse[1] = controls.PrevMouseY;
    }
}

// Looks the uniform up on the program bound now and sets it.
static void SetCurrentUniform(const char* name, const float* data, UINT32 components, bool matrix)
{
    ZNUniformRef uniform;
    GetUniform(GetCurrentShader(), uniform, name);
    SetFloat(uniform, data, components, matrix, 1);
}

static void SetCameraMatrices()
{
    SetCurrentUniform("ZN_mView", GCamera.View.Data(), 4, true);
    SetCurrentUniform("ZN_mProj", GCamera.Projection.Data(), 4, true);
}

static void SetCameraPos()
{
    const float pos[3] = { GCamera.Position.x, GCamera.Position.y, GCamera.Position.z };
    SetCurrentUniform("CameraPos", pos, 3, false);
}

void VoxelWorld::Render(float t)
{
    const float clearColor[4] = { 0.2f, 0.4f, 0.7f, 1.0f };
    Clear(clearColor, 1.0f);

    SetupCamera(Camera, t, Window->Params().Width, Window->Params().Height, GCamera);
    SetRasterState(WorldRasterWord, ZN_RASTER_MASK_ALL);

    // Sky: the view corners one unit ahead, so the shader can form each pixel's ray.
    SetShader(ZN_BLEND_WORD_OFF, GetShader(ZNString("Shaders/Sky.shd"), ZNString()));
    BindTexture(0, SkyTex);
    SetCameraPos();
    VoxQuadVertex quad[4];
    BuildSkyQuad(GCamera, quad);
    DrawUserVertices2D(quad, 4, PT_TriangleFan);

    // Voxels: one bind and one draw per leaf.
    SetShader(ZN_BLEND_WORD_OFF, GetShader(ZNString("Shaders/Voxel.shd"), ZNString()));
    BindTexture(0, GroundTex);
    SetCameraMatrices();
    SetVertexDecl(&VVDecl);
    DrawStats = VoxDrawStats();
    if (Root)
        Root->Draw(&DrawStats);

    // Water over everything, hidden by nearer terrain through the depth it writes.
    SetShader(WaterBlendWord, GetShader(ZNString("Shaders/Water.shd"), ZNString()));
    SetCameraMatrices();
    SetCameraPos();
    // Seconds since the world was made: the clock's absolute value (time since the
    // machine started) would lose the fractions in a float after a few days.
    const float time = (float)(ZNGetTime() - StartTime);
    SetCurrentUniform("Time", &time, 1, false);
    BindTexture(0, WaterTex);
    BindTexture(1, SkyTex);
    BuildWaterQuad(quad);
    DrawUserVertices2D(quad, 4, PT_TriangleFan);
}
