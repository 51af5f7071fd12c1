// The vector types the field kernels are written over: 16 bytes with SSE2, 32 with AVX2 (whose
// byte interleaving and packing work within each 128-bit half). Included only
// by the translation units that build a vector kernel set; internal linkage throughout.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace zar::field_kernels {
namespace {

#if defined(__SSE2__)
struct Sse2 {
  using Vec = __m128i;
  using Narrow = void;  // no narrower vector
  static constexpr int kWidth = 16;

  static Vec Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const Vec*>(p)); }
  static void Store(uint8_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<Vec*>(p), v); }
  static Vec Splat(uint8_t b) { return _mm_set1_epi8(char(b)); }
  static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }  // ~a & b
  static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
  static Vec Xor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
  static Vec Avg(Vec a, Vec b) { return _mm_avg_epu8(a, b); }  // (a + b + 1) >> 1
  static Vec Sub(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
  static Vec SubSat(Vec a, Vec b) { return _mm_subs_epu8(a, b); }
  static Vec Min(Vec a, Vec b) { return _mm_min_epu8(a, b); }
  static Vec Max(Vec a, Vec b) { return _mm_max_epu8(a, b); }
  static Vec Eq(Vec a, Vec b) { return _mm_cmpeq_epi8(a, b); }
  static bool AllZero(Vec v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
  }
  // (v * m) >> 16 for each byte v (m below 65536).
  static Vec MulHigh(Vec v, uint32_t m) {
    const Vec zero = _mm_setzero_si128(), mm = _mm_set1_epi16(short(uint16_t(m)));
    const Vec lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(v, zero), mm);
    const Vec hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(v, zero), mm);
    return _mm_packus_epi16(lo, hi);
  }
};
#endif

#if defined(__AVX2__)
struct Avx2 {
  using Vec = __m256i;
  using Narrow = Sse2;
  static constexpr int kWidth = 32;

  static Vec Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p)); }
  static void Store(uint8_t* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<Vec*>(p), v); }
  static Vec Splat(uint8_t b) { return _mm256_set1_epi8(char(b)); }
  static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
  static Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
  static Vec Xor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
  static Vec Avg(Vec a, Vec b) { return _mm256_avg_epu8(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi8(a, b); }
  static Vec SubSat(Vec a, Vec b) { return _mm256_subs_epu8(a, b); }
  static Vec Min(Vec a, Vec b) { return _mm256_min_epu8(a, b); }
  static Vec Max(Vec a, Vec b) { return _mm256_max_epu8(a, b); }
  static Vec Eq(Vec a, Vec b) { return _mm256_cmpeq_epi8(a, b); }
  static bool AllZero(Vec v) { return _mm256_testz_si256(v, v) != 0; }
  static Vec MulHigh(Vec v, uint32_t m) {
    const Vec zero = _mm256_setzero_si256(), mm = _mm256_set1_epi16(short(uint16_t(m)));
    const Vec lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(v, zero), mm);
    const Vec hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(v, zero), mm);
    return _mm256_packus_epi16(lo, hi);
  }
};
#endif

}  // namespace
}  // namespace zar::field_kernels
