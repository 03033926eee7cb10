// ZNSharedPtr: reference counting, deletion on the last release, conversions.
#include <gtest/gtest.h>


#include "core/ZNSharedPtr.h"

namespace
{
int gAlive = 0;

// Deliberately without a virtual destructor: the pointer must delete as created.
struct Base
{
    int value = 1;
};
struct Derived : Base
{
    Derived() { ++gAlive; }
    ~Derived() { --gAlive; }
};

struct Node
{
    Node() { ++gAlive; }
    ~Node() { --gAlive; }
    ZNSharedPtr<Node> next;
};
}   // namespace

TEST(SharedPtr, LastReleaseDeletesTheObject)
{
    gAlive = 0;
    {
        ZNSharedPtr<Derived> a(new Derived);
        EXPECT_EQ(a.UseCount(), 1u);
        {
            ZNSharedPtr<Derived> b = a;
            ZNSharedPtr<Derived> c;
            c = b;
            EXPECT_EQ(a.UseCount(), 3u);
            EXPECT_TRUE(b == a);
            EXPECT_EQ(gAlive, 1);
        }
        EXPECT_EQ(a.UseCount(), 1u);
        EXPECT_EQ(gAlive, 1);
    }
    EXPECT_EQ(gAlive, 0);
}


TEST(SharedPtr, BasePointerDeletesAsTheCreatedType)
{
    gAlive = 0;
    {
        ZNSharedPtr<Base> base(new Derived);
        EXPECT_EQ(gAlive, 1);
        ZNSharedPtr<Derived> d        = ZNMakeShared<Derived>();
        ZNSharedPtr<Base>    alsoBase = d;
        EXPECT_EQ(d.UseCount(), 2u);
        EXPECT_EQ(alsoBase->value, 1);
        EXPECT_TRUE(alsoBase == d);
        EXPECT_FALSE(alsoBase == base);
        EXPECT_EQ(gAlive, 2);
    }
    EXPECT_EQ(gAlive, 0);   // ~Derived ran for both, though Base has no virtual destructor
}

TEST(SharedPtr, SelfAssignmentAndOwnedChainsAreSafe)
{
    gAlive = 0;
    ZNSharedPtr<Node> a(new Node);
    a = *&a;
    EXPECT_EQ(a.UseCount(), 1u);
    EXPECT_EQ(gAlive, 1);

    // Assigning a pointer held only by the object being released.
    a->next.Reset(new Node);
    ZNSharedPtr<Node>& inner = a->next;
    a                        = inner;
    EXPECT_EQ(gAlive, 1);
    EXPECT_EQ(a.UseCount(), 1u);
    a.Reset();
    EXPECT_EQ(gAlive, 0);
}
