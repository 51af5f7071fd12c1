#include "fuzz/common/modules.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace zar::fuzz {

const host::PluginModule& LoadedModule(int index) {
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

}  // namespace zar::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int i = 0; i < zar::fuzz::kPluginCount; ++i) zar::fuzz::LoadedModule(i);
  return 0;
}
