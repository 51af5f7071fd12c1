// The AVX2 kernel set: 32 cells at a time (16 where a row is too short), and the pixels'
// brightness by byte shuffles. This file alone is compiled for AVX2; the engines call into it
// only on processors that have it.
#include "effects/field/field_kernels.h"

#if defined(__AVX2__)

#define ZAR_FIELD_VECTOR_KERNELS
#include "effects/field/field_kernels_impl.h"
#include "effects/simd/vector.h"

namespace zar::field_kernels {
namespace {

// The shuffles that gather byte `channel` of 16 pixels of 3 bytes from the three 16-byte
// vectors holding them (an index with the top bit set gives 0).
struct BrightnessShuffles {
  alignas(16) uint8_t index[3][3][16];  // [channel][vector][lane]
};

constexpr BrightnessShuffles MakeBrightnessShuffles() {
  BrightnessShuffles s{};
  for (int channel = 0; channel < 3; ++channel)
    for (int part = 0; part < 3; ++part)
      for (int lane = 0; lane < 16; ++lane) {
        const int at = 3 * lane + channel - 16 * part;
        s.index[channel][part][lane] = at >= 0 && at < 16 ? uint8_t(at) : uint8_t(0x80);
      }
  return s;
}

constexpr BrightnessShuffles kShuffles = MakeBrightnessShuffles();

void Avx2Brightness3(uint8_t* cells, const uint8_t* pixels, ptrdiff_t n, uint8_t flip) {
  if (n < 16) return ScalarBrightness3(cells, pixels, n, flip);
  auto mask = [](int channel, int part) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffles.index[channel][part]));
  };
  const __m128i m[3][3] = {{mask(0, 0), mask(0, 1), mask(0, 2)},
                           {mask(1, 0), mask(1, 1), mask(1, 2)},
                           {mask(2, 0), mask(2, 1), mask(2, 2)}};
  const __m128i flips = _mm_set1_epi8(char(flip));
  // Writing a block's brightness twice gives the same cells: the last block may overlap.
  auto block = [&](ptrdiff_t x) {
    const uint8_t* p = pixels + 3 * x;
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    __m128i channel[3];
    for (int c = 0; c < 3; ++c)
      channel[c] =
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, m[c][0]), _mm_shuffle_epi8(v1, m[c][1])),
                       _mm_shuffle_epi8(v2, m[c][2]));
    const __m128i bright = _mm_max_epu8(_mm_max_epu8(channel[0], channel[1]), channel[2]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + x), _mm_xor_si128(bright, flips));
  };
  ptrdiff_t x = 0;
  for (; x + 16 <= n; x += 16) block(x);
  if (x < n) block(n - 16);
}

}  // namespace

const KernelSet* Avx2KernelsBuilt() {
  static constexpr KernelSet kAvx2 =
      VectorKernels<simd::Avx2>(simd::Isa::kAvx2, "avx2", Avx2Brightness3);
  return &kAvx2;
}

}  // namespace zar::field_kernels

#else

namespace zar::field_kernels {
const KernelSet* Avx2KernelsBuilt() { return nullptr; }
}  // namespace zar::field_kernels

#endif
