// Parameter files of every plug-in: any length, any bytes, loaded into the working copy the way
// the dialog's Load button and `zar` load them, then shown as the dialog shows loaded values (edit
// boxes, sliders, radio buttons, the rotation dial) and turned into the palette an engine colours
// with.
//
// Input: one byte picks the plug-in (bits 0-2), whether the file starts with the plug-in's own
// header (bit 3, so the fields themselves get exercised), and whether the file goes through the
// file system (bit 4); then two bytes of dial size; the rest is the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>

#include "effects/palette/palette.h"
#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/plugins.h"
#include "ui/model/dialog_model.h"
#include "settings/params_file.h"

namespace zar::fuzz {
namespace {

bool SameParams(const WorkingParameters& a, const WorkingParameters& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Loads the same bytes from a file, through an in-memory file the system names by path.
void LoadThroughTheFileSystem(const ParamsFileFormat& file, const std::vector<uint8_t>& bytes,
                              const WorkingParameters& before, const WorkingParameters& decoded) {
  const int fd = memfd_create("params", MFD_CLOEXEC);
  if (fd < 0) return;
  if (bytes.empty() || write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size())) {
    WorkingParameters params = before;
    ParamsFileLoad load;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const ParamsFileStatus status = LoadParamsFile(file, path, params, &load);
    FUZZ_CHECK(status != ParamsFileStatus::kCannotOpen);
    FUZZ_CHECK((status == ParamsFileStatus::kOk) == load.headerMatches);
    FUZZ_CHECK(SameParams(params, decoded));
  }
  close(fd);
}

// What the dialog does with loaded values: every slider, edit box and radio group shows its
// field, the dial is set from rotation and radius.
void ShowInTheDialog(const PluginTable& table, const WorkingParameters& params, int dialWidth,
                     int dialHeight) {
  const DialogTraits& dialog = table.dialog;
  for (int i = 0; i < ui::SliderCount(dialog); ++i) {
    const ui::Slider slider = ui::SliderAt(dialog, i);
    const int32_t value = ui::SliderFieldValue(params, slider);
    const int position = ui::SliderPosition(slider, value);
    FUZZ_CHECK(position >= slider.min && position <= slider.max);
    if (slider.editId == 0) continue;
    // The edit box's text, committed again unchanged, gives the field back.
    const std::string text =
        ui::FormatEditValue(dialog, slider.editId, value, ui::EditOccasion::kShowValues);
    WorkingParameters again = params;
    ui::CommitEdit(again, slider, text.c_str());
    FUZZ_CHECK(SameParams(again, params));
  }
  for (int g = 0; g < ui::RadioGroupCount(dialog); ++g) {
    const ui::RadioGroup& group = ui::RadioGroupAt(dialog, g);
    const int value = int(GetField(params, group.field));
    const int button = ui::RadioButtonFor(group, value);
    FUZZ_CHECK(button == 0 || (value >= 0 && value < group.count && button == group.buttons[value]));
  }
  if (dialog.animated) {
    ui::Dial dial = ui::MakeDial(dialWidth, dialHeight);
    ui::DialSet(dial, float(params.rotation), ui::DialDistanceForRadius(params.radius));
    ui::RotationFromDial(dial);
    ui::RadiusFromDial(dial);
  }
}

// What an engine makes of the loaded colours: its palette and the colour of every heat value.
void ColourWith(const WorkingParameters& params) {
  ColorRamp ramp{};
  FirePalette palette;
  BuildFirePalette(palette, ramp, params.colorMode, params.rampColors, params.rampPosition1,
                   params.rampPosition2);
  for (int h = 1; h < 256; ++h) {
    const HeatColour colour = SelectHeatColour(h, palette, params.alpha);
    FUZZ_CHECK(colour.strength >= 0 && colour.strength <= 1);
  }
}

}  // namespace

void TestOneInput(FuzzInput& input) {
  const uint8_t choice = input.Byte();
  const PluginTable& table = *kPluginTables[(choice & 7) % kPluginCount];
  const ParamsFileFormat& file = table.file;
  const int dialWidth = int(input.Int(0, 300));
  const int dialHeight = int(input.Int(0, 300));

  std::vector<uint8_t> bytes;
  if (choice & 8) bytes.assign(file.header, file.header + std::strlen(file.header));
  const std::vector<uint8_t> rest = input.Rest();
  bytes.insert(bytes.end(), rest.begin(), rest.end());

  const WorkingParameters before = table.defaults;
  WorkingParameters params = before;
  const ParamsFileLoad load = DecodeParamsFile(file, bytes.data(), bytes.size(), params);
  FUZZ_CHECK(load.fieldCount == file.fieldCount);
  FUZZ_CHECK(load.fieldsLoaded >= 0 && load.fieldsLoaded <= load.fieldCount);
  if (!load.headerMatches) {
    // A file of another plug-in (or none) changes nothing.
    FUZZ_CHECK(load.fieldsLoaded == 0);
    FUZZ_CHECK(SameParams(params, before));
  } else {
    // Saving what was loaded writes the file's own bytes back, as far as it was read.
    const std::vector<uint8_t> saved = EncodeParamsFile(file, params);
    FUZZ_CHECK(saved.size() == ParamsFileSize(file));
    size_t read = std::strlen(file.header);
    for (int i = 0; i < load.fieldsLoaded; ++i) read += size_t(FieldSize(file.fields[i]));
    FUZZ_CHECK(read <= bytes.size());
    FUZZ_CHECK(std::memcmp(saved.data(), bytes.data(), read) == 0);
    if (load.complete()) {
      WorkingParameters reloaded{};
      FUZZ_CHECK(DecodeParamsFile(file, saved.data(), saved.size(), reloaded).complete());
      for (int i = 0; i < file.fieldCount; ++i)
        FUZZ_CHECK(GetField(reloaded, file.fields[i]) == GetField(params, file.fields[i]));
    }
  }
  if (choice & 16) LoadThroughTheFileSystem(file, bytes, before, params);

  ShowInTheDialog(table, params, dialWidth, dialHeight);
  ColourWith(params);

  // The name a save would use for a chosen path made of the file's first bytes.
  const std::string chosen(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 12));
  const std::string name = ParamsFileName(file, chosen);
  FUZZ_CHECK(name.compare(0, chosen.size(), chosen) == 0);
}

}  // namespace zar::fuzz
