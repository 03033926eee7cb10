// ZNFileIOPlatform: the file system calls the shared file layer (ZNFileIO.cpp)
// makes, one file per platform (ZNFileIOPosix.cpp, ZNFileIOWin32.cpp). Every
// name here is already absolute and UTF-8; Windows widens it for the system.
// Internal to the resources folder.
#pragma once

#include <stdio.h>

#include "core/ZNTemplate.h"

struct ZNPathInfo
{
    bool  IsDirectory;
    bool  IsLink;        // a symbolic link or junction, not followed
    bool  IsRegular;     // an ordinary file (not a device, pipe or folder)
    INT64 Size;          // bytes, for regular files
    INT64 TimeSeconds;   // last write, seconds since 1970
    INT64 TimeNs;        // the same in nanoseconds
};

namespace ZNFilePlatform
{
// True when an engine name already names a place on its own (a drive letter
// on Windows, "C:..."); such a name is not put under the data path. POSIX has
// no drive letters: "q:name" is an ordinary name there.
bool  NamesADrive(const char* name);
// Information on the path; links are followed unless followLinks is false.
bool  Stat(const char* path, ZNPathInfo& info, bool followLinks);
// Information on an open stream.
bool  StatStream(FILE* f, ZNPathInfo& info);
// 64-bit positions on an open stream (fseek/ftell stop at 2 GB where long is
// 32 bits): Seek takes SEEK_SET, SEEK_CUR or SEEK_END; Tell is -1 on an error.
bool  SeekStream(FILE* f, INT64 offset, int whence);
INT64 TellStream(FILE* f);
bool  RemoveFile(const char* path);
bool  RemoveFolder(const char* path);   // empty folders only
// Renames; without replace an existing target is never overwritten.
bool  Rename(const char* from, const char* to, bool replace);
bool  MakeFolder(const char* path);
// Directory listing: Open returns null when the folder cannot be read.
void* OpenDirectory(const char* path);
bool  NextEntry(void* dir, ZNString& name);
void  CloseDirectory(void* dir);
// The name on disk with links resolved; false when the path does not exist.
bool  RealPath(const char* path, ZNString& out);
// The process's current folder, absolute, with '/' separators.
bool  CurrentFolder(ZNString& out);
}   // namespace ZNFilePlatform
