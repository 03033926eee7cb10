// Arrays, byte blocks, iterators and the comb sort.
#include "core/ZNTemplate.h"

#include "common/ZNTestDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

typedef std::vector<std::string> Texts;

// Counts live instances, so construction and destruction can be balanced.
struct Tracked
{
    static int live;
    int        v;
    Tracked() : v(0) { ++live; }
    Tracked(int x) : v(x) { ++live; }
    Tracked(const Tracked& o) : v(o.v) { ++live; }
    Tracked& operator=(const Tracked& o) = default;
    ~Tracked() { --live; }
    bool operator==(const Tracked& o) const { return v == o.v; }
};
int Tracked::live = 0;

std::string Long(char c, int n)
{
    return std::string((size_t)n, c);
}

TEST(TemplateArrays, PodGrowthDoublesFromOneSlot)
{
    ZNPodArray<int> a;
    EXPECT_EQ(nullptr, a.data);
    std::vector<UINT32> caps;
    for (int i = 0; i < 9; ++i)
    {
        a.Add(i);
        caps.push_back(a.capacity);
    }
    EXPECT_EQ((std::vector<UINT32>{ 1, 2, 4, 4, 8, 8, 8, 8, 16 }), caps);

    // A request of at least twice the capacity is taken as it is; a smaller
    // one doubles.
    ZNPodArray<int> b;
    b.Reserve(5);
    EXPECT_EQ(5u, b.capacity);
    b.Reserve(6);
    EXPECT_EQ(10u, b.capacity);
    b.Reserve(25);
    EXPECT_EQ(25u, b.capacity);
    b.Reserve(3);
    EXPECT_EQ(25u, b.capacity);
}

// The values a failed check hands out belong to the thread that asked: a write
// into one thread's scratch never reaches another thread's read.
TEST(TemplateArrays, ScratchValuesArePerThread)
{
    ZNPodArray<int>      p;
    ZNArray<ZNString>    a;
    ZNString             s("abc");
    ZNMemBlock           block(4);
    ZNFixedArray<int, 2> fixed;
    struct Places
    {
        int*      Pod;
        ZNString* Obj;
        char*     Char;
        UINT8*    Byte;
        int*      Fixed;
    };
    auto touch = [&](int mark)
    {
        Places at = { &p[5], &a[5], &s[9], &block[9], &fixed[9] };
        *at.Pod   = mark;
        *at.Obj   = "lost";
        *at.Char  = 'x';
        *at.Byte  = 9;
        *at.Fixed = mark;
        return at;
    };
    Places theirs = {};
    Places mine   = {};
    {
        ZNDialogRecorder dialogs;
        mine = touch(42);
        std::thread other([&] { theirs = touch(7); });
        other.join();
    }
    EXPECT_NE(mine.Pod, theirs.Pod);
    EXPECT_NE(mine.Obj, theirs.Obj);
    EXPECT_NE(mine.Char, theirs.Char);
    EXPECT_NE(mine.Byte, theirs.Byte);
    EXPECT_NE(mine.Fixed, theirs.Fixed);
    EXPECT_EQ(42, *mine.Pod);   // the other thread's mark did not land here
    EXPECT_EQ(42, *mine.Fixed);
}

TEST(TemplateArrays, ObjectGrowthAndExactReserve)
{
    ZNArray<ZNString>   a;
    std::vector<UINT32> caps;
    for (int i = 0; i < 5; ++i)
    {
        a.Add(ZNString(Long('a' + i, 40).c_str()));
        caps.push_back(a.capacity);
    }
    EXPECT_EQ((std::vector<UINT32>{ 1, 2, 4, 4, 8 }), caps);
    a.Reserve(6, 1);   // exact: shrinks the block to 6, keeps every element
    EXPECT_EQ(6u, a.capacity);
    ASSERT_EQ(5u, a.Size());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Long('a' + i, 40), a[i].CStr());
    a.Reserve(2, 1);   // never below the count
    EXPECT_EQ(5u, a.capacity);
    a.Reserve(0, 1);   // exact 0 is a full clear
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(0u, a.capacity);
    EXPECT_EQ(0u, a.Size());
}

TEST(TemplateArrays, InsertAndRemoveKeepOrderAndBalanceObjects)
{
    {
        ZNArray<Tracked> a;
        for (int i = 0; i < 6; ++i)
            a.Add(Tracked(i));
        a.Insert(0, Tracked(100));
        a.Insert(3, Tracked(200));
        a.Insert(a.Size(), Tracked(300));
        std::vector<int> got;
        for (const Tracked& t : a)
            got.push_back(t.v);
        EXPECT_EQ((std::vector<int>{ 100, 0, 1, 200, 2, 3, 4, 5, 300 }), got);
        a.Remove(2, 4);
        a.RemoveAt(0);
        got.clear();
        for (const Tracked& t : a)
            got.push_back(t.v);
        EXPECT_EQ((std::vector<int>{ 0, 3, 4, 5, 300 }), got);
        EXPECT_EQ(5, Tracked::live);
        a.SetCount(8);
        EXPECT_EQ(8, Tracked::live);
        EXPECT_EQ(0, a[7].v);
        a.SetCount(2);
        EXPECT_EQ(2, Tracked::live);
        EXPECT_EQ(3, a.Last().v);
    }
    EXPECT_EQ(0, Tracked::live);
}

TEST(TemplateArrays, RandomEditsMatchVector)
{
    std::mt19937             rng(7);
    ZNArray<ZNString>        a;
    ZNPodArray<INT32>        p;
    std::vector<std::string> ra;
    std::vector<INT32>       rp;
    for (int step = 0; step < 4000; ++step)
    {
        // Inserts win slightly, so the arrays grow to a few hundred elements
        // and most removals happen in the middle.
        int op = (int)(rng() % 10);
        if (op < 7 || ra.empty())
        {
            UINT32      at = (UINT32)(rng() % (ra.size() + 1));
            std::string s  = std::to_string(step) + Long('x', (int)(rng() % 40));
            a.Insert(at, ZNString(s.c_str()));
            ra.insert(ra.begin() + at, s);
            p.Insert(at, step);
            rp.insert(rp.begin() + at, step);
        }
        else
        {
            UINT32 from = (UINT32)(rng() % ra.size());
            UINT32 to   = from + (UINT32)(rng() % std::min<size_t>(3, ra.size() - from));
            a.Remove(from, to);
            ra.erase(ra.begin() + from, ra.begin() + to + 1);
            p.Remove(from, to);
            rp.erase(rp.begin() + from, rp.begin() + to + 1);
        }
        ASSERT_EQ(ra.size(), a.Size());
        ASSERT_EQ(rp.size(), p.Size());
    }
    EXPECT_GT(ra.size(), 200u);
    for (size_t i = 0; i < ra.size(); ++i)
    {
        ASSERT_EQ(ra[i], a[(UINT32)i].CStr());
        ASSERT_EQ(rp[i], p[(UINT32)i]);
    }
}

TEST(TemplateArrays, CopiesAreDeepAndMovesLeaveEmpty)
{
    ZNArray<ZNArray<ZNString>> nested;
    nested.SetCount(2);
    nested[0].Add(ZNString(Long('q', 50).c_str()));
    nested[1].Add("short");
    ZNArray<ZNArray<ZNString>> copy(nested);
    copy[0][0] = "changed";
    EXPECT_EQ(Long('q', 50), nested[0][0].CStr());
    EXPECT_NE(nested[0][0].CStr(), copy[0][0].CStr());

    ZNArray<ZNArray<ZNString>> moved(std::move(copy));
    EXPECT_EQ(0u, copy.Size());
    EXPECT_EQ(nullptr, copy.data);
    EXPECT_STREQ("changed", moved[0][0].CStr());
    nested = moved;
    EXPECT_STREQ("changed", nested[0][0].CStr());
    EXPECT_STREQ("short", nested[1][0].CStr());

    ZNPodArray<int> p;
    p.Add(1);
    p.Add(2);
    ZNPodArray<int> q = p;
    q[0]              = 9;
    EXPECT_EQ(1, p[0]);
    EXPECT_EQ(1, p.Find(2));
    EXPECT_EQ(-1, p.Find(9));
}

TEST(TemplateArrays, ValueFromInsideTheArrayIsCopiedBeforeGrowth)
{
    // The array is full, so the insertion moves the block the value lives in.
    ZNArray<ZNString> a;
    a.Add(ZNString(Long('a', 40).c_str()));
    a.Add(ZNString(Long('b', 40).c_str()));
    ASSERT_EQ(a.capacity, a.Size());
    a.Add(a[0]);
    a.Insert(0, a[2]);
    EXPECT_EQ(Long('a', 40), a[3].CStr());
    EXPECT_EQ(Long('a', 40), a[0].CStr());
    EXPECT_EQ(Long('a', 40), a[1].CStr());
    EXPECT_EQ(Long('b', 40), a[2].CStr());

    ZNPodArray<double> p;
    p.Add(1.5);
    p.Add(2.5);
    p.Add(p[1]);
    p.Insert(0, p[2]);
    EXPECT_EQ(2.5, p[0]);
    EXPECT_EQ(2.5, p[3]);
}

TEST(TemplateArrays, FailedChecksReportAndStayInside)
{
    ZNPodArray<int>   p;
    ZNArray<ZNString> a;
    for (int i = 0; i < 3; ++i)
    {
        p.Add(i + 1);
        a.Add("x");
    }
    ZNDialogRecorder dialogs;
    p[3]  = 77;   // goes to a scratch element
    int r = p[1000];
    p.Insert(4, 5);
    p.Remove(2, 1);
    p.Remove(1, 3);
    a[3] = "lost";
    a.Insert(5, "y");
    a.Remove(3, 3);
    ZNPodArray<int> e;
    int             last = e.Last();
    Texts           got  = dialogs.Expressions();
    EXPECT_EQ((Texts{ "at >= count", "at >= count", "af > count", "from >= count || to >= count || from > to",
                      "from >= count || to >= count || from > to", "at >= count", "af > count",
                      "from >= count || to >= count || from > to", "count == 0" }),
              got);
    EXPECT_EQ(0, r);
    EXPECT_EQ(0, last);
    EXPECT_EQ(3u, p.Size());
    EXPECT_EQ(3, p[2]);
    EXPECT_EQ(3u, a.Size());
    EXPECT_STREQ("x", a[2].CStr());
}

TEST(TemplateArrays, HeapAndFixedArrays)
{
    ZNHeapArray<ZNString> h(3);
    h[2] = "two";
    ZNHeapArray<ZNString> hc(h);
    hc[2] = "changed";
    EXPECT_STREQ("two", h[2].CStr());
    ZNHeapArray<int> zeroed(4);
    EXPECT_EQ(0, zeroed[3]);

    ZNFixedArray<int, 4> f;
    f[3] = 8;
    ZNDialogRecorder dialogs;
    h[3]      = "x";
    f[4]      = 9;
    Texts got = dialogs.Expressions();
    EXPECT_EQ((Texts{ "i >= size", "off >= cnt" }), got);
    EXPECT_EQ(8, f[3]);
    EXPECT_EQ(3u, h.Size());
}

TEST(TemplateArrays, MemoryBlocksAndViews)
{
    ZNMemBlock b(8);
    for (UINT32 i = 0; i < 8; ++i)
        b[i] = (UINT8)(i * 3);
    ZNMemView v = b.View(2, 6);
    EXPECT_EQ(6u, v.Size());
    EXPECT_EQ(6, v[0]);
    EXPECT_EQ(21, v[5]);

    ZNMemBlock c;
    c = v;   // takes the size of the view and copies its bytes
    EXPECT_EQ(6u, c.Size());
    EXPECT_NE(c.Data(), v.Data());
    EXPECT_EQ(15, c[3]);
    ZNMemBlock d(c);
    d[0] = 99;
    EXPECT_EQ(6, c[0]);

    ZNMemBlock same(6);
    same.CopyFrom(c);
    EXPECT_EQ(21, same[5]);

    ZNMemBlock empty;
    c = empty;   // an empty source empties the block without a report
    EXPECT_EQ(0u, c.Size());

    ZNDialogRecorder dialogs;
    b.Resize(0);
    const UINT8* none    = empty.Data();
    UINT8        outside = b[8];
    ZNMemView    bad1    = b.View(8, 0);
    ZNMemView    bad2    = b.View(4, 5);
    ZNMemView    bad3    = b.View(0, 9);
    same.CopyFrom(b);
    Texts got = dialogs.Expressions();
    EXPECT_EQ((Texts{ "sz == 0", "size == 0", "i >= size", "at >= size || sz > size || at + sz > size",
                      "at >= size || sz > size || at + sz > size", "at >= size || sz > size || at + sz > size",
                      "size != from.size" }),
              got);
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(0, outside);
    EXPECT_EQ(0u, bad1.Size() + bad2.Size() + bad3.Size());
    EXPECT_EQ(8u, b.Size());
    EXPECT_EQ(21, same[5]);
}

struct Item
{
    int key;
    int tag;
};

std::vector<int> Tags(const ZNPodArray<Item>& a)
{
    std::vector<int> t;
    for (const Item& i : a)
        t.push_back(i.tag);
    return t;
}

TEST(TemplateArrays, CombSortOrdersAndNeverSwapsEqualKeys)
{
    auto         byKey = [](const Item& a, const Item& b) { return a.key < b.key; };
    std::mt19937 rng(3);
    for (int n : { 0, 1, 2, 3, 10, 97, 1000 })
    {
        ZNPodArray<Item> a;
        std::vector<int> keys;
        for (int i = 0; i < n; ++i)
        {
            int k = (int)(rng() % 50) - 25;
            a.Add(Item{ k, i });
            keys.push_back(k);
        }
        ZNSort(ZNBegin(a), ZNEnd(a), byKey);
        std::sort(keys.begin(), keys.end());
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(keys[(size_t)i], a[(UINT32)i].key) << "n=" << n;
    }

    // All keys equal: nothing moves.
    ZNPodArray<Item> same;
    for (int i = 0; i < 20; ++i)
        same.Add(Item{ 5, i });
    ZNSort(ZNBegin(same), ZNEnd(same), byKey);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(i, same[(UINT32)i].tag);

    // Equal keys are never swapped with each other, yet the first pass (gap 2)
    // jumps the small key over them, so the sort is not stable.
    ZNPodArray<Item> jump;
    jump.Add(Item{ 2, 0 });
    jump.Add(Item{ 2, 1 });
    jump.Add(Item{ 1, 2 });
    ZNSort(ZNBegin(jump), ZNEnd(jump), byKey);
    EXPECT_EQ((std::vector<int>{ 2, 1, 0 }), Tags(jump));

    // A sub-range leaves the rest alone.
    ZNPodArray<int> part;
    for (int v : { 9, 5, 4, 3, 2, 1, 0 })
        part.Add(v);
    ZNSort(ZNBegin(part) + 1, ZNEnd(part) - 1);
    EXPECT_EQ((std::vector<int>{ 9, 1, 2, 3, 4, 5, 0 }), std::vector<int>(part.begin(), part.end()));
}

TEST(TemplateArrays, IteratorsOfDifferentArraysDoNotMix)
{
    ZNPodArray<int> a, b;
    a.Add(3);
    a.Add(1);
    b.Add(2);
    ZNDialogRecorder dialogs;
    INT32            d  = ZNEnd(a) - ZNBegin(b);
    bool             eq = ZNBegin(a) == ZNBegin(b);
    ZNSort(ZNBegin(a), ZNEnd(b));
    Texts got = dialogs.Expressions();
    EXPECT_EQ((Texts{ "cnt != other.cnt", "cnt != other.cnt", "cnt != other.cnt" }), got);
    EXPECT_EQ(0, d);
    EXPECT_FALSE(eq);
    EXPECT_EQ(3, a[0]);
    EXPECT_EQ(2, ZNEnd(a) - ZNBegin(a));
    EXPECT_EQ(1, *(ZNBegin(a) + 1));
}

}   // namespace
