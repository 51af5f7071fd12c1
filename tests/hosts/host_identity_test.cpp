// Host identification through the running program's version resource. This file is built into
// four Windows test programs: one without a version resource and three whose InternalName is
// "Adobe Premiere", "adobe premiere" and "Photoshp" (ZAR_EXPECT_HOST says which signature each
// must give, ZAR_EXPECT_PLATFORM the platform code, ZAR_EXPECT_PREMIERE the block's flag;
// ZAR_IDENTITY_SUITE names the variant's tests).
#include <gtest/gtest.h>

#include <string>

#include "framework/host_id.h"
#include "hosts/core/host.h"
#include "tests/hosts/test_module/test_module_api.h"
#include "tests/hosts/test_paths.h"

namespace zar {
namespace {

constexpr OSType Expected(const char* text) {
  return text[0] ? (OSType(uint8_t(text[0])) << 24) | (OSType(uint8_t(text[1])) << 16) |
                       (OSType(uint8_t(text[2])) << 8) | OSType(uint8_t(text[3]))
                 : 0;
}

TEST(ZAR_IDENTITY_SUITE, IdentifyHostReadsThisProgramsVersionResource) {
  HostInfo info;
  IdentifyHost(nullptr, &info);
  EXPECT_EQ(info.signature, Expected(ZAR_EXPECT_HOST));
  EXPECT_EQ(info.platform, ZAR_EXPECT_PLATFORM);
  EXPECT_EQ(HostIsSignature(nullptr, FourCC("PrMr")) != 0, ZAR_EXPECT_PREMIERE == 1);
}

// The plug-in asks the same question when it makes its block; a Premiere host then gets the
// multi-call way although it offers advanceState and displayPixels.
TEST(ZAR_IDENTITY_SUITE, ThePluginsFlagAndWayFollowTheHost) {
  std::string error;
  auto module = host::PluginModule::Load(testing::TestModulePath(), &error);
  ASSERT_TRUE(module) << error;
  auto* state = reinterpret_cast<ZarTestModuleProc>(module->FindExport("ZarTestModule"))();
  *state = ZarTestModuleState{};
  for (bool suite : {true, false}) {
    SCOPED_TRACE(suite ? "with the handle suite" : "without the handle suite");
    host::HostOptions options;
    options.offerHandleSuite = suite;
    host::Host host(*module, options);
    host::Picture picture(10, 6, 3);
    ASSERT_EQ(host.Filter(picture), kNoErr);
    const auto block = host.ParameterBlock();
    ASSERT_GE(block.size(), 52u);
    EXPECT_EQ(block[50], ZAR_EXPECT_PREMIERE) << "hostIsPremiere";
    EXPECT_EQ(block[49], ZAR_EXPECT_PREMIERE ? 0 : 1) << "useAdvanceState";
    EXPECT_EQ(host.CountSelector(kSelectorContinue), ZAR_EXPECT_PREMIERE ? 1 : 0);
    EXPECT_EQ(host.advanceStateCalls(), ZAR_EXPECT_PREMIERE ? 0 : 1);
  }
}

}  // namespace
}  // namespace zar
