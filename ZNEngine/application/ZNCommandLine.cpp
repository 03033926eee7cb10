// ZNCommandLine: the option table and its reader.
#include "application/ZNCommandLine.h"

#include "application/ZNAppPlatform.h"
#include "core/ZNStringUtil.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
bool NeedsQuotes(const char* s)
{
    if (!*s)
        return true;
    for (; *s; ++s)
        if (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == ';' || *s == '"')
            return true;
    return false;
}
}

bool ZNReadCountOption(const char* option, const char* text, UINT32 low, UINT32 high, UINT32& out, ZNString& error)
{
    errno               = 0;
    char*           end = nullptr;
    const long long v   = strtoll(text, &end, 10);
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

ZNCommandLine::ZNCommandLine(const char* program, const char* version) : Program(program), VersionText(version)
{
    AddOption("--help", "", 0, "print this help and exit (also -h)", nullptr, nullptr);
    AddOption("--version", "", 0, "print the version and exit", nullptr, nullptr);
    AddOption("--width", "W", 1, "client width in pixels (64 .. 16384, default 1024)", nullptr, nullptr);
    AddOption("--height", "H", 1, "client height in pixels (64 .. 16384, default 576)", nullptr, nullptr);
    AddOption("--fullscreen", "", 0, "switch the display to the window's size", nullptr, nullptr);
    AddOption("--config-dir", "PATH", 1, "the folder of config.cfg and autoexec.cfg (made if missing)", nullptr,
              nullptr);
}

void ZNCommandLine::AddOption(const char* name, const char* values, UINT32 count, const char* help, ZNApplyOption apply,
                              void* user)
{
    Options.Add(Option{ name, values, count, help, apply, user });
}

const ZNCommandLine::Option* ZNCommandLine::Find(const char* name) const
{
    for (UINT32 i = 0; i < Options.Size(); ++i)
        if (!strcmp(Options[i].Name, name))
            return &Options[i];
    return nullptr;
}

ZNString ZNCommandLine::Usage() const
{
    ZNString out("usage: ");
    out += Program;
    out += " [options] [+command args ...]\n";
    for (UINT32 i = 0; i < Options.Size(); ++i)
    {
        const Option& o = Options[i];
        char          left[64];
        ZNSPrintf(left, sizeof(left), "%s%s%s", o.Name, o.Count ? " " : "", o.Values);
        char line[256];
        ZNSPrintf(line, sizeof(line), "  %-24s %s\n", left, o.Help);
        out += line;
    }
    char line[256];
    ZNSPrintf(line, sizeof(line), "  %-24s %s\n  %-24s %s\n", "+command args", CommandHelp, "",
              "(example: +set r_stats 1 +benchmark 5 +quit)");
    out += line;
    return out;
}

ZNAppParseResult ZNCommandLine::Parse(int argc, const char* const* argv, ZNAppOptions& options, ZNString& message) const
{
    message.Clear();
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i] ? argv[i] : "";
        if (arg[0] == '+')
        {
            ZNString line(arg + 1);
            if (line.Empty())
            {
                message = "'+' must be followed by a console command\n";
                message += Usage();
                return ZNAPR_Error;
            }
            // Every word up to the next '+' belongs to the line, options
            // included ("+echo --foo" prints "--foo").
            while (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '+')
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

        ZNString      error;
        const Option* spec = Find(strcmp(arg, "-h") == 0 ? "--help" : arg);
        if (!spec)
        {
            error = strncmp(arg, "-", 1) == 0 ? "unknown option '" : "unexpected argument '";
            error += arg;
            error += "'";
        }
        else if (!strcmp(spec->Name, "--help"))
        {
            message = Usage();
            return ZNAPR_Exit;
        }
        else if (!strcmp(spec->Name, "--version"))
        {
            message = VersionText;
            message += "\n";
            return ZNAPR_Exit;
        }
        else if (i + (int)spec->Count >= argc)
        {
            char buf[128];
            ZNSPrintf(buf, sizeof(buf), "%s needs %s", spec->Name, spec->Values);
            error = buf;
        }
        else
        {
            const char* const* values  = argv + i + 1;
            bool               applied = true;
            if (spec->Apply)
                applied = spec->Apply(spec->User, values, error);
            else if (!strcmp(spec->Name, "--width"))
                applied = ZNReadCountOption("--width", values[0], 64, 16384, options.Width, error);
            else if (!strcmp(spec->Name, "--height"))
                applied = ZNReadCountOption("--height", values[0], 64, 16384, options.Height, error);
            else if (!strcmp(spec->Name, "--fullscreen"))
                options.Fullscreen = 1;
            else if (!strcmp(spec->Name, "--config-dir"))
            {
                options.ConfigDir = values[0];
                applied           = !options.ConfigDir.Empty();
                if (!applied)
                    error = "--config-dir: the folder's name is empty";
            }
            i += (int)spec->Count;
            if (applied)
                continue;
        }
        message = error;
        message += "\n";
        message += Usage();
        return ZNAPR_Error;
    }
    return ZNAPR_Run;
}

int ZNCommandLine::Run(int argc, const char* const* argv, ZNAppOptions& options) const
{
    ZNString message;
    switch (Parse(argc, argv, options, message))
    {
    case ZNAPR_Exit: fputs(message.CStr(), stdout); return 0;
    case ZNAPR_Error: fputs(message.CStr(), stderr); return ZN_EXIT_USAGE;
    case ZNAPR_Run: break;
    }
    // The settings folder is made now, so a name that cannot be a folder is
    // found before anything starts.
    ZNString why;
    if (!options.ConfigDir.Empty() && !ZNMakeFolders(options.ConfigDir.CStr(), why))
    {
        fprintf(stderr, "--config-dir: cannot make the folder '%s': %s\n%s", options.ConfigDir.CStr(), why.CStr(),
                Usage().CStr());
        return ZN_EXIT_USAGE;
    }
    return -1;
}
