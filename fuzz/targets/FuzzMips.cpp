// A texture's ".mips" cache: byte 0 picks the level streaming asks for, the rest
// is the cache file, beside a 4 x 4 source image (a cache is only read when its
// header has its image's size: headers that name other sizes, side counts or
// depths are refused). The cache is read as loading a texture reads it, then
// the streaming worker's load of the requested level runs on it (decode and
// resampling down the chain, no GL).
#include "ZNFuzz.h"
#include "resources/ZNImage.h"
#include "resources/ZNTexture.h"
#include "resources/ZNTextureStream.h"

int ZNFuzzMips(const UINT8* data, size_t size)
{
    if (size < 1 || size > 1u << 20)
        return 0;
    static bool sourceWritten = false;
    if (!sourceWritten)
    {
        ZNImage source;
        source.Resize(4, 4, 1, 1);
        for (UINT32 i = 0; i < 16; ++i)
            source.Pixels[i] = 0xFF000000u | (i * 0x0F0F0F);
        ZNPodArray<UINT8> png;
        EncodePngToArray(source, png, ImageFileType_Png);
        ZNFuzzWriteScratch("t.png", png.Data(), png.Size());
        sourceWritten = true;
    }
    ZNFuzzWriteScratch("t.png.mips", data + 1, size - 1);
    ZNTexture texture;
    texture.Name            = "t.png";
    UINT32            level = 100;
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
