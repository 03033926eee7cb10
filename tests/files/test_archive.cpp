// Binary archives: the exact big-endian bytes, reading them back, and reads
// past the end failing without touching memory outside the source.
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"

#include "core/ZNRuntime.h"
#include "files/ZNArchive.h"
#include "files/ZNFileIO.h"

#include <stdio.h>

namespace
{
std::vector<UINT8> Bytes(const ZNPodArray<UINT8>& a)
{
    std::vector<UINT8> v;
    for (UINT32 i = 0; i < a.Size(); ++i)
        v.push_back(a[i]);
    return v;
}

// A record written and read by the same code, as the engine's loaders do.
struct Header
{
    UINT32 Magic;
    UINT16 Width;
    UINT8  Levels;
    INT32  Offset;
    float  Scale;
    UINT64 Stamp;

    bool Serialize(ZNArchive& ar)
    {
        ar.SerializeItem(Magic);
        ar.SerializeItem(Width);
        ar.SerializeItem(Levels);
        ar.SerializeItem(Offset);
        ar.SerializeItem(Scale);
        ar.SerializeItem(Stamp);
        return !ar.HasError();
    }

    bool operator==(const Header& o) const
    {
        return Magic == o.Magic && Width == o.Width && Levels == o.Levels && Offset == o.Offset && Scale == o.Scale &&
               Stamp == o.Stamp;
    }
};
}

TEST(Archive, OutputStoresMultiByteElementsBigEndian)
{
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   ar(bytes);
    EXPECT_FALSE(ar.IsReading());

    UINT32 u32      = 0x11223344;
    UINT16 u16[2]   = { 0xA1B2, 0x0102 };
    UINT8  raw[3]   = { 1, 2, 3 };
    INT32  negative = -2;
    float  one      = 1.0f;
    EXPECT_TRUE(ar.Serialize(&u32, 1, 4));
    EXPECT_TRUE(ar.Serialize(u16, 2, 2));
    EXPECT_TRUE(ar.Serialize(raw, 3, 1));
    EXPECT_TRUE(ar.SerializeItem(negative));
    EXPECT_TRUE(ar.SerializeItem(one));

    std::vector<UINT8> expected = { 0x11, 0x22, 0x33, 0x44, 0xA1, 0xB2, 0x01, 0x02, 1,   2,
                                    3,    0xFF, 0xFF, 0xFF, 0xFE, 0x3F, 0x80, 0x00, 0x00 };
    EXPECT_EQ(Bytes(bytes), expected);
    EXPECT_EQ(ar.Tell(), 19);
    EXPECT_EQ(ar.Size(), 19);
    EXPECT_TRUE(ar.IsEnd());
    // The caller's values are untouched by the byte reversal.
    EXPECT_EQ(u32, 0x11223344u);
    EXPECT_EQ(u16[0], 0xA1B2);
}

TEST(Archive, OddElementSizesAreReversedWhole)
{
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   ar(bytes);
    UINT8             three[6] = { 1, 2, 3, 4, 5, 6 };
    ar.Serialize(three, 2, 3);
    EXPECT_EQ(Bytes(bytes), (std::vector<UINT8>{ 3, 2, 1, 6, 5, 4 }));

    ZNMemoryInputArchive in(bytes);
    UINT8                back[6] = {};
    EXPECT_TRUE(in.Serialize(back, 2, 3));
    EXPECT_EQ(std::vector<UINT8>(back, back + 6), std::vector<UINT8>(three, three + 6));
}

TEST(Archive, OutputOverwritesAfterSeekAndGrowsOnlyWhenNeeded)
{
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   ar(bytes);
    UINT32            a = 0x01020304, b = 0xAABBCCDD;
    ar.SerializeItem(a);
    ar.SerializeItem(a);
    EXPECT_TRUE(ar.Seek(2));
    ar.SerializeItem(b);
    EXPECT_EQ(Bytes(bytes), (std::vector<UINT8>{ 1, 2, 0xAA, 0xBB, 0xCC, 0xDD, 3, 4 }));
    EXPECT_EQ(ar.Tell(), 6);
    EXPECT_FALSE(ar.IsEnd());
    EXPECT_FALSE(ar.Seek(9));
}

TEST(Archive, RecordRoundTripsThroughMemoryAndFile)
{
    ZNScratchDir      scratch(ZNScratchDir::DataPath);
    Header            h{ 0x4D495053, 1024, 11, -123456, 0.25f, 0x0102030405060708ull };
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   out(bytes);
    ASSERT_TRUE(h.Serialize(out));
    ASSERT_EQ(bytes.Size(), 4u + 2 + 1 + 4 + 4 + 8);
    EXPECT_EQ(bytes[11], 0x3E);   // 0.25f = 0x3E800000, most significant byte first
    EXPECT_EQ(bytes[15], 0x01);

    Header               m{};
    ZNMemoryInputArchive min(bytes);
    EXPECT_TRUE(min.IsReading());
    ASSERT_TRUE(m.Serialize(min));
    EXPECT_TRUE(m == h);
    EXPECT_TRUE(min.IsEnd());

    ASSERT_TRUE(WriteArrayToBinaryFile("h.bin", bytes));
    FILE* f = ZNOpenFile("h.bin", 5);
    ASSERT_NE(f, nullptr);
    {
        ZNFileInputArchive fin(f);
        EXPECT_EQ(fin.Size(), (INT64)bytes.Size());
        EXPECT_EQ(fin.Tell(), 0);
        Header r{};
        EXPECT_TRUE(r.Serialize(fin));
        EXPECT_TRUE(r == h);
        EXPECT_TRUE(fin.IsEnd());
        // A seek moves where the next read starts.
        EXPECT_TRUE(fin.Seek(4));
        UINT16 w = 0;
        EXPECT_TRUE(fin.SerializeItem(w));
        EXPECT_EQ(w, 1024);
        EXPECT_FALSE(fin.Seek(100));
    }
    fclose(f);
}

TEST(Archive, TruncatedReadsFailStickyAndZeroTheDestination)
{
    UINT8                src[5] = { 0, 0, 0, 7, 9 };
    ZNMemoryInputArchive in(src, 5);
    UINT32               v = 0;
    EXPECT_TRUE(in.SerializeItem(v));
    EXPECT_EQ(v, 7u);
    UINT32 past = 0xFFFFFFFF;
    EXPECT_FALSE(in.SerializeItem(past));
    EXPECT_EQ(past, 0u);
    EXPECT_TRUE(in.HasError());
    // Nothing was consumed by the failed read; the last byte is still there.
    EXPECT_EQ(in.Tell(), 4);
    UINT8 last = 0;
    EXPECT_TRUE(in.SerializeItem(last));
    EXPECT_EQ(last, 9);
    EXPECT_TRUE(in.HasError());   // sticky until cleared
    in.ClearError();
    EXPECT_FALSE(in.HasError());

    // A huge element count must not wrap around into a small write.
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   out(bytes);
    UINT8             buffer[8] = {};
    EXPECT_FALSE(out.Serialize(buffer, 0x80000001u, 2));
    EXPECT_EQ(bytes.Size(), 0u);
    EXPECT_TRUE(out.HasError());
}

TEST(Archive, TruncatedFileReadFails)
{
    ZNScratchDir      scratch(ZNScratchDir::DataPath);
    ZNPodArray<UINT8> bytes;
    bytes.Add(0x12);
    bytes.Add(0x34);
    bytes.Add(0x56);
    ASSERT_TRUE(WriteArrayToBinaryFile("short.bin", bytes));
    FILE* f = ZNOpenFile("short.bin", 5);
    ASSERT_NE(f, nullptr);
    {
        ZNFileInputArchive in(f);
        UINT16             a = 0;
        EXPECT_TRUE(in.SerializeItem(a));
        EXPECT_EQ(a, 0x1234);
        UINT32 b = 0xFFFFFFFF;
        EXPECT_FALSE(in.SerializeItem(b));
        EXPECT_EQ(b, 0u);
        EXPECT_TRUE(in.HasError());
    }
    fclose(f);

    ZNFileInputArchive none(nullptr);
    UINT8              x = 5;
    EXPECT_FALSE(none.SerializeItem(x));
    EXPECT_EQ(none.Tell(), -1);
    EXPECT_EQ(none.Size(), -1);
}

TEST(Archive, ElementsWithoutSizeAreReportedAndTheBaseHasNoPosition)
{
    ZNDialogRecorder  dialogs;
    ZNPodArray<UINT8> bytes;
    ZNOutputArchive   out(bytes);
    UINT8             x = 1;
    out.Serialize(&x, 3, 0);
    EXPECT_EQ(dialogs.Asserts("size == 0"), 1u) << dialogs.Summary();
    EXPECT_EQ(bytes.Size(), 0u);
    dialogs.Clear();
    out.Serialize(&x, 0, 0);
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Summary();

    // No buffer: refused, nothing written.
    EXPECT_FALSE(out.Serialize(nullptr, 2, 4));
    EXPECT_TRUE(out.HasError());
    EXPECT_EQ(bytes.Size(), 0u);
    UINT8                src[4] = { 1, 2, 3, 4 };
    ZNMemoryInputArchive in(src, 4);
    EXPECT_FALSE(in.Serialize(nullptr, 1, 4));
    EXPECT_EQ(in.Tell(), 0);

    ZNArchive base;
    EXPECT_EQ(base.Tell(), -1);
    EXPECT_EQ(base.Size(), -1);
    EXPECT_TRUE(base.IsEnd());
}
