// The console's input editing: ';' splitting, quoted words, Tab completion, the
// recall list and the mouse wheel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_console_util.h"
#include "ui/ZNConsoleLine.h"

namespace
{
std::vector<std::string> Strings(const ZNArray<ZNString>& a)
{
    std::vector<std::string> out;
    for (UINT32 i = 0; i < a.Size(); ++i)
        out.push_back(std::string(a[i].CStr(), a[i].Size()));
    return out;
}

ZNArray<ZNString> List(std::initializer_list<const char*> items)
{
    ZNArray<ZNString> out;
    for (const char* s : items)
        out.Add(ZNString(s));
    return out;
}

typedef std::vector<std::string> Words;

// Completion against fixed ascending name lists; "help" takes any name, "set"
// a variable's.
std::string Complete(const char* line, Words* matches = nullptr)
{
    ZNConsoleNames names;
    names.Commands       = List({ "cmdlist", "cvarlist", "help", "quit", "set" });
    names.Variables      = List({ "cam_fov", "cam_speed", "Quality", "r_stats" });
    names.NameTakers     = List({ "help" });
    names.VariableTakers = List({ "set" });
    ZNArray<ZNString> found;
    const ZNString    out = ZNConsoleCompleteLine(ZNString(line), names, found);
    if (matches)
        *matches = Strings(found);
    return out.CStr();
}
}

TEST(ConsoleLine, SemicolonsSplitCommandsOutsideQuotes)
{
    ZNArray<ZNString> out;
    ZNConsoleSplitCommands("set a 1; echo \"x;y\";toggle b", out);
    EXPECT_EQ(Strings(out), (Words{ "set a 1", " echo \"x;y\"", "toggle b" }));
    ZNConsoleSplitCommands("a;;b;", out);
    EXPECT_EQ(Strings(out), (Words{ "a", "", "b", "" }));
    ZNConsoleSplitCommands("", out);
    EXPECT_EQ(Strings(out), (Words{ "" }));
    ZNConsoleSplitCommands("echo \"open;still open", out);
    EXPECT_EQ(Strings(out), (Words{ "echo \"open;still open" })) << "an open quote runs to the end";
    ZNConsoleSplitCommands(nullptr, out);
    EXPECT_EQ(Strings(out), (Words{ "" }));
}

TEST(ConsoleLine, QuotedWordsHoldSpacesAndJoinWhatTheyTouch)
{
    ZNArray<ZNString> out;
    EXPECT_TRUE(ZNConsoleSplitArgs("map \"my h.png\"  c.png", out));
    EXPECT_EQ(Strings(out), (Words{ "map", "my h.png", "c.png" }));
    EXPECT_TRUE(ZNConsoleSplitArgs("  a\"b c\"d \"\" \t e\n", out));
    EXPECT_EQ(Strings(out), (Words{ "ab cd", "", "e" }));
    EXPECT_TRUE(ZNConsoleSplitArgs("   ", out));
    EXPECT_TRUE(out.Empty());
    EXPECT_FALSE(ZNConsoleSplitArgs("echo \"not closed", out));
    EXPECT_EQ(Strings(out), (Words{ "echo", "not closed" }));
}

TEST(ConsoleLine, TabCompletesOneMatchAndTheCommonPrefixOfSeveral)
{
    Words matches;
    EXPECT_EQ(Complete("r_", &matches), "r_stats ");
    EXPECT_EQ(matches, (Words{ "r_stats" }));
    EXPECT_EQ(Complete("ca", &matches), "cam_");
    EXPECT_EQ(matches, (Words{ "cam_fov", "cam_speed" }));
    EXPECT_EQ(Complete("c", &matches), "c") << "no longer common prefix";
    EXPECT_EQ(matches.size(), 4u);
    EXPECT_EQ(Complete("zz", &matches), "zz");
    EXPECT_TRUE(matches.empty());
    EXPECT_EQ(Complete("", &matches), "");
    EXPECT_EQ(matches.size(), 9u) << "an empty line lists every name";
}

TEST(ConsoleLine, TabCompletesTheLastCommandAndNameArguments)
{
    Words matches;
    EXPECT_EQ(Complete("echo hi; cam_s"), "echo hi; cam_speed ");
    EXPECT_EQ(Complete("echo \"a;b\" cam_s"), "echo \"a;b\" cam_s") << "the ';' is quoted: still echo's arguments";
    EXPECT_EQ(Complete("set  r_"), "set  r_stats ");
    EXPECT_EQ(Complete("help cam_", &matches), "help cam_");
    EXPECT_EQ(matches.size(), 2u);
    EXPECT_EQ(Complete("cvarlist r_", &matches), "cvarlist r_") << "cvarlist takes a prefix, not a name";
    EXPECT_TRUE(matches.empty());
    EXPECT_EQ(Complete("set r_stats 1"), "set r_stats 1") << "only the first argument completes";
    EXPECT_EQ(Complete("r_stats "), "r_stats ");
    EXPECT_EQ(Complete("=r"), "=r");
}

// Only names that fit the position are offered: after a command that takes a
// variable only variables ("set q" used to offer the command quit), after help
// any name, in the command's place commands and variables; letter case aside.
TEST(ConsoleLine, TabOffersOnlyNamesThatFitThePosition)
{
    Words matches;
    EXPECT_EQ(Complete("set q", &matches), "set Quality ");
    EXPECT_EQ(matches, (Words{ "Quality" }));
    EXPECT_EQ(Complete("SET ", &matches), "SET ");
    EXPECT_EQ(matches, (Words{ "cam_fov", "cam_speed", "Quality", "r_stats" })) << "variables only, in order";
    EXPECT_EQ(Complete("help q", &matches), "help qu") << "what was typed keeps its letter case";
    EXPECT_EQ(matches, (Words{ "Quality", "quit" }));
    EXPECT_EQ(Complete("Q", &matches), "Qu");
    EXPECT_EQ(matches, (Words{ "Quality", "quit" }));
    EXPECT_EQ(Complete("CAM_S"), "cam_speed ");
    EXPECT_EQ(Complete("quit q", &matches), "quit q") << "quit takes no name";
    EXPECT_TRUE(matches.empty());
}

TEST(ConsoleLine, CommentsStartAtAHashThatBeginsAWordOutsideQuotes)
{
    auto strip = [](const char* line) { return std::string(ZNConsoleStripComment(ZNString(line)).CStr()); };
    EXPECT_EQ(strip("echo a # b"), "echo a ");
    EXPECT_EQ(strip("# all of it"), "");
    EXPECT_EQ(strip("echo a;# b"), "echo a;");
    EXPECT_EQ(strip("echo \"a # b\" # c"), "echo \"a # b\" ");
    EXPECT_EQ(strip("map h#1.png c.png"), "map h#1.png c.png") << "inside a word it is a character";
    EXPECT_EQ(strip("echo \"open # quote"), "echo \"open # quote");
}

TEST(ConsoleEditing, TabInTheConsoleCompletesAndListsChoices)
{
    RecordingCommand a("zz_tab_alpha"), b("zz_tab_beta"), c("zz_tab_betamax");
    ZNConsole        con;
    con.KeyEvent(ZNCK_Toggle, true);
    con.SetInput("zz_tab_a");
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_tab_alpha ");
    const UINT32 printed = con.History.Size();
    con.SetInput("zz_tab_b");
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_tab_beta");
    ASSERT_EQ(con.History.Size(), printed + 1);
    EXPECT_EQ(LastLine(con), "zz_tab_beta  zz_tab_betamax");
    // Tab again on the same line lists nothing new; a changed line lists again.
    con.KeyEvent(ZNCK_Tab, true);
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(con.History.Size(), printed + 1) << "the same choices are not printed again";
    con.CharEvent('m', true);
    con.KeyEvent(ZNCK_Backspace, true);
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(con.History.Size(), printed + 1) << "the line is as it was: still nothing new";
    con.SetInput("zz_tab_");
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(con.History.Size(), printed + 2);
    EXPECT_EQ(LastLine(con), "zz_tab_alpha  zz_tab_beta  zz_tab_betamax");

    // The name before the cursor completes; the rest of the line stays.
    con.SetInput("zz_tab_al 5");
    for (int i = 0; i < 2; ++i)
        con.KeyEvent(ZNCK_Left, true);
    con.KeyEvent(ZNCK_Tab, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_tab_alpha  5");
    EXPECT_EQ(con.Cursor, 13u);

    con.SetInput("zz_tab_beta");
    con.KeyEvent(ZNCK_Enter, true);
    EXPECT_EQ(b.calls.size(), 1u) << "the completed name runs";
}

// Left, Right, Home and End move the cursor; characters go in at it, Backspace
// removes the one before it and Delete the one at it; Ctrl+Home and Ctrl+End
// scroll the history instead.
TEST(ConsoleEditing, CursorKeysEditInsideTheLine)
{
    ZNConsole con;
    con.LayoutLines(576);
    for (int i = 0; i < 40; ++i)
        con.Printf("line %d", i);
    con.KeyEvent(ZNCK_Toggle, true);
    for (const char* p = "hello"; *p; ++p)
        con.CharEvent((UINT8)*p, true);
    auto input = [&con] { return std::string(con.Input.CStr()); };
    con.KeyEvent(ZNCK_Left, true);
    con.KeyEvent(ZNCK_Left, true);
    con.CharEvent('X', true);
    EXPECT_EQ(input(), "helXlo");
    EXPECT_EQ(con.Cursor, 4u);
    const INT32 bottom = con.Scroll;
    con.KeyEvent(ZNCK_Home, true);
    EXPECT_EQ(con.Cursor, 0u);
    EXPECT_EQ(con.Scroll, bottom) << "Home moves the cursor, not the history";
    con.KeyEvent(ZNCK_Left, true);
    EXPECT_EQ(con.Cursor, 0u);
    con.KeyEvent(ZNCK_Delete, true);
    EXPECT_EQ(input(), "elXlo");
    con.KeyEvent(ZNCK_Backspace, true);
    EXPECT_EQ(input(), "elXlo") << "nothing before the cursor";
    con.KeyEvent(ZNCK_End, true);
    con.KeyEvent(ZNCK_Right, true);
    EXPECT_EQ(con.Cursor, 5u);
    con.KeyEvent(ZNCK_Backspace, true);
    EXPECT_EQ(input(), "elXl");

    ControlKey(con, ZNCK_Home);
    EXPECT_EQ(con.Scroll, 0);
    EXPECT_EQ(con.Cursor, 4u) << "Ctrl+Home scrolls, the cursor stays";
    ControlKey(con, ZNCK_End);
    EXPECT_EQ(con.Scroll, bottom);

    // Recalled lines put the cursor at their end.
    con.KeyEvent(ZNCK_Enter, true);
    con.KeyEvent(ZNCK_Up, true);
    EXPECT_EQ(con.Cursor, con.Input.Size());
}

// Ctrl+V inserts the clipboard at the cursor: line breaks become command
// separators, tabs spaces, other control characters go; the line's limit holds.
TEST(ConsoleEditing, PasteInsertsTheClipboardAtTheCursor)
{
    static std::string clip;
    ZNConsole          con;
    con.ClipboardSource = [](ZNString& text)
    {
        text = clip.c_str();
        return !clip.empty();
    };
    con.KeyEvent(ZNCK_Toggle, true);
    con.SetInput("echo  end");
    for (int i = 0; i < 4; ++i)
        con.KeyEvent(ZNCK_Left, true);
    clip = "a\tb\x01"
           "c\r\necho d\n\n";
    ControlKey(con, ZNCK_V);
    EXPECT_EQ(std::string(con.Input.CStr()), "echo a bc;echo d end");
    EXPECT_EQ(con.Cursor, 16u);
    con.KeyEvent(ZNCK_V, true);   // without Control: a key like any other (its character comes apart)
    EXPECT_EQ(std::string(con.Input.CStr()), "echo a bc;echo d end");

    clip = std::string(3000, 'p');
    ControlKey(con, ZNCK_V);
    EXPECT_EQ(con.Input.Size(), ZNConsole::InputLimit);
    EXPECT_EQ(std::string(con.Input.CStr() + con.Input.Size() - 4), " end") << "the tail stays";
    clip.clear();
    const ZNString before = con.Input;
    ControlKey(con, ZNCK_V);
    EXPECT_TRUE(con.Input == before) << "an empty clipboard changes nothing";
}

TEST(ConsoleEditing, UpAndDownRecallTypedLinesApartFromTheOutput)
{
    RecordingCommand rec("zz_recall");
    ZNConsole        con;
    TypeLine(con, "zz_recall 1");
    TypeLine(con, "zz_recall 2");
    TypeLine(con, "zz_recall 2");   // repeated: kept once
    TypeLine(con, "zz_recall 3");
    con.Printf("output is not recalled");
    EXPECT_EQ(con.Recall.Size(), 3u);

    con.KeyEvent(ZNCK_Up, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_recall 3");
    con.KeyEvent(ZNCK_Up, true);
    con.KeyEvent(ZNCK_Up, true);
    con.KeyEvent(ZNCK_Up, true);   // stays at the oldest
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_recall 1");
    con.KeyEvent(ZNCK_Down, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_recall 2");
    con.KeyEvent(ZNCK_Down, true);
    con.KeyEvent(ZNCK_Down, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "") << "past the newest: an empty line";
    con.KeyEvent(ZNCK_Down, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "");

    con.KeyEvent(ZNCK_Up, true);
    con.KeyEvent(ZNCK_Up, true);
    con.KeyEvent(ZNCK_Enter, true);
    EXPECT_EQ(rec.calls.back(), "2");
    con.KeyEvent(ZNCK_Up, true);
    EXPECT_EQ(std::string(con.Input.CStr()), "zz_recall 2") << "the recalled line is now the newest";

    for (UINT32 i = 0; i < ZNConsole::RecallLimit + 20; ++i)
        TypeLine(con, ("zz_recall " + std::to_string(i)).c_str());
    EXPECT_EQ(con.Recall.Size(), ZNConsole::RecallLimit);
}

TEST(ConsoleEditing, WheelScrollsLikePageKeysOnlyWhileOpen)
{
    ZNConsole con;
    con.LayoutLines(576);   // 12 lines fit
    for (int i = 0; i < 40; ++i)
        con.Printf("line %d", i);
    const INT32 bottom = con.Scroll;
    EXPECT_EQ(bottom, 28);
    con.WheelEvent(1.0f);
    EXPECT_EQ(con.Scroll, bottom) << "closed: nothing";
    con.KeyEvent(ZNCK_Toggle, true);
    con.WheelEvent(1.0f);
    EXPECT_EQ(con.Scroll, bottom - ZNConsole::ScrollStep);
    con.WheelEvent(-1.0f);
    con.WheelEvent(-1.0f);
    EXPECT_EQ(con.Scroll, bottom) << "clamped at the end";
    for (int i = 0; i < 20; ++i)
        con.WheelEvent(1.0f);
    EXPECT_EQ(con.Scroll, 0);
}

TEST(ConsoleEditing, SemicolonsRunEachCommandAndQuotesReachFunctions)
{
    RecordingCommand rec("zz_semi");
    ZNConsole        con;
    TypeLine(con, "zz_semi a; zz_semi \"b;c\" ;;zz_semi");
    EXPECT_EQ(rec.calls, (std::vector<std::string>{ "a", "\"b;c\" ", "" }));
    TypeLine(con, "zz_semi x; nosuch_cmd; zz_semi y");
    EXPECT_EQ(rec.calls.back(), "y") << "an unknown command does not stop the rest";
    bool sawError = false;
    for (UINT32 i = 0; i < con.History.Size(); ++i)
        sawError |= std::string(con.History[i].Text.CStr()) == "error in ' nosuch_cmd' - command not found";
    EXPECT_TRUE(sawError);
    TypeLine(con, "=");
    EXPECT_EQ(LastLine(con), "error in '=' - command name not found") << "a single command keeps the old message";

    // '#' at the start of a word ends the line; quoted or inside a word it is text.
    rec.calls.clear();
    TypeLine(con, "zz_semi a # zz_semi b; zz_semi c");
    TypeLine(con, "ZZ_Semi \"x # y\" z#w");
    TypeLine(con, "   # only a comment");
    EXPECT_EQ(rec.calls, (std::vector<std::string>{ "a ", "\"x # y\" z#w" }));
    EXPECT_EQ(LastLine(con), "]    # only a comment") << "a comment line runs nothing and says nothing";
}
