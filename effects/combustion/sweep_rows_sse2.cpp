// The sweep's rows cell by cell and, where the compiler targets SSE2 (every x86 build of ours), 16
// cells at a time.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "effects/combustion/sweep_rows.h"

namespace {

struct PortableOps {
  static constexpr int kLanes = 0;
};

#if defined(__SSE2__)
struct Sse2Ops {
  using Vec = __m128i;
  static constexpr int kLanes = 16;
  static Vec Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const Vec*>(p)); }
  static void Store(uint8_t* p, Vec v) { _mm_storeu_si128(reinterpret_cast<Vec*>(p), v); }
  static Vec Set1(uint8_t v) { return _mm_set1_epi8(char(v)); }
  static Vec Avg(Vec a, Vec b) { return _mm_avg_epu8(a, b); }
  static Vec Add(Vec a, Vec b) { return _mm_add_epi8(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
  static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
  static Vec Or(Vec a, Vec b) { return _mm_or_si128(a, b); }
  static Vec Xor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
  static Vec Greater(Vec a, Vec b) { return _mm_cmpgt_epi8(a, b); }  // signed
};
#endif

}  // namespace

namespace zar::combustion::detail {

constinit const SweepKernels kPortableSweeps = kSweepKernels<PortableOps>;

#if defined(__SSE2__)
constinit const SweepKernels kSse2SweepTable = kSweepKernels<Sse2Ops>;
const SweepKernels* const kSse2Sweeps = &kSse2SweepTable;
#else
const SweepKernels* const kSse2Sweeps = nullptr;
#endif

}  // namespace zar::combustion::detail
