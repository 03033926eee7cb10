// The test toolkit's system calls on Windows: scratch folders are numbered
// folders under the user's temporary folder (GetTempPathW), named with '/' like
// every engine path and removed through the engine's own recursive delete (a
// path with a drive letter is taken as it is, whatever the data path); file
// times and the environment through the wide calls.
#include "common/ZNTestPlatform.h"

#include "core/ZNWin32.h"
#include "files/ZNFileIO.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/utime.h>

const int ZNTestFatalExitStatus = static_cast<int>(0xBADDC0DEu);

std::string ZNMakeScratchFolder()
{
    wchar_t     temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_TRUE(n > 0 && n <= MAX_PATH) << "no temporary folder";
    if (n == 0 || n > MAX_PATH)
        return std::string();
    std::string base = ZNNarrowString(temp).CStr();
    for (char& c : base)
        c = c == '\\' ? '/' : c;
    if (base.empty() || base.back() != '/')
        base += '/';
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt)
    {
        const std::string folder = base + "zn_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                                   std::to_string(InterlockedIncrement(&counter));
        if (CreateDirectoryW(ZNWideString(folder.c_str()).CStr(), nullptr))
            return folder + "/";
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    ADD_FAILURE() << "cannot make a folder under " << base << " (error " << GetLastError() << ")";
    return std::string();
}

void ZNRemoveTree(const std::string& folder)
{
    DeleteFileOrDirectory(folder.c_str());
}

bool ZNMakeFolder(const std::string& path)
{
    return CreateDirectoryW(ZNWideString(path.c_str()).CStr(), nullptr) != 0;
}

bool ZNShiftFileTime(const std::string& path, long seconds)
{
    const ZNWideString wide(path.c_str());
    struct _stat64     st;
    if (_wstat64(wide.CStr(), &st) != 0)
        return false;
    struct __utimbuf64 times = { st.st_atime + seconds, st.st_mtime + seconds };
    return _wutime64(wide.CStr(), &times) == 0;
}

bool ZNSetFileTime(const std::string& path, long long seconds, long nanoseconds)
{
    HANDLE file = CreateFileW(ZNWideString(path.c_str()).CStr(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // FILETIME counts 100 ns steps from 1601-01-01.
    const unsigned long long ticks = (static_cast<unsigned long long>(seconds) + 11644473600ull) * 10000000ull +
                                     static_cast<unsigned long long>(nanoseconds) / 100;
    FILETIME time;
    time.dwLowDateTime  = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    const bool ok       = SetFileTime(file, nullptr, &time, &time) != 0;
    CloseHandle(file);
    return ok;
}

void ZNSetEnv(const char* name, const char* value)
{
    // An empty value removes the variable from the C runtime's copy and the process's.
    _putenv_s(name, value ? value : "");
}

long ZNTestThreadId()
{
    return static_cast<long>(GetCurrentThreadId());
}

long ZNTestProcessId()
{
    return static_cast<long>(GetCurrentProcessId());
}

size_t ZNTestStackSize()
{
    // The stack is one reservation: the regions from its allocation base on
    // that share that base.
    volatile char            here = 0;
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(const_cast<char*>(&here), &info, sizeof(info)) == 0)
        return 0;
    const void* base = info.AllocationBase;
    const char* at   = static_cast<const char*>(base);
    size_t      size = 0;
    while (VirtualQuery(at, &info, sizeof(info)) != 0 && info.AllocationBase == base && info.RegionSize > 0)
    {
        size += info.RegionSize;
        at += info.RegionSize;
    }
    return size;
}

int ZNTestThreadProcessors()
{
    // Windows reads a thread's mask only by replacing it: put it straight back.
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
        return 0;
    const DWORD_PTR mine = SetThreadAffinityMask(GetCurrentThread(), process);
    if (mine)
        SetThreadAffinityMask(GetCurrentThread(), mine);
    int n = 0;
    for (DWORD_PTR bits = mine; bits; bits &= bits - 1)
        ++n;
    return n;
}

std::string ZNTestProgram()
{
    wchar_t     path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, sizeof(path) / sizeof(path[0]));
    if (n == 0 || n >= sizeof(path) / sizeof(path[0]))
        return std::string();
    return ZNNarrowString(path).CStr();
}
