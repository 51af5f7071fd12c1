// The module-wide state every plug-in keeps for as long as it is loaded. It starts zero-filled
// (the generator at its load seed) and lives in one place.
#pragma once

#include <cstdint>

#include "base/color_ramp.h"
#include "settings/parameters.h"
#include "base/rng.h"

namespace zar {

struct ModuleState {
  WorkingParameters working{};  // the working copy of the effect settings
  int32_t iterationCount = 0;   // simulation steps per engine call
  int32_t previewState = 0;     // 2 dialog just opened, 1 preview running, 0 no dialog
  Rng rng{};                    // the module's generator, seed 1 at load
  ColorRamp colorRamp{};        // the ramp the engines, the dialog and the swatches share
};

ModuleState& Module();

}  // namespace zar
