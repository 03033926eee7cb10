// The world on a real GL context: construction from the demo's data, the draw
// calls of a frame, a world without terrain, and the release of its textures.
#include "WorldGLTest.h"

#include "AppCommands.h"
#include "CommandLine.h"

#include <math.h>
#include <memory>
#include <set>

#include "render/ZNShader.h"
#include "runtime/ZNEngineInternal.h"

namespace
{

// While it lives, the current table is a copy that keeps the names of the GL
// buffers made and not yet deleted, and counts both calls.
class BufferTally
{
public:
    BufferTally() : Saved(&GL())
    {
        Real             = *Saved;
        Table            = *Saved;
        Table.GenBuffers = [](GLsizei n, GLuint* names)
        {
            Real.GenBuffers(n, names);
            for (GLsizei i = 0; i < n; ++i)
                Live.insert(names[i]);
            Made += (UINT32)n;
        };
        Table.DeleteBuffers = [](GLsizei n, const GLuint* names)
        {
            for (GLsizei i = 0; i < n; ++i)
                Deleted += (UINT32)Live.erase(names[i]);
            Real.DeleteBuffers(n, names);
        };
        Live.clear();
        Made = Deleted = 0;
        ZNSwapGLTable(&Table);
    }
    ~BufferTally() { ZNSwapGLTable(Saved); }
    BufferTally(const BufferTally&)            = delete;
    BufferTally& operator=(const BufferTally&) = delete;

    static std::set<GLuint> Live;   // made while the tally lived, not yet deleted
    static UINT32           Made;
    static UINT32           Deleted;   // of those made while it lived

private:
    static GladGLContext Real;
    GladGLContext        Table;
    GladGLContext*       Saved;
};
std::set<GLuint> BufferTally::Live;
UINT32           BufferTally::Made    = 0;
UINT32           BufferTally::Deleted = 0;
GladGLContext    BufferTally::Real;

UINT32 CountNodes(const VoxBlock* node)
{
    UINT32 n = 1;
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            n += CountNodes(node->Ch[k]);
    return n;
}

// One draw call as GL saw it.
struct DrawCall
{
    std::string Mode;
    GLsizei     Count;
    bool        Blend;
};

// Renders one frame through a table that records every call and reads the
// draws, with the blend state each one had, from the record.
std::vector<DrawCall> RecordFrame(VoxelWorld& world)
{
    bool             blend = GL().IsEnabled(GL_BLEND) == GL_TRUE;
    ZNRecordingTable rec;
    world.Render(0.0f);
    std::vector<DrawCall> draws;
    for (const std::string& call : rec.Calls)
    {
        char mode[64];
        int  first = 0, count = 0;
        if (call == "Enable GL_BLEND" || call == "Disable GL_BLEND")
            blend = call[0] == 'E';
        else if (sscanf(call.c_str(), "DrawArrays %63s %d %d", mode, &first, &count) == 3)
            draws.push_back({ mode, count, blend });
        // Quad-layout sprites: the index count is the triangles' vertex count.
        else if (sscanf(call.c_str(), "DrawRangeElements %63s %*d %*d %d", mode, &count) == 2)
            draws.push_back({ std::string(mode) + " indexed", count, blend });
    }
    return draws;
}

UINT32 CountLeavesWithBuffers(const VoxBlock* node, UINT32& vertices, UINT32& leftovers)
{
    UINT32 n = 0;
    if (node->Points.Size())
    {
        if (node->VB && node->DrawCount == node->Points.Size() * node->Corners)
            ++n;
        vertices += node->DrawCount;
    }
    leftovers += node->Vertices.Size();
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            n += CountLeavesWithBuffers(node->Ch[k], vertices, leftovers);
    return n;
}

}   // namespace

TEST_F(WorldGL, BuildsTheTerrainAndLoadsItsTextures)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    // A sprite per cell and the cliffs' fills.
    EXPECT_GT(world.FillSprites, 0u);
    EXPECT_EQ(world.Root->CountPoints(), 160000u + world.FillSprites);
    UINT32       vertices = 0, leftovers = 0;
    const UINT32 leaves = CountLeavesWithBuffers(world.Root, vertices, leftovers);
    EXPECT_EQ(leaves, world.Root->CountNodesWithPoints()) << "every leaf with sprites has its GL buffer";
    EXPECT_EQ(vertices, 4 * (160000u + world.FillSprites)) << "four corners per sprite";
    EXPECT_EQ(leftovers, 0u) << "the CPU copy is released after the upload";
    EXPECT_NE(world.SpriteIndices, nullptr);

    for (const ZNTextureHandle* tex : { &world.GroundTex, &world.WaterTex, &world.SkyTex })
    {
        ASSERT_TRUE(bool(*tex));
        EXPECT_NE((*tex)->TexID, 0u);
        EXPECT_EQ((*tex)->Flags & ~TEX_FROMFILE, 3u);
    }
    // The initial camera.
    EXPECT_EQ(world.Camera.Position, ZNVec3(0, 0, 512));
    EXPECT_EQ(world.Camera.PrevPosition, ZNVec3(0, 0, 512));
    EXPECT_NEAR(world.Camera.Yaw, 3.926991f, 1e-6f);
    EXPECT_NEAR(world.Camera.Pitch, 2.3561945f, 1e-6f);
}

TEST_F(WorldGL, AFrameIsSkyThenOneDrawPerLeafThenBlendedWater)
{
    // Six vertices per sprite and no cliff fills: the frame as it was designed.
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    SetWorldVar("world_quads", 0.0f);
    SetWorldVar("r_fill_cliffs", 0.0f);
    VoxelWorld world(Window);
    EXPECT_EQ(world.SpriteIndices, nullptr);
    ASSERT_NE(world.Root, nullptr);
    // With culling, order and level of detail off the pass draws the whole tree.
    VoxDrawOptions off;
    off.Cull = off.Order = off.Lod = off.Points = false;
    SetWorldDrawOptions(off);
    const std::vector<DrawCall> draws  = RecordFrame(world);
    const UINT32                leaves = world.Root->CountNodesWithPoints();
    ASSERT_EQ(draws.size(), leaves + 2);
    EXPECT_EQ(draws.front().Mode, "GL_TRIANGLE_FAN");
    EXPECT_EQ(draws.front().Count, 4);
    EXPECT_FALSE(draws.front().Blend);
    UINT64 vertices = 0;
    for (size_t i = 1; i + 1 < draws.size(); ++i)
    {
        EXPECT_EQ(draws[i].Mode, "GL_TRIANGLES");
        EXPECT_FALSE(draws[i].Blend);
        vertices += (UINT64)draws[i].Count;
    }
    EXPECT_EQ(vertices, 960000u);
    EXPECT_EQ(draws.back().Mode, "GL_TRIANGLE_FAN");
    EXPECT_EQ(draws.back().Count, 4);
    EXPECT_TRUE(draws.back().Blend);

    // The water leaves blending on; the next frame's sky turns it off again.
    const std::vector<DrawCall> again = RecordFrame(world);
    ASSERT_FALSE(again.empty());
    EXPECT_FALSE(again.front().Blend);
    EXPECT_EQ(GL().GetError(), (GLenum)GL_NO_ERROR);

    // The camera record follows the client size.
    EXPECT_NEAR(world.View.Aspect, 320.0f / 180.0f, 1e-6f);
    EXPECT_EQ(world.DrawStats.Leaves, leaves);
    EXPECT_EQ(world.DrawStats.Sprites, 160000u);

    // With them on, the start view draws part of the tree, and the statistics say so.
    SetWorldDrawOptions(VoxDrawOptions());
    const std::vector<DrawCall> culled = RecordFrame(world);
    EXPECT_EQ(culled.size(), world.DrawStats.Leaves + 2);
    EXPECT_LT(world.DrawStats.Leaves, leaves * 3 / 4);
    EXPECT_LT(world.DrawStats.Sprites, 160000u * 3 / 4);
    // The terrain now comes before the sky: the voxel draws are the triangle and
    // point ones, the leaves wholly in view as points.
    UINT64 sprites = 0, points = 0;
    for (const DrawCall& d : culled)
        if (d.Mode == "GL_TRIANGLES")
            sprites += (UINT64)d.Count / 6;
        else if (d.Mode == "GL_POINTS" || d.Mode == "GL_POINTS indexed")   // forwards or last first
            points += (UINT64)d.Count;
    EXPECT_EQ(sprites + points, world.DrawStats.Sprites);
    EXPECT_EQ(points, world.DrawStats.Points);
    EXPECT_GT(points, 0u);
    EXPECT_NE(culled.front().Mode, "GL_TRIANGLE_FAN");
    EXPECT_EQ(culled[culled.size() - 2].Mode, "GL_TRIANGLE_FAN") << "the sky after the terrain";
}

TEST_F(WorldGL, WithoutTerrainOnlySkyAndWaterAreDrawn)
{
    VoxelWorld world(Window);
    VoxBlock*  built = world.Root;
    ASSERT_NE(built, nullptr);
    world.BuildTree("NoSuchHeightmap.png", "Colormap.png");
    EXPECT_EQ(world.Root, built) << "a failed rebuild keeps the tree there is";
    VoxBlock::Delete(world.Root);
    world.Root                        = nullptr;
    const std::vector<DrawCall> draws = RecordFrame(world);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].Mode, "GL_TRIANGLE_FAN");
    EXPECT_EQ(draws[1].Mode, "GL_TRIANGLE_FAN");
}

TEST_F(WorldGL, DestroyingTheWorldReleasesItsTextures)
{
    const UINT32 before = GTextureManager.List.Size();
    VoxelWorld*  world  = new VoxelWorld(Window);
    EXPECT_EQ(GTextureManager.List.Size(), before + 3);
    ZNTexture* sky = world->SkyTex.Get();
    ASSERT_NE(sky, nullptr);
    EXPECT_EQ(sky->RefCount.load(), 1u);
    delete world;
    EXPECT_EQ(GTextureManager.List.Size(), before);
}

TEST_F(WorldGL, DrawStatsCountTheLeavesAndSpritesOfTheLatestFrame)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    const std::vector<DrawCall> draws = RecordFrame(world);
    EXPECT_EQ(world.DrawStats.Leaves, (UINT32)draws.size() - 2) << "every draw but sky and water is a leaf";
    UINT64 vertices = 0, points = 0;
    for (const DrawCall& d : draws)
    {
        EXPECT_NE(d.Mode, "GL_TRIANGLES") << "the quad layout draws its sprites through the index buffer";
        if (d.Mode == "GL_TRIANGLES indexed")
            vertices += (UINT64)d.Count;
        else if (d.Mode == "GL_POINTS" || d.Mode == "GL_POINTS indexed")
            points += (UINT64)d.Count;
    }
    EXPECT_EQ((UINT64)world.DrawStats.Sprites, vertices / 6u + points);
    EXPECT_EQ((UINT64)world.DrawStats.Points, points);
    RecordFrame(world);
    EXPECT_EQ(world.DrawStats.Leaves, (UINT32)draws.size() - 2) << "each frame starts from zero";
}

static double SumOfHeights(const VoxBlock* node)
{
    double sum = 0.0;
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
        sum += node->Points[i].Position[2];
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            sum += SumOfHeights(node->Ch[k]);
    return sum;
}

// A rebuild frees everything the old tree held: its nodes and its GL buffers,
// every time; a failed one makes nothing. Destroying the world frees the rest.
TEST_F(WorldGL, RebuildsFreeTheOldTreesNodesAndBuffers)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    {
        // The context's own buffers for sky and water are made by a first frame.
        VoxelWorld bare(Window, "NoSuchHeightmap.png", "NoSuchColormap.png");
        bare.Render(0.0f);
    }
    const INT64                 nodesBefore = VoxBlock::LiveNodes();
    BufferTally                 tally;
    std::unique_ptr<VoxelWorld> world(new VoxelWorld(Window));
    ASSERT_NE(world->Root, nullptr);
    const UINT32 nodes = CountNodes(world->Root);
    EXPECT_EQ(VoxBlock::LiveNodes() - nodesBefore, (INT64)nodes);
    const size_t buffers = tally.Live.size();
    EXPECT_GT(buffers, (size_t)world->Root->CountNodesWithPoints());
    ZNString why;
    for (int i = 0; i < 3; ++i)
    {
        const UINT32 made = tally.Made, deleted = tally.Deleted;
        ASSERT_TRUE(RebuildWorld(*world, "Heightmap.png", "Colormap.png", why)) << why.CStr();
        EXPECT_EQ(VoxBlock::LiveNodes() - nodesBefore, (INT64)nodes) << "rebuild " << i;
        EXPECT_EQ(tally.Live.size(), buffers) << "rebuild " << i;
        EXPECT_EQ(tally.Made - made, tally.Deleted - deleted) << "rebuild " << i;
        EXPECT_GE(tally.Made - made, world->Root->CountNodesWithPoints()) << "a buffer per leaf";
    }
    EXPECT_FALSE(RebuildWorld(*world, "NoSuchHeightmap.png", "Colormap.png", why));
    EXPECT_EQ(VoxBlock::LiveNodes() - nodesBefore, (INT64)nodes);
    EXPECT_EQ(tally.Live.size(), buffers);
    world->Render(0.0f);   // the point pass makes its index list on first use
    world.reset();
    EXPECT_EQ(VoxBlock::LiveNodes(), nodesBefore);
    EXPECT_EQ(tally.Live.size(), 0u) << "buffers the world made are still alive";
}

// Lowest and highest centre z of the tree's sprites, and whether they share one colour.
static void SpriteSpread(const VoxBlock* node, float& lo, float& hi, UINT32& colors, UINT8 first[4])
{
    for (UINT32 i = 0; i < node->Points.Size(); ++i)
    {
        const VoxelPoint& p = node->Points[i];
        if (!colors++)
            memcpy(first, p.Color, 4);
        else if (memcmp(first, p.Color, 4))
            colors = 0x80000000u;
        lo = std::min(lo, p.Position[2]);
        hi = std::max(hi, p.Position[2]);
    }
    if (node->IsSplit())
        for (UINT32 k = 0; k < 8; ++k)
            SpriteSpread(node->Ch[k], lo, hi, colors, first);
}

// The program decodes the demo's maps while its window opens and hands them on:
// maps that hold pixels are the terrain even when the command line names none;
// empty ones (a file that failed) leave the build to the data folder's files.
TEST_F(WorldGL, CreateWorldBuildsFromMapsThatHoldPixelsElseFromTheFiles)
{
    AppOptions options;
    options.Grid = 64;
    VoxTerrainMaps maps;
    ASSERT_TRUE(maps.Height.Resize(4, 4));
    for (UINT32 i = 0; i < 16; ++i)
        maps.Height.Samples[i] = 30000;
    maps.Color.Resize(4, 4, 1, 1);
    for (UINT32 i = 0; i < 16; ++i)
        maps.Color.Pixels[i] = 40u | 200u << 8 | 60u << 16 | 255u << 24;
    for (bool given : { true, false })
    {
        if (!given)
            maps = VoxTerrainMaps();
        std::unique_ptr<VoxelWorld> world(CreateWorld(Window, options, maps));
        EXPECT_EQ(maps.Height.Width + maps.Color.Width, 0u) << "the maps are let go";
        ASSERT_NE(world->Root, nullptr);
        EXPECT_EQ(world->Grid, 64u);
        float  lo = 1e9f, hi = -1e9f;
        UINT32 colors = 0;
        UINT8  first[4];
        SpriteSpread(world->Root, lo, hi, colors, first);
        if (given)
        {
            EXPECT_EQ(lo, hi) << "a flat map makes a flat world";
            EXPECT_EQ(colors, 64u * 64u) << "of one colour";
        }
        else
            EXPECT_GT(hi - lo, 100.0f) << "the demo's hills";
    }
}

TEST_F(WorldGL, MapRebuildsFromOtherImagesAndABrokenImageKeepsTheOldWorld)
{
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    const VoxBlock*   before = world.Root;
    const std::string dir    = std::string(ZN_TEST_SOURCE_DIR) + "/data/";
    ZNString          why;

    const std::string broken = std::string(ZN_TEST_SOURCE_DIR) + "/CMakeLists.txt";
    EXPECT_FALSE(RebuildWorld(world, (dir + "Heightmap.png").c_str(), broken.c_str(), why));
    EXPECT_NE(std::string(why.CStr()).find("CMakeLists.txt' is not a PNG file"), std::string::npos) << why.CStr();
    EXPECT_EQ(world.Root, before) << "the old world stays";
    EXPECT_FALSE(RebuildWorld(world, "NoSuchHeightmap.png", "Colormap.png", why));
    EXPECT_EQ(std::string(why.CStr()).rfind("'NoSuchHeightmap.png' is not in the current folder (", 0), 0u)
        << why.CStr();
    EXPECT_NE(std::string(why.CStr()).find(" nor in the data folder ("), std::string::npos) << why.CStr();
    EXPECT_EQ(world.Root, before);

    // The colour map read as heights: another terrain, same number of sprites.
    const double heightBefore = SumOfHeights(world.Root);
    ASSERT_TRUE(RebuildWorld(world, (dir + "Colormap.png").c_str(), "Colormap.png", why)) << why.CStr();
    EXPECT_NE(world.Root, before);
    EXPECT_EQ(world.Root->CountPoints(), 160000u + world.FillSprites) << "the fills counted anew";
    EXPECT_GT(fabs(SumOfHeights(world.Root) - heightBefore), 1000.0);
    RecordFrame(world);
    EXPECT_GT(world.DrawStats.Sprites, 0u);
}

namespace
{

// What GL held when one draw of a frame was made.
struct PassState
{
    GLuint        Program = 0;
    GLuint        Unit[2] = { 0, 0 };   // 2D texture on units 0 and 1
    std::set<int> UniformsSet;          // locations sent since the program was bound
};

// Renders a frame through the recording table and returns the state at each draw.
std::vector<PassState> RecordPasses(VoxelWorld& world)
{
    PassState now;
    GLint     active = 0;
    GL().GetIntegerv(GL_ACTIVE_TEXTURE, &active);
    int                    unit = active - GL_TEXTURE0;
    std::vector<PassState> draws;
    ZNRecordingTable       rec;
    world.Render(0.0f);
    for (const std::string& call : rec.Calls)
    {
        char name[64];
        int  a = 0, b = 0;
        if (sscanf(call.c_str(), "UseProgram %d", &a) == 1)
        {
            now.Program = (GLuint)a;
            now.UniformsSet.clear();
        }
        else if (sscanf(call.c_str(), "ActiveTexture GL_TEXTURE%d", &a) == 1)
            unit = a;
        else if (sscanf(call.c_str(), "BindTexture GL_TEXTURE_2D %d", &a) == 1 && unit >= 0 && unit < 2)
            now.Unit[unit] = (GLuint)a;
        else if (sscanf(call.c_str(), "Uniform%63s %d %d", name, &a, &b) == 3)
            now.UniformsSet.insert(a);
        else if (call.rfind("DrawArrays ", 0) == 0 || call.rfind("DrawRangeElements ", 0) == 0)
            draws.push_back(now);
    }
    return draws;
}

GLuint ProgramOf(const char* file)
{
    ZNShaderPtr shader = GetShader(ZNString(file), ZNString());
    return shader && shader->Shader ? shader->Shader->Program : 0;
}

std::vector<float> UniformValues(GLuint program, const char* name, int count)
{
    std::vector<float> v(count, -12345.0f);
    const GLint        loc = GL().GetUniformLocation(program, name);
    if (loc >= 0)
        GL().GetUniformfv(program, loc, v.data());
    return v;
}

}   // namespace

// Each pass binds its own program, its textures on the units its samplers read,
// and sends the camera and clock uniforms it uses, with the frame's values.
TEST_F(WorldGL, EachPassSetsItsUniformsAndTextureUnits)
{
    SetWorldVar("world_compact", 0.0f);   // the vertex layouts
    VoxelWorld world(Window);
    ASSERT_NE(world.Root, nullptr);
    ASSERT_TRUE(world.SkyTex && world.WaterTex && world.GroundTex);
    const double                 before = ZNGetTime() - world.StartTime;
    const std::vector<PassState> draws  = RecordPasses(world);
    const double                 after  = ZNGetTime() - world.StartTime;

    const GLuint sky = ProgramOf("Shaders/Sky.shd"), voxel = ProgramOf("Shaders/Voxel.shd");
    // The water is drawn with the variant that takes its depth from the plane's
    // corners, the eye being far above it.
    GLuint       water = 0;
    for (const PassState& d : draws)
        if (GL().GetUniformLocation(d.Program, "WaterHeight") >= 0)
            water = d.Program;
    ASSERT_TRUE(sky && voxel && water);
    EXPECT_NE(water, ProgramOf("Shaders/Water.shd"));
    const GLuint skyTex = world.SkyTex->GetGLID(), groundTex = world.GroundTex->GetGLID();
    const GLuint waterTex = world.WaterTex->GetGLID();

    int seen[4] = { 0, 0, 0, 0 };
    for (const PassState& d : draws)
    {
        auto loc  = [&](const char* n) { return GL().GetUniformLocation(d.Program, n); };
        auto sent = [&](const char* n) { return d.UniformsSet.count(loc(n)) == 1; };
        if (d.Program == sky)
        {
            ++seen[0];
            EXPECT_EQ(d.Unit[0], skyTex) << "the sky reads its texture on unit 0";
            EXPECT_TRUE(sent("CameraPos"));
        }
        else if (d.Program == voxel)
        {
            ++seen[1];
            EXPECT_EQ(d.Unit[0], groundTex);
            EXPECT_TRUE(sent("ZN_mView") && sent("ZN_mProj"));
        }
        else if (d.Program == water)
        {
            ++seen[2];
            EXPECT_EQ(d.Unit[0], waterTex) << "ripple normals on unit 0";
            EXPECT_EQ(d.Unit[1], skyTex) << "the sky on unit 1 in the water pass";
            EXPECT_TRUE(sent("ZN_mView") && sent("ZN_mProj") && sent("CameraPos") && sent("Time"));
        }
        else
        {
            ++seen[3];   // the sprites' point variant
            EXPECT_EQ(d.Unit[0], groundTex);
            EXPECT_TRUE(sent("ZN_mView") && sent("ZN_mProj") && sent("PointScale"));
        }
    }
    EXPECT_EQ(seen[0], 1);
    EXPECT_GT(seen[1] + seen[3], 0) << "the terrain's draws";
    EXPECT_EQ(seen[2], 1);

    // Samplers: unit 0 in the sky, units 0 and 1 in the water.
    GLint unit = -1;
    GL().GetUniformiv(sky, GL().GetUniformLocation(sky, "Tex0"), &unit);
    EXPECT_EQ(unit, 0);
    GL().GetUniformiv(water, GL().GetUniformLocation(water, "Tex1"), &unit);
    EXPECT_EQ(unit, 1);

    // The values are the frame's camera and clock, not stale or swapped ones.
    const ZNVec3 eye = world.View.Position;
    for (GLuint program : { sky, water })
    {
        const std::vector<float> pos = UniformValues(program, "CameraPos", 3);
        EXPECT_FLOAT_EQ(pos[0], eye.x);
        EXPECT_FLOAT_EQ(pos[1], eye.y);
        EXPECT_FLOAT_EQ(pos[2], eye.z);
    }
    for (GLuint program : { voxel, water })
    {
        const std::vector<float> view = UniformValues(program, "ZN_mView", 16);
        const std::vector<float> proj = UniformValues(program, "ZN_mProj", 16);
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_FLOAT_EQ(view[i], world.View.View.Data()[i]) << "ZN_mView element " << i;
            EXPECT_FLOAT_EQ(proj[i], world.View.Projection.Data()[i]) << "ZN_mProj element " << i;
        }
    }
    const float time = UniformValues(water, "Time", 1)[0];
    EXPECT_GE(time, (float)before - 1e-3f);
    EXPECT_LE(time, (float)after + 1e-3f);
}
