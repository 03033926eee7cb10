// ZNSysPlatform: what the shared core files ask of the platform files
// (ZNSysPosix.cpp / ZNSysWin32.cpp, ZNFileDialogPosix.cpp / ZNFileDialogWin32.cpp).
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
void  ZNErrorText(int err, char* buffer, size_t size);

// The file chooser behind gSysFileOpen, once its arguments are checked and a
// person can be asked (no ZN_DIALOG); the same contract otherwise.
int ZNChooseFile(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize,
                 int save);

// How a chooser hands over the path it got (length bytes, terminated): copied
// into fileBuffer and 1, or 0 with a box saying so when it does not fit.
int ZNDeliverChosenPath(const char* path, UINT32 length, char* fileBuffer, UINT32 fileBufferSize);
