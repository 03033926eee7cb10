// ZNStringUtil: the 8- and 16-bit twins share one template each, so the two
// forms cannot drift apart.
#include "core/ZNStringUtil.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace
{

template <typename C>
UINT32 Code(C c)
{
    return ZNCharCode(c);
}

template <typename C>
UINT32 LenT(const C* s)
{
    if (!s)
        return 0;
    const C* p = s;
    while (*p)
        ++p;
    return (UINT32)(p - s);
}

template <typename C>
int CmpT(const C* a, const C* b)
{
    for (;; ++a, ++b)
    {
        UINT32 ca = Code(*a), cb = Code(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

template <typename C>
int ICmpNT(const C* a, const C* b, UINT32 n)
{
    for (UINT32 i = 0; i < n; ++i)
    {
        UINT32 ca = Code(a[i]), cb = Code(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca += 32;
        if (cb >= 'A' && cb <= 'Z')
            cb += 32;
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

template <typename C>
C* CpyT(C* dst, const C* src)
{
    C* d = dst;
    while ((*d++ = *src++) != 0)
    {
    }
    return dst;
}

template <typename C>
C* NCpyT(C* dst, const C* src, UINT32 size)
{
    if (size == 0)
        return dst;
    UINT32 i = 0;
    if (src)
        for (; i + 1 < size && src[i]; ++i)
            dst[i] = src[i];
    dst[i]        = 0;
    dst[size - 1] = 0;
    return dst;
}

template <typename C>
INT32 AtoiT(const C* s)
{
    if (!s)
        return 0;
    while (*s == ' ')
        ++s;
    bool negative = false;
    if (*s == '-')
    {
        negative = true;
        ++s;
    }
    UINT32 value = 0;   // unsigned, so overflow wraps instead of being undefined
    while (*s >= '0' && *s <= '9')
        value = value * 10u + (UINT32)(*s++ - '0');
    if (negative)
        value = 0u - value;
    return (INT32)value;
}

template <typename C>
double AtodT(const C* s)
{
    if (!s)
        return 0.0;
    while (*s == ' ')
        ++s;
    bool negative = false;
    if (*s == '-')
    {
        negative = true;
        ++s;
    }
    double value = 0.0;
    while (*s >= '0' && *s <= '9')
        value = value * 10.0 + (double)(*s++ - '0');
    if (*s == '.' || *s == ',')
    {
        ++s;
        // The step is deliberately 0.1 as rounded to single precision, not the
        // double nearest 0.1: "2.5" reads as 2.5000000074505806.
        double f = 1.0;
        while (*s >= '0' && *s <= '9')
        {
            f *= 0.10000000149011612;
            value += (double)(*s++ - '0') * f;
        }
    }
    if (*s == 'e' || *s == 'E')
    {
        ++s;
        bool negativeExp = false;
        if (*s == '-')
        {
            negativeExp = true;
            ++s;
        }
        int exponent = 0;
        while (*s >= '0' && *s <= '9')
        {
            if (exponent < 100000)
                exponent = exponent * 10 + (*s - '0');
            ++s;
        }
        // Dividing by an exact power of ten rounds better than multiplying by
        // the inexact negative power.
        // Zero stays zero: 0 x 10^913 would be 0 x infinity, which is NaN.
        double scale = pow(10.0, (double)exponent);
        if (value != 0.0)
            value = negativeExp ? value / scale : value * scale;
    }
    return negative ? -value : value;
}

template <typename C>
int VSPrintfWide(C* buf, UINT32 size, const char* format, va_list args)
{
    if (size == 0)
        return 0;
    va_list measure;
    va_copy(measure, args);
    int needed = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0)
    {
        buf[0] = 0;
        return 0;
    }
    UINT32 n = (UINT32)needed < size - 1 ? (UINT32)needed : size - 1;
    char   small[256];
    char*  narrow = (UINT32)needed < sizeof(small) ? small : (char*)ZNAlloc((size_t)needed + 1);
    vsnprintf(narrow, (size_t)needed + 1, format, args);
    for (UINT32 i = 0; i < n; ++i)
        buf[i] = (C)(UINT8)narrow[i];
    buf[n] = 0;
    if (narrow != small)
        ZNFree(narrow);
    return (int)n;
}

}   // namespace

UINT32 ZNStrLen(const char* s)
{
    return LenT(s);
}
UINT32 ZNStrLen(const ZNWChar* s)
{
    return LenT(s);
}

int ZNStrCmp(const char* a, const char* b)
{
    return CmpT(a, b);
}
int ZNStrCmp(const ZNWChar* a, const ZNWChar* b)
{
    return CmpT(a, b);
}
bool ZNStrEqual(const char* a, const char* b)
{
    return CmpT(a, b) == 0;
}
bool ZNStrEqual(const ZNWChar* a, const ZNWChar* b)
{
    return CmpT(a, b) == 0;
}

int ZNStrICmpN(const char* a, const char* b, UINT32 n)
{
    return ICmpNT(a, b, n);
}
int ZNStrICmpN(const ZNWChar* a, const ZNWChar* b, UINT32 n)
{
    return ICmpNT(a, b, n);
}

char* ZNStrCpy(char* dst, const char* src)
{
    return CpyT(dst, src);
}
ZNWChar* ZNStrCpy(ZNWChar* dst, const ZNWChar* src)
{
    return CpyT(dst, src);
}
char* ZNStrCat(char* dst, const char* src)
{
    CpyT(dst + LenT(dst), src);
    return dst;
}
ZNWChar* ZNStrCat(ZNWChar* dst, const ZNWChar* src)
{
    CpyT(dst + LenT(dst), src);
    return dst;
}

char* ZNStrNCpy(char* dst, const char* src, UINT32 size)
{
    return NCpyT(dst, src, size);
}
ZNWChar* ZNStrNCpy(ZNWChar* dst, const ZNWChar* src, UINT32 size)
{
    return NCpyT(dst, src, size);
}

char* ZNPathFolder(char* dst, const char* path, UINT32 size)
{
    ZNStrNCpy(dst, path, size);
    char* cut = nullptr;
    for (char* p = dst; *p; ++p)
        if (*p == '/' || *p == '\\')
            cut = p;
    if (cut)
        cut[1] = 0;
    else if (size)
        dst[0] = 0;
    return dst;
}

int ZNVSPrintf(char* buf, UINT32 size, const char* format, va_list args)
{
    if (size == 0)
        return 0;
    int n = vsnprintf(buf, size, format, args);
    if (n < 0)
    {
        buf[0] = 0;
        return 0;
    }
    return (UINT32)n < size ? n : (int)(size - 1);
}

int ZNVSPrintf(ZNWChar* buf, UINT32 size, const char* format, va_list args)
{
    return VSPrintfWide(buf, size, format, args);
}

int ZNSPrintf(char* buf, UINT32 size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = ZNVSPrintf(buf, size, format, args);
    va_end(args);
    return n;
}

int ZNSPrintf(ZNWChar* buf, UINT32 size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = ZNVSPrintf(buf, size, format, args);
    va_end(args);
    return n;
}

bool ZNIsCntrl(UINT32 code)
{
    return code < 32 || code == 127;
}
bool ZNIsPrint(UINT32 code)
{
    return !ZNIsCntrl(code);
}
bool ZNIsGraph(UINT32 code)
{
    return ZNIsPrint(code) && code != 32;
}
bool ZNIsUpper(UINT32 code)
{
    return code >= 'A' && code <= 'Z';
}
bool ZNIsLower(UINT32 code)
{
    return code >= 'a' && code <= 'z';
}
bool ZNIsAlpha(UINT32 code)
{
    return ZNIsUpper(code) || ZNIsLower(code);
}
bool ZNIsDigit(UINT32 code)
{
    return code >= '0' && code <= '9';
}
bool ZNIsAlnum(UINT32 code)
{
    return ZNIsAlpha(code) || ZNIsDigit(code);
}
bool ZNIsPunct(UINT32 code)
{
    return ZNIsGraph(code) && !ZNIsAlnum(code);
}
bool ZNIsSpace(UINT32 code)
{
    return (code >= 9 && code <= 13) || code == 32;
}

INT32 ZNAtoi(const char* s)
{
    return AtoiT(s);
}
INT32 ZNAtoi(const ZNWChar* s)
{
    return AtoiT(s);
}
double ZNAtod(const char* s)
{
    return AtodT(s);
}
double ZNAtod(const ZNWChar* s)
{
    return AtodT(s);
}
float ZNAtof(const char* s)
{
    return (float)AtodT(s);
}
float ZNAtof(const ZNWChar* s)
{
    return (float)AtodT(s);
}

void ZNSwapBytes(void* dst, const void* src, UINT32 n, UINT32 elementSize)
{
    UINT8*       d     = (UINT8*)dst;
    const UINT8* s     = (const UINT8*)src;
    size_t       total = (size_t)n * elementSize;
    if (total == 0)
        return;
    if (elementSize == 1)
    {
        memmove(d, s, total);
        return;
    }
    for (size_t e = 0; e < total; e += elementSize)
    {
        // Swap from both ends inward, reading before writing, so dst == src works.
        UINT32 lo = 0, hi = elementSize - 1;
        for (; lo < hi; ++lo, --hi)
        {
            UINT8 a = s[e + lo], b = s[e + hi];
            d[e + lo] = b;
            d[e + hi] = a;
        }
        if (lo == hi)
            d[e + lo] = s[e + lo];
    }
}
