// The test toolkit's system calls under node (the web build's unit tests, on
// the machine's own files through NODERAWFS): as on POSIX systems, but with the
// one thread a page has, and no /proc to find the program by.
#include "common/ZNTestPlatform.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <pthread.h>
#include <fcntl.h>
#include <limits.h>
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

long ZNTestThreadId()
{
    // The only thread.
    return 1;
}

long ZNTestProcessId()
{
    return static_cast<long>(getpid());
}

size_t ZNTestStackSize()
{
    // No thread of the toolkit's has a stack of its own here (the thread
    // suites do not run under node).
    return 0;
}

int ZNTestThreadProcessors()
{
    return 1;
}

std::string ZNTestProgram()
{
    return std::string();
}
