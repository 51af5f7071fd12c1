// Ice and Candle at their defaults: a final rendering of 1024 x 768, a step, its streaming bound
// and a running preview at 245 x 250 (see field_bench.h); and the page faults of fresh fields.
#include "bench/field_bench.h"
#include "effects/ice/ice_engine.h"

namespace zar {
namespace {

using testing::IceModule;

void FinalRendering(benchmark::State& state, const PluginTable* table) {
  bench::Final<IceModule>(state, table->defaults);
}

void Step(benchmark::State& state, const PluginTable* table) {
  float wobblePhase = 0;
  bench::Step(state, table->defaults,
              [&](const FieldStepArgs& args) { IceStepField(args, wobblePhase); });
}

// A step is the directional pass and the disc feeding, which reads the sources.
void Bound(benchmark::State& state, const PluginTable*) { bench::Bound(state, 1, 1); }

void RunningPreview(benchmark::State& state, const PluginTable* table) {
  bench::Preview<IceModule>(state, table->defaults);
}

BENCHMARK_CAPTURE(FinalRendering, ice, &kIceTable)->Name("Final/ice")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FinalRendering, candle, &kCandleTable)
    ->Name("Final/candle")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Step, ice, &kIceTable)->Name("Step/ice")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Step, candle, &kCandleTable)->Name("Step/candle")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bound, ice, &kIceTable)->Name("Bound/ice")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bound, candle, &kCandleTable)->Name("Bound/candle")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunningPreview, ice, &kIceTable)
    ->Name("Preview/ice")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunningPreview, candle, &kCandleTable)
    ->Name("Preview/candle")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
// The fields a rendering at these defaults touches (sources and main field), and all four.
BENCHMARK(bench::PageFaults)->Name("PageFaults")->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zar

int main(int argc, char** argv) { return zar::bench::Main(argc, argv); }
