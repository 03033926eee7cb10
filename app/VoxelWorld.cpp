// VoxelWorld: construction, per-frame update and the three render passes.
#include "VoxelWorld.h"

#include "ZNEngine.h"

#include <algorithm>
#include <math.h>

// Blend word of the water: add, source alpha / one minus source alpha for colour,
// one / zero for alpha.
static const UINT32 WaterBlendWord = ZN_BLEND_WORD_ALPHA;
// Raster word of every pass: no culling, filled, depth test GL_LESS with writes.
static const UINT32 WorldRasterWord = ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true);
static const UINT32 TextureFlags    = TEX_NOSRGB | TEX_NOSTREAM;
// How much of the water's deep colour lies over the frame when the eye is under water.
static const float  UnderwaterTint = 0.45f;

// Each step that makes the voxel pass cheaper can be turned off; with all of them
// off the pass draws every leaf at full detail in tree order, as quads.
static ZNConVar GCull("r_cull", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                      "skip voxel leaves outside the view (1 on, 0 draw every leaf)");
static ZNConVar GOrder("r_order", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                       "draw the nearest voxel leaves first (1 on, 0 tree order)");
static ZNConVar GLod("r_lod", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                     "draw far voxel leaves with fewer, larger sprites (1 on, 0 full detail)");
static ZNConVar GPoints("r_points", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                        "draw voxel sprites as GL points, one vertex a sprite, wherever no pixel is lost (1 on, "
                        "0 quads)");
static ZNConVar GLodStep("r_lod_step", 1.5f, 0, 1.1f, 4.0f, nullptr, 0,
                         "each coarser level of voxel sprites begins this many times as far as the one before");
static ZNConVar GWaterPlaneDepth("r_water_depth", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                                 "give the water its depth from the plane's corners, so terrain hides water "
                                 "before it is shaded (1 on, 0 worked out for each pixel)");
static ZNConVar GLodDistance("r_lod_distance", 1200.0f, 0, 100.0f, 100000.0f, nullptr, 0,
                             "distance where coarser voxel sprites begin (see r_lod_step)");
// Read when the world is built.
static ZNConVar GWorldQuads("world_quads", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                            "store voxel sprites as four corners drawn through an index buffer (1) or as "
                            "six vertices (0), read when the world is built");
// WebGL2 has neither buffer textures nor multi-draw, so a page keeps the vertex layouts.
#ifdef __EMSCRIPTEN__
static const float CompactByDefault = 0.0f;
#else
static const float CompactByDefault = 1.0f;
#endif
static ZNConVar GWorldCompact("world_compact", CompactByDefault, 1, 0.0f, 1.0f, nullptr, 0,
                              "store each voxel sprite once, in 16 bytes, and draw the leaves of one form in one "
                              "call (1), or as the vertices of world_quads, one call per leaf (0), read when the "
                              "world is built");
static ZNConVar GFillCliffs("r_fill_cliffs", 1.0f, 1, 0.0f, 1.0f, nullptr, 0,
                            "close the steps of steep voxel slopes with extra sprites so no sky shows through (1 "
                            "on, 0 the world as designed), read when the world is built");
static ZNConVar GWorldGrid("world_grid", (float)VoxDefaultGrid, 1, (float)VoxMinGrid, (float)VoxMaxGrid, nullptr, 0,
                           "sprites per side of the voxel world, read when it is built");

VoxDrawOptions VoxDrawOptionsFromConsole()
{
    VoxDrawOptions o;
    o.Cull        = GCull.GetInt() != 0;
    o.Order       = GOrder.GetInt() != 0;
    o.Lod         = GLod.GetInt() != 0;
    o.LodDistance = GLodDistance.Get();
    o.LodStep     = GLodStep.Get();
    o.Points      = GPoints.GetInt() != 0;
    return o;
}

UINT32 VoxGridFromConsole()
{
    return (UINT32)GWorldGrid.GetInt();
}

void VoxSetGridForConsole(UINT32 grid)
{
    GWorldGrid.Set((float)grid);
}

static bool GShowBuildProgress = false;

void VoxShowBuildProgress(bool show)
{
    GShowBuildProgress = show;
}

namespace
{
// The bar: the phase and its share in words over a filled bar, mid-window.
class ProgressLayer final : public ZNUILayer
{
public:
    void Draw() override
    {
        float w = 0.0f, h = 0.0f;
        WindowSize(w, h);
        const float    x0 = w * 0.2f, x1 = w * 0.8f, y0 = h * 0.5f - 10.0f, y1 = h * 0.5f + 10.0f;
        const float    frame[4] = { 0.8f, 0.8f, 0.8f, 1.0f }, bar[4] = { 0.9f, 0.6f, 0.3f, 1.0f };
        const ZNUIRect outline = { x0, y0, x1, y1 };
        const ZNUIRect filled  = { x0, y0, x0 + (x1 - x0) * Fraction, y1 };
        DrawRect(filled, bar, false);
        DrawRect(outline, frame, true);
        char text[96];
        ZNSPrintf(text, sizeof(text), "Building the world: %s %.0f %%", VoxPhaseName(Phase), Fraction * 100.0f);
        const ZNUIRect line = { x0, y0 - 40.0f, x1, y0 - 8.0f };
        DrawText(text, 0, ZNPackColor(1.0f, 1.0f, 1.0f, 1.0f), ZN_TEXT_HCENTER | ZN_TEXT_VCENTER, line, 0.0f);
    }

    VoxBuildPhase Phase    = VoxPhase_Reading;
    float         Fraction = 0.0f;
};
}   // namespace

// A grid of N x N cells has at least N x N sprites, so the store's first pool is
// a whole one when that is a pool's worth.
void VoxelWorld::OpenFirstPool(void* context)
{
    VoxelWorld& world = *static_cast<VoxelWorld*>(context);
    world.EarlyPool   = VoxOpenEarlyPool((UINT64)world.BuildingGrid * world.BuildingGrid);
}

bool VoxelWorld::ShowProgress(void* context, VoxBuildPhase phase, float fraction)
{
    VoxelWorld& world = *static_cast<VoxelWorld*>(context);
    // A close asked for while building ends the build; the window answers its
    // events at every piece.
    if (world.Window->Poll())
    {
        world.BuildStopped = true;
        return false;
    }
    const double now = ZNGetTime();
    if (now - world.ProgressStart < 0.25 || (now - world.ProgressShown < 0.1 && fraction < 1.0f))
        return true;
    world.ProgressShown       = now;
    const float background[4] = { 0.1f, 0.1f, 0.15f, 1.0f };
    Clear(background, 1.0f);
    ZNSharedPtr<ProgressLayer> layer(new ProgressLayer());
    layer->Window   = world.Window;
    layer->Phase    = phase;
    layer->Fraction = fraction < 0.0f ? 0.0f : fraction > 1.0f ? 1.0f : fraction;
    layer->Layout();
    layer->Update(1.0f);
    world.Window->Present();
    return true;
}

VoxelWorld::VoxelWorld(ZNAppWindow* window, const char* heightPath, const char* colorPath)
    : Camera(InitialCameraState()), Root(nullptr), Window(window), BuildSeconds(0.0), StartTime(ZNGetTime()), Grid(0),
      FillSprites(0), SpriteIndices(nullptr), MaxPointSize(0.0f)
{
    Start(nullptr, heightPath, colorPath);
}

VoxelWorld::VoxelWorld(ZNAppWindow* window, const VoxTerrainMaps& maps)
    : Camera(InitialCameraState()), Root(nullptr), Window(window), BuildSeconds(0.0), StartTime(ZNGetTime()), Grid(0),
      FillSprites(0), SpriteIndices(nullptr), MaxPointSize(0.0f)
{
    Start(&maps, nullptr, nullptr);
}

void VoxelWorld::Start(const VoxTerrainMaps* maps, const char* heightPath, const char* colorPath)
{
    // Point sprites take their width from the vertex shader; the widest GL draws
    // decides which leaves may be drawn as points.
    GladGLContext& gl = *TGCurGLTable;
    gl.Enable(GL_PROGRAM_POINT_SIZE);
    float range[2] = { 0.0f, 0.0f };
    gl.GetFloatv(GL_POINT_SIZE_RANGE, range);
    MaxPointSize = range[1];
    gl.GetIntegerv(GL_MAX_VIEWPORT_DIMS, MaxViewport);

    const double start = ZNGetTime();
    Build(maps, heightPath, colorPath, VoxGridFromConsole());
    BuildSeconds = ZNGetTime() - start;

    // A texture that does not load leaves its pass without it; say which, so a
    // missing file is never a silent change of the picture.
    const struct
    {
        ZNTextureHandle* Handle;
        const char*      Name;
    } textures[] = { { &GroundTex, "Ground.png" }, { &WaterTex, "WaterBump.png" }, { &SkyTex, "SkyDusk1.png" } };
    for (const auto& tex : textures)
        if (!LoadTexture(*tex.Handle, tex.Name, TextureFlags))
            PrintStdout("Texture \"%s\" could not be loaded (%s); drawing without it\n", tex.Name,
                        FileExists(tex.Name) ? "see above" : "the file is missing or cannot be opened");
}

VoxelWorld::~VoxelWorld()
{
    SkyTex.Release();
    WaterTex.Release();
    GroundTex.Release();
    VoxSpriteStore::Destroy(Sprites);
    Sprites = nullptr;
    VoxBlock::Delete(Root);
    Root = nullptr;
    delete SpriteIndices;
    SpriteIndices = nullptr;
    delete ReverseIndices;
    ReverseIndices = nullptr;
}

bool VoxelWorld::BuildTree(const char* heightPath, const char* colorPath, UINT32 grid)
{
    return Build(nullptr, heightPath, colorPath, grid);
}

bool VoxelWorld::BuildTree(const VoxTerrainMaps& maps, UINT32 grid)
{
    return Build(&maps, nullptr, nullptr, grid);
}

bool VoxelWorld::Build(const VoxTerrainMaps* maps, const char* heightPath, const char* colorPath, UINT32 grid)
{
    ProgressStart = ProgressShown = ZNGetTime();
    BuildStopped                  = false;
    const bool compact            = GWorldCompact.GetInt() != 0;
    BuildingGrid                  = grid;
    const VoxProgress  bar        = { GShowBuildProgress && Window ? ShowProgress : nullptr, this,
                              compact ? OpenFirstPool : nullptr };
    const VoxProgress* progress   = &bar;
    const bool         fill       = GFillCliffs.GetInt() != 0;
    UINT32             fills      = 0;
    VoxBlock*          tree       = maps ? BuildVoxelTreeForGrid(*maps, grid, fill, &fills, progress)
                                         : LoadVoxelTree(heightPath, colorPath, grid, fill, &fills, progress);
    VoxEarlyPool*      early      = EarlyPool;
    EarlyPool                     = nullptr;
    if (!tree)
    {
        VoxDropEarlyPool(early);
        return false;
    }
    VoxSpriteStore* store = nullptr;
    if (compact)
    {
        store = VoxSpriteStore::Create(tree, VoxPoolSprites, progress, true, early);
        if (!store)
        {
            VoxBlock::Delete(tree);
            return false;
        }
    }
    VoxSpriteStore::Destroy(Sprites);
    Sprites = nullptr;
    VoxBlock::Delete(Root);
    Root         = tree;
    Grid         = grid;
    FillSprites  = fills;
    CliffsFilled = fill;
    if (store)
    {
        Sprites = store;
        return true;
    }
    const bool quads = GWorldQuads.GetInt() != 0;
    Root->BuildVertexBuffers(true, quads ? VoxLayout_Quads : VoxLayout_Triangles);
    if (quads && !SpriteIndices)
        SpriteIndices = VoxCreateSpriteIndices();
    return true;
}

// Looks the uniform up on the program bound now and sets it.
static void SetCurrentUniform(const char* name, const float* data, UINT32 components, bool matrix)
{
    ZNUniformRef uniform;
    GetUniform(GetCurrentShader(), uniform, name);
    SetFloat(uniform, data, components, matrix, 1);
}

static void SetCameraMatrices(const VoxCamera& view)
{
    SetCurrentUniform("ZN_mView", view.View.Data(), 4, true);
    SetCurrentUniform("ZN_mProj", view.Projection.Data(), 4, true);
}

// The most the sprite shader grows a sprite seen at a slant: the designed world
// (no cliff fills) keeps its sprites as they are.
static float SpriteSlantLimit(const VoxCamera& view, bool filled)
{
    return filled ? VoxSlantLimit(view.Projection) : 1.0f;
}

void VoxelWorld::DrawVoxels(const VoxDrawOptions& options)
{
    DrawStats       = VoxDrawStats();
    DrawStats.Fills = FillSprites;
    if (!Root)
        return;
    const float slantLimit = SpriteSlantLimit(View, CliffsFilled);
    SetCurrentUniform("SlantLimit", &slantLimit, 1, false);
    if (SpriteIndices && !Sprites)
        SetIndexBuffer(SpriteIndices);
    if (!options.Cull && !options.Order && !options.Lod && !options.Points && !Sprites)
    {
        // The whole tree in index order, as designed.
        Root->Draw(&DrawStats);
        return;
    }
    VoxFrustum frustum;
    VoxFrustumFromMatrix(View.Projection * View.View, frustum);
    VoxDrawOptions frame       = options;
    GLint          viewport[4] = { 0, 0, 0, 0 };
    TGCurGLTable->GetIntegerv(GL_VIEWPORT, viewport);
    // A sprite of width s at view depth w spans s * P[1][1] / w of the clip
    // volume's height of 2, so s * P[1][1] * height / (2 w) pixels.
    frame.PointScale   = View.Projection.At(1, 1) * (float)viewport[3] * 0.5f;
    frame.SlantLimit   = slantLimit;
    frame.MaxPointSize = MaxPointSize;
    // The guard band: half the widest point and two pixels, or, where the grown
    // viewport would not fit the largest GL takes, as much as fits, the points
    // then kept narrow enough for it.
    const INT32 room = std::min(MaxViewport[0] - viewport[2], MaxViewport[1] - viewport[3]) / 2;
    const INT32 band = std::min((INT32)ceilf(MaxPointSize * 0.5f) + 2, room);
    if (band >= 3)
    {
        frame.PointGuard   = (float)band;
        frame.MaxPointSize = std::min(MaxPointSize, (float)(2 * (band - 2)));
    }
    if (CullingRoot != Root || CullingEdits != VoxCullBoundsEdits())
    {
        // Another tree than the list was made from (a rebuild, or one a caller put
        // in), or one laid out anew, maybe at the same address.
        VoxBuildCullList(Root, Culling);
        CullingRoot  = Root;
        CullingEdits = VoxCullBoundsEdits();
    }
    VoxCollectDraws(Culling, frustum, View.Position, frame, DrawItems, &DrawScratch);
    if (Sprites)
        Sprites->PrepareDraws(DrawItems);
    const auto draw = [this](VoxDrawForm form)
    {
        if (Sprites)
            Sprites->DrawForm(form, DrawStats);
        else
            VoxDrawItems(DrawItems, form, DrawStats);
    };
    draw(VoxForm_Quads);
    if (DrawStats.Leaves == DrawItems.Size())
        return;   // no leaf to draw as points
    const ZNShaderPtr sprites = GetShader(ZNString("Shaders/Voxel.shd"), ZNString());
    if (Sprites)
        SetShader(ZN_BLEND_WORD_OFF,
                  CompactPointShader.Follow(sprites, "Shaders/Voxel.shd", "#define COMPACT\n#define POINTS\n"));
    else
    {
        SetShader(ZN_BLEND_WORD_OFF, PointShader.Follow(sprites, "Shaders/Voxel.shd", "#define POINTS\n"));
        if (!ReverseIndices)
            ReverseIndices = VoxCreateReverseIndices();
        SetIndexBuffer(ReverseIndices);
    }
    SetCameraMatrices(View);
    SetCurrentUniform("HazeStrength", &Settings.Haze, 1, false);
    SetCurrentUniform("PointScale", &frame.PointScale, 1, false);
    SetCurrentUniform("SlantLimit", &slantLimit, 1, false);
    draw(VoxForm_Points);
    if (DrawStats.Leaves == DrawItems.Size())
        return;   // no leaf for the guard band

    // The leaves some centre of which may be out of view, through the viewport grown
    // by the band on every side and the projection shrunk by as much: each pixel
    // lands where it did, and a point GL drops is too far out to reach the screen.
    // The scissor keeps the band itself untouched when the viewport is not the
    // whole target.
    const float  grownW = (float)(viewport[2] + 2 * band), grownH = (float)(viewport[3] + 2 * band);
    const ZNMat4 projection =
        Scaling(ZNVec3((float)viewport[2] / grownW, (float)viewport[3] / grownH, 1.0f)) * View.Projection;
    SetCurrentUniform("ZN_mProj", projection.Data(), 4, true);
    const float         top     = (float)TGCurContextState->ViewportHeight - (float)(viewport[1] + viewport[3]);
    const ZNScissorRect rect    = { (float)viewport[0], top, (float)(viewport[0] + viewport[2]),
                                    top + (float)viewport[3] };
    const bool          scissor = PushScissor(rect);
    SetViewport(viewport[0] - band, viewport[1] - band, (INT32)grownW, (INT32)grownH);
    draw(VoxForm_GuardedPoints);
    SetViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    if (scissor)
        PopScissor();
}

static void SetCameraPos(const VoxCamera& view)
{
    const float pos[3] = { view.Position.x, view.Position.y, view.Position.z };
    SetCurrentUniform("CameraPos", pos, 3, false);
}

// Sky: the view corners one unit ahead, so the shader can form each pixel's ray.
void VoxelWorld::DrawSky(VoxQuadVertex quad[4])
{
    SetShader(ZN_BLEND_WORD_OFF, GetShader(ZNString("Shaders/Sky.shd"), ZNString()));
    BindTexture(0, SkyTex);
    SetCameraPos(View);
    BuildSkyQuad(View, quad);
    DrawUserVertices2D(quad, 4, PT_TriangleFan);
}

void VoxelWorld::Render(float t)
{
    const float clearColor[4] = { 0.2f, 0.4f, 0.7f, 1.0f };
    Clear(clearColor, 1.0f);

    SetupCamera(Camera, t, Window->Params().Width, Window->Params().Height, View, Settings.FieldOfView);
    SetRasterState(WorldRasterWord, ZN_RASTER_MASK_ALL);

    // The sky lies at the far end of the depth range and the terrain in front of it,
    // so drawn after the terrain it fails the depth test wherever terrain stands and
    // is shaded only where it shows; the colours and depths that result are the same.
    const VoxDrawOptions options = VoxDrawOptionsFromConsole();
    VoxQuadVertex        quad[4];
    if (!options.Order)
        DrawSky(quad);

    // Voxels: one draw per sprite pool and form, or one per leaf that can be seen.
    const ZNShaderPtr sprites = GetShader(ZNString("Shaders/Voxel.shd"), ZNString());
    SetShader(ZN_BLEND_WORD_OFF,
              Sprites ? CompactShader.Follow(sprites, "Shaders/Voxel.shd", "#define COMPACT\n") : sprites);
    BindTexture(0, GroundTex);
    SetCameraMatrices(View);
    SetCurrentUniform("HazeStrength", &Settings.Haze, 1, false);
    SetVertexDecl(&VVDecl);
    DrawVoxels(options);
    if (options.Order)
        DrawSky(quad);

    // Water over everything, hidden by nearer terrain through the depth it writes:
    // the plane's own where that can be interpolated, else worked out per pixel.
    // Under water every pixel is water, most of them where the rays never meet
    // the plane, so the depth is worked out per pixel there.
    BuildWaterQuad(quad);
    const bool        underwater = View.Position.z < Settings.WaterHeight;
    const ZNShaderPtr water      = GetShader(ZNString("Shaders/Water.shd"), ZNString());
    if (GWaterPlaneDepth.GetInt() && !underwater && SetWaterPlaneDepth(View, Settings.WaterHeight, quad))
        SetShader(WaterBlendWord, WaterPlaneShader.Follow(water, "Shaders/Water.shd", "#define PLANE_DEPTH\n"));
    else
        SetShader(WaterBlendWord, water);
    SetCameraMatrices(View);
    SetCameraPos(View);
    const float time = WaterClock();
    SetCurrentUniform("Time", &time, 1, false);
    SetCurrentUniform("WaterHeight", &Settings.WaterHeight, 1, false);
    SetCurrentUniform("HazeStrength", &Settings.Haze, 1, false);
    float tint = 0.0f;
    SetCurrentUniform("UnderwaterTint", &tint, 1, false);
    BindTexture(0, WaterTex);
    BindTexture(1, SkyTex);
    DrawUserVertices2D(quad, 4, PT_TriangleFan);
    if (!underwater)
        return;
    // The terrain in front of the surface is under water too: a plain tint over
    // the whole frame, past the depth test.
    tint = UnderwaterTint;
    SetCurrentUniform("UnderwaterTint", &tint, 1, false);
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_OFF, false), ZN_RASTER_MASK_ALL);
    DrawUserVertices2D(quad, 4, PT_TriangleFan);
    SetRasterState(WorldRasterWord, ZN_RASTER_MASK_ALL);
}

float VoxelWorld::WaterClock() const
{
    // Seconds since the world was made: the clock's absolute value (time since the
    // machine started) would lose the fractions in a float after a few days.
    return WaterTime >= 0.0f ? WaterTime : (float)(ZNGetTime() - StartTime);
}
