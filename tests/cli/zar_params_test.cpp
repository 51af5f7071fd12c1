// zar params, zar effects, zar sheet and the help texts, end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/cli/harness.h"
#include "settings/params_file.h"

namespace zar::testing {
namespace {

using Bytes = std::vector<uint8_t>;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ZarParams : public ::testing::Test {
 protected:
  ZarRun Run(const std::vector<std::string>& args) { return RunZar(args, dir.path()); }
  ScratchDir dir;
};

TEST_F(ZarParams, CombustionDefaultsAreThe62DocumentedBytes) {
  const ZarRun run = Run({"params", "save", "combustion", "defaults"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "zar: note: saved as defaults.pcb\n");
  Bytes want;
  for (char c : std::string("Jux Rorizazori Param")) want.push_back(uint8_t(c));
  for (int v :
       {0, 0, 25, 6,   10,   254,  13,   200, 0,    0,    0, 40, 0,    0, 0, 0, 0, 0, 0, 180, 0,
        0, 0, 85, 171, 0xFF, 0xFF, 0xFF, 0,   0xFF, 0xFF, 0, 0,  0xFF, 0, 0, 0, 0, 0, 0, 0,   0})
    want.push_back(uint8_t(v));
  ASSERT_EQ(want.size(), 62u);
  EXPECT_EQ(WholeFile(dir / "defaults.pcb"), want);
}

TEST_F(ZarParams, SavedWithNamesShownAndRenderedWithLikeTheSameSettings) {
  ZarRun run = Run({"params", "save", "fire", "blaze", "--set", "oxygen=40", "--set",
                    "flameDirection=right top", "-s", "rampColors[2]=#8040FF", "-s",
                    "maskMode=Both", "-s", "colorMode=custom", "-s", "iterations=12"});
  ASSERT_EQ(run.status, 0) << run.err;
  WorkingParameters expected = kFireTable.defaults;
  expected.oxygen = 40;
  expected.flameDirection = 7;
  expected.rampColors[2] = 0xFF4080;
  expected.maskMode = 2;
  expected.colorMode = 1;
  expected.iterations = 12;
  EXPECT_EQ(WholeFile(dir / "blaze.pfr"), EncodeParamsFile(kFireTable.file, expected));

  run = Run({"params", "show", "blaze.pfr"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const char* const lines[] = {
      "blaze.pfr: ZAR Fire and ZAR Cryo parameter file (header \"Jux Fire Param\", 54 bytes)\n",
      "\n  oxygen          40\n",
      "\n  gravity         10\n",
      "\n  flameDirection  7 (Right Top)\n",
      "\n  maskMode        2 (both)\n",
      "\n  iterations      12\n",
      "\n  rotation        180\n",
      "\n  rampColors[2]   #8040FF\n",
      "\n  colorMode       1 (Custom)\n"};
  for (const char* line : lines) EXPECT_TRUE(Contains(run.out, line)) << line << run.out;
  // Every field of the file, one a line, after the title.
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1 + 19);

  WritePng(dir / "photo.png", Photo(3));
  run = Run({"render", "fire", "photo.png", "from-file.png", "--params", "blaze.pfr"});
  ASSERT_EQ(run.status, 0) << run.err;
  const host::Picture rendered = ReadPng(dir / "from-file.png");
  EXPECT_TRUE(SamePixels(rendered, DirectRun(kFireTable, expected, Photo(3))));
  run = Run({"render", "fire", "photo.png", "from-set.png", "--set", "oxygen=40", "--set",
             "flameDirection=7", "-s", "rampColors[2]=#8040FF", "-s", "maskMode=2", "-s",
             "colorMode=1", "-s", "iterations=12"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(WholeFile(dir / "from-set.png"), WholeFile(dir / "from-file.png"));

  // Fire and Cryo share their files; overrides come after the file.
  run = Run({"render", "cryo", "photo.png", "cryo.png", "--params", "blaze.pfr", "-s", "fuel=3"});
  ASSERT_EQ(run.status, 0) << run.err;
  expected.fuel = 3;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "cryo.png"), DirectRun(kCryoTable, expected, Photo(3))));
}

TEST_F(ZarParams, SaveNamesFilesAsTheDialogsSaveDoes) {
  struct Case {
    const char* effect;
    const char* typed;
    const char* written;
  } cases[] = {{"combustion", "settings", "settings.pcb"},
               {"combustion", "settings.bak", "settings.bak"},
               {"ice", "flame.pc", "flame.pc.pci"},
               {"candle", "c", "c"},  // shorter than four characters: as typed
               {"cryo", "cold.pfr", "cold.pfr"}};
  for (const Case& c : cases) {
    const ZarRun run = Run({"params", "save", c.effect, c.typed});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists(dir / c.written)) << c.written;
    EXPECT_EQ(run.err, std::string(c.typed) == c.written
                           ? ""
                           : std::string("zar: note: saved as ") + c.written + "\n");
  }
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"c", "cold.pfr", "flame.pc.pci", "settings.bak",
                                                   "settings.pcb"}));
}

TEST_F(ZarParams, SaveStartsFromAFileAndReplacesItOnlyWhenForced) {
  ASSERT_EQ(Run({"params", "save", "ice", "a.pci", "-s", "height=50", "-s", "space=7"}).status, 0);
  ASSERT_EQ(Run({"params", "save", "ice", "b.pci", "-p", "a.pci", "-s", "space=9"}).status, 0);
  WorkingParameters expected = kIceTable.defaults;
  expected.height = 50;
  expected.space = 9;
  EXPECT_EQ(WholeFile(dir / "b.pci"), EncodeParamsFile(kIceTable.file, expected));

  const Bytes before = WholeFile(dir / "a.pci");
  ZarRun run = Run({"params", "save", "ice", "a.pci", "-p", "a.pci", "-s", "space=1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(WholeFile(dir / "a.pci"), before);
  run = Run({"params", "save", "ice", "a.pci", "-p", "a.pci", "-s", "space=1", "--force"});
  EXPECT_EQ(run.status, 0) << run.err;
  expected.space = 1;
  EXPECT_EQ(WholeFile(dir / "a.pci"), EncodeParamsFile(kIceTable.file, expected));
}

TEST_F(ZarParams, ShowMarksMissingFieldsAndValuesOutsideTheDialogsRanges) {
  WorkingParameters odd = kCandleTable.defaults;
  odd.flameDirection = 9;
  odd.height = 0;
  Bytes bytes = EncodeParamsFile(kCandleTable.file, odd);
  bytes.resize(15 + 9);  // header and nine fields: up to maskMode
  WriteBytes(dir / "odd.pcn", bytes);
  const ZarRun run = Run({"params", "show", "odd.pcn"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "zar: warning: odd.pcn ends after 9 of 21 fields\n");
  EXPECT_TRUE(
      Contains(run.out, "ZAR Candle parameter file (header \"Jux Zuvov Param\", 24 bytes)"));
  EXPECT_TRUE(Contains(run.out, "\n  height          0  [outside the dialog's range 1..100]\n"));
  EXPECT_TRUE(Contains(run.out, "\n  flameDirection  9  [outside the dialog's range 0..7]\n"));
  EXPECT_TRUE(Contains(run.out, "\n  maskMode        3 (contour)\n"));
  EXPECT_TRUE(Contains(run.out, "\n  maskInvert      (missing: the file ends before it)\n"));
  EXPECT_TRUE(Contains(run.out, "\n  colorMode       (missing: the file ends before it)\n"));
}

TEST_F(ZarParams, EffectsListsEveryEffectsFieldsAndDefaults) {
  ZarRun run = Run({"effects"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* title :
       {"combustion: ZAR Combustion, parameter files .pcb", "ice: ZAR Ice, parameter files .pci",
        "candle: ZAR Candle", "fire: ZAR Fire, parameter files .pfr", "cryo: ZAR Cryo"})
    EXPECT_TRUE(Contains(run.out, title)) << title;

  run = Run({"effects", "ice"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "\n  flameDirection  4 (Bottom)"));
  EXPECT_TRUE(Contains(run.out, "\n  colorMode       1 (Custom)"));
  EXPECT_TRUE(Contains(run.out, "\n  height          8 "));
  EXPECT_TRUE(Contains(run.out, "\n  rampColors[1]   #0000FF "));
  EXPECT_FALSE(Contains(run.out, "oxygen"));
  EXPECT_FALSE(Contains(run.out, "combustion"));
  // The title, the column heads and the 21 fields.
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2 + 21);

  run = Run({"effects", "cryo"});
  EXPECT_TRUE(Contains(run.out, "\n  rampColors[2]   #8264FF "));
  EXPECT_EQ(Run({"effects", "blaze"}).status, 1);
}

TEST_F(ZarParams, EveryCommandHasHelp) {
  struct Case {
    std::vector<std::string> args;
    const char* usage;
  } cases[] = {
      {{"--help"}, "Usage: zar [OPTIONS] SUBCOMMAND"},
      {{"render", "--help"}, "Usage: zar render [OPTIONS] EFFECT IN OUT"},
      {{"params", "--help"}, "Usage: zar params [OPTIONS] SUBCOMMAND"},
      {{"params", "show", "-h"}, "Usage: zar params show [OPTIONS] FILE"},
      {{"params", "save", "--help"}, "Usage: zar params save [OPTIONS] EFFECT FILE"},
      {{"effects", "--help"}, "Usage: zar effects [OPTIONS] [EFFECT]"},
      {{"sheet", "--help"}, "Usage: zar sheet [OPTIONS] OUT PICTURES..."},
  };
  for (const Case& c : cases) {
    const ZarRun run = Run(c.args);
    EXPECT_EQ(run.status, 0) << c.usage;
    EXPECT_TRUE(Contains(run.out, c.usage)) << run.out;
    EXPECT_EQ(run.err, "");
  }
  const ZarRun version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "zar 1.0\n");
}

TEST_F(ZarParams, SheetOfPicturesWithLabels) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "a.png", photo);
  WritePam(dir / "b.pam", Photo(5));
  const ZarRun run = Run(
      {"sheet", "sheet.png", "a.png", "b.pam", "a.png", "--label", "Original", "--columns", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  const host::Picture sheet = ReadPng(dir / "sheet.png");
  ASSERT_EQ(sheet.planes, 3);
  EXPECT_EQ(sheet.width, 12 + 2 * (150 + 12));
  EXPECT_EQ(sheet.height, 12 + 2 * (100 + 24 + 12));
  // The third picture starts the second row.
  for (int y = 0; y < photo.height; ++y)
    for (int x = 0; x < photo.width; ++x)
      ASSERT_EQ(0, std::memcmp(sheet.At(12 + x, 12 + 136 + y), photo.At(x, y), 3));
  EXPECT_EQ(Run({"sheet", "s.png", "a.png", "-l", "1", "-l", "2"}).status, 1);
}

}  // namespace
}  // namespace zar::testing
