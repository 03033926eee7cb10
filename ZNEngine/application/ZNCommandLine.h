// ZNCommandLine: the standard command line of a program on the engine, read
// before anything else starts so that --help, --version and mistakes need no
// display and open no window. A program adds its own options to the table.
//
//   ZNCommandLine line("MyProgram", "MyProgram 1.0");
//   line.AddOption("--level", "N", 1, "start at level N", ApplyLevel, &myOptions);
//   ZNAppOptions options;
//   const int exitCode = line.Run(argc, argv, options);   // prints help, version, mistakes
//   if (exitCode >= 0) return exitCode;                   // 0 asked for, 2 a mistake
//
// The standard options: --help (or -h), --version, --width W, --height H,
// --fullscreen, --config-dir PATH (the settings folder; Run makes it, and a
// folder that cannot be made is a mistake on the command line). Arguments beginning with '+' are console lines in the classic
// form: "+set r_stats 1 +benchmark 5" gives the lines "set r_stats 1" and
// "benchmark 5"; a line takes every argument after it up to the next '+'
// argument ("+echo --foo" is the line "echo --foo"), so options go before the
// first line, and an argument holding white space, ';' or a quote is quoted so
// it stays one word. A program exits with ZN_EXIT_COMMAND_FAILED when one of
// those lines failed. The usage text is made from the table, the program's options
// after the standard ones.
#pragma once

#include "core/ZNTemplate.h"

// The exit codes of a program on the engine besides 0: a mistake on the command
// line (nothing started), and a console line of the command line that failed
// (the program ran and ended normally otherwise).
#define ZN_EXIT_USAGE 2
#define ZN_EXIT_COMMAND_FAILED 3

struct ZNAppOptions
{
    UINT32            Width      = 1024;   // client size
    UINT32            Height     = 576;
    UINT32            Fullscreen = 0;
    ZNString          ConfigDir;   // --config-dir: the settings folder; empty: ZN_CONFIG_DIR or the user's
    ZNArray<ZNString> Commands;    // console lines from "+command args", in order
};

enum ZNAppParseResult
{
    ZNAPR_Run,     // start the program
    ZNAPR_Exit,    // message holds what was asked for (help, version); exit code 0
    ZNAPR_Error,   // message names the mistake and ends with the usage; exit code 2
};

// Applies an option's values (count of them) to the program's own options; on
// a mistake fills error with one line naming the option and returns false.
typedef bool (*ZNApplyOption)(void* user, const char* const* values, ZNString& error);

// A whole number within [low, high], or an error "OPTION: 'TEXT' is not a whole
// number from LOW to HIGH".
bool ZNReadCountOption(const char* option, const char* text, UINT32 low, UINT32 high, UINT32& out, ZNString& error);

class ZNCommandLine
{
public:
    // program: the name the usage shows; version: what --version prints.
    ZNCommandLine(const char* program, const char* version);

    // Adds an option after the others (names, help and values are kept as
    // pointers: pass literals). values names the values for the usage ("W").
    void AddOption(const char* name, const char* values, UINT32 count, const char* help, ZNApplyOption apply,
                   void* user);

    ZNAppParseResult Parse(int argc, const char* const* argv, ZNAppOptions& options, ZNString& message) const;
    // Parses and prints what the line asked for, and makes the --config-dir
    // folder: -1 to run the program, else the exit code (0 after help or
    // version on standard output, ZN_EXIT_USAGE after a mistake or a folder
    // that cannot be made, named on standard error).
    int              Run(int argc, const char* const* argv, ZNAppOptions& options) const;

    // "usage: PROGRAM [options] [+command args ...]" and one line per option.
    ZNString    Usage() const;
    const char* Version() const { return VersionText; }

    // What the usage says of "+command args".
    const char* CommandHelp = "a console line, run once the program has started";

private:
    struct Option
    {
        const char*   Name;     // "--width"
        const char*   Values;   // "W" (names of the values, for the usage)
        UINT32        Count;    // how many values follow
        const char*   Help;
        ZNApplyOption Apply;   // null for the standard options
        void*         User;
    };
    const Option* Find(const char* name) const;

    const char*        Program;       // for the usage
    const char*        VersionText;   // for --version
    ZNPodArray<Option> Options;       // standard ones first
};
