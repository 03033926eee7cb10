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
