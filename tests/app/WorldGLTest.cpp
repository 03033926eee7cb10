// The shared fixture of the app's GL tests.
#include "WorldGLTest.h"

#include "render/ZNRenderState.h"
#include "ui/ZNConVar.h"
#include "files/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"

#include <stdlib.h>

void WorldGL::SetUpTestSuite()
{
    OpenWindow("world test", 320, 180);
    if (Window)
        SetRasterState(16, 0xFFFF);
}

void WorldGL::SetUp()
{
    ZNAppWindowTest::SetUp();
    // The console variables outlive a test; each starts from the defaults.
    if (Window)
    {
        SetWorldDrawOptions(VoxDrawOptions());
        SetWorldVar("world_quads", 1.0f);
        SetWorldVar("world_compact", 1.0f);
        SetWorldVar("r_water_depth", 1.0f);
        SetWorldVar("r_fill_cliffs", 1.0f);
    }
}

void SetWorldVar(const char* name, float value)
{
    ZNConVar* var = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString(name)));
    ASSERT_NE(var, nullptr) << name;
    var->Set(value);
}

VoxCameraState CameraAt(const ZNVec3& position, float yaw, float pitch)
{
    VoxCameraState c = InitialCameraState();
    c.Position = c.PrevPosition = position;
    c.Yaw = c.PrevYaw = yaw;
    c.Pitch = c.PrevPitch = pitch;
    return c;
}

void SetWorldDrawOptions(const VoxDrawOptions& options)
{
    SetWorldVar("r_cull", options.Cull ? 1.0f : 0.0f);
    SetWorldVar("r_order", options.Order ? 1.0f : 0.0f);
    SetWorldVar("r_lod", options.Lod ? 1.0f : 0.0f);
    SetWorldVar("r_lod_distance", options.LodDistance);
    SetWorldVar("r_lod_step", options.LodStep);
    SetWorldVar("r_points", options.Points ? 1.0f : 0.0f);
}

namespace
{
GladGLContext* GRealTable = nullptr;
UINT32         GFans      = 0;
bool           GKeepWater = false;
bool           GKeepSky   = true;

// The sky is the frame's first four-vertex fan and the water the rest (the
// surface, and under water the tint).
void GLAD_API_PTR SkipWater(GLenum mode, GLint first, GLsizei count)
{
    if (mode == GL_TRIANGLE_FAN && ++GFans >= 2 && !GKeepWater)
        return;
    if (mode == GL_TRIANGLE_FAN && GFans == 1 && !GKeepSky)
        return;
    GRealTable->DrawArrays(mode, first, count);
}
}   // namespace

WorldOffscreen::WorldOffscreen(UINT32 width, UINT32 height) : Width(width), Height(height), Target(new ZNFrameBuffer)
{
    ZNTextureHandle color;
    EXPECT_TRUE(CreateTexture(color, width, height, 1, 1, TEX_FORMAT_RGBA8, nullptr, TEX_NOSTREAM));
    Target->Begin();
    Target->SetTexture(0, color, RTA_Color);
    Target->SetRenderBuffer(
        UINT32_MAX, ZNSharedPtr<ZNRenderBuffer>(new ZNRenderBuffer(width, height, 0, ZN_RB_FORMAT_DEPTH24_STENCIL8)),
        RTA_DepthStencil);
    Target->Commit();
}

std::vector<UINT8> WorldOffscreen::Render(VoxelWorld& world, const VoxCameraState& camera, std::vector<UINT32>* depth)
{
    world.Camera = camera;
    PushFBO(Target);
    GRealTable           = TGCurGLTable;
    GladGLContext hooked = *TGCurGLTable;
    hooked.DrawArrays    = SkipWater;
    GFans                = 0;
    GKeepWater           = Water;
    GKeepSky             = Sky;
    if (Water)
        world.WaterTime = 10.0f;
    TGCurGLTable = &hooked;
    world.Render(1.0f);
    TGCurGLTable = GRealTable;
    std::vector<UINT8> pixels((size_t)Width * Height * 4);
    TGCurGLTable->ReadBuffer(GL_COLOR_ATTACHMENT0);
    TGCurGLTable->PixelStorei(GL_PACK_ALIGNMENT, 1);
    TGCurGLTable->ReadPixels(0, 0, (GLsizei)Width, (GLsizei)Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (depth)
    {
        depth->assign((size_t)Width * Height, 0);
        TGCurGLTable->ReadPixels(0, 0, (GLsizei)Width, (GLsizei)Height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,
                                 depth->data());
    }
    PopFBO(Target);
    return pixels;
}
