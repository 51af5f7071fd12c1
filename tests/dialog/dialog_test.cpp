// The parameter dialog as a user meets it: the real dialog procedure, templates and custom
// controls, opened on a small host of our own, driven by messages the way the controls send them.
#include "ui/win32/dialog.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "framework/globals.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "platform/platform.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/dialog/driver.h"
#include "tests/support/image.h"
#include "tests/support/test_plugin.h"
#include "ui/model/control_ids.h"
#include "ui/win32/preview.h"
#include "ui/win32/ui_state.h"

namespace zar {
namespace {

using testing::CaptureClientRect;
using testing::Checked;
using testing::Child;
using testing::ControlText;
using testing::DragSlider;
using testing::Driver;
using testing::Image;
using testing::SliderPos;
using testing::Step;

class DialogTest : public testing::DialogFixture {
 protected:
  void OpenModeless() { DialogFixture::OpenModeless(ui::kDialogTemplate); }
};

// ---- opening -------------------------------------------------------------------------------

TEST_F(DialogTest, OpensWithTheWorkingValuesAndAReducedPreview) {
  OpenModeless();
  // Fire's defaults, "%f" for the first main value and "%.2f" for every other.
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_1), "10.000000");
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_2), "10.00");
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_3), "255.00");
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_4), "100.00");
  EXPECT_EQ(ControlText(dialog, IDC_ALPHA_EDIT), "200.00");
  EXPECT_EQ(ControlText(dialog, IDC_ITERATION_EDIT), "40.00");
  EXPECT_EQ(ControlText(dialog, IDC_RADIUS_EDIT), "0.00");
  EXPECT_EQ(ControlText(dialog, IDC_ROTATION_EDIT), "180.00");
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_1), 10);
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_3), 255);
  EXPECT_EQ(SliderPos(dialog, IDC_RAMP_POSITION_1), 85);
  EXPECT_EQ(SliderPos(dialog, IDC_RAMP_POSITION_2), 171);
  EXPECT_EQ(SliderPos(dialog, IDC_RADIUS_SLIDER), 1);  // radius 0, shown at the slider's minimum
  EXPECT_EQ(SliderPos(dialog, IDC_ROTATION_SLIDER), 180);
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_ROTATION_SLIDER, TBM_GETRANGEMIN, 0, 0), -720);
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_ROTATION_SLIDER, TBM_GETRANGEMAX, 0, 0), 720);
  EXPECT_TRUE(Checked(dialog, IDC_FLAME_TOP));
  EXPECT_FALSE(Checked(dialog, IDC_FLAME_BOTTOM));
  EXPECT_TRUE(Checked(dialog, IDC_MASK_CONTOUR));
  EXPECT_TRUE(Checked(dialog, IDC_COLOR_DEFAULT));
  EXPECT_FALSE(Checked(dialog, IDC_COLOR_CUSTOM));
  EXPECT_FALSE(Checked(dialog, IDC_INVERT));

  EXPECT_EQ(Module().previewState, 2);
  EXPECT_EQ(Module().iterationCount, 1);
  EXPECT_EQ(ui::Dialog().sliderSyncEnabled, 1);

  // The preview request: the 150 x 100 picture reduced to fit the preview frame, shrunk by 2.
  RECT frame;
  GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW), &frame);
  const int pw = frame.right - frame.left - 4, ph = frame.bottom - frame.top - 4;
  const int scale = std::max((pw + 600) / pw, (ph + 400) / ph);
  ASSERT_FALSE(Rates().empty());
  EXPECT_EQ(Rates().front(), scale << 16);
  EXPECT_GT(scale, 1);
  EXPECT_EQ(globals.previewRect.right, 600 / scale);
  EXPECT_EQ(globals.previewRect.bottom, 400 / scale);
  ASSERT_FALSE(testing::Plugin().engineCalls.empty());
  EXPECT_EQ(testing::Plugin().engineCalls.front().mode, 0);

  // The custom controls, where the template's frames are.
  EXPECT_NE(Child(dialog, "Palette"), nullptr);
  EXPECT_NE(Child(dialog, "ColorRect", 3), nullptr);
  HWND dial = Child(dialog, "RotationRect");
  ASSERT_NE(dial, nullptr);
  RECT dialRect;
  GetWindowRect(dial, &dialRect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&dialRect), 2);
  EXPECT_EQ(dialRect.left, 1);
  EXPECT_EQ(dialRect.top, 340);
  EXPECT_EQ(dialRect.right - dialRect.left, 89);
  EXPECT_EQ(dialRect.bottom - dialRect.top, 90);
  RECT palette;
  GetWindowRect(Child(dialog, "Palette"), &palette);
  RECT group;
  GetWindowRect(GetDlgItem(dialog, IDC_RAMP_FRAME), &group);
  EXPECT_EQ(palette.left, group.left + 1);
  EXPECT_EQ(palette.top, group.top + 8);
  EXPECT_EQ(palette.right, group.right - 2);
}

TEST_F(DialogTest, PreviewIsDrawnCentredWithABlackFrame) {
  OpenModeless();
  displayCalls.clear();
  ui::RefreshPreview(dialog);
  ASSERT_FALSE(displayCalls.empty());
  const testing::DisplayCall& call = displayCalls.back();
  const Rect16 out = host->record().outRect;
  EXPECT_EQ(call.map.version, 1);
  EXPECT_EQ(call.srcRect.top, out.top);
  EXPECT_EQ(call.srcRect.right, out.right);
  EXPECT_EQ(call.map.bounds.bottom, out.bottom);
  EXPECT_EQ(call.map.imageMode, kImageModeRGB);
  EXPECT_EQ(call.map.colBytes, 3);
  EXPECT_EQ(call.map.planeBytes, 1);
  EXPECT_EQ(call.map.rowBytes, host->record().outRowBytes);
  EXPECT_EQ(call.map.baseAddr, host->record().outData);
  EXPECT_FALSE(call.hasMask);

  const RECT area = ui::PreviewArea(dialog);
  const int width = out.right - out.left, height = out.bottom - out.top;
  EXPECT_EQ(call.dstCol, (area.left + area.right - width) / 2);
  EXPECT_EQ(call.dstRow, (area.top + area.bottom - height) / 2);

  // On the screen: the frame is black 2 pixels outside the picture, the picture is inside.
  Driver::Pump(50);
  const RECT around = {call.dstCol - 3, call.dstRow - 3, call.dstCol + width + 3,
                       call.dstRow + height + 3};
  const Image shot = CaptureClientRect(dialog, around);
  auto black = [&](int x, int y) {
    const uint8_t* p = shot.At(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
  };
  EXPECT_TRUE(black(1, 1));
  EXPECT_TRUE(black(width + 4, height + 4));
  EXPECT_TRUE(black(1 + width / 2, 1));
  EXPECT_FALSE(black(0, 0));
  EXPECT_FALSE(black(2, 2));
}

// ---- edit boxes and sliders ----------------------------------------------------------------

TEST_F(DialogTest, CommittedEditBoxesKeepLowBitsAndMoveTheirSliders) {
  OpenModeless();
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "300", IDC_MAIN_EDIT_2);
  EXPECT_EQ(Module().working.oxygen, 44);
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_1), 44);
  testing::TypeAndLeave(dialog, IDC_MAIN_EDIT_1, "abc", IDC_MAIN_EDIT_2);
  EXPECT_EQ(Module().working.oxygen, 0);
  EXPECT_EQ(SliderPos(dialog, IDC_MAIN_SLIDER_1), 1);
  // A 32-bit field keeps the whole value; its slider shows the nearest end of its range.
  testing::TypeAndLeave(dialog, IDC_ROTATION_EDIT, "-5000", IDC_MAIN_EDIT_2);
  EXPECT_EQ(Module().working.rotation, -5000);
  EXPECT_EQ(SliderPos(dialog, IDC_ROTATION_SLIDER), -720);
  // Typing alone commits nothing: only leaving the box does.
  SetDlgItemTextA(dialog, IDC_MAIN_EDIT_4, "7");
  EXPECT_EQ(Module().working.fuel, 100);
}

TEST_F(DialogTest, RampSlidersPushEachOtherAndTheRampFollows) {
  OpenModeless();
  DragSlider(dialog, IDC_RAMP_POSITION_1, {120, 180, 200});
  const int first = SliderPos(dialog, IDC_RAMP_POSITION_1);
  EXPECT_GT(first, 171);
  EXPECT_EQ(Module().working.rampPosition1, first);
  EXPECT_EQ(Module().working.rampPosition2, first);
  EXPECT_EQ(SliderPos(dialog, IDC_RAMP_POSITION_2), first);
  // The ramp was rebuilt: the second colour (yellow) sits at the first position.
  const uint8_t* entry = Module().colorRamp.entries[first];
  EXPECT_EQ(entry[2], 0xFF);  // red
  EXPECT_EQ(entry[0], 0x00);  // blue
  DragSlider(dialog, IDC_RAMP_POSITION_2, {100, 60});
  const int second = SliderPos(dialog, IDC_RAMP_POSITION_2);
  EXPECT_LT(second, 100);
  EXPECT_EQ(Module().working.rampPosition1, second);
  EXPECT_EQ(SliderPos(dialog, IDC_RAMP_POSITION_1), second);
}

TEST_F(DialogTest, DraggingRefreshesThePreviewOnEveryPositionAndWritesTheEditAtTheEnd) {
  OpenModeless();
  const size_t rendersBefore = testing::Plugin().engineCalls.size();
  const size_t paintsBefore = displayCalls.size();
  HWND slider = GetDlgItem(dialog, IDC_ALPHA_SLIDER);
  RECT thumb;
  SendMessageA(slider, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
  const int cx = (thumb.left + thumb.right) / 2, cy = (thumb.top + thumb.bottom) / 2;
  SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  int moves = 0;
  for (int dx = -10; dx >= -40; dx -= 10, ++moves) {
    SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cx + dx, cy));
    // The field follows, the preview is rendered and painted, the edit box waits.
    EXPECT_EQ(Module().working.alpha, SliderPos(dialog, IDC_ALPHA_SLIDER));
    EXPECT_EQ(ControlText(dialog, IDC_ALPHA_EDIT), "200.00");
  }
  EXPECT_LT(Module().working.alpha, 200);
  EXPECT_GE(testing::Plugin().engineCalls.size() - rendersBefore, size_t(moves));
  EXPECT_GE(displayCalls.size() - paintsBefore, size_t(moves));
  SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(cx - 40, cy));
  EXPECT_EQ(ui::Dialog().lastScrollCode, TB_ENDTRACK);
  // The end of the drag: the alpha box is the one written with six decimals then.
  char expected[32];
  std::snprintf(expected, sizeof expected, "%f", double(Module().working.alpha));
  EXPECT_EQ(ControlText(dialog, IDC_ALPHA_EDIT), expected);

  // A main slider writes "%.2f" when it stops (here moved from the keyboard: one line down).
  HWND gravity = GetDlgItem(dialog, IDC_MAIN_SLIDER_2);
  SendMessageA(gravity, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_2), "10.00");
  SendMessageA(gravity, WM_KEYUP, VK_DOWN, 0);
  std::snprintf(expected, sizeof expected, "%.2f", double(Module().working.gravity));
  EXPECT_GT(Module().working.gravity, 10);
  EXPECT_EQ(ControlText(dialog, IDC_MAIN_EDIT_2), expected);
}

// ---- the dial ------------------------------------------------------------------------------

TEST_F(DialogTest, DraggingTheDialSetsRotationAndRadius) {
  OpenModeless();
  HWND dial = Child(dialog, "RotationRect");
  ASSERT_NE(dial, nullptr);
  const size_t rendersBefore = testing::Plugin().engineCalls.size();
  // Press straight above the centre, halfway out, and move to the left.
  SendMessageA(dial, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(44, 20));
  SendMessageA(dial, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 30));
  SendMessageA(dial, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 44));
  SendMessageA(dial, WM_LBUTTONUP, 0, MAKELPARAM(20, 44));
  const ui::Dial& state = ui::Controls().dial;
  EXPECT_EQ(Module().working.rotation, int32_t(state.angle));
  EXPECT_GT(Module().working.rotation, 170);
  EXPECT_LT(Module().working.rotation, 180);
  EXPECT_EQ(Module().working.radius, ui::RadiusFromDial(state));
  EXPECT_GT(Module().working.radius, 100);
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", double(Module().working.rotation));
  EXPECT_EQ(ControlText(dialog, IDC_ROTATION_EDIT), text);
  std::snprintf(text, sizeof text, "%.2f", double(Module().working.radius));
  EXPECT_EQ(ControlText(dialog, IDC_RADIUS_EDIT), text);
  EXPECT_EQ(SliderPos(dialog, IDC_ROTATION_SLIDER), Module().working.rotation);
  EXPECT_EQ(SliderPos(dialog, IDC_RADIUS_SLIDER), Module().working.radius);
  // The dial change renders no preview of its own.
  EXPECT_EQ(testing::Plugin().engineCalls.size(), rendersBefore);

  // The rotation slider moves the dial's point.
  SendDlgItemMessageA(dialog, IDC_ROTATION_SLIDER, TBM_SETPOS, TRUE, 90);
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 90),
               LPARAM(GetDlgItem(dialog, IDC_ROTATION_SLIDER)));
  EXPECT_EQ(Module().working.rotation, 90);
  EXPECT_FLOAT_EQ(state.azimuth, 90);
  EXPECT_EQ(state.endX, 44);
  EXPECT_LT(state.endY, 44);
}

// ---- radio groups and check boxes -----------------------------------------------------------

TEST_F(DialogTest, ButtonsSetTheirFieldsAndRefreshThePreview) {
  OpenModeless();
  size_t renders = testing::Plugin().engineCalls.size();
  testing::ClickButton(dialog, IDC_FLAME_RIGHT_BTM);
  EXPECT_EQ(Module().working.flameDirection, 5);
  EXPECT_FALSE(Checked(dialog, IDC_FLAME_TOP));  // the group's buttons exclude each other
  EXPECT_GT(testing::Plugin().engineCalls.size(), renders);
  testing::ClickButton(dialog, IDC_MASK_BOTH);
  EXPECT_EQ(Module().working.maskMode, 2);
  testing::ClickButton(dialog, IDC_COLOR_CUSTOM);
  EXPECT_EQ(Module().working.colorMode, 1);
  testing::ClickButton(dialog, IDC_INVERT);
  EXPECT_EQ(Module().working.maskInvert, 1);
  testing::ClickButton(dialog, IDC_INVERT);
  EXPECT_EQ(Module().working.maskInvert, 0);
  // Two checked buttons: the last in the order of values wins.
  CheckDlgButton(dialog, IDC_FLAME_LEFT, BST_CHECKED);
  CheckDlgButton(dialog, IDC_FLAME_RIGHT_TOP, BST_CHECKED);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FLAME_LEFT, BN_CLICKED), 0);
  EXPECT_EQ(Module().working.flameDirection, 7);
}

// ---- colour swatches -----------------------------------------------------------------------

TEST_F(DialogTest, SwatchOpensTheColourPickerAndAConfirmedColourRebuildsTheRamp) {
  OpenModeless();
  Driver driver;
  driver.Leave("ZAR Fire");
  // The system colour picker: type red 10, green 20, blue 30 and confirm.
  driver.Script("Color", {{50,
                           [](HWND picker) {
                             SetDlgItemInt(picker, 706, 10, FALSE);
                             SetDlgItemInt(picker, 707, 20, FALSE);
                             SetDlgItemInt(picker, 708, 30, FALSE);
                           }},
                          {50, [](HWND picker) { testing::PostCommand(picker, IDOK); }}});
  HWND swatch = Child(dialog, "ColorRect", 1);
  ASSERT_NE(swatch, nullptr);
  SendMessageA(swatch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(driver.timedOut());
  ASSERT_EQ(driver.Seen("Color").size(), 1u);
  EXPECT_EQ(Module().working.rampColors[1], 0x1E140Au);
  // Entry 85 of the ramp is the second colour: blue, green, red.
  EXPECT_EQ(Module().colorRamp.entries[85][0], 30);
  EXPECT_EQ(Module().colorRamp.entries[85][1], 20);
  EXPECT_EQ(Module().colorRamp.entries[85][2], 10);
  // The custom colours hold the ramp colours as the swatches were made, white from 7 on.
  EXPECT_EQ(ui::Controls().customColours[0], 0xFFFFFFu);
  EXPECT_EQ(ui::Controls().customColours[2], 0x0000FFu);
  EXPECT_EQ(ui::Controls().customColours[15], 0xFFFFFFu);

  // Cancelled: nothing changes.
  driver.Script("Color", {{50, [](HWND picker) { testing::PostCommand(picker, IDCANCEL); }}});
  SendMessageA(swatch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(driver.Seen("Color").size(), 2u);
  EXPECT_EQ(Module().working.rampColors[1], 0x1E140Au);
}

// ---- the animated preview -------------------------------------------------------------------

TEST_F(DialogTest, PreviewAnimatesOnItsTimer) {
  OpenModeless();
  const RECT area = ui::PreviewArea(dialog);
  const size_t rendersBefore = testing::Plugin().engineCalls.size();
  const Image first = CaptureClientRect(dialog, area);
  Driver::Pump(200);
  const Image second = CaptureClientRect(dialog, area);
  EXPECT_NE(testing::PixelHash(first), testing::PixelHash(second));
  // Fifty milliseconds a frame: a handful in 200 ms, not one.
  EXPECT_GE(testing::Plugin().engineCalls.size() - rendersBefore, 2u);

  if (!testing::ScreenshotDir().empty())
    testing::WritePam(testing::ScreenshotDir() + "/fire.pam", testing::CaptureWindow(dialog));
}

// ---- OK and Cancel through the host --------------------------------------------------------

TEST_F(DialogTest, ResetThenOkWritesTheDefaultsIntoTheBlock) {
  const std::vector<uint8_t> defaults = DefaultBlock();
  MakeHost();
  // A block holding other settings than the defaults.
  WorkingParameters other = kFireTable.defaults;
  other.oxygen = 77;
  other.rotation = -300;
  other.rampColors[2] = 0x123456;
  other.flameDirection = 6;
  BlockOf(globals).StoreFrom(other);
  EXPECT_NE(Block(52), defaults);

  Driver driver;
  driver.Script("ZAR Fire",
                {{100, [](HWND d) { EXPECT_EQ(ControlText(d, IDC_MAIN_EDIT_1), "77.000000"); }},
                 {20, [](HWND d) { testing::PostCommand(d, IDC_RESET); }},
                 {50, [](HWND d) { EXPECT_EQ(ControlText(d, IDC_MAIN_EDIT_1), "10.000000"); }},
                 {20, [](HWND d) { testing::PostCommand(d, IDOK); }}});
  // The run goes on from the parameters selector the test already made.
  ASSERT_EQ(host->Select(kSelectorPrepare), 0);
  ASSERT_EQ(host->Select(kSelectorStart), 0);
  EXPECT_FALSE(driver.timedOut());
  ASSERT_EQ(driver.Seen("ZAR Fire").size(), 1u);

  std::vector<uint8_t> block = Block(52);
  // The framework's own fields differ by what the run did to them.
  ParameterBlock written(block.data(), kFireTable.layout);
  std::vector<uint8_t> expected = defaults;
  ParameterBlock want(expected.data(), kFireTable.layout);
  want.setShowDialog(written.showDialog());
  want.setRowsPerStrip(written.rowsPerStrip());
  want.setUseAdvanceState(written.useAdvanceState());
  EXPECT_EQ(block, expected);
  EXPECT_EQ(Module().previewState, 0);
  EXPECT_EQ(Module().iterationCount, 40);
}

TEST_F(DialogTest, CancelLeavesTheBlockAndGivesMinus128) {
  MakeHost();
  const std::vector<uint8_t> before = Block(52);
    Driver driver;
  driver.Script(
      "ZAR Fire",
      {{100, [](HWND d) { testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "55", IDC_MAIN_EDIT_2); }},
       {20, [](HWND d) { testing::ClickButton(d, IDC_FLAME_LEFT); }},
       {20, [](HWND d) { testing::PostCommand(d, IDC_RESET); }},
       {20,
        [this](HWND) {
          // Something changed the carried fields meanwhile; Cancel puts them back.
          BlockOf(globals).setDisposition(FourCC("moD3"));
          BlockOf(globals).setSpareFlag(9);
        }},
       {20, [](HWND d) { testing::PostCommand(d, IDCANCEL); }}});
  host->Select(kSelectorPrepare);
  const size_t renders = testing::Plugin().engineCalls.size();
  EXPECT_EQ(host->Select(kSelectorStart), kUserCanceledErr);
  EXPECT_FALSE(driver.timedOut());
  std::vector<uint8_t> after = Block(52);
  ParameterBlock a(after.data(), kFireTable.layout);
  std::vector<uint8_t> expected = before;
  ParameterBlock e(expected.data(), kFireTable.layout);
  e.setShowDialog(0);
  e.setRowsPerStrip(a.rowsPerStrip());
  e.setUseAdvanceState(a.useAdvanceState());
  EXPECT_EQ(after, expected);
  EXPECT_EQ(Module().previewState, 0);
  // No final rendering happened.
  for (size_t i = renders; i < testing::Plugin().engineCalls.size(); ++i)
    EXPECT_EQ(testing::Plugin().engineCalls[i].mode, 0);
}

TEST_F(DialogTest, OkFiltersThePictureWithTheChosenSettings) {
  NewHost();
  Driver driver;
  driver.Script(
      "ZAR Fire",
      {{100, [](HWND d) { testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "44", IDC_MAIN_EDIT_2); }},
       {20, [](HWND d) { testing::PostCommand(d, IDOK); }}});
  EXPECT_EQ(host->Filter(output), 0);
  EXPECT_FALSE(driver.timedOut());
  EXPECT_EQ(Block(1)[0], 44);  // oxygen, the block's first byte
  EXPECT_EQ(Module().iterationCount, 40);
  // The one-pass way: one strip rendered for good, every sample XORed with 44.
  int finals = 0;
  for (const auto& call : testing::Plugin().engineCalls) finals += call.mode == 1;
  EXPECT_GE(finals, 1);
  EXPECT_EQ(host->CountSelector(kSelectorContinue), 0);
  const Image& out = output;
  for (int y : {0, 250, 399})
    for (int x : {0, 375, 599})
      for (int c = 0; c < 3; ++c) EXPECT_EQ(out.At(x, y)[c], picture.At(x, y)[c] ^ 44);
}

TEST_F(DialogTest, AHostThatRefusesThePreviewStillGetsADialogAndAFilteredPicture) {
  NewHost(nullptr, [](host::HostOptions& o) { o.refusePreview = true; });
  Driver driver;
  bool previewFrameBlank = false;
  driver.Script("ZAR Fire", {{100,
                              [&](HWND d) {
                                // The dialog works: its controls answer, and the preview area stays
                                // empty.
                                testing::TypeAndLeave(d, IDC_MAIN_EDIT_1, "21", IDC_MAIN_EDIT_2);
                                previewFrameBlank = displayCalls.empty();
                              }},
                             {100, [](HWND d) { testing::PostCommand(d, IDOK); }}});
  EXPECT_EQ(host->Filter(output), 0);
  EXPECT_FALSE(driver.timedOut());
  EXPECT_EQ(driver.Seen("ZAR Fire").size(), 1u);
  EXPECT_TRUE(previewFrameBlank);
  EXPECT_TRUE(displayCalls.empty());
  for (const auto& call : testing::Plugin().engineCalls) EXPECT_EQ(call.mode, 1);
  // The multi-call way: the strips came through the continue selector.
  EXPECT_GE(host->CountSelector(kSelectorContinue), 1);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(output.At(10, 10)[c], picture.At(10, 10)[c] ^ 21);
}

TEST_F(DialogTest, GreyPicturesGetNoDialog) {
  NewHost(nullptr, [](host::HostOptions& o) { o.imageMode = 1; });
  host->BeginRun(output);
  Driver driver(3000);
  host->Select(kSelectorParameters);
  host->Select(kSelectorPrepare);
  host->Select(kSelectorStart);
  EXPECT_TRUE(driver.Seen("ZAR Fire").empty());
}

}  // namespace
}  // namespace zar
