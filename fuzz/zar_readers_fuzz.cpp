// What `zar` reads from the user: pictures (PNG of every kind libpng reads, PAM, PPM, PGM),
// selection masks, and the settings of a render (a parameter file, then FIELD=VALUE overrides),
// which become the parameter block handed to the plug-in and the values `zar` shows.
//
// Input: one byte picks what is read (picture, mask or settings) and, for settings, the effect;
// the rest is the file, and for settings a file of up to 255 bytes followed by overrides, one a
// line.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/memory_file.h"
#include "fuzz/common/plugins.h"
#include "hosts/cli/pictures.h"
#include "hosts/cli/render.h"
#include "hosts/cli/values.h"

namespace zar::fuzz {
namespace {

void CheckPicture(const host::Picture& picture, int minPlanes, int maxPlanes) {
  FUZZ_CHECK(picture.width >= 1 && picture.height >= 1);
  FUZZ_CHECK(picture.width <= 30000 && picture.height <= 30000);
  FUZZ_CHECK(picture.planes >= minPlanes && picture.planes <= maxPlanes);
  FUZZ_CHECK(picture.rowBytes >= picture.width * picture.planes);
  FUZZ_CHECK(picture.pixels.size() >= size_t(picture.rowBytes) * size_t(picture.height));
}

// A picture written as zar writes its outputs reads back as the same picture.
void CheckRoundTrip(const host::Picture& picture) {
  if (size_t(picture.width) * size_t(picture.height) > 256 * 256) return;
  for (cli::PictureFormat format : {cli::PictureFormat::kPng, cli::PictureFormat::kPam}) {
    if (format == cli::PictureFormat::kPng && picture.planes > 4) continue;
    std::vector<uint8_t> bytes;
    std::string error;
    FUZZ_CHECK(cli::EncodePicture(picture, format, &bytes, &error));
    MemoryFile file(bytes);
    if (file.fd < 0) return;
    host::Picture back;
    std::vector<std::string> notes;
    FUZZ_CHECK(cli::ReadPicture(file.path(), &back, &notes, &error));
    FUZZ_CHECK(notes.empty());
    FUZZ_CHECK(back.width == picture.width && back.height == picture.height &&
               back.planes == picture.planes);
    for (int y = 0; y < picture.height; ++y)
      FUZZ_CHECK(std::memcmp(back.Row(y), picture.Row(y),
                             size_t(picture.width) * size_t(picture.planes)) == 0);
  }
}

void ReadSettings(const PluginTable& table, FuzzInput& input) {
  const std::vector<uint8_t> file = input.Blob(255);
  std::vector<std::string> settings;
  std::string line;
  for (const uint8_t c : input.Rest()) {
    if (c == '\n') {
      settings.push_back(line);
      line.clear();
    } else {
      line.push_back(char(c));
    }
  }
  if (!line.empty()) settings.push_back(line);

  MemoryFile params(file);
  if (params.fd < 0) return;
  WorkingParameters working{};
  std::vector<std::string> warnings;
  std::string error;
  if (!cli::BuildParameters(table, file.empty() ? std::string() : params.path(), settings, &working,
                            &warnings, &error)) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  // The block handed to the plug-in holds every field as set, in the plug-in's layout.
  const std::vector<uint8_t> block = cli::ParameterBlockFor(table, working);
  FUZZ_CHECK(block.size() == table.layout.size);
  std::vector<uint8_t> copy = block;
  WorkingParameters fromBlock{};
  ParameterBlock(copy.data(), table.layout).LoadInto(fromBlock);
  for (Field field : cli::EffectFields(table)) {
    FUZZ_CHECK(GetField(fromBlock, field) == GetField(working, field));
    // What zar shows of a value reads back as that value.
    const uint32_t value = GetField(working, field);
    const std::string shown = cli::FormatFieldValue(field, value);
    cli::RangeNote(field, value);
    // "4 (Bottom)" reads as 4; "#563412 (stored 0xAB123456)" as what is stored.
    const size_t stored = shown.find("stored ");
    const std::string text = stored == std::string::npos
                                 ? shown.substr(0, shown.find(' '))
                                 : shown.substr(stored + 7, shown.find(')', stored) - stored - 7);
    cli::ParsedValue parsed;
    std::string why;
    FUZZ_CHECK(cli::ParseFieldValue(field, text, &parsed, &why));
    FUZZ_CHECK(parsed.value == value);
  }
}

}  // namespace

void TestOneInput(FuzzInput& input) {
  const uint8_t choice = input.Byte();
  switch (choice % 3) {
    case 0: {
      MemoryFile file(input.Rest());
      if (file.fd < 0) return;
      host::Picture picture;
      std::vector<std::string> notes;
      std::string error;
      if (!cli::ReadPicture(file.path(), &picture, &notes, &error)) {
        FUZZ_CHECK(!error.empty());
        return;
      }
      CheckPicture(picture, 3, 5);
      // Within the limits: one strip's worth, and no more than the file's bytes can hold
      // (deflate expands at most about 1032 times, a sample is at least one bit).
      FUZZ_CHECK(cli::FitsOneStrip(picture.width, picture.height, picture.planes));
      FUZZ_CHECK(uint64_t(picture.width) * uint64_t(picture.height) <=
                 8 * (uint64_t(input.size()) * 1032 + 1024));
      CheckRoundTrip(picture);
      break;
    }
    case 1: {
      MemoryFile file(input.Rest());
      if (file.fd < 0) return;
      host::Picture mask;
      std::vector<std::string> notes;
      std::string error;
      if (!cli::ReadMask(file.path(), 0, 0, &mask, &notes, &error)) {
        FUZZ_CHECK(!error.empty());
        return;
      }
      CheckPicture(mask, 1, 1);
      FUZZ_CHECK(uint64_t(mask.width) * uint64_t(mask.height) <=
                 8 * (uint64_t(input.size()) * 1032 + 1024));
      // The same file for a picture of its size is taken, for another size refused.
      host::Picture again;
      FUZZ_CHECK(cli::ReadMask(file.path(), mask.width, mask.height, &again, &notes, &error));
      FUZZ_CHECK(again.pixels == mask.pixels);
      FUZZ_CHECK(!cli::ReadMask(file.path(), mask.width, mask.height + 1, &again, &notes, &error));
      FUZZ_CHECK(error.find("the mask is") != std::string::npos);
      break;
    }
    default:
      ReadSettings(*kPluginTables[(choice / 3) % kPluginCount], input);
      break;
  }
}

}  // namespace zar::fuzz
