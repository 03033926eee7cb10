// PNG decoding and mip resampling throughput of the engine's image code, against
// libpng's own simplified read API decoding the same file in the same run.
//
//   bench_png [file.png] [benchmark flags]
//
// Without a file, a 1024 x 1024 RGBA picture (smooth colour ramps with noise,
// compressed at level 9 like the mip cache) is made in memory. Besides Google
// Benchmark's table, the program times the pairs itself at the end and prints
// megapixels per second and the ratio engine / libpng.
#include "resources/ZNImage.h"
#include "files/ZNFileIO.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <time.h>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace
{

ZNPodArray<UINT8> GFile;
UINT32            GWidth = 0, GHeight = 0;

void MakeFile(const char* path)
{
    if (path && ReadFileToArray(path, GFile))
    {
        ZNImage probe;
        if (LoadPngFromMemory(GFile.Data(), GFile.Size(), probe))
        {
            GWidth  = probe.Width;
            GHeight = probe.Height;
            return;
        }
        fprintf(stderr, "%s is not a PNG the engine decodes; using the built-in picture\n", path);
    }
    ZNImage image;
    image.Resize(1024, 1024, 1, 1);
    UINT32 seed = 12345;
    for (UINT32 y = 0; y < 1024; ++y)
        for (UINT32 x = 0; x < 1024; ++x)
        {
            seed         = seed * 1664525u + 1013904223u;
            UINT32 noise = (seed >> 24) & 15;
            image.Pixel(x, y) =
                ((x / 4 + noise) & 255) | (((y / 4 + noise) & 255) << 8) | ((((x + y) / 8) & 255) << 16) | (255u << 24);
        }
    EncodePngToArray(image, GFile, ImageFileType_Png);
    GWidth  = 1024;
    GHeight = 1024;
}

bool EngineDecode(TextureImage& image)
{
    return LoadPngFromMemory(GFile.Data(), GFile.Size(), image);
}

// Decode, then the whole mip chain the texture loader builds.
bool EngineDecodeAndChain(TextureImage& image)
{
    if (!EngineDecode(image))
        return false;
    UINT32 w = image.Width, h = image.Height;
    while (w > 1 || h > 1)
    {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        ResizeImage(image, w, h, 1);
    }
    return true;
}

bool LibpngDecode(std::vector<UINT8>& pixels)
{
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, GFile.Data(), GFile.Size()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

void SetRate(benchmark::State& state)
{
    state.counters["MPix/s"] =
        benchmark::Counter((double)GWidth * GHeight * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_EngineDecode(benchmark::State& state)
{
    TextureImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(EngineDecode(image));
    SetRate(state);
}
BENCHMARK(BM_EngineDecode)->Unit(benchmark::kMillisecond);

void BM_EngineDecodeAndMipChain(benchmark::State& state)
{
    TextureImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(EngineDecodeAndChain(image));
    SetRate(state);
}
BENCHMARK(BM_EngineDecodeAndMipChain)->Unit(benchmark::kMillisecond);

void BM_LibpngSimplifiedDecode(benchmark::State& state)
{
    std::vector<UINT8> pixels;
    for (auto _ : state)
        benchmark::DoNotOptimize(LibpngDecode(pixels));
    SetRate(state);
}
BENCHMARK(BM_LibpngSimplifiedDecode)->Unit(benchmark::kMillisecond);

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Best of several rounds, megapixels per second of this process's CPU time
// (the machines are shared: wall time counts other people's work).
template <class F>
double Rate(F f)
{
    double best = 0.0;
    for (int round = 0; round < 5; ++round)
    {
        const int n     = 5;
        double    start = CpuSeconds();
        for (int i = 0; i < n; ++i)
            f();
        double s    = CpuSeconds() - start;
        double rate = (double)GWidth * GHeight * n / s / 1e6;
        if (rate > best)
            best = rate;
    }
    return best;
}

}   // namespace

int main(int argc, char** argv)
{
    const char* path = (argc > 1 && argv[1][0] != '-') ? argv[1] : nullptr;
    MakeFile(path);
    if (GFile.Size() == 0)
    {
        fprintf(stderr, "no picture to decode\n");
        return 1;
    }
    std::vector<UINT8> check;
    TextureImage       engine;
    if (!LibpngDecode(check) || !EngineDecode(engine) || memcmp(check.data(), engine.GetData(), check.size()) != 0)
    {
        fprintf(stderr, "engine and libpng decode the picture differently\n");
        return 1;
    }
    printf("picture: %u x %u, %u bytes of PNG\n", GWidth, GHeight, GFile.Size());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    TextureImage       image;
    std::vector<UINT8> pixels;
    double             eng   = Rate([&] { EngineDecode(image); });
    double             chain = Rate([&] { EngineDecodeAndChain(image); });
    double             ref   = Rate([&] { LibpngDecode(pixels); });
    printf("\n%-34s %10s %8s\n", "same run, best of 5, CPU time", "MPix/s", "ratio");
    printf("%-34s %10.1f %8s\n", "libpng simplified read (reference)", ref, "1.00");
    printf("%-34s %10.1f %8.2f\n", "engine decode", eng, eng / ref);
    printf("%-34s %10.1f %8.2f\n", "engine decode + full mip chain", chain, chain / ref);
    return 0;
}
