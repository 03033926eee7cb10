// UI layers: tree upkeep, layout, the per-frame update and the primitives.
#include "ui/ZNUILayer.h"

#include "render/ZNRT.h"
#include "render/ZNShader.h"
#include "render/ZNVertex.h"
#include "ui/ZNFont.h"

ZNUILayer::ZNUILayer()
    : Font(nullptr), FontSize(24.0f), CurMaterial(nullptr), Initialized(0), ColorOnlyMaterial("ColorOnly"),
      GUIMaterial("GUI"), Name("Layer"), PruneClosed(1), FadeIn(0.5f),
      FadeOut(0.5f), Offsets{ 0.0f, 0.0f, 0.0f, 0.0f }, Anchors{ 0.0f, 0.0f, 1.0f, 1.0f }, Shown(1), DrawCount(0),
      Transition(0.0f), Rect{ 0.0f, 0.0f, 0.0f, 0.0f }, FocusedWidget(0xFFFFFFFF), Window(nullptr), Parent(nullptr),
      ClipPushed(0)
{
}

ZNUILayer::~ZNUILayer()
{
    for (UINT32 i = 0; i < Children.Size(); ++i)
        if (Children[i].Get() && Children[i]->Parent == this)
            Children[i]->Parent = nullptr;
}

// ---- virtual operations ------------------------------------------------------------------

ZNUIRect ZNUILayer::TransformRect(const ZNUIRect& rect)
{
    ZNUIRect r = rect;
    TransformPoint(r.X0, r.Y0);
    TransformPoint(r.X1, r.Y1);
    return r;
}

void ZNUILayer::TransformPoint(float&, float&)
{
}

float ZNUILayer::TransformLength(float length)
{
    return length;
}

bool ZNUILayer::SetClip(const ZNUIRect* rect)
{
    // Each layer pushes at most one scissor and pops only its own, so the
    // stack stays balanced however the layers nest.
    if (!rect)
    {
        if (ClipPushed)
        {
            ClipPushed = 0;
            PopScissor();
        }
        return true;
    }
    if (ClipPushed)
    {
        ClipPushed = 0;
        PopScissor();
    }
    // An empty or inverted rectangle leaves nothing to draw; the scissor code
    // would take it as-is on an empty stack.
    if (!(rect->X1 > rect->X0) || !(rect->Y1 > rect->Y0))
        return false;
    if (!PushScissor(*rect))
        return false;
    ClipPushed = 1;
    return true;
}

float ZNUILayer::Opacity()
{
    return ZNUITransitionOpacity(Transition, FadeIn, FadeOut);
}

void ZNUILayer::Initialize()
{
    if (Initialized)
        return;
    ColorOnlyMaterial.SetShader(ZNString("ColorOnly"), ZNString());
    ColorOnlyMaterial.SetBlendMode(ZN_UI_BLEND_WORD);
    ColorOnlyMaterial.SetRasterState(ZN_UI_RASTER_WORD);
    GUIMaterial.SetShader(ZNString("GUI"), ZNString());
    GUIMaterial.SetBlendMode(ZN_UI_BLEND_WORD);
    GUIMaterial.SetRasterState(ZN_UI_RASTER_WORD);
    if (!CurMaterial)
        CurMaterial = &GUIMaterial;
    if (!Font && Window)
        Font = ZNUIWindowFont(Window);
    Initialized = 1;
}

void ZNUILayer::ForgetContext()
{
    ColorOnlyMaterial.Shader = ZNShaderPtr();
    GUIMaterial.Shader       = ZNShaderPtr();
    // Only the window's font goes with the window; a font given by the owner stays.
    if (Window && Font == ZNUIWindowFont(Window))
        Font = nullptr;
    Initialized = 0;
    for (UINT32 i = 0; i < Children.Size(); ++i)
        if (Children[i].Get())
            Children[i]->ForgetContext();
}

void ZNUILayer::Event(const ZNWindowEvent& event)
{
    // Over a copy: a child may close or reorder layers while handling it.
    ZNArray<ZNUILayerPtr> children = Children;
    for (UINT32 i = 0; i < children.Size(); ++i)
        if (children[i].Get())
            children[i]->Event(event);
}

// ---- tree --------------------------------------------------------------------------------

static bool RemoveFrom(ZNArray<ZNUILayerPtr>& list, ZNUILayer* layer)
{
    for (UINT32 i = 0; i < list.Size(); ++i)
        if (list[i].Get() == layer)
        {
            list.RemoveAt(i);
            return true;
        }
    return false;
}

void ZNUILayer::AddChild(const ZNUILayerPtr& child)
{
    // An ancestor as child would make a cycle that layout and update never leave.
    bool ancestor = false;
    for (const ZNUILayer* p = this; p; p = p->Parent)
        ancestor = ancestor || p == child.Get();
    if (ZN_CHECK_FAILED(!child.Get() || ancestor))
        return;
    // Kept alive here: leaving the old parent may drop its last other reference.
    ZNUILayerPtr keep = child;
    if (keep->Parent)
        keep->Parent->RemoveChild(keep.Get());
    keep->Parent = this;
    keep->SetWindow(Window);
    Children.Add(keep);
    DrawOrder.Add(keep);
}

void ZNUILayer::RemoveChild(ZNUILayer* child)
{
    if (!child)
        return;
    // The child may be owned only by these lists.
    ZNUILayerPtr keep;
    for (UINT32 i = 0; i < Children.Size(); ++i)
        if (Children[i].Get() == child)
            keep = Children[i];
    const bool found = RemoveFrom(Children, child);
    RemoveFrom(DrawOrder, child);
    if (found && child->Parent == this)
        child->Parent = nullptr;
}

void ZNUILayer::BringToFront(ZNUILayer* child)
{
    for (UINT32 i = 0; i < DrawOrder.Size(); ++i)
        if (DrawOrder[i].Get() == child)
        {
            ZNUILayerPtr keep = DrawOrder[i];
            DrawOrder.RemoveAt(i);
            DrawOrder.Add(keep);
            return;
        }
}

void ZNUILayer::WindowSize(float& width, float& height) const
{
    width  = 0.0f;
    height = 0.0f;
    if (Window)
        ZNUIWindowSize(Window, width, height);
}

void ZNUILayer::Layout()
{
    ZNUIRect parent = { 0.0f, 0.0f, 0.0f, 0.0f };
    if (Parent)
        parent = Parent->Rect;
    else
        WindowSize(parent.X1, parent.Y1);
    Rect = ZNUIAnchorRect(parent, Anchors, Offsets);
    for (UINT32 i = 0; i < Children.Size(); ++i)
        if (Children[i].Get())
            Children[i]->Layout();
}

void ZNUILayer::SetWindow(ZNAppWindow* window)
{
    Window = window;
    for (UINT32 i = 0; i < Children.Size(); ++i)
        if (Children[i].Get())
            Children[i]->SetWindow(window);
}

void ZNUILayer::AdvanceTransition(float dt)
{
    Transition = ZNUIStepTransition(Transition, Shown != 0, FadeIn, FadeOut, dt);
}

void ZNUILayer::Update(float dt)
{
    // Drawing reads the window's size: without one the layer stays undrawn.
    const ZNAppWindow* IO = Window;
    if (!IO)
    {
        BREAK_IF(!IO);
        return;
    }
    AdvanceTransition(dt);

    if (PruneClosed)
    {
        for (UINT32 i = 0; i < Children.Size();)
        {
            ZNUILayer* c = Children[i].Get();
            if (c && !c->Shown && c->Transition >= c->FadeOut)
                RemoveChild(c);
            else
                ++i;
        }
    }

    if (-FadeIn < Transition && Transition <= FadeOut)
    {
        ++DrawCount;
        ZNUIRect clip = TransformRect(Rect);
        clip.X1 += 1.0f;
        clip.Y1 += 1.0f;
        if (SetClip(&clip))
            Draw();
        // The copy also keeps every child alive until its update returns.
        ZNArray<ZNUILayerPtr> order = DrawOrder;
        for (UINT32 i = 0; i < order.Size(); ++i)
            if (order[i].Get())
                order[i]->Update(dt);
        SetClip(nullptr);
    }
}

// ---- drawing primitives ------------------------------------------------------------------

void ZNUILayer::BeginDraw()
{
    Initialize();
    BeginDrawWith(CurMaterial);
}

void ZNUILayer::BeginDrawUntextured()
{
    Initialize();
    // The GUI material samples unit 0, which holds whatever was bound last (a
    // font page after text, nothing at all before): untextured shapes would
    // come out transparent or black. A material chosen by a subclass is kept.
    BeginDrawWith(CurMaterial == &GUIMaterial ? &ColorOnlyMaterial : CurMaterial);
}

void ZNUILayer::BeginDrawWith(ZNMaterial* material)
{
    if (material)
        ApplyMaterial(*material);

    float width, height;
    WindowSize(width, height);
    const ZNMat4 view = Identity();
    const ZNMat4 proj = ZNUIProjection(width, height);

    ZNShaderPtr  shader = GetCurrentShader();
    ZNUniformRef viewRef, projRef;
    GetUniform(shader, viewRef, "ZN_mView");
    GetUniform(shader, projRef, "ZN_mProj");
    SetFloat(viewRef, view.Data(), 4, true, 1);
    SetFloat(projRef, proj.Data(), 4, true, 1);
}

void ZNUILayer::DrawRect(const ZNUIRect& rect, const float rgba[4], bool outline)
{
    BeginDrawUntextured();
    const ZNUIVertex v[4] = {
        ZNMakeUIVertex(rect.X0, rect.Y0, rgba),
        ZNMakeUIVertex(rect.X1, rect.Y0, rgba),
        ZNMakeUIVertex(rect.X1, rect.Y1, rgba),
        ZNMakeUIVertex(rect.X0, rect.Y1, rgba),
    };
    DrawVertices(v, 4, outline ? PT_LineLoop : PT_TriangleFan);
}

void ZNUILayer::DrawVertices(const ZNUIVertex* vertices, UINT32 count, UINT32 primitive)
{
    if (!vertices || count == 0)
        return;
    DrawUserVertices2D(vertices, count, primitive);
}

void ZNUILayer::DrawLine(float x0, float y0, float x1, float y1, UINT32 packedColor)
{
    BeginDrawUntextured();
    float rgba[4];
    ZNUnpackColor(packedColor, rgba);
    const ZNUIVertex v[2] = { ZNMakeUIVertex(x0, y0, rgba), ZNMakeUIVertex(x1, y1, rgba) };
    DrawVertices(v, 2, PT_Lines);
}

bool ZNUILayer::DrawText(const char* text, UINT32 length, UINT32 packedColor, UINT32 flags, const ZNUIRect& rect,
                         float size)
{
    BeginDraw();
    // Initialisation runs once, but the window's font comes and goes with
    // Open and Close: a layer left without one takes the current one.
    if (!Font && Window)
        Font = ZNUIWindowFont(Window);
    if (!Font || !text)
        return false;
    float rgba[4];
    ZNUnpackColor(packedColor, rgba);
    const ZNVec4 colour(rgba[0], rgba[1], rgba[2], rgba[3]);
    const ZNVec4 r(rect.X0, rect.Y0, rect.X1, rect.Y1);
    return Font->DrawTextInRect(text, length, colour, flags, r, size > 0.0f ? size : FontSize) == 0;
}
