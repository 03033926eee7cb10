// Helpers of the console tests: a dialog recorder and a command that records
// what it was given.
#pragma once

#include <string>
#include <vector>

#include "core/ZNAssert.h"
#include "ui/ZNConsole.h"

// Records every box instead of showing it and answers No (carry on).
struct ConsoleDialogRecorder
{
    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }
    static bool Record(ZNDialogKind, const char* text, const char* caption)
    {
        Texts().push_back(std::string(caption ? caption : "") + "|" + (text ? text : ""));
        return false;
    }

    ConsoleDialogRecorder() { Texts().clear(); previous = ZNSetDialogHandler(&Record); }
    ~ConsoleDialogRecorder() { ZNSetDialogHandler(previous); }

    size_t Count() const { return Texts().size(); }
    // Assertion boxes whose expression line is exactly expr.
    size_t Asserts(const std::string& expr) const
    {
        size_t n = 0;
        for (const std::string& t : Texts())
            if (t.rfind("BREAK_IF|", 0) == 0 && t.find("\n" + expr + "\n") != std::string::npos)
                ++n;
        return n;
    }

    ZNDialogHandler previous;
};

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

inline std::string LastLine(const ZNConsole& c)
{
    return c.History.Empty() ? std::string() : std::string(c.History.Last().Text.CStr());
}

// Opens the console, types text into its input line and presses Enter.
inline void TypeLine(ZNConsole& c, const char* text)
{
    if (!c.IsOpen())
        c.KeyEvent(ZNCK_Toggle, true);
    c.Input = text;
    c.KeyEvent(ZNCK_Enter, true);
}
