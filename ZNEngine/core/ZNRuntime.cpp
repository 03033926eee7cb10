// ZNRuntime: the stream wrappers and the file chooser's entry; the chooser itself
// is the platform's (ZNFileDialog<platform>.cpp); streams are opened by the file layer.
#include "core/ZNRuntime.h"

#include "core/ZNSysPlatform.h"

#include <stdlib.h>
#include <string.h>

int ZNFClose(FILE* file)
{
    return fclose(file);
}

long ZNFTell(FILE* file)
{
    return ftell(file);
}

bool ZNFEof(FILE* file)
{
    return feof(file) != 0;
}

int ZNFSeek(FILE* file, long position, bool relative)
{
    if (relative)
        return fseek(file, position, SEEK_CUR);
    if (position >= 0)
        return fseek(file, position, SEEK_SET);
    // -1 is the end, -2 one byte before it, and so on.
    return fseek(file, position + 1, SEEK_END);
}

int ZNFGetC(FILE* file)
{
    return fgetc(file);
}

size_t ZNFRead(void* data, size_t size, size_t count, FILE* file)
{
    return fread(data, size, count, file);
}

size_t ZNFWrite(const void* data, size_t size, size_t count, FILE* file)
{
    return fwrite(data, size, count, file);
}

char* ZNFGetS(char* buffer, int size, FILE* file)
{
    return fgets(buffer, size, file);
}

wchar_t* ZNFGetWS(wchar_t* buffer, int size, FILE* file)
{
    return fgetws(buffer, size, file);
}

int ZNFPutS(const char* text, FILE* file)
{
    return fputs(text, file);
}

int ZNFPutWS(const wchar_t* text, FILE* file)
{
    return fputws(text, file);
}

// Network order is big-endian; both platforms the engine builds for are
// little-endian. Compilers turn these shifts into one swap instruction.
UINT32 ZNHostToNet32(UINT32 value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}
UINT32 ZNNetToHost32(UINT32 value)
{
    return ZNHostToNet32(value);
}
UINT16 ZNHostToNet16(UINT16 value)
{
    return (UINT16)((value >> 8) | (value << 8));
}
UINT16 ZNNetToHost16(UINT16 value)
{
    return ZNHostToNet16(value);
}

int gSysFileOpen(const char* initialDirectory, const char* filter, char* fileBuffer, UINT32 fileBufferSize, int save)
{
    if (ZN_CHECK_FAILED(fileBuffer == NULL || fileBufferSize == 0))
        return 0;

    const char* unattended = getenv("ZN_DIALOG");
    if (unattended && *unattended)
    {
        fprintf(stderr, "gSysFileOpen: ZN_DIALOG is set, so nobody is asked for a file to %s\n",
                save ? "save" : "open");
        return 0;
    }
    return ZNChooseFile(initialDirectory, filter, fileBuffer, fileBufferSize, save);
}

int ZNDeliverChosenPath(const char* path, UINT32 length, char* fileBuffer, UINT32 fileBufferSize)
{
    if (length >= fileBufferSize)
    {
        char text[256];
        snprintf(text, sizeof(text), "The chosen path is longer than %u characters.", fileBufferSize - 1);
        ZNInfoBox(text, path);
        return 0;
    }
    memcpy(fileBuffer, path, length + 1);
    return 1;
}
