// CommandLine: the program's options, read before anything else starts so that
// --help, --version and mistakes need no display and open no window.
//
//   AppOptions options;  ZNString message;
//   switch (ParseCommandLine(argc, argv, options, message)) {
//   case APR_Run: break;                                    // start with options
//   case APR_Exit: fputs(message.CStr(), stdout); return 0; // --help, --version
//   case APR_Error: fputs(message.CStr(), stderr); return 2;
//   }
//
// Options are one table (AppOptionTable in CommandLine.cpp): a new option is one
// line there naming its words, its help and how it applies its values.
// Arguments beginning with '+' are console lines in the classic form: "+set
// r_stats 1 +benchmark 5" gives the lines "set r_stats 1" and "benchmark 5"; a
// line takes the arguments after it up to the next '+' argument or option
// ("--..."), and an argument holding white space, ';' or a quote is quoted so it
// stays one word. The usage text is made from the table.
#pragma once

#include "ZNEngine.h"

struct AppOptions
{
    UINT32            Width      = 1024;   // client size
    UINT32            Height     = 576;
    UINT32            Fullscreen = 0;
    UINT32            Grid       = 0;      // sprites per side of the world; 0: world_grid as it is
    ZNString          MapHeight;           // empty: the data folder's Heightmap.png
    ZNString          MapColour;           //        and Colormap.png
    ZNArray<ZNString> Commands;            // console lines from "+command args", in order
};

enum AppParseResult
{
    APR_Run,     // start the program
    APR_Exit,    // message holds what was asked for (help, version); exit code 0
    APR_Error,   // message names the mistake and ends with the usage; exit code 2
};

AppParseResult ParseCommandLine(int argc, const char* const* argv, AppOptions& options, ZNString& message);

// "usage: Vendrapolis [options] [+command args ...]" and one line per option.
ZNString CommandLineUsage();

// "Vendrapolis <version>".
const char* AppVersionText();
