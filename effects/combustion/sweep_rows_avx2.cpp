// The sweep's rows 32 cells at a time with AVX2. This file alone is compiled for AVX2 (on x86
// builds) and is used only when the processor has it; it includes nothing with inline code of the
// rest of the program.
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include "effects/combustion/sweep_rows.h"

#if defined(__AVX2__)
namespace {

struct Avx2Ops {
  using Vec = __m256i;
  static constexpr int kLanes = 32;
  static Vec Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p)); }
  static void Store(uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<Vec*>(p), v); }
  static Vec Set1(uint8_t v) { return _mm256_set1_epi8(char(v)); }
  static Vec Avg(Vec a, Vec b) { return _mm256_avg_epu8(a, b); }
  static Vec Add(Vec a, Vec b) { return _mm256_add_epi8(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi8(a, b); }
  static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
  static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
  static Vec Xor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
  static Vec Greater(Vec a, Vec b) { return _mm256_cmpgt_epi8(a, b); }  // signed
};

}  // namespace
#endif

namespace zar::combustion::detail {

#if defined(__AVX2__)
constinit const SweepKernels kAvx2SweepTable = kSweepKernels<Avx2Ops>;
const SweepKernels* const kAvx2Sweeps = &kAvx2SweepTable;
#else
const SweepKernels* const kAvx2Sweeps = nullptr;
#endif

}  // namespace zar::combustion::detail
