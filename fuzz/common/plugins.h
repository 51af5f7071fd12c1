// The five plug-ins' constants tables, picked by a fuzz input.
#pragma once

#include "framework/plugin_spec.h"

namespace zar::fuzz {

inline const PluginSpec* const kPluginSpecs[] = {&kCombustionSpec, &kIceSpec, &kCandleSpec,
                                                 &kFireSpec, &kCryoSpec};
constexpr int kPluginCount = 5;

}  // namespace zar::fuzz
