// The file chooser on Windows: the common open and save dialogs. The filter is
// already in their "Description\0patterns\0...\0\0" form.
#include "core/ZNRuntime.h"
#include "core/ZNSysPlatform.h"

#include "core/ZNWin32.h"

#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
// The length of a double-NUL-terminated list, its final NUL included.
size_t FilterLength(const char* filter)
{
    const char* p = filter;
    while (*p)
        p += strlen(p) + 1;
    return static_cast<size_t>(p - filter) + 1;
}
}   // namespace

int ZNChooseFile(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize, int save)
{
    // The filter holds NULs, so it is widened as one block.
    wchar_t* wideFilter = nullptr;
    if (filter)
    {
        const int bytes = static_cast<int>(FilterLength(filter));
        const int n     = MultiByteToWideChar(CP_UTF8, 0, filter, bytes, nullptr, 0);
        wideFilter      = static_cast<wchar_t*>(ZNAlloc(sizeof(wchar_t) * (n + 1)));
        MultiByteToWideChar(CP_UTF8, 0, filter, bytes, wideFilter, n);
        wideFilter[n] = 0;
    }
    ZNWideString directory(initialDirectory ? initialDirectory : "");
    wchar_t      chosen[32768];
    chosen[0] = 0;

    OPENFILENAMEW ofn;
    memset(&ofn, 0, sizeof(ofn));
    ofn.lStructSize     = sizeof(ofn);
    ofn.lpstrFilter     = wideFilter;
    ofn.nFilterIndex    = 1;
    ofn.lpstrFile       = chosen;
    ofn.nMaxFile        = sizeof(chosen) / sizeof(chosen[0]);
    ofn.lpstrInitialDir = initialDirectory && *initialDirectory ? directory.CStr() : nullptr;
    ofn.Flags           = OFN_NOCHANGEDIR | OFN_EXPLORER |
                (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    ZNFree(wideFilter);
    if (!ok)
    {
        // Zero from the dialog itself means cancelled; anything else failed.
        if (CommDlgExtendedError() != 0)
            ZNFatalError("gSysFileOpen error\n", "");
        return 0;
    }

    ZNString path = ZNNarrowString(chosen);
    for (UINT32 i = 0; i < path.Size(); ++i)
        if (path[i] == '\\')
            path[i] = '/';
    return ZNDeliverChosenPath(path.CStr(), path.Size(), fileBuffer, fileBufferSize);
}
