// The parameter dialog's logic, free of any window system: which control drives which field, how
// edit boxes are read and written, the radio groups, the ramp sliders that push each other, the
// rotation dial's geometry, and where the dialog and its preview are placed. ui/win32 wires these
// to real controls; the tests drive them directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/parameters.h"
#include "settings/plugin_table.h"

namespace zar::ui {

// ---- sliders and edit boxes -------------------------------------------------------------------

struct Slider {
  int id;
  int min, max;
  int tickFrequency;
  int editId;  // 0: no edit box
  Field field;
};

// The sliders a plug-in's dialog can hold, with the field each drives in that plug-in. Every
// slider a plug-in has uses the same range, ticks and edit box.
int SliderCount(const DialogTraits& dialog);
Slider SliderAt(const DialogTraits& dialog, int index);
std::optional<Slider> FindSlider(const DialogTraits& dialog, int sliderId);
std::optional<Slider> FindSliderByEdit(const DialogTraits& dialog, int editId);

// Decimal text to integer as the C runtime's atoi reads it: leading blanks, an optional sign,
// digits up to the first other character; no digits gives 0. Values beyond 32 bits saturate.
int32_t ParseEditInteger(const char* text);

// Stores a committed edit box's text into its field: byte fields keep the low 8 bits (300 becomes
// 44, -1 becomes 255), the 32-bit fields the whole value. No range check.
void CommitEdit(WorkingParameters& params, const Slider& slider, const char* text);

// The position a slider shows for a field value: the value limited to the slider's range.
int SliderPosition(const Slider& slider, int32_t value);
// The field's value as the dialog shows it (byte fields unsigned, the 32-bit ones signed).
int32_t SliderFieldValue(const WorkingParameters& params, const Slider& slider);
// A slider moved: its position stored in its field (byte fields keep the low 8 bits).
void StoreSliderPosition(WorkingParameters& params, const Slider& slider, int position);

enum class EditOccasion {
  kShowValues,  // opening, Reset, Load
  kDragEnd,     // the end of a slider drag
  kDialChange,  // the rotation dial was dragged
};

// The text of an edit box: the integer printed with "%f" (6.000000) or "%.2f" (10.00), by edit
// box and occasion.
std::string FormatEditValue(const DialogTraits& dialog, int editId, int32_t value,
                            EditOccasion occasion);

// A ramp-position slider moved. The first position never exceeds the second: each slider pushes
// the other. Returns the other slider's id and its new position when it has to follow, else 0.
struct RampPush {
  int sliderId;
  int position;
};
RampPush ApplyRampPosition(WorkingParameters& params, int sliderId, int position);

// ---- radio groups -------------------------------------------------------------------------------

struct RadioGroup {
  Field field;
  const int* buttons;  // the button of value v is buttons[v]
  int count;
};

// The groups of a plug-in's dialog (the effect groups only in Combustion, the colour pair as a
// group of two). Groups whose buttons the template lacks are harmless.
int RadioGroupCount(const DialogTraits& dialog);
const RadioGroup& RadioGroupAt(const DialogTraits& dialog, int index);
// The group a button belongs to, or null.
const RadioGroup* FindRadioGroup(const DialogTraits& dialog, int buttonId);

// The button to check for a value; 0 when the value is outside the group (nothing is checked).
int RadioButtonFor(const RadioGroup& group, int value);

// A group's buttons were clicked: they are tested in the order of their values and each checked
// one sets the field, so with several checked the last wins and with none the value stays.
// `checked(buttonId)` reports a button's state.
template <typename IsChecked>
void ApplyRadioChecks(WorkingParameters& params, const RadioGroup& group, IsChecked checked) {
  for (int value = 0; value < group.count; ++value)
    if (checked(group.buttons[value])) SetField(params, group.field, uint32_t(value));
}

// ---- the rotation dial --------------------------------------------------------------------------

// Degrees to radians and back, as the dial has always converted them (slightly off from pi/180).
constexpr double kDegreesToRadians = 0.01745328888888889;
constexpr double kRadiansToDegrees = 57.29579143313326;

struct Dial {
  int width = 0, height = 0;
  int endX = 0, endY = 0;  // the point, in the dial's client pixels
  float distance = 0;      // elevation in degrees: 0 on the rim, 90 at the centre
  float azimuth = 0;       // degrees counter-clockwise from "right"
  int turns = 0;
  float angle = 0;         // turns * 360 + azimuth: what the dialog reads
  bool dragging = false;
  float savedAzimuth = 0;
};

// A dial of the given size at rest.
Dial MakeDial(int width, int height);

// Moves the point to an angle and elevation (degrees); whole turns are dropped, angle and turns are
// left as they are.
void DialSet(Dial& dial, float angleDegrees, float distanceDegrees);

// Mouse handling, in client pixels. Press: false when outside the circle (nothing happens).
bool DialPress(Dial& dial, int x, int y);
void DialMove(Dial& dial, int x, int y);
// True when a drag ended and the dial tells its parent.
bool DialRelease(Dial& dial);

// The dial's elevation for a radius, and the fields a dial change sets.
float DialDistanceForRadius(int32_t radius);
int32_t RotationFromDial(const Dial& dial);
int32_t RadiusFromDial(const Dial& dial);

// ---- placement -----------------------------------------------------------------------------------

struct ScreenRect {
  int left, top, right, bottom;
};

struct Position {
  int x, y;
};

// Where the dialog goes over its reference window's client area (screen coordinates): centred
// horizontally less a caption button's width, a third down, kept on the screen.
Position CentreDialogPosition(const ScreenRect& reference, int dialogWidth, int dialogHeight,
                              int captionButtonWidth, bool hasSystemMenu, int screenWidth,
                              int screenHeight);

// Where the preview picture of the given size goes: centred in the preview frame (screen
// coordinates), in dialog client coordinates.
Position PreviewPicturePosition(const ScreenRect& frame, Position clientOrigin, int pictureWidth,
                                int pictureHeight);

}  // namespace zar::ui
