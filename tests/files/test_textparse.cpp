// The text toolkit: values, fallbacks, the error flag and where each read
// leaves the position.
#include "files/ZNTextParse.h"

#include <gtest/gtest.h>

namespace
{
std::string S(const ZNString& s)
{
    return std::string(s.CStr(), s.Size());
}
}

TEST(TextParse, CharacterClassesAreAsciiOnly)
{
    // '_' and '-' are punctuation, yet '_' joins identifiers and '-' starts numbers.
    EXPECT_TRUE(ZNIsInClass('_', ZNCC_Ident) && ZNIsInClass('_', ZNCC_Punct) && !ZNIsInClass('_', ZNCC_Alnum));
    EXPECT_TRUE(ZNIsInClass('-', ZNCC_NumberStart) && !ZNIsInClass('+', ZNCC_NumberStart));
    EXPECT_TRUE(ZNIsInClass('\r', ZNCC_White) && !ZNIsInClass('\n', ZNCC_Blank) && !ZNIsInClass(' ', ZNCC_Graphic));
    EXPECT_EQ(ZNCharClassOf('\x7f') | ZNCharClassOf('\x01') | ZNCharClassOf((char)0xE9), 0u);
}

TEST(TextParse, ReadTokenSkipsThenTakesARunAndStopsOnStrangers)
{
    ZNTextCursor c("  \tname_1 = 5");
    EXPECT_EQ(S(ReadToken(c, ZNCC_Ident, ZNCC_Blank)), "name_1");
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(c.Pos, 9);
    // '=' is in neither class: fail, position left on it.
    EXPECT_EQ(S(ReadToken(c, ZNCC_Ident, ZNCC_Blank)), "");
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(c.Pos, 10);
    EXPECT_TRUE(ExpectChar(c, '='));
    EXPECT_EQ(GParseError, 0u);
    EXPECT_FALSE(ExpectChar(c, '='));
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(c.Pos, 11);
    SkipWhile(c, ZNCC_White);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(c.Pos, 12);
    EXPECT_EQ(S(ReadToken(c, ZNCC_Digit, ZNCC_Blank)), "5");
    // The end of text fails.
    EXPECT_EQ(S(ReadToken(c, ZNCC_Digit, ZNCC_Blank)), "");
    EXPECT_EQ(GParseError, 1u);
    EXPECT_FALSE(ExpectChar(c, 'x'));
}

TEST(TextParse, ParseIntReadsDecimalsAndFallsBack)
{
    ZNTextCursor c("  -12 x");
    EXPECT_EQ(ParseInt(c), -12);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(c.Pos, 5);
    EXPECT_EQ(ParseInt(c), 2147483647);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(c.Pos, 6);

    ZNTextCursor x("x1");
    EXPECT_EQ(ParseInt(x), 2147483647);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(x.Pos, 0);

    // Blanks are skipped but a line break is not.
    ZNTextCursor nl("\n5");
    EXPECT_EQ(ParseInt(nl), 2147483647);
    EXPECT_EQ(GParseError, 1u);

    // Huge values are clamped rather than wrapping round.
    ZNTextCursor big("99999999999 -99999999999 2147483647");
    EXPECT_EQ(ParseInt(big), 2147483647);
    EXPECT_EQ(ParseInt(big), (INT32)0x80000000);
    EXPECT_EQ(ParseInt(big), 2147483647);
    EXPECT_EQ(GParseError, 0u);
}

TEST(TextParse, ParseFloatStrictAndLoose)
{
    ZNTextCursor c("  1.5 -2e1\t.25\n");
    EXPECT_FLOAT_EQ(ParseFloat(c, true), 1.5f);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(c.Pos, 5);   // left on the space that ended it
    EXPECT_FLOAT_EQ(ParseFloat(c, true), -20.0f);
    EXPECT_FLOAT_EQ(ParseFloat(c, true), 0.25f);
    EXPECT_EQ(c.Pos, 14);
    // Only white space up to the end: fail.
    EXPECT_EQ(ParseFloat(c, true), 3.4028235e38f);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(c.Pos, 15);

    // The number reaching the end of the text is fine.
    ZNTextCursor end("42");
    EXPECT_FLOAT_EQ(ParseFloat(end, true), 42.0f);
    EXPECT_EQ(GParseError, 0u);

    ZNTextCursor semi("1.5;2");
    EXPECT_EQ(ParseFloat(semi, true), 3.4028235e38f);
    EXPECT_EQ(GParseError, 1u);
    semi.Pos = 0;
    EXPECT_FLOAT_EQ(ParseFloat(semi, false), 1.5f);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(semi.Pos, 3);
    EXPECT_TRUE(ExpectChar(semi, ';'));
    EXPECT_FLOAT_EQ(ParseFloat(semi, false), 2.0f);

    // Loose mode with nothing collected reads 0 and stays put.
    ZNTextCursor word("abc");
    EXPECT_EQ(ParseFloat(word, false), 0.0f);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(word.Pos, 0);

    ZNTextCursor past("1");
    past.Pos = 2;
    EXPECT_EQ(ParseFloat(past, false), 3.4028235e38f);
    EXPECT_EQ(GParseError, 1u);
}

TEST(TextParse, VectorsAndColours)
{
    ZNTextCursor c("1;2;3 rest");
    ZNFloat3     v = ParseVec3(c);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 3.0f);
    EXPECT_EQ(c.Pos, 5);

    ZNTextCursor spaced("1 ;2;3");
    v = ParseVec3(spaced);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);

    // Space after a separator is allowed.
    ZNTextCursor after("0.5; -1");
    ZNFloat2     v2 = ParseVec2(after);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(v2.x, 0.5f);
    EXPECT_EQ(v2.y, -1.0f);

    ZNTextCursor shortColour("1;0.5;0.25");
    ZNFloat4     col = ParseColor(shortColour);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(col.x, 0.0f);
    EXPECT_EQ(col.w, 1.0f);

    ZNTextCursor colour("1;0.5;0.25;0.75");
    col = ParseColor(colour);
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(col.y, 0.5f);
    EXPECT_EQ(col.w, 0.75f);

    ZNTextCursor bad4("1;2;x;4");
    ZNFloat4     v4 = ParseVec4(bad4);
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(v4.x, 0.0f);
    EXPECT_EQ(v4.w, 0.0f);
}

TEST(TextParse, QuotedStringsKeepEscapesAndCrossLines)
{
    ZNTextCursor c("name \"a \\\"b\\\" c\" tail");
    EXPECT_EQ(S(ParseQuotedString(c)), "a \\\"b\\\" c");
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(c.Pos, 16);

    ZNTextCursor lines("\n\n  \"first\nsecond\"");
    EXPECT_EQ(S(ParseQuotedString(lines)), "first\nsecond");
    EXPECT_EQ(lines.Pos, (INT32)lines.Text.Size());

    ZNTextCursor empty("\"\"x");
    EXPECT_EQ(S(ParseQuotedString(empty)), "");
    EXPECT_EQ(GParseError, 0u);
    EXPECT_EQ(empty.Pos, 2);

    ZNTextCursor single("only \" one");
    EXPECT_EQ(S(ParseQuotedString(single)), "");
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(single.Pos, (INT32)single.Text.Size());

    ZNTextCursor none("no quotes");
    EXPECT_EQ(S(ParseQuotedString(none)), "");
    EXPECT_EQ(GParseError, 1u);
}

TEST(TextParse, Booleans)
{
    ZNTextCursor c("  TRUE\n false maybe 1");
    EXPECT_TRUE(ParseBool(c));
    EXPECT_EQ(GParseError, 0u);
    EXPECT_FALSE(ParseBool(c));
    EXPECT_EQ(GParseError, 0u);
    EXPECT_FALSE(ParseBool(c));
    EXPECT_EQ(GParseError, 0u);
    EXPECT_FALSE(ParseBool(c));
    EXPECT_EQ(GParseError, 1u);

    ZNTextCursor t("True");
    EXPECT_TRUE(ParseBool(t));
    ZNTextCursor longer("trueish");
    EXPECT_FALSE(ParseBool(longer));
}

TEST(TextParse, LinesForwardAndBack)
{
    ZNTextCursor c("ab\ncd\n\nef");
    EXPECT_TRUE(SkipLine(c));
    EXPECT_EQ(c.Pos, 3);
    EXPECT_TRUE(SkipLine(c));
    EXPECT_EQ(c.Pos, 6);
    EXPECT_TRUE(SkipLine(c));
    EXPECT_EQ(c.Pos, 7);
    EXPECT_FALSE(SkipLine(c));
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(c.Pos, 9);

    EXPECT_TRUE(BackLine(c));
    EXPECT_EQ(c.Pos, 6);
    EXPECT_TRUE(BackLine(c));
    EXPECT_EQ(c.Pos, 5);
    EXPECT_TRUE(BackLine(c));
    EXPECT_EQ(c.Pos, 2);
    EXPECT_FALSE(BackLine(c));
    EXPECT_EQ(c.Pos, 0);
    // Back then forward returns to the start of the following line.
    c.Pos = 4;
    BackLine(c);
    SkipLine(c);
    EXPECT_EQ(c.Pos, 3);
}

TEST(TextParse, RestOfLineIsBlankAndFindLastOf)
{
    ZNTextCursor c("x \t \ny");
    c.Pos = 1;
    EXPECT_TRUE(RestOfLineIsBlank(c));
    EXPECT_EQ(c.Pos, 1);
    c.Pos = 0;
    EXPECT_FALSE(RestOfLineIsBlank(c));
    c.Pos = 6;
    EXPECT_TRUE(RestOfLineIsBlank(c));

    ZNString path("a/b\\c/d");
    EXPECT_EQ(FindLastOf(path, "/\\", path.Size()), 5u);
    EXPECT_EQ(FindLastOf(path, "/\\", 5), 3u);
    EXPECT_EQ(FindLastOf(path, "/\\", 1), 0xFFFFFFFFu);
    EXPECT_EQ(FindLastOf(path, "q", 100), 0xFFFFFFFFu);
    EXPECT_EQ(FindLastOf(path, "d", 100), 6u);
}

TEST(TextParse, PositionsOutsideTheTextNeverReadOutside)
{
    ZNTextCursor c("abc");
    c.Pos = -5;
    EXPECT_EQ(S(ReadToken(c, ZNCC_Letter, ZNCC_Blank)), "");
    EXPECT_EQ(GParseError, 1u);
    EXPECT_EQ(ParseFloat(c, false), 3.4028235e38f);
    c.Pos = 1000;
    EXPECT_EQ(ParseInt(c), 2147483647);
    EXPECT_FALSE(ExpectChar(c, 'a'));
    EXPECT_TRUE(RestOfLineIsBlank(c));
    EXPECT_TRUE(BackLine(c) == false && c.Pos == 0);
}

// The extreme positions a caller can set: every reader fails or succeeds at
// once, without arithmetic that overflows (the sanitizer build would stop on
// it) and without scanning the 2^31 positions between INT32_MAX and the text.
TEST(TextParse, ExtremePositionsFailAtOnce)
{
    const INT32 extremes[] = { INT32_MIN, INT32_MIN + 1, -1, INT32_MAX - 1, INT32_MAX };
    for (INT32 pos : extremes)
    {
        SCOPED_TRACE(pos);
        ZNTextCursor c("\"a\" 1.5 \"b\"\n", pos);
        EXPECT_EQ(ParseFloat(c, false), 3.4028235e38f);
        EXPECT_EQ(GParseError, 1u);
        c.Pos = pos;
        EXPECT_EQ(ParseFloat(c, true), 3.4028235e38f);
        c.Pos            = pos;
        const ZNString q = ParseQuotedString(c);
        if (pos < 0)
        {
            // A negative position reads from the start.
            EXPECT_EQ(S(q), "a");
            EXPECT_EQ(c.Pos, 3);
        }
        else
        {
            EXPECT_EQ(S(q), "");
            EXPECT_EQ(GParseError, 1u);
            EXPECT_EQ(c.Pos, 12);
        }
        c.Pos = pos;
        ParseVec3(c);
        EXPECT_EQ(GParseError, 1u);
        c.Pos = pos;
        SkipLine(c);
        EXPECT_TRUE(c.Pos >= 0 && c.Pos <= 12);
    }
}
