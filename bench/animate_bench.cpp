// The frame rate of `zar animate`'s live-preview frames: one preview tick of Ice, Candle, Fire and
// Cryo at their defaults on the fields kept from the tick before, as the dialog stand-in runs it
// for every frame, at 640 x 480 and 1920 x 1080 (the preview unreduced). Reported as
// Animate/<plug-in>/<size> with the counter fps (frames a second of CPU time); copying the
// frame out and encoding the animation come on top.
#include <benchmark/benchmark.h>

#include "effects/palette/palette.h"
#include "settings/plugin_table.h"
#include "tests/fire/fire_runs.h"
#include "tests/ice/engine_runs.h"
#include "tests/support/image.h"

namespace zar {
namespace {

template <typename Module>
void Tick(benchmark::State& state, const PluginTable* table, int width, int height) {
  const WorkingParameters& w = table->defaults;
  const testing::Image in = testing::StructuredPicture(width, height);
  testing::Image out = in;
  Module m;
  BuildColorRamp(m.module.colorRamp, w.rampColors[0] & 0xFFFFFF, w.rampColors[1] & 0xFFFFFF,
                 w.rampColors[2] & 0xFFFFFF, w.rampColors[3] & 0xFFFFFF, w.rampPosition1,
                 w.rampPosition2);
  m.module.previewState = 2;
  m.Run(testing::FrameOf(in, out), w, 1);  // the first frame also makes the fields
  for (auto _ : state) {
    m.Run(testing::FrameOf(in, out), w, 1);
    benchmark::DoNotOptimize(out.pixels.data());
    benchmark::ClobberMemory();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

template <typename Module>
void Register(const PluginTable* table) {
  for (auto [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}}) {
    const std::string name = "Animate/" + std::string(table->name) + "/" + std::to_string(width) +
                             "x" + std::to_string(height);
    benchmark::RegisterBenchmark(name.c_str(), [table, width, height](benchmark::State& state) {
      Tick<Module>(state, table, width, height);
    })->Unit(benchmark::kMillisecond);
  }
}

}  // namespace
}  // namespace zar

int main(int argc, char** argv) {
  using namespace zar;
  Register<testing::IceModule>(&kIceTable);
  Register<testing::IceModule>(&kCandleTable);
  Register<testing::FireModule>(&kFireTable);
  Register<testing::FireModule>(&kCryoTable);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
