// What the Ice/Candle and Fire/Cryo benchmarks measure, the same way for each plug-in at its
// defaults (scripts/bench reads these names and turns them into the report):
//   Final/<plug-in>    a final rendering of the 1024 x 768 structured picture (CPU time);
//   Step/<plug-in>     one simulation step (StepField) on the fields of that rendering, in the
//                      middle of a rendering; the counter `cells` is (W + 4) x (H + 5);
//   Bound/<plug-in>    the streaming bound of a step: the step's passes as plain streams over
//                      buffers of the fields' size (a read and a write of mainField per pass,
//                      and a read of sourceField for each pass that reads the sources);
//   Preview/<plug-in>  a call of a running preview at 245 x 250: the least CPU time of many
//                      calls after the first (reported as the iteration's time);
//   PageFaults/<n>     allocating n fresh fields of the 1024 x 768 rendering, touching every page
//                      once and releasing them, as each final rendering does.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "effects/field/field_engine.h"
#include "effects/simd/isa.h"
#include "settings/plugin_table.h"
#include "tests/ice/engine_runs.h"
#include "tests/support/image.h"

namespace zar::bench {

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kPreviewWidth = 245, kPreviewHeight = 250;
constexpr double kCells = double(kWidth + 4) * double(kHeight + 5);

inline double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

template <typename Module>
void Final(benchmark::State& state, WorkingParameters params) {
  const testing::Image in = testing::StructuredPicture(kWidth, kHeight);
  testing::Image out = testing::OutputFor(in);
  // As in a host: the engine asks whether to stop at every step.
  FrameView frame = testing::FrameOf(in, out);
  frame.abort = [](void*) { return false; };
  for (auto _ : state) {
    Module m;
    m.Run(frame, params, params.iterations);
    benchmark::DoNotOptimize(out.pixels.data());
    benchmark::ClobberMemory();
  }
  state.counters["steps"] = params.iterations;
  state.counters["cells"] = kCells;
}

template <typename Module>
void Preview(benchmark::State& state, const WorkingParameters& params) {
  constexpr int kCalls = 60;
  const testing::Image in = testing::StructuredPicture(kPreviewWidth, kPreviewHeight);
  testing::Image out = testing::OutputFor(in);
  Module m;
  m.module.previewState = 2;
  m.Run(testing::FrameOf(in, out), params, 1);
  for (auto _ : state) {
    double least = std::numeric_limits<double>::infinity();
    for (int i = 0; i < kCalls; ++i) {
      const double start = ThreadSeconds();
      m.Run(testing::FrameOf(in, out), params, 1);
      benchmark::DoNotOptimize(out.pixels.data());
      least = std::min(least, ThreadSeconds() - start);
    }
    state.SetIterationTime(least);
  }
}

// Steps on the fields of a final rendering at the defaults (sources built undisplaced, as the
// defaults' radius 0 gives), after a few steps so the field has its usual content.
template <typename StepFn>
void Step(benchmark::State& state, const WorkingParameters& params, StepFn step) {
  const testing::Image in = testing::StructuredPicture(kWidth, kHeight);
  testing::Image out = testing::OutputFor(in);
  const FrameView frame = testing::FrameOf(in, out);
  FieldExtents e;
  WorkingFields f;
  if (ComputeExtents(frame, e) != ExtentsResult::kRender || !AllocateFields(f, e.P, e.R)) {
    state.SkipWithError("no fields");
    return;
  }
  BuildSourceField(frame, e, f.sourceField, 0, 0, params.maskInvert != 0);
  const uint8_t* S = f.sourceField;
  if (params.maskMode == 3) TraceContour(f.sourceField, e.P, e.R);
  if (params.maskMode == 0) {
    TraceContourInto(f.sourceField, f.contourField, e.P, e.R);
    S = f.contourField;
  }
  Rng rng;
  const FieldStepArgs args{f.mainField, S,  f.dropletField, e, StepDirection(params.flameDirection),
                           params,      rng};
  for (int i = 0; i < 8; ++i) step(args);
  for (auto _ : state) {
    step(args);
    ClearBorder(f.mainField, e.P, e.R);
    benchmark::ClobberMemory();
  }
  state.counters["cells"] = double(e.P) * double(e.R);
  ReleaseFields(f);
}

// The streams of the bound, kept apart so each runs as a loop of its own.
[[gnu::noinline]] inline void StreamPass(uint8_t* __restrict field, size_t n) {
  for (size_t i = 0; i < n; ++i) field[i] = uint8_t(field[i] + 1);
}
[[gnu::noinline]] inline void StreamPassReading(uint8_t* __restrict field,
                                                const uint8_t* __restrict sources, size_t n) {
  for (size_t i = 0; i < n; ++i) field[i] = uint8_t(field[i] ^ sources[i]);
}

// `plain` passes over mainField, then `reading` passes that also read sourceField.
inline void Bound(benchmark::State& state, int plain, int reading) {
  const size_t n = size_t(kCells);
  std::vector<uint8_t> mainField(n), sourceField(n);
  for (size_t i = 0; i < n; ++i) {
    mainField[i] = uint8_t(i * 7);
    sourceField[i] = uint8_t(i * 13 >> 3);
  }
  for (auto _ : state) {
    for (int p = 0; p < plain; ++p) StreamPass(mainField.data(), n);
    for (int p = 0; p < reading; ++p) StreamPassReading(mainField.data(), sourceField.data(), n);
    benchmark::ClobberMemory();
  }
  state.counters["cells"] = kCells;
}

inline void PageFaults(benchmark::State& state) {
  const int fields = int(state.range(0));
  for (auto _ : state) {
    WorkingFields f;
    if (!AllocateFields(f, kWidth + 4, kHeight + 5)) {
      state.SkipWithError("no fields");
      return;
    }
    uint8_t* all[4] = {f.mainField, f.sourceField, f.dropletField, f.contourField};
    for (int k = 0; k < fields; ++k)
      for (size_t i = 0; i < f.bytes; i += 4096) all[k][i] = 1;
    benchmark::ClobberMemory();
    ReleaseFields(f);
  }
}

// The benchmark programs' main: --kernels=portable|sse2|avx2 makes the engines use that kernel
// set instead of the widest one the processor has.
inline int Main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--kernels=", 0) != 0) continue;
    const std::string name = arg.substr(10);
    const simd::Isa* chosen = nullptr;
    for (const simd::Isa& isa : simd::kIsas)
      if (name == simd::IsaName(isa) && simd::IsaAvailable(isa)) chosen = &isa;
    if (chosen == nullptr) {
      fprintf(stderr, "no kernel set %s here\n", name.c_str());
      return 1;
    }
    simd::UseIsa(*chosen);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace zar::bench
