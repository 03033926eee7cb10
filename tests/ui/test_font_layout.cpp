// Text layout, measuring and batching, observed through a batch sink (no GL).
#include "common/ZNTestDialogs.h"
#include "ui/ZNFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

// One drawn batch.
struct Batch
{
    ZNTexture*              Texture;
    std::vector<ZNUIVertex> Vertices;
};

class RecordingSink : public ZNFontSink
{
public:
    std::vector<Batch> Batches;
    void               DrawBatch(ZNTexture* texture, const ZNUIVertex* vertices, UINT32 vertexCount) override
    {
        Batches.push_back(Batch{ texture, std::vector<ZNUIVertex>(vertices, vertices + vertexCount) });
    }
    // Top-left corner of every visible quad, in drawing order (the space's
    // glyph has an empty rectangle: its quad covers nothing).
    std::vector<std::pair<float, float>> Corners() const
    {
        std::vector<std::pair<float, float>> out;
        for (const Batch& b : Batches)
            for (size_t i = 0; i + 5 < b.Vertices.size(); i += 6)
                if (b.Vertices[i + 2].x > b.Vertices[i].x)
                    out.push_back({ b.Vertices[i].x, b.Vertices[i].y });
        return out;
    }
    size_t QuadCount() const { return Corners().size(); }
};

// A font with 10-texel lines: lower-case letters are 8 x 10 quads one texel
// right of the pen with a 10-texel advance; capitals live on page 1; the
// space only advances. At size 10 every character is 10 pixels wide.
const char* const GridFont = "common lineHeight=10 base=8 scaleW=100 scaleH=100 pages=2\n"
                             "page id=0 file=\"g0.png\"\n"
                             "page id=1 file=\"g1.png\"\n"
                             "char id=32 x=0 y=0 width=0 height=0 xoffset=0 yoffset=0 xadvance=10 page=0\n";

class FontLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string text = GridFont;
        for (char c = 'a'; c <= 'z'; ++c)
            text += "char id=" + std::to_string((int)c) + " x=" + std::to_string((c - 'a') * 3) +
                    " y=0 width=8 height=10 xoffset=1 yoffset=0 xadvance=10 page=0\n";
        for (char c = 'A'; c <= 'Z'; ++c)
            text += "char id=" + std::to_string((int)c) + " x=" + std::to_string((c - 'A') * 3) +
                    " y=20 width=8 height=10 xoffset=1 yoffset=0 xadvance=10 page=1\n";
        ::testing::internal::CaptureStdout();
        const bool        ok  = font.Parse(text.c_str(), "Grid.fnt");
        const std::string out = ::testing::internal::GetCapturedStdout();
        ASSERT_TRUE(ok) << out;
        // Stand-in page textures (never given to GL: the sink receives the
        // batches), so page changes are visible as different textures.
        pageHandles[0].Attach(&pageTex[0]);
        pageHandles[1].Attach(&pageTex[1]);
        font.Pages[0] = pageHandles[0];
        font.Pages[1] = pageHandles[1];
        font.Sink     = &sink;
    }
    void TearDown() override
    {
        font.Destroy();
        // The stand-ins are not real textures: drop the last references
        // without destroying anything.
        for (ZNTextureHandle& h : pageHandles)
        {
            EXPECT_EQ(h->RefCount.load(), 1u);
            h.Detach();
        }
    }

    std::vector<std::pair<float, float>> Rect(const char* text, UINT32 flags, float x0, float y0, float x1, float y1,
                                              INT32* result = nullptr)
    {
        sink.Batches.clear();
        const INT32 r = font.DrawTextInRect(text, 0, colour, flags, ZNVec4(x0, y0, x1, y1), 10.0f);
        if (result)
            *result = r;
        return sink.Corners();
    }

    ZNTexture        pageTex[2];
    ZNTextureHandle  pageHandles[2];
    ZNFont           font;
    RecordingSink    sink;
    ZNVec4           colour{ 0.25f, 0.5f, 0.75f, 1.0f };
    ZNDialogRecorder dialogs;
};

typedef std::vector<std::pair<float, float>> Corners;

TEST_F(FontLayoutTest, QuadGeometryTextureAndColour)
{
    font.DrawText("b", 0, colour, 100.0f, 50.0f, 20.0f);
    ASSERT_EQ(sink.Batches.size(), 1u);
    const Batch& b = sink.Batches[0];
    EXPECT_EQ(b.Texture, &pageTex[0]);
    ASSERT_EQ(b.Vertices.size(), 6u);
    // 'b' is at texel x 3..11, y 0..10 of a 100 x 100 page; at size 20 the
    // quad is 16 x 20, 2 pixels right of the pen.
    const float l = 102.0f, r = 118.0f, t = 50.0f, bo = 70.0f;
    const float tl = 0.03f, tr = 0.11f, tt = 0.0f, tb = 0.1f;
    const float expect[6][4] = { { l, t, tl, tt },  { r, t, tr, tt },  { r, bo, tr, tb },
                                 { r, bo, tr, tb }, { l, bo, tl, tb }, { l, t, tl, tt } };
    for (int i = 0; i < 6; ++i)
    {
        const ZNUIVertex& v = b.Vertices[(size_t)i];
        EXPECT_FLOAT_EQ(v.x, expect[i][0]) << i;
        EXPECT_FLOAT_EQ(v.y, expect[i][1]) << i;
        EXPECT_FLOAT_EQ(v.u, expect[i][2]) << i;
        EXPECT_FLOAT_EQ(v.v, expect[i][3]) << i;
        EXPECT_EQ(v.r, colour.x);
        EXPECT_EQ(v.g, colour.y);
        EXPECT_EQ(v.b, colour.z);
        EXPECT_EQ(v.a, colour.w);
    }
    static_assert(sizeof(ZNUIVertex) == 32, "the UI vertex layout is 32 bytes");
    // The batch is emptied and its texture released after the draw.
    EXPECT_EQ(font.BatchVertices.Size(), 0u);
    EXPECT_FALSE(font.BatchTexture);
}

TEST_F(FontLayoutTest, PenMovesSkipsUnknownCharactersAndHandlesLineFeeds)
{
    // \xE9 is above 127 and '#' has no glyph: neither draws nor advances.
    font.DrawText("ab\xE9#c\n\nd e", 0, colour, 5.0f, 7.0f, 10.0f);
    const Corners expected = { { 6, 7 }, { 16, 7 }, { 26, 7 }, { 6, 27 }, { 26, 27 } };
    EXPECT_EQ(sink.Corners(), expected);

    // An explicit length stops early; it never reads past the terminator.
    sink.Batches.clear();
    font.DrawText("abcdef", 2, colour, 0.0f, 0.0f, 10.0f);
    EXPECT_EQ(sink.QuadCount(), 2u);
    sink.Batches.clear();
    font.DrawText("ab", 50, colour, 0.0f, 0.0f, 10.0f);
    EXPECT_EQ(sink.QuadCount(), 2u);
}

TEST_F(FontLayoutTest, OneDrawPerRunOfGlyphsOnTheSamePage)
{
    font.DrawText("abCDe", 0, colour, 0.0f, 0.0f, 10.0f);
    ASSERT_EQ(sink.Batches.size(), 3u);
    EXPECT_EQ(sink.Batches[0].Texture, &pageTex[0]);
    EXPECT_EQ(sink.Batches[0].Vertices.size(), 12u);
    EXPECT_EQ(sink.Batches[1].Texture, &pageTex[1]);
    EXPECT_EQ(sink.Batches[1].Vertices.size(), 12u);
    EXPECT_EQ(sink.Batches[2].Texture, &pageTex[0]);
    EXPECT_EQ(sink.Batches[2].Vertices.size(), 6u);
    // Every reference the batches took has been given back.
    EXPECT_EQ(pageTex[0].RefCount.load(), 2u);   // the stand-in handle and Pages[0]
    EXPECT_EQ(pageTex[1].RefCount.load(), 2u);
    EXPECT_FALSE(font.BatchTexture);
}

TEST_F(FontLayoutTest, GlyphOnAPageBeyondTheCountIsReported)
{
    ZNGlyph broken = font.FindGlyph('a')[0];
    broken.Page    = 5;
    font.Glyphs.Insert((UINT32)'~', broken);
    font.DrawText("~a", 0, colour, 0.0f, 0.0f, 10.0f);
    EXPECT_EQ(dialogs.Asserts("at >= count"), 1u) << dialogs.Summary();
    EXPECT_EQ(sink.QuadCount(), 1u);
}

TEST_F(FontLayoutTest, TextWidthAndAdvance)
{
    EXPECT_FLOAT_EQ(font.TextWidth(10.0f, "ab cd", 0, 100), 50.0f);
    EXPECT_FLOAT_EQ(font.TextWidth(10.0f, "ab cd", 1, 2), 20.0f);
    EXPECT_FLOAT_EQ(font.TextWidth(20.0f, "ab\xE9#d", 0, 5), 60.0f);
    EXPECT_FLOAT_EQ(font.TextWidth(10.0f, "abc", 3, 5), 0.0f);
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Summary();

    EXPECT_FLOAT_EQ(font.TextWidth(10.0f, "abc", 4, 5), 0.0f);
    EXPECT_EQ(dialogs.Asserts("beg > tlen"), 1u) << dialogs.Summary();

    EXPECT_FLOAT_EQ(font.CharAdvance(7.0f, 'q'), 7.0f);
    EXPECT_FLOAT_EQ(font.CharAdvance(7.0f, (char)0xC1), 0.0f);
    EXPECT_EQ(font.LineCount("a\nb\nc", 10.0f, 5.0f), 3u) << "a line narrower than a character takes one";
}

TEST_F(FontLayoutTest, RectangleLowerThanALine)
{
    INT32 r = -5;
    EXPECT_TRUE(Rect("ab", ZN_TEXT_WORDWRAP, 0, 0, 100, 9, &r).empty());
    EXPECT_EQ(r, 0);
    EXPECT_EQ(Rect("ab", 0, 0, 0, 100, 9, &r), (Corners{ { 1, 0 }, { 11, 0 } }));
    EXPECT_EQ(r, 0);
    // Degenerate sizes never divide into a huge line count.
    EXPECT_TRUE(Rect("ab", ZN_TEXT_WORDWRAP, 0, 0, 100, -50, &r).empty());
}

TEST_F(FontLayoutTest, WordWrapMovesWholeWordsAndDropsTheBreakingSpace)
{
    // 45 pixels hold four characters. The space after "aaaa" breaks and is
    // dropped; "bbbb" then starts its own line without an empty line between.
    const Corners c        = Rect("aaaa bbbb cc", ZN_TEXT_WORDWRAP, 0, 0, 45, 100);
    const Corners expected = { { 1, 0 },   { 11, 0 },  { 21, 0 },  { 31, 0 }, { 1, 10 },
                               { 11, 10 }, { 21, 10 }, { 31, 10 }, { 1, 20 }, { 11, 20 } };
    EXPECT_EQ(c, expected);

    // Words that fit share a line.
    EXPECT_EQ(Rect("ab cd ef", ZN_TEXT_WORDWRAP, 0, 0, 55, 100),
              (Corners{ { 1, 0 }, { 11, 0 }, { 31, 0 }, { 41, 0 }, { 1, 10 }, { 11, 10 } }));
}

TEST_F(FontLayoutTest, WithoutWordWrapALineOverflowsByOneWord)
{
    // A line ends only once its finished words are past the edge: "bbbb"
    // starts while placed is 50 (> 45), so the break comes at its first letter.
    const Corners c = Rect("aaaa bbbb cc", 0, 0, 0, 45, 100);
    // Line 1 "aaaa " (the space fits: placed 10), line 2 "bbbb ", line 3 "cc".
    const Corners expected = { { 1, 0 },   { 11, 0 },  { 21, 0 },  { 31, 0 }, { 1, 10 },
                               { 11, 10 }, { 21, 10 }, { 31, 10 }, { 1, 20 }, { 11, 20 } };
    EXPECT_EQ(c, expected);

    // A long word is never split without flag 32: it overflows.
    EXPECT_EQ(Rect("abcdefg", 0, 0, 0, 30, 100).size(), 7u);
    EXPECT_EQ(Rect("abcdefg", ZN_TEXT_WORDWRAP, 0, 0, 30, 100).back(), (std::pair<float, float>(61, 0)));
}

TEST_F(FontLayoutTest, BreakInsideAWord)
{
    EXPECT_EQ(Rect("abcdefgh", ZN_TEXT_BREAKWORD, 0, 0, 35, 100),
              (Corners{ { 1, 0 }, { 11, 0 }, { 21, 0 }, { 1, 10 }, { 11, 10 }, { 21, 10 }, { 1, 20 }, { 11, 20 } }));
    // The split word's tail is the whole width on its line: the next word
    // joins it when it still fits.
    EXPECT_EQ(Rect("abcde f", ZN_TEXT_BREAKWORD | ZN_TEXT_WORDWRAP, 0, 0, 45, 100),
              (Corners{ { 1, 0 }, { 11, 0 }, { 21, 0 }, { 31, 0 }, { 1, 10 }, { 21, 10 } }));
}

TEST_F(FontLayoutTest, LineLimits)
{
    // Single line: the walk stops at the first break.
    EXPECT_EQ(Rect("ab\ncd", ZN_TEXT_SINGLELINE, 0, 0, 100, 100), (Corners{ { 1, 0 }, { 11, 0 } }));
    // Two lines fit in 25 pixels.
    EXPECT_EQ(Rect("a\nb\nc", 0, 0, 0, 100, 25), (Corners{ { 1, 0 }, { 1, 10 } }));
    // A line feed right after another leaves an empty line.
    EXPECT_EQ(Rect("a\n\nb", 0, 0, 0, 100, 100), (Corners{ { 1, 0 }, { 1, 20 } }));
}

TEST_F(FontLayoutTest, Alignment)
{
    // A single word centred both ways in (0, 0, 100, 50): 30 wide, 10 high.
    EXPECT_EQ(Rect("abc", ZN_TEXT_HCENTER | ZN_TEXT_VCENTER, 0, 0, 100, 50),
              (Corners{ { 36, 20 }, { 46, 20 }, { 56, 20 } }));
    // Right and bottom, per line, in an offset rectangle.
    EXPECT_EQ(Rect("ab\nc", ZN_TEXT_RIGHT | ZN_TEXT_BOTTOM, 10, 100, 110, 150),
              (Corners{ { 91, 130 }, { 101, 130 }, { 101, 140 } }));
}

// What LineCount says is what wrapped drawing does: drawn in a rectangle
// exactly LineCount lines high, every visible character of the text lands
// inside the width, the last line drawn is the last counted, and one line
// less would lose characters. (LineCount used to answer 1 for any text, so
// the console cut every long line at the window's edge.)
TEST_F(FontLayoutTest, LineCountIsTheNumberOfLinesWrappedDrawingUses)
{
    const UINT32 flags = ZN_TEXT_WORDWRAP | ZN_TEXT_BREAKWORD;
    UINT32       seed  = 12345;
    auto         next  = [&seed](UINT32 n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int round = 0; round < 300; ++round)
    {
        std::string  text;
        const UINT32 words = 1 + next(12);
        for (UINT32 w = 0; w < words; ++w)
        {
            if (w)
                text += next(8) == 0 ? "\n" : std::string(1 + next(2), ' ');
            const UINT32 len = 1 + next(next(4) == 0 ? 25 : 7);
            for (UINT32 k = 0; k < len; ++k)
                text += (char)((next(3) == 0 ? 'A' : 'a') + next(26));
        }
        const float width = (float)(15 + next(120));
        SCOPED_TRACE(text + " in " + std::to_string(width));
        const UINT32 lines = font.LineCount(text.c_str(), 10.0f, width);
        const size_t visible =
            (size_t)std::count_if(text.begin(), text.end(), [](char c) { return c != ' ' && c != '\n'; });
        ASSERT_GE(lines, 1u);

        const Corners all = Rect(text.c_str(), flags, 0, 0, width, 10.0f * (float)lines);
        EXPECT_EQ(all.size(), visible) << "every character drawn";
        float lowest = 0.0f;
        for (const auto& corner : all)
        {
            EXPECT_LE(corner.first - 1 + 10, width + 0.001f) << "inside the width";
            lowest = std::max(lowest, corner.second);
        }
        EXPECT_EQ(lowest, 10.0f * (float)(lines - 1)) << "the last counted line is drawn on";
        if (lines > 1)
        {
            EXPECT_LT(Rect(text.c_str(), flags, 0, 0, width, 10.0f * (float)(lines - 1)).size(), visible);
        }
    }
    // Without a width (or glyphs) only line feeds count.
    EXPECT_EQ(font.LineCount("abc def\nghi", 10.0f, 0.0f), 2u);
    EXPECT_EQ(font.LineCount("", 10.0f, 50.0f), 1u);
}

}   // namespace
