#include "hosts/cli/sheet.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace zar::cli {

namespace {

struct Glyph {
  char c;
  const char* rows[kGlyphHeight];
};

// clang-format off
constexpr Glyph kFont[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'J', {"  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'Q', {" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {' ', {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
    {'-', {"     ", "     ", "     ", "#####", "     ", "     ", "     "}},
    {'_', {"     ", "     ", "     ", "     ", "     ", "     ", "#####"}},
    {'.', {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "}},
    {',', {"     ", "     ", "     ", "     ", " ##  ", "  #  ", " #   "}},
    {':', {"     ", " ##  ", " ##  ", "     ", " ##  ", " ##  ", "     "}},
    {'(', {"   # ", "  #  ", " #   ", " #   ", " #   ", "  #  ", "   # "}},
    {')', {" #   ", "  #  ", "   # ", "   # ", "   # ", "  #  ", " #   "}},
    {'/', {"     ", "    #", "   # ", "  #  ", " #   ", "#    ", "     "}},
    {'=', {"     ", "     ", "#####", "     ", "#####", "     ", "     "}},
    {'+', {"     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     "}},
    {'#', {" # # ", " # # ", "#####", " # # ", "#####", " # # ", " # # "}},
    {'\'', {"  #  ", "  #  ", " #   ", "     ", "     ", "     ", "     "}},
    {'?', {" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "}},
};
constexpr Glyph kMissing = {'?', {"#####", "#   #", "#   #", "#   #", "#   #", "#   #", "#####"}};
// clang-format on

const Glyph& GlyphFor(char c) {
  const char upper = char(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& glyph : kFont)
    if (glyph.c == upper) return glyph;
  return kMissing;
}

void FillRect(host::Picture& picture, int x, int y, int w, int h, const uint8_t colour[3]) {
  for (int row = std::max(y, 0); row < std::min(y + h, picture.height); ++row)
    for (int col = std::max(x, 0); col < std::min(x + w, picture.width); ++col)
      std::memcpy(picture.At(col, row), colour, 3);
}

}  // namespace

int64_t TextWidth(std::string_view text, int scale) {
  if (text.empty()) return 0;
  return (int64_t(text.size()) * kCellWidth - (kCellWidth - kGlyphWidth)) * scale;
}

void DrawText(host::Picture& picture, int x, int y, std::string_view text, int scale,
              const uint8_t colour[3]) {
  for (char c : text) {
    const Glyph& glyph = GlyphFor(c);
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int col = 0; col < kGlyphWidth; ++col)
        if (glyph.rows[row][col] == '#')
          FillRect(picture, x + col * scale, y + row * scale, scale, scale, colour);
    x += kCellWidth * scale;
  }
}

bool ContactSheet(const std::vector<SheetEntry>& entries, int columns, host::Picture* sheet,
                  std::string* error) {
  static const uint8_t kGround[3] = {0x20, 0x20, 0x20};
  static const uint8_t kInk[3] = {0xF0, 0xF0, 0xF0};
  constexpr int kMargin = 12;
  constexpr int kScale = 2;
  if (entries.empty()) {
    *sheet = {};
    return true;
  }
  // Sizes in 64 bits: a long label or many pictures must not wrap round.
  int64_t cellWidth = 0, cellHeight = 0;
  for (const SheetEntry& entry : entries) {
    cellWidth = std::max({cellWidth, int64_t(entry.picture->width), TextWidth(entry.label, kScale)});
    cellHeight = std::max(cellHeight, int64_t(entry.picture->height));
  }
  const int64_t count = int64_t(entries.size());
  const int64_t across = columns <= 0 || columns > count ? count : columns;
  const int64_t rows = (count + across - 1) / across;
  const int64_t labelHeight = kCellHeight * kScale + kMargin / 2;
  const int64_t width = kMargin + across * (cellWidth + kMargin);
  const int64_t height = kMargin + rows * (cellHeight + labelHeight + kMargin);
  if (width > host::kMaxPictureSide || height > host::kMaxPictureSide) {
    *error = "the sheet would be " + std::to_string(width) + " x " + std::to_string(height) +
             ", larger than 30000 x 30000 (fewer pictures, more rows or shorter labels)";
    return false;
  }
  // Everything below fits in an int: the sheet does.
  const int cellW = int(cellWidth), cellH = int(cellHeight), perRow = int(across);
  host::Picture out(int(width), int(height), 3);
  FillRect(out, 0, 0, int(width), int(height), kGround);
  for (int i = 0; i < int(count); ++i) {
    const host::Picture& picture = *entries[size_t(i)].picture;
    const int cellX = kMargin + (i % perRow) * (cellW + kMargin);
    const int cellY = kMargin + (i / perRow) * (cellH + int(labelHeight) + kMargin);
    const int x0 = cellX + (cellW - picture.width) / 2;
    const int y0 = cellY + (cellH - picture.height) / 2;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        std::memcpy(out.At(x0 + x, y0 + y), picture.At(x, y), 3);
    const std::string& label = entries[size_t(i)].label;
    DrawText(out, cellX + (cellW - int(TextWidth(label, kScale))) / 2,
             cellY + cellH + kMargin / 2, label, kScale, kInk);
  }
  *sheet = std::move(out);
  return true;
}

}  // namespace zar::cli
