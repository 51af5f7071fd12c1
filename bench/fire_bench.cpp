// Fire and Cryo at their defaults (Fire also at viscosity 254, which damps instead of
// flickering): a final rendering of 1024 x 768, a step, its streaming bound and a running preview
// at 245 x 250 (see field_bench.h).
#include "bench/field_bench.h"
#include "effects/fire/fire_engine.h"
#include "tests/fire/fire_runs.h"

namespace zar {
namespace {

using testing::FireModule;

WorkingParameters WithViscosity(const PluginSpec* spec, int viscosity) {
  WorkingParameters p = spec->defaults;
  if (viscosity >= 0) p.viscosity = uint8_t(viscosity);
  return p;
}

void FinalRendering(benchmark::State& state, const PluginSpec* spec, int viscosity) {
  bench::Final<FireModule>(state, WithViscosity(spec, viscosity));
}

void Step(benchmark::State& state, const PluginSpec* spec, int viscosity) {
  bench::Step(state, WithViscosity(spec, viscosity),
              [](const FieldStepArgs& args) { FireStepField(args); });
}

// A step is the directional pass, the blobs (which read the sources) and the pass inside the
// sources.
void Bound(benchmark::State& state, const PluginSpec*, int) { bench::Bound(state, 1, 2); }

void RunningPreview(benchmark::State& state, const PluginSpec* spec, int viscosity) {
  bench::Preview<FireModule>(state, WithViscosity(spec, viscosity));
}

#define ZAR_FIRE_BENCHMARKS(label, spec, viscosity)         \
  BENCHMARK_CAPTURE(FinalRendering, label, spec, viscosity) \
      ->Name("Final/" #label)                               \
      ->Unit(benchmark::kMillisecond);                      \
  BENCHMARK_CAPTURE(Step, label, spec, viscosity)           \
      ->Name("Step/" #label)                                \
      ->Unit(benchmark::kMicrosecond);                      \
  BENCHMARK_CAPTURE(Bound, label, spec, viscosity)          \
      ->Name("Bound/" #label)                               \
      ->Unit(benchmark::kMicrosecond);                      \
  BENCHMARK_CAPTURE(RunningPreview, label, spec, viscosity) \
      ->Name("Preview/" #label)                             \
      ->UseManualTime()                                     \
      ->Iterations(1)                                       \
      ->Unit(benchmark::kMillisecond)

ZAR_FIRE_BENCHMARKS(fire, &kFireSpec, -1);
ZAR_FIRE_BENCHMARKS(cryo, &kCryoSpec, -1);
ZAR_FIRE_BENCHMARKS(fire_viscosity_254, &kFireSpec, 254);

}  // namespace
}  // namespace zar

int main(int argc, char** argv) { return zar::bench::Main(argc, argv); }
