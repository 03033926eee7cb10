// The application window and its input state.
#include "application/ZNAppWindow.h"
#include "window/ZNGLErrors.h"

#include "ui/ZNConsole.h"
#include "ui/ZNFont.h"
#include "application/ZNKeys.h"
#include "resources/ZNImage.h"
#include "window/ZNGLTable.h"

#include <string.h>

// ---------------------------------------------------------------------------
// ZNInput

ZNInput::ZNInput() : Wheel(0.0f), PrevWheel(0.0f)
{
    memset(Keys.items, 0, sizeof(Keys.items));
    memset(PrevKeys.items, 0, sizeof(PrevKeys.items));
    memset(Tapped.items, 0, sizeof(Tapped.items));
    memset(Buttons.items, 0, sizeof(Buttons.items));
    memset(PrevButtons.items, 0, sizeof(PrevButtons.items));
    Mouse[0] = Mouse[1] = 0.0f;
    PrevMouse[0] = PrevMouse[1] = 0.0f;
}

UINT32 ZNInput::KeyState(UINT32 code) const
{
    const UINT32 now = Keys[code];   // reports a code out of range once
    if (code >= Keys.Size())
        return 0;
    // A press since the previous poll reads "pressed" whatever followed it:
    // a tap shorter than a frame ends the poll up, and would read 0 or 3.
    if (Tapped[code])
        return 1;
    const UINT32 raw = now + 2u * PrevKeys[code];
    return raw ^ (raw >> 1);
}

void ZNInput::SetKey(UINT32 code, UINT32 down)
{
    Keys[code] = down ? 1 : 0;
    if (code >= Keys.Size())
        return;
    if (down)
        Tapped[code] = 1;
    for (UINT32 i = 0; i < Bindings.Size(); ++i)
        Bindings[i]->OnKey(code, down != 0);
}

void ZNInput::SetButton(UINT32 index, UINT32 down)
{
    Buttons[index] = down ? 1 : 0;
    if (index >= Buttons.Size())
        return;
    for (UINT32 i = 0; i < Bindings.Size(); ++i)
        Bindings[i]->OnKey(ZN_AXIS_BUTTON0 + index, down != 0);
}

void ZNInput::Axis(float dx, float dy, float wheel, UINT32 mask)
{
    if (mask & 4)
        Wheel = wheel < 0.0f ? -1.0f : 1.0f;
    for (UINT32 i = 0; i < Bindings.Size(); ++i)
    {
        if (mask & 1)
            Bindings[i]->OnAxis(ZN_AXIS_MOUSEX, dx);
        if (mask & 2)
            Bindings[i]->OnAxis(ZN_AXIS_MOUSEY, dy);
        if (mask & 4)
            Bindings[i]->OnAxis(ZN_AXIS_WHEEL, Wheel);
    }
}

void ZNInput::BeginFrame()
{
    memcpy(PrevKeys.items, Keys.items, sizeof(Keys.items));
    memset(Tapped.items, 0, sizeof(Tapped.items));
    memcpy(PrevButtons.items, Buttons.items, sizeof(Buttons.items));
    PrevMouse[0] = Mouse[0];
    PrevMouse[1] = Mouse[1];
    PrevWheel    = Wheel;
    Wheel        = 0.0f;
    Text.Clear();
    for (UINT32 i = 0; i < Bindings.Size(); ++i)
        Bindings[i]->OnFrame();
}

void ZNInput::ReleaseAll()
{
    for (UINT32 k = 0; k < Keys.Size(); ++k)
        if (Keys[k])
            SetKey(k, 0);
    for (UINT32 b = 0; b < Buttons.Size(); ++b)
        if (Buttons[b])
            SetButton(b, 0);
    // Presses of this poll are let go of too: they belong to whatever takes
    // the input now (the console), not to the program behind it.
    memset(Tapped.items, 0, sizeof(Tapped.items));
}

void ZNInput::AddBinding(ZNInputBinding* binding)
{
    if (binding)
        Bindings.Add(binding);
}

void ZNInput::RemoveBinding(ZNInputBinding* binding)
{
    for (UINT32 i = 0; i < Bindings.Size(); ++i)
    {
        if (Bindings[i] == binding)
        {
            Bindings.Remove(i, i);
            return;
        }
    }
}

// ---------------------------------------------------------------------------
// ZNAppWindow

// The default framebuffer's client area into image, top row first, opaque.
static void ReadFrame(ZNImage& image, UINT32 width, UINT32 height)
{
    image.Resize(width, height, 1, 1);
    if (!width || !height)
        return;
    ZNPodArray<UINT32> rows;
    rows.SetCount(width * height);
    // Present runs with the window's own framebuffer bound, reading its back buffer.
    GladGLContext& gl = *ZNCurGLTable();
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.ReadPixels(0, 0, (GLsizei)width, (GLsizei)height, GL_RGBA, GL_UNSIGNED_BYTE, rows.begin());
    // GL's first row is the bottom one; alpha is whatever blending left there.
    for (UINT32 y = 0; y < height; ++y)
        for (UINT32 x = 0; x < width; ++x)
            image.Pixels[y * width + x] = rows[(height - 1 - y) * width + x] | 0xFF000000u;
}

ZNAppWindow::ZNAppWindow(ZNPlatform* platform) : RenderWindow(platform)
{
}

ZNAppWindow::~ZNAppWindow()
{
    // The console points back at this window; it must not outlive it.
    EnableConsole(false);
    Close();
}

bool ZNAppWindow::Open(const ZNString& title, const ZNWindowParams& params)
{
    Close();
    if (!RenderWindow.Open(title, params))
        return false;
    CheckSize();
    MakeCurrent();
    // A missing font leaves it empty: text then simply does not draw.
    DebugFont = new ZNFont();
    DebugFont->Load("Engine/DebugFont.fnt");
    Release();
    return true;
}

void ZNAppWindow::Close()
{
    // The console's font and shaders belong to this context: it takes the next
    // Open's again on its first draw. (Before the font goes, so it can tell the
    // window's font from one of its own.)
    if (Console)
        Console->ForgetContext();
    if (DebugFont)
    {
        // Its page textures belong to this window's context.
        MakeCurrent();
        delete DebugFont;
        DebugFont = nullptr;
        Release();
    }
    RenderWindow.Close();
}

void ZNAppWindow::MakeCurrent()
{
    if (ZNContextHandle* h = RenderWindow.Handle())
        h->Begin();
}

void ZNAppWindow::Release()
{
    if (ZNContextHandle* h = RenderWindow.Handle())
        h->End();
}

void ZNAppWindow::Present(ZNImage* capture)
{
    if (ZNContextHandle* h = RenderWindow.Handle())
    {
        if (Console)
        {
            // A console enabled before Open (or kept over a Close) takes the
            // current font on its next draw.
            if (!Console->Font)
                Console->Font = DebugFont;
            Console->LayoutIfResized();
            Console->Update(1.0f);
        }
        ZNGLErrorsCheck("the end of a frame (ZNAppWindow::Present)");
        if (capture)
            ReadFrame(*capture, Params().Width, Params().Height);
        h->Swap();
    }
}

bool ZNAppWindow::Poll()
{
    Input.BeginFrame();
    // A quit message belongs to the whole process (another window may post it);
    // only this window's close request ends the application window.
    ZNWindow::PumpMessages();

    ZNWindow* win = RenderWindow.NativeWindow();
    if (!win)
        return false;
    // The viewport, the layers and the console follow the drawable's real size,
    // which a display-mode switch does not always announce, nor at once. The
    // question is a round trip to the display server (about 0.3 ms on a busy
    // virtual display), so it is asked only for a while after a change.
    if (SizeChecks)
    {
        --SizeChecks;
        win->RefreshClientSize();
    }
    ZNWindowEvent ev;
    while (win->PopEvent(ev))
    {
        if (ev.Type == ZNWE_Close)
            return true;
        if (ev.Type == ZNWE_FocusOut)
        {
            // The keyboard went to another window with keys still down, and
            // their releases go there: nothing may stay held here (a modifier
            // would change the next keys, a movement key fly on).
            Input.ReleaseAll();
            if (Console)
                Console->ReleaseModifiers();
            continue;
        }
        if (Console && Console->IsOpen())
        {
            // Presses and characters go to the console alone. Releases reach the
            // input as well: a key or button let go while the console is open
            // must not stay down once it closes.
            if (ev.Type == ZNWE_KeyDown && ev.Code == ZNK_Escape)
                Console->Visible = 0;
            else if (ev.Type == ZNWE_KeyDown || ev.Type == ZNWE_KeyUp)
                Console->KeyEvent(ev.Code, ev.Type == ZNWE_KeyDown);
            else if (ev.Type == ZNWE_Char)
                Console->CharEvent(ev.Char, true);
            else if (ev.Type == ZNWE_Wheel)
                Console->WheelEvent(-(float)ev.Wheel);   // the event counts forward as -1
            if (ev.Type == ZNWE_KeyUp)
                Input.SetKey(ev.Code, 0);
            else if (ev.Type == ZNWE_ButtonUp)
            {
                Input.SetKey(ev.Code, 0);
                Input.SetButton(ev.Button, 0);
            }
            continue;
        }
        switch (ev.Type)
        {
        case ZNWE_KeyDown:
            Input.SetKey(ev.Code, 1);
            if (Console)
            {
                Console->KeyEvent(ev.Code, true);
                // What is held as the console opens would otherwise keep acting
                // (flying on, steering) while the keyboard belongs to the console.
                if (Console->IsOpen())
                    Input.ReleaseAll();
            }
            break;
        case ZNWE_KeyUp:
            Input.SetKey(ev.Code, 0);
            if (Console)
                Console->KeyEvent(ev.Code, false);
            break;
        case ZNWE_ButtonDown:
            Input.SetKey(ev.Code, 1);
            Input.SetButton(ev.Button, 1);
            break;
        case ZNWE_ButtonUp:
            Input.SetKey(ev.Code, 0);
            Input.SetButton(ev.Button, 0);
            break;
        case ZNWE_MouseMove:
        {
            Input.Mouse[0]  = (float)ev.X;
            Input.Mouse[1]  = (float)ev.Y;
            const UINT32 w  = Params().Width;
            const UINT32 h  = Params().Height;
            const float  dx = w ? (Input.Mouse[0] - Input.PrevMouse[0]) / (float)w : 0.0f;
            const float  dy = h ? (Input.Mouse[1] - Input.PrevMouse[1]) / (float)h : 0.0f;
            Input.Axis(dx, dy, 0.0f, 3);
            break;
        }
        case ZNWE_Wheel:
            Input.SetKey(ev.Code, 1);
            Input.Axis(0.0f, 0.0f, (float)ev.Wheel, 4);
            break;
        case ZNWE_Char: Input.Text += (char)ev.Char; break;
        default: break;   // focus gained: the listener was told when it happened
        }
    }
    return false;
}

void ZNAppWindow::EnableConsole(bool enable)
{
    if (enable && !Console)
    {
        Console = new ZNConsole();
        Console->SetWindow(this);
        Console->Layout();
    }
    else if (!enable && Console)
    {
        // Deleting may release GL objects of the layer: lend it this window's
        // context when no context is current, without disturbing one that is.
        const bool lend = RenderWindow.Handle() != nullptr && ZNCurContextState() == nullptr;
        if (lend)
            MakeCurrent();
        delete static_cast<ZNUILayer*>(Console);
        Console = nullptr;
        if (lend)
            Release();
    }
}

void ZNAppWindow::SetCursorPos(float x, float y)
{
    if (ZNWindow* win = RenderWindow.NativeWindow())
        win->SetCursorPos((INT32)x, (INT32)y);
}

void ZNAppWindow::CaptureMouse(bool capture)
{
    ZNWindow* win = RenderWindow.NativeWindow();
    if (!win)
        return;
    if (capture)
    {
        CapturedAt[0] = Input.Mouse[0];
        CapturedAt[1] = Input.Mouse[1];
        win->SetRelativeMouse(true);
        return;
    }
    if (!win->IsRelativeMouse())
        return;
    win->SetRelativeMouse(false);
    win->SetCursorPos((INT32)CapturedAt[0], (INT32)CapturedAt[1]);
    Input.Mouse[0] = Input.PrevMouse[0] = CapturedAt[0];
    Input.Mouse[1] = Input.PrevMouse[1] = CapturedAt[1];
}
