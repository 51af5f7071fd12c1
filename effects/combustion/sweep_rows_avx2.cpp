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
  // The cells moved up one lane, lane 0 taking the last lane of `previous`: the byte alignment
  // works within each 128-bit half, so each half is paired with the half below it first.
  static Vec WithPreviousLast(Vec cells, Vec previous) {
    const Vec below = _mm256_permute2x128_si256(previous, cells, 0x21);  // previous.hi, cells.lo
    return _mm256_alignr_epi8(cells, below, 15);
  }
  // The cells moved down one lane, the last lane taking lane 0 of `next`.
  static Vec WithNextFirst(Vec cells, Vec next) {
    const Vec above = _mm256_permute2x128_si256(cells, next, 0x21);  // cells.hi, next.lo
    return _mm256_alignr_epi8(above, cells, 1);
  }
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
