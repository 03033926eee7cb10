// The test toolkit's system calls on POSIX systems, the web's node included:
// scratch folders made with mkdtemp under $TMPDIR (or /tmp) and removed depth
// first without following links, file times, the environment, the process.
// Threads and the program's own path differ: ZNTestPlatformThreadsPosix.cpp
// on Linux, ZNTestPlatformWeb.cpp under node.
#include "common/ZNTestPlatform.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <vector>

const int ZNTestFatalExitStatus = 222;

std::string ZNMakeScratchFolder()
{
    const char*       base    = getenv("TMPDIR");
    std::string       pattern = std::string(base && *base ? base : "/tmp") + "/zn_test_XXXXXX";
    std::vector<char> buffer(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
    const char*       made = mkdtemp(buffer.data());
    EXPECT_NE(made, nullptr) << pattern << ": " << strerror(errno);
    return made ? std::string(made) + "/" : std::string();
}

void ZNRemoveTree(const std::string& folder)
{
    nftw(
        folder.c_str(), [](const char* path, const struct stat*, int, FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

bool ZNMakeFolder(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0;
}

bool ZNShiftFileTime(const std::string& path, long seconds)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    struct timeval times[2] = { { st.st_atime + seconds, 0 }, { st.st_mtime + seconds, 0 } };
    return utimes(path.c_str(), times) == 0;
}

bool ZNSetFileTime(const std::string& path, long long seconds, long nanoseconds)
{
    const struct timespec times[2] = { { static_cast<time_t>(seconds), 0 },
                                       { static_cast<time_t>(seconds), nanoseconds } };
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

void ZNSetEnv(const char* name, const char* value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

long ZNTestProcessId()
{
    return static_cast<long>(getpid());
}
