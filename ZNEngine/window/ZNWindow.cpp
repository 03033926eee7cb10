// ZNWindow, the platform-neutral half: the event queue, the listener calls and
// the key, button, wheel and drop rules every platform's window procedure feeds.
#include "window/ZNWindow.h"

UINT32 ZNWindowListener::Reserved(UINT32, UINT32, UINT32, UINT32)
{
    return 0;
}
void ZNWindowListener::Resize(UINT32, UINT32)
{
}
bool ZNWindowListener::Drop(UINT32, const ZNString&)
{
    return false;
}
void ZNWindowListener::Focus(bool)
{
}

ZNWindow::ZNWindow()
    : Listener(nullptr), Width(0), Height(0), Flags(0), Resizable(0), AcceptDrops(0), ReadPos(0), CursorClipped(0),
      RelativeMouse(0), VirtualX(0), VirtualY(0), DropOpen(0), Native(nullptr)
{
    Events.Reserve(1024);
}

void ZNWindow::Queue(UINT32 type, UINT32 code)
{
    ZNWindowEvent ev = {};
    ev.Type          = type;
    ev.Code          = code;
    Queue(ev);
}

void ZNWindow::Queue(const ZNWindowEvent& ev)
{
    Events.Add(ev);
}

void ZNWindow::OnSize(UINT32 width, UINT32 height)
{
    // A minimised window reports no area; keeping the old size means a restore to
    // it is no change either.
    if (width == 0 || height == 0)
        return;
    if (width == Width && height == Height)
        return;
    Width  = width;
    Height = height;
    if (Listener)
        Listener->Resize(width, height);
}

void ZNWindow::OnKey(UINT32 type, UINT32 code, bool right)
{
    if (!code)
        return;
    Queue(type, code);
    switch (code)
    {
    // Either shift key reads as the left one: the platform this engine was
    // designed on tells the two apart only by scan code, not by the extended bit.
    case ZNK_Shift: Queue(type, ZNK_LShift); break;
    case ZNK_Control: Queue(type, right ? ZNK_RControl : ZNK_LControl); break;
    case ZNK_Alt: Queue(type, right ? ZNK_RAlt : ZNK_LAlt); break;
    default: break;
    }
}

void ZNWindow::OnButton(UINT32 type, UINT32 button)
{
    static const UINT32 codes[3] = { ZNK_LButton, ZNK_RButton, ZNK_MButton };
    if (button > 2)
        return;   // extra buttons have no engine code
    ZNWindowEvent ev = {};
    ev.Type          = type;
    ev.Code          = codes[button];
    ev.Button        = button;
    Queue(ev);
}

void ZNWindow::OnWheel(INT32 steps)
{
    if (steps == 0)
        return;   // a sideways tilt only
    ZNWindowEvent wh = {};
    wh.Type          = ZNWE_Wheel;
    wh.Wheel         = steps > 0 ? -1 : 1;
    wh.Code          = steps > 0 ? ZNK_WheelFwd : ZNK_WheelBack;
    Queue(wh);
}

void ZNWindow::OnChar(UINT32 byte)
{
    ZNWindowEvent ch = {};
    ch.Type          = ZNWE_Char;
    ch.Char          = byte & 127;
    Queue(ch);
}

void ZNWindow::OnMouseMove(INT32 x, INT32 y)
{
    ZNWindowEvent mv = {};
    mv.Type          = ZNWE_MouseMove;
    mv.X             = x;
    mv.Y             = y;
    Queue(mv);
}

void ZNWindow::OnFocus(bool gained)
{
    if (Listener)
        Listener->Focus(gained);
    Queue(gained ? ZNWE_FocusIn : ZNWE_FocusOut);
}

void ZNWindow::FlushDrop()
{
    const UINT32 n = DropFiles.Size();
    if (Listener && n > 0 && Listener->Drop(n, ZNString()))
    {
        for (UINT32 i = 0; i < n; ++i)
            if (!Listener->Drop(i, DropFiles[i]))
                break;
    }
    DropFiles.Clear();
}

bool ZNWindow::PopEvent(ZNWindowEvent& out)
{
    if (ReadPos >= Events.Size())
        return false;
    out = Events[ReadPos];
    if (ReadPos < 512)
    {
        ++ReadPos;
    }
    else
    {
        Events.Remove(0, ReadPos);
        ReadPos = 0;
    }
    return true;
}

void ZNWindow::SetResizable(bool resizable)
{
    Resizable = resizable ? 1 : 0;
    ApplyResizableStyle();
}
