#include "ui/win32/preview.h"

#include "ui/model/control_ids.h"
#include "ui/model/dialog_model.h"
#include "framework/preview_map.h"

namespace zar::ui {

RECT PreviewArea(HWND dialog) {
  RECT area{};
  if (HWND frame = GetDlgItem(dialog, IDC_PREVIEW)) {
    GetWindowRect(frame, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
  }
  return area;
}

void PaintPreview(PluginGlobals& globals, HWND dialog) {
  FilterRecord& record = *globals.filterRecord;
  RECT frame{};
  GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW), &frame);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  const int width = record.outRect.right - record.outRect.left;
  const int height = record.outRect.bottom - record.outRect.top;
  const Position at = PreviewPicturePosition({frame.left, frame.top, frame.right, frame.bottom},
                                             {origin.x, origin.y}, width, height);

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  const RECT border = {at.x - 2, at.y - 2, at.x + width + 2, at.y + height + 2};
  FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (record.displayPixels && record.outData && width > 0 && height > 0) {
    PreviewPixels pixels;
    DescribePreview(record, pixels);
    record.displayPixels(&pixels.map, &pixels.bounds, at.y, at.x, dc);
  }
  EndPaint(dialog, &ps);
}

}  // namespace zar::ui
