// ZNTextParse: reads hand-written text held in memory.
//
// A cursor is a text plus a position. Every read starts at the position and
// moves it past what it consumed. Instead of return codes there is one
// process-wide flag, GParseError: each read clears it first and sets it to 1
// when that read fails, so the caller tests it right after the read; a failed
// read returns a documented fallback value.
//
//   ZNTextCursor c("size 12 1.5;2;3");
//   ZNString word = ReadToken(c, ZNCC_Letter, ZNCC_White);   // "size"
//   INT32 n = ParseInt(c);                                    // 12
//   ZNFloat3 v = ParseVec3(c);                                // (1.5, 2, 3)
//   if (GParseError) ...
//
// Parsing is done by one thread at a time; the flag has no lock. Character
// classes are ASCII only: bytes 128..255 belong to no class.
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNTemplate.h"

// Text and position; the position may be moved freely by the caller.
struct ZNTextCursor
{
    ZNString Text;   // the whole text
    INT32    Pos;    // next character to read

    ZNTextCursor() : Pos(0) {}
    explicit ZNTextCursor(const ZNString& text, INT32 pos = 0) : Text(text), Pos(pos) {}
    explicit ZNTextCursor(const char* text, INT32 pos = 0) : Text(text), Pos(pos) {}
    explicit ZNTextCursor(ZNString&& text, INT32 pos = 0) : Text(static_cast<ZNString&&>(text)), Pos(pos) {}

    bool AtEnd() const { return Pos < 0 || (UINT32)Pos >= Text.Size(); }
};

// 1 when the last toolkit read failed, 0 when it succeeded.
extern UINT32 GParseError;

// Character classes, combined by OR; every class is a set of these bits.
enum : UINT32
{
    ZNCC_Letter     = 1u << 0,   // A-Z a-z
    ZNCC_Digit      = 1u << 1,   // 0-9
    ZNCC_Underscore = 1u << 2,   // _
    ZNCC_Minus      = 1u << 3,   // -
    ZNCC_OtherPunct = 1u << 4,   // every other printable non-space non-alnum character
    ZNCC_BlankChar  = 1u << 5,   // space, tab
    ZNCC_LineChar   = 1u << 6,   // line feed, carriage return

    ZNCC_Alnum       = ZNCC_Letter | ZNCC_Digit,
    ZNCC_Punct       = ZNCC_Underscore | ZNCC_Minus | ZNCC_OtherPunct,
    ZNCC_Ident       = ZNCC_Alnum | ZNCC_Underscore,
    ZNCC_Graphic     = ZNCC_Alnum | ZNCC_Punct,
    ZNCC_White       = ZNCC_BlankChar | ZNCC_LineChar,
    ZNCC_Blank       = ZNCC_BlankChar,
    ZNCC_NumberStart = ZNCC_Digit | ZNCC_Minus,
};

// The class bits of one character (0 for control characters and bytes >= 128).
UINT32      ZNCharClassOf(char c);
inline bool ZNIsInClass(char c, UINT32 cls)
{
    return (ZNCharClassOf(c) & cls) != 0;
}

// Small float records for the vector readers.
struct ZNFloat2
{
    float x, y;
};
struct ZNFloat3
{
    float x, y, z;
};
struct ZNFloat4
{
    float x, y, z, w;
};

// Fallbacks of the number readers.
#define ZN_PARSE_INT_FAIL 2147483647
#define ZN_PARSE_FLOAT_FAIL 3.4028235e38f

// Advances while the character is in cls; always succeeds.
void     SkipWhile(ZNTextCursor& c, UINT32 cls);
// Skips characters of skipCls, then takes the run of tokenCls characters. A
// character in neither class, or the end, fails with "" and the position on it.
ZNString ReadToken(ZNTextCursor& c, UINT32 tokenCls, UINT32 skipCls);
// The character at the position is ch: advance and succeed; otherwise fail.
bool     ExpectChar(ZNTextCursor& c, char ch);
// A token of digits and '-' after blanks, as a decimal integer (clamped to
// the INT32 range); 2147483647 on failure.
INT32    ParseInt(ZNTextCursor& c);
// A number of digits and ". , - e E" after white space. It ends at a space,
// line feed, tab or the end of text; any other character ends it too, except that
// strict mode then fails. 3.4028235e38 on failure.
float    ParseFloat(ZNTextCursor& c, bool strict);
// Floats separated by ';' (no space before a ';'): (0, 0[, 0]) on failure.
ZNFloat2 ParseVec2(ZNTextCursor& c);
ZNFloat3 ParseVec3(ZNTextCursor& c);
ZNFloat4 ParseVec4(ZNTextCursor& c);    // (0, 0, 0, 0) on failure
ZNFloat4 ParseColor(ZNTextCursor& c);   // (0, 0, 0, 1) on failure
// The text between the next two double quotes not preceded by a backslash, at
// any distance and across lines; backslashes are kept. The position moves past
// the closing quote. Without both quotes: "" and the position at the end.
ZNString ParseQuotedString(ZNTextCursor& c);
// A word of letters after white space: "true" in any case gives true,
// anything else false.
bool     ParseBool(ZNTextCursor& c);
// Moves past the next '\n'. Without one: false, the position at the end.
bool     SkipLine(ZNTextCursor& c);
// Moves back to the previous '\n' (the position then sits on it). Without one:
// false, the position at 0.
bool     BackLine(ZNTextCursor& c);
// Only spaces and tabs remain before the next '\n' or the end. Does not move.
bool     RestOfLineIsBlank(const ZNTextCursor& c);
// The last index below before whose character is one of characters;
// 0xFFFFFFFF when none.
UINT32   FindLastOf(const ZNString& text, const char* characters, UINT32 before);
