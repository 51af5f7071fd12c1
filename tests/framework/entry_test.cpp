#include "framework/entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/globals.h"
#include "framework/handles.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "platform/platform.h"
#include "tests/support/test_plugin.h"

namespace zar {
namespace {

class EntryPoint : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetTestPlugin(kCombustionTable);
    record.imageMode = kImageModeRGB;
    record.planes = 3;
    record.filterRect = {0, 0, 10, 20};
    record.imageSize = {10, 20};
    record.maxSpace = 1 << 20;
  }
  void TearDown() override {
    if (record.parameters && IsPluginHandle(record.parameters))
      DisposePluginHandle(record.parameters);
    if (data) DisposePluginHandle(reinterpret_cast<Handle>(data));
  }
  int16 Call(int16 selector, void* rec) {
    int16 result = 12345;
    ENTRYPOINT(selector, rec, &data, &result);
    return result;
  }
  int16 Call(int16 selector) { return Call(selector, &record); }
  PluginGlobals Globals() const {
    PluginGlobals g;
    std::memcpy(&g, *reinterpret_cast<Handle>(data), sizeof g);
    return g;
  }

  FilterRecord record{};
  intptr_t data = 0;
};

TEST_F(EntryPoint, FirstCallMakesTheGlobalsHandleEvenForAbout) {
  std::vector<std::string> messages;
  PlatformData platform{0x1234};
  AboutRecord about{};
  about.platformData = &platform;
  EXPECT_EQ(Call(kSelectorAbout, &about), kNoErr);
  ASSERT_NE(data, 0);
  EXPECT_TRUE(IsPluginHandle(reinterpret_cast<Handle>(data)));
  // The about selector touches only the globals: no parameter block was made.
  EXPECT_EQ(record.parameters, nullptr);
  const PluginGlobals g = Globals();
  EXPECT_EQ(g.result, kNoErr);
  EXPECT_EQ(static_cast<void*>(g.filterRecord), static_cast<void*>(&about));
}

TEST_F(EntryPoint, GlobalsHandleFailureGivesOutOfMemoryAndNothingElse) {
  platform::testing::FailAllocationsAfter(0);
  EXPECT_EQ(Call(kSelectorParameters), kMemFullErr);
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_EQ(data, 0);
  EXPECT_EQ(record.parameters, nullptr);
}

TEST_F(EntryPoint, ParameterBlockFailureGivesOutOfMemory) {
  // The globals handle (two blocks) succeeds, the parameter block does not.
  platform::testing::FailAllocationsAfter(2);
  EXPECT_EQ(Call(kSelectorParameters), kMemFullErr);
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_NE(data, 0);
  EXPECT_EQ(record.parameters, nullptr);
  EXPECT_EQ(Globals().result, kMemFullErr);
  // The next call starts from a clean result and makes the block.
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  EXPECT_NE(record.parameters, nullptr);
}

TEST_F(EntryPoint, ParametersSelectorSetsShowDialog) {
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  PluginGlobals g = Globals();
  g.filterRecord = &record;
  EXPECT_EQ(BlockOf(g).showDialog(), 1);
}

TEST_F(EntryPoint, SelectorsOutsideTheProtocolChangeOnlyTheResult) {
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  PluginGlobals before = Globals();
  before.previewRect = {1, 2, 3, 4};
  std::memcpy(*reinterpret_cast<Handle>(data), &before, sizeof before);
  const FilterRecord recordBefore = record;
  std::vector<char> blockBefore(*record.parameters, *record.parameters + 56);

  for (int16 selector : {int16(6), int16(-1), int16(100), int16(-32768)}) {
    EXPECT_EQ(Call(selector), kFilterBadParameters) << selector;
    const PluginGlobals after = Globals();
    EXPECT_EQ(after.result, kFilterBadParameters);
    EXPECT_EQ(after.previewRect.top, 1);
    EXPECT_EQ(after.previewRect.right, 4);
    EXPECT_EQ(0, std::memcmp(&record, &recordBefore, sizeof record));
    EXPECT_EQ(std::vector<char>(*record.parameters, *record.parameters + 56), blockBefore);
  }
  EXPECT_TRUE(testing::Plugin().engineCalls.empty());
}

TEST_F(EntryPoint, FinishDoesNothingAndSucceeds) {
  EXPECT_EQ(Call(kSelectorFinish), kNoErr);
  EXPECT_EQ(record.parameters, nullptr);
}

TEST_F(EntryPoint, PreviewRectSurvivesBetweenCalls) {
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  PluginGlobals g = Globals();
  g.previewRect = {5, 6, 7, 8};
  std::memcpy(*reinterpret_cast<Handle>(data), &g, sizeof g);
  EXPECT_EQ(Call(kSelectorFinish), kNoErr);
  EXPECT_EQ(Globals().previewRect.bottom, 7);
}

TEST_F(EntryPoint, ResultOfTheHandlersIsWhatTheHostGets) {
  // A cancelled dialog leaves -128 in the result.
  testing::Plugin().dialog = [](PluginGlobals& g) {
    g.result = kUserCanceledErr;
    return true;
  };
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  EXPECT_EQ(Call(kSelectorPrepare), kNoErr);
  EXPECT_EQ(Call(kSelectorStart), kUserCanceledErr);
  EXPECT_EQ(testing::Plugin().dialogRuns, 1);
  EXPECT_TRUE(testing::Plugin().engineCalls.empty());
}

TEST_F(EntryPoint, MissingRecordIsRefused) {
  EXPECT_EQ(Call(kSelectorStart, nullptr), kFilterBadParameters);
  EXPECT_TRUE(testing::Plugin().engineCalls.empty());
}

TEST_F(EntryPoint, NonRgbPicturesOpenNoDialog) {
  testing::Plugin().dialog = [](PluginGlobals&) { return true; };
  record.imageMode = 1;  // grayscale
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  EXPECT_EQ(Call(kSelectorStart), kNoErr);
  EXPECT_EQ(testing::Plugin().dialogRuns, 0);
  record.imageMode = kImageModeRGB;
  EXPECT_EQ(Call(kSelectorParameters), kNoErr);
  EXPECT_EQ(Call(kSelectorStart), kNoErr);
  EXPECT_EQ(testing::Plugin().dialogRuns, 1);
}

}  // namespace
}  // namespace zar
