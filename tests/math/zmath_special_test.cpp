// Special values, signed zeros, symmetries and the floating-point flags of the elementary
// functions, and the self-consistency of their two steps, on every build.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "base/zmath.h"
#include "base/zmath_internal.h"

namespace zar::zmath {
namespace {

uint64_t ToBits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

double FromBits(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPiOver2 = 0x1.921fb54442d18p+0;  // pi/2 and pi rounded to nearest
constexpr double kPi = 0x1.921fb54442d18p+1;

using Function = double (*)(double);
const Function kAll[] = {Sin, Cos, Asin, Acos, Atan, Sqrt};

#define EXPECT_BITS(a, b) EXPECT_EQ(ToBits(a), ToBits(b)) << std::hexfloat << (a) << " vs " << (b)

TEST(ZmathSpecial, NaNGivesQuietNaNWithPayload) {
  const uint64_t nans[] = {0x7ff8000000000000ull, 0xfff8000000000123ull, 0x7ff0000000000001ull,
                           0x7ff4000000abcdefull};
  for (Function f : kAll) {
    for (uint64_t n : nans) {
      double y = f(FromBits(n));
      EXPECT_TRUE(std::isnan(y));
      EXPECT_EQ(ToBits(y), n | 0x0008000000000000ull) << std::hex << n;
    }
  }
}

TEST(ZmathSpecial, OutsideTheDomainGivesNaN) {
  for (double x : {kInf, -kInf}) {
    EXPECT_TRUE(std::isnan(Sin(x)));
    EXPECT_TRUE(std::isnan(Cos(x)));
  }
  for (double x : {0x1.0000000000001p+0, 2.0, 1e300, kInf}) {
    for (double s : {x, -x}) {
      EXPECT_TRUE(std::isnan(Asin(s))) << s;
      EXPECT_TRUE(std::isnan(Acos(s))) << s;
    }
  }
  for (double x : {-0x1p-1074, -1.0, -kInf}) EXPECT_TRUE(std::isnan(Sqrt(x))) << x;
}

TEST(ZmathSpecial, EndpointsAndInfinities) {
  EXPECT_BITS(Atan(kInf), kPiOver2);
  EXPECT_BITS(Atan(-kInf), -kPiOver2);
  EXPECT_BITS(Atan(0x1p53), kPiOver2);
  EXPECT_BITS(Atan(-1e300), -kPiOver2);
  EXPECT_BITS(Asin(1.0), kPiOver2);
  EXPECT_BITS(Asin(-1.0), -kPiOver2);
  EXPECT_BITS(Acos(1.0), 0.0);
  EXPECT_BITS(Acos(-1.0), kPi);
  EXPECT_BITS(Acos(0.0), kPiOver2);
  EXPECT_BITS(Acos(-0.0), kPiOver2);
  EXPECT_BITS(Acos(0x1p-1074), kPiOver2);
  EXPECT_BITS(Atan(1.0), 0x1.921fb54442d18p-1);
  EXPECT_BITS(Sqrt(kInf), kInf);
  EXPECT_BITS(Sqrt(4.0), 2.0);
  EXPECT_BITS(Sqrt(2.0), 0x1.6a09e667f3bcdp+0);
  EXPECT_BITS(Sqrt(0x1p-1074), 0x1p-537);
}

TEST(ZmathSpecial, SignedZerosAndTinyArguments) {
  EXPECT_BITS(Sin(0.0), 0.0);
  EXPECT_BITS(Sin(-0.0), -0.0);
  EXPECT_BITS(Asin(-0.0), -0.0);
  EXPECT_BITS(Atan(-0.0), -0.0);
  EXPECT_BITS(Atan(0.0), 0.0);
  EXPECT_BITS(Sqrt(-0.0), -0.0);
  EXPECT_BITS(Cos(-0.0), 1.0);
  EXPECT_BITS(Cos(0.0), 1.0);
  for (double x : {0x1p-1074, 0x1.fffffffffffffp-1023, 0x1p-1022, 1e-300, 0x1.fffffffffffffp-28}) {
    EXPECT_BITS(Sin(x), x);
    EXPECT_BITS(Sin(-x), -x);
    EXPECT_BITS(Asin(-x), -x);
    EXPECT_BITS(Atan(x), x);
    EXPECT_BITS(Cos(x), 1.0);
  }
}

// Odd and even symmetry hold exactly for correctly rounded results, across all the ranges and
// both steps (the random arguments include hard ones as rarely as they occur).
TEST(ZmathSpecial, Symmetries) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int i = 0; i < 20000; ++i) {
    double t = std::exp2(std::uniform_real_distribution<double>(-30, 1000)(rng));
    double u = std::fabs(unit(rng));
    EXPECT_BITS(Sin(-t), -Sin(t));
    EXPECT_BITS(Cos(-t), Cos(t));
    EXPECT_BITS(Atan(-t), -Atan(t));
    EXPECT_BITS(Asin(-u), -Asin(u));
  }
}

// sin and cos of the doubles nearest to pi and pi/2 (the results are the rounded distances to the
// true multiples, the low parts of pi and pi/2 as double-doubles), and of 10^22, a classic test of
// the argument reduction (sin(10^22) = -0.852200849767188801772...; values from MPFR).
TEST(ZmathSpecial, KnownValues) {
  EXPECT_BITS(Sin(kPi), 0x1.1a62633145c07p-53);
  EXPECT_BITS(Cos(kPiOver2), 0x1.1a62633145c07p-54);
  EXPECT_BITS(Sin(-kPi), -0x1.1a62633145c07p-53);
  EXPECT_BITS(Cos(kPi), -1.0);
  EXPECT_BITS(Sin(kPiOver2), 1.0);
  EXPECT_BITS(Sin(1e22), -0x1.b453ab76bf397p-1);
  EXPECT_BITS(Cos(1e22), 0x1.0be2cef01c8f4p-1);
}

// No input raises the invalid, division-by-zero or overflow flags: special values are answered
// without arithmetic, and no intermediate overflows. (A host that unmasks these exceptions must
// not trap in our code.)
TEST(ZmathSpecial, RaisesNoInvalidDivisionOrOverflowFlags) {
  const double inputs[] = {0.0,
                           -0.0,
                           kInf,
                           -kInf,
                           std::numeric_limits<double>::quiet_NaN(),
                           2.0,
                           -2.0,
                           1.0,
                           -1.0,
                           0x1p-1074,
                           1e300,
                           -1e300,
                           0x1.fffffffffffffp+1023,
                           0.5,
                           1e4};
  for (Function f : kAll) {
    for (double x : inputs) {
      if (f == Sqrt && x < 0) continue;  // the invalid operation itself; answered without a flag
      std::feclearexcept(FE_ALL_EXCEPT);
      volatile double y = f(x);
      (void)y;
      EXPECT_FALSE(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW))
          << std::hexfloat << x;
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile double y = Sqrt(-1.0);
  (void)y;
  EXPECT_FALSE(std::fetestexcept(FE_INVALID));
}

// The rounding test refuses any bound that straddles a midpoint and accepts a tight one.
TEST(ZmathSteps, RoundRefusesStraddlingBounds) {
  double y = 0;
  // 1 + 2^-53 is the midpoint between 1 and 1 + 2^-52.
  EXPECT_FALSE(detail::Round({1.0, 0x1p-53, 0x1p-80}, &y));
  EXPECT_FALSE(detail::Round({1.0, 0x1p-53 - 0x1p-90, 0x1p-80}, &y));
  EXPECT_TRUE(detail::Round({1.0, 0x1p-53 - 0x1p-70, 0x1p-80}, &y));
  EXPECT_BITS(y, 1.0);
  EXPECT_TRUE(detail::Round({1.0, 0x1p-53 + 0x1p-70, 0x1p-80}, &y));
  EXPECT_BITS(y, 0x1.0000000000001p+0);
  EXPECT_FALSE(detail::Round({1.0, 0.0, 1.0}, &y));
}

// The accurate step at 256 and at 512 bits decides the same rounding, and agrees with the public
// function, over all the ranges.
TEST(ZmathSteps, AccurateStepsAgree) {
  std::mt19937_64 rng(2024);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  struct {
    detail::Fn fn;
    Function f;
  } const functions[] = {{detail::Fn::kSin, Sin},
                         {detail::Fn::kCos, Cos},
                         {detail::Fn::kAsin, Asin},
                         {detail::Fn::kAcos, Acos},
                         {detail::Fn::kAtan, Atan}};
  for (auto& fn : functions) {
    for (int i = 0; i < 150; ++i) {
      double x;
      if (fn.fn == detail::Fn::kAsin || fn.fn == detail::Fn::kAcos) {
        x = i % 3 == 0 ? unit(rng)
                       : std::copysign(1 - std::exp2(-52 * std::fabs(unit(rng))), unit(rng));
        if (std::fabs(x) < 0x1p-27 || std::fabs(x) >= 1) continue;
      } else {
        x = std::copysign(
            std::exp2(26 * unit(rng) + (fn.fn == detail::Fn::kAtan ? 0 : 500 + 500 * unit(rng))),
            unit(rng));
        if (std::fabs(x) < 0x1p-27 ||
            std::fabs(x) >= 0x1p53 * (fn.fn == detail::Fn::kAtan ? 1 : 0x1p900))
          continue;
      }
      double a = 0, b = 0;
      EXPECT_TRUE(detail::AccurateStep(fn.fn, x, 8, &a)) << std::hexfloat << x;
      EXPECT_TRUE(detail::AccurateStep(fn.fn, x, 16, &b)) << std::hexfloat << x;
      EXPECT_BITS(a, b);
      EXPECT_BITS(a, fn.f(x));
    }
  }
}

}  // namespace
}  // namespace zar::zmath
