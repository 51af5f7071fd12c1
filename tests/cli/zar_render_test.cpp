// zar render end to end: the real program on small pictures, each result compared with the host
// core running the same plug-in module directly with the same parameter block, so that zar is seen
// to add nothing of its own to a picture.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/harness.h"

namespace zar::testing {
namespace {

const PluginTable* const kAll[] = {&kCombustionTable, &kIceTable, &kCandleTable, &kFireTable,
                                  &kCryoTable};

class ZarRender : public ::testing::Test {
 protected:
  // Runs zar, expecting success with nothing on stderr.
  void Render(const std::vector<std::string>& args) {
    const ZarRun run = RunZar(args, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
  }

  ScratchDir dir;
};

TEST_F(ZarRender, EveryEffectAtItsDefaultsIsTheHostCoresRunOfItsModule) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "photo.png", photo);
  const std::vector<uint8_t> input = WholeFile(dir / "photo.png");
  for (const PluginTable* table : kAll) {
    const std::string out = std::string(table->name) + ".png";
    Render({"render", table->name, "photo.png", out});
    const host::Picture rendered = ReadPng(dir / out);
    EXPECT_TRUE(SamePixels(rendered, DirectRun(*table, table->defaults, photo))) << table->name;
    EXPECT_FALSE(SamePixels(rendered, photo)) << table->name << " changed nothing";
  }
  EXPECT_EQ(WholeFile(dir / "photo.png"), input);
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"candle.png", "combustion.png", "cryo.png",
                                                   "fire.png", "ice.png", "photo.png"}));
}

TEST_F(ZarRender, RgbaPngKeepsItsFourthPlane) {
  const host::Picture photo = Photo(4);
  WritePng(dir / "photo.png", photo);
  Render({"render", "fire", "photo.png", "out.png", "--set", "flameDirection=Left"});
  WorkingParameters params = kFireTable.defaults;
  params.flameDirection = 2;
  const host::Picture rendered = ReadPng(dir / "out.png");
  ASSERT_EQ(rendered.planes, 4);
  EXPECT_TRUE(SamePixels(rendered, DirectRun(kFireTable, params, photo)));
}

TEST_F(ZarRender, PamWithFivePlanesStaysExact) {
  const host::Picture photo = Photo(5);
  WritePam(dir / "photo.pam", photo);
  Render({"render", "candle", "photo.pam", "out.pam", "--set", "maskMode=both"});
  WorkingParameters params = kCandleTable.defaults;
  params.maskMode = 2;
  const host::Picture rendered = ReadPam(dir / "out.pam");
  ASSERT_EQ(rendered.planes, 5);
  EXPECT_TRUE(SamePixels(rendered, DirectRun(kCandleTable, params, photo)));
  // A PAM in, a PNG out of three planes is fine too.
  WritePam(dir / "rgb.pam", Photo(3));
  Render({"render", "candle", "rgb.pam", "rgb.png"});
  EXPECT_TRUE(
      SamePixels(ReadPng(dir / "rgb.png"), DirectRun(kCandleTable, kCandleTable.defaults, Photo(3))));
}

TEST_F(ZarRender, MaskFromGreyPngOrPgmSelectsTheSameArea) {
  const host::Picture photo = Photo(3);
  const host::Picture mask = Ellipse(photo.width, photo.height);
  WritePng(dir / "photo.png", photo);
  WritePng(dir / "mask.png", mask);
  // A PGM (P5) by hand.
  std::string pgm =
      "P5\n" + std::to_string(mask.width) + " " + std::to_string(mask.height) + "\n255\n";
  std::vector<uint8_t> pgmBytes(pgm.begin(), pgm.end());
  pgmBytes.insert(pgmBytes.end(), mask.pixels.begin(), mask.pixels.end());
  WriteBytes(dir / "mask.pgm", pgmBytes);

  Render({"render", "cryo", "photo.png", "png-mask.png", "--mask", "mask.png"});
  Render({"render", "cryo", "photo.png", "pgm-mask.png", "-m", "mask.pgm"});
  Render({"render", "cryo", "photo.png", "no-mask.png"});
  const host::Picture withMask = ReadPng(dir / "png-mask.png");
  EXPECT_TRUE(SamePixels(withMask, DirectRun(kCryoTable, kCryoTable.defaults, photo, &mask)));
  EXPECT_TRUE(SamePixels(ReadPng(dir / "pgm-mask.png"), withMask));
  EXPECT_FALSE(SamePixels(ReadPng(dir / "no-mask.png"), withMask));
}

// Whatever transparency a mask has is ignored by one rule, with a note: an RGBA mask that is
// wholly transparent selects what its colour says, as a grey and alpha one does.
TEST_F(ZarRender, MaskTransparencyIsIgnoredForEveryKindWithANote) {
  const host::Picture photo = Photo(3);
  const host::Picture mask = Ellipse(photo.width, photo.height);
  host::Picture clear(mask.width, mask.height, 4);
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      for (int c = 0; c < 3; ++c) clear.At(x, y)[c] = *mask.At(x, y);  // alpha stays 0
  WritePng(dir / "photo.png", photo);
  WritePng(dir / "clear.png", clear);
  const ZarRun run = RunZar({"render", "fire", "photo.png", "out.png", "-m", "clear.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.ErrLines(), (std::vector<std::string>{
                                "zar: note: clear.png: colour mask converted to grey",
                                "zar: note: clear.png: the mask's transparency is ignored"}));
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out.png"),
                         DirectRun(kFireTable, kFireTable.defaults, photo, &mask)));
}

// A picture is read once, from the bytes that come: through a FIFO or a pipe as from a file.
TEST_F(ZarRender, PicturesThroughAFifo) {
  const host::Picture photo = Photo(3);
  WritePam(dir / "photo.pam", photo);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::vector<uint8_t> bytes = WholeFile(dir / "photo.pam");
  std::thread writer([&] {
    const int fd = open((dir / "fifo").c_str(), O_WRONLY);  // waits for zar to open it
    if (fd < 0) return;
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
    close(fd);
  });
  const ZarRun run = RunZar({"render", "ice", "fifo", "out.pam"}, dir.path());
  writer.join();
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(SamePixels(ReadPam(dir / "out.pam"), DirectRun(kIceTable, kIceTable.defaults, photo)));
}

// Outputs go through a short temporary name beside them: a name of 255 bytes is written, and a
// signal in the middle of the write (here a file-size limit's) takes the temporary file along.
TEST_F(ZarRender, LongNamesAndSignalsDuringTheWriteLeaveNothingBehind) {
  WritePng(dir / "photo.png", Photo(3));
  const std::string longName = std::string(251, 'n') + ".png";
  Render({"render", "fire", "photo.png", longName});
  EXPECT_EQ(ReadPng(dir / longName).width, 150);

  const ZarRun run = RunZar({"render", "fire", "photo.png", "cut.pam"}, dir.path(), {},
                            {{RLIMIT_FSIZE, 4096}});
  EXPECT_EQ(run.signal, SIGXFSZ) << run.err;
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{longName, "photo.png"}));
}

TEST_F(ZarRender, OverridesByNameAreTheNumbersTheyStandFor) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "photo.png", photo);
  Render({"render", "combustion", "photo.png", "names.png", "--set", "effectMode=page", "-s",
          "effectDirection=left-btm", "--set", "flameDirection=Right Top", "--set",
          "rampColors[1]=#00C0FF", "--set", "colorMode=Custom", "--set", "phase=60"});
  Render({"render", "combustion", "photo.png", "numbers.png", "--set", "effectMode=1", "-s",
          "effectDirection=3", "--set", "flameDirection=7", "--set", "rampcolors1=0xFFC000",
          "--set", "colorMode=1", "--set", "phase=0x3C"});
  WorkingParameters params = kCombustionTable.defaults;
  params.effectMode = 1;
  params.effectDirection = 3;
  params.flameDirection = 7;
  params.rampColors[1] = 0xFFC000;
  params.colorMode = 1;
  params.phase = 60;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "names.png"), DirectRun(kCombustionTable, params, photo)));
  EXPECT_EQ(WholeFile(dir / "numbers.png"), WholeFile(dir / "names.png"));
  // The last setting of a field wins.
  Render({"render", "combustion", "photo.png", "last.png", "--set", "effectMode=Gate", "--set",
          "effectMode=Page", "-s", "effectDirection=Left Btm", "-s", "flameDirection=7", "-s",
          "rampColors[1]=#00c0ff", "-s", "colorMode=custom", "-s", "phase=60"});
  EXPECT_EQ(WholeFile(dir / "last.png"), WholeFile(dir / "names.png"));
}

// The output buffers start as the source, as in an image editor: a Combustion effect mode that
// draws nothing leaves the picture as it was instead of black.
TEST_F(ZarRender, WhatThePlugInDoesNotWriteStaysAsItWas) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "photo.png", photo);
  const ZarRun run =
      RunZar({"render", "combustion", "photo.png", "out.png", "--set", "effectMode=7"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out.png"), photo));
}

TEST_F(ZarRender, GreyPaletteAnd16BitPicturesAreConvertedWithANote) {
  const host::Picture photo = Photo(3);
  // Grey: the photograph's green plane.
  host::Picture grey(photo.width, photo.height, 1), greyRgb(photo.width, photo.height, 3);
  // Palette: the photograph with four levels a plane (64 colours).
  host::Picture coarse = photo;
  for (int y = 0; y < photo.height; ++y)
    for (int x = 0; x < photo.width; ++x) {
      *grey.At(x, y) = photo.At(x, y)[1];
      for (int c = 0; c < 3; ++c) {
        greyRgb.At(x, y)[c] = photo.At(x, y)[1];
        coarse.At(x, y)[c] = uint8_t(photo.At(x, y)[c] & 0xC0);
      }
    }
  WritePng(dir / "grey.png", grey);
  WritePalettePng(dir / "palette.png", coarse);
  WritePng16(dir / "deep.png", photo, 100);

  struct Case {
    const char* file;
    const host::Picture* expected;
    const char* note;
  } cases[] = {
      {"grey.png", &greyRgb, "zar: note: grey.png: grey picture converted to RGB"},
      {"palette.png", &coarse, "zar: note: palette.png: palette picture converted to RGB"},
      {"deep.png", &photo, "zar: note: deep.png: 16-bit samples reduced to 8 bits"},
  };
  for (const Case& c : cases) {
    const ZarRun run = RunZar({"render", "ice", c.file, "out.png"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.ErrLines(), std::vector<std::string>{c.note});
    const host::Picture rendered = ReadPng(dir / "out.png");
    ASSERT_EQ(rendered.planes, 3) << c.file;
    EXPECT_TRUE(SamePixels(rendered, DirectRun(kIceTable, kIceTable.defaults, *c.expected)))
        << c.file;
  }
}

TEST_F(ZarRender, ProgressBarOnATerminalOnly) {
  WritePng(dir / "photo.png", Photo(3));
  const ZarRun run = RunZarOnTerminal({"render", "fire", "photo.png", "out.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.out;
  // Fire reports once an iteration: 40 reports, drawn as they change.
  EXPECT_NE(run.out.find("\rfire [--"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\rfire [########################################] 100%"),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(Exists(dir / "out.png"));
  // Not a terminal: nothing at all (the other tests check stderr is empty).
}

TEST_F(ZarRender, OneBarRunsForwardForEveryEffectQuietOrForced) {
  WritePng(dir / "photo.png", Photo(3));
  // Combustion counts down what is left; the bar still only grows, to full.
  const ZarRun run = RunZarOnTerminal({"render", "combustion", "photo.png", "out.png"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<int> shown;
  for (size_t at = run.out.find('%'); at != std::string::npos; at = run.out.find('%', at + 1))
    shown.push_back(std::atoi(run.out.substr(at - 3, 3).c_str()));
  ASSERT_GT(shown.size(), 5u) << run.out;
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << run.out;
  EXPECT_EQ(shown.front(), 0);
  EXPECT_EQ(shown.back(), 100);
  const ZarRun quiet =
      RunZarOnTerminal({"render", "combustion", "photo.png", "out.png", "--quiet"}, dir.path());
  EXPECT_EQ(quiet.out, "");
  const ZarRun forced = RunZar({"render", "ice", "photo.png", "out.png", "--progress"}, dir.path());
  EXPECT_NE(forced.err.find("\rice [########################################] 100%\n"),
            std::string::npos)
      << forced.err;
}

TEST_F(ZarRender, ReplacesAnOlderOutputAndWithForceEvenTheInput) {
  const host::Picture photo = Photo(3);
  WritePng(dir / "photo.png", photo);
  WriteBytes(dir / "out.png", {1, 2, 3});
  Render({"render", "fire", "photo.png", "out.png"});
  const host::Picture expected = DirectRun(kFireTable, kFireTable.defaults, photo);
  EXPECT_TRUE(SamePixels(ReadPng(dir / "out.png"), expected));

  Render({"render", "fire", "photo.png", "./photo.png", "--force"});
  EXPECT_TRUE(SamePixels(ReadPng(dir / "photo.png"), expected));
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"out.png", "photo.png"}));
}

TEST_F(ZarRender, ModulesFromTheDirectoryTheEnvironmentNames) {
  WritePng(dir / "photo.png", Photo(3));
  const ZarRun run = RunZar({"render", "fire", "photo.png", "out.png"}, dir.path(),
                            {std::string("ZAR_PLUGIN_DIR=") + ZAR_MODULE_DIR});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Exists(dir / "out.png"));
}

// A copy of the program in bin/ finds the modules in ../lib/zar, as in an installed tree.
TEST_F(ZarRender, ModulesFromLibZarBesideTheProgramsDirectory) {
  ASSERT_EQ(
      system(("mkdir -p '" + dir.path() + "/tree/bin' '" + dir.path() + "/tree/lib/zar' && cp '" +
              ZarPath() + "' '" + dir.path() + "/tree/bin/' && cp '" + ModulePath(kIceTable) +
              "' '" + dir.path() + "/tree/lib/zar/'")
                 .c_str()),
      0);
  WritePng(dir / "photo.png", Photo(3));
  const std::string program = dir / "tree/bin/zar";
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    unsetenv("ZAR_PLUGIN_DIR");
    execl(program.c_str(), program.c_str(), "render", "ice", "photo.png", "out.png", nullptr);
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0);
  EXPECT_TRUE(
      SamePixels(ReadPng(dir / "out.png"), DirectRun(kIceTable, kIceTable.defaults, Photo(3))));
}

}  // namespace
}  // namespace zar::testing
