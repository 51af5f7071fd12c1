#include "effects/palette/palette.h"

#include <gtest/gtest.h>

namespace zar {
namespace {

struct Bgr {
  int blue, green, red;
};

Bgr Entry(const ColorRamp& ramp, int j) {
  return {ramp.entries[j][0], ramp.entries[j][1], ramp.entries[j][2]};
}

void ExpectEntry(const ColorRamp& ramp, int j, Bgr want) {
  const Bgr got = Entry(ramp, j);
  EXPECT_EQ(got.blue, want.blue) << "entry " << j;
  EXPECT_EQ(got.green, want.green) << "entry " << j;
  EXPECT_EQ(got.red, want.red) << "entry " << j;
}

constexpr uint32_t kWhite = 0xFFFFFF, kYellow = 0x00FFFF, kRed = 0x0000FF, kBlack = 0;

TEST(ColorRamp, CombustionDefaultsRunWhiteYellowRedBlack) {
  ColorRamp ramp{};
  BuildColorRamp(ramp, kWhite, kYellow, kRed, kBlack, 85, 171);
  ExpectEntry(ramp, 0, {255, 255, 255});
  // White to yellow: blue falls by exactly 3 per entry.
  ExpectEntry(ramp, 1, {252, 255, 255});
  ExpectEntry(ramp, 84, {3, 255, 255});
  ExpectEntry(ramp, 85, {0, 255, 255});
  // Yellow to red over 86 entries: green falls by 255/86 (held in single precision).
  ExpectEntry(ramp, 86, {0, 252, 255});
  ExpectEntry(ramp, 170, {0, 2, 255});
  ExpectEntry(ramp, 171, {0, 0, 255});
  // The ease toward black starts slowly: just past the key colour red is already truncated
  // below 255, and half-way it has lost only an eighth.
  ExpectEntry(ramp, 172, {0, 0, 254});
  ExpectEntry(ramp, 213, {0, 0, 223});
  ExpectEntry(ramp, 255, {0, 0, 0});
  for (int j = 172; j < 255; ++j) EXPECT_LE(ramp.entries[j + 1][2], ramp.entries[j][2]) << j;
  for (int j = 0; j < 256; ++j) EXPECT_EQ(ramp.entries[j][3], 0) << j;
}

TEST(ColorRamp, FirstPositionZeroOverwritesEntryZero) {
  ColorRamp ramp{};
  BuildColorRamp(ramp, kWhite, 0x123456, kRed, kBlack, 0, 100);
  ExpectEntry(ramp, 0, {0x12, 0x34, 0x56});
}

TEST(ColorRamp, EqualPositionsLeaveTheThirdColourThere) {
  ColorRamp ramp{};
  BuildColorRamp(ramp, kWhite, kYellow, kRed, kBlack, 120, 120);
  ExpectEntry(ramp, 120, {0, 0, 255});
  ExpectEntry(ramp, 119, {2, 255, 255});  // white to yellow over 120 entries: 255 - 119 * 2.125
}

TEST(ColorRamp, SecondPositionAtTheEndGivesBlackThere) {
  ColorRamp ramp{};
  BuildColorRamp(ramp, kWhite, kYellow, 0x00FF00, 0xFFFFFF, 10, 255);
  ExpectEntry(ramp, 255, {0, 0, 0});
  // The middle segment runs over 245 entries from yellow toward green: red falls 255/245 a step.
  ExpectEntry(ramp, 10, {0, 255, 255});
  ExpectEntry(ramp, 254, {0, 255, 1});
}

TEST(ColorRamp, SecondPositionBeforeTheFirstLetsTheEaseOverwrite) {
  ColorRamp ramp{};
  BuildColorRamp(ramp, kWhite, kYellow, kRed, kBlack, 200, 50);
  // Entries below 50 come from the first segment (white toward yellow over 200 entries).
  ExpectEntry(ramp, 0, {255, 255, 255});
  ExpectEntry(ramp, 40, {204, 255, 255});
  ExpectEntry(ramp, 50, {0, 0, 255});
  // Entry 200 is not yellow: the ease from red toward black wrote it after.
  EXPECT_EQ(Entry(ramp, 200).green, 0);
  EXPECT_LT(Entry(ramp, 200).red, 255);
  ExpectEntry(ramp, 255, {0, 0, 0});
}

TEST(ColorRamp, HighByteOfTheColoursIsIgnored) {
  ColorRamp a{}, b{};
  BuildColorRamp(a, kWhite, kYellow, kRed, kBlack, 85, 171);
  BuildColorRamp(b, 0xFF000000 | kWhite, 0xAB000000 | kYellow, kRed, 0x12000000, 85, 171);
  for (int j = 0; j < 256; ++j)
    for (int c = 0; c < 4; ++c) ASSERT_EQ(a.entries[j][c], b.entries[j][c]);
}

TEST(DefaultFirePalette, HasTheStatedShape) {
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(DefaultFirePalette[k][c] % 4, 0) << k << "," << c;
  EXPECT_EQ(DefaultFirePalette[0][0] + DefaultFirePalette[0][1] + DefaultFirePalette[0][2], 0);
  for (int k = 1; k <= 7; ++k) {
    EXPECT_EQ(DefaultFirePalette[k][0], 0);
    EXPECT_GE(DefaultFirePalette[k][2], 24);
  }
  EXPECT_EQ(DefaultFirePalette[23][0], 128);
  EXPECT_EQ(DefaultFirePalette[23][2], 0);
  EXPECT_EQ(DefaultFirePalette[56][0], 252);
  EXPECT_EQ(DefaultFirePalette[39][1], 0);
  EXPECT_EQ(DefaultFirePalette[40][1], 4);
  EXPECT_EQ(DefaultFirePalette[187][1], 252);
  EXPECT_EQ(DefaultFirePalette[187][2], 0);
  EXPECT_EQ(DefaultFirePalette[188][2], 4);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(DefaultFirePalette[255][c], 252);
  // Red, then green, then blue never fall once they start rising.
  for (int k = 23; k < 255; ++k) {
    EXPECT_GE(DefaultFirePalette[k + 1][0], DefaultFirePalette[k][0]) << k;
    EXPECT_GE(DefaultFirePalette[k + 1][1], DefaultFirePalette[k][1]) << k;
  }
  for (int k = 187; k < 255; ++k) EXPECT_GE(DefaultFirePalette[k + 1][2], DefaultFirePalette[k][2]);
  // A few entries read straight off the table.
  EXPECT_EQ(DefaultFirePalette[9][0], 16);
  EXPECT_EQ(DefaultFirePalette[9][2], 36);
  EXPECT_EQ(DefaultFirePalette[139][1], 208);
  EXPECT_EQ(DefaultFirePalette[233][2], 168);
}

TEST(FirePalette, DefaultModeCopiesTheTableCustomModeReversesTheRamp) {
  const uint32_t colours[4] = {kWhite, kYellow, kRed, kBlack};
  ColorRamp ramp{};
  FirePalette palette{};
  BuildFirePalette(palette, ramp, 0, colours, 85, 171);
  for (int k = 0; k < 256; ++k) {
    ASSERT_EQ(palette.entries[k][0], DefaultFirePalette[k][2]);
    ASSERT_EQ(palette.entries[k][1], DefaultFirePalette[k][1]);
    ASSERT_EQ(palette.entries[k][2], DefaultFirePalette[k][0]);
    ASSERT_EQ(palette.entries[k][3], 0);
  }
  BuildFirePalette(palette, ramp, 1, colours, 85, 171);
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(palette.entries[k][c], ramp.entries[255 - k][c]);
  EXPECT_EQ(palette.entries[255][2], 255);  // the ramp's white end
  EXPECT_EQ(palette.entries[0][2], 0);      // its black end
}

TEST(SelectHeatColour, PaletteIndexByHeat) {
  const int heat[] = {1, 50, 100, 150, 155, 170, 200, 230, 255};
  const int index[] = {251, 117, 32, 0, 0, 5, 51, 143, 255};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(HeatPaletteIndex(heat[i]), index[i]) << heat[i];
}

TEST(SelectHeatColour, StrengthGrowsWithBrightnessUpToAlpha) {
  const uint32_t colours[4] = {kWhite, kYellow, kRed, kBlack};
  ColorRamp ramp{};
  FirePalette palette{};
  BuildFirePalette(palette, ramp, 0, colours, 85, 171);
  // Heat 155 is the bright end: (252, 252, 252), full strength when brighter than alpha.
  HeatColour c = SelectHeatColour(155, palette, 200);
  EXPECT_EQ(c.red, 252);
  EXPECT_EQ(c.blue, 252);
  EXPECT_EQ(c.strength, 1.0);
  c = SelectHeatColour(155, palette, 255);
  EXPECT_DOUBLE_EQ(c.strength, (252.0 / 255) * (252.0 / 255));
  // Heat 255 selects black at strength 0.
  c = SelectHeatColour(255, palette, 200);
  EXPECT_EQ(c.red + c.green + c.blue, 0);
  EXPECT_EQ(c.strength, 0.0);
  // Alpha 0 never divides: full strength.
  EXPECT_EQ(SelectHeatColour(255, palette, 0).strength, 1.0);

  // A custom ramp whose bright end has a channel of 255: at alpha 255 the strength is exactly 1,
  // so a blended channel becomes the palette colour.
  BuildFirePalette(palette, ramp, 1, colours, 85, 171);
  c = SelectHeatColour(155, palette, 255);
  EXPECT_EQ(c.red, 255);
  EXPECT_EQ(c.strength, 1.0);
  const double old = 77;
  EXPECT_EQ(int(old * (1 - c.strength) + c.red * c.strength), 255);
  // A colour of brightness 128 covers about a quarter.
  const uint32_t grey[4] = {0x808080, 0x808080, 0x808080, 0};
  BuildFirePalette(palette, ramp, 1, grey, 85, 171);
  c = SelectHeatColour(155, palette, 255);
  EXPECT_DOUBLE_EQ(c.strength, (128.0 / 255) * (128.0 / 255));
}

}  // namespace
}  // namespace zar
