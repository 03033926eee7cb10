// ZNBindings: keys bound to console lines or to held actions, and the names of
// the keys as the bind command spells them.
//
//   ZNBindings bindings;
//   bindings.SetDefaults();                        // W +forward, F3 "toggle r_stats", ...
//   bindings.Console = console;                    // where bound lines run
//   window->Input.AddBinding(&bindings);           // hears every key
//   bindings.Bind(ZNKeyFromName("F5"), ZNString("screenshot"));
//   if (bindings.ActionState(ZNA_Forward) != ZNKS_Up) ...
//
// A binding whose text is an action name ("+forward") holds that action while
// the key is down; any other text is a console line run once when the key goes
// down. Guarantees:
// - A key held down runs its line once, however often the platform repeats it.
// - An action is down while any key bound to it is; the key that pressed it
//   releases it, even when the key was rebound or unbound in between.
// - ActionState answers like ZNInput::KeyState: a press since the previous poll
//   reads pressed even when the release followed in the same poll.
// - The console key cannot be bound: it belongs to the console.
// - Revision changes with every change of the table (the settings file is
//   written when it does).
#pragma once

#include "application/ZNAppWindow.h"

class ZNConsole;

// The held actions a binding can name.
enum ZNAction : UINT32
{
    ZNA_Forward,
    ZNA_Back,
    ZNA_MoveLeft,
    ZNA_MoveRight,
    ZNA_MoveUp,
    ZNA_MoveDown,
    ZNA_Speed,   // faster horizontal movement
    ZNA_Look,    // mouse look
    ZNA_Count,
};

// "+forward" for ZNA_Forward, ...
const char* ZNActionName(UINT32 action);
// The action a binding's text names, or ZNA_Count when it names none.
UINT32      ZNActionFromName(const char* name);

// The key code for a name ("W", "f3", "SPACE", "MOUSE2", "MWHEELUP"; letters
// case-insensitive), or 0 for a name that is no key.
UINT32   ZNKeyFromName(const char* name);
// The name of a key code ("W", "F3", "MOUSE2"), or "#code" for one without a name.
ZNString ZNKeyName(UINT32 code);

class ZNBindings final : public ZNInputBinding
{
public:
    ZNBindings();

    // False (nothing changes) for a code out of range or the console key; an
    // empty command unbinds.
    bool            Bind(UINT32 code, const ZNString& command);
    void            Unbind(UINT32 code) { Bind(code, ZNString()); }
    void            UnbindAll();
    // The table every program starts with: movement, mouse look, F3, F12.
    void            SetDefaults();
    // What the key is bound to; empty when nothing.
    const ZNString& Command(UINT32 code) const;
    // ZNKS_Up, ZNKS_Pressed, ZNKS_Held or ZNKS_Released, relative to the previous poll.
    UINT32          ActionState(UINT32 action) const;
    // Every action up (the console took the keyboard, the window lost it).
    void            ReleaseActions();

    void OnKey(UINT32 code, bool down) override;
    void OnAxis(UINT32 axis, float value) override;
    void OnFrame() override;

    static constexpr UINT32 KeyCount = 256;

    ZNConsole* Console  = nullptr;   // where bound lines run; null: they do not
    UINT32     Revision = 0;         // counts changes of the table

private:
    ZNArray<ZNString>              Commands;        // KeyCount entries, by key code
    ZNFixedArray<UINT8, 256>       Down;            // the key is down as far as bindings know
    ZNFixedArray<UINT8, 256>       PressedAction;   // 1 + the action the key pressed, 0: none
    ZNFixedArray<UINT8, ZNA_Count> Held;            // keys holding each action
    ZNFixedArray<UINT8, ZNA_Count> PrevHeld;        // Held at the previous poll, as 0 or 1
    ZNFixedArray<UINT8, ZNA_Count> Tapped;          // pressed since the previous poll
};
