// Character classes, string helpers, parsers and byte swapping, 8- and 16-bit.
#include "core/ZNStringUtil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{

TEST(TemplateStringUtil, ClassesAreAsciiOnly)
{
    // The neighbours of every ASCII range, where off-by-one mistakes hide.
    EXPECT_TRUE(ZNIsCntrl(31u) && ZNIsCntrl(127u) && !ZNIsCntrl(32u) && !ZNIsCntrl(126u) && !ZNIsCntrl(128u));
    EXPECT_TRUE(ZNIsPrint(' ') && !ZNIsGraph(' ') && ZNIsGraph('~'));
    EXPECT_TRUE(!ZNIsAlpha('@') && ZNIsAlpha('A') && ZNIsAlpha('Z') && !ZNIsAlpha('[') && !ZNIsAlpha('`'));
    EXPECT_TRUE(ZNIsAlpha('a') && ZNIsAlpha('z') && !ZNIsAlpha('{'));
    EXPECT_TRUE(!ZNIsDigit('/') && ZNIsDigit('0') && ZNIsDigit('9') && !ZNIsDigit(':'));
    EXPECT_TRUE(ZNIsUpper('Q') && !ZNIsUpper('q') && ZNIsLower('q') && ZNIsAlnum('5') && !ZNIsAlnum('_'));
    EXPECT_TRUE(ZNIsPunct('_') && ZNIsPunct('~') && !ZNIsPunct(' ') && !ZNIsPunct('a') && !ZNIsPunct('\n'));
    EXPECT_TRUE(!ZNIsSpace(8u) && ZNIsSpace('\t') && ZNIsSpace(13u) && !ZNIsSpace(14u) && ZNIsSpace(' '));
    // 8-bit characters are codes 0..255, however char is signed.
    EXPECT_FALSE(ZNIsAlpha('\xE9'));
    EXPECT_FALSE(ZNIsCntrl('\xE9'));
    EXPECT_FALSE(ZNIsSpace((char)0xA0));
    EXPECT_TRUE(ZNIsDigit(u'7'));
    EXPECT_FALSE(ZNIsDigit(u'\uFF17'));   // full-width seven
    EXPECT_EQ('a', ZNToLower('A'));
    EXPECT_EQ('[', ZNToLower('['));
    EXPECT_EQ('\xC9', ZNToLower('\xC9'));
    EXPECT_EQ(u'Z', ZNToUpper(u'z'));
    EXPECT_EQ(u'\u00e9', ZNToUpper(u'\u00e9'));
}

TEST(TemplateStringUtil, CompareCopyAndPrint)
{
    EXPECT_EQ(0u, ZNStrLen(""));
    EXPECT_EQ(5u, ZNStrLen(u"abcde"));
    EXPECT_EQ(-1, ZNStrCmp("abc", "abd"));
    EXPECT_EQ(1, ZNStrCmp("abc", "ab"));
    EXPECT_EQ(1, ZNStrCmp("\xE9", "z"));   // unsigned
    EXPECT_EQ(0, ZNStrCmp(u"same", u"same"));
    EXPECT_EQ(1, ZNStrCmp(u"\u00e9", u"z"));
    EXPECT_TRUE(ZNStrEqual("x", "x"));
    EXPECT_FALSE(ZNStrEqual(u"x", u"xy"));
    EXPECT_EQ(0, ZNStrICmpN("HeLLo world", "hello WORLD", 100));
    EXPECT_EQ(0, ZNStrICmpN("ABCx", "abcy", 3));
    EXPECT_EQ(-1, ZNStrICmpN("ABCx", "abcy", 4));
    EXPECT_EQ(1, ZNStrICmpN(u"b", u"A", 1));
    // Folding goes to lower case: 'A' compares as 97, above '[' (91).
    EXPECT_EQ(-1, ZNStrICmpN("[", "A", 1));
    EXPECT_EQ(-1, ZNStrICmpN("ab", "abc", 5));

    char buf[8];
    memset(buf, 'x', sizeof(buf));
    ZNStrNCpy(buf, "abcdefghijk", 5);
    EXPECT_STREQ("abcd", buf);
    EXPECT_EQ('x', buf[5]);
    memset(buf, 'x', sizeof(buf));
    ZNStrNCpy(buf, "ab", 6);
    EXPECT_STREQ("ab", buf);
    EXPECT_EQ(0, buf[5]);   // always terminated at size - 1
    ZNStrNCpy(buf, "zz", 0);
    EXPECT_STREQ("ab", buf);
    ZNWChar wbuf[8];
    ZNStrNCpy(wbuf, u"wide text", 5);
    EXPECT_EQ(std::u16string(u"wide"), std::u16string(wbuf));
    ZNStrCpy(wbuf, u"ab");
    ZNStrCat(wbuf, u"cd");
    EXPECT_EQ(std::u16string(u"abcd"), std::u16string(wbuf));
    char cbuf[16];
    ZNStrCpy(cbuf, "ab");
    EXPECT_STREQ("abcd", ZNStrCat(cbuf, "cd"));

    // The folder of a path keeps its last separator, of either kind.
    EXPECT_STREQ("/opt/game/", ZNPathFolder(cbuf, "/opt/game/Vendrapolis", sizeof(cbuf)));
    EXPECT_STREQ("C:\\a/b\\", ZNPathFolder(cbuf, "C:\\a/b\\x.exe", sizeof(cbuf)));
    EXPECT_STREQ("", ZNPathFolder(cbuf, "Vendrapolis", sizeof(cbuf)));
    EXPECT_STREQ("/abc/", ZNPathFolder(buf, "/abc/defgh/x", sizeof(buf)))
        << "a folder cut by the size ends at its last whole part";

    EXPECT_EQ(7, ZNSPrintf(buf, sizeof(buf), "%d-%s", 12345, "abcdef"));
    EXPECT_STREQ("12345-a", buf);
    EXPECT_EQ(3, ZNSPrintf(buf, sizeof(buf), "%s", "abc"));
    EXPECT_EQ(4, ZNSPrintf(wbuf, 5, "%d", 123456));
    EXPECT_EQ(std::u16string(u"1234"), std::u16string(wbuf));
    std::string big(300, 'q');
    ZNWChar     large[400];
    EXPECT_EQ(300, ZNSPrintf(large, 400, "%s", big.c_str()));
    EXPECT_EQ(300u, ZNStrLen(large));
    EXPECT_EQ(u'q', large[299]);
    EXPECT_EQ(0, ZNSPrintf(buf, 0, "%s", "nothing"));
}

TEST(TemplateStringUtil, IntegerParser)
{
    EXPECT_EQ(-42, ZNAtoi("  -42abc"));
    EXPECT_EQ(0, ZNAtoi("+7"));
    EXPECT_EQ(0, ZNAtoi("\t5"));   // only spaces are skipped
    EXPECT_EQ(0, ZNAtoi(""));
    EXPECT_EQ(0, ZNAtoi((const char*)nullptr));
    EXPECT_EQ(2147483647, ZNAtoi("2147483647"));
    EXPECT_EQ((INT32)0x80000000, ZNAtoi("-2147483648"));
    EXPECT_EQ(-2147483647 - 1, ZNAtoi("2147483648"));   // wraps, no undefined overflow
    EXPECT_EQ(-42, ZNAtoi(u"  -42abc"));
    EXPECT_EQ(0, ZNAtoi(u"+7"));
    EXPECT_EQ(123, ZNAtoi(u"123\uFF14"));
}

TEST(TemplateStringUtil, FloatParser)
{
    EXPECT_FLOAT_EQ(1.5f, ZNAtof("1,5"));
    EXPECT_FLOAT_EQ(1.5f, ZNAtof("1.5"));
    EXPECT_EQ(1000.0, ZNAtod("1e3"));
    EXPECT_EQ(1000.0, ZNAtod("1E3"));
    EXPECT_NEAR(0.025, ZNAtod("2.5e-2"), 1e-10);
    EXPECT_NEAR(-0.025, ZNAtod("  -2.5e-2xyz"), 1e-10);
    EXPECT_EQ(5.0, ZNAtod("5e+3"));   // no '+' in the exponent: it reads as e0
    EXPECT_EQ(0.0, ZNAtod("+1.5"));
    EXPECT_EQ(0.0, ZNAtod("."));
    EXPECT_EQ(0.0, ZNAtod((const char*)nullptr));
    EXPECT_NEAR(0.5, ZNAtod(".5"), 1e-8);
    EXPECT_EQ(12.0, ZNAtod("12."));
    // The fraction steps by 0.1 rounded to single precision.
    EXPECT_EQ(2.0 + 5 * 0.10000000149011612, ZNAtod("2.5"));
    EXPECT_NE(2.5, ZNAtod("2.5"));
    EXPECT_TRUE(isinf(ZNAtod("1e400")));
    EXPECT_EQ(0.0, ZNAtod("1e-400"));
    EXPECT_FLOAT_EQ(1.5f, ZNAtof(u"1,5"));
    EXPECT_EQ(1000.0, ZNAtod(u"1e3"));
    EXPECT_NEAR(0.025, ZNAtod(u"2.5e-2"), 1e-10);
}

TEST(TemplateStringUtil, SwapBytesBySize)
{
    const UINT8 src[12] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 };
    UINT8       out[12];
    ZNSwapBytes(out, src, 12, 1);
    EXPECT_EQ(0, memcmp(out, src, 12));
    ZNSwapBytes(out, src, 6, 2);
    EXPECT_EQ((std::vector<UINT8>{ 2, 1, 4, 3, 6, 5, 8, 7, 10, 9, 12, 11 }), std::vector<UINT8>(out, out + 12));
    ZNSwapBytes(out, src, 3, 4);
    EXPECT_EQ((std::vector<UINT8>{ 4, 3, 2, 1, 8, 7, 6, 5, 12, 11, 10, 9 }), std::vector<UINT8>(out, out + 12));
    ZNSwapBytes(out, src, 4, 3);
    EXPECT_EQ((std::vector<UINT8>{ 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10 }), std::vector<UINT8>(out, out + 12));
    UINT8 inPlace[16];
    for (int i = 0; i < 16; ++i)
        inPlace[i] = (UINT8)i;
    ZNSwapBytes(inPlace, inPlace, 2, 8);
    EXPECT_EQ((std::vector<UINT8>{ 7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8 }),
              std::vector<UINT8>(inPlace, inPlace + 16));
    UINT32 word = 0x11223344u;
    ZNSwapBytes(&word, &word, 1, 4);
    EXPECT_EQ(0x44332211u, word);
}

}   // namespace

// Both ends of the alphabet fold in either argument, in both widths; the
// neighbours just outside it ('@' before 'A', '[' after 'Z') never fold and
// compare below the lower-case letters they sit next to.
TEST(TemplateStringUtil, CaseFoldingCoversTheWholeAlphabetAndNothingBeside)
{
    for (const char* pair : { "Aa", "Zz" })
    {
        const char    upper[2] = { pair[0], 0 }, lower[2] = { pair[1], 0 };
        const ZNWChar wupper[2] = { (ZNWChar)pair[0], 0 }, wlower[2] = { (ZNWChar)pair[1], 0 };
        EXPECT_EQ(0, ZNStrICmpN(upper, lower, 1)) << pair;
        EXPECT_EQ(0, ZNStrICmpN(lower, upper, 1)) << pair;
        EXPECT_EQ(0, ZNStrICmpN(wupper, wlower, 1)) << pair;
        EXPECT_EQ(0, ZNStrICmpN(wlower, wupper, 1)) << pair;
    }
    EXPECT_EQ(-1, ZNStrICmpN("Y", "z", 1));
    EXPECT_EQ(1, ZNStrICmpN("z", "Y", 1));
    EXPECT_EQ(1, ZNStrICmpN("B", "a", 1));
    EXPECT_EQ(-1, ZNStrICmpN(u"Y", u"z", 1));
    EXPECT_EQ(1, ZNStrICmpN(u"Z", u"y", 1));
    // '@' (64) and '[' (91) stay as they are: below 'a' (97) and 'z' (122).
    EXPECT_EQ(-1, ZNStrICmpN("@", "a", 1));
    EXPECT_EQ(1, ZNStrICmpN("a", "@", 1));
    EXPECT_EQ(-1, ZNStrICmpN("[", "z", 1));
    EXPECT_EQ(1, ZNStrICmpN("z", "[", 1));
    EXPECT_EQ(-1, ZNStrICmpN(u"@", u"A", 1));
    EXPECT_EQ(1, ZNStrICmpN(u"A", u"@", 1));
    EXPECT_EQ(-1, ZNStrICmpN(u"[", u"Z", 1));
    EXPECT_EQ(1, ZNStrICmpN(u"Z", u"[", 1));
}
