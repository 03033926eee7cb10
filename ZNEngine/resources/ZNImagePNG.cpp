// The PNG codec over libpng.
//
// libpng reports errors by long-jumping back to the setjmp of the function that
// drives it. Those functions therefore hold only plain locals (no destructors
// that a jump would skip); what they allocate after the setjmp lives in
// volatile pointers that the error branch releases.
#include "files/ZNArchive.h"
#include "files/ZNFileIO.h"
#include "resources/ZNImageCodec.h"

#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

namespace
{

// The read callback's reason, recognised again when the failure is described.
const char kEndsEarly[] = "ends early";

png_voidp PngAlloc(png_structp, png_alloc_size_t size)
{
    return ZNAlloc(size);
}

void PngFree(png_structp, png_voidp block)
{
    ZNFree(block);
}

void PngReadBytes(png_structp png, png_bytep out, png_size_t size)
{
    PngReadState* pd = (PngReadState*)png_get_io_ptr(png);
    // A truncated file is bad input, not a broken program: leave through
    // libpng's error path, with the reason, instead of reading past the buffer.
    if (pd->Size - pd->At < size)
        png_error(png, kEndsEarly);
    memcpy(out, pd->Data + pd->At, size);
    pd->At += (UINT32)size;
}

// Where libpng's messages go while decoding: the first error is kept as the
// reason of the failure; warnings are printed with the image's name, or
// dropped for an unnamed buffer.
struct PngMessages
{
    const char* Name;
    char        Error[256];
};

void PngErrorMessage(png_structp png, png_const_charp message)
{
    PngMessages* m = (PngMessages*)png_get_error_ptr(png);
    if (m && !m->Error[0])
        snprintf(m->Error, sizeof(m->Error), "%s", message ? message : "");
    png_longjmp(png, 1);
}

void PngWarningMessage(png_structp png, png_const_charp message)
{
    PngMessages* m = (PngMessages*)png_get_error_ptr(png);
    if (m && m->Name)
        PrintStdout("Image \"%s\": %s\n", m->Name, message ? message : "");
}

void PngWriteBytes(png_structp png, png_bytep data, png_size_t size)
{
    ZNArchive* archive = (ZNArchive*)png_get_io_ptr(png);
    archive->Serialize(data, (UINT32)size, 1);
}

// The read and info structs of one decode, with the engine's allocator and
// message handlers; false (and nothing left to release) if either cannot be made.
bool CreatePngRead(PngMessages* messages, png_structp& png, png_infop& info)
{
    png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, messages, PngErrorMessage, PngWarningMessage, nullptr,
                                   PngAlloc, PngFree);
    if (!png)
        return false;
    info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    return true;
}

// Reads the header from the file's bytes, within the size limits every decode
// keeps. Called only inside the caller's setjmp frame: libpng jumps back there.
void ReadPngInfo(png_structp png, png_infop info, PngReadState* state)
{
    png_set_read_fn(png, state, PngReadBytes);
    png_set_user_limits(png, 8192, 8192);
    png_read_info(png, info);
}

// Everything between png_create_read_struct_2 and png_destroy_read_struct. Only
// plain locals: libpng may long-jump back here from any call below.
bool DecodePng(PngReadState* state, ImageData* image, PngMessages* messages)
{
    png_structp png  = nullptr;
    png_infop   info = nullptr;
    if (!CreatePngRead(messages, png, info))
        return false;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png)))
    {
        if (rows)
            ZNFree((void*)rows);
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    ReadPngInfo(png, info, state);

    png_set_strip_16(png);
    png_set_packing(png);
    // Colour-keyed transparency (a tRNS chunk on grey or RGB images, or a palette
    // with alpha entries) becomes a real alpha channel, as every viewer shows it;
    // without this those images would arrive opaque.
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    png_uint_32 width  = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    // Whatever the transforms did, the rows must now be exactly width RGBA bytes:
    // anything else would write past the image.
    if (png_get_rowbytes(png, info) != (png_size_t)width * 4)
        png_error(png, "PNG rows are not 8-bit RGBA after the transforms");

    image->Resize(width, height, 1, 1);
    UINT8* data = image->GetData();
    if (!data || image->GetWidth() != width || image->GetHeight() != height)
        png_error(png, "image could not take the PNG's size");

    rows = (png_bytep*)ZNAlloc(sizeof(png_bytep) * height);
    for (png_uint_32 i = 0; i < height; ++i)
        rows[i] = data + (size_t)i * width * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);

    ZNFree((void*)rows);
    rows = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// The grey decode, in DecodePng's frame: the first channel of every pixel in 16
// bits. Only plain locals, as there.
bool DecodePngGrey(PngReadState* state, ZNGreyImage* image, PngMessages* messages)
{
    png_structp png  = nullptr;
    png_infop   info = nullptr;
    if (!CreatePngRead(messages, png, info))
        return false;
    png_bytep volatile pixels = nullptr;
    png_bytep* volatile rows  = nullptr;
    if (setjmp(png_jmpbuf(png)))
    {
        if (rows)
            ZNFree((void*)rows);
        if (pixels)
            ZNFree((void*)pixels);
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    ReadPngInfo(png, info, state);

    // Palettes and grey of 1, 2 or 4 bits become 8-bit samples exactly as the
    // RGBA decode expands them; then every 8-bit sample widens to 16 bits by
    // repeating its byte, v x 257. 16-bit samples stay as they are.
    png_set_expand_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const png_uint_32 width    = png_get_image_width(png, info);
    const png_uint_32 height   = png_get_image_height(png, info);
    const png_byte    channels = png_get_channels(png, info);
    // The rows must now be width pixels of 16-bit samples, the first channel
    // first; anything else would be read wrongly or past the row.
    const size_t      rowBytes = (size_t)width * channels * 2;
    if (png_get_bit_depth(png, info) != 16 || channels < 1 || channels > 4 || png_get_rowbytes(png, info) != rowBytes)
        png_error(png, "PNG rows are not 16-bit samples after the transforms");
    if (!image->Resize(width, height))
        png_error(png, "image could not take the PNG's size");

    // A plain file passes through one row; the passes of an interlaced one each
    // add to every row, so that one is held whole.
    const bool whole = passes > 1;
    pixels           = (png_bytep)ZNAlloc(rowBytes * (whole ? height : 1));
    if (whole)
    {
        rows = (png_bytep*)ZNAlloc(sizeof(png_bytep) * height);
        for (png_uint_32 i = 0; i < height; ++i)
            rows[i] = pixels + (size_t)i * rowBytes;
        png_read_image(png, rows);
    }
    for (png_uint_32 y = 0; y < height; ++y)
    {
        png_bytep row = whole ? rows[y] : pixels;
        if (!whole)
            png_read_row(png, row, nullptr);
        UINT16* out = image->Samples.Data() + (size_t)y * width;
        // PNG samples are big-endian.
        for (png_uint_32 x = 0; x < width; ++x)
            out[x] = (UINT16)((row[(size_t)x * channels * 2] << 8) | row[(size_t)x * channels * 2 + 1]);
    }
    png_read_end(png, nullptr);

    if (rows)
        ZNFree((void*)rows);
    rows = nullptr;
    ZNFree((void*)pixels);
    pixels = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool EncodePng(const ImageData* image, ZNArchive* archive, int level)
{
    png_uint_32 width  = image->GetWidth();
    png_uint_32 height = image->GetHeight();
    png_structp png =
        png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, nullptr, PngAlloc, PngFree);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info)
    {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png)))
    {
        if (rows)
            ZNFree((void*)rows);
        png_destroy_write_struct(&png, &info);
        return false;
    }

    png_set_write_fn(png, archive, PngWriteBytes, nullptr);
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

    const UINT8* data = image->GetData();
    rows              = (png_bytep*)ZNAlloc(sizeof(png_bytep) * height);
    for (png_uint_32 i = 0; i < height; ++i)
        rows[i] = (png_bytep)(data + (size_t)i * width * 4);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);

    ZNFree((void*)rows);
    rows = nullptr;
    png_destroy_write_struct(&png, &info);
    return true;
}

// What is wrong with the file, in words, from libpng's first error message.
ZNString DescribePngError(const char* message)
{
    const char* m = message ? message : "";
    if (!strcmp(m, kEndsEarly))
        return ZNString("ends early (the file stops before its image is complete)");
    // libpng names the chunk in front of its own text ("IDAT: CRC error").
    if (strstr(m, "CRC"))
        return ZNString::Formatted("has a bad checksum (%s)", m);
    static const char* const kInflate[] = { "IDAT",   "compress", "inflate", "zlib",  "invalid",
                                            "header", "distance", "stream",  "filter" };
    for (const char* word : kInflate)
        if (strstr(m, word))
            return ZNString::Formatted("holds bad compressed data (%s)", m);
    if (strstr(m, "too large") || strstr(m, "exceeds") || strstr(m, "limit"))
        return ZNString::Formatted("is too large (%s)", m);
    return ZNString::Formatted("is damaged (%s)", m);
}

}   // namespace

bool ZNDecodePng(const UINT8* bytes, UINT32 size, ImageData& image, ZNString* why, const char* name)
{
    PngReadState state    = { 0, size, bytes };
    PngMessages  messages = { name, { 0 } };
    const bool   ok       = DecodePng(&state, &image, &messages);
    if (!ok && why && messages.Error[0])
        *why = DescribePngError(messages.Error);
    return ok;
}

bool ZNDecodePngGrey(const UINT8* bytes, UINT32 size, ZNGreyImage& image, ZNString* why, const char* name)
{
    PngReadState state    = { 0, size, bytes };
    PngMessages  messages = { name, { 0 } };
    const bool   ok       = DecodePngGrey(&state, &image, &messages);
    if (!ok && why && messages.Error[0])
        *why = DescribePngError(messages.Error);
    return ok;
}

bool ZNEncodePng(const ImageData& image, ZNArchive& archive, int level)
{
    return EncodePng(&image, &archive, level);
}
