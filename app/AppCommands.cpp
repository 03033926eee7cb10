// AppCommands: the demo's commands, variables and the helpers they share with
// the program's start.
#include "AppCommands.h"

#include "VoxelWorld.h"
#include "ZNEngine.h"

#include <stdio.h>

namespace
{
VoxelWorld* CommandWorld = nullptr;   // what map rebuilds
}

ZNConVar GWaterHeight("r_water_height", 100.0f, 0, -100.0f, 700.0f, nullptr, 0, "height of the water plane");
ZNConVar GHaze("r_haze", 1.0f, 0, 0.0f, 1.0f, nullptr, 0, "strength of the evening haze (0 clear air)");

void SetCommandWorld(VoxelWorld* world)
{
    CommandWorld = world;
}

void ApplyWorldSettings(const ZNApp& app, VoxSettings& settings)
{
    settings.Speed       = app.CamSpeed.Get();
    settings.FieldOfView = app.CamFov.Get();
    settings.Sensitivity = app.MouseSensitivity.Get();
    settings.InvertY     = (UINT32)app.InvertY.GetInt();
    settings.WaterHeight = GWaterHeight.Get();
    settings.Haze        = GHaze.Get();
}

// ---------------------------------------------------------------------------
// map

ZNString TerrainFileName(const char* path)
{
    ZNString name, why;
    return ZNFindUserFile(path, nullptr, ZNUF_Read, name, why) ? name : ZNString(path);
}

bool CheckTerrainImage(const char* path, ZNString& why)
{
    ZNString name;
    if (!ZNFindUserFile(path, nullptr, ZNUF_Read, name, why))
        return false;
    ZNString          reason;
    ZNPodArray<UINT8> bytes;
    ZNImage           image;
    // A file the decoder refuses gets its reason ("ends early", "has a bad checksum").
    if (!ReadFileToArray(name, bytes))
        reason = "cannot be read";
    else if (LoadPngFromMemory(bytes.begin(), bytes.Size(), image, nullptr, &reason) && (!image.Width || !image.Height))
        reason = "holds no pixels";
    if (reason.Empty())
        return true;
    why = "'";
    why += path;
    why += "' ";
    why += reason;
    return false;
}

bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why)
{
    if (!CheckTerrainImage(heightPath, why) || !CheckTerrainImage(colorPath, why))
        return false;
    if (!world.BuildTree(TerrainFileName(heightPath).CStr(), TerrainFileName(colorPath).CStr(), VoxGridFromConsole()))
    {
        why = "the terrain could not be built from '";
        why += heightPath;
        why += "' and '";
        why += colorPath;
        why += "'";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// the program's start and its overlay

bool CheckMapOption(const AppOptions& options)
{
    ZNString why;
    if (options.MapHeight.Empty() ||
        (CheckTerrainImage(options.MapHeight.CStr(), why) && CheckTerrainImage(options.MapColour.CStr(), why)))
        return true;
    fprintf(stderr, "--map: %s\n%s", why.CStr(), CommandLineUsage().CStr());
    return false;
}

VoxelWorld* CreateWorld(ZNAppWindow* window, const AppOptions& options)
{
    if (options.Grid)
        VoxSetGridForConsole(options.Grid);
    VoxelWorld* world = options.MapHeight.Empty()
                            ? new VoxelWorld(window)
                            : new VoxelWorld(window, TerrainFileName(options.MapHeight.CStr()).CStr(),
                                             TerrainFileName(options.MapColour.CStr()).CStr());
    if (world->Root)
        PrintStdout("Voxel world: %u x %u sprites and %u cliff fills, %u leaves, built in %.3f s\n", world->Grid,
                    world->Grid, world->FillSprites, world->Root->CountNodesWithPoints(), world->BuildSeconds);
    return world;
}

void DescribeDrawStats(const VoxDrawStats& stats, ZNArray<ZNString>& lines)
{
    char buf[96];
    ZNSPrintf(buf, sizeof(buf), "leaves %u   sprites %u", (unsigned)stats.Leaves, (unsigned)stats.Sprites);
    lines.Add(ZNString(buf));
    ZNSPrintf(buf, sizeof(buf), "sprites drawn as points %u   cliff fills %u", (unsigned)stats.Points,
              (unsigned)stats.Fills);
    lines.Add(ZNString(buf));
}

// ---------------------------------------------------------------------------
// commands

namespace
{
void Map(ZNConsole& console, const ZNConArgs& args)
{
    if (args.Size() != 3)
        return ZNConsolePrintUsage(console, args);
    if (!CommandWorld)
        return (void)console.Error("map: no world yet");
    ZNString     why;
    const double start = ZNGetTime();
    if (!RebuildWorld(*CommandWorld, args[1].CStr(), args[2].CStr(), why))
        return (void)console.Error("map: %s; the world stays as it was", why.CStr());
    console.Printf("map: built from '%s' and '%s' in %.2f s", args[1].CStr(), args[2].CStr(), ZNGetTime() - start);
}

ZNConFunc GMap("map", "map HEIGHT.png COLOUR.png",
               "rebuilds the world from two PNG files (as given from the current folder, else in the data folder)",
               Map);
}
