// What `zar` knows about the five effects and their fields: the effects by name, each effect's own
// fields, what a field's value means and how it is written on the command line ("Left Btm",
// "contour", "#FF8000", 42...), and the range the dialog's controls keep a field in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/parameters.h"
#include "settings/plugin_table.h"

namespace zar::cli {

// How a field's value is read and shown.
enum class ValueKind {
  kNumber,      // a plain number
  kFlag,        // 0 or 1 ("Invert", "Droplet")
  kDirection,   // 0 "Top" ... 7 "Right Top"
  kEffectMode,  // 0 "Blend", 1 "Page", 2 "Hole", 3 "Gate"
  kMaskMode,    // 0 "in", 1 "out", 2 "both", 3 "contour"
  kColorMode,   // 0 "Default", 1 "Custom"
  kColour,      // 0x00BBGGRR, written #RRGGBB
};

struct FieldTraits {
  ValueKind kind;
  int64_t min, max;   // the range the dialog's controls keep the field in
  const char* label;  // the control that sets it, as the dialog labels it
};

FieldTraits TraitsOf(Field field);

// The five effects, in menu order.
const std::vector<const PluginTable*>& Effects();
// An effect by name, case ignored ("fire", "Fire"); null when there is none.
const PluginTable* FindEffect(std::string_view name);
// "combustion, ice, candle, fire, cryo".
std::string EffectNames();
// The file name of an effect's native module ("ZarFire.so").
std::string ModuleFileName(const PluginTable& table);

// The effect's own fields, in the order of its parameter block: the effect bytes, then rotation,
// radius, iterations and the four ramp colours.
std::vector<Field> EffectFields(const PluginTable& table);
// One of the effect's own fields by name: the names the plug-ins use ("flameDirection",
// "rampColors[2]"), case ignored; "rampColors2" also names the third colour.
std::optional<Field> FindEffectField(const PluginTable& table, std::string_view name);

// Reads a value for a field: a number (decimal, or hexadecimal after 0x; negative only for the
// signed 32-bit fields), or a name where the field has names (directions, modes), or #RRGGBB for a
// colour. Names are matched ignoring case, spaces, dashes and underscores ("left-btm",
// "LeftBottom" and "Left Btm" are the same). A value that does not fit the field's width is an
// error; one that fits but lies outside the dialog's range is taken with a warning.
struct ParsedValue {
  uint32_t value = 0;  // as SetField stores it
  std::string warning;
};
bool ParseFieldValue(Field field, std::string_view text, ParsedValue* parsed, std::string* error);

// Applies one "FIELD=VALUE" to the working copy of `table`'s effect.
bool ApplySetting(const PluginTable& table, std::string_view setting, WorkingParameters& params,
                  std::string* warning, std::string* error);

// A field's value for people: "6", "4 (Bottom)", "#FF6482 (0xFF6482... as stored)".
std::string FormatFieldValue(Field field, uint32_t value);
// The words a field takes, for help texts: "1..100", "Top, Left Top, ... (0..7)".
std::string DescribeValues(Field field);
// Set when the value lies outside the dialog's range: "outside 1..100".
std::string RangeNote(Field field, uint32_t value);

}  // namespace zar::cli
