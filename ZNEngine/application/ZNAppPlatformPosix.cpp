// ZNAppPlatform on POSIX systems.
#include "application/ZNAppPlatform.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
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

bool ZNMakeFolders(const char* osPath, ZNString& why)
{
    const ZNString path(osPath);
    // Each level in turn, the whole path last; a level already there is fine
    // as long as it is a folder (mkdir says EEXIST for a file too).
    for (UINT32 end = 1; end <= path.Size(); ++end)
    {
        if (end < path.Size() && path[end] != '/')
            continue;
        ZNString level;
        path.Mid(0, end, level);
        if (mkdir(level.CStr(), 0755) == 0)
            continue;
        const int   error = errno;
        struct stat st;
        if (error == EEXIST && stat(level.CStr(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        why = error == EEXIST ? "'" + level + "' is not a folder" : ZNString(strerror(error));
        return false;
    }
    return true;
}
