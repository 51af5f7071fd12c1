// The five native plug-in modules, loaded once per process as a host loads them and kept loaded:
// their module-wide state lives on from one input to the next, as it does in a host.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/common/plugins.h"
#include "hosts/core/host.h"

namespace zar::fuzz {

inline const host::PluginModule& LoadedModule(int index) {
  static std::unique_ptr<host::PluginModule> modules[kPluginCount];
  static const char* const kPaths[kPluginCount] = {ZAR_MODULE_COMBUSTION, ZAR_MODULE_ICE,
                                                   ZAR_MODULE_CANDLE, ZAR_MODULE_FIRE,
                                                   ZAR_MODULE_CRYO};
  if (!modules[index]) {
    std::string error;
    modules[index] = host::PluginModule::Load(kPaths[index], &error);
    if (!modules[index]) {
      std::fprintf(stderr, "cannot load %s: %s\n", kPaths[index], error.c_str());
      std::exit(1);
    }
  }
  return *modules[index];
}

// Loads all five before fuzzing starts, so the fuzzer counts their code from the first input.
inline void LoadAllModules() {
  for (int i = 0; i < kPluginCount; ++i) LoadedModule(i);
}

}  // namespace zar::fuzz
