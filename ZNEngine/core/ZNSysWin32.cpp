// ZNSys on Windows: the executable's path, the process's own command line and
// the performance counter.
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include "core/ZNWin32.h"

#include <stdio.h>
#include <string.h>

bool ZNExecutablePath(char* out, size_t size)
{
    wchar_t     wide[32768];
    const DWORD n = GetModuleFileNameW(nullptr, wide, sizeof(wide) / sizeof(wide[0]));
    if (n == 0 || n >= sizeof(wide) / sizeof(wide[0]))
        return false;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, static_cast<int>(size), nullptr, nullptr);
    if (bytes <= 0)
        return false;
    for (char* p = out; *p; ++p)
        if (*p == '\\')
            *p = '/';
    return true;
}

void ZNReadOwnArguments()
{
    // The system keeps the command line as one string; it is split the way
    // every Windows program splits it.
    const wchar_t* line  = GetCommandLineW();
    const int      bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    char*          utf8  = static_cast<char*>(ZNAlloc(bytes > 0 ? static_cast<size_t>(bytes) : 1));
    utf8[0]              = 0;
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, bytes, nullptr, nullptr);
    ZNSetCommandLine(utf8);
    ZNFree(utf8);
}

UINT64 ZNPerformanceCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<UINT64>(now.QuadPart);
}

UINT64 ZNPerformanceFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<UINT64>(frequency.QuadPart);
}

FILE* ZNFOpenUTF8(const char* path, const char* mode)
{
    return _wfopen(ZNWideString(path).CStr(), ZNWideString(mode).CStr());
}

void ZNErrorText(int err, char* buffer, size_t size)
{
    if (strerror_s(buffer, size, err) != 0)
        snprintf(buffer, size, "Unknown error");
}
