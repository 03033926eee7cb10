// Helpers of the console tests: a command that records what it was given (the
// dialog recorder is the window tests' one).
#pragma once

#include <string>
#include <vector>

#include "core/ZNAssert.h"
#include "common/ZNTestDialogs.h"
#include "ui/ZNConsole.h"
#include "ui/ZNFont.h"

// Remembers every argument text it is run with.
struct RecordingCommand : ZNConCom
{
    explicit RecordingCommand(const char* name) : ZNConCom(name) {}
    void Execute(ZNConsole& console, const ZNString& arguments) override
    {
        calls.push_back(arguments.CStr());
        console.Printf("ran %s", Name.CStr());
    }
    std::vector<std::string> calls;
};

// Presses key with Control held (Ctrl+Home scrolls to the top, Ctrl+V pastes).
inline void ControlKey(ZNConsole& c, UINT32 key)
{
    c.KeyEvent(ZNCK_Control, true);
    c.KeyEvent(key, true);
    c.KeyEvent(key, false);
    c.KeyEvent(ZNCK_Control, false);
}

inline std::string LastLine(const ZNConsole& c)
{
    return c.History.Empty() ? std::string() : std::string(c.History.Last().Text.CStr());
}

// Opens the console, types text into its input line and presses Enter.
inline void TypeLine(ZNConsole& c, const char* text)
{
    if (!c.IsOpen())
        c.KeyEvent(ZNCK_Toggle, true);
    c.SetInput(text);
    c.KeyEvent(ZNCK_Enter, true);
}

// A font without textures for measuring: every character from '!' to '~' is
// as wide as a line is high, the space half that. At the console's 14 pixels
// a character is 14 pixels wide.
inline bool ParseSquareFont(ZNFont& font)
{
    std::string text = "common lineHeight=10 base=8 scaleW=100 scaleH=100 pages=1\n"
                       "page id=0 file=\"s.png\"\n"
                       "char id=32 x=0 y=0 width=0 height=0 xoffset=0 yoffset=0 xadvance=5 page=0\n";
    for (int c = '!'; c <= '~'; ++c)
        text += "char id=" + std::to_string(c) + " x=0 y=0 width=8 height=10 xoffset=1 yoffset=0 xadvance=10 page=0\n";
    return font.Parse(text.c_str(), "Square.fnt");
}
