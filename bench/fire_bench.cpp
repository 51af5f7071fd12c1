// Fire and Cryo at their defaults (Fire also at viscosity 254, which damps instead of
// flickering): a final rendering of 1024 x 768, a step, its streaming bound and a running preview
// at 245 x 250 (see field_bench.h).
#include "bench/field_bench.h"
#include "effects/fire/fire_engine.h"
#include "tests/fire/fire_runs.h"

namespace zar {
namespace {

using testing::FireModule;

WorkingParameters WithViscosity(const PluginTable* table, int viscosity) {
  WorkingParameters p = table->defaults;
  if (viscosity >= 0) p.viscosity = uint8_t(viscosity);
  return p;
}

void FinalRendering(benchmark::State& state, const PluginTable* table, int viscosity) {
  bench::Final<FireModule>(state, WithViscosity(table, viscosity));
}

void Step(benchmark::State& state, const PluginTable* table, int viscosity) {
  bench::Step(state, WithViscosity(table, viscosity),
              [](const FieldStepArgs& args) { FireStepField(args); });
}

// A step is the directional pass, the blobs (which read the sources) and the pass inside the
// sources.
void Bound(benchmark::State& state, const PluginTable*, int) { bench::Bound(state, 1, 2); }

void RunningPreview(benchmark::State& state, const PluginTable* table, int viscosity) {
  bench::Preview<FireModule>(state, WithViscosity(table, viscosity));
}

#define ZAR_FIRE_BENCHMARKS(label, table, viscosity)         \
  BENCHMARK_CAPTURE(FinalRendering, label, table, viscosity) \
      ->Name("Final/" #label)                               \
      ->Unit(benchmark::kMillisecond);                      \
  BENCHMARK_CAPTURE(Step, label, table, viscosity)           \
      ->Name("Step/" #label)                                \
      ->Unit(benchmark::kMicrosecond);                      \
  BENCHMARK_CAPTURE(Bound, label, table, viscosity)          \
      ->Name("Bound/" #label)                               \
      ->Unit(benchmark::kMicrosecond);                      \
  BENCHMARK_CAPTURE(RunningPreview, label, table, viscosity) \
      ->Name("Preview/" #label)                             \
      ->UseManualTime()                                     \
      ->Iterations(1)                                       \
      ->Unit(benchmark::kMillisecond)

ZAR_FIRE_BENCHMARKS(fire, &kFireTable, -1);
ZAR_FIRE_BENCHMARKS(cryo, &kCryoTable, -1);
ZAR_FIRE_BENCHMARKS(fire_viscosity_254, &kFireTable, 254);

}  // namespace
}  // namespace zar

int main(int argc, char** argv) { return zar::bench::Main(argc, argv); }
