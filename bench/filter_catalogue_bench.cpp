#include "BenchImages.h"
#include "render/FilterCatalogue.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

// Every catalogue entry at its defaults on one 4000 × 3000 photo-like image.
void registerCatalogue()
{
    static const Bitmap photo = bench::photoLikeBitmap(4000, 3000);
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
