// Assertion texts, the dialog services and the allocator.
#include "common/ZNTestDialogs.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

namespace
{

std::string AssertText(const std::string& expression, const std::string& file, int line)
{
    return "It is detected that the program is in invalid state:\n" + expression + "\n\nFile: " + file +
           "\nLine: " + std::to_string(line) + "\n\nDo you want to debug the program?";
}

}   // namespace

TEST(AssertDialog, FailedCheckShowsExactTextAndReturnsOnNo)
{
    ZNDialogRecorder recorder(false);
    int              value   = 7;
    int              reached = 0;
    BREAK_IF(value > 3);
    const int line = __LINE__ - 1;   // the check's line
    reached        = 1;
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(reached, 1);
    ZNDialogRecord box = recorder.Boxes()[0];
    EXPECT_EQ(box.Kind, ZNDialog_YesNo);
    EXPECT_EQ(box.Caption, "BREAK_IF");
    EXPECT_EQ(box.Text, AssertText("value > 3", __FILE__, line));

    // No way to silence a check: the same failing check asks again.
    BREAK_IF(value > 3);
    EXPECT_EQ(recorder.Count(), 2u);

    BREAK_IF(value < 3);
    EXPECT_EQ(recorder.Count(), 2u) << "a holding condition must not ask";
}

TEST(AssertDialog, LiteralConditionReportsItselfWithQuotes)
{
    ZNDialogRecorder recorder(false);
    BREAK_IF("Unknown vertex data type");
    const int line = __LINE__ - 1;   // the check's line
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].Text, AssertText("\"Unknown vertex data type\"", __FILE__, line));
}

TEST(AssertDialog, CheckExpressionYieldsWhetherItFailed)
{
    ZNDialogRecorder recorder(false);
    unsigned         at = 5, count = 5;
    EXPECT_TRUE(ZN_CHECK_FAILED(at >= count));
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_NE(recorder.Boxes()[0].Text.find("\nat >= count\n"), std::string::npos);
    at = 4;
    EXPECT_FALSE(ZN_CHECK_FAILED(at >= count));
    EXPECT_EQ(recorder.Count(), 1u);
}

TEST(AssertDialog, LongExpressionOrFileIsCutAndTerminated)
{
    ZNDialogRecorder recorder(false);
    std::string      longText(5000, 'x');
    ZNAssertFailed(longText.c_str(), "file.cpp", 12);
    std::string longFile = "/very/long/" + std::string(4000, 'd') + ".cpp";
    ZNAssertFailed("a == b", longFile.c_str(), 34);
    ASSERT_EQ(recorder.Count(), 2u);
    for (const ZNDialogRecord& box : recorder.Boxes())
    {
        EXPECT_EQ(box.Text.size(), static_cast<size_t>(ZN_ASSERT_TEXT_SIZE - 1));
        const std::string head = "It is detected that the program is in invalid state:\n";
        EXPECT_EQ(box.Text.compare(0, head.size(), head), 0);
    }
    EXPECT_EQ(recorder.Boxes()[0].Text, AssertText(longText, "file.cpp", 12).substr(0, ZN_ASSERT_TEXT_SIZE - 1));
    std::string full = AssertText("a == b", longFile, 34);
    EXPECT_EQ(recorder.Boxes()[1].Text, full.substr(0, ZN_ASSERT_TEXT_SIZE - 1));

    // A smaller buffer is honoured exactly, terminator included.
    char small[16];
    memset(small, '#', sizeof(small));
    ZNFormatAssertText(small, 10, "expr", "f", 1);
    EXPECT_EQ(std::string(small), "It is det");
    EXPECT_EQ(small[10], '#') << "wrote past the given size";
}

TEST(DialogServices, AnswersAndKindsReachTheHandler)
{
    ZNDialogRecorder recorder(true);
    EXPECT_TRUE(ZNAskYesNo("Retry loading?", "Shader"));
    recorder.Answer = false;
    EXPECT_FALSE(ZNAskYesNo("Retry loading?", "Shader"));
    recorder.Answer = true;   // the box was shown
    EXPECT_EQ(ZNInfoBox("Operation not permitted", "Data/x.png"), ZN_BOX_OK);
    std::vector<ZNDialogRecord> boxes = recorder.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Kind, ZNDialog_YesNo);
    EXPECT_EQ(boxes[0].Text, "Retry loading?");
    EXPECT_EQ(boxes[0].Caption, "Shader");
    EXPECT_EQ(boxes[2].Kind, ZNDialog_Info);
    EXPECT_EQ(boxes[2].Caption, "Data/x.png");
}

// ---- the default handler, watched from outside ----------------------------------------

TEST(Allocator, ReallocKeepsBytesBothWays)
{
    UINT8* block = static_cast<UINT8*>(ZNAlloc(64));
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<UINT8>(i * 7 + 1);
    block = static_cast<UINT8*>(ZNRealloc(block, 1 << 20));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(block[i], static_cast<UINT8>(i * 7 + 1)) << "byte " << i;
    block[(1 << 20) - 1] = 0xAB;   // the whole new size is usable
    block                = static_cast<UINT8*>(ZNRealloc(block, 10));
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(block[i], static_cast<UINT8>(i * 7 + 1)) << "byte " << i;
    ZNFree(block);
}

TEST(Allocator, BlocksAreAlignedAndZeroSizeIsValid)
{
    for (size_t size : { 1u, 3u, 5u, 17u, 4096u })
    {
        void* block = ZNAlloc(size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4, 0u) << size;
        ZNFree(block);
    }
    void* empty = ZNAlloc(0);
    EXPECT_NE(empty, nullptr);
    empty = ZNRealloc(empty, 0);
    EXPECT_NE(empty, nullptr);
    ZNFree(empty);
    void* fresh = ZNRealloc(nullptr, 8);   // behaves as an allocation
    EXPECT_NE(fresh, nullptr);
    ZNFree(fresh);
}
