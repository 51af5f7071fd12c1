// The Combustion engine at its defaults ("Blend", phase 25) on the structured picture: a final
// rendering at 1024 x 768, a steady preview call at 245 x 250, the propagation sweep on its own in
// every direction, and the cost of a fresh field's pages.
//
// A simulation step of this engine is one propagation sweep ("Blend" runs two per step, in two
// phases). Each rendering reports, besides its time (times in seconds):
//   per_cell_sweep        CPU time per field cell ((W + 4) x (H + 5)) per sweep;
//   bound_per_cell_sweep  the streaming bound measured in the same run: a sweep's pass structure
//                         (one in-place pass over the field, every byte read and written once) run
//                         as a plain memory stream over a buffer of the field's size;
//   ratio                 the two divided;
//   faults                page faults per rendering (the field's fresh pages).
// The preview call is also reported as the minimum over all calls after the first (min,
// min_per_cell_sweep, min_ratio). The _sse2 variants use the SSE2 sweep kernels every x86
// processor has; the others the engine's own choice (AVX2 where the processor has it).
#include <benchmark/benchmark.h>
#include <emmintrin.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "effects/combustion/combustion.h"
#include "effects/combustion/propagate.h"
#include "tests/support/image.h"


namespace {

using zar::combustion::HeatField;
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

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

long PageFaults() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}

// One in-place pass over a field: every byte read and written back once, 64 bytes at a time.
void StreamPass(uint8_t* cells, size_t bytes) {
  const __m128i one = _mm_set1_epi8(1);
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    __m128i* p = reinterpret_cast<__m128i*>(cells + i);
    const __m128i a = _mm_loadu_si128(p), b = _mm_loadu_si128(p + 1);
    const __m128i c = _mm_loadu_si128(p + 2), d = _mm_loadu_si128(p + 3);
    _mm_storeu_si128(p, _mm_add_epi8(a, one));
    _mm_storeu_si128(p + 1, _mm_add_epi8(b, one));
    _mm_storeu_si128(p + 2, _mm_add_epi8(c, one));
    _mm_storeu_si128(p + 3, _mm_add_epi8(d, one));
  }
  for (; i < bytes; ++i) ++cells[i];
}

// The streaming bound in seconds per cell and pass over a buffer of the field's size for a W x H
// picture: the median of 41 timings of enough passes to stream 8 MB (the machines are shared: a
// median is steadier than a mean or a minimum).
double StreamBound(int W, int H) {
  HeatField field;
  if (!zar::combustion::AllocateHeatField(field, W, H)) return 0;
  StreamPass(field.cells, field.bytes);  // fault the pages in
  const int passes = int(std::max<size_t>(1, (size_t(8) << 20) / field.bytes));
  std::vector<double> times(41);
  for (double& t : times) {
    const double start = ThreadSeconds();
    for (int i = 0; i < passes; ++i) {
      StreamPass(field.cells, field.bytes);
      benchmark::ClobberMemory();
    }
    t = (ThreadSeconds() - start) / passes;
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  const double cells = double(field.bytes);
  zar::combustion::ReleaseHeatField(field);
  return times[times.size() / 2] / cells;
}

// "Blend" runs two phases of n + 1 steps with two sweeps each.
double SweepsPerRender(const zar::WorkingParameters& params, int height) {
  const float m = zar::combustion::PhaseFactor(params.effectMode, params.phase);
  const double n = 10 + std::trunc(0.5 * height * m);
  return 4 * (n + 1);
}

// A counter of CPU time per iteration divided by `per`.
benchmark::Counter CpuTimeOver(double per) {
  return benchmark::Counter(
      per, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Render(benchmark::State& state, int width, int height, bool preview) {
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
  // As in a host: the engine asks whether to stop at every step.
  frame.abort = [](void*) { return false; };
  const zar::WorkingParameters params = CombustionDefaults();
  zar::ColorRamp ramp{};
  zar::Rng rng;
  const double sweeps = SweepsPerRender(params, height);
  const double cells = double(width + 4) * double(height + 5);
  const double bound = StreamBound(width, height);

  // A preview is a call of a running dialog: the first one is not counted.
  if (preview) zar::combustion::RunCombustion(frame, params, ramp, rng);
  double fastest = 1e30, total = 0;
  const long faultsBefore = PageFaults();
  for (auto _ : state) {
    const double start = ThreadSeconds();
    zar::combustion::RunCombustion(frame, params, ramp, rng);
    benchmark::DoNotOptimize(out.pixels.data());
    benchmark::ClobberMemory();
    const double seconds = ThreadSeconds() - start;
    fastest = std::min(fastest, seconds);
    total += seconds;
  }
  const long faults = PageFaults() - faultsBefore;
  const double mean = total / double(std::max<benchmark::IterationCount>(state.iterations(), 1));

  state.counters["sweeps"] = sweeps;
  state.counters["per_cell_sweep"] = CpuTimeOver(cells * sweeps);
  state.counters["bound_per_cell_sweep"] = bound;
  state.counters["ratio"] = mean / (cells * sweeps * bound);
  state.counters["faults"] = benchmark::Counter(double(faults), benchmark::Counter::kAvgIterations);
  if (preview) {
    state.counters["min"] = fastest;
    state.counters["min_per_cell_sweep"] = fastest / (cells * sweeps);
    state.counters["min_ratio"] = fastest / (cells * sweeps * bound);
  }
}

// The engine's own choice of sweep kernels, and the SSE2 ones every x86 processor has.
using zar::simd::Isa;

void RenderWith(benchmark::State& state, int width, int height, bool preview, Isa isa) {
  if (!zar::simd::IsaAvailable(isa)) {
    state.SkipWithError("kernels not available");
    return;
  }
  zar::simd::UseIsa(isa);
  Render(state, width, height, preview);
  zar::simd::UseIsa(zar::simd::BestIsa());
}

const Isa kBest = zar::simd::BestIsa();

void BM_FinalRender1024x768(benchmark::State& state) { RenderWith(state, 1024, 768, false, kBest); }
void BM_PreviewRender245x250(benchmark::State& state) { RenderWith(state, 245, 250, true, kBest); }
void BM_FinalRender1024x768_sse2(benchmark::State& state) {
  RenderWith(state, 1024, 768, false, Isa::kSse2);
}
void BM_PreviewRender245x250_sse2(benchmark::State& state) {
  RenderWith(state, 245, 250, true, Isa::kSse2);
}

// One sweep in each flameDirection over a 1024 x 768 field of noise.
void BM_PropagateFlames(benchmark::State& state) {
  HeatField field;
  if (!zar::combustion::AllocateHeatField(field, 1024, 768)) {
    state.SkipWithError("no field");
    return;
  }
  for (size_t i = 0; i < field.bytes; ++i) field.cells[i] = uint8_t(i * 2654435761u >> 24);
  const double bound = StreamBound(1024, 768);
  zar::combustion::FlameSettings settings;
  settings.oxygen = 6;
  settings.gravity = 10;
  settings.flameDirection = uint8_t(state.range(0));
  zar::Rng rng;
  for (auto _ : state) {
    zar::combustion::PropagateFlames(field, settings, rng);
    benchmark::ClobberMemory();
  }
  state.counters["per_cell"] = CpuTimeOver(double(field.bytes));
  state.counters["bound_per_cell"] = bound;
  zar::combustion::ReleaseHeatField(field);
}

// What a final rendering pays for its fresh field: the pages taken from the system, written once
// (as the first sweep does) and given back, with the page faults that costs.
void BM_FreshField1024x768(benchmark::State& state) {
  const long faultsBefore = PageFaults();
  for (auto _ : state) {
    HeatField field;
    if (!zar::combustion::AllocateHeatField(field, 1024, 768)) {
      state.SkipWithError("no field");
      return;
    }
    for (size_t i = 0; i < field.bytes; i += 4096) field.cells[i] = 1;
    benchmark::ClobberMemory();
    zar::combustion::ReleaseHeatField(field);
  }
  state.counters["faults"] =
      benchmark::Counter(double(PageFaults() - faultsBefore), benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(BM_FinalRender1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRender245x250)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FinalRender1024x768_sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRender245x250_sse2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PropagateFlames)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FreshField1024x768)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
