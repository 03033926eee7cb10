// ZNConCommands: the console's own commands, there in every program that has a
// console: help, cmdlist, cvarlist, set, toggle, echo and exec.
//
//   help [NAME]        what a command or variable does (without NAME: how to start)
//   cmdlist [PREFIX]   commands with their descriptions
//   cvarlist [PREFIX]  variables: name, value, range, description
//   set NAME VALUE     sets a variable (as "NAME VALUE" does)
//   toggle NAME        a variable between its two ends (0 and 1 for a switch)
//   echo TEXT          prints the words of TEXT
//   exec FILE          runs the lines of a text file; '#' starts a comment
//
// Guarantees: wrong or missing arguments print the command's usage and change
// nothing; exec names a file it cannot read, and the errors of a file's lines
// name the file and the line ("x.cfg:3: ..."); nesting stops at the console's
// ExecDepthLimit and one typed command runs at most ExecLineLimit script lines
// (said once, when the first line is refused).
#pragma once

#include "core/ZNTemplate.h"

class ZNConsole;

// A path as a person types it (absolute, or relative to the current directory)
// turned into an engine file name, which the file layer reads relative to the
// data folder. An empty path stays empty.
ZNString ZNConsolePathToEngineName(const char* path);

// Prints "usage: " and the usage of the ZNConFunc named by args[0], as every
// command does when its arguments are wrong (an error: ZNConsole::Error).
void ZNConsolePrintUsage(ZNConsole& console, const ZNArray<ZNString>& args);

// Runs every line of text as a console line, skipping empty lines and lines whose
// first non-blank character is '#'. Returns the number of lines run; stops
// when the console's ExecLineLimit is reached. fileName (may be null) is what
// the lines' errors name, with the line number.
UINT32 ZNConsoleExecText(ZNConsole& console, const ZNString& text, const char* fileName = nullptr);

// Referenced by the console so the linker keeps these commands in every program.
void ZNConsoleLinkCommands();
