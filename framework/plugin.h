// One plug-in as the framework sees it: its constants table, its engine, its dialog and, where
// the texts are not resources, its string table. Each deliverable binds its record once, when the
// module loads (plugins/<name>/plugin.cpp); the framework then calls through it and never names
// a plug-in, an engine or a dialog itself.
#pragma once

#include "framework/globals.h"
#include "settings/plugin_table.h"

namespace zar {

struct PluginBinding {
  const PluginTable* table;
  // The effect engine: mode 1 renders the current strip for good, mode 0 the preview.
  void (*runEngine)(PluginGlobals* globals, int mode);
  // The modal parameter dialog for an RGB picture. Returns true when a dialog was opened
  // (confirmed or cancelled; a cancel leaves -128 in the globals' result).
  bool (*runDialog)(PluginGlobals& globals);
  // The module's texts by string id, for builds without resources (null: the resources hold them).
  const char* (*moduleString)(unsigned id);
};

// Binds the module to its plug-in; the record must outlive the module. The last binding holds.
void BindPlugin(const PluginBinding& binding);

// Binds `binding` while the module loads.
#define ZAR_BIND_PLUGIN(binding) \
  [[maybe_unused]] static const bool zarPluginBound = (::zar::BindPlugin(binding), true)

// The bound plug-in's table, engine and dialog.
const PluginTable& ThisPlugin();
void RunEngine(PluginGlobals* globals, int mode);
bool RunParameterDialog(PluginGlobals& globals);

}  // namespace zar
