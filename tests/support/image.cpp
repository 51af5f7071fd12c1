#include "tests/support/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace zar::testing {

Image Image::WithPlanes(int newPlanes, uint8_t fill) const {
  Image out(width, height, newPlanes);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int p = 0; p < newPlanes; ++p) out.At(x, y)[p] = p < planes ? At(x, y)[p] : fill;
  return out;
}

Image Image::WithPadding(int padding) const {
  Image out(width, height, planes, padding);
  std::fill(out.pixels.begin(), out.pixels.end(), 0xEE);
  for (int y = 0; y < height; ++y) std::memcpy(out.Row(y), Row(y), size_t(width) * planes);
  return out;
}

std::vector<uint8_t> Image::Packed() const {
  std::vector<uint8_t> packed;
  packed.reserve(size_t(width) * height * planes);
  for (int y = 0; y < height; ++y) packed.insert(packed.end(), Row(y), Row(y) + width * planes);
  return packed;
}

Image ReadPnm(const std::string& path) {
  host::Picture picture;
  std::string error;
  if (!host::ReadPnmFile(path, &picture, &error)) return {};
  return Image(std::move(picture));
}

bool WritePam(const std::string& path, const Image& image) {
  std::string error;
  return host::WritePamFile(path, image, &error);
}

std::string TestDataPath(const std::string& name) {
  return std::string(ZAR_TEST_DATA_DIR) + "/" + name;
}

Image SamplePhoto() { return ReadPnm(TestDataPath("chelsea-150x100.ppm")); }

Image StructuredPicture(int width, int height, int planes) {
  Image image(width, height, planes);
  // A small integer hash for the texture, so every build makes the same picture.
  auto noise = [](uint32_t x, uint32_t y) {
    uint32_t h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return int((h ^ (h >> 16)) & 63);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int gx = width > 1 ? x * 255 / (width - 1) : 0;
      const int gy = height > 1 ? y * 255 / (height - 1) : 0;
      int r = gx, g = gy, b = 255 - (gx + gy) / 2;
      // Dark patches in a coarse checkerboard.
      if (((x * 6 / std::max(width, 1)) + (y * 4 / std::max(height, 1))) % 3 == 0) {
        r /= 4;
        g /= 4;
        b /= 4;
      }
      // Bright discs.
      for (int k = 0; k < 5; ++k) {
        const double cx = width * (0.15 + 0.17 * k), cy = height * (0.3 + 0.1 * (k % 3));
        const double radius = std::min(width, height) * (0.06 + 0.02 * k);
        const double dx = x - cx, dy = y - cy;
        if (dx * dx + dy * dy < radius * radius) r = g = b = 230 + k * 5;
      }
      const int t = noise(uint32_t(x), uint32_t(y)) - 32;
      uint8_t* px = image.At(x, y);
      px[0] = uint8_t(std::clamp(r + t, 0, 255));
      if (planes > 1) px[1] = uint8_t(std::clamp(g + t, 0, 255));
      if (planes > 2) px[2] = uint8_t(std::clamp(b + t, 0, 255));
      for (int p = 3; p < planes; ++p)
        px[p] = uint8_t(p == 3 ? ((x / 8 + y / 8) % 4 ? 255 : 0) : 128);
    }
  }
  return image;
}

Image EllipseMask(int width, int height) {
  Image mask(width, height, 1);
  const double cx = width / 2.0, cy = height / 2.0, rx = width * 0.35, ry = height * 0.35;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = ((x - cx) * (x - cx)) / (rx * rx) + ((y - cy) * (y - cy)) / (ry * ry);
      mask.At(x, y)[0] = d < 0.8 ? 255 : d < 1.0 ? uint8_t((1.0 - d) * 5 * 255) : 0;
    }
  return mask;
}

std::string PixelHash(const Image& image) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int i = 0; i < image.width * image.planes; ++i) {
      h ^= row[i];
      h *= 1099511628211ull;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

}  // namespace zar::testing
