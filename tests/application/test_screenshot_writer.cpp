// Screenshots written off the frame loop: the frame is handed over at once, the
// file appears later, every shot is reported once and in order, and nothing is
// lost at the end.
#include "application/ZNScreenshotWriter.h"

#include "common/ZNTestFiles.h"
#include "files/ZNFileIO.h"
#include "ui/ZNConsole.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace
{
// Noise compresses slowly at any level: big enough that writing takes a while.
void Noise(ZNImage& image, UINT32 side, UINT32 seed)
{
    image.Resize(side, side, 1, 1);
    UINT32 x = seed * 2654435761u + 1;
    for (UINT32 i = 0; i < side * side; ++i)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image.Pixels[i] = x | 0xFF000000u;
    }
}

std::vector<std::string> Lines(const ZNConsole& c)
{
    std::vector<std::string> out;
    for (UINT32 i = 0; i < c.History.Size(); ++i)
        out.push_back(c.History[i].Text.CStr());
    return out;
}
}   // namespace

TEST(ScreenshotWriter, TheFrameGoesOnWhileTheFileIsWritten)
{
    ZNScratchDir data(ZNScratchDir::DataPath);
    ZNConsole    console;
    ZNImage      big, small, keep;
    Noise(big, 1024, 1);
    Noise(small, 8, 2);
    keep = big;
    {
        ZNScreenshotWriter writer;
        writer.Start(big, ZNString("big.png"), ZNString("shots/big.png"));
        // Start hands the pixels over and returns before the file is there.
        EXPECT_EQ(big.Width, 0u);
        EXPECT_EQ(big.Pixels.Size(), 0u);
        EXPECT_FALSE(FileExists("big.png")) << "written on the frame loop";
        writer.Start(small, ZNString("small.png"), ZNString("small.png"));
        writer.Start(keep, ZNString("missing/x.png"), ZNString("missing/x.png"), 7);
        EXPECT_EQ(writer.Pending(), 3u);

        UINT32 failedTag = 0;
        EXPECT_EQ(writer.Finish(console, &failedTag), 1u);
        EXPECT_EQ(failedTag, 7u);
        EXPECT_EQ(writer.Pending(), 0u);
        EXPECT_EQ(writer.Report(console), 0u) << "each shot is reported once";
    }
    EXPECT_EQ(Lines(console),
              (std::vector<std::string>{ "screenshot: shots/big.png (1024 x 1024)", "screenshot: small.png (8 x 8)",
                                         "screenshot: could not write 'missing/x.png'" }));
    EXPECT_EQ(console.Failures, 1u);

    // What was written is the frame, pixel for pixel.
    ZNImage back, expected;
    Noise(expected, 1024, 1);
    ASSERT_TRUE(LoadImageFile("big.png", back));
    ASSERT_EQ(back.Width, 1024u);
    EXPECT_EQ(memcmp(back.GetData(), expected.GetData(), (size_t)1024 * 1024 * 4), 0);
}

// A writer that goes away with shots still being written waits for them.
TEST(ScreenshotWriter, NothingIsLostAtTheEnd)
{
    ZNScratchDir data(ZNScratchDir::DataPath);
    {
        ZNScreenshotWriter writer;
        ZNImage            frame;
        Noise(frame, 512, 3);
        writer.Start(frame, ZNString("last.png"), ZNString("last.png"));
    }
    ZNImage back;
    ASSERT_TRUE(LoadImageFile("last.png", back));
    EXPECT_EQ(back.Width, 512u);
}
