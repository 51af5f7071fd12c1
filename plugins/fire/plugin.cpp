// The fire deliverable's constants table; its engine entry is plugins/common/fire_entry.cpp.
#include "framework/plugin_spec.h"

namespace zar {

const PluginSpec& ThisPlugin() { return kFireSpec; }

}  // namespace zar
