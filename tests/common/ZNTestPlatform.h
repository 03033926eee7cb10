// The few system calls the test toolkit needs, one file per platform
// (ZNTestPlatformPosix.cpp, ZNTestPlatformWin32.cpp). Paths are UTF-8 with '/'.
#pragma once

#include <stddef.h>

#include <string>

// A new empty folder under the system's temporary folder, its path ending in
// '/'; "" with a failed test when none can be made.
std::string ZNMakeScratchFolder();
// Removes the folder and everything inside it; links are removed, never followed.
void        ZNRemoveTree(const std::string& folder);
// Makes one folder level; false when it cannot (or it exists).
bool        ZNMakeFolder(const std::string& path);
// Moves the file's access and modification times by seconds.
bool        ZNShiftFileTime(const std::string& path, long seconds);
// Sets the file's access and modification times to seconds since 1970 (UTC)
// plus nanoseconds (Windows keeps them in steps of 100).
bool        ZNSetFileTime(const std::string& path, long long seconds, long nanoseconds);

// The exit status a parent sees after ZNFatalError (0xBADDC0DE): its low byte
// 222 on POSIX systems, the whole code on Windows.
extern const int ZNTestFatalExitStatus;

// Absolute path of this test program, and its folder with a trailing '/'.
std::string ZNTestProgram();
std::string ZNTestProgramDir();

// The calling thread's id as the system numbers threads, the process's id,
// the size of the calling thread's stack, and how many processors the calling
// thread may run on.
long   ZNTestThreadId();
long   ZNTestProcessId();
size_t ZNTestStackSize();
int    ZNTestThreadProcessors();

// Sets the environment variable, or removes it when value is null.
void ZNSetEnv(const char* name, const char* value);

// Holds an environment variable at a value (null: unset) for the object's life.
class ZNEnvSetting
{
public:
    ZNEnvSetting(const char* name, const char* value);
    ~ZNEnvSetting();
    ZNEnvSetting(const ZNEnvSetting&)            = delete;
    ZNEnvSetting& operator=(const ZNEnvSetting&) = delete;

private:
    std::string Name;
    std::string Old;
    bool        HadOld;
};
