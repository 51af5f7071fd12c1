// The SSE2 kernel set: 16 cells at a time.
#include "effects/field/field_kernels.h"

#if defined(__SSE2__)

#define ZAR_FIELD_VECTOR_KERNELS
#include "effects/field/field_kernels_impl.h"
#include "effects/field/field_vector_types.h"

namespace zar::field_kernels {
namespace {

const KernelSet kSse2 = {
    "sse2",
    VectorDirectionalPass<Sse2>,
    VectorAdvancePass<Sse2>,
    VectorTrace<Sse2>,
    VectorDrip<Sse2>,
    VectorCopyDisc<Sse2>,
    VectorRaiseBlob<Sse2>,
    VectorMergeDroplets<Sse2>,
    VectorDampSources<Sse2>,
    VectorCoinSources<Sse2>,
    ScalarBrightness3,
    VectorSelection<Sse2>,
};

}  // namespace

const KernelSet* Sse2Kernels() { return &kSse2; }

}  // namespace zar::field_kernels

#else

namespace zar::field_kernels {
const KernelSet* Sse2Kernels() { return nullptr; }
}  // namespace zar::field_kernels

#endif
