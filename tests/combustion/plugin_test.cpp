// The combustion deliverable's engine entry: the FilterRecord adapted to the engine, progress in
// the final rendering only.
#include <gtest/gtest.h>

#include <vector>

#include "effects/combustion/combustion.h"
#include "framework/globals.h"
#include "framework/module_state.h"
#include "framework/plugin.h"
#include "tests/combustion/pinned_cases.h"

namespace zar {
namespace {

std::vector<std::pair<int, int>> gProgress;

void ZAR_CDECL RecordProgress(int32 done, int32 total) { gProgress.push_back({done, total}); }

struct HostStrip {
  testing::Image source = testing::SamplePhoto().WithPadding(6);
  testing::Image out = testing::SamplePhoto().WithPadding(2);
  testing::Image mask = testing::EllipseMask(150, 100);
  FilterRecord record{};
  PluginGlobals globals{};

  HostStrip() {
    record.inData = source.pixels.data();
    record.inRowBytes = source.rowBytes;
    record.outData = out.pixels.data();
    record.outRowBytes = out.rowBytes;
    record.haveMask = 1;
    record.maskData = mask.pixels.data();
    record.maskRowBytes = mask.rowBytes;
    record.outRect = {10, 20, 110, 170};  // 150 x 100
    record.planes = 3;
    record.imageMode = kImageModeRGB;
    record.progressProc = RecordProgress;
    globals.filterRecord = &record;
  }
};

TEST(CombustionPlugin, RunEngineRendersTheStripThroughTheEngine) {
  Module().working = testing::CombustionDefaults();
  Module().working.effectMode = 1;  // "Page"
  Module().working.phase = 40;
  HostStrip preview, final;
  gProgress.clear();
  RunEngine(&preview.globals, 0);
  EXPECT_TRUE(gProgress.empty());
  RunEngine(&final.globals, 1);
  EXPECT_EQ(gProgress.size(), 51u);  // n = trunc(100 * 0.4) + 10 = 50: (2k, 2n) for k = n .. 0
  EXPECT_EQ(gProgress.front(), (std::pair{100, 100}));
  EXPECT_EQ(gProgress.back(), (std::pair{0, 100}));
  EXPECT_EQ(preview.out.Packed(), final.out.Packed());

  // The same picture as the engine gives on the packed photograph.
  for (int i = 0; i < testing::kPinnedCaseCount; ++i) {
    const testing::PinnedCase& c = testing::kPinnedCases[i];
    if (std::string(c.name) == "photo-page-3") {
      EXPECT_EQ(testing::PixelHash(final.out), c.hash);
    }
  }
  // The colour ramp the engine builds is the module's.
  Module().working.colorMode = 1;
  Module().colorRamp = {};
  RunEngine(&preview.globals, 0);
  EXPECT_EQ(Module().colorRamp.entries[0][0], 255);  // rampColors[0], white
  EXPECT_EQ(Module().colorRamp.entries[85][0], 0);   // rampColors[1], yellow: no blue
  EXPECT_EQ(Module().colorRamp.entries[85][2], 255);
}

}  // namespace
}  // namespace zar
