#include "hosts/cli/values.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "settings/field_ranges.h"

namespace zar::cli {

namespace {

constexpr const char* kDirectionNames[] = {"Top",    "Left Top",  "Left",  "Left Btm",
                                           "Bottom", "Right Btm", "Right", "Right Top"};
constexpr const char* kEffectModeNames[] = {"Blend", "Page", "Hole", "Gate"};
constexpr const char* kMaskModeNames[] = {"in", "out", "both", "contour"};
constexpr const char* kColorModeNames[] = {"Default", "Custom"};
constexpr const char* kFlagNames[] = {"off", "on"};

struct Names {
  const char* const* names;
  int count;
};

Names NamesOf(ValueKind kind) {
  switch (kind) {
    case ValueKind::kDirection: return {kDirectionNames, 8};
    case ValueKind::kEffectMode: return {kEffectModeNames, 4};
    case ValueKind::kMaskMode: return {kMaskModeNames, 4};
    case ValueKind::kColorMode: return {kColorModeNames, 2};
    case ValueKind::kFlag: return {kFlagNames, 2};
    default: return {nullptr, 0};
  }
}

const char* KindWord(ValueKind kind) {
  switch (kind) {
    case ValueKind::kDirection: return "direction";
    case ValueKind::kEffectMode: return "effect mode";
    case ValueKind::kMaskMode: return "mask mode";
    case ValueKind::kColorMode: return "colour mode";
    case ValueKind::kFlag: return "switch";
    case ValueKind::kColour: return "colour";
    case ValueKind::kNumber: return "number";
  }
  return "value";
}

// Lower case without spaces, dashes and underscores: how names are compared.
std::string Folded(std::string_view text) {
  std::string out;
  for (unsigned char c : text)
    if (c != ' ' && c != '-' && c != '_' && c != '\t') out.push_back(char(std::tolower(c)));
  return out;
}

std::string Lower(std::string_view text) {
  std::string out;
  for (unsigned char c : text) out.push_back(char(std::tolower(c)));
  return out;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  out.append(text);
  out.push_back('"');
  return out;
}

// The number a name stands for, or -1.
int FindName(ValueKind kind, std::string_view text) {
  const std::string folded = Folded(text);
  const Names names = NamesOf(kind);
  for (int i = 0; i < names.count; ++i)
    if (Folded(names.names[i]) == folded) return i;
  if (kind == ValueKind::kDirection) {
    // "Btm" written out.
    if (folded == "leftbottom") return 3;
    if (folded == "rightbottom") return 5;
  }
  if (kind == ValueKind::kFlag) {
    if (folded == "no" || folded == "false") return 0;
    if (folded == "yes" || folded == "true") return 1;
  }
  return -1;
}

std::string NameList(ValueKind kind) {
  const Names names = NamesOf(kind);
  std::string out;
  for (int i = 0; i < names.count; ++i) out += (i ? ", " : "") + std::string(names.names[i]);
  return out;
}

// A whole decimal or 0x-hexadecimal integer with an optional sign.
bool ParseInteger(std::string_view text, int64_t* value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (end != text.data() + text.size()) return false;
  if (ec == std::errc::result_out_of_range)
    magnitude = uint64_t(1) << 40;
  else if (ec != std::errc())
    return false;
  // Far outside every field either way.
  if (magnitude > (uint64_t(1) << 40)) magnitude = uint64_t(1) << 40;
  *value = negative ? -int64_t(magnitude) : int64_t(magnitude);
  return true;
}

bool IsHexDigits(std::string_view text) {
  for (unsigned char c : text)
    if (!std::isxdigit(c)) return false;
  return !text.empty();
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// #RRGGBB of a stored colour (red in the low byte).
std::string ColourText(uint32_t bgr) {
  const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  std::string text = "#";
  text += Hex((r << 16) | (g << 8) | b, 6);
  return text;
}

bool IsSigned(Field field) {
  return field == Field::rotation || field == Field::radius || field == Field::iterations;
}

// How a field is set in the dialogs: the kind of its control, and its label.
struct Control {
  ValueKind kind;
  const char* label;
};

Control ControlOf(Field field) {
  switch (field) {
    case Field::oxygen: return {ValueKind::kNumber, "\"Oxigen\" slider"};
    case Field::gravity: return {ValueKind::kNumber, "\"Gravility\" slider"};
    case Field::viscosity: return {ValueKind::kNumber, "\"Viscosity\" slider"};
    case Field::fuel: return {ValueKind::kNumber, "\"Fuil\" slider"};
    case Field::height: return {ValueKind::kNumber, "\"Height\" slider"};
    case Field::smooth: return {ValueKind::kNumber, "\"Sooth\" slider"};
    case Field::width: return {ValueKind::kNumber, "\"Width\" slider"};
    case Field::amplitude: return {ValueKind::kNumber, "\"Amplitude\" slider"};
    case Field::velocity: return {ValueKind::kNumber, "\"Velosity\" slider"};
    case Field::space: return {ValueKind::kNumber, "\"Space\" slider"};
    case Field::phase: return {ValueKind::kNumber, "\"Phase\" slider"};
    case Field::colorMode: return {ValueKind::kColorMode, "\"Color\" buttons"};
    case Field::effectMode: return {ValueKind::kEffectMode, "\"Effect\" buttons"};
    case Field::effectDirection: return {ValueKind::kDirection, "\"Effect Direction\" buttons"};
    case Field::rampPosition1: return {ValueKind::kNumber, "upper ramp slider"};
    case Field::rampPosition2: return {ValueKind::kNumber, "lower ramp slider"};
    case Field::alpha: return {ValueKind::kNumber, "\"Alpha\" slider"};
    case Field::maskInvert: return {ValueKind::kFlag, "\"Invert\" check box"};
    case Field::maskDroplet: return {ValueKind::kFlag, "\"Droplet\" check box"};
    case Field::maskMode: return {ValueKind::kMaskMode, "\"Mask\" buttons"};
    case Field::flameDirection: return {ValueKind::kDirection, "\"Flame Direction\" buttons"};
    case Field::rotation: return {ValueKind::kNumber, "\"Rotation\" slider, degrees"};
    case Field::radius: return {ValueKind::kNumber, "\"Radius\" slider"};
    case Field::iterations: return {ValueKind::kNumber, "\"Iteration\" slider"};
    case Field::rampColor0: return {ValueKind::kColour, "first ramp colour"};
    case Field::rampColor1: return {ValueKind::kColour, "second ramp colour"};
    case Field::rampColor2: return {ValueKind::kColour, "third ramp colour"};
    case Field::rampColor3: return {ValueKind::kColour, "fourth ramp colour"};
  }
  return {ValueKind::kNumber, ""};
}

}  // namespace

FieldTraits TraitsOf(Field field) {
  const Control control = ControlOf(field);
  const FieldRange range = DialogRange(field);
  // The slider starts at 1; the plug-ins' own default is 0.
  const int64_t min = field == Field::radius ? 0 : range.min;
  return {control.kind, min, range.max, control.label};
}

const std::vector<const PluginTable*>& Effects() {
  static const std::vector<const PluginTable*> effects = {&kCombustionTable, &kIceTable, &kCandleTable,
                                                         &kFireTable, &kCryoTable};
  return effects;
}

const PluginTable* FindEffect(std::string_view name) {
  const std::string lower = Lower(name);
  for (const PluginTable* table : Effects())
    if (lower == table->name) return table;
  return nullptr;
}

std::string EffectNames() {
  std::string out;
  for (const PluginTable* table : Effects())
    out += (out.empty() ? "" : ", ") + std::string(table->name);
  return out;
}

std::string ModuleFileName(const PluginTable& table) {
  std::string name = table.name;
  if (!name.empty()) name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
  return "Zar" + name + ".so";
}

std::vector<Field> EffectFields(const PluginTable& table) {
  std::vector<Field> fields(table.layout.effectBytes,
                            table.layout.effectBytes + table.layout.effectByteCount);
  for (Field f : {Field::rotation, Field::radius, Field::iterations, Field::rampColor0,
                  Field::rampColor1, Field::rampColor2, Field::rampColor3})
    fields.push_back(f);
  return fields;
}

std::optional<Field> FindEffectField(const PluginTable& table, std::string_view name) {
  std::string lower = Lower(name);
  // rampColors2 for rampColors[2]: brackets need quoting in most shells.
  if (lower.size() == 11 && lower.compare(0, 10, "rampcolors") == 0 &&
      std::isdigit(static_cast<unsigned char>(lower[10])))
    lower = lower.substr(0, 10) + "[" + lower[10] + "]";
  for (Field f : EffectFields(table))
    if (Lower(FieldName(f)) == lower) return f;
  return std::nullopt;
}

bool ParseFieldValue(Field field, std::string_view text, ParsedValue* parsed, std::string* error) {
  const FieldTraits traits = TraitsOf(field);
  const std::string name = FieldName(field);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  if (text.empty()) {
    *error = name + ": no value given";
    return false;
  }

  int64_t value = 0;
  if (traits.kind == ValueKind::kColour && text[0] == '#') {
    const std::string_view digits = text.substr(1);
    if (digits.size() != 6 || !IsHexDigits(digits)) {
      *error = name + ": " + Quoted(text) + " is not a colour (#RRGGBB)";
      return false;
    }
    const uint32_t rgb = uint32_t(std::stoul(std::string(digits), nullptr, 16));
    value = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  } else if (!ParseInteger(text, &value)) {
    const int named = FindName(traits.kind, text);
    if (named < 0) {
      if (NamesOf(traits.kind).count > 0)
        *error = name + ": unknown " + KindWord(traits.kind) + " " + Quoted(text) + " (one of " +
                 NameList(traits.kind) + ", or a number)";
      else if (traits.kind == ValueKind::kColour)
        *error = name + ": " + Quoted(text) + " is not a colour (#RRGGBB, or the stored number)";
      else
        *error = name + ": " + Quoted(text) + " is not a number";
      return false;
    }
    value = named;
  }

  // The field's width decides what can be stored at all.
  int64_t lowest = 0, highest = 255;
  const char* width = "an 8-bit field";
  if (FieldSize(field) == 4) {
    if (IsSigned(field)) {
      lowest = std::numeric_limits<int32_t>::min();
      highest = std::numeric_limits<int32_t>::max();
      width = "a signed 32-bit field";
    } else {
      highest = std::numeric_limits<uint32_t>::max();
      width = "an unsigned 32-bit field";
    }
  }
  if (value < lowest || value > highest) {
    *error = name + ": " + std::string(text) + " does not fit " + width + " (" +
             std::to_string(lowest) + ".." + std::to_string(highest) + ")";
    return false;
  }
  parsed->value = uint32_t(value);
  parsed->warning.clear();
  const std::string note = RangeNote(field, parsed->value);
  if (!note.empty()) parsed->warning = name + " " + std::string(text) + " is " + note;
  return true;
}

bool ApplySetting(const PluginTable& table, std::string_view setting, WorkingParameters& params,
                  std::string* warning, std::string* error) {
  warning->clear();
  const size_t equals = setting.find('=');
  if (equals == std::string_view::npos) {
    *error = Quoted(setting) + " is not FIELD=VALUE";
    return false;
  }
  std::string_view name = setting.substr(0, equals);
  while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
    name.remove_suffix(1);
  const std::optional<Field> field = FindEffectField(table, name);
  if (!field) {
    *error = std::string(table.name) + " has no field " + Quoted(name) + " (zar effects " +
             table.name + " lists them)";
    return false;
  }
  ParsedValue parsed;
  if (!ParseFieldValue(*field, setting.substr(equals + 1), &parsed, error)) return false;
  SetField(params, *field, parsed.value);
  *warning = parsed.warning;
  return true;
}

std::string RangeNote(Field field, uint32_t value) {
  const FieldTraits traits = TraitsOf(field);
  const int64_t v = IsSigned(field) ? int64_t(int32_t(value)) : int64_t(value);
  if (v >= traits.min && v <= traits.max) return {};
  if (traits.kind == ValueKind::kColour) return "not a 24-bit colour (its high byte is not 0)";
  std::string note = "outside the dialog's range " + std::to_string(traits.min) + ".." +
                     std::to_string(traits.max);
  // A run's time grows with its steps: say how much longer this one takes, before it starts.
  if (field == Field::iterations && v >= 2 * traits.max)
    note += " (the run takes about " + std::to_string(v / traits.max) + " times as long as at " +
            std::to_string(traits.max) + "; Ctrl-C stops it)";
  return note;
}

std::string FormatFieldValue(Field field, uint32_t value) {
  const FieldTraits traits = TraitsOf(field);
  if (traits.kind == ValueKind::kColour) {
    std::string text = ColourText(value);
    if (value > 0xFFFFFF) text += " (stored 0x" + Hex(value, 8) + ")";
    return text;
  }
  if (IsSigned(field)) return std::to_string(int32_t(value));
  std::string text = std::to_string(value);
  const Names names = NamesOf(traits.kind);
  if (names.count > 0 && traits.kind != ValueKind::kFlag && value < uint32_t(names.count))
    text += " (" + std::string(names.names[value]) + ")";
  return text;
}

std::string DescribeValues(Field field) {
  const FieldTraits traits = TraitsOf(field);
  const std::string range = std::to_string(traits.min) + ".." + std::to_string(traits.max);
  switch (traits.kind) {
    case ValueKind::kColour: return "#RRGGBB";
    case ValueKind::kFlag: return "0, 1";
    case ValueKind::kNumber: return range;
    default: return NameList(traits.kind) + " (" + range + ")";
  }
}

}  // namespace zar::cli
