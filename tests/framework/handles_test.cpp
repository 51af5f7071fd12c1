#include "framework/handles.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"
#include "tests/support/test_host.h"

namespace zar {
namespace {

TEST(PluginHandle, MasterBlockHoldsDataAddressThenSignature) {
  Handle h = NewPluginHandle(56);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(HandleError(), kNoErr);
  const auto* master = reinterpret_cast<const unsigned char*>(h);
  void* data = nullptr;
  std::memcpy(&data, master, sizeof data);
  EXPECT_EQ(data, static_cast<void*>(*h));
  // 'FOTO' as a little-endian word, right after the pointer-sized address.
  EXPECT_EQ(0, std::memcmp(master + sizeof(void*), "OTOF", 4));
  EXPECT_TRUE(IsPluginHandle(h));
  for (int i = 0; i < 56; ++i) ASSERT_EQ((*h)[i], 0) << "byte " << i;
  DisposePluginHandle(h);
  EXPECT_EQ(HandleError(), kNoErr);
}

TEST(PluginHandle, MasterBlockSizeFollowsPointerSize) {
  EXPECT_EQ(kHandleMasterSize, sizeof(void*) + 4);
}

TEST(PluginHandle, FailuresSetTheErrorCell) {
  platform::testing::FailAllocationsAfter(0);
  EXPECT_EQ(NewPluginHandle(16), nullptr);
  EXPECT_EQ(HandleError(), kMemFullErr);
  // The master block is had but the data block is not: nothing leaks, nothing is returned.
  platform::testing::FailAllocationsAfter(1);
  EXPECT_EQ(NewPluginHandle(16), nullptr);
  EXPECT_EQ(HandleError(), kMemFullErr);
  platform::testing::FailAllocationsAfter(-1);

  DisposePluginHandle(nullptr);
  EXPECT_EQ(HandleError(), kNilHandleErr);
  EXPECT_EQ(NewPluginHandle(-1), nullptr);
  EXPECT_EQ(HandleError(), kMemFullErr);
}

TEST(HostHandleSuite, UsableOnlyWithVersionOneMoreThanSixProcsAndTheFirstFour) {
  testing::TestHost suite;
  EXPECT_TRUE(HandleSuiteUsable(&suite.procs()));
  EXPECT_FALSE(HandleSuiteUsable(nullptr));

  HandleProcs procs = suite.procs();
  procs.numHandleProcs = 6;
  EXPECT_FALSE(HandleSuiteUsable(&procs));
  procs = suite.procs();
  procs.handleProcsVersion = 2;
  EXPECT_FALSE(HandleSuiteUsable(&procs));
  for (int missing = 0; missing < 4; ++missing) {
    procs = suite.procs();
    if (missing == 0) procs.newProc = nullptr;
    if (missing == 1) procs.disposeProc = nullptr;
    if (missing == 2) procs.getSizeProc = nullptr;
    if (missing == 3) procs.setSizeProc = nullptr;
    EXPECT_FALSE(HandleSuiteUsable(&procs)) << missing;
  }
  procs = suite.procs();
  procs.recoverSpaceProc = nullptr;  // not one of the first four
  EXPECT_TRUE(HandleSuiteUsable(&procs));
}

TEST(HostHandleSuite, WrappersUseTheHostWhenUsableAndOurOwnOtherwise) {
  testing::TestHost suite;
  Handle host = HostNewHandle(&suite.procs(), 32);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(suite.counts().made, 1);
  EXPECT_FALSE(IsPluginHandle(host));
  EXPECT_EQ(HostLockHandle(&suite.procs(), host, 1), *host);
  HostUnlockHandle(&suite.procs(), host);
  HostDisposeHandle(&suite.procs(), host);
  EXPECT_EQ(suite.counts().locks, 1);
  EXPECT_EQ(suite.counts().unlocks, 1);
  EXPECT_EQ(suite.counts().disposed, 1);
  EXPECT_EQ(suite.counts().live(), 0);

  HandleProcs unusable = suite.procs();
  unusable.numHandleProcs = 3;
  Handle own = HostNewHandle(&unusable, 32);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(IsPluginHandle(own));
  EXPECT_EQ(HostLockHandle(&unusable, own, 0), *own);
  HostUnlockHandle(&unusable, own);  // our handles stay locked
  EXPECT_EQ(suite.counts().unlocks, 1);
  HostDisposeHandle(&unusable, own);
  EXPECT_EQ(HandleError(), kNoErr);
  EXPECT_EQ(suite.counts().made, 1);
}

// Our handles are known by address and data pointer alone: a host handle that is a single
// pointer is never probed past its end (the sanitizer build sees any such read), and a freed
// handle of ours stops counting as ours.
TEST(PluginHandle, OursAreToldApartWithoutReadingPastAHostHandle) {
  testing::TestHost suite;
  auto* single = new char*(static_cast<char*>(platform::GlobalBlockAlloc(40)));
  EXPECT_FALSE(IsPluginHandle(single));
  // The host answers 0: the system knows the block.
  EXPECT_GE(HandleDataSize(&suite.procs(), single), 40);
  platform::GlobalBlockFree(*single);
  delete single;

  Handle own = NewPluginHandle(56);
  ASSERT_TRUE(IsPluginHandle(own));
  char* ownData = *own;
  // Sized by the system whatever the host says: the suite answers 0 for a handle it did not make.
  EXPECT_GE(HandleDataSize(&suite.procs(), own), 56);
  EXPECT_GE(HandleDataSize(nullptr, own), 56);
  Handle host = suite.procs().newProc(12);
  EXPECT_EQ(HandleDataSize(&suite.procs(), host), 12);
  char* stranger = nullptr;
  *own = stranger;  // the same address pointing elsewhere is not ours
  EXPECT_FALSE(IsPluginHandle(own));
  *own = ownData;
  DisposePluginHandle(own);
  char* cell = ownData;
  EXPECT_FALSE(IsPluginHandle(&cell));
}

}  // namespace
}  // namespace zar
