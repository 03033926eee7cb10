// Helpers of the console tests: a command that records what it was given (the
// dialog recorder is the window tests' one).
#pragma once

#include <string>
#include <vector>

#include "core/ZNAssert.h"
#include "common/ZNTestDialogs.h"
#include "ui/ZNConsole.h"

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
