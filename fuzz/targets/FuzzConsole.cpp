// The console line: the input as one line through the pure splitting
// functions, then typed into a console: each byte is a character; byte 0x01
// presses Enter, 0x02 Backspace, 0x03 the toggle key, 0x04 Page Up, 0x05 Page
// Down. A variable and the built-in commands answer what is typed.
#include "ZNFuzz.h"
#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"

#include <string.h>

namespace
{

float kAllowed[] = { 0.0f, 1.0f, 2.5f };


// The pure line functions on the whole input as one line: splitting keeps
// every character but the separators, and words never hold a quote.
void CheckLineFunctions(const UINT8* data, size_t size)
{
    const ZNString    line((const char*)data, (UINT32)(size > 8192 ? 8192 : size));
    const UINT32      length = (UINT32)strlen(line.CStr());
    ZNArray<ZNString> commands;
    ZNConsoleSplitCommands(line.CStr(), commands);
    UINT32 total = 0;
    for (UINT32 i = 0; i < commands.Size(); ++i)
        total += commands[i].Size();
    if (commands.Size() == 0 || total + commands.Size() - 1 != length)
        __builtin_trap();
    ZNArray<ZNString> words;
    ZNConsoleSplitArgs(line.CStr(), words);
    for (UINT32 i = 0; i < words.Size(); ++i)
        if (words[i].Size() > length || memchr(words[i].CStr(), '"', words[i].Size()))
            __builtin_trap();
}

}   // namespace

int ZNFuzzConsole(const UINT8* data, size_t size)
{
    CheckLineFunctions(data, size);
    static ZNConVar speed("fuzz_speed", 1.0f, 0, -10.0f, 10.0f, nullptr, 0);
    static ZNConVar mode("fuzz_mode", 0.0f, 1, 0.0f, 0.0f, kAllowed, 3);
    speed.Set(1.0f);
    mode.Set(0.0f);
    ZNConsole console;
    console.KeyEvent(ZNCK_Toggle, true);
    for (size_t i = 0; i < size && i < 4096; ++i)
    {
        switch (data[i])
        {
        case 1: console.KeyEvent(ZNCK_Enter, true); break;
        case 2: console.KeyEvent(ZNCK_Backspace, true); break;
        case 3: console.KeyEvent(ZNCK_Toggle, true); break;
        case 4: console.KeyEvent(ZNCK_PageUp, true); break;
        case 5: console.KeyEvent(ZNCK_PageDown, true); break;
        default: console.CharEvent(data[i], true); break;
        }
        if (console.Input.Size() > ZNConsole::InputLimit || console.History.Size() > ZNConsole::HistoryLimit)
            __builtin_trap();
    }
    if (console.IsOpen())
        console.ExecuteLine();
    const float v = speed.Get();
    if (!(v >= -10.0f && v <= 10.0f))
        __builtin_trap();
    return 0;
}
