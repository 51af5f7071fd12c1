#include "hosts/core/screen.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace zar::host {

namespace {

// A top-down device-independent bitmap of `bitCount` bits a pixel.
BITMAPINFO TopDownBitmap(int width, int height, WORD bitCount) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

OSErr DrawPixelMap(const PSPixelMap& source, const VRect& srcRect, int32 dstRow, int32 dstCol,
                   void* context) {
  // A part of srcRect outside the map's bounds has no samples behind it: it is left undrawn.
  const VRect& b = source.bounds;
  const int32 top = std::max(srcRect.top, b.top), left = std::max(srcRect.left, b.left);
  const int32 bottom = std::min(srcRect.bottom, b.bottom), right = std::min(srcRect.right, b.right);
  const int width = right - left, height = bottom - top;
  if (width <= 0 || height <= 0 || !source.baseAddr || !context) return 0;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<uint8_t> bits(size_t(stride) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto* p = static_cast<const uint8_t*>(source.baseAddr) +
                      size_t(y + top - b.top) * size_t(source.rowBytes) +
                      size_t(x + left - b.left) * size_t(source.colBytes);
      uint8_t* q = &bits[size_t(y) * size_t(stride) + size_t(x) * 3];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  const BITMAPINFO info = TopDownBitmap(width, height, 24);
  SetDIBitsToDevice(static_cast<HDC>(context), dstCol + (left - srcRect.left),
                    dstRow + (top - srcRect.top), DWORD(width), DWORD(height), 0, 0, 0,
                    UINT(height), bits.data(), &info, DIB_RGB_COLORS);
  return 0;
}

Picture CaptureScreen(int left, int top, int width, int height) {
  if (width <= 0 || height <= 0) return Picture(std::max(width, 0), std::max(height, 0), 3);
  Picture picture(width, height, 3);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  const BITMAPINFO info = TopDownBitmap(width, height, 32);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
  GdiFlush();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(bits) + (size_t(y) * width + x) * 4;
      uint8_t* q = picture.At(x, y);
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

}  // namespace zar::host
