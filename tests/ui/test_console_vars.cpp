// Console command registry and console variables: registration lifetimes,
// duplicate names, the value filter and what typing a variable prints.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include "test_console_util.h"

namespace
{
const char* kDup     = "GConComAuto->Find( cc->Name )";
const char* kUnknown = "!GConComAuto->Find( cc->Name )";

ZNConVar* Nothing()
{
    return static_cast<ZNConVar*>(ZNConComFind(ZNString("__nothing")));
}

// Runs "name args" on a fresh console and returns what it printed last.
std::string RunLine(const char* line)
{
    ZNConsole c;
    TypeLine(c, line);
    return LastLine(c);
}
}   // namespace

TEST(ConsoleRegistry, BuiltInVariableIsThereBeforeMainAndFoundInAnyCase)
{
    ZNConVar* v = Nothing();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Value, 0.0f);
    EXPECT_NE(v->Integer, 0u);
    EXPECT_EQ(v->Min, 0.0f);
    EXPECT_EQ(v->Max, 100.0f);
    EXPECT_TRUE(v->Allowed.Empty());
    EXPECT_EQ(ZNConComFind(ZNString("__NOTHING")), v);
    EXPECT_EQ(ZNConComFind(ZNString("__nothin")), nullptr);
    EXPECT_EQ(ZNConComFind(ZNString("")), nullptr);
}

TEST(ConsoleRegistry, CommandsLiveInTheRegistryExactlyAsLongAsTheyExist)
{
    ZNDialogRecorder rec;
    const UINT32     before = ZNConComRegistry().Size();
    {
        RecordingCommand a("test_alpha");
        RecordingCommand b("test_beta");
        EXPECT_EQ(ZNConComFind(ZNString("test_alpha")), &a);
        EXPECT_EQ(ZNConComFind(ZNString("test_beta")), &b);
        EXPECT_EQ(ZNConComRegistry().Size(), before + 2);
    }
    EXPECT_EQ(ZNConComFind(ZNString("test_alpha")), nullptr);
    EXPECT_EQ(ZNConComFind(ZNString("test_beta")), nullptr);
    EXPECT_EQ(ZNConComRegistry().Size(), before);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST(ConsoleRegistry, RenamingMovesTheEntry)
{
    ZNDialogRecorder rec;
    RecordingCommand a("test_old");
    a.SetName(ZNString("test_new"));
    EXPECT_EQ(ZNConComFind(ZNString("test_old")), nullptr);
    EXPECT_EQ(ZNConComFind(ZNString("test_new")), &a);
    a.SetName(ZNString(""));
    EXPECT_EQ(ZNConComFind(ZNString("test_new")), nullptr);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST(ConsoleRegistry, DuplicateNameIsReportedNewerWinsAndOlderNeverRemovesIt)
{
    ZNDialogRecorder  rec;
    RecordingCommand* older = new RecordingCommand("test_dup");
    RecordingCommand* newer = new RecordingCommand("test_dup");
    EXPECT_EQ(rec.Asserts(kDup), 1u);
    EXPECT_EQ(ZNConComFind(ZNString("test_dup")), newer);

    // The older one leaving must not take the newer one's entry with it.
    delete older;
    EXPECT_EQ(ZNConComFind(ZNString("test_dup")), newer);
    EXPECT_EQ(rec.Asserts(kUnknown), 0u);

    delete newer;
    EXPECT_EQ(ZNConComFind(ZNString("test_dup")), nullptr);
    EXPECT_EQ(rec.Count(), 1u);
}

TEST(ConsoleRegistry, UnregisteringAnUnknownNameIsReportedAndClearsTheName)
{
    ZNDialogRecorder  rec;
    RecordingCommand* first  = new RecordingCommand("test_gone");
    RecordingCommand* second = new RecordingCommand("test_gone");   // reported duplicate
    delete second;                                                  // removes the entry
    EXPECT_EQ(ZNConComFind(ZNString("test_gone")), nullptr);
    ZNConComUnregister(first);   // nothing left to remove
    EXPECT_EQ(rec.Asserts(kUnknown), 1u);
    EXPECT_TRUE(first->Name.Empty());
    delete first;   // unnamed: nothing more
    EXPECT_EQ(rec.Count(), 2u);
}

TEST(ConsoleRegistry, UnnamedVariableRegistersOnlyOnceNamed)
{
    ZNDialogRecorder rec;
    const float      allowed[] = { 1.0f, 3.0f };
    const UINT32     before    = ZNConComRegistry().Size();
    {
        ZNConVar v(2.0f, 0, 0.0f, 10.0f, allowed, 2);
        EXPECT_EQ(ZNConComRegistry().Size(), before);
        EXPECT_EQ(v.Allowed.Size(), 2u);
        v.SetName(ZNString("test_late"));
        EXPECT_EQ(ZNConComFind(ZNString("test_late")), &v);
    }
    {
        ZNConVar never(0.0f, 0, 0.0f, 1.0f, nullptr, 3);   // no list: nothing copied
        EXPECT_TRUE(never.Allowed.Empty());
    }
    EXPECT_EQ(ZNConComRegistry().Size(), before);
    EXPECT_EQ(rec.Count(), 0u);   // an unnamed variable dies silently
}

TEST(ConsoleVar, IntegralFilterRoundsHalvesToEvenThenClamps)
{
    ZNConVar v(0.0f, 1, -10.0f, 10.0f, nullptr, 0);
    EXPECT_EQ(v.Filter(2.5f), 2.0f);
    EXPECT_EQ(v.Filter(3.5f), 4.0f);
    EXPECT_EQ(v.Filter(-2.5f), -2.0f);
    EXPECT_EQ(v.Filter(2.4f), 2.0f);
    EXPECT_EQ(v.Filter(2.6f), 3.0f);
    EXPECT_EQ(v.Filter(250.0f), 10.0f);
    EXPECT_EQ(v.Filter(-250.0f), -10.0f);
    EXPECT_EQ(v.Filter(INFINITY), 10.0f);
    EXPECT_EQ(v.Filter(-INFINITY), -10.0f);
}

TEST(ConsoleVar, FractionalFilterKeepsFractionsAndMinWinsOverMax)
{
    ZNConVar v(0.0f, 0, 0.5f, 1.5f, nullptr, 0);
    EXPECT_EQ(v.Filter(0.75f), 0.75f);
    EXPECT_EQ(v.Filter(2.0f), 1.5f);
    EXPECT_EQ(v.Filter(0.0f), 0.5f);

    ZNConVar crossed(0.0f, 0, 5.0f, 1.0f, nullptr, 0);   // min > max
    EXPECT_EQ(crossed.Filter(3.0f), 5.0f);
    EXPECT_EQ(crossed.Filter(-3.0f), 5.0f);
    EXPECT_EQ(crossed.Filter(30.0f), 5.0f);
}

TEST(ConsoleVar, AllowedValuesReplaceTheRangeAndSnapToTheNearestFirstOnTies)
{
    const float allowed[] = { 8.0f, 2.0f, 4.0f, 1.0f };
    ZNConVar    v(0.0f, 0, 0.0f, 3.0f, allowed, 4);   // range would forbid 8
    EXPECT_EQ(v.Filter(8.0f), 8.0f);
    EXPECT_EQ(v.Filter(100.0f), 8.0f);
    EXPECT_EQ(v.Filter(3.0f), 2.0f);   // 2 and 4 tie: 2 comes first
    EXPECT_EQ(v.Filter(6.0f), 8.0f);   // 8 and 4 tie: 8 comes first
    EXPECT_EQ(v.Filter(5.0f), 4.0f);
    EXPECT_EQ(v.Filter(-7.0f), 1.0f);
    EXPECT_EQ(v.Filter(1.4f), 1.0f);
    // Infinitely far from every value: still one of them, never the input.
    EXPECT_EQ(v.Filter(INFINITY), 8.0f);

    // Integral variables round before snapping: 2.5 -> 2 exactly.
    const float odd[] = { 1.0f, 2.0f, 3.0f };
    ZNConVar    w(0.0f, 1, 0.0f, 0.0f, odd, 3);
    EXPECT_EQ(w.Filter(2.5f), 2.0f);
    EXPECT_EQ(w.Filter(2.6f), 3.0f);
}

TEST(ConsoleVar, IntegerReadingSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(ZNConVarToInt(3.9f), 3);
    EXPECT_EQ(ZNConVarToInt(-3.9f), -3);
    EXPECT_EQ(ZNConVarToInt(1e20f), 2147483647);
    EXPECT_EQ(ZNConVarToInt(-1e20f), (INT32)0x80000000u);
    EXPECT_EQ(ZNConVarToInt(NAN), 0);
}

TEST(ConsoleVar, TypingTheBuiltInVariablePrintsAndSetsItThroughTheFilter)
{
    ZNConVar* v = Nothing();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(RunLine("__nothing"), "__nothing = 0");
    EXPECT_EQ(RunLine("__nothing 250"), "__nothing: 250 is above 100; set to 100");
    EXPECT_EQ(v->Value, 100.0f);
    EXPECT_EQ(RunLine("__nothing   "), "__nothing = 100");   // blanks only: just prints
    EXPECT_EQ(RunLine("__nothing 2.5"), "__nothing = 2");
    EXPECT_EQ(v->Value, 2.0f);
    EXPECT_EQ(RunLine("__nothing -3"), "__nothing: -3 is below 0; set to 0");
    EXPECT_EQ(RunLine("__nothing\t 42 \t"), "__nothing = 42");
    EXPECT_EQ(RunLine("__NoThInG +45"), "__nothing = 45") << "any letter case; '+' is a sign";
    v->Value = 0.0f;
}

TEST(ConsoleVar, FractionalVariablePrintsWithG)
{
    ZNConVar v("test_frac", 0.25f, 0, -1.0f, 1.0f, nullptr, 0);
    EXPECT_EQ(RunLine("test_frac"), "test_frac = 0.25");
    EXPECT_EQ(RunLine("test_frac -0.5"), "test_frac = -0.5");
    EXPECT_EQ(RunLine("test_frac 7"), "test_frac: 7 is above 1; set to 1");
    EXPECT_EQ(v.Value, 1.0f);
    EXPECT_EQ(RunLine("test_frac -0"), "test_frac = 0") << "no negative zero";
    EXPECT_EQ(RunLine("test_frac -0.0e3"), "test_frac = 0");
}

// "-e913" read 0 x 10^913 = 0 x infinity = NaN, and NaN slipped past both
// bounds into the stored value (found by the console fuzz target, kept in
// fuzz/regress/console/). Zero stays zero, and a NaN counts as 0.
TEST(ConsoleVariables, NaNNeverReachesTheStoredValue)
{
    EXPECT_EQ(ZNAtof("-e913"), 0.0f);
    EXPECT_EQ(ZNAtof("0e400"), 0.0f);
    EXPECT_EQ(ZNAtof("1e-400"), 0.0f);
    ZNConVar v(1.0f, 0, -10.0f, 10.0f, nullptr, 0);
    v.Set(NAN);
    EXPECT_EQ(v.Get(), 0.0f);
    ZNConVar above(7.0f, 0, 5.0f, 10.0f, nullptr, 0);
    above.Set(NAN);
    EXPECT_EQ(above.Get(), 5.0f);
    ZNConsole console;
    v.Execute(console, ZNString("-e913&fuz"));
    EXPECT_EQ(v.Get(), 0.0f);
}

// Only a whole decimal number sets a variable. Every other text is refused
// with the usage, and the value stays as it was (it used to become the
// filtered reading of whatever strtod-like parsing found: abc, nan, 0x40 gave
// the lowest value, 1e999 the highest, 1,5 read 1.5, 60degrees read 60, and
// extra words were ignored).
TEST(ConsoleVar, OnlyWholeNumbersSetAndEverythingElseIsRefusedWithTheUsage)
{
    const char* const kNotNumbers[] = {
        "abc", "nan", "NaN", "inf", "-infinity", "0x40", "1e999", "-1e999", "1,5",   "60degrees", "80 extra words",
        "1 2", "+",   "-",   ".",   "e5",        "1e",   "1e+",   "++1",    "1.2.3", "\"45\""
    };
    ZNConVar fov("test_fov", 90.0f, 1, 10.0f, 170.0f, nullptr, 0);
    ZNConVar haze("test_haze", 0.5f, 0, 0.0f, 1.0f, nullptr, 0);
    for (ZNConVar* var : { &fov, &haze })
    {
        const float       before = var->Get();
        const std::string name   = var->Name.CStr();
        for (const char* bad : kNotNumbers)
        {
            ZNConsole c;
            TypeLine(c, (name + " " + bad).c_str());
            SCOPED_TRACE(bad);
            EXPECT_EQ(var->Get(), before) << "the value stays";
            ASSERT_EQ(c.History.Size(), 3u) << LastLine(c);
            EXPECT_EQ(std::string(c.History[1].Text.CStr()).rfind(name + ": ", 0), 0u) << c.History[1].Text.CStr();
            EXPECT_EQ(LastLine(c), "usage: " + name + " [VALUE] (" + var->RangeText().CStr() + ")");
        }
    }

    // What parses, parses to what strtod says; nothing else does.
    for (const char* good : { "45", "+45", "-45", "0.5", ".5", "5.", "1e2", "1E+2", "2.5e-1", "-0", "0000" })
    {
        float v = -1.0f;
        EXPECT_TRUE(ZNConVarParse(good, v)) << good;
        EXPECT_EQ(v, strtof(good, nullptr)) << good;
    }
    float untouched = 7.0f;
    EXPECT_FALSE(ZNConVarParse("1e39", untouched)) << "beyond float";
    EXPECT_FALSE(ZNConVarParse(nullptr, untouched));
    EXPECT_EQ(untouched, 7.0f);

    // Clamping says so, with the bound, both ways; a value inside does not.
    EXPECT_EQ(RunLine("test_fov 9"), "test_fov: 9 is below 10; set to 10");
    EXPECT_EQ(RunLine("test_fov 200"), "test_fov: 200 is above 170; set to 170");
    EXPECT_EQ(RunLine("set test_fov 1e30"), "test_fov: 1e+30 is above 170; set to 170");
    EXPECT_EQ(RunLine("test_fov 80.4"), "test_fov = 80");
    const float steps[] = { 1.0f, 2.0f, 4.0f };
    ZNConVar    step("test_step", 2.0f, 1, 0.0f, 0.0f, steps, 3);
    EXPECT_EQ(RunLine("test_step 3"), "test_step: 3 is not one of 1 2 4; set to 2");
    EXPECT_EQ(RunLine("test_step 4"), "test_step = 4");
}
