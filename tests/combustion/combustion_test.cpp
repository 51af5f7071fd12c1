#include "effects/combustion/combustion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "effects/combustion/propagate.h"
#include "base/zmath.h"
#include "effects/field/field_kernels.h"
#include "platform/platform.h"
#include "tests/combustion/pinned_cases.h"
#include "tests/ice/reference_field.h"
#include "tests/support/image.h"

namespace zar::combustion {
namespace {

using testing::CombustionDefaults;
using testing::CombustionFrame;
using testing::Image;

// A small deterministic generator for test data (independent of the engine's).
struct TestNoise {
  uint32_t state;
  uint8_t Byte() {
    state = state * 1664525u + 1013904223u;
    return uint8_t(state >> 24);
  }
};

Image Filled(int w, int h, int planes, uint8_t value, int padding = 0) {
  Image image(w, h, planes, padding);
  std::fill(image.pixels.begin(), image.pixels.end(), value);
  return image;
}

bool PixelIsCopy(const Image& out, const Image& in, int x, int y) {
  return std::memcmp(out.At(x, y), in.At(x, y), size_t(in.planes)) == 0;
}

bool PixelIsClear(const Image& out, int x, int y) {
  for (int p = 0; p < out.planes; ++p)
    if (out.At(x, y)[p] != 0) return false;
  return true;
}

// ---- the transition front ---------------------------------------------------------------------

TEST(EdgeFrontPosition, WorkedValuesAtTheStartOfAnEdge) {
  // p = 0, m = 0.25, A = 150, B = 100: the waves are 0 and the ripple 1, a = 20, so
  // f = -20 + 20/35 + (20 + 100) * 0.25 = 10.57 for "Top" and "Bottom".
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kTop), 11);
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kBottom), 11);
  // "Left" and "Right": the ripple is halved and the extent is A: -20 + 10/35 + 170 * 0.25.
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kLeft), 23);
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kRight), 23);
  // Diagonals: -20 + 20/35 + 220 * 0.25 = 35.57, less t * B (t = 0) or (1 - t) * B.
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kLeftBtm), 36);
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kRightTop), 36);
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kLeftTop), -1);
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, kRightBtm), -1);
  // Past the far side: -20 + 20/35 + 120 = 100.57 reaches B.
  EXPECT_EQ(EdgeFrontPosition(0, 1.0, 150, 100, kTop), -2);
  EXPECT_EQ(EdgeFrontPosition(0, 0.0, 150, 100, kTop), -1);
  // Directions outside the eight give 0.
  EXPECT_EQ(EdgeFrontPosition(0, 0.25, 150, 100, 8), 0);
  EXPECT_EQ(EdgeFrontPosition(70, 0.6, 150, 100, 255), 0);
}

TEST(EdgeFrontPosition, TopAtPhaseZeroAndHundred) {
  for (int p = 0; p < 150; ++p) {
    const int v0 = EdgeFrontPosition(p, PhaseFactor(kPage, 0), 150, 100, kTop);
    EXPECT_TRUE(v0 == -1 || v0 == 0) << p << " " << v0;
    EXPECT_EQ(EdgeFrontPosition(p, PhaseFactor(kPage, 100), 150, 100, kTop), -2) << p;
  }
}

// The front computed directly, in one piece, against the engine's (which splits it into terms
// of the position, terms of the phase and a table for a front used again and again).
int ReferenceFront(int p, double m, int A, int B, int direction) {
  if (direction < 0 || direction > 7) return 0;
  if (A <= 0) return -1;
  const bool rowEdge = direction == kLeft || direction == kRight;
  const double t = float(double(p) / A);
  double S = zmath::Sin(7.5398208 * t);
  double P = float(m * m * zmath::Sin(3.141592 + 6.283184 * p / A));
  double Q = float(m * m * (1 - zmath::Cos(6.283184 * t)));
  double Cv = zmath::Cos(p / (0.02 * A));
  if (rowEdge) {
    S *= 0.5;
    P = float(m * m * (zmath::Sin(3.141592 + 6.283184 * p / A) * 0.5));
    Cv *= 0.5;
  } else if (!(A / 4 <= p && p <= A - A / 4)) {
    Q = 0;
  }
  const double Y = std::max({S, P, Q});
  const double a = float(0.2 * B);
  const double wave = a * Y - a + (a / 35) * Cv;
  double f, L = B;
  if (rowEdge) {
    f = wave + (a + A) * m;
    L = A;
  } else if (direction == kTop || direction == kBottom) {
    f = wave + (a + B) * m;
  } else if (direction == kLeftBtm || direction == kRightTop) {
    f = double(float(wave + (2.0 * B + a) * m)) - t * B;
  } else {
    f = double(float(wave + (2.0 * B + a) * m)) - (1 - t) * B;
  }
  const double k = std::trunc(f + 0.5);
  if (!(k >= 0)) return -1;
  return k >= L ? -2 : int(k);
}

TEST(EdgeFrontPosition, EveryFormOfTheFrontMatchesTheFormula) {
  for (int direction = -1; direction < 10; ++direction)
    for (int A : {0, 1, 7, 84, 1028})
      for (int B : {5, 61, 773})
        for (double m : {0.0, 0.13, 0.25, 0.5, 0.625, 0.87, 1.0, 2.55, -0.3}) {
          const EdgeFront front = PrepareEdgeFront(m, A, B, direction);
          for (int p = 0; p < std::max(A, 1); p += 1 + A / 97) {
            const int expected = ReferenceFront(p, m, A, B, direction);
            const EdgeTerms terms = EdgeFrontTermsAt(p, A, direction);
            ASSERT_EQ(EdgeFrontPosition(p, m, A, B, direction), expected)
                << p << " " << m << " " << A << " " << B << " " << direction;
            ASSERT_EQ(EdgeFrontFromTerms(terms, m, A, B, direction), expected);
            ASSERT_EQ(EdgeFrontAt(terms, front), expected);
          }
        }
  // Positions where the single-precision rounding of the diagonals' bracket decides the row.
  struct Point {
    int p;
    double m;
    int A, B, direction;
  };
  for (Point c :
       {Point{83, double(0.44f), 84, 773, kLeftTop}, Point{372, double(0.68f), 1028, 105, kLeftTop},
        Point{191, 0.375, 1028, 773, kLeftBtm}, Point{817, double(0.72f), 1028, 773, kLeftBtm},
        Point{73, double(0.55f), 249, 255, kRightBtm}, Point{191, 0.375, 1028, 773, kRightTop}}) {
    const int expected = ReferenceFront(c.p, c.m, c.A, c.B, c.direction);
    EXPECT_EQ(EdgeFrontPosition(c.p, c.m, c.A, c.B, c.direction), expected) << c.p;
    EXPECT_EQ(EdgeFrontAt(EdgeFrontTermsAt(c.p, c.A, c.direction),
                          PrepareEdgeFront(c.m, c.A, c.B, c.direction)),
              expected)
        << c.p;
  }
}

TEST(PhaseFactor, GateRunsBackwards) {
  EXPECT_EQ(PhaseFactor(kBlend, 25), 0.25f);
  EXPECT_EQ(PhaseFactor(kHole, 100), 1.0f);
  EXPECT_EQ(PhaseFactor(kGate, 100), 0.0f);
  EXPECT_EQ(PhaseFactor(kGate, 25), 0.75f);
  EXPECT_LT(PhaseFactor(kGate, 255), 0.0f);
  EXPECT_GT(PhaseFactor(kPage, 255), 1.0f);
}

TEST(IrisRadiusFactor, LargestOfThePetalsTheBloomAndTheRound) {
  // theta 0: the round term is 1.
  EXPECT_EQ(IrisRadiusFactor(0.0, 1.0), 1.0);
  // theta pi/4: cos(4 theta) = -1 and sin(6 theta) = -1, so the petals give 0.92 - 1/13.
  EXPECT_NEAR(IrisRadiusFactor(0.7853981633974483, 1.0), 0.92 - 1.0 / 13, 1e-12);
  // theta pi/12: the petals peak at 0.92 + 1/13, but at m = 1 the bloom is larger.
  EXPECT_NEAR(IrisRadiusFactor(0.2617993877991494, 1.0), 0.9 + std::sin(5 * 0.2617993877991494) / 9,
              1e-7);
  EXPECT_NEAR(IrisRadiusFactor(0.2617993877991494, 0.5), 0.92 + 1.0 / 13, 1e-12);
}

// ---- transition masks --------------------------------------------------------------------------

struct MaskRun {
  Image source;
  Image out;
};

MaskRun RunMask(int w, int h, int planes, int effectMode, int direction, float m,
                uint8_t sentinel = 0x5A) {
  MaskRun run{testing::StructuredPicture(w, h, std::max(planes, 1)),
              Filled(w, h, planes, sentinel)};
  if (planes != run.source.planes) run.source = Filled(w, h, planes, 77);
  // No black source pixels, so a copied pixel can be told from a cleared one.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) run.source.At(x, y)[0] |= 1;
  ApplyTransitionMask(CombustionFrame(run.source, run.out, nullptr), effectMode, direction, m);
  return run;
}

TEST(TransitionMask, HoleAtPhaseZeroKeepsEverythingGateAtHundredNothing) {
  const MaskRun hole = RunMask(40, 30, 3, kHole, 0, PhaseFactor(kHole, 0));
  EXPECT_EQ(hole.out.pixels, hole.source.pixels);
  const MaskRun gate = RunMask(40, 30, 3, kGate, 0, PhaseFactor(kGate, 100));
  EXPECT_TRUE(std::all_of(gate.out.pixels.begin(), gate.out.pixels.end(),
                          [](uint8_t b) { return b == 0; }));
}

TEST(TransitionMask, PageTopAtPhaseZeroKeepsAtMostTheTopRow) {
  const MaskRun r = RunMask(60, 20, 3, kPage, kTop, PhaseFactor(kPage, 0));
  for (int y = 1; y < 20; ++y)
    for (int x = 0; x < 60; ++x) EXPECT_TRUE(PixelIsClear(r.out, x, y)) << x << "," << y;
  const MaskRun all = RunMask(60, 20, 3, kPage, kTop, PhaseFactor(kPage, 100));
  EXPECT_EQ(all.out.pixels, all.source.pixels);
}

TEST(TransitionMask, PageKeepsTheSideTheFrontFaces) {
  // Half-way: "Top" keeps the upper part, "Bottom" the lower, "Left" the left, "Right" the right.
  const float m = PhaseFactor(kPage, 50);
  const MaskRun top = RunMask(60, 40, 3, kPage, kTop, m);
  EXPECT_TRUE(PixelIsCopy(top.out, top.source, 30, 1));
  EXPECT_TRUE(PixelIsClear(top.out, 30, 38));
  const MaskRun bottom = RunMask(60, 40, 3, kPage, kBottom, m);
  EXPECT_TRUE(PixelIsClear(bottom.out, 30, 1));
  EXPECT_TRUE(PixelIsCopy(bottom.out, bottom.source, 30, 38));
  const MaskRun left = RunMask(60, 40, 3, kPage, kLeft, m);
  EXPECT_TRUE(PixelIsCopy(left.out, left.source, 1, 20));
  EXPECT_TRUE(PixelIsClear(left.out, 58, 20));
  const MaskRun right = RunMask(60, 40, 3, kPage, kRight, m);
  EXPECT_TRUE(PixelIsClear(right.out, 1, 20));
  EXPECT_TRUE(PixelIsCopy(right.out, right.source, 58, 20));
}

TEST(TransitionMask, BlendRightIsBlendLeft) {
  for (int phase : {10, 50, 90}) {
    const MaskRun left = RunMask(50, 31, 4, kBlend, kLeft, PhaseFactor(kBlend, phase));
    const MaskRun right = RunMask(50, 31, 4, kBlend, kRight, PhaseFactor(kBlend, phase));
    EXPECT_EQ(left.out.pixels, right.out.pixels) << phase;
  }
}

TEST(TransitionMask, BlendClearsABandAcrossTheMiddle) {
  const MaskRun r = RunMask(80, 60, 3, kBlend, kTop, PhaseFactor(kBlend, 40));
  EXPECT_TRUE(PixelIsCopy(r.out, r.source, 40, 0));
  EXPECT_TRUE(PixelIsClear(r.out, 40, 30));
  EXPECT_TRUE(PixelIsCopy(r.out, r.source, 40, 59));
}

TEST(TransitionMask, UnknownPageDirectionAndOtherPixelSizesKeepTheFirstFill) {
  // 0 < m < 1 leaves the destination as the host handed it over; m <= 0 copies; m >= 1 clears.
  const MaskRun untouched = RunMask(20, 10, 3, kPage, 8, PhaseFactor(kPage, 50));
  EXPECT_TRUE(std::all_of(untouched.out.pixels.begin(), untouched.out.pixels.end(),
                          [](uint8_t b) { return b == 0x5A; }));
  const MaskRun copied = RunMask(20, 10, 3, kPage, 8, PhaseFactor(kPage, 0));
  EXPECT_EQ(copied.out.pixels, copied.source.pixels);
  for (int planes : {1, 2, 6}) {
    const MaskRun half = RunMask(20, 10, planes, kHole, 0, PhaseFactor(kHole, 50));
    EXPECT_TRUE(std::all_of(half.out.pixels.begin(), half.out.pixels.end(),
                            [](uint8_t b) { return b == 0x5A; }));
    const MaskRun cleared = RunMask(20, 10, planes, kBlend, 0, PhaseFactor(kBlend, 100));
    EXPECT_TRUE(std::all_of(cleared.out.pixels.begin(), cleared.out.pixels.end(),
                            [](uint8_t b) { return b == 0; }));
  }
}

// "Page" and "Blend" computed directly, pixel by pixel, against the engine (which writes runs).
bool PageKeeps(int direction, int n, int i, int W, int H, float m) {
  const bool rowEdge = direction == kLeft || direction == kRight;
  const int v = EdgeFrontPosition(rowEdge ? n : i, m, W, H, direction);
  const int x = rowEdge ? i : n;
  if (v == -1) return direction >= kLeftBtm && direction <= kRight;
  if (v == -2) return direction <= kLeft || direction == kRightTop;
  switch (direction) {
    case kTop:
    case kLeft: return x <= v;
    case kLeftTop:
    case kRightTop: return x < v;
    case kRight: return x > v;
    default: return x >= v;
  }
}

bool BlendKeeps(int direction, int n, int i, int W, int H, float m) {
  const bool rowEdge = direction == kLeft || direction == kRight;
  const int p = rowEdge ? n : i, x = rowEdge ? i : n, d = rowEdge ? kLeft : direction;
  const int a = EdgeFrontPosition(p, 0.5 + 0.5 * m, W, H, d);
  const int b = EdgeFrontPosition(p, 0.5 - 0.5 * m, W, H, d);
  if (a >= 0) return x > a || x < b;
  if (b >= 0) return x < b;
  return !rowEdge && a == b;
}

TEST(TransitionMask, PageAndBlendMatchTheRulesAtEveryPixel) {
  const int W = 530, H = 40;  // wider than one block of columns
  for (int direction = 0; direction < 8; ++direction)
    for (int phase : {0, 10, 45, 80, 100, 200}) {
      const float m = PhaseFactor(kPage, phase);
      const MaskRun page = RunMask(W, H, 3, kPage, direction, m);
      const MaskRun blend = RunMask(W, H, 3, kBlend, direction, m);
      for (int n = 0; n < H; ++n)
        for (int i = 0; i < W; ++i) {
          ASSERT_EQ(PixelIsCopy(page.out, page.source, i, n) && !PixelIsClear(page.out, i, n),
                    PageKeeps(direction, n, i, W, H, m))
              << "page " << direction << " phase " << phase << " at " << i << "," << n;
          ASSERT_EQ(PixelIsCopy(blend.out, blend.source, i, n) && !PixelIsClear(blend.out, i, n),
                    BlendKeeps(direction, n, i, W, H, m))
              << "blend " << direction << " phase " << phase << " at " << i << "," << n;
        }
    }
}

// The iris computed directly, pixel by pixel, against the engine (which skips the trigonometry
// far inside and far outside the flower).
bool IrisInside(int W, int H, int n, int i, float m) {
  const int cx = W / 2, cy = H / 2;
  const double r0 = std::trunc(cx * double(m));
  const double dy = n - cy;
  double d = float(zmath::Sqrt(double(i - cx) * (i - cx) + dy * dy));
  if (d == 0) d = 1;
  const double theta = i > cx ? zmath::Asin(dy / d) : kPi - zmath::Asin(dy / d);
  return std::trunc(IrisRadiusFactor(theta, m) * r0) >= d;
}

TEST(TransitionMask, IrisMatchesTheFormulaAtEveryPixel) {
  struct Size {
    int w, h;
  };
  for (Size s : {Size{61, 47}, Size{120, 90}, Size{7, 3}, Size{530, 9}})
    for (int phase : {0, 5, 25, 40, 90, 100, 150, 255}) {
      const float mh = PhaseFactor(kHole, phase), mg = PhaseFactor(kGate, phase);
      const MaskRun hole = RunMask(s.w, s.h, 3, kHole, 0, mh);
      const MaskRun gate = RunMask(s.w, s.h, 3, kGate, 0, mg);
      for (int n = 0; n < s.h; ++n)
        for (int i = 0; i < s.w; ++i) {
          const bool holeKeeps = !IrisInside(s.w, s.h, n, i, mh);
          const bool gateKeeps = IrisInside(s.w, s.h, n, i, mg);
          ASSERT_EQ(PixelIsCopy(hole.out, hole.source, i, n) && !PixelIsClear(hole.out, i, n),
                    holeKeeps)
              << "hole phase " << phase << " at " << i << "," << n;
          ASSERT_EQ(PixelIsCopy(gate.out, gate.source, i, n) && !PixelIsClear(gate.out, i, n),
                    gateKeeps)
              << "gate phase " << phase << " at " << i << "," << n;
        }
    }
}

// ---- propagation --------------------------------------------------------------------------------

// The sweep cell by cell: the field's reference pass, its rows numbered upwards (flameDirection d
// is the pass's direction 4 - d); r0 mod (coolB + 1) is the drop.
void ReferenceSweep(std::vector<uint8_t>& f, int fw, int fh, int direction, int coolA, int coolB,
                    int r0) {
  reference::DirectionalPass(f.data(), fw, fh, fw, (4 - direction) & 7, coolA, coolB, r0);
}

struct FieldHolder {
  HeatField field;
  FieldHolder(int w, int h) { EXPECT_TRUE(AllocateHeatField(field, w, h)); }
  ~FieldHolder() { ReleaseHeatField(field); }
  uint8_t& At(int y, int x) { return field.Row(y)[x]; }
  std::vector<uint8_t> Cells() const { return {field.cells, field.cells + field.bytes}; }
};

TEST(PropagateFlames, MatchesTheCellByCellSweepInEveryDirection) {
  struct Size {
    int w, h;
  };
  struct Air {
    int oxygen, gravity;
  };
  TestNoise noise{12345};
  for (Size size : {Size{0, 0}, Size{1, 2}, Size{3, 3}, Size{17, 9}, Size{64, 5}, Size{600, 3}})
    for (Air air : {Air{6, 10}, Air{0, 0}, Air{255, 255}, Air{40, 100}, Air{100, 50}, Air{30, 255}})
      for (int direction = 0; direction < 8; ++direction) {
        FieldHolder h(size.w, size.h);
        for (size_t i = 0; i < h.field.bytes; ++i) h.field.cells[i] = noise.Byte();
        std::vector<uint8_t> expected = h.Cells();
        Rng rng{uint32_t(direction * 7 + air.oxygen)};
        Rng reference = rng;
        const int r0 = reference.Next();
        ReferenceSweep(expected, h.field.width, h.field.height, direction, air.oxygen,
                       LowerCoolingThreshold(air.gravity, air.oxygen), r0);
        FlameSettings settings;
        settings.oxygen = uint8_t(air.oxygen);
        settings.gravity = uint8_t(air.gravity);
        settings.flameDirection = uint8_t(direction);
        PropagateFlames(h.field, settings, rng);
        ASSERT_EQ(h.Cells(), expected) << size.w << "x" << size.h << " oxygen " << air.oxygen
                                       << " gravity " << air.gravity << " direction " << direction;
        EXPECT_EQ(rng.state, reference.state);
      }
}

// The sweep's kernels for every instruction set this build and processor have, each against the
// cell-by-cell sweep: every width 0..70 (every count of cells left over after the blocks) on a few
// heights, every height 0..70 on a few widths, all directions, coolings with and without a drop,
// fields of noise and fields of the values where byte arithmetic overflows or thresholds bite.
std::vector<simd::Isa> AvailableIsas() {
  std::vector<simd::Isa> isas;
  for (simd::Isa isa : simd::kIsas)
    if (simd::IsaAvailable(isa)) isas.push_back(isa);
  return isas;
}

TEST(Sweep, EveryKernelMatchesTheCellByCellSweep) {
  struct Size {
    int w, h;
  };
  std::vector<Size> sizes;
  for (int w = 0; w <= 70; ++w)
    for (int h : {0, 1, 4}) sizes.push_back({w, h});
  for (int h = 0; h <= 70; ++h)
    for (int w : {2, 27, 61}) sizes.push_back({w, h});
  // (oxygen, lower threshold, drop) as the sweep's cooling is made from them: r0 = drop.
  struct Air {
    int oxygen, coolB, drop;
  };
  const Air airs[] = {{6, 0, 0},       {60, 36, 17},  {255, 252, 200}, {0, 0, 0},   {1, 0, 0},
                      {128, 127, 127}, {200, 100, 0}, {255, 0, 0},     {40, 40, 9}, {30, 76, 5}};
  const uint8_t edges[] = {0, 1, 2, 3, 5, 6, 7, 35, 36, 37, 59, 60, 61, 127, 128, 129, 254, 255};
  ASSERT_GE(AvailableIsas().size(), 2u);  // x86 builds have SSE2 at least
  for (simd::Isa isa : AvailableIsas()) {
    TestNoise noise{777};
    int round = 0;
    for (Size size : sizes)
      for (int direction = 0; direction < 8; ++direction, ++round) {
        const Air air = airs[round % std::size(airs)];
        // The field in a block of its exact size from the heap, so the sanitizers see any access
        // outside it.
        std::vector<uint8_t> cells(size_t(size.w + 4) * size_t(size.h + 5));
        const HeatField field{cells.data(), size.w + 4, size.h + 5, cells.size()};
        const bool extremes = round % 2;
        for (uint8_t& c : cells)
          c = extremes ? edges[noise.Byte() % std::size(edges)] : noise.Byte();
        std::vector<uint8_t> expected = cells;
        ReferenceSweep(expected, field.width, field.height, direction, air.oxygen, air.coolB,
                       air.drop);
        HeatField swept = field;
        detail::Sweep(swept, direction, detail::MakeCooling(air.oxygen, air.coolB, air.drop), isa);
        ASSERT_EQ(cells, expected)
            << "kernels " << int(isa) << " " << size.w << "x" << size.h << " direction "
            << direction << " oxygen " << air.oxygen << " threshold " << air.coolB;
      }
  }
}

TEST(Sweep, TheEngineUsesTheBestKernelsUnlessTold) {
  EXPECT_EQ(simd::ActiveIsa(), simd::BestIsa());
  EXPECT_TRUE(simd::IsaAvailable(simd::BestIsa()));
  simd::UseIsa(simd::Isa::kPortable);
  EXPECT_EQ(simd::ActiveIsa(), simd::Isa::kPortable);
  EXPECT_EQ(&field_kernels::ActiveKernels(), &field_kernels::KernelsFor(simd::Isa::kPortable));
  simd::UseIsa(simd::BestIsa());
}

TEST(PropagateFlames, ASingleHotCellRisesOneRow) {
  FieldHolder h(3, 3);
  h.At(4, 3) = 200;
  FlameSettings settings;  // oxygen 0: no cooling; "Top"
  Rng rng;
  PropagateFlames(h.field, settings, rng);
  // The cell's heat is shared out a quarter each: straight up, up and sideways (the neighbours
  // average it on their way up) and one row further (the row above reads it from below).
  std::vector<uint8_t> expected(h.field.bytes, 0);
  for (auto [y, x] : {std::pair{3, 2}, {3, 3}, {3, 4}, {2, 3}}) expected[size_t(y) * 7 + x] = 50;
  EXPECT_EQ(h.Cells(), expected);
}

TEST(PropagateFlames, CoolingRule) {
  // The last interior row is never a target, so it only cools: 252 + 4 columns hold 0..255.
  FieldHolder h(252, 1);
  for (int x = 0; x < 256; ++x) h.At(4, x) = uint8_t(x);
  FlameSettings settings;
  settings.oxygen = 6;
  settings.gravity = 50;  // lower threshold 3
  Rng rng{7};
  Rng copy = rng;
  const int drop = copy.Next() % 4;
  ASSERT_NE(drop, 0);
  PropagateFlames(h.field, settings, rng);
  for (int x = 1; x <= 254; ++x) {
    const int expected = x > 6 ? x - 6 : x > 3 ? x - drop : x;
    EXPECT_EQ(h.At(4, x), expected) << x;
  }
}

TEST(PropagateFlames, LowerThresholdFollowsGravity) {
  EXPECT_EQ(LowerCoolingThreshold(0, 100), 0);
  EXPECT_EQ(LowerCoolingThreshold(100, 100), 100);
  EXPECT_EQ(LowerCoolingThreshold(50, 6), 3);
  EXPECT_EQ(LowerCoolingThreshold(10, 6), 0);
  EXPECT_EQ(LowerCoolingThreshold(60, 60), 36);
}

TEST(PropagateFlames, DirectionOutsideTheEightMovesNothingButDraws) {
  FieldHolder h(10, 10);
  TestNoise noise{9};
  for (size_t i = 0; i < h.field.bytes; ++i) h.field.cells[i] = noise.Byte();
  const std::vector<uint8_t> before = h.Cells();
  FlameSettings settings;
  settings.oxygen = 50;
  settings.flameDirection = 8;
  Rng rng{3};
  Rng expected = rng;
  expected.Next();
  PropagateFlames(h.field, settings, rng);
  EXPECT_EQ(h.Cells(), before);
  EXPECT_EQ(rng.state, expected.state);
}

TEST(HeatField, FrameClearingAndSizes) {
  FieldHolder h(6, 4);  // 10 x 9
  ASSERT_EQ(h.field.width, 10);
  ASSERT_EQ(h.field.height, 9);
  std::fill(h.field.cells, h.field.cells + h.field.bytes, 9);
  ClearHeatFieldFrame(h.field);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool frame = y <= 2 || y >= 7 || x <= 1 || x >= 8;
      EXPECT_EQ(h.At(y, x), frame ? 0 : 9) << y << "," << x;
    }

  HeatField field;
  EXPECT_FALSE(AllocateHeatField(field, kMaxFieldSide + 1, 1));
  EXPECT_FALSE(AllocateHeatField(field, 1, -1));
  EXPECT_EQ(field.cells, nullptr);
  ASSERT_TRUE(AllocateHeatField(field, 0, 0));
  EXPECT_EQ(field.bytes, 20u);
  ReleaseHeatField(field);
}

// ---- seeding ------------------------------------------------------------------------------------

// Settings that leave the seeds where they were put: no movement, no cooling.
FlameSettings SeedOnly(int effectDirection, int viscosity) {
  FlameSettings s;
  s.fuel = 13;
  s.viscosity = uint8_t(viscosity);
  s.effectDirection = uint8_t(effectDirection);
  s.flameDirection = 8;
  return s;
}

struct SeedRun {
  std::vector<std::pair<int, int>> cells;  // (row, column) of every non-zero cell
  std::vector<int> values;
  uint32_t rngState;
};

SeedRun SeedEdge(const Image& source, const Image* mask, const FlameSettings& settings,
                 double front, int steps = 4) {
  Image out(source.width, source.height, source.planes);
  const FrameView frame = CombustionFrame(source, out, mask);
  FieldHolder h(source.width, source.height);
  Rng rng{0};
  for (int i = 0; i < steps; ++i) FlameStepEdge(h.field, front, settings, frame, rng);
  SeedRun run{{}, {}, rng.state};
  for (int y = 0; y < h.field.height; ++y)
    for (int x = 0; x < h.field.width; ++x)
      if (h.At(y, x)) {
        run.cells.push_back({y, x});
        run.values.push_back(h.At(y, x));
      }
  return run;
}

// Seeding through a profile (its terms, or its table for the fixed front) gives the same field
// and the same draws as seeding with every front computed on the spot.
TEST(FlameStepEdge, ProfileAndFixedFrontGiveTheSameSeeds) {
  const Image source = testing::StructuredPicture(70, 45, 3);
  Image out(70, 45, 3);
  const FrameView frame = CombustionFrame(source, out, nullptr);
  int seeded = 0;
  for (int direction = 0; direction < 8; ++direction) {
    EdgeProfile profile;
    ASSERT_TRUE(BuildEdgeProfile(profile, 70, 45, direction));
    FixEdgeFront(profile, 0.3, 70, 45, direction);
    for (double front : {0.3, 0.55, 0.875}) {
      FieldHolder plain(70, 45), profiled(70, 45);
      Rng a{9}, b{9};
      for (int step = 0; step < 6; ++step) {
        FlameStepEdge(plain.field, front, SeedOnly(direction, 255), frame, a);
        FlameStepEdge(profiled.field, front, SeedOnly(direction, 255), frame, b, &profile);
      }
      EXPECT_EQ(plain.Cells(), profiled.Cells()) << direction << " " << front;
      EXPECT_EQ(a.state, b.state);
      seeded += plain.Cells() != std::vector<uint8_t>(plain.field.bytes, 0);
    }
    ReleaseEdgeProfile(profile);
  }
  EXPECT_GE(seeded, 16);  // some diagonal fronts lie off the picture
}

TEST(FlameStepEdge, SeedsLieOnTheFront) {
  const Image source = testing::StructuredPicture(60, 40, 3);
  for (int direction : {kTop, kLeftTop, kLeft, kBottom, kRight, kRightTop}) {
    const SeedRun run = SeedEdge(source, nullptr, SeedOnly(direction, 0), 0.5);
    ASSERT_GT(run.cells.size(), 10u) << direction;
    const bool rowEdge = direction == kLeft || direction == kRight;
    for (auto [y, x] : run.cells) {
      if (rowEdge)
        EXPECT_EQ(x, EdgeFrontPosition(y, 0.5, 64, 45, direction)) << direction;
      else
        EXPECT_EQ(y, EdgeFrontPosition(x, 0.5, 64, 45, direction)) << direction;
    }
    // Viscosity 0 scales the intensities by 127/255: full seeds become 127.
    EXPECT_EQ(*std::max_element(run.values.begin(), run.values.end()), 127);
  }
}

TEST(FlameStepEdge, ViscosityScalesSeedsOrKeepsThemWhole) {
  const Image source = testing::StructuredPicture(60, 40, 3);
  auto strongest = [&](int viscosity) {
    const SeedRun run = SeedEdge(source, nullptr, SeedOnly(kTop, viscosity), 0.5, 1);
    return run.values.empty() ? 0 : *std::max_element(run.values.begin(), run.values.end());
  };
  // (v div 2 + 127) / 255 of a full seed: 227 for 200, 254 for 254; 255 keeps it whole (or
  // drops it where the draw is even).
  EXPECT_EQ(strongest(200), 227);
  EXPECT_EQ(strongest(254), 254);
  EXPECT_EQ(strongest(255), 255);
}

TEST(FlameStepEdge, TransparencyAndSelectionStopSeedsButNotDraws) {
  const int W = 60, H = 40;
  Image opaque = Filled(W, H, 4, 200);
  Image clear = opaque;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) clear.At(x, y)[3] = 0;
  const FlameSettings viscous = SeedOnly(kTop, 255);
  const SeedRun seeded = SeedEdge(opaque, nullptr, viscous, 0.5);
  const SeedRun none = SeedEdge(clear, nullptr, viscous, 0.5);
  EXPECT_FALSE(seeded.cells.empty());
  EXPECT_TRUE(none.cells.empty());
  // The draws for full viscosity happen at every place the front reaches, written or not.
  EXPECT_EQ(seeded.rngState, none.rngState);

  Image unselected = Filled(W, H, 1, 0);
  EXPECT_TRUE(SeedEdge(opaque, &unselected, viscous, 0.5).cells.empty());
  // Three planes ignore both the selection and the bytes beyond blue.
  const Image rgb = Filled(W, H, 3, 0);
  EXPECT_FALSE(SeedEdge(rgb, &unselected, viscous, 0.5).cells.empty());
}

TEST(FlameStepEdge, TestsThePixelUnderTheCell) {
  // A checkerboard of transparency and of selection: every seed must lie over a pixel that is
  // both opaque and selected, the pixel at image row y - 1 and column x - 2.
  const int W = 80, H = 50;
  Image source = Filled(W, H, 5, 120);
  Image mask = Filled(W, H, 1, 255);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      source.At(x, y)[3] = (x / 3 + y / 2) % 2 ? 255 : 0;
      mask.At(x, y)[0] = (x / 5 + y / 3) % 3 ? 255 : 0;
    }
  for (int direction : {kTop, kLeft, kRightBtm}) {
    const SeedRun run = SeedEdge(source, &mask, SeedOnly(direction, 100), 0.6, 12);
    ASSERT_GT(run.cells.size(), 5u) << direction;
    for (auto [y, x] : run.cells) {
      EXPECT_NE(source.At(x - 2, y - 1)[3], 0) << y << "," << x;
      EXPECT_NE(mask.At(x - 2, y - 1)[0], 0) << y << "," << x;
    }
  }
}

TEST(FlameStepIris, PhaseZeroSeedsOnlyTheCentre) {
  const Image source = testing::StructuredPicture(40, 30, 3);
  Image out(40, 30, 3);
  const FrameView frame = CombustionFrame(source, out, nullptr);
  FieldHolder h(40, 30);
  Rng rng{5};
  for (int i = 0; i < 5; ++i) FlameStepIris(h.field, 0.0f, SeedOnly(0, 100), frame, rng);
  std::vector<uint8_t> expected(h.field.bytes, 0);
  expected[size_t(35 / 2) * 44 + 44 / 2] = 255;
  EXPECT_EQ(h.Cells(), expected);
}

TEST(FlameStepIris, SeedsFollowTheFlowerInsideThePicture) {
  const int W = 90, H = 70;
  const Image source = testing::StructuredPicture(W, H, 3);
  Image out(W, H, 3);
  const FrameView frame = CombustionFrame(source, out, nullptr);
  for (float m : {0.3f, 0.6f, 0.8f}) {
    FieldHolder h(W, H);
    Rng rng{11};
    for (int i = 0; i < 6; ++i) FlameStepIris(h.field, m, SeedOnly(0, 100), frame, rng);
    const int cx = (W + 4) / 2, cy = (H + 5) / 2;
    const double R = std::trunc(cx * double(m));
    int seeds = 0;
    for (int y = 0; y < h.field.height; ++y)
      for (int x = 0; x < h.field.width; ++x) {
        if (!h.At(y, x)) continue;
        ++seeds;
        EXPECT_TRUE(x >= 2 && x < W && y >= 2 && y < H) << y << "," << x;
        const double r = std::hypot(x - cx, y - cy);
        EXPECT_GE(r, 0.84 * R - 1.5) << m;
        EXPECT_LE(r, std::max(1.0, 1.0112 * m) * R + 1.5) << m;
      }
    EXPECT_GT(seeds, 10) << m;
  }
}

// ---- compositing --------------------------------------------------------------------------------

struct CompositeCase {
  int planes;
  std::vector<uint8_t> before;
  int heat;
  int alpha;
  CompositeForm form;
};

std::vector<uint8_t> CompositeOne(const CompositeCase& c) {
  // A 4 x 3 picture with one hot cell under pixel (1, 1), and one under row 0 (never coloured).
  Image source = Filled(4, 3, c.planes, 0);
  Image out = Filled(4, 3, c.planes, 0);
  std::memcpy(out.At(1, 1), c.before.data(), size_t(c.planes));
  std::memcpy(out.At(2, 0), c.before.data(), size_t(c.planes));
  FieldHolder h(4, 3);
  h.At(2, 3) = uint8_t(c.heat);
  h.At(1, 4) = uint8_t(c.heat);
  FirePalette palette;
  ColorRamp ramp{};
  BuildFirePalette(palette, ramp, 0, nullptr, 0, 0);
  CompositeHeat(CombustionFrame(source, out, nullptr), h.field, palette, c.alpha, c.form);
  EXPECT_TRUE(std::equal(c.before.begin(), c.before.end(), out.At(2, 0))) << "row 0 coloured";
  return {out.At(1, 1), out.At(1, 1) + c.planes};
}

using Bytes = std::vector<uint8_t>;

TEST(CompositeHeat, ThreePlanesBlend) {
  // Heat 155 picks the palette's brightest colour, (252, 252, 252): above alpha 200 it covers.
  EXPECT_EQ(CompositeOne({3, {10, 20, 30}, 155, 200, CompositeForm::kFirst}),
            (Bytes{252, 252, 252}));
  // With alpha 255 the strength is (252/255)^2: 252 * w = 246.1 over black, 248.4 over 100.
  EXPECT_EQ(CompositeOne({3, {0, 100, 0}, 155, 255, CompositeForm::kFirst}),
            (Bytes{246, 248, 246}));
  // Heat 255 is black at strength 0: the pixel keeps its colour. Heat 0 leaves it alone.
  EXPECT_EQ(CompositeOne({3, {10, 20, 30}, 255, 200, CompositeForm::kFirst}), (Bytes{10, 20, 30}));
  EXPECT_EQ(CompositeOne({3, {10, 20, 30}, 0, 200, CompositeForm::kFirst}), (Bytes{10, 20, 30}));
  // Alpha 0 cannot divide by zero: full strength.
  EXPECT_EQ(CompositeOne({3, {10, 20, 30}, 155, 0, CompositeForm::kFirst}), (Bytes{252, 252, 252}));
}

TEST(CompositeHeat, FourPlanesByTransparency) {
  // Opaque: blended, transparency kept. Transparent: the colour, transparency trunc(255 w).
  EXPECT_EQ(CompositeOne({4, {0, 100, 0, 9}, 155, 255, CompositeForm::kFirst}),
            (Bytes{246, 248, 246, 9}));
  EXPECT_EQ(CompositeOne({4, {0, 100, 0, 0}, 155, 255, CompositeForm::kFirst}),
            (Bytes{252, 252, 252, 249}));
  EXPECT_EQ(CompositeOne({4, {0, 100, 0, 0}, 155, 255, CompositeForm::kSecond}),
            (Bytes{252, 252, 252, 249}));
}

TEST(CompositeHeat, FivePlanesInBothForms) {
  // Opaque pixels take the colour; transparent ones are blended. Byte 3 becomes
  // trunc(255 w + 0.5) except for opaque pixels in the second form; byte 4 becomes 255.
  EXPECT_EQ(CompositeOne({5, {0, 100, 0, 9, 1}, 155, 255, CompositeForm::kFirst}),
            (Bytes{252, 252, 252, 249, 255}));
  EXPECT_EQ(CompositeOne({5, {0, 100, 0, 0, 1}, 155, 255, CompositeForm::kFirst}),
            (Bytes{246, 248, 246, 249, 255}));
  EXPECT_EQ(CompositeOne({5, {0, 100, 0, 9, 1}, 155, 255, CompositeForm::kSecond}),
            (Bytes{252, 252, 252, 9, 255}));
  EXPECT_EQ(CompositeOne({5, {0, 100, 0, 0, 1}, 155, 255, CompositeForm::kSecond}),
            (Bytes{246, 248, 246, 249, 255}));
  // Heat 1 picks palette entry 4, (0, 0, 32): strength (32/200)^2, byte 3 = trunc(6.53 + 0.5).
  EXPECT_EQ(CompositeOne({5, {100, 100, 100, 0, 1}, 1, 200, CompositeForm::kFirst}),
            (Bytes{97, 97, 98, 7, 255}));
}

// ---- the whole effect ---------------------------------------------------------------------------

struct Progress {
  std::vector<std::pair<int, int>> calls;
  static void Record(void* context, int32_t done, int32_t total) {
    static_cast<Progress*>(context)->calls.push_back({done, total});
  }
};

Image Render(const Image& source, const WorkingParameters& params, Rng& rng,
             const Image* mask = nullptr, Progress* progress = nullptr, int outPadding = 0) {
  Image out = Filled(source.width, source.height, source.planes, 0xEE, outPadding);
  FrameView frame = CombustionFrame(source, out, mask);
  if (progress) {
    frame.progress = Progress::Record;
    frame.progressContext = progress;
  }
  ColorRamp ramp{};
  RunCombustion(frame, params, ramp, rng);
  return out;
}

TEST(RunCombustion, NotRgbWarnsAndCopies) {
  static int warnings = 0;
  warnings = 0;
  const Image source = testing::StructuredPicture(30, 20, 3).WithPadding(5);
  Image out = Filled(30, 20, 3, 0xEE, 7);
  FrameView frame = CombustionFrame(source, out, nullptr);
  frame.imageMode = 1;
  frame.warnNotRgb = [] { ++warnings; };
  ColorRamp ramp{};
  Rng rng;
  RunCombustion(frame, CombustionDefaults(), ramp, rng);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(out.Packed(), source.Packed());
  EXPECT_EQ(out.Row(0)[90], 0xEE);  // row padding untouched
  EXPECT_EQ(rng.state, 1u);
}

TEST(RunCombustion, ProgressCountsDownInEveryMode) {
  const Image source = testing::StructuredPicture(40, 30, 3);
  WorkingParameters params = CombustionDefaults();
  params.phase = 40;  // m = 0.4

  params.effectMode = kPage;  // n = trunc(30 * 0.4) + 10 = 22: (2k, 2n)
  Progress page;
  Rng rng;
  Render(source, params, rng, nullptr, &page);
  ASSERT_EQ(page.calls.size(), 23u);
  for (int k = 22; k >= 0; --k) EXPECT_EQ(page.calls[22 - k], (std::pair{2 * k, 44}));

  params.effectMode = kBlend;  // n = 10 + trunc(0.5 * 30 * 0.4) = 16: (n + k, 2n), then (k, 2n)
  Progress blend;
  Render(source, params, rng, nullptr, &blend);
  ASSERT_EQ(blend.calls.size(), 34u);
  for (int k = 16; k >= 0; --k) {
    EXPECT_EQ(blend.calls[16 - k], (std::pair{16 + k, 32}));
    EXPECT_EQ(blend.calls[17 + 16 - k], (std::pair{k, 32}));
  }

  params.effectMode = kHole;  // n = 22: (n + k, 2n)
  Progress hole;
  Render(source, params, rng, nullptr, &hole);
  ASSERT_EQ(hole.calls.size(), 23u);
  EXPECT_EQ(hole.calls.front(), (std::pair{44, 44}));
  EXPECT_EQ(hole.calls.back(), (std::pair{22, 44}));

  params.effectMode = kGate;
  params.phase = 255;  // m < 0: no steps, nothing to report
  Progress gate;
  Render(source, params, rng, nullptr, &gate);
  EXPECT_TRUE(gate.calls.empty());
}

TEST(RunCombustion, PreviewAndFinalGiveTheSamePictures) {
  const Image source = testing::SamplePhoto();
  for (int mode : {kBlend, kPage}) {
    WorkingParameters params = CombustionDefaults();
    params.effectMode = uint8_t(mode);
    Rng a{1}, b{987654};
    Progress progress;
    const Image preview = Render(source, params, a);
    const Image final = Render(source, params, b, nullptr, &progress);
    EXPECT_EQ(preview.pixels, final.pixels) << mode;
    EXPECT_FALSE(progress.calls.empty());
    EXPECT_NE(preview.pixels, source.pixels);
  }
}

TEST(RunCombustion, HoleAndGateContinueTheGenerator) {
  const Image source = testing::SamplePhoto();
  for (int mode : {kHole, kGate}) {
    WorkingParameters params = CombustionDefaults();
    params.effectMode = uint8_t(mode);
    params.phase = 40;
    Rng rng{1};
    const Image first = Render(source, params, rng);
    const Image second = Render(source, params, rng);
    EXPECT_NE(first.pixels, second.pixels) << mode;
    Rng again{1};
    EXPECT_EQ(Render(source, params, again).pixels, first.pixels) << mode;
  }
}

TEST(RunCombustion, FailedFieldLeavesTheTransitionMask) {
  const Image source = testing::SamplePhoto();
  for (int mode : {kBlend, kPage, kHole}) {
    WorkingParameters params = CombustionDefaults();
    params.effectMode = uint8_t(mode);
    Image mask = Filled(source.width, source.height, 3, 0xEE);
    ApplyTransitionMask(CombustionFrame(source, mask, nullptr), mode, params.effectDirection,
                        PhaseFactor(mode, params.phase));
    // The field itself, then (for edge modes) the front profile, fails.
    for (int after : {0, 1}) {
      if (after == 1 && mode == kHole) continue;
      platform::testing::FailAllocationsAfter(after);
      Rng rng;
      const Image out = Render(source, params, rng);
      platform::testing::FailAllocationsAfter(-1);
      EXPECT_EQ(out.pixels, mask.pixels) << mode << " " << after;
    }
    Rng rng;
    EXPECT_NE(Render(source, params, rng).pixels, mask.pixels) << mode;
  }
}

// The host's Cancel is asked at every step: a run stops at the step it says so, composites
// nothing and says why. Fields it cannot have are said to be out of memory.
TEST(RunCombustion, StopsAtTheStepTheHostCancelsAndSaysWhy) {
  struct Asker {
    int asked = 0;
    static bool StopAfterFive(void* context) { return ++static_cast<Asker*>(context)->asked > 5; }
  };
  const Image source = testing::StructuredPicture(40, 30, 3);
  for (int mode : {kBlend, kPage, kHole}) {
    WorkingParameters params = CombustionDefaults();
    params.effectMode = uint8_t(mode);
    Image masked = Filled(source.width, source.height, 3, 0xEE);
    ApplyTransitionMask(CombustionFrame(source, masked, nullptr), mode, params.effectDirection,
                        PhaseFactor(mode, params.phase));
    for (bool fail : {false, true}) {
      Image out = Filled(source.width, source.height, 3, 0xEE);
      FrameView frame = CombustionFrame(source, out, nullptr);
      Asker asker;
      frame.abort = Asker::StopAfterFive;
      frame.abortContext = &asker;
      FrameOutcome outcome = FrameOutcome::kDone;
      frame.outcome = &outcome;
      ColorRamp ramp{};
      Rng rng;
      if (fail) platform::testing::FailAllocationsAfter(0);
      RunCombustion(frame, params, ramp, rng);
      platform::testing::FailAllocationsAfter(-1);
      EXPECT_EQ(outcome, fail ? FrameOutcome::kOutOfMemory : FrameOutcome::kCancelled) << mode;
      EXPECT_EQ(asker.asked, fail ? 0 : 6) << mode;
      EXPECT_EQ(out.pixels, masked.pixels) << mode;
    }
  }
}

TEST(RunCombustion, RowStridesGiveTheSamePicture) {
  const Image photo = testing::SamplePhoto();
  const Image mask = testing::EllipseMask(photo.width, photo.height);
  for (int planes : {3, 4, 5})
    for (int mode : {kBlend, kPage, kGate}) {
      const Image source = planes == 3 ? photo : photo.WithPlanes(planes, 255);
      WorkingParameters params = CombustionDefaults();
      params.effectMode = uint8_t(mode);
      params.effectDirection = kRightTop;
      Rng a{3}, b{3};
      const Image packed = Render(source, params, a, &mask);
      const Image paddedSource = source.WithPadding(13);
      const Image paddedMask = mask.WithPadding(3);
      const Image padded = Render(paddedSource, params, b, &paddedMask, nullptr, 9);
      EXPECT_EQ(padded.Packed(), packed.Packed()) << planes << " " << mode;
      for (int y = 0; y < padded.height; ++y)
        for (int i = padded.width * planes; i < padded.rowBytes; ++i)
          ASSERT_EQ(padded.Row(y)[i], 0xEE) << "padding written at row " << y;
    }
}

// Every field at its extremes on small and odd-sized strips: a defined picture, nothing written
// outside the rows, the same picture twice for the modes that reseed. Run under the sanitizers.
TEST(RunCombustion, ExtremeSettingsAndStrips) {
  struct Size {
    int w, h;
  };
  TestNoise noise{2024};
  int rendered = 0;
  for (Size size : {Size{0, 0}, Size{0, 5}, Size{5, 0}, Size{1, 1}, Size{2, 3}, Size{3, 2},
                    Size{3, 3}, Size{1, 40}, Size{40, 1}, Size{23, 17}, Size{70, 50}})
    for (int planes : {1, 2, 3, 4, 5, 6})
      for (int effectMode : {0, 1, 2, 3, 4, 255})
        for (int variant = 0; variant < 6; ++variant) {
          WorkingParameters params = CombustionDefaults();
          params.effectMode = uint8_t(effectMode);
          uint8_t* fields[] = {&params.oxygen,          &params.gravity,
                               &params.viscosity,       &params.fuel,
                               &params.colorMode,       &params.phase,
                               &params.effectDirection, &params.rampPosition1,
                               &params.rampPosition2,   &params.alpha,
                               &params.flameDirection};
          for (uint8_t* f : fields) {
            if (variant == 0) *f = 0;
            if (variant == 1) *f = 255;
            if (variant >= 2) *f = noise.Byte();
          }
          if (variant == 2) params.phase = uint8_t(100 + noise.Byte() % 156);
          if (variant == 3) params.effectDirection = uint8_t(noise.Byte() % 8);
          if (variant == 3) params.flameDirection = uint8_t(noise.Byte() % 8);
          for (uint32_t& c : params.rampColors)
            c = variant == 1 ? 0xFFFFFFFFu : noise.Byte() * 65793u;

          Image source(size.w, size.h, planes, 3);
          for (uint8_t& b : source.pixels) b = noise.Byte();
          Image mask(size.w, size.h, 1, 2);
          for (uint8_t& b : mask.pixels) b = noise.Byte() % 2 ? 255 : 0;
          Rng a{noise.state}, b{noise.state + 1};
          const Image first = Render(source, params, a, &mask, nullptr, 5);
          for (int y = 0; y < size.h; ++y)
            for (int i = size.w * planes; i < first.rowBytes; ++i) ASSERT_EQ(first.Row(y)[i], 0xEE);
          if (effectMode == kBlend || effectMode == kPage) {
            const Image second = Render(source, params, b, &mask, nullptr, 5);
            ASSERT_EQ(first.pixels, second.pixels)
                << size.w << "x" << size.h << " planes " << planes << " variant " << variant;
          }
          ++rendered;
        }
  EXPECT_EQ(rendered, 11 * 6 * 6 * 6);
}

// ---- pinned pictures ----------------------------------------------------------------------------

TEST(RunCombustion, PinnedPictures) {
  ASSERT_EQ(testing::SamplePhoto().width, 150) << "the sample photograph is missing";
  // The same pictures whichever kernels sweep the field.
  for (simd::Isa isa : AvailableIsas()) {
    simd::UseIsa(isa);
    for (int i = 0; i < testing::kPinnedCaseCount; ++i) {
      const testing::PinnedCase& c = testing::kPinnedCases[i];
      EXPECT_EQ(testing::PixelHash(testing::RenderPinned(c)), c.hash)
          << c.name << " kernels " << int(isa);
    }
  }
  simd::UseIsa(simd::BestIsa());
}

TEST(RunCombustion, OnlyFourAndFivePlanesHeedTheSelection) {
  const Image photo = testing::SamplePhoto();
  const Image mask = testing::EllipseMask(photo.width, photo.height);
  for (int planes : {3, 4, 5}) {
    const Image source = planes == 3 ? photo : photo.WithPlanes(planes, 255);
    Rng a, b;
    const Image free = Render(source, CombustionDefaults(), a);
    const Image selected = Render(source, CombustionDefaults(), b, &mask);
    EXPECT_EQ(free.pixels == selected.pixels, planes == 3) << planes;
  }
}

}  // namespace
}  // namespace zar::combustion
