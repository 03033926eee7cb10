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

ZNString ZNPlatformConfigFolder()
{
    const char* xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return ZNString(xdg);
    const char* home = getenv("HOME");
    if (!home || !*home)
        return ZNString();
    ZNString folder(home);
    folder += "/.config";
    return folder;
}
