// The elementary functions of zmath.h: correctly rounded sin, cos, asin, acos and atan, and the
// exact square root, built from IEEE double additions, multiplications and divisions only (no
// fused multiply-add, no x87, no platform maths library), so every build computes the same bits.
//
// Each function takes a fast step: a double-double estimate hi + lo with a proven bound on its
// error (zmath_internal.h). When the whole interval around the estimate rounds to one double, that
// double is returned; otherwise the accurate step of zmath_accurate.cpp decides. The error bounds
// below are derived in the comments; the native tests check them against MPFR on millions of
// arguments.
#include "base/zmath.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/zmath_internal.h"
#include "base/zmath_tables.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

// Every operation below must round each result once to double: no excess precision, no fusing.
#if !defined(__FLT_EVAL_METHOD__) || __FLT_EVAL_METHOD__ != 0
#error "zmath needs double arithmetic without excess precision (-msse2 -mfpmath=sse on x86)"
#endif
#if defined(__FAST_MATH__)
#error "zmath must not be built with -ffast-math"
#endif

// The double-double helpers are small and hot: keep them inline in every build.
#if defined(__GNUC__)
#define ZMATH_INLINE inline __attribute__((always_inline))
#else
#define ZMATH_INLINE inline
#endif

namespace zar::zmath {

namespace detail {
namespace {

ZMATH_INLINE uint64_t ToBits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

ZMATH_INLINE double FromBits(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

constexpr uint64_t kSignBit = 0x8000000000000000ull;
constexpr uint64_t kExpMask = 0x7ff0000000000000ull;
constexpr uint64_t kMantMask = 0x000fffffffffffffull;

ZMATH_INLINE double Abs(double x) { return FromBits(ToBits(x) & ~kSignBit); }

// 2^n for -1022 <= n <= 1023.
ZMATH_INLINE double Pow2(int n) { return FromBits(uint64_t(n + 1023) << 52); }

// ---------------------------------------------------------------------------------------------
// Double-double arithmetic (Dekker, Knuth). Every helper is exact: the pair it returns sums to the
// exact result of the operation (barring overflow and underflow, which the callers rule out).

struct DD {
  double hi;
  double lo;
};

// |a| >= |b| (or a == 0).
ZMATH_INLINE DD FastTwoSum(double a, double b) {
  double s = a + b;
  double z = s - a;
  return {s, b - z};
}

ZMATH_INLINE DD TwoSum(double a, double b) {
  double s = a + b;
  double bb = s - a;
  double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// Veltkamp's split: a = hi + lo with hi and lo of at most 26 significant bits each.
ZMATH_INLINE DD Split(double a) {
  double c = 134217729.0 * a;  // 2^27 + 1
  double hi = c - (c - a);
  return {hi, a - hi};
}

ZMATH_INLINE DD TwoProd(double a, double b) {
  double p = a * b;
  DD as = Split(a);
  DD bs = Split(b);
  double e = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {p, e};
}

// TwoProd for an `a` of at most 26 significant bits (its split is a + 0).
ZMATH_INLINE DD TwoProdShort(double a, double b) {
  double p = a * b;
  DD bs = Split(b);
  double e = (a * bs.hi - p) + a * bs.lo;
  return {p, e};
}

// (a.hi + a.lo) / (b.hi + b.lo) for normalized a and b (|a.lo| <= ulp(a.hi)/2, same for b), given
// inv = RN(1 / b.hi); relative error below 2^-100. a.hi - p.hi is exact by Sterbenz's lemma
// (p.hi ~ q1 b.hi ~ a.hi), the residual r below 2^-50 |a| carries about six roundings of 2^-53.
ZMATH_INLINE DD DivDD(DD a, DD b, double inv) {
  double q1 = a.hi * inv;
  DD p = TwoProd(q1, b.hi);
  double r = (((a.hi - p.hi) - p.lo) + a.lo) - q1 * b.lo;
  return FastTwoSum(q1, r * inv);
}

ZMATH_INLINE double SqrtDouble(double x) {
#if defined(__SSE2__) || defined(_M_X64)
  __m128d v = _mm_set_sd(x);
  return _mm_cvtsd_f64(_mm_sqrt_sd(v, v));
#else
  return __builtin_sqrt(x);
#endif
}

// sqrt(a.hi + a.lo) for a normalized positive a, relative error below 2^-102, and inv = RN(1/sh):
// sh = RN(sqrt(a.hi)) (sh^2 - a.hi is exact via TwoProd and Sterbenz), then one Newton correction.
struct Root {
  DD s;
  double inv;
};

ZMATH_INLINE Root SqrtDD(DD a) {
  double sh = SqrtDouble(a.hi);
  double inv = 1.0 / sh;
  DD p = TwoProd(sh, sh);
  double r = ((a.hi - p.hi) - p.lo) + a.lo;
  return {FastTwoSum(sh, r * (0.5 * inv)), inv};
}

// ---------------------------------------------------------------------------------------------
// Constants (from `zmath_gen tables`).

constexpr double kPi256Hi = 0x1.921fb54442d18p-7;  // pi/256 = hi + lo
constexpr double kPi256Lo = 0x1.1a62633145c07p-61;
constexpr double k256OverPi = 0x1.45f306dc9c883p+6;
// Cody-Waite pieces of pi/256: P1..P3 have 27 significant bits, so k * Pi is exact for |k| < 2^26.
constexpr double kP1 = 0x1.921fb54p-7;
constexpr double kP2 = 0x1.10b461p-37;
constexpr double kP3 = 0x1.a62633p-65;
constexpr double kP4 = 0x1.45c06e0e68948p-93;
constexpr DD kPiOver2 = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DD kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};

// Error bounds of the fast steps, relative to the result (see SinCos and AtanCore).
constexpr double kEpsSinCos = 0x1p-66;
constexpr double kEpsAtan = 0x1p-66;
// An error bound that never decides a rounding (the estimate is unusable).
constexpr double kNoBound = 1.0;

// ---------------------------------------------------------------------------------------------
// Argument reduction for sin and cos: |x| = k pi/256 + r with |r| <= pi/512 (1 + 2^-40), r given
// as rh + rl, |r - (rh + rl)| <= delta + eta |rh|.

struct Reduced {
  int k;  // only k mod 512 matters
  double rh;
  double rl;
  double delta;
  double eta;
};

// The 32 bits of 1/pi of weight 2^-s .. 2^-(s+31) (bits of weight 2^0 and above are zero).
uint32_t InvPiWord(int s) {
  if (s + 31 < 1) return 0;
  if (s < 1) return kInvPiBits[0] >> (1 - s);
  int q = (s - 1) >> 5;
  int o = (s - 1) & 31;
  uint32_t hi = q < kInvPiWords ? kInvPiBits[q] : 0;
  if (o == 0) return hi;
  uint32_t lo = q + 1 < kInvPiWords ? kInvPiBits[q + 1] : 0;
  return (hi << o) | (lo >> (32 - o));
}

}  // namespace

// x * (2^t / pi) mod 2^(t+1) for x = m 2^e (m < 2^53 an integer), as a fixed-point number of
// `words` 32-bit words (least significant first) with t + 1 integer bits: the low 32 words bits of
// m times the bits of 1/pi of weight 2^-e .. 2^-(e + 32 words - 1). Bits of 1/pi of weight above
// 2^-e only add multiples of 2^(t+1); the ignored bits below add less than 2^(t+54 - 32 words).
void ReduceBits(uint64_t m, int e, int words, uint32_t* v) {
  uint32_t w[kMaxReduceWords];
  for (int i = 0; i < words; ++i) w[words - 1 - i] = InvPiWord(e + 32 * i);
  uint32_t m0 = uint32_t(m);
  uint32_t m1 = uint32_t(m >> 32);
  uint64_t carry = 0;
  for (int i = 0; i < words; ++i) {
    uint64_t t = uint64_t(m0) * w[i] + carry;
    v[i] = uint32_t(t);
    carry = t >> 32;
  }
  carry = 0;
  for (int i = 1; i < words; ++i) {
    uint64_t t = uint64_t(m1) * w[i - 1] + v[i] + carry;
    v[i] = uint32_t(t);
    carry = t >> 32;
  }
}

namespace {

// Bits lo .. lo+63 of a number of `words` 32-bit words, bits outside it reading as zero.
uint64_t Bits64(const uint32_t* v, int words, int lo) {
  return (uint64_t(Word32(v, words, lo + 32)) << 32) | Word32(v, words, lo);
}

// Payne-Hanek reduction for 2^19 <= x < 2^1024, with 192 bits of x * 256/pi mod 512.
Reduced ReducePayneHanek(double x) {
  uint64_t b = ToBits(x);
  uint64_t m = (b & kMantMask) | (uint64_t(1) << 52);
  int e = int(b >> 52) - 1075;
  uint32_t v[6];
  ReduceBits(m, e, 6, v);  // 9 integer bits, 183 fraction bits; error < 2^-130
  // Round to the nearest integer k: add one half, take the integer bits, subtract the half again.
  v[5] += uint32_t(1) << 22;
  int k = int(v[5] >> 23);
  v[5] &= (uint32_t(1) << 23) - 1;
  // f = v - 2^182 in units of 2^-183, as a sign and a magnitude.
  bool negative = (v[5] & (uint32_t(1) << 22)) == 0;
  if (negative) {
    uint32_t borrow = 0;  // 2^182 - v
    for (int i = 0; i < 6; ++i) {
      uint64_t t = uint64_t(i == 5 ? uint32_t(1) << 22 : 0) - v[i] - borrow;
      v[i] = uint32_t(t);
      borrow = uint32_t(t >> 63);
    }
  } else {
    v[5] &= ~(uint32_t(1) << 22);
  }
  int w = 5;
  while (w >= 0 && v[w] == 0) --w;
  if (w < 0) return {k, 0, 0, kNoBound, 0};
  int top = 32 * w + 31 - std::countl_zero(v[w]);  // the leading one
  // f = (hi53 2^(top-52) + lo52 2^(top-104) + rest) 2^-183, truncated to 105 bits.
  uint64_t hi53 = Bits64(v, 6, top - 52);
  uint64_t lo52 = Bits64(v, 6, top - 104) & kMantMask;
  double fh = FromBits((uint64_t(1075) << 52) | (hi53 & kMantMask)) * Pow2(top - 52 - 183);
  double fl = (FromBits((uint64_t(1075) << 52) | lo52) - 0x1p52) * Pow2(top - 104 - 183);
  if (negative) {
    fh = -fh;
    fl = -fl;
  }
  // r = f pi/256. Relative error: truncation of f 2^-104, product and constant below 2^-103.
  DD p = TwoProd(fh, kPi256Hi);
  double rl = p.lo + (fh * kPi256Lo + fl * kPi256Hi);
  DD r = FastTwoSum(p.hi, rl);
  // The ignored bits of 1/pi: below 2^-130 steps of pi/256 < 2^-136.
  return {k, r.hi, r.lo, 0x1p-135, 0x1p-100};
}

// Cody-Waite reduction for |x| < 2^19 (k < 2^26), absolute error below 2^-110:
//  - k = RN(x 256/pi), so |x - k pi/256| <= pi/512 (1 + 2^-40);
//  - x - k P1 is exact (a multiple of ulp(x) below 2^-6.8 in size, k P1 exact);
//  - k P2 and k P3 are exact, the two TwoSums are exact;
//  - what is left: k |pi/256 - P1 - P2 - P3 - P4| < 2^26 2^-143, the rounding of k P4 and of
//    the low parts' sums, each below 2^-112.
Reduced Reduce(double ax) {
  if (ax >= 0x1p19) return ReducePayneHanek(ax);
  double kd = (ax * k256OverPi + 0x1.8p52) - 0x1.8p52;
  int k = int(kd);
  double t1 = ax - kd * kP1;
  DD s1 = TwoSum(t1, -(kd * kP2));
  DD s2 = TwoSum(s1.hi, -(kd * kP3));
  double lo = (s1.lo + s2.lo) - kd * kP4;
  DD r = TwoSum(s2.hi, lo);
  return {k, r.hi, r.lo, 0x1p-106, 0};
}

// Taylor coefficients.
constexpr double kS3 = -1.0 / 6;
constexpr double kS5 = 1.0 / 120;
constexpr double kS7 = -1.0 / 5040;
constexpr double kS9 = 1.0 / 362880;
constexpr double kC4 = 1.0 / 24;
constexpr double kC6 = -1.0 / 720;
constexpr double kC8 = 1.0 / 40320;
constexpr double kC10 = -1.0 / 3628800;

// sin x (cosine = false) or cos x = sin(x + pi/2).
//
// With x = k pi/256 + r, k mod 512 = 128 q + i: sin(x) = +-sin(a + r) or +-cos(a + r), a = i
// pi/256, both of the form y = A cos r + B sin r = A (1 + c) + B (rh + s) with A, B from the table
// (as hi + lo, errors 2^-107) and
//   c = cos r - 1 = -r^2/2 + r^4 (1/24 - r^2/720 + ...)   (|c| <= 2^-15.7),
//   s = sin r - rh = rh z (-1/6 + z/120 - ...) + rl (1 - z/2)   (|s| <= 2^-24.6 |...|), z = rh^2.
// For i >= 1, |y| >= sin(pi/512) >= 0.99999 |r|; for i = 0, y = sin r or cos r. The terms above
// 2^-24 (A, B rh, A ch) are summed exactly; the rest in double.
// Error, relative to |y|:
//   s: cubic term ~ -r^3/6 with about 6 roundings (z, Horner, products, coefficient -1/6):
//      6 2^-53 r^2/6 <= 2^-67.8; its sum with rl, the product B s and the final sum: 3 2^-70.3;
//   c and the small products (A cl, Al ch, Bl rh, Bl s): below 2^-78;
//   Taylor truncations: below 2^-76; table entries: 2^-99.6;
//   reduction: eta (relative, <= 2^-100) and delta (absolute, since |dy/dr| <= 1).
// Sum: 2^-67.8 + 2^-68.7 + small < 2^-67.1; the bound used, 2^-66, leaves a factor two.
Estimate SinCos(double x, bool cosine) {
  double ax = Abs(x);
  Reduced red = Reduce(ax);
  unsigned j = (unsigned(red.k) + (cosine ? 128u : 0u)) & 511u;
  unsigned q = j >> 7;
  const double* t = kSinCosPi256[j & 127];
  double ah, al, bh, bl;
  if (q & 1) {  // cos(a + r) = cos a cos r - sin a sin r
    ah = t[2];
    al = t[3];
    bh = -t[0];
    bl = -t[1];
  } else {  // sin(a + r) = sin a cos r + cos a sin r
    ah = t[0];
    al = t[1];
    bh = t[2];
    bl = t[3];
  }
  bool negate = (q & 2) != 0;
  if (!cosine && x < 0) negate = !negate;

  double rh = red.rh, rl = red.rl;
  DD zz = TwoProd(rh, rh);
  double z = zz.hi;
  double ps = kS3 + z * (kS5 + z * (kS7 + z * kS9));
  double pc = kC4 + z * (kC6 + z * (kC8 + z * kC10));
  double s = rh * (z * ps) + (rl - rl * (0.5 * z));
  double ch = -0.5 * zz.hi;
  double cl = (z * z * pc - rh * rl) - 0.5 * zz.lo;

  DD p1 = TwoProd(bh, rh);
  DD p2 = TwoProd(ah, ch);
  DD u = TwoSum(ah, p1.hi);
  DD v = TwoSum(u.hi, p2.hi);
  double small = (al * ch + bl * rh + bl * s + ah * cl) + (al + p1.lo + p2.lo + u.lo + v.lo);
  DD y = FastTwoSum(v.hi, small + bh * s);
  if (negate) {
    y.hi = -y.hi;
    y.lo = -y.lo;
  }
  double err = (kEpsSinCos + red.eta) * Abs(y.hi) + red.delta;
  return {y.hi, y.lo, err};
}

// Taylor coefficients of atan.
constexpr double kA3 = -1.0 / 3;
constexpr double kA5 = 1.0 / 5;
constexpr double kA7 = -1.0 / 7;
constexpr double kA9 = 1.0 / 9;

// y = k0 + sigma atan(n/d) for normalized double-doubles 0 <= n.hi <= d.hi (d > 0), dinv =
// RN(1/d.hi), sigma = +-1, k0 in {0, pi/2, pi}, the results with k0 != 0 being at least pi/4.
//
// With c = j/128 nearest to n/d: atan(n/d) = atan(c) + atan(t), t = (n - c d)/(d + c n),
// |t| <= 1/256 + 2^-50. c d and c n are exact through TwoProdShort (c has 8 bits), so t carries an
// absolute error below 2^-99 plus twice the relative errors of n and d (below 2^-101 for the
// square roots of asin and acos); for j = 0, t = n/d with a relative error below 2^-99.
// atan(t) = th + tl (1 - z) + th z (-1/3 + z/5 - z^2/7 + z^3/9), z = th^2 <= 2^-16, truncation
// below t^11/11 <= 2^-91|t|.
// Error, relative to |y| (|y| >= |t| for j >= 1 and for j = 0 alike; |y| >= 2^-8 for j >= 1):
//   th z Q: about 5 roundings of a term below |t| 2^-17.6: 5 2^-53 2^-17.6 < 2^-68.3;
//   the sum of the small terms and the final sum: 2 2^-53 2^-17.6 < 2^-69.6;
//   t's errors: 2^-90 for j >= 1, 2^-98 for j = 0; table, k0: 2^-106.
// Sum below 2^-67.8; the bound used, 2^-66, leaves a factor 3.
Estimate AtanCore(DD n, DD d, double dinv, DD k0, double sigma) {
  double q = n.hi * dinv;
  int j = int(q * 128.0 + 0.5);
  DD t;
  if (j == 0) {
    t = DivDD(n, d, dinv);
  } else {
    double c = j * 0x1p-7;
    DD p = TwoProdShort(c, d.hi);
    DD s = TwoSum(n.hi, -p.hi);
    DD num = TwoSum(s.hi, s.lo + ((n.lo - p.lo) - c * d.lo));
    DD g = TwoProdShort(c, n.hi);
    DD e = TwoSum(d.hi, g.hi);
    DD den = FastTwoSum(e.hi, e.lo + ((d.lo + g.lo) + c * n.lo));
    t = DivDD(num, den, 1.0 / den.hi);
  }
  double z = t.hi * t.hi;
  double poly = kA3 + z * (kA5 + z * (kA7 + z * kA9));
  double small = (t.lo - t.lo * z) + t.hi * (z * poly);
  DD u = TwoSum(k0.hi, sigma * kAtan128[j][0]);
  DD v = TwoSum(u.hi, sigma * t.hi);
  double lo = ((k0.lo + sigma * kAtan128[j][1]) + (u.lo + v.lo)) + sigma * small;
  DD y = FastTwoSum(v.hi, lo);
  return {y.hi, y.lo, kEpsAtan * Abs(y.hi)};
}

// sqrt(1 - x^2) for 0 <= x < 1, relative error below 2^-102.
Root SqrtOneMinusSquare(double ax) {
  DD w;
  if (ax < 0.5) {
    DD p = TwoProd(ax, ax);
    DD a = TwoSum(1.0, -p.hi);
    w = FastTwoSum(a.hi, a.lo - p.lo);
  } else {
    double a = 1.0 - ax;  // exact (Sterbenz)
    DD b = FastTwoSum(1.0, ax);
    DD p = TwoProd(a, b.hi);
    w = FastTwoSum(p.hi, p.lo + a * b.lo);
  }
  return SqrtDD(w);
}

Estimate Negated(Estimate e) { return {-e.hi, -e.lo, e.err}; }

constexpr DD kZero = {0, 0};

}  // namespace

bool Round(const Estimate& e, double* out) {
  double a = e.hi + (e.lo - e.err);
  double b = e.hi + (e.lo + e.err);
  if (a != b) return false;
  *out = a;
  return true;
}

Estimate SinEstimate(double x) { return SinCos(x, false); }
Estimate CosEstimate(double x) { return SinCos(x, true); }

Estimate AtanEstimate(double x) {
  double ax = Abs(x);
  Estimate e = ax <= 1 ? AtanCore({ax, 0}, {1, 0}, 1, kZero, 1)
                       : AtanCore({1, 0}, {ax, 0}, 1.0 / ax, kPiOver2, -1);
  return x < 0 ? Negated(e) : e;
}

// asin x = atan(|x| / sqrt(1 - x^2)), or pi/2 - atan(sqrt(1 - x^2) / |x|) when |x| > 1/sqrt(2).
Estimate AsinEstimate(double x) {
  double ax = Abs(x);
  Root s = SqrtOneMinusSquare(ax);
  Estimate e = ax <= s.s.hi ? AtanCore({ax, 0}, s.s, s.inv, kZero, 1)
                            : AtanCore(s.s, {ax, 0}, 1.0 / ax, kPiOver2, -1);
  return x < 0 ? Negated(e) : e;
}

// acos x = atan(sqrt(1 - x^2) / x) for x > 0, pi - that for x < 0, through the quotient not
// above 1.
Estimate AcosEstimate(double x) {
  double ax = Abs(x);
  Root s = SqrtOneMinusSquare(ax);
  if (s.s.hi <= ax) {
    double inv = 1.0 / ax;
    return x > 0 ? AtanCore(s.s, {ax, 0}, inv, kZero, 1) : AtanCore(s.s, {ax, 0}, inv, kPi, -1);
  }
  return x > 0 ? AtanCore({ax, 0}, s.s, s.inv, kPiOver2, -1)
               : AtanCore({ax, 0}, s.s, s.inv, kPiOver2, 1);
}

namespace {

double QuietNaN(double x) { return FromBits(ToBits(x) | 0x0008000000000000ull); }
constexpr uint64_t kNaNBits = 0x7ff8000000000000ull;
// |x| thresholds as bit patterns.
constexpr uint64_t kTwoM55 = 0x3c80000000000000ull;  // 2^-55
constexpr uint64_t kTwoM27 = 0x3e40000000000000ull;  // 2^-27
constexpr uint64_t kOne = 0x3ff0000000000000ull;
constexpr uint64_t kTwo53 = 0x4340000000000000ull;  // 2^53

double WithSignOf(double v, double x) {
  return FromBits((ToBits(v) & ~kSignBit) | (ToBits(x) & kSignBit));
}

double Finish(const Estimate& e, Fn f, double x) {
  double y;
  if (Round(e, &y)) return y;
  return Accurate(f, x);
}

}  // namespace
}  // namespace detail

using namespace detail;

// For |x| < 2^-27: sin x = x - x^3/6 + ... lies within half an ulp of x (x^3/6 < 2^-54.6 |x| and
// x^3/6 < 2^-54 ulp(x) when x is a power of two), so it rounds to x; cos x = 1 - x^2/2 + ...
// lies above 1 - 2^-54, the midpoint below 1, so it rounds to 1.
double Sin(double x) {
  uint64_t a = ToBits(x) & ~kSignBit;
  if (a >= kExpMask) return a > kExpMask ? QuietNaN(x) : FromBits(kNaNBits);
  if (a < kTwoM27) return x;
  return Finish(SinEstimate(x), Fn::kSin, x);
}

double Cos(double x) {
  uint64_t a = ToBits(x) & ~kSignBit;
  if (a >= kExpMask) return a > kExpMask ? QuietNaN(x) : FromBits(kNaNBits);
  if (a < kTwoM27) return 1.0;
  return Finish(CosEstimate(x), Fn::kCos, x);
}

// asin x = x + x^3/6 + ... rounds to x for |x| < 2^-27 (the excess is below a third of ulp(x)/2).
// asin(+-1) = +-pi/2 rounded.
double Asin(double x) {
  uint64_t a = ToBits(x) & ~kSignBit;
  if (a > kExpMask) return QuietNaN(x);
  if (a > kOne) return FromBits(kNaNBits);
  if (a == kOne) return WithSignOf(kPiOver2.hi, x);
  if (a < kTwoM27) return x;
  return Finish(AsinEstimate(x), Fn::kAsin, x);
}

// acos x = pi/2 - x - ...; pi/2 lies 0.2758 ulp above its double kPiOver2.hi, so for |x| < 2^-55
// (an eighth of an ulp) the value stays within 0.41 ulp of kPiOver2.hi.
double Acos(double x) {
  uint64_t a = ToBits(x) & ~kSignBit;
  if (a > kExpMask) return QuietNaN(x);
  if (a > kOne) return FromBits(kNaNBits);
  if (a == kOne) return x > 0 ? 0.0 : kPi.hi;
  if (a < kTwoM55) return kPiOver2.hi;
  return Finish(AcosEstimate(x), Fn::kAcos, x);
}

// atan x = x - x^3/3 + ... rounds to x for |x| < 2^-27; for |x| >= 2^53 (infinities included),
// atan x = +-(pi/2 - 1/|x| + ...) with 1/|x| <= half an ulp of pi/2, which stays within 0.28 ulp of
// kPiOver2.hi.
double Atan(double x) {
  uint64_t a = ToBits(x) & ~kSignBit;
  if (a > kExpMask) return QuietNaN(x);
  if (a >= kTwo53) return WithSignOf(kPiOver2.hi, x);
  if (a < kTwoM27) return x;
  return Finish(AtanEstimate(x), Fn::kAtan, x);
}

// The IEEE square root: the SSE2 instruction on every x86 build (never a library routine that might
// go through the x87 unit). Negative arguments give a quiet NaN without raising a flag.
double Sqrt(double x) {
  uint64_t b = ToBits(x);
  if ((b & ~kSignBit) > kExpMask) return QuietNaN(x);
  if ((b & kSignBit) && (b & ~kSignBit)) return FromBits(kNaNBits);
  return SqrtDouble(x);
}

}  // namespace zar::zmath
