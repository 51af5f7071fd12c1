#include "effects/simd/isa.h"

namespace zar::simd {

namespace {

bool ProcessorHasAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  // The compiler's check includes the operating system's support for the wide registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

Isa& Active() {
  static Isa isa = BestIsa();
  return isa;
}

}  // namespace

const char* IsaName(Isa isa) {
  switch (isa) {
    case Isa::kAvx2: return "avx2";
    case Isa::kSse2: return "sse2";
    default: return "portable";
  }
}

bool IsaAvailable(Isa isa) {
  switch (isa) {
    // ZAR_SIMD_AVX2: the build compiles the AVX2 kernels (zar_avx2_sources).
#if defined(ZAR_SIMD_AVX2)
    case Isa::kAvx2: {
      static const bool usable = ProcessorHasAvx2();
      return usable;
    }
#else
    case Isa::kAvx2: return false;
#endif
#if defined(__SSE2__)
    case Isa::kSse2: return true;
#else
    case Isa::kSse2: return false;
#endif
    default: return true;
  }
}

Isa BestIsa() {
  static const Isa best = IsaAvailable(Isa::kAvx2)   ? Isa::kAvx2
                          : IsaAvailable(Isa::kSse2) ? Isa::kSse2
                                                     : Isa::kPortable;
  return best;
}

Isa ActiveIsa() { return Active(); }
void UseIsa(Isa isa) { Active() = isa; }

}  // namespace zar::simd
