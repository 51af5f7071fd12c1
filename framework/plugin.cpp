#include "framework/plugin.h"

#include "platform/platform.h"

namespace zar {

namespace {
const PluginBinding* gPlugin = nullptr;
}

void BindPlugin(const PluginBinding& binding) {
  gPlugin = &binding;
  platform::RegisterModuleStrings(binding.moduleString);
}

const PluginTable& ThisPlugin() { return *gPlugin->table; }

void RunEngine(PluginGlobals* globals, int mode) {
  if (gPlugin && gPlugin->runEngine) gPlugin->runEngine(globals, mode);
}

bool RunParameterDialog(PluginGlobals& globals) {
  return gPlugin && gPlugin->runDialog && gPlugin->runDialog(globals);
}

}  // namespace zar
