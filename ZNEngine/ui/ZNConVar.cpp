// Console command registry and console variables.
#include "ui/ZNConVar.h"

#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

// ---------------------------------------------------------------------------
// Registry

ZNMap<ZNString, ZNConCom*>& ZNConComRegistry()
{
    // Heap-allocated and never freed: static commands unregister from static
    // destructors, which may run after any function-local static would be gone.
    static ZNMap<ZNString, ZNConCom*>* registry = new ZNMap<ZNString, ZNConCom*>();
    return *registry;
}

namespace
{
// The registry as the checks below see it: found by name whatever its letter case.
struct RegistryByName
{
    ZNMap<ZNString, ZNConCom*>&     Map;
    ZNMapNode<ZNString, ZNConCom*>* Find(const ZNString& name) const { return Map.Find(name.ToLower()); }
};
}

void ZNConComRegister(ZNConCom* cc)
{
    if (!cc || cc->Name.Empty())
        return;
    RegistryByName                  registry{ ZNConComRegistry() };
    RegistryByName*                 GConComAuto = &registry;
    ZNMapNode<ZNString, ZNConCom*>* node        = GConComAuto->Find(cc->Name);
    // The check reports its text as written, spaces included.
    // clang-format off
    BREAK_IF(GConComAuto->Find( cc->Name ));
    // clang-format on
    if (node)
        node->value = cc;
    else
        registry.Map.Insert(cc->Name.ToLower(), cc);
}

void ZNConComUnregister(ZNConCom* cc)
{
    if (!cc)
        return;
    RegistryByName                  registry{ ZNConComRegistry() };
    RegistryByName*                 GConComAuto = &registry;
    ZNMapNode<ZNString, ZNConCom*>* node        = GConComAuto->Find(cc->Name);
    // clang-format off
    BREAK_IF(!GConComAuto->Find( cc->Name ));
    // clang-format on
    // A newer command of the same name took over the entry: it stays registered.
    if (node && node->value == cc)
        registry.Map.Remove(cc->Name.ToLower());
    cc->Name.Clear();
}

ZNConCom* ZNConComFind(const ZNString& name)
{
    ZNMapNode<ZNString, ZNConCom*>* node = ZNConComRegistry().Find(name.ToLower());
    return node ? node->value : nullptr;
}

// ---------------------------------------------------------------------------
// ZNConCom

ZNConCom::~ZNConCom()
{
    // An unnamed command never registered, so there is nothing to report.
    if (!Name.Empty())
        ZNConComUnregister(this);
}

void ZNConCom::SetName(const ZNString& name)
{
    if (!Name.Empty())
        ZNConComUnregister(this);
    Name = name;
    if (!Name.Empty())
        ZNConComRegister(this);
}

// ---------------------------------------------------------------------------
// ZNConVar

INT32 ZNConVarToInt(float v)
{
    if (v != v)
        return 0;
    if (v >= 2147483647.0f)
        return 0x7FFFFFFF;
    if (v <= -2147483648.0f)
        return (INT32)0x80000000u;
    return (INT32)v;
}

ZNConVar::ZNConVar(const char* name, float value, UINT32 integer, float minValue, float maxValue, const float* allowed,
                   UINT32 allowedCount, const char* description)
    : Value(value), Default(value), Integer(integer), Min(minValue), Max(maxValue)
{
    Description = description ? description : "";
    CopyAllowed(allowed, allowedCount);
    SetName(ZNString(name));
}

ZNConVar::ZNConVar(float value, UINT32 integer, float minValue, float maxValue, const float* allowed,
                   UINT32 allowedCount, const char* description)
    : Value(value), Default(value), Integer(integer), Min(minValue), Max(maxValue)
{
    Description = description ? description : "";
    CopyAllowed(allowed, allowedCount);
}

void ZNConVar::CopyAllowed(const float* allowed, UINT32 allowedCount)
{
    if (!allowed || !allowedCount)
        return;
    for (UINT32 i = 0; i < allowedCount; ++i)
        Allowed.Add(allowed[i]);
}

INT32 ZNConVar::GetInt() const
{
    return ZNConVarToInt(Value);
}

static ZNString FormatNumber(float v, bool integral)
{
    char buf[64];
    if (integral)
        ZNSPrintf(buf, sizeof(buf), "%d", (int)ZNConVarToInt(v));
    else
        ZNSPrintf(buf, sizeof(buf), "%g", (double)v);
    return ZNString(buf);
}

ZNString ZNConVar::ValueText() const
{
    return FormatNumber(Value, Integer != 0);
}

ZNString ZNConVar::DefaultText() const
{
    return FormatNumber(Default, Integer != 0);
}

ZNString ZNConVar::RangeText() const
{
    ZNString out;
    if (!Allowed.Empty())
    {
        out = "one of";
        for (UINT32 i = 0; i < Allowed.Size(); ++i)
        {
            out += " ";
            out += FormatNumber(Allowed[i], Integer != 0);
        }
        return out;
    }
    out = FormatNumber(Min, Integer != 0);
    out += " .. ";
    out += FormatNumber(Max, Integer != 0);
    if (Integer)
        out += ", whole numbers";
    return out;
}

namespace
{
UINT32 GSettingsRevision = 0;   // see ZNConVarSettingsRevision
}

UINT32 ZNConVarSettingsRevision()
{
    return GSettingsRevision;
}

void ZNConVar::Set(float v)
{
    const float filtered = Filter(v);
    // Compared bit for bit: a value that could print differently is a change
    // (-0 made with and 0 stored, or a NaN made with replaced).
    if ((Flags & ZNCF_Setting) && memcmp(&filtered, &Value, sizeof(float)) != 0)
        ++GSettingsRevision;
    Value = filtered;
}

float ZNConVar::Filter(float v) const
{
    // NaN compares false with every bound and would slip past them; it counts
    // as 0, as in ZNConVarToInt.
    if (v != v)
        v = 0.0f;
    if (Integer)
        v = nearbyintf(v);   // default rounding mode: halves to even

    if (!Allowed.Empty())
    {
        // Starting from the first allowed value (not from "none") keeps the
        // result an allowed value even for an infinite input.
        float best     = Allowed[0];
        float bestDist = 3.4028235e38f;
        for (UINT32 i = 0; i < Allowed.Size(); ++i)
        {
            const float a = Allowed[i];
            if (a == v)
                return a;
            const float d = fabsf(a - v);
            if (d < bestDist)
            {
                bestDist = d;
                best     = a;
            }
        }
        return best;
    }

    if (v > Max)
        v = Max;
    if (v < Min)
        v = Min;
    // -0 is 0: it compares equal, and must not print as "-0".
    return v == 0.0f ? 0.0f : v;
}

bool ZNConVarParse(const char* text, float& out)
{
    // Whole decimal text only: [+-]digits[.digits][e[+-]digits]. Everything
    // the C library would also take (nan, inf, hexadecimal, a locale's comma)
    // or stop early on ("60degrees") is not a value a person means.
    if (!text)
        return false;
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    UINT32 digits = 0;
    while (*p >= '0' && *p <= '9')
        ++p, ++digits;
    if (*p == '.')
    {
        ++p;
        while (*p >= '0' && *p <= '9')
            ++p, ++digits;
    }
    if (!digits)
        return false;
    if (*p == 'e' || *p == 'E')
    {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!(*p >= '0' && *p <= '9'))
            return false;
        while (*p >= '0' && *p <= '9')
            ++p;
    }
    if (*p)
        return false;
    // strtod reads '.' as the decimal mark in the "C" locale the engine runs in.
    const double v = strtod(text, nullptr);
    if (!(fabs(v) <= 3.4028234663852886e38))
        return false;   // beyond float: no value stands for it
    out = (float)v;
    return true;
}

void ZNConVar::Execute(ZNConsole& console, const ZNString& arguments)
{
    ZNString text(arguments);
    text.Trim();
    if (!text.Empty())
    {
        float typed = 0.0f;
        bool  words = false;
        for (UINT32 i = 0; i < text.Size(); ++i)
            words |= ZNConsoleIsSpace(text[i]);
        if (words || !ZNConVarParse(text.CStr(), typed))
        {
            if (words)
                console.Error("%s: one value expected, not '%s'", Name.CStr(), text.CStr());
            else
                console.Error("%s: '%s' is not a number", Name.CStr(), text.CStr());
            console.Error("usage: %s [VALUE] (%s)", Name.CStr(), RangeText().CStr());
            return;
        }
        Set(typed);
        // Rounding to a whole number is what an integral variable is; a value
        // moved to the range or the list is worth a word.
        const float rounded = Integer ? nearbyintf(typed) : typed;
        if (Value != rounded)
        {
            ZNString why;
            if (!Allowed.Empty())
                why = "is not " + RangeText();
            else
                why = (rounded < Value ? "is below " : "is above ") +
                      FormatNumber(rounded < Value ? Min : Max, Integer != 0);
            console.Printf("%s: %s %s; set to %s", Name.CStr(), FormatNumber(typed, false).CStr(), why.CStr(),
                           ValueText().CStr());
            return;
        }
    }

    if (Integer)
        console.Printf("%s = %d", Name.CStr(), (int)ZNConVarToInt(Value));
    else
        console.Printf("%s = %g", Name.CStr(), (double)Value);
}

// ---------------------------------------------------------------------------
// ZNConFunc

ZNConFunc::ZNConFunc(const char* name, const char* usage, const char* description, ZNConFuncPtr function, UINT32 flags)
    : Usage(usage ? usage : name), Function(function)
{
    Description = description ? description : "";
    Flags       = flags;
    SetName(ZNString(name));
}

void ZNConFunc::Execute(ZNConsole& console, const ZNString& arguments)
{
    ZNConArgs  args;
    const bool closed = ZNConsoleSplitArgs(arguments.CStr(), args);
    if (!closed)
    {
        console.Error("%s: a quote is not closed", Name.CStr());
        return;
    }
    args.Insert(0, Name);
    if (Function)
        Function(console, args);
}

// The program's one built-in variable; it shows the console works.
static ZNConVar GNothing("__nothing", 0.0f, 1, 0.0f, 100.0f, nullptr, 0,
                         "does nothing; shows how a variable is read and set");
