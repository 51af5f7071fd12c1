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

int TextWidth(std::string_view text, int scale) {
  if (text.empty()) return 0;
  return (int(text.size()) * kCellWidth - (kCellWidth - kGlyphWidth)) * scale;
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

host::Picture ContactSheet(const std::vector<SheetEntry>& entries, int columns) {
  static const uint8_t kGround[3] = {0x20, 0x20, 0x20};
  static const uint8_t kInk[3] = {0xF0, 0xF0, 0xF0};
  constexpr int kMargin = 12;
  constexpr int kScale = 2;
  if (entries.empty()) return {};
  int cellWidth = 0, cellHeight = 0;
  for (const SheetEntry& entry : entries) {
    cellWidth = std::max({cellWidth, entry.picture->width, TextWidth(entry.label, kScale)});
    cellHeight = std::max(cellHeight, entry.picture->height);
  }
  const int count = int(entries.size());
  if (columns <= 0 || columns > count) columns = count;
  const int rows = (count + columns - 1) / columns;
  const int labelHeight = kCellHeight * kScale + kMargin / 2;
  const int width = kMargin + columns * (cellWidth + kMargin);
  const int height = kMargin + rows * (cellHeight + labelHeight + kMargin);
  host::Picture sheet(width, height, 3);
  FillRect(sheet, 0, 0, width, height, kGround);
  for (int i = 0; i < count; ++i) {
    const host::Picture& picture = *entries[i].picture;
    const int cellX = kMargin + (i % columns) * (cellWidth + kMargin);
    const int cellY = kMargin + (i / columns) * (cellHeight + labelHeight + kMargin);
    const int x0 = cellX + (cellWidth - picture.width) / 2;
    const int y0 = cellY + (cellHeight - picture.height) / 2;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        std::memcpy(sheet.At(x0 + x, y0 + y), picture.At(x, y), 3);
    const std::string& label = entries[i].label;
    DrawText(sheet, cellX + (cellWidth - TextWidth(label, kScale)) / 2,
             cellY + cellHeight + kMargin / 2, label, kScale, kInk);
  }
  return sheet;
}

}  // namespace zar::cli
