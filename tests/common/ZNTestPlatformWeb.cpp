// The test toolkit's threads and program path under node (the web build's
// unit tests, on the machine's own files through NODERAWFS): the one thread a
// page has, and no /proc to find the program by. The rest is POSIX
// (ZNTestPlatformPosix.cpp).
#include "common/ZNTestPlatform.h"

long ZNTestThreadId()
{
    // The only thread.
    return 1;
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
