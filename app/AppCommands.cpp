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

bool ReadTerrainMaps(const char* heightPath, const char* colorPath, VoxTerrainMaps& maps, ZNString& why)
{
    const char* paths[2] = { heightPath, colorPath };
    ZNString    names[2];
    for (UINT32 i = 0; i < 2; ++i)
        if (!ZNFindUserFile(paths[i], nullptr, ZNUF_Read, names[i], why))
            return false;
    UINT32   failed = 0;
    ZNString reason;
    if (LoadTerrainMaps(names[0].CStr(), names[1].CStr(), maps, failed, reason))
        return true;
    why = "'";
    why += paths[failed];
    why += "' ";
    why += reason;
    return false;
}

bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why)
{
    VoxTerrainMaps maps;
    if (!ReadTerrainMaps(heightPath, colorPath, maps, why))
        return false;
    if (!world.BuildTree(maps, VoxGridFromConsole()))
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

bool ReadMapOption(const AppOptions& options, VoxTerrainMaps& maps)
{
    ZNString why;
    if (options.MapHeight.Empty() || ReadTerrainMaps(options.MapHeight.CStr(), options.MapColour.CStr(), maps, why))
        return true;
    fprintf(stderr, "--map: %s\n%s", why.CStr(), CommandLineUsage().CStr());
    return false;
}

VoxelWorld* CreateWorld(ZNAppWindow* window, const AppOptions& options, VoxTerrainMaps& maps)
{
    if (options.Grid)
        VoxSetGridForConsole(options.Grid);
    VoxelWorld* world = maps.Height.Width ? new VoxelWorld(window, maps) : new VoxelWorld(window);
    maps              = VoxTerrainMaps();
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
