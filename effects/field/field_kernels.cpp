// The portable kernel set and, where the compiler targets SSE2 (every x86 build of ours), the
// SSE2 set, 16 cells at a time. The AVX2 set has its own file, compiled for AVX2.
#include "effects/field/field_kernels.h"

#if defined(__SSE2__)
#define ZAR_FIELD_VECTOR_KERNELS
#include "effects/simd/vector.h"
#endif
#include "effects/field/field_kernels_impl.h"

namespace zar::field_kernels {

// The AVX2 set as built (null where the build has none).
const KernelSet* Avx2KernelsBuilt();

namespace {

constexpr KernelSet kPortable = {
    simd::Isa::kPortable, "portable",        ScalarDirectionalPass, ScalarAdvancePass,
    ScalarTrace,          ScalarDrip,        ScalarCopyDisc,        ScalarRaiseBlob,
    ScalarMergeDroplets,  ScalarDampSources, ScalarCoinSources,     ScalarBrightness3,
    ScalarSelection,
};

#if defined(__SSE2__)
constexpr KernelSet kSse2 = VectorKernels<simd::Sse2>(simd::Isa::kSse2, "sse2", ScalarBrightness3);
#endif

}  // namespace

const KernelSet& KernelsFor(simd::Isa isa) {
  static const KernelSet* const avx2 = Avx2KernelsBuilt();
  if (isa == simd::Isa::kAvx2 && avx2) return *avx2;
#if defined(__SSE2__)
  if (isa != simd::Isa::kPortable) return kSse2;
#endif
  return kPortable;
}

}  // namespace zar::field_kernels
