// ZNString / ZNWString storage rules, editing, checks, and the hash.
#include "core/ZNTemplate.h"

#include "common/ZNTestDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{

typedef std::vector<std::string> Texts;

std::string Chars(char c, int n)
{
    return std::string((size_t)n, c);
}

TEST(TemplateStrings, ShortTextStaysInsideTheObject)
{
    ZNString s(Chars('a', 31).c_str());
    EXPECT_EQ(nullptr, s.heap);
    EXPECT_EQ(s.local, s.CStr());
    EXPECT_EQ(0u, s.capacity);
    s.Reserve(20);   // the object already has room
    EXPECT_EQ(nullptr, s.heap);

    s.SetLength(32);
    ASSERT_NE(nullptr, s.heap);
    EXPECT_EQ(s.heap, s.CStr());
    EXPECT_EQ(33u, s.capacity);
    EXPECT_EQ(Chars('a', 31), std::string(s.CStr(), 31));
    EXPECT_EQ(32u, s.Size());
    EXPECT_EQ(0, s.CStr()[32]);
}

TEST(TemplateStrings, InsertingThe32ndCharacterGrowsTwice)
{
    ZNString s(Chars('b', 31).c_str());
    s.Insert(10, 'X');
    EXPECT_EQ(66u, s.capacity);
    EXPECT_EQ(32u, s.Size());
    EXPECT_EQ(Chars('b', 10) + "X" + Chars('b', 21), s.CStr());
    EXPECT_EQ(32u, ZNStrLen(s.CStr()));
}

TEST(TemplateStrings, HeapBlockIsKeptAfterShrinking)
{
    ZNString s(Chars('c', 40).c_str());
    UINT32   cap   = s.capacity;
    char*    block = s.heap;
    s.SetLength(5);
    EXPECT_EQ(block, s.heap);
    EXPECT_EQ(block, s.CStr());
    EXPECT_EQ(cap, s.capacity);
    EXPECT_STREQ("ccccc", s.CStr());
    s = "tiny";
    EXPECT_EQ(block, s.CStr());
    s.Clear();
    EXPECT_EQ(block, s.CStr());
    EXPECT_STREQ("", s.CStr());

    // Growth of a heap string doubles unless the request is larger.
    ZNString g(Chars('d', 40).c_str());   // 41 bytes
    g.SetLength(50);
    EXPECT_EQ(82u, g.capacity);
    g.SetLength(200);
    EXPECT_EQ(201u, g.capacity);
}

TEST(TemplateStrings, WideStringFollowsTheSameRules)
{
    std::u16string thirtyOne(31, u'w');
    ZNWString      w(thirtyOne.c_str());
    EXPECT_EQ(nullptr, w.heap);
    EXPECT_EQ(64u, sizeof(w.local));
    w.Insert(31, u'!');
    EXPECT_EQ(66u, w.capacity);
    EXPECT_EQ(thirtyOne + u"!", std::u16string(w.CStr()));
    w.Remove(0, 29);
    EXPECT_EQ(std::u16string(u"w!"), std::u16string(w.CStr()));
    ZNWString r;
    w.Range(-1, -1, r);
    EXPECT_EQ(std::u16string(u"!"), std::u16string(r.CStr()));
    w.Format(5, "%d-%s", 1234, "abc");
    EXPECT_EQ(std::u16string(u"1234-"), std::u16string(w.CStr()));
    EXPECT_EQ(5u, w.Size());
    EXPECT_TRUE(ZNWString(u"abc") < ZNWString(u"abd"));
    EXPECT_TRUE(ZNWString(u"\u00e9") > ZNWString(u"z"));
}

TEST(TemplateStrings, CopiesOwnTheirCharacters)
{
    ZNString a(Chars('e', 45).c_str());
    ZNString b(a);
    EXPECT_NE(a.CStr(), b.CStr());
    b[0] = 'E';
    EXPECT_EQ('e', a[0]);

    ZNString shortOne("abc");
    ZNString c(shortOne);
    EXPECT_EQ(c.local, c.CStr());   // a copied local string points at its own buffer

    ZNString moved(std::move(a));
    EXPECT_EQ(Chars('e', 45), moved.CStr());
    EXPECT_STREQ("", a.CStr());
    a = "reused";
    EXPECT_STREQ("reused", a.CStr());

    ZNString fromShort(std::move(c));
    EXPECT_EQ(fromShort.local, fromShort.CStr());
    EXPECT_STREQ("abc", fromShort.CStr());

    ZNString part("abcdef", 3);
    EXPECT_STREQ("abc", part.CStr());
    ZNString none(nullptr);
    EXPECT_EQ(0u, none.Size());
}

TEST(TemplateStrings, EditingOperations)
{
    ZNString s("hello world");
    s.Insert(5, ",");
    EXPECT_STREQ("hello, world", s.CStr());
    s.Insert(0, ZNString(">> "));
    EXPECT_STREQ(">> hello, world", s.CStr());
    s.Remove(0, 2);
    EXPECT_STREQ("hello, world", s.CStr());
    s.Remove(5, 11);
    EXPECT_STREQ("hello", s.CStr());

    // Text taken from the string itself survives the block moving.
    ZNString t(Chars('f', 30).c_str());
    t.Insert(15, t);
    EXPECT_EQ(Chars('f', 60), t.CStr());
    ZNString u("abcdefghijklmnopqrstuvwxyz0123");
    u.Append(u.CStr() + 20, 10);
    u.Append(u);
    EXPECT_STREQ("abcdefghijklmnopqrstuvwxyz0123uvwxyz0123abcdefghijklmnopqrstuvwxyz0123uvwxyz0123", u.CStr());

    ZNString m("  \t padded \t ");
    m.Trim();
    EXPECT_STREQ("padded", m.CStr());
    ZNString blank(" \t\t  ");
    blank.Trim();
    EXPECT_STREQ("", blank.CStr());

    ZNString mixed("MiXeD 123 \xC9");
    EXPECT_STREQ("mixed 123 \xC9", mixed.ToLower().CStr());

    ZNString f;
    f.Format(8, "%d:%s", 42, "abcdefghij");
    EXPECT_STREQ("42:abcde", f.CStr());
    EXPECT_EQ(8u, f.Size());
    f.Format(100, "%s", "x");
    EXPECT_EQ(101u, f.capacity);   // the limit decided the block
    EXPECT_STREQ("x", f.CStr());
    EXPECT_STREQ("7 seven", ZNString::Formatted("%d %s", 7, "seven").CStr());
    ZNString big = ZNString::Formatted("%s", Chars('g', 100).c_str());
    EXPECT_EQ(100u, big.Size());

    ZNString cat = ZNString("ab") + "cd" + ZNString("ef") + 'g';
    cat += 'h';
    cat += "ij";
    cat += ZNString("k");
    EXPECT_STREQ("abcdefghijk", cat.CStr());
    EXPECT_STREQ("xyab", ("xy" + ZNString("ab")).CStr());
}

TEST(TemplateStrings, ComparisonAndSearch)
{
    EXPECT_TRUE(ZNString("abc") == "abc");
    EXPECT_TRUE("abc" == ZNString("abc"));
    EXPECT_TRUE(ZNString("abc") != ZNString("abcd"));
    EXPECT_TRUE(ZNString("abc") < ZNString("abcd"));
    EXPECT_TRUE(ZNString("B") < ZNString("a"));
    EXPECT_TRUE(ZNString("z") < ZNString("\xE9"));   // unsigned bytes
    EXPECT_EQ(0, ZNString("same").Compare(ZNString("same")));

    ZNString s("a.b.c.txt");
    EXPECT_EQ(1, s.Find('.'));
    EXPECT_EQ(3, s.Find('.', 2));
    EXPECT_EQ(5, s.FindLast('.'));
    EXPECT_EQ(-1, s.Find('x', 100));
    EXPECT_EQ(6, s.Find("txt"));
    EXPECT_EQ(-1, s.Find("txt", 7));
    EXPECT_EQ(-1, s.Find("zz"));
    EXPECT_EQ(-1, ZNString("").FindLast('a'));
}

TEST(TemplateStrings, MidAndRangeEdges)
{
    ZNString s("abcdef");
    ZNString out;
    s.Mid(2, 4, out);   // off + size == length is the last legal range
    EXPECT_STREQ("cdef", out.CStr());
    s.Mid(6, 0, out);
    EXPECT_STREQ("", out.CStr());
    s.Range(-3, -1, out);
    EXPECT_STREQ("def", out.CStr());
    s.Range(3, 1, out);
    EXPECT_STREQ("", out.CStr());
    s.Range(0, 0, out);
    EXPECT_STREQ("a", out.CStr());

    ZNString inPlace("abcdef");
    inPlace.Range(-4, -2);
    EXPECT_STREQ("cde", inPlace.CStr());
    inPlace.Mid(1, 2);
    EXPECT_STREQ("de", inPlace.CStr());
    ZNString self("0123456789");
    self.Mid(3, 5, self);
    EXPECT_STREQ("34567", self.CStr());
    self.Range(1, 3, self);
    EXPECT_STREQ("456", self.CStr());

    ZNDialogRecorder dialogs;
    out    = "kept";
    char c = s[6];
    s.Mid(3, 4, out);
    s.Mid(7, 0);
    s.Range(2, 6, out);
    s.Range(-7, 2, out);
    s.Range(0, 6);
    s.Range(-9, 1);
    s.Insert(7, 'x');
    s.Remove(2, 1);
    Texts got = dialogs.Expressions();
    EXPECT_EQ((Texts{ "at >= count", "off >= count + 1 || size >= count + 1 || off + size >= count + 1",
                      "off >= count + 1 || size >= count + 1 || off + size >= count + 1", "r1 >= count", "r0 >= count",
                      "r1 < 0 || r1 >= (INT32)count", "r0 < 0 || r0 >= (INT32)count", "af > count",
                      "from >= count || to >= count || from > to" }),
              got);
    EXPECT_EQ(0, c);
    EXPECT_STREQ("abcdef", s.CStr());
    EXPECT_STREQ("", out.CStr());
}

TEST(TemplateStrings, RandomEditsMatchStdString)
{
    std::mt19937 rng(11);
    ZNString     s;
    std::string  r;
    size_t       longest = 0;
    for (int step = 0; step < 20000; ++step)
    {
        int    op  = (int)(rng() % 7);
        UINT32 len = (UINT32)r.size();
        if (op == 0)
        {
            UINT32 at = (UINT32)(rng() % (len + 1));
            char   ch = (char)('a' + rng() % 26);
            s.Insert(at, ch);
            r.insert(r.begin() + at, ch);
        }
        else if (op == 1)
        {
            UINT32      at    = (UINT32)(rng() % (len + 1));
            std::string piece = Chars((char)('A' + rng() % 26), (int)(rng() % 40));
            s.Insert(at, piece.c_str());
            r.insert(at, piece);
        }
        else if (op == 2 && len > 0)
        {
            UINT32 from = (UINT32)(rng() % len);
            UINT32 to   = from + (UINT32)(rng() % std::min<UINT32>(8, len - from));
            s.Remove(from, to);
            r.erase(from, to - from + 1);
        }
        else if (op == 3)
        {
            s += (char)('0' + rng() % 10);
            r += s.CStr()[s.Size() - 1];
        }
        else if (op == 4 && len > 0)
        {
            UINT32   off  = (UINT32)(rng() % len);
            UINT32   size = (UINT32)(rng() % (len - off + 1));
            ZNString part;
            s.Mid(off, size, part);
            ASSERT_EQ(r.substr(off, size), part.CStr());
        }
        else if (op == 5 && len > 70)
        {
            s.SetLength(len / 3);
            r.resize(len / 3);
        }
        else
        {
            std::string piece = Chars('~', (int)(rng() % 5));
            s.Append(piece.c_str());
            r += piece;
        }
        ASSERT_EQ(r.size(), s.Size());
        ASSERT_EQ(r, s.CStr()) << "step " << step;
        ASSERT_TRUE(s.heap != nullptr || s.Size() < 32);
        longest = std::max(longest, r.size());
    }
    EXPECT_GT(longest, 100u);   // the run reached heap sizes, not only the local buffer
}

TEST(TemplateStrings, HashIsFnv1WithSignedCharacters)
{
    ZNStringHash h;
    EXPECT_EQ(2166136261u, (UINT32)h(ZNString("")));
    EXPECT_EQ(0x050c5d7eu, (UINT32)h(ZNString("a")));
    EXPECT_EQ(0x31f0b262u, (UINT32)h(ZNString("foobar")));
    EXPECT_EQ(0xfaf3a2f6u, (UINT32)h(ZNString("\xE9")));   // upper 24 bits set by the sign
    EXPECT_EQ(0x437d37beu, (UINT32)h(ZNString("caf\xE9x")));

    std::unordered_map<ZNString, int, ZNStringHash> table;
    table[ZNString("sky")]                  = 1;
    table[ZNString(Chars('w', 40).c_str())] = 2;
    EXPECT_EQ(1, table[ZNString("sky")]);
    EXPECT_EQ(2, table[ZNString(Chars('w', 40).c_str())]);
    EXPECT_EQ(2u, table.size());
}

}   // namespace
