// A texture's ".mips" cache: byte 0 picks the level streaming asks for, the rest
// is the cache file. The cache is read as loading a texture reads it, then the
// streaming worker's load of the requested level runs on it (decode and
// resampling down the chain, no GL).
#include "ZNFuzz.h"
#include "resources/ZNTexture.h"
#include "resources/ZNTextureStream.h"

int ZNFuzzMips(const UINT8* data, size_t size)
{
    if (size < 1 || size > 1u << 20)
        return 0;
    ZNFuzzWriteScratch("t.png.mips", data + 1, size - 1);
    ZNTexture texture;
    texture.Name = "t.png";
    UINT32 level = 100;
    ZNPodArray<UINT8> bytes;
    if (!TEX_LoadMip("t.png", level, bytes, texture))
        return 0;
    if (level == 0)
        return 0;
    TEX_BuildMipTable(texture);
    texture.CurLevel.store(data[0] % (texture.MipLevCount + 1));
    TEX_LoadStreamLevels(texture);
    TEX_FreeMipPixels(texture);
    return 0;
}
