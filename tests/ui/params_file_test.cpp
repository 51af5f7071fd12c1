#include "settings/params_file.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "hosts/core/whole_file.h"
#include "platform/platform.h"

namespace zar {
namespace {

using Bytes = std::vector<uint8_t>;

const PluginTable* const kAll[] = {&kCombustionTable, &kIceTable, &kCandleTable, &kFireTable,
                                  &kCryoTable};

TEST(ParamsFile, CombustionDefaultsAreThe62DocumentedBytes) {
  const Bytes bytes = EncodeParamsFile(kCombustionTable.file, kCombustionTable.defaults);
  Bytes want;
  for (char c : std::string("Jux Rorizazori Param")) want.push_back(uint8_t(c));
  for (int v : {0, 0, 25, 6, 10, 254, 13, 200, 0, 0, 0}) want.push_back(uint8_t(v));
  for (int v : {40, 0, 0, 0, 0, 0, 0, 0, 180, 0, 0, 0}) want.push_back(uint8_t(v));
  for (int v : {85, 171}) want.push_back(uint8_t(v));
  for (int v : {0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0})
    want.push_back(uint8_t(v));
  want.push_back(0);
  ASSERT_EQ(want.size(), 62u);
  EXPECT_EQ(bytes, want);
  EXPECT_EQ(ParamsFileSize(kCombustionTable.file), 62u);
}

TEST(ParamsFile, SizesAndHeadersOfEveryPlugin) {
  EXPECT_EQ(ParamsFileSize(kIceTable.file), 55u);
  EXPECT_EQ(ParamsFileSize(kCandleTable.file), 57u);
  EXPECT_EQ(ParamsFileSize(kFireTable.file), 54u);
  EXPECT_EQ(ParamsFileSize(kCryoTable.file), 54u);
  const Bytes ice = EncodeParamsFile(kIceTable.file, kIceTable.defaults);
  EXPECT_EQ(std::string(ice.begin(), ice.begin() + 13), "Jux Ice Param");
  // space, velocity, height, smooth, width, amplitude, alpha, direction, mask, invert, droplet
  EXPECT_EQ(Bytes(ice.begin() + 13, ice.begin() + 24), (Bytes{18, 44, 8, 6, 9, 12, 255, 4, 3, 0, 0}));
  const Bytes cryo = EncodeParamsFile(kCryoTable.file, kCryoTable.defaults);
  EXPECT_EQ(std::string(cryo.begin(), cryo.begin() + 14), "Jux Fire Param");
  EXPECT_EQ(Bytes(cryo.begin() + 14, cryo.begin() + 23), (Bytes{2, 1, 254, 74, 200, 4, 3, 0, 0}));
  // The third colour, red 130 green 100 blue 255, then the colour mode last.
  EXPECT_EQ(Bytes(cryo.begin() + 45, cryo.end()), (Bytes{0x82, 0x64, 0xFF, 0, 0, 0, 0, 0, 1}));
}

WorkingParameters Scrambled(const ParamsFileFormat& file, uint32_t seed) {
  WorkingParameters p{};
  for (int i = 0; i < file.fieldCount; ++i) {
    seed = seed * 1103515245u + 12345u;
    SetField(p, file.fields[i], seed);
  }
  return p;
}

TEST(ParamsFile, EveryFieldOfEveryPluginRoundTrips) {
  for (const PluginTable* table : kAll) {
    const WorkingParameters saved = Scrambled(table->file, 7);
    const Bytes bytes = EncodeParamsFile(table->file, saved);
    ASSERT_EQ(bytes.size(), ParamsFileSize(table->file)) << table->name;
    WorkingParameters loaded{};
    const ParamsFileLoad load = DecodeParamsFile(table->file, bytes.data(), bytes.size(), loaded);
    EXPECT_TRUE(load.complete()) << table->name;
    for (int i = 0; i < table->file.fieldCount; ++i)
      EXPECT_EQ(GetField(loaded, table->file.fields[i]), GetField(saved, table->file.fields[i]))
          << table->name << " " << FieldName(table->file.fields[i]);
    EXPECT_EQ(0, std::memcmp(&loaded, &saved, sizeof saved)) << table->name;
  }
}

TEST(ParamsFile, FireAndCryoShareFilesIceRefusesCandle) {
  const Bytes fire = EncodeParamsFile(kFireTable.file, kFireTable.defaults);
  WorkingParameters cryo = kCryoTable.defaults;
  EXPECT_TRUE(DecodeParamsFile(kCryoTable.file, fire.data(), fire.size(), cryo).complete());
  EXPECT_EQ(cryo.oxygen, 10);
  EXPECT_EQ(cryo.flameDirection, 0);

  const Bytes candle = EncodeParamsFile(kCandleTable.file, kCandleTable.defaults);
  WorkingParameters ice = kIceTable.defaults;
  const ParamsFileLoad load = DecodeParamsFile(kIceTable.file, candle.data(), candle.size(), ice);
  EXPECT_FALSE(load.headerMatches);
  EXPECT_EQ(0, std::memcmp(&ice, &kIceTable.defaults, sizeof ice));

  const Bytes combustion = EncodeParamsFile(kCombustionTable.file, kCombustionTable.defaults);
  WorkingParameters f = kFireTable.defaults;
  EXPECT_FALSE(DecodeParamsFile(kFireTable.file, combustion.data(), combustion.size(), f).headerMatches);
  EXPECT_EQ(0, std::memcmp(&f, &kFireTable.defaults, sizeof f));
}

TEST(ParamsFile, ShortFilesLoadWholeFieldsAndKeepTheRest) {
  const WorkingParameters before = kFireTable.defaults;
  WorkingParameters saved = Scrambled(kFireTable.file, 3);
  const Bytes full = EncodeParamsFile(kFireTable.file, saved);

  // Only the header: nothing changes.
  WorkingParameters p = before;
  ParamsFileLoad load = DecodeParamsFile(kFireTable.file, full.data(), 14, p);
  EXPECT_TRUE(load.headerMatches);
  EXPECT_EQ(load.fieldsLoaded, 0);
  EXPECT_EQ(0, std::memcmp(&p, &before, sizeof p));

  // Up to the middle of iterations (offset 23, 4 bytes): the nine byte fields load, iterations
  // and everything after keep their values (a half-read value is never stored).
  p = before;
  load = DecodeParamsFile(kFireTable.file, full.data(), 25, p);
  EXPECT_EQ(load.fieldsLoaded, 9);
  EXPECT_FALSE(load.complete());
  EXPECT_EQ(p.oxygen, saved.oxygen);
  EXPECT_EQ(p.maskDroplet, saved.maskDroplet);
  EXPECT_EQ(p.iterations, before.iterations);
  EXPECT_EQ(p.rampColors[2], before.rampColors[2]);
  EXPECT_EQ(p.colorMode, before.colorMode);

  // A file shorter than its header is not recognised.
  p = before;
  EXPECT_FALSE(DecodeParamsFile(kFireTable.file, full.data(), 5, p).headerMatches);
  EXPECT_FALSE(DecodeParamsFile(kFireTable.file, full.data(), 0, p).headerMatches);
}

TEST(ParamsFile, OutOfRangeValuesAreKeptAsTheyAre) {
  WorkingParameters p = kIceTable.defaults;
  p.flameDirection = 9;
  p.maskMode = 2;
  p.iterations = -4;
  const Bytes bytes = EncodeParamsFile(kIceTable.file, p);
  WorkingParameters loaded = kIceTable.defaults;
  ASSERT_TRUE(DecodeParamsFile(kIceTable.file, bytes.data(), bytes.size(), loaded).complete());
  EXPECT_EQ(loaded.flameDirection, 9);
  EXPECT_EQ(loaded.maskMode, 2);
  EXPECT_EQ(loaded.iterations, -4);
}

TEST(ParamsFile, SaveNameRule) {
  const ParamsFileFormat& file = kCombustionTable.file;
  EXPECT_EQ(ParamsFileName(file, "settings"), "settings.pcb");
  EXPECT_EQ(ParamsFileName(file, "settings.bak"), "settings.bak");
  EXPECT_EQ(ParamsFileName(file, "flame.pc"), "flame.pc.pcb");
  EXPECT_EQ(ParamsFileName(file, "flame.txt"), "flame.txt");
  EXPECT_EQ(ParamsFileName(file, "C:\\dir.x\\name"), "C:\\dir.x\\name.pcb");
  EXPECT_EQ(ParamsFileName(kFireTable.file, "abcd"), "abcd.pfr");
  EXPECT_EQ(ParamsFileName(kFireTable.file, "abc"), "abc");
}

std::string TempPath(const std::string& name) {
  static const std::string unique = std::to_string(
      std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
  return (std::filesystem::temp_directory_path() / ("zar-test-" + unique + "-" + name)).string();
}

TEST(ParamsFile, SaveThenLoadThroughTheFileSystem) {
  const std::string path = TempPath("roundtrip.pci");
  const WorkingParameters saved = Scrambled(kIceTable.file, 11);
  ASSERT_EQ(SaveParamsFile(kIceTable.file, path, saved), ParamsFileStatus::kOk);
  EXPECT_EQ(host::WholeFile(path), EncodeParamsFile(kIceTable.file, saved));
  WorkingParameters loaded{};
  ParamsFileLoad load;
  EXPECT_EQ(LoadParamsFile(kIceTable.file, path, loaded, &load), ParamsFileStatus::kOk);
  EXPECT_TRUE(load.complete());
  EXPECT_EQ(0, std::memcmp(&loaded, &saved, sizeof saved));
  // An existing file is replaced silently.
  ASSERT_EQ(SaveParamsFile(kIceTable.file, path, kIceTable.defaults), ParamsFileStatus::kOk);
  EXPECT_EQ(host::WholeFile(path), EncodeParamsFile(kIceTable.file, kIceTable.defaults));
  std::remove(path.c_str());
}

TEST(ParamsFile, FailedSaveLeavesTheExistingFileAndNoLeftovers) {
  const std::string path = TempPath("keep.pfr");
  ASSERT_EQ(SaveParamsFile(kFireTable.file, path, kFireTable.defaults), ParamsFileStatus::kOk);
  const Bytes before = host::WholeFile(path);
  platform::testing::FailFileWrites(true);
  EXPECT_EQ(SaveParamsFile(kFireTable.file, path, Scrambled(kFireTable.file, 5)),
            ParamsFileStatus::kCannotWrite);
  platform::testing::FailFileWrites(false);
  EXPECT_EQ(host::WholeFile(path), before);
  // No temporary file remains beside it.
  const std::filesystem::path target(path);
  for (const auto& entry : std::filesystem::directory_iterator(target.parent_path()))
    EXPECT_NE(entry.path().filename().string().rfind(target.filename().string() + ".zar-", 0), 0u)
        << entry.path();
  std::remove(path.c_str());
}

#if !defined(_WIN32)
// Saving into a folder the user may not write to: the failure is reported and the file already
// there keeps its contents. The save runs in a child process as an unprivileged user, so the
// folder's permissions hold even when the tests run as root.
TEST(ParamsFile, SaveIntoAReadOnlyFolderIsReportedAndKeepsTheFile) {
  const std::filesystem::path folder = TempPath("read-only-folder");
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  const std::string path = (folder / "keep.pci").string();
  ASSERT_EQ(SaveParamsFile(kIceTable.file, path, kIceTable.defaults), ParamsFileStatus::kOk);
  const Bytes before = host::WholeFile(path);
  // The user owns the file (and could write it in place) but may not add to the folder.
  constexpr uid_t kNobody = 65534;
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
    const ParamsFileStatus status = SaveParamsFile(kIceTable.file, path, Scrambled(kIceTable.file, 3));
    _exit(status == ParamsFileStatus::kCannotWrite ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  chmod(folder.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save was not reported as failed";
  EXPECT_EQ(host::WholeFile(path), before);
  const auto entries = std::distance(std::filesystem::directory_iterator(folder),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 1) << "nothing but the kept file";
  std::filesystem::remove_all(folder);
}
#endif

TEST(ParamsFile, MissingFilesAndFoldersAreReported) {
  WorkingParameters p = kCryoTable.defaults;
  EXPECT_EQ(LoadParamsFile(kCryoTable.file, TempPath("does-not-exist.pfr"), p),
            ParamsFileStatus::kCannotOpen);
  EXPECT_EQ(0, std::memcmp(&p, &kCryoTable.defaults, sizeof p));
  const std::string inMissingFolder = TempPath("no-such-folder") + "/x.pfr";
  EXPECT_EQ(SaveParamsFile(kCryoTable.file, inMissingFolder, p), ParamsFileStatus::kCannotWrite);
}

TEST(ParamsFile, WrongHeaderOnDiskChangesNothing) {
  const std::string path = TempPath("wrong.pcn");
  const Bytes bytes = EncodeParamsFile(kIceTable.file, Scrambled(kIceTable.file, 9));
  ASSERT_TRUE(platform::WriteFileReplacing(path.c_str(), bytes.data(), bytes.size()));
  WorkingParameters p = kCandleTable.defaults;
  EXPECT_EQ(LoadParamsFile(kCandleTable.file, path, p), ParamsFileStatus::kWrongHeader);
  EXPECT_EQ(0, std::memcmp(&p, &kCandleTable.defaults, sizeof p));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zar
