// ZNMap against std::map, with the red-black invariants checked along the way.
#include "core/ZNTemplate.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

// Walks a subtree: BST order within (lo, hi), no red node with a red child, the
// same number of black nodes on every path. Returns the black height, or -1.
template <typename K, typename V>
int CheckSubtree(const ZNMapNode<K, V>* n, const K* lo, const K* hi, UINT32& nodes, std::string& why)
{
    if (!n)
        return 1;
    ++nodes;
    if ((lo && !(*lo < n->key)) || (hi && !(n->key < *hi)))
    {
        why = "keys out of order";
        return -1;
    }
    if (n->red > 1)
    {
        why = "colour is neither 0 nor 1";
        return -1;
    }
    if (n->red && ((n->Child(0) && n->Child(0)->red) || (n->Child(1) && n->Child(1)->red)))
    {
        why = "red node with a red child";
        return -1;
    }
    int l = CheckSubtree(n->Child(0), lo, &n->key, nodes, why);
    if (l < 0)
        return -1;
    int r = CheckSubtree(n->Child(1), &n->key, hi, nodes, why);
    if (r < 0)
        return -1;
    if (l != r)
    {
        why = "black heights differ";
        return -1;
    }
    return l + (n->red ? 0 : 1);
}

template <typename K, typename V>
::testing::AssertionResult IsRedBlack(const ZNMap<K, V>& m)
{
    if (m.root && m.root->red)
        return ::testing::AssertionFailure() << "red root";
    if (!m.root && m.count)
        return ::testing::AssertionFailure() << "empty tree with count " << m.count;
    UINT32      nodes = 0;
    std::string why;
    if (CheckSubtree<K, V>(m.root, nullptr, nullptr, nodes, why) < 0)
        return ::testing::AssertionFailure() << why;
    if (nodes != m.count)
        return ::testing::AssertionFailure() << nodes << " nodes, count " << m.count;
    return ::testing::AssertionSuccess();
}

template <typename K, typename V>
::testing::AssertionResult SameContents(ZNMap<K, V>& m, const std::map<K, V>& ref)
{
    if (m.Size() != ref.size())
        return ::testing::AssertionFailure() << "size " << m.Size() << " vs " << ref.size();
    auto it   = ref.begin();
    bool same = true;
    m.ForEach(
        [&](const K& k, V& v)
        {
            if (it == ref.end() || !(it->first == k) || !(it->second == v))
                same = false;
            if (it != ref.end())
                ++it;
        });
    if (!same)
        return ::testing::AssertionFailure() << "contents or order differ";
    return ::testing::AssertionSuccess();
}

ZNString Key(UINT32 n)
{
    char buf[32];
    ZNSPrintf(buf, sizeof(buf), "k%u", n);
    return ZNString(buf);
}

// Random inserts, lookups, operator[] and removals on keys from a small range,
// so every operation often meets present and absent keys.
template <typename K, typename MakeKey>
void RunAgainstOracle(UINT32 steps, UINT32 keyRange, UINT32 checkEvery, UINT32 seed, MakeKey makeKey)
{
    std::mt19937       rng(seed);
    ZNMap<K, INT32>    m;
    std::map<K, INT32> ref;
    for (UINT32 step = 0; step < steps; ++step)
    {
        K     key   = makeKey(rng() % keyRange);
        INT32 value = (INT32)(rng() % 100000);
        switch (rng() % 6)
        {
        case 0:
        case 1:
        {
            auto* node  = m.Insert(key, value);
            bool  added = ref.insert(std::make_pair(key, value)).second;
            ASSERT_EQ(added, node != nullptr) << "step " << step;
            if (node)
            {
                ASSERT_EQ(value, node->value);
            }
            break;
        }
        case 2:
        {
            auto* node = m.Find(key);
            auto  it   = ref.find(key);
            ASSERT_EQ(it != ref.end(), node != nullptr) << "step " << step;
            if (node)
            {
                ASSERT_EQ(it->second, node->value);
            }
            break;
        }
        case 3:
            m[key] += value;
            ref[key] += value;
            break;
        default: ASSERT_EQ((INT32)ref.erase(key), m.Remove(key)) << "step " << step; break;
        }
        ASSERT_EQ(ref.size(), m.Size());
        if (step % checkEvery == 0)
        {
            ASSERT_TRUE(IsRedBlack(m)) << "step " << step;
        }
    }
    ASSERT_TRUE(IsRedBlack(m));
    ASSERT_TRUE(SameContents(m, ref));
    // Drain in random order, checking as it shrinks to nothing.
    std::vector<K> keys;
    for (auto& kv : ref)
        keys.push_back(kv.first);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (size_t i = 0; i < keys.size(); ++i)
    {
        ASSERT_EQ(1, m.Remove(keys[i]));
        if (i % checkEvery == 0)
        {
            ASSERT_TRUE(IsRedBlack(m));
        }
    }
    EXPECT_EQ(nullptr, m.root);
    EXPECT_EQ(0u, m.Size());
}

TEST(TemplateMap, EveryStepKeepsRedBlackShapeIntKeys)
{
    RunAgainstOracle<INT32>(20000, 300, 1, 1, [](UINT32 n) { return (INT32)n - 150; });
}

TEST(TemplateMap, EveryStepKeepsRedBlackShapeStringKeys)
{
    RunAgainstOracle<ZNString>(10000, 200, 1, 2, Key);
}

TEST(TemplateMap, LongRandomRunMatchesStdMap)
{
    RunAgainstOracle<INT32>(200000, 20000, 1000, 3, [](UINT32 n) { return (INT32)(n * 2654435761u); });
}

TEST(TemplateMap, SortedInsertAndRemoveStayBalanced)
{
    ZNMap<INT32, INT32> m;
    for (INT32 i = 0; i < 4096; ++i)
        ASSERT_NE(nullptr, m.Insert(i, i));
    ASSERT_TRUE(IsRedBlack(m));
    for (INT32 i = 0; i < 4096; i += 2)
        ASSERT_EQ(1, m.Remove(i));
    ASSERT_TRUE(IsRedBlack(m));
    for (INT32 i = 4095; i > 0; i -= 2)
        ASSERT_EQ(1, m.Remove(i));
    ASSERT_TRUE(IsRedBlack(m));
    EXPECT_EQ(0u, m.Size());
}

TEST(TemplateMap, DuplicatesDefaultsAndRemoval)
{
    ZNMap<ZNString, INT32> m;
    ASSERT_NE(nullptr, m.Insert("b", 2));
    EXPECT_EQ(nullptr, m.Insert("b", 99));
    EXPECT_EQ(2, m.Find("b")->value);
    EXPECT_EQ(0, m["a"]);   // created with a default value
    EXPECT_EQ(2u, m.Size());
    m["c"] = 3;
    EXPECT_EQ(0, m.Remove("zz"));
    EXPECT_EQ(1, m.Remove("b"));
    EXPECT_EQ(nullptr, m.Find("b"));
    EXPECT_EQ(3, m.Find("c")->value);
    ZNMap<ZNString, INT32> empty;
    EXPECT_EQ(0, empty.Remove("a"));
    EXPECT_EQ(nullptr, empty.Find("a"));

    // Byte-wise order: upper case before lower case, high bytes last.
    ZNMap<ZNString, INT32> order;
    for (const char* k : { "b", "\xE9", "B", "a", "ab", "" })
        order[k] = 1;
    std::vector<std::string> keys;
    order.ForEach([&](const ZNString& k, INT32&) { keys.push_back(k.CStr()); });
    EXPECT_EQ((std::vector<std::string>{ "", "B", "a", "ab", "b", "\xE9" }), keys);
}

TEST(TemplateMap, ContainerValuesCopyDeeplyAndClear)
{
    ZNMap<ZNString, ZNArray<ZNString>> m;
    for (int i = 0; i < 50; ++i)
    {
        ZNArray<ZNString>& list = m[Key((UINT32)i % 7)];
        list.Add(ZNString::Formatted("entry %d with a text long enough for the heap", i));
    }
    EXPECT_EQ(7u, m.Size());
    // Removing keys moves neighbours' keys and values between nodes.
    EXPECT_EQ(1, m.Remove(Key(3)));
    EXPECT_EQ(1, m.Remove(Key(0)));
    ZNMap<ZNString, ZNArray<ZNString>> copy(m);
    copy[Key(1)][0] = "changed";
    EXPECT_STREQ("entry 1 with a text long enough for the heap", m.Find(Key(1))->value[0].CStr());
    UINT32 total = 0;
    m.ForEach([&](const ZNString&, ZNArray<ZNString>& v) { total += v.Size(); });
    EXPECT_EQ(50u - 7 - 8, total);
    ZNMap<ZNString, ZNArray<ZNString>> moved(std::move(copy));
    EXPECT_EQ(0u, copy.Size());
    EXPECT_EQ(5u, moved.Size());
    m = moved;
    EXPECT_STREQ("changed", m.Find(Key(1))->value[0].CStr());
    m.Clear();
    EXPECT_EQ(0u, m.Size());
    EXPECT_EQ(nullptr, m.root);
    m["again"].Add("x");
    EXPECT_EQ(1u, m.Size());
}

}   // namespace
