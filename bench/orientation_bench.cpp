#include "render/Orientation.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace velmaris {
namespace {

const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000);
    return image;
}

// The floor: copying the same bytes.
void copyBytes(benchmark::State& state)
{
    std::vector<std::uint8_t> target(std::size_t(photo().byteCount()));
    for (auto _ : state) {
        std::memcpy(target.data(), photo().bits(), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(copyBytes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same into freshly allocated memory, as every new bitmap is.
void copyBytesToNewMemory(benchmark::State& state)
{
    for (auto _ : state) {
        auto target = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(photo().byteCount()));
        std::memcpy(target.get(), photo().bits(), std::size_t(photo().byteCount()));
        benchmark::DoNotOptimize(target.get());
    }
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(copyBytesToNewMemory)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void rotateQuarterTurn(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(rotatedQuarterTurns(photo(), int(state.range(0))));
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(rotateQuarterTurn)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void mirror(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(mirrored(photo(), state.range(0) != 0, state.range(0) == 0));
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(mirror)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
