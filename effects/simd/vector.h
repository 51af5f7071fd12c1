// The byte vectors every engine's kernels are written over: 16 bytes with SSE2, 32 with AVX2
// (whose byte interleaving and packing work within each 128-bit half). Included only by the
// translation units that build a vector kernel set, each compiled for its instruction set; it
// has internal linkage throughout and pulls in nothing but the intrinsics, so no inline function
// compiled for a wider set is ever shared with code that runs on every processor.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif

// The operations both widths share, written once over the intrinsics' prefix (_mm, _mm256) and
// whole-register suffix (si128, si256).
#define ZAR_SIMD_BYTE_OPERATIONS(mm, si)                                                        \
  static Vec Load(const uint8_t* p) { return mm##_loadu_##si(reinterpret_cast<const Vec*>(p)); } \
  static void Store(uint8_t* p, Vec v) { mm##_storeu_##si(reinterpret_cast<Vec*>(p), v); }       \
  static Vec Splat(uint8_t b) { return mm##_set1_epi8(char(b)); }                               \
  static Vec And(Vec a, Vec b) { return mm##_and_##si(a, b); }                                  \
  static Vec AndNot(Vec a, Vec b) { return mm##_andnot_##si(a, b); } /* ~a & b */               \
  static Vec Or(Vec a, Vec b) { return mm##_or_##si(a, b); }                                    \
  static Vec Xor(Vec a, Vec b) { return mm##_xor_##si(a, b); }                                  \
  static Vec Avg(Vec a, Vec b) { return mm##_avg_epu8(a, b); } /* (a + b + 1) >> 1 */          \
  static Vec Sub(Vec a, Vec b) { return mm##_sub_epi8(a, b); }                                  \
  static Vec SubSat(Vec a, Vec b) { return mm##_subs_epu8(a, b); }                              \
  static Vec Min(Vec a, Vec b) { return mm##_min_epu8(a, b); }                                  \
  static Vec Max(Vec a, Vec b) { return mm##_max_epu8(a, b); }                                  \
  static Vec Eq(Vec a, Vec b) { return mm##_cmpeq_epi8(a, b); }                                 \
  /* (v * m) >> 16 for each byte v (m below 65536). */                                         \
  static Vec MulHigh(Vec v, uint32_t m) {                                                       \
    const Vec zero = mm##_setzero_##si(), mm16 = mm##_set1_epi16(short(uint16_t(m)));           \
    return mm##_packus_epi16(mm##_mulhi_epu16(mm##_unpacklo_epi8(v, zero), mm16),              \
                             mm##_mulhi_epu16(mm##_unpackhi_epi8(v, zero), mm16));             \
  }

namespace zar::simd {
namespace {

#if defined(__SSE2__)
struct Sse2 {
  using Vec = __m128i;
  using Narrow = void;  // no narrower vector
  static constexpr int kWidth = 16;
  ZAR_SIMD_BYTE_OPERATIONS(_mm, si128)
  static bool AllZero(Vec v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
  }
};
#endif

#if defined(__AVX2__)
struct Avx2 {
  using Vec = __m256i;
  using Narrow = Sse2;  // for rows too short for a whole vector
  static constexpr int kWidth = 32;
  ZAR_SIMD_BYTE_OPERATIONS(_mm256, si256)
  static bool AllZero(Vec v) { return _mm256_testz_si256(v, v) != 0; }
};
#endif

}  // namespace
}  // namespace zar::simd

#undef ZAR_SIMD_BYTE_OPERATIONS
