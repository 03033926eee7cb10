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

bool ZNMakeFolders(const char* osPath, ZNString& why)
{
    wchar_t wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_UTF8, 0, osPath, -1, wide, (int)(sizeof(wide) / sizeof(wide[0]))))
    {
        why = "the name is not UTF-8 or too long";
        return false;
    }
    // Each level in turn, the whole path last. The levels of a drive ("C:")
    // or a share ("//server/share") cannot be made and need not be: only
    // whether the whole path ends up a folder counts, with the last refusal
    // as the reason when it does not.
    DWORD refused = 0;
    for (size_t end = 1; wide[end - 1]; ++end)
    {
        if (wide[end] && wide[end] != L'/' && wide[end] != L'\\')
            continue;
        const wchar_t kept = wide[end];
        wide[end]          = 0;
        if (!CreateDirectoryW(wide, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            refused = GetLastError();
        wide[end] = kept;
    }
    const DWORD attrs = GetFileAttributesW(wide);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    char text[256] = "a file stands where a folder should be";
    if (attrs == INVALID_FILE_ATTRIBUTES)
    {
        ZNSPrintf(text, sizeof(text), "the system refused it (error %lu)", (unsigned long)refused);
        char        message[200];
        const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, refused, 0,
                                       message, (DWORD)sizeof(message), nullptr);
        if (refused && n)
        {
            DWORD len = n;
            while (len && (message[len - 1] == '\n' || message[len - 1] == '\r' || message[len - 1] == '.'))
                --len;
            message[len] = 0;
            ZNSPrintf(text, sizeof(text), "%s", message);
        }
    }
    why = text;
    return false;
}
