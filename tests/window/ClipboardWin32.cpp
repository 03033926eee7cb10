// The Win32 clipboard as the console's paste reads it: text a window puts
// there (in UTF-16, as every program does) comes back as the same UTF-8; a
// clipboard without text reads empty; text without a terminator is never read
// past the end of its block. Runs under Wine on the virtual display.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "window/ZNWindowWin32.h"

namespace
{
// Empties the clipboard and, unless text is null, puts count characters of
// text there (the terminator too when it is among them) as CF_UNICODETEXT in a
// block of exactly that size.
bool PutOnClipboard(HWND owner, const wchar_t* text, size_t count)
{
    if (!OpenClipboard(owner))
        return false;
    bool ok = EmptyClipboard() != 0;
    if (ok && text)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, count * sizeof(wchar_t));
        ok            = block != nullptr;
        if (ok)
        {
            memcpy(GlobalLock(block), text, count * sizeof(wchar_t));
            GlobalUnlock(block);
            ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
            if (!ok)
                GlobalFree(block);
        }
    }
    CloseClipboard();
    return ok;
}

std::string Read(bool& had)
{
    ZNString text;
    had = ZNGetClipboardText(text);
    return std::string(text.CStr(), text.Size());
}
}   // namespace

TEST(Win32ClipboardGL, TextPutThereReadsBackAsTheSameUtf8)
{
    ASSERT_TRUE(ZNWindow::RegisterClass());
    ZNWindow win;
    win.Create(10, 10, 64, 64, 63 | ZNWS_Hidden, ZNString("clipboard"));
    ASSERT_NE(win.Handle(), nullptr);
    const HWND owner = ZNWin32Window(win);

    std::wstring many(20000, L'x');
    for (size_t i = 0; i < many.size(); i += 7)
        many[i] = L'\u00e9';
    std::string longUtf8;
    for (wchar_t c : many)
        longUtf8 += c == L'x' ? "x" : "\xc3\xa9";
    struct Case
    {
        std::wstring Wide;
        std::string  Utf8;
    };
    const Case cases[] = {
        { L"map h.png c.png", "map h.png c.png" },
        { L"caf\u00e9 \u00fcber \u20ac", "caf\xc3\xa9 \xc3\xbc"
                                         "ber \xe2\x82\xac" },
        { L"echo a\r\necho b\n", "echo a\r\necho b\n" },
        { L"\U0001F600 smile", "\xf0\x9f\x98\x80 smile" },
        { many, longUtf8 },
    };
    bool had = false;
    for (const Case& c : cases)
    {
        ASSERT_TRUE(PutOnClipboard(owner, c.Wide.c_str(), c.Wide.size() + 1));
        EXPECT_EQ(Read(had), c.Utf8);
        EXPECT_TRUE(had);
        EXPECT_EQ(Read(had), c.Utf8) << "reading leaves the clipboard as it was";
    }

    // Without a terminator: never more than the block's characters (Wine
    // ends such text itself, in place of its last character).
    const std::wstring open(L"no end here");
    ASSERT_TRUE(PutOnClipboard(owner, open.c_str(), open.size()));
    const std::string got = Read(had);
    EXPECT_TRUE(had);
    EXPECT_EQ(std::string("no end here").rfind(got, 0), 0u) << got;

    // Empty text and an empty clipboard read as nothing.
    ASSERT_TRUE(PutOnClipboard(owner, L"", 1));
    EXPECT_EQ(Read(had), "");
    EXPECT_FALSE(had);
    ASSERT_TRUE(PutOnClipboard(owner, nullptr, 0));
    EXPECT_EQ(Read(had), "");
    EXPECT_FALSE(had);
}
