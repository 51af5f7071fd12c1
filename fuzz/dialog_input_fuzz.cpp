// What a user can hand the parameter dialog: any text typed into any edit box, slider positions,
// the ramp sliders pushing each other, drags of the rotation dial anywhere on the screen, and
// dialogs and previews placed over any window on any screen. The dialog's portable logic must
// give a defined result for all of it.
//
// Input: the plug-in and its starting settings (a complete parameter file's fields), then a
// sequence of user actions.
#include <cmath>
#include <cstring>
#include <string>

#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/plugins.h"
#include "ui/model/control_ids.h"
#include "ui/model/dialog_model.h"

namespace zar::fuzz {
namespace {

int Coordinate(FuzzInput& input) { return int(int16_t(input.U16())); }

ui::ScreenRect TakeRect(FuzzInput& input) {
  const int left = Coordinate(input), top = Coordinate(input);
  return {left, top, left + int(input.Int(0, 4096)), top + int(input.Int(0, 4096))};
}

void CheckDial(const ui::Dial& dial) {
  FUZZ_CHECK(std::isfinite(dial.distance) && std::isfinite(dial.azimuth));
  if (dial.dragging) FUZZ_CHECK(dial.distance >= 0 && dial.distance <= 90.0001f);
  ui::RotationFromDial(dial);
  ui::RadiusFromDial(dial);
}

}  // namespace

void TestOneInput(FuzzInput& input) {
  const PluginTable& table = *kPluginTables[input.Int(0, kPluginCount - 1)];
  const DialogTraits& dialog = table.dialog;
  WorkingParameters params = table.defaults;
  for (int i = 0; i < table.file.fieldCount; ++i) {
    const Field field = table.file.fields[i];
    SetField(params, field, FieldSize(field) == 1 ? input.Byte() : input.U32());
  }
  ui::Dial dial = ui::MakeDial(int(input.Int(0, 400)), int(input.Int(0, 400)));

  while (!input.empty()) {
    switch (input.Int(0, 7)) {
      case 0: {
        // Text typed into an edit box and committed.
        const ui::Slider slider = ui::SliderAt(dialog, int(input.Int(0, ui::SliderCount(dialog) - 1)));
        const std::vector<uint8_t> typed = input.Blob(24);
        const std::string text(typed.begin(), typed.end());
        ui::CommitEdit(params, slider, text.c_str());
        break;
      }
      case 1: {
        // A slider moved to a position within its range.
        const ui::Slider slider = ui::SliderAt(dialog, int(input.Int(0, ui::SliderCount(dialog) - 1)));
        const int position = int(input.Int(slider.min, slider.max));
        ui::StoreSliderPosition(params, slider, position);
        FUZZ_CHECK(ui::SliderFieldValue(params, slider) == position);
        if (slider.editId != 0) {
          for (ui::EditOccasion occasion : {ui::EditOccasion::kShowValues,
                                            ui::EditOccasion::kDragEnd,
                                            ui::EditOccasion::kDialChange}) {
            const std::string text = ui::FormatEditValue(dialog, slider.editId, position, occasion);
            FUZZ_CHECK(ui::ParseEditInteger(text.c_str()) == position);
          }
        }
        break;
      }
      case 2: {
        // A ramp slider: the first position never ends up beyond the second.
        const bool ordered = params.rampPosition1 <= params.rampPosition2;
        const int id = input.Bool() ? IDC_RAMP_POSITION_1 : IDC_RAMP_POSITION_2;
        ui::ApplyRampPosition(params, id, int(input.Int(0, 255)));
        if (ordered) FUZZ_CHECK(params.rampPosition1 <= params.rampPosition2);
        break;
      }
      case 3: {
        // A drag of the dial: press, moves, release, anywhere on the screen.
        const int x = Coordinate(input), y = Coordinate(input);
        if (ui::DialPress(dial, x, y)) {
          for (int moves = int(input.Int(0, 6)); moves > 0; --moves) {
            ui::DialMove(dial, Coordinate(input), Coordinate(input));
            CheckDial(dial);
          }
          if (ui::DialRelease(dial)) {
            params.rotation = ui::RotationFromDial(dial);
            params.radius = ui::RadiusFromDial(dial);
          }
        }
        CheckDial(dial);
        break;
      }
      case 4:
        // The dial follows the settings (opening, Reset, Load, an edit box).
        ui::DialSet(dial, float(params.rotation), ui::DialDistanceForRadius(params.radius));
        CheckDial(dial);
        break;
      case 5:
        dial = ui::MakeDial(int(input.Int(0, 400)), int(input.Int(0, 400)));
        break;
      case 6: {
        const ui::ScreenRect reference = TakeRect(input);
        ui::CentreDialogPosition(reference, int(input.Int(0, 4096)), int(input.Int(0, 4096)),
                                 int(input.Int(0, 64)), input.Bool(), int(input.Int(0, 16384)),
                                 int(input.Int(0, 16384)));
        const ui::ScreenRect frame = TakeRect(input);
        ui::PreviewPicturePosition(frame, {Coordinate(input), Coordinate(input)},
                                   int(input.Int(0, 4096)), int(input.Int(0, 4096)));
        break;
      }
      case 7: {
        // A radio button clicked: the group's field takes the button's value.
        const int group = int(input.Int(0, ui::RadioGroupCount(dialog) - 1));
        const ui::RadioGroup& g = ui::RadioGroupAt(dialog, group);
        const int value = int(input.Int(0, g.count - 1));
        ui::ApplyRadioChecks(params, g, [&](int id) { return id == g.buttons[value]; });
        FUZZ_CHECK(int(GetField(params, g.field)) == value);
        FUZZ_CHECK(ui::RadioButtonFor(g, value) == g.buttons[value]);
        break;
      }
    }
  }
}

}  // namespace zar::fuzz
