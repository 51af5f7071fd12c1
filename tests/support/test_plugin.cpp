#include "tests/support/test_plugin.h"

#include "framework/module_state.h"
#include "plugins/common/entries.h"

namespace zar::testing {

namespace {

void RecordEngineCall(PluginGlobals* globals, int mode) {
  const FilterRecord& record = *globals->filterRecord;
  Plugin().engineCalls.push_back({mode, record.outRect, record.inRect, Module().iterationCount});
  if (Plugin().engine) Plugin().engine(*globals, mode);
}

bool RunTestDialog(PluginGlobals& globals) {
  ++Plugin().dialogRuns;
  return Plugin().dialog ? Plugin().dialog(globals) : false;
}

PluginBinding gBinding{&kCombustionTable, RecordEngineCall, RunTestDialog, ModuleString};

}  // namespace

TestPlugin& Plugin() {
  static TestPlugin plugin;
  return plugin;
}

void ResetTestPlugin(const PluginTable& table) {
  Plugin() = TestPlugin{};
  Plugin().table = &table;
  Module() = ModuleState{};
  gBinding.table = &table;
  BindPlugin(gBinding);
}

}  // namespace zar::testing
