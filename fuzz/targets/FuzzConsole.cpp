// Typing into the console: each input byte is a character; byte 0x01 presses
// Enter, 0x02 Backspace, 0x03 the toggle key, 0x04 Page Up, 0x05 Page Down.
// A variable and the built-in commands answer what is typed.
#include "ZNFuzz.h"
#include "ui/ZNConsole.h"

namespace
{

float kAllowed[] = { 0.0f, 1.0f, 2.5f };

} // namespace

int ZNFuzzConsole(const UINT8* data, size_t size)
{
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
