// The app's GL tests share one fixture: the engine started with the repository's
// data folder and a 320 x 180 window whose context is current, once per suite.
// Every dialog during a test is a failure.
#pragma once

#include "VoxelWorld.h"

#include "common/ZNTestGL.h"
#include "render/ZNRT.h"
#include "application/ZNAppWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class WorldGL : public ZNAppWindowTest
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { CloseWindow(); }
    void        SetUp() override;
};

// Sets the voxel pass's console variables (r_cull, r_order, r_lod, r_lod_distance, r_lod_step, r_points).
void SetWorldDrawOptions(const VoxDrawOptions& options);
// Sets one console variable (each test starts from the defaults).
void SetWorldVar(const char* name, float value);

// The start camera moved to position and turned to yaw and pitch, standing
// still (its previous state is the same).
VoxCameraState CameraAt(const ZNVec3& position, float yaw, float pitch);

// Renders frames into an offscreen colour and depth target and reads them back.
// The water pass is left out unless Water is set: it moves with the clock, so two
// frames of one camera would differ by it alone (with Water, the world's WaterTime
// holds the clock).
class WorldOffscreen
{
public:
    WorldOffscreen(UINT32 width, UINT32 height);
    // RGBA, bottom row first; the depth buffer of the same frame into depth when given.
    std::vector<UINT8> Render(VoxelWorld& world, const VoxCameraState& camera, std::vector<UINT32>* depth = nullptr);

    UINT32 Width, Height;
    bool   Water = false;
    bool   Sky   = true;   // false: the frame's clear colour stands where the sky would

private:
    ZNFrameBufferPtr Target;
};
