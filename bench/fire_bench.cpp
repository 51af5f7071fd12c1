// Fire and Cryo: a final rendering at the defaults on 1024 x 768 (viscosity 255 flickers with a
// draw per cell, 254 damps), and one call of a running preview on 245 x 250.
#include <benchmark/benchmark.h>

#include "framework/plugin_spec.h"
#include "tests/fire/fire_runs.h"

namespace zar {
namespace {

using testing::FireModule;
using testing::FrameOf;
using testing::Image;

void FinalRendering(benchmark::State& state, const PluginSpec& spec, int viscosity) {
  const Image in = testing::StructuredPicture(1024, 768);
  Image out = testing::OutputFor(in);
  WorkingParameters params = spec.defaults;
  params.viscosity = uint8_t(viscosity);
  for (auto _ : state) {
    FireModule m;
    m.Run(FrameOf(in, out), params, params.iterations);
    benchmark::DoNotOptimize(out.pixels.data());
  }
  // Per cell of the field and simulation step.
  state.counters["per_cell_step"] = benchmark::Counter(
      double(1024 + 4) * (768 + 5) * params.iterations,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunningPreview(benchmark::State& state, const PluginSpec& spec) {
  const Image in = testing::StructuredPicture(245, 250);
  Image out = testing::OutputFor(in);
  const WorkingParameters params = spec.defaults;
  FireModule m;
  m.module.previewState = 2;
  m.Run(FrameOf(in, out), params, 1);
  for (auto _ : state) {
    m.Run(FrameOf(in, out), params, 1);
    benchmark::DoNotOptimize(out.pixels.data());
  }
  // One preview step is three simulation steps.
  state.counters["per_cell_step"] = benchmark::Counter(
      double(245 + 4) * (250 + 5) * 3,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(FinalRendering, fire_1024x768_viscosity_255, kFireSpec, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FinalRendering, fire_1024x768_viscosity_254, kFireSpec, 254)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FinalRendering, cryo_1024x768, kCryoSpec, 254)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunningPreview, fire_245x250, kFireSpec)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunningPreview, cryo_245x250, kCryoSpec)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zar

BENCHMARK_MAIN();
