// The Fire and Cryo engine: the blobs, the pass inside the sources, the step, and whole calls.
#include "effects/fire/fire_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/plugin_table.h"
#include "platform/platform.h"
#include "tests/fire/fire_runs.h"

namespace zar {
namespace {

using testing::FireModule;
using testing::FrameOf;
using testing::Image;
using testing::OutputFor;
using testing::PixelHash;
using testing::SamplePhoto;

// A field of width x height cells (P = N = width, R = height) with a source field.
struct FireField {
  FieldExtents e;
  std::vector<uint8_t> mainField, sources;
  FireField(int32_t width, int32_t height, uint8_t source) {
    e.P = e.N = width;
    e.W = e.w = width - 4;
    e.R = height;
    e.H = height - 5;
    mainField.assign(size_t(width) * height, 0);
    sources.assign(mainField.size(), source);
  }
  uint8_t& at(int c, int r) { return mainField[size_t(r) * e.P + c]; }
  uint8_t& source(int c, int r) { return sources[size_t(r) * e.P + c]; }
};

// ---- blobs ----------------------------------------------------------------------------------

TEST(FireBlobs, PyramidOfRadiusTwo) {
  const int rows[4][4] = {{0, 0, 0, 0}, {0, 63, 127, 63}, {0, 127, 255, 127}, {0, 63, 127, 63}};
  for (int b = -2; b < 2; ++b)
    for (int a = -2; a < 2; ++a) EXPECT_EQ(BlobValue(2, a, b), rows[b + 2][a + 2]) << a << b;
  EXPECT_EQ(BlobValue(1, 0, 0), 255);
  EXPECT_EQ(BlobValue(1, -1, 0), 0);
  EXPECT_EQ(BlobValue(3, -1, -1), 113);  // trunc(170 * 2 / 3)
  // The product first: 185 * 11 / 11 is 185, where 185 / 11 * 11 would give 184.
  EXPECT_EQ(BlobValue(11, -3, 0), 185);
}

TEST(FireBlobs, LatticeStepsAtFuel100) {
  const int G[5] = {101, 51, 34, 26, 21};
  const int Gc[5] = {25, 12, 8, 6, 5};
  for (int r5 = 0; r5 < 5; ++r5) {
    EXPECT_EQ(LatticeOf(100, r5).G, G[r5]) << r5;
    EXPECT_EQ(LatticeOf(100, r5).Gc, Gc[r5]) << r5;
  }
  EXPECT_EQ(LatticeOf(1, 0).G, 2);
  EXPECT_EQ(LatticeOf(1, 3).G, 1);
  EXPECT_EQ(LatticeOf(1, 0).Gc, 1);
  EXPECT_EQ(LatticeOf(0, 0).G, 1);
}

TEST(FireBlobs, DrawsR5ThenARadiusAndACoinPerLatticePoint) {
  for (const uint32_t seed : {1u, 7u, 12345u}) {
    FireField f(103, 77, 255);
    Rng rng, replay;
    rng.Seed(seed);
    replay.Seed(seed);
    FeedBlobs(f.mainField.data(), f.sources.data(), f.e, 100, rng);
    const BlobLattice lattice = LatticeOf(100, replay.Next() % 5);
    const int points = ((77 + lattice.G - 1) / lattice.G) * ((103 + lattice.Gc - 1) / lattice.Gc);
    for (int i = 0; i < 2 * points; ++i) replay.Next();
    EXPECT_EQ(rng.state, replay.state) << seed;
  }
}

TEST(FireBlobs, FuelOneMakesSingleCellsOf255) {
  FireField f(40, 30, 9);
  Rng rng, replay;
  rng.Seed(99);
  replay.Seed(99);
  FeedBlobs(f.mainField.data(), f.sources.data(), f.e, 1, rng);
  // Replay the draws: lattice step 1 or 2, radius 1, a cell of 255 at (x0 + 1, y0 + 1) where the
  // coin says so.
  std::vector<uint8_t> expected(f.mainField.size(), 0);
  const BlobLattice lattice = LatticeOf(1, replay.Next() % 5);
  ASSERT_EQ(lattice.Gc, 1);
  for (int y0 = 0; y0 < 30; y0 += lattice.G)
    for (int x0 = 0; x0 < 40; x0 += 1) {
      EXPECT_EQ(std::max((replay.Next() % lattice.G + 1) >> 1, 1), 1);
      if (replay.Next() % 2 && x0 + 1 < 40 && y0 + 1 < 30) expected[(y0 + 1) * 40 + x0 + 1] = 255;
    }
  EXPECT_EQ(f.mainField, expected);
}

TEST(FireBlobs, LandOnlyOnSourcesAndOnlyRaise) {
  FireField f(60, 60, 0);
  for (int r = 0; r < 60; ++r)
    for (int c = 0; c < 60; ++c) {
      f.source(c, r) = (c / 7 + r / 5) % 2 ? 1 : 0;
      f.at(c, r) = uint8_t((c * 13 + r * 7) % 256);
    }
  const std::vector<uint8_t> before = f.mainField;
  Rng rng;
  bool raised = false;
  for (int step = 0; step < 5; ++step)
    FeedBlobs(f.mainField.data(), f.sources.data(), f.e, 40, rng);
  for (size_t i = 0; i < before.size(); ++i) {
    if (f.sources[i] == 0) {
      ASSERT_EQ(f.mainField[i], before[i]) << i;
    }
    ASSERT_GE(f.mainField[i], before[i]) << i;
    raised |= f.mainField[i] > before[i];
  }
  EXPECT_TRUE(raised);
}

// ---- the pass inside the sources ------------------------------------------------------------

TEST(FireSourcePass, ViscosityBelow255Damps) {
  FireField f(8, 8, 0);
  f.source(3, 3) = 7;
  f.at(3, 3) = 200;
  f.at(4, 3) = 200;  // not a source
  Rng rng;
  SourcePass(f.mainField.data(), f.sources.data(), f.e, 254, rng);
  EXPECT_EQ(f.at(3, 3), 199);  // 254 * 0.003921568859368563 * 200 = 199.2
  EXPECT_EQ(f.at(4, 3), 200);
  EXPECT_EQ(rng.state, 1u);  // no draws
  f.at(3, 3) = 200;
  SourcePass(f.mainField.data(), f.sources.data(), f.e, 1, rng);
  EXPECT_EQ(f.at(3, 3), 99);  // factor 127/255
  f.at(3, 3) = 200;
  SourcePass(f.mainField.data(), f.sources.data(), f.e, 0, rng);
  EXPECT_EQ(f.at(3, 3), 99);
}

TEST(FireSourcePass, Viscosity255KeepsTheSourceOrZeroByADrawPerCell) {
  FireField f(37, 23, 0);
  for (int r = 0; r < 23; ++r)
    for (int c = 0; c < 37; ++c) {
      f.source(c, r) = (c + r) % 3 ? uint8_t(10 + c) : 0;
      f.at(c, r) = uint8_t(200 - r);
    }
  const std::vector<uint8_t> before = f.mainField;
  Rng rng, replay;
  SourcePass(f.mainField.data(), f.sources.data(), f.e, 255, rng);
  int kept = 0, dropped = 0;
  // The draws go down each column, column after column.
  for (int c = 0; c < 37; ++c)
    for (int r = 0; r < 23; ++r) {
      const int keep = replay.Next() % 2;
      const uint8_t s = f.source(c, r);
      if (s == 0) {
        EXPECT_EQ(f.at(c, r), before[size_t(r) * 37 + c]);
        continue;
      }
      EXPECT_EQ(f.at(c, r), keep ? s : 0) << c << ", " << r;
      (keep ? kept : dropped)++;
    }
  EXPECT_EQ(rng.state, replay.state);
  EXPECT_GT(kept, 100);
  EXPECT_GT(dropped, 100);
}

// ---- the step -------------------------------------------------------------------------------

TEST(FireStep, AnEmptySourceFieldOnlyDriftsAndCools) {
  FireField f(30, 30, 0);
  for (int r = 5; r < 25; ++r)
    for (int c = 5; c < 25; ++c) f.at(c, r) = uint8_t(r * 9 + c);
  WorkingParameters p = kFireTable.defaults;
  Rng rng, replay;
  rng.Seed(5);
  replay.Seed(5);
  std::vector<uint8_t> expected = f.mainField;
  const int h = replay.Next();
  DirectionalPass(expected.data(), f.e, StepDirection(p.flameDirection),
                  MakeCoolingTable(p.oxygen, p.gravity, h));
  const std::vector<uint8_t> droplets(f.mainField.size(), 0);
  FireStepField({f.mainField.data(), f.sources.data(), droplets.data(), f.e,
                 StepDirection(p.flameDirection), p, rng});
  EXPECT_EQ(f.mainField, expected);
}

TEST(FireStep, CoolsByOxygenAndGravity) {
  // oxygen 100 and gravity 100: a cell of 150 cools to 50 and one of 90 keeps its value; "Bottom"
  // hands the cooled value, shifted right by 2, to the cell below and to the right.
  for (const int v : {150, 90}) {
    FireField f(16, 16, 0);
    f.at(8, 8) = uint8_t(v);
    WorkingParameters p = kCryoTable.defaults;
    p.oxygen = 100;
    p.gravity = 100;
    Rng rng;
    const std::vector<uint8_t> droplets(f.mainField.size(), 0);
    FireStepField({f.mainField.data(), f.sources.data(), droplets.data(), f.e, 0, p, rng});
    EXPECT_EQ(f.at(9, 9), (v > 100 ? v - 100 : v) >> 2) << v;
    EXPECT_EQ(f.at(8, 9), v >> 2) << v;
  }
}

// ---- whole calls ----------------------------------------------------------------------------

TEST(FirePictures, PinnedFinalRenderingsOfAFreshModule) {
  for (const testing::PinnedCase& c : testing::FirePinnedCases())
    EXPECT_EQ(PixelHash(testing::RenderPinned<FireModule>(c)), c.hash) << c.name;
}

TEST(FireRuns, RendersInOneModuleContinueTheGeneratorSequence) {
  const Image in = SamplePhoto();
  for (const PluginTable* table : FireModule::kTables) {
    WorkingParameters params = table->defaults;
    params.iterations = 10;
    FireModule m;
    const Image first = testing::RenderFinal(m, in, params);
    const uint32_t after = m.module.rng.state;
    const Image second = testing::RenderFinal(m, in, params);
    EXPECT_NE(first.pixels, second.pixels) << table->name;
    // The first rendering of a freshly loaded module is always the same picture, and a module
    // whose generator stands where the first rendering left it gives the second.
    EXPECT_EQ(testing::RenderFresh<FireModule>(in, params).pixels, first.pixels) << table->name;
    FireModule again;
    again.module.rng.state = after;
    EXPECT_EQ(testing::RenderFinal(again, in, params).pixels, second.pixels) << table->name;
  }
}

TEST(FireRuns, DropletsContinueTheSequenceToo) {
  // With droplets, Ice and Candle restart the generator with the step number; Fire and Cryo
  // do not, so the droplets land elsewhere for another generator state.
  const Image in = testing::StructuredPicture(80, 60);
  WorkingParameters params = kFireTable.defaults;
  params.maskMode = 2;
  params.maskDroplet = 1;
  params.viscosity = 200;  // no draws in the pass inside the sources
  params.iterations = 3;
  FireModule a, b;
  b.module.rng.Seed(2);
  const Image one = testing::RenderFinal(a, in, params);
  const Image two = testing::RenderFinal(b, in, params);
  EXPECT_NE(one.pixels, two.pixels);
}

// The host's Cancel is asked at every step: a final rendering stops at the step it says so,
// leaves the copy of its input, gives its fields back and says why. Fields it cannot have are
// said to be out of memory.
TEST(FireRuns, StopsAtTheStepTheHostCancelsAndSaysWhy) {
  struct Asker {
    int asked = 0;
    static bool StopAfterFive(void* context) { return ++static_cast<Asker*>(context)->asked > 5; }
  };
  const Image in = SamplePhoto();
  for (bool fail : {false, true}) {
    FireModule m;
    Image out = OutputFor(in);
    FrameView frame = FrameOf(in, out);
    Asker asker;
    frame.abort = Asker::StopAfterFive;
    frame.abortContext = &asker;
    FrameOutcome outcome = FrameOutcome::kDone;
    frame.outcome = &outcome;
    if (fail) platform::testing::FailAllocationsAfter(0);
    m.Run(frame, kFireTable.defaults, 40);
    platform::testing::FailAllocationsAfter(-1);
    EXPECT_EQ(outcome, fail ? FrameOutcome::kOutOfMemory : FrameOutcome::kCancelled);
    EXPECT_EQ(asker.asked, fail ? 0 : 6);
    EXPECT_EQ(out.Packed(), in.Packed());
    EXPECT_FALSE(m.fields().held());
  }
}

TEST(FireRuns, APreviewContinuesWithoutAllocating) {
  const Image in = SamplePhoto();
  FireModule m;
  m.module.previewState = 2;
  Image out = OutputFor(in);
  m.Run(FrameOf(in, out), kFireTable.defaults, 1);
  ASSERT_TRUE(m.fields().held());
  const Image first = out;
  platform::testing::FailAllocationsAfter(0);
  m.Run(FrameOf(in, out), kFireTable.defaults, 1);
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_TRUE(m.fields().held());
  EXPECT_EQ(m.module.previewState, 1);
  EXPECT_NE(out.pixels, first.pixels);
  m.module.previewState = 0;
  m.Run(FrameOf(in, out), kFireTable.defaults, 3);
  EXPECT_FALSE(m.fields().held());
}

}  // namespace
}  // namespace zar
