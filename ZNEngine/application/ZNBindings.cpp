// ZNBindings: the key table, key names and held actions.
#include "application/ZNBindings.h"

#include "application/ZNKeys.h"
#include "core/ZNStringUtil.h"
#include "ui/ZNConsole.h"

#include <stdio.h>
#include <string.h>

namespace
{
const char* const kActionNames[ZNA_Count] = { "+forward", "+back",     "+moveleft", "+moveright",
                                              "+moveup",  "+movedown", "+speed",    "+mlook" };

struct KeyName
{
    UINT32      Code;
    const char* Name;
};

// Keys with a name of their own; letters, digits and F1-F12 are made from their code.
const KeyName kKeyNames[] = {
    { ZNK_LButton, "MOUSE1" },
    { ZNK_RButton, "MOUSE2" },
    { ZNK_MButton, "MOUSE3" },
    { ZNK_Backspace, "BACKSPACE" },
    { ZNK_Tab, "TAB" },
    { ZNK_Enter, "ENTER" },
    { ZNK_Shift, "SHIFT" },
    { ZNK_Control, "CTRL" },
    { ZNK_Alt, "ALT" },
    { 0x13, "PAUSE" },
    { ZNK_Escape, "ESCAPE" },
    { ZNK_Space, "SPACE" },
    { ZNK_PageUp, "PGUP" },
    { ZNK_PageDown, "PGDN" },
    { ZNK_End, "END" },
    { ZNK_Home, "HOME" },
    { ZNK_Left, "LEFTARROW" },
    { ZNK_Up, "UPARROW" },
    { ZNK_Right, "RIGHTARROW" },
    { ZNK_Down, "DOWNARROW" },
    { ZNK_Insert, "INS" },
    { ZNK_Delete, "DEL" },
    { 0x60, "KP0" },
    { 0x61, "KP1" },
    { 0x62, "KP2" },
    { 0x63, "KP3" },
    { 0x64, "KP4" },
    { 0x65, "KP5" },
    { 0x66, "KP6" },
    { 0x67, "KP7" },
    { 0x68, "KP8" },
    { 0x69, "KP9" },
    { 0x6A, "KP_MULTIPLY" },
    { 0x6B, "KP_PLUS" },
    { 0x6D, "KP_MINUS" },
    { 0x6E, "KP_PERIOD" },
    { 0x6F, "KP_DIVIDE" },
    { ZNK_WheelFwd, "MWHEELUP" },
    { ZNK_WheelBack, "MWHEELDOWN" },
    { ZNK_LShift, "LSHIFT" },
    { ZNK_RShift, "RSHIFT" },
    { ZNK_LControl, "LCTRL" },
    { ZNK_RControl, "RCTRL" },
    { ZNK_LAlt, "LALT" },
    { ZNK_RAlt, "RALT" },
    { 0xBA, "SEMICOLON" },
    { 0xBB, "EQUALS" },
    { 0xBC, "COMMA" },
    { 0xBD, "MINUS" },
    { 0xBE, "PERIOD" },
    { 0xBF, "SLASH" },
    { 0xDB, "LBRACKET" },
    { 0xDC, "BACKSLASH" },
    { 0xDD, "RBRACKET" },
    { 0xDE, "APOSTROPHE" },
};

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (ZNToUpper(*a) != ZNToUpper(*b))
            return false;
    return *a == *b;
}

const ZNString kNoCommand;
}   // namespace

const char* ZNActionName(UINT32 action)
{
    return action < ZNA_Count ? kActionNames[action] : "";
}

UINT32 ZNActionFromName(const char* name)
{
    for (UINT32 a = 0; a < ZNA_Count; ++a)
        if (SameName(name, kActionNames[a]))
            return a;
    return ZNA_Count;
}

UINT32 ZNKeyFromName(const char* name)
{
    if (!name || !*name)
        return 0;
    if (!name[1])
    {
        const char c = ZNToUpper(name[0]);
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return (UINT32)c;
    }
    if (name[0] == 'F' || name[0] == 'f')
    {
        // F1 .. F12: one or two digits, no leading zero.
        UINT32 n = 0;
        UINT32 i = 1;
        for (; name[i] >= '0' && name[i] <= '9' && i < 3; ++i)
            n = n * 10 + (UINT32)(name[i] - '0');
        if (!name[i] && name[1] != '0' && n >= 1 && n <= 12)
            return ZNK_F1 + n - 1;
    }
    for (const KeyName& k : kKeyNames)
        if (SameName(name, k.Name))
            return k.Code;
    return 0;
}

ZNString ZNKeyName(UINT32 code)
{
    char text[16];
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        ZNSPrintf(text, sizeof(text), "%c", (char)code);
    else if (code >= ZNK_F1 && code <= ZNK_F12)
        ZNSPrintf(text, sizeof(text), "F%u", (unsigned)(code - ZNK_F1 + 1));
    else
    {
        for (const KeyName& k : kKeyNames)
            if (k.Code == code)
                return ZNString(k.Name);
        ZNSPrintf(text, sizeof(text), "#%u", (unsigned)code);
    }
    return ZNString(text);
}

ZNBindings::ZNBindings()
{
    Commands.SetCount(KeyCount);
    memset(Down.items, 0, sizeof(Down.items));
    memset(PressedAction.items, 0, sizeof(PressedAction.items));
    ReleaseActions();
}

bool ZNBindings::Bind(UINT32 code, const ZNString& command)
{
    if (code == 0 || code >= KeyCount || code == ZNK_Console)
        return false;
    if (!(Commands[code] == command))
    {
        Commands[code] = command;
        ++Revision;
    }
    return true;
}

void ZNBindings::UnbindAll()
{
    for (UINT32 k = 0; k < KeyCount; ++k)
        Bind(k, ZNString());
}

void ZNBindings::SetDefaults()
{
    UnbindAll();
    Bind(ZNK_W, ZNString("+forward"));
    Bind(ZNK_S, ZNString("+back"));
    Bind(ZNK_A, ZNString("+moveleft"));
    Bind(ZNK_D, ZNString("+moveright"));
    Bind(ZNK_Space, ZNString("+moveup"));
    Bind(ZNK_LControl, ZNString("+movedown"));
    Bind(ZNK_LShift, ZNString("+speed"));
    Bind(ZNK_RButton, ZNString("+mlook"));
    Bind(ZNK_F3, ZNString("toggle r_stats"));
    Bind(ZNK_F12, ZNString("screenshot"));
}

const ZNString& ZNBindings::Command(UINT32 code) const
{
    return code < KeyCount ? Commands[code] : kNoCommand;
}

UINT32 ZNBindings::ActionState(UINT32 action) const
{
    if (action >= ZNA_Count)
        return ZNKS_Up;
    if (Tapped[action])
        return ZNKS_Pressed;
    const UINT32 raw = (Held[action] ? 1u : 0u) + 2u * PrevHeld[action];
    return raw ^ (raw >> 1);
}

void ZNBindings::ReleaseActions()
{
    memset(Held.items, 0, sizeof(Held.items));
    memset(PrevHeld.items, 0, sizeof(PrevHeld.items));
    memset(Tapped.items, 0, sizeof(Tapped.items));
    memset(PressedAction.items, 0, sizeof(PressedAction.items));
}

void ZNBindings::OnKey(UINT32 code, bool down)
{
    // Buttons also arrive as axis codes (0x1000 + index); their key codes 1-3
    // are the ones bound.
    if (code >= KeyCount || (Down[code] != 0) == down)
        return;
    Down[code] = down ? 1 : 0;
    if (!down)
    {
        // The action this key pressed, whatever the key is bound to now.
        if (const UINT32 pressed = PressedAction[code])
        {
            PressedAction[code] = 0;
            if (Held[pressed - 1])
                --Held[pressed - 1];
        }
        return;
    }
    const ZNString& command = Commands[code];
    if (command.Empty())
        return;
    const UINT32 action = ZNActionFromName(command.CStr());
    if (action < ZNA_Count)
    {
        PressedAction[code] = (UINT8)(action + 1);
        // Another key on an action already held does not press it again.
        if (!Held[action]++)
            Tapped[action] = 1;
    }
    else if (Console)
        Console->Execute(ZNString(command).CStr());   // a copy: the line may rebind this key
}

void ZNBindings::OnAxis(UINT32, float)
{
}

void ZNBindings::OnFrame()
{
    for (UINT32 a = 0; a < ZNA_Count; ++a)
    {
        PrevHeld[a] = Held[a] ? 1 : 0;
        Tapped[a]   = 0;
    }
}
