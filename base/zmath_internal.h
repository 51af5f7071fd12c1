// The two steps behind the elementary functions of zmath.h, open to the tests and benchmarks.
//
// Every function first computes a fast double-double estimate with a proven bound on its error
// (the "fast step"). When every value within that bound rounds to the same double, that double is
// the correctly rounded result. Otherwise (rarely: about one call in five thousand) an accurate step
// recomputes the value with 256-bit (and, if ever needed, 512-bit) integer arithmetic and rounds
// that, again only when its error bound decides the rounding.
#pragma once

#include <cstdint>

namespace zar::zmath::detail {

// hi + lo approximates the exact value with |exact - (hi + lo)| <= err.
struct Estimate {
  double hi;
  double lo;
  double err;
};

// The double nearest to every value within the error bound of `e`, when they all share one:
// returns true and sets *out; returns false when the bound straddles a rounding boundary.
bool Round(const Estimate& e, double* out);

// Fast steps, for the arguments the public functions hand them: finite, 2^-27 <= |x| for sin,
// cos, asin and atan; 2^-27 <= |x| < 1 for asin; 2^-55 <= |x| < 1 for acos; |x| < 2^53 for atan.
Estimate SinEstimate(double x);
Estimate CosEstimate(double x);
Estimate AsinEstimate(double x);
Estimate AcosEstimate(double x);
Estimate AtanEstimate(double x);

enum class Fn { kSin, kCos, kAsin, kAcos, kAtan };

// x (2^t / pi) mod 2^(t+1) for x = m 2^e (m < 2^53 an integer) as a fixed-point number of `words`
// 32-bit words (least significant first, words <= kMaxReduceWords) with t + 1 integer bits, for
// any t: the low bits of m times a window of the bits of 1/pi. Its error is below 2^(t+54 - 32
// words).
constexpr int kMaxReduceWords = 24;

// The 32 bits lo .. lo+31 of a number of `words` 32-bit words (least significant first), bits
// outside it reading as zero.
inline uint32_t Word32(const uint32_t* r, int words, int lo) {
  if (lo >= 32 * words || lo <= -32) return 0;
  if (lo < 0) return r[0] << (-lo);
  int q = lo >> 5;
  int o = lo & 31;
  uint32_t v = r[q] >> o;
  if (o != 0 && q + 1 < words) v |= r[q + 1] << (32 - o);
  return v;
}
void ReduceBits(uint64_t m, int e, int words, uint32_t* v);

// The accurate step with `words` 32-bit words of precision (8 or 16) for the arguments of the fast
// steps: sets *out to the value rounded to nearest and returns whether the error bound proves it.
bool AccurateStep(Fn f, double x, int words, double* out);

// The accurate step at 256 bits, then at 512 bits if needed.
double Accurate(Fn f, double x);

}  // namespace zar::zmath::detail
