// Font file parsing and the shipped debug font (no GL needed).
#include "ui/ZNFont.h"

#include "common/ZNTestDialogs.h"

#include "files/ZNFileIO.h"
#include "resources/ZNImage.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class FontParseTest : public ::testing::Test
{
protected:
    // Parses and returns what the parser printed.
    std::string ParseCapture(ZNFont& font, const char* text, const char* path, bool* result = nullptr)
    {
        ::testing::internal::CaptureStdout();
        bool ok = font.Parse(text, path);
        if (result)
            *result = ok;
        return ::testing::internal::GetCapturedStdout();
    }

    ZNDialogRecorder dialogs;
};

const char* const GoodFont = "info face=\"Test\" size=32 padding=0,0,0,0\n"
                             "common lineHeight=32 base=26 scaleW=256 scaleH=128 pages=2 packed=0\n"
                             "page id=0 file=\"Test_0.png\"\n"
                             "page id=1 file=\"Test_1.png\"\n"
                             "chars count=3\n"
                             "char id=65 x=16 y=32 width=20 height=24 xoffset=-2 yoffset=4 xadvance=18 page=0 chnl=15\n"
                             "char id=66   x=0 y=0 width=8 height=8 xoffset=0 yoffset=0 xadvance=16 page=1 chnl=15\n"
                             "char id=32 x=0 y=0 width=0 height=0 xoffset=0 yoffset=0 xadvance=8 page=0 chnl=15\n"
                             "kerning first=65 second=66 amount=-1\n";

TEST_F(FontParseTest, MetricsAreDividedByLineHeightAndPagesSitBesideTheFile)
{
    ZNFont      font;
    bool        ok  = false;
    std::string out = ParseCapture(font, GoodFont, "Fonts/Sub\\Test.fnt", &ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, "");
    EXPECT_EQ(font.Glyphs.Size(), 3u);
    ASSERT_EQ(font.Pages.Size(), 2u);
    ASSERT_EQ(font.PageFiles.Size(), 2u);
    // The directory reaches up to the last separator of either kind.
    EXPECT_STREQ(font.PageFiles[0].CStr(), "Fonts/Sub\\Test_0.png");
    EXPECT_STREQ(font.PageFiles[1].CStr(), "Fonts/Sub\\Test_1.png");
    EXPECT_FLOAT_EQ(font.LineHeight, 32.0f);
    EXPECT_FLOAT_EQ(font.Base, 26.0f);

    const ZNGlyph* a = font.FindGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(a->TexLeft, 16.0f / 256.0f);
    EXPECT_FLOAT_EQ(a->TexTop, 32.0f / 128.0f);
    EXPECT_FLOAT_EQ(a->TexRight, 36.0f / 256.0f);
    EXPECT_FLOAT_EQ(a->TexBottom, 56.0f / 128.0f);
    EXPECT_FLOAT_EQ(a->XOffset, -2.0f / 32.0f);
    EXPECT_FLOAT_EQ(a->YOffset, 4.0f / 32.0f);
    EXPECT_FLOAT_EQ(a->Width, 20.0f / 32.0f);
    EXPECT_FLOAT_EQ(a->Height, 24.0f / 32.0f);
    EXPECT_FLOAT_EQ(a->XAdvance, 18.0f / 32.0f);
    EXPECT_EQ(a->Page, 0u);
    ASSERT_NE(font.FindGlyph('B'), nullptr);
    EXPECT_EQ(font.FindGlyph('B')->Page, 1u);
    EXPECT_EQ(font.FindGlyph('C'), nullptr);

    // Size multiplies the normalised metrics back.
    EXPECT_FLOAT_EQ(font.CharAdvance(64.0f, 'A'), 36.0f);
    EXPECT_FLOAT_EQ(font.CharAdvance(64.0f, 'Z'), 0.0f);
}

TEST_F(FontParseTest, RecordsInAnyOrderWithCarriageReturnsAndUnknownKeys)
{
    ZNFont      font;
    bool        ok = false;
    // Glyphs before "common", CR LF endings, and a key the record does not
    // know: the rest of that line (including a later xadvance) is ignored.
    std::string out = ParseCapture(font,
                                   "char id=97 x=4 y=0 width=4 height=4 xadvance=10 page=0\r\n"
                                   "char id=98 x=0 y=0 width=4 height=4 extra=1 xadvance=99\r\n"
                                   "\r\n"
                                   "   \r\n"
                                   "common lineHeight=10 base=8 scaleW=16 scaleH=16 pages=1\r\n"
                                   "page id=0 file=\"p.png\"\r\n",
                                   "f.fnt", &ok);
    ASSERT_TRUE(ok) << out;
    ASSERT_NE(font.FindGlyph('a'), nullptr);
    EXPECT_FLOAT_EQ(font.FindGlyph('a')->XAdvance, 1.0f);
    EXPECT_FLOAT_EQ(font.FindGlyph('a')->TexLeft, 0.25f);
    ASSERT_NE(font.FindGlyph('b'), nullptr);
    EXPECT_FLOAT_EQ(font.FindGlyph('b')->XAdvance, 0.0f);
    EXPECT_STREQ(font.PageFiles[0].CStr(), "p.png");
}

TEST_F(FontParseTest, FileWithoutUsableCommonLeavesTheFontEmpty)
{
    struct Case
    {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { "char id=65 x=0 y=0 width=1 height=1 xadvance=1 page=0\n", "no \"common\" record" },
        { "common lineHeight=0 base=0 scaleW=16 scaleH=16 pages=1\n", "must be positive" },
        { "common lineHeight=10 base=0 scaleW=16 scaleH=0 pages=1\n", "must be positive" },
        { "common lineHeight=10 base=0 scaleW=16 scaleH=16 pages=100000\n", "out of range" },
        { "common lineHeight=10 base=0 scaleW=16 scaleH=16 pages=-1\n", "out of range" },
        { "info x=1\ncommon lineHeight=ten\n", "line 2: \"lineHeight\" needs a whole number" },
        { "common lineHeight 10\n", "line 1: '=' expected after \"lineHeight\"" },
        { "", "no \"common\" record" },
    };
    for (const Case& c : cases)
    {
        ZNFont font;
        // A previous good parse must not survive a failed one.
        ASSERT_TRUE(font.Parse(GoodFont, "g.fnt"));
        bool        ok  = true;
        std::string out = ParseCapture(font, c.text, "Broken.fnt", &ok);
        EXPECT_FALSE(ok) << c.text;
        EXPECT_FALSE(font.HasGlyphs()) << c.text;
        EXPECT_EQ(font.Pages.Size(), 0u) << c.text;
        EXPECT_NE(out.find("Broken.fnt"), std::string::npos) << out;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.text << " -> " << out;
        EXPECT_EQ(font.DrawTextInRect("abc", 0, ZNVec4(1, 1, 1, 1), 0, ZNVec4(0, 0, 100, 100), 10.0f), -1);
    }
}

TEST_F(FontParseTest, BadRecordsAreDroppedAndNamedByLine)
{
    ZNFont      font;
    bool        ok  = false;
    std::string out = ParseCapture(font,
                                   "common lineHeight=10 base=8 scaleW=64 scaleH=64 pages=2\n"   // 1
                                   "page id=0 file=\"ok.png\"\n"                                 // 2
                                   "page id=3 file=\"far.png\"\n"                                // 3
                                   "page id=0 file=noquotes.png\n"                               // 4
                                   "char id=-5 x=0 y=0 width=1 height=1 xadvance=1 page=0\n"     // 5
                                   "char id=4294967296 x=0 y=0 width=1 height=1 page=0\n"        // 6
                                   "char id=65 x=0 y=0 width=1 height=1 xadvance=1 page=2\n"     // 7
                                   "char id=66 x=0 y=0 width=-4 height=1 xadvance=1 page=0\n"    // 8
                                   "char id=67 x=zz y=0 width=1 height=1 xadvance=1 page=0\n"    // 9
                                   "char x=0 y=0 width=1 height=1 xadvance=1 page=0\n"           // 10
                                   "char id=68 x=0 y=0 width=1 height=1 xadvance=1 page=0\n"     // 11
                                   "char id=68 x=0 y=0 width=1 height=1 xadvance=7 page=0\n"     // 12
                                   "char id=69 x=0 y=0 width=1 height=1 xadvance=1 page=1\n",    // 13
                                   "Bad.fnt", &ok);
    EXPECT_TRUE(ok);
    // Only the first D survives, and E, whose page no record names (it
    // draws without a texture).
    EXPECT_EQ(font.Glyphs.Size(), 2u);
    EXPECT_NE(font.FindGlyph('E'), nullptr);
    EXPECT_TRUE(font.PageFiles[1].Empty());
    ASSERT_NE(font.FindGlyph('D'), nullptr);
    EXPECT_FLOAT_EQ(font.FindGlyph('D')->XAdvance, 0.1f);
    EXPECT_STREQ(font.PageFiles[0].CStr(), "ok.png");
    const char* expected[] = {
        "Bad.fnt, line 3: page 3 is beyond the page count 2",
        "Bad.fnt, line 4: the page file name must be in double quotes",
        "Bad.fnt, line 5: glyph code -5 is missing or out of range",
        "Bad.fnt, line 6: glyph code 2147483647 is missing or out of range",
        "Bad.fnt, line 7: glyph 65 uses page 2 of 2",
        "Bad.fnt, line 8: glyph 66 has a negative rectangle",
        "Bad.fnt, line 9: \"x\" needs a whole number",
        "Bad.fnt, line 10: glyph code -1 is missing or out of range",
        "Bad.fnt, line 12: glyph 68 is defined twice",
        "Bad.fnt, line 13: glyph 69 uses page 1, which no page record names",
    };
    for (const char* e : expected)
        EXPECT_NE(out.find(e), std::string::npos) << e << "\n" << out;
}

TEST_F(FontParseTest, MissingFileLeavesFontEmptyAndDrawsNothing)
{
    ZNFont font;
    ASSERT_TRUE(font.Parse(GoodFont, "g.fnt"));
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(font.Load("/nonexistent/dir/NoSuchFont.fnt"));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("/nonexistent/dir/NoSuchFont.fnt"), std::string::npos) << out;
    EXPECT_FALSE(font.HasGlyphs());
    EXPECT_EQ(font.DrawTextInRect("abc", 0, ZNVec4(1, 1, 1, 1), 64, ZNVec4(0, 0, 100, 100), 10.0f), -1);
    font.DrawText("abc", 0, ZNVec4(1, 1, 1, 1), 0.0f, 0.0f, 10.0f);   // no GL context: must not draw
    EXPECT_EQ(font.BatchVertices.Size(), 0u);
    EXPECT_EQ(dialogs.Count(), 0u) << dialogs.Summary();
}

TEST_F(FontParseTest, ShippedDebugFontCoversPrintableAsciiOnItsPage)
{
    const std::string path = std::string(ZN_TEST_SOURCE_DIR) + "/ZNEngine/data/Engine/DebugFont.fnt";
    ZNString          text;
    ASSERT_TRUE(ReadTextFile(path.c_str(), text));
    ZNFont      font;
    bool        ok  = false;
    std::string out = ParseCapture(font, text.CStr(), path.c_str(), &ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, "");
    ASSERT_EQ(font.Pages.Size(), 1u);
    const std::string pagePath = std::string(ZN_TEST_SOURCE_DIR) + "/ZNEngine/data/Engine/DebugFont_0.png";
    EXPECT_EQ(std::string(font.PageFiles[0].CStr()), pagePath);

    ZNImage page;
    ASSERT_TRUE(LoadImageFile(pagePath.c_str(), page));
    EXPECT_EQ((float)page.Width, font.ScaleW);
    EXPECT_EQ((float)page.Height, font.ScaleH);

    // Every printable character has a glyph whose rectangle lies on the page,
    // holds opaque pixels (except the space) and is surrounded by a
    // transparent gap, so filtering never bleeds a neighbour in.
    for (int code = 32; code <= 126; ++code)
    {
        const ZNGlyph* g = font.FindGlyph((char)code);
        ASSERT_NE(g, nullptr) << code;
        EXPECT_GT(g->XAdvance, 0.0f) << code;
        const int x0 = (int)(g->TexLeft * font.ScaleW + 0.5f), x1 = (int)(g->TexRight * font.ScaleW + 0.5f);
        const int y0 = (int)(g->TexTop * font.ScaleH + 0.5f), y1 = (int)(g->TexBottom * font.ScaleH + 0.5f);
        ASSERT_LE(x1, (int)page.Width) << code;
        ASSERT_LE(y1, (int)page.Height) << code;
        int opaque = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                opaque += (page.Pixel((UINT32)x, (UINT32)y) >> 24) == 0xFF;
        if (code == ' ')
            EXPECT_EQ(x1 - x0, 0);
        else
            EXPECT_GT(opaque, 0) << code;
        if (code == ' ')
            continue;
        for (int y = y0 - 1; y <= y1; ++y)
            for (int x = x0 - 1; x <= x1; ++x)
            {
                if (y >= y0 && y < y1 && x >= x0 && x < x1)
                    continue;
                if (x < 0 || y < 0 || x >= (int)page.Width || y >= (int)page.Height)
                    continue;
                EXPECT_EQ(page.Pixel((UINT32)x, (UINT32)y) >> 24, 0u) << "gap of " << code << " at " << x << "," << y;
            }
        // White everywhere: colour comes from the vertex colour alone.
        EXPECT_EQ(page.Pixel((UINT32)x0, (UINT32)y0) & 0xFFFFFFu, 0xFFFFFFu) << code;
    }
    EXPECT_EQ(font.FindGlyph((char)127), nullptr);
}

}   // namespace
