// The colour ramp a plug-in keeps for as long as it is loaded: 256 entries of blue, green, red
// and a spare byte that stays 0. The engines, the dialog and the colour swatches rebuild this same
// table; the ramp control paints it.
#pragma once

#include <cstdint>

namespace zar {

struct ColorRamp {
  uint8_t entries[256][4];  // blue, green, red, spare
};

}  // namespace zar
