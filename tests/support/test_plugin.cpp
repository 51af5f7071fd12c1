#include "tests/support/test_plugin.h"

#include "framework/module_state.h"

namespace zar {

namespace testing {

TestPlugin& Plugin() {
  static TestPlugin plugin;
  return plugin;
}

void ResetTestPlugin(const PluginTable& table) {
  Plugin() = TestPlugin{};
  Plugin().table = &table;
  Module() = ModuleState{};
}

}  // namespace testing

const PluginTable& ThisPlugin() { return *testing::Plugin().table; }

void RunEngine(PluginGlobals* globals, int mode) {
  const FilterRecord& record = *globals->filterRecord;
  testing::Plugin().engineCalls.push_back(
      {mode, record.outRect, record.inRect, Module().iterationCount});
  if (testing::Plugin().engine) testing::Plugin().engine(*globals, mode);
}

}  // namespace zar
