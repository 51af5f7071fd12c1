#include "effects/field/field_kernels.h"

#include "effects/field/field_kernels_impl.h"

namespace zar::field_kernels {

// The AVX2 set as built (field_kernels_avx2.cpp), whatever the processor.
const KernelSet* Avx2KernelsBuilt();

namespace {

const KernelSet kPortable = {
    "portable",        ScalarDirectionalPass, ScalarAdvancePass, ScalarTrace,
    ScalarDrip,        ScalarCopyDisc,        ScalarRaiseBlob,   ScalarMergeDroplets,
    ScalarDampSources, ScalarCoinSources,     ScalarBrightness3, ScalarSelection,
};

bool ProcessorHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  // The compiler's check includes the operating system's support for the wide registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

const KernelSet* gChosen = nullptr;

const KernelSet& Automatic() {
  static const KernelSet* const automatic = [] {
    if (const KernelSet* avx2 = Avx2Kernels()) return avx2;
    if (const KernelSet* sse2 = Sse2Kernels()) return sse2;
    return &kPortable;
  }();
  return *automatic;
}

}  // namespace

const KernelSet& PortableKernels() { return kPortable; }

const KernelSet* Avx2Kernels() {
  static const bool usable = ProcessorHasAvx2();
  return usable ? Avx2KernelsBuilt() : nullptr;
}

const KernelSet& ActiveKernels() { return gChosen ? *gChosen : Automatic(); }

void UseKernels(const KernelSet* set) { gChosen = set; }

}  // namespace zar::field_kernels
