// VoxelWorld: the demo's world — a terrain of voxel sprites with a sky and water,
// seen from the camera the program places.
//
//   VoxelWorld* world = new VoxelWorld(appWindow);   // context current; builds everything
//   world->Camera = camera.State;                    // the free camera's place
//   world->Render(0.0f);                             // sky, voxels, water
//   delete world;                                    // context still current
//
// Guarantees: construction never fails: without readable terrain images the world
// has no tree and draws sky and water only; missing textures or shaders fall back
// to what the texture and shader systems return. The tree and its GL buffers are
// built once and never change; only the camera moves afterwards. Destruction
// releases the sky, water and ground textures in that order, then the tree, and
// needs the window's GL context current.
#pragma once

#include "Camera.h"
#include "VoxBlock.h"
#include "VoxSprites.h"
#include "VoxVisibility.h"
#include "ZNEngine.h"

class ZNAppWindow;

// The terrain images of the world as it was designed (engine file names).
const char* const VoxDemoHeightMap = "Heightmap.png";
const char* const VoxDemoColorMap  = "Colormap.png";

// What a user tunes; the defaults give the world as it was designed.
struct VoxSettings
{
    float  Speed       = VoxSpeed;              // camera, units per second
    float  Sensitivity = VoxMouseSensitivity;   // mouse look, radians per pixel
    UINT32 InvertY     = 0;                     // mouse look upside down
    float  FieldOfView = VoxFieldOfView;        // vertical, degrees
    float  WaterHeight = 100.0f;                // z of the water plane
    float  Haze        = 1.0f;                  // 0 clear air .. 1 the evening haze
};

class VoxelWorld
{
public:
    VoxCameraState  Camera;      // position, previous position, yaw, pitch, previous yaw and pitch
    VoxCamera       View;        // the view record of the latest Render, from Camera
    VoxBlock*       Root;        // the voxel tree; null when the terrain images could not be read
    ZNTextureHandle GroundTex;   // "Ground.png", the sprite's look
    ZNTextureHandle WaterTex;    // "WaterBump.png", ripple normals
    ZNTextureHandle SkyTex;      // "SkyDusk1.png"
    ZNAppWindow*    Window;      // its client size

    // heightPath, colorPath: the terrain images (engine file names).
    explicit VoxelWorld(ZNAppWindow* window, const char* heightPath = VoxDemoHeightMap,
                        const char* colorPath = VoxDemoColorMap);
    // The same from maps already decoded (LoadTerrainMaps), which it does not keep.
    VoxelWorld(ZNAppWindow* window, const VoxTerrainMaps& maps);
    ~VoxelWorld();
    VoxelWorld(const VoxelWorld&)            = delete;
    VoxelWorld& operator=(const VoxelWorld&) = delete;

    // Draws the frame from the camera interpolated by t (0 = previous state).
    void  Render(float t);
    // The water's "Time" for this frame: WaterTime, or seconds since construction.
    float WaterClock() const;

    // Builds the tree of an N x N grid from the two terrain images, replacing an
    // existing one; when either image cannot be read nothing is built, the tree
    // stays as it was and the answer is false.
    bool BuildTree(const char* heightPath, const char* colorPath, UINT32 grid = VoxDefaultGrid);
    // The same from maps already decoded; true unless the build was stopped.
    bool BuildTree(const VoxTerrainMaps& maps, UINT32 grid = VoxDefaultGrid);

    // The voxel pass's leaves for the current View, then their draws: the quad
    // leaves with the sprite shader bound by the caller, then the point leaves with
    // the point shader, which it binds (and leaves bound), wholly visible ones
    // first, then the ones that need the guard band. A compact world draws each
    // form of a sprite pool in one call.
    void DrawVoxels(const VoxDrawOptions& options);

    bool            BuildStopped = false;        // the window was closed during the latest build
    double          BuildSeconds;                // spent building the tree in the constructor, for measurements
    double          StartTime;                   // clock at construction; the water's "Time" counts from here
    float           WaterTime = -1.0f;           // the water's "Time" if not negative, for frames that must repeat
    UINT32          Grid;                        // sprites per side of the built world
    UINT32          FillSprites;                 // of its sprites, the ones that close cliffs (r_fill_cliffs)
    bool            CliffsFilled = false;        // built with r_fill_cliffs: its marked sprites grow by the slant,
                                                 //   whether or not a step needed a fill sprite
    VoxDrawStats    DrawStats;                   // what the latest frame's voxel pass drew
    VoxSettings     Settings;                    // read by every Update and Render
    ZNGpuBuffer*    SpriteIndices;               // the quad layout's index buffer, made with the first such tree
    VoxSpriteStore* Sprites        = nullptr;    // the compact layout's store (world_compact), else null
    ZNGpuBuffer*    ReverseIndices = nullptr;    // the points' descending list, made with the first point draw
    float           MaxPointSize;                // the widest point this context draws, in pixels
    GLint           MaxViewport[2] = { 0, 0 };   // the largest viewport it takes

private:
    // The constructors' work: GL limits, the tree (from maps when given, else
    // from the two files), the textures.
    void        Start(const VoxTerrainMaps* maps, const char* heightPath, const char* colorPath);
    bool        Build(const VoxTerrainMaps* maps, const char* heightPath, const char* colorPath, UINT32 grid);
    void        DrawSky(VoxQuadVertex quad[4]);
    // The progress bar of a long build in the window, which keeps answering; false
    // once a close was requested.
    static bool ShowProgress(void* world, VoxBuildPhase phase, float fraction);
    // The compact store's first pool, opened while other cores fill the tree.
    static void OpenFirstPool(void* world);

    double        ProgressStart = 0.0;       // clock when the latest build began
    double        ProgressShown = 0.0;       //   and when its bar was last drawn
    UINT32        BuildingGrid  = 0;         // grid of the build under way
    VoxEarlyPool* EarlyPool     = nullptr;   //   and its first pool, until the store takes it

    ZNPodArray<VoxDrawItem> DrawItems;                // kept between frames to save the allocations
    VoxDrawScratch          DrawScratch;              //   as are the ordering's arrays
    VoxCullList             Culling;                  // Root flattened for the frame's cull, made when first
    const VoxBlock*         CullingRoot  = nullptr;   //   needed, from this root
    UINT64                  CullingEdits = 0;         //   when VoxCullBoundsEdits was this
    ZNShaderVariant         PointShader;              // "Voxel.shd" with POINTS
    ZNShaderVariant         CompactShader;            //   with COMPACT
    ZNShaderVariant         CompactPointShader;       //   with COMPACT and POINTS
    ZNShaderVariant         WaterPlaneShader;         // "Water.shd" with PLANE_DEPTH
};

// The console variables that steer the voxel pass and the world's size.
VoxDrawOptions VoxDrawOptionsFromConsole();
UINT32         VoxGridFromConsole();
void           VoxSetGridForConsole(UINT32 grid);   // world_grid, for the next build
// Whether worlds built from now on show a progress bar in their window while a
// build takes more than a moment (the program's, not a test's or a benchmark's).
void           VoxShowBuildProgress(bool show);
