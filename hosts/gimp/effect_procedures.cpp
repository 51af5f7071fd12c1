#include "hosts/gimp/effect_procedures.h"

#include <cctype>
#include <cstring>

#include "hosts/cli/render.h"
#include "hosts/cli/values.h"

namespace zar::gimp {

namespace {

// Changes whenever WorkingParameters changes shape, so settings kept by another build are not
// read as ours.
constexpr uint32_t kLastValuesTag = 0x5A415231u + uint32_t(sizeof(WorkingParameters));

std::string WithoutBrackets(const char* name) {
  std::string out;
  for (const char* c = name; *c; ++c)
    if (*c != '[' && *c != ']') out += *c;
  return out;
}

}  // namespace

std::string ProcedureName(const PluginTable& table) {
  return std::string("plug-in-zar-") + table.name;
}

const PluginTable* EffectOfProcedure(std::string_view procedure) {
  for (const PluginTable* table : cli::Effects())
    if (ProcedureName(*table) == procedure) return table;
  return nullptr;
}

std::string MenuLabel(const PluginTable& table) {
  std::string title = table.title;
  if (title.rfind("ZAR ", 0) == 0) title.erase(0, 4);
  return title + "...";
}

std::vector<EffectParam> EffectParams(const PluginTable& table) {
  std::vector<EffectParam> params;
  for (Field field : cli::EffectFields(table)) {
    const cli::FieldTraits traits = cli::TraitsOf(field);
    EffectParam param;
    param.field = field;
    param.name = WithoutBrackets(FieldName(field));
    param.type = traits.kind == cli::ValueKind::kColour ? ParamType::kColour : ParamType::kInteger;
    param.description = std::string(traits.label) + ": " + cli::DescribeValues(field);
    params.push_back(param);
  }
  return params;
}

bool StoreInteger(WorkingParameters& params, const EffectParam& param, int64_t value,
                  std::string* error) {
  const bool fits = FieldSize(param.field) == 1 ? value >= 0 && value <= 255
                                                : value >= INT32_MIN && value <= INT32_MAX;
  if (!fits) {
    *error = param.name + " = " + std::to_string(value) + " does not fit the field (" +
             (FieldSize(param.field) == 1 ? "0..255" : "a signed 32-bit number") + ")";
    return false;
  }
  SetField(params, param.field, uint32_t(value));
  return true;
}

uint32_t ColourValue(uint8_t red, uint8_t green, uint8_t blue) {
  return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16;
}

void ColourBytes(uint32_t value, uint8_t* red, uint8_t* green, uint8_t* blue) {
  *red = uint8_t(value);
  *green = uint8_t(value >> 8);
  *blue = uint8_t(value >> 16);
}

LastValues MakeLastValues(const WorkingParameters& params) {
  LastValues values;
  std::memset(&values, 0, sizeof values);
  values.tag = kLastValuesTag;
  values.params = params;
  return values;
}

bool ReadLastValues(const void* data, size_t size, WorkingParameters* params) {
  if (!data || size != sizeof(LastValues)) return false;
  LastValues values;
  std::memcpy(&values, data, sizeof values);
  if (values.tag != kLastValuesTag) return false;
  *params = values.params;
  return true;
}

RunOutcome RunEffect(const PluginTable& table, const WorkingParameters& params,
                     host::Picture& picture, const host::Picture* mask,
                     const std::function<void(int32_t done, int32_t total)>& progress) {
  RunOutcome outcome;
  std::string modulePath;
  if (!cli::FindModule(table, &modulePath, &outcome.error)) return outcome;
  cli::RenderRun run;
  if (!cli::RunPlugin(modulePath, cli::ParameterBlockFor(table, params), picture, mask, progress,
                      &run, &outcome.error))
    return outcome;
  // Without its dialog a plug-in shows a message box only when it refuses the picture.
  if (!run.messages.empty()) {
    outcome.error = std::string(table.title) + ": " + run.messages.front();
    return outcome;
  }
  if (run.result == -128) {
    outcome.status = RunStatus::kCancelled;
    return outcome;
  }
  if (run.result != 0) {
    outcome.error = std::string(table.title) + " failed with result " + std::to_string(run.result);
    if (!run.notes.empty()) outcome.error += ": " + run.notes.front();
    return outcome;
  }
  outcome.status = RunStatus::kDone;
  return outcome;
}

}  // namespace zar::gimp
