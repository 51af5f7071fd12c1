// The instruction sets the engines' kernels come in, and the one switch that picks which set
// every engine uses. Each set gives the same bytes; the widest the build and the processor have
// is used unless a test or benchmark picks another.
#pragma once

namespace zar::simd {

enum class Isa { kPortable, kSse2, kAvx2 };

// Every set, narrowest first.
constexpr Isa kIsas[] = {Isa::kPortable, Isa::kSse2, Isa::kAvx2};

const char* IsaName(Isa isa);

// Whether this build carries the set and this processor can run it.
bool IsaAvailable(Isa isa);

// The widest set available, found once.
Isa BestIsa();

// The set the engines use: BestIsa() until UseIsa picks another (which must be available).
Isa ActiveIsa();
void UseIsa(Isa isa);

}  // namespace zar::simd
