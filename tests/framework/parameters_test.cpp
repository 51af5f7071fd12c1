#include "framework/parameters.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/entry.h"
#include "framework/globals.h"
#include "framework/handles.h"
#include "framework/module_state.h"
#include "tests/support/test_host.h"
#include "tests/support/test_plugin.h"

namespace zar {
namespace {

using Bytes = std::vector<uint8_t>;

// A fresh block, as the parameters selector leaves it (showDialog 1 at offset 44 / 40).
struct FreshBlockCase {
  const PluginTable* table;
  Bytes bytes;
};

const Bytes kCombustion = {
    6, 10, 254, 13, 0, 0, 25, 0, 85, 171, 200, 0, 0, 0, 0, 0,  // effect bytes, alignment
    0xB4, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0,                    // rotation, radius, iterations
    0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0,
    1, 0, 1, 0, '1', 'D', 'o', 'm', 0, 0, 0, 0};
const Bytes kIce = {
    8, 6, 9, 12, 1, 44, 18, 85, 171, 255, 0, 0, 3, 4, 0, 0,
    0xB4, 0, 0, 0, 0, 0, 0, 0, 38, 0, 0, 0,
    0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 0, 1, 0, '1', 'D', 'o', 'm', 0, 0, 0, 0};
const Bytes kCandle = {
    10, 10, 14, 10, 0, 131, 3, 85, 171, 255, 0, 0, 3, 0, 0, 0,
    0xB4, 0, 0, 0, 0, 0, 0, 0, 38, 0, 0, 0,
    0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0,
    1, 0, 1, 0, '1', 'D', 'o', 'm', 0, 0, 0, 0};
const Bytes kFire = {
    10, 10, 255, 100, 0, 85, 171, 200, 0, 0, 3, 0,
    0xB4, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0,
    0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0,
    1, 0, 1, 0, '1', 'D', 'o', 'm', 0, 0, 0, 0};
const Bytes kCryo = {
    2, 1, 254, 74, 1, 85, 171, 200, 0, 0, 3, 4,
    0xB4, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0,
    0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0x82, 0x64, 0xFF, 0, 0, 0, 0, 0,
    1, 0, 1, 0, '1', 'D', 'o', 'm', 0, 0, 0, 0};

void PrintTo(const FreshBlockCase& c, std::ostream* os) { *os << c.table->name; }

class FreshBlock : public ::testing::TestWithParam<FreshBlockCase> {};

TEST_P(FreshBlock, ParametersSelectorCreatesTheDefaultsByteForByte) {
  const FreshBlockCase& c = GetParam();
  testing::ResetTestPlugin(*c.table);
  FilterRecord record{};
  record.imageMode = kImageModeRGB;
  intptr_t data = 0;
  int16 result = 1;
  ENTRYPOINT(kSelectorParameters, &record, &data, &result);
  EXPECT_EQ(result, kNoErr);
  ASSERT_NE(record.parameters, nullptr);
  ASSERT_EQ(c.bytes.size(), c.table->layout.size);
  EXPECT_TRUE(IsPluginHandle(record.parameters));
  Bytes block(*record.parameters, *record.parameters + c.table->layout.size);
  EXPECT_EQ(block, c.bytes);
  DisposePluginHandle(record.parameters);
  DisposePluginHandle(reinterpret_cast<Handle>(data));
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, FreshBlock,
                         ::testing::Values(FreshBlockCase{&kCombustionTable, kCombustion},
                                           FreshBlockCase{&kIceTable, kIce},
                                           FreshBlockCase{&kCandleTable, kCandle},
                                           FreshBlockCase{&kFireTable, kFire},
                                           FreshBlockCase{&kCryoTable, kCryo}),
                         [](const auto& info) { return std::string(info.param.table->name); });

class EnsureParametersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ResetTestPlugin(kFireTable);
    procs = suite.procs();
    record.handleProcs = &procs;
    globals.filterRecord = &record;
  }
  testing::TestHost suite;
  HandleProcs procs{};  // the host's, which a test may change
  FilterRecord record{};
  PluginGlobals globals{};
};

TEST_F(EnsureParametersTest, LeavesAnExistingBlockAlone) {
  Handle existing = suite.procs().newProc(52);
  std::memset(*existing, 0x5A, 52);
  record.parameters = existing;
  ASSERT_TRUE(EnsureParameters(globals));
  EXPECT_EQ(record.parameters, existing);
  for (int i = 0; i < 52; ++i) ASSERT_EQ(uint8_t((*existing)[i]), 0x5A);
  EXPECT_EQ(globals.result, kNoErr);
}

TEST_F(EnsureParametersTest, LargerBlocksAreUsedUnchanged) {
  Handle existing = suite.procs().newProc(200);
  record.parameters = existing;
  ASSERT_TRUE(EnsureParameters(globals));
  EXPECT_EQ(record.parameters, existing);
}

TEST_F(EnsureParametersTest, ABlockTooSmallForTheLayoutIsReplacedNotOverrun) {
  Handle small = suite.procs().newProc(8);
  record.parameters = small;
  ASSERT_TRUE(EnsureParameters(globals));
  ASSERT_NE(record.parameters, small);
  EXPECT_TRUE(IsPluginHandle(record.parameters));
  EXPECT_EQ(BlockOf(globals).rowsPerStrip(), 1);
  EXPECT_EQ(BlockOf(globals).disposition(), FourCC("moD1"));
  EXPECT_EQ(uint8_t((*record.parameters)[0]), 10);  // Fire's oxygen
  DisposePluginHandle(record.parameters);
}

TEST_F(EnsureParametersTest, AHandleWithoutDataIsReplaced) {
  char* nothing = nullptr;
  record.parameters = &nothing;
  ASSERT_TRUE(EnsureParameters(globals));
  EXPECT_NE(record.parameters, &nothing);
  DisposePluginHandle(record.parameters);
}

// A host suite that sizes only the handles it made answers 0 for ours: the block the parameters
// selector made is still the block of every later selector, not replaced (and leaked) each time.
TEST_F(EnsureParametersTest, OurOwnBlockIsKeptWhenTheHostSuiteCannotSizeIt) {
  intptr_t data = 0;
  int16 result = 1;
  ENTRYPOINT(kSelectorParameters, &record, &data, &result);
  ASSERT_EQ(result, kNoErr);
  Handle made = record.parameters;
  ASSERT_TRUE(IsPluginHandle(made));
  ASSERT_EQ(procs.getSizeProc(made), 0);
  (*made)[0] = 77;  // Fire's oxygen, as a dialog would leave it
  for (int16 selector : {kSelectorPrepare, kSelectorParameters, kSelectorPrepare}) {
    ENTRYPOINT(selector, &record, &data, &result);
    EXPECT_EQ(result, kNoErr);
    EXPECT_EQ(record.parameters, made);
  }
  EXPECT_EQ(uint8_t((*made)[0]), 77);
  EXPECT_EQ(BlockOf(globals).showDialog(), 1);
  DisposePluginHandle(made);
  DisposePluginHandle(reinterpret_cast<Handle>(data));
}

// Hosts modelled on older editors size a handle they did not make by the system size of the
// handle pointer itself (our master block, pointer + 4 bytes); others answer 0 for every handle.
// Neither may cost the block: ours is sized by the system, a foreign one of unknown size is used.
TEST_F(EnsureParametersTest, TheBlockSurvivesHostsThatCannotSizeIt) {
  static int32 (*answer)(Handle) = nullptr;
  for (auto sizer : {+[](Handle h) -> int32 { return int32(platform::GlobalBlockSize(h)); },
                     +[](Handle) -> int32 { return 0; }}) {
    answer = sizer;
    procs.getSizeProc = [](Handle h) { return answer(h); };
    record.parameters = nullptr;
    ASSERT_TRUE(EnsureParameters(globals));
    Handle made = record.parameters;
    ASSERT_LT(procs.getSizeProc(made), 52);
    (*made)[0] = 77;
    ASSERT_TRUE(EnsureParameters(globals));
    EXPECT_EQ(record.parameters, made);
    EXPECT_EQ(uint8_t((*made)[0]), 77);
    DisposePluginHandle(made);
  }
  // A host handle that is one pointer, sized 0 by its suite: sized by the system, used when it
  // holds the layout, replaced when it does not.
  for (const int size : {64, 8}) {
    auto* single = new char*(static_cast<char*>(platform::GlobalBlockAlloc(size_t(size))));
    record.parameters = single;
    ASSERT_TRUE(EnsureParameters(globals));
    EXPECT_EQ(record.parameters == single, size == 64);
    if (record.parameters != single) DisposePluginHandle(record.parameters);
    platform::GlobalBlockFree(*single);
    delete single;
  }
}

TEST_F(EnsureParametersTest, AllocationFailureLeavesTheHandleEmptyAndReportsOutOfMemory) {
  platform::testing::FailAllocationsAfter(0);
  EXPECT_FALSE(EnsureParameters(globals));
  platform::testing::FailAllocationsAfter(-1);
  EXPECT_EQ(globals.result, kMemFullErr);
  EXPECT_EQ(record.parameters, nullptr);
}

TEST(WorkingCopy, BlockRoundTripsEveryEffectFieldOfEachLayout) {
  for (const PluginTable* table : {&kCombustionTable, &kIceTable, &kCandleTable, &kFireTable, &kCryoTable}) {
    std::vector<uint8_t> data(table->layout.size, 0);
    ParameterBlock block(data.data(), table->layout);
    WorkingParameters in{};
    for (int i = 0; i < table->layout.effectByteCount; ++i)
      SetField(in, table->layout.effectBytes[i], uint32_t(200 + i));
    in.rotation = -720;
    in.radius = 0x7FFFFFFF;
    in.iterations = -5;
    in.rampColors[0] = 0x00123456;
    in.rampColors[3] = 0xFFFFFFFF;
    block.StoreFrom(in);
    WorkingParameters out{};
    block.LoadInto(out);
    EXPECT_EQ(0, std::memcmp(&in, &out, sizeof in)) << table->name;
    EXPECT_EQ(data[table->layout.rotation], 0x30);  // -720 little-endian
    EXPECT_EQ(data[table->layout.rotation + 3], 0xFF);
  }
}

TEST(WorkingCopy, FieldWidthsAndNames) {
  WorkingParameters p{};
  SetField(p, Field::oxygen, 300);
  EXPECT_EQ(p.oxygen, 44);
  SetField(p, Field::alpha, uint32_t(-1));
  EXPECT_EQ(p.alpha, 255);
  SetField(p, Field::rotation, uint32_t(-1000));
  EXPECT_EQ(p.rotation, -1000);
  SetField(p, Field::rampColor2, 0xFF6482);
  EXPECT_EQ(p.rampColors[2], 0xFF6482u);
  EXPECT_EQ(GetField(p, Field::rampColor2), 0xFF6482u);
  EXPECT_EQ(FieldSize(Field::maskMode), 1);
  EXPECT_EQ(FieldSize(Field::iterations), 4);
  EXPECT_STREQ(FieldName(Field::flameDirection), "flameDirection");
  EXPECT_STREQ(FieldName(Field::rampColor1), "rampColors[1]");
}

}  // namespace
}  // namespace zar
