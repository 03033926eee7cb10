// Font description text, then measuring with whatever glyphs it gave.
#include "ZNFuzz.h"
#include "ui/ZNFont.h"

int ZNFuzzFont(const UINT8* data, size_t size)
{
    if (size > 1u << 20)
        return 0;
    ZNString text((const char*)data, (UINT32)size);
    ZNFont   font;
    if (font.Parse(text.CStr(), "Fonts/Fuzz.fnt"))
    {
        if (font.LineHeight <= 0.0f || font.ScaleW <= 0.0f || font.ScaleH <= 0.0f)
            __builtin_trap();
        font.TextWidth(16.0f, text.CStr(), 0, 64);
    }
    return 0;
}
