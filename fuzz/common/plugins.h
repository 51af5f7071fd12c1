// The five plug-ins' constants tables, picked by a fuzz input.
#pragma once

#include "settings/plugin_table.h"

namespace zar::fuzz {

inline const PluginTable* const kPluginTables[] = {&kCombustionTable, &kIceTable, &kCandleTable,
                                                 &kFireTable, &kCryoTable};
constexpr int kPluginCount = 5;

}  // namespace zar::fuzz
