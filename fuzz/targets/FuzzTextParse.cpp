// The text toolkit driven by a small program: byte 0 holds the number of
// steps (at most 16), each step is an operation byte and a 4-byte argument,
// and the rest of the input is the text. Positions are set to any 32-bit value,
// because callers may move a cursor anywhere.
#include "ZNFuzz.h"
#include "files/ZNTextParse.h"

#include <string.h>

namespace
{

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// After a successful read the position lies inside the text or at its end.
void CheckPosAfterSuccess(const ZNTextCursor& c)
{
    if (!GParseError)
        Check(c.Pos >= 0 && (UINT32)c.Pos <= c.Text.Size());
}

void Step(ZNTextCursor& c, UINT8 op, UINT32 arg)
{
    const UINT32 size = c.Text.Size();
    switch (op % 13)
    {
    case 0: c.Pos = (INT32)arg; break;
    case 1: SkipWhile(c, arg & 0x7F); break;
    case 2:
    {
        ZNString t = ReadToken(c, arg & 0x7F, (arg >> 8) & 0x7F);
        Check(t.Size() <= size);
        CheckPosAfterSuccess(c);
        break;
    }
    case 3:
        ExpectChar(c, (char)arg);
        CheckPosAfterSuccess(c);
        break;
    case 4:
        ParseInt(c);
        CheckPosAfterSuccess(c);
        break;
    case 5:
        ParseFloat(c, arg & 1);
        CheckPosAfterSuccess(c);
        break;
    case 6:
        switch (arg & 3)
        {
        case 0: ParseVec2(c); break;
        case 1: ParseVec3(c); break;
        case 2: ParseVec4(c); break;
        default: ParseColor(c); break;
        }
        break;
    case 7:
    {
        ZNString q = ParseQuotedString(c);
        Check(q.Size() <= size);
        CheckPosAfterSuccess(c);
        break;
    }
    case 8: ParseBool(c); break;
    case 9:
        SkipLine(c);
        Check(c.Pos >= 0 && (UINT32)c.Pos <= size);
        break;
    case 10:
        BackLine(c);
        Check(c.Pos >= 0 && (UINT32)c.Pos <= size);
        break;
    case 11: RestOfLineIsBlank(c); break;
    default:
    {
        const char chars[4] = { (char)arg, (char)(arg >> 8), (char)(arg >> 16), 0 };
        UINT32     at       = FindLastOf(c.Text, chars, arg >> 8);
        Check(at == 0xFFFFFFFFu || at < size);
        break;
    }
    }
}

}   // namespace

int ZNFuzzTextParse(const UINT8* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t steps = data[0] % 17;
    if (size < 1 + steps * 5)
        return 0;
    const UINT8* program  = data + 1;
    const UINT8* text     = program + steps * 5;
    const size_t textSize = size - 1 - steps * 5;
    ZNTextCursor c(ZNString((const char*)text, (UINT32)textSize));
    for (size_t i = 0; i < steps; ++i)
    {
        UINT32 arg;
        memcpy(&arg, program + i * 5 + 1, 4);
        Step(c, program[i * 5], arg);
    }
    return 0;
}
