// ZNSys: process start-up services - the argument list, the program path and
// the crash handler.
//
//   int main(int argc, char** argv) { ZNSysInit(argc, argv); ... ZNSysShutdown(); }
//
// Guarantees:
//   - After ZNSysInit, a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT,
//     SIGTRAP - including a BREAK_IF answered Yes without a debugger) writes a
//     text dump "DUMP-YYYYMMDD-HHMMSS-<pid>-<tid>.dmp" into the program's
//     folder, shows "<program>: Error" through the dialog handler and ends the
//     process with the signal's default action. Stack overflows dump too: the
//     handler runs on an alternate signal stack (the calling thread's and every
//     ZNThread's). On Windows an unhandled exception does the same through
//     the unhandled-exception filter, the dump being a minidump, and the
//     process ends with the exception's code.
//   - The program path is always terminated and never longer than
//     ZN_MAX_PROGRAM_PATH - 1 characters; an argument 0 that does not fit is
//     not cut (a cut path names the wrong folder): the real executable's path
//     from /proc/self/exe is used instead, or "" when that does not fit either.
//   - ZNGetArg and ZNGetArgLength report "at >= count" for a bad index and
//     then return "" and 0.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

#define ZN_MAX_PROGRAM_PATH 260   // program path buffer, terminator included

// Installs the crash handler, then records the arguments: with argc and argv
// given, as they are; otherwise from the process's own command line.
void ZNSysInit(int argc, char** argv);
// Nothing to undo: the crash handler stays until the process ends.
void ZNSysShutdown();

UINT32      ZNGetArgCount();
const char* ZNGetArg(UINT32 at);
UINT32      ZNGetArgLength(UINT32 at);
// Argument 0, or the executable's real path when argument 0 names no folder.
const char* ZNGetProgramPath();

// The argument-recording halves of ZNSysInit, without the crash handler.
// ZNSetArguments keeps every argument as given. ZNSetCommandLine splits a
// whole command line, then in argument 0 turns every '\\' into '/' and
// upper-cases a drive letter ("c:" -> "C:").
void ZNSetArguments(int argc, char** argv);
void ZNSetCommandLine(const char* commandLine);

// Splits a command line the way the platform it was designed on does: blanks
// separate arguments, double quotes group (an empty pair gives an empty
// argument), 2n backslashes before a quote give n backslashes and a grouping
// quote, 2n+1 give n backslashes and a literal quote, other backslashes are
// kept. Separators before the first argument are ignored. out is replaced;
// it always holds at least one (possibly empty) argument.
void ZNSplitCommandLine(const char* line, ZNArray<ZNString>& out);

// ---- clock --------------------------------------------------------------------

// A monotonic counter and its ticks per second; only differences mean anything.
UINT64 ZNPerformanceCounter();
UINT64 ZNPerformanceFrequency();

// ---- crash handler -----------------------------------------------------------

// Installs the handlers; dumps go into the folder of programPath (made
// absolute against the current directory now, so a later chdir does not move
// them). Called by ZNSysInit; may be called again to move the dump folder.
void        ZNInstallCrashHandler(const char* programPath);
// The folder dumps are written to, with its trailing '/' ("" before install).
const char* ZNGetDumpDirectory();
// Gives the calling thread its own alternate signal stack (ZNThread does this
// for its threads) and takes it away again before the thread ends.
void        ZNCrashEnterThread();
void        ZNCrashLeaveThread();
