// ZNTextParse: the text cursor toolkit.
//
// Reads index the text through CStr() within [0, Size()), so a position
// moved anywhere by a caller can never read outside the string.
#include "files/ZNTextParse.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

UINT32 GParseError = 0;

namespace
{
// Built at compile time, so reads made by other static initialisers see it.
struct ClassTable
{
    UINT32 Bits[256];

    constexpr ClassTable() : Bits{}
    {
        for (int c = 0; c < 256; ++c)
        {
            UINT32 b = 0;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                b = ZNCC_Letter;
            else if (c >= '0' && c <= '9')
                b = ZNCC_Digit;
            else if (c == '_')
                b = ZNCC_Underscore;
            else if (c == '-')
                b = ZNCC_Minus;
            else if (c == ' ' || c == '\t')
                b = ZNCC_BlankChar;
            else if (c == '\n' || c == '\r')
                b = ZNCC_LineChar;
            else if (c > ' ' && c < 127)
                b = ZNCC_OtherPunct;
            Bits[c] = b;
        }
    }
};

constexpr ClassTable GClasses;

inline UINT32 Length(const ZNTextCursor& c)
{
    return c.Text.Size();
}

// The character at i, or 0 outside the text.
inline char At(const ZNTextCursor& c, INT32 i)
{
    return (i >= 0 && (UINT32)i < c.Text.Size()) ? c.Text.CStr()[i] : 0;
}

inline bool InText(const ZNTextCursor& c, INT32 i)
{
    return i >= 0 && (UINT32)i < c.Text.Size();
}

inline void Fail()
{
    GParseError = 1;
}

ZNString Slice(const ZNString& text, UINT32 from, UINT32 count)
{
    ZNString out;
    if (count == 0)
        return out;
    out.SetLength(count);
    memcpy(&out[0], text.CStr() + from, count);
    return out;
}

// Reads count floats separated by ';' into out; false when any part failed.
bool ParseFloats(ZNTextCursor& c, float* out, UINT32 count)
{
    for (UINT32 i = 0; i < count; ++i)
    {
        if (i > 0 && !ExpectChar(c, ';'))
            return false;
        out[i] = ParseFloat(c, false);
        if (GParseError)
            return false;
    }
    return true;
}
}

UINT32 ZNCharClassOf(char c)
{
    return GClasses.Bits[(unsigned char)c];
}

void SkipWhile(ZNTextCursor& c, UINT32 cls)
{
    GParseError = 0;
    if (c.Pos < 0)
        return;
    while (InText(c, c.Pos) && ZNIsInClass(At(c, c.Pos), cls))
        ++c.Pos;
}

ZNString ReadToken(ZNTextCursor& c, UINT32 tokenCls, UINT32 skipCls)
{
    GParseError = 0;
    if (c.Pos < 0)
    {
        Fail();
        return ZNString();
    }
    while (InText(c, c.Pos) && ZNIsInClass(At(c, c.Pos), skipCls))
        ++c.Pos;
    if (!InText(c, c.Pos) || !ZNIsInClass(At(c, c.Pos), tokenCls))
    {
        Fail();
        return ZNString();
    }
    INT32 start = c.Pos;
    while (InText(c, c.Pos) && ZNIsInClass(At(c, c.Pos), tokenCls))
        ++c.Pos;
    return Slice(c.Text, (UINT32)start, (UINT32)(c.Pos - start));
}

bool ExpectChar(ZNTextCursor& c, char ch)
{
    GParseError = 0;
    if (InText(c, c.Pos) && At(c, c.Pos) == ch)
    {
        ++c.Pos;
        return true;
    }
    Fail();
    return false;
}

INT32 ParseInt(ZNTextCursor& c)
{
    // The token read of ReadToken (number-start characters after blanks),
    // converted as it is scanned.
    GParseError = 0;
    if (c.Pos < 0)
    {
        Fail();
        return ZN_PARSE_INT_FAIL;
    }
    while (InText(c, c.Pos) && ZNIsInClass(At(c, c.Pos), ZNCC_Blank))
        ++c.Pos;
    if (!InText(c, c.Pos) || !ZNIsInClass(At(c, c.Pos), ZNCC_NumberStart))
    {
        Fail();
        return ZN_PARSE_INT_FAIL;
    }
    // Decimal conversion in the manner of the runtime's: an optional '-',
    // digits up to the first non-digit of the token. Out-of-range values are
    // clamped instead of overflowing.
    const char* t   = c.Text.CStr();
    INT32       end = c.Pos;
    while (InText(c, end) && ZNIsInClass(t[end], ZNCC_NumberStart))
        ++end;
    INT32 p        = c.Pos;
    bool  negative = t[p] == '-';
    if (negative)
        ++p;
    INT64 value = 0;
    for (; p < end && t[p] >= '0' && t[p] <= '9'; ++p)
    {
        value = value * 10 + (t[p] - '0');
        if (value > (INT64)INT_MAX + 1)
            value = (INT64)INT_MAX + 1;
    }
    c.Pos = end;
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return (INT32)value;
}

float ParseFloat(ZNTextCursor& c, bool strict)
{
    GParseError = 0;
    // The range check comes before any arithmetic on the position: a cursor
    // moved to INT32_MIN must fail, not overflow.
    if (c.Pos < 0 || (UINT32)c.Pos > Length(c))
    {
        Fail();
        return ZN_PARSE_FLOAT_FAIL;
    }
    INT32 start = c.Pos - 1;
    for (;;)
    {
        bool atEnd = (UINT32)c.Pos == Length(c);
        char ch    = At(c, c.Pos);
        if (atEnd || ch == ' ' || ch == '\n' || ch == '\t')
        {
            if (c.Pos > start + 1)
                break;
            if (atEnd)
            {
                Fail();
                return ZN_PARSE_FLOAT_FAIL;
            }
            start = c.Pos;
            ++c.Pos;
            continue;
        }
        if ((ch >= '0' && ch <= '9') || ch == '.' || ch == ',' || ch == '-' || ch == 'e' || ch == 'E')
        {
            ++c.Pos;
            continue;
        }
        if (strict)
        {
            Fail();
            return ZN_PARSE_FLOAT_FAIL;
        }
        break;
    }
    // Numbers are short: convert from a stack copy, falling back to a string
    // only for absurdly long runs.
    UINT32 from  = (UINT32)(start + 1);
    UINT32 count = (UINT32)(c.Pos - start - 1);
    char   local[64];
    if (count < sizeof(local))
    {
        memcpy(local, c.Text.CStr() + from, count);
        local[count] = 0;
        return strtof(local, nullptr);
    }
    ZNString number = Slice(c.Text, from, count);
    return strtof(number.CStr(), nullptr);
}

ZNFloat2 ParseVec2(ZNTextCursor& c)
{
    float v[2];
    if (!ParseFloats(c, v, 2))
        return ZNFloat2{ 0, 0 };
    return ZNFloat2{ v[0], v[1] };
}

ZNFloat3 ParseVec3(ZNTextCursor& c)
{
    float v[3];
    if (!ParseFloats(c, v, 3))
        return ZNFloat3{ 0, 0, 0 };
    return ZNFloat3{ v[0], v[1], v[2] };
}

ZNFloat4 ParseVec4(ZNTextCursor& c)
{
    float v[4];
    if (!ParseFloats(c, v, 4))
        return ZNFloat4{ 0, 0, 0, 0 };
    return ZNFloat4{ v[0], v[1], v[2], v[3] };
}

ZNFloat4 ParseColor(ZNTextCursor& c)
{
    float v[4];
    if (!ParseFloats(c, v, 4))
        return ZNFloat4{ 0, 0, 0, 1 };
    return ZNFloat4{ v[0], v[1], v[2], v[3] };
}

ZNString ParseQuotedString(ZNTextCursor& c)
{
    GParseError = 0;
    INT32 n     = (INT32)Length(c);
    INT32 i     = c.Pos < 0 ? 0 : c.Pos;
    // A quote counts unless a backslash stands right before it.
    auto  isQuote = [&](INT32 k) { return At(c, k) == '"' && (k == 0 || At(c, k - 1) != '\\'); };

    while (i < n && !isQuote(i))
        ++i;
    // No opening quote: stop before open + 1 could overflow a position at
    // INT32_MAX into a scan from INT32_MIN.
    INT32 open = i;
    if (open < n)
    {
        i = open + 1;
        while (i < n && !isQuote(i))
            ++i;
    }
    if (open >= n || i >= n)
    {
        c.Pos = n;
        Fail();
        return ZNString();
    }
    c.Pos = i + 1;
    return Slice(c.Text, (UINT32)(open + 1), (UINT32)(i - open - 1));
}

bool ParseBool(ZNTextCursor& c)
{
    ZNString word = ReadToken(c, ZNCC_Letter, ZNCC_White);
    if (GParseError)
        return false;
    UINT32 n = word.Size();
    if (n != 4)
        return false;
    char lower[5];
    for (UINT32 i = 0; i < 4; ++i)
    {
        char ch  = word.CStr()[i];
        lower[i] = (ch >= 'A' && ch <= 'Z') ? (char)(ch + 32) : ch;
    }
    lower[4] = 0;
    return strcmp(lower, "true") == 0;
}

bool SkipLine(ZNTextCursor& c)
{
    GParseError    = 0;
    INT32       n  = (INT32)Length(c);
    INT32       i  = c.Pos < 0 ? 0 : c.Pos;
    const char* t  = c.Text.CStr();
    const char* lf = i < n ? (const char*)memchr(t + i, '\n', (size_t)(n - i)) : nullptr;
    if (!lf)
    {
        c.Pos = n;
        Fail();
        return false;
    }
    c.Pos = (INT32)(lf - t) + 1;
    return true;
}

bool BackLine(ZNTextCursor& c)
{
    GParseError = 0;
    INT32 n     = (INT32)Length(c);
    INT32 i     = c.Pos > n ? n : c.Pos;
    while (i > 0)
    {
        --i;
        if (At(c, i) == '\n')
        {
            c.Pos = i;
            return true;
        }
    }
    c.Pos = 0;
    Fail();
    return false;
}

bool RestOfLineIsBlank(const ZNTextCursor& c)
{
    INT32 n = (INT32)Length(c);
    for (INT32 i = c.Pos < 0 ? 0 : c.Pos; i < n; ++i)
    {
        char ch = At(c, i);
        if (ch == '\n')
            break;
        if (ch != ' ' && ch != '\t')
            return false;
    }
    return true;
}

UINT32 FindLastOf(const ZNString& text, const char* characters, UINT32 before)
{
    if (!characters)
        return 0xFFFFFFFFu;
    UINT32 n = text.Size();
    if (before > n)
        before = n;
    const char* t = text.CStr();
    for (UINT32 i = before; i > 0; --i)
        if (t[i - 1] != 0 && strchr(characters, t[i - 1]))
            return i - 1;
    return 0xFFFFFFFFu;
}
