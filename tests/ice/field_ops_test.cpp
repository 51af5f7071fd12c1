// The field operations the Ice/Candle and Fire/Cryo engines share: the directional pass, the
// contour tracing, the droplets, the sources, the displacement and the compositing.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "effects/field/field_engine.h"
#include "tests/ice/engine_harness.h"

namespace zar {
namespace {

using testing::FrameOf;
using testing::Image;

// A 16 x 16 field whose step visits all 16 columns.
struct SmallField {
  static constexpr int kSize = 16;
  std::vector<uint8_t> cells = std::vector<uint8_t>(kSize * kSize, 0);

  static FieldExtents Extents() {
    FieldExtents e;
    e.W = e.w = kSize - 4;
    e.H = kSize - 5;
    e.P = e.R = e.N = kSize;
    return e;
  }
  uint8_t& at(int c, int r) { return cells[size_t(r) * kSize + c]; }
  uint8_t* data() { return cells.data(); }
};

// ---- the directional pass -------------------------------------------------------------------

TEST(StepDirection, FollowsTheDirectionTable) {
  const int expected[8] = {4, 3, 2, 1, 0, 7, 6, 5};
  for (int f = 0; f < 8; ++f) EXPECT_EQ(StepDirection(f), expected[f]) << f;
  EXPECT_EQ(StepDirection(8), 8);
  EXPECT_EQ(StepDirection(255), 255);
}

TEST(Cooling, TakesTAboveTThenTheDrawnAmountAboveU) {
  const CoolingTable c = MakeCoolingTable(10, 5, 23);  // 23 mod 6 = 5
  EXPECT_EQ(c.after[200], 190);
  EXPECT_EQ(c.after[11], 1);
  EXPECT_EQ(c.after[10], 5);
  EXPECT_EQ(c.after[6], 1);
  EXPECT_EQ(c.after[5], 5);
  EXPECT_EQ(c.after[0], 0);
  // oxygen and gravity 100: every cell above 100 loses 100, no other cell loses anything.
  const CoolingTable flame = MakeCoolingTable(100, 100, 12345);
  for (int v = 0; v < 256; ++v) EXPECT_EQ(flame.after[v], v > 100 ? v - 100 : v) << v;
}

// One pass over a field holding a single cell of 200 at (8, 8), with t = 10: the cell cools to
// 190. Each table lists every nonzero cell afterwards, relative to (8, 8), worked out from the
// direction's target, averaged cells and scan order. 50 = 200 >> 2, 47 = 190 >> 2; where the
// scan runs toward the cells it has written (left and right), the trail goes on downward:
// 62 = (200 + 50) >> 2, then 15 = 62 >> 2, 12 = 50 >> 2, 3 = 15 >> 2 = 12 >> 2.
struct SingleCellCase {
  int d;
  std::vector<std::pair<std::pair<int, int>, int>> cells;  // ((dc, dr), value)
};

const SingleCellCase kSingleCellCases[] = {
    // "Bottom": (c-1, r+1), (c, r+1), (c, r+2) get v >> 2 and (c+1, r+1) the cooled v >> 2.
    {0, {{{-1, 1}, 50}, {{0, 1}, 50}, {{0, 2}, 50}, {{1, 1}, 47}}},
    {1, {{{-2, 1}, 50}, {{-1, 1}, 50}, {{-1, 2}, 50}, {{0, 1}, 47}}},
    {2,
     {{{-1, -1}, 50},
      {{-2, 0}, 62},
      {{-1, 0}, 50},
      {{-3, 1}, 15},
      {{-2, 1}, 12},
      {{-4, 2}, 3},
      {{-3, 2}, 3}}},
    {3, {{{-1, -2}, 50}, {{-2, -1}, 50}, {{-1, -1}, 50}, {{0, -1}, 47}}},
    {4, {{{0, -2}, 50}, {{-1, -1}, 50}, {{0, -1}, 50}, {{1, -1}, 47}}},
    {5, {{{1, -2}, 50}, {{2, -1}, 50}, {{1, -1}, 50}, {{0, -1}, 47}}},
    {6,
     {{{1, -1}, 50},
      {{2, 0}, 62},
      {{1, 0}, 50},
      {{3, 1}, 15},
      {{2, 1}, 12},
      {{4, 2}, 3},
      {{3, 2}, 3}}},
    {7, {{{1, 2}, 50}, {{2, 1}, 50}, {{1, 1}, 50}, {{0, 1}, 47}}},
};

TEST(DirectionalPass, SingleCellInEveryDirection) {
  for (const SingleCellCase& test : kSingleCellCases) {
    SmallField field;
    field.at(8, 8) = 200;
    DirectionalPass(field.data(), SmallField::Extents(), test.d, MakeCoolingTable(10, 5, 0));
    std::map<std::pair<int, int>, int> expected;
    for (const auto& [offset, value] : test.cells)
      expected[{8 + offset.first, 8 + offset.second}] = value;
    for (int r = 0; r < SmallField::kSize; ++r)
      for (int c = 0; c < SmallField::kSize; ++c) {
        const auto it = expected.find({c, r});
        EXPECT_EQ(field.at(c, r), it == expected.end() ? 0 : it->second)
            << "d " << test.d << " cell (" << c << ", " << r << ")";
      }
  }
}

TEST(DirectionalPass, BottomIsTheDirectionOfFlameDirectionFour) {
  SmallField field;
  field.at(5, 5) = 120;
  DirectionalPass(field.data(), SmallField::Extents(), StepDirection(4),
                  MakeCoolingTable(100, 0, 0));
  EXPECT_EQ(field.at(5, 5), 0);
  EXPECT_EQ(field.at(4, 6), 30);
  EXPECT_EQ(field.at(5, 6), 30);
  EXPECT_EQ(field.at(5, 7), 30);
  EXPECT_EQ(field.at(6, 6), 5);  // 120 cooled by 100, shifted right by 2
}

TEST(DirectionalPass, DirectionAboveSevenMovesAndCoolsNothing) {
  SmallField field;
  for (size_t i = 0; i < field.cells.size(); ++i) field.cells[i] = uint8_t(i * 7);
  const std::vector<uint8_t> before = field.cells;
  DirectionalPass(field.data(), SmallField::Extents(), 8, MakeCoolingTable(1, 1, 0));
  EXPECT_EQ(field.cells, before);
}

TEST(DirectionalPass, StaysInsideTheVisitedColumnsAndRows) {
  // Columns 0..N-1 may be written (targets of columns 1..N-2); nothing at N or beyond.
  FieldExtents e = SmallField::Extents();
  e.N = 10;
  for (int d = 0; d < 8; ++d) {
    SmallField field;
    std::memset(field.data(), 255, field.cells.size());
    for (int r = 0; r < SmallField::kSize; ++r)
      for (int c = e.N; c < SmallField::kSize; ++c) field.at(c, r) = 77;
    DirectionalPass(field.data(), e, d, MakeCoolingTable(1, 1, 0));
    for (int r = 0; r < SmallField::kSize; ++r)
      for (int c = e.N; c < SmallField::kSize; ++c) ASSERT_EQ(field.at(c, r), 77) << d;
  }
}

// ---- contour and border ---------------------------------------------------------------------

TEST(TraceContour, KeepsTheOutlineAndClearsTheInteriorAndOnes) {
  SmallField field;
  for (int r = 3; r <= 9; ++r)
    for (int c = 2; c <= 10; ++c) field.at(c, r) = 100;
  field.at(13, 13) = 1;  // a lone 1 is cleared
  field.at(13, 2) = 9;   // a lone cell keeps its value
  TraceContour(field.data(), SmallField::kSize, SmallField::kSize);
  for (int r = 0; r < SmallField::kSize; ++r)
    for (int c = 0; c < SmallField::kSize; ++c) {
      const bool inside = r >= 3 && r <= 9 && c >= 2 && c <= 10;
      const bool outline = inside && (r == 3 || r == 9 || c == 2 || c == 10);
      const int expected = (c == 13 && r == 2) ? 9 : outline ? 100 : 0;
      EXPECT_EQ(field.at(c, r), expected) << c << ", " << r;
    }
}

TEST(TraceContour, MarksBeforeClearing) {
  // A cell marked 1 still counts as a nonzero left or upper neighbour, so the whole interior of
  // a region goes, not every other cell.
  SmallField field;
  for (int c = 1; c <= 14; ++c)
    for (int r = 1; r <= 4; ++r) field.at(c, r) = 50;
  TraceContour(field.data(), SmallField::kSize, SmallField::kSize);
  for (int c = 2; c <= 13; ++c) {
    EXPECT_EQ(field.at(c, 2), 0) << c;
    EXPECT_EQ(field.at(c, 3), 0) << c;
  }
  EXPECT_EQ(field.at(1, 2), 50);
  EXPECT_EQ(field.at(14, 2), 50);
  EXPECT_EQ(field.at(5, 1), 50);
  EXPECT_EQ(field.at(5, 4), 50);
}

TEST(ClearBorder, ClearsThreeRowsAboveTwoBelowAndTwoColumnsEachSide) {
  SmallField field;
  std::memset(field.data(), 9, field.cells.size());
  ClearBorder(field.data(), SmallField::kSize, SmallField::kSize);
  for (int r = 0; r < SmallField::kSize; ++r)
    for (int c = 0; c < SmallField::kSize; ++c) {
      const bool border = r <= 2 || r >= 14 || c <= 1 || c >= 14;
      EXPECT_EQ(field.at(c, r), border ? 0 : 9) << c << ", " << r;
    }
}

// ---- droplets -------------------------------------------------------------------------------

TEST(DropDroplets, DripReadsTheFieldAsItWasBefore) {
  SmallField drops, sources;  // no sources: only the drip acts
  drops.at(7, 6) = 200;
  Rng rng;
  DropDroplets(drops.data(), sources.data(), SmallField::kSize, SmallField::kSize, rng);
  for (int r = 0; r < SmallField::kSize; ++r)
    for (int c = 0; c < SmallField::kSize; ++c) {
      const bool fed = (r == 7 && c >= 6 && c <= 8) || (r == 8 && c == 7);
      EXPECT_EQ(drops.at(c, r), fed ? 50 : 0) << c << ", " << r;
    }
}

TEST(DropDroplets, StampsFourCellsOfTheGridFromTheGenerator) {
  // 60 x 60: droplet cells of 2 columns by 3 rows, a grid of 30 x 20.
  constexpr int kSize = 60;
  std::vector<uint8_t> drops(kSize * kSize, 0), sources(kSize * kSize, 250);
  Rng rng, draws;
  rng.Seed(3);
  draws.Seed(3);
  DropDroplets(drops.data(), sources.data(), kSize, kSize, rng);
  EXPECT_EQ(rng.state, [&] {
    for (int i = 0; i < 8; ++i) draws.Next();
    return draws.state;
  }());
  // Stamp where the draws say (capped at 200, inside 1 < c < 58, 1 < r < 58), then drip with a
  // copy of the field.
  draws.Seed(3);
  std::vector<uint8_t> stamped(kSize * kSize, 0);
  for (int n = 0; n < 4; ++n) {
    const int gx = draws.Next() % 30, gy = draws.Next() % 20;
    for (int r = 3 * gy; r < 3 * gy + 3; ++r)
      for (int c = 2 * gx; c < 2 * gx + 2; ++c)
        if (c > 1 && c < kSize - 2 && r > 1 && r < kSize - 2) stamped[r * kSize + c] = 200;
  }
  std::vector<uint8_t> expected = stamped;
  for (int r = 2; r <= kSize - 2; ++r)
    for (int c = 1; c <= kSize - 2; ++c)
      expected[(r + 1) * kSize + c] =
          uint8_t((stamped[(r - 1) * kSize + c] + stamped[r * kSize + c - 1] +
                   stamped[r * kSize + c + 1] + stamped[r * kSize + c]) >>
                  2);
  EXPECT_EQ(drops, expected);
}

TEST(MergeDroplets, CopiesDropletsAboveTwentyInTheVisitedColumns) {
  SmallField main, drops;
  FieldExtents e = SmallField::Extents();
  e.N = 8;
  std::memset(main.data(), 5, main.cells.size());
  drops.at(3, 3) = 20;
  drops.at(4, 3) = 21;
  drops.at(0, 0) = 150;
  drops.at(9, 3) = 150;  // beyond N
  MergeDroplets(main.data(), drops.data(), e);
  EXPECT_EQ(main.at(3, 3), 5);
  EXPECT_EQ(main.at(4, 3), 21);
  EXPECT_EQ(main.at(0, 0), 150);
  EXPECT_EQ(main.at(9, 3), 5);
}

// ---- sources --------------------------------------------------------------------------------

struct SourceSetup {
  Image in;
  Image out;
  FieldExtents extents;
  std::vector<uint8_t> field;

  SourceSetup(int width, int height, int planes) : in(width, height, planes), out(in) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* px = in.At(x, y);
        const uint8_t colour[3] = {uint8_t(10 + x), uint8_t(20 + y), uint8_t(x * y % 200)};
        for (int p = 0; p < planes; ++p) px[p] = p < 3 ? colour[p] : 255;
      }
  }
  FrameView Frame(const Image* mask = nullptr) {
    FrameView frame = FrameOf(in, out, mask);
    EXPECT_EQ(ComputeExtents(frame, extents), ExtentsResult::kRender);
    field.assign(size_t(extents.P) * extents.R, 0);
    return frame;
  }
  uint8_t cell(int c, int r) const { return field[size_t(r) * extents.P + c]; }
};

TEST(BuildSourceField, BrightnessAwayFromTheEdgesOrItsInverse) {
  for (const bool invert : {false, true}) {
    SourceSetup s(12, 9, 3);
    const FrameView frame = s.Frame();
    BuildSourceField(frame, s.extents, s.field.data(), 0, 0, invert);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) {
        const uint8_t* px = s.in.At(x, y);
        const int bright = std::max({px[0], px[1], px[2]});
        const bool inner = x >= 2 && x <= 9 && y >= 2 && y <= 6;
        EXPECT_EQ(s.cell(x + 2, y + 3), inner ? (invert ? 255 - bright : bright) : 0)
            << x << ", " << y;
      }
  }
}

TEST(BuildSourceField, SelectionGives255OverTheWholeStripWhateverTheInvert) {
  std::vector<uint8_t> withInvert[2];
  for (const bool invert : {false, true}) {
    SourceSetup s(12, 9, 3);
    Image mask(12, 9, 1);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) mask.At(x, y)[0] = (x + y) % 3 ? uint8_t(1 + x) : 0;
    const FrameView frame = s.Frame(&mask);
    BuildSourceField(frame, s.extents, s.field.data(), 0, 0, invert);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x)
        EXPECT_EQ(s.cell(x + 2, y + 3), mask.At(x, y)[0] ? 255 : 0) << x << ", " << y;
    withInvert[invert] = s.field;
  }
  EXPECT_EQ(withInvert[0], withInvert[1]);
}

TEST(BuildSourceField, TransparentPixelsGiveNoSources) {
  // Pixel (4, 4) is transparent; pixel (5, 4) has only its fourth byte at 0, which with five
  // planes the fifth byte makes up for.
  for (const int planes : {4, 5}) {
    SourceSetup s(12, 9, planes);
    s.in.At(4, 4)[3] = 0;
    if (planes == 5) s.in.At(4, 4)[4] = 0;
    s.in.At(5, 4)[3] = 0;
    Image mask(12, 9, 1);
    std::memset(mask.pixels.data(), 255, mask.pixels.size());
    for (const bool selection : {false, true}) {
      const FrameView frame = s.Frame(selection ? &mask : nullptr);
      BuildSourceField(frame, s.extents, s.field.data(), 0, 0, false);
      EXPECT_EQ(s.cell(6, 7), 0) << planes << selection;
      EXPECT_EQ(s.cell(7, 7) != 0, planes == 5) << planes << selection;
      EXPECT_NE(s.cell(8, 7), 0) << planes << selection;
    }
  }
}

TEST(BuildSourceField, OffsetsTruncateAfterAddingOneHalf) {
  SourceSetup s(12, 9, 3);
  Image mask(12, 9, 1);
  mask.At(5, 4)[0] = 255;
  const FrameView frame = s.Frame(&mask);
  // 2.7 + 0.5 -> 3; -2.7 + 0.5 = -2.2 -> -2 (toward zero, not to nearest).
  BuildSourceField(frame, s.extents, s.field.data(), 2.7f, -2.7f, false);
  EXPECT_EQ(s.cell(5 + 2 + 3, 4 + 3 - 2), 255);
  EXPECT_EQ(std::count(s.field.begin(), s.field.end(), 255), 1);
}

TEST(BuildSourceField, OtherPlaneCountsWriteNothing) {
  for (const int planes : {1, 2, 6}) {
    SourceSetup s(12, 9, planes);
    const FrameView frame = s.Frame();
    BuildSourceField(frame, s.extents, s.field.data(), 0, 0, false);
    EXPECT_EQ(std::count(s.field.begin(), s.field.end(), 0), ptrdiff_t(s.field.size()));
  }
}

// ---- displacement ---------------------------------------------------------------------------

TEST(Displacement, RadiusZeroMeansNone) {
  WorkingParameters p{};
  p.radius = 0;
  FieldExtents e;
  e.w = 300;
  e.H = 200;
  for (const int rotation : {0, 37, 180, -720, 123456}) {
    p.rotation = rotation;
    for (int k = 0; k < 5; ++k) {
      const SourceShift s = DisplacementOfStep(p, e, 5, k, k == 3);
      EXPECT_EQ(s.dx, 0.0f);
      EXPECT_EQ(s.dy, 0.0f);
    }
  }
}

TEST(Displacement, RotationZeroRightNinetyUpHundredEightyLeft) {
  WorkingParameters p{};
  p.radius = 51;
  FieldExtents e;
  e.w = 200;  // Q = 51 * 200 / 510 = 20
  e.H = 100;
  // The degree constant is a little below pi/180, so the perpendicular part is not exactly 0,
  // but far below half a cell.
  struct Case {
    int rotation;
    float dx, dy;
  } cases[] = {{0, 20, 0}, {90, 0, -20}, {180, -20, 0}, {-90, 0, 20}, {720 + 180, -20, 0}};
  for (const Case& c : cases) {
    p.rotation = c.rotation;
    const SourceShift s = DisplacementOfStep(p, e, 1, 0, false);
    EXPECT_NEAR(s.dx, c.dx, 1e-4) << c.rotation;
    EXPECT_NEAR(s.dy, c.dy, 1e-4) << c.rotation;
  }
}

TEST(Displacement, ShrinksLinearlyInAFinalRenderingOnly) {
  WorkingParameters p{};
  p.radius = 51;
  p.rotation = 0;
  FieldExtents e;
  e.w = 100;
  e.H = 200;  // the larger extent counts: Q = 20
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(DisplacementOfStep(p, e, 4, k, false).dx, 20.0f * (4 - k) / 4) << k;
    EXPECT_FLOAT_EQ(DisplacementOfStep(p, e, 4, k, true).dx, 20.0f) << k;
  }
}

// ---- compositing ----------------------------------------------------------------------------

struct CompositeSetup {
  Image in, out;
  FieldExtents extents;
  std::vector<uint8_t> mainField, sourceField;
  FirePalette palette{};

  CompositeSetup(int width, int height, int planes, uint8_t fill = 100)
      : in(width, height, planes), out(width, height, planes) {
    std::memset(out.pixels.data(), fill, out.pixels.size());
    FrameView frame = FrameOf(in, out);
    EXPECT_EQ(ComputeExtents(frame, extents), ExtentsResult::kRender);
    mainField.assign(size_t(extents.P) * extents.R, 0);
    sourceField = mainField;
  }
  uint8_t& cell(std::vector<uint8_t>& f, int x, int y) {
    return f[size_t(y + 4) * extents.P + x + 2];  // the cell of image pixel (x, y)
  }
  void Run(int alpha, int maskMode) {
    CompositeField(FrameOf(in, out), extents, mainField.data(), sourceField.data(), palette, alpha,
                   maskMode);
  }
};

TEST(CompositeField, PaletteIndexByCellValue) {
  // Alpha 0 covers fully, so each pixel becomes its palette colour: entry 255 - index of the
  // palette, which in "Default" mode is the built-in table.
  const int values[] = {1, 50, 100, 150, 155, 170, 200, 230, 255};
  const int indexes[] = {251, 117, 32, 0, 0, 5, 51, 143, 255};
  CompositeSetup s(9, 3, 3);
  ColorRamp ramp{};
  const uint32_t colours[4] = {0, 0, 0, 0};
  BuildFirePalette(s.palette, ramp, 0, colours, 85, 171);
  for (int i = 0; i < 9; ++i) s.cell(s.mainField, i, 1) = uint8_t(values[i]);
  s.Run(0, 2);
  for (int i = 0; i < 9; ++i) {
    const uint8_t* want = DefaultFirePalette[255 - indexes[i]];
    const uint8_t* got = s.out.At(i, 1);
    EXPECT_EQ(got[0], want[0]) << values[i];
    EXPECT_EQ(got[1], want[1]) << values[i];
    EXPECT_EQ(got[2], want[2]) << values[i];
  }
}

TEST(CompositeField, CustomRampPutsTheFirstColourAt155) {
  CompositeSetup s(3, 3, 3);
  ColorRamp ramp{};
  const uint32_t colours[4] = {0x123456, 0xFF0000, 0, 0};
  BuildFirePalette(s.palette, ramp, 1, colours, 85, 171);
  s.cell(s.mainField, 1, 1) = 155;
  s.Run(0, 2);
  EXPECT_EQ(s.out.At(1, 1)[0], 0x56);
  EXPECT_EQ(s.out.At(1, 1)[1], 0x34);
  EXPECT_EQ(s.out.At(1, 1)[2], 0x12);
}

TEST(CompositeField, BlendStrengthFromTheColoursBrightness) {
  CompositeSetup s(4, 3, 3, 200);
  ColorRamp ramp{};
  const uint32_t grey[4] = {0x808080, 0x808080, 0x808080, 0};
  BuildFirePalette(s.palette, ramp, 1, grey, 85, 171);
  s.cell(s.mainField, 1, 1) = 155;  // grey 128 at alpha 255: V = (128/255)^2 = 0.25196...
  s.cell(s.mainField, 2, 1) = 255;  // black at alpha 255: strength 0, unchanged
  s.Run(255, 3);
  EXPECT_EQ(s.out.At(1, 1)[0], 181);  // 200 (1 - V) + 128 V = 181.86
  EXPECT_EQ(s.out.At(2, 1)[0], 200);
  EXPECT_EQ(s.out.At(0, 1)[0], 200);  // no heat
}

TEST(CompositeField, RowZeroKeepsItsCopy) {
  CompositeSetup s(4, 3, 3, 7);
  ColorRamp ramp{};
  const uint32_t white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0};
  BuildFirePalette(s.palette, ramp, 1, white, 85, 171);
  for (int x = 0; x < 4; ++x)
    for (int y = -1; y < 3; ++y) s.cell(s.mainField, x, y) = 155;
  s.Run(255, 2);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(s.out.At(x, 0)[0], 7);
    EXPECT_EQ(s.out.At(x, 1)[0], 255);
    EXPECT_EQ(s.out.At(x, 2)[0], 255);
  }
}

TEST(CompositeField, MaskModesGateByTheSources) {
  ColorRamp ramp{};
  const uint32_t white[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0};
  for (const int maskMode : {0, 1, 2, 3, 4, 255}) {
    CompositeSetup s(4, 2, 3, 9);
    BuildFirePalette(s.palette, ramp, 1, white, 85, 171);
    for (int x = 0; x < 4; ++x) s.cell(s.mainField, x, 1) = 155;
    s.cell(s.sourceField, 0, 1) = 1;
    s.cell(s.sourceField, 1, 1) = 255;
    s.Run(255, maskMode);
    for (int x = 0; x < 4; ++x) {
      const bool onSource = x < 2;
      const bool coloured = maskMode == 0 ? onSource : maskMode == 1 ? !onSource : true;
      EXPECT_EQ(s.out.At(x, 1)[0], coloured ? 255 : 9) << maskMode << " " << x;
    }
  }
}

TEST(CompositeField, FourAndFivePlanes) {
  ColorRamp ramp{};
  const uint32_t grey[4] = {0x808080, 0x808080, 0x808080, 0};
  // V = (128/255)^2 in single precision; coverage trunc(V * 255 + 0.5) = 64.
  for (const int planes : {4, 5}) {
    CompositeSetup s(3, 2, planes, 200);
    BuildFirePalette(s.palette, ramp, 1, grey, 85, 171);
    s.out.At(0, 1)[3] = 0;   // transparent
    s.out.At(1, 1)[3] = 77;  // opaque enough
    s.cell(s.mainField, 0, 1) = 155;
    s.cell(s.mainField, 1, 1) = 155;
    s.Run(255, 2);
    const uint8_t* clear = s.out.At(0, 1);
    const uint8_t* solid = s.out.At(1, 1);
    if (planes == 4) {
      EXPECT_EQ(clear[0], 128);  // painted
      EXPECT_EQ(clear[3], 64);
      EXPECT_EQ(solid[0], 181);  // blended
      EXPECT_EQ(solid[3], 255);
    } else {
      EXPECT_EQ(clear[0], 181);  // blended
      EXPECT_EQ(solid[0], 128);  // painted
      EXPECT_EQ(clear[3], 64);
      EXPECT_EQ(solid[3], 64);
      EXPECT_EQ(clear[4], 255);
      EXPECT_EQ(solid[4], 255);
    }
    EXPECT_EQ(s.out.At(2, 1)[0], 200);
  }
}

TEST(CompositeField, OtherPlaneCountsChangeNothing) {
  for (const int planes : {1, 2, 6, 8}) {
    CompositeSetup s(3, 2, planes, 33);
    std::memset(s.mainField.data(), 155, s.mainField.size());
    s.Run(0, 2);
    for (uint8_t b : s.out.pixels) ASSERT_EQ(b, 33) << planes;
  }
}

}  // namespace
}  // namespace zar
