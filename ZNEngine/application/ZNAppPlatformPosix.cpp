// ZNAppPlatform on POSIX systems.
#include "application/ZNAppPlatform.h"

#include <stdlib.h>
#include <unistd.h>

bool ZNCanWriteFolder(const char* osPath)
{
    return access(osPath, W_OK) == 0;
}

const char* ZNHomeFolder()
{
    return getenv("HOME");
}
