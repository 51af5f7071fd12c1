// What the GIMP plug-in offers, free of any GIMP version: one procedure per effect, its parameters
// (the effect's fields as `zar effects` names them), the checks a caller's values pass, and one
// run of the native module over a layer's pixels through the host core, as `zar render` runs it.
// The GIMP-version code (registration, drawable access, the dialog shell) sits on top of this.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/parameters.h"
#include "settings/plugin_table.h"
#include "hosts/core/picture.h"

namespace zar::gimp {

// "plug-in-zar-fire".
std::string ProcedureName(const PluginTable& table);
// The effect a procedure name stands for; null when none.
const PluginTable* EffectOfProcedure(std::string_view procedure);
// The menu entry under Filters > ZAR: "Fire...".
std::string MenuLabel(const PluginTable& table);

enum class ParamType { kInteger, kColour };

struct EffectParam {
  Field field;
  std::string name;  // "oxygen", "rampColors2": a PDB name cannot hold brackets
  ParamType type;
  std::string description;  // the dialog's label and the values taken
};

// The effect's fields in the order of its parameter block.
std::vector<EffectParam> EffectParams(const PluginTable& table);

// Stores a caller's integer for a field. A value that does not fit the field's width is refused
// with a reason (the parameter block could not carry it); one outside the dialog's range is taken,
// as `zar` takes it.
bool StoreInteger(WorkingParameters& params, const EffectParam& param, int64_t value,
                  std::string* error);
// Colours as the plug-ins store them: 0x00BBGGRR.
uint32_t ColourValue(uint8_t red, uint8_t green, uint8_t blue);
void ColourBytes(uint32_t value, uint8_t* red, uint8_t* green, uint8_t* blue);

// The settings kept between runs (run-with-last-values, the dialog's start): a tag that tells
// them from another build's, then the working copy.
struct LastValues {
  uint32_t tag;
  WorkingParameters params;
};
LastValues MakeLastValues(const WorkingParameters& params);
// False when the bytes are not settings this build kept.
bool ReadLastValues(const void* data, size_t size, WorkingParameters* params);

enum class RunStatus { kDone, kCancelled, kFailed };

struct RunOutcome {
  RunStatus status = RunStatus::kFailed;
  std::string error;  // for people: why the run failed
};

// Filters `picture` (3 or 4 planes) in place with the effect's native module and these settings,
// within `mask` when given (one plane, the picture's size, nonzero where selected). `progress`
// gets the plug-in's reports.
RunOutcome RunEffect(const PluginTable& table, const WorkingParameters& params,
                     host::Picture& picture, const host::Picture* mask,
                     const std::function<void(int32_t done, int32_t total)>& progress);

}  // namespace zar::gimp
