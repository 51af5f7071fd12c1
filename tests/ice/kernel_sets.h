// Running a test once with each kernel set this build and processor have, and fields of random
// bytes that reach every branch the kernels take.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "effects/field/field_kernels.h"

namespace zar::testing {

// The portable set, and the vector sets where present.
inline std::vector<const field_kernels::KernelSet*> KernelSets() {
  std::vector<const field_kernels::KernelSet*> sets;
  for (simd::Isa isa : simd::kIsas)
    if (simd::IsaAvailable(isa)) sets.push_back(&field_kernels::KernelsFor(isa));
  return sets;
}

// Makes the engines use one set while it lives.
struct UsingKernels {
  explicit UsingKernels(const field_kernels::KernelSet* set) { simd::UseIsa(set->isa); }
  ~UsingKernels() { simd::UseIsa(simd::BestIsa()); }
  UsingKernels(const UsingKernels&) = delete;
  UsingKernels& operator=(const UsingKernels&) = delete;
};

// Bytes that are often 0, 1 or 2 (the contour's thresholds), often small or large, and
// sometimes anything, in runs so that regions and edges appear.
inline std::vector<uint8_t> RandomField(std::mt19937& g, size_t size) {
  std::vector<uint8_t> field(size);
  std::uniform_int_distribution<int> kind(0, 5), any(0, 255), run(1, 12);
  size_t i = 0;
  while (i < size) {
    const int k = kind(g);
    const uint8_t value = k == 0   ? 0
                          : k == 1 ? 1
                          : k == 2 ? 2
                          : k == 3 ? uint8_t(any(g) % 16)
                                   : uint8_t(any(g));
    for (int n = run(g); n > 0 && i < size; --n) field[i++] = k == 5 ? uint8_t(any(g)) : value;
  }
  return field;
}

inline int Uniform(std::mt19937& g, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(g);
}

}  // namespace zar::testing
