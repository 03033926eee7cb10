// CommandLine: the demo's command line, the engine's standard one (help,
// version, size, fullscreen, "+command args") with the demo's --grid and --map,
// read before anything else starts so that --help, --version and mistakes need
// no display and open no window.
//
//   AppOptions options;
//   const int exitCode = MakeCommandLine(options).Run(argc, argv, options);
//   if (exitCode >= 0) return exitCode;   // 0 after help or version, 2 after a mistake
#pragma once

#include "ZNEngine.h"

struct AppOptions : ZNAppOptions
{
    UINT32   Grid = 0;    // sprites per side of the world; 0: world_grid as it is
    ZNString MapHeight;   // empty: the data folder's Heightmap.png
    ZNString MapColour;   //        and Colormap.png
};

// The table, applying the demo's options to options (which must outlive it).
ZNCommandLine MakeCommandLine(AppOptions& options);

ZNAppParseResult ParseCommandLine(int argc, const char* const* argv, AppOptions& options, ZNString& message);

// "usage: Vendrapolis [options] [+command args ...]" and one line per option.
ZNString CommandLineUsage();

// "Vendrapolis <version>".
const char* AppVersionText();
