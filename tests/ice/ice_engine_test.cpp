// The Ice and Candle engine: its step values, the disc feeding, the run modes and the pictures it
// renders.
#include "effects/ice/ice_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/plugin_table.h"
#include "platform/platform.h"
#include "tests/ice/engine_runs.h"

namespace zar {
namespace {

using testing::FrameOf;
using testing::IceModule;
using testing::Image;
using testing::OutputFor;
using testing::PixelHash;
using testing::RenderFresh;
using testing::StructuredPicture;

// ---- the step values ------------------------------------------------------------------------

TEST(IceStepConstants, IceAndCandleOnA300RowStrip) {
  const IceStepConstants ice = ComputeIceStepConstants(kIceTable.defaults, 305);
  EXPECT_EQ(ice.t, 9);
  EXPECT_EQ(ice.u, 7);
  EXPECT_EQ(ice.wv, 10);
  EXPECT_EQ(ice.av, 14);
  EXPECT_EQ(ice.E, 5);  // disc radii M and L between 5 and 10
  EXPECT_EQ(ice.D, 1);  // window offsets A and B of 0 or 1
  EXPECT_FLOAT_EQ(ice.dPhi, 0.0044f);
  const IceStepConstants candle = ComputeIceStepConstants(kCandleTable.defaults, 305);
  EXPECT_EQ(candle.t, 11);
  EXPECT_EQ(candle.u, 11);
  EXPECT_EQ(candle.wv, 16);
  EXPECT_EQ(candle.av, 11);
  EXPECT_EQ(candle.E, 8);
  EXPECT_EQ(candle.D, 1);
}

TEST(IceStepConstants, ScaledValuesAreIntegerQuotientsBelow65000Rows) {
  WorkingParameters p{};
  for (const int v : {1, 7, 100, 254, 255}) {
    p.height = p.smooth = p.width = p.amplitude = uint8_t(v);
    for (int32_t R = 1; R < 65000; ++R) {
      const IceStepConstants c = ComputeIceStepConstants(p, R);
      ASSERT_EQ(c.t, int64_t(v) * R / 255) << v << " " << R;
      ASSERT_EQ(c.wv, c.t);
    }
  }
}

TEST(IceStepConstants, WobbleReachOfAHundredIsOneLess) {
  WorkingParameters p{};
  p.width = 10;
  p.amplitude = 10;
  EXPECT_EQ(ComputeIceStepConstants(p, 255).D, 0);  // 10 * 10 * 0.01 in single precision
  p.amplitude = 20;
  EXPECT_EQ(ComputeIceStepConstants(p, 255).D, 1);
  p.amplitude = 21;
  EXPECT_EQ(ComputeIceStepConstants(p, 255).D, 2);
}

// ---- the disc feeding -----------------------------------------------------------------------

struct DiscField {
  FieldExtents e;
  std::vector<uint8_t> mainField, sources;
  DiscField(int32_t width, int32_t height) {
    e.W = e.w = width;
    e.H = height;
    e.P = width + 4;
    e.R = height + 5;
    e.N = width + 4;
    mainField.assign(size_t(e.P) * e.R, 0);
    sources.assign(mainField.size(), 255);
  }
  uint8_t at(int c, int r) const { return mainField[size_t(r) * e.P + c]; }
};

TEST(FeedDiscs, EveryBandFeedsTheSameColumnsInsideTheField) {
  DiscField f(200, 300);
  const IceStepConstants c = ComputeIceStepConstants(kIceTable.defaults, f.e.R);
  Rng rng;
  float phase = 0;
  FeedDiscs(f.mainField.data(), f.sources.data(), f.e, c, kIceTable.defaults.space, rng, phase);
  // Nothing outside the interior of the visited columns and rows.
  for (int r = 0; r < f.e.R; ++r)
    for (int col = 0; col < f.e.P; ++col) {
      if (r == 0 || r == f.e.R - 1 || col == 0 || col >= f.e.N - 1) {
        ASSERT_EQ(f.at(col, r), 0) << col << ", " << r;
      }
    }
  // Every band is drawn from the same seed: the band starting at row 1 has radius M, and the
  // columns fed in its centre row are fed in the centre row of every later band.
  Rng first;
  first.Seed(0);
  const int M = int(c.E + first.Next() % (c.E + 1));
  ASSERT_GE(M, 5);
  ASSERT_LE(M, 10);
  std::vector<int> fedColumns;
  for (int col = 0; col < f.e.N; ++col)
    if (f.at(col, 1)) fedColumns.push_back(col);
  ASSERT_FALSE(fedColumns.empty());
  int bands = 0;
  for (int F = 1; F < f.e.R - 1; F = int(F + 1.2 * M), ++bands)
    for (const int col : fedColumns) EXPECT_NE(f.at(col, F), 0) << col << ", " << F;
  // The wobble advances once per band, in single precision.
  float expected = 0;
  for (int b = 0; b < bands; ++b) expected = expected + c.dPhi;
  EXPECT_EQ(phase, expected);
}

TEST(FeedDiscs, OnlySourcesAreStamped) {
  DiscField f(120, 300);
  std::fill(f.sources.begin(), f.sources.end(), 0);
  for (size_t i = 0; i < f.sources.size(); i += 3) f.sources[i] = uint8_t(1 + i % 200);
  const IceStepConstants c = ComputeIceStepConstants(kCandleTable.defaults, f.e.R);
  Rng rng;
  float phase = 1.5f;
  FeedDiscs(f.mainField.data(), f.sources.data(), f.e, c, kCandleTable.defaults.space, rng, phase);
  size_t fed = 0;
  for (size_t i = 0; i < f.mainField.size(); ++i) {
    if (f.mainField[i] == 0) continue;
    ++fed;
    ASSERT_EQ(f.mainField[i], f.sources[i]) << i;
  }
  EXPECT_GT(fed, 100u);
}

TEST(FeedDiscs, PhaseWrapsAboveTenThousand) {
  DiscField f(20, 10);
  WorkingParameters p = kIceTable.defaults;
  p.velocity = 255;
  const IceStepConstants c = ComputeIceStepConstants(p, f.e.R);
  Rng rng;
  float phase = 9999.99f;
  FeedDiscs(f.mainField.data(), f.sources.data(), f.e, c, p.space, rng, phase);
  EXPECT_LT(phase, 1.0f);
}

// ---- strips the defaults leave unchanged ----------------------------------------------------

TEST(IceDefaults, TheFirstDrawAfterReseedingWithZeroIsEven) {
  // So a smallest disc radius E of 1 always gives M = 1 + 0.
  Rng rng;
  rng.Seed(0);
  EXPECT_EQ(rng.Next() % 2, 0);
}

TEST(IceDefaults, StripsWithDiscRadiusOneAreFed) {
  // Ice at 52..108 rows and Candle at 32..67 rows: wv is 2 or 3, so E = 1 and the band radius M
  // drawn is 1, which is taken as 2 like a radius of 0. Each strip is fed, at the edges of the
  // bands as inside them.
  const std::pair<const PluginTable*, int> cases[] = {
      {&kIceTable, 51},    {&kIceTable, 52},    {&kIceTable, 80},    {&kIceTable, 108},
      {&kIceTable, 109},   {&kCandleTable, 31}, {&kCandleTable, 32}, {&kCandleTable, 50},
      {&kCandleTable, 67}, {&kCandleTable, 68}};
  for (const auto& [table, height] : cases) {
    const Image in = StructuredPicture(120, height);
    const Image out = RenderFresh<IceModule>(in, table->defaults);
    EXPECT_NE(out.pixels, in.pixels) << table->name << " " << height;
  }
}

TEST(IceDefaults, RadiusOneIsTakenAsTwo) {
  // One band (E = 1, M = 1 -> 2) on a field of sources: the discs of radius 2 feed the column
  // left of each centre, which the window [K - L, K) holds.
  WorkingParameters p{};
  p.width = 2;  // wv = 2 * 255 / 255 = 2 on 250 rows
  p.space = 0;
  FieldExtents e;
  e.W = e.w = 20;
  e.H = 250;
  e.P = e.N = 24;
  e.R = 255;
  const IceStepConstants c = ComputeIceStepConstants(p, e.R);
  ASSERT_EQ(c.E, 1);
  ASSERT_EQ(c.D, 0);
  std::vector<uint8_t> mainField(size_t(e.P) * e.R, 0), sources(mainField.size(), 200);
  Rng rng;
  float phase = 0;
  FeedDiscs(mainField.data(), sources.data(), e, c, p.space, rng, phase);
  // Band rows advance by trunc(1.2 * 2) = 2, so every row from 1 on is fed somewhere.
  for (int r = 1; r < e.R - 1; ++r) {
    int fed = 0;
    for (int col = 0; col < e.P; ++col) fed += mainField[size_t(r) * e.P + col] != 0;
    EXPECT_GT(fed, 0) << r;
  }
}

}  // namespace
}  // namespace zar
