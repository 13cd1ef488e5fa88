#include "document/HistoryManager.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

// 50 entries of a 10-layer document where each edit replaced one layer's bitmap.
HistoryManager historyOfTenLayers()
{
    CanvasState state;
    state.size = QSizeF(64, 64);
    for (int i = 0; i < 10; ++i) {
        Layer layer;
        layer.content = std::move(*BitmapBuilder::create(64, 64)).build();
        state.layers.append(layer);
    }
    HistoryManager history(50);
    history.reset(QStringLiteral("New"), state);
    for (int i = 1; i < 50; ++i) {
        state.layers[i % 10].content = std::move(*BitmapBuilder::create(64, 64)).build();
        history.push(QStringLiteral("Edit"), state);
    }
    return history;
}

void estimatedMemoryOfFiftyEntries(benchmark::State& state)
{
    const HistoryManager history = historyOfTenLayers();
    for (auto _ : state)
        benchmark::DoNotOptimize(history.estimatedMemoryBytes());
    state.SetLabel("50 entries x 10 layers");
}
BENCHMARK(estimatedMemoryOfFiftyEntries)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
