// ZNDataPath: the data path derived from the program's folder.
#include "files/ZNDataPath.h"

#include "core/ZNSys.h"
#include "files/ZNFileIO.h"

#include <string.h>

void ZNSetDataPath(const ZNString& name)
{
    const char* program = ZNGetProgramPath();
    ZNString    path(program ? program : "");
    ToForwardSlashes(path);

    // Keep the folder with its trailing slash. Without any slash there is no
    // folder to keep: a bare file name would otherwise be glued in front of
    // name ("demoData/"), so the data path becomes name alone.
    UINT32 keep = 0;
    for (UINT32 i = path.Size(); i > 0; --i)
    {
        if (path.CStr()[i - 1] == '/')
        {
            keep = i;
            break;
        }
    }
    path.SetLength(keep);
    path += name;

    if (path.Size() >= ZN_DATA_PATH_SIZE)
        ZNFatalErrorLog("The data path is too long (%u characters, at most %u): %s\n", (unsigned)path.Size(),
                        (unsigned)(ZN_DATA_PATH_SIZE - 1), path.CStr());

    memcpy(GDataPath, path.CStr(), path.Size() + 1);
}

// More parent steps than any folder of a real data path is deep.
static const UINT32 ClimbToRoot = 48;

ZNString ZNUserPathToEngineName(const char* path)
{
    if (!path || !*path)
        return ZNString();
    // A drive letter (Windows) is already what the file layer takes as it is.
    if (NamesADrive(path))
        return ZNString(path);
    ZNString absolute;
    if (path[0] == '/')
        absolute = path;
    else
    {
        if (!GetCurrentFolder(absolute))
            return ZNString(path);
        if (NamesADrive(absolute.CStr()))
        {
            absolute += "/";
            absolute += path;
            return absolute;
        }
        absolute += "/";
        absolute += path;
    }
    // The file layer puts the data folder in front of every name; climbing out of
    // it more often than any real folder is deep ends at the root (whose parent
    // is itself), whatever links the data folder's path runs through.
    ZNString out;
    for (UINT32 i = 0; i < ClimbToRoot; ++i)
        out += "../";
    out += absolute.CStr() + 1;
    return out;
}

namespace
{
// Whether the engine name can be used: a file that is there to read, or a
// folder that is there to write into.
bool Usable(const ZNString& name, ZNUserFileUse use)
{
    if (use == ZNUF_Read)
        return IsFile(name);
    // A name without a folder goes straight into the data folder.
    const ZNString folder = GetDirectory(name);
    return !IsDirectory(name) && (folder.Empty() || IsDirectory(folder));
}
}

bool ZNFindUserFile(const char* path, const char* beside, ZNUserFileUse use, ZNString& found, ZNString& why)
{
    found.Clear();
    why.Clear();
    if (!path || !*path)
    {
        why = "no file named";
        return false;
    }
    const ZNString asGiven = ZNUserPathToEngineName(path);
    if (Usable(asGiven, use))
    {
        found = asGiven;
        return true;
    }
    const bool absolute = path[0] == '/' || path[0] == '\\' || NamesADrive(path);
    ZNString   cwd;
    if (!GetCurrentFolder(cwd))
        cwd = ".";
    if (absolute)
    {
        why = ZNString::Formatted("'%s' %s", path,
                                  use == ZNUF_Write      ? "cannot be written: it is a folder or its folder is missing"
                                  : IsDirectory(asGiven) ? "is a folder"
                                                         : "does not exist or cannot be opened");
        return false;
    }
    if (beside && *beside)
    {
        ZNString near(beside);
        near += path;
        if (Usable(near, use))
        {
            found = near;
            return true;
        }
    }
    const ZNString inData(path);
    if (Usable(inData, use))
    {
        found = inData;
        return true;
    }
    ZNString places = ZNString::Formatted("the current folder (%s/)", cwd.CStr());
    if (beside && *beside)
    {
        ZNString folder = MakeAbsolutePath(beside);
        ResolveRealPath(folder.CStr(), folder);
        places += ZNString::Formatted(", beside its script (%s/)", folder.CStr());
    }
    places += ZNString::Formatted(" nor in the data folder (%s)", GDataPath);
    why =
        ZNString::Formatted(use == ZNUF_Read ? "'%s' is not in %s" : "'%s' cannot be written: its folder is not in %s",
                            path, places.CStr());
    return false;
}
