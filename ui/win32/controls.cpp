#include "ui/win32/controls.h"

#include <commdlg.h>
#include <windowsx.h>

#include <cmath>

#include "effects/palette/palette.h"
#include "framework/module_state.h"
#include "framework/preview_sequence.h"
#include "ui/win32/ui_state.h"

namespace zar::ui {

namespace {

constexpr char kPaletteClass[] = "Palette";
constexpr char kColorRectClass[] = "ColorRect";
constexpr char kRotationClass[] = "RotationRect";
// The swatch a ColorRect fills: always this size, whatever the window's.
constexpr RECT kSwatchArea = {0, 0, 35, 25};
// The old four-headed "size" cursor.
constexpr WORD kSizeCursor = 32640;

void RegisterControlClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSA wc{};
  wc.style = 0;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kSizeCursor));
  wc.hbrBackground = nullptr;
  wc.lpszClassName = name;
  RegisterClassA(&wc);  // fails harmlessly when the class is already there
}

// ---- Palette -------------------------------------------------------------------------------

void PaintPalette(HWND window) {
  const DialogState& dialog = Dialog();
  const ColorRamp& ramp = Module().colorRamp;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  // 256 stripes across the control's width, entry 0 at the left edge.
  const float stripe = float(dialog.paletteWidth) * 0.00390625f;
  for (int i = 0; i < 256; ++i) {
    const double left = double(i) * double(stripe);
    const RECT r = {int(left), 0, int(left + double(stripe)), dialog.paletteHeight};
    HBRUSH brush =
        CreateSolidBrush(RGB(ramp.entries[i][2], ramp.entries[i][1], ramp.entries[i][0]));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK PaletteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return 0;
    case WM_PAINT:
      if (window == Dialog().paletteWindow) {
        PaintPalette(window);
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- ColorRect -----------------------------------------------------------------------------

// Which ramp colour a swatch window shows, or -1.
int SwatchIndex(HWND window) {
  for (int k = 0; k < 4; ++k)
    if (Dialog().swatchWindow[k] == window) return k;
  return -1;
}

void InvalidateSwatchesAndPalette() {
  const DialogState& dialog = Dialog();
  for (HWND swatch : dialog.swatchWindow)
    if (swatch) InvalidateRect(swatch, &kSwatchArea, FALSE);
  if (dialog.paletteWindow)
    RedrawWindow(dialog.paletteWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void PickSwatchColour(HWND window, int index) {
  WorkingParameters& working = Module().working;
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = window;
  choose.rgbResult = working.rampColors[index];
  choose.lpCustColors = Controls().customColours;
  choose.Flags = CC_RGBINIT | CC_ENABLEHOOK;
  choose.lpfnHook = ColourPickerHook;
  if (ChooseColorA(&choose)) {
    working.rampColors[index] = choose.rgbResult;
    RebuildColorRamp();
  }
  // Confirmed or not, the swatches and the ramp are repainted.
  InvalidateSwatchesAndPalette();
}

LRESULT CALLBACK ColorRectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      COLORREF* custom = Controls().customColours;
      for (int i = 7; i < 16; ++i) custom[i] = 0xFFFFFF;
      for (int i = 0; i < 4; ++i) custom[i] = Module().working.rampColors[i];
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      const int index = SwatchIndex(window);
      if (index >= 0) {
        HBRUSH brush = CreateSolidBrush(Module().working.rampColors[index] & 0xFFFFFF);
        FillRect(dc, &kSwatchArea, brush);
        DeleteObject(brush);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const int index = SwatchIndex(window);
      if (index >= 0) PickSwatchColour(window, index);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- RotationRect --------------------------------------------------------------------------

void RedrawDial() {
  if (HWND window = Controls().dialWindow) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
  }
}

// Drawn off screen and copied in one piece, so the hand never flickers.
void PaintDial(HWND window) {
  const Dial& dial = Controls().dial;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, dial.width, dial.height);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);

  const RECT all = {0, 0, dial.width, dial.height};
  HBRUSH grey = CreateSolidBrush(RGB(150, 150, 150));
  FillRect(memory, &all, grey);
  DeleteObject(grey);
  HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(WHITE_BRUSH));
  HGDIOBJ oldPen = SelectObject(memory, GetStockObject(BLACK_PEN));
  Ellipse(memory, 2, 2, dial.width - 4, dial.height - 4);
  const int cx = dial.width >> 1, cy = dial.height >> 1;
  Ellipse(memory, cx - 2, cy - 2, cx + 2, cy + 2);
  // The hand starts at (width/2, width/2): the dial is meant to be square.
  MoveToEx(memory, cx, cx, nullptr);
  LineTo(memory, dial.endX, dial.endY);
  SelectObject(memory, oldPen);
  SelectObject(memory, oldBrush);

  BitBlt(dc, 0, 0, dial.width, dial.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &ps);
}

LRESULT CALLBACK RotationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlState& controls = Controls();
  Dial& dial = controls.dial;
  switch (message) {
    case WM_CREATE:
      dial.endX = 0;
      dial.endY = 0;
      return 0;
    case WM_PAINT: PaintDial(window); return 0;
    case WM_LBUTTONDOWN: DialPress(dial, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEMOVE:
      DialMove(dial, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      RedrawDial();
      break;
    case WM_LBUTTONUP:
      if (DialRelease(dial)) {
        SendMessageA(controls.dialParent, WM_COMMAND, WPARAM(controls.dialCommandId), 0);
        RedrawDial();
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void RegisterPaletteClasses(HINSTANCE instance) {
  RegisterControlClass(instance, kPaletteClass, PaletteProc);
  RegisterControlClass(instance, kColorRectClass, ColorRectProc);
}

void RegisterRotationClass(HINSTANCE instance) {
  RegisterControlClass(instance, kRotationClass, RotationProc);
}

HWND CreateRotationDial(HINSTANCE instance, int commandId, HWND parent, int left, int top,
                        int right, int bottom) {
  ControlState& controls = Controls();
  controls.dial = MakeDial(right - left, bottom - top);
  controls.dialCommandId = commandId;
  controls.dialParent = parent;
  RegisterRotationClass(instance);
  controls.dialWindow = CreateWindowExA(0, kRotationClass, "", WS_CHILD | WS_VISIBLE | WS_BORDER,
                                        left, top, controls.dial.width, controls.dial.height,
                                        parent, nullptr, instance, nullptr);
  controls.dial.angle = 0;
  controls.dial.distance = 0;
  controls.dial.turns = 0;
  return controls.dialWindow;
}

void DialSet(float angleDegrees, float distanceDegrees) {
  DialSet(Controls().dial, angleDegrees, distanceDegrees);
  RedrawDial();
}

void RebuildColorRamp() { RebuildWorkingRamp(); }

UINT_PTR CALLBACK ColourPickerHook(HWND picker, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return 0;
  // Some hosts leave the picker hidden or half drawn: show it, repaint it, and force a full
  // relayout by shrinking it to nothing and putting it straight back.
  SetWindowLongA(picker, GWL_STYLE, GetWindowLongA(picker, GWL_STYLE) | WS_VISIBLE);
  InvalidateRect(picker, nullptr, TRUE);
  UpdateWindow(picker);
  PostMessageA(picker, WM_PAINT, 0, 0);
  SetFocus(picker);
  RECT r;
  GetWindowRect(picker, &r);
  MoveWindow(picker, 0, 0, 1, 1, TRUE);
  MoveWindow(picker, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  return 1;
}

}  // namespace zar::ui
