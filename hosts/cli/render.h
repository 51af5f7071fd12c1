// How `zar` runs an effect: the settings built up from the defaults, a parameter file and
// overrides; the native plug-in module found and loaded like a host loads a plug-in; the settings
// handed over in a parameter block as a host keeps it between runs; and one run without the
// dialog (the host's repeat of the last filter) through the host core.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/parameters.h"
#include "settings/plugin_table.h"
#include "hosts/core/host.h"
#include "hosts/core/picture.h"

namespace zar::cli {

// The working settings: the effect's defaults, then the parameter file's fields (when a path is
// given), then each FIELD=VALUE in order. A file of another plug-in, a setting that names no field
// of the effect or a value that does not fit is an error; a file that ends early and values
// outside the dialog's ranges give warnings.
bool BuildParameters(const PluginTable& table, const std::string& paramsPath,
                     const std::vector<std::string>& settings, WorkingParameters* params,
                     std::vector<std::string>* warnings, std::string* error);

// The block a host hands a plug-in whose last run ended with these settings: every effect field
// of the plug-in's layout, and the framework fields as a newly made block has them (rowsPerStrip
// 1, disposition 'moD1', no dialog pending, not Premiere).
std::vector<uint8_t> ParameterBlockFor(const PluginTable& table, const WorkingParameters& params);

// The host's settings for a render: the most memory a host can grant (kHostSpaceLimit), so that
// every picture zar reads is one strip; no log of the plug-in's callbacks.
host::HostOptions RenderHostOptions();

// Where the native modules are looked for: $ZAR_PLUGIN_DIR when set, else the directory of the
// running program and ../lib/zar beside it.
std::vector<std::string> ModuleDirectories();
// The path of an effect's module, or an error naming where it was looked for.
bool FindModule(const PluginTable& table, std::string* path, std::string* error);

// Whether the module at `modulePath` is the effect's: its about box is captioned with the
// effect's title. A module renamed to another effect's file name is refused with the reason.
bool CheckModuleIdentity(const PluginTable& table, const std::string& modulePath,
                         std::string* error);

struct RenderRun {
  int16_t result = 0;                 // the first nonzero selector result, else 0
  std::vector<std::string> messages;  // the plug-in's message boxes: "caption: text"
  std::vector<std::string> notes;     // what the host noted (a refused picture...)
};

// Loads the module and filters the picture in place (within the mask, when there is one) with the
// settings in `block`. False when the module cannot be loaded.
bool RunPlugin(const std::string& modulePath, const std::vector<uint8_t>& block,
               host::Picture& picture, const host::Picture* mask,
               const std::function<void(int32_t, int32_t)>& progress, RenderRun* run,
               std::string* error);

}  // namespace zar::cli
