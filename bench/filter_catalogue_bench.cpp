#include "BenchImages.h"
#include "render/FilterCatalogue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace velmaris {
namespace {

// Every catalogue entry at its defaults on one 4000 × 3000 photo-like image, after a copy of its
// bytes into an existing buffer: the floor a point filter is measured against.
void registerCatalogue()
{
    static const Bitmap photo = bench::photoLikeBitmap(4000, 3000);
    benchmark::RegisterBenchmark("memcpyBaseline", [](benchmark::State& state) {
        std::vector<std::uint8_t> target(std::size_t(photo.byteCount()));
        for (auto _ : state) {
            std::memcpy(target.data(), photo.bits(), target.size());
            benchmark::DoNotOptimize(target.data());
        }
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const FilterDescriptor& descriptor : filterCatalogue()) {
        benchmark::RegisterBenchmark(descriptor.identifier.toStdString().c_str(),
                                     [&descriptor](benchmark::State& state) {
                                         const FilterInstance instance = FilterInstance::withDefaults(descriptor);
                                         for (auto _ : state)
                                             benchmark::DoNotOptimize(instance.apply(photo));
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(2);
    }
}

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    velmaris::registerCatalogue();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
