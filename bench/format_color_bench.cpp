// FormatColor per output format, over a spread of colours so no single text is cached by luck.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "color/color_format.h"

namespace {

void BM_FormatColor(benchmark::State& state) {
  const auto format = static_cast<pigmora::OutputFormat>(state.range(0));
  pigmora::ColorValue color = 0;
  for (auto _ : state) {
    auto text = pigmora::FormatColor(color, format);
    benchmark::DoNotOptimize(text);
    // A large odd step visits every colour in a scattered order.
    color = (color + 2654435) & 0xFFFFFF;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(pigmora::FormatColor(0, format) ? "" : "no text");
}

BENCHMARK(BM_FormatColor)->DenseRange(0, pigmora::kFormatCount - 1)->ArgName("format");

void BM_TwoDecimalText(benchmark::State& state) {
  float channel = 0;
  for (auto _ : state) {
    auto text = pigmora::TwoDecimalText(channel);
    benchmark::DoNotOptimize(text);
    channel = channel >= 255.0f ? 0.0f : channel + 1.0f;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_TwoDecimalText);

}  // namespace
