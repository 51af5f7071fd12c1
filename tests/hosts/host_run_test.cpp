// The filtering protocol end to end: the real framework in a plug-in module (the test module,
// which records its engine calls), driven by the host core. The same tests run natively and,
// under Wine, with the 64-bit Windows module.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "interface/host_api.h"
#include "hosts/core/host.h"
#include "tests/hosts/test_module/test_module_api.h"
#include "tests/hosts/test_paths.h"

namespace zar {
namespace {

using host::Host;
using host::HostOptions;
using host::LogKind;
using host::Picture;

constexpr Fixed kRateOne = 0x10000;
// Where the Fire block keeps its fields (the test module has Fire's layout).
constexpr size_t kOxygenAt = 0, kIterationsAt = 20, kRowsPerStripAt = 42, kUseAdvanceStateAt = 49,
                 kHostIsPremiereAt = 50, kFireBlockSize = 52;

std::vector<int> R(const Rect16& r) { return {r.top, r.left, r.bottom, r.right}; }
std::vector<int> R(int top, int left, int bottom, int right) { return {top, left, bottom, right}; }

Picture Gradient(int width, int height, int planes, int padding = 0) {
  Picture p(width, height, planes, padding);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < planes; ++c) p.At(x, y)[c] = uint8_t(x * 7 + y * 13 + c * 50);
  return p;
}

Picture Ellipse(int width, int height) {
  Picture m(width, height, 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - width / 2.0) / (width / 2.0);
      const double dy = (y + 0.5 - height / 2.0) / (height / 2.0);
      *m.At(x, y) = dx * dx + dy * dy <= 1.0 ? 255 : 0;
    }
  return m;
}

// What the test module's engine makes of a picture: the first three samples inverted inside the
// selection and the filter rectangle, everything else as it was.
Picture Rendered(const Picture& source, const Picture* mask = nullptr,
                 Rect16 area = {0, 0, 30000, 30000}) {
  Picture out = source;
  for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, source.height); ++y)
    for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, source.width); ++x)
      if (!mask || *mask->At(x, y))
        for (int c = 0; c < std::min(3, source.planes); ++c)
          out.At(x, y)[c] = uint8_t(255 - source.At(x, y)[c]);
  return out;
}

bool SamePixels(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.planes != b.planes) return false;
  for (int y = 0; y < a.height; ++y)
    if (!std::equal(a.Row(y), a.Row(y) + a.width * a.planes, b.Row(y))) return false;
  return true;
}

int32 Read32(const std::vector<uint8_t>& b, size_t at) {
  return int32(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
               uint32_t(b[at + 3]) << 24);
}
int16 Read16(const std::vector<uint8_t>& b, size_t at) { return int16(b[at] | b[at + 1] << 8); }

class HostRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    module = host::PluginModule::Load(testing::TestModulePath(), &error);
    ASSERT_TRUE(module) << testing::TestModulePath() << ": " << error;
    auto proc = reinterpret_cast<ZarTestModuleProc>(module->FindExport("ZarTestModule"));
    ASSERT_NE(proc, nullptr);
    state = proc();
    *state = ZarTestModuleState{};
  }

  std::vector<ZarTestEngineCall> Calls(int mode = -1) const {
    std::vector<ZarTestEngineCall> calls;
    for (int i = 0; i < std::min(state->callCount, kZarTestMaxCalls); ++i)
      if (mode < 0 || state->calls[i].mode == mode) calls.push_back(state->calls[i]);
    return calls;
  }
  std::vector<std::vector<int>> EngineRects(int mode = 1) const {
    std::vector<std::vector<int>> rects;
    for (const ZarTestEngineCall& call : Calls(mode)) rects.push_back(R(call.outRect));
    return rects;
  }
  static std::vector<std::vector<int>> InRects(const Host& host) {
    std::vector<std::vector<int>> rects;
    for (const host::StripRequest& r : host.Requests()) rects.push_back(R(r.inRect));
    return rects;
  }
  static std::vector<std::string> Selectors(const Host& host) {
    std::vector<std::string> names;
    for (const host::LogEntry& e : host.Log())
      if (e.kind == LogKind::kSelector) names.push_back(host::SelectorName(e.selector));
    return names;
  }

  std::unique_ptr<host::PluginModule> module;
  ZarTestModuleState* state = nullptr;
};

using Names = std::vector<std::string>;
using Rects = std::vector<std::vector<int>>;

// A host that is not under test keeps no log of the callbacks, so that its memory does not grow
// with the steps of a run; messages and notes are still kept, and the picture is the same.
TEST_F(HostRun, WithoutTheCallbackLogOnlyMessagesAndNotesAreKept) {
  const Picture source = Gradient(40, 30, 3);
  HostOptions options;
  options.logCallbacks = false;
  Host host(*module, options);
  Picture picture = source;
  EXPECT_EQ(host.Filter(picture), kNoErr);
  EXPECT_TRUE(SamePixels(picture, Rendered(source)));
  EXPECT_TRUE(host.Log().empty()) << host.LogText();
  const Picture otherSize = Gradient(10, 10, 1);
  EXPECT_EQ(host.Filter(picture, &otherSize), kFilterBadParameters);
  ASSERT_EQ(host.Log().size(), 1u);
  EXPECT_EQ(host.Log()[0].note, "mask does not fit the picture");
}

TEST_F(HostRun, FilterRectangleWithinTheSpaceLimitIsOneStripAndOneEngineCall) {
  Picture picture = Gradient(40, 30, 3);
  const Picture expected = Rendered(picture);
  Host host(*module);
  EXPECT_EQ(host.Filter(picture), kNoErr);
  EXPECT_EQ(Selectors(host), (Names{"parameters", "prepare", "start", "finish"}));
  ASSERT_EQ(host.Requests().size(), 1u);
  const host::StripRequest request = host.Requests()[0];
  EXPECT_EQ(request.via, "advanceState");
  EXPECT_EQ(R(request.inRect), R(0, 0, 30, 40));
  EXPECT_EQ(R(request.outRect), R(0, 0, 30, 40));
  EXPECT_EQ(R(request.maskRect), R(0, 0, 30, 40));
  EXPECT_EQ(request.inLoPlane, 0);
  EXPECT_EQ(request.inHiPlane, 2);
  EXPECT_EQ(request.outHiPlane, 2);
  EXPECT_EQ(request.inputRate, kRateOne);
  EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 30, 40)}));
  EXPECT_EQ(state->callCount, 1);
  EXPECT_TRUE(SamePixels(picture, expected));
  // Prepare asks for exactly what one strip of the whole rectangle costs.
  EXPECT_EQ(host.Log()[1].maxSpace, (2 * 3 + 1) * 40 * 30);
  EXPECT_EQ(Read16(host.ParameterBlock(), kRowsPerStripAt), 30);
  // The plug-in's progress: one report for the one strip.
  EXPECT_EQ(host.Count(LogKind::kProgress), 1);
}

TEST_F(HostRun, TenRowsInStripsOfFour) {
  Picture picture = Gradient(20, 10, 3);
  const Picture expected = Rendered(picture);
  HostOptions options;
  options.spaceLimit = (2 * 3 + 1) * 20 * 4;  // room for four rows
  Host host(*module, options);
  EXPECT_EQ(host.Filter(picture), kNoErr);
  EXPECT_EQ(Read16(host.ParameterBlock(), kRowsPerStripAt), 4);
  EXPECT_EQ(InRects(host), (Rects{R(0, 0, 4, 20), R(4, 0, 8, 20), R(8, 0, 12, 20)}));
  for (const host::StripRequest& r : host.Requests()) {
    EXPECT_EQ(r.via, "advanceState");
    EXPECT_EQ(R(r.outRect), R(r.inRect));
    EXPECT_EQ(R(r.maskRect), R(r.inRect));
  }
  // In the one-pass way the last strip's extent stops at the picture's edge.
  EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 4, 20), R(4, 0, 8, 20), R(8, 0, 10, 20)}));
  EXPECT_EQ(host.CountSelector(kSelectorContinue), 0);
  EXPECT_TRUE(SamePixels(picture, expected));
  std::vector<std::pair<int, int>> progress;
  for (const host::LogEntry& e : host.Log())
    if (e.kind == LogKind::kProgress) progress.push_back({e.done, e.total});
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{4, 10}, {8, 10}, {10, 10}}));
}

// Without advanceState (or without displayPixels) the host calls continue once per strip; the
// plug-in asks for rows outside the picture to be padded with 255.
TEST_F(HostRun, MultiCallWayWithoutAdvanceStateOrDisplayPixels) {
  for (int missing = 0; missing < 2; ++missing) {
    SCOPED_TRACE(missing == 0 ? "no advanceState" : "no displayPixels");
    *state = ZarTestModuleState{};
    Picture picture = Gradient(20, 10, 3);
    const Picture expected = Rendered(picture);
    HostOptions options;
    options.spaceLimit = (2 * 3 + 1) * 20 * 4;
    (missing == 0 ? options.offerAdvanceState : options.offerDisplayPixels) = false;
    Host host(*module, options);
    EXPECT_EQ(host.Filter(picture), kNoErr);
    EXPECT_EQ(Selectors(host), (Names{"parameters", "prepare", "start", "continue", "continue",
                                      "continue", "finish"}));
    EXPECT_EQ(host.advanceStateCalls(), 0);
    const auto requests = host.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].via, "start");
    EXPECT_EQ(requests[1].via, "continue");
    for (const host::StripRequest& r : requests) {
      EXPECT_EQ(r.inputPadding, 255);
      EXPECT_EQ(r.outputPadding, 255);
      EXPECT_EQ(r.maskPadding, 255);
      EXPECT_EQ(r.inputRate, kRateOne);
      EXPECT_EQ(r.maskRate, kRateOne);
    }
    EXPECT_EQ(InRects(host), (Rects{R(0, 0, 4, 20), R(4, 0, 8, 20), R(8, 0, 12, 20)}));
    // One engine call per continue; the last strip is not clipped in this way.
    EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 4, 20), R(4, 0, 8, 20), R(8, 0, 12, 20)}));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].lastRowFirstSample, 255) << "row 11 lies outside the picture";
    EXPECT_EQ(calls[1].lastRowFirstSample, 7 * 13) << "row 7 of the picture";
    EXPECT_TRUE(SamePixels(picture, expected));
    EXPECT_EQ(host.ParameterBlock()[kUseAdvanceStateAt], 0);
  }
}

TEST_F(HostRun, AbortBeforeTheFirstStripCancelsWithoutAnEngineCall) {
  for (bool oneway : {true, false}) {
    SCOPED_TRACE(oneway ? "one-pass way" : "multi-call way");
    *state = ZarTestModuleState{};
    Picture picture = Gradient(20, 10, 3);
    const Picture original = picture;
    HostOptions options;
    options.abortAfterStrips = 0;
    options.offerAdvanceState = oneway;
    Host host(*module, options);
    EXPECT_EQ(host.Filter(picture), kUserCanceledErr);
    EXPECT_EQ(state->callCount, 0);
    EXPECT_GE(host.abortCalls(), 1);
    EXPECT_EQ(Selectors(host).back(), "finish") << "an abort still ends with finish";
    EXPECT_TRUE(SamePixels(picture, original));
  }
}

TEST_F(HostRun, AbortAfterOneStripStopsThePass) {
  Picture picture = Gradient(20, 10, 3);
  HostOptions options;
  options.spaceLimit = (2 * 3 + 1) * 20 * 4;
  options.abortAfterStrips = 1;
  Host host(*module, options);
  EXPECT_EQ(host.Filter(picture), kUserCanceledErr);
  EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 4, 20)}));
  EXPECT_EQ(host.Requests().size(), 1u);
}

TEST_F(HostRun, AdvanceStateErrorIsReturnedUnchangedAndStopsThePass) {
  for (int at : {0, 1}) {
    SCOPED_TRACE(at);
    *state = ZarTestModuleState{};
    Picture picture = Gradient(20, 10, 3);
    const Picture original = picture;
    HostOptions options;
    options.spaceLimit = (2 * 3 + 1) * 20 * 4;
    options.advanceStateError = -1234;
    options.advanceStateErrorAt = at;
    Host host(*module, options);
    EXPECT_EQ(host.Filter(picture), -1234);
    EXPECT_EQ(host.advanceStateCalls(), at + 1);
    EXPECT_EQ(state->callCount, at);
    const auto log = host.Log();
    auto start = std::find_if(log.begin(), log.end(), [](const host::LogEntry& e) {
      return e.kind == LogKind::kSelector && e.selector == kSelectorStart;
    });
    ASSERT_NE(start, log.end());
    EXPECT_EQ(start->result, -1234);
    EXPECT_EQ(Selectors(host), (Names{"parameters", "prepare", "start", "finish"}));
    EXPECT_EQ(host.Requests().back().result, -1234);
    EXPECT_TRUE(SamePixels(picture, original)) << "a failed run leaves the picture";
  }
}

// Pictures that are not RGB: no dialog, one warning per engine call, the picture unchanged.
TEST_F(HostRun, GreyAndCmykPicturesAreWarnedAboutAndLeftUnchanged) {
  struct Mode {
    int16 imageMode;
    int planes;
  };
  for (Mode mode : {Mode{1, 1}, Mode{4, 4}}) {
    SCOPED_TRACE(mode.imageMode);
    *state = ZarTestModuleState{};
    state->config.dialog = kZarTestDialogOk;
    Picture picture = Gradient(16, 12, mode.planes);
    const Picture original = picture;
    HostOptions options;
    options.imageMode = mode.imageMode;
    options.spaceLimit = (2 * mode.planes + 1) * 16 * 5;  // strips of five rows
    options.outputFill = 0x5A;                            // the engine must write every sample
    Host host(*module, options);
    EXPECT_EQ(host.Filter(picture), kNoErr);
    EXPECT_EQ(state->dialogRuns, 0);
    EXPECT_EQ(state->callCount, 3);
    const auto messages = host.Messages();
    ASSERT_EQ(int(messages.size()), state->callCount);
    for (const host::LogEntry& m : messages) {
      EXPECT_EQ(m.window.caption, "Sory");
      EXPECT_EQ(m.window.text, "I'm work only this 24 Bit's images");
      EXPECT_EQ(m.window.icon, host::os::Icon::kWarning);
      EXPECT_EQ(m.window.owner, 0) << "a message box without owner";
    }
    // Each message belongs to an engine call: it follows the strip's request.
    const auto log = host.Log();
    for (size_t i = 0; i < log.size(); ++i)
      if (log[i].kind == LogKind::kMessage) {
        ASSERT_GT(i, 0u);
        EXPECT_EQ(log[i - 1].kind, LogKind::kRequest);
      }
    EXPECT_TRUE(SamePixels(picture, original));
  }
}

// A repeated run (no parameters selector) renders with the settings the dialog stored and keeps
// the strip height the larger picture gave.
TEST_F(HostRun, RepeatedRunUsesTheStoredSettingsAndKeepsTheLargerStrip) {
  state->config.dialog = kZarTestDialogOk;
  state->config.previewFrame = {10, 15, 165, 178};
  state->config.okOxygen = 77;
  state->config.okIterations = 9;
  Host host(*module);
  Picture large = Gradient(60, 50, 3);
  EXPECT_EQ(host.Filter(large), kNoErr);
  EXPECT_EQ(state->dialogRuns, 1);
  ASSERT_EQ(Calls(1).size(), 1u);
  EXPECT_EQ(Calls(1)[0].oxygen, 77);
  EXPECT_EQ(Calls(1)[0].iterationCount, 9);
  EXPECT_EQ(Read16(host.ParameterBlock(), kRowsPerStripAt), 50);

  host.ClearLog();
  *state = ZarTestModuleState{};
  state->config.dialog = kZarTestDialogOk;  // would change the settings, were it opened
  state->config.okOxygen = 5;
  Picture small = Gradient(30, 20, 3);
  const Picture expected = Rendered(small);
  EXPECT_EQ(host.Filter(small, nullptr, false), kNoErr);
  EXPECT_EQ(Selectors(host), (Names{"prepare", "start", "finish"}));
  EXPECT_EQ(state->dialogRuns, 0);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].oxygen, 77);
  EXPECT_EQ(Calls()[0].iterationCount, 9);
  const auto block = host.ParameterBlock();
  EXPECT_EQ(Read16(block, kRowsPerStripAt), 50) << "never lowered";
  EXPECT_EQ(block[kOxygenAt], 77);
  EXPECT_EQ(Read32(block, kIterationsAt), 9);
  // The request still asks for 50 rows; the engine's extent stops at the picture.
  EXPECT_EQ(InRects(host), (Rects{R(0, 0, 50, 30)}));
  EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 20, 30)}));
  EXPECT_TRUE(SamePixels(small, expected));
}

// The dialog's preview request: a preview area of 159 x 151 pixels (after shrinking) over a
// 1000 x 800 filter rectangle gives scale 7.
TEST_F(HostRun, PreviewRequestReducesThePictureBySeven) {
  state->config.dialog = kZarTestDialogOk;
  state->config.previewFrame = {10, 15, 165, 178};  // 163 x 155
  Picture picture = Gradient(1000, 800, 3);
  const Picture source = picture;
  const Picture expected = Rendered(picture);
  Host host(*module);
  std::vector<uint8_t> shown;
  int32 shownRowBytes = 0;
  host.onDisplayPixels = [&](const PSPixelMap& map, const VRect& src, int32, int32, void*) {
    const auto* base = static_cast<const uint8_t*>(map.baseAddr);
    shown.assign(base, base + size_t(map.rowBytes) * size_t(src.bottom - src.top));
    shownRowBytes = map.rowBytes;
    return kNoErr;
  };
  EXPECT_EQ(host.Filter(picture), kNoErr);
  EXPECT_EQ(state->previewResult, kNoErr);
  EXPECT_EQ(R(state->previewRect), R(0, 0, 114, 142));
  const auto requests = host.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(R(requests[0].inRect), R(0, 0, 114, 142));
  EXPECT_EQ(R(requests[0].outRect), R(0, 0, 114, 142));
  EXPECT_EQ(R(requests[0].maskRect), R(0, 0, 114, 142));
  EXPECT_EQ(requests[0].inputRate, 7 * kRateOne);
  EXPECT_EQ(requests[0].maskRate, 7 * kRateOne);
  EXPECT_EQ(requests[0].inputPadding, 255);
  EXPECT_EQ(R(requests[1].inRect), R(0, 0, 800, 1000)) << "then the whole picture";
  EXPECT_EQ(requests[1].inputRate, kRateOne);
  EXPECT_EQ(EngineRects(0), (Rects{R(0, 0, 114, 142)}));
  EXPECT_EQ(EngineRects(1), (Rects{R(0, 0, 800, 1000)}));
  EXPECT_EQ(Calls(0)[0].iterationCount, 1) << "one step per preview rendering";

  // The preview showed every seventh pixel of the picture, rendered.
  ASSERT_EQ(host.Count(LogKind::kDisplay), 1);
  for (const host::LogEntry& e : host.Log())
    if (e.kind == LogKind::kDisplay) {
      EXPECT_EQ(e.srcRect.bottom, 114);
      EXPECT_EQ(e.srcRect.right, 142);
      EXPECT_EQ(e.dstRow, 0);
      EXPECT_EQ(e.imageMode, kImageModeRGB);
    }
  ASSERT_EQ(shown.size(), size_t(shownRowBytes) * 114);
  for (int y : {0, 1, 57, 113})
    for (int x : {0, 1, 70, 141})
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(shown[size_t(y) * size_t(shownRowBytes) + size_t(x) * 3 + size_t(c)],
                  255 - source.At(7 * x, 7 * y)[c])
            << x << "," << y;
  // The preview's output never reaches the picture; the final pass does.
  EXPECT_TRUE(SamePixels(picture, expected));
}

TEST_F(HostRun, RefusedPreviewFallsBackToTheMultiCallWay) {
  state->config.dialog = kZarTestDialogOk;
  state->config.previewFrame = {10, 15, 165, 178};
  Picture picture = Gradient(400, 300, 3);  // reduced by 3 for the preview
  const Picture expected = Rendered(picture);
  HostOptions options;
  options.refusePreview = true;
  Host host(*module, options);
  EXPECT_EQ(host.Filter(picture), kNoErr);
  EXPECT_EQ(state->previewResult, kFilterBadParameters);
  EXPECT_EQ(state->useAdvanceStateAfterDialog, 0);
  EXPECT_TRUE(Calls(0).empty()) << "no preview";
  EXPECT_EQ(host.Count(LogKind::kMessage), 0) << "and no message";
  EXPECT_EQ(Selectors(host), (Names{"parameters", "prepare", "start", "continue", "finish"}));
  const auto requests = host.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].result, kFilterBadParameters);
  EXPECT_EQ(requests[0].inputRate, 3 * kRateOne);
  EXPECT_EQ(requests[1].via, "start");
  EXPECT_EQ(requests[1].inputPadding, 255);
  EXPECT_EQ(requests[1].inputRate, kRateOne);
  EXPECT_EQ(EngineRects(), (Rects{R(0, 0, 300, 400)}));
  EXPECT_TRUE(SamePixels(picture, expected));
}

TEST_F(HostRun, CancelledDialogRendersNothing) {
  state->config.dialog = kZarTestDialogCancel;
  state->config.previewFrame = {10, 15, 165, 178};
  Picture picture = Gradient(40, 30, 3);
  const Picture original = picture;
  Host host(*module);
  EXPECT_EQ(host.Filter(picture), kUserCanceledErr);
  EXPECT_EQ(Calls(0).size(), 1u);
  EXPECT_TRUE(Calls(1).empty());
  EXPECT_EQ(Selectors(host), (Names{"parameters", "prepare", "start", "finish"}));
  EXPECT_TRUE(SamePixels(picture, original));
}

TEST_F(HostRun, MorePlanesPaddedRowsAndASelection) {
  for (int planes : {3, 4, 5}) {
    for (int padding : {0, 3}) {
      SCOPED_TRACE("planes " + std::to_string(planes) + ", padding " + std::to_string(padding));
      *state = ZarTestModuleState{};
      Picture picture = Gradient(33, 21, planes);
      const Picture mask = Ellipse(33, 21);
      const Picture expected = Rendered(picture, &mask);
      HostOptions options;
      options.extraRowBytes = padding;
      options.spaceLimit = (2 * planes + 1) * 33 * 8;
      Host host(*module, options);
      EXPECT_EQ(host.Filter(picture, &mask), kNoErr);
      const auto calls = Calls();
      ASSERT_EQ(calls.size(), 3u);
      for (const ZarTestEngineCall& call : calls) {
        EXPECT_EQ(call.planes, planes);
        EXPECT_EQ(call.haveMask, 1);
        EXPECT_EQ(call.inRowBytes, 33 * planes + padding);
        EXPECT_EQ(call.outRowBytes, 33 * planes + padding);
        EXPECT_EQ(call.maskRowBytes, 33 + padding);
      }
      for (const host::StripRequest& r : host.Requests()) EXPECT_EQ(r.outHiPlane, planes - 1);
      EXPECT_TRUE(SamePixels(picture, expected));
      EXPECT_EQ(host.Count(LogKind::kNote), 0) << host.LogText();
    }
  }
}

TEST_F(HostRun, OutputStaysInsideTheFilterRectangle) {
  Picture picture = Gradient(30, 20, 3);
  const Rect16 area{3, 5, 13, 25};
  const Picture expected = Rendered(picture, nullptr, area);
  HostOptions options;
  options.filterRect = area;
  options.spaceLimit = (2 * 3 + 1) * 20 * 4;
  Host host(*module, options);
  EXPECT_EQ(host.Filter(picture), kNoErr);
  // Strips of four rows from row 3; the last one reaches past the rectangle (rows 11 to 15).
  EXPECT_EQ(InRects(host), (Rects{R(3, 5, 7, 25), R(7, 5, 11, 25), R(11, 5, 15, 25)}));
  EXPECT_TRUE(SamePixels(picture, expected));
}

// A block the host hands in is used as it is; one too small for the layout is replaced.
TEST_F(HostRun, ParameterBlockHandedInIsUsedAndWrittenBack) {
  // The first run makes a block with Fire's defaults; change two settings in a copy.
  std::vector<uint8_t> block;
  {
    Host first(*module);
    Picture picture = Gradient(8, 8, 3);
    ASSERT_EQ(first.Filter(picture), kNoErr);
    block = first.ParameterBlock();
  }
  ASSERT_GE(block.size(), kFireBlockSize);
  block.resize(kFireBlockSize);
  EXPECT_EQ(block[kOxygenAt], 10) << "Fire's default";
  block[kOxygenAt] = 33;
  block[kIterationsAt] = 5;

  *state = ZarTestModuleState{};
  Host host(*module);
  host.SetParameterBlock(block);
  Picture picture = Gradient(12, 9, 3);
  EXPECT_EQ(host.Filter(picture, nullptr, false), kNoErr);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].oxygen, 33);
  EXPECT_EQ(Calls()[0].iterationCount, 5);
  const auto after = host.ParameterBlock();
  ASSERT_EQ(after.size(), kFireBlockSize) << "still the host's handle";
  EXPECT_EQ(after[kOxygenAt], 33);
  EXPECT_EQ(Read16(after, kRowsPerStripAt), 9);

  *state = ZarTestModuleState{};
  Host other(*module);
  other.SetParameterBlock(std::vector<uint8_t>(10, 0xAB));
  EXPECT_EQ(other.Filter(picture, nullptr, false), kNoErr);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].oxygen, 10) << "the short block was replaced by the defaults";
  EXPECT_GE(other.ParameterBlock().size(), kFireBlockSize);
}

// Without a handle suite the plug-in sizes the host's block itself: one too small for the layout
// is replaced by the defaults instead of being read (and written) past its end.
TEST_F(HostRun, ShortBlockFromAHostWithoutHandleSuiteIsReplaced) {
  HostOptions options;
  options.offerHandleSuite = false;
  Host host(*module, options);
  host.SetParameterBlock(std::vector<uint8_t>(10, 0xAB));
  Picture picture = Gradient(12, 9, 3);
  EXPECT_EQ(host.Filter(picture, nullptr, false), kNoErr);
  ASSERT_EQ(Calls().size(), 1u);
  EXPECT_EQ(Calls()[0].oxygen, 10) << "Fire's default, not a byte of the short block";
  const auto after = host.ParameterBlock();
  ASSERT_GE(after.size(), kFireBlockSize);
  EXPECT_EQ(Read16(after, kRowsPerStripAt), 9);
}

// Between runs the plug-in's own block stays in its handle: the host sizes it by its signature.
TEST_F(HostRun, PluginHandlesAreRecognisedAcrossRuns) {
  for (bool suite : {true, false}) {
    SCOPED_TRACE(suite ? "with the handle suite" : "without the handle suite");
    HostOptions options;
    options.offerHandleSuite = suite;
    Host host(*module, options);
    Picture large = Gradient(20, 40, 3);
    ASSERT_EQ(host.Filter(large), kNoErr);
    const auto first = host.ParameterBlock();
    ASSERT_GE(first.size(), kFireBlockSize);
    Picture small = Gradient(20, 10, 3);
    ASSERT_EQ(host.Filter(small, nullptr, false), kNoErr);
    const auto second = host.ParameterBlock();
    ASSERT_GE(second.size(), kFireBlockSize);
    EXPECT_EQ(Read16(second, kRowsPerStripAt), 40) << "the same block, not a fresh one";
    EXPECT_EQ(host.handleCounts().unknown, 0);
  }
}

TEST_F(HostRun, AboutShowsTheTextsInAnInformationBoxOwnedByTheHostWindow) {
  for (const char* file : {"test module", "ZarFire", "ZarCombustion"}) {
    SCOPED_TRACE(file);
    std::string error;
    std::unique_ptr<host::PluginModule> plugin;
    if (std::string(file) != "test module") {
      plugin = host::PluginModule::Load(testing::PluginModulePath(file), &error);
      ASSERT_TRUE(plugin) << testing::PluginModulePath(file) << ": " << error;
    }
    Host host(plugin ? *plugin : *module);
    EXPECT_EQ(host.About(), kNoErr);
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string title = std::string(file) == "ZarCombustion" ? "ZAR Combustion" : "ZAR Fire";
    EXPECT_EQ(messages[0].window.caption, title);
    EXPECT_EQ(messages[0].window.text,
              title + " 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved.");
    EXPECT_EQ(messages[0].window.icon, host::os::Icon::kInformation);
    EXPECT_EQ(messages[0].window.owner, host.hostWindow());
    EXPECT_EQ(Selectors(host), (Names{"about"}));
    EXPECT_TRUE(host.ParameterBlock().empty()) << "about makes no parameter block";
  }
}

TEST_F(HostRun, LogOfTheTenRowExample) {
  Picture picture = Gradient(20, 10, 3);
  HostOptions options;
  options.spaceLimit = (2 * 3 + 1) * 20 * 4;
  options.offerAdvanceState = false;
  Host host(*module, options);
  ASSERT_EQ(host.Filter(picture, nullptr, false), kNoErr);
  EXPECT_EQ(host.LogText(),
            "selector prepare -> 0 (maxSpace 560)\n"
            "selector start -> 0\n"
            "request via start: in (0,0,4,20) planes 0-2, out (0,0,4,20) planes 0-2, mask "
            "(0,0,4,20), rate 1/1, padding 255/255/255, row bytes 60/60/0 -> 0\n"
            "progress 4/10\n"
            "selector continue -> 0\n"
            "request via continue: in (4,0,8,20) planes 0-2, out (4,0,8,20) planes 0-2, mask "
            "(4,0,8,20), rate 1/1, padding 255/255/255, row bytes 60/60/0 -> 0\n"
            "progress 8/10\n"
            "selector continue -> 0\n"
            "request via continue: in (8,0,12,20) planes 0-2, out (8,0,12,20) planes 0-2, mask "
            "(8,0,12,20), rate 1/1, padding 255/255/255, row bytes 60/60/0 -> 0\n"
            "progress 10/10\n"
            "selector continue -> 0\n"
            "selector finish -> 0\n");
}

}  // namespace
}  // namespace zar
