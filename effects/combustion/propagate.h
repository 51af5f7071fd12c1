// The propagation sweep inside the engine: the cooling of a sweep and the choice of kernels.
#pragma once

#include "effects/combustion/combustion.h"
#include "effects/combustion/sweep_kernels.h"

namespace zar::combustion::detail {

// For oxygen, the lower threshold (any non-negative value) and the sweep's random number r0.
Cooling MakeCooling(int oxygen, int coolB, int r0);

enum class SweepIsa { kPortable, kSse2, kAvx2 };

// Whether this build and this processor can run the kernels.
bool SweepIsaAvailable(SweepIsa isa);

// The widest kernels available, chosen once.
SweepIsa BestSweepIsa();

// The kernels the engine's sweeps use: BestSweepIsa() until a test or benchmark picks others
// (which must be available). Every choice gives the same bytes.
SweepIsa ActiveSweepIsa();
void UseSweepIsa(SweepIsa isa);

// One sweep in flameDirection 0..7 with the given cooling, by the active kernels or by the given
// ones (which must be available).
void Sweep(HeatField& field, int flameDirection, Cooling cooling);
void Sweep(HeatField& field, int flameDirection, Cooling cooling, SweepIsa isa);

}  // namespace zar::combustion::detail
