// The console layer without GL: line splitting, history limits, scrolling,
// the input line and the toggle key.
#include <gtest/gtest.h>

#include <string>

#include "test_console_util.h"

namespace
{
// A console as the application window would have it at 1024 x 576: 12 history
// lines fit above the input line.
struct ConsoleFixture : ::testing::Test
{
    ZNConsole c;
    void      SetUp() override { c.LayoutLines(576); }
    void      Open()
    {
        if (!c.IsOpen())
            c.KeyEvent(ZNCK_Toggle, true);
    }
    void Print(UINT32 n)
    {
        for (UINT32 i = 0; i < n; ++i)
            c.Printf("line %u", i);
    }
    void Type(const char* s)
    {
        for (; *s; ++s)
            c.CharEvent((UINT8)*s, true);
    }
};
}   // namespace

TEST_F(ConsoleFixture, LayoutFitsLinesIntoTheTopThirdAboveTheInput)
{
    EXPECT_EQ(c.FontSize, 14.0f);
    EXPECT_EQ(c.VisibleLines, 12u);   // (576 / 3) / 14 = 13, less the input line
    c.LayoutLines(600);
    EXPECT_EQ(c.VisibleLines, 13u);   // 200 / 14 = 14
    c.LayoutLines(41);                // a 13-pixel console: not even the input fits
    EXPECT_EQ(c.VisibleLines, 0u);
    c.LayoutLines(0);
    EXPECT_EQ(c.VisibleLines, 0u);
}

TEST_F(ConsoleFixture, LineIsSplitIntoNameAndArguments)
{
    RecordingCommand cmd("test_cmd");
    TypeLine(c, "test_cmd");
    TypeLine(c, "  \t test_cmd   alpha beta  ");
    TypeLine(c, "test_cmd=5");
    TypeLine(c, "\r\ntest_cmd\n\tx");
    ASSERT_EQ(cmd.calls.size(), 4u);
    EXPECT_EQ(cmd.calls[0], "");
    EXPECT_EQ(cmd.calls[1], "alpha beta  ");   // trailing blanks are the command's business
    EXPECT_EQ(cmd.calls[2], "=5");
    EXPECT_EQ(cmd.calls[3], "x");
    EXPECT_EQ(LastLine(c), "ran test_cmd");
    EXPECT_TRUE(c.Input.Empty());
}

TEST_F(ConsoleFixture, BadLinesPrintTheWholeLineIntoTheError)
{
    TypeLine(c, "");   // an empty line prints nothing at all
    EXPECT_TRUE(c.History.Empty());
    TypeLine(c, "=");
    EXPECT_EQ(LastLine(c), "error in '=' - command name not found");
    TypeLine(c, "   ");
    EXPECT_EQ(LastLine(c), "error in '   ' - command name not found");
    TypeLine(c, " #test_cmd 1");   // a comment: nothing runs, nothing is said
    EXPECT_EQ(LastLine(c), "]  #test_cmd 1");
    TypeLine(c, "no_such_cmd 1 2");
    EXPECT_EQ(LastLine(c), "error in 'no_such_cmd 1 2' - command not found");
    TypeLine(c, "100%s%n");   // the typed line is data, never a format
    EXPECT_EQ(LastLine(c), "error in '100%s%n' - command not found");
    EXPECT_TRUE(c.Input.Empty());
    EXPECT_EQ(c.History.Size(), 9u) << "five lines echoed, four errors";
}

TEST_F(ConsoleFixture, PrintIsCutAtItsLimit)
{
    std::string big(20000, 'x');
    c.Printf("%s", big.c_str());
    EXPECT_EQ(c.History.Last().Text.Size(), ZNConsole::PrintLimit);
    c.AddLine(nullptr);
    EXPECT_EQ(LastLine(c), "");
}

TEST_F(ConsoleFixture, HistoryKeepsTheNewestHundredEntries)
{
    Print(100);
    EXPECT_EQ(c.History.Size(), 100u);
    EXPECT_EQ(c.TotalLines, 100u);
    c.Printf("newest");
    EXPECT_EQ(c.History.Size(), 100u);
    EXPECT_EQ(c.TotalLines, 100u);
    EXPECT_EQ(std::string(c.History[0].Text.CStr()), "line 1");
    EXPECT_EQ(LastLine(c), "newest");

    // Entries counted as several lines take their whole count with them.
    c.History[0].Lines = 3;
    c.TotalLines += 2;
    c.Printf("one more");
    EXPECT_EQ(c.TotalLines, 100u);
    EXPECT_EQ(std::string(c.History[0].Text.CStr()), "line 2");
}

TEST_F(ConsoleFixture, ViewFollowsOutputUnlessScrolledUp)
{
    Print(3);   // fewer than fit: scroll goes negative, lines sit at the bottom
    EXPECT_EQ(c.Scroll, 3 - 12);
    Print(27);
    EXPECT_EQ(c.Scroll, 30 - 12);

    Open();
    c.KeyEvent(ZNCK_PageUp, true);
    c.KeyEvent(ZNCK_PageUp, true);
    EXPECT_EQ(c.Scroll, 10);
    Print(5);
    EXPECT_EQ(c.Scroll, 10);   // reading older lines: stays

    ControlKey(c, ZNCK_End);
    EXPECT_EQ(c.Scroll, 35 - 12);
    Print(1);
    EXPECT_EQ(c.Scroll, 36 - 12);   // at the end: follows
}

TEST_F(ConsoleFixture, ScrollKeysAreClampedToTheHistory)
{
    Open();
    Print(5);
    ControlKey(c, ZNCK_End);   // fewer lines than fit
    EXPECT_EQ(c.Scroll, 0);
    c.KeyEvent(ZNCK_PageUp, true);
    EXPECT_EQ(c.Scroll, 0);
    c.KeyEvent(ZNCK_PageDown, true);
    EXPECT_EQ(c.Scroll, 0);

    Print(25);   // 30 lines, 12 fit
    ControlKey(c, ZNCK_Home);
    EXPECT_EQ(c.Scroll, 0);
    c.KeyEvent(ZNCK_PageUp, true);
    EXPECT_EQ(c.Scroll, 0);
    for (int i = 0; i < 3; ++i)
        c.KeyEvent(ZNCK_PageDown, true);
    EXPECT_EQ(c.Scroll, 12);
    for (int i = 0; i < 10; ++i)
        c.KeyEvent(ZNCK_PageDown, true);
    EXPECT_EQ(c.Scroll, 18);
    c.KeyEvent(ZNCK_PageUp, false);   // releases do nothing
    EXPECT_EQ(c.Scroll, 18);
}

TEST_F(ConsoleFixture, ClosedConsoleIgnoresEverythingButTheToggle)
{
    EXPECT_FALSE(c.IsOpen());
    Print(30);
    const INT32 scroll = c.Scroll;
    c.KeyEvent(ZNCK_Home, true);
    c.CharEvent('a', true);
    c.Input = "keep";
    c.KeyEvent(ZNCK_Delete, true);
    c.KeyEvent(ZNCK_Backspace, true);
    c.KeyEvent(ZNCK_Enter, true);
    EXPECT_EQ(c.Scroll, scroll);
    EXPECT_EQ(std::string(c.Input.CStr()), "keep");
    EXPECT_EQ(c.History.Size(), 30u);

    c.KeyEvent(ZNCK_Toggle, false);   // a release does not toggle
    EXPECT_FALSE(c.IsOpen());
    c.KeyEvent(ZNCK_Toggle, true);
    EXPECT_TRUE(c.IsOpen());
    c.KeyEvent(ZNCK_Toggle, true);
    EXPECT_FALSE(c.IsOpen());
}

TEST_F(ConsoleFixture, InputLineTakesPrintableCharactersUpToItsLimit)
{
    Open();
    Type("ab~c`d");
    c.CharEvent('\t', true);
    c.CharEvent(27, true);
    c.CharEvent(127, true);
    c.CharEvent(0x263A, true);   // no room for wide characters in 8-bit text
    c.CharEvent('e', false);     // releases add nothing
    EXPECT_EQ(std::string(c.Input.CStr()), "ab~cd") << "'~' is Shift and the console key: typed";

    c.KeyEvent(ZNCK_Backspace, true);
    EXPECT_EQ(std::string(c.Input.CStr()), "ab~c");
    c.KeyEvent(ZNCK_Left, true);
    c.KeyEvent(ZNCK_Delete, true);   // inside the line: the character under the cursor
    EXPECT_EQ(std::string(c.Input.CStr()), "ab~");
    c.KeyEvent(ZNCK_Delete, true);   // at the end, with nothing under the cursor: the whole line
    EXPECT_TRUE(c.Input.Empty());
    Type("ab~c");
    for (int i = 0; i < 5; ++i)
        c.KeyEvent(ZNCK_Backspace, true);   // the last on an empty line: nothing to remove
    EXPECT_TRUE(c.Input.Empty());

    for (UINT32 i = 0; i < ZNConsole::InputLimit + 1; ++i)
        c.CharEvent('0' + i % 10, true);
    EXPECT_EQ(c.Input.Size(), ZNConsole::InputLimit);
    EXPECT_GE(ZNConsole::InputLimit, 1024u);
    EXPECT_EQ(c.Input.CStr()[ZNConsole::InputLimit - 1], (char)('0' + (ZNConsole::InputLimit - 1) % 10))
        << "the one past the limit was dropped";
}

TEST_F(ConsoleFixture, TogglingAndTypingAVariableEndToEnd)
{
    ZNConVar v("test_speed", 1.0f, 0, 0.0f, 10.0f, nullptr, 0);
    c.KeyEvent(ZNCK_Toggle, true);
    c.CharEvent('`', true);   // the toggle key's own character
    Type("test_speed 2.5");
    c.KeyEvent(ZNCK_Enter, true);
    EXPECT_EQ(v.Value, 2.5f);
    EXPECT_EQ(LastLine(c), "test_speed = 2.5");
    EXPECT_TRUE(c.Input.Empty());
}

// A window made lower keeps the newest line in view (it used to stay at the
// old scroll position, hiding the newest lines until End); a view the user
// scrolled up stays where it was, within the history.
TEST_F(ConsoleFixture, ResizingKeepsTheNewestLineInViewUnlessScrolledUp)
{
    Open();
    Print(40);
    for (UINT32 height : { 300u, 150u, 900u, 42u, 576u })
    {
        c.LayoutLines(height);
        EXPECT_EQ((INT64)c.Scroll + c.VisibleLines, (INT64)c.TotalLines) << height;
    }
    c.KeyEvent(ZNCK_PageUp, true);
    c.KeyEvent(ZNCK_PageUp, true);
    const INT32 reading = c.Scroll;
    c.LayoutLines(300);
    EXPECT_EQ(c.Scroll, reading) << "scrolled up on purpose: stays";
    c.LayoutLines(3000);   // everything fits now
    EXPECT_EQ(c.Scroll, 0);
}

// With a font, entries count the lines they wrap into at the console's width
// (less the scroll bar), the total follows every width, and a narrower window
// still shows the newest line.
TEST_F(ConsoleFixture, EntriesWrapAtTheConsoleWidth)
{
    ZNFont font;
    ASSERT_TRUE(ParseSquareFont(font));
    c.Font = &font;
    c.LayoutLines(576, 14 * 20 + ZNConsole::ScrollBarWidth);   // 20 characters a line
    c.AddLine(std::string(50, 'x').c_str());
    c.AddLine("short");
    EXPECT_EQ(c.History[0].Lines, 3u);
    EXPECT_EQ(c.History[1].Lines, 1u);
    EXPECT_EQ(c.TotalLines, 4u);
    Print(20);
    // Entries of several lines are followed like single ones (the view used
    // to stop following at the first entry that wrapped).
    for (int i = 0; i < 3; ++i)
    {
        c.AddLine(std::string(30 + i, 'w').c_str());
        EXPECT_EQ((INT64)c.Scroll + c.VisibleLines, (INT64)c.TotalLines) << i;
    }
    c.LayoutLines(576, 14 * 10 + ZNConsole::ScrollBarWidth);   // 10 a line
    EXPECT_EQ(c.History[0].Lines, 5u);
    UINT32 sum = 0;
    for (UINT32 i = 0; i < c.History.Size(); ++i)
        sum += c.History[i].Lines;
    EXPECT_EQ(c.TotalLines, sum);
    EXPECT_EQ((INT64)c.Scroll + c.VisibleLines, (INT64)c.TotalLines);
    c.Font = nullptr;
}

// The input line shows the part that keeps the cursor visible: as much as
// fits before the cursor, never more than fits, and the start again once the
// cursor goes back there.
TEST_F(ConsoleFixture, InputViewKeepsTheCursorVisible)
{
    ZNFont font;
    ASSERT_TRUE(ParseSquareFont(font));
    c.Font = &font;
    Open();
    const float width = 300.0f;
    const float room  = width - font.TextWidth(14.0f, ZNConsole::Prompt, 0, 10) - ZNConsole::CursorWidth;
    for (UINT32 i = 0; i < 200; ++i)
    {
        c.CharEvent('a' + i % 26, true);
        if (i % 7 == 0)
            c.CharEvent(' ', true);
        c.KeepCursorInView(width);
        const char* s = c.Input.CStr();
        ASSERT_LE(c.InputView, c.Cursor);
        EXPECT_LE(font.TextWidth(14.0f, s, c.InputView, c.Cursor - c.InputView), room) << i;
        if (c.InputView > 0)
        {
            EXPECT_GT(font.TextWidth(14.0f, s, c.InputView - 1, c.Cursor - c.InputView + 1), room) << i;
        }
    }
    EXPECT_GT(c.InputView, 0u);
    for (int i = 0; i < 5; ++i)
        c.KeyEvent(ZNCK_Left, true);
    c.KeepCursorInView(width);
    EXPECT_LE(c.InputView, c.Cursor);
    c.KeyEvent(ZNCK_Home, true);
    c.KeepCursorInView(width);
    EXPECT_EQ(c.InputView, 0u);
    c.Font = nullptr;
}
