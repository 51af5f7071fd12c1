// The command line's words for effects, fields and values.
#include "hosts/cli/values.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zar::cli {
namespace {

uint32_t Parsed(Field field, const std::string& text) {
  ParsedValue parsed;
  std::string error;
  EXPECT_TRUE(ParseFieldValue(field, text, &parsed, &error)) << text << ": " << error;
  return parsed.value;
}

std::string ParseError(Field field, const std::string& text) {
  ParsedValue parsed;
  std::string error;
  EXPECT_FALSE(ParseFieldValue(field, text, &parsed, &error)) << text;
  return error;
}

std::string Warning(Field field, const std::string& text) {
  ParsedValue parsed;
  std::string error;
  EXPECT_TRUE(ParseFieldValue(field, text, &parsed, &error)) << error;
  return parsed.warning;
}

TEST(CliValues, DirectionsByNameForgivingCaseSpacesAndDashes) {
  const char* const names[] = {"Top",    "Left Top",  "Left",  "Left Btm",
                               "Bottom", "Right Btm", "Right", "Right Top"};
  for (int d = 0; d < 8; ++d) {
    EXPECT_EQ(Parsed(Field::flameDirection, names[d]), uint32_t(d)) << names[d];
    EXPECT_EQ(Parsed(Field::effectDirection, names[d]), uint32_t(d)) << names[d];
  }
  for (const char* text :
       {"left btm", "LEFT-BTM", "left_btm", "LeftBtm", " Left  Btm ", "left-bottom", "leftbottom"})
    EXPECT_EQ(Parsed(Field::flameDirection, text), 3u) << text;
  EXPECT_EQ(Parsed(Field::flameDirection, "right-bottom"), 5u);
  EXPECT_EQ(Parsed(Field::flameDirection, "righttop"), 7u);
  EXPECT_EQ(Parsed(Field::flameDirection, "6"), 6u);
}

TEST(CliValues, ModesByName) {
  EXPECT_EQ(Parsed(Field::effectMode, "Blend"), 0u);
  EXPECT_EQ(Parsed(Field::effectMode, "page"), 1u);
  EXPECT_EQ(Parsed(Field::effectMode, "HOLE"), 2u);
  EXPECT_EQ(Parsed(Field::effectMode, "gate"), 3u);
  EXPECT_EQ(Parsed(Field::maskMode, "in"), 0u);
  EXPECT_EQ(Parsed(Field::maskMode, "Out"), 1u);
  EXPECT_EQ(Parsed(Field::maskMode, "both"), 2u);
  EXPECT_EQ(Parsed(Field::maskMode, "Contour"), 3u);
  EXPECT_EQ(Parsed(Field::colorMode, "default"), 0u);
  EXPECT_EQ(Parsed(Field::colorMode, "Custom"), 1u);
  EXPECT_EQ(Parsed(Field::maskInvert, "on"), 1u);
  EXPECT_EQ(Parsed(Field::maskDroplet, "no"), 0u);
  // A name belongs to its own kind of field only.
  EXPECT_NE(ParseError(Field::maskMode, "Page").find("unknown mask mode \"Page\""),
            std::string::npos);
  EXPECT_NE(ParseError(Field::effectMode, "Left").find("unknown effect mode"), std::string::npos);
  EXPECT_NE(ParseError(Field::oxygen, "Top").find("\"Top\" is not a number"), std::string::npos);
}

TEST(CliValues, UnknownNamesListTheKnownOnes) {
  EXPECT_EQ(ParseError(Field::flameDirection, "Upward"),
            "flameDirection: unknown direction \"Upward\" (one of Top, Left Top, Left, Left Btm, "
            "Bottom, Right Btm, Right, Right Top, or a number)");
  EXPECT_EQ(ParseError(Field::colorMode, "fancy"),
            "colorMode: unknown colour mode \"fancy\" (one of Default, Custom, or a number)");
}

TEST(CliValues, ColoursAsRrggbbAreStoredRedInTheLowByte) {
  EXPECT_EQ(Parsed(Field::rampColor2, "#8264FF"), 0xFF6482u);  // Cryo's third colour
  EXPECT_EQ(Parsed(Field::rampColor0, "#ffffff"), 0xFFFFFFu);
  EXPECT_EQ(Parsed(Field::rampColor1, "#0000FF"), 0xFF0000u);
  // A number is the stored value itself.
  EXPECT_EQ(Parsed(Field::rampColor1, "0xFF0000"), 0xFF0000u);
  EXPECT_EQ(Parsed(Field::rampColor1, "255"), 0xFFu);
  for (const char* bad : {"#12345", "#1234567", "#GG0000", "#", "red"})
    EXPECT_NE(ParseError(Field::rampColor3, bad).find("is not a colour"), std::string::npos) << bad;
  // The 32-bit field takes a high byte, with a warning; it is not a 24-bit colour.
  EXPECT_NE(Warning(Field::rampColor0, "0x01000000").find("not a 24-bit colour"),
            std::string::npos);
  EXPECT_EQ(FormatFieldValue(Field::rampColor2, 0xFF6482), "#8264FF");
}

TEST(CliValues, ValuesMustFitTheFieldsWidth) {
  EXPECT_EQ(Parsed(Field::oxygen, "255"), 255u);
  EXPECT_EQ(Parsed(Field::oxygen, "0x10"), 16u);
  EXPECT_EQ(Parsed(Field::oxygen, "+7"), 7u);
  EXPECT_EQ(ParseError(Field::oxygen, "256"), "oxygen: 256 does not fit an 8-bit field (0..255)");
  EXPECT_EQ(ParseError(Field::alpha, "-1"), "alpha: -1 does not fit an 8-bit field (0..255)");
  EXPECT_EQ(Parsed(Field::rotation, "-720"), uint32_t(-720));
  EXPECT_EQ(Parsed(Field::rotation, "-2147483648"), 0x80000000u);
  EXPECT_EQ(Parsed(Field::iterations, "2147483647"), 0x7FFFFFFFu);
  EXPECT_NE(ParseError(Field::rotation, "2147483648").find("does not fit a signed 32-bit field"),
            std::string::npos);
  EXPECT_NE(ParseError(Field::radius, "99999999999999999999999").find("does not fit"),
            std::string::npos);
  EXPECT_EQ(Parsed(Field::rampColor0, "4294967295"), 0xFFFFFFFFu);
  EXPECT_NE(ParseError(Field::rampColor0, "4294967296").find("unsigned 32-bit"), std::string::npos);
  EXPECT_NE(ParseError(Field::rampColor0, "-1").find("does not fit"), std::string::npos);
  for (const char* bad : {"1.5", "12abc", "0x", "--3", "1e3"})
    EXPECT_NE(ParseError(Field::fuel, bad).find("is not a number"), std::string::npos) << bad;
  EXPECT_EQ(ParseError(Field::fuel, " "), "fuel: no value given");
}

TEST(CliValues, OutsideTheDialogsRangeIsAWarningNotAnError) {
  EXPECT_EQ(Warning(Field::oxygen, "100"), "");
  EXPECT_EQ(Warning(Field::oxygen, "150"), "oxygen 150 is outside the dialog's range 1..100");
  EXPECT_EQ(Warning(Field::oxygen, "0"), "oxygen 0 is outside the dialog's range 1..100");
  EXPECT_EQ(Warning(Field::phase, "0"), "");
  EXPECT_EQ(Warning(Field::iterations, "2000000000"),
            "iterations 2000000000 is outside the dialog's range 1..255 (the run takes about "
            "7843137 times as long as at 255; Ctrl-C stops it)");
  EXPECT_EQ(Warning(Field::rotation, "-721"),
            "rotation -721 is outside the dialog's range -720..720");
  EXPECT_EQ(Warning(Field::flameDirection, "9"),
            "flameDirection 9 is outside the dialog's range 0..7");
  EXPECT_EQ(Warning(Field::radius, "0"), "");  // the plug-ins' own default
  EXPECT_EQ(Warning(Field::maskInvert, "2"), "maskInvert 2 is outside the dialog's range 0..1");
}

TEST(CliValues, EffectsAndTheirOwnFields) {
  EXPECT_EQ(FindEffect("Fire"), &kFireTable);
  EXPECT_EQ(FindEffect("CRYO"), &kCryoTable);
  EXPECT_EQ(FindEffect("blaze"), nullptr);
  EXPECT_EQ(EffectNames(), "combustion, ice, candle, fire, cryo");
  EXPECT_EQ(ModuleFileName(kCombustionTable), "ZarCombustion.so");
  EXPECT_EQ(ModuleFileName(kCryoTable), "ZarCryo.so");

  // The block's effect bytes, then the 32-bit values and the colours.
  EXPECT_EQ(EffectFields(kCombustionTable).size(), 21u);
  EXPECT_EQ(EffectFields(kIceTable).size(), 21u);
  EXPECT_EQ(EffectFields(kFireTable).size(), 19u);
  EXPECT_EQ(EffectFields(kFireTable).front(), Field::oxygen);
  EXPECT_EQ(EffectFields(kFireTable).back(), Field::rampColor3);

  EXPECT_EQ(FindEffectField(kCombustionTable, "effectMode"), Field::effectMode);
  EXPECT_EQ(FindEffectField(kCombustionTable, "FLAMEDIRECTION"), Field::flameDirection);
  EXPECT_EQ(FindEffectField(kIceTable, "rampColors[2]"), Field::rampColor2);
  EXPECT_EQ(FindEffectField(kIceTable, "rampcolors2"), Field::rampColor2);
  EXPECT_EQ(FindEffectField(kIceTable, "rampColors[4]"), std::nullopt);
  // Another plug-in's fields are not this one's.
  EXPECT_EQ(FindEffectField(kFireTable, "height"), std::nullopt);
  EXPECT_EQ(FindEffectField(kFireTable, "effectMode"), std::nullopt);
  EXPECT_EQ(FindEffectField(kIceTable, "oxygen"), std::nullopt);
  EXPECT_EQ(FindEffectField(kCombustionTable, "maskMode"), std::nullopt);
  EXPECT_EQ(FindEffectField(kCandleTable, "velocity"), Field::velocity);
}

TEST(CliValues, SettingsChangeOnlyTheirField) {
  WorkingParameters params = kIceTable.defaults;
  std::string warning, error;
  ASSERT_TRUE(ApplySetting(kIceTable, "flameDirection=left top", params, &warning, &error)) << error;
  EXPECT_EQ(params.flameDirection, 1);
  ASSERT_TRUE(ApplySetting(kIceTable, "rampColors[3]=#102030", params, &warning, &error));
  EXPECT_EQ(params.rampColors[3], 0x302010u);
  WorkingParameters expected = kIceTable.defaults;
  expected.flameDirection = 1;
  expected.rampColors[3] = 0x302010;
  EXPECT_EQ(0, std::memcmp(&params, &expected, sizeof params));
  EXPECT_EQ(warning, "");

  EXPECT_FALSE(ApplySetting(kIceTable, "oxygen=3", params, &warning, &error));
  EXPECT_EQ(error, "ice has no field \"oxygen\" (zar effects ice lists them)");
  EXPECT_FALSE(ApplySetting(kIceTable, "height", params, &warning, &error));
  EXPECT_EQ(error, "\"height\" is not FIELD=VALUE");
  EXPECT_FALSE(ApplySetting(kIceTable, "height=", params, &warning, &error));
  EXPECT_EQ(error, "height: no value given");
  EXPECT_TRUE(ApplySetting(kIceTable, "height=200", params, &warning, &error));
  EXPECT_EQ(warning, "height 200 is outside the dialog's range 1..100");
  // Failed settings left the working copy as it was apart from the accepted ones.
  expected.height = 200;
  EXPECT_EQ(0, std::memcmp(&params, &expected, sizeof params));
}

TEST(CliValues, ShownValuesReadBackAsTheSameValue) {
  for (const PluginTable* table : Effects())
    for (Field field : EffectFields(*table)) {
      const uint32_t value = GetField(table->defaults, field);
      std::string shown = FormatFieldValue(field, value);
      shown = shown.substr(0, shown.find(' '));  // "4 (Bottom)" reads as 4
      EXPECT_EQ(Parsed(field, shown), value) << table->name << " " << FieldName(field);
    }
  EXPECT_EQ(FormatFieldValue(Field::flameDirection, 4), "4 (Bottom)");
  EXPECT_EQ(FormatFieldValue(Field::flameDirection, 9), "9");
  EXPECT_EQ(FormatFieldValue(Field::rotation, uint32_t(-720)), "-720");
  EXPECT_EQ(FormatFieldValue(Field::rampColor0, 0xAB123456), "#563412 (stored 0xAB123456)");
}

}  // namespace
}  // namespace zar::cli
