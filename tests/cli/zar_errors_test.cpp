// zar on bad input: every case gets one clear line on stderr and a non-zero exit status, writes
// no output, leaves no stray file behind and leaves every input as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/cli/harness.h"
#include "settings/params_file.h"

namespace zar::testing {
namespace {

struct BadCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string message;  // the whole stderr line starts with "zar: error: " and contains this
  std::vector<std::string> env = {};
  std::vector<Limit> limits = {};
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
    std::vector<uint8_t> png = WholeFile(dir / "photo.png");
    png.resize(png.size() / 2);
    WriteBytes(dir / "cut.png", png);
    const std::string pam = "P7\nWIDTH 4\nHEIGHT 4\nDEPTH 3\nMAXVAL 255\nENDHDR\nabc";
    WriteBytes(dir / "cut.pam", std::vector<uint8_t>(pam.begin(), pam.end()));
    const std::string deep = "P7\nWIDTH 4\nHEIGHT 4\nDEPTH 3\nMAXVAL 65535\nENDHDR\n";
    WriteBytes(dir / "deep.pam", std::vector<uint8_t>(deep.begin(), deep.end()));
    WriteBytes(dir / "combustion.pcb",
               EncodeParamsFile(kCombustionTable.file, kCombustionTable.defaults));
    WriteBytes(dir / "ice.pci", EncodeParamsFile(kIceTable.file, kIceTable.defaults));
    WriteBytes(dir / "not-params.pfr", std::vector<uint8_t>(54, 0));
    ASSERT_EQ(mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "empty").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir / "fake").c_str(), 0755), 0);
    WriteBytes(dir / "fake/ZarFire.so", std::vector<uint8_t>(100, 0));
    ASSERT_EQ(link((dir / "photo.png").c_str(), (dir / "hard-link.png").c_str()), 0);
    ASSERT_EQ(symlink("photo.png", (dir / "soft-link.png").c_str()), 0);
    for (const std::string& name : dir.Files()) before[name] = WholeFile(dir / name);
  }

  // The address space zar needs to render a small picture of `in`'s kind (its libraries, and
  // libvips' modules for the formats libvips reads), in 8 MB steps: the memory limits below are
  // set above it, so they measure what a picture costs.
  uint64_t StartupSpace(const std::string& in) {
    const std::string out = "startup" + in.substr(in.find_last_of('.'));
    for (uint64_t mb = 32; mb <= 1024; mb += 8) {
      const ZarRun run =
          RunZar({"render", "fire", in, out, "--force"}, dir.path(), {}, {{RLIMIT_AS, mb << 20}});
      unlink((dir / out).c_str());
      if (run.status == 0 && run.err.empty()) return mb << 20;
    }
    ADD_FAILURE() << "zar does not start within 1 GB";
    return uint64_t(1) << 30;
  }

  void Check(const BadCase& c) {
    SCOPED_TRACE(c.name);
    const ZarRun run = RunZar(c.args, dir.path(), c.env, c.limits);
    EXPECT_EQ(run.status, c.status);
    // Notes may say what was converted on the way; the failure itself is one line.
    std::vector<std::string> lines;
    for (const std::string& line : run.ErrLines())
      if (line.rfind("zar: note: ", 0) != 0) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_EQ(lines[0].rfind("zar: error: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
    EXPECT_EQ(run.out, "");
    // Nothing new, nothing changed.
    std::vector<std::string> names;
    for (const auto& [name, bytes] : before) {
      names.push_back(name);
      EXPECT_EQ(WholeFile(dir / name), bytes) << name;
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
       "garbage.png: not a picture zar reads (JPEG, PNG, TIFF, WebP, GIF, HEIF, AVIF, JPEG XL, "
       "PAM, PPM or PGM)"},
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
  WriteBytes(dir / "locked.png", WholeFile(dir / "photo.png"));
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
      {"save: over a picture", {"params", "save", "fire", "photo.png"}, 1,
       "photo.png exists and is not a ZAR Fire parameter file; it is not replaced without "
       "--force"},
      {"save: over another plug-in's file", {"params", "save", "fire", "ice.pci"}, 1,
       "ice.pci exists and is not a ZAR Fire parameter file"},
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
       "out.bmp: unknown output format (name it .png, .jpg, .tif, .webp, .gif, .heic, .avif, "
       ".jxl or .pam)"},
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
  before["out.png"] = WholeFile(dir / "out.png");
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
      {"another effect's module under the name", {"render", "fire", "photo.png", "out.png"}, 1,
       "the plug-in module " + dir / "renamed/ZarFire.so" + " is ZAR Ice, not ZAR Fire; refused",
       {"ZAR_PLUGIN_DIR=" + dir / "renamed"}},
  };
  // clang-format on
  ASSERT_EQ(mkdir((dir / "renamed").c_str(), 0755), 0);
  before["renamed"] = {};
  WriteBytes(dir / "renamed/ZarFire.so", WholeFile(ModulePath(kIceTable)));
  for (const BadCase& c : cases) Check(c);
}

// Headers that lie or promise more than zar takes are refused from the file's first bytes, before
// anything they promise is allocated or read: under an address space of 64 MB (where the
// sanitizers allow such a limit) and at once.
TEST_F(ZarBadInput, HeadersThatPromiseTooMuchAreRefusedFromTheFirstBytes) {
  // A 30000 x 30000 RGBA PNG of 74 bytes: its image data is a few bytes.
  const host::Picture dot(1, 1, 4);
  WritePng(dir / "dot.png", dot);
  std::vector<uint8_t> lie = WholeFile(dir / "dot.png");
  ASSERT_EQ(std::string(lie.begin() + 12, lie.begin() + 16), "IHDR");
  for (int at : {16, 20}) {  // width and height, big-endian
    lie[size_t(at) + 2] = 0x75;
    lie[size_t(at) + 3] = 0x30;
  }
  WriteBytes(dir / "lie.png", lie);  // libpng checks the header's CRC only after the size
  // The same whose image data chunk claims 16 MB: only the bytes there count.
  const size_t idat = std::string(lie.begin(), lie.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  lie[idat - 4] = 0x00, lie[idat - 3] = 0xF2, lie[idat - 2] = 0x00, lie[idat - 1] = 0x0B;
  WriteBytes(dir / "claims.png", lie);
  // A true picture followed by more bytes than such a picture can need.
  std::vector<uint8_t> padded = WholeFile(dir / "photo.png");
  padded.resize(padded.size() + (size_t(9) << 20), 0);
  WriteBytes(dir / "padded.png", padded);
  // A PAM header above what a host can grant in one piece, and a large true mask of
  // another size than the picture.
  const std::string huge = "P7\nWIDTH 20000\nHEIGHT 20000\nDEPTH 3\nMAXVAL 255\nENDHDR\n";
  WriteBytes(dir / "huge.pam", std::vector<uint8_t>(huge.begin(), huge.end()));
  WriteBlankPng(dir / "big-mask.png", 9000, 9000);  // 81 MB to decode
  for (const char* name : {"dot.png", "lie.png", "claims.png", "padded.png", "huge.pam",
                           "big-mask.png"})
    before[name] = WholeFile(dir / name);
  std::vector<Limit> limits;
  if (!AddressSanitized())
    limits.push_back({RLIMIT_AS, StartupSpace("photo.png") + (uint64_t(64) << 20)});
  // clang-format off
  const BadCase cases[] = {
      {"lying PNG", {"render", "fire", "lie.png", "out.png"}, 1,
       "lie.png: damaged PNG file (its image data is far too short for 30000 x 30000)", {},
       limits},
      {"PNG whose data chunk claims more than the file holds",
       {"render", "fire", "claims.png", "out.png"}, 1,
       "claims.png: damaged PNG file (its image data is far too short for 30000 x 30000)", {},
       limits},
      {"endless input", {"render", "fire", "/dev/zero", "out.png"}, 1,
       "/dev/zero: not a picture zar reads", {}, limits},
      {"PNG with too much after it", {"render", "fire", "padded.png", "out.png"}, 1,
       "padded.png: the file is longer than a 150 x 100 PNG picture can need", {}, limits},
      {"beyond one strip", {"render", "fire", "huge.pam", "out.pam"}, 1,
       "huge.pam: 20000 x 20000 with 3 planes is too large to filter in one piece (a host "
       "grants a plug-in at most 2147483647 bytes: 306783378 pixels with 3 planes)", {}, limits},
      {"large mask of another size", {"render", "fire", "photo.png", "out.png", "-m",
       "big-mask.png"}, 1, "big-mask.png: the mask is 9000 x 9000, the picture 150 x 100", {},
       limits},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

// Out of memory is one line and status 1, never an abort nor a success that is none: in zar's
// own reading, in the host's buffers, or in the plug-in's engine, which then returns -108. The
// pictures are PAM, zar's own reader and writer: inside libvips' codecs GLib ends the process
// itself when an allocation fails (docs/zar.md says so).
TEST_F(ZarBadInput, RunningOutOfMemoryIsOneLine) {
  if (AddressSanitized()) GTEST_SKIP() << "the address sanitizer needs an unlimited address space";
  WritePam(dir / "large.pam", host::Picture(5000, 5000, 3));  // 75 MB
  before["large.pam"] = WholeFile(dir / "large.pam");
  WritePam(dir / "small.pam", Photo(3));
  before["small.pam"] = WholeFile(dir / "small.pam");
  const uint64_t startup = StartupSpace("small.pam");
  Check({"picture larger than the memory", {"render", "fire", "large.pam", "out.pam"}, 1,
         "out of memory; nothing written", {}, {{RLIMIT_AS, startup + (uint64_t(64) << 20)}}});

  // More and more memory for a picture of 4 MB: every run fails in one line until one renders
  // the picture; on the way, the engine's fields alone did not fit.
  host::Picture picture(1200, 1200, 3);
  for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = uint8_t(i * 7 + i / 3600);
  WritePam(dir / "mid.pam", picture);
  const std::vector<std::string> args = {"render", "fire", "mid.pam", "out.pam",
                                         "--set",  "iterations=1"};
  bool engineFailed = false, rendered = false;
  for (uint64_t mb = 0; mb <= 120 && !rendered; mb += 2) {
    SCOPED_TRACE(std::to_string(mb) + " MB above what zar needs to start");
    const ZarRun run = RunZar(args, dir.path(), {}, {{RLIMIT_AS, startup + (mb << 20)}});
    if (run.status == 0) {
      EXPECT_FALSE(SamePixels(ReadPam(dir / "out.pam"), picture)) << "filtered";
      rendered = true;
      break;
    }
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.ErrLines().size(), 1u) << run.err;
    const std::string line = run.ErrLines().back();
    const bool engine =
        line == "zar: error: ZAR Fire failed with result -108 (out of memory); nothing written";
    EXPECT_TRUE(engine || line == "zar: error: out of memory; nothing written") << line;
    engineFailed |= engine;
    EXPECT_FALSE(Exists(dir / "out.pam"));
  }
  EXPECT_TRUE(rendered);
  EXPECT_TRUE(engineFailed);
}

// Contact sheets are bounded by what zar reads back (30000 x 30000), in 64-bit arithmetic:
// neither a long label nor many pictures can make one wrap round or grow without end.
TEST_F(ZarBadInput, SheetsLargerThanZarReadsAreRefused) {
  WritePng(dir / "px.png", host::Picture(1, 1, 3));
  before["px.png"] = WholeFile(dir / "px.png");
  std::vector<std::string> many = {"sheet", "many.png"};
  many.insert(many.end(), 3580, "px.png");
  // clang-format off
  const BadCase cases[] = {
      {"long label", {"sheet", "s.png", "px.png", "--label", std::string(100000, 'W')}, 1,
       "the sheet would be 1200022 x 49, larger than 30000 x 30000"},
      {"many pictures", many, 1, "the sheet would be 121732 x 49, larger than 30000 x 30000"},
  };
  // clang-format on
  for (const BadCase& c : cases) Check(c);
}

TEST_F(ZarBadInput, CommandLinesThatCannotBeRead) {
  // clang-format off
  const BadCase cases[] = {
      {"no command", {}, 2,
       "a command is needed: render, animate, params, effects or sheet (zar --help for usage)"},
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
  WorkingParameters saved = kFireTable.defaults;
  saved.oxygen = 40;
  saved.flameDirection = 2;
  saved.maskMode = 0;  // beyond the end of the cut file: stays at the default
  std::vector<uint8_t> bytes = EncodeParamsFile(kFireTable.file, saved);
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
  WorkingParameters expected = kFireTable.defaults;
  expected.oxygen = 40;
  expected.flameDirection = 2;
  expected.gravity = 150;
  expected.rotation = -800;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out.png"), DirectRun(kFireTable, expected, Photo(3))));
}

}  // namespace
}  // namespace zar::testing
