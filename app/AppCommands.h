// AppCommands: the demo's own console commands and variables; the standard
// ones (quit, screenshot, reloadshaders, where, benchmark, the camera and
// display variables, r_stats) come with the engine's ZNApp.
//
//   map HEIGHT.png COLOUR.png   rebuilds the world from two PNG files
//
// Variables: r_water_height, r_haze.
#pragma once

#include "CommandLine.h"
#include "ZNEngine.h"

class VoxelWorld;
struct VoxSettings;
struct VoxDrawStats;
struct VoxTerrainMaps;

extern ZNConVar GWaterHeight;
extern ZNConVar GHaze;

// The world the map command rebuilds (null: "map: no world yet").
void SetCommandWorld(VoxelWorld* world);

// Copies the variables the world reads (the application's camera variables and
// the demo's own) into its settings.
void ApplyWorldSettings(const ZNApp& app, VoxSettings& settings);

// The engine file name of a terrain image typed by a person: the path as given
// (absolute or from the current folder), else in the data folder.
ZNString TerrainFileName(const char* path);
// Finds the two terrain images a person named (as TerrainFileName does) and
// decodes them once, side by side, into maps; false when either cannot be used,
// and why names that file and the reason.
bool     ReadTerrainMaps(const char* heightPath, const char* colorPath, VoxTerrainMaps& maps, ZNString& why);

// Rebuilds the world's terrain from two images, names as a person types them
// (found as TerrainFileName finds them). On failure the world stays as it
// was and why names the file and the reason.
bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why);

// Decodes the terrain images the command line names into maps (left empty when
// it names none); false, after printing "--map: REASON" and the usage on
// standard error, when they cannot be used.
bool        ReadMapOption(const AppOptions& options, VoxTerrainMaps& maps);
// The world of the command line's grid and terrain, built from the maps when
// they hold pixels (ReadMapOption's, or the demo's decoded ahead), which it then
// empties, else from the demo's files (the window's context current); prints its
// size and build time on standard output.
VoxelWorld* CreateWorld(ZNAppWindow* window, const AppOptions& options, VoxTerrainMaps& maps);

// The statistics overlay's lines for what the voxel pass drew.
void DescribeDrawStats(const VoxDrawStats& stats, ZNArray<ZNString>& lines);
