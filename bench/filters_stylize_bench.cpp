#include "render/filters/CmykHalftone.h"
#include "render/filters/ComicEffect.h"
#include "render/filters/Crystallize.h"
#include "render/filters/Pixellate.h"
#include "render/filters/RadialDistortions.h"
#include "render/filters/Screens.h"
#include "render/filters/TriangleKaleidoscope.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <numbers>

namespace velmaris {
namespace {

// Each filter at its catalogue defaults on a 4000 × 3000 photo: centres at the midpoint, radii and
// sizes relative to the short side, angles from degrees.
const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000);
    return image;
}

constexpr double kDegree = std::numbers::pi / 180;
const QPointF kCentre(2000, 1500);
constexpr double kShortSide = 3000;

template <typename Filter>
void run(benchmark::State& state, Filter filter)
{
    const Bitmap& input = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(filter(input));
    state.SetLabel("4000x3000");
}

void pixellate(benchmark::State& s) { run(s, [](const Bitmap& b) { return pixellateFilter(b, 8); }); }
void hexagonalPixellate(benchmark::State& s) { run(s, [](const Bitmap& b) { return hexagonalPixellateFilter(b, 8); }); }
void crystallize(benchmark::State& s) { run(s, [](const Bitmap& b) { return crystallizeFilter(b, 20); }); }
void pointillize(benchmark::State& s) { run(s, [](const Bitmap& b) { return pointillizeFilter(b, 20); }); }
void dotScreen(benchmark::State& s) { run(s, [](const Bitmap& b) { return dotScreenFilter(b, kCentre, 0, 6, 0.7); }); }
void cmykHalftone(benchmark::State& s) { run(s, [](const Bitmap& b) { return cmykHalftoneFilter(b, kCentre, 25); }); }
void lineScreen(benchmark::State& s) { run(s, [](const Bitmap& b) { return lineScreenFilter(b, kCentre, 0, 25); }); }
void hatchedScreen(benchmark::State& s) { run(s, [](const Bitmap& b) { return hatchedScreenFilter(b, kCentre, 0, 25); }); }
void comic(benchmark::State& s) { run(s, [](const Bitmap& b) { return comicEffectFilter(b); }); }
void twirl(benchmark::State& s)
{
    run(s, [](const Bitmap& b) { return twirlFilter(b, kCentre, 0.3 * kShortSide, 90 * kDegree); });
}
void pinch(benchmark::State& s) { run(s, [](const Bitmap& b) { return pinchFilter(b, kCentre, 0.3 * kShortSide, 0.5); }); }
void bump(benchmark::State& s) { run(s, [](const Bitmap& b) { return bumpFilter(b, kCentre, 0.3 * kShortSide, 0.5); }); }
void vortex(benchmark::State& s)
{
    run(s, [](const Bitmap& b) { return vortexFilter(b, kCentre, 0.4 * kShortSide, 700 * kDegree); });
}
void kaleidoscope(benchmark::State& s)
{
    run(s, [](const Bitmap& b) { return triangleKaleidoscopeFilter(b, kCentre, 0.4 * kShortSide, 0, 0.85); });
}

BENCHMARK(pixellate)->Unit(benchmark::kMillisecond);
BENCHMARK(hexagonalPixellate)->Unit(benchmark::kMillisecond);
BENCHMARK(crystallize)->Unit(benchmark::kMillisecond);
BENCHMARK(pointillize)->Unit(benchmark::kMillisecond);
BENCHMARK(dotScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(cmykHalftone)->Unit(benchmark::kMillisecond);
BENCHMARK(lineScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(hatchedScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(comic)->Unit(benchmark::kMillisecond);
BENCHMARK(twirl)->Unit(benchmark::kMillisecond);
BENCHMARK(pinch)->Unit(benchmark::kMillisecond);
BENCHMARK(bump)->Unit(benchmark::kMillisecond);
BENCHMARK(vortex)->Unit(benchmark::kMillisecond);
BENCHMARK(kaleidoscope)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
