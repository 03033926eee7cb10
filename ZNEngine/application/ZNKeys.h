// ZNKeys: names for the key codes ZNInput reports, and the states KeyState
// answers with, so a program reads keys as ZNK_W or ZNK_F3 instead of numbers.
//
//   if (window->Input.KeyState(ZNK_F3) == ZNKS_Pressed) ...
//
// Guarantees: the codes are the ones every platform's window maps its keys to
// (letters and digits are their upper-case ASCII codes, function keys follow
// F1 in order), so a constant names the same key on every platform.
#pragma once

#include "window/ZNWindow.h"

// Letters, digits, function keys and the keys a camera or a menu reads; the
// buttons, modifiers and the console key are in window/ZNWindow.h.
enum : UINT32
{
    ZNK_Backspace = 0x08,
    ZNK_Tab       = 0x09,
    ZNK_Enter     = 0x0D,
    ZNK_Escape    = 0x1B,
    ZNK_Space     = 0x20,
    ZNK_PageUp    = 0x21,
    ZNK_PageDown  = 0x22,
    ZNK_End       = 0x23,
    ZNK_Home      = 0x24,
    ZNK_Left      = 0x25,
    ZNK_Up        = 0x26,
    ZNK_Right     = 0x27,
    ZNK_Down      = 0x28,
    ZNK_Insert    = 0x2D,
    ZNK_Delete    = 0x2E,
    ZNK_0         = 0x30,
    ZNK_1,
    ZNK_2,
    ZNK_3,
    ZNK_4,
    ZNK_5,
    ZNK_6,
    ZNK_7,
    ZNK_8,
    ZNK_9,
    ZNK_A = 0x41,
    ZNK_B,
    ZNK_C,
    ZNK_D,
    ZNK_E,
    ZNK_F,
    ZNK_G,
    ZNK_H,
    ZNK_I,
    ZNK_J,
    ZNK_K,
    ZNK_L,
    ZNK_M,
    ZNK_N,
    ZNK_O,
    ZNK_P,
    ZNK_Q,
    ZNK_R,
    ZNK_S,
    ZNK_T,
    ZNK_U,
    ZNK_V,
    ZNK_W,
    ZNK_X,
    ZNK_Y,
    ZNK_Z,
    ZNK_F1 = 0x70,
    ZNK_F2,
    ZNK_F3,
    ZNK_F4,
    ZNK_F5,
    ZNK_F6,
    ZNK_F7,
    ZNK_F8,
    ZNK_F9,
    ZNK_F10,
    ZNK_F11,
    ZNK_F12,
};

// What ZNInput::KeyState answers, relative to the previous poll.
enum ZNKeyState : UINT32
{
    ZNKS_Up       = 0,
    ZNKS_Pressed  = 1,   // went down since the previous poll
    ZNKS_Held     = 2,
    ZNKS_Released = 3,   // went up since the previous poll
};
