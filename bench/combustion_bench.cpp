// The Combustion engine at its defaults ("Blend", phase 25): a final rendering of a 1024 x 768
// picture and a preview-sized 245 x 250 one, and the propagation sweep on its own. Besides the
// time per picture each reports the time per field cell per propagation sweep.
#include <benchmark/benchmark.h>

#include <cmath>

#include "effects/combustion/combustion.h"
#include "platform/posix/module_strings.h"
#include "tests/support/image.h"

// This program is no plug-in module: it has no string table.
const char* zar::platform::ModuleString(unsigned) { return nullptr; }

namespace {

using zar::testing::Image;

zar::WorkingParameters CombustionDefaults() {
  zar::WorkingParameters p{};
  p.oxygen = 6;
  p.gravity = 10;
  p.viscosity = 254;
  p.fuel = 13;
  p.phase = 25;
  p.rampPosition1 = 85;
  p.rampPosition2 = 171;
  p.alpha = 200;
  p.rampColors[0] = 0xFFFFFF;
  p.rampColors[1] = 0x00FFFF;
  p.rampColors[2] = 0x0000FF;
  return p;
}

void Render(benchmark::State& state, int width, int height) {
  const Image source = zar::testing::StructuredPicture(width, height, 3);
  Image out(width, height, 3);
  zar::FrameView frame;
  frame.in = source.pixels.data();
  frame.inRowBytes = source.rowBytes;
  frame.out = out.pixels.data();
  frame.outRowBytes = out.rowBytes;
  frame.width = width;
  frame.height = height;
  frame.planes = 3;
  frame.imageMode = 3;
  const zar::WorkingParameters params = CombustionDefaults();
  zar::ColorRamp ramp{};
  zar::Rng rng;
  for (auto _ : state) {
    zar::combustion::RunCombustion(frame, params, ramp, rng);
    benchmark::DoNotOptimize(out.pixels.data());
    benchmark::ClobberMemory();
  }
  // "Blend" runs two phases of n + 1 steps with two sweeps each.
  const float m = zar::combustion::PhaseFactor(params.effectMode, params.phase);
  const double n = 10 + std::trunc(0.5 * height * m);
  const double sweeps = 4 * (n + 1);
  const double cells = double(width + 4) * double(height + 5);
  state.counters["sweeps"] = sweeps;
  state.counters["per_cell_sweep"] = benchmark::Counter(
      cells * sweeps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FinalRender1024x768(benchmark::State& state) { Render(state, 1024, 768); }
void BM_PreviewRender245x250(benchmark::State& state) { Render(state, 245, 250); }

void BM_PropagateFlames(benchmark::State& state) {
  zar::combustion::HeatField field;
  if (!zar::combustion::AllocateHeatField(field, 1024, 768)) {
    state.SkipWithError("no field");
    return;
  }
  for (size_t i = 0; i < field.bytes; ++i) field.cells[i] = uint8_t(i * 2654435761u >> 24);
  zar::combustion::FlameSettings settings;
  settings.oxygen = 6;
  settings.gravity = 10;
  settings.flameDirection = uint8_t(state.range(0));
  zar::Rng rng;
  for (auto _ : state) {
    zar::combustion::PropagateFlames(field, settings, rng);
    benchmark::ClobberMemory();
  }
  state.counters["per_cell"] =
      benchmark::Counter(double(field.bytes), benchmark::Counter::kIsIterationInvariantRate |
                                                  benchmark::Counter::kInvert);
  zar::combustion::ReleaseHeatField(field);
}

}  // namespace

BENCHMARK(BM_FinalRender1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRender245x250)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PropagateFlames)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
