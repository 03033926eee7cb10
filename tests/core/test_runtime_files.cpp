// ZNOpenFile, the stream wrappers, the math and byte-order wrappers (a refused
// permission and the file chooser are in test_runtime_filesPosix.cpp).
#include "core/ZNRuntime.h"
#include "files/ZNFileIO.h"
#include "files/ZNDataPath.h"
#include "common/ZNTestDialogs.h"
#include "common/ZNTestFiles.h"
#include "RuntimeFilesTest.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

TEST_F(RuntimeFiles, OnlyReadOrWriteFlagsOpenAndOnlyEpermIsShown)
{
    WriteFile("there.bin", "abc");
    ZNDialogRecorder recorder(false);
    EXPECT_EQ(ZNOpenFile("there.bin", 0), nullptr);
    EXPECT_EQ(ZNOpenFile("there.bin", ZN_FILE_BINARY), nullptr);
    EXPECT_EQ(ZNOpenFile("there.bin", 12), nullptr);
    ASSERT_EQ(recorder.Count(), 1u) << "only flags above 7 are a broken invariant";
    EXPECT_NE(recorder.Boxes()[0].Text.find("\nflags > 7\n"), std::string::npos);
    EXPECT_EQ(ZNOpenFile(nullptr, ZN_FILE_READ), nullptr);
    // Failures other than a refused permission stay silent.
    EXPECT_EQ(ZNOpenFile("missing.txt", ZN_FILE_READ), nullptr);
    EXPECT_EQ(ZNOpenFile("no/such/folder/x.bin", ZN_FILE_WRITE | ZN_FILE_BINARY), nullptr);
    EXPECT_EQ(recorder.Count(), 1u) << recorder.Summary();
}

TEST_F(RuntimeFiles, NamesResolveUnderTheDataPath)
{
    FILE* out = ZNOpenFile("made.txt", ZN_FILE_WRITE);
    ASSERT_NE(out, nullptr);
    EXPECT_GE(ZNFPutS("line one\nline two\n", out), 0);
    EXPECT_EQ(ZNFClose(out), 0);
    EXPECT_TRUE(Exists("made.txt")) << "not written under the data path";

    FILE* in = ZNOpenFile("made.txt", ZN_FILE_READ);
    ASSERT_NE(in, nullptr);
    char line[64];
    ASSERT_NE(ZNFGetS(line, sizeof(line), in), nullptr);
    EXPECT_STREQ(line, "line one\n");
    // A short buffer takes size - 1 characters of the line.
    ASSERT_NE(ZNFGetS(line, 5, in), nullptr);
    EXPECT_STREQ(line, "line");
    EXPECT_EQ(ZNFGetC(in), ' ');
    ZNFClose(in);

    // "wb+" replaces and can read back what it wrote.
    FILE* both = ZNOpenFile("made.txt", ZN_FILE_READ | ZN_FILE_WRITE | ZN_FILE_BINARY);
    ASSERT_NE(both, nullptr);
    UINT32 values[3] = { 1, 2, 0xDEADBEEF };
    EXPECT_EQ(ZNFWrite(values, sizeof(UINT32), 3, both), 3u);
    ZNFSeek(both, 0, false);
    UINT32 back[3] = {};
    EXPECT_EQ(ZNFRead(back, sizeof(UINT32), 3, both), 3u);
    EXPECT_EQ(back[2], 0xDEADBEEFu);
    EXPECT_EQ(ZNFGetC(both), EOF);
    EXPECT_TRUE(ZNFEof(both));
    ZNFClose(both);
}

TEST_F(RuntimeFiles, SeekCountsNegativePositionsFromTheEnd)
{
    WriteFile("ten.bin", "0123456789");
    FILE* f = ZNOpenFile("ten.bin", ZN_FILE_READ | ZN_FILE_BINARY);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZNFSeek(f, -1, false), 0);
    EXPECT_EQ(ZNFTell(f), 10) << "-1 is the end itself (the size)";
    EXPECT_EQ(ZNFSeek(f, -3, false), 0);
    EXPECT_EQ(ZNFTell(f), 8);
    EXPECT_EQ(ZNFGetC(f), '8');
    EXPECT_EQ(ZNFSeek(f, 0, false), 0);
    EXPECT_EQ(ZNFTell(f), 0);
    EXPECT_EQ(ZNFSeek(f, 4, false), 0);
    EXPECT_EQ(ZNFSeek(f, 2, true), 0);
    EXPECT_EQ(ZNFGetC(f), '6');
    EXPECT_EQ(ZNFSeek(f, -3, true), 0);
    EXPECT_EQ(ZNFTell(f), 4) << "relative moves go back from the current position";
    EXPECT_NE(ZNFSeek(f, -20, true), 0) << "before the start is refused";
    ZNFClose(f);
}

TEST(RuntimeMath, SignOfEveryKindOfValue)
{
    EXPECT_EQ(ZNRtSign(2.5f), 1.0f);
    EXPECT_EQ(ZNRtSign(-0.001f), -1.0f);
    EXPECT_EQ(ZNRtSign(0.0f), 0.0f);
    EXPECT_EQ(ZNRtSign(-0.0f), 0.0f);
    EXPECT_EQ(ZNRtSign(NAN), -1.0f);
    EXPECT_EQ(ZNRtSign(-INFINITY), -1.0f);
    EXPECT_EQ(ZNRtSign(INFINITY), 1.0f);
    EXPECT_EQ(ZNRtSign(1e-300), 1.0);
    EXPECT_EQ(ZNRtSign(static_cast<double>(NAN)), -1.0);
    EXPECT_EQ(ZNRtSign(-0.0), 0.0);
    EXPECT_EQ(ZNRtAbs(INT_MIN), INT_MIN) << "integer absolute value must not overflow";
}

TEST(RuntimeByteOrder, NetworkOrderIsBigEndian)
{
    UINT32       net   = ZNHostToNet32(0x01020304u);
    const UINT8* bytes = reinterpret_cast<const UINT8*>(&net);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[3], 4);
    EXPECT_EQ(ZNNetToHost32(net), 0x01020304u);
    UINT16       net16   = ZNHostToNet16(0xA1B2);
    const UINT8* bytes16 = reinterpret_cast<const UINT8*>(&net16);
    EXPECT_EQ(bytes16[0], 0xA1);
    EXPECT_EQ(bytes16[1], 0xB2);
    EXPECT_EQ(ZNNetToHost16(net16), 0xA1B2);
}
