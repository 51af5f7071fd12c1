// A stand-in deliverable for testing the framework on its own: the constants table can be
// switched between the five plug-ins, the engine records its calls, and the dialog can be told
// to open (and what to leave behind).
#pragma once

#include <functional>
#include <vector>

#include "framework/plugin.h"
#include "settings/plugin_table.h"

namespace zar::testing {

struct EngineCall {
  int mode;
  Rect16 outRect;
  Rect16 inRect;
  int32 iterationCount;
};

struct TestPlugin {
  const PluginTable* table = &kCombustionTable;
  std::vector<EngineCall> engineCalls;
  std::function<void(PluginGlobals&, int)> engine;      // runs after the call is recorded
  std::function<bool(PluginGlobals&)> dialog;           // null: no dialog opens
  int dialogRuns = 0;
};

// The one instance the framework sees; Reset() restores it and the module's state.
TestPlugin& Plugin();
void ResetTestPlugin(const PluginTable& table = kCombustionTable);

}  // namespace zar::testing
