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

bool ContainsName(const ZNArray<ZNString>& list, const ZNString& s)
{
    for (UINT32 i = 0; i < list.Size(); ++i)
        if (ZNConsoleNameEquals(list[i], s))
            return true;
    return false;
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
}

// The names of list starting with word, added to out.
void AddMatches(const ZNArray<ZNString>& list, const char* word, UINT32 length, ZNArray<ZNString>& out)
{
    for (UINT32 i = 0; i < list.Size(); ++i)
        if (ZNConsoleNameStartsWith(list[i], word, length))
            out.Add(list[i]);
}

bool NameLess(const ZNString& a, const ZNString& b)
{
    for (UINT32 i = 0; i < a.Size() && i < b.Size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return Lower(a[i]) < Lower(b[i]);
    return a.Size() < b.Size();
}
}

bool ZNConsoleNameStartsWith(const ZNString& name, const char* prefix, UINT32 length)
{
    if (name.Size() < length)
        return false;
    for (UINT32 i = 0; i < length; ++i)
        if (Lower(name[i]) != Lower(prefix[i]))
            return false;
    return true;
}

bool ZNConsoleNameEquals(const ZNString& a, const ZNString& b)
{
    return a.Size() == b.Size() && ZNConsoleNameStartsWith(a, b.CStr(), b.Size());
}

ZNString ZNConsoleStripComment(const ZNString& line)
{
    bool quoted = false;
    for (UINT32 i = 0; i < line.Size(); ++i)
    {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == '#' && !quoted && (i == 0 || ZNConsoleIsSpace(line[i - 1]) || line[i - 1] == ';'))
            return ZNString(line.CStr(), i);
    }
    return line;
}

ZNString ZNConsoleCompleteLine(const ZNString& line, const ZNConsoleNames& names, ZNArray<ZNString>& matches)
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
    // The command's position: every command and variable fits.
    bool commands = true;
    if (at < n)
    {
        // Past the name: only the first argument of a name-taking command completes.
        const ZNString command(s + wordBeg, at - wordBeg);
        if (!ZNConsoleIsSpace(s[at]))
            return line;
        if (ContainsName(names.VariableTakers, command))
            commands = false;
        else if (!ContainsName(names.NameTakers, command))
            return line;
        while (at < n && ZNConsoleIsSpace(s[at]))
            ++at;
        wordBeg = at;
        while (at < n && ZNConsoleIsNameChar(s[at]))
            ++at;
        if (at < n)
            return line;
    }

    const char*       word   = s + wordBeg;
    const UINT32      length = n - wordBeg;
    ZNArray<ZNString> fromCommands, fromVariables;
    if (commands)
        AddMatches(names.Commands, word, length, fromCommands);
    AddMatches(names.Variables, word, length, fromVariables);
    // Both lists are ascending: merge them.
    for (UINT32 c = 0, v = 0; c < fromCommands.Size() || v < fromVariables.Size();)
    {
        if (v == fromVariables.Size() || (c < fromCommands.Size() && NameLess(fromCommands[c], fromVariables[v])))
            matches.Add(fromCommands[c++]);
        else
            matches.Add(fromVariables[v++]);
    }
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
        while (k < common && k < matches[i].Size() && Lower(matches[i][k]) == Lower(matches[0][k]))
            ++k;
        common = k;
    }
    // The typed part keeps its letter case; the common rest comes from a name.
    out += ZNString(word, length);
    if (common > length)
        out += ZNString(matches[0].CStr() + length, common - length);
    return out;
}
