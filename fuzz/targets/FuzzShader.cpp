// Shader sources with includes: the input is cut at zero bytes into up to six
// files, Shaders/a.shd to Shaders/f.shd, and a.shd is preprocessed.
#include "ZNFuzz.h"
#include "render/ZNShaderPreprocess.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int ZNFuzzShader(const UINT8* data, size_t size)
{
    if (size > 1u << 20)
        return 0;
    static const char* const kNames[] = { "Shaders/a.shd", "Shaders/b.shd", "Shaders/c.shd",
                                          "Shaders/d.shd", "Shaders/e.shd", "Shaders/f.shd" };
    char                     folder[512];
    snprintf(folder, sizeof(folder), "%sShaders", ZNFuzzScratchDir());
    mkdir(folder, 0700);
    size_t from = 0;
    for (UINT32 i = 0; i < 6; ++i)
    {
        char path[512];
        snprintf(path, sizeof(path), "%s%s", ZNFuzzScratchDir(), kNames[i]);
        unlink(path);
        if (from > size)
            continue;
        const UINT8* end   = from < size ? (const UINT8*)memchr(data + from, 0, size - from) : nullptr;
        const size_t piece = end ? (size_t)(end - (data + from)) : size - from;
        ZNFuzzWriteScratch(kNames[i], data + from, piece);
        from += piece + 1;
    }
    ZNString          output;
    ZNArray<ZNString> files;
    const bool        ok = PreprocessShaderFile(ZNString(kNames[0]), output, files);
    if (ok && files.Size() == 0)
        __builtin_trap();
    return 0;
}
