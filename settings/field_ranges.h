// The range the dialogs' controls keep each field in: a slider's ends, a group of radio buttons,
// a check box, a 24-bit colour. The dialog model sets its sliders by it; `zar` and the GIMP
// plug-in warn about values outside it.
#pragma once

#include <cstdint>

#include "settings/parameters.h"

namespace zar {

struct FieldRange {
  int32_t min, max;
};

FieldRange DialogRange(Field field);

}  // namespace zar
