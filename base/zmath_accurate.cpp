// The accurate step of the elementary functions (zmath_internal.h): the value recomputed with a
// floating-point number of N 32-bit words (256 or 512 bits) in integer arithmetic only, then
// rounded to double when its error bound allows.
//
// Every operation on these numbers truncates its result to N words, an error below one unit in the
// last place (ulp = 2^(1 - 32N) relative). The functions below use at most a few hundred such
// operations; the bounds stated (2^(16 - 32N) relative) leave a factor of more than a hundred over
// a generous count of them. sin and cos add the error of the argument reduction, computed for each
// argument.
#include <bit>
#include <cstdint>
#include <cstring>

#include "base/zmath.h"
#include "base/zmath_internal.h"
#include "base/zmath_tables.h"

namespace zar::zmath::detail {
namespace {

constexpr int kZeroExp = -(1 << 24);

// (-1)^neg 0.m 2^e, m[N-1] holding the most significant bits; normalized (top bit of m[N-1] set)
// unless zero (all words zero).
template <int N>
struct Big {
  uint32_t m[N];
  int e;
  bool neg;
};

template <int N>
bool IsZero(const Big<N>& a) {
  return a.m[N - 1] == 0;
}

// The number r 2^(e - 32 words) (r of `words` words), truncated to N words.
template <int N>
Big<N> Normalize(const uint32_t* r, int words, int e, bool neg) {
  Big<N> out;
  out.neg = neg;
  int top = words - 1;
  while (top >= 0 && r[top] == 0) --top;
  if (top < 0) {
    for (int i = 0; i < N; ++i) out.m[i] = 0;
    out.e = kZeroExp;
    return out;
  }
  int pos = 32 * top + 31 - std::countl_zero(r[top]);  // the leading one
  for (int i = 0; i < N; ++i) out.m[i] = Word32(r, words, pos - 32 * N + 1 + 32 * i);
  out.e = e - (32 * words - 1 - pos);
  return out;
}

template <int N>
Big<N> FromDouble(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  int be = int(b >> 52) & 0x7ff;
  uint64_t mant = b & 0x000fffffffffffffull;
  int e2 = -1074;
  if (be != 0) {
    mant |= uint64_t(1) << 52;
    e2 = be - 1075;
  }
  uint32_t r[2] = {uint32_t(mant), uint32_t(mant >> 32)};
  return Normalize<N>(r, 2, e2 + 64, (b >> 63) != 0);
}

template <int N>
Big<N> One() {
  return FromDouble<N>(1.0);
}

// pi 2^(e - 2): pi/2 for e = 1, pi for e = 2.
template <int N>
Big<N> PiTimes(int e) {
  Big<N> p;
  for (int i = 0; i < N; ++i) p.m[N - 1 - i] = kPiBits[i];
  p.e = e;
  p.neg = false;
  return p;
}

template <int N>
int CompareAbs(const Big<N>& a, const Big<N>& b) {
  bool za = IsZero(a), zb = IsZero(b);
  if (za || zb) return za && zb ? 0 : za ? -1 : 1;
  if (a.e != b.e) return a.e < b.e ? -1 : 1;
  for (int i = N - 1; i >= 0; --i)
    if (a.m[i] != b.m[i]) return a.m[i] < b.m[i] ? -1 : 1;
  return 0;
}

template <int N>
Big<N> Add(const Big<N>& a, const Big<N>& b) {
  if (IsZero(a)) return b;
  if (IsZero(b)) return a;
  bool aFirst = CompareAbs(a, b) >= 0;
  const Big<N>& x = aFirst ? a : b;
  const Big<N>& y = aFirst ? b : a;
  // Both as N + 3 words with two guard words below; y shifted right by the exponent difference,
  // the bits shifted out of the guard words dropped (below 2^-64 ulp of x).
  constexpr int W = N + 3;
  uint32_t xs[W], ys[W], r[W];
  int d = x.e - y.e;
  for (int i = 0; i < W; ++i) {
    xs[i] = i >= 2 && i < N + 2 ? x.m[i - 2] : 0;
    ys[i] = i < N + 2 && d < 32 * (N + 2) ? Word32(y.m, N, 32 * (i - 2) + d) : 0;
  }
  if (x.neg == y.neg) {
    uint64_t carry = 0;
    for (int i = 0; i < W; ++i) {
      uint64_t t = uint64_t(xs[i]) + ys[i] + carry;
      r[i] = uint32_t(t);
      carry = t >> 32;
    }
  } else {
    uint64_t borrow = 0;
    for (int i = 0; i < W; ++i) {
      uint64_t t = uint64_t(xs[i]) - ys[i] - borrow;
      r[i] = uint32_t(t);
      borrow = t >> 63;
    }
  }
  return Normalize<N>(r, W, x.e + 32, x.neg);
}

template <int N>
Big<N> Neg(Big<N> a) {
  a.neg = !a.neg;
  return a;
}

template <int N>
Big<N> Sub(const Big<N>& a, const Big<N>& b) {
  return Add(a, Neg(b));
}

template <int N>
Big<N> Mul(const Big<N>& a, const Big<N>& b) {
  uint32_t p[2 * N] = {};
  for (int i = 0; i < N; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < N; ++j) {
      uint64_t t = uint64_t(a.m[i]) * b.m[j] + p[i + j] + carry;
      p[i + j] = uint32_t(t);
      carry = t >> 32;
    }
    p[i + N] = uint32_t(carry);
  }
  if (IsZero(a) || IsZero(b)) return Normalize<N>(p, 2 * N, 0, false);
  return Normalize<N>(p, 2 * N, a.e + b.e, a.neg != b.neg);
}

// a / k for 1 <= k < 2^32.
template <int N>
Big<N> DivSmall(const Big<N>& a, uint32_t k) {
  uint32_t r[N + 1];
  uint64_t rem = 0;
  for (int i = N; i >= 0; --i) {
    uint64_t cur = (rem << 32) | (i >= 1 ? a.m[i - 1] : 0);
    r[i] = uint32_t(cur / k);
    rem = cur % k;
  }
  return Normalize<N>(r, N + 1, a.e, a.neg);
}

template <int N>
Big<N> Scaled(Big<N> a, int k) {
  if (!IsZero(a)) a.e += k;
  return a;
}

// The leading 53 bits of a number in [1/2, 1) as a double.
template <int N>
double Leading(const Big<N>& a) {
  uint64_t top = (uint64_t(a.m[N - 1]) << 21) | (a.m[N - 2] >> 11);  // in [2^52, 2^53)
  uint64_t bits = (uint64_t(1023 - 1) << 52) | (top & 0x000fffffffffffffull);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

constexpr int NewtonSteps(int n) { return n <= 8 ? 3 : 4; }

// 1/b: Newton's iteration y += y (1 - b y) from a double seed (relative error below 2^-51), the
// error squaring each step: 3 steps reach 2^-400, 4 steps 2^-800. Final error a few ulps.
template <int N>
Big<N> Recip(const Big<N>& b) {
  Big<N> bs = b;
  bs.e = 0;
  bs.neg = false;
  Big<N> y = FromDouble<N>(1.0 / Leading(bs));
  const Big<N> one = One<N>();
  for (int i = 0; i < NewtonSteps(N); ++i) y = Add(y, Mul(y, Sub(one, Mul(bs, y))));
  y.e -= b.e;
  y.neg = b.neg;
  return y;
}

// sqrt(a) for a > 0: Newton's iteration for 1/sqrt(A), A = a 2^-2k in [1/2, 2), then
// s = A y corrected once: s += y (A - s^2)/2. Final error a few ulps.
template <int N>
Big<N> Sqrt(const Big<N>& a) {
  int k = a.e >= 0 ? a.e / 2 : -((1 - a.e) / 2);
  Big<N> as = a;
  as.e = a.e - 2 * k;  // 0 or 1
  as.neg = false;
  Big<N> y = FromDouble<N>(1.0 / zmath::Sqrt(Leading(as) * (as.e == 1 ? 2.0 : 1.0)));
  const Big<N> one = One<N>();
  for (int i = 0; i < NewtonSteps(N) + 1; ++i)
    y = Add(y, Scaled(Mul(y, Sub(one, Mul(as, Mul(y, y)))), -1));
  Big<N> s = Mul(as, y);
  s = Add(s, Scaled(Mul(y, Sub(as, Mul(s, s))), -1));
  s.e += k;
  return s;
}

// Rounds y to the nearest double (y normal, |y| within the double range) given that its relative
// error is below 2^-bits. Sets *out either way; returns whether the rounding is proven: every value
// within the error bound rounds alike unless the bits between the rounding bit and the error's
// reach all equal the complement of the rounding bit.
template <int N>
bool RoundBig(const Big<N>& y, int bits, double* out) {
  auto bit = [&](int i) { return (y.m[i >> 5] >> (i & 31)) & 1; };
  constexpr int kTop = 32 * N - 1;
  uint64_t mant = 0;
  for (int i = kTop; i > kTop - 53; --i) mant = (mant << 1) | bit(i);
  uint32_t roundBit = bit(kTop - 53);
  bool decided = false;
  for (int i = kTop - 54; i >= 32 * N - bits + 1; --i) {
    if (bit(i) == roundBit) {
      decided = true;
      break;
    }
  }
  int exp = y.e - 1;
  mant += roundBit;
  if (mant >> 53) {
    mant >>= 1;
    ++exp;
  }
  uint64_t b =
      (uint64_t(y.neg) << 63) | (uint64_t(exp + 1023) << 52) | (mant & 0x000fffffffffffffull);
  std::memcpy(out, &b, sizeof b);
  return decided;
}

// sin r (cosine = false) or cos r for |r| <= pi/4 by their Taylor series, summed until the terms
// fall below 2^-(32N + 8) of the sum (the series alternate with decreasing terms, so the rest is
// smaller still). Error: a few ulps per term and per addition, below 2^(8 - 32N) relative.
template <int N>
Big<N> SinCosSeries(const Big<N>& r, bool cosine) {
  Big<N> z = Mul(r, r);
  Big<N> term = cosine ? One<N>() : r;
  Big<N> sum = term;
  for (uint32_t k = 1; k < 200; ++k) {
    uint32_t d = cosine ? (2 * k - 1) * (2 * k) : (2 * k) * (2 * k + 1);
    term = DivSmall(Mul(term, z), d);
    sum = (k & 1) ? Sub(sum, term) : Add(sum, term);
    if (IsZero(term) || term.e < sum.e - (32 * N + 8)) break;
  }
  return sum;
}

// atan t for 0 < t (t <= 1 in use): halve the angle, t <- t / (1 + sqrt(1 + t^2)), until t < 1/8
// (three times at most from t = 1), then the Taylor series t - t^3/3 + ..., doubled back.
// atan's relative condition number is at most 1, so each step's relative error (about a dozen
// ulps for a halving) passes on unamplified.
template <int N>
Big<N> AtanBig(Big<N> t) {
  const Big<N> one = One<N>();
  int halvings = 0;
  while (t.e > -3 && halvings < 8) {
    Big<N> s = Sqrt(Add(one, Mul(t, t)));
    t = Mul(t, Recip(Add(one, s)));
    ++halvings;
  }
  Big<N> z = Mul(t, t);
  Big<N> p = t;
  Big<N> sum = t;
  for (uint32_t k = 1; k < 400; ++k) {
    p = Mul(p, z);
    Big<N> term = DivSmall(p, 2 * k + 1);
    sum = (k & 1) ? Sub(sum, term) : Add(sum, term);
    if (IsZero(term) || term.e < sum.e - (32 * N + 8)) break;
  }
  return Scaled(sum, halvings);
}

template <int N>
Big<N> Quotient(const Big<N>& a, const Big<N>& b) {
  return Mul(a, Recip(b));
}

template <int N>
bool SinCosStep(double x, bool cosine, double* out) {
  double ax = x < 0 ? -x : x;
  Big<N> r;
  unsigned q = 0;
  int reductionBits = 32 * N + 16;   // exact for |x| <= pi/4
  if (ax <= 0x1.921fb54442d18p-1) {  // RD(pi/4)
    r = FromDouble<N>(ax);
  } else {
    // x 2/pi mod 4 with 2 integer bits, error below 2^(55 - 32 words).
    constexpr int kWords = N + 4;
    uint64_t b;
    std::memcpy(&b, &ax, sizeof b);
    uint64_t m = (b & 0x000fffffffffffffull) | (uint64_t(1) << 52);
    int e = int(b >> 52) - 1075;
    uint32_t v[kWords];
    ReduceBits(m, e, kWords, v);
    q = v[kWords - 1] >> 30;
    bool up = (v[kWords - 1] >> 29) & 1;  // fraction >= 1/2: r = (fraction - 1) pi/2
    v[kWords - 1] &= 0x3fffffff;
    if (up) {
      q = (q + 1) & 3;
      uint64_t borrow = 0;  // 2^(32 words - 2) - v
      for (int i = 0; i < kWords; ++i) {
        uint64_t t = uint64_t(i == kWords - 1 ? 0x40000000u : 0) - v[i] - borrow;
        v[i] = uint32_t(t);
        borrow = t >> 63;
      }
    }
    Big<N> f = Normalize<N>(v, kWords, 2, up);
    if (IsZero(f)) return false;
    // Relative error of f: 2^(55 - 32 words) / |f| <= 2^(56 - 32 words - f.e); then f pi/2 adds
    // three ulps (truncations of f, pi/2 and the product).
    int fBits = 32 * kWords - 56 + f.e;
    reductionBits = fBits < 32 * N - 3 ? fBits : 32 * N - 3;
    r = Mul(f, PiTimes<N>(1));
  }
  unsigned quadrant = (q + (cosine ? 1u : 0u)) & 3;
  Big<N> y = SinCosSeries(r, (quadrant & 1) != 0);
  bool negate = (quadrant & 2) != 0;
  if (!cosine && x < 0) negate = !negate;
  if (negate) y.neg = !y.neg;
  // r's relative error reaches sin r or cos r at most 1.11 times.
  int bits = reductionBits - 2 < 32 * N - 16 ? reductionBits - 2 : 32 * N - 16;
  return RoundBig(y, bits, out);
}

// sqrt(1 - x^2) for 2^-55 <= |x| < 1: 1 - |x| and 1 + |x| are exact at N >= 8 words.
template <int N>
Big<N> SqrtOneMinusSquare(const Big<N>& ax) {
  const Big<N> one = One<N>();
  return Sqrt(Mul(Sub(one, ax), Add(one, ax)));
}

template <int N>
bool Step(Fn f, double x, double* out) {
  if (f == Fn::kSin || f == Fn::kCos) return SinCosStep<N>(x, f == Fn::kCos, out);
  Big<N> ax = FromDouble<N>(x < 0 ? -x : x);
  Big<N> y;
  if (f == Fn::kAtan) {
    y = CompareAbs(ax, One<N>()) <= 0 ? AtanBig(ax) : Sub(PiTimes<N>(1), AtanBig(Recip(ax)));
    y.neg = x < 0;
  } else if (f == Fn::kAsin) {
    Big<N> s = SqrtOneMinusSquare(ax);
    y = CompareAbs(ax, s) <= 0 ? AtanBig(Quotient(ax, s))
                               : Sub(PiTimes<N>(1), AtanBig(Quotient(s, ax)));
    y.neg = x < 0;
  } else {  // acos
    Big<N> s = SqrtOneMinusSquare(ax);
    Big<N> a = CompareAbs(s, ax) <= 0 ? AtanBig(Quotient(s, ax))
                                      : Sub(PiTimes<N>(1), AtanBig(Quotient(ax, s)));
    y = x > 0 ? a : Sub(PiTimes<N>(2), a);
  }
  return RoundBig(y, 32 * N - 16, out);
}

}  // namespace

bool AccurateStep(Fn f, double x, int words, double* out) {
  return words <= 8 ? Step<8>(f, x, out) : Step<16>(f, x, out);
}

double Accurate(Fn f, double x) {
  double y;
  if (Step<8>(f, x, &y)) return y;
  // Not decided at 2^-240: try 2^-496. No double argument is known to need it; if one ever failed
  // even then, its value rounded from 512 bits is returned.
  Step<16>(f, x, &y);
  return y;
}

}  // namespace zar::zmath::detail
