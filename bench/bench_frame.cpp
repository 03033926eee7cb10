// bench_frame: the demo's frame through the engine against a raw-GL reference in
// the same run.
//
//   scripts/with-display.sh build/bench/bench_frame
//
// EngineFrame renders the world as the demo does (sky, one draw per octree leaf,
// water) and waits for the GPU. ReferenceFrame draws the same three passes with the
// same programs and textures straight through GL, the terrain's vertices all in one
// buffer and one draw call. The ratio of the two is the engine's cost; both finish
// the frame (glFinish) so the rendering itself is counted. Before the benchmarks it
// prints the start-up times (engine start to the first presented frame, the world
// build alone) and at the end the process's peak memory. AlternatingFrames runs the
// two frames in turn and is the figure to quote on a busy machine.
#include "VoxelWorld.h"

#include "render/ZNRT.h"
#include "render/ZNRenderState.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "runtime/ZNDataPath.h"
#include "runtime/ZNEngineInternal.h"
#include "window/ZNAppWindow.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <string.h>

UINT32 GMouseLook = 0;

namespace
{

ZNAppWindow* GWindow = nullptr;
VoxelWorld*  GWorld = nullptr;

// Raw copies of what the engine draws.
struct Reference
{
    UINT32 VAO = 0;
    UINT32 Terrain = 0;        // every sprite vertex, leaf after leaf
    UINT32 TerrainCount = 0;   // vertices
    UINT32 Quad = 0;           // sky quad then water quad, SUIVtxDecl layout
    UINT32 SkyProgram = 0, VoxelProgram = 0, WaterProgram = 0;
    INT32  SkyCamera = -1;
    INT32  VoxelView = -1, VoxelProj = -1;
    INT32  WaterView = -1, WaterProj = -1, WaterCamera = -1, WaterTime = -1;
};
Reference GRef;

// Full detail only: the coarser levels follow it in each leaf's vertices.
void GatherVertices(VoxBlock* node, ZNPodArray<VoxelPoint>& out)
{
    out.Append(node->Vertices.Data(), node->LodCount[0]);
    node->Vertices.Clear();
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            GatherVertices(node->Ch[k], out);
}

UINT32 Program(const char* name)
{
    ZNShaderPtr shader = GetShader(ZNString(name), ZNString());
    return shader.Get() && shader->Shader ? shader->Shader->Program : 0;
}

void SetupReference()
{
    GladGLContext& gl = *TGCurGLTable;
    if (GWorld->Root)
    {
        // The points are kept, so the vertices can be made again without touching
        // the leaves' GL buffers.
        GWorld->Root->BuildVertexBuffers(false);
        ZNPodArray<VoxelPoint> all;
        GatherVertices(GWorld->Root, all);
        GRef.TerrainCount = all.Size();
        gl.GenBuffers(1, &GRef.Terrain);
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Terrain);
        gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(all.Size() * sizeof(VoxelPoint)), &all[0], GL_STATIC_DRAW);
    }
    gl.GenBuffers(1, &GRef.Quad);
    gl.GenVertexArrays(1, &GRef.VAO);

    GRef.SkyProgram = Program("Shaders/Sky.shd");
    GRef.VoxelProgram = Program("Shaders/Voxel.shd");
    GRef.WaterProgram = Program("Shaders/Water.shd");
    GRef.SkyCamera = gl.GetUniformLocation(GRef.SkyProgram, "CameraPos");
    GRef.VoxelView = gl.GetUniformLocation(GRef.VoxelProgram, "ZN_mView");
    GRef.VoxelProj = gl.GetUniformLocation(GRef.VoxelProgram, "ZN_mProj");
    GRef.WaterView = gl.GetUniformLocation(GRef.WaterProgram, "ZN_mView");
    GRef.WaterProj = gl.GetUniformLocation(GRef.WaterProgram, "ZN_mProj");
    GRef.WaterCamera = gl.GetUniformLocation(GRef.WaterProgram, "CameraPos");
    GRef.WaterTime = gl.GetUniformLocation(GRef.WaterProgram, "Time");
}

void QuadPointers(GladGLContext& gl)
{
    gl.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 32, (const void*)0);
    gl.VertexAttribPointer(6, 2, GL_FLOAT, GL_FALSE, 32, (const void*)8);
    gl.VertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, 32, (const void*)16);
}

void ReferenceFrame()
{
    GladGLContext& gl = *TGCurGLTable;
    gl.ClearColor(0.2f, 0.4f, 0.7f, 1.0f);
    gl.ClearDepth(1.0);
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetupCamera(GWorld->Camera, 0.0f, GWindow->Params().Width, GWindow->Params().Height, GCamera);
    const float pos[3] = { GCamera.Position.x, GCamera.Position.y, GCamera.Position.z };

    VoxQuadVertex quads[8];
    BuildSkyQuad(GCamera, quads);
    BuildWaterQuad(quads + 4);
    gl.BindVertexArray(GRef.VAO);
    gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Quad);
    gl.BufferData(GL_ARRAY_BUFFER, sizeof(quads), quads, GL_DYNAMIC_DRAW);
    gl.EnableVertexAttribArray(0);
    gl.EnableVertexAttribArray(3);
    gl.EnableVertexAttribArray(6);

    gl.Disable(GL_BLEND);
    gl.UseProgram(GRef.SkyProgram);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->SkyTex ? GWorld->SkyTex->TexID : 0);
    gl.Uniform3fv(GRef.SkyCamera, 1, pos);
    QuadPointers(gl);
    gl.DrawArrays(GL_TRIANGLE_FAN, 0, 4);

    if (GRef.TerrainCount)
    {
        gl.UseProgram(GRef.VoxelProgram);
        gl.BindTexture(GL_TEXTURE_2D, GWorld->GroundTex ? GWorld->GroundTex->TexID : 0);
        gl.UniformMatrix4fv(GRef.VoxelView, 1, GL_FALSE, GCamera.View.Data());
        gl.UniformMatrix4fv(GRef.VoxelProj, 1, GL_FALSE, GCamera.Projection.Data());
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Terrain);
        gl.EnableVertexAttribArray(7);
        gl.VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, (const void*)0);
        gl.VertexAttribPointer(6, 1, GL_FLOAT, GL_FALSE, 24, (const void*)12);
        gl.VertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, 24, (const void*)16);
        gl.VertexAttribPointer(7, 4, GL_BYTE, GL_FALSE, 24, (const void*)20);
        gl.DrawArrays(GL_TRIANGLES, 0, (GLsizei)GRef.TerrainCount);
        gl.DisableVertexAttribArray(7);
        gl.BindBuffer(GL_ARRAY_BUFFER, GRef.Quad);
    }

    gl.Enable(GL_BLEND);
    gl.BlendEquation(GL_FUNC_ADD);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
    gl.UseProgram(GRef.WaterProgram);
    gl.UniformMatrix4fv(GRef.WaterView, 1, GL_FALSE, GCamera.View.Data());
    gl.UniformMatrix4fv(GRef.WaterProj, 1, GL_FALSE, GCamera.Projection.Data());
    gl.Uniform3fv(GRef.WaterCamera, 1, pos);
    const float time = (float)(ZNGetTime() - GWorld->StartTime);
    gl.Uniform1fv(GRef.WaterTime, 1, &time);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->WaterTex ? GWorld->WaterTex->TexID : 0);
    gl.ActiveTexture(GL_TEXTURE1);
    gl.BindTexture(GL_TEXTURE_2D, GWorld->SkyTex ? GWorld->SkyTex->TexID : 0);
    QuadPointers(gl);
    gl.DrawArrays(GL_TRIANGLE_FAN, 4, 4);
}

// The engine records what it bound; after the raw frames GL is put back to match.
struct SavedBindings
{
    GLint Program = 0, ArrayBuffer = 0, VAO = 0, Active = 0, Tex[2] = { 0, 0 }, Blend = 0;
};

SavedBindings SaveBindings()
{
    GladGLContext& gl = *TGCurGLTable;
    SavedBindings s;
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

void BM_EngineFrame(benchmark::State& state)
{
    for (auto _ : state)
    {
        GWorld->Render(0.0f);
        TGCurGLTable->Finish();
    }
    state.counters["draws"] = GWorld->Root ? GWorld->Root->CountNodesWithPoints() + 2 : 2;
}

void BM_ReferenceFrame(benchmark::State& state)
{
    const SavedBindings saved = SaveBindings();
    for (auto _ : state)
    {
        ReferenceFrame();
        TGCurGLTable->Finish();
    }
    RestoreBindings(saved);
    state.counters["draws"] = GRef.TerrainCount ? 3 : 2;
}

// Engine and reference frames one after the other in every iteration, so a change
// of machine load hits both alike; the counters give each one's mean and the ratio.
void BM_AlternatingFrames(benchmark::State& state)
{
    double engine = 0.0, reference = 0.0;
    for (auto _ : state)
    {
        const double t0 = ZNGetTime();
        GWorld->Render(0.0f);
        TGCurGLTable->Finish();
        const double t1 = ZNGetTime();
        const SavedBindings saved = SaveBindings();
        const double t2 = ZNGetTime();
        ReferenceFrame();
        TGCurGLTable->Finish();
        const double t3 = ZNGetTime();
        RestoreBindings(saved);
        engine += t1 - t0;
        reference += t3 - t2;
    }
    const double n = (double)state.iterations();
    state.counters["engine_ms"] = engine / n * 1000.0;
    state.counters["reference_ms"] = reference / n * 1000.0;
    state.counters["ratio"] = reference > 0.0 ? engine / reference : 0.0;
}

// Update plus render as in the loop, without the present.
void BM_EngineUpdateAndFrame(benchmark::State& state)
{
    for (auto _ : state)
    {
        GWorld->Update(0.0f);
        GWorld->Render(0.0f);
        TGCurGLTable->Finish();
    }
}

UINT64 PeakMemoryKiB()
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    unsigned long long kib = 0;
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, "VmHWM:", 6) == 0)
            sscanf(line + 6, "%llu", &kib);
    fclose(f);
    return kib;
}

}   // namespace

BENCHMARK(BM_EngineFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReferenceFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_EngineFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReferenceFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_AlternatingFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(10.0);
BENCHMARK(BM_EngineUpdateAndFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

int main(int argc, char** argv)
{
    const double start = ZNGetTime();
    ZNEngineInit(argc, argv);
    // The program lives in bench/, its data beside the demo one folder up.
    ZNSetDataPath(ZNString("../Data/"));
    GWindow = ZNCreateAppWindow();
    ZNWindowParams params = { 1024, 576, 0, 0, 0, 0, 0, 0 };
    GWindow->Open(ZNString("Building the voxel world..."), params);
    GWindow->MakeCurrent();
    SetRasterState(ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_LESS, true), ZN_RASTER_MASK_ALL);

    GWorld = new VoxelWorld(GWindow);
    GWorld->Render(0.0f);
    GWindow->Present();
    TGCurGLTable->Finish();
    const double firstFrame = ZNGetTime() - start;
    printf("engine start to first presented frame: %.3f s (world build alone %.3f s)\n", firstFrame,
           GWorld->BuildSeconds);
    printf("sprites %u, leaves with sprites %u\n", GWorld->Root ? GWorld->Root->CountPoints() : 0,
           GWorld->Root ? GWorld->Root->CountNodesWithPoints() : 0);

    SetupReference();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    printf("peak memory (VmHWM): %llu KiB\n", (unsigned long long)PeakMemoryKiB());

    GladGLContext& gl = *TGCurGLTable;
    gl.DeleteBuffers(1, &GRef.Terrain);
    gl.DeleteBuffers(1, &GRef.Quad);
    gl.DeleteVertexArrays(1, &GRef.VAO);
    delete GWorld;
    GWindow->Release();
    ZNDestroyAppWindow(GWindow);
    ZNEngineShutdown();
    return 0;
}
