// zar on bad input: every case gets one clear line on stderr and a non-zero exit status, writes
// no output, leaves no stray file behind and leaves every input as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/cli/harness.h"
#include "ui/params_file.h"

namespace zar::testing {
namespace {

struct BadCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string message;  // the whole stderr line starts with "zar: error: " and contains this
  std::vector<std::string> env = {};
};

class ZarBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    const host::Picture photo = Photo(3);
    WritePng(dir / "photo.png", photo);
    WritePam(dir / "photo5.pam", Photo(5));
    WritePng(dir / "mask.png", Ellipse(photo.width, photo.height));
    WritePng(dir / "small-mask.png", Ellipse(20, 10));
    WritePam(dir / "rgb-mask.pam", Photo(3));
    WriteBytes(dir / "garbage.png", std::vector<uint8_t>(300, 'x'));
    std::vector<uint8_t> png = FileBytes(dir / "photo.png");
    png.resize(png.size() / 2);
    WriteBytes(dir / "cut.png", png);
    const std::string pam = "P7\nWIDTH 4\nHEIGHT 4\nDEPTH 3\nMAXVAL 255\nENDHDR\nabc";
    WriteBytes(dir / "cut.pam", std::vector<uint8_t>(pam.begin(), pam.end()));
    const std::string deep = "P7\nWIDTH 4\nHEIGHT 4\nDEPTH 3\nMAXVAL 65535\nENDHDR\n";
    WriteBytes(dir / "deep.pam", std::vector<uint8_t>(deep.begin(), deep.end()));
    WriteBytes(dir / "combustion.pcb",
               EncodeParamsFile(kCombustionSpec.file, kCombustionSpec.defaults));
    WriteBytes(dir / "ice.pci", EncodeParamsFile(kIceSpec.file, kIceSpec.defaults));
    WriteBytes(dir / "not-params.pfr", std::vector<uint8_t>(54, 0));
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "empty").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "fake").c_str(), 0755), 0);
    WriteBytes(dir / "fake/ZarFire.so", std::vector<uint8_t>(100, 0));
    ASSERT_EQ(link((dir / "photo.png").c_str(), (dir / "hard-link.png").c_str()), 0);
    ASSERT_EQ(symlink("photo.png", (dir / "soft-link.png").c_str()), 0);
    for (const std::string& name : dir.Files()) before[name] = FileBytes(dir / name);
  }

  void Check(const BadCase& c) {
    SCOPED_TRACE(c.name);
    const ZarRun run = RunZar(c.args, dir.path(), c.env);
    EXPECT_EQ(run.status, c.status);
    const std::vector<std::string> lines = run.ErrLines();
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_EQ(lines[0].rfind("zar: error: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
    EXPECT_EQ(run.out, "");
    // Nothing new, nothing changed.
    std::vector<std::string> names;
    for (const auto& [name, bytes] : before) {
      names.push_back(name);
      EXPECT_EQ(FileBytes(dir / name), bytes) << name;
    }
    EXPECT_EQ(dir.Files(), names);
  }

  ScratchDir dir;
  std::map<std::string, std::vector<uint8_t>> before;
};

TEST_F(ZarBadInput, Pictures) {
  // clang-format off
  const BadCase cases[] = {
      {"missing", {"render", "fire", "nothere.png", "out.png"}, 1,
       "cannot open nothere.png: No such file or directory"},
      {"a directory", {"render", "fire", "folder", "out.png"}, 1,
       "cannot read folder: Is a directory"},
      {"not a picture", {"render", "fire", "garbage.png", "out.png"}, 1,
       "garbage.png: not a picture zar reads (JPEG, PNG, TIFF, WebP, GIF, HEIF, AVIF, JPEG XL, PAM, PPM or PGM)"},
      {"cut short", {"render", "fire", "cut.png", "out.png"}, 1, "cut.png: damaged PNG file ("},
      {"PAM cut short", {"render", "fire", "cut.pam", "out.pam"}, 1,
       "cut.pam: pixel data cut short"},
      {"16-bit PAM", {"render", "fire", "deep.pam", "out.pam"}, 1,
       "deep.pam: only maxval 255 is read"},
      {"five planes to PNG", {"render", "fire", "photo5.pam", "out.png"}, 1,
       "photo5.pam has 5 planes; a PNG file holds at most 4 (write a .pam)"},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, UnreadablePicture) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser reads every file";
  WriteBytes(dir / "locked.png", FileBytes(dir / "photo.png"));
  ASSERT_EQ(chmod((dir / "locked.png").c_str(), 0), 0);
  before["locked.png"] = {};
  Check({"unreadable",
         {"render", "fire", "locked.png", "out.png"},
         1,
         "cannot open locked.png: Permission denied"});
}

TEST_F(ZarBadInput, Masks) {
  // clang-format off
  const BadCase cases[] = {
      {"missing", {"render", "fire", "photo.png", "out.png", "--mask", "nomask.png"}, 1,
       "cannot open nomask.png: No such file or directory"},
      {"wrong size", {"render", "fire", "photo.png", "out.png", "--mask", "small-mask.png"}, 1,
       "small-mask.png: the mask is 20 x 10, the picture 150 x 100"},
      {"three planes", {"render", "fire", "photo.png", "out.png", "--mask", "rgb-mask.pam"}, 1,
       "rgb-mask.pam: a mask has one plane, this file has 3"},
      {"not a picture", {"render", "fire", "photo.png", "out.png", "--mask", "garbage.png"}, 1,
       "garbage.png: not a picture zar reads ("},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, EffectsFieldsAndValues) {
  auto set = [](const char* effect, const char* setting) {
    return std::vector<std::string>{"render", effect, "photo.png", "out.png", "--set", setting};
  };
  // clang-format off
  const BadCase cases[] = {
      {"unknown effect", {"render", "blaze", "photo.png", "out.png"}, 1,
       "unknown effect \"blaze\" (one of combustion, ice, candle, fire, cryo)"},
      {"unknown field", set("fire", "heat=3"), 1,
       "fire has no field \"heat\" (zar effects fire lists them)"},
      {"another effect's field", set("fire", "height=3"), 1, "fire has no field \"height\""},
      {"Combustion has no mask mode", set("combustion", "maskMode=in"), 1,
       "combustion has no field \"maskMode\""},
      {"unknown direction", set("ice", "flameDirection=Upward"), 1,
       "flameDirection: unknown direction \"Upward\" (one of Top, Left Top"},
      {"unknown effect mode", set("combustion", "effectMode=Burn"), 1,
       "effectMode: unknown effect mode \"Burn\""},
      {"unknown mask mode", set("fire", "maskMode=inside"), 1,
       "maskMode: unknown mask mode \"inside\""},
      {"byte too large", set("fire", "oxygen=256"), 1,
       "oxygen: 256 does not fit an 8-bit field (0..255)"},
      {"byte negative", set("cryo", "alpha=-1"), 1, "alpha: -1 does not fit an 8-bit field"},
      {"32 bits too large", set("ice", "rotation=2147483648"), 1,
       "rotation: 2147483648 does not fit a signed 32-bit field"},
      {"bad colour", set("candle", "rampColors[0]=#GG0000"), 1,
       "rampColors[0]: \"#GG0000\" is not a colour (#RRGGBB)"},
      {"not a number", set("fire", "fuel=lots"), 1, "fuel: \"lots\" is not a number"},
      {"no value", set("fire", "fuel"), 1, "\"fuel\" is not FIELD=VALUE"},
      // A bad setting after good ones still stops everything.
      {"second setting bad",
       {"render", "fire", "photo.png", "out.png", "-s", "oxygen=5", "-s", "gravity=x"}, 1,
       "gravity: \"x\" is not a number"},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, ParameterFiles) {
  // clang-format off
  const BadCase cases[] = {
      {"another plug-in's file", {"render", "fire", "photo.png", "out.png", "-p", "combustion.pcb"},
       1, "combustion.pcb is not a ZAR Fire parameter file"},
      {"Ice's file in Candle", {"render", "candle", "photo.png", "out.png", "--params", "ice.pci"},
       1, "ice.pci is not a ZAR Candle parameter file"},
      {"no header", {"render", "cryo", "photo.png", "out.png", "--params", "not-params.pfr"}, 1,
       "not-params.pfr is not a ZAR Cryo parameter file"},
      {"missing", {"render", "fire", "photo.png", "out.png", "--params", "none.pfr"}, 1,
       "cannot read the parameter file none.pfr: No such file or directory"},
      {"a directory", {"render", "fire", "photo.png", "out.png", "--params", "folder"}, 1,
       "cannot read the parameter file folder: Is a directory"},
      {"show: not a parameter file", {"params", "show", "photo.png"}, 1,
       "photo.png is not a ZAR parameter file"},
      {"show: missing", {"params", "show", "none.pfr"}, 1,
       "cannot read none.pfr: No such file or directory"},
      {"show: a directory", {"params", "show", "folder"}, 1,
       "cannot read folder: Is a directory"},
      {"save: unknown effect", {"params", "save", "blaze", "x"}, 1, "unknown effect \"blaze\""},
      {"save: bad value", {"params", "save", "fire", "x", "--set", "oxygen=1000"}, 1,
       "oxygen: 1000 does not fit an 8-bit field"},
      {"save: no directory", {"params", "save", "fire", "nodir/x"}, 1,
       "cannot write nodir/x.pfr: no directory nodir"},
      {"save: over its source", {"params", "save", "ice", "ice.pci", "--params", "ice.pci"}, 1,
       "ice.pci is the parameter file read ice.pci; it is not replaced without --force"},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, OutputsThatWouldReplaceAnInputOrCannotBeWritten) {
  // clang-format off
  const BadCase cases[] = {
      {"the input", {"render", "fire", "photo.png", "photo.png"}, 1,
       "photo.png is the input picture photo.png; it is not replaced without --force"},
      {"the input spelt otherwise", {"render", "fire", "photo.png", "./folder/../photo.png"}, 1,
       "is the input picture photo.png"},
      {"a hard link to the input", {"render", "fire", "photo.png", "hard-link.png"}, 1,
       "hard-link.png is the input picture photo.png"},
      {"a symbolic link to the input", {"render", "fire", "soft-link.png", "photo.png"}, 1,
       "photo.png is the input picture soft-link.png"},
      {"the mask", {"render", "fire", "photo.png", "mask.png", "--mask", "mask.png"}, 1,
       "mask.png is the mask mask.png; it is not replaced without --force"},
      {"unknown format", {"render", "fire", "photo.png", "out.bmp"}, 1,
       "out.bmp: unknown output format (name it .png, .jpg, .tif, .webp, .gif, .heic, .avif, .jxl or .pam)"},
      {"no directory", {"render", "fire", "photo.png", "nodir/out.png"}, 1,
       "cannot write nodir/out.png: no directory nodir"},
      {"a directory", {"render", "fire", "photo.png", "folder.png"}, 1,
       "cannot write folder.png: it exists and is not a regular file"},
      {"sheet over a picture", {"sheet", "photo.png", "photo.png", "mask.png"}, 1,
       "photo.png is the picture photo.png; it is not replaced without --force"},
  };
  // clang-format on
  ASSERT_EQ(mkdir((dir / "folder.png").c_str(), 0755), 0);
  before["folder.png"] = {};
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, FailedRunLeavesAnOlderOutputAsItWas) {
  WriteBytes(dir / "out.png", {'o', 'l', 'd'});
  before["out.png"] = FileBytes(dir / "out.png");
  Check({"bad value",
         {"render", "fire", "photo.png", "out.png", "--set", "oxygen=-3"},
         1,
         "oxygen: -3 does not fit"});
  Check({"bad picture", {"render", "fire", "cut.png", "out.png"}, 1, "damaged PNG file"});
  Check({"bad mask",
         {"render", "fire", "photo.png", "out.png", "-m", "small-mask.png"},
         1,
         "the mask is 20 x 10"});
}

TEST_F(ZarBadInput, PluginModules) {
  // clang-format off
  const BadCase cases[] = {
      {"missing", {"render", "fire", "photo.png", "out.png"}, 1,
       "cannot find the plug-in module ZarFire.so (looked in " + dir / "empty" +
           "; ZAR_PLUGIN_DIR names another directory)",
       {"ZAR_PLUGIN_DIR=" + dir / "empty"}},
      {"not a module", {"render", "fire", "photo.png", "out.png"}, 1,
       "cannot load the plug-in module " + dir / "fake/ZarFire.so" + ": ",
       {"ZAR_PLUGIN_DIR=" + dir / "fake"}},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, CommandLinesThatCannotBeRead) {
  // clang-format off
  const BadCase cases[] = {
      {"no command", {}, 2, "a command is needed: render, animate, params, effects or sheet (zar --help for usage)"},
      {"an option zar has not", {"-V"}, 2, "-V is not an option of zar (zar --help for usage)"},
      {"unknown command", {"paint", "fire"}, 2, "unknown command \"paint\""},
      {"missing OUT", {"render", "fire", "photo.png"}, 2,
       "OUT is required: where to write the result (zar render --help for usage)"},
      {"unknown option", {"render", "fire", "photo.png", "out.png", "--colour", "red"}, 2,
       "(zar render --help for usage)"},
      {"too many", {"render", "fire", "photo.png", "out.png", "extra.png"}, 2,
       "zar render takes one picture and OUT; several pictures need -o DIR or --suffix TEXT"},
      {"params without what", {"params"}, 2, "(zar params --help for usage)"},
      {"--set without a value", {"render", "fire", "photo.png", "out.png", "--set"}, 2,
       "--set"},
      {"negative columns", {"sheet", "s.png", "photo.png", "--columns", "-2"}, 2,
       "--columns: takes a whole number from 0 up, not \"-2\" (zar sheet --help for usage)"},
      {"quality past 100", {"render", "fire", "photo.png", "out.jpg", "-q", "101"}, 2,
       "--quality: takes a whole number from 1 to 100, not \"101\""},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

// Warnings do not stop a render: the file's missing fields and out-of-range values are used as
// they stand.
TEST_F(ZarBadInput, ShortFileAndUnusualValuesAreWarningsOnly) {
  WorkingParameters saved = kFireSpec.defaults;
  saved.oxygen = 40;
  saved.flameDirection = 2;
  saved.maskMode = 0;  // beyond the end of the cut file: stays at the default
  std::vector<uint8_t> bytes = EncodeParamsFile(kFireSpec.file, saved);
  bytes.resize(14 + 6);  // the header and six fields: oxygen ... flameDirection
  WriteBytes(dir / "short.pfr", bytes);

  const ZarRun run = RunZar({"render", "fire", "photo.png", "out.png", "--params", "short.pfr",
                             "--set", "gravity=150", "--set", "rotation=-800"},
                            dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.ErrLines(),
            (std::vector<std::string>{
                "zar: warning: short.pfr ends after 6 of 19 fields: the other 13 keep their values",
                "zar: warning: gravity 150 is outside the dialog's range 1..100; used as given",
                "zar: warning: rotation -800 is outside the dialog's range -720..720; used as "
                "given"}));
  WorkingParameters expected = kFireSpec.defaults;
  expected.oxygen = 40;
  expected.flameDirection = 2;
  expected.gravity = 150;
  expected.rotation = -800;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out.png"), DirectRun(kFireSpec, expected, Photo(3))));
}

}  // namespace
}  // namespace zar::testing
