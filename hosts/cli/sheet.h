// Contact sheets: several pictures side by side on one RGB picture, each with a label beneath it,
// drawn in a small built-in bitmap font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/picture.h"

namespace zar::cli {

struct SheetEntry {
  const host::Picture* picture;  // 3 or more planes; the first three are its colour
  std::string label;
};

// The pictures in rows of `columns` (all in one row when 0), each centred in a cell as large as
// the largest picture, labels centred below. Light text on a dark ground. A sheet is at most
// kMaxPictureSide pixels each way, what zar reads back; a larger one is refused with the reason.
bool ContactSheet(const std::vector<SheetEntry>& entries, int columns, host::Picture* sheet,
                  std::string* error);

// The bitmap font: 5 x 7 dots per character in a 6 x 9 cell, at `scale` pixels a dot. Letters are
// drawn as capitals; characters the font lacks are drawn as a box.
constexpr int kGlyphWidth = 5, kGlyphHeight = 7, kCellWidth = 6, kCellHeight = 9;
int64_t TextWidth(std::string_view text, int scale);
void DrawText(host::Picture& picture, int x, int y, std::string_view text, int scale,
              const uint8_t colour[3]);

}  // namespace zar::cli
