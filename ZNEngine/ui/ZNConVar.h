// Console commands and console variables, and the process-wide registry that
// finds them by name.
//
//   static ZNConVar GSpeed("speed", 1.0f, 0, 0.0f, 10.0f, nullptr, 0);
//   // typing "speed" in the console prints "speed = 1", "speed 3" sets it.
//
// Guarantees:
// - A command registers itself as soon as it has a non-empty name and leaves
//   the registry when it is destroyed or renamed. The registry is created on
//   first use and never destroyed, so static commands may register from
//   static constructors and unregister from static destructors in any order.
// - Names compare case-sensitively. Registering a name twice is reported and
//   the newer command wins; a command leaving the registry only ever removes
//   its own entry, never another command's.
// - A variable's stored value is always filtered: rounded to an integer when
//   integral, then snapped to the nearest allowed value or clamped to its range.
// Main thread only (the registry itself has no lock).
#pragma once

#include "core/ZNTemplate.h"

class ZNConsole;

class ZNConCom
{
public:
    ZNConCom() {}
    explicit ZNConCom(const char* name) { SetName(name); }
    virtual ~ZNConCom();
    ZNConCom(const ZNConCom&) = delete;
    ZNConCom& operator=(const ZNConCom&) = delete;

    // Runs the command; arguments is the typed text after the name.
    virtual void Execute(ZNConsole& console, const ZNString& arguments) = 0;

    // Leaves the registry under the old name (if any) and registers under the
    // new one (unless empty).
    void SetName(const ZNString& name);
    const ZNString& GetName() const { return Name; }

    ZNString Name;   // the registry key; empty while unregistered
};

// The registry. Register/Unregister are run by ZNConCom itself; Find returns null
// for an unknown name.
void      ZNConComRegister(ZNConCom* cc);
void      ZNConComUnregister(ZNConCom* cc);
ZNConCom* ZNConComFind(const ZNString& name);
// The registry itself (created on first use, never destroyed).
ZNMap<ZNString, ZNConCom*>& ZNConComRegistry();

class ZNConVar : public ZNConCom
{
public:
    // allowed/allowedCount: values the variable may take, copied in order (both
    // must be non-zero). Registers under name.
    ZNConVar(const char* name, float value, UINT32 integer, float minValue, float maxValue,
             const float* allowed, UINT32 allowedCount);
    // The same without a name: not registered until SetName.
    ZNConVar(float value, UINT32 integer, float minValue, float maxValue,
             const float* allowed, UINT32 allowedCount);

    // Trimmed arguments, when not empty, are parsed as a number and stored
    // filtered; then "name = value" is printed.
    void Execute(ZNConsole& console, const ZNString& arguments) override;

    // The value this variable would store for v.
    float Filter(float v) const;
    // Stores Filter(v).
    void  Set(float v) { Value = Filter(v); }
    float Get() const { return Value; }
    // The value as a whole number, saturated to the INT32 range (0 for NaN).
    INT32 GetInt() const;

    float              Value;
    UINT32             Integer;   // non-zero: integral
    float              Min;
    float              Max;
    ZNPodArray<float>  Allowed;   // when non-empty, replaces Min..Max

private:
    void CopyAllowed(const float* allowed, UINT32 allowedCount);
};

// Saturating float to INT32 conversion (truncation toward zero, NaN gives 0).
INT32 ZNConVarToInt(float v);
