// The file layer's system calls on Windows: UTF-8 names widened for the wide
// Win32 calls; links and junctions are reparse points and are never followed
// when asked not to.
#include "files/ZNFileIOPlatform.h"

#include <windows.h>
#include <io.h>
#include <string.h>

#include "core/ZNWin32.h"
#include "files/ZNFileIO.h"

namespace
{
// Seconds between 1601-01-01 (file times) and 1970-01-01.
const INT64 kEpochDifference = 11644473600LL;

void FillTimes(const FILETIME& written, ZNPathInfo& info)
{
    const INT64 ticks = (INT64)(((UINT64)written.dwHighDateTime << 32) | written.dwLowDateTime);
    info.TimeSeconds  = ticks / 10000000 - kEpochDifference;
    info.TimeNs       = (ticks - kEpochDifference * 10000000) * 100;
}

struct ZNWin32Dir
{
    HANDLE           Find;
    WIN32_FIND_DATAW Data;
    bool             HaveData;   // Data holds an entry not yet returned
};
}   // namespace

bool ZNFilePlatform::NamesADrive(const char* name)
{
    // "C:" alone is too short to name anything on the drive.
    return strlen(name) > 2 && name[1] == ':';
}

bool ZNFilePlatform::Stat(const char* path, ZNPathInfo& info, bool followLinks)
{
    ZNWideString              wide(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide.CStr(), GetFileExInfoStandard, &data))
        return false;
    info.IsLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (info.IsLink && followLinks)
    {
        // The target's attributes: open through the link.
        HANDLE h =
            CreateFileW(wide.CStr(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION target;
        const bool                 ok = GetFileInformationByHandle(h, &target) != 0;
        CloseHandle(h);
        if (!ok)
            return false;
        data.dwFileAttributes = target.dwFileAttributes;
        data.ftLastWriteTime  = target.ftLastWriteTime;
        data.nFileSizeHigh    = target.nFileSizeHigh;
        data.nFileSizeLow     = target.nFileSizeLow;
        info.IsLink           = false;
    }
    info.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.IsRegular   = !info.IsDirectory && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
    info.Size        = (INT64)(((UINT64)data.nFileSizeHigh << 32) | data.nFileSizeLow);
    FillTimes(data.ftLastWriteTime, info);
    return true;
}

bool ZNFilePlatform::StatStream(FILE* f, ZNPathInfo& info)
{
    HANDLE                     h = (HANDLE)_get_osfhandle(_fileno(f));
    BY_HANDLE_FILE_INFORMATION data;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &data))
        return false;
    info.IsDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.IsLink      = false;
    info.IsRegular   = !info.IsDirectory && GetFileType(h) == FILE_TYPE_DISK;
    info.Size        = (INT64)(((UINT64)data.nFileSizeHigh << 32) | data.nFileSizeLow);
    FillTimes(data.ftLastWriteTime, info);
    return true;
}

bool ZNFilePlatform::SeekStream(FILE* f, INT64 offset, int whence)
{
    return _fseeki64(f, offset, whence) == 0;
}

INT64 ZNFilePlatform::TellStream(FILE* f)
{
    return _ftelli64(f);
}

bool ZNFilePlatform::RemoveFile(const char* path)
{
    ZNWideString wide(path);
    const DWORD  attributes = GetFileAttributesW(wide.CStr());
    // A link to a folder is removed as a folder: the link goes, its target stays.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveDirectoryW(wide.CStr()) != 0;
    return DeleteFileW(wide.CStr()) != 0;
}

bool ZNFilePlatform::RemoveFolder(const char* path)
{
    return RemoveDirectoryW(ZNWideString(path).CStr()) != 0;
}

bool ZNFilePlatform::Rename(const char* from, const char* to, bool replace)
{
    return MoveFileExW(ZNWideString(from).CStr(), ZNWideString(to).CStr(), replace ? MOVEFILE_REPLACE_EXISTING : 0) !=
           0;
}

bool ZNFilePlatform::MakeFolder(const char* path)
{
    return CreateDirectoryW(ZNWideString(path).CStr(), nullptr) != 0;
}

void* ZNFilePlatform::OpenDirectory(const char* path)
{
    ZNString pattern(path);
    if (pattern.Size() && pattern[pattern.Size() - 1] != '/' && pattern[pattern.Size() - 1] != '\\')
        pattern += "/";
    pattern += "*";
    ZNWin32Dir* dir = new ZNWin32Dir;
    dir->Find       = FindFirstFileW(ZNWideString(pattern.CStr()).CStr(), &dir->Data);
    if (dir->Find == INVALID_HANDLE_VALUE)
    {
        delete dir;
        return nullptr;
    }
    dir->HaveData = true;
    return dir;
}

bool ZNFilePlatform::NextEntry(void* handle, ZNString& name)
{
    ZNWin32Dir* dir = static_cast<ZNWin32Dir*>(handle);
    if (!dir->HaveData && !FindNextFileW(dir->Find, &dir->Data))
        return false;
    dir->HaveData = false;
    name          = ZNNarrowString(dir->Data.cFileName);
    return true;
}

void ZNFilePlatform::CloseDirectory(void* handle)
{
    ZNWin32Dir* dir = static_cast<ZNWin32Dir*>(handle);
    FindClose(dir->Find);
    delete dir;
}

bool ZNFilePlatform::RealPath(const char* path, ZNString& out)
{
    HANDLE h = CreateFileW(ZNWideString(path).CStr(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    wchar_t     buffer[32768];
    const DWORD n = GetFinalPathNameByHandleW(h, buffer, 32768, FILE_NAME_NORMALIZED);
    CloseHandle(h);
    if (n == 0 || n >= 32768)
        return false;
    // "\\?\C:\..." -> "C:/..."
    const wchar_t* start = wcsncmp(buffer, L"\\\\?\\", 4) == 0 ? buffer + 4 : buffer;
    out                  = ZNNarrowString(start);
    ToForwardSlashes(out);
    return true;
}

bool ZNFilePlatform::CurrentFolder(ZNString& out)
{
    wchar_t     buffer[32768];
    const DWORD n = GetCurrentDirectoryW(32768, buffer);
    if (n == 0 || n >= 32768)
        return false;
    out = ZNNarrowString(buffer);
    ToForwardSlashes(out);
    return true;
}
