#include "render/GaussianBlur.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <string_view>

namespace velmaris {
namespace {

void gaussianBlurPhoto(benchmark::State& state)
{
    static const Bitmap photo = bench::photoLikeBitmap(4000, 3000);
    const double sigma = double(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto image = BitmapBuilder::copyOf(photo);
        state.ResumeTiming();
        gaussianBlur(*image, sigma, BlurEdge::clamp);
        benchmark::DoNotOptimize(image->row(0));
    }
    state.SetBytesProcessed(state.iterations() * photo.byteCount());
}
BENCHMARK(gaussianBlurPhoto)->Arg(2)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

// --write-photo=FILE saves the benchmark image instead, so compare-vips.sh can time vips on the
// same pixels.
int main(int argc, char** argv)
{
    constexpr std::string_view writeOption = "--write-photo=";
    if (argc == 2 && std::string_view(argv[1]).starts_with(writeOption)) {
        const QString path = QString::fromLocal8Bit(argv[1] + writeOption.size());
        return velmaris::bench::photoLikeBitmap(4000, 3000).image().save(path) ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
