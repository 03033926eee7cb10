// A whole command line as the platform hands it over.
#include "ZNFuzz.h"
#include "core/ZNSys.h"
#include "core/ZNTemplate.h"

#include <string.h>

int ZNFuzzCmdLine(const UINT8* data, size_t size)
{
    ZNString          line((const char*)data, (UINT32)(size > 65536 ? 65536 : size));
    ZNArray<ZNString> args;
    ZNSplitCommandLine(line.CStr(), args);
    if (args.Size() == 0)
        __builtin_trap();
    // Splitting never invents characters: the arguments together are no longer
    // than the line.
    UINT64 total = 0;
    for (UINT32 i = 0; i < args.Size(); ++i)
        total += args[i].Size();
    if (total > strlen(line.CStr()))
        __builtin_trap();
    ZNSetCommandLine(line.CStr());
    for (UINT32 i = 0; i < ZNGetArgCount(); ++i)
        if (ZNGetArgLength(i) != strlen(ZNGetArg(i)))
            __builtin_trap();
    return 0;
}
