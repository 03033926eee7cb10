// PNG bytes into both image kinds the engine decodes into.
#include "ZNFuzz.h"
#include "resources/ZNImage.h"

int ZNFuzzPng(const UINT8* data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    ZNImage image;
    if (LoadPngFromMemory(data, (UINT32)size, image))
    {
        // A decoded image is whole: every pixel is addressable.
        if (image.Pixels.Size() != (UINT64)image.Width * image.Height)
            __builtin_trap();
        TextureImage texture;
        if (!LoadPngFromMemory(data, (UINT32)size, texture) || texture.Width != image.Width ||
            texture.Height != image.Height)
            __builtin_trap();
        // The first mip step of a texture made from it.
        ResizeImage(texture, texture.Width > 1 ? texture.Width / 2 : 1, texture.Height > 1 ? texture.Height / 2 : 1, 1);
    }
    return 0;
}
