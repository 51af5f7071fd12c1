// The resources of the ten Windows deliverables, read back out of the built modules as data and
// compared byte for byte with what they must carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "hosts/core/host_os.h"
#include "hosts/core/pe_resources.h"
#include "hosts/core/plugin_resources.h"
#include "tests/hosts/expected_resources.h"
#include "tests/hosts/test_paths.h"

namespace zar {
namespace {

using host::PeImage;
using host::ResourceId;
using testing::DeliverableFacts;
using testing::kDeliverables;

// Window and dialog style bits.
constexpr uint32_t kPopup = 0x80000000, kChild = 0x40000000, kVisible = 0x10000000,
                   kCaption = 0x00C00000, kBorder = 0x00800000, kSysMenu = 0x00080000,
                   kModalFrame = 0x80, kSetFont = 0x40, kDefPushButton = 0x1, kButtonTypes = 0xF;
constexpr uint16_t kEnglishUs = 1033;

struct Case {
  const DeliverableFacts* facts;
  const char* arch;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.facts->name << " " << c.arch; }

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.facts->name) + "_" + info.param.arch;
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const DeliverableFacts& facts : kDeliverables)
    for (const char* arch : {"x86", "x64"}) cases.push_back({&facts, arch});
  return cases;
}

class Deliverable : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    path = testing::DeliverablePath(GetParam().arch, GetParam().facts->file);
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
      std::fclose(f);
    } else {
      GTEST_SKIP() << path << " is not built (build the win32 and win64 presets)";
    }
    std::string error;
    ASSERT_TRUE(host::ReadPeFile(path, &image, &error)) << error;
  }
  bool x64() const { return std::string(GetParam().arch) == "x64"; }
  const std::vector<uint8_t>& Resource(const ResourceId& type, const ResourceId& name) {
    static const std::vector<uint8_t> kNone;
    const host::PeResource* r = host::FindPeResource(image, type, name, kEnglishUs);
    return r ? r->data : kNone;
  }

  std::string path;
  PeImage image;
};

TEST_P(Deliverable, IsAModuleOfItsArchitectureNamedZarSpecl) {
  EXPECT_EQ(image.machine, x64() ? host::kMachineAmd64 : host::kMachineI386);
  EXPECT_EQ(image.pe32plus, x64());
  EXPECT_EQ(image.exportModuleName, "ZarSpecl.8bf");
  EXPECT_NE(std::find(image.exportNames.begin(), image.exportNames.end(), "ENTRYPOINT"),
            image.exportNames.end());
}

TEST_P(Deliverable, EveryResourceIsInEnglishUs) {
  ASSERT_FALSE(image.resources.empty());
  for (const host::PeResource& r : image.resources)
    EXPECT_EQ(r.language, kEnglishUs) << r.type.ToString() << " " << r.name.ToString();
}

TEST_P(Deliverable, PropertyListIsExact) {
  const auto& pipl = Resource(ResourceId::Text("PIPL"), ResourceId::Number(16000));
  const std::vector<uint8_t> expected = testing::ExpectedPipl(GetParam().facts->menuName, x64());
  EXPECT_EQ(pipl, expected);
  if (std::string(GetParam().facts->name) == "combustion") {
    EXPECT_EQ(pipl.size(), 426u);
  }

  // Decoded: ten properties in order, the entry point under this architecture's code only.
  host::Pipl decoded;
  std::string error;
  ASSERT_TRUE(host::ParsePipl(pipl, &decoded, &error)) << error;
  ASSERT_EQ(decoded.properties.size(), 10u);
  const char* keys[10] = {"kind", "name", "catg", "vers", x64() ? "8664" : "wx86",
                          "hstm", "btni", "mode", "enbl", "fici"};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(host::FourCCText(decoded.properties[size_t(i)].key), keys[i]);
    EXPECT_EQ(decoded.properties[size_t(i)].data.size() % 4, 0u) << keys[i];
  }
  EXPECT_EQ(host::FindPiplProperty(decoded, host::EntryPointKeyFor(!x64())), nullptr);
  EXPECT_EQ(host::PiplPascalString(decoded.properties[1]), GetParam().facts->menuName);
}

TEST_P(Deliverable, TerminologyIsExact) {
  const auto& aete = Resource(ResourceId::Text("AETE"), ResourceId::Number(16000));
  EXPECT_EQ(aete.size(), 383u);
  EXPECT_EQ(aete, testing::ExpectedAete());
  host::Aete decoded;
  std::string error;
  ASSERT_TRUE(host::ParseAete(aete, &decoded, &error)) << error;
  EXPECT_EQ(decoded.consumed, aete.size());
  ASSERT_EQ(decoded.suites.size(), 1u);
  const host::AeteSuite& suite = decoded.suites[0];
  EXPECT_EQ(suite.name, "Quorvane");
  ASSERT_EQ(suite.events.size(), 1u);
  ASSERT_EQ(suite.events[0].parameters.size(), 3u);
  EXPECT_EQ(suite.events[0].parameters[2].name, "AdobeSDK disposition");
  EXPECT_EQ(suite.events[0].directFlags, 0x000D);
  ASSERT_EQ(suite.enumerations.size(), 1u);
  EXPECT_EQ(host::FourCCText(suite.enumerations[0].id), "mooD");
  ASSERT_EQ(suite.enumerations[0].values.size(), 4u);
  EXPECT_EQ(suite.enumerations[0].values[3].description, "green with envy");
}

TEST_P(Deliverable, StringTableHoldsTheSixTexts) {
  const auto strings = host::DecodeStringTable(image);
  std::set<unsigned> ids;
  for (const auto& entry : strings) ids.insert(entry.first);
  EXPECT_EQ(ids, (std::set<unsigned>{16000, 16001, 16990, 16991, 16992, 16993}));
  auto text = [&](unsigned id) {
    auto it = strings.find(id);
    return it == strings.end() ? std::string("<missing>") : host::ToWindows1252(it->second);
  };
  const std::string title = GetParam().facts->title;
  EXPECT_EQ(text(16001), title);
  EXPECT_EQ(text(16000),
            title + " 1.0\n\nCopyright (c) 2026 the ZAR filters team.\nAll rights reserved.");
  EXPECT_EQ(text(16990), "An integer is required between ^1 and ^2.");
  EXPECT_EQ(text(16991), "A decimal number is required between ^1 and ^2.");
  EXPECT_EQ(text(16993), "This plug-in is incompatible with this version of the host program.");
  // The registered sign is stored as U+00AE and reads back as the Windows-1252 byte 0xAE.
  const std::u16string& needsHost = strings.at(16992);
  EXPECT_NE(needsHost.find(u'\u00AE'), std::u16string::npos);
  EXPECT_EQ(text(16992), "This plug-in requires Adobe Photoshop\xAE ^1 or later functionality.");
}

TEST_P(Deliverable, DialogTemplateFrameAndClosingButtons) {
  const auto& bytes =
      Resource(ResourceId::Number(host::kRtDialog), ResourceId::Text("DISSOLVEWITHPARAM"));
  ASSERT_FALSE(bytes.empty());
  host::DialogTemplate d;
  std::string error;
  ASSERT_TRUE(host::ParseDialogTemplate(bytes, &d, &error)) << error;
  const DeliverableFacts& facts = *GetParam().facts;
  EXPECT_EQ(d.title, facts.title);
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.typeface, "MS Sans Serif");
  EXPECT_EQ(d.x, 34);
  EXPECT_EQ(d.y, 40);
  EXPECT_EQ(d.cx, facts.dialogWidth);
  EXPECT_EQ(d.cy, facts.dialogHeight);
  EXPECT_EQ(d.style & (kPopup | kCaption | kModalFrame | kSetFont),
            kPopup | kCaption | kModalFrame | kSetFont);
  EXPECT_EQ(d.style & kSysMenu, 0u) << "no system menu";
  EXPECT_FALSE(d.menu.isText() || d.menu.id);
  // The frame and the closing buttons every template has; the full control set of each plug-in
  // is checked by the dialog tests.
  ASSERT_GE(d.items.size(), 3u);

  const host::DialogItem* preview = host::FindDialogItem(d, 5);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(host::DialogClassName(preview->windowClass), "static");
  EXPECT_EQ(preview->style & (kChild | kBorder | kVisible), kChild | kBorder) << "hidden, bordered";
  EXPECT_EQ((std::vector<int>{preview->x, preview->y, preview->cx, preview->cy}),
            (std::vector<int>{15, 10, 163, 155}));

  const host::DialogItem* ok = host::FindDialogItem(d, 1);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(host::DialogClassName(ok->windowClass), "button");
  EXPECT_EQ(ok->title.name, "&OK");
  EXPECT_EQ(ok->style & kButtonTypes, kDefPushButton) << "the default button";
  EXPECT_EQ(ok->style & kVisible, kVisible);
  EXPECT_EQ((std::vector<int>{ok->x, ok->y, ok->cx, ok->cy}),
            (std::vector<int>{facts.okX, facts.okY, 49, 14}));

  const host::DialogItem* cancel = host::FindDialogItem(d, 2);
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(host::DialogClassName(cancel->windowClass), "button");
  EXPECT_EQ(cancel->title.name, "&Cancel");
  EXPECT_EQ(cancel->style & kButtonTypes, 0u) << "a plain push button";
  EXPECT_EQ((std::vector<int>{cancel->x, cancel->y, cancel->cx, cancel->cy}),
            (std::vector<int>{facts.cancelX, facts.cancelY, 49, 14}));
}

INSTANTIATE_TEST_SUITE_P(AllDeliverables, Deliverable, ::testing::ValuesIn(AllCases()), CaseName);

// The two builds' lists differ only in the entry-point property's key bytes.
class DeliverablePair : public ::testing::TestWithParam<const DeliverableFacts*> {};

TEST_P(DeliverablePair, PropertyListsDifferOnlyInTheEntryPointKey) {
  const DeliverableFacts& facts = *GetParam();
  const host::PeResource* pipl[2] = {nullptr, nullptr};
  PeImage images[2];
  const char* arches[2] = {"x86", "x64"};
  for (int i = 0; i < 2; ++i) {
    std::string error;
    const std::string path = testing::DeliverablePath(arches[i], facts.file);
    if (!host::ReadPeFile(path, &images[i], &error)) GTEST_SKIP() << path << ": " << error;
    pipl[i] = host::FindPeResource(images[i], ResourceId::Text("PIPL"), ResourceId::Number(16000),
                                   kEnglishUs);
    ASSERT_NE(pipl[i], nullptr) << arches[i];
  }
  const std::vector<uint8_t>& a = pipl[0]->data;
  const std::vector<uint8_t>& b = pipl[1]->data;
  ASSERT_EQ(a.size(), b.size());
  std::vector<size_t> differ;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) differ.push_back(i);
  // Key of property 5: after the header, four property headers, the data of properties 1 to 4
  // and the fifth property's vendor.
  const size_t nameLength = (1 + std::string(facts.menuName).size() + 3) / 4 * 4;
  const size_t key = 10 + 4 * 16 + 4 + nameLength + 12 + 4 + 4;
  EXPECT_EQ(differ, (std::vector<size_t>{key, key + 1, key + 2, key + 3}));
}

INSTANTIATE_TEST_SUITE_P(AllDeliverables, DeliverablePair,
                         ::testing::Values(&kDeliverables[0], &kDeliverables[1], &kDeliverables[2],
                                           &kDeliverables[3], &kDeliverables[4]),
                         [](const ::testing::TestParamInfo<const DeliverableFacts*>& info) {
                           return std::string(info.param->name);
                         });

TEST(ModuleDescription, NamesEveryPropertyDecoded) {
  const std::string path = testing::DeliverablePath("x64", "ZarFire");
  PeImage image;
  std::string error;
  if (!host::ReadPeFile(path, &image, &error)) GTEST_SKIP() << path << ": " << error;
  const std::string text = host::DescribePluginModule(image);
  for (const char* line :
       {"  1 kind (vendor 8BIM, id 0, length 4): 8BFM\n",
        "  2 name (vendor 8BIM, id 0, length 12): \"ZAR Fire...\"\n",
        "  3 catg (vendor 8BIM, id 0, length 12): \"Quorvane\"\n",
        "  4 vers (vendor 8BIM, id 0, length 4): 4.0\n",
        "  5 8664 (vendor 8BIM, id 0, length 12): \"ENTRYPOINT\"\n",
        "  6 hstm (vendor 8BIM, id 0, length 20): version 0, class 'sdK2', event 'disS', "
        "terminology 16000, scope \"\"\n",
        "  7 btni (vendor 8BIM, id 0, length 40): version 0, 1, 1, resource 16000, name "
        "\"DissolveWith Caption\"\n",
        "  8 mode (vendor 8BIM, id 0, length 4): 0x5FC0 = grayscale RGB CMYK HSL HSB "
        "multichannel duotone Lab\n",
        "  10 fici (vendor 8BIM, id 0, length 28): (4,1,7,0) (4,1,15,0) (4,1,15,0) (4,1,7,0) "
        "(4,1,15,0) (4,1,7,0) (4,1,15,0)\n",
        "      parameter \"CenterX\" key 'CntX' type 'TEXT' \"Center by X\" flags 0x0000\n",
        "      \"Quorvane hot\" 'moD2' \"red-faced\"\n",
        "  16992 \"This plug-in requires Adobe Photoshop\\xAE ^1 or later functionality.\"\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
}

#if defined(_WIN32)
// The system's own resource calls agree with the reader, and the ANSI string call gives the
// registered sign as the Windows-1252 byte. The module of the test's own architecture: the system
// loads no other.
TEST(LoadedDeliverable, SystemResourceCallsAgreeWithTheReader) {
  const bool x64 = sizeof(void*) == 8;
  const std::string path = testing::DeliverablePath(x64 ? "x64" : "x86", "ZarFire");
  std::string error;
  void* module = host::os::OpenModule(path, &error);
  ASSERT_NE(module, nullptr) << error;
  std::vector<uint8_t> pipl;
  EXPECT_TRUE(host::os::FirstModuleResource(module, "PIPL", &pipl));
  EXPECT_EQ(pipl, testing::ExpectedPipl("ZAR Fire...", x64));
  std::vector<uint8_t> aete;
  EXPECT_TRUE(host::os::FirstModuleResource(module, "AETE", &aete));
  EXPECT_EQ(aete, testing::ExpectedAete());
  std::string text;
  EXPECT_TRUE(host::os::LoadModuleStringAnsi(module, 16992, &text));
  EXPECT_EQ(text, "This plug-in requires Adobe Photoshop\xAE ^1 or later functionality.");
  EXPECT_TRUE(host::os::LoadModuleStringAnsi(module, 16001, &text));
  EXPECT_EQ(text, "ZAR Fire");
  host::os::CloseModule(module);
}
#endif

}  // namespace
}  // namespace zar
