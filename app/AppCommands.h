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
// True when path names a PNG file with pixels; otherwise why names it and the reason.
bool     CheckTerrainImage(const char* path, ZNString& why);

// Rebuilds the world's terrain from two images, names as a person types them
// (found as TerrainFileName finds them). On failure the world stays as it
// was and why names the file and the reason.
bool RebuildWorld(VoxelWorld& world, const char* heightPath, const char* colorPath, ZNString& why);

// False, after printing "--map: REASON" and the usage on standard error, when
// the command line names terrain images that cannot be used.
bool        CheckMapOption(const AppOptions& options);
// The world of the command line's grid and terrain (the window's context
// current); prints its size and build time on standard output.
VoxelWorld* CreateWorld(ZNAppWindow* window, const AppOptions& options);

// The statistics overlay's lines for what the voxel pass drew.
void DescribeDrawStats(const VoxDrawStats& stats, ZNArray<ZNString>& lines);
