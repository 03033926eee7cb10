// ZNWin32: UTF-8 <-> UTF-16 for the Win32 files. The engine speaks UTF-8
// everywhere; Windows' wide calls get their names through these.
#pragma once

#include <windows.h>
// The engine has methods of these names; Windows makes them macros.
#undef RegisterClass
#undef CreateWindow

#include "core/ZNTemplate.h"

// A UTF-8 string widened for the length of a call.
class ZNWideString
{
public:
    explicit ZNWideString(const char* utf8)
    {
        if (!utf8)
            utf8 = "";
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
        Text        = static_cast<wchar_t*>(ZNAlloc(sizeof(wchar_t) * (n > 0 ? n : 1)));
        Text[0]     = 0;
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, utf8, -1, Text, n);
    }
    ~ZNWideString() { ZNFree(Text); }
    ZNWideString(const ZNWideString&)            = delete;
    ZNWideString& operator=(const ZNWideString&) = delete;

    const wchar_t* CStr() const { return Text; }

private:
    wchar_t* Text;
};

inline ZNString ZNNarrowString(const wchar_t* wide)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return ZNString();
    char* utf8 = static_cast<char*>(ZNAlloc((size_t)n));
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, n, nullptr, nullptr);
    ZNString out(utf8);
    ZNFree(utf8);
    return out;
}
