#include "framework/host_id.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/support/test_host.h"

namespace zar {
namespace {

TEST(HostName, MatchesWholeNamesAndNonEmptyBeginningsWithoutCase) {
  EXPECT_EQ(MatchHostName("Adobe Premiere"), FourCC("PrMr"));
  EXPECT_EQ(MatchHostName("adobe premiere"), FourCC("PrMr"));
  EXPECT_EQ(MatchHostName("ADOBE PREMIERE"), FourCC("PrMr"));
  EXPECT_EQ(MatchHostName("Photoshp"), FourCC("8BIM"));
  // "PM6" matches its own row before "PM65" is tried; "PM65" is not a beginning of "PM6".
  EXPECT_EQ(MatchHostName("PM6"), FourCC("ALD6"));
  EXPECT_EQ(MatchHostName("PM65"), FourCC("AD65"));
  EXPECT_EQ(MatchHostName("pm5"), FourCC("ALD5"));
  // A beginning part matches the first row it begins.
  EXPECT_EQ(MatchHostName("PM"), FourCC("ALD5"));
  EXPECT_EQ(MatchHostName("Adobe"), FourCC("FXTC"));
  EXPECT_EQ(MatchHostName("Adobe P"), FourCC("PrMr"));
  // Longer than the name, empty, or unknown: no match.
  EXPECT_EQ(MatchHostName("Adobe Premiere Pro"), 0u);
  EXPECT_EQ(MatchHostName(""), 0u);
  EXPECT_EQ(MatchHostName(nullptr), 0u);
  EXPECT_EQ(MatchHostName("GIMP"), 0u);
}

TEST(HostName, FamiliesRunFromTheSignatureToTheEndOfItsList) {
  const OSType* art = SignatureFamilyFrom(FourCC("ART3"));
  ASSERT_NE(art, nullptr);
  EXPECT_EQ(art[0], FourCC("ART3"));
  EXPECT_EQ(art[3], FourCC("ART5"));
  EXPECT_EQ(art[4], 0u);
  const OSType* ald6 = SignatureFamilyFrom(FourCC("ALD6"));
  ASSERT_NE(ald6, nullptr);
  EXPECT_EQ(ald6[1], FourCC("AD65"));
  EXPECT_EQ(ald6[2], 0u);
  const OSType* premiere = SignatureFamilyFrom(FourCC("PrMr"));
  ASSERT_NE(premiere, nullptr);
  EXPECT_EQ(premiere[1], 0u);
  EXPECT_EQ(SignatureFamilyFrom(FourCC("XXXX")), nullptr);
  EXPECT_EQ(SignatureFamilyFrom(0), nullptr);
}

TEST(HostVersionResource, TranslationKeyText) {
  char text[64];
  FormatStringFileInfoPrefix(0x040904B0, text, sizeof text);
  EXPECT_STREQ(text, "\\StringFileInfo\\040904b0\\");
  FormatStringFileInfoPrefix(0x04090000, text, sizeof text);
  EXPECT_STREQ(text, "\\StringFileInfo\\04090000\\");
  FormatStringFileInfoPrefix(0x100704E4, text, sizeof text);
  EXPECT_STREQ(text, "\\StringFileInfo\\100704e4\\");
  // Only one leading zero is ever added.
  FormatStringFileInfoPrefix(0x000004B0, text, sizeof text);
  EXPECT_STREQ(text, "\\StringFileInfo\\04b0\\");
}

TEST(HostVersionResource, PlatformCodes) {
  EXPECT_EQ(PlatformCodeFromFileOS(1), 11);
  EXPECT_EQ(PlatformCodeFromFileOS(0x00040000), 10);
  EXPECT_EQ(PlatformCodeFromFileOS(0x00040004), 12);
  EXPECT_EQ(PlatformCodeFromFileOS(0), 12);
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(HostVersionResource, RawSearchFallback) {
  char name[64];
  // "InternalName" and its terminator, then the value 14 bytes after the key's start.
  auto data = Bytes(std::string("xx") + "InternalName" + std::string("\0\0", 2) + "Photoshp" +
                    std::string("\0", 1));
  ASSERT_TRUE(FindRawInternalName(data.data(), data.size(), name, sizeof name));
  EXPECT_STREQ(name, "Photoshp");
  // The second byte there zero: moved on by 2 bytes.
  data = Bytes(std::string("InternalName") + std::string("\0\0", 2) + "P" + std::string("\0", 1) +
               "PM6" + std::string("\0", 1));
  ASSERT_TRUE(FindRawInternalName(data.data(), data.size(), name, sizeof name));
  EXPECT_STREQ(name, "PM6");
  // Cut off: never reads past the data; an unterminated value ends at the data's end.
  data = Bytes(std::string("InternalName") + std::string("\0\0", 2) + "Adobe");
  ASSERT_TRUE(FindRawInternalName(data.data(), data.size(), name, sizeof name));
  EXPECT_STREQ(name, "Adobe");
  data = Bytes("InternalName");
  EXPECT_FALSE(FindRawInternalName(data.data(), data.size(), name, sizeof name));
  data = Bytes("Internal");
  EXPECT_FALSE(FindRawInternalName(data.data(), data.size(), name, sizeof name));
}

// A stand-in for the version resource calls, serving a table of query results.
struct FakeVersion {
  bool hasResource = true;
  std::map<std::string, std::vector<uint8_t>> values;
  std::vector<uint8_t> raw;
};
FakeVersion* gFake = nullptr;

bool FakePath(char* buf, size_t size) {
  std::snprintf(buf, size, "C:\\host.exe");
  return true;
}
uint32_t FakeSize(const char*) {
  return gFake->hasResource ? uint32_t(std::max<size_t>(gFake->raw.size(), 16)) : 0;
}
bool FakeRead(const char*, uint32_t size, void* buf) {
  std::memset(buf, 0, size);
  if (!gFake->raw.empty())
    std::memcpy(buf, gFake->raw.data(), std::min<size_t>(size, gFake->raw.size()));
  return true;
}
bool FakeQuery(const void*, const char* sub, const void** value, unsigned* length) {
  auto it = gFake->values.find(sub);
  if (it == gFake->values.end()) return false;
  *value = it->second.data();
  *length = unsigned(it->second.size());
  return true;
}
const VersionSource kFakeSource{FakePath, FakeSize, FakeRead, FakeQuery};

std::vector<uint8_t> FixedPart(uint32_t fileOS) {
  std::vector<uint8_t> fixed(52, 0);
  const uint32_t signature = 0xFEEF04BD, versionMS = 0x00050002;
  std::memcpy(&fixed[0], &signature, 4);
  std::memcpy(&fixed[8], &versionMS, 4);
  std::memcpy(&fixed[32], &fileOS, 4);
  return fixed;
}

std::vector<uint8_t> Translation(uint16_t language, uint16_t codePage) {
  std::vector<uint8_t> t(4);
  std::memcpy(&t[0], &language, 2);
  std::memcpy(&t[2], &codePage, 2);
  return t;
}

class IdentifyHostTest : public ::testing::Test {
 protected:
  void SetUp() override { gFake = &fake; }
  void TearDown() override { gFake = nullptr; }
  FakeVersion fake;
  testing::TestHost suite;
};

TEST_F(IdentifyHostTest, PremiereFoundThroughTranslationAndInternalName) {
  fake.values["\\"] = FixedPart(0x00040004);
  fake.values["\\VarFileInfo\\Translation"] = Translation(0x0409, 0x04B0);
  fake.values["\\StringFileInfo\\040904b0\\InternalName"] = Bytes(std::string("adobe premiere\0", 15));
  HostInfo info;
  IdentifyHost(&suite.procs(), &info, kFakeSource);
  EXPECT_EQ(info.signature, FourCC("PrMr"));
  EXPECT_EQ(info.platform, 12);
  // The buffer came from the host's suite and went back to it.
  EXPECT_EQ(suite.counts().made, 1);
  EXPECT_EQ(suite.counts().live(), 0);
  const uint32_t version = HostIsSignature(&suite.procs(), FourCC("PrMr"), kFakeSource);
  EXPECT_EQ(version & 0xFF, 12u);
  EXPECT_EQ(HostIsSignature(&suite.procs(), FourCC("8BIM"), kFakeSource), 0u);
}

TEST_F(IdentifyHostTest, WithoutTranslationTheUsEnglishKeyIsUsed) {
  fake.values["\\"] = FixedPart(0x00040000);
  fake.values["\\StringFileInfo\\04090000\\InternalName"] = Bytes(std::string("Photoshp\0", 9));
  HostInfo info;
  IdentifyHost(&suite.procs(), &info, kFakeSource);
  EXPECT_EQ(info.signature, FourCC("8BIM"));
  EXPECT_EQ(info.platform, 10);
}

TEST_F(IdentifyHostTest, RawSearchWhenTheQueryFails) {
  fake.values["\\"] = FixedPart(1);
  fake.raw = Bytes(std::string("....InternalName\0\0PM65\0", 23));
  HostInfo info;
  IdentifyHost(&suite.procs(), &info, kFakeSource);
  EXPECT_EQ(info.signature, FourCC("AD65"));
  EXPECT_EQ(info.platform, 11);
  EXPECT_NE(HostIsSignature(&suite.procs(), FourCC("ALD6"), kFakeSource), 0u);  // ALD6, AD65
  EXPECT_NE(HostIsSignature(&suite.procs(), FourCC("AD65"), kFakeSource), 0u);
  EXPECT_EQ(HostIsSignature(&suite.procs(), FourCC("ALD5"), kFakeSource) & 0xFF, 11u);
}

TEST_F(IdentifyHostTest, NoVersionResourceOrNoFixedPartIsNotPremiere) {
  fake.hasResource = false;
  HostInfo info;
  IdentifyHost(&suite.procs(), &info, kFakeSource);
  EXPECT_EQ(info.signature, 0u);
  EXPECT_EQ(info.platform, 0);
  EXPECT_EQ(suite.counts().made, 0);

  fake.hasResource = true;
  fake.values["\\StringFileInfo\\04090000\\InternalName"] = Bytes(std::string("Adobe Premiere\0", 15));
  IdentifyHost(&suite.procs(), &info, kFakeSource);
  EXPECT_EQ(info.signature, FourCC("PrMr"));
  EXPECT_EQ(info.platform, 0);
  EXPECT_EQ(HostIsSignature(&suite.procs(), FourCC("PrMr"), kFakeSource) & 0xFF, 0u);
}

TEST_F(IdentifyHostTest, OwnHandlesWhenTheHostHasNoSuite) {
  fake.values["\\"] = FixedPart(0x00040004);
  fake.values["\\StringFileInfo\\04090000\\InternalName"] = Bytes(std::string("Photoshp\0", 9));
  HostInfo info;
  IdentifyHost(nullptr, &info, kFakeSource);
  EXPECT_EQ(info.signature, FourCC("8BIM"));
  EXPECT_EQ(suite.counts().made, 0);
}

TEST(HostIdentification, TheRunningTestProgramIsNoKnownHost) {
  HostInfo info;
  IdentifyHost(nullptr, &info);
  EXPECT_EQ(info.signature, 0u);
  EXPECT_EQ(HostIsSignature(nullptr, FourCC("PrMr")), 0u);
}

}  // namespace
}  // namespace zar
