// ZNStringUtil: ASCII character classes and zero-terminated string helpers, each
// in an 8-bit (char) and a 16-bit (ZNWChar) form with the same name.
//
//   ZNStrLen, ZNStrCmp, ZNStrEqual, ZNStrICmpN, ZNStrCpy, ZNStrCat, ZNStrNCpy,
//   ZNSPrintf / ZNVSPrintf, ZNIsCntrl .. ZNIsSpace, ZNToLower / ZNToUpper,
//   ZNAtoi, ZNAtod (double) / ZNAtof (float), ZNSwapBytes.
//
// Guarantees: classification is ASCII only (codes outside 0..127 are never
// letters, digits or spaces; 8-bit characters are taken as unsigned codes);
// comparisons are byte-wise on unsigned codes and return -1, 0 or 1; the
// bounded copy and the formatted print never write past the size they are
// given and always terminate when the size is not 0; the parsers never fail,
// they stop at the first character that does not fit.
#pragma once

#include "core/ZNAssert.h"

#include <stdarg.h>

typedef char16_t ZNWChar;   // the engine's 16-bit character

UINT32 ZNStrLen(const char* s);
UINT32 ZNStrLen(const ZNWChar* s);

// Byte-wise (unsigned) comparison: -1, 0 or 1.
int  ZNStrCmp(const char* a, const char* b);
int  ZNStrCmp(const ZNWChar* a, const ZNWChar* b);
bool ZNStrEqual(const char* a, const char* b);
bool ZNStrEqual(const ZNWChar* a, const ZNWChar* b);

// Compares at most n characters with A..Z folded to lower case: -1, 0 or 1.
int ZNStrICmpN(const char* a, const char* b, UINT32 n);
int ZNStrICmpN(const ZNWChar* a, const ZNWChar* b, UINT32 n);

// Unbounded copy and concatenation, terminator included; return dst.
char*    ZNStrCpy(char* dst, const char* src);
ZNWChar* ZNStrCpy(ZNWChar* dst, const ZNWChar* src);
char*    ZNStrCat(char* dst, const char* src);
ZNWChar* ZNStrCat(ZNWChar* dst, const ZNWChar* src);

// Copies at most size - 1 characters and always writes a terminator at
// size - 1 (and right after the copied text). size 0 writes nothing. Returns dst.
char*    ZNStrNCpy(char* dst, const char* src, UINT32 size);
ZNWChar* ZNStrNCpy(ZNWChar* dst, const ZNWChar* src, UINT32 size);

// The folder part of path into dst: everything up to and including its last '/'
// or '\\', or "" when it has none; cut to size - 1 characters like ZNStrNCpy.
char* ZNPathFolder(char* dst, const char* path, UINT32 size);

// printf into a buffer of size characters; the output is cut to size - 1
// characters and terminated. Returns the number of characters stored (without
// the terminator). The wide form prints with the narrow format rules and widens
// each byte of the result, so its format and %s arguments are 8-bit strings.
int ZNSPrintf(char* buf, UINT32 size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int ZNSPrintf(ZNWChar* buf, UINT32 size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int ZNVSPrintf(char* buf, UINT32 size, const char* format, va_list args) __attribute__((format(printf, 3, 0)));
int ZNVSPrintf(ZNWChar* buf, UINT32 size, const char* format, va_list args) __attribute__((format(printf, 3, 0)));

// Character classes on a character code (0..65535; a negative int is taken as a
// signed 8-bit character and means code + 256).
bool ZNIsCntrl(UINT32 code);   // below 32, or 127
bool ZNIsPrint(UINT32 code);   // not control
bool ZNIsGraph(UINT32 code);   // printable and not space (32)
bool ZNIsUpper(UINT32 code);   // A..Z
bool ZNIsLower(UINT32 code);   // a..z
bool ZNIsAlpha(UINT32 code);   // A..Z, a..z
bool ZNIsDigit(UINT32 code);   // 0..9
bool ZNIsAlnum(UINT32 code);   // letter or digit
bool ZNIsPunct(UINT32 code);   // graphic and not letter or digit
bool ZNIsSpace(UINT32 code);   // 9..13 and 32

inline UINT32 ZNCharCode(char c)
{
    return (UINT8)c;
}
inline UINT32 ZNCharCode(ZNWChar c)
{
    return c;
}
inline UINT32 ZNCharCode(int c)
{
    return c < 0 ? (UINT32)(c + 256) : (UINT32)c;
}

#define ZN_CHAR_CLASS_TWINS(name)   \
    inline bool name(char c)        \
    {                               \
        return name(ZNCharCode(c)); \
    }                               \
    inline bool name(ZNWChar c)     \
    {                               \
        return name(ZNCharCode(c)); \
    }                               \
    inline bool name(int c)         \
    {                               \
        return name(ZNCharCode(c)); \
    }
ZN_CHAR_CLASS_TWINS(ZNIsCntrl)
ZN_CHAR_CLASS_TWINS(ZNIsPrint)
ZN_CHAR_CLASS_TWINS(ZNIsGraph)
ZN_CHAR_CLASS_TWINS(ZNIsUpper)
ZN_CHAR_CLASS_TWINS(ZNIsLower)
ZN_CHAR_CLASS_TWINS(ZNIsAlpha)
ZN_CHAR_CLASS_TWINS(ZNIsDigit)
ZN_CHAR_CLASS_TWINS(ZNIsAlnum)
ZN_CHAR_CLASS_TWINS(ZNIsPunct)
ZN_CHAR_CLASS_TWINS(ZNIsSpace)
#undef ZN_CHAR_CLASS_TWINS

// Shift ASCII letters by 32; every other code is returned unchanged.
inline char ZNToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
}
inline char ZNToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c;
}
inline ZNWChar ZNToLower(ZNWChar c)
{
    return (c >= u'A' && c <= u'Z') ? (ZNWChar)(c + 32) : c;
}
inline ZNWChar ZNToUpper(ZNWChar c)
{
    return (c >= u'a' && c <= u'z') ? (ZNWChar)(c - 32) : c;
}
inline int ZNToLower(int c)
{
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
inline int ZNToUpper(int c)
{
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

// Leading spaces (32 only), an optional '-', then decimal digits up to the first
// non-digit. A '+' stops the parse at once (result 0). Overflow wraps modulo 2^32
// instead of being undefined.
INT32 ZNAtoi(const char* s);
INT32 ZNAtoi(const ZNWChar* s);

// Leading spaces (32 only), an optional '-', integer digits, '.' or ',' and the
// fraction digits, then 'e'/'E', an optional '-' and the decimal exponent (a
// power of ten). Null or unparsable text yields 0.
double ZNAtod(const char* s);
double ZNAtod(const ZNWChar* s);
float  ZNAtof(const char* s);
float  ZNAtof(const ZNWChar* s);

// Copies n elements of elementSize bytes from src to dst, reversing the bytes of
// each element (size 1 is a plain copy). dst may equal src; other overlaps are
// not allowed.
void ZNSwapBytes(void* dst, const void* src, UINT32 n, UINT32 elementSize);
