// ZNConsole: the engine's drop-down console, a UI layer over the top third of
// the window with a scrolling history of printed lines and one input line.
// A typed line is split into a command name and its argument text and run
// through the console command registry (ui/ZNConVar.h).
//
//   console->KeyEvent(ZNK_Console, true);    // opens it (the key left of 1)
//   console->CharEvent('x', true);           // typed characters, while open
//   console->KeyEvent(13, true);             // Enter runs the line
//   console->Printf("%d frames", n);         // adds a history entry
//   console->Execute("set r_stats 1; echo on");   // runs text as if typed
//
// Beside the typed line: a prompt and a blinking cursor; Left, Right, Home and
// End move the cursor, Backspace and Delete remove the character before or at
// it, Ctrl+V pastes; Tab completes the name at the cursor (ui/ZNConsoleLine.h),
// Up and Down recall earlier typed lines; Page Up / Page Down, Ctrl+Home /
// Ctrl+End and the mouse wheel scroll the history; ';' separates commands,
// double quotes group words and '#' at the start of a word begins a comment.
//
// Guarantees:
// - The history keeps at most 100 entries (the oldest go first) and the input
//   line at most 1024 characters; a print is cut to 16384 characters.
// - Backquote and control characters never reach the input line, so the toggle
//   key leaves nothing behind; the toggle key with Shift held does not toggle
//   (its character, '~', is typed).
// - Every line run as typed (Enter, or Submit) is echoed after the prompt above
//   its output; errors of a line from an exec file name the file and line.
// - The view follows new output unless the user scrolled up, also when the
//   window changes size; after every key the scroll position lies within the
//   history.
// - History lines wrap at the console's width (the font's LineCount); the
//   input line scrolls sideways to keep the cursor in view.
// - Everything but Draw works without a GL context, a window or a font (each
//   entry then counts one line per line feed, plus one).
// - Every history entry is also written to the engine log (ZNLog).
// - The recall list keeps the last 100 typed lines (a line typed twice in a row
//   is kept once); recalling replaces the input, and Down past the newest line
//   gives an empty input.
// - exec nesting stops at ExecDepthLimit, so a script that runs itself ends,
//   and one typed command runs at most ExecLineLimit script lines in all: depth
//   alone allows k^8 lines for a k-line script that runs itself k times.
// Main thread only.
#pragma once

#include "core/ZNTemplate.h"
#include "ui/ZNConVar.h"
#include "ui/ZNUILayer.h"

// Key codes the console reacts to.
enum ZNConsoleKey : UINT32
{
    ZNCK_Backspace = 8,
    ZNCK_Tab       = 9,
    ZNCK_Enter     = 13,
    ZNCK_Shift     = 16,   // either Shift key
    ZNCK_Control   = 17,   // either Control key
    ZNCK_PageUp    = 33,
    ZNCK_PageDown  = 34,
    ZNCK_End       = 35,
    ZNCK_Home      = 36,
    ZNCK_Left      = 37,
    ZNCK_Up        = 38,
    ZNCK_Right     = 39,
    ZNCK_Down      = 40,
    ZNCK_Delete    = 46,
    ZNCK_V         = 86,    // with Control: paste
    ZNCK_Toggle    = 192,   // the key left of the digit row
};

struct ZNConsoleEntry
{
    ZNString Text;
    UINT32   Lines;   // as counted by the font
};

class ZNConsole : public ZNUILayer
{
public:
    static constexpr UINT32 FontPixels     = 14;      // pixels per line
    static constexpr UINT32 HistoryLimit   = 100;     // entries
    static constexpr UINT32 InputLimit     = 1024;    // characters
    static constexpr INT32  ScrollStep     = 4;       // lines per Page Up / Page Down
    static constexpr UINT32 ScrollBarWidth = 10;      // pixels
    static constexpr UINT32 PrintLimit     = 16384;   // characters of one Printf
    static constexpr UINT32 RecallLimit    = 100;     // typed lines Up and Down reach back to
    static constexpr UINT32 ExecDepthLimit = 8;       // nested Execute calls (scripts running scripts)
    static constexpr UINT32 ExecLineLimit  = 10000;   // script lines one outermost Execute may run, nesting counted
    static constexpr float  CursorWidth    = 2.0f;    // pixels
    static constexpr double BlinkSeconds   = 0.5;     // the cursor is shown, then hidden, this long each

    ZNConsole();
    ~ZNConsole() override;

    // printf into the history (cut to PrintLimit characters).
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Printf for a command that could not do what was asked: counted in Failures
    // (a script or the command line can tell that something went wrong), and
    // while an exec file runs, the line starts with the file's name and line
    // number ("x.cfg:3: ...").
    void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Adds one entry to the history as it is.
    void AddLine(const char* text);

    // Only presses act; the toggle key (without Shift) always, every other key
    // while open. Shift and Control presses and releases are followed always.
    void KeyEvent(UINT32 key, bool pressed);
    // While open, inserts a printable character other than ` at the cursor.
    void CharEvent(UINT32 character, bool pressed);
    bool IsOpen() const { return Visible != 0; }
    // The window lost the keyboard: the releases of Shift and Control will not
    // come, so they count as up from now on.
    void ReleaseModifiers();

    // Runs the input line (Submit), remembers it for Up and Down and clears
    // the input. An empty input does nothing.
    void ExecuteLine();
    // Echoes line after the prompt, then runs it (Execute): a line as typed.
    void Submit(const char* line);
    // Inserts text at the cursor as far as the input has room: line breaks
    // become ';' (one command a line), tabs spaces, other control characters
    // and backquotes are dropped.
    void InsertText(const char* text);
    // Ctrl+V: inserts the clipboard's text (ClipboardSource).
    void Paste();
    // Replaces the input line (cut to InputLimit); the cursor goes to its end.
    void SetInput(const char* text);
    // Runs each ';'-separated command of text in order (ExecuteCommand). False
    // when nesting passed ExecDepthLimit (reported, nothing run).
    bool Execute(const char* text);
    // Splits one command into name and arguments and runs it, or prints why not
    // (the messages quote the command as given).
    void ExecuteCommand(const ZNString& command);
    // Tab: completes the name before the cursor with the names that fit there,
    // printing the choices when several fit (not again for the same line).
    void CompleteInput();
    // Up (older) and Down (newer) through the typed lines.
    void RecallOlder();
    void RecallNewer();
    // Mouse wheel while open: each step away from the user scrolls up like Page Up.
    void WheelEvent(float steps);

    // The layer's layout plus the console's own: font size, line counts, and
    // the number of history lines that fit.
    void Layout();
    // Layout again when the window's size differs from the last layout's.
    void LayoutIfResized();
    // The console's part of Layout for a window of the given client size (a
    // width of 0: history lines do not wrap).
    void LayoutLines(UINT32 windowHeight, UINT32 windowWidth = 0);
    // Moves InputView so the cursor shows in an input line width pixels wide
    // (prompt included). Without a font, the view stays at the start.
    void KeepCursorInView(float width);

    void Draw() override;

    UINT32                  Visible;   // open
    ZNArray<ZNConsoleEntry> History;
    ZNString                Input;                  // the line being typed
    INT32                   Scroll;                 // first visible line of the history
    UINT32                  TotalLines;             // sum of the entries' line counts
    UINT32                  VisibleLines;           // history lines above the input line
    ZNArray<ZNString>       Recall;                 // typed lines, oldest first
    UINT32                  RecallAt  = 0;          // Recall.Size(): at the new line
    UINT32                  ExecDepth = 0;          // Execute calls running now
    UINT32                  ExecLines = 0;          // script lines run for the outermost Execute now running
    bool                    ExecCut   = false;      // ExecLineLimit was reached and said so
    ZNString                ExecFile;               // the exec file whose line runs now ("" when none)
    UINT32                  ExecFileLine = 0;       // its line number, from 1
    UINT32                  Failures     = 0;       // commands that failed: Error, an unknown name, a usage printed
    UINT32                  Cursor       = 0;       // input characters before the cursor
    UINT32                  InputView    = 0;       // first input character drawn
    bool                    ShiftDown    = false;   // either Shift key is held
    bool                    ControlDown  = false;   // either Control key is held
    float                   WrapWidth    = 0.0f;    // pixels history lines wrap at; 0: no wrapping
    ZNString                TabListedFor;           // the input whose Tab choices were printed last
    UINT64                  BlinkFrom = 0;          // performance counter of the last edit (the cursor shows)
    // Where Paste reads the clipboard (the window layer's, unless a test puts in its own).
    bool (*ClipboardSource)(ZNString& text);

    static const char* const Prompt;   // before the input line and before each echoed line

private:
    float LaidOutWidth  = -1.0f;   // window size of the last Layout
    float LaidOutHeight = -1.0f;

    void Edited();   // a key or character arrived: the cursor shows from now on

    UINT32 CountLines(const char* text) const;
    void   ClampScroll();
};
