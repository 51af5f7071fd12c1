#include "effects/combustion/propagate.h"

namespace zar::combustion::detail {

Cooling MakeCooling(int oxygen, int coolB, int r0) {
  // A lower threshold at or above oxygen never applies: every cell above it is above oxygen too.
  if (coolB >= oxygen || coolB >= 255) return {uint8_t(oxygen), 255, 0};
  return {uint8_t(oxygen), uint8_t(coolB), uint8_t(r0 % (coolB + 1))};
}

namespace {

bool ProcessorHasAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

const SweepKernels& KernelsOf(SweepIsa isa) {
  switch (isa) {
    case SweepIsa::kAvx2: return *kAvx2Sweeps;
    case SweepIsa::kSse2: return *kSse2Sweeps;
    default: return kPortableSweeps;
  }
}

}  // namespace

bool SweepIsaAvailable(SweepIsa isa) {
  switch (isa) {
    case SweepIsa::kAvx2: return kAvx2Sweeps != nullptr && ProcessorHasAvx2();
    case SweepIsa::kSse2: return kSse2Sweeps != nullptr;
    default: return true;
  }
}

SweepIsa BestSweepIsa() {
  static const SweepIsa best = SweepIsaAvailable(SweepIsa::kAvx2)   ? SweepIsa::kAvx2
                               : SweepIsaAvailable(SweepIsa::kSse2) ? SweepIsa::kSse2
                                                                    : SweepIsa::kPortable;
  return best;
}

namespace {
SweepIsa& ActiveIsa() {
  static SweepIsa isa = BestSweepIsa();
  return isa;
}
}  // namespace

SweepIsa ActiveSweepIsa() { return ActiveIsa(); }
void UseSweepIsa(SweepIsa isa) { ActiveIsa() = isa; }

void Sweep(HeatField& field, int flameDirection, Cooling k) {
  Sweep(field, flameDirection, k, ActiveIsa());
}

void Sweep(HeatField& field, int flameDirection, Cooling k, SweepIsa isa) {
  if (flameDirection < 0 || flameDirection > 7 || !field.cells) return;
  KernelsOf(isa).sweep[flameDirection][k.drop != 0](field.cells, field.width, field.height, k);
}

}  // namespace zar::combustion::detail
