#include "effects/combustion/propagate.h"

namespace zar::combustion::detail {

Cooling MakeCooling(int oxygen, int coolB, int r0) {
  // A lower threshold at or above oxygen never applies: every cell above it is above oxygen too.
  if (coolB >= oxygen || coolB >= 255) return {uint8_t(oxygen), 255, 0};
  return {uint8_t(oxygen), uint8_t(coolB), uint8_t(r0 % (coolB + 1))};
}

void Sweep(HeatField& field, int flameDirection, Cooling k) {
  Sweep(field, flameDirection, k, simd::ActiveIsa());
}

void Sweep(HeatField& field, int flameDirection, Cooling k, simd::Isa isa) {
  if (flameDirection < 0 || flameDirection > 7 || !field.cells) return;
  field_kernels::KernelsFor(isa).directionalPass(field.cells, field.width, field.height,
                                                 field.width, (4 - flameDirection) & 7, k);
}

}  // namespace zar::combustion::detail
