// Native only: the elementary functions against MPFR on a million random arguments each (fewer
// under the sanitizers), spread over the ranges the engines use and beyond, expecting no
// misrounding. On a sample, the fast step's error bound is checked against the exact error. For
// information, the test prints how often the C library's functions round differently.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/zmath.h"
#include "base/zmath_internal.h"
#include "base/zmath_tables.h"
#include "tests/math/mpfr_support.h"

namespace zar::zmath {
namespace {

using mpfrsupport::Bits;
using mpfrsupport::Correct;
using mpfrsupport::Func;

#ifdef ZAR_SANITIZE
constexpr int kDefaultArguments = 100000;
#else
constexpr int kDefaultArguments = 1000000;
#endif

// ZAR_MPFR_ARGUMENTS=n checks n arguments a function instead (valgrind runs this program with a
// few thousand: the functions touch no memory beyond their tables, and MPFR under valgrind is
// slow).
int Arguments() {
  static const int count = [] {
    const char* text = std::getenv("ZAR_MPFR_ARGUMENTS");
    const long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n >= 1000 && n <= 100000000 ? int(n) : kDefaultArguments;
  }();
  return count;
}
constexpr int kBoundSample = 16;  // every 16th argument also checks the fast step's error bound

using Rng = std::mt19937_64;

double Unit(Rng& rng) { return std::uniform_real_distribution<double>(-1.0, 1.0)(rng); }
double LogUniform(Rng& rng, double lo, double hi) {
  return std::exp2(std::uniform_real_distribution<double>(std::log2(lo), std::log2(hi))(rng));
}
double Signed(Rng& rng, double x) { return (rng() & 1) ? -x : x; }

// The argument mix of each function.
double Draw(Func f, Rng& rng) {
  unsigned pick = unsigned(rng() % 20);
  switch (f) {
    case Func::kSin:
    case Func::kCos:
      if (pick < 8) return 1e4 * Unit(rng);                 // the engines' range
      if (pick < 11) return 8 * Unit(rng);                  // a few turns
      if (pick < 13) return 1e8 * Unit(rng);                // hostile parameters
      return Signed(rng, LogUniform(rng, 0x1p-30, 1e300));  // everything else
    case Func::kAsin:
    case Func::kAcos:
      if (pick < 10) return Unit(rng);
      if (pick < 14) return Signed(rng, 1 - LogUniform(rng, 0x1p-53, 0.5));  // near +-1
      if (pick < 18) return Signed(rng, LogUniform(rng, 0x1p-60, 0.5));      // near 0
      return Signed(rng, 0.7 + 0.02 * Unit(rng));  // near 1/sqrt(2), where the formulas swap
    case Func::kAtan:
      if (pick < 8) return Signed(rng, LogUniform(rng, 0x1p-40, 0x1p60));
      if (pick < 16) return 4 * Unit(rng);
      return 100 * Unit(rng);
    case Func::kSqrt: break;
  }
  return 0;
}

double Ours(Func f, double x) {
  switch (f) {
    case Func::kSin: return Sin(x);
    case Func::kCos: return Cos(x);
    case Func::kAsin: return Asin(x);
    case Func::kAcos: return Acos(x);
    case Func::kAtan: return Atan(x);
    case Func::kSqrt: return Sqrt(x);
  }
  return 0;
}

double Libm(Func f, double x) {
  switch (f) {
    case Func::kSin: return std::sin(x);
    case Func::kCos: return std::cos(x);
    case Func::kAsin: return std::asin(x);
    case Func::kAcos: return std::acos(x);
    case Func::kAtan: return std::atan(x);
    case Func::kSqrt: return std::sqrt(x);
  }
  return 0;
}

// The fast step for arguments no shortcut answers (as the public functions decide); false
// otherwise.
bool FastStep(Func f, double x, detail::Estimate* e) {
  double a = std::fabs(x);
  switch (f) {
    case Func::kSin: *e = detail::SinEstimate(x); return a >= 0x1p-27;
    case Func::kCos: *e = detail::CosEstimate(x); return a >= 0x1p-27;
    case Func::kAsin:
      if (a < 0x1p-27 || a >= 1) return false;
      *e = detail::AsinEstimate(x);
      return true;
    case Func::kAcos:
      if (a < 0x1p-55 || a >= 1) return false;
      *e = detail::AcosEstimate(x);
      return true;
    case Func::kAtan:
      if (a < 0x1p-27 || a >= 0x1p53) return false;
      *e = detail::AtanEstimate(x);
      return true;
    case Func::kSqrt: break;
  }
  return false;
}

struct Tally {
  long checked = 0;
  long misrounded = 0;
  long libmDiffers = 0;
  long undecided = 0;  // the fast step left the rounding to the accurate step
  long boundChecks = 0;
  long boundViolations = 0;
  double worstRatio = 0;  // largest |error| / bound seen
  std::vector<std::string> failures;

  void Merge(const Tally& o) {
    checked += o.checked;
    misrounded += o.misrounded;
    libmDiffers += o.libmDiffers;
    undecided += o.undecided;
    boundChecks += o.boundChecks;
    boundViolations += o.boundViolations;
    if (o.worstRatio > worstRatio) worstRatio = o.worstRatio;
    for (const std::string& s : o.failures)
      if (failures.size() < 20) failures.push_back(s);
  }
};

std::string Describe(Func f, double x, double got, double want) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s(%a) = %a, expected %a", mpfrsupport::Name(f), x, got, want);
  return buf;
}

void CheckSlice(Func f, uint64_t seed, int count, Tally* t) {
  Rng rng(seed);
  mpfr_t mx, exact, diff;
  mpfr_init2(mx, 53);
  mpfr_init2(exact, 200);
  mpfr_init2(diff, 200);
  for (int i = 0; i < count; ++i) {
    double x = Draw(f, rng);
    double want = Correct(f, x);
    double got = Ours(f, x);
    ++t->checked;
    if (Bits(got) != Bits(want)) {
      ++t->misrounded;
      if (t->failures.size() < 20) t->failures.push_back(Describe(f, x, got, want));
    }
    if (Bits(Libm(f, x)) != Bits(want)) ++t->libmDiffers;
    detail::Estimate e;
    if (FastStep(f, x, &e)) {
      double y;
      if (!detail::Round(e, &y)) ++t->undecided;
      if (i % kBoundSample == 0) {
        // |exact - (hi + lo)| against the bound, from a 200-bit value.
        mpfr_set_d(mx, x, MPFR_RNDN);
        mpfrsupport::Apply(f, exact, mx, MPFR_RNDN);
        mpfr_sub_d(diff, exact, e.hi, MPFR_RNDN);
        mpfr_sub_d(diff, diff, e.lo, MPFR_RNDN);
        double error = std::fabs(mpfr_get_d(diff, MPFR_RNDU));
        double ratio = error / e.err;
        ++t->boundChecks;
        if (ratio > t->worstRatio) t->worstRatio = ratio;
        if (!(ratio <= 1)) {
          ++t->boundViolations;
          if (t->failures.size() < 20)
            t->failures.push_back(Describe(f, x, e.hi, want) +
                                  " (fast step error above its bound)");
        }
      }
    }
  }
  mpfr_clear(mx);
  mpfr_clear(exact);
  mpfr_clear(diff);
  mpfr_free_cache();  // MPFR's per-thread caches (pi and the like) die with this thread
}

Tally CheckFunction(Func f, uint64_t seed) {
  int threads = int(std::thread::hardware_concurrency());
  if (threads < 1) threads = 1;
  if (threads > 8) threads = 8;
  std::vector<Tally> tallies(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i) {
    int count = Arguments() / threads + (i < Arguments() % threads ? 1 : 0);
    workers.emplace_back(CheckSlice, f, seed * 1000 + uint64_t(i), count, &tallies[size_t(i)]);
  }
  for (std::thread& w : workers) w.join();
  Tally total;
  for (const Tally& t : tallies) total.Merge(t);
  return total;
}

void Report(Func f, const Tally& t) {
  std::printf(
      "%s: %ld arguments, %ld misrounded; C library rounds %ld of them differently (%.4f %%); fast "
      "step undecided on %ld (%.4f %%); error bound checked %ld times, largest error/bound %.3f\n",
      mpfrsupport::Name(f), t.checked, t.misrounded, t.libmDiffers,
      100.0 * t.libmDiffers / t.checked, t.undecided, 100.0 * t.undecided / t.checked,
      t.boundChecks, t.worstRatio);
  for (const std::string& s : t.failures) ADD_FAILURE() << s;
  EXPECT_EQ(t.checked, Arguments());
  EXPECT_EQ(t.misrounded, 0);
  EXPECT_EQ(t.boundViolations, 0);
  EXPECT_GT(t.boundChecks, Arguments() / kBoundSample / 2);
}

TEST(ZmathMpfr, Sin) { Report(Func::kSin, CheckFunction(Func::kSin, 1)); }
TEST(ZmathMpfr, Cos) { Report(Func::kCos, CheckFunction(Func::kCos, 2)); }
TEST(ZmathMpfr, Asin) { Report(Func::kAsin, CheckFunction(Func::kAsin, 3)); }
TEST(ZmathMpfr, Acos) { Report(Func::kAcos, CheckFunction(Func::kAcos, 4)); }
TEST(ZmathMpfr, Atan) { Report(Func::kAtan, CheckFunction(Func::kAtan, 5)); }

// The committed constant tables against MPFR.
TEST(ZmathMpfr, Tables) {
  mpfr_t pi, v, t;
  mpfr_inits2(2400, pi, v, t, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(pi, MPFR_RNDN);
  auto expectSplit = [&](mpfr_t value, double hi, double lo, const char* what, int i) {
    EXPECT_EQ(Bits(hi), Bits(mpfr_get_d(value, MPFR_RNDN))) << what << " " << i;
    mpfr_sub_d(t, value, hi, MPFR_RNDN);
    EXPECT_EQ(Bits(lo), Bits(mpfr_get_d(t, MPFR_RNDN))) << what << " " << i;
  };
  for (int i = 0; i < 128; ++i) {
    mpfr_mul_ui(t, pi, unsigned(i), MPFR_RNDN);
    mpfr_div_2ui(t, t, 8, MPFR_RNDN);
    mpfr_t angle;
    mpfr_init2(angle, 2400);
    mpfr_set(angle, t, MPFR_RNDN);
    mpfr_sin(v, angle, MPFR_RNDN);
    expectSplit(v, detail::kSinCosPi256[i][0], detail::kSinCosPi256[i][1], "sin", i);
    mpfr_cos(v, angle, MPFR_RNDN);
    expectSplit(v, detail::kSinCosPi256[i][2], detail::kSinCosPi256[i][3], "cos", i);
    mpfr_clear(angle);
  }
  for (int j = 0; j <= 128; ++j) {
    mpfr_set_ui(v, unsigned(j), MPFR_RNDN);
    mpfr_div_2ui(v, v, 7, MPFR_RNDN);
    mpfr_atan(v, v, MPFR_RNDN);
    expectSplit(v, detail::kAtan128[j][0], detail::kAtan128[j][1], "atan", j);
  }
  // The words of 1/pi and pi: rebuild the numbers from them and compare.
  mpfr_set_ui(v, 0, MPFR_RNDN);
  for (int i = detail::kInvPiWords - 1; i >= 0; --i) {
    mpfr_add_ui(v, v, detail::kInvPiBits[i], MPFR_RNDN);
    mpfr_div_2ui(v, v, 32, MPFR_RNDN);
  }
  mpfr_ui_div(t, 1, pi, MPFR_RNDN);
  mpfr_sub(t, t, v, MPFR_RNDN);  // the bits beyond the table: below one unit of the last word
  EXPECT_TRUE(mpfr_sgn(t) >= 0 && mpfr_cmp_ui_2exp(t, 1, -32 * detail::kInvPiWords) < 0);
  mpfr_set_ui(v, 0, MPFR_RNDN);
  for (int i = detail::kPiWords - 1; i >= 0; --i) {
    mpfr_add_ui(v, v, detail::kPiBits[i], MPFR_RNDN);
    mpfr_div_2ui(v, v, 32, MPFR_RNDN);
  }
  mpfr_mul_2ui(v, v, 2, MPFR_RNDN);
  mpfr_sub(t, pi, v, MPFR_RNDN);
  EXPECT_TRUE(mpfr_sgn(t) >= 0 && mpfr_cmp_ui_2exp(t, 1, 2 - 32 * detail::kPiWords) < 0);
  mpfr_clears(pi, v, t, static_cast<mpfr_ptr>(nullptr));
}

}  // namespace
}  // namespace zar::zmath
