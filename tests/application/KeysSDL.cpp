// The engine's key constants name the keys the SDL window reports.
#include "application/ZNKeys.h"
#include "window/ZNWindowSDL.h"

#include <gtest/gtest.h>

TEST(Keys, ConstantsNameTheKeysTheWindowReports)
{
    const UINT32 letters[26] = { ZNK_A, ZNK_B, ZNK_C, ZNK_D, ZNK_E, ZNK_F, ZNK_G, ZNK_H, ZNK_I,
                                 ZNK_J, ZNK_K, ZNK_L, ZNK_M, ZNK_N, ZNK_O, ZNK_P, ZNK_Q, ZNK_R,
                                 ZNK_S, ZNK_T, ZNK_U, ZNK_V, ZNK_W, ZNK_X, ZNK_Y, ZNK_Z };
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(ZNKeyFromScancode((SDL_Scancode)(SDL_SCANCODE_A + i)), letters[i]) << (char)('A' + i);
    const UINT32 digits[10] = { ZNK_0, ZNK_1, ZNK_2, ZNK_3, ZNK_4, ZNK_5, ZNK_6, ZNK_7, ZNK_8, ZNK_9 };
    EXPECT_EQ(ZNKeyFromScancode(SDL_SCANCODE_0), digits[0]);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(ZNKeyFromScancode((SDL_Scancode)(SDL_SCANCODE_1 + i - 1)), digits[i]) << i;
    const UINT32 functions[12] = { ZNK_F1, ZNK_F2, ZNK_F3, ZNK_F4,  ZNK_F5,  ZNK_F6,
                                   ZNK_F7, ZNK_F8, ZNK_F9, ZNK_F10, ZNK_F11, ZNK_F12 };
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ZNKeyFromScancode((SDL_Scancode)(SDL_SCANCODE_F1 + i)), functions[i]) << "F" << i + 1;

    const struct
    {
        SDL_Scancode Code;
        UINT32       Key;
    } named[] = { { SDL_SCANCODE_BACKSPACE, ZNK_Backspace },
                  { SDL_SCANCODE_TAB, ZNK_Tab },
                  { SDL_SCANCODE_RETURN, ZNK_Enter },
                  { SDL_SCANCODE_ESCAPE, ZNK_Escape },
                  { SDL_SCANCODE_SPACE, ZNK_Space },
                  { SDL_SCANCODE_PAGEUP, ZNK_PageUp },
                  { SDL_SCANCODE_PAGEDOWN, ZNK_PageDown },
                  { SDL_SCANCODE_END, ZNK_End },
                  { SDL_SCANCODE_HOME, ZNK_Home },
                  { SDL_SCANCODE_LEFT, ZNK_Left },
                  { SDL_SCANCODE_UP, ZNK_Up },
                  { SDL_SCANCODE_RIGHT, ZNK_Right },
                  { SDL_SCANCODE_DOWN, ZNK_Down },
                  { SDL_SCANCODE_INSERT, ZNK_Insert },
                  { SDL_SCANCODE_DELETE, ZNK_Delete } };
    for (const auto& n : named)
        EXPECT_EQ(ZNKeyFromScancode(n.Code), n.Key) << SDL_GetScancodeName(n.Code);
}
