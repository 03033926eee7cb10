// CommandLine: the demo's options on the engine's table.
#include "CommandLine.h"

namespace
{
bool ApplyGrid(void* user, const char* const* values, ZNString& error)
{
    return ZNReadCountOption("--grid", values[0], 16, 4096, static_cast<AppOptions*>(user)->Grid, error);
}

bool ApplyMap(void* user, const char* const* values, ZNString&)
{
    AppOptions& o = *static_cast<AppOptions*>(user);
    o.MapHeight   = values[0];
    o.MapColour   = values[1];
    return true;
}
}

const char* AppVersionText()
{
    return "Vendrapolis 1.1";
}

ZNCommandLine MakeCommandLine(AppOptions& options)
{
    ZNCommandLine line("Vendrapolis", AppVersionText());
    line.CommandHelp = "a console line, run once the world is built";
    line.AddOption("--grid", "N", 1, "world of N x N sprites, 5 units apart (16 .. 4096, default 400)", ApplyGrid,
                   &options);
    line.AddOption("--map", "HEIGHT COLOUR", 2,
                   "build the world from these two PNG files (as given, else in the data folder)", ApplyMap, &options);
    return line;
}

ZNAppParseResult ParseCommandLine(int argc, const char* const* argv, AppOptions& options, ZNString& message)
{
    return MakeCommandLine(options).Parse(argc, argv, options, message);
}

ZNString CommandLineUsage()
{
    AppOptions options;
    return MakeCommandLine(options).Usage();
}
