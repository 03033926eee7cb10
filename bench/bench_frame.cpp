// bench_frame: the demo's frame through the engine against a raw-GL reference in
// the same run.
//
//   scripts/with-display.sh build/bench/bench_frame [--no-big-world] [--no-scale-table] [--scale-only]
//                                                   [--maps16] [--cpu-only GRID] [+set NAME VALUE ...]
//                                                   [benchmark options]
//
// The engine frame renders the world as the demo does (sky, the voxel leaves it
// chooses to draw, water) and waits for the GPU. The reference frame draws the same
// three passes with the same programs and textures straight through GL, every
// terrain vertex in one buffer and one draw call. Both finish the frame (glFinish)
// so the rendering itself is counted.
//
// The alternating benchmarks draw an engine frame and a reference frame from the
// same camera in turn, so a change of machine load hits both alike, and report the
// median and 95th percentile of each with their ratio (ratio = engine median over
// reference median; worst_pair = the largest engine/reference ratio of one camera).
// Path runs fly the benchmark command's flight path once, one camera every quarter
// second. Resolution runs show whether vertices or pixels set the frame's cost.
// The visible-only run measures the floor: frames that draw only the sprites that
// show in the finished picture, found beforehand, nearest first (see Oracle).
//
// Before the benchmarks it prints the start-up times (engine start to the first
// presented frame, the world build alone); after them the peak memory. Then, unless
// --no-big-world, it makes 1024 x 1024 maps with the repository's map tool in a
// temporary data folder, drops the 400 x 400 world (its reference buffer stays),
// resets the peak, builds the 1024 x 1024 world, flies the path against the 400 x
// 400 reference and prints its build time and peak memory. Last, unless
// --no-scale-table (or alone, with --scale-only), the table of scale: worlds of 400,
// 1024, 2048 and 4096 sprites a side sampled from the data folder's maps, each with
// its build time, peak memory, median frame against the 400 x 400 reference in
// turn, draw calls and sprites drawn per frame, and the engine's own processor time
// per frame (GL draws and clears recorded, not executed). With --maps16 the table
// samples 4096 x 4096 16-bit height maps (and their colour maps) that the map tool
// makes in a temporary data folder, as real elevation tiles come. --cpu-only GRID
// runs nothing but that processor time, for the world of GRID sprites a side, ten
// times along the path, for a profiler to look at.
#include "FlightPath.h"
#include "VoxelWorld.h"

#include "core/ZNThread.h"
#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "files/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"
#include "ui/ZNConVar.h"
#include "application/ZNAppWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

ZNAppWindow* GWindow = nullptr;
VoxelWorld*  GWorld  = nullptr;

// A water program's uniform locations; those left at -1 are not sent (GL ignores
// location -1).
struct RawWater
{
    UINT32 Program = 0;
    INT32  View = -1, Proj = -1, Camera = -1, Time = -1, Height = -1, Haze = -1;
};

// Raw copies of what the engine draws.
struct Reference
{
    UINT32                 VAO          = 0;
    UINT32                 Terrain      = 0;   // every sprite vertex, leaf after leaf
    UINT32                 TerrainCount = 0;   // vertices
    UINT32                 Quad         = 0;   // sky quad then water quad, SUIVtxDecl layout
    UINT32                 SkyProgram = 0, VoxelProgram = 0;
    INT32                  SkyCamera = -1;
    INT32                  VoxelView = -1, VoxelProj = -1;
    RawWater               Water;      // the water's height and haze left at the program's defaults
    ZNPodArray<VoxelPoint> Vertices;   // what Terrain holds, for the visible-only frame
};
Reference GRef;

// Full detail only (the coarser levels follow it in each leaf's vertices), as six
// vertices per sprite: four-corner sprites are spelled out as their two triangles.
void GatherVertices(VoxBlock* node, ZNPodArray<VoxelPoint>& out)
{
    // A compact world keeps no vertices; its full detail is its points.
    if (node->Corners == VoxLayout_Compact)
        for (UINT32 i = 0; i < node->Points.Size(); ++i)
            VoxAppendSprite(out, node->Points[i], VoxLayout_Triangles);
    else if (node->Corners == VoxLayout_Quads)
        for (UINT32 v = 0; v + VoxLayout_Quads <= node->LodCount[0]; v += VoxLayout_Quads)
            for (UINT32 i = 0; i < VoxCornerCount; ++i)
                out.Add(node->Vertices.Data()[v + VoxSpriteOrder[i]]);
    else
        out.Append(node->Vertices.Data(), node->LodCount[0]);
    node->Vertices.Clear();
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            GatherVertices(node->Ch[k], out);
}

UINT32 ProgramOf(const ZNShaderPtr& shader)
{
    return shader.Get() && shader->Shader ? shader->Shader->Program : 0;
}

UINT32 Program(const char* name)
{
    return ProgramOf(GetShader(ZNString(name), ZNString()));
}

// The locations of the camera, clock and (when withSettings) height and haze.
RawWater WaterLocations(UINT32 program, bool withSettings)
{
    GladGLContext& gl = *TGCurGLTable;
    RawWater       w;
    w.Program = program;
    w.View    = gl.GetUniformLocation(program, "ZN_mView");
    w.Proj    = gl.GetUniformLocation(program, "ZN_mProj");
    w.Camera  = gl.GetUniformLocation(program, "CameraPos");
    w.Time    = gl.GetUniformLocation(program, "Time");
    if (withSettings)
    {
        w.Height = gl.GetUniformLocation(program, "WaterHeight");
        w.Haze   = gl.GetUniformLocation(program, "HazeStrength");
    }
    return w;
}

void SetupReference()
{
    GladGLContext& gl = *TGCurGLTable;
    if (GWorld->Root)
    {
        // The points are kept, so the vertices can be made again (in the layout
        // the leaves' GL buffers hold) without touching those buffers.
        if (!GWorld->Sprites)
            GWorld->Root->BuildVertexBuffers(false, GWorld->SpriteIndices ? VoxLayout_Quads : VoxLayout_Triangles);
        ZNPodArray<VoxelPoint>& all = GRef.Vertices;
        GatherVertices(GWorld->Root, all);
        GRef.TerrainCount = all.Size();
        gl.GenBuffers(1, &GRef.Terrain);
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Terrain);
        gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(all.Size() * sizeof(VoxelPoint)), &all[0], GL_STATIC_DRAW);
    }
    gl.GenBuffers(1, &GRef.Quad);
    gl.GenVertexArrays(1, &GRef.VAO);

    GRef.SkyProgram   = Program("Shaders/Sky.shd");
    GRef.VoxelProgram = Program("Shaders/Voxel.shd");
    GRef.SkyCamera    = gl.GetUniformLocation(GRef.SkyProgram, "CameraPos");
    GRef.VoxelView    = gl.GetUniformLocation(GRef.VoxelProgram, "ZN_mView");
    GRef.VoxelProj    = gl.GetUniformLocation(GRef.VoxelProgram, "ZN_mProj");
    GRef.Water        = WaterLocations(Program("Shaders/Water.shd"), false);
}

// Binds a sprite program with blending off, the ground texture on unit 0 and the
// camera's matrices.
void UseSpriteProgram(UINT32 program, INT32 view, INT32 proj)
{
    GladGLContext& gl = *TGCurGLTable;
    gl.Disable(GL_BLEND);
    gl.UseProgram(program);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->GroundTex ? GWorld->GroundTex->TexID : 0);
    gl.UniformMatrix4fv(view, 1, GL_FALSE, GWorld->View.View.Data());
    gl.UniformMatrix4fv(proj, 1, GL_FALSE, GWorld->View.Projection.Data());
}

// The sprite vertex's attributes (VoxelPoint) from the bound buffer: centre, size,
// colour and corner; each pass enables the ones it reads.
void SpritePointers(GladGLContext& gl)
{
    gl.VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, (const void*)0);
    gl.VertexAttribPointer(6, 1, GL_FLOAT, GL_FALSE, 24, (const void*)12);
    gl.VertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 24, (const void*)16);
    gl.VertexAttribPointer(7, 4, GL_BYTE, GL_FALSE, 24, (const void*)20);
}

void QuadPointers(GladGLContext& gl)
{
    gl.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 32, (const void*)0);
    gl.VertexAttribPointer(6, 2, GL_FLOAT, GL_FALSE, 32, (const void*)8);
    gl.VertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, 32, (const void*)16);
}

// The sky's fan (vertices 0..3 of the quad buffer, bound with its pointers), on
// texture unit 0.
void DrawRawSky()
{
    GladGLContext& gl     = *TGCurGLTable;
    const float    pos[3] = { GWorld->View.Position.x, GWorld->View.Position.y, GWorld->View.Position.z };
    gl.Disable(GL_BLEND);
    gl.UseProgram(GRef.SkyProgram);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->SkyTex ? GWorld->SkyTex->TexID : 0);
    gl.Uniform3fv(GRef.SkyCamera, 1, pos);
    gl.DrawArrays(GL_TRIANGLE_FAN, 0, 4);
}

// The water's fan (vertices 4..7), blended, ripples on unit 0 and the sky on 1.
void DrawRawWater(const RawWater& w)
{
    GladGLContext& gl     = *TGCurGLTable;
    const float    pos[3] = { GWorld->View.Position.x, GWorld->View.Position.y, GWorld->View.Position.z };
    gl.Enable(GL_BLEND);
    gl.BlendEquation(GL_FUNC_ADD);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
    gl.UseProgram(w.Program);
    gl.UniformMatrix4fv(w.View, 1, GL_FALSE, GWorld->View.View.Data());
    gl.UniformMatrix4fv(w.Proj, 1, GL_FALSE, GWorld->View.Projection.Data());
    gl.Uniform3fv(w.Camera, 1, pos);
    const float time = GWorld->WaterClock();
    gl.Uniform1fv(w.Time, 1, &time);
    gl.Uniform1fv(w.Height, 1, &GWorld->Settings.WaterHeight);
    gl.Uniform1fv(w.Haze, 1, &GWorld->Settings.Haze);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->WaterTex ? GWorld->WaterTex->TexID : 0);
    gl.ActiveTexture(GL_TEXTURE1);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->SkyTex ? GWorld->SkyTex->TexID : 0);
    gl.DrawArrays(GL_TRIANGLE_FAN, 4, 4);
}

void ReferenceFrame()
{
    GladGLContext& gl = *TGCurGLTable;
    gl.ClearColor(0.2f, 0.4f, 0.7f, 1.0f);
    gl.ClearDepth(1.0);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetupCamera(GWorld->Camera, 0.0f, GWindow->Params().Width, GWindow->Params().Height, GWorld->View);

    VoxQuadVertex quads[8];
    BuildSkyQuad(GWorld->View, quads);
    BuildWaterQuad(quads + 4);
    gl.BindVertexArray(GRef.VAO);
    gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Quad);
    gl.BufferData(GL_ARRAY_BUFFER, sizeof(quads), quads, GL_DYNAMIC_DRAW);
    gl.EnableVertexAttribArray(0);
    gl.EnableVertexAttribArray(3);
    gl.EnableVertexAttribArray(6);
    QuadPointers(gl);
    DrawRawSky();

    if (GRef.TerrainCount)
    {
        UseSpriteProgram(GRef.VoxelProgram, GRef.VoxelView, GRef.VoxelProj);
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Terrain);
        gl.EnableVertexAttribArray(7);
        SpritePointers(gl);
        gl.DrawArrays(GL_TRIANGLES, 0, (GLsizei)GRef.TerrainCount);
        gl.DisableVertexAttribArray(7);
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Quad);
        QuadPointers(gl);
    }
    DrawRawWater(GRef.Water);
}

// The engine records what it bound; after the raw frames GL is put back to match.
struct SavedBindings
{
    GLint Program = 0, ArrayBuffer = 0, VAO = 0, Active = 0, Tex[2] = { 0, 0 }, Blend = 0;
};

SavedBindings SaveBindings()
{
    GladGLContext& gl = *TGCurGLTable;
    SavedBindings  s;
    gl.GetIntegerv(GL_CURRENT_PROGRAM, &s.Program);
    gl.GetIntegerv(GL_ARRAY_BUFFER_BINDING, &s.ArrayBuffer);
    gl.GetIntegerv(GL_VERTEX_ARRAY_BINDING, &s.VAO);
    gl.GetIntegerv(GL_ACTIVE_TEXTURE, &s.Active);
    for (GLint unit = 0; unit < 2; ++unit)
    {
        gl.ActiveTexture(GL_TEXTURE0 + (GLenum)unit);
        gl.GetIntegerv(GL_TEXTURE_BINDING_2D, &s.Tex[unit]);
    }
    gl.ActiveTexture((GLenum)s.Active);
    s.Blend = gl.IsEnabled(GL_BLEND);
    return s;
}

void RestoreBindings(const SavedBindings& s)
{
    GladGLContext& gl = *TGCurGLTable;
    gl.BindVertexArray((GLuint)s.VAO);
    gl.UseProgram((GLuint)s.Program);
    gl.BindBuffer(GL_ARRAY_BUFFER, (GLuint)s.ArrayBuffer);
    for (GLint unit = 0; unit < 2; ++unit)
    {
        gl.ActiveTexture(GL_TEXTURE0 + (GLenum)unit);
        gl.BindTexture(GL_TEXTURE_2D, (GLuint)s.Tex[unit]);
    }
    gl.ActiveTexture((GLenum)s.Active);
    if (s.Blend)
        gl.Enable(GL_BLEND);
    else
        gl.Disable(GL_BLEND);
}

double EngineFrameMs()
{
    const double t0 = ZNGetTime();
    GWorld->Render(0.0f);
    TGCurGLTable->Finish();
    return (ZNGetTime() - t0) * 1000.0;
}

double ReferenceFrameMs()
{
    const SavedBindings saved = SaveBindings();
    const double        t0    = ZNGetTime();
    ReferenceFrame();
    TGCurGLTable->Finish();
    const double ms = (ZNGetTime() - t0) * 1000.0;
    RestoreBindings(saved);
    return ms;
}

void SetVar(const char* name, float value)
{
    if (ZNConVar* var = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString(name))))
        var->Set(value);
}

// Culling, order, level of detail, point sprites and the water's plane depth as
// bits 1, 2, 4, 8 and 16 of mask.
void SetSteps(UINT32 mask)
{
    SetVar("r_cull", (mask & 1) ? 1.0f : 0.0f);
    SetVar("r_order", (mask & 2) ? 1.0f : 0.0f);
    SetVar("r_lod", (mask & 4) ? 1.0f : 0.0f);
    SetVar("r_points", (mask & 8) ? 1.0f : 0.0f);
    SetVar("r_water_depth", (mask & 16) ? 1.0f : 0.0f);
}

const UINT32 AllSteps        = 31;
const UINT32 SkyAndWaterOnly = 32;    // a resolution run's flag: no terrain at all
const UINT32 PathCameras     = 120;   // one loop of the flight, a camera every quarter second

VoxCameraState PathCamera(UINT32 i)
{
    return FlightPathAt(FlightPathPeriod * (float)(i % PathCameras) / (float)PathCameras);
}

// Engine and reference frame times of the same cameras, with the figures to quote.
void ReportPairs(benchmark::State& state, const ZNPodArray<double>& engine, const ZNPodArray<double>& reference)
{
    const ZNFrameTimeSummary e = ZNSummarizeFrameTimes(engine), r = ZNSummarizeFrameTimes(reference);
    double                   worstPair = 0.0, engineMax = 0.0;
    for (UINT32 i = 0; i < engine.Size(); ++i)
    {
        engineMax = std::max(engineMax, engine[i]);
        if (reference[i] > 0.0)
            worstPair = std::max(worstPair, engine[i] / reference[i]);
    }
    state.counters["engine_median_ms"]    = e.MedianMs;
    state.counters["engine_p95_ms"]       = e.P95Ms;
    state.counters["engine_max_ms"]       = engineMax;
    state.counters["reference_median_ms"] = r.MedianMs;
    state.counters["reference_p95_ms"]    = r.P95Ms;
    state.counters["ratio"]               = r.MedianMs > 0.0 ? e.MedianMs / r.MedianMs : 0.0;
    state.counters["p95_ratio"]           = r.P95Ms > 0.0 ? e.P95Ms / r.P95Ms : 0.0;
    state.counters["worst_pair"]          = worstPair;
    state.counters["leaves"]              = GWorld->DrawStats.Leaves;
    state.counters["sprites"]             = GWorld->DrawStats.Sprites;
    state.counters["points"]              = GWorld->DrawStats.Points;
}

// Median of the 400 x 400 reference along the path, for the big world's ratio.
double GPathReferenceMedianMs = 0.0;

// Engine (with the steps of range 0) and reference frames in turn, one path camera
// per iteration.
void BM_PathAlternating(benchmark::State& state)
{
    SetSteps((UINT32)state.range(0));
    ZNPodArray<double> engine, reference;
    UINT32             i = 0;
    for (auto _ : state)
    {
        GWorld->Camera = PathCamera(i++);
        engine.Add(EngineFrameMs());
        reference.Add(ReferenceFrameMs());
    }
    ReportPairs(state, engine, reference);
    if (state.range(0) == AllSteps)
        GPathReferenceMedianMs = ZNSummarizeFrameTimes(reference).MedianMs;
    SetSteps(AllSteps);
}

// Bytes of a tree's GL vertex buffers: every level of every leaf.
UINT64 VertexBytes(const VoxBlock* node);
// The same for a world, compact or not.
UINT64 WorldVertexBytes(const VoxelWorld& world)
{
    return world.Sprites ? world.Sprites->Bytes : world.Root ? VertexBytes(world.Root) : 0;
}

UINT64 VertexBytes(const VoxBlock* node)
{
    UINT64 bytes = 0;
    if (node->VB)
        bytes += (UINT64)(node->LodFirst[VoxLodLevels - 1] + node->LodCount[VoxLodLevels - 1]) * sizeof(VoxelPoint);
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            bytes += VertexBytes(node->Ch[k]);
    return bytes;
}

// This process's processor time, all its threads (the software renderer's too), in
// milliseconds: on a shared machine it counts the frame's own work, where the wall
// clock also counts whoever else had the cores.
double ProcessCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec * 1e-6;
}

// The world with its cliffs filled (as built, r_fill_cliffs 1) and the same world as
// designed, a frame of each in turn along the path with every step on; the ratio of
// their medians by the wall clock and by processor time.
void BM_PathFillAlternating(benchmark::State& state)
{
    SetSteps(AllSteps);
    ZNConVar*   fill  = dynamic_cast<ZNConVar*>(ZNConComFind(ZNString("r_fill_cliffs")));
    const float built = fill ? fill->Get() : 1.0f;
    SetVar("r_fill_cliffs", 0.0f);
    VoxelWorld* designed = new VoxelWorld(GWindow);
    SetVar("r_fill_cliffs", built);
    VoxelWorld*        filled = GWorld;
    ZNPodArray<double> with, without, withCpu, withoutCpu;
    UINT32             i = 0;
    for (auto _ : state)
    {
        const VoxCameraState camera = PathCamera(i++);
        GWorld                      = filled;
        GWorld->Camera              = camera;
        double cpu                  = ProcessCpuMs();
        with.Add(EngineFrameMs());
        withCpu.Add(ProcessCpuMs() - cpu);
        GWorld         = designed;
        GWorld->Camera = camera;
        cpu            = ProcessCpuMs();
        without.Add(EngineFrameMs());
        withoutCpu.Add(ProcessCpuMs() - cpu);
    }
    GWorld                     = filled;
    const ZNFrameTimeSummary f = ZNSummarizeFrameTimes(with), d = ZNSummarizeFrameTimes(without);
    const ZNFrameTimeSummary fc = ZNSummarizeFrameTimes(withCpu), dc = ZNSummarizeFrameTimes(withoutCpu);
    state.counters["filled_median_ms"]   = f.MedianMs;
    state.counters["designed_median_ms"] = d.MedianMs;
    state.counters["ratio"]              = d.MedianMs > 0.0 ? f.MedianMs / d.MedianMs : 0.0;
    state.counters["p95_ratio"]          = d.P95Ms > 0.0 ? f.P95Ms / d.P95Ms : 0.0;
    state.counters["cpu_ratio"]          = dc.MedianMs > 0.0 ? fc.MedianMs / dc.MedianMs : 0.0;
    state.counters["fill_sprites"]       = filled->FillSprites;
    if (filled->Root && designed->Root)
    {
        state.counters["filled_vertex_mb"]   = (double)WorldVertexBytes(*filled) / 1048576.0;
        state.counters["designed_vertex_mb"] = (double)WorldVertexBytes(*designed) / 1048576.0;
    }
    delete designed;
}

// The same at the start view.
void BM_StartViewAlternating(benchmark::State& state)
{
    SetSteps((UINT32)state.range(0));
    ZNPodArray<double> engine, reference;
    GWorld->Camera = InitialCameraState();
    for (auto _ : state)
    {
        engine.Add(EngineFrameMs());
        reference.Add(ReferenceFrameMs());
    }
    ReportPairs(state, engine, reference);
    SetSteps(AllSteps);
}

// Engine frames at the start view into an offscreen target of range(0) x range(1)
// pixels, the steps of range(2): the same vertices over a sixteenth of the pixels
// tell which of the two the frame pays for.
void BM_Resolution(benchmark::State& state)
{
    const UINT32    w = (UINT32)state.range(0), h = (UINT32)state.range(1);
    ZNTextureHandle color;
    CreateTexture(color, w, h, 1, 1, TEX_FORMAT_RGBA8, nullptr, TEX_NOSTREAM);
    ZNFrameBufferPtr target(new ZNFrameBuffer);
    target->Begin();
    target->SetTexture(0, color, RTA_Color);
    target->SetRenderBuffer(UINT32_MAX,
                            ZNSharedPtr<ZNRenderBuffer>(new ZNRenderBuffer(w, h, 0, ZN_RB_FORMAT_DEPTH24_STENCIL8)),
                            RTA_DepthStencil);
    target->Commit();
    SetSteps((UINT32)state.range(2) & AllSteps);
    GWorld->Camera = InitialCameraState();
    // Sky and water alone, what the frame costs without any terrain.
    VoxBlock* root = GWorld->Root;
    if (state.range(2) & SkyAndWaterOnly)
        GWorld->Root = nullptr;
    PushFBO(target);
    ZNPodArray<double> engine;
    for (auto _ : state)
        engine.Add(EngineFrameMs());
    PopFBO(target);
    GWorld->Root = root;
    SetSteps(AllSteps);
    const ZNFrameTimeSummary e  = ZNSummarizeFrameTimes(engine);
    state.counters["median_ms"] = e.MedianMs;
    state.counters["p95_ms"]    = e.P95Ms;
    state.counters["sprites"]   = GWorld->DrawStats.Sprites;
}

// The floor of drawing the picture: an oracle frame that draws, as points nearest
// first, only the sprites that show in the finished picture (found beforehand from
// a frame of sprite numbers), then the sky where it shows and the water as the
// engine does. It is measured for two sets of sprites: every full-detail sprite
// (no way of choosing sprites that keeps every pixel draws fewer) and the sprites
// the engine draws at the levels of detail it chooses (what perfect occlusion
// culling would leave of them). It leaves out the quads near the eye and the guard
// band, so if anything it is a little cheaper than drawing the picture can be.
struct Oracle
{
    UINT32      IdProgram = 0, PointProgram = 0;
    INT32       IdView = -1, IdProj = -1;
    INT32       PointView = -1, PointProj = -1, PointScale = -1, PointHaze = -1;
    RawWater    PlaneWater;             // as the engine draws it, far enough from the plane
    RawWater    PixelWater;             // as the engine draws it, near the plane
    UINT32      Candidates = 0;         // the sprites to choose from, six vertices each
    ZNShaderPtr Points, PlaneVariant;   // made with defines, so held here: no cache keeps them
};
Oracle GOracle;

// The sprites that show, one point each, nearest first.
struct VisibleSet
{
    UINT32 Buffer = 0;
    UINT32 Count  = 0;
};
VisibleSet GVisibleFull, GVisibleLod;

const char* const IdVertexShader = R"(#version 330 core
layout(location = 0) in vec3 Centre;
layout(location = 6) in float Size;
layout(location = 7) in vec4 Corner;
uniform mat4 View, Proj;
flat out int Sprite;
out vec2 UV;
void main()
{
    vec4 p = View * vec4(Centre, 1.0);
    p.xy += Corner.xy * (Size * 0.5);
    gl_Position = Proj * p;
    UV = Corner.xy * 0.5 + 0.5;
    Sprite = gl_VertexID / 6 + 1;
})";
const char* const IdPixelShader  = R"(#version 330 core
uniform sampler2D Tex0;
flat in int Sprite;
in vec2 UV;
out vec4 Colour;
void main()
{
    if (texture(Tex0, UV).a < 0.5)
        discard;
    Colour = vec4(ivec3(Sprite, Sprite >> 8, Sprite >> 16) & 255, 255) / 255.0;
})";

UINT32 LinkProgram(const char* vertex, const char* pixel)
{
    GladGLContext& gl         = *TGCurGLTable;
    const UINT32   program    = gl.CreateProgram();
    const char*    sources[2] = { vertex, pixel };
    const GLenum   stages[2]  = { GL_VERTEX_SHADER, GL_FRAGMENT_SHADER };
    for (UINT32 k = 0; k < 2; ++k)
    {
        const UINT32 shader = gl.CreateShader(stages[k]);
        gl.ShaderSource(shader, 1, &sources[k], nullptr);
        gl.CompileShader(shader);
        gl.AttachShader(program, shader);
        gl.DeleteShader(shader);
    }
    gl.LinkProgram(program);
    GLint linked = 0;
    gl.GetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked)
        printf("visible-only frame: the sprite number program did not link\n");
    return linked ? program : 0;
}

void SetupOracle()
{
    GladGLContext& gl = *TGCurGLTable;
    Oracle&        o  = GOracle;
    o.IdProgram       = LinkProgram(IdVertexShader, IdPixelShader);
    o.IdView          = gl.GetUniformLocation(o.IdProgram, "View");
    o.IdProj          = gl.GetUniformLocation(o.IdProgram, "Proj");
    o.Points          = GetShader(ZNString("Shaders/Voxel.shd"), ZNString("#define POINTS\n"));
    o.PointProgram    = ProgramOf(o.Points);
    o.PointView       = gl.GetUniformLocation(o.PointProgram, "ZN_mView");
    o.PointProj       = gl.GetUniformLocation(o.PointProgram, "ZN_mProj");
    o.PointScale      = gl.GetUniformLocation(o.PointProgram, "PointScale");
    o.PointHaze       = gl.GetUniformLocation(o.PointProgram, "HazeStrength");
    o.PlaneVariant    = GetShader(ZNString("Shaders/Water.shd"), ZNString("#define PLANE_DEPTH\n"));
    o.PlaneWater      = WaterLocations(ProgramOf(o.PlaneVariant), true);
    o.PixelWater      = WaterLocations(GRef.Water.Program, true);
    gl.GenBuffers(1, &o.Candidates);
    gl.GenBuffers(1, &GVisibleFull.Buffer);
    gl.GenBuffers(1, &GVisibleLod.Buffer);
}

void ReleaseOracle()
{
    GladGLContext& gl = *TGCurGLTable;
    if (!GOracle.Candidates)
        return;
    gl.DeleteBuffers(1, &GOracle.Candidates);
    gl.DeleteBuffers(1, &GVisibleFull.Buffer);
    gl.DeleteBuffers(1, &GVisibleLod.Buffer);
    gl.DeleteProgram(GOracle.IdProgram);
    GOracle      = Oracle();
    GVisibleFull = GVisibleLod = VisibleSet();
}

// Every full-detail sprite, one stored point each.
void AllSprites(std::vector<VoxelPoint>& out)
{
    out.clear();
    for (UINT32 v = 0; v < GRef.TerrainCount; v += VoxCornerCount)
        out.push_back(GRef.Vertices[v]);
}

// The sprites the engine draws from the current GWorld->View, at the levels it chooses,
// read back from the leaves' buffers.
void EngineSprites(std::vector<VoxelPoint>& out)
{
    out.clear();
    VoxFrustum frustum;
    VoxFrustumFromMatrix(GWorld->View.Projection * GWorld->View.View, frustum);
    ZNPodArray<VoxDrawItem> items;
    VoxCollectDraws(GWorld->Root, frustum, GWorld->View.Position, VoxDrawOptionsFromConsole(), items);
    GladGLContext&          gl = *TGCurGLTable;
    std::vector<VoxelPoint> vertices;
    for (UINT32 i = 0; i < items.Size(); ++i)
    {
        const VoxBlock& node  = *items[i].Node;
        const UINT32    level = items[i].Level;
        const UINT32    first = node.LodFirst[level], count = level ? node.LodCount[level] : node.DrawCount;
        if (!node.VB)
        {
            // A compact leaf's levels made again on the processor (the same ranges).
            VoxBlock& own = const_cast<VoxBlock&>(node);
            own.BuildOwnVertices(VoxLayout_Compact);
            out.insert(out.end(), own.Vertices.Data() + first, own.Vertices.Data() + first + count);
            own.Vertices.Clear();
            continue;
        }
        vertices.resize(count);
        gl.BindBuffer(GL_ARRAY_BUFFER, node.VB->Name);
        gl.GetBufferSubData(GL_ARRAY_BUFFER, (GLintptr)(first * sizeof(VoxelPoint)),
                            (GLsizeiptr)(count * sizeof(VoxelPoint)), vertices.data());
        for (UINT32 v = 0; v < count; v += node.Corners)
            out.push_back(vertices[v]);
    }
}

// Draws the candidates with their numbers as colour, reads the picture back and
// fills the set with the candidates that show, nearest first.
void FindVisibleSprites(const std::vector<VoxelPoint>& candidates, VisibleSet& set)
{
    ZNPodArray<VoxelPoint> quads;
    quads.Reserve((UINT32)candidates.size() * VoxCornerCount);
    for (const VoxelPoint& c : candidates)
        VoxAppendSprite(quads, c, VoxLayout_Triangles);
    GladGLContext& gl = *TGCurGLTable;
    const UINT32   w = GWindow->Params().Width, h = GWindow->Params().Height;
    gl.ClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl.ClearDepth(1.0);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.BindVertexArray(GRef.VAO);
    UseSpriteProgram(GOracle.IdProgram, GOracle.IdView, GOracle.IdProj);
    gl.BindBuffer(GL_ARRAY_BUFFER, GOracle.Candidates);
    gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(quads.Size() * sizeof(VoxelPoint)), quads.Data(), GL_STREAM_DRAW);
    gl.DisableVertexAttribArray(3);
    gl.EnableVertexAttribArray(0);
    gl.EnableVertexAttribArray(6);
    gl.EnableVertexAttribArray(7);
    SpritePointers(gl);
    gl.DrawArrays(GL_TRIANGLES, 0, (GLsizei)quads.Size());
    gl.DisableVertexAttribArray(7);
    std::vector<UINT8> pixels((size_t)w * h * 4);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadPixels(0, 0, (GLsizei)w, (GLsizei)h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

    std::vector<bool> shows(candidates.size() + 1, false);
    for (size_t p = 0; p < pixels.size(); p += 4)
    {
        const UINT32 id = pixels[p] | (UINT32)pixels[p + 1] << 8 | (UINT32)pixels[p + 2] << 16;
        if (id && id < shows.size())
            shows[id] = true;
    }
    std::vector<std::pair<float, UINT32>> order;
    for (UINT32 id = 1; id < shows.size(); ++id)
        if (shows[id])
        {
            const float* c = candidates[id - 1].Position;
            const ZNVec3 d = ZNVec3(c[0], c[1], c[2]) - GWorld->View.Position;
            order.emplace_back(Dot(d, d), id - 1);
        }
    std::sort(order.begin(), order.end());
    std::vector<VoxelPoint> visible;
    for (const auto& item : order)
        visible.push_back(candidates[item.second]);
    set.Count = (UINT32)visible.size();
    gl.BindBuffer(GL_ARRAY_BUFFER, set.Buffer);
    gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(visible.size() * sizeof(VoxelPoint)), visible.data(), GL_STATIC_DRAW);
}

double OracleFrameMs(const VisibleSet& set)
{
    const SavedBindings saved = SaveBindings();
    GladGLContext&      gl    = *TGCurGLTable;
    const Oracle&       o     = GOracle;
    const double        t0    = ZNGetTime();
    gl.ClearColor(0.2f, 0.4f, 0.7f, 1.0f);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const UINT32 h = GWindow->Params().Height;
    SetupCamera(GWorld->Camera, 0.0f, GWindow->Params().Width, h, GWorld->View);
    gl.BindVertexArray(GRef.VAO);
    UseSpriteProgram(o.PointProgram, o.PointView, o.PointProj);
    const float scale = GWorld->View.Projection.At(1, 1) * (float)h * 0.5f, haze = GWorld->Settings.Haze;
    gl.Uniform1fv(o.PointScale, 1, &scale);
    gl.Uniform1fv(o.PointHaze, 1, &haze);
    gl.BindBuffer(GL_ARRAY_BUFFER, set.Buffer);
    gl.EnableVertexAttribArray(0);
    gl.EnableVertexAttribArray(3);
    gl.EnableVertexAttribArray(6);
    SpritePointers(gl);
    gl.DrawArrays(GL_POINTS, 0, (GLsizei)set.Count);

    // The sky behind the sprites, then the water with the plane's depth.
    VoxQuadVertex quads[8];
    BuildSkyQuad(GWorld->View, quads);
    BuildWaterQuad(quads + 4);
    const bool plane = SetWaterPlaneDepth(GWorld->View, GWorld->Settings.WaterHeight, quads + 4);
    gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Quad);
    gl.BufferData(GL_ARRAY_BUFFER, sizeof(quads), quads, GL_DYNAMIC_DRAW);
    QuadPointers(gl);
    DrawRawSky();
    DrawRawWater(plane ? o.PlaneWater : o.PixelWater);
    gl.Finish();
    const double ms = (ZNGetTime() - t0) * 1000.0;
    RestoreBindings(saved);
    return ms;
}

std::vector<UINT8> ReadFrame()
{
    std::vector<UINT8> pixels((size_t)GWindow->Params().Width * GWindow->Params().Height * 4);
    TGCurGLTable->ReadPixels(0, 0, (GLsizei)GWindow->Params().Width, (GLsizei)GWindow->Params().Height, GL_RGBA,
                             GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

double MeanDifference(const std::vector<UINT8>& a, const std::vector<UINT8>& b)
{
    double sum = 0.0;
    for (size_t p = 0; p < a.size(); p += 4)
        sum += abs(a[p] - b[p]) + abs(a[p + 1] - b[p + 1]) + abs(a[p + 2] - b[p + 2]);
    return sum / 3.0 / (double)(a.size() / 4);
}

// Mean absolute differences (0..255) of the two visible-only frames from the
// engine's frames they stand for, the water's clock held for all four: the full
// set against the exact frame (quads, full detail), the engine's set against the
// engine's frame.
std::pair<double, double> VisibleOnlyDifferences()
{
    GWorld->WaterTime = 5.0f;
    OracleFrameMs(GVisibleFull);
    const std::vector<UINT8> full = ReadFrame();
    OracleFrameMs(GVisibleLod);
    const std::vector<UINT8> lod = ReadFrame();
    EngineFrameMs();
    const std::vector<UINT8> engine = ReadFrame();
    SetVar("r_points", 0.0f);
    SetVar("r_lod", 0.0f);
    EngineFrameMs();
    SetSteps(AllSteps);
    GWorld->WaterTime              = -1.0f;
    const std::vector<UINT8> exact = ReadFrame();
    return { MeanDifference(full, exact), MeanDifference(lod, engine) };
}

// Engine, reference and the two visible-only frames in turn along the path, every
// other camera; every tenth also checks that the visible-only frames show the
// pictures they stand for.
void BM_PathVisibleOnly(benchmark::State& state)
{
    if (!GOracle.IdProgram || !GOracle.PointProgram || !GRef.TerrainCount)
    {
        state.SkipWithError("no sprite number program, point program or terrain");
        return;
    }
    SetSteps(AllSteps);
    ZNPodArray<double>      engine, reference, full, lod;
    double                  visibleFull = 0.0, visibleLod = 0.0, drawn = 0.0, worstFull = 0.0, worstLod = 0.0;
    std::vector<VoxelPoint> candidates;
    UINT32                  i = 0;
    for (auto _ : state)
    {
        GWorld->Camera            = PathCamera(2 * i++);
        const SavedBindings saved = SaveBindings();
        SetupCamera(GWorld->Camera, 0.0f, GWindow->Params().Width, GWindow->Params().Height, GWorld->View);
        AllSprites(candidates);
        FindVisibleSprites(candidates, GVisibleFull);
        EngineSprites(candidates);
        drawn += (double)candidates.size();
        FindVisibleSprites(candidates, GVisibleLod);
        RestoreBindings(saved);
        visibleFull += GVisibleFull.Count;
        visibleLod += GVisibleLod.Count;
        engine.Add(EngineFrameMs());
        reference.Add(ReferenceFrameMs());
        full.Add(OracleFrameMs(GVisibleFull));
        lod.Add(OracleFrameMs(GVisibleLod));
        if (i % 10 == 1)
        {
            const std::pair<double, double> d = VisibleOnlyDifferences();
            worstFull                         = std::max(worstFull, d.first);
            worstLod                          = std::max(worstLod, d.second);
        }
    }
    ReportPairs(state, engine, reference);
    const double r = ZNSummarizeFrameTimes(reference).MedianMs;
    const double f = ZNSummarizeFrameTimes(full).MedianMs, l = ZNSummarizeFrameTimes(lod).MedianMs;
    state.counters["full_visible_ms"]         = f;
    state.counters["full_visible_ratio"]      = r > 0.0 ? f / r : 0.0;
    state.counters["full_visible_sprites"]    = i ? visibleFull / i : 0.0;
    state.counters["full_visible_difference"] = worstFull;
    state.counters["lod_visible_ms"]          = l;
    state.counters["lod_visible_ratio"]       = r > 0.0 ? l / r : 0.0;
    state.counters["lod_visible_sprites"]     = i ? visibleLod / i : 0.0;
    state.counters["lod_visible_difference"]  = worstLod;
    state.counters["engine_sprites"]          = i ? drawn / i : 0.0;
}

// The 1024 x 1024 world along the path against the 400 x 400 reference.
void BM_BigWorldPath(benchmark::State& state)
{
    SetSteps(AllSteps);
    ZNPodArray<double> engine, reference;
    UINT32             i = 0;
    for (auto _ : state)
    {
        GWorld->Camera = PathCamera(i++);
        engine.Add(EngineFrameMs());
        reference.Add(ReferenceFrameMs());
    }
    ReportPairs(state, engine, reference);
}

UINT64 PeakMemoryKiB()
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char               line[256];
    unsigned long long kib = 0;
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, "VmHWM:", 6) == 0)
            sscanf(line + 6, "%llu", &kib);
    fclose(f);
    return kib;
}

// Starts the peak anew from what the process holds now.
void ResetPeakMemory()
{
    FILE* f = fopen("/proc/self/clear_refs", "w");
    if (!f)
        return;
    fputs("5", f);
    fclose(f);
}

std::string ProgramFolder()
{
    char          path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return ".";
    path[n] = 0;
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

// A copy of the data folder with maps made by the repository's tool (its size and
// bits arguments, 1024 x 1024 8-bit unless given), beside the program since the
// data path is relative to it; empty when that fails (the reason is printed).
std::string MakeBigWorldData(const char* mapArgs = "1024")
{
    const std::string bin    = ProgramFolder();
    std::string       folder = bin + "/BigWorldData_XXXXXX";
    if (!mkdtemp(&folder[0]))
    {
        printf("big world: cannot make a temporary folder in %s\n", bin.c_str());
        return std::string();
    }
    const std::string dir(folder);
    const std::string copy = "cp -r '" + bin + "/../Data/.' '" + dir + "/'";
    const std::string maps = "'" + bin + "/../tools/make_terrain_maps' '" + dir + "' " + mapArgs;
    if (system(copy.c_str()) != 0 || system(maps.c_str()) != 0)
    {
        printf("big world: could not prepare %s (%s; %s)\n", dir.c_str(), copy.c_str(), maps.c_str());
        system(("rm -rf '" + dir + "'").c_str());
        return std::string();
    }
    return dir;
}

// GL draws and clears counted, not executed: what stays of a frame is the engine's
// own work (culling, level choice, the draw lists) and the cheap state calls.
UINT32            GRecordedDraws = 0;
void GLAD_API_PTR RecordDrawArrays(GLenum, GLint, GLsizei)
{
    ++GRecordedDraws;
}
void GLAD_API_PTR RecordMultiDrawArrays(GLenum, const GLint*, const GLsizei*, GLsizei)
{
    ++GRecordedDraws;
}
void GLAD_API_PTR RecordDrawElements(GLenum, GLsizei, GLenum, const void*)
{
    ++GRecordedDraws;
}
void GLAD_API_PTR RecordDrawRangeElements(GLenum, GLuint, GLuint, GLsizei, GLenum, const void*)
{
    ++GRecordedDraws;
}
void GLAD_API_PTR RecordClear(GLbitfield)
{
}

double EngineCpuFrameMs()
{
    GladGLContext* real        = TGCurGLTable;
    GladGLContext  recorder    = *real;
    recorder.DrawArrays        = RecordDrawArrays;
    recorder.MultiDrawArrays   = RecordMultiDrawArrays;
    recorder.DrawElements      = RecordDrawElements;
    recorder.DrawRangeElements = RecordDrawRangeElements;
    recorder.Clear             = RecordClear;
    TGCurGLTable               = &recorder;
    const double t0            = ZNGetTime();
    GWorld->Render(0.0f);
    const double ms = (ZNGetTime() - t0) * 1000.0;
    TGCurGLTable    = real;
    return ms;
}

double Median(ZNPodArray<double>& v)
{
    if (!v.Size())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.Size() / 2];
}

// How cost grows with the world: 400, 1024, 2048 and 4096 sprites a side, each
// sampled from the data folder's maps, built after the previous one is dropped (the
// 400 x 400 reference's buffer stays), flown along the path a frame of it and a
// frame of the 400 x 400 raw reference in turn.
void RunScaleTable(UINT32 frames)
{
    const UINT32 grids[] = { 400, 1024, 2048, 4096 };
    printf("\nscale table: %u path cameras each, frames alternating with the 400 x 400 raw reference; "
           "1024 x 576, %u processors\n",
           frames, ZNThread::ProcessorCount());
    printf("%6s %10s %9s %10s %10s %9s %9s %7s %10s %10s %12s\n", "grid", "sprites", "build_s", "peak_MiB", "median_ms",
           "ref_ms", "ratio", "calls", "drawn", "cpu_ms", "store_MiB");
    for (UINT32 grid : grids)
    {
        delete GWorld;
        GWorld = nullptr;
        ResetPeakMemory();
        SetVar("world_grid", (float)grid);
        GWorld = new VoxelWorld(GWindow);
        if (!GWorld->Root)
        {
            printf("%6u: the maps could not be read\n", grid);
            continue;
        }
        SetSteps(AllSteps);
        ZNPodArray<double> engine, reference, calls, drawn, cpu;
        for (UINT32 i = 0; i < frames; ++i)
        {
            GWorld->Camera                = PathCamera(i * PathCameras / frames);
            const ZNRenderCounters before = ZNGetRenderCounters();
            engine.Add(EngineFrameMs());
            calls.Add((double)(ZNGetRenderCounters() - before).DrawCalls);
            drawn.Add((double)GWorld->DrawStats.Sprites);
            reference.Add(ReferenceFrameMs());
            cpu.Add(EngineCpuFrameMs());
        }
        const double e = Median(engine), r = Median(reference);
        printf("%6u %10u %9.3f %10.1f %10.2f %9.2f %9.3f %7.0f %10.0f %10.3f %12.1f\n", grid,
               GWorld->Root->CountPoints(), GWorld->BuildSeconds, (double)PeakMemoryKiB() / 1024.0, e, r,
               r > 0.0 ? e / r : 0.0, Median(calls), Median(drawn), Median(cpu),
               (double)WorldVertexBytes(*GWorld) / 1048576.0);
        fflush(stdout);
    }
    SetVar("world_grid", (float)VoxDefaultGrid);
}

// The engine's own processor time per frame alone, for profiling it: the world of
// this grid from the data folder's maps, the path's cameras flown `rounds` times
// with GL draws recorded, each round's median printed.
void RunCpuOnly(UINT32 grid, UINT32 rounds)
{
    delete GWorld;
    GWorld = nullptr;
    SetVar("world_grid", (float)grid);
    GWorld = new VoxelWorld(GWindow);
    if (!GWorld->Root)
    {
        printf("%u: the maps could not be read\n", grid);
        return;
    }
    SetSteps(AllSteps);
    printf("\n%u x %u world, engine processor time per frame over %u path cameras (GL draws recorded)\n", grid, grid,
           PathCameras);
    ZNPodArray<double> all;
    for (UINT32 round = 0; round < rounds; ++round)
    {
        ZNPodArray<double> cpu;
        for (UINT32 i = 0; i < PathCameras; ++i)
        {
            GWorld->Camera = PathCamera(i);
            cpu.Add(EngineCpuFrameMs());
        }
        all.Append(cpu.Data(), cpu.Size());
        printf("round %u: median %.3f ms\n", round, Median(cpu));
    }
    printf("all rounds: median %.3f ms\n", Median(all));
    SetVar("world_grid", (float)VoxDefaultGrid);
}

// The table of scale over the data folder's maps, or with maps16 over 4096 x 4096
// 16-bit maps made for it and removed after.
void RunScaleTableOnMaps(bool maps16, UINT32 frames)
{
    const std::string data = maps16 ? MakeBigWorldData("4096 16") : std::string();
    if (maps16 && data.empty())
        return;
    if (maps16)
    {
        printf("\nmaps: 4096 x 4096, 16-bit heights\n");
        ZNSetDataPath(ZNString((data.substr(data.rfind('/') + 1) + "/").c_str()));
    }
    RunScaleTable(frames);
    if (maps16)
    {
        system(("rm -rf '" + data + "'").c_str());
        ZNSetDataPath(ZNString("../Data/"));
    }
}

}   // namespace

BENCHMARK(BM_StartViewAlternating)->Arg(AllSteps)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PathAlternating)->Arg(AllSteps)->Iterations(PathCameras)->Unit(benchmark::kMillisecond)->UseRealTime();
// Each step's share: none (the design's draw), culling, culling and order, with
// level of detail, with point sprites.
BENCHMARK(BM_PathAlternating)
    ->Arg(0)
    ->Arg(1)
    ->Arg(3)
    ->Arg(7)
    ->Arg(15)
    ->Iterations(PathCameras / 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PathFillAlternating)->Iterations(PathCameras)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Resolution)
    ->Args({ 256, 144, 0 })
    ->Args({ 1024, 576, 0 })
    ->Args({ 256, 144, AllSteps })
    ->Args({ 1024, 576, AllSteps })
    ->Args({ 256, 144, SkyAndWaterOnly })
    ->Args({ 1024, 576, SkyAndWaterOnly })
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PathVisibleOnly)->Iterations(PathCameras / 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BigWorldPath)->Iterations(PathCameras)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference's GL objects, the world, the window and the engine, in that order.
void Shutdown()
{
    GladGLContext& gl = *TGCurGLTable;
    gl.DeleteBuffers(1, &GRef.Terrain);
    gl.DeleteBuffers(1, &GRef.Quad);
    gl.DeleteVertexArrays(1, &GRef.VAO);
    delete GWorld;
    GWorld = nullptr;
    GWindow->Release();
    ZNDestroyAppWindow(GWindow);
    ZNEngineShutdown();
}

// Takes a flag off the command line; true when it was there.
bool TakeFlag(int& argc, char** argv, const char* flag)
{
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], flag) == 0)
        {
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    return false;
}

int main(int argc, char** argv)
{
    const bool bigWorld   = !TakeFlag(argc, argv, "--no-big-world");
    const bool scaleTable = !TakeFlag(argc, argv, "--no-scale-table");
    const bool scaleOnly  = TakeFlag(argc, argv, "--scale-only");
    const bool maps16     = TakeFlag(argc, argv, "--maps16");
    // "--cpu-only GRID" measures (and lets a profiler see) only the engine's own work.
    UINT32     cpuOnly = 0;
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], "--cpu-only") == 0)
        {
            cpuOnly = (UINT32)atoi(argv[i + 1]);
            for (int j = i; j + 2 < argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            break;
        }

    // "+set NAME VALUE" sets a console variable before anything is built (world_quads,
    // r_lod_distance...), so one setting can be measured against another.
    std::vector<std::pair<std::string, float>> sets;
    for (int i = 1; i + 2 < argc;)
        if (strcmp(argv[i], "+set") == 0)
        {
            sets.emplace_back(argv[i + 1], (float)atof(argv[i + 2]));
            for (int j = i; j + 3 < argc; ++j)
                argv[j] = argv[j + 3];
            argc -= 3;
        }
        else
            ++i;

    const double start = ZNGetTime();
    ZNEngineInit(argc, argv);
    for (const auto& set : sets)
        SetVar(set.first.c_str(), set.second);
    // The program lives in bench/, its data beside the demo one folder up.
    ZNSetDataPath(ZNString("../Data/"));
    GWindow               = ZNCreateAppWindow();
    ZNWindowParams params = { 1024, 576, 0, 0, 0, 0, 0, 0 };
    GWindow->Open(ZNString("Building the voxel world..."), params);
    GWindow->MakeCurrent();
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    GWorld = new VoxelWorld(GWindow);
    GWorld->Render(0.0f);
    GWindow->Present();
    TGCurGLTable->Finish();
    const double firstFrame = ZNGetTime() - start;
    printf("400 x 400 world: engine start to first presented frame %.3f s, world build %.3f s\n", firstFrame,
           GWorld->BuildSeconds);
    printf("sprites %u, leaves with sprites %u, processors %u\n", GWorld->Root ? GWorld->Root->CountPoints() : 0,
           GWorld->Root ? GWorld->Root->CountNodesWithPoints() : 0, ZNThread::ProcessorCount());

    if (cpuOnly)
    {
        RunCpuOnly(cpuOnly, 10);
        Shutdown();
        return 0;
    }
    SetupReference();
    if (scaleOnly)
    {
        RunScaleTableOnMaps(maps16, PathCameras / 4);
        Shutdown();
        return 0;
    }
    SetupOracle();

    // A filter on the command line picks among the 400 x 400 world's benchmarks.
    bool filtered = false;
    for (int i = 1; i < argc; ++i)
        filtered = filtered || strncmp(argv[i], "--benchmark_filter=", 19) == 0;
    benchmark::Initialize(&argc, argv);
    // One reporter for both runs: the library's own default one does not survive a
    // second run in the same process.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_None);
    if (filtered)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    else
        benchmark::RunSpecifiedBenchmarks(&reporter, "^BM_(StartView|PathAlternating|Resolution)");
    printf("400 x 400 world: peak memory (VmHWM) %llu KiB (with the reference's copy of the terrain)\n",
           (unsigned long long)PeakMemoryKiB());
    // The visible-only frames after the peak: their buffers are the bench's own.
    if (!filtered)
        benchmark::RunSpecifiedBenchmarks(&reporter, "^BM_PathVisibleOnly");
    GRef.Vertices.Clear();
    ReleaseOracle();

    const std::string bigData = bigWorld ? MakeBigWorldData() : std::string();
    if (!bigData.empty())
    {
        delete GWorld;
        GWorld = nullptr;
        ResetPeakMemory();
        ZNSetDataPath(ZNString((bigData.substr(bigData.rfind('/') + 1) + "/").c_str()));
        SetVar("world_grid", 1024.0f);
        GWorld = new VoxelWorld(GWindow);
        printf("1024 x 1024 world: world build %.3f s, sprites %u, leaves with sprites %u\n", GWorld->BuildSeconds,
               GWorld->Root ? GWorld->Root->CountPoints() : 0, GWorld->Root ? GWorld->Root->CountNodesWithPoints() : 0);
        benchmark::RunSpecifiedBenchmarks(&reporter, "^BM_BigWorldPath");
        printf("1024 x 1024 world: peak memory (VmHWM) %llu KiB since the 400 x 400 world was dropped (the 400 x "
               "400 reference's 23 MB buffer included)\n",
               (unsigned long long)PeakMemoryKiB());
        if (GPathReferenceMedianMs > 0.0)
            printf("400 x 400 reference median along the path in the first run: %.2f ms\n", GPathReferenceMedianMs);
        system(("rm -rf '" + bigData + "'").c_str());
        ZNSetDataPath(ZNString("../Data/"));
    }
    if (scaleTable)
        RunScaleTableOnMaps(maps16, PathCameras / 4);
    benchmark::Shutdown();

    Shutdown();
    return 0;
}
