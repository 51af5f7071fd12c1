// The built deliverables (of the build's architecture) with their own dialog: each module is loaded
// as a host loads it and run through its exported entry point, and its dialog (its own procedure
// and template) is driven like a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "framework/parameters.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/driver.h"
#include "ui/model/control_ids.h"

namespace zar {
namespace {

using testing::ControlText;
using testing::Driver;

struct ModuleCase {
  const PluginTable* table;
  const char* file;
  const char* caption;
};

// Test names show the plug-in, not the record's bytes.
void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.table->name; }

const ModuleCase kModules[] = {
    {&kCombustionTable, "ZarCombustion.8bf", "ZAR Combustion"},
    {&kIceTable, "ZarIce.8bf", "ZAR Ice"},
    {&kCandleTable, "ZarCandle.8bf", "ZAR Candle"},
    {&kFireTable, "ZarFire.8bf", "ZAR Fire"},
    {&kCryoTable, "ZarCryo.8bf", "ZAR Cryo"},
};

class Module : public testing::DialogFixture, public ::testing::WithParamInterface<ModuleCase> {
 protected:
  void SetUp() override {
    Use(*GetParam().table);
    const std::string path = std::string(ZAR_DIST_ROOT "/" ZAR_DIST_ARCH "/") + GetParam().file;
    std::string error;
    module = host::PluginModule::Load(path, &error);
    ASSERT_NE(module, nullptr) << path << ": " << error;
    ASSERT_EQ(module->entryName(), "ENTRYPOINT");
  }
  void TearDown() override {
    host.reset();
    module.reset();
  }
  void MakeModuleHost() { NewHost(module.get()); }

  std::unique_ptr<host::PluginModule> module;
};

TEST_P(Module, ExportsItsDialogProcedure) { EXPECT_NE(module->FindExport("DissolveProc"), nullptr); }

TEST_P(Module, OpensItsDialogWithAPreviewAndOkStoresTheChosenSettings) {
  MakeModuleHost();
  const std::string caption = GetParam().caption;
  const Field first = table->dialog.mainFields[0];
  char expected[32];
  std::snprintf(expected, sizeof expected, "%f", double(GetField(table->defaults, first)));
  std::string shown;
  size_t paintsAfterOpening = 0;
  Driver driver;
  driver.Script(caption, {{100,
                           [&](HWND d) {
                             shown = ControlText(d, IDC_MAIN_EDIT_1);
                             paintsAfterOpening = displayCalls.size();
                             testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "44", IDC_MAIN_EDIT_2);
                           }},
                          {250, [](HWND d) { testing::PostCommand(d, IDOK); }}});
  EXPECT_EQ(host->Filter(output), 0);
  EXPECT_FALSE(driver.timedOut());
  ASSERT_EQ(driver.Seen(caption).size(), 1u);
  EXPECT_EQ(shown, expected);
  // The preview came through the host's displayPixels; the animated ones keep painting.
  EXPECT_GE(paintsAfterOpening, 1u);
  if (table->dialog.animated) {
    EXPECT_GT(displayCalls.size(), paintsAfterOpening + 1);
  }
  const testing::DisplayCall& call = displayCalls.front();
  EXPECT_EQ(call.map.version, 1);
  EXPECT_GT(Rates().front(), 0x10000);  // the preview was a reduced copy

  std::vector<uint8_t> block = Block(table->layout.size);
  WorkingParameters stored{};
  ParameterBlock(block.data(), table->layout).LoadInto(stored);
  EXPECT_EQ(GetField(stored, first), 44u);
}

TEST_P(Module, CancelGivesMinus128AndKeepsTheBlock) {
  MakeModuleHost();
  host->BeginRun(output);
  ASSERT_EQ(host->Select(kSelectorParameters), 0);
  const std::vector<uint8_t> before = Block(table->layout.size);
  Driver driver;
  driver.Script(
      GetParam().caption,
      {{50, [](HWND d) { testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "3", IDC_MAIN_EDIT_2); }},
       {20, [](HWND d) { testing::PostCommand(d, IDCANCEL); }}});
  ASSERT_EQ(host->Select(kSelectorPrepare), 0);
  EXPECT_EQ(host->Select(kSelectorStart), kUserCanceledErr);
  EXPECT_FALSE(driver.timedOut());
  std::vector<uint8_t> after = Block(table->layout.size);
  // Only the framework's own fields moved: the dialog flag and the strip height.
  ParameterBlock a(after.data(), table->layout);
  std::vector<uint8_t> expected = before;
  ParameterBlock e(expected.data(), table->layout);
  e.setShowDialog(0);
  e.setRowsPerStrip(a.rowsPerStrip());
  e.setUseAdvanceState(a.useAdvanceState());
  EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(X64, Module, ::testing::ValuesIn(kModules),
                         [](const ::testing::TestParamInfo<ModuleCase>& info) {
                           return std::string(info.param.table->name);
                         });

}  // namespace
}  // namespace zar
