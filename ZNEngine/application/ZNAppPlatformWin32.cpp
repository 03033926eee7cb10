// ZNAppPlatform on Windows: names are UTF-8 in the engine and wide for the system.
#include "application/ZNAppPlatform.h"

#include "core/ZNTemplate.h"

#include <io.h>
#include <stdlib.h>
#include <windows.h>

bool ZNCanWriteFolder(const char* osPath)
{
    wchar_t wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_UTF8, 0, osPath, -1, wide, (int)(sizeof(wide) / sizeof(wide[0]))))
        return false;
    return _waccess(wide, 2) == 0;
}

const char* ZNHomeFolder()
{
    // HOME when it is set (as under MSYS or Wine), else the profile folder, kept
    // in UTF-8 for the rest of the program's life.
    static char    home[MAX_PATH * 4];
    const wchar_t* profile = _wgetenv(L"HOME");
    if (!profile || !*profile)
        profile = _wgetenv(L"USERPROFILE");
    if (!profile || !WideCharToMultiByte(CP_UTF8, 0, profile, -1, home, (int)sizeof(home), nullptr, nullptr))
        return nullptr;
    return home;
}

ZNString ZNPlatformConfigFolder()
{
    const wchar_t* appData = _wgetenv(L"APPDATA");
    char           folder[MAX_PATH * 4];
    if (!appData || !*appData ||
        !WideCharToMultiByte(CP_UTF8, 0, appData, -1, folder, (int)sizeof(folder), nullptr, nullptr))
        return ZNString();
    return ZNString(folder);
}
