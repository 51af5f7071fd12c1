// The fire deliverable's constants table; its engine entry is plugins/common/fire_entry.cpp.
#include "settings/plugin_table.h"

namespace zar {

const PluginTable& ThisPlugin() { return kFireTable; }

}  // namespace zar
