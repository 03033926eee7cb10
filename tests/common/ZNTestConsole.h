// What a console prints for one line, and a scratch folder named without its
// trailing separator: shared by the suites that run commands without a window.
#pragma once

#include "common/ZNTestFiles.h"
#include "ui/ZNConsole.h"

#include <string>
#include <vector>

typedef std::vector<std::string> ConsoleLines;

// Runs the line in a fresh console and returns every line it printed.
inline ConsoleLines ConsolePrinted(const char* line)
{
    ZNConsole c;
    c.Execute(line);
    ConsoleLines out;
    for (UINT32 i = 0; i < c.History.Size(); ++i)
        out.push_back(c.History[i].Text.CStr());
    return out;
}

struct ZNScratchFolder : ZNScratchDir
{
    const std::string Path = Root.substr(0, Root.size() - 1);
};
