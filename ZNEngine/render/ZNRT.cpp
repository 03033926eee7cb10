#include "render/ZNRT.h"

#include "files/ZNFileIO.h"
#include "render/ZNContextState.h"
#include "window/ZNGLTable.h"

#include <stdio.h>

// ---------------------------------------------------------------------------
// Render buffers
// ---------------------------------------------------------------------------

ZNRenderBuffer::ZNRenderBuffer(UINT32 width, UINT32 height, UINT32 samples, UINT32 format)
    : Name(0), Width(width), Height(height), Samples(samples), Format(format)
{
    if (ZN_CHECK_FAILED(!TGCurGLTable))
        return;
    // Only the packed depth/stencil code is known; 0 makes GL reject the storage,
    // which the error check below reports.
    const GLenum internalFormat = format == ZN_RB_FORMAT_DEPTH24_STENCIL8 ? GL_DEPTH24_STENCIL8 : 0;
    GLuint       name           = 0;
    TGCurGLTable->GenRenderbuffers(1, &name);
    Name = name;
    TGCurGLTable->BindRenderbuffer(GL_RENDERBUFFER, name);
    if (samples < 2)
        TGCurGLTable->RenderbufferStorage(GL_RENDERBUFFER, internalFormat, static_cast<GLsizei>(width),
                                          static_cast<GLsizei>(height));
    else
        TGCurGLTable->RenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(samples), internalFormat,
                                                     static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    const GLenum err = TGCurGLTable->GetError();
    BREAK_IF(err);
}

ZNRenderBuffer::~ZNRenderBuffer()
{
    if (Name && TGCurGLTable)
    {
        GLuint name = Name;
        TGCurGLTable->DeleteRenderbuffers(1, &name);
    }
}

ZNString ZNRenderBuffer::Describe() const
{
    char text[128];
    snprintf(text, sizeof(text), "width: %d, height: %d, samples: %d, format: %d", static_cast<int>(Width),
             static_cast<int>(Height), static_cast<int>(Samples), static_cast<int>(Format));
    return ZNString(text);
}

// ---------------------------------------------------------------------------
// Framebuffers
// ---------------------------------------------------------------------------

static ZNContextState* CurState()
{
    ZNContextState* cs = TGCurContextState;
    BREAK_IF(!cs);
    return cs;
}

static GLenum AttachmentPoint(INT32 type, UINT32 slot)
{
    switch (type)
    {
    case RTA_Color: return GL_COLOR_ATTACHMENT0 + slot;
    case RTA_Depth: return GL_DEPTH_ATTACHMENT;
    case RTA_Stencil: return GL_STENCIL_ATTACHMENT;
    case RTA_DepthStencil: return GL_DEPTH_STENCIL_ATTACHMENT;
    default: return GL_NONE;
    }
}

ZNFrameBuffer::ZNFrameBuffer() : Name(0), Width(0), Height(0)
{
    for (UINT32 i = 0; i < ZN_FB_SLOTS; ++i)
        Types[i] = RTA_None;
}

ZNFrameBuffer::~ZNFrameBuffer()
{
    if (Name && TGCurGLTable)
    {
        GLuint name = Name;
        TGCurGLTable->DeleteFramebuffers(1, &name);
    }
}

void ZNFrameBuffer::Begin()
{
    if (Name)
    {
        GLuint name = Name;
        TGCurGLTable->DeleteFramebuffers(1, &name);
        Name = 0;
    }
    for (UINT32 i = 0; i < ZN_FB_SLOTS; ++i)
    {
        Types[i] = RTA_None;
        Textures[i].Release();
        RenderBuffers[i].Reset();
    }
    SetFBOOverride(1);
    GLuint name = 0;
    TGCurGLTable->GenFramebuffers(1, &name);
    Name = name;
    TGCurGLTable->BindFramebuffer(GL_FRAMEBUFFER, name);
}

// Slot of an attachment id, or -1 after reporting an id that names none.
static INT32 SlotOf(UINT32 id)
{
    if (id >= MAX_COLOR_BUFFERS && id != UINT32_MAX)
    {
        ZNAssertFailed("id >= MAX_COLOR_BUFFERS && id != UINT32_MAX", __FILE__, __LINE__);
        return -1;
    }
    return id == UINT32_MAX ? static_cast<INT32>(MAX_COLOR_BUFFERS) : static_cast<INT32>(id);
}

void ZNFrameBuffer::SetTexture(UINT32 id, const ZNTextureHandle& texture, INT32 type)
{
    const INT32 slot = SlotOf(id);
    if (slot < 0)
        return;
    RenderBuffers[slot].Reset();
    Textures[slot] = texture;
    Types[slot]    = type;
}

void ZNFrameBuffer::SetRenderBuffer(UINT32 id, const ZNSharedPtr<ZNRenderBuffer>& rb, INT32 type)
{
    const INT32 slot = SlotOf(id);
    if (slot < 0)
        return;
    RenderBuffers[slot] = rb;
    Textures[slot].Release();
    Types[slot] = type;
}

// A texture without a GL name counts as none.
static ZNTexture* AttachedTexture(const ZNTextureHandle& texture)
{
    ZNTexture* t = texture.Get();
    return t && t->TexID != 0 ? t : nullptr;
}

static ZNString DescribeTexture(const ZNTexture* t)
{
    if (!t)
        return ZNString("--null--");
    char text[160];
    snprintf(text, sizeof(text), "W:%d H:%d D:%d S:%d Fmt:%d Flags:%d", static_cast<int>(t->Width),
             static_cast<int>(t->Height), static_cast<int>(t->Depth), static_cast<int>(t->Sides),
             static_cast<int>(t->FormatCode), static_cast<int>(t->Flags));
    return ZNString(text);
}

ZNString ZNFrameBuffer::DescribeError(const char* message) const
{
    ZNString text("Error: ");
    ZNString tail(message);
    text.Insert(text.Size(), tail);
    text.Insert(text.Size(), ZNString("\nState:\n"));
    for (UINT32 i = 0; i < ZN_FB_SLOTS; ++i)
    {
        const char* kind;
        switch (Types[i])
        {
        case RTA_Color: kind = "Color: "; break;
        case RTA_Depth: kind = "Depth: "; break;
        case RTA_Stencil: kind = "Stencil: "; break;
        case RTA_DepthStencil: kind = "Depth/stencil: "; break;
        default: kind = "Unknown (ERROR): "; break;
        }
        text.Insert(text.Size(), ZNString(kind));
        if (Textures[i])
        {
            text.Insert(text.Size(), ZNString("[Texture] "));
            text.Insert(text.Size(), DescribeTexture(Textures[i].Get()));
        }
        else if (RenderBuffers[i])
        {
            text.Insert(text.Size(), ZNString("[RenderBuffer] "));
            text.Insert(text.Size(), RenderBuffers[i]->Describe());
        }
        else
            text.Insert(text.Size(), ZNString("[Nothing]"));
        text.Insert(text.Size(), ZNString("\n"));
    }
    return text;
}

static const char* StatusMessage(GLenum status)
{
    switch (status)
    {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "Incomplete attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "Missing attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER: return "Incomplete draw buffer data";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER: return "Incomplete read buffer data";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE: return "Inconsistent multisampling info";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS: return "Incomplete layer targets";
    default: return "Unknown error";
    }
}

void ZNFrameBuffer::Commit()
{
    for (UINT32 i = 0; i < ZN_FB_SLOTS; ++i)
    {
        if (Types[i] == RTA_None)
            continue;
        const GLenum point = AttachmentPoint(Types[i], i);
        if (point == GL_NONE)
            ZNFatalErrorLog("%s", DescribeError("Wrong attachment type").CStr());
        if (ZNTexture* t = AttachedTexture(Textures[i]))
            TGCurGLTable->FramebufferTexture2D(GL_FRAMEBUFFER, point, GL_TEXTURE_2D, t->TexID, 0);
        else if (RenderBuffers[i])
            TGCurGLTable->FramebufferRenderbuffer(GL_FRAMEBUFFER, point, GL_RENDERBUFFER, RenderBuffers[i]->Name);
    }
    BindFramebuffer(this);
    const GLenum status = TGCurGLTable->CheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        ZNFatalErrorLog("%s", DescribeError(StatusMessage(status)).CStr());

    SetFBOOverride(0);
    Width  = UINT32_MAX;
    Height = UINT32_MAX;
    for (UINT32 i = 0; i < ZN_FB_SLOTS; ++i)
    {
        if (Types[i] == RTA_None)
            continue;
        UINT32 w, h;
        if (ZNTexture* t = AttachedTexture(Textures[i]))
        {
            w = t->Width;
            h = t->Height;
        }
        else if (RenderBuffers[i])
        {
            w = RenderBuffers[i]->Width;
            h = RenderBuffers[i]->Height;
        }
        else
            continue;
        if (w < Width)
            Width = w;
        if (h < Height)
            Height = h;
    }
}

// ---------------------------------------------------------------------------
// Stack and binding
// ---------------------------------------------------------------------------

void BindFramebuffer(ZNFrameBuffer* fb)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    if (fb)
    {
        TGCurGLTable->BindFramebuffer(GL_FRAMEBUFFER, fb->Name);
        TGCurGLTable->Viewport(0, 0, static_cast<GLsizei>(fb->Width), static_cast<GLsizei>(fb->Height));
        GLenum list[MAX_COLOR_BUFFERS];
        INT32  lastColor = -1;
        for (UINT32 i = 0; i < MAX_COLOR_BUFFERS; ++i)
        {
            list[i] = fb->Types[i] == RTA_Color ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
            if (fb->Types[i] == RTA_Color)
                lastColor = static_cast<INT32>(i);
        }
        if (lastColor >= 0)
            TGCurGLTable->DrawBuffers(lastColor + 1, list);
        else
            TGCurGLTable->DrawBuffer(GL_NONE);
        TGCurGLTable->ReadBuffer(GL_NONE);
    }
    else
    {
        TGCurGLTable->BindFramebuffer(GL_FRAMEBUFFER, 0);
        TGCurGLTable->Viewport(0, 0, static_cast<GLsizei>(cs->ViewportWidth), static_cast<GLsizei>(cs->ViewportHeight));
        TGCurGLTable->DrawBuffer(GL_BACK);
        TGCurGLTable->ReadBuffer(GL_BACK);
    }
}

bool FB_Valid()
{
    ZNContextState* cs = TGCurContextState;
    return cs && cs->RT.Override == 0;
}

// Binds the top of the stack, or the window when the stack is empty.
static void BindTop(ZNContextState& cs)
{
    if (cs.RT.FBOStack.Size() > 0)
        BindFramebuffer(cs.RT.FBOStack.Last().Get());
    else
        BindFramebuffer(nullptr);
}

void PushFBO(const ZNFrameBufferPtr& ptr)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    if (ZN_CHECK_FAILED(!FB_Valid()) || ZN_CHECK_FAILED(!ptr))
        return;
    cs->RT.FBOStack.Add(ptr);
    BindFramebuffer(ptr.Get());
}

void PopFBO(const ZNFrameBufferPtr& ptr)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    if (ZN_CHECK_FAILED(!FB_Valid()))
        return;
    if (cs->RT.FBOStack.Size() == 0)
    {
        ZNAssertFailed("TGCurContextState->FBOStack.Size() == 0", __FILE__, __LINE__);
        return;
    }
    if (cs->RT.FBOStack.Last() != ptr)
    {
        ZNAssertFailed("TGCurContextState->FBOStack.Last() != ptr", __FILE__, __LINE__);
        return;
    }
    const UINT32 last = cs->RT.FBOStack.Size() - 1;
    cs->RT.FBOStack.Remove(last, last);
    BindTop(*cs);
}

bool IsCurrentFBO(const ZNFrameBufferPtr& ptr)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return false;
    if (cs->RT.FBOStack.Size() == 0)
        return !ptr;
    const ZNFrameBufferPtr& top = cs->RT.FBOStack.Last();
    return top && ptr && top.Get() == ptr.Get();
}

void SetFBOOverride(UINT32 flag)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    cs->RT.Override = flag;
    if (flag)
        BindFramebuffer(nullptr);
    else
        BindTop(*cs);
}

// ---------------------------------------------------------------------------
// Clears and viewport
// ---------------------------------------------------------------------------

void ClearColor(const float rgba[4])
{
    TGCurGLTable->ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    TGCurGLTable->Clear(GL_COLOR_BUFFER_BIT);
}

// glClear obeys the depth write mask: a raster word without depth writes (the
// UI's) would otherwise leave the depth buffer of the next frame uncleared.
static void ClearWithDepth(GLbitfield bits, float depth)
{
    const ZNContextState* cs     = TGCurContextState;
    const bool            masked = cs && (cs->RenderState.RasterWord & ZN_RASTER_DEPTH_WRITE) == 0;
    TGCurGLTable->ClearDepth(depth);
    if (masked)
        TGCurGLTable->DepthMask(GL_TRUE);
    TGCurGLTable->Clear(bits | GL_DEPTH_BUFFER_BIT);
    if (masked)
        TGCurGLTable->DepthMask(GL_FALSE);
}

void Clear(const float rgba[4], float depth)
{
    TGCurGLTable->ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    ClearWithDepth(GL_COLOR_BUFFER_BIT, depth);
}

void ClearDepth(float depth)
{
    ClearWithDepth(0, depth);
}

void ClearStencil(INT32 value)
{
    TGCurGLTable->ClearStencil(value);
    TGCurGLTable->Clear(GL_STENCIL_BUFFER_BIT);
}

void SetViewport(INT32 x, INT32 y, INT32 width, INT32 height)
{
    TGCurGLTable->Viewport(x, y, width, height);
}

// ---------------------------------------------------------------------------
// Scissor
// ---------------------------------------------------------------------------

// GL counts scissor rows from the bottom of the window, also while a framebuffer
// is bound.
static void ApplyScissor(const ZNContextState& cs, const ZNScissorRect& r)
{
    const float width  = r.X1 - r.X0;
    const float height = r.Y1 - r.Y0;
    const float y      = static_cast<float>(cs.ViewportHeight) - r.Y0 - height;
    TGCurGLTable->Scissor(static_cast<GLint>(r.X0), static_cast<GLint>(y), static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
}

bool Intersect(const ZNScissorRect& a, const ZNScissorRect& b, ZNScissorRect& out)
{
    if (!(b.X1 > a.X0 && a.X1 > b.X0 && b.Y1 > a.Y0 && a.Y1 > b.Y0))
        return false;
    out.X0 = a.X0 > b.X0 ? a.X0 : b.X0;
    out.Y0 = a.Y0 > b.Y0 ? a.Y0 : b.Y0;
    out.X1 = a.X1 < b.X1 ? a.X1 : b.X1;
    out.Y1 = a.Y1 < b.Y1 ? a.Y1 : b.Y1;
    return true;
}

void SetScissorEnabled(UINT32 flag)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    const UINT32 on = flag ? 1 : 0;
    if (on == cs->RT.ScissorEnabled)
        return;
    if (on)
        TGCurGLTable->Enable(GL_SCISSOR_TEST);
    else
        TGCurGLTable->Disable(GL_SCISSOR_TEST);
    cs->RT.ScissorEnabled = on;
}

bool IsScissorEnabled()
{
    ZNContextState* cs = TGCurContextState;
    return cs && cs->RT.ScissorEnabled != 0;
}

bool PushScissor(const ZNScissorRect& rect)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return false;
    ZNPodArray<ZNScissorRect>& stack   = cs->RT.ScissorStack;
    ZNScissorRect              clipped = rect;
    if (stack.Size() > 0 && !Intersect(stack.Last(), rect, clipped))
        return false;
    stack.Add(clipped);
    ApplyScissor(*cs, clipped);
    SetScissorEnabled(1);
    return true;
}

UINT32 PopScissor()
{
    ZNContextState* cs = CurState();
    if (!cs)
        return 0;
    ZNPodArray<ZNScissorRect>& stack = cs->RT.ScissorStack;
    if (stack.Size() == 0)
    {
        ZNAssertFailed("count == 0", __FILE__, __LINE__);
        return 0;
    }
    stack.Remove(stack.Size() - 1, stack.Size() - 1);
    if (stack.Size() > 0)
        ApplyScissor(*cs, stack.Last());
    else if (cs->RT.BaseScissorFlag)
        ApplyScissor(*cs, cs->RT.BaseScissor);
    SetScissorEnabled(stack.Size() > 0 || cs->RT.BaseScissorFlag);
    return stack.Size();
}

void SetBaseScissor(UINT32 flag, const ZNScissorRect& rect)
{
    ZNContextState* cs = CurState();
    if (!cs)
        return;
    ZNPodArray<ZNScissorRect>& stack = cs->RT.ScissorStack;
    SetScissorEnabled(stack.Size() > 0 || flag);
    cs->RT.BaseScissorFlag     = flag;
    const ZNScissorRect window = { 0.0f, 0.0f, static_cast<float>(cs->ViewportWidth),
                                   static_cast<float>(cs->ViewportHeight) };
    const bool          res    = Intersect(rect, window, cs->RT.BaseScissor);
    if (!res)
    {
        BREAK_IF(!res && "Scissor Rect out of bounds, need to fix it...");
        // Nothing of the window lies inside: an empty base rectangle clips
        // everything instead of keeping a stale one.
        cs->RT.BaseScissor = ZNScissorRect{ 0.0f, 0.0f, 0.0f, 0.0f };
    }
    if (flag)
        ApplyScissor(*cs, cs->RT.BaseScissor);
    else if (stack.Size() > 0)
        ApplyScissor(*cs, stack.Last());
}

// ---------------------------------------------------------------------------
// Context state part
// ---------------------------------------------------------------------------

void ZNRTContextState::Init(ZNContextState& cs, bool isMain)
{
    (void)cs;
    (void)isMain;
}

void ZNRTContextState::Shutdown(ZNContextState& cs)
{
    (void)cs;
    FBOStack.Clear();
    ScissorStack.Clear();
}
