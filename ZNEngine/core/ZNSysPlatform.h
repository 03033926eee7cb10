// ZNSysPlatform: what the shared core files ask of the platform files
// (ZNSysPosix.cpp / ZNSysWin32.cpp, ZNFileDialogPosix.cpp / ZNFileDialogWin32.cpp),
// and what the platform files share (ZNCrash<platform>.cpp).
// Internal to the core folder.
#pragma once

#include "core/ZNAssert.h"

#include <stddef.h>
#include <stdio.h>

// The running executable's full path into out (UTF-8, terminated); false when
// it is unknown or does not fit in size bytes.
bool ZNExecutablePath(char* out, size_t size);

// Records the process's own arguments as ZNSysInit does without argc/argv.
void ZNReadOwnArguments();

// fopen for a UTF-8 name.
FILE* ZNFOpenUTF8(const char* path, const char* mode);

// The runtime's text for errno value err, into buffer.
void ZNErrorText(int err, char* buffer, size_t size);

// The file chooser behind gSysFileOpen, once its arguments are checked and a
// person can be asked (no ZN_DIALOG); the same contract otherwise.
int ZNChooseFile(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize, int save);

// How a chooser hands over the path it got (length bytes, terminated): copied
// into fileBuffer and 1, or 0 with a box saying so when it does not fit.
int ZNDeliverChosenPath(const char* path, UINT32 length, char* fileBuffer, UINT32 fileBufferSize);

// ---- shared by the crash handlers -------------------------------------------------

// The start of installing a crash handler: keeps programPath (none counts as
// "") in program for the reports, and puts its folder, with the separator, in
// folder; both cut to their sizes and terminated.
void ZNCrashKeepProgram(const char* programPath, char* program, size_t programSize, char* folder, UINT32 folderSize);

// The crash box's text is ZN_CRASH_MESSAGE_HEAD, the dump's path, then
// ZN_CRASH_MESSAGE_TAIL: plain strings, so a signal handler can join them.
extern const char* const ZN_CRASH_MESSAGE_HEAD;
extern const char* const ZN_CRASH_MESSAGE_TAIL;
