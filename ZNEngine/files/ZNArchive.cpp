// ZNArchive: big-endian element streams over byte arrays, files and memory.
#include "files/ZNArchive.h"

#include "files/ZNFileIOPlatform.h"

#include <string.h>

namespace
{
// Copies count elements of size bytes from src to dst, reversing the bytes of
// each element unless it is a single byte. src and dst do not overlap.
void CopySwapped(UINT8* dst, const UINT8* src, UINT32 count, UINT32 size)
{
    if (size == 1)
    {
        memcpy(dst, src, count);
        return;
    }
    for (UINT32 e = 0; e < count; ++e, dst += size, src += size)
        for (UINT32 b = 0; b < size; ++b)
            dst[b] = src[size - 1 - b];
}

// Reverses the bytes of each element in place.
void SwapInPlace(UINT8* data, UINT32 count, UINT32 size)
{
    if (size == 1)
        return;
    for (UINT32 e = 0; e < count; ++e, data += size)
        for (UINT32 lo = 0, hi = size - 1; lo < hi; ++lo, --hi)
        {
            UINT8 t  = data[lo];
            data[lo] = data[hi];
            data[hi] = t;
        }
}

// The checked byte count of a transfer: 1 when bytes are to be moved, 0 when
// there is nothing to do (including the broken invariant of elements without
// a size), -1 for a transfer without a buffer, which is refused.
int TransferSize(const void* data, UINT32 count, UINT32 size, UINT64& bytes)
{
    if (count > 0)
        BREAK_IF(size == 0);
    bytes = (UINT64)count * size;
    if (bytes == 0)
        return 0;
    return data ? 1 : -1;
}
}

// ---- base ------------------------------------------------------------------------------

ZNArchive::ZNArchive() : Reading(false), Error(false)
{
}

ZNArchive::~ZNArchive()
{
}

bool ZNArchive::Serialize(void* data, UINT32 count, UINT32 size)
{
    UINT64 bytes;
    if (TransferSize(data, count, size, bytes) == 0)
        return true;
    // The base archive has nowhere to put or take bytes.
    Error = true;
    return false;
}

void ZNArchive::Reserve(UINT32 byteCount)
{
    (void)byteCount;
}

INT64 ZNArchive::Tell() const
{
    return -1;
}

INT64 ZNArchive::Size() const
{
    return -1;
}

bool ZNArchive::IsEnd() const
{
    return Tell() == Size();
}

// ---- output over a byte array ---------------------------------------------------------------

ZNOutputArchive::ZNOutputArchive(ZNPodArray<UINT8>& bytes) : Bytes(bytes), Position(0)
{
}

bool ZNOutputArchive::Serialize(void* data, UINT32 count, UINT32 size)
{
    UINT64 n;
    int    transfer = TransferSize(data, count, size, n);
    if (transfer <= 0)
    {
        Error = Error || transfer < 0;
        return transfer == 0;
    }
    if ((UINT64)Position + n > 0xFFFFFFFFull)
    {
        Error = true;
        return false;
    }
    UINT32 end = Position + (UINT32)n;
    if (Bytes.Size() < end)
        Bytes.SetCount(end);
    CopySwapped(&Bytes[Position], (const UINT8*)data, count, size);
    Position = end;
    return true;
}

INT64 ZNOutputArchive::Tell() const
{
    return Position;
}

INT64 ZNOutputArchive::Size() const
{
    return Bytes.Size();
}

bool ZNOutputArchive::Seek(UINT32 position)
{
    if (position > Bytes.Size())
        return false;
    Position = position;
    return true;
}

// ---- input over a file stream ---------------------------------------------------------------

ZNFileInputArchive::ZNFileInputArchive(FILE* file) : File(file), FileSize(-1)
{
    Reading = true;
    if (!File)
    {
        Error = true;
        return;
    }
    if (ZNFilePlatform::SeekStream(File, 0, SEEK_END))
        FileSize = ZNFilePlatform::TellStream(File);
    if (FileSize < 0 || !ZNFilePlatform::SeekStream(File, 0, SEEK_SET))
    {
        FileSize = -1;
        Error    = true;
    }
}

bool ZNFileInputArchive::Serialize(void* data, UINT32 count, UINT32 size)
{
    UINT64 n;
    int    transfer = TransferSize(data, count, size, n);
    if (transfer <= 0)
    {
        Error = Error || transfer < 0;
        return transfer == 0;
    }
    size_t got = File ? fread(data, 1, (size_t)n, File) : 0;
    if (got != n)
    {
        memset(data, 0, (size_t)n);
        Error = true;
        return false;
    }
    SwapInPlace((UINT8*)data, count, size);
    return true;
}

INT64 ZNFileInputArchive::Tell() const
{
    return File ? ZNFilePlatform::TellStream(File) : -1;
}

INT64 ZNFileInputArchive::Size() const
{
    return FileSize;
}

bool ZNFileInputArchive::Seek(INT64 position)
{
    if (!File || position < 0 || position > FileSize)
        return false;
    return ZNFilePlatform::SeekStream(File, position, SEEK_SET);
}

// ---- input over memory ------------------------------------------------------------------------

ZNMemoryInputArchive::ZNMemoryInputArchive(const void* data, UINT32 size)
    : Data((const UINT8*)data), DataSize(data ? size : 0), Position(0)
{
    Reading = true;
}

ZNMemoryInputArchive::ZNMemoryInputArchive(const ZNPodArray<UINT8>& bytes)
    : Data(bytes.Size() ? &bytes[0] : nullptr), DataSize(bytes.Size()), Position(0)
{
    Reading = true;
}

bool ZNMemoryInputArchive::Serialize(void* data, UINT32 count, UINT32 size)
{
    UINT64 n;
    int    transfer = TransferSize(data, count, size, n);
    if (transfer <= 0)
    {
        Error = Error || transfer < 0;
        return transfer == 0;
    }
    if (n > (UINT64)(DataSize - Position))
    {
        // Truncated source: nothing is consumed, the destination holds zeros.
        memset(data, 0, (size_t)n);
        Error = true;
        return false;
    }
    CopySwapped((UINT8*)data, Data + Position, count, size);
    Position += (UINT32)n;
    return true;
}

INT64 ZNMemoryInputArchive::Tell() const
{
    return Position;
}

INT64 ZNMemoryInputArchive::Size() const
{
    return DataSize;
}

bool ZNMemoryInputArchive::Seek(UINT32 position)
{
    if (position > DataSize)
        return false;
    Position = position;
    return true;
}
