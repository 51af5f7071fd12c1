// The elementary functions against the committed reference file (tests/data/zmath_reference.txt,
// correctly rounded values computed with MPFR): every result bit for bit, on every build. The
// accurate step alone must give the same bits at both precisions, so the rare slow path is pinned
// on every build too.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/zmath.h"
#include "base/zmath_internal.h"
#include "tests/support/image.h"

namespace zar::zmath {
namespace {

using detail::Fn;

struct Case {
  std::string fn;
  uint64_t x;
  uint64_t y;
};

double FromBits(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

uint64_t ToBits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

std::vector<Case> ReadCases() {
  std::vector<Case> cases;
  FILE* f = std::fopen(testing::TestDataPath("zmath_reference.txt").c_str(), "r");
  if (!f) return cases;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    if (line[0] == '#') continue;
    char name[16];
    uint64_t x, y;
    if (std::sscanf(line, "%15s %" SCNx64 " %" SCNx64, name, &x, &y) == 3)
      cases.push_back({name, x, y});
  }
  std::fclose(f);
  return cases;
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = ReadCases();
  return cases;
}

double Call(const std::string& fn, double x) {
  if (fn == "sin") return Sin(x);
  if (fn == "cos") return Cos(x);
  if (fn == "asin") return Asin(x);
  if (fn == "acos") return Acos(x);
  if (fn == "atan") return Atan(x);
  return Sqrt(x);
}

bool SameResult(double got, uint64_t want) {
  double w = FromBits(want);
  if (std::isnan(w)) return std::isnan(got);
  return ToBits(got) == want;
}

// The fast and accurate steps take the finite arguments that no shortcut answers.
bool InStepDomain(const std::string& fn, double x, Fn* f, detail::Estimate (**estimate)(double)) {
  double a = std::fabs(x);
  if (!std::isfinite(x)) return false;
  if (fn == "sin" || fn == "cos") {
    *f = fn == "sin" ? Fn::kSin : Fn::kCos;
    *estimate = fn == "sin" ? detail::SinEstimate : detail::CosEstimate;
    return a >= 0x1p-27;
  }
  if (fn == "asin") {
    *f = Fn::kAsin;
    *estimate = detail::AsinEstimate;
    return a >= 0x1p-27 && a < 1;
  }
  if (fn == "acos") {
    *f = Fn::kAcos;
    *estimate = detail::AcosEstimate;
    return a >= 0x1p-55 && a < 1;
  }
  if (fn == "atan") {
    *f = Fn::kAtan;
    *estimate = detail::AtanEstimate;
    return a >= 0x1p-27 && a < 0x1p53;
  }
  return false;
}

TEST(ZmathReference, FileCoversEveryFunction) {
  std::map<std::string, int> counts;
  for (const Case& c : Cases()) ++counts[c.fn];
  for (const char* fn : {"sin", "cos", "asin", "acos", "atan"}) EXPECT_GE(counts[fn], 2000) << fn;
  EXPECT_GE(counts["sqrt"], 400);
}

TEST(ZmathReference, EveryResultBitForBit) {
  int wrong = 0;
  std::map<std::string, int> checked;
  for (const Case& c : Cases()) {
    double x = FromBits(c.x);
    double got = Call(c.fn, x);
    ++checked[c.fn];
    if (!SameResult(got, c.y)) {
      if (++wrong <= 20)
        ADD_FAILURE() << c.fn << "(" << std::hexfloat << x << ") = " << got << ", expected "
                      << FromBits(c.y);
    }
  }
  EXPECT_EQ(wrong, 0);
  for (auto& [fn, n] : checked) std::printf("%s: %d reference values checked\n", fn.c_str(), n);
}

// Where the fast step decides, it decides right; where it cannot, the accurate step does, at both
// precisions. The reference file holds enough hard cases that the accurate step is really used.
TEST(ZmathReference, FastAndAccurateStepsAgree) {
  std::map<std::string, int> undecided;
  int wrongFast = 0, wrongAccurate = 0;
  for (const Case& c : Cases()) {
    double x = FromBits(c.x);
    Fn f;
    detail::Estimate (*estimate)(double);
    if (!InStepDomain(c.fn, x, &f, &estimate)) continue;
    double y;
    if (detail::Round(estimate(x), &y)) {
      if (ToBits(y) != c.y && ++wrongFast <= 10)
        ADD_FAILURE() << "fast step " << c.fn << "(" << std::hexfloat << x << ") = " << y;
    } else {
      ++undecided[c.fn];
    }
    for (int words : {8, 16}) {
      double a = 0;
      bool decided = detail::AccurateStep(f, x, words, &a);
      if ((!decided || ToBits(a) != c.y) && ++wrongAccurate <= 10)
        ADD_FAILURE() << "accurate step (" << words << " words) " << c.fn << "(" << std::hexfloat
                      << x << ") = " << a << (decided ? "" : " undecided");
    }
  }
  EXPECT_EQ(wrongFast, 0);
  EXPECT_EQ(wrongAccurate, 0);
  for (const char* fn : {"sin", "cos", "asin", "acos", "atan"}) {
    std::printf("%s: fast step undecided on %d reference arguments\n", fn, undecided[fn]);
    EXPECT_GE(undecided[fn], 50) << fn;
  }
}

}  // namespace
}  // namespace zar::zmath
