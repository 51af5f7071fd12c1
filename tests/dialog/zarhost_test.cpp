// The real deliverable in the real test host: zarhost.exe loads the Fire module of its own
// architecture, runs it through the selectors with its dialog, and works the dialog by a script
// like a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "hosts/core/whole_file.h"
#include "tests/support/image.h"

namespace {

struct Outcome {
  DWORD exitCode = 0;
  std::string output;
  bool finished = false;
};

std::string TempPath(const std::string& name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  return std::string(base) + "zarhost_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

// Runs zarhost with the arguments; its output goes to a file. Never waits more than a minute.
Outcome RunZarhost(const std::string& arguments) {
  Outcome outcome;
  const std::string log = TempPath("log.txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return outcome;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string command = "\"" ZAR_ZARHOST_PATH "\" " + arguments;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
      outcome.finished = true;
      GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    } else {
      TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  for (uint8_t c : zar::host::WholeFile(log))
    if (c != '\r') outcome.output += char(c);
  DeleteFileA(log.c_str());
  return outcome;
}

int CountLines(const std::string& text, const std::string& start) {
  int count = 0;
  for (size_t at = 0; (at = text.find(start, at)) != std::string::npos; ++at)
    if (at == 0 || text[at - 1] == '\n') ++count;
  return count;
}

const std::string kFire = "\"" ZAR_DIST_ROOT "/" ZAR_DIST_ARCH "/ZarFire.8bf\"";

// The sample photograph enlarged four times (600 x 400), so the preview is a reduced copy.
zar::testing::Image Photo600() {
  const zar::testing::Image photo = zar::testing::SamplePhoto();
  zar::testing::Image big(photo.width * 4, photo.height * 4, 3);
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x)
      for (int c = 0; c < 3; ++c) big.At(x, y)[c] = photo.At(x / 4, y / 4)[c];
  return big;
}

// The dialog's top left corner, where the preview is and nothing else (no caret) changes.
size_t PreviewCorner(const zar::testing::Image& shot) {
  std::string pixels;
  for (int y = 30; y < 250 && y < shot.height; ++y)
    pixels.append(reinterpret_cast<const char*>(shot.At(0, y)), 250 * 3);
  return std::hash<std::string>{}(pixels);
}

std::string Photo() {
  static const std::string path = [] {
    const std::string file = TempPath("photo.pam");
    zar::testing::WritePam(file, Photo600());
    return file;
  }();
  return "\"" + path + "\"";
}

TEST(Zarhost, FireOpensItsDialogWithALivePreviewAndOkStoresTheChosenSettings) {
  const std::string out = TempPath("out.pam"), block = TempPath("block.bin");
  const std::string first = TempPath("first.pam"), second = TempPath("second.pam");
  const Outcome run = RunZarhost(
      "run " + kFire + " " + Photo() + " \"" + out + "\" --block-out \"" + block +
      "\" --dialog-script \"wait 300; show 1026; show 1027; text 1026 44; show 1026; wait 100;"
      " shot " +
      first + "; wait 300; shot " + second + "; ok\"");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_NE(run.output.find("dialog: ZAR Fire opened"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("dialog: 1026 = 10.000000"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("dialog: 1027 = 10.00\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("dialog: 1026 = 44\n"), std::string::npos) << run.output;
  // The preview: painted when the dialog opened, and again on every tick of its timer.
  EXPECT_GE(CountLines(run.output, "displayPixels"), 5) << run.output;
  EXPECT_NE(run.output.find("result 0"), std::string::npos);
  // OK stored the typed value: oxygen is the block's first byte.
  const std::vector<uint8_t> bytes = zar::host::WholeFile(block);
  ASSERT_EQ(bytes.size(), 52u);
  EXPECT_EQ(uint8_t(bytes[0]), 44);
  // The dialog as it was on the screen, twice 300 ms apart: the preview moved meanwhile.
  const zar::testing::Image shot = zar::testing::ReadPnm(first);
  EXPECT_GT(shot.width, 400);
  EXPECT_GT(shot.height, 300);
  const zar::testing::Image later = zar::testing::ReadPnm(second);
  ASSERT_EQ(later.width, shot.width);
  EXPECT_NE(PreviewCorner(shot), PreviewCorner(later));
  // And the picture was filtered after OK.
  const zar::testing::Image filtered = zar::testing::ReadPnm(out);
  ASSERT_EQ(filtered.width, 600);
  EXPECT_NE(zar::testing::PixelHash(filtered), zar::testing::PixelHash(Photo600()));
  for (const std::string& f : {out, block, first, second}) DeleteFileA(f.c_str());
}

TEST(Zarhost, FireCancelReturnsMinus128AndKeepsTheBlock) {
  const std::string out = TempPath("out.pam"), block = TempPath("block.bin");
  const Outcome run =
      RunZarhost("run " + kFire + " " + Photo() + " \"" + out + "\" --block-out \"" + block +
                 "\" --dialog-script \"wait 100; text 1026 3; click 1045; cancel\"");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exitCode, 1u) << run.output;
  EXPECT_NE(run.output.find("result -128"), std::string::npos) << run.output;
  const std::vector<uint8_t> bytes = zar::host::WholeFile(block);
  ASSERT_EQ(bytes.size(), 52u);
  EXPECT_EQ(uint8_t(bytes[0]), 10);  // oxygen
  EXPECT_EQ(uint8_t(bytes[11]), 0);  // flame direction "Top"
  for (const std::string& f : {out, block}) DeleteFileA(f.c_str());
}

TEST(Zarhost, FireWithAHostThatRefusesThePreviewStillFilters) {
  const std::string out = TempPath("out.pam"), block = TempPath("block.bin");
  const Outcome run = RunZarhost("run " + kFire + " " + Photo() + " \"" + out +
                                 "\" --refuse-preview --block-out \"" + block +
                                 "\" --dialog-script \"wait 200; text 1026 21; ok\"");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_NE(run.output.find("dialog: ZAR Fire opened"), std::string::npos) << run.output;
  EXPECT_EQ(CountLines(run.output, "displayPixels"), 0) << run.output;
  // No preview, so the multi-call way: the strips come through the continue selector.
  EXPECT_GE(CountLines(run.output, "selector continue"), 1) << run.output;
  EXPECT_EQ(zar::host::WholeFile(block).at(0), 21);
  for (const std::string& f : {out, block}) DeleteFileA(f.c_str());
}

// Hosts in the field as zarhost plays them: one whose suite sizes a handle it did not make by
// the handle pointer's own block (global-size), one that keeps nothing between runs
// (fresh-each-run). In both every plug-in opens its dialog, OK filters, and the picture is the
// native modules' (their hashes, from the native build); Cancel cancels and keeps the picture. The
// preview of the 600 x 400 photo is a reduced one and refused, so no preview frame draws on the
// engines' random state (the final picture would then depend on how long the dialog was open).
TEST(Zarhost, EveryPluginOpensItsDialogAndFiltersInHostsInTheField) {
  struct Case {
    const char* file;
    const char* title;
    const char* nativeHash;
  };
  const Case cases[] = {{"ZarCombustion", "ZAR Combustion", "94bd12f432fbc3f5"},
                        {"ZarIce", "ZAR Ice", "84222ac02f5d640b"},
                        {"ZarCandle", "ZAR Candle", "45adc5d91129ffea"},
                        {"ZarFire", "ZAR Fire", "96c1547fc80b6863"},
                        {"ZarCryo", "ZAR Cryo", "64db8c6f83f325ab"}};
  const std::string out = TempPath("out.pam");
  for (const char* behaviour : {"global-size", "fresh-each-run"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + " --behaviour " + behaviour);
      const std::string run = "run \"" ZAR_DIST_ROOT "/" ZAR_DIST_ARCH "/" + std::string(c.file) + ".8bf\" " +
                              Photo() + " \"" + out + "\" --behaviour " + behaviour +
                              " --refuse-preview --dialog-script ";
      const Outcome ok = RunZarhost(run + "\"wait 100; ok\"");
      ASSERT_TRUE(ok.finished) << ok.output;
      EXPECT_EQ(ok.exitCode, 0u) << ok.output;
      EXPECT_NE(ok.output.find(std::string("dialog: ") + c.title + " opened"), std::string::npos)
          << ok.output;
      EXPECT_EQ(zar::testing::PixelHash(zar::testing::ReadPnm(out)), c.nativeHash);
      const Outcome cancel = RunZarhost(run + "\"wait 100; cancel\"");
      ASSERT_TRUE(cancel.finished) << cancel.output;
      EXPECT_EQ(cancel.exitCode, 1u) << cancel.output;
      EXPECT_NE(cancel.output.find("result -128"), std::string::npos) << cancel.output;
      EXPECT_EQ(zar::testing::PixelHash(zar::testing::ReadPnm(out)),
                zar::testing::PixelHash(Photo600()));
    }
  }
  DeleteFileA(out.c_str());
}

}  // namespace
