// Whole calls of the Ice and Candle engine: the run modes, the sources a call feeds, what it
// reports, how it fails, and the pinned pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effects/ice/ice_engine.h"
#include "settings/plugin_table.h"
#include "platform/platform.h"
#include "tests/ice/engine_runs.h"
#include "tests/ice/pinned_cases.h"

namespace zar {
namespace {

using testing::FrameOf;
using testing::IceModule;
using testing::Image;
using testing::OutputFor;
using testing::PixelHash;
using testing::SamplePhoto;

struct AllocationFailures {
  explicit AllocationFailures(int after) { platform::testing::FailAllocationsAfter(after); }
  ~AllocationFailures() { platform::testing::FailAllocationsAfter(-1); }
};

uint8_t Cell(const WorkingFields& f, const uint8_t* field, int c, int r) {
  return field[size_t(r) * f.pitch + c];
}

// ---- pictures -------------------------------------------------------------------------------

TEST(IcePictures, PinnedFinalRenderingsOfAFreshModule) {
  for (const testing::PinnedCase& c : testing::IcePinnedCases())
    EXPECT_EQ(PixelHash(testing::RenderPinned<IceModule>(c)), c.hash) << c.name;
}

TEST(IcePictures, ThreeHundredRowsRenderAsBeforeTheRadiusOneMend) {
  // Strips whose smallest disc radius is not 1 are untouched by taking radius 1 as 2: these are
  // the hashes the engine gave before that change.
  const Image tall = testing::StructuredPicture(200, 300);
  WorkingParameters both = kIceTable.defaults;
  both.maskMode = 2;
  EXPECT_EQ(PixelHash(testing::RenderFresh<IceModule>(tall, kIceTable.defaults)),
            "423f292825c54f30");
  EXPECT_EQ(PixelHash(testing::RenderFresh<IceModule>(tall, kCandleTable.defaults)),
            "5746af77d3a31159");
  EXPECT_EQ(PixelHash(testing::RenderFresh<IceModule>(tall, both)), "2d653d9ce4c60f42");
}

// ---- run modes ------------------------------------------------------------------------------

struct Preview {
  Image in = SamplePhoto();
  WorkingParameters params = kIceTable.defaults;
  IceModule m;

  Image Call(const Image* mask = nullptr) {
    Image out = OutputFor(in);
    m.Run(FrameOf(in, out, mask), params, 1);
    return out;
  }
};

TEST(IceRuns, APreviewStartsFreshThenContinuesWithoutAllocating) {
  Preview p;
  p.params.maskMode = 2;
  p.m.module.previewState = 2;
  const Image first = p.Call();
  EXPECT_EQ(p.m.module.previewState, 1);
  ASSERT_TRUE(p.m.state.fields.held());
  const uint8_t* mainField = p.m.state.fields.mainField;
  EXPECT_NE(first.pixels, p.in.pixels);

  // A twin module in the same state but with empty fields.
  IceModule twin;
  twin.module = p.m.module;
  twin.state.wobblePhase = p.m.state.wobblePhase;
  ASSERT_TRUE(AllocateFields(twin.state.fields, p.m.state.fields.pitch, p.m.state.fields.rows));

  Image second;
  {
    AllocationFailures none(0);  // a running preview allocates nothing
    second = p.Call();
  }
  EXPECT_EQ(p.m.module.previewState, 1);
  EXPECT_EQ(p.m.state.fields.mainField, mainField);
  EXPECT_NE(second.pixels, first.pixels);  // the animation moves on

  Image fromEmpty = OutputFor(p.in);
  twin.Run(FrameOf(p.in, fromEmpty), p.params, 1);
  EXPECT_NE(second.pixels, fromEmpty.pixels);  // and it goes on from the kept fields
  EXPECT_EQ(twin.module.rng.state, p.m.module.rng.state);
}

TEST(IceRuns, AFinalRenderingStartsFromEmptyFieldsAndReleasesThem) {
  Preview p;
  p.params.maskMode = 2;
  p.m.module.previewState = 2;
  for (int i = 0; i < 3; ++i) p.Call();
  ASSERT_TRUE(p.m.state.fields.held());

  // A module with the same generator and wobble phase that never ran a preview.
  IceModule twin;
  twin.module = p.m.module;
  twin.state.wobblePhase = p.m.state.wobblePhase;
  p.m.module.previewState = twin.module.previewState = 0;
  const Image after = testing::RenderFinal(p.m, p.in, p.params);
  const Image fresh = testing::RenderFinal(twin, p.in, p.params);
  EXPECT_EQ(after.pixels, fresh.pixels);
  EXPECT_FALSE(p.m.state.fields.held());
  EXPECT_EQ(p.m.state.wobblePhase, twin.state.wobblePhase);
}

TEST(IceRuns, SwitchingToMaskInDuringAPreviewWorksAtOnce) {
  Preview p;
  p.m.module.previewState = 2;
  p.Call();
  p.Call();
  p.params.maskMode = 0;
  const Image out = p.Call();
  const WorkingFields& f = p.m.state.fields;
  // The contour field holds the traced copy of the sources of the call.
  std::vector<uint8_t> traced(f.sourceField, f.sourceField + f.bytes);
  TraceContour(traced.data(), f.pitch, f.rows);
  EXPECT_EQ(std::vector<uint8_t>(f.contourField, f.contourField + f.bytes), traced);
  // Colour lies only on the sources.
  int changed = 0;
  for (int y = 0; y < p.in.height; ++y)
    for (int x = 0; x < p.in.width; ++x) {
      if (std::memcmp(out.At(x, y), p.in.At(x, y), 3) == 0) continue;
      ++changed;
      EXPECT_NE(Cell(f, f.sourceField, x + 2, y + 4), 0) << x << ", " << y;
    }
  EXPECT_GT(changed, 0);
}

TEST(IceRuns, MaskBothFeedsTheBrightnessAndColoursEverywhere) {
  Preview p;
  p.params.maskMode = 2;
  p.m.module.previewState = 2;
  p.Call();
  const WorkingFields& f = p.m.state.fields;
  for (int y = 2; y < p.in.height - 2; ++y)
    for (int x = 2; x < p.in.width - 2; ++x) {
      const uint8_t* px = p.in.At(x, y);
      ASSERT_EQ(Cell(f, f.sourceField, x + 2, y + 3), std::max({px[0], px[1], px[2]}));
    }
  // With alpha 0 every pixel below a cell with heat takes the palette colour: none of the
  // photograph's sources is traced away and no pixel is gated.
  IceModule candle;
  WorkingParameters params = kCandleTable.defaults;
  params.maskMode = 2;
  params.alpha = 0;
  candle.module.previewState = 2;
  Image painted = OutputFor(p.in);
  candle.Run(FrameOf(p.in, painted), params, 1);
  const WorkingFields& g = candle.state.fields;
  int hot = 0;
  for (int y = 1; y < p.in.height; ++y)
    for (int x = 0; x < p.in.width; ++x) {
      const uint8_t v = Cell(g, g.mainField, x + 2, y + 4);
      const uint8_t* want = v ? DefaultFirePalette[255 - HeatPaletteIndex(v)] : p.in.At(x, y);
      hot += v != 0;
      ASSERT_EQ(std::memcmp(painted.At(x, y), want, 3), 0) << x << ", " << y;
    }
  EXPECT_GT(hot, p.in.width * p.in.height / 2);
}

// A black 60 x 60 picture with a selected square; a preview's first call feeds the displaced
// sources, then the undisplaced ones over them.
struct DisplacedSquare {
  Image in = Image(60, 60, 3);
  Image mask = Image(60, 60, 1);
  DisplacedSquare() {
    for (int y = 25; y < 35; ++y)
      for (int x = 25; x < 35; ++x) mask.At(x, y)[0] = 255;
  }
  // The cells of the sources after a starting preview with this rotation and radius.
  std::vector<std::pair<int, int>> Sources(int rotation, int radius) {
    WorkingParameters params = kIceTable.defaults;
    params.maskMode = 2;
    params.rotation = rotation;
    params.radius = radius;
    IceModule m;
    m.module.previewState = 2;
    Image out = OutputFor(in);
    m.Run(FrameOf(in, out, &mask), params, 1);
    const WorkingFields& f = m.state.fields;
    std::vector<std::pair<int, int>> cells;
    for (int r = 0; r < f.rows; ++r)
      for (int c = 0; c < f.pitch; ++c)
        if (Cell(f, f.sourceField, c, r)) cells.push_back({c, r});
    return cells;
  }
};

bool Holds(const std::vector<std::pair<int, int>>& cells, int dx, int dy) {
  // The square moved by (dx, dy): its cells are (x + 2 + dx, y + 3 + dy).
  for (int y = 25; y < 35; ++y)
    for (int x = 25; x < 35; ++x)
      if (std::find(cells.begin(), cells.end(), std::pair{x + 2 + dx, y + 3 + dy}) == cells.end())
        return false;
  return true;
}

TEST(IceRuns, DisplacementByRotation) {
  DisplacedSquare s;
  // Radius 85 on 60 x 60: 85 * 60 / 510 = 10 cells. An offset is trunc(d + 0.5), toward zero, so
  // -10 gives -9, and the square moved up or left overlaps itself by a row or column.
  auto none = s.Sources(0, 0);
  EXPECT_EQ(none.size(), 100u);
  EXPECT_TRUE(Holds(none, 0, 0));
  auto right = s.Sources(0, 85);
  EXPECT_EQ(right.size(), 200u);
  EXPECT_TRUE(Holds(right, 10, 0));
  auto up = s.Sources(90, 85);
  EXPECT_EQ(up.size(), 190u);
  EXPECT_TRUE(Holds(up, 0, -9));
  auto left = s.Sources(180, 85);
  EXPECT_EQ(left.size(), 190u);
  EXPECT_TRUE(Holds(left, -9, 0));
}

TEST(IceRuns, ASelectionFeeds255WhateverTheInvert) {
  DisplacedSquare s;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) s.in.At(x, y)[1] = uint8_t(x * 4);
  WorkingParameters params = kIceTable.defaults;
  params.maskMode = 2;
  std::vector<uint8_t> sources[2];
  for (const int invert : {0, 1}) {
    params.maskInvert = uint8_t(invert);
    IceModule m;
    m.module.previewState = 2;
    Image out = OutputFor(s.in);
    m.Run(FrameOf(s.in, out, &s.mask), params, 1);
    const WorkingFields& f = m.state.fields;
    sources[invert].assign(f.sourceField, f.sourceField + f.bytes);
    EXPECT_EQ(Cell(f, f.sourceField, 25 + 2, 25 + 3), 255);
  }
  EXPECT_EQ(sources[0], sources[1]);
}

TEST(IceRuns, ProgressBeforeEveryStepOfAFinalRenderingOnly) {
  const Image in = testing::StructuredPicture(40, 30);
  std::vector<std::pair<int, int>> reports;
  auto record = [](void* context, int32_t done, int32_t total) {
    static_cast<std::vector<std::pair<int, int>>*>(context)->push_back({done, total});
  };
  IceModule m;
  Image out = OutputFor(in);
  FrameView frame = FrameOf(in, out);
  frame.progress = record;
  frame.progressContext = &reports;
  m.Run(frame, kCandleTable.defaults, 5);
  ASSERT_EQ(reports.size(), 5u);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(reports[k], (std::pair{k, 5}));
  reports.clear();
  m.module.previewState = 2;
  m.Run(frame, kCandleTable.defaults, 1);
  m.Run(frame, kCandleTable.defaults, 1);
  EXPECT_TRUE(reports.empty());
}

// ---- what leaves the copy -------------------------------------------------------------------

TEST(IceRuns, PicturesThatAreNotRgbAreCopiedAfterAWarning) {
  static int warnings;
  warnings = 0;
  const Image in = SamplePhoto();
  Image out = OutputFor(in);
  FrameView frame = FrameOf(in, out);
  frame.imageMode = 1;
  frame.warnNotRgb = [] { ++warnings; };
  IceModule m;
  m.Run(frame, kIceTable.defaults, 38);
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(out.pixels, in.pixels);
  EXPECT_FALSE(m.state.fields.held());
}

TEST(IceRuns, AFailedAllocationLeavesTheCopy) {
  const Image in = SamplePhoto();
  for (int after = 0; after < 4; ++after) {
    IceModule m;
    Image out = OutputFor(in);
    {
      AllocationFailures failures(after);
      m.Run(FrameOf(in, out), kCandleTable.defaults, 38);
    }
    EXPECT_EQ(out.pixels, in.pixels) << after;
    EXPECT_FALSE(m.state.fields.held());
  }
}

TEST(IceRuns, APreviewWhoseFieldsFailedStaysACopy) {
  Preview p;
  p.params.maskMode = 2;
  p.m.module.previewState = 2;
  Image first;
  {
    AllocationFailures failures(2);
    first = p.Call();
  }
  EXPECT_EQ(p.m.module.previewState, 1);
  EXPECT_FALSE(p.m.state.fields.held());
  EXPECT_EQ(first.pixels, p.in.pixels);
  EXPECT_EQ(p.Call().pixels, p.in.pixels);
}

TEST(IceRuns, UnsupportedPlaneCountsAndOneRowStripsAreCopied) {
  for (const int planes : {1, 2, 6, 8}) {
    const Image in = SamplePhoto().WithPlanes(planes, 200);
    IceModule m;
    Image out = OutputFor(in);
    m.Run(FrameOf(in, out), kCandleTable.defaults, 5);
    EXPECT_EQ(out.pixels, in.pixels) << planes;
  }
  const Image strip = testing::StructuredPicture(150, 1);
  IceModule m;
  WorkingParameters params = kCandleTable.defaults;
  params.maskMode = 2;
  Image out = OutputFor(strip);
  m.Run(FrameOf(strip, out), params, 38);
  EXPECT_EQ(out.pixels, strip.pixels);
}

}  // namespace
}  // namespace zar
