// The ice deliverable's constants table; its engine entry is plugins/common/ice_entry.cpp.
#include "settings/plugin_table.h"

namespace zar {

const PluginTable& ThisPlugin() { return kIceTable; }

}  // namespace zar
