// The candle deliverable's constants table; its engine entry is plugins/common/ice_entry.cpp.
#include "framework/plugin_spec.h"

namespace zar {

const PluginSpec& ThisPlugin() { return kCandleSpec; }

}  // namespace zar
