// Ice and Candle: a final rendering at the defaults on 1024 x 768, and one call of a running
// preview on 245 x 250 (the dialog's preview size).
#include <benchmark/benchmark.h>

#include "framework/plugin_spec.h"
#include "tests/ice/engine_runs.h"

namespace zar {
namespace {

using testing::FrameOf;
using testing::IceModule;
using testing::Image;

void FinalRendering(benchmark::State& state, const PluginSpec& spec) {
  const Image in = testing::StructuredPicture(1024, 768);
  Image out = testing::OutputFor(in);
  const WorkingParameters params = spec.defaults;
  for (auto _ : state) {
    IceModule m;
    m.Run(FrameOf(in, out), params, params.iterations);
    benchmark::DoNotOptimize(out.pixels.data());
  }
  // Per cell of the field and simulation step.
  const double cellSteps = double(1024 + 4) * (768 + 5) * params.iterations;
  state.counters["per_cell_step"] = benchmark::Counter(
      cellSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunningPreview(benchmark::State& state, const PluginSpec& spec) {
  const Image in = testing::StructuredPicture(245, 250);
  Image out = testing::OutputFor(in);
  const WorkingParameters params = spec.defaults;
  IceModule m;
  m.module.previewState = 2;
  m.Run(FrameOf(in, out), params, 1);
  for (auto _ : state) {
    m.Run(FrameOf(in, out), params, 1);
    benchmark::DoNotOptimize(out.pixels.data());
  }
  // One preview step is three simulation steps.
  const double cellSteps = double(245 + 4) * (250 + 5) * 3;
  state.counters["per_cell_step"] = benchmark::Counter(
      cellSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(FinalRendering, ice_1024x768, kIceSpec)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FinalRendering, candle_1024x768, kCandleSpec)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunningPreview, ice_245x250, kIceSpec)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunningPreview, candle_245x250, kCandleSpec)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zar

BENCHMARK_MAIN();
