// The Fire and Cryo engine against the plain engine: the blobs, the pass inside the sources,
// whole steps and whole calls, with every kernel set; and the shortcuts through the generator.
#include "tests/ice/reference_runs.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/field/field_random.h"
#include "effects/fire/fire_engine.h"
#include "tests/fire/fire_runs.h"

namespace zar {
namespace {

using testing::KernelSets;
using testing::RandomField;
using testing::Uniform;
using testing::UsingKernels;

FieldExtents RandomExtents(std::mt19937& g) {
  FieldExtents e;
  e.w = Uniform(g, 0, 4) == 0 ? Uniform(g, 1, 300) : Uniform(g, 1, 70);
  e.H = Uniform(g, 0, 4) == 0 ? Uniform(g, 1, 300) : Uniform(g, 1, 70);
  e.W = e.w + Uniform(g, 0, 3);
  e.P = e.W + 4;
  e.R = e.H + 5;
  e.N = e.w + 4;
  return e;
}

int RandomFuel(std::mt19937& g) {
  return Uniform(g, 0, 3) == 0 ? Uniform(g, 0, 4) : Uniform(g, 0, 255);
}

TEST(FireAgainstReference, Blobs) {
  std::mt19937 g(31);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 400; ++trial) {
      const FieldExtents e = RandomExtents(g);
      const size_t size = size_t(e.P) * size_t(e.R);
      const std::vector<uint8_t> S = RandomField(g, size);
      std::vector<uint8_t> field = RandomField(g, size), expected = field;
      const int fuel = RandomFuel(g);
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      reference::FeedBlobs(expected.data(), S.data(), e, fuel, replay);
      FeedBlobs(field.data(), S.data(), e, fuel, rng);
      ASSERT_EQ(field, expected) << set->name << " " << e.w << "x" << e.H << " fuel " << fuel;
      ASSERT_EQ(rng.state, replay.state);
      Rng skipped;
      skipped.state = uint32_t(g());
      Rng drawn = skipped;
      std::vector<uint8_t> scratch = expected;
      reference::FeedBlobs(scratch.data(), S.data(), e, fuel, drawn);
      SkipBlobs(e, fuel, skipped);
      ASSERT_EQ(skipped.state, drawn.state) << e.w << "x" << e.H << " fuel " << fuel;
    }
  }
}

TEST(FireAgainstReference, PassInsideTheSources) {
  std::mt19937 g(32);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int viscosity = 0; viscosity < 256; ++viscosity) {
      for (int trial = 0; trial < (viscosity == 255 ? 300 : 2); ++trial) {
        const FieldExtents e = RandomExtents(g);
        const size_t size = size_t(e.P) * size_t(e.R);
        const std::vector<uint8_t> S = RandomField(g, size);
        std::vector<uint8_t> field = RandomField(g, size), expected = field;
        Rng rng, replay;
        rng.state = replay.state = uint32_t(g());
        reference::SourcePass(expected.data(), S.data(), e, viscosity, replay);
        SourcePass(field.data(), S.data(), e, viscosity, rng);
        ASSERT_EQ(field, expected)
            << set->name << " " << e.w << "x" << e.H << " viscosity " << viscosity;
        ASSERT_EQ(rng.state, replay.state);
      }
    }
  }
}

TEST(FireAgainstReference, FlickerOnColumnsOfEveryPowerOfTwo) {
  // Columns of R cells with R = 2^v R' take their coins from 2^v tables of 2^(17-v) coins; tall
  // thin fields reach tables shorter than a row (v of 15 and more), down to one coin per row.
  std::mt19937 g(33);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (const int32_t R : {64, 3 << 10, 1 << 13, 1 << 15, 3 << 15, 1 << 16, 1 << 17}) {
      FieldExtents e;
      e.R = R;
      e.H = R - 5;
      e.w = Uniform(g, 1, 3);
      e.W = e.w;
      e.P = e.W + 4;
      e.N = e.P;
      const size_t size = size_t(e.P) * size_t(e.R);
      const std::vector<uint8_t> S = RandomField(g, size);
      std::vector<uint8_t> field = RandomField(g, size), expected = field;
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      reference::SourcePass(expected.data(), S.data(), e, 255, replay);
      SourcePass(field.data(), S.data(), e, 255, rng);
      ASSERT_EQ(field, expected) << set->name << " R " << R;
      ASSERT_EQ(rng.state, replay.state) << R;
    }
  }
}

TEST(FireAgainstReference, Steps) {
  std::mt19937 g(34);
  for (const field_kernels::KernelSet* set : KernelSets()) {
    UsingKernels using_(set);
    for (int trial = 0; trial < 500; ++trial) {
      const FieldExtents e = RandomExtents(g);
      const size_t size = size_t(e.P) * size_t(e.R);
      const std::vector<uint8_t> S = RandomField(g, size), drops = RandomField(g, size);
      std::vector<uint8_t> field = RandomField(g, size), expected = field;
      WorkingParameters p = (Uniform(g, 0, 1) ? kFireTable : kCryoTable).defaults;
      p.oxygen = uint8_t(Uniform(g, 0, 255));
      p.gravity = uint8_t(Uniform(g, 0, 255));
      p.fuel = uint8_t(RandomFuel(g));
      p.viscosity = uint8_t(Uniform(g, 0, 1) ? 255 : Uniform(g, 0, 255));
      p.maskDroplet = uint8_t(Uniform(g, 0, 1));
      const int d = trial % 9;
      Rng rng, replay;
      rng.state = replay.state = uint32_t(g());
      reference::FireStep(expected.data(), S.data(), drops.data(), e, d, p, replay);
      FireStepField({field.data(), S.data(), drops.data(), e, d, p, rng});
      ASSERT_EQ(field, expected) << set->name << " " << e.w << "x" << e.H << " d " << d
                                 << " viscosity " << int(p.viscosity) << " fuel " << int(p.fuel);
      ASSERT_EQ(rng.state, replay.state);
    }
  }
}

TEST(FireAgainstReference, WholeCalls) {
  testing::CompareRandomCalls<testing::FireModule>(35, 150);
}

// ---- the generator's shortcuts --------------------------------------------------------------

TEST(GeneratorShortcuts, SkippingDrawsLandsWhereDrawingThemDoes) {
  std::mt19937 g(36);
  for (int trial = 0; trial < 200; ++trial) {
    Rng drawn, skipped;
    drawn.state = skipped.state = uint32_t(g());
    const uint64_t n = trial < 100 ? uint64_t(trial) : uint64_t(Uniform(g, 0, 3000000));
    for (uint64_t i = 0; i < n; ++i) drawn.Next();
    SkipDraws(skipped, n);
    ASSERT_EQ(skipped.state, drawn.state) << n;
  }
  // Beyond 2^32 draws the state has gone round: 2^32 draws leave it where it was.
  Rng r;
  r.state = 12345;
  SkipDraws(r, uint64_t(1) << 32);
  EXPECT_EQ(r.state, 12345u);
}

TEST(GeneratorShortcuts, TheParityCycleHoldsEveryDrawsParity) {
  const uint8_t* coins = CoinCycleTable();
  std::mt19937 g(37);
  for (int trial = 0; trial < 50; ++trial) {
    Rng rng;
    rng.state = uint32_t(g());
    const uint32_t at = CoinCyclePosition(rng.state);
    for (uint32_t k = 1; k <= 5000; ++k) {
      const int coin = rng.Next() % 2;
      ASSERT_EQ(coins[(at + k) % field_kernels::kCoinCycle], coin ? 0xFF : 0) << trial << " " << k;
    }
  }
  // The margin repeats the start.
  for (uint32_t i = 0; i < field_kernels::kCoinMargin; ++i)
    EXPECT_EQ(coins[field_kernels::kCoinCycle + i], coins[i]);
}

TEST(GeneratorShortcuts, CoinRowsHoldEachRowsCoinsInOrder) {
  std::mt19937 g(38);
  const uint8_t* coins = CoinCycleTable();
  for (const int32_t R : {1, 2, 3, 5, 255, 256, 773, 4096, 3 << 14, 1 << 17, 1 << 18, 999999}) {
    const field_kernels::CoinRows& rows = CoinRowsFor(R);
    const uint32_t L = rows.length, mask = field_kernels::kCoinCycle - 1;
    for (int trial = 0; trial < 200; ++trial) {
      const uint32_t b = uint32_t(g()) & mask, x = uint32_t(g()) % 5000;
      const uint32_t r = b & ((uint32_t(1) << rows.shift) - 1), q = b >> rows.shift;
      const uint32_t j = (q * rows.inverse + x) & (L - 1);
      ASSERT_EQ(rows.table[r * L + j], coins[(b + uint64_t(x) * uint32_t(R)) & mask])
          << R << " " << b << " " << x;
    }
  }
}

TEST(GeneratorShortcuts, DrawModulusIsTheRemainder) {
  for (uint32_t d = 1; d <= 256; ++d) {
    const DrawModulus m(d);
    for (int x = 0; x < 32768; ++x) ASSERT_EQ(m.Of(x), x % int(d)) << x << " mod " << d;
  }
}

}  // namespace
}  // namespace zar
