#include "ui/model/dialog_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "base/zmath.h"
#include "settings/field_ranges.h"
#include "ui/model/control_ids.h"

namespace zar::ui {

namespace {

// Every slider any plug-in has; the main four get their field from the plug-in. Their ranges
// are the fields' (DialogRange), the same for each plug-in's field of a main slider.
struct SliderControl {
  int id;
  int tickFrequency;
  int editId;
  Field field;
};
constexpr SliderControl kSliders[] = {
    {IDC_MAIN_SLIDER_1, 10, IDC_MAIN_EDIT_1, Field::oxygen},
    {IDC_MAIN_SLIDER_2, 10, IDC_MAIN_EDIT_2, Field::gravity},
    {IDC_MAIN_SLIDER_3, 25, IDC_MAIN_EDIT_3, Field::viscosity},
    {IDC_MAIN_SLIDER_4, 25, IDC_MAIN_EDIT_4, Field::fuel},
    {IDC_RAMP_POSITION_1, 25, 0, Field::rampPosition1},
    {IDC_RAMP_POSITION_2, 25, 0, Field::rampPosition2},
    {IDC_ALPHA_SLIDER, 10, IDC_ALPHA_EDIT, Field::alpha},
    {IDC_RADIUS_SLIDER, 25, IDC_RADIUS_EDIT, Field::radius},
    {IDC_ROTATION_SLIDER, 60, IDC_ROTATION_EDIT, Field::rotation},
    {IDC_ITERATION_SLIDER, 25, IDC_ITERATION_EDIT, Field::iterations},
    {IDC_PHASE_SLIDER, 10, 0, Field::phase},
    // Ice and Candle only.
    {IDC_VELOCITY_SLIDER, 10, IDC_VELOCITY_EDIT, Field::velocity},
    {IDC_SPACE_SLIDER, 10, IDC_SPACE_EDIT, Field::space},
};
constexpr int kCommonSliders = 11;

constexpr int kFlameButtons[] = {IDC_FLAME_TOP,    IDC_FLAME_LEFT_TOP,  IDC_FLAME_LEFT,
                                 IDC_FLAME_LEFT_BTM, IDC_FLAME_BOTTOM,  IDC_FLAME_RIGHT_BTM,
                                 IDC_FLAME_RIGHT,  IDC_FLAME_RIGHT_TOP};
constexpr int kMaskButtons[] = {IDC_MASK_IN, IDC_MASK_OUT, IDC_MASK_BOTH, IDC_MASK_CONTOUR};
constexpr int kColorButtons[] = {IDC_COLOR_DEFAULT, IDC_COLOR_CUSTOM};
constexpr int kEffectDirectionButtons[] = {
    IDC_EFFECT_TOP,    IDC_EFFECT_LEFT_TOP,  IDC_EFFECT_LEFT,  IDC_EFFECT_LEFT_BTM,
    IDC_EFFECT_BOTTOM, IDC_EFFECT_RIGHT_BTM, IDC_EFFECT_RIGHT, IDC_EFFECT_RIGHT_TOP};
constexpr int kEffectModeButtons[] = {IDC_EFFECT_BLEND, IDC_EFFECT_PAGE, IDC_EFFECT_HOLE,
                                      IDC_EFFECT_GATE};

constexpr RadioGroup kGroups[] = {
    {Field::flameDirection, kFlameButtons, 8},
    {Field::maskMode, kMaskButtons, 4},
    {Field::colorMode, kColorButtons, 2},
    // Combustion only: its buttons share identifiers with Ice's and Candle's sliders.
    {Field::effectDirection, kEffectDirectionButtons, 8},
    {Field::effectMode, kEffectModeButtons, 4},
};
constexpr int kCommonGroups = 3;

}  // namespace

int SliderCount(const DialogTraits& dialog) {
  return dialog.velocityAndSpace ? int(std::size(kSliders)) : kCommonSliders;
}

Slider SliderAt(const DialogTraits& dialog, int index) {
  const SliderControl& control = kSliders[index];
  const Field field = index < 4 ? dialog.mainFields[index] : control.field;
  const FieldRange range = DialogRange(field);
  return {control.id, range.min, range.max, control.tickFrequency, control.editId, field};
}

std::optional<Slider> FindSlider(const DialogTraits& dialog, int sliderId) {
  for (int i = 0; i < SliderCount(dialog); ++i)
    if (kSliders[i].id == sliderId) return SliderAt(dialog, i);
  return std::nullopt;
}

std::optional<Slider> FindSliderByEdit(const DialogTraits& dialog, int editId) {
  if (editId == 0) return std::nullopt;
  for (int i = 0; i < SliderCount(dialog); ++i)
    if (kSliders[i].editId == editId) return SliderAt(dialog, i);
  return std::nullopt;
}

int32_t ParseEditInteger(const char* text) {
  if (!text) return 0;
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void CommitEdit(WorkingParameters& params, const Slider& slider, const char* text) {
  SetField(params, slider.field, uint32_t(ParseEditInteger(text)));
}

int32_t SliderFieldValue(const WorkingParameters& params, const Slider& slider) {
  // Byte fields read as 0..255; the 32-bit ones keep their sign.
  return int32_t(GetField(params, slider.field));
}

int SliderPosition(const Slider& slider, int32_t value) {
  return std::clamp<int32_t>(value, slider.min, slider.max);
}

void StoreSliderPosition(WorkingParameters& params, const Slider& slider, int position) {
  SetField(params, slider.field, uint32_t(position));
}

std::string FormatEditValue(const DialogTraits& dialog, int editId, int32_t value,
                            EditOccasion occasion) {
  bool fixed = false;
  if (occasion == EditOccasion::kShowValues)
    fixed = std::find(dialog.fixedFormatEdits, dialog.fixedFormatEdits + dialog.fixedFormatEditCount,
                      editId) != dialog.fixedFormatEdits + dialog.fixedFormatEditCount;
  else if (occasion == EditOccasion::kDragEnd)
    fixed = editId == IDC_ALPHA_EDIT;
  char text[64];
  std::snprintf(text, sizeof text, fixed ? "%f" : "%.2f", double(value));
  return text;
}

RampPush ApplyRampPosition(WorkingParameters& params, int sliderId, int position) {
  const auto p = uint8_t(position);
  if (sliderId == IDC_RAMP_POSITION_1) {
    params.rampPosition1 = p;
    if (params.rampPosition2 < params.rampPosition1) {
      params.rampPosition2 = params.rampPosition1;
      return {IDC_RAMP_POSITION_2, params.rampPosition2};
    }
  } else if (sliderId == IDC_RAMP_POSITION_2) {
    params.rampPosition2 = p;
    if (params.rampPosition2 < params.rampPosition1) {
      params.rampPosition1 = params.rampPosition2;
      return {IDC_RAMP_POSITION_1, params.rampPosition1};
    }
  }
  return {0, 0};
}

int RadioGroupCount(const DialogTraits& dialog) {
  return dialog.velocityAndSpace ? kCommonGroups : int(std::size(kGroups));
}

const RadioGroup& RadioGroupAt(const DialogTraits&, int index) { return kGroups[index]; }

const RadioGroup* FindRadioGroup(const DialogTraits& dialog, int buttonId) {
  for (int g = 0; g < RadioGroupCount(dialog); ++g)
    for (int v = 0; v < kGroups[g].count; ++v)
      if (kGroups[g].buttons[v] == buttonId) return &kGroups[g];
  return nullptr;
}

int RadioButtonFor(const RadioGroup& group, int value) {
  return value >= 0 && value < group.count ? group.buttons[value] : 0;
}

// ---- dial -------------------------------------------------------------------------------------

namespace {

// The point's offset from the centre for a mouse position, and the usable radius.
struct DialGeometry {
  int64_t d2;
  int radius;
};

DialGeometry Geometry(const Dial& dial, int x, int y) {
  const int hx = dial.width / 2, hy = dial.height / 2;
  const int64_t u = hx - (dial.width - x), v = hy - (dial.height - y);
  return {u * u + v * v, hx - 2};
}

bool Inside(const DialGeometry& g) {
  return g.radius > 0 && g.d2 <= int64_t(g.radius) * g.radius;
}

// The point follows the mouse: elevation from the distance to the centre, direction from the
// offset (unchanged on the centre row itself).
void Follow(Dial& dial, int x, int y, const DialGeometry& g) {
  dial.endX = x;
  dial.endY = y;
  dial.distance = float(zmath::Acos(zmath::Sqrt(double(g.d2)) / g.radius) * kRadiansToDegrees);
  const int a = (dial.width - x) - dial.width / 2;
  const int b = (dial.height - y) - dial.height / 2;
  if (b != 0) {
    double azimuth = 90 + zmath::Atan(double(a) / b) * kRadiansToDegrees;
    if (b < 0) azimuth += 180;
    dial.azimuth = float(azimuth);
  }
}

int32_t TruncToInt32(double value) {
  if (!(value == value)) return 0;
  return int32_t(std::clamp(std::trunc(value), double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace

Dial MakeDial(int width, int height) {
  Dial dial;
  dial.width = width;
  dial.height = height;
  return dial;
}

void DialSet(Dial& dial, float angleDegrees, float distanceDegrees) {
  dial.distance = distanceDegrees;
  const double whole = std::isfinite(angleDegrees)
                           ? std::clamp<double>(std::trunc(angleDegrees), -9.2e18, 9.2e18)
                           : 0.0;
  const int64_t turns = int64_t(whole) / 360;
  dial.azimuth = float(double(angleDegrees) - 360.0 * double(turns));
  const int half = dial.width / 2;
  const int r = half - 4;
  const int c = TruncToInt32(zmath::Cos(double(dial.distance) * kDegreesToRadians) * r);
  const double a = (double(dial.azimuth) - 90) * kDegreesToRadians;
  dial.endX = TruncToInt32(half - c * zmath::Sin(a));
  dial.endY = TruncToInt32(half - c * zmath::Cos(a));
}

bool DialPress(Dial& dial, int x, int y) {
  const DialGeometry g = Geometry(dial, x, y);
  if (!Inside(g)) return false;
  Follow(dial, x, y, g);
  dial.dragging = true;
  dial.savedAzimuth = dial.azimuth;
  dial.angle = float(dial.turns * 360.0 + dial.azimuth);
  return true;
}

void DialMove(Dial& dial, int x, int y) {
  if (!dial.dragging) return;
  const float previous = dial.azimuth;
  const DialGeometry g = Geometry(dial, x, y);
  if (!Inside(g)) {
    dial.dragging = false;
    dial.azimuth = dial.savedAzimuth;
  } else {
    Follow(dial, x, y, g);
  }
  if (previous > 300 && dial.azimuth < 90) ++dial.turns;
  if (previous < 90 && dial.azimuth > 300) --dial.turns;
}

bool DialRelease(Dial& dial) {
  if (!dial.dragging) return false;
  dial.dragging = false;
  dial.angle = float(dial.turns * 360.0 + dial.azimuth);
  return true;
}

float DialDistanceForRadius(int32_t radius) {
  return float(255.0 - double(radius)) * 0.3529412f;
}

int32_t RotationFromDial(const Dial& dial) { return TruncToInt32(dial.angle); }

int32_t RadiusFromDial(const Dial& dial) {
  return TruncToInt32(0.5 + 255 * (1 - double(dial.distance) / 90));
}

// ---- placement --------------------------------------------------------------------------------

Position CentreDialogPosition(const ScreenRect& reference, int dialogWidth, int dialogHeight,
                              int captionButtonWidth, bool hasSystemMenu, int screenWidth,
                              int screenHeight) {
  int a = captionButtonWidth;
  if (!hasSystemMenu) a -= a / 3;
  const int dx = std::max((reference.right - reference.left) - dialogWidth, 0);
  const int dy = std::max((reference.bottom - reference.top) - dialogHeight, 0);
  Position p{reference.left + dx / 2 - a, reference.top + dy / 3};
  if (p.x + dialogWidth > screenWidth) p.x = std::max(screenWidth - dialogWidth, 0);
  if (p.y + dialogHeight > screenHeight) p.y = std::max(screenHeight - dialogHeight, 0);
  return p;
}

Position PreviewPicturePosition(const ScreenRect& frame, Position clientOrigin, int pictureWidth,
                                int pictureHeight) {
  return {(frame.left + frame.right - pictureWidth) / 2 - clientOrigin.x,
          (frame.top + frame.bottom - pictureHeight) / 2 - clientOrigin.y};
}

}  // namespace zar::ui
