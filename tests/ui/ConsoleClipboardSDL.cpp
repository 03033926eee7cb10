// The console pastes what the system clipboard holds: the window layer reads
// SDL's clipboard, and Ctrl+V puts it at the cursor. Needs a display.
#include <gtest/gtest.h>

#include <string>

#include "common/ZNTestGL.h"
#include "ui/ZNConsole.h"
#include "application/ZNAppWindow.h"
#include "window/ZNWindowSDL.h"

namespace
{
class ConsoleClipboardGL : public ZNAppWindowTest
{
protected:
    static void SetUpTestSuite() { OpenWindow("clipboard test", 160, 90); }
    static void TearDownTestSuite() { CloseWindow(); }
};
}   // namespace

TEST_F(ConsoleClipboardGL, CtrlVPastesTheSystemClipboard)
{
    ASSERT_EQ(SDL_SetClipboardText("echo pasted\n"), 0) << SDL_GetError();
    ZNString text;
    ASSERT_TRUE(ZNGetClipboardText(text));
    EXPECT_EQ(std::string(text.CStr()), "echo pasted\n");

    Window->EnableConsole(true);
    ZNConsole* c = Window->Console;
    ASSERT_NE(c, nullptr);
    c->KeyEvent(ZNCK_Toggle, true);
    c->KeyEvent(ZNCK_Control, true);
    c->KeyEvent(ZNCK_V, true);
    c->KeyEvent(ZNCK_Control, false);
    EXPECT_EQ(std::string(c->Input.CStr()), "echo pasted");
    Window->EnableConsole(false);

    ASSERT_EQ(SDL_SetClipboardText(""), 0);
    EXPECT_FALSE(ZNGetClipboardText(text)) << "no text on the clipboard";
    EXPECT_TRUE(text.Empty());
}
