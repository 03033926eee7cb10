// ZNUILayer: a tree of screen-space layers. Each layer is a rectangle anchored
// inside its parent's rectangle, fades in and out, clips its drawing to its own
// rectangle and draws with a small set of primitives that share one
// orthographic projection in window pixels (y down).
//
//   class MyPanel : public ZNUILayer {
//       void Draw() override { float c[4] = {0, 0, 0, 0.5f}; DrawRect(Rect, c, false); }
//   };
//   ZNSharedPtr<ZNUILayer> panel(new MyPanel);
//   panel->Window = appWindow;  panel->Layout();   // or parent->AddChild(panel)
//   each frame, context current:  panel->Update(1);
//   to close:  panel->Shown = 0;   // it fades out; its parent then prunes it
//
// Guarantees:
// - Update draws a layer only while -FadeIn < Transition <= FadeOut, clips its
//   own drawing to its rectangle (grown by one pixel at the far corner) and
//   always leaves the scissor off when it returns; a rejected clip skips the
//   layer's own drawing, never its children's updates.
// - Children may add, remove or reorder layers from inside Draw or Update: the
//   drawing order is walked over a copy, and every child is kept alive by that
//   copy until its update returns.
// - A layer without a window is reported ("!IO") and not drawn; nothing reads
//   the window's size through a null pointer.
// - A destroyed layer detaches its children (their Parent becomes null), so a
//   child kept elsewhere never points at a dead parent.
// - All drawing belongs to the thread and frame that own the window's context.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNSharedPtr.h"
#include "core/ZNTemplate.h"
#include "resources/ZNMaterial.h"
#include "ui/ZNUIRender.h"

class ZNAppWindow;
struct ZNWindowEvent;

// What a layer reads of its application window: the window's debug font (null
// while closed) and its client size in pixels. The application window sits
// above the ui layer, so these are defined beside it (runtime/ZNUIWindow.cpp)
// and the layer holds the window only as a pointer.
ZNFont* ZNUIWindowFont(const ZNAppWindow* window);
void    ZNUIWindowSize(const ZNAppWindow* window, float& width, float& height);
class ZNUILayer;

typedef ZNSharedPtr<ZNUILayer> ZNUILayerPtr;

// Blend word of both UI materials: equation add, colour factors source alpha and
// one minus source alpha, alpha factors one and one minus source alpha.
static const UINT32 ZN_UI_BLEND_WORD =
    ZNBlendWord(ZN_BLEND_ADD, ZN_FACTOR_SRC_ALPHA, ZN_FACTOR_INV_SRC_ALPHA, ZN_FACTOR_ONE, ZN_FACTOR_INV_SRC_ALPHA);
// Raster word of both UI materials: no culling, filled, no depth test or writes.
static const UINT32 ZN_UI_RASTER_WORD = ZNRasterWord(ZN_CULL_NONE, ZN_POLYGON_FILL, ZN_DEPTH_OFF, false);

class ZNUILayer
{
public:
    ZNFont*               Font;                // text font; the window's debug font by default
    float                 FontSize;            // pixels per line
    ZNMaterial*           CurMaterial;         // applied by BeginDraw; GUI by default
    UINT32                Initialized;         // Initialize has run
    ZNMaterial            ColorOnlyMaterial;   // Shaders/ColorOnly.shd
    ZNMaterial            GUIMaterial;         // Shaders/GUI.shd (texture unit 0 times colour)
    ZNString              Name;
    UINT32                PruneClosed;   // remove children that finished fading out
    float                 FadeIn;        // durations in units of Update's dt
    float                 FadeOut;
    ZNUIRect              Offsets;         // pixels added to each anchored edge
    ZNUIRect              Anchors;         // fractions of the parent's rectangle
    UINT32                Shown;           // clear to fade out and close
    UINT32                DrawCount;       // updates in which the layer was drawn
    float                 Transition;      // -FadeIn .. 0 (shown) .. +FadeOut (closed)
    ZNUIRect              Rect;            // window pixels, computed by Layout
    ZNMap<UINT32, UINT32> WidgetState;     // widget records (unused by the engine itself)
    UINT32                FocusedWidget;   // 0xFFFFFFFF: none
    ZNAppWindow*          Window;          // supplies the window size and the font
    ZNUILayer*            Parent;          // null for a root layer
    ZNArray<ZNUILayerPtr> Children;        // insertion order: layout, events, pruning
    ZNArray<ZNUILayerPtr> DrawOrder;       // drawn first to last, last on top
    UINT32                ClipPushed;      // SetClip pushed a scissor not yet popped

    ZNUILayer();
    virtual ~ZNUILayer();
    ZNUILayer(const ZNUILayer&)            = delete;
    ZNUILayer& operator=(const ZNUILayer&) = delete;

    // ---- virtual operations ------------------------------------------------------------

    // Applies TransformPoint to both corners.
    virtual ZNUIRect TransformRect(const ZNUIRect& rect);
    virtual void     TransformPoint(float& x, float& y);
    virtual float    TransformLength(float length);
    // With a rectangle: scissor to it (clipped by the enclosing scissor) and
    // answer whether anything is left to draw. With null: scissor off, true.
    virtual bool     SetClip(const ZNUIRect* rect);
    // 1 fully shown, 0 invisible.
    virtual float    Opacity();
    // Once: creates the two materials, picks GUI and the window's font.
    virtual void     Initialize();
    // Widget drawing hooks; the engine's own layers draw no widgets.
    virtual void     DrawButton(UINT32 /*id*/, const ZNUIRect& /*rect*/, const char* /*text*/) {}
    virtual void     DrawLineWidget(UINT32 /*id*/, const ZNUIRect& /*rect*/) {}
    virtual void     DrawBox(UINT32 /*id*/, const ZNUIRect& /*rect*/) {}
    virtual void     DrawTextField(UINT32 /*id*/, const ZNUIRect& /*rect*/, const char* /*text*/) {}
    // Each concrete layer draws itself here, clipped to its rectangle.
    virtual void     Draw() = 0;
    // Forwards an event to every child (no widget holds focus in the engine).
    virtual void     Event(const ZNWindowEvent& event);

    // ---- tree ----------------------------------------------------------------------------

    // The child takes this layer as parent and its window, and goes on top. A
    // child that already has a parent leaves it first; null, this layer or one
    // of its ancestors is refused.
    void AddChild(const ZNUILayerPtr& child);
    void RemoveChild(ZNUILayer* child);
    void BringToFront(ZNUILayer* child);
    // Rectangle of this layer, then of every child.
    void Layout();
    // Sets the window of this layer and of all its descendants.
    void SetWindow(ZNAppWindow* window);
    // Drops what belongs to the window's GL context (the materials' programs and
    // the window's font) in this layer and its descendants, before that context
    // goes; the next draw initialises again from the context then current.
    void ForgetContext();
    // Steps 2 and 3 of Update: direction change and advance of the transition.
    void AdvanceTransition(float dt);
    // Advances the transition, prunes closed children, draws this layer and
    // updates its children in drawing order.
    void Update(float dt);

    // ---- drawing primitives (context current, inside the window's frame) -----------------

    // Initialize, apply the current material, set ZN_mView (identity) and
    // ZN_mProj (window pixels, y down) on the program it made current.
    void BeginDraw();
    // BeginDraw for shapes without texture: the ColorOnly material when the
    // current one is the GUI material, else the current one.
    void BeginDrawUntextured();
    // Four corners (x0,y0) (x1,y0) (x1,y1) (x0,y1): a line loop or a triangle
    // fan, set up by BeginDrawUntextured.
    void DrawRect(const ZNUIRect& rect, const float rgba[4], bool outline);
    // Streams count vertices from memory with the UI layout; does not BeginDraw.
    void DrawVertices(const ZNUIVertex* vertices, UINT32 count, UINT32 primitive);
    // A single line in a packed colour (set up by BeginDrawUntextured).
    void DrawLine(float x0, float y0, float x1, float y1, UINT32 packedColor);
    // Text laid out inside rect with the font (ZNTextFlags); length 0 reads up to the
    // terminator; size <= 0 uses FontSize. False when there is no font or it
    // has no glyphs.
    bool DrawText(const char* text, UINT32 length, UINT32 packedColor, UINT32 flags, const ZNUIRect& rect, float size);

    // Size of the window's client area in pixels; (0, 0) without a window.
    void WindowSize(float& width, float& height) const;

private:
    // Applies material (none: keeps what is bound) and sets both matrices on
    // the program current afterwards.
    void BeginDrawWith(ZNMaterial* material);
};
