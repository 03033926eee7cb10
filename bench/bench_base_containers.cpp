// Engine containers against their standard counterparts, measured in one
// process: each case runs once on the engine type and once on the standard
// type, and a table of time ratios (engine / standard) closes the report.
// A ratio above 1.25 marks a case worth optimising. Ratios use processor time.
#include "core/ZNTemplate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdio.h>
#include <string>
#include <vector>

namespace
{

const UINT32 kMapKeys        = 100000;
const UINT32 kArrayItems     = 100000;
const UINT32 kFrontItems     = 20000;
const UINT32 kStringChars    = 1000000;
const UINT32 kCompareStrings = 20000;

std::vector<INT32> IntKeys()
{
    std::vector<INT32> keys(kMapKeys);
    std::mt19937       rng(1);
    for (UINT32 i = 0; i < kMapKeys; ++i)
        keys[i] = (INT32)rng();
    return keys;
}

std::vector<std::string> TextKeys()
{
    std::vector<std::string> keys(kMapKeys);
    std::mt19937             rng(2);
    char                     buf[32];
    for (UINT32 i = 0; i < kMapKeys; ++i)
    {
        snprintf(buf, sizeof(buf), "Shaders/%08x.shd", (unsigned)rng());
        keys[i] = buf;
    }
    return keys;
}

template <typename T>
std::vector<T> Shuffled(std::vector<T> v)
{
    std::mt19937 rng(3);
    std::shuffle(v.begin(), v.end(), rng);
    return v;
}

// Key conversions, so one template serves both map kinds.
template <typename K>
struct KeyOf;
template <>
struct KeyOf<INT32>
{
    static std::vector<INT32> Make() { return IntKeys(); }
};
template <>
struct KeyOf<ZNString>
{
    static std::vector<ZNString> Make()
    {
        std::vector<ZNString> out;
        for (const std::string& s : TextKeys())
            out.push_back(ZNString(s.c_str()));
        return out;
    }
};
template <>
struct KeyOf<std::string>
{
    static std::vector<std::string> Make() { return TextKeys(); }
};

// Thin adapters so the cases read the same for both map kinds.
template <typename K>
struct EngineMap
{
    ZNMap<K, INT32> m;
    void            Insert(const K& k, INT32 v) { m.Insert(k, v); }
    bool            Has(const K& k) { return m.Find(k) != nullptr; }
    void            Erase(const K& k) { m.Remove(k); }
};
template <typename K>
struct StdMap
{
    std::map<K, INT32> m;
    void               Insert(const K& k, INT32 v) { m.insert(std::make_pair(k, v)); }
    bool               Has(const K& k) { return m.find(k) != m.end(); }
    void               Erase(const K& k) { m.erase(k); }
};

template <typename Map, typename K>
void MapInsert(benchmark::State& state)
{
    std::vector<K> keys = KeyOf<K>::Make();
    for (auto _ : state)
    {
        Map map;
        for (UINT32 i = 0; i < kMapKeys; ++i)
            map.Insert(keys[i], (INT32)i);
        benchmark::DoNotOptimize(map.m);
    }
}

template <typename Map, typename K>
void MapFind(benchmark::State& state)
{
    std::vector<K> keys  = KeyOf<K>::Make();
    std::vector<K> order = Shuffled(keys);
    Map            map;
    for (UINT32 i = 0; i < kMapKeys; ++i)
        map.Insert(keys[i], (INT32)i);
    for (auto _ : state)
    {
        UINT32 hits = 0;
        for (const K& k : order)
            hits += map.Has(k);
        benchmark::DoNotOptimize(hits);
    }
}

template <typename Map, typename K>
void MapErase(benchmark::State& state)
{
    std::vector<K> keys  = KeyOf<K>::Make();
    std::vector<K> order = Shuffled(keys);
    for (auto _ : state)
    {
        state.PauseTiming();
        Map* map = new Map;
        for (UINT32 i = 0; i < kMapKeys; ++i)
            map->Insert(keys[i], (INT32)i);
        state.ResumeTiming();
        for (const K& k : order)
            map->Erase(k);
        state.PauseTiming();
        delete map;
        state.ResumeTiming();
    }
}

void EngineArrayAppend(benchmark::State& state)
{
    for (auto _ : state)
    {
        ZNPodArray<INT32> a;
        for (UINT32 i = 0; i < kArrayItems; ++i)
            a.Add((INT32)i);
        benchmark::DoNotOptimize(a.data);
    }
}
void StdArrayAppend(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::vector<INT32> a;
        for (UINT32 i = 0; i < kArrayItems; ++i)
            a.push_back((INT32)i);
        benchmark::DoNotOptimize(a.data());
    }
}

// where: 0 front, 1 middle.
template <int where>
void EngineArrayInsert(benchmark::State& state)
{
    for (auto _ : state)
    {
        ZNPodArray<INT32> a;
        for (UINT32 i = 0; i < kFrontItems; ++i)
            a.Insert(where ? a.Size() / 2 : 0, (INT32)i);
        benchmark::DoNotOptimize(a.data);
    }
}
template <int where>
void StdArrayInsert(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::vector<INT32> a;
        for (UINT32 i = 0; i < kFrontItems; ++i)
            a.insert(a.begin() + (where ? a.size() / 2 : 0), (INT32)i);
        benchmark::DoNotOptimize(a.data());
    }
}

template <typename S>
void StringAppendChars(benchmark::State& state)
{
    for (auto _ : state)
    {
        S s;
        for (UINT32 i = 0; i < kStringChars; ++i)
            s += (char)('a' + (i & 15));
        benchmark::DoNotOptimize(s);
    }
}

template <typename S>
void StringAppendPieces(benchmark::State& state)
{
    for (auto _ : state)
    {
        S s;
        for (UINT32 i = 0; i < kStringChars / 8; ++i)
            s += "Data/sky";
        benchmark::DoNotOptimize(s);
    }
}

template <typename S>
void StringCompare(benchmark::State& state)
{
    std::vector<S> strings;
    std::mt19937   rng(4);
    char           buf[64];
    for (UINT32 i = 0; i < kCompareStrings; ++i)
    {
        // A shared prefix, as paths and shader names have.
        snprintf(buf, sizeof(buf), "Data/Shaders/%s%04u.shd", (rng() & 1) ? "Voxel" : "Water",
                 (unsigned)(rng() % 3000));
        strings.push_back(S(buf));
    }
    for (auto _ : state)
    {
        UINT32 less = 0, equal = 0;
        for (UINT32 i = 0; i + 1 < kCompareStrings; ++i)
        {
            less += strings[i] < strings[i + 1];
            equal += strings[i] == strings[i + 1];
        }
        benchmark::DoNotOptimize(less);
        benchmark::DoNotOptimize(equal);
    }
}

// Cases in pairs: engine first, standard second.
struct Case
{
    const char* name;
    void (*engine)(benchmark::State&);
    void (*standard)(benchmark::State&);
};

const Case kCases[] = {
    { "map insert 100k int", MapInsert<EngineMap<INT32>, INT32>, MapInsert<StdMap<INT32>, INT32> },
    { "map find 100k int", MapFind<EngineMap<INT32>, INT32>, MapFind<StdMap<INT32>, INT32> },
    { "map erase 100k int", MapErase<EngineMap<INT32>, INT32>, MapErase<StdMap<INT32>, INT32> },
    { "map insert 100k string", MapInsert<EngineMap<ZNString>, ZNString>, MapInsert<StdMap<std::string>, std::string> },
    { "map find 100k string", MapFind<EngineMap<ZNString>, ZNString>, MapFind<StdMap<std::string>, std::string> },
    { "map erase 100k string", MapErase<EngineMap<ZNString>, ZNString>, MapErase<StdMap<std::string>, std::string> },
    { "array append 100k", EngineArrayAppend, StdArrayAppend },
    { "array insert front 20k", EngineArrayInsert<0>, StdArrayInsert<0> },
    { "array insert middle 20k", EngineArrayInsert<1>, StdArrayInsert<1> },
    { "string append 1M chars", StringAppendChars<ZNString>, StringAppendChars<std::string> },
    { "string append 125k pieces", StringAppendPieces<ZNString>, StringAppendPieces<std::string> },
    { "string compare 20k", StringCompare<ZNString>, StringCompare<std::string> },
};

// Prints as usual and keeps the median processor time per iteration of each
// case (on a shared, busy machine wall time mostly measures the neighbours).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                times[r.run_name.function_name] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}   // namespace

int main(int argc, char** argv)
{
    for (const Case& c : kCases)
    {
        benchmark::RegisterBenchmark((std::string("engine/") + c.name).c_str(), c.engine)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->DisplayAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("std/") + c.name).c_str(), c.standard)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->DisplayAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    printf("\n%-28s %14s %14s %8s\n", "case", "engine us", "std us", "ratio");
    int slow = 0;
    for (const Case& c : kCases)
    {
        auto e = reporter.times.find(std::string("engine/") + c.name);
        auto s = reporter.times.find(std::string("std/") + c.name);
        if (e == reporter.times.end() || s == reporter.times.end() || s->second <= 0)
            continue;
        double ratio = e->second / s->second;
        if (ratio > 1.25)
            ++slow;
        printf("%-28s %14.1f %14.1f %7.2fx%s\n", c.name, e->second, s->second, ratio, ratio > 1.25 ? "  SLOW" : "");
    }
    printf("%d case(s) above 1.25x\n", slow);
    benchmark::Shutdown();
    return 0;
}
