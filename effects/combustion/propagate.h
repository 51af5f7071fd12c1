// The propagation sweep inside the engine: the cooling of a sweep, and the sweep itself, which is
// the field engines' directional pass (effects/field/field_kernels.h) with the rows numbered
// upwards: flameDirection d (0 Top, then anticlockwise) is the pass's direction (4 - d) mod 8.
#pragma once

#include "effects/combustion/combustion.h"
#include "effects/field/field_kernels.h"
#include "effects/simd/isa.h"

namespace zar::combustion::detail {

// Cells above `t` (oxygen) lose `t`; cells above `u` (the lower threshold) and at most `t` lose
// `loss`; cooler cells keep their heat.
using Cooling = field_kernels::Cooling;

// For oxygen, the lower threshold (any non-negative value) and the sweep's random number r0.
Cooling MakeCooling(int oxygen, int coolB, int r0);

// One sweep in flameDirection 0..7 with the given cooling, by the kernels simd::ActiveIsa()
// names or by the given ones.
void Sweep(HeatField& field, int flameDirection, Cooling cooling);
void Sweep(HeatField& field, int flameDirection, Cooling cooling, simd::Isa isa);

}  // namespace zar::combustion::detail
