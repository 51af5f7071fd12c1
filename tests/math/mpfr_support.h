// MPFR helpers shared by the reference generator and the native MPFR test: the correctly rounded
// double value of each function, and how close an exact value lies to a rounding boundary.
#pragma once

#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace zar::mpfrsupport {

enum class Func { kSin, kCos, kAsin, kAcos, kAtan, kSqrt };

inline const char* Name(Func f) {
  switch (f) {
    case Func::kSin: return "sin";
    case Func::kCos: return "cos";
    case Func::kAsin: return "asin";
    case Func::kAcos: return "acos";
    case Func::kAtan: return "atan";
    case Func::kSqrt: return "sqrt";
  }
  return "?";
}

inline bool Parse(const char* name, Func* f) {
  for (Func g : {Func::kSin, Func::kCos, Func::kAsin, Func::kAcos, Func::kAtan, Func::kSqrt}) {
    if (std::strcmp(name, Name(g)) == 0) {
      *f = g;
      return true;
    }
  }
  return false;
}

inline uint64_t Bits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

inline double FromBits(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

inline int Apply(Func f, mpfr_t y, const mpfr_t x, mpfr_rnd_t rnd) {
  switch (f) {
    case Func::kSin: return mpfr_sin(y, x, rnd);
    case Func::kCos: return mpfr_cos(y, x, rnd);
    case Func::kAsin: return mpfr_asin(y, x, rnd);
    case Func::kAcos: return mpfr_acos(y, x, rnd);
    case Func::kAtan: return mpfr_atan(y, x, rnd);
    case Func::kSqrt: return mpfr_sqrt(y, x, rnd);
  }
  return 0;
}

// The correctly rounded double value of f(x), subnormal results included.
inline double Correct(Func f, double x) {
  static bool ready = [] {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    return true;
  }();
  (void)ready;
  mpfr_t mx, my;
  mpfr_init2(mx, 53);
  mpfr_init2(my, 53);
  mpfr_set_d(mx, x, MPFR_RNDN);
  int t = Apply(f, my, mx, MPFR_RNDN);
  mpfr_subnormalize(my, t, MPFR_RNDN);
  double y = mpfr_get_d(my, MPFR_RNDN);
  mpfr_clear(mx);
  mpfr_clear(my);
  return y;
}

// How hard f(x) is to round to nearest: the number of bits after the rounding bit that equal
// the complement of the rounding bit (the exact value then lies within 2^-(53 + n) ulp-scaled of
// a midpoint between two doubles). Returns 0 for special or zero results.
inline int HardBits(Func f, double x) {
  if (!std::isfinite(x) || x == 0) return 0;
  mpfr_t mx, my, t, ip;
  mpfr_init2(mx, 53);
  mpfr_init2(my, 320);
  mpfr_init2(t, 320);
  mpfr_init2(ip, 320);
  mpfr_set_d(mx, x, MPFR_RNDN);
  Apply(f, my, mx, MPFR_RNDN);
  int run = 0;
  if (mpfr_regular_p(my)) {
    // Scale |y| = 0.1xxx * 2^e to [2^53, 2^54): the integer part holds the 53 bits of the
    // double and the rounding bit; the fraction holds the bits after the rounding bit.
    mpfr_abs(t, my, MPFR_RNDN);
    long e = mpfr_get_exp(t);
    mpfr_mul_2si(t, t, 54 - e, MPFR_RNDN);
    mpfr_floor(ip, t);
    int roundBit = mpfr_get_ui(ip, MPFR_RNDZ) & 1;
    mpfr_sub(t, t, ip, MPFR_RNDN);
    int want = !roundBit;
    for (int i = 0; i < 250; ++i) {
      mpfr_mul_2ui(t, t, 1, MPFR_RNDN);
      int bit = mpfr_cmp_ui(t, 1) >= 0;
      if (bit) mpfr_sub_ui(t, t, 1, MPFR_RNDN);
      if (bit != want) break;
      ++run;
    }
  }
  mpfr_clear(mx);
  mpfr_clear(my);
  mpfr_clear(t);
  mpfr_clear(ip);
  return run;
}

}  // namespace zar::mpfrsupport
