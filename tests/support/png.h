// PNG output for looking at test pictures (native builds only).
#pragma once

#include <string>

#include "tests/support/image.h"

namespace zar::testing {

// Writes 3 planes as RGB, 4 as RGBA, 1 as grey; other plane counts write their first three.
bool WritePng(const std::string& path, const Image& image);

}  // namespace zar::testing
