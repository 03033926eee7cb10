// ZNRT: where rendering goes and which part of it is touched.
//
//   ZNSharedPtr<ZNFrameBuffer> fb(new ZNFrameBuffer);
//   fb->Begin(); fb->SetRenderBuffer(UINT32_MAX, depth, RTA_DepthStencil); fb->Commit();
//   PushFBO(fb);  ...draw...  PopFBO(fb);          // back to the window
//   PushScissor(rect); ...draw... PopScissor();    // nested scissors only shrink
//
// Guarantees: binding a framebuffer also sets its viewport and draw buffers, so
// nothing else has to be tracked; the framebuffer stack and the scissor stack are
// per context (in the current ZNContextState); the scissor test is toggled only on
// change. Scissor rectangles are window pixels, origin top left, y down; they are
// converted to GL's bottom-left origin with the window height. An incomplete
// framebuffer is a fatal error whose report lists all 9 slots.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNSharedPtr.h"
#include "core/ZNTemplate.h"
#include "render/ZNTextureObject.h"

static const UINT32 MAX_COLOR_BUFFERS = 8;
static const UINT32 ZN_FB_SLOTS       = MAX_COLOR_BUFFERS + 1;   // colour 0..7, depth/stencil is slot 8

// How a slot is attached.
enum ZNRTAttachment : INT32
{
    RTA_None         = -1,
    RTA_Color        = 0,
    RTA_Depth        = 1,
    RTA_Stencil      = 2,
    RTA_DepthStencil = 3,
};

// Engine format code of a packed depth/stencil render buffer (GL_DEPTH24_STENCIL8).
static const UINT32 ZN_RB_FORMAT_DEPTH24_STENCIL8 = 24;

// A GL renderbuffer; samples below 2 make a plain one.
class ZNRenderBuffer
{
public:
    UINT32 Name;   // GL renderbuffer name
    UINT32 Width;
    UINT32 Height;
    UINT32 Samples;
    UINT32 Format;   // engine format code; only 24 is accepted by GL

    ZNRenderBuffer(UINT32 width, UINT32 height, UINT32 samples, UINT32 format);
    virtual ~ZNRenderBuffer();
    ZNRenderBuffer(const ZNRenderBuffer&)            = delete;
    ZNRenderBuffer& operator=(const ZNRenderBuffer&) = delete;

    ZNString Describe() const;
};

// A framebuffer object with 9 slots. Build it with Begin, SetTexture /
// SetRenderBuffer per slot, then Commit; until Commit succeeds the default
// framebuffer is forced (SetFBOOverride) and the stack refuses pushes and pops.
class ZNFrameBuffer
{
public:
    UINT32                                       Name;       // 0 before Begin
    UINT32                                       Width;      // smallest attached width (Commit)
    UINT32                                       Height;     // smallest attached height (Commit)
    ZNFixedArray<ZNTextureHandle, 9>             Textures;   // one reference each, or null
    ZNFixedArray<ZNSharedPtr<ZNRenderBuffer>, 9> RenderBuffers;
    INT32                                        Types[ZN_FB_SLOTS];   // ZNRTAttachment per slot

    ZNFrameBuffer();
    virtual ~ZNFrameBuffer();
    ZNFrameBuffer(const ZNFrameBuffer&)            = delete;
    ZNFrameBuffer& operator=(const ZNFrameBuffer&) = delete;

    void     Begin();
    // id is 0..7 for colour or UINT32_MAX for the depth/stencil slot. A slot
    // holds a texture (level 0 of a 2D texture) or a render buffer, never both.
    void     SetTexture(UINT32 id, const ZNTextureHandle& texture, INT32 type);
    void     SetRenderBuffer(UINT32 id, const ZNSharedPtr<ZNRenderBuffer>& rb, INT32 type);
    // Attaches, checks completeness (fatal report when incomplete) and computes the size.
    void     Commit();
    // Builds the error report text of message and the 9 slots.
    ZNString DescribeError(const char* message) const;
};

typedef ZNSharedPtr<ZNFrameBuffer> ZNFrameBufferPtr;

// Framebuffer stack of the current context.
void PushFBO(const ZNFrameBufferPtr& ptr);
void PopFBO(const ZNFrameBufferPtr& ptr);
bool IsCurrentFBO(const ZNFrameBufferPtr& ptr);
bool FB_Valid();
void SetFBOOverride(UINT32 flag);
// Binds fb with its viewport and draw buffers, or the window (GL_BACK) for null.
void BindFramebuffer(ZNFrameBuffer* fb);

// Clears: each sets its clear value(s) and issues one glClear. Depth is
// cleared whole also while the raster word has depth writes off.
void ClearColor(const float rgba[4]);
void Clear(const float rgba[4], float depth);
void ClearDepth(float depth);
void ClearStencil(INT32 value);

void SetViewport(INT32 x, INT32 y, INT32 width, INT32 height);

// Window-pixel rectangle, origin top left, y down.
struct ZNScissorRect
{
    float X0, Y0, X1, Y1;
};

// Overlap of a and b into out; false (out untouched) when they do not overlap
// or only touch.
bool   Intersect(const ZNScissorRect& a, const ZNScissorRect& b, ZNScissorRect& out);
// Pushes rect clipped by the current top; false and no change when that is empty.
bool   PushScissor(const ZNScissorRect& rect);
// Returns the new stack size.
UINT32 PopScissor();
void   SetBaseScissor(UINT32 flag, const ZNScissorRect& rect);
void   SetScissorEnabled(UINT32 flag);
bool   IsScissorEnabled();
