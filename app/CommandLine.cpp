// CommandLine: the option table and its reader.
#include "CommandLine.h"

#include "ZNEngine.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace
{
typedef bool (*ApplyOption)(AppOptions& options, const char* const* values, ZNString& error);

struct AppOptionSpec
{
    const char* Name;     // "--width"
    const char* Values;   // "W" (names of the values, for the usage)
    UINT32      Count;    // how many values follow
    const char* Help;
    ApplyOption Apply;
};

// A whole number within [low, high], or an error naming the option and the text.
bool ReadCount(const char* option, const char* text, UINT32 low, UINT32 high, UINT32& out, ZNString& error)
{
    errno = 0;
    char* end = nullptr;
    const long long v = strtoll(text, &end, 10);
    if (!*text || *end || errno || v < (long long)low || v > (long long)high)
    {
        char buf[256];
        ZNSPrintf(buf, sizeof(buf), "%s: '%s' is not a whole number from %u to %u", option, text, (unsigned)low,
                  (unsigned)high);
        error = buf;
        return false;
    }
    out = (UINT32)v;
    return true;
}

const AppOptionSpec AppOptionTable[] = {
    { "--help", "", 0, "print this help and exit", nullptr },
    { "--version", "", 0, "print the version and exit", nullptr },
    { "--width", "W", 1, "client width in pixels (64 .. 16384, default 1024)",
      [](AppOptions& o, const char* const* v, ZNString& e) { return ReadCount("--width", v[0], 64, 16384, o.Width, e); } },
    { "--height", "H", 1, "client height in pixels (64 .. 16384, default 576)",
      [](AppOptions& o, const char* const* v, ZNString& e) { return ReadCount("--height", v[0], 64, 16384, o.Height, e); } },
    { "--fullscreen", "", 0, "switch the display to the window's size",
      [](AppOptions& o, const char* const*, ZNString&) { o.Fullscreen = 1; return true; } },
    { "--grid", "N", 1, "world of N x N sprites, 5 units apart (16 .. 4096, default 400)",
      [](AppOptions& o, const char* const* v, ZNString& e) { return ReadCount("--grid", v[0], 16, 4096, o.Grid, e); } },
    { "--map", "HEIGHT COLOUR", 2, "build the world from these two PNG files (absolute or in the data folder)",
      [](AppOptions& o, const char* const* v, ZNString&) { o.MapHeight = v[0]; o.MapColour = v[1]; return true; } },
};
const UINT32 AppOptionCount = sizeof(AppOptionTable) / sizeof(AppOptionTable[0]);

const AppOptionSpec* FindOption(const char* name)
{
    for (UINT32 i = 0; i < AppOptionCount; ++i)
        if (!strcmp(AppOptionTable[i].Name, name))
            return &AppOptionTable[i];
    return nullptr;
}

bool NeedsQuotes(const char* s)
{
    if (!*s)
        return true;
    for (; *s; ++s)
        if (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == ';' || *s == '"')
            return true;
    return false;
}

AppParseResult Fail(ZNString& message, const ZNString& what)
{
    message = what;
    message += "\n";
    message += CommandLineUsage();
    return APR_Error;
}
}

const char* AppVersionText()
{
    return "Vendrapolis 1.1";
}

ZNString CommandLineUsage()
{
    ZNString out("usage: Vendrapolis [options] [+command args ...]\n");
    for (UINT32 i = 0; i < AppOptionCount; ++i)
    {
        const AppOptionSpec& o = AppOptionTable[i];
        char left[64];
        ZNSPrintf(left, sizeof(left), "%s%s%s", o.Name, o.Count ? " " : "", o.Values);
        char line[256];
        ZNSPrintf(line, sizeof(line), "  %-24s %s\n", left, o.Help);
        out += line;
    }
    char line[256];
    ZNSPrintf(line, sizeof(line), "  %-24s %s\n  %-24s %s\n", "+command args", "a console line, run once the world is built",
              "", "(example: +set r_stats 1 +benchmark 5 +quit)");
    out += line;
    return out;
}

AppParseResult ParseCommandLine(int argc, const char* const* argv, AppOptions& options, ZNString& message)
{
    message.Clear();
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i] ? argv[i] : "";
        if (arg[0] == '+')
        {
            ZNString line(arg + 1);
            if (line.Empty())
                return Fail(message, ZNString("'+' must be followed by a console command"));
            while (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '+' && strncmp(argv[i + 1], "--", 2) != 0)
            {
                const char* word = argv[++i];
                line += " ";
                if (NeedsQuotes(word))
                {
                    // A quote inside cannot be kept; it would end the word early.
                    line += "\"";
                    for (const char* p = word; *p; ++p)
                        if (*p != '"')
                            line += *p;
                    line += "\"";
                }
                else
                    line += word;
            }
            options.Commands.Add(line);
            continue;
        }

        const AppOptionSpec* spec = FindOption(arg);
        if (!spec)
        {
            ZNString what(strncmp(arg, "-", 1) == 0 ? "unknown option '" : "unexpected argument '");
            what += arg;
            what += "'";
            return Fail(message, what);
        }
        if (!strcmp(spec->Name, "--help"))
        {
            message = CommandLineUsage();
            return APR_Exit;
        }
        if (!strcmp(spec->Name, "--version"))
        {
            message = AppVersionText();
            message += "\n";
            return APR_Exit;
        }
        if (i + (int)spec->Count >= argc)
        {
            char buf[128];
            ZNSPrintf(buf, sizeof(buf), "%s needs %s", spec->Name, spec->Values);
            return Fail(message, ZNString(buf));
        }
        ZNString error;
        if (!spec->Apply(options, argv + i + 1, error))
            return Fail(message, error);
        i += (int)spec->Count;
    }
    return APR_Run;
}
