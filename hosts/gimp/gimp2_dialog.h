// The effect's parameter dialog for GIMP 2.10 (GTK 2 through libgimpui).
#pragma once

#include <cstdint>

#include "settings/parameters.h"
#include "settings/plugin_table.h"

namespace zar::gimp {

// Shows the dialog over the drawable with these settings; true when OK was pressed, with the
// settings shown in `params`.
bool ShowEffectDialog(const PluginTable& table, int32_t drawable, WorkingParameters& params);

}  // namespace zar::gimp
