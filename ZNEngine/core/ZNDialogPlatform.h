// ZNDialogPlatform: the platform half of the dialog handler and of the fatal
// exit (ZNDialogSDL.cpp, ZNDialogWin32.cpp). Internal to the core folder.
#pragma once

#include "core/ZNAssert.h"

#include <stddef.h>

// Shows a native box: 1 for Yes/OK, 0 for No or a box closed without an
// answer, -1 when no box can be shown (no display).
int ZNShowPlatformBox(ZNDialogKind kind, const char* text, const char* caption);

// Stops in an attached debugger; without one the crash handler takes over.
void ZNBreakIntoDebugger();

// Ends the process at once with code (no destructors, no exit handlers).
[[noreturn]] void ZNExitProcessNow(UINT32 code);

// Writes the whole buffer to the standard error stream unbuffered, retrying
// short writes (it may be a pipe); gives up quietly on an error.
void ZNWriteStdErr(const char* data, size_t size);

// True when standard input is a terminal a person can answer on.
bool ZNStdInIsTerminal();
