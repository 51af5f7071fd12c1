// The candle deliverable: its constants table and its engine entry.
#include "framework/globals.h"
#include "framework/plugin_spec.h"

namespace zar {

const PluginSpec& ThisPlugin() { return kCandleSpec; }

void RunEngine(PluginGlobals*, int) {}

}  // namespace zar
