// Cost of the elementary functions (zmath): each benchmark calls one function on 4096 arguments
// spread over its typical range and reports the time per call. The "Accurate" benchmarks time the
// rare accurate step alone (as taken when the fast step cannot decide the rounding); "Libm" ones
// give the C library's figure for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "base/zmath.h"
#include "base/zmath_internal.h"

namespace {

namespace zm = zar::zmath;
namespace zd = zar::zmath::detail;

enum Range { kTrig1e4, kTrig1e8, kUnit, kAtanWide };

std::vector<double> Arguments(Range range) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> xs(4096);
  for (double& x : xs) {
    switch (range) {
      case kTrig1e4: x = 1e4 * unit(rng); break;
      case kTrig1e8: x = 1e8 * unit(rng); break;
      case kUnit: x = unit(rng); break;
      case kAtanWide: x = std::copysign(std::exp2(30 * unit(rng)), unit(rng)); break;
    }
  }
  return xs;
}

template <double (*F)(double)>
void Run(benchmark::State& state, Range range) {
  std::vector<double> xs = Arguments(range);
  double sum = 0;
  for (auto _ : state) {
    for (double x : xs) sum += F(x);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(xs.size()));
  state.counters["ns/call"] =
      benchmark::Counter(double(state.iterations()) * xs.size(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void RunAccurate(benchmark::State& state, zd::Fn f, Range range, int words) {
  std::vector<double> xs = Arguments(range);
  xs.resize(256);
  double sum = 0;
  for (auto _ : state) {
    for (double x : xs) {
      double y;
      zd::AccurateStep(f, x, words, &y);
      sum += y;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["ns/call"] =
      benchmark::Counter(double(state.iterations()) * xs.size(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

double LibmSin(double x) { return std::sin(x); }
double LibmCos(double x) { return std::cos(x); }
double LibmAsin(double x) { return std::asin(x); }
double LibmAcos(double x) { return std::acos(x); }
double LibmAtan(double x) { return std::atan(x); }

void BM_Sin(benchmark::State& s) { Run<zm::Sin>(s, kTrig1e4); }
void BM_SinHuge(benchmark::State& s) { Run<zm::Sin>(s, kTrig1e8); }
void BM_Cos(benchmark::State& s) { Run<zm::Cos>(s, kTrig1e4); }
void BM_CosHuge(benchmark::State& s) { Run<zm::Cos>(s, kTrig1e8); }
void BM_Asin(benchmark::State& s) { Run<zm::Asin>(s, kUnit); }
void BM_Acos(benchmark::State& s) { Run<zm::Acos>(s, kUnit); }
void BM_Atan(benchmark::State& s) { Run<zm::Atan>(s, kAtanWide); }
void BM_Sqrt(benchmark::State& s) { Run<zm::Sqrt>(s, kTrig1e4); }

void BM_SinAccurate(benchmark::State& s) { RunAccurate(s, zd::Fn::kSin, kTrig1e4, 8); }
void BM_CosAccurate(benchmark::State& s) { RunAccurate(s, zd::Fn::kCos, kTrig1e4, 8); }
void BM_AsinAccurate(benchmark::State& s) { RunAccurate(s, zd::Fn::kAsin, kUnit, 8); }
void BM_AcosAccurate(benchmark::State& s) { RunAccurate(s, zd::Fn::kAcos, kUnit, 8); }
void BM_AtanAccurate(benchmark::State& s) { RunAccurate(s, zd::Fn::kAtan, kAtanWide, 8); }
void BM_SinAccurate512(benchmark::State& s) { RunAccurate(s, zd::Fn::kSin, kTrig1e4, 16); }
void BM_AsinAccurate512(benchmark::State& s) { RunAccurate(s, zd::Fn::kAsin, kUnit, 16); }

void BM_LibmSin(benchmark::State& s) { Run<LibmSin>(s, kTrig1e4); }
void BM_LibmCos(benchmark::State& s) { Run<LibmCos>(s, kTrig1e4); }
void BM_LibmAsin(benchmark::State& s) { Run<LibmAsin>(s, kUnit); }
void BM_LibmAcos(benchmark::State& s) { Run<LibmAcos>(s, kUnit); }
void BM_LibmAtan(benchmark::State& s) { Run<LibmAtan>(s, kAtanWide); }

BENCHMARK(BM_Sin);
BENCHMARK(BM_SinHuge);
BENCHMARK(BM_Cos);
BENCHMARK(BM_CosHuge);
BENCHMARK(BM_Asin);
BENCHMARK(BM_Acos);
BENCHMARK(BM_Atan);
BENCHMARK(BM_Sqrt);
BENCHMARK(BM_SinAccurate);
BENCHMARK(BM_CosAccurate);
BENCHMARK(BM_AsinAccurate);
BENCHMARK(BM_AcosAccurate);
BENCHMARK(BM_AtanAccurate);
BENCHMARK(BM_SinAccurate512);
BENCHMARK(BM_AsinAccurate512);
BENCHMARK(BM_LibmSin);
BENCHMARK(BM_LibmCos);
BENCHMARK(BM_LibmAsin);
BENCHMARK(BM_LibmAcos);
BENCHMARK(BM_LibmAtan);

}  // namespace

BENCHMARK_MAIN();
