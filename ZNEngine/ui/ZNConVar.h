// Console commands and console variables, and the process-wide registry that
// finds them by name.
//
//   static ZNConVar GSpeed("speed", 1.0f, 0, 0.0f, 10.0f, nullptr, 0, "how fast things go");
//   // typing "speed" in the console prints "speed = 1", "speed 3" sets it.
//   static ZNConFunc GHello("hello", "hello [NAME]", "greets", [](ZNConsole& c, const ZNConArgs& a) {
//       c.Printf("hello %s", a.Size() > 1 ? a[1].CStr() : "world"); });
//
// Guarantees:
// - A command registers itself as soon as it has a non-empty name and leaves
//   the registry when it is destroyed or renamed. The registry is created on
//   first use and never destroyed, so static commands may register from
//   static constructors and unregister from static destructors in any order.
// - Names compare without regard to letter case ("CAM_FOV" finds cam_fov; the
//   registry's keys are the lower-case names). Registering a name twice is
//   reported and the newer command wins; a command leaving the registry only
//   ever removes its own entry, never another command's.
// - A variable's stored value is always filtered: rounded to an integer when
//   integral, then snapped to the nearest allowed value or clamped to its range.
//   Typed values must be whole decimal numbers: anything else is refused with
//   the usage and the value stays; a value moved into the range says so.
// - Every change of a setting's value counts in ZNConVarSettingsRevision.
// - Every command may carry a one-line description (help, cmdlist and cvarlist
//   show it); a ZNConFunc also carries its usage and receives its arguments as
//   words (double quotes group, ui/ZNConsoleLine.h).
// Main thread only (the registry itself has no lock).
#pragma once

#include "core/ZNTemplate.h"

class ZNConsole;

// ZNConCom flags.
enum : UINT32
{
    ZNCF_TakesName     = 1,   // the first argument is a command or variable name (Tab completes it)
    ZNCF_TakesVariable = 2,   // the first argument is a variable name (Tab completes variables only)
    ZNCF_Setting       = 4,   // a variable the user's configuration file keeps between runs
};

class ZNConCom
{
public:
    ZNConCom() {}
    explicit ZNConCom(const char* name, const char* description = nullptr) : Description(description ? description : "")
    {
        SetName(name);
    }
    virtual ~ZNConCom();
    ZNConCom(const ZNConCom&)            = delete;
    ZNConCom& operator=(const ZNConCom&) = delete;

    // Runs the command; arguments is the typed text after the name.
    virtual void Execute(ZNConsole& console, const ZNString& arguments) = 0;

    // Leaves the registry under the old name (if any) and registers under the
    // new one (unless empty).
    void            SetName(const ZNString& name);
    const ZNString& GetName() const { return Name; }

    ZNString Name;          // the registry key; empty while unregistered
    ZNString Description;   // one line for help and the lists; may be empty
    UINT32   Flags = 0;     // ZNCF_ bits
};

// The registry. Register/Unregister are run by ZNConCom itself; Find returns null
// for an unknown name.
void                        ZNConComRegister(ZNConCom* cc);
void                        ZNConComUnregister(ZNConCom* cc);
ZNConCom*                   ZNConComFind(const ZNString& name);
// The registry itself (created on first use, never destroyed), keyed by the
// lower-case names; each command keeps its own spelling in Name.
ZNMap<ZNString, ZNConCom*>& ZNConComRegistry();

class ZNConVar : public ZNConCom
{
public:
    // allowed/allowedCount: values the variable may take, copied in order (both
    // must be non-zero). Registers under name.
    ZNConVar(const char* name, float value, UINT32 integer, float minValue, float maxValue, const float* allowed,
             UINT32 allowedCount, const char* description = nullptr);
    // The same without a name: not registered until SetName.
    ZNConVar(float value, UINT32 integer, float minValue, float maxValue, const float* allowed, UINT32 allowedCount,
             const char* description = nullptr);

    // Trimmed arguments, when not empty, are parsed as one number
    // (ZNConVarParse) and stored filtered; then "name = value" is printed, or
    // "name: 9 is below 10; set to 10" when the filter moved it to the range or
    // list. Anything but one number is refused with the usage (an error).
    void Execute(ZNConsole& console, const ZNString& arguments) override;

    // The value this variable would store for v.
    float    Filter(float v) const;
    // Stores Filter(v); a setting whose value changes bumps
    // ZNConVarSettingsRevision. Values are written through here, not to Value.
    void     Set(float v);
    float    Get() const { return Value; }
    // The value as a whole number, saturated to the INT32 range (0 for NaN).
    INT32    GetInt() const;
    // The value as the variable prints it ("3" when integral, else %g).
    ZNString ValueText() const;
    // The default as the variable prints it.
    ZNString DefaultText() const;
    // What the variable accepts: "0 .. 100", "0 .. 100, whole numbers" or
    // "one of 1 2 4".
    ZNString RangeText() const;

    float             Value;
    float             Default;   // the value it was made with: what reset restores
    UINT32            Integer;   // non-zero: integral
    float             Min;
    float             Max;
    ZNPodArray<float> Allowed;   // when non-empty, replaces Min..Max

private:
    void CopyAllowed(const float* allowed, UINT32 allowedCount);
};

// Counts the changes of value of the variables marked ZNCF_Setting (made
// through Set), so whoever keeps them sees a change by comparing two numbers.
UINT32 ZNConVarSettingsRevision();

// A command's arguments as words; word 0 is the command's own name.
typedef ZNArray<ZNString> ZNConArgs;
typedef void (*ZNConFuncPtr)(ZNConsole& console, const ZNConArgs& args);

// A command run by a function. Execute splits the argument text into words
// (an unterminated quote is reported in the console and nothing runs).
class ZNConFunc : public ZNConCom
{
public:
    ZNConFunc(const char* name, const char* usage, const char* description, ZNConFuncPtr function, UINT32 flags = 0);
    void Execute(ZNConsole& console, const ZNString& arguments) override;

    ZNString     Usage;   // "map HEIGHT.png COLOUR.png": what help prints first
    ZNConFuncPtr Function;
};

// One decimal number as a person types it: [+-]digits[.digits][e[+-]digits],
// nothing before or after, within the float range. False for anything else
// (words, "nan", "inf", "0x40", "1,5", "60degrees", "1e999"); out is then untouched.
bool ZNConVarParse(const char* text, float& out);

// Saturating float to INT32 conversion (truncation toward zero, NaN gives 0).
INT32 ZNConVarToInt(float v);
