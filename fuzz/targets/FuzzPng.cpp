// PNG bytes into every image kind the engine decodes into.
#include "ZNFuzz.h"
#include "resources/ZNImage.h"

int ZNFuzzPng(const UINT8* data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    ZNImage     image;
    ZNGreyImage grey;
    const bool  greyDecoded = LoadPngGreyFromMemory(data, (UINT32)size, grey);
    // A decoded grey image is whole too.
    if (greyDecoded && grey.Samples.Size() != (UINT64)grey.Width * grey.Height)
        __builtin_trap();
    if (LoadPngFromMemory(data, (UINT32)size, image))
    {
        // The grey of a file both decodes read is the red's widening: its high byte.
        if (greyDecoded && (grey.Width != image.Width || grey.Height != image.Height))
            __builtin_trap();
        for (UINT32 i = 0; greyDecoded && i < grey.Samples.Size(); ++i)
            if ((UINT32)(grey.Samples[i] >> 8) != (image.Pixels[i] & 0xFF))
                __builtin_trap();
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
