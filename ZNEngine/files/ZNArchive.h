// ZNArchive: the engine's binary streams.
//
// One call serves writing and reading, so a record is described once:
//   ar.Serialize(&width, 1, 4);          // writes or reads one 4-byte element
//   ar.SerializeItem(height);            // the same, typed
//
// Byte order: elements of size 1 are copied unchanged; the bytes of every
// other element are reversed, so 2- and 4-byte values are stored most
// significant byte first (big-endian) on the little-endian machines the engine
// runs on.
//
// Reading never goes outside the source: a read that cannot be satisfied in
// full fills the destination with zeros, returns false and sets the sticky
// error flag (HasError), so a loader can read a whole header and test once
// whether the file was truncated.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

#include <stdio.h>

class ZNArchive
{
public:
    ZNArchive();
    virtual ~ZNArchive();

    // Writes (output archives) or reads (input archives) count elements of
    // size bytes each. count > 0 with size 0 is a broken invariant. Returns
    // false when not every byte could be transferred.
    virtual bool  Serialize(void* data, UINT32 count, UINT32 size);
    // A size hint for what follows; no archive of the engine needs it.
    virtual void  Reserve(UINT32 byteCount);
    // Current position in bytes; -1 when the archive has none.
    virtual INT64 Tell() const;
    // Total size in bytes; -1 when the archive has none.
    virtual INT64 Size() const;
    // The position has reached the end.
    virtual bool  IsEnd() const;

    // True for archives that read.
    bool IsReading() const { return Reading; }
    // Set by the first failed transfer and kept until ClearError.
    bool HasError() const { return Error; }
    void ClearError() { Error = false; }

    template <class T>
    bool SerializeItem(T& value)
    {
        return Serialize(&value, 1, (UINT32)sizeof(T));
    }
    template <class T>
    bool SerializeItems(T* values, UINT32 count)
    {
        return Serialize(values, count, (UINT32)sizeof(T));
    }

    ZNArchive(const ZNArchive&)            = delete;
    ZNArchive& operator=(const ZNArchive&) = delete;

protected:
    bool Reading;   // set by input archives
    bool Error;     // sticky failure flag
};

// Writes into a byte array owned by the caller, from position 0. A write
// grows the array's count to cover position + bytes written; bytes beyond an
// earlier, longer content stay as they were.
class ZNOutputArchive : public ZNArchive
{
public:
    explicit ZNOutputArchive(ZNPodArray<UINT8>& bytes);

    bool  Serialize(void* data, UINT32 count, UINT32 size) override;
    INT64 Tell() const override;   // the position
    INT64 Size() const override;   // the array's count

    // Moves the position (at most to the array's count); false when out of range.
    bool Seek(UINT32 position);

private:
    ZNPodArray<UINT8>& Bytes;      // destination, owned by the caller
    UINT32             Position;   // next byte written
};

// Reads from a stream the caller opened (binary) and keeps owning. The size
// is taken at construction; reads start at the stream's current position
// after the archive rewinds it to 0.
class ZNFileInputArchive : public ZNArchive
{
public:
    explicit ZNFileInputArchive(FILE* file);

    bool  Serialize(void* data, UINT32 count, UINT32 size) override;
    INT64 Tell() const override;   // the stream's position, -1 without a stream
    INT64 Size() const override;   // the size measured at construction, -1 without a stream

    bool Seek(INT64 position);   // from the start; false when outside 0..Size()

private:
    FILE* File;       // not owned
    INT64 FileSize;   // measured at construction
};

// Reads from a block of memory the caller keeps alive.
class ZNMemoryInputArchive : public ZNArchive
{
public:
    ZNMemoryInputArchive(const void* data, UINT32 size);
    explicit ZNMemoryInputArchive(const ZNPodArray<UINT8>& bytes);

    bool  Serialize(void* data, UINT32 count, UINT32 size) override;
    INT64 Tell() const override;
    INT64 Size() const override;

    bool Seek(UINT32 position);   // false when beyond the end

private:
    const UINT8* Data;   // not owned
    UINT32       DataSize;
    UINT32       Position;
};
