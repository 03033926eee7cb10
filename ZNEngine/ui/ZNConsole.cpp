// The drop-down console layer.
#include "ui/ZNConsole.h"

#include "render/ZNVertex.h"
#include "core/ZNLog.h"
#include "core/ZNSys.h"
#include "ui/ZNConCommands.h"
#include "ui/ZNConsoleLine.h"
#include "ui/ZNFont.h"
#include "window/ZNWindow.h"

#include <stdarg.h>
#include <string.h>

const char* const ZNConsole::Prompt = "] ";

ZNConsole::ZNConsole() : Visible(0), Scroll(0), TotalLines(0), VisibleLines(0), ClipboardSource(ZNGetClipboardText)
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
    {
        UINT32 lines = 1;
        for (const char* p = text; *p; ++p)
            lines += *p == '\n';
        return lines;
    }
    return Font->LineCount(text, (float)FontPixels, WrapWidth);
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

void ZNConsole::Error(const char* format, ...)
{
    ZNHeapArray<char> buf(PrintLimit + 1);
    va_list           args;
    va_start(args, format);
    ZNVSPrintf(buf.begin(), PrintLimit + 1, format, args);
    va_end(args);
    ++Failures;
    if (ExecFile.Empty())
        AddLine(buf.begin());
    else
        Printf("%s:%u: %s", ExecFile.CStr(), (unsigned)ExecFileLine, buf.begin());
}

void ZNConsole::AddLine(const char* text)
{
    ZNConsoleEntry entry;
    entry.Text = text ? text : "";
    ZNLog("%s", entry.Text.CStr());
    entry.Lines = CountLines(entry.Text.CStr());
    // Following the output (the last line in view, or fewer lines than fit)
    // before this entry: following after it, however many lines it wraps into.
    const bool following = Scroll < 0 || (INT64)Scroll + (INT64)VisibleLines >= (INT64)TotalLines;

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
    if (following)
        Scroll = (INT32)((INT64)TotalLines - (INT64)VisibleLines);
}

void ZNConsole::ClampScroll()
{
    const INT64 top = (INT64)TotalLines - (INT64)VisibleLines;
    if ((INT64)Scroll > top)
        Scroll = (INT32)top;
    if (Scroll < 0)
        Scroll = 0;
}

void ZNConsole::Edited()
{
    BlinkFrom = ZNPerformanceCounter();
    if (Cursor > Input.Size())
        Cursor = Input.Size();
}

void ZNConsole::KeyEvent(UINT32 key, bool pressed)
{
    // The modifiers are followed while closed too: Shift may go down before
    // the console key.
    if (key == ZNCK_Shift)
        ShiftDown = pressed;
    else if (key == ZNCK_Control)
        ControlDown = pressed;
    if (!pressed)
        return;
    if (key == ZNCK_Toggle && !ShiftDown)
    {
        Visible = Visible ? 0 : 1;
        Edited();
    }
    else if (!Visible)
        return;
    else
    {
        if (Cursor > Input.Size())
            Cursor = Input.Size();
        switch (key)
        {
        case ZNCK_PageUp: Scroll -= ScrollStep; break;
        case ZNCK_PageDown: Scroll += ScrollStep; break;
        case ZNCK_Home:
            if (ControlDown)
                Scroll = 0;
            else
                Cursor = 0;
            break;
        case ZNCK_End:
            if (ControlDown)
                Scroll = (INT32)((INT64)TotalLines - (INT64)VisibleLines);
            else
                Cursor = Input.Size();
            break;
        case ZNCK_Left:
            if (Cursor > 0)
                --Cursor;
            break;
        case ZNCK_Right:
            if (Cursor < Input.Size())
                ++Cursor;
            break;
        case ZNCK_Backspace:
            if (Cursor > 0)
            {
                --Cursor;
                Input.Remove(Cursor, Cursor);
            }
            break;
        case ZNCK_Delete:
            // Inside the line Delete removes the character under the cursor; at
            // its end, where there is none, it clears the line as it always has.
            if (Cursor < Input.Size())
                Input.Remove(Cursor, Cursor);
            else
            {
                Input.Clear();
                Cursor = 0;
            }
            break;
        case ZNCK_V:
            if (ControlDown)
                Paste();
            break;
        case ZNCK_Enter: ExecuteLine(); break;
        case ZNCK_Tab: CompleteInput(); break;
        case ZNCK_Up: RecallOlder(); break;
        case ZNCK_Down: RecallNewer(); break;
        default: break;
        }
        Edited();
    }
    ClampScroll();
}

void ZNConsole::ReleaseModifiers()
{
    ShiftDown   = false;
    ControlDown = false;
}

void ZNConsole::CharEvent(UINT32 character, bool pressed)
{
    if (!Visible || !pressed)
        return;
    // The input is 8-bit text; wider codes have no place in it. The backquote
    // is the console key's own character (with Shift it gives '~', typed).
    if (character > 255 || ZNIsCntrl(character) || character == '`')
        return;
    if (Input.Size() >= InputLimit)
        return;
    if (Cursor > Input.Size())
        Cursor = Input.Size();
    Input.Insert(Cursor++, (char)character);
    Edited();
}

void ZNConsole::InsertText(const char* text)
{
    if (!text)
        return;
    if (Cursor > Input.Size())
        Cursor = Input.Size();
    ZNString clean;
    for (const char* p = text; *p; ++p)
    {
        const char c = *p;
        if (c == '\r' || c == '\n')
        {
            // A run of line breaks is one command boundary; none at the end.
            while (p[1] == '\r' || p[1] == '\n')
                ++p;
            if (p[1] && !clean.Empty())
                clean += ';';
        }
        else if (c == '\t')
            clean += ' ';
        else if (!ZNIsCntrl((UINT8)c) && c != '`')
            clean += c;
    }
    const UINT32 room = InputLimit - (Input.Size() < InputLimit ? Input.Size() : InputLimit);
    if (clean.Size() > room)
        clean.SetLength(room);
    Input.Insert(Cursor, clean.CStr(), clean.Size());
    Cursor += clean.Size();
    Edited();
}

void ZNConsole::SetInput(const char* text)
{
    Input = text ? text : "";
    if (Input.Size() > InputLimit)
        Input.SetLength(InputLimit);
    Cursor = Input.Size();
    Edited();
}

void ZNConsole::Paste()
{
    ZNString text;
    if (ClipboardSource && ClipboardSource(text))
        InsertText(text.CStr());
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
    Input.Clear();
    Cursor    = 0;
    InputView = 0;
    TabListedFor.Clear();
    Submit(line.CStr());
}

void ZNConsole::Submit(const char* line)
{
    ZNString echo(Prompt);
    echo += line ? line : "";
    AddLine(echo.CStr());
    Execute(line);
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
    // A line that is only a comment does nothing (a blank one still says so).
    const ZNString whole(text ? text : "");
    const ZNString line = ZNConsoleStripComment(whole);
    if (line.Size() < whole.Size())
    {
        bool blank = true;
        for (UINT32 k = 0; k < line.Size() && blank; ++k)
            blank = ZNConsoleIsSpace(line[k]);
        if (blank)
            return true;
    }
    ++ExecDepth;
    ZNArray<ZNString> commands;
    ZNConsoleSplitCommands(line.CStr(), commands);
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
        Error("error in '%s' - command name not found", s);
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
        Error("error in '%s' - command not found", s);
}

void ZNConsole::CompleteInput()
{
    ZNConsoleNames names;
    ZNConComRegistry().ForEach(
        [&](const ZNString&, ZNConCom* cc)
        {
            if (!cc)
                return;
            if (dynamic_cast<ZNConVar*>(cc))
                names.Variables.Add(cc->Name);
            else
                names.Commands.Add(cc->Name);
            if (cc->Flags & ZNCF_TakesVariable)
                names.VariableTakers.Add(cc->Name);
            else if (cc->Flags & ZNCF_TakesName)
                names.NameTakers.Add(cc->Name);
        });
    if (Cursor > Input.Size())
        Cursor = Input.Size();
    // What is before the cursor completes; what is after it stays.
    const ZNString    before(Input.CStr(), Cursor);
    const ZNString    after(Input.CStr() + Cursor, Input.Size() - Cursor);
    ZNArray<ZNString> matches;
    ZNString          completed = ZNConsoleCompleteLine(before, names, matches);
    if (matches.Size() > 1 && !(TabListedFor == Input && completed == before))
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
    if (completed.Size() + after.Size() > InputLimit)
        completed.SetLength(InputLimit > after.Size() ? InputLimit - after.Size() : 0);
    Cursor = completed.Size();
    Input  = completed + after;
    // The same line again lists nothing new.
    TabListedFor = Input;
}

void ZNConsole::RecallOlder()
{
    if (RecallAt > Recall.Size())
        RecallAt = Recall.Size();
    if (RecallAt == 0)
        return;
    --RecallAt;
    SetInput(Recall[RecallAt].CStr());
}

void ZNConsole::RecallNewer()
{
    if (RecallAt >= Recall.Size())
        return;
    ++RecallAt;
    SetInput(RecallAt == Recall.Size() ? "" : Recall[RecallAt].CStr());
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
    LayoutLines(h > 0.0f ? (UINT32)h : 0u, w > 0.0f ? (UINT32)w : 0u);
}

void ZNConsole::LayoutIfResized()
{
    float w = 0.0f, h = 0.0f;
    WindowSize(w, h);
    if (w != LaidOutWidth || h != LaidOutHeight)
        Layout();
}

void ZNConsole::LayoutLines(UINT32 windowHeight, UINT32 windowWidth)
{
    FontSize = (float)FontPixels;
    // Following the output (the newest line in view) before: following after,
    // whatever the new size; a view scrolled up stays where it was.
    const bool following = (INT64)Scroll + (INT64)VisibleLines >= (INT64)TotalLines;
    // History text stays clear of the scroll bar.
    WrapWidth = windowWidth > ScrollBarWidth ? (float)(windowWidth - ScrollBarWidth) : 0.0f;

    TotalLines = 0;
    for (UINT32 i = 0; i < History.Size(); ++i)
    {
        History[i].Lines = CountLines(History[i].Text.CStr());
        TotalLines += History[i].Lines;
    }

    // A window too low for even the input line fits no history line.
    const UINT32 rows = (windowHeight / 3) / FontPixels;
    VisibleLines      = rows > 0 ? rows - 1 : 0;
    if (following)
        Scroll = (INT32)((INT64)TotalLines - (INT64)VisibleLines);
    else
        ClampScroll();
}

void ZNConsole::KeepCursorInView(float width)
{
    if (Cursor > Input.Size())
        Cursor = Input.Size();
    if (InputView > Cursor)
        InputView = Cursor;
    if (!Font || !Font->HasGlyphs())
    {
        InputView = 0;
        return;
    }
    const float S     = (float)FontPixels;
    const float room  = width - Font->TextWidth(S, Prompt, 0, 0xFFFFFFFFu) - CursorWidth;
    const char* chars = Input.CStr();
    // Drop characters from the left until those up to the cursor fit.
    while (InputView < Cursor && Font->TextWidth(S, chars, InputView, Cursor - InputView) > room)
        ++InputView;
    // Text hidden on the left while there is room again: show it.
    while (InputView > 0 && Font->TextWidth(S, chars, InputView - 1, Cursor - InputView + 1) <= room)
        --InputView;
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
            DrawText(e.Text.CStr(), e.Text.Size(), textColor, ZN_TEXT_WORDWRAP | ZN_TEXT_BREAKWORD,
                     ZNUIRect{ 0.0f, y, WrapWidth > 0.0f ? WrapWidth : W, y + (float)e.Lines * S }, S);
        }
        lineIndex += e.Lines;
    }
    SetClip(nullptr);

    // The input line: the prompt, then the part of the input that keeps the
    // cursor in view, clipped to the bar.
    KeepCursorInView(W);
    ZNString shown(Prompt);
    shown += Input.CStr() + InputView;
    const ZNUIRect inputRect = { 0.0f, H - S, W, H };
    SetClip(&inputRect);
    DrawText(shown.CStr(), shown.Size(), ZNPackColor(0.9f, 0.85f, 0.7f, 1.0f), ZN_TEXT_SINGLELINE, inputRect, S);
    const UINT64 frequency = ZNPerformanceFrequency();
    const double shownFor  = frequency ? (double)(ZNPerformanceCounter() - BlinkFrom) / (double)frequency : 0.0;
    if (Font && (UINT64)(shownFor / BlinkSeconds) % 2 == 0)
    {
        static const float cursorColor[4] = { 0.95f, 0.9f, 0.75f, 1.0f };
        const UINT32       prefix         = (UINT32)strlen(Prompt) + (Cursor - InputView);
        const float        x              = Font->TextWidth(S, shown.CStr(), 0, prefix);
        DrawRect(ZNUIRect{ x, H - S + 1.0f, x + CursorWidth, H - 1.0f }, cursorColor, false);
    }
    SetClip(nullptr);
}
