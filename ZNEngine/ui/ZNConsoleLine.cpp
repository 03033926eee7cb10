// The console's pure text handling.
#include "ui/ZNConsoleLine.h"

bool ZNConsoleIsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool ZNConsoleIsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

void ZNConsoleSplitCommands(const char* line, ZNArray<ZNString>& out)
{
    out.Clear();
    if (!line)
        line = "";
    bool        quoted = false;
    const char* start  = line;
    const char* p      = line;
    for (; *p; ++p)
    {
        if (*p == '"')
            quoted = !quoted;
        else if (*p == ';' && !quoted)
        {
            out.Add(ZNString(start, (UINT32)(p - start)));
            start = p + 1;
        }
    }
    out.Add(ZNString(start, (UINT32)(p - start)));
}

bool ZNConsoleSplitArgs(const char* text, ZNArray<ZNString>& out)
{
    out.Clear();
    if (!text)
        return true;
    const char* p = text;
    for (;;)
    {
        while (*p && ZNConsoleIsSpace(*p))
            ++p;
        if (!*p)
            return true;
        ZNString word;
        bool     quoted = false;
        for (; *p && (quoted || !ZNConsoleIsSpace(*p)); ++p)
        {
            if (*p == '"')
                quoted = !quoted;
            else
                word += *p;
        }
        out.Add(word);
        if (quoted)
            return false;
    }
}

namespace
{
// Where the last command of line starts (after the last ';' outside quotes).
UINT32 LastCommandStart(const ZNString& line)
{
    bool   quoted = false;
    UINT32 start  = 0;
    for (UINT32 i = 0; i < line.Size(); ++i)
    {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted)
            start = i + 1;
    }
    return start;
}

bool StartsWith(const ZNString& s, const char* prefix, UINT32 length)
{
    if (s.Size() < length)
        return false;
    for (UINT32 i = 0; i < length; ++i)
        if (s[i] != prefix[i])
            return false;
    return true;
}

bool Contains(const ZNArray<ZNString>& list, const ZNString& s)
{
    for (UINT32 i = 0; i < list.Size(); ++i)
        if (list[i] == s)
            return true;
    return false;
}
}

ZNString ZNConsoleCompleteLine(const ZNString& line, const ZNArray<ZNString>& names,
                               const ZNArray<ZNString>& nameTakers, ZNArray<ZNString>& matches)
{
    matches.Clear();
    const char*  s = line.CStr();
    const UINT32 n = line.Size();

    UINT32 at = LastCommandStart(line);
    while (at < n && ZNConsoleIsSpace(s[at]))
        ++at;
    UINT32 wordBeg = at;
    while (at < n && ZNConsoleIsNameChar(s[at]))
        ++at;
    if (at < n)
    {
        // Past the name: only the first argument of a name-taking command completes.
        if (!ZNConsoleIsSpace(s[at]) || !Contains(nameTakers, ZNString(s + wordBeg, at - wordBeg)))
            return line;
        while (at < n && ZNConsoleIsSpace(s[at]))
            ++at;
        wordBeg = at;
        while (at < n && ZNConsoleIsNameChar(s[at]))
            ++at;
        if (at < n)
            return line;
    }

    const char*  word   = s + wordBeg;
    const UINT32 length = n - wordBeg;
    for (UINT32 i = 0; i < names.Size(); ++i)
        if (StartsWith(names[i], word, length))
            matches.Add(names[i]);
    if (matches.Empty())
        return line;

    ZNString out(s, wordBeg);
    if (matches.Size() == 1)
    {
        out += matches[0];
        out += " ";
        return out;
    }
    UINT32 common = matches[0].Size();
    for (UINT32 i = 1; i < matches.Size(); ++i)
    {
        UINT32 k = 0;
        while (k < common && k < matches[i].Size() && matches[i][k] == matches[0][k])
            ++k;
        common = k;
    }
    out += ZNString(matches[0].CStr(), common);
    return out;
}
