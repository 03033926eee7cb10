// The test toolkit's threads and program path on Linux: thread ids from
// gettid, stack sizes and processor affinity from pthreads, the program from
// /proc (the web has none of these: ZNTestPlatformWeb.cpp).
#include "common/ZNTestPlatform.h"

#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

long ZNTestThreadId()
{
    return static_cast<long>(syscall(SYS_gettid));
}

size_t ZNTestStackSize()
{
    size_t         size = 0;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0)
    {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

int ZNTestThreadProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    return pthread_getaffinity_np(pthread_self(), sizeof(set), &set) == 0 ? CPU_COUNT(&set) : 0;
}

std::string ZNTestProgram()
{
    char    path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return std::string();
    path[n] = 0;
    return path;
}
