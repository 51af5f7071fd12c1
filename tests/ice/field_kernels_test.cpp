// Every kernel set against the cell-by-cell forms: the directional pass (whole and in pieces),
// the contour tracing, the droplets and the sources, over random fields of every small size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "effects/field/field_engine.h"
#include "tests/ice/engine_harness.h"
#include "tests/ice/kernel_sets.h"
#include "tests/ice/reference_field.h"

namespace zar {
namespace {

using testing::KernelSets;
using testing::RandomField;
using testing::Uniform;
using testing::UsingKernels;

FieldExtents Extents(int32_t P, int32_t R, int32_t N) {
  FieldExtents e;
  e.P = P;
  e.R = R;
  e.N = N;
  e.W = P - 4;
  e.w = N - 4;
  e.H = R - 5;
  return e;
}

// Cooling thresholds that reach all three branches, the top of the byte range and beyond it.
struct CoolingCase {
  int64_t t, u;
  int h;
};

CoolingCase RandomCooling(std::mt19937& g) {
  const int64_t choices[] = {0, 1, 2, 9, 10, 100, 200, 254, 255, 256, 1000, int64_t(1) << 40};
  const int64_t t = Uniform(g, 0, 2) ? Uniform(g, 0, 80) : choices[Uniform(g, 0, 11)];
  const int64_t u = Uniform(g, 0, 2) ? Uniform(g, 0, 80) : choices[Uniform(g, 0, 11)];
  return {t, u, Uniform(g, 0, 32767)};
}

TEST(FieldKernels, CoolingThresholdsGiveTheTable) {
  std::mt19937 g(1);
  for (int i = 0; i < 2000; ++i) {
    const CoolingCase c = RandomCooling(g);
    const CoolingTable table = MakeCoolingTable(c.t, c.u, c.h);
    for (int v = 0; v < 256; ++v) {
      int64_t expected = v;
      if (v > c.t)
        expected = v - c.t;
      else if (v > c.u)
        expected = v - c.h % (c.u + 1);
      ASSERT_EQ(table.after[v], uint8_t(expected)) << c.t << " " << c.u << " " << c.h << " " << v;
      ASSERT_EQ(field_kernels::Cool(uint8_t(v), table.thresholds), table.after[v]);
    }
  }
}

TEST(FieldKernels, DirectionalPassMatchesTheCellByCellPass) {
  std::mt19937 g(2);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 3000; ++trial) {
      const int32_t P = Uniform(g, 1, 71), R = Uniform(g, 0, 70), N = Uniform(g, 1, P);
      const int d = trial % 9;  // 8: moves nothing
      const CoolingCase c = RandomCooling(g);
      std::vector<uint8_t> field = RandomField(g, size_t(P) * size_t(R));
      std::vector<uint8_t> expected = field;
      reference::DirectionalPass(expected.data(), P, R, N, d, c.t, c.u, c.h);
      DirectionalPass(field.data(), Extents(P, R, N), d, MakeCoolingTable(c.t, c.u, c.h));
      ASSERT_EQ(field, expected) << set->name << " P " << P << " R " << R << " N " << N << " d "
                                 << d << " t " << c.t << " u " << c.u << " h " << c.h;
    }
  }
}

// The pass in pieces: after each piece the rows it declares done hold their final values, and
// the rest of the pass reads none of them (scribbling on them changes nothing else).
TEST(FieldKernels, DirectionalPassInPiecesLeavesDoneRowsAlone) {
  std::mt19937 g(3);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 2000; ++trial) {
      const int32_t P = Uniform(g, 1, 71), R = Uniform(g, 0, 70), N = Uniform(g, 1, P);
      const int d = trial % 9;
      const CoolingCase c = RandomCooling(g);
      std::vector<uint8_t> field = RandomField(g, size_t(P) * size_t(R));
      std::vector<uint8_t> expected = field;
      reference::DirectionalPass(expected.data(), P, R, N, d, c.t, c.u, c.h);
      auto pass = std::make_unique<DirectionalPassInPieces>();
      BeginDirectionalPass(*pass, field.data(), Extents(P, R, N), d,
                           MakeCoolingTable(c.t, c.u, c.h));
      int32_t done = 0;
      while (done < R) {
        const int32_t upTo = std::min(R, done + Uniform(g, 0, 9));
        AdvanceDirectionalPass(*pass, upTo);
        for (int32_t r = done; r < upTo; ++r) {
          ASSERT_EQ(0, std::memcmp(&field[size_t(r) * P], &expected[size_t(r) * P], size_t(P)))
              << set->name << " P " << P << " R " << R << " N " << N << " d " << d << " row " << r;
          // What follows the pass may change these rows now.
          for (int32_t col = 0; col < P; ++col) field[size_t(r) * P + col] ^= 0x5A;
          for (int32_t col = 0; col < P; ++col) expected[size_t(r) * P + col] ^= 0x5A;
        }
        done = std::max(done, upTo);
      }
      AdvanceDirectionalPass(*pass, R);
      ASSERT_EQ(field, expected) << set->name << " P " << P << " R " << R << " N " << N;
    }
  }
}

TEST(FieldKernels, DirectionalPassOnWideRows) {
  // Wider than the copies the upward directions keep (they then make the pass at once), and
  // wide enough for many vectors per row.
  std::mt19937 g(4);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (const int32_t P : {300, 1029, DirectionalPassInPieces::kCopyWidth + 7}) {
      for (int d = 0; d < 8; ++d) {
        const int32_t R = 7, N = P - d % 3;
        const CoolingCase c = RandomCooling(g);
        std::vector<uint8_t> field = RandomField(g, size_t(P) * size_t(R));
        std::vector<uint8_t> expected = field, whole = field;
        reference::DirectionalPass(expected.data(), P, R, N, d, c.t, c.u, c.h);
        DirectionalPass(whole.data(), Extents(P, R, N), d, MakeCoolingTable(c.t, c.u, c.h));
        EXPECT_EQ(whole, expected) << set->name << " " << P << " " << d;
        auto pass = std::make_unique<DirectionalPassInPieces>();
        BeginDirectionalPass(*pass, field.data(), Extents(P, R, N), d,
                             MakeCoolingTable(c.t, c.u, c.h));
        for (int32_t upTo = 0; upTo <= R; ++upTo) AdvanceDirectionalPass(*pass, upTo);
        EXPECT_EQ(field, expected) << set->name << " " << P << " " << d;
      }
    }
  }
}

TEST(FieldKernels, ContourTracingInPlaceAndIntoAnotherField) {
  std::mt19937 g(5);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 2000; ++trial) {
      const int32_t P = Uniform(g, 1, 90), R = Uniform(g, 0, 70);
      const std::vector<uint8_t> field = RandomField(g, size_t(P) * size_t(R));
      std::vector<uint8_t> expected = field, inPlace = field;
      reference::TraceContour(expected.data(), P, R);
      TraceContour(inPlace.data(), P, R);
      ASSERT_EQ(inPlace, expected) << set->name << " P " << P << " R " << R;
      std::vector<uint8_t> into(field.size(), 0x77);
      TraceContourInto(field.data(), into.data(), P, R);
      ASSERT_EQ(into, expected) << set->name << " P " << P << " R " << R;
    }
  }
}

TEST(FieldKernels, DropletsAndTheirMerge) {
  std::mt19937 g(6);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 1500; ++trial) {
      const int32_t P = Uniform(g, 1, 90), R = Uniform(g, 1, 70), N = Uniform(g, 1, P);
      const std::vector<uint8_t> S = RandomField(g, size_t(P) * size_t(R));
      std::vector<uint8_t> drops = RandomField(g, S.size()), expected = drops;
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      reference::DropDroplets(expected.data(), S.data(), P, R, replay);
      DropDroplets(drops.data(), S.data(), P, R, rng);
      ASSERT_EQ(drops, expected) << set->name << " P " << P << " R " << R;
      ASSERT_EQ(rng.state, replay.state);

      std::vector<uint8_t> cells = RandomField(g, S.size()), merged = cells;
      reference::MergeDroplets(merged.data(), drops.data(), Extents(P, R, N));
      MergeDroplets(cells.data(), drops.data(), Extents(P, R, N));
      ASSERT_EQ(cells, merged) << set->name << " P " << P << " R " << R << " N " << N;
    }
  }
}

TEST(FieldKernels, SourcesFromBrightnessAndFromTheSelection) {
  std::mt19937 g(7);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 1500; ++trial) {
      const int planes = Uniform(g, 0, 7) ? Uniform(g, 3, 5) : Uniform(g, 1, 6);
      const int width = Uniform(g, 1, 80), height = Uniform(g, 1, 40);
      testing::Image in(width, height, planes, Uniform(g, 0, 2) ? 0 : Uniform(g, 1, 9));
      for (uint8_t& b : in.pixels) b = uint8_t(g());
      for (int y = 0; y < height; ++y)  // transparent pixels now and then
        for (int x = 0; x < width && planes >= 4; ++x)
          if (Uniform(g, 0, 3) == 0) std::memset(in.At(x, y) + 3, 0, size_t(planes - 3));
      testing::Image out = in, mask(width, height, 1, Uniform(g, 0, 3));
      for (uint8_t& b : mask.pixels) b = Uniform(g, 0, 2) ? uint8_t(g()) : 0;
      const bool selection = Uniform(g, 0, 1);
      const FrameView frame = testing::FrameOf(in, out, selection ? &mask : nullptr);
      FieldExtents e;
      ASSERT_EQ(ComputeExtents(frame, e), ExtentsResult::kRender);
      const float shifts[] = {0, 0.4f, -0.6f, 3.7f, -12.2f, 90.0f, -1e9f};
      const float dx = shifts[Uniform(g, 0, 6)], dy = shifts[Uniform(g, 0, 6)];
      const bool invert = Uniform(g, 0, 1);
      std::vector<uint8_t> field = RandomField(g, size_t(e.P) * size_t(e.R)), expected = field;
      reference::BuildSourceField(frame, e, expected.data(), dx, dy, invert);
      BuildSourceField(frame, e, field.data(), dx, dy, invert);
      ASSERT_EQ(field, expected) << set->name << " planes " << planes << " " << width << "x"
                                 << height << " selection " << selection << " shift " << dx << ", "
                                 << dy;
    }
  }
}

}  // namespace
}  // namespace zar
