// The filtering pass on its own: strip arithmetic at the edges of what the host interface can
// express, through a minimal host (the protocol end to end is in tests/hosts).
#include "framework/filter_pass.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "framework/engine_frame.h"
#include "framework/globals.h"
#include "framework/handles.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "tests/support/test_plugin.h"

namespace zar {
namespace {

// The stand-in host's callbacks: advanceState counts its calls and fails from a given call on;
// the abort test says stop from a given call on.
struct Calls {
  int advanceState = 0;
  int failFrom = -1;
  OSErr failWith = 0;
  int abortTests = 0;
  int abortFrom = -1;
  std::vector<Rect16> requested;
};
Calls gCalls;
FilterRecord* gRecord = nullptr;

OSErr ZAR_CDECL AdvanceState() {
  const int call = gCalls.advanceState++;
  gCalls.requested.push_back(gRecord->inRect);
  return gCalls.failFrom >= 0 && call >= gCalls.failFrom ? gCalls.failWith : kNoErr;
}
Boolean ZAR_CDECL AbortTest() {
  const int call = gCalls.abortTests++;
  return gCalls.abortFrom >= 0 && call >= gCalls.abortFrom ? 0xFF01 & 0xFF : 0;
}
OSErr ZAR_CDECL DisplayPixels(const PSPixelMap*, const VRect*, int32, int32, void*) { return 0; }

std::vector<int> R(const Rect16& r) { return {r.top, r.left, r.bottom, r.right}; }

class FilterPass : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetTestPlugin(kFireTable);
    gCalls = Calls{};
    gRecord = &record;
    record.imageMode = kImageModeRGB;
    record.planes = 3;
    SetPicture(20, 10);
    record.maxSpace = 1 << 20;
    record.advanceState = AdvanceState;
    record.displayPixels = DisplayPixels;
    record.abortProc = AbortTest;
    globals.filterRecord = &record;
  }
  void TearDown() override {
    if (record.parameters) DisposePluginHandle(record.parameters);
  }
  void SetPicture(int width, int height) {
    record.imageSize = {int16(height), int16(width)};
    record.filterRect = {0, 0, int16(height), int16(width)};
  }
  ParameterBlock Block() { return BlockOf(globals); }
  std::vector<std::vector<int>> EngineRects() const {
    std::vector<std::vector<int>> rects;
    for (const testing::EngineCall& call : testing::Plugin().engineCalls)
      rects.push_back(R(call.outRect));
    return rects;
  }
  // The multi-call way as a host drives it; returns the strips the plug-in asked for.
  std::vector<std::vector<int>> RunContinues(int limit = 100) {
    std::vector<std::vector<int>> asked;
    while (record.inRect.bottom > record.inRect.top && int(asked.size()) < limit) {
      asked.push_back(R(record.inRect));
      DoContinue(globals);
      if (globals.result != kNoErr) break;
    }
    return asked;
  }

  FilterRecord record{};
  PluginGlobals globals{};
};

using Rects = std::vector<std::vector<int>>;

TEST_F(FilterPass, PrepareGrowsTheStripToTheBudgetAndNeverLowersIt) {
  record.maxSpace = 7 * 20 * 4;
  DoPrepare(globals);
  EXPECT_EQ(Block().rowsPerStrip(), 4);
  EXPECT_EQ(record.maxSpace, 7 * 20 * 4);
  EXPECT_EQ(record.bufferSpace, 0);

  record.maxSpace = 1 << 20;
  DoPrepare(globals);
  EXPECT_EQ(Block().rowsPerStrip(), 10) << "at most the filter rectangle's height";

  SetPicture(20, 3);
  record.maxSpace = 7 * 20;
  DoPrepare(globals);
  EXPECT_EQ(Block().rowsPerStrip(), 10) << "kept for a smaller picture";
  EXPECT_EQ(record.maxSpace, 7 * 20 * 10) << "and asked for";
}

// The memory estimate is counted in 64 bits: (2 x 5 + 1) x 30000 bytes per row over 30000 rows
// is far beyond 32 bits, and the request is capped at the largest count the record holds.
TEST_F(FilterPass, PrepareCountsInSixtyFourBits) {
  record.planes = 5;
  SetPicture(30000, 30000);
  record.maxSpace = INT32_MAX;
  DoPrepare(globals);
  EXPECT_EQ(BytesPerFilterRow(record), 11 * 30000);
  // 11 x 30000 x 6507 < 2^31 - 1 <= 11 x 30000 x 6508.
  EXPECT_EQ(Block().rowsPerStrip(), 6508);
  EXPECT_EQ(record.maxSpace, INT32_MAX);
}

// With all a host can grant, a picture whose input, output and mask bytes fit in 32 bits is one
// strip, simulated whole: 20000 x 15000 RGB, which half the grant cut into two.
TEST_F(FilterPass, AFullGrantMakesAPictureThatFitsOneStrip) {
  SetPicture(20000, 15000);
  record.maxSpace = INT32_MAX;
  DoPrepare(globals);
  EXPECT_EQ(Block().rowsPerStrip(), 15000);
  EXPECT_EQ(record.maxSpace, 7 * 20000 * 15000);
}

TEST_F(FilterPass, OnePassLimitsTheLastStripToThePicture) {
  record.maxSpace = 7 * 20 * 4;
  DoPrepare(globals);
  DoStart(globals);
  EXPECT_EQ(globals.result, kNoErr);
  EXPECT_EQ(Block().useAdvanceState(), 1);
  Rects requested;
  for (const Rect16& r : gCalls.requested) requested.push_back(R(r));
  EXPECT_EQ(requested, (Rects{{0, 0, 4, 20}, {4, 0, 8, 20}, {8, 0, 12, 20}}));
  EXPECT_EQ(EngineRects(), (Rects{{0, 0, 4, 20}, {4, 0, 8, 20}, {8, 0, 10, 20}}));
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(R(record.outRect), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(R(record.maskRect), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(record.inputRate, 0x10000);
  EXPECT_EQ(record.inHiPlane, 2);
}

TEST_F(FilterPass, AbortAndAdvanceStateErrorsStopTheOnePass) {
  record.maxSpace = 7 * 20 * 4;
  DoPrepare(globals);
  gCalls.abortFrom = 1;  // the second test says stop
  DoStart(globals);
  EXPECT_EQ(globals.result, kUserCanceledErr);
  EXPECT_EQ(EngineRects(), (Rects{{0, 0, 4, 20}}));
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 0, 0})) << "rectangles cleared on a stop";

  testing::Plugin().engineCalls.clear();
  gCalls = Calls{};
  gCalls.failFrom = 2;
  gCalls.failWith = -42;
  globals.result = kNoErr;
  DoStart(globals);
  EXPECT_EQ(globals.result, -42);
  EXPECT_EQ(gCalls.advanceState, 3);
  EXPECT_EQ(EngineRects().size(), 2u);
  EXPECT_EQ(R(record.outRect), (std::vector<int>{0, 0, 0, 0}));
}

// A damaged block whose strip height is 0 or negative filters one row at a time: the pass
// always moves on and ends.
// An engine that stops early ends the pass with its reason, in either way of filtering: the
// host's Cancel asked at one of its steps gives -128, fields it could not have give -108.
TEST_F(FilterPass, AnEngineThatStopsEndsThePassWithItsReason) {
  record.maxSpace = 7 * 20 * 4;  // three strips
  DoPrepare(globals);
  for (bool oneway : {true, false})
    for (FrameOutcome outcome : {FrameOutcome::kCancelled, FrameOutcome::kOutOfMemory}) {
      SCOPED_TRACE(std::string(oneway ? "one-pass" : "multi-call") + " " +
                   (outcome == FrameOutcome::kCancelled ? "cancelled" : "out of memory"));
      testing::Plugin().engineCalls.clear();
      testing::Plugin().engine = [outcome](PluginGlobals& g, int mode) {
        const FrameView frame = FrameFromRecord(*g.filterRecord, mode);
        if (outcome == FrameOutcome::kOutOfMemory) return frame.OutOfMemory();
        while (!frame.Cancelled()) {  // steps until the host says stop
        }
      };
      gCalls = Calls{};
      gCalls.abortFrom = 3;  // at the engine's third step
      globals.result = kNoErr;
      record.advanceState = oneway ? AdvanceState : nullptr;
      DoStart(globals);
      if (!oneway) RunContinues();
      EXPECT_EQ(globals.result,
                outcome == FrameOutcome::kCancelled ? kUserCanceledErr : kMemFullErr);
      EXPECT_EQ(EngineRects().size(), 1u);
      EXPECT_EQ(gCalls.abortTests, outcome == FrameOutcome::kCancelled ? 4 : 1);
      EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 0, 0}));
    }
  EXPECT_EQ(TakeEngineOutcome(), FrameOutcome::kDone) << "taken by the pass";
}

TEST_F(FilterPass, DamagedStripHeightCountsAsOneRow) {
  for (int16 stored : {int16(0), int16(-7), int16(INT16_MIN)}) {
    SCOPED_TRACE(stored);
    testing::Plugin().engineCalls.clear();
    gCalls = Calls{};
    SetPicture(20, 3);
    ASSERT_TRUE(EnsureParameters(globals));
    Block().setRowsPerStrip(stored);
    DoStart(globals);
    EXPECT_EQ(EngineRects(), (Rects{{0, 0, 1, 20}, {1, 0, 2, 20}, {2, 0, 3, 20}}));

    testing::Plugin().engineCalls.clear();
    record.advanceState = nullptr;  // the multi-call way
    DoStart(globals);
    EXPECT_EQ(RunContinues(), (Rects{{0, 0, 1, 20}, {1, 0, 2, 20}, {2, 0, 3, 20}}));
    EXPECT_EQ(EngineRects().size(), 3u);
    record.advanceState = AdvanceState;
  }
}

TEST_F(FilterPass, MultiCallWayAsksForTheFirstStripWithPadding) {
  record.advanceState = nullptr;
  record.maxSpace = 7 * 20 * 4;
  DoPrepare(globals);
  DoStart(globals);
  EXPECT_EQ(globals.result, kNoErr);
  EXPECT_TRUE(testing::Plugin().engineCalls.empty());
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 4, 20}));
  EXPECT_EQ(R(record.maskRect), (std::vector<int>{0, 0, 4, 20}));
  EXPECT_EQ(record.inputPadding, 255);
  EXPECT_EQ(record.outputPadding, 255);
  EXPECT_EQ(record.maskPadding, 255);
  EXPECT_EQ(RunContinues(), (Rects{{0, 0, 4, 20}, {4, 0, 8, 20}, {8, 0, 12, 20}}));
  EXPECT_EQ(R(record.outRect), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(FilterPass, ContinueAfterTheOnePassAsksForNothing) {
  DoStart(globals);
  const size_t calls = testing::Plugin().engineCalls.size();
  record.inRect = {0, 0, 5, 5};
  DoContinue(globals);
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(testing::Plugin().engineCalls.size(), calls) << "no engine call";
}

// Strips near the last row the 16-bit rectangles can name end there; they never wrap round to
// negative rows, and the pass ends.
TEST_F(FilterPass, StripsNearTheLastRowDoNotWrapRound) {
  record.imageSize = {32767, 10};
  record.filterRect = {20000, 0, 32767, 10};
  ASSERT_TRUE(EnsureParameters(globals));
  Block().setRowsPerStrip(30000);  // kept from an earlier, taller picture
  DoStart(globals);
  EXPECT_EQ(EngineRects(), (Rects{{20000, 0, 32767, 10}}));
  ASSERT_EQ(gCalls.requested.size(), 1u);
  EXPECT_EQ(R(gCalls.requested[0]), (std::vector<int>{20000, 0, 32767, 10}));

  testing::Plugin().engineCalls.clear();
  record.advanceState = nullptr;
  record.filterRect = {100, 0, 32000, 10};
  Block().setRowsPerStrip(20000);
  DoStart(globals);
  EXPECT_EQ(RunContinues(), (Rects{{100, 0, 20100, 10}, {20100, 0, 32767, 10}}));
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(FilterPass, PreviewScaleOfTheExample) {
  SetPicture(1000, 800);
  globals.previewRect = {10, 15, 165, 178};  // 163 x 155, 159 x 151 after shrinking
  SetupPreview(globals);
  EXPECT_EQ(globals.result, kNoErr);
  EXPECT_EQ(R(globals.previewRect), (std::vector<int>{0, 0, 114, 142}));
  EXPECT_EQ(R(record.inRect), (std::vector<int>{0, 0, 114, 142}));
  EXPECT_EQ(R(record.outRect), (std::vector<int>{0, 0, 114, 142}));
  EXPECT_EQ(record.inputRate, 7 << 16);
  EXPECT_EQ(record.maskRate, 7 << 16);
  EXPECT_EQ(record.maskPadding, 255);
  EXPECT_EQ(gCalls.advanceState, 1);
}

// A preview area of four pixels or less counts as one pixel; the factor stays finite and positive.
TEST_F(FilterPass, DegeneratePreviewAreaIsGuarded) {
  SetPicture(300, 200);
  for (Rect16 area : {Rect16{0, 0, 0, 0}, Rect16{5, 5, 7, 9}, Rect16{50, 50, 10, 10}}) {
    globals.previewRect = area;
    SetupPreview(globals);
    EXPECT_EQ(record.inputRate, 301 << 16);
    EXPECT_EQ(R(globals.previewRect), (std::vector<int>{0, 0, 0, 0}));
  }
  SetPicture(32767, 100);
  globals.previewRect = {0, 0, 0, 0};
  SetupPreview(globals);
  EXPECT_GT(record.inputRate, 0) << "scale 32768 would not fit the 16.16 rate";
  EXPECT_EQ(record.inputRate, 32767 << 16);

  record.advanceState = nullptr;
  SetupPreview(globals);
  EXPECT_NE(globals.result, kNoErr) << "no advanceState: no preview";
}

}  // namespace
}  // namespace zar
