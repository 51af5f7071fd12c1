// The five shipped plug-ins under every host behaviour of HostOptions: each run's result and
// picture must be the textbook host's, the plug-in must ask for its dialog whenever the
// parameters selector came (natively the host answers for the user, OK or Cancel, through the
// modules' dialog hook), and a host that keeps the parameter block between runs must get the
// same settings back.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "interface/host_api.h"
#include "hosts/core/host.h"
#include "tests/hosts/test_paths.h"

namespace zar {
namespace {

using host::Host;
using host::HostOptions;
using host::Picture;

struct PluginCase {
  const char* file;
  size_t iterationsAt, showDialogAt;
};

const PluginCase kPlugins[] = {{"ZarCombustion", 24, 44},
                               {"ZarIce", 24, 44},
                               {"ZarCandle", 24, 44},
                               {"ZarFire", 20, 40},
                               {"ZarCryo", 20, 40}};

// Behaviours of hosts by their names (host.h), with what else such a host does.
struct Behaviour {
  std::vector<std::string> names;
  std::string more;  // what `set` adds
  std::function<void(HostOptions&)> set = [](HostOptions&) {};
  int planes = 3;
  bool keepsBlock = true;
};

// A strip budget of eight rows of the 40-pixel RGB picture: 27 rows go out as 8, 8, 8 and 3.
constexpr int32 kEightRows = 7 * 40 * 8;
constexpr int16 kGreyMode = 1;  // imageMode of a grey picture

void EightRows(HostOptions& o) { o.spaceLimit = kEightRows; }

std::vector<Behaviour> Behaviours() {
  return {
      {{"global-size"}, ""},
      {{"size-unknown"}, ""},
      {{"fresh-each-run"}, "", [](HostOptions&) {}, 3, false},
      {{"no-handle-suite"}, ""},
      {{"short-handle-suite"}, ""},
      {{"all-space"}, ""},
      {{"clip-in-record"}, "strips of eight rows", EightRows},
      {{"fetch-on-change"}, "strips of eight rows", EightRows},
      {{"output-from-destination"}, ""},
      {{}, "padded rows", [](HostOptions& o) { o.extraRowBytes = 5; }},
      {{"no-owner-window", "no-progress", "no-display-pixels", "no-advance-state"}, ""},
      {{}, "the preview refused", [](HostOptions& o) { o.refusePreview = true; }},
      {{},
       "stop after two strips",
       [](HostOptions& o) {
         EightRows(o);
         o.abortAfterStrips = 2;
       }},
      {{},
       "grey, padded rows",
       [](HostOptions& o) {
         o.imageMode = kGreyMode;
         o.extraRowBytes = 3;
       },
       1},
      {{"transparency"}, "padded rows", [](HostOptions& o) { o.extraRowBytes = 3; }, 4},
  };
}

Picture Source(int planes) {
  Picture p(40, 27, planes);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      for (int c = 0; c < planes; ++c) p.At(x, y)[c] = uint8_t(x * 5 + y * 9 + c * 70);
  return p;
}

// One host's sequence of five runs: with the dialog (OK), without it, then (when settings are
// chosen) a block of those settings handed over and a run without the dialog, a run with the
// dialog cancelled and one more without it. A host that keeps nothing asks for the dialog every
// run (dialogEveryRun).
constexpr size_t kRuns = 5, kCancelledRun = 3;

struct Sequence {
  std::vector<int16> results;
  std::vector<std::vector<uint8_t>> pictures;
  std::vector<uint8_t> blockAfter;
  int dialogsAsked = 0, parameterCalls = 0, dialogsAnswered = 0;
  std::string log;
};

// Each sequence loads the module afresh: the engines' random state lives as long as the module.
Sequence RunSequence(const PluginCase& plugin, const HostOptions& options, int planes,
                     const std::vector<uint8_t>& chosen, bool dialogEveryRun = false) {
  Sequence s;
  std::string error;
  auto module = host::PluginModule::Load(testing::PluginModulePath(plugin.file), &error);
  EXPECT_TRUE(module) << plugin.file << ": " << error;
  if (!module) return s;
  Host host(*module, options);
  host.afterSelector = [&](int16 selector) {
    if (selector != kSelectorParameters) return;
    ++s.parameterCalls;
    const std::vector<uint8_t> block = host.ParameterBlock();
    s.dialogsAsked += block.size() > plugin.showDialogAt && block[plugin.showDialogAt] == 1;
  };
  for (size_t run = 0; run < kRuns; ++run) {
    if (run == 2 && !chosen.empty()) host.SetParameterBlock(chosen);
    const bool cancel = run == kCancelledRun;
    host.options().dialogAnswer = cancel ? 0 : 1;
    Picture picture = Source(planes);
    s.results.push_back(host.Filter(picture, nullptr, run == 0 || cancel || dialogEveryRun));
    s.pictures.push_back(picture.pixels);
  }
  s.blockAfter = host.ParameterBlock();
  s.dialogsAnswered = host.dialogsAnswered();
  s.log = host.LogText();
  return s;
}

TEST(HostMatrix, EveryPluginGivesTheTextbookHostsPictureUnderEveryHostBehaviour) {
  for (const PluginCase& plugin : kPlugins) {
    // The defaults with fewer iterations: settings that show in the picture.
    const Sequence plain = RunSequence(plugin, HostOptions{}, 3, {});
    std::vector<uint8_t> chosen = plain.blockAfter;
    ASSERT_GT(chosen.size(), plugin.showDialogAt);
    chosen.resize(plugin.showDialogAt + 12);
    chosen[plugin.iterationsAt] = 200;
    for (size_t at = 0; at < 8; ++at) chosen[at] = uint8_t(chosen[at] + 3);

    for (const Behaviour& b : Behaviours()) {
      std::string label = plugin.file;
      for (const std::string& name : b.names) label += " " + name;
      SCOPED_TRACE(label + " " + b.more);
      HostOptions options;
      for (const std::string& name : b.names) ASSERT_TRUE(host::ApplyHostBehaviour(name, options));
      b.set(options);
      // The textbook host with the same picture and the same budget.
      HostOptions textbook;
      textbook.spaceLimit = options.spaceLimit;
      textbook.imageMode = options.imageMode;
      textbook.abortAfterStrips = options.abortAfterStrips;
      // The field engines' picture follows the row stride (their field is as wide as a row), so
      // a padded host is held to a textbook host with the same padding, and to its canaries.
      textbook.extraRowBytes = options.extraRowBytes;
      const Sequence want =
          RunSequence(plugin, textbook, b.planes, b.keepsBlock ? chosen : std::vector<uint8_t>{},
                      !b.keepsBlock);
      const Sequence got = RunSequence(plugin, options, b.planes, chosen);

      ASSERT_EQ(got.results.size(), kRuns);
      EXPECT_EQ(got.log.find("row padding"), std::string::npos) << got.log;
      // The plug-in asks for its dialog on every parameters selector (and opens it on RGB).
      EXPECT_EQ(got.parameterCalls, b.keepsBlock ? 2 : int(kRuns));
      EXPECT_EQ(got.dialogsAsked, got.parameterCalls);
      EXPECT_EQ(got.dialogsAnswered, b.planes == 1 ? 0 : got.parameterCalls);
      EXPECT_EQ(got.results, want.results);
      for (size_t run = 0; run < kRuns; ++run)
        EXPECT_TRUE(got.pictures[run] == want.pictures[run]) << "run " << run + 1;
      if (b.keepsBlock) {
        // The chosen settings outlive runs, a cancelled dialog included.
        ASSERT_GE(got.blockAfter.size(), plugin.showDialogAt);
        EXPECT_TRUE(std::equal(chosen.begin(), chosen.begin() + plugin.showDialogAt,
                               got.blockAfter.begin()))
            << "the chosen settings were lost";
      }
    }

    // The checks above can tell: the chosen settings change the picture, the default run
    // filters, a cancelled dialog cancels and keeps the picture, a stopped run is cancelled, and
    // a grey picture is refused with the warning.
    const Sequence chosenRun = RunSequence(plugin, HostOptions{}, 3, chosen);
    EXPECT_NE(plain.pictures[0], Source(3).pixels) << plugin.file;
    EXPECT_NE(chosenRun.pictures[2], plain.pictures[0]) << plugin.file;
    EXPECT_EQ(plain.results[kCancelledRun], kUserCanceledErr);
    EXPECT_EQ(plain.pictures[kCancelledRun], Source(3).pixels);
    HostOptions stopping;
    stopping.spaceLimit = kEightRows;
    stopping.abortAfterStrips = 2;
    EXPECT_EQ(RunSequence(plugin, stopping, 3, {}).results[0], kUserCanceledErr);
    HostOptions grey;
    grey.imageMode = kGreyMode;
    const Sequence greyRun = RunSequence(plugin, grey, 1, {});
    EXPECT_NE(greyRun.log.find("I'm work only this 24 Bit's images"), std::string::npos);
  }
}

}  // namespace
}  // namespace zar
