#include "ui/model/dialog_model.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/model/control_ids.h"

namespace zar::ui {
namespace {

TEST(DialogSliders, EachPluginDrivesItsOwnFields) {
  const auto oxygen = FindSlider(kCombustionTable.dialog, IDC_MAIN_SLIDER_1);
  ASSERT_TRUE(oxygen);
  EXPECT_EQ(oxygen->field, Field::oxygen);
  EXPECT_EQ(oxygen->min, 1);
  EXPECT_EQ(oxygen->max, 100);
  EXPECT_EQ(oxygen->tickFrequency, 10);
  EXPECT_EQ(oxygen->editId, IDC_MAIN_EDIT_1);
  EXPECT_EQ(FindSlider(kIceTable.dialog, IDC_MAIN_SLIDER_4)->field, Field::amplitude);
  EXPECT_EQ(FindSliderByEdit(kCandleTable.dialog, IDC_MAIN_EDIT_3)->field, Field::width);
  EXPECT_EQ(FindSliderByEdit(kFireTable.dialog, IDC_MAIN_EDIT_2)->field, Field::gravity);
  // 1058 is Ice's velocity slider but one of Combustion's direction buttons.
  ASSERT_TRUE(FindSlider(kIceTable.dialog, 1058));
  EXPECT_EQ(FindSlider(kIceTable.dialog, 1058)->field, Field::velocity);
  EXPECT_EQ(FindSliderByEdit(kCandleTable.dialog, 1061)->field, Field::space);
  EXPECT_FALSE(FindSlider(kCombustionTable.dialog, 1058));
  EXPECT_FALSE(FindSliderByEdit(kCombustionTable.dialog, 1059));
  const auto rotation = FindSlider(kFireTable.dialog, IDC_ROTATION_SLIDER);
  EXPECT_EQ(rotation->min, -720);
  EXPECT_EQ(rotation->max, 720);
  EXPECT_EQ(rotation->tickFrequency, 60);
  EXPECT_FALSE(FindSlider(kFireTable.dialog, IDC_RAMP_POSITION_1)->editId);
  EXPECT_FALSE(FindSliderByEdit(kFireTable.dialog, 0));
}

TEST(DialogSliders, NoIdentifierMeansTwoThingsInOneDialog) {
  for (const PluginTable* table : {&kCombustionTable, &kIceTable, &kFireTable}) {
    std::set<int> ids;
    for (int i = 0; i < SliderCount(table->dialog); ++i) {
      const Slider s = SliderAt(table->dialog, i);
      EXPECT_TRUE(ids.insert(s.id).second) << table->name << " " << s.id;
      if (s.editId) {
        EXPECT_TRUE(ids.insert(s.editId).second) << table->name << " " << s.editId;
      }
    }
    for (int g = 0; g < RadioGroupCount(table->dialog); ++g) {
      const RadioGroup& group = RadioGroupAt(table->dialog, g);
      for (int v = 0; v < group.count; ++v)
        EXPECT_TRUE(ids.insert(group.buttons[v]).second) << table->name << " " << group.buttons[v];
    }
  }
}

TEST(DialogEdits, AtoiReading) {
  EXPECT_EQ(ParseEditInteger("300"), 300);
  EXPECT_EQ(ParseEditInteger("  \t-12abc"), -12);
  EXPECT_EQ(ParseEditInteger("+7.9"), 7);
  EXPECT_EQ(ParseEditInteger("abc"), 0);
  EXPECT_EQ(ParseEditInteger(""), 0);
  EXPECT_EQ(ParseEditInteger("- 5"), 0);
  EXPECT_EQ(ParseEditInteger("6.000000"), 6);
  EXPECT_EQ(ParseEditInteger("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(ParseEditInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseEditInteger("-99999999999"), INT32_MIN);
  EXPECT_EQ(ParseEditInteger(nullptr), 0);
}

TEST(DialogEdits, CommitKeepsLowBitsOfBytesAndWholeWords) {
  WorkingParameters p = kCombustionTable.defaults;
  const Slider oxygen = *FindSliderByEdit(kCombustionTable.dialog, IDC_MAIN_EDIT_1);
  CommitEdit(p, oxygen, "300");
  EXPECT_EQ(p.oxygen, 44);
  EXPECT_EQ(SliderPosition(oxygen, SliderFieldValue(p, oxygen)), 44);
  CommitEdit(p, oxygen, "abc");
  EXPECT_EQ(p.oxygen, 0);
  EXPECT_EQ(SliderPosition(oxygen, SliderFieldValue(p, oxygen)), 1);  // the slider's minimum
  CommitEdit(p, oxygen, "-1");
  EXPECT_EQ(p.oxygen, 255);
  EXPECT_EQ(SliderPosition(oxygen, SliderFieldValue(p, oxygen)), 100);

  WorkingParameters f = kFireTable.defaults;
  const Slider rotation = *FindSliderByEdit(kFireTable.dialog, IDC_ROTATION_EDIT);
  CommitEdit(f, rotation, "-5000");
  EXPECT_EQ(f.rotation, -5000);
  EXPECT_EQ(SliderPosition(rotation, SliderFieldValue(f, rotation)), -720);
  const Slider iterations = *FindSliderByEdit(kFireTable.dialog, IDC_ITERATION_EDIT);
  CommitEdit(f, iterations, "1000");
  EXPECT_EQ(f.iterations, 1000);
  EXPECT_EQ(SliderPosition(iterations, SliderFieldValue(f, iterations)), 255);
}

TEST(DialogEdits, NumberFormatsByEditBoxAndOccasion) {
  const DialogTraits& combustion = kCombustionTable.dialog;
  EXPECT_EQ(FormatEditValue(combustion, IDC_MAIN_EDIT_1, 6, EditOccasion::kShowValues), "6.000000");
  EXPECT_EQ(FormatEditValue(combustion, IDC_MAIN_EDIT_2, 10, EditOccasion::kShowValues), "10.00");
  EXPECT_EQ(FormatEditValue(combustion, IDC_MAIN_EDIT_1, 6, EditOccasion::kDragEnd), "6.00");
  EXPECT_EQ(FormatEditValue(combustion, IDC_ALPHA_EDIT, 200, EditOccasion::kDragEnd),
            "200.000000");
  EXPECT_EQ(FormatEditValue(combustion, IDC_ALPHA_EDIT, 200, EditOccasion::kShowValues), "200.00");
  const DialogTraits& ice = kIceTable.dialog;
  EXPECT_EQ(FormatEditValue(ice, IDC_VELOCITY_EDIT, 44, EditOccasion::kShowValues), "44.000000");
  EXPECT_EQ(FormatEditValue(ice, IDC_SPACE_EDIT, 18, EditOccasion::kShowValues), "18.000000");
  EXPECT_EQ(FormatEditValue(kFireTable.dialog, 1061, 18, EditOccasion::kShowValues), "18.00");
  EXPECT_EQ(FormatEditValue(ice, IDC_ROTATION_EDIT, -180, EditOccasion::kDialChange), "-180.00");
  EXPECT_EQ(FormatEditValue(ice, IDC_RADIUS_EDIT, 128, EditOccasion::kDialChange), "128.00");
}

TEST(DialogRamp, EachPositionSliderPushesTheOther) {
  WorkingParameters p = kCombustionTable.defaults;  // 85, 171
  RampPush push = ApplyRampPosition(p, IDC_RAMP_POSITION_1, 100);
  EXPECT_EQ(push.sliderId, 0);
  EXPECT_EQ(p.rampPosition1, 100);
  push = ApplyRampPosition(p, IDC_RAMP_POSITION_1, 200);
  EXPECT_EQ(push.sliderId, IDC_RAMP_POSITION_2);
  EXPECT_EQ(push.position, 200);
  EXPECT_EQ(p.rampPosition2, 200);
  push = ApplyRampPosition(p, IDC_RAMP_POSITION_2, 50);
  EXPECT_EQ(push.sliderId, IDC_RAMP_POSITION_1);
  EXPECT_EQ(push.position, 50);
  EXPECT_EQ(p.rampPosition1, 50);
  EXPECT_EQ(p.rampPosition2, 50);
  push = ApplyRampPosition(p, IDC_RAMP_POSITION_2, 50);
  EXPECT_EQ(push.sliderId, 0);
}

TEST(DialogRadio, ValuesMapToButtonsAndOutsideValuesCheckNothing) {
  const RadioGroup* flame = FindRadioGroup(kIceTable.dialog, IDC_FLAME_BOTTOM);
  ASSERT_NE(flame, nullptr);
  EXPECT_EQ(flame->field, Field::flameDirection);
  EXPECT_EQ(RadioButtonFor(*flame, 0), IDC_FLAME_TOP);
  EXPECT_EQ(RadioButtonFor(*flame, 1), IDC_FLAME_LEFT_TOP);
  EXPECT_EQ(RadioButtonFor(*flame, 4), IDC_FLAME_BOTTOM);
  EXPECT_EQ(RadioButtonFor(*flame, 7), IDC_FLAME_RIGHT_TOP);
  EXPECT_EQ(RadioButtonFor(*flame, 9), 0);
  const RadioGroup* mode = FindRadioGroup(kCombustionTable.dialog, IDC_EFFECT_GATE);
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(RadioButtonFor(*mode, 2), IDC_EFFECT_HOLE);
  EXPECT_EQ(RadioButtonFor(*mode, 3), IDC_EFFECT_GATE);
  const RadioGroup* direction = FindRadioGroup(kCombustionTable.dialog, 1058);
  ASSERT_NE(direction, nullptr);
  EXPECT_EQ(direction->field, Field::effectDirection);
  EXPECT_EQ(RadioButtonFor(*direction, 2), 1058);
  EXPECT_EQ(FindRadioGroup(kIceTable.dialog, 1058), nullptr);  // Ice's velocity slider
  const RadioGroup* mask = FindRadioGroup(kIceTable.dialog, IDC_MASK_CONTOUR);
  EXPECT_EQ(RadioButtonFor(*mask, 3), IDC_MASK_CONTOUR);
  EXPECT_EQ(RadioButtonFor(*mask, 2), IDC_MASK_BOTH);  // absent from Ice's template
}

TEST(DialogRadio, LastCheckedInValueOrderWinsAndNoneKeepsTheValue) {
  WorkingParameters p = kFireTable.defaults;
  const RadioGroup* flame = FindRadioGroup(kFireTable.dialog, IDC_FLAME_TOP);
  std::set<int> checked = {IDC_FLAME_LEFT, IDC_FLAME_RIGHT_TOP};
  ApplyRadioChecks(p, *flame, [&](int id) { return checked.count(id) > 0; });
  EXPECT_EQ(p.flameDirection, 7);
  checked = {IDC_FLAME_RIGHT, IDC_FLAME_BOTTOM};
  ApplyRadioChecks(p, *flame, [&](int id) { return checked.count(id) > 0; });
  EXPECT_EQ(p.flameDirection, 6);
  checked.clear();
  ApplyRadioChecks(p, *flame, [&](int id) { return checked.count(id) > 0; });
  EXPECT_EQ(p.flameDirection, 6);
  const RadioGroup* mode = FindRadioGroup(kCombustionTable.dialog, IDC_EFFECT_BLEND);
  checked = {IDC_EFFECT_GATE, IDC_EFFECT_HOLE};  // Hole is 2, Gate 3: Gate is tested last
  ApplyRadioChecks(p, *mode, [&](int id) { return checked.count(id) > 0; });
  EXPECT_EQ(p.effectMode, 3);
}

// The dial the dialogs make: 89 x 90 pixels.
Dial DialogDial() { return MakeDial(89, 90); }

TEST(RotationDial, DialSetPutsThePoint) {
  Dial dial = DialogDial();
  DialSet(dial, 450, 0);  // straight up at full length
  EXPECT_FLOAT_EQ(dial.azimuth, 90);
  EXPECT_EQ(dial.endX, 44);
  EXPECT_EQ(dial.endY, 4);
  DialSet(dial, 180, 90);  // at the centre
  EXPECT_EQ(dial.endX, 44);
  EXPECT_EQ(dial.endY, 44);
  // Right: the conversion constant is a hair below pi/180, so the end lands just short of
  // (84, 44) and truncates to (83, 43).
  DialSet(dial, 0, 0);
  EXPECT_EQ(dial.endX, 83);
  EXPECT_EQ(dial.endY, 43);
  DialSet(dial, -450, 0);  // the sign follows the input: -90 is straight down
  EXPECT_FLOAT_EQ(dial.azimuth, -90);
  EXPECT_EQ(dial.endX, 44);
  EXPECT_EQ(dial.endY, 83);
  EXPECT_EQ(dial.turns, 0);  // DialSet leaves turns and angle
  EXPECT_FLOAT_EQ(dial.angle, 0);
  DialSet(dial, 180, DialDistanceForRadius(0));  // the default radius 0 sits at the centre
  EXPECT_EQ(dial.endX, 44);
  EXPECT_EQ(dial.endY, 44);
  DialSet(dial, 180, DialDistanceForRadius(255));  // radius 255 on the rim, left
  EXPECT_EQ(dial.endX, 4);
  EXPECT_EQ(dial.endY, 43);
}

TEST(RotationDial, PressOutsideTheCircleDoesNothing) {
  Dial dial = DialogDial();
  DialSet(dial, 90, 0);
  const Dial before = dial;
  EXPECT_FALSE(DialPress(dial, 0, 0));
  EXPECT_FALSE(dial.dragging);
  EXPECT_EQ(dial.endX, before.endX);
  EXPECT_FALSE(DialRelease(dial));
}

TEST(RotationDial, PressSetsElevationAndDirection) {
  Dial dial = DialogDial();
  ASSERT_TRUE(DialPress(dial, 45, 45));  // the centre: elevation 90, direction kept
  EXPECT_FLOAT_EQ(dial.distance, 90);
  EXPECT_FLOAT_EQ(dial.azimuth, 0);
  ASSERT_TRUE(DialPress(dial, 45, 3));  // up, on the rim (the usable radius is 42)
  EXPECT_FLOAT_EQ(dial.distance, 0);
  EXPECT_FLOAT_EQ(dial.azimuth, 90);
  ASSERT_TRUE(DialPress(dial, 45, 85));  // down
  EXPECT_FLOAT_EQ(dial.azimuth, 270);
  ASSERT_TRUE(DialPress(dial, 5, 44));  // left, one row up
  EXPECT_NEAR(dial.azimuth, 178.57, 0.01);
  EXPECT_TRUE(dial.dragging);
  EXPECT_FLOAT_EQ(dial.savedAzimuth, dial.azimuth);
  EXPECT_FLOAT_EQ(dial.angle, dial.azimuth);
}

TEST(RotationDial, DraggingTwiceAroundCounterClockwiseCountsTurns) {
  Dial dial = DialogDial();
  // A circle of radius 30 around the centre (45, 45), counter-clockwise on screen.
  const int points[][2] = {{75, 44}, {66, 24}, {45, 15}, {24, 24}, {15, 45},
                           {24, 66}, {45, 75}, {66, 66}, {75, 46}};
  ASSERT_TRUE(DialPress(dial, 75, 44));
  for (int lap = 0; lap < 2; ++lap)
    for (const auto& p : points) DialMove(dial, p[0], p[1]);
  DialMove(dial, 75, 44);
  ASSERT_TRUE(DialRelease(dial));
  EXPECT_EQ(dial.turns, 2);
  EXPECT_GT(dial.angle, 720);
  EXPECT_GT(RotationFromDial(dial), 720);
  // Clockwise back over "right" takes a turn off.
  ASSERT_TRUE(DialPress(dial, 75, 44));
  DialMove(dial, 75, 46);
  DialRelease(dial);
  EXPECT_EQ(dial.turns, 1);
}

TEST(RotationDial, LeavingTheCircleCancelsTheDrag) {
  Dial dial = DialogDial();
  ASSERT_TRUE(DialPress(dial, 45, 15));  // up: 90
  DialMove(dial, 15, 45);                // the centre row: the direction is kept
  EXPECT_FLOAT_EQ(dial.azimuth, 90);
  DialMove(dial, 15, 44);  // left, a row up: 90 + atan(30) in degrees
  EXPECT_NEAR(dial.azimuth, 178.09, 0.01);
  DialMove(dial, 0, 0);  // outside
  EXPECT_FALSE(dial.dragging);
  EXPECT_FLOAT_EQ(dial.azimuth, 90);  // back to where the press put it
  EXPECT_FALSE(DialRelease(dial));   // no command
}

TEST(RotationDial, RadiusAndRotationFromTheDial) {
  Dial dial = DialogDial();
  dial.distance = 45;
  EXPECT_EQ(RadiusFromDial(dial), 128);
  dial.distance = 0;
  EXPECT_EQ(RadiusFromDial(dial), 255);
  dial.distance = 90;
  EXPECT_EQ(RadiusFromDial(dial), 0);
  dial.angle = -179.9f;
  EXPECT_EQ(RotationFromDial(dial), -179);
  EXPECT_FLOAT_EQ(DialDistanceForRadius(0), 90.000006f);  // 255 x 0.3529412 in single precision
  EXPECT_FLOAT_EQ(DialDistanceForRadius(255), 0);
}

TEST(Placement, CentreDialogArithmetic) {
  // A 1000 x 700 client area at (100, 50); a 500 x 400 dialog; caption buttons 18 wide.
  Position p = CentreDialogPosition({100, 50, 1100, 750}, 500, 400, 18, true, 1280, 1024);
  EXPECT_EQ(p.x, 100 + 250 - 18);
  EXPECT_EQ(p.y, 50 + 100);
  // Without a system menu a third of the button is given back.
  p = CentreDialogPosition({100, 50, 1100, 750}, 500, 400, 18, false, 1280, 1024);
  EXPECT_EQ(p.x, 100 + 250 - 12);
  // A reference smaller than the dialog: no negative margins; kept on the screen.
  p = CentreDialogPosition({900, 800, 1000, 900}, 500, 400, 18, false, 1280, 1024);
  EXPECT_EQ(p.x, 1280 - 500);
  EXPECT_EQ(p.y, 1024 - 400);
  p = CentreDialogPosition({0, 0, 100, 100}, 2000, 2000, 18, true, 1280, 1024);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST(Placement, PreviewPictureIsCentredInTheFrame) {
  // A 1000 x 800 picture previewed at scale 7 is 142 x 114.
  const Position p = PreviewPicturePosition({215, 160, 476, 412}, {190, 130}, 142, 114);
  EXPECT_EQ(p.x, (215 + 476 - 142) / 2 - 190);
  EXPECT_EQ(p.y, (160 + 412 - 114) / 2 - 130);
}

}  // namespace
}  // namespace zar::ui
