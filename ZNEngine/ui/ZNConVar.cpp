// Console command registry and console variables.
#include "ui/ZNConVar.h"

#include "ui/ZNConsole.h"
#include "ui/ZNConsoleLine.h"

#include <math.h>

// ---------------------------------------------------------------------------
// Registry

ZNMap<ZNString, ZNConCom*>& ZNConComRegistry()
{
    // Heap-allocated and never freed: static commands unregister from static
    // destructors, which may run after any function-local static would be gone.
    static ZNMap<ZNString, ZNConCom*>* registry = new ZNMap<ZNString, ZNConCom*>();
    return *registry;
}

void ZNConComRegister(ZNConCom* cc)
{
    if (!cc || cc->Name.Empty())
        return;
    ZNMap<ZNString, ZNConCom*>*     GConComAuto = &ZNConComRegistry();
    ZNMapNode<ZNString, ZNConCom*>* node        = GConComAuto->Find(cc->Name);
    // The check reports its text as written, spaces included.
    // clang-format off
    BREAK_IF(GConComAuto->Find( cc->Name ));
    // clang-format on
    if (node)
        node->value = cc;
    else
        GConComAuto->Insert(cc->Name, cc);
}

void ZNConComUnregister(ZNConCom* cc)
{
    if (!cc)
        return;
    ZNMap<ZNString, ZNConCom*>*     GConComAuto = &ZNConComRegistry();
    ZNMapNode<ZNString, ZNConCom*>* node        = GConComAuto->Find(cc->Name);
    // clang-format off
    BREAK_IF(!GConComAuto->Find( cc->Name ));
    // clang-format on
    // A newer command of the same name took over the entry: it stays registered.
    if (node && node->value == cc)
        GConComAuto->Remove(cc->Name);
    cc->Name.Clear();
}

ZNConCom* ZNConComFind(const ZNString& name)
{
    ZNMapNode<ZNString, ZNConCom*>* node = ZNConComRegistry().Find(name);
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
                return v;
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
    return v;
}

void ZNConVar::Execute(ZNConsole& console, const ZNString& arguments)
{
    ZNString text(arguments);
    text.Trim();
    if (!text.Empty())
        Set(ZNAtof(text.CStr()));

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
        console.Printf("%s: a quote is not closed", Name.CStr());
        return;
    }
    args.Insert(0, Name);
    if (Function)
        Function(console, args);
}

// The program's one built-in variable; it shows the console works.
static ZNConVar GNothing("__nothing", 0.0f, 1, 0.0f, 100.0f, nullptr, 0,
                         "does nothing; shows how a variable is read and set");
