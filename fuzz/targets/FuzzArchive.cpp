// Archive reads and writes driven by the input: byte 0 picks the archive
// (memory input, file input over the same bytes, or output), byte 1 the
// number of steps (at most 32), each step an operation byte and a 4-byte
// argument; the rest is the archive's contents.
#include "ZNFuzz.h"
#include "files/ZNArchive.h"
#include "files/ZNFileIO.h"
#include "files/ZNFileIO.h"

#include <string.h>

namespace
{

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

const UINT32 kElementSizes[] = { 1, 2, 4, 8, 3 };

// Runs one step on any archive; seek is the archive's own.
template <class Seeker>
void Step(ZNArchive& ar, UINT8 op, UINT32 arg, Seeker seek)
{
    static UINT8 buffer[4096];
    const INT64  before = ar.Tell();
    switch (op % 4)
    {
    case 0:
    {
        // count x size stays within the buffer.
        const UINT32 size  = kElementSizes[(arg >> 24) % 5];
        const UINT32 count = (arg & 0xFFFF) % (sizeof(buffer) / size + 1);
        const bool   ok    = ar.Serialize(buffer, count, size);
        if (ok)
            Check(ar.Tell() == before + (INT64)count * size || ar.Tell() < 0);
        else
            Check(ar.HasError());
        break;
    }
    case 1: seek(arg); break;
    case 2:
        ar.IsEnd();
        Check(ar.Size() < 0 || ar.Tell() <= ar.Size());
        break;
    default:
    {
        UINT32 v = arg;
        ar.SerializeItem(v);
        break;
    }
    }
}

}   // namespace

int ZNFuzzArchive(const UINT8* data, size_t size)
{
    if (size < 2 || size > 1u << 20)
        return 0;
    const size_t steps = data[1] % 33;
    if (size < 2 + steps * 5)
        return 0;
    const UINT8* program  = data + 2;
    const UINT8* body     = program + steps * 5;
    const UINT32 bodySize = (UINT32)(size - 2 - steps * 5);
    auto         argAt    = [&](size_t i)
    {
        UINT32 a;
        memcpy(&a, program + i * 5 + 1, 4);
        return a;
    };

    switch (data[0] % 3)
    {
    case 0:
    {
        ZNMemoryInputArchive ar(body, bodySize);
        for (size_t i = 0; i < steps; ++i)
            Step(ar, program[i * 5], argAt(i), [&](UINT32 p) { Check(ar.Seek(p) == (p <= bodySize)); });
        break;
    }
    case 1:
    {
        ZNFuzzWriteScratch("archive.bin", body, bodySize);
        FILE* f = ZNOpenFile("archive.bin", ZN_FILE_READ | ZN_FILE_BINARY);
        if (!f)
            return 0;
        {
            ZNFileInputArchive ar(f);
            Check(ar.Size() == bodySize);
            for (size_t i = 0; i < steps; ++i)
                Step(ar, program[i * 5], argAt(i), [&](UINT32 p) { Check(ar.Seek(p) == (p <= bodySize)); });
        }
        fclose(f);
        break;
    }
    default:
    {
        ZNPodArray<UINT8> bytes;
        ZNOutputArchive   ar(bytes);
        if (bodySize)
            ar.Serialize((void*)body, bodySize, 1);
        for (size_t i = 0; i < steps; ++i)
            Step(ar, program[i * 5], argAt(i), [&](UINT32 p) { Check(ar.Seek(p) == (p <= bytes.Size())); });
        break;
    }
    }
    return 0;
}
