// ZNSys on POSIX: the executable's path, the process's own arguments and the
// monotonic clock.
#include "core/ZNSys.h"
#include "core/ZNSysPlatform.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace
{

// The kernel's copy of the arguments, already split (NUL-separated).
void ReadOwnCommandLine(ZNArray<ZNString>& out)
{
    out.Clear();
    int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    size_t capacity = 4096, size = 0;
    char*  data = static_cast<char*>(ZNAlloc(capacity));
    for (;;)
    {
        if (size + 1 >= capacity)
        {
            capacity *= 2;
            data = static_cast<char*>(ZNRealloc(data, capacity));
        }
        ssize_t n = read(fd, data + size, capacity - 1 - size);
        if (n <= 0)
            break;
        size += static_cast<size_t>(n);
    }
    close(fd);
    data[size] = 0;
    for (size_t at = 0; at < size; at += strlen(data + at) + 1)
        out.Add(ZNString(data + at));
    ZNFree(data);
}

}   // namespace

bool ZNExecutablePath(char* out, size_t size)
{
    char    exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0 || static_cast<size_t>(n) >= size)
        return false;
    memcpy(out, exe, static_cast<size_t>(n));
    out[n] = 0;
    return true;
}

void ZNReadOwnArguments()
{
    // Already split by the kernel, so kept exactly as given, like argv.
    ZNArray<ZNString> args;
    ReadOwnCommandLine(args);
    if (args.Size() == 0)
        args.Add(ZNString(""));
    ZNPodArray<char*> argv;
    for (UINT32 i = 0; i < args.Size(); ++i)
        argv.Add(const_cast<char*>(args[i].CStr()));
    ZNSetArguments(static_cast<int>(argv.Size()), &argv[0]);
}

UINT64 ZNPerformanceCounter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<UINT64>(now.tv_sec) * 1000000000u + static_cast<UINT64>(now.tv_nsec);
}

UINT64 ZNPerformanceFrequency()
{
    return 1000000000u;
}

FILE* ZNFOpenUTF8(const char* path, const char* mode)
{
    return fopen(path, mode);
}

void ZNErrorText(int err, char* buffer, size_t size)
{
    // Works with either strerror_r: the GNU one returns its text, the POSIX one
    // fills the buffer.
    struct Pick
    {
        static const char* Text(int result, const char* b) { return result == 0 ? b : "Unknown error"; }
        static const char* Text(const char* text, const char*) { return text; }
    };
    buffer[0]        = 0;
    const char* text = Pick::Text(strerror_r(err, buffer, size), buffer);
    if (text != buffer)
        snprintf(buffer, size, "%s", text);
}
