// The drop-down console layer.
#include "ui/ZNConsole.h"

#include "render/ZNVertex.h"
#include "core/ZNLog.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsoleLine.h"
#include "ui/ZNFont.h"

#include <stdarg.h>

ZNConsole::ZNConsole() : Visible(0), Scroll(0), TotalLines(0), VisibleLines(0)
{
    Name = "Console";
    ZNConsoleLinkCommands();
}

ZNConsole::~ZNConsole()
{
}

UINT32 ZNConsole::CountLines(const char* text) const
{
    if (!Font)
        return 1;
    float w = 0.0f, h = 0.0f;
    WindowSize(w, h);
    return Font->LineCount(text, FontSize, w);
}

void ZNConsole::Printf(const char* format, ...)
{
    // Heap, not stack: the limit is large and prints may nest inside commands.
    ZNHeapArray<char> buf(PrintLimit + 1);
    va_list           args;
    va_start(args, format);
    ZNVSPrintf(buf.begin(), PrintLimit + 1, format, args);
    va_end(args);
    AddLine(buf.begin());
}

void ZNConsole::Fail(const char* format, ...)
{
    ZNHeapArray<char> buf(PrintLimit + 1);
    va_list           args;
    va_start(args, format);
    ZNVSPrintf(buf.begin(), PrintLimit + 1, format, args);
    va_end(args);
    ++Failures;
    AddLine(buf.begin());
}

void ZNConsole::AddLine(const char* text)
{
    ZNConsoleEntry entry;
    entry.Text = text ? text : "";
    ZNLog("%s", entry.Text.CStr());
    entry.Lines = CountLines(entry.Text.CStr());

    if (History.Size() >= HistoryLimit)
    {
        const UINT32 drop = History.Size() - (HistoryLimit - 1);
        for (UINT32 i = 0; i < drop; ++i)
            TotalLines -= History[i].Lines;
        History.Remove(0, drop - 1);
    }
    History.Add(entry);
    TotalLines += entry.Lines;

    // Follow the output unless the user scrolled up to read older lines.
    const INT64 total   = (INT64)TotalLines;
    const INT64 visible = (INT64)VisibleLines;
    if (!((INT64)Scroll + visible < total - 1 && Scroll >= 0))
        Scroll = (INT32)(total - visible);
}

void ZNConsole::ClampScroll()
{
    const INT64 top = (INT64)TotalLines - (INT64)VisibleLines;
    if ((INT64)Scroll > top)
        Scroll = (INT32)top;
    if (Scroll < 0)
        Scroll = 0;
}

void ZNConsole::KeyEvent(UINT32 key, bool pressed)
{
    if (!pressed)
        return;
    if (key == ZNCK_Toggle)
        Visible = Visible ? 0 : 1;
    else if (!Visible)
        return;
    else
    {
        switch (key)
        {
        case ZNCK_PageUp: Scroll -= ScrollStep; break;
        case ZNCK_PageDown: Scroll += ScrollStep; break;
        case ZNCK_Home: Scroll = 0; break;
        case ZNCK_End: Scroll = (INT32)((INT64)TotalLines - (INT64)VisibleLines); break;
        case ZNCK_Backspace:
            if (!Input.Empty())
                Input.SetLength(Input.Size() - 1);
            break;
        case ZNCK_Delete: Input.Clear(); break;
        case ZNCK_Enter: ExecuteLine(); break;
        case ZNCK_Tab: CompleteInput(); break;
        case ZNCK_Up: RecallOlder(); break;
        case ZNCK_Down: RecallNewer(); break;
        default: break;
        }
    }
    ClampScroll();
}

void ZNConsole::CharEvent(UINT32 character, bool pressed)
{
    if (!Visible || !pressed)
        return;
    // The input is 8-bit text; wider codes have no place in it.
    if (character > 255 || ZNIsCntrl(character) || character == '~' || character == '`')
        return;
    if (Input.Size() >= InputLimit)
        return;
    Input += (char)character;
}

void ZNConsole::ExecuteLine()
{
    if (Input.Empty())
        return;

    // Commands may print (and so touch the history) but never the input; still,
    // work on a copy so the line stays intact for the messages.
    const ZNString line(Input);
    if (Recall.Empty() || !(Recall.Last() == line))
    {
        if (Recall.Size() >= RecallLimit)
            Recall.Remove(0, 0);
        Recall.Add(line);
    }
    RecallAt = Recall.Size();
    Execute(line.CStr());
    Input.Clear();
}

bool ZNConsole::Execute(const char* text)
{
    if (ExecDepth >= ExecDepthLimit)
    {
        Printf("commands nested more than %u deep: '%s' not run", (unsigned)ExecDepthLimit, text ? text : "");
        return false;
    }
    if (ExecDepth == 0)
    {
        ExecLines = 0;
        ExecCut   = false;
    }
    ++ExecDepth;
    ZNArray<ZNString> commands;
    ZNConsoleSplitCommands(text, commands);
    for (UINT32 i = 0; i < commands.Size(); ++i)
    {
        // "a; ; b" and a trailing ';' hold empty commands: nothing to say about those.
        const ZNString& c     = commands[i];
        bool            blank = true;
        for (UINT32 k = 0; k < c.Size() && blank; ++k)
            blank = ZNConsoleIsSpace(c[k]);
        if (!blank || commands.Size() == 1)
            ExecuteCommand(c);
    }
    --ExecDepth;
    return true;
}

void ZNConsole::ExecuteCommand(const ZNString& command)
{
    const char*  s = command.CStr();
    const UINT32 n = command.Size();

    UINT32 at = 0;
    while (at < n && ZNConsoleIsSpace(s[at]))
        ++at;
    if (at == n || !ZNConsoleIsNameChar(s[at]))
    {
        Fail("error in '%s' - command name not found", s);
        return;
    }
    const UINT32 nameBeg = at;
    while (at < n && ZNConsoleIsNameChar(s[at]))
        ++at;
    const ZNString name(s + nameBeg, at - nameBeg);
    while (at < n && ZNConsoleIsSpace(s[at]))
        ++at;
    const ZNString arguments(s + at, n - at);

    if (ZNConCom* cc = ZNConComFind(name))
        cc->Execute(*this, arguments);
    else
        Fail("error in '%s' - command not found", s);
}

void ZNConsole::CompleteInput()
{
    ZNArray<ZNString> names, takers, matches;
    ZNConComRegistry().ForEach(
        [&](const ZNString& name, ZNConCom* cc)
        {
            names.Add(name);
            if (cc && (cc->Flags & ZNCF_TakesName))
                takers.Add(name);
        });
    ZNString completed = ZNConsoleCompleteLine(Input, names, takers, matches);
    if (matches.Size() > 1)
    {
        ZNString list;
        for (UINT32 i = 0; i < matches.Size(); ++i)
        {
            if (i)
                list += "  ";
            list += matches[i];
        }
        AddLine(list.CStr());
    }
    if (completed.Size() > InputLimit)
        completed.SetLength(InputLimit);
    Input = completed;
}

void ZNConsole::RecallOlder()
{
    if (RecallAt > Recall.Size())
        RecallAt = Recall.Size();
    if (RecallAt == 0)
        return;
    --RecallAt;
    Input = Recall[RecallAt];
}

void ZNConsole::RecallNewer()
{
    if (RecallAt >= Recall.Size())
        return;
    ++RecallAt;
    if (RecallAt == Recall.Size())
        Input.Clear();
    else
        Input = Recall[RecallAt];
}

void ZNConsole::WheelEvent(float steps)
{
    if (!Visible || steps == 0.0f)
        return;
    Scroll -= steps > 0.0f ? ScrollStep : -ScrollStep;
    ClampScroll();
}

void ZNConsole::Layout()
{
    ZNUILayer::Layout();
    float w = 0.0f, h = 0.0f;
    WindowSize(w, h);
    LaidOutWidth  = w;
    LaidOutHeight = h;
    LayoutLines(h > 0.0f ? (UINT32)h : 0u);
}

void ZNConsole::LayoutIfResized()
{
    float w = 0.0f, h = 0.0f;
    WindowSize(w, h);
    if (w != LaidOutWidth || h != LaidOutHeight)
        Layout();
}

void ZNConsole::LayoutLines(UINT32 windowHeight)
{
    FontSize = (float)FontPixels;

    TotalLines = 0;
    for (UINT32 i = 0; i < History.Size(); ++i)
    {
        History[i].Lines = CountLines(History[i].Text.CStr());
        TotalLines += History[i].Lines;
    }

    // A window too low for even the input line fits no history line.
    const UINT32 rows = (windowHeight / 3) / FontPixels;
    VisibleLines      = rows > 0 ? rows - 1 : 0;
}

void ZNConsole::Draw()
{
    if (!Visible)
        return;

    float W = 0.0f, winH = 0.0f;
    WindowSize(W, winH);
    const float H = (float)((winH > 0.0f ? (UINT32)winH : 0u) / 3);
    const float S = (float)FontPixels;

    static const float panelColor[4] = { 0.1f, 0.15f, 0.2f, 0.85f };
    static const float inputColor[4] = { 0.05f, 0.1f, 0.15f, 0.8f };
    static const float sepLeft[4]    = { 0.9f, 0.85f, 0.8f, 1.0f };
    static const float sepRight[4]   = { 0.7f, 0.6f, 0.5f, 1.0f };
    static const float trackColor[4] = { 0.3f, 0.25f, 0.2f, 1.0f };
    static const float thumbColor[4] = { 0.9f, 0.7f, 0.4f, 1.0f };

    DrawRect(ZNUIRect{ 0.0f, 0.0f, W, H }, panelColor, false);
    DrawRect(ZNUIRect{ 0.0f, H - S, W, H }, inputColor, false);
    const ZNUIVertex separator[2] = { ZNMakeUIVertex(0.0f, H - S, sepLeft), ZNMakeUIVertex(W, H - S, sepRight) };
    DrawVertices(separator, 2, PT_Lines);

    const ZNUIRect historyRect = { 0.0f, 0.0f, W, H - S };
    SetClip(&historyRect);
    const float bar = (float)ScrollBarWidth;
    DrawRect(ZNUIRect{ W - bar, 0.0f, W, H - S }, trackColor, false);
    // An empty history has no thumb (its position would divide by zero).
    if (TotalLines > 0)
    {
        const float total = (float)TotalLines;
        const float y0    = (float)Scroll / total * (H - S);
        const float y1    = ((float)Scroll + (float)VisibleLines) / total * (H - S);
        DrawRect(ZNUIRect{ W - bar, y0, W, y1 }, thumbColor, false);
    }

    const UINT32 textColor = ZNPackColor(0.95f, 0.95f, 0.95f, 1.0f);
    INT64        lineIndex = 0;
    for (UINT32 i = 0; i < History.Size(); ++i)
    {
        const ZNConsoleEntry& e   = History[i];
        const INT64           row = lineIndex - (INT64)Scroll;
        if (row < (INT64)VisibleLines)
        {
            const float y = (float)row * S;
            DrawText(e.Text.CStr(), e.Text.Size(), textColor, 0, ZNUIRect{ 0.0f, y, W, y + (float)e.Lines * S }, S);
        }
        lineIndex += e.Lines;
    }
    SetClip(nullptr);

    DrawText(Input.CStr(), Input.Size(), ZNPackColor(0.9f, 0.85f, 0.7f, 1.0f), 0, ZNUIRect{ 0.0f, H - S, W, H }, S);
}
