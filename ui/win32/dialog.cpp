// The main parameter dialog. DissolveProc is a thin switch over the handlers below; the logic of
// which control drives which field lives in the portable dialog model.
//
// Controls (which plug-in has which: its template):
//   1, 2 OK / Cancel; 5 the hidden preview frame; 667 the ramp display's group box;
//   1015..1018 / 1026..1029 the four main sliders and edit boxes; 1019, 1020 the ramp positions;
//   1021..1024 the swatch frames; 1030 / 1031 alpha; 1032..1034, 1057 mask; 1035, 1036 colour;
//   1037, 1038 invert, droplet; 1039..1046 flame direction; 1047 / 1049 radius;
//   1048 / 1050 rotation; 1051 / 1052 iterations; 1053 Reset, 1054 Load, 1055 Save;
//   Combustion: 1056, 1058..1064 effect direction, 1066 phase, 1069..1072 effect;
//   Ice, Candle: 1058 / 1059 velocity, 1060 / 1061 space; 1974 the rotation dial's command.
#include "ui/win32/dialog.h"

#include "ui/dialog.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "framework/filter_pass.h"
#include "framework/module_state.h"
#include "framework/parameters.h"
#include "framework/plugin.h"
#include "platform/platform.h"
#include "ui/model/control_ids.h"
#include "ui/model/dialog_model.h"
#include "ui/win32/controls.h"
#include "ui/win32/params_buttons.h"
#include "framework/preview_sequence.h"
#include "ui/win32/preview.h"
#include "ui/win32/ui_state.h"

namespace zar::ui {

namespace {

constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT kPreviewTimerMs = 50;
// Where the dial goes, in client pixels.
constexpr RECT kDialPlace = {1, 340, 90, 430};

const DialogTraits& Traits() { return ThisPlugin().dialog; }

bool PreviewOn() { return BlockOf(*Dialog().globals).useAdvanceState() == 1; }

// A control's window rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND dialog, int id) {
  RECT r{};
  if (HWND control = GetDlgItem(dialog, id)) {
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

// ---- writing values into controls -----------------------------------------------------------

void WriteEdit(HWND dialog, int editId, int32_t value, EditOccasion occasion) {
  if (!editId) return;
  DialogState& state = Dialog();
  const std::string text = FormatEditValue(Traits(), editId, value, occasion);
  std::strncpy(state.text, text.c_str(), sizeof state.text - 1);
  state.text[sizeof state.text - 1] = '\0';
  SetDlgItemTextA(dialog, editId, state.text);
}

// The dialog writes an edit box itself: a committed edit box must not move its slider meanwhile.
void WriteEditUnsynced(HWND dialog, int editId, int32_t value, EditOccasion occasion) {
  Dialog().sliderSyncEnabled = 0;
  WriteEdit(dialog, editId, value, occasion);
  Dialog().sliderSyncEnabled = 1;
}

void MoveSlider(HWND dialog, const Slider& slider, int32_t value) {
  SendDlgItemMessageA(dialog, slider.id, TBM_SETPOS, TRUE, LPARAM(SliderPosition(slider, value)));
}

void SetUpSlider(HWND dialog, const Slider& slider, int32_t value) {
  HWND control = GetDlgItem(dialog, slider.id);
  if (!control) return;
  // The range travels as two 16-bit values: (-720, 720) for the rotation.
  SendMessageA(control, TBM_SETRANGE, FALSE,
               MAKELPARAM(WORD(int16_t(slider.min)), WORD(int16_t(slider.max))));
  SendMessageA(control, TBM_SETTICFREQ, WPARAM(slider.tickFrequency), 0);
  MoveSlider(dialog, slider, value);
}

void WriteAllEdits(HWND dialog) {
  const WorkingParameters& working = Module().working;
  for (int i = 0; i < SliderCount(Traits()); ++i) {
    const Slider slider = SliderAt(Traits(), i);
    WriteEdit(dialog, slider.editId, SliderFieldValue(working, slider), EditOccasion::kShowValues);
  }
}

void SetUpAllSliders(HWND dialog) {
  const WorkingParameters& working = Module().working;
  for (int i = 0; i < SliderCount(Traits()); ++i) {
    const Slider slider = SliderAt(Traits(), i);
    SetUpSlider(dialog, slider, SliderFieldValue(working, slider));
  }
}

void Check(HWND dialog, int id, bool checked) {
  if (GetDlgItem(dialog, id)) CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The button of the group's value checked and the others unchecked. A value outside the group
// (a loaded flame direction of 9, Ice's mask mode 2 that has no button) checks nothing.
void ShowRadioGroup(HWND dialog, const RadioGroup& group) {
  const int value = int(GetField(Module().working, group.field));
  const int button = RadioButtonFor(group, value);
  for (int v = 0; v < group.count; ++v) Check(dialog, group.buttons[v], group.buttons[v] == button);
}

// The group of a field, or null when the plug-in's dialog has none.
const RadioGroup* GroupOf(Field field) {
  for (int g = 0; g < RadioGroupCount(Traits()); ++g)
    if (RadioGroupAt(Traits(), g).field == field) return &RadioGroupAt(Traits(), g);
  return nullptr;
}

void ShowGroups(HWND dialog, std::initializer_list<Field> fields) {
  for (Field field : fields)
    if (const RadioGroup* group = GroupOf(field)) ShowRadioGroup(dialog, *group);
}

void SetDialFromWorking() {
  const WorkingParameters& working = Module().working;
  DialSet(float(working.rotation), DialDistanceForRadius(working.radius));
}

void InvalidateRampDisplays(HWND dialog) {
  const DialogState& state = Dialog();
  for (HWND swatch : state.swatchWindow)
    if (swatch) InvalidateRect(swatch, nullptr, FALSE);
  InvalidateRect(dialog, &state.paletteRect, FALSE);
}

// After Reset or Load: the ramp again from the working colours, every ramp display repainted,
// and a new preview.
void RefreshRampAndPreview(HWND dialog) {
  RebuildColorRamp();
  InvalidateRampDisplays(dialog);
  UpdateWindow(dialog);
  RefreshPreview(dialog);
}

// ---- opening --------------------------------------------------------------------------------

void CreateCustomControls(HWND dialog) {
  DialogState& state = Dialog();
  HINSTANCE instance = static_cast<HINSTANCE>(platform::ModuleInstance());
  RegisterPaletteClasses(instance);
  const auto create = [&](const char* className, const RECT& r) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, dialog, nullptr, instance, nullptr);
  };
  state.paletteWindow = create("Palette", state.paletteRect);
  for (int k = 0; k < 4; ++k) state.swatchWindow[k] = create("ColorRect", state.swatchRect[k]);
  if (Traits().animated) {
    CreateRotationDial(instance, IDC_ROTATION_DIAL, dialog, kDialPlace.left, kDialPlace.top,
                       kDialPlace.right, kDialPlace.bottom);
    SetDialFromWorking();
  }
}

INT_PTR OnInitDialog(HWND dialog, LPARAM lParam) {
  ModuleState& module = Module();
  DialogState& state = Dialog();
  state = DialogState{};
  state.globals = reinterpret_cast<PluginGlobals*>(lParam);
  PluginGlobals& globals = *state.globals;
  ParameterBlock block = BlockOf(globals);
  state.savedDisposition = block.disposition();
  state.savedSpareFlag = block.spareFlag();
  CentreDialog(dialog);

  // The preview sequence the native modules' stand-in runs too: it must stay one piece of code.
  const RECT area = ClientRectOf(dialog, IDC_PREVIEW);
  OpenPreview(globals,
              {int16(area.top), int16(area.left), int16(area.bottom), int16(area.right)});

  WriteAllEdits(dialog);
  state.sliderSyncEnabled = 1;

  RECT palette = ClientRectOf(dialog, IDC_RAMP_FRAME);
  state.paletteRect = {palette.left + 1, palette.top + 8, palette.right - 2, palette.bottom - 1};
  state.paletteWidth = state.paletteRect.right - state.paletteRect.left;
  state.paletteHeight = state.paletteRect.bottom - state.paletteRect.top;
  for (int k = 0; k < 4; ++k) {
    const RECT frame = ClientRectOf(dialog, IDC_SWATCH_1 + k);
    state.swatchRect[k] = {frame.left + 2, frame.top + 2, frame.right - 3, frame.bottom - 3};
  }

  const WorkingParameters& working = module.working;
  Check(dialog, IDC_INVERT, working.maskInvert == 1);
  Check(dialog, IDC_DROPLET, working.maskDroplet == 1);
  Check(dialog, IDC_COLOR_DEFAULT, working.colorMode == 0);
  Check(dialog, IDC_COLOR_CUSTOM, working.colorMode == 1);
  for (Field field :
       {Field::maskMode, Field::effectMode, Field::flameDirection, Field::effectDirection})
    if (const RadioGroup* group = GroupOf(field)) {
      const int button = RadioButtonFor(*group, int(GetField(working, field)));
      if (button) Check(dialog, button, true);
    }

  SetUpAllSliders(dialog);
  CreateCustomControls(dialog);
  if (Traits().animated) SetTimer(dialog, kPreviewTimer, kPreviewTimerMs, nullptr);
  if (PreviewOn()) PaintPreview(globals, dialog);
  return 0;
}

// ---- sliders --------------------------------------------------------------------------------

INT_PTR OnScroll(HWND dialog, int code, HWND control) {
  DialogState& state = Dialog();
  WorkingParameters& working = Module().working;
  state.lastScrollCode = code;
  for (int i = 0; control && i < SliderCount(Traits()); ++i) {
    const Slider slider = SliderAt(Traits(), i);
    if (GetDlgItem(dialog, slider.id) != control) continue;
    const int position = int(SendMessageA(control, TBM_GETPOS, 0, 0));
    StoreSliderPosition(working, slider, position);
    if (code == TB_ENDTRACK && slider.editId) {
      WriteEditUnsynced(dialog, slider.editId, SliderFieldValue(working, slider),
                        EditOccasion::kDragEnd);
      UpdateWindow(dialog);
    }
    if (Traits().animated && (slider.id == IDC_RADIUS_SLIDER || slider.id == IDC_ROTATION_SLIDER))
      SetDialFromWorking();
    if (slider.id == IDC_RAMP_POSITION_1 || slider.id == IDC_RAMP_POSITION_2) {
      const RampPush push = ApplyRampPosition(working, slider.id, position);
      if (push.sliderId)
        SendDlgItemMessageA(dialog, push.sliderId, TBM_SETPOS, TRUE, LPARAM(push.position));
      RebuildColorRamp();
      InvalidateRect(dialog, &state.paletteRect, FALSE);
      if (state.paletteWindow) {
        InvalidateRect(state.paletteWindow, nullptr, FALSE);
        UpdateWindow(state.paletteWindow);
      }
    }
    break;
  }
  RefreshPreview(dialog);
  return 1;
}

// ---- commands -------------------------------------------------------------------------------

INT_PTR OnEditCommitted(HWND dialog, const Slider& slider) {
  DialogState& state = Dialog();
  WorkingParameters& working = Module().working;
  GetDlgItemTextA(dialog, slider.editId, state.text, sizeof state.text);
  CommitEdit(working, slider, state.text);
  if (Traits().animated && (slider.editId == IDC_RADIUS_EDIT || slider.editId == IDC_ROTATION_EDIT))
    SetDialFromWorking();
  if (state.sliderSyncEnabled == 1) MoveSlider(dialog, slider, SliderFieldValue(working, slider));
  // No preview here: the timer renders one in the animated dialogs.
  return 1;
}

INT_PTR OnDialChanged(HWND dialog) {
  WorkingParameters& working = Module().working;
  const Dial& dial = Controls().dial;
  working.rotation = RotationFromDial(dial);
  working.radius = RadiusFromDial(dial);
  WriteEditUnsynced(dialog, IDC_RADIUS_EDIT, working.radius, EditOccasion::kDialChange);
  WriteEditUnsynced(dialog, IDC_ROTATION_EDIT, working.rotation, EditOccasion::kDialChange);
  if (auto rotation = FindSlider(Traits(), IDC_ROTATION_SLIDER))
    MoveSlider(dialog, *rotation, working.rotation);
  if (auto radius = FindSlider(Traits(), IDC_RADIUS_SLIDER))
    MoveSlider(dialog, *radius, working.radius);
  // The dial already shows where the user dragged it.
  return 1;
}

INT_PTR OnReset(HWND dialog) {
  Dialog().sliderSyncEnabled = 1;
  Module().working = ThisPlugin().defaults;
  if (Traits().animated) DialSet(180.0f, 90.0f);
  ShowWorkingValues(dialog);
  RefreshRampAndPreview(dialog);
  return 1;
}

INT_PTR OnLoad(HWND dialog) {
  switch (LoadParamsButton(dialog)) {
    case LoadOutcome::kCancelled: return 0;
    case LoadOutcome::kWrongHeader: return 1;
    case LoadOutcome::kLoaded:
      if (Traits().animated) SetDialFromWorking();
      ShowWorkingValues(dialog);
      break;
    case LoadOutcome::kOpenFailed: break;
  }
  RefreshRampAndPreview(dialog);
  return 1;
}

INT_PTR OnSave(HWND dialog) { return SaveParamsButton(dialog) == SaveOutcome::kCancelled ? 0 : 1; }

void StopPreview(HWND dialog) {
  if (Traits().animated) KillTimer(dialog, kPreviewTimer);
  ClosePreview();
}

INT_PTR OnOk(HWND dialog) {
  ModuleState& module = Module();
  StopPreview(dialog);
  BlockOf(*Dialog().globals).StoreFrom(module.working);
  module.iterationCount = module.working.iterations;
  EndDialog(dialog, IDOK);
  return 1;
}

INT_PTR OnCancel(HWND dialog) {
  DialogState& state = Dialog();
  StopPreview(dialog);
  ParameterBlock block = BlockOf(*state.globals);
  block.setDisposition(state.savedDisposition);
  block.setSpareFlag(state.savedSpareFlag);
  state.globals->result = kUserCanceledErr;
  EndDialog(dialog, IDCANCEL);
  return 0;
}

INT_PTR OnButton(HWND dialog, int id) {
  WorkingParameters& working = Module().working;
  switch (id) {
    case IDOK: return OnOk(dialog);
    case IDCANCEL: return OnCancel(dialog);
    case IDC_RESET: return OnReset(dialog);
    case IDC_LOAD: return OnLoad(dialog);
    case IDC_SAVE: return OnSave(dialog);
    case IDC_COLOR_DEFAULT:
    case IDC_COLOR_CUSTOM: working.colorMode = IsChecked(dialog, IDC_COLOR_CUSTOM) ? 1 : 0; break;
    case IDC_INVERT: working.maskInvert = IsChecked(dialog, IDC_INVERT) ? 1 : 0; break;
    case IDC_DROPLET: working.maskDroplet = IsChecked(dialog, IDC_DROPLET) ? 1 : 0; break;
    default: {
      const RadioGroup* group = FindRadioGroup(Traits(), id);
      if (!group) return 0;
      ApplyRadioChecks(working, *group, [dialog](int button) { return IsChecked(dialog, button); });
      break;
    }
  }
  RefreshPreview(dialog);
  return 1;
}

INT_PTR OnCommand(HWND dialog, int id, int code) {
  if (id == IDC_ROTATION_DIAL && Traits().animated) return OnDialChanged(dialog);
  if (const auto slider = FindSliderByEdit(Traits(), id))
    return code == EN_KILLFOCUS ? OnEditCommitted(dialog, *slider) : 1;
  if (code != BN_CLICKED) return 0;
  return OnButton(dialog, id);
}

INT_PTR OnTimer(HWND dialog) {
  RefreshPreview(dialog);
  return 1;
}

}  // namespace

void RefreshPreview(HWND dialog) {
  PluginGlobals& globals = *Dialog().globals;
  StepPreview(globals);
  const RECT area = ClientRectOf(dialog, IDC_PREVIEW);
  RedrawWindow(dialog, &area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void ShowWorkingValues(HWND dialog) {
  const WorkingParameters& working = Module().working;
  WriteAllEdits(dialog);
  SetUpAllSliders(dialog);
  Check(dialog, IDC_INVERT, working.maskInvert != 0);
  Check(dialog, IDC_DROPLET, working.maskDroplet != 0);
  Check(dialog, IDC_COLOR_DEFAULT, working.colorMode == 0);
  Check(dialog, IDC_COLOR_CUSTOM, working.colorMode == 1);
  ShowGroups(dialog, {Field::maskMode, Field::effectMode});
  UpdateWindow(dialog);
  ShowGroups(dialog, {Field::flameDirection, Field::effectDirection});
}

void CentreDialog(HWND dialog) {
  HWND reference = GetParent(dialog);
  if (!reference) reference = GetDesktopWindow();
  RECT client;
  GetClientRect(reference, &client);
  MapWindowPoints(reference, nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT window;
  GetWindowRect(dialog, &window);
  const bool hasSystemMenu = (GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) != 0;
  const Position at = CentreDialogPosition(
      {client.left, client.top, client.right, client.bottom}, window.right - window.left,
      window.bottom - window.top, GetSystemMetrics(SM_CXSIZE), hasSystemMenu,
      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR RunDialogTemplate(PluginGlobals& globals, HINSTANCE instance, const char* templateName) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const FilterRecord& record = *globals.filterRecord;
  const auto* platformData = static_cast<const PlatformData*>(record.platformData);
  HWND owner = platformData ? reinterpret_cast<HWND>(platformData->hwnd) : nullptr;
  if (owner && !IsWindow(owner)) owner = nullptr;
  return DialogBoxParamA(instance, templateName, owner, DissolveProc,
                         reinterpret_cast<LPARAM>(&globals));
}

bool RunParameterDialog(PluginGlobals& globals) {
  const INT_PTR result =
      RunDialogTemplate(globals, static_cast<HINSTANCE>(platform::ModuleInstance()), kDialogTemplate);
  return result == IDOK || result == IDCANCEL;
}

}  // namespace zar::ui

using namespace zar::ui;

extern "C" INT_PTR CALLBACK DissolveProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lParam);
    case WM_PAINT:
      if (Dialog().globals && PreviewOn()) PaintPreview(*Dialog().globals, dialog);
      return 0;
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL:
    case WM_VSCROLL: return OnScroll(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
      if (Traits().animated) return OnTimer(dialog);
      return 0;
  }
  return 0;
}
