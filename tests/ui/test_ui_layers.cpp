// UI layers without GL: colours, projection, anchored layout, the fade
// transition, the tree and the update walk (the probe layers clip without a
// scissor, so no context is needed).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/ZNTestDialogs.h"
#include "ui/ZNUILayer.h"
#include "application/ZNAppWindow.h"

namespace
{

// Logs its turn (Update calls TransformRect once for a layer it draws), may
// act from inside it, and records clipping instead of using the scissor stack.
class OrderLayer : public ZNUILayer
{
public:
    explicit OrderLayer(const char* name, std::vector<std::string>* log = nullptr) : Log(log) { Name = ZNString(name); }
    void     Draw() override { ++Draws; }
    ZNUIRect TransformRect(const ZNUIRect& r) override
    {
        if (Log)
            Log->push_back(Name.CStr());
        if (OnUpdate)
            OnUpdate(this);
        return ZNUILayer::TransformRect(r);
    }
    bool SetClip(const ZNUIRect* rect) override
    {
        OpenClips += rect ? 1 : -1;
        if (rect)
            Clips.push_back(*rect);
        return rect ? AllowDraw : true;
    }

    std::vector<std::string>* Log;
    void (*OnUpdate)(OrderLayer*) = nullptr;
    ZNUILayer*            Victim  = nullptr;
    int                   Draws   = 0;
    std::vector<ZNUIRect> Clips;
    int                   OpenClips = 0;
    bool                  AllowDraw = true;
};

// A closed window with a client size; layers only read its parameters here.
struct FakeWindow
{
    FakeWindow(UINT32 w, UINT32 h) : Win(nullptr) { Win.RenderWindow.Resize(w, h); }
    ZNAppWindow Win;
};

}   // namespace

TEST(UIColor, PackPutsRedLowClampsAndRoundTrips)
{
    EXPECT_EQ(0xFF0000FFu, ZNPackColor(1, 0, 0, 1));
    EXPECT_EQ(0x00FF0000u, ZNPackColor(0, 0, 1, 0));
    // Out-of-range and NaN channels still give a valid word.
    EXPECT_EQ(0xFF0000FFu, ZNPackColor(7.5f, -3.0f, NAN, 2.0f));
    float rgba[4];
    ZNUnpackColor(0x80402010u, rgba);
    EXPECT_NEAR(0x10 / 255.0f, rgba[0], 1e-6f);
    EXPECT_NEAR(0x80 / 255.0f, rgba[3], 1e-6f);
    for (UINT32 v = 0; v < 256; v += 5)
    {
        const float c[4] = { v / 255.0f, 1.0f - v / 255.0f, 0.33f, 0.9f };
        float       back[4];
        ZNUnpackColor(ZNPackColor(c), back);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(c[i], back[i], 0.5f / 255.0f + 1e-6f) << v << " channel " << i;
    }
}

TEST(UIProjection, MinimisedWindowStaysFinite)
{
    const ZNMat4 z = ZNUIProjection(0, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(z[i])) << i;
}

TEST(UILayout, RootFillsWindowAndChildrenFollowRecursively)
{
    FakeWindow             fw(1024, 576);
    ZNSharedPtr<ZNUILayer> root(new OrderLayer("root"));
    ZNSharedPtr<ZNUILayer> child(new OrderLayer("child"));
    ZNSharedPtr<ZNUILayer> grandchild(new OrderLayer("grandchild"));
    root->Window        = &fw.Win;
    child->Anchors      = ZNUIRect{ 0.5f, 0, 1, 0.5f };
    grandchild->Offsets = ZNUIRect{ 4, 4, -4, -4 };
    root->AddChild(child);
    child->AddChild(grandchild);
    root->Layout();

    EXPECT_EQ(0.0f, root->Rect.X0);
    EXPECT_EQ(0.0f, root->Rect.Y0);
    EXPECT_EQ(1024.0f, root->Rect.X1);
    EXPECT_EQ(576.0f, root->Rect.Y1);
    EXPECT_EQ(512.0f, child->Rect.X0);
    EXPECT_EQ(288.0f, child->Rect.Y1);
    EXPECT_EQ(516.0f, grandchild->Rect.X0);
    EXPECT_EQ(4.0f, grandchild->Rect.Y0);
    EXPECT_EQ(1020.0f, grandchild->Rect.X1);
    EXPECT_EQ(284.0f, grandchild->Rect.Y1);

    // A resize followed by a layout reaches every level.
    fw.Win.RenderWindow.Resize(200, 100);
    root->Layout();
    EXPECT_EQ(100.0f, child->Rect.X0);
    EXPECT_EQ(196.0f, grandchild->Rect.X1);
    EXPECT_EQ(46.0f, grandchild->Rect.Y1);

    // Without a window a root has nothing to fill.
    ZNSharedPtr<ZNUILayer> lone(new OrderLayer("lone"));
    lone->Offsets = ZNUIRect{ 1, 2, 3, 4 };
    lone->Layout();
    EXPECT_EQ(1.0f, lone->Rect.X0);
    EXPECT_EQ(4.0f, lone->Rect.Y1);
}

TEST(UITransition, FadeInCompletesAndClampsAtBothEnds)
{
    // Fade-in 0.5 shown from -0.5: one update of 1 makes it fully opaque.
    float t = ZNUIStepTransition(-0.5f, true, 0.5f, 0.5f, 1.0f);
    EXPECT_EQ(0.0f, t);
    EXPECT_EQ(1.0f, ZNUITransitionOpacity(t, 0.5f, 0.5f));
    // Partial steps move linearly.
    t = ZNUIStepTransition(-1.0f, true, 1.0f, 2.0f, 0.25f);
    EXPECT_FLOAT_EQ(-0.75f, t);
    EXPECT_FLOAT_EQ(0.25f, ZNUITransitionOpacity(t, 1.0f, 2.0f));
    // Closing stops at fade-out, never beyond; opacity 0 there.
    t = 0.0f;
    for (int i = 0; i < 10; ++i)
        t = ZNUIStepTransition(t, false, 1.0f, 2.0f, 0.5f);
    EXPECT_EQ(2.0f, t);
    EXPECT_EQ(0.0f, ZNUITransitionOpacity(t, 1.0f, 2.0f));
    // Something below -fadeIn is pulled back to it.
    EXPECT_EQ(-1.0f, ZNUIStepTransition(-5.0f, true, 1.0f, 1.0f, 0.0f));
}

TEST(UITransition, ReversalKeepsTheOpacity)
{
    // Equal durations: hidden halfway through the fade-in, it fades out from
    // the same opacity (a zero step shows the reversal alone).
    float       t      = ZNUIStepTransition(-0.5f, true, 0.5f, 0.5f, 0.25f);
    const float before = ZNUITransitionOpacity(t, 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(0.5f, before);
    t = ZNUIStepTransition(t, false, 0.5f, 0.5f, 0.0f);
    EXPECT_GT(t, 0.0f);
    EXPECT_FLOAT_EQ(before, ZNUITransitionOpacity(t, 0.5f, 0.5f));

    // Different durations, both ways: no jump either.
    const float fadeIn = 2.0f, fadeOut = 0.5f;
    t              = -0.5f;   // a quarter into a 2-long fade-in
    const float o1 = ZNUITransitionOpacity(t, fadeIn, fadeOut);
    t              = ZNUIStepTransition(t, false, fadeIn, fadeOut, 0.0f);
    EXPECT_FLOAT_EQ(o1, ZNUITransitionOpacity(t, fadeIn, fadeOut));
    t              = 0.1f;   // a fifth into the fade-out
    const float o2 = ZNUITransitionOpacity(t, fadeIn, fadeOut);
    t              = ZNUIStepTransition(t, true, fadeIn, fadeOut, 0.0f);
    EXPECT_LT(t, 0.0f);
    EXPECT_FLOAT_EQ(o2, ZNUITransitionOpacity(t, fadeIn, fadeOut));
}

TEST(UITransition, ZeroDurationsNeverGiveNaN)
{
    EXPECT_EQ(0.0f, ZNUIStepTransition(-0.3f, false, 0.5f, 0.0f, 0.0f));
    EXPECT_EQ(0.0f, ZNUIStepTransition(0.3f, true, 0.0f, 0.5f, 0.0f));
    EXPECT_EQ(1.0f, ZNUITransitionOpacity(0.0f, 0.0f, 0.0f));
}

TEST(UILayerTree, AddRemoveFrontAndReparent)
{
    FakeWindow             fw(640, 480);
    ZNSharedPtr<ZNUILayer> a(new OrderLayer("a"));
    ZNSharedPtr<ZNUILayer> b(new OrderLayer("b"));
    ZNSharedPtr<ZNUILayer> c(new OrderLayer("c"));
    ZNSharedPtr<ZNUILayer> d(new OrderLayer("d"));
    a->Window = &fw.Win;
    a->AddChild(b);
    a->AddChild(c);
    b->AddChild(d);
    EXPECT_EQ(a.Get(), b->Parent);
    EXPECT_EQ(&fw.Win, d->Window);   // the window reaches grandchildren too
    ASSERT_EQ(2u, a->DrawOrder.Size());

    a->BringToFront(b.Get());
    EXPECT_EQ(c.Get(), a->DrawOrder[0].Get());
    EXPECT_EQ(b.Get(), a->DrawOrder[1].Get());
    EXPECT_EQ(b.Get(), a->Children[0].Get());   // insertion order is untouched

    // Moving c under b takes it out of a.
    b->AddChild(c);
    EXPECT_EQ(b.Get(), c->Parent);
    EXPECT_EQ(1u, a->Children.Size());
    EXPECT_EQ(1u, a->DrawOrder.Size());
    EXPECT_EQ(2u, b->Children.Size());

    b->RemoveChild(d.Get());
    EXPECT_EQ(nullptr, d->Parent);
    EXPECT_EQ(1u, b->Children.Size());
    EXPECT_EQ(1u, b->DrawOrder.Size());

    {
        ZNDialogRecorder dialogs;
        a->AddChild(a);   // a layer cannot hold itself,
        c->AddChild(a);   // nor an ancestor of its own
        a->AddChild(ZNSharedPtr<ZNUILayer>());
        EXPECT_EQ(3u, dialogs.Count()) << dialogs.Summary();
        EXPECT_EQ(1u, a->Children.Size());
        EXPECT_EQ(0u, c->Children.Size());
    }

    // A dead parent leaves no dangling pointer behind.
    a.Reset();
    EXPECT_EQ(nullptr, b->Parent);
}

TEST(UILayerUpdate, WithoutWindowReportsAndDrawsNothing)
{
    ZNDialogRecorder       dialogs;
    ZNSharedPtr<ZNUILayer> lone(new OrderLayer("lone"));
    lone->Transition = -0.5f;
    lone->Update(1.0f);
    EXPECT_EQ(dialogs.Asserts("!IO"), 1u) << dialogs.Summary();
    EXPECT_EQ(0u, lone->DrawCount);
    EXPECT_EQ(-0.5f, lone->Transition);
}

TEST(UILayerUpdate, WalksDrawOrderCountsDrawsAndPrunesClosedChildren)
{
    FakeWindow               fw(320, 200);
    std::vector<std::string> log;
    ZNSharedPtr<ZNUILayer>   root(new OrderLayer("root", &log));
    ZNSharedPtr<ZNUILayer>   a(new OrderLayer("a", &log));
    ZNSharedPtr<ZNUILayer>   b(new OrderLayer("b", &log));
    root->Window = &fw.Win;
    root->AddChild(a);
    root->AddChild(b);
    root->BringToFront(a.Get());
    root->Layout();

    root->Update(1.0f);
    EXPECT_EQ((std::vector<std::string>{ "root", "b", "a" }), log);
    EXPECT_EQ(1u, root->DrawCount);
    EXPECT_EQ(1u, a->DrawCount);

    // A new layer is drawn from its first update on (it starts fading in).
    ZNSharedPtr<ZNUILayer> fresh(new OrderLayer("fresh", &log));
    fresh->Transition = -fresh->FadeIn;
    root->AddChild(fresh);
    log.clear();
    root->Update(0.1f);
    EXPECT_EQ(1u, fresh->DrawCount);
    EXPECT_FLOAT_EQ(-0.4f, fresh->Transition);

    // Hidden: fades out over 0.5, still drawn at its end (opacity 0), then pruned.
    b->Shown = 0;
    root->Update(0.25f);
    EXPECT_EQ(3u, root->Children.Size());
    root->Update(0.25f);
    EXPECT_EQ(0.5f, b->Transition);
    EXPECT_EQ(4u, b->DrawCount);
    EXPECT_EQ(0.0f, b->Opacity());
    log.clear();
    root->Update(0.25f);
    EXPECT_EQ(2u, root->Children.Size());
    EXPECT_EQ(2u, root->DrawOrder.Size());
    EXPECT_EQ(nullptr, b->Parent);
    EXPECT_EQ((std::vector<std::string>{ "root", "a", "fresh" }), log);
}

TEST(UILayerUpdate, ChildrenMayChangeTheTreeDuringTheWalk)
{
    FakeWindow               fw(320, 200);
    std::vector<std::string> log;
    ZNSharedPtr<ZNUILayer>   root(new OrderLayer("root", &log));
    OrderLayer*              killer = new OrderLayer("killer", &log);
    ZNSharedPtr<ZNUILayer>   killerPtr(killer);
    ZNSharedPtr<ZNUILayer>   victim(new OrderLayer("victim", &log));
    root->Window = &fw.Win;
    root->AddChild(killerPtr);
    root->AddChild(victim);
    killer->Victim = victim.Get();
    // Removes itself and the victim from their parent while being updated.
    killer->OnUpdate = [](OrderLayer* self)
    {
        ZNUILayer* parent = self->Parent;
        if (!parent)
            return;
        parent->RemoveChild(self->Victim);
        parent->RemoveChild(self);
    };
    killerPtr.Reset();
    victim.Reset();   // only the tree (and the walk's copy) holds them now
    root->Update(1.0f);
    EXPECT_EQ(0u, root->Children.Size());
    EXPECT_EQ(0u, root->DrawOrder.Size());
    // The walk finished over its copy: the victim was still updated once.
    EXPECT_EQ((std::vector<std::string>{ "root", "killer", "victim" }), log);
}

TEST(UILayerUpdate, ClipIsTheGrownRectAndARejectedClipStillUpdatesChildren)
{
    FakeWindow               fw(320, 200);
    std::vector<std::string> log;
    ZNSharedPtr<ZNUILayer>   root(new OrderLayer("root", &log));
    ZNSharedPtr<ZNUILayer>   child(new OrderLayer("child", &log));
    OrderLayer*              r = static_cast<OrderLayer*>(root.Get());
    OrderLayer*              c = static_cast<OrderLayer*>(child.Get());
    root->Window               = &fw.Win;
    child->Offsets             = ZNUIRect{ 10, 20, -30, -40 };
    root->AddChild(child);
    root->Layout();

    r->AllowDraw = false;
    root->Update(1.0f);
    EXPECT_EQ(0, r->Draws);   // its own drawing is skipped...
    EXPECT_EQ(1, c->Draws);   // ...its children's updates are not
    EXPECT_EQ(1u, root->DrawCount);
    EXPECT_EQ(0, r->OpenClips);   // every clip was turned off again
    EXPECT_EQ(0, c->OpenClips);
    ASSERT_EQ(1u, c->Clips.size());
    EXPECT_EQ(10.0f, c->Clips[0].X0);
    EXPECT_EQ(20.0f, c->Clips[0].Y0);
    EXPECT_EQ(291.0f, c->Clips[0].X1);   // far corner grown by one pixel
    EXPECT_EQ(161.0f, c->Clips[0].Y1);
    EXPECT_EQ((std::vector<std::string>{ "root", "child" }), log);
}
